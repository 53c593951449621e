// CP932 (Japanese Windows code page) text helpers. Engine text is CP932 bytes
// held in std::string; these helpers classify bytes and convert to and from
// Unicode through glibc iconv "CP932" (never "SHIFT_JIS", which maps 0x5C to
// the yen sign and rejects the NEC rows).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vel {

// Lead byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
// 0xA1-0xDF are single-byte katakana.
inline bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool isLead(char c) { return isLead(static_cast<unsigned char>(c)); }

inline bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The code of the character at s[i]: one byte, or lead<<8|trail for a
// double-byte character (a lead byte at the very end counts as one byte).
inline uint16_t charCodeAt(std::string_view s, size_t i, size_t* len = nullptr) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (isLead(c) && i + 1 < s.size()) {
    if (len) *len = 2;
    return static_cast<uint16_t>((c << 8) | static_cast<unsigned char>(s[i + 1]));
  }
  if (len) *len = 1;
  return c;
}

// Unicode of one CP932 character code (single byte or lead<<8|trail);
// 0 when the code has no character.
char32_t cp932ToUnicode(uint16_t code);
// CP932 code of a Unicode character; 0 when it has none.
uint16_t unicodeToCp932(char32_t u);

// Whole-string conversions. Unmappable input becomes U+FFFD / "〓".
std::string cp932ToUtf8(std::string_view s);
std::string utf8ToCp932(std::string_view s, size_t* unmappable = nullptr);
std::u32string cp932ToU32(std::string_view s);

// UTF-8 for logs and dumps: control bytes (below 0x20 and 0x7F) and bytes
// that form no character are written as \xNN.
std::string toLogUtf8(std::string_view s);

// True when s holds at least one non-ASCII byte and is valid UTF-8.
bool looksLikeUtf8(std::string_view s);

// Number of characters, a double-byte character counting one.
size_t charCount(std::string_view s);

// A UTF-8 literal converted to CP932 once per call site.
#define SJ(lit)                                                              \
  ([]() -> const std::string& {                                              \
    static const std::string converted_ = ::vel::utf8ToCp932(lit);           \
    return converted_;                                                       \
  }())

}  // namespace vel
