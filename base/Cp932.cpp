#include "base/Cp932.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vel {
namespace {

struct Tables {
  std::vector<char32_t> toUni;               // index: code (0..0xFFFF)
  std::unordered_map<char32_t, uint16_t> fromUni;
};

char32_t convertOne(iconv_t cd, const unsigned char* in, size_t n) {
  char inbuf[2];
  std::memcpy(inbuf, in, n);
  char out[8];
  char* ip = inbuf;
  char* op = out;
  size_t il = n, ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return 0;
  if (ol != sizeof out - 4) return 0;
  char32_t u;
  std::memcpy(&u, out, 4);
  return u;
}

const Tables& tables() {
  static Tables t = [] {
    Tables r;
    r.toUni.assign(0x10000, 0);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    for (unsigned c = 0; c < 0x80; ++c) r.toUni[c] = c;
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned c = 0x80; c < 0x100; ++c) {
        if (isLead(static_cast<unsigned char>(c))) continue;
        unsigned char b = static_cast<unsigned char>(c);
        r.toUni[c] = convertOne(cd, &b, 1);
      }
      for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
          if (trail == 0x7F) continue;
          unsigned char b[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
          r.toUni[(lead << 8) | trail] = convertOne(cd, b, 2);
        }
      }
      iconv_close(cd);
    }
    // The reverse map keeps the first code of duplicates, except that the
    // Windows normalisation (NEC-selected IBM rows to IBM rows) is what
    // iconv itself produces; ask iconv for every mapped character.
    iconv_t back = iconv_open("CP932", "UTF-32LE");
    for (unsigned code = 0; code < 0x10000; ++code) {
      char32_t u = r.toUni[code];
      if (u == 0 && code != 0) continue;
      if (r.fromUni.count(u)) continue;
      uint16_t best = static_cast<uint16_t>(code);
      if (back != reinterpret_cast<iconv_t>(-1)) {
        char in[4];
        std::memcpy(in, &u, 4);
        char out[4];
        char* ip = in;
        char* op = out;
        size_t il = 4, ol = sizeof out;
        iconv(back, nullptr, nullptr, nullptr, nullptr);
        if (iconv(back, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) {
          size_t n = sizeof out - ol;
          if (n == 1) best = static_cast<unsigned char>(out[0]);
          else if (n == 2) best = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) | static_cast<unsigned char>(out[1]));
        }
      }
      r.fromUni.emplace(u, best);
    }
    if (back != reinterpret_cast<iconv_t>(-1)) iconv_close(back);
    return r;
  }();
  return t;
}

void appendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid.
size_t decodeUtf8(std::string_view s, size_t i, char32_t& u) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  if (c < 0x80) { u = c; return 1; }
  if ((c & 0xE0) == 0xC0) { n = 2; u = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { n = 3; u = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { n = 4; u = c & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    u = (u << 6) | (t & 0x3F);
  }
  if ((n == 2 && u < 0x80) || (n == 3 && u < 0x800) || (n == 4 && (u < 0x10000 || u > 0x10FFFF))) return 0;
  if (u >= 0xD800 && u <= 0xDFFF) return 0;
  return n;
}

}  // namespace

char32_t cp932ToUnicode(uint16_t code) { return tables().toUni[code]; }

uint16_t unicodeToCp932(char32_t u) {
  const auto& m = tables().fromUni;
  auto it = m.find(u);
  return it == m.end() ? 0 : it->second;
}

std::string cp932ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (size_t i = 0; i < s.size();) {
    size_t len;
    uint16_t code = charCodeAt(s, i, &len);
    char32_t u = cp932ToUnicode(code);
    if (u == 0 && code != 0) u = 0xFFFD;
    appendUtf8(out, u);
    i += len;
  }
  return out;
}

std::u32string cp932ToU32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t len;
    uint16_t code = charCodeAt(s, i, &len);
    char32_t u = cp932ToUnicode(code);
    out += (u == 0 && code != 0) ? char32_t(0xFFFD) : u;
    i += len;
  }
  return out;
}

std::string utf8ToCp932(std::string_view s, size_t* unmappable) {
  std::string out;
  out.reserve(s.size());
  size_t bad = 0;
  for (size_t i = 0; i < s.size();) {
    char32_t u;
    size_t n = decodeUtf8(s, i, u);
    if (n == 0) {  // not UTF-8: keep the byte as it is
      out += s[i];
      ++i;
      ++bad;
      continue;
    }
    i += n;
    if (u < 0x80) {
      out += static_cast<char>(u);
      continue;
    }
    uint16_t c = unicodeToCp932(u);
    if (c == 0) {
      out += "\x81\xAC";  // 〓
      ++bad;
    } else if (c < 0x100) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c >> 8);
      out += static_cast<char>(c & 0xFF);
    }
  }
  if (unmappable) *unmappable = bad;
  return out;
}

std::string toLogUtf8(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size() * 3 / 2);
  auto esc = [&](unsigned char b) {
    out += "\\x";
    out += hex[b >> 4];
    out += hex[b & 15];
  };
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      esc(c);
      ++i;
      continue;
    }
    size_t len;
    uint16_t code = charCodeAt(s, i, &len);
    char32_t u = cp932ToUnicode(code);
    if (u == 0) {
      esc(c);  // a lone or unassigned lead byte: escape it and resync after it
      ++i;
      continue;
    }
    appendUtf8(out, u);
    i += len;
  }
  return out;
}

bool looksLikeUtf8(std::string_view s) {
  bool nonAscii = false;
  for (size_t i = 0; i < s.size();) {
    char32_t u;
    size_t n = decodeUtf8(s, i, u);
    if (n == 0) return false;
    if (n > 1) nonAscii = true;
    i += n;
  }
  return nonAscii;
}

size_t charCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) i += (isLead(s[i]) && i + 1 < s.size()) ? 2 : 1;
  return n;
}

}  // namespace vel
