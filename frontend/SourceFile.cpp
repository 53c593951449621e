#include "frontend/SourceFile.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "base/Cp932.h"

namespace vel {

namespace {

// The rows of everyday Japanese text: the symbols, full-width letters
// and digits, kana, Greek and Cyrillic, rules, the NEC specials and the
// first level of kanji (lead bytes up to 0x98 hold nothing else). UTF-8
// read as CP932 gives lead bytes of 0xE0 and above instead.
constexpr uint16_t kEverydayRowsEnd = 0x9873;

// The CP932 reading of the bytes: false when some character has no
// Unicode form; `plausible` when every non-ASCII character is a half-width
// katakana or lies in the everyday rows.
bool ReadsAsCp932(std::string_view s, bool& plausible) {
  plausible = true;
  for (size_t i = 0; i < s.size();) {
    size_t len;
    const uint16_t code = charCodeAt(s, i, &len);
    i += len;
    if (code < 0x80) continue;
    if (cp932ToUnicode(code) == 0) return false;
    const bool halfWidthKana = code >= 0xA1 && code <= 0xDF;
    if (!halfWidthKana && (len == 1 || code >= kEverydayRowsEnd)) plausible = false;
  }
  return true;
}

}  // namespace

bool ReadsAsUtf8(std::string_view bytes) {
  if (!looksLikeUtf8(bytes)) return false;
  bool plausible = false;
  if (!ReadsAsCp932(bytes, plausible)) return true;
  size_t unmappable = 0;
  (void)utf8ToCp932(bytes, &unmappable);
  return unmappable == 0 && !plausible;
}

void SplitSourceText(std::string bytes, Lines& out, size_t* unmappable) {
  out.clear();
  if (unmappable) *unmappable = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    bytes.erase(0, 3);
    bytes = utf8ToCp932(bytes, unmappable);
  } else if (ReadsAsUtf8(bytes)) {
    bytes = utf8ToCp932(bytes, unmappable);
  }
  // CR, LF and CRLF end a line (old Macintosh files use CR alone). Neither
  // byte can be the trail byte of a double-byte character.
  std::string cur;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      out.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(std::move(cur));
}

LoadResult LoadSourceFile(const std::string& path, Lines& out, size_t* unmappable) {
  struct stat sb;
  if (::stat(path.c_str(), &sb) != 0) return LoadResult::Missing;
  if (!S_ISREG(sb.st_mode)) return LoadResult::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadResult::Unreadable;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SplitSourceText(std::move(bytes), out, unmappable);
  return LoadResult::Ok;
}

void WriteReplacedWarning(State& st, const std::string& name, size_t count) {
  st.message("** " + name + SJ(" の ") + std::to_string(count) + SJ(" 文字はシフトJISにないため〓に置き換えました。"));
}

}  // namespace vel
