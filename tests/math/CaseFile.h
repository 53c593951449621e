// Math cases kept as data (tests/math/cases/<file>, see tests/CaseFile.h).
// A field is UTF-8 text converted to CP932, in which "\xNN" stands for the
// byte NN (control bytes, and "\x3B" for a ";" inside a field).
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "../CaseFile.h"
#include "base/Cp932.h"

namespace mathcases {

using Case = veltest::Case;

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

inline std::string unescape(const std::string& cp932) {
  std::string out;
  for (size_t i = 0; i < cp932.size(); ++i) {
    if (cp932[i] == '\\' && i + 3 < cp932.size() && cp932[i + 1] == 'x' && hexDigit(cp932[i + 2]) >= 0 &&
        hexDigit(cp932[i + 3]) >= 0) {
      out += static_cast<char>(hexDigit(cp932[i + 2]) * 16 + hexDigit(cp932[i + 3]));
      i += 3;
    } else {
      out += cp932[i];
    }
  }
  return out;
}

inline std::vector<Case> Read(const std::string& file) {
  return veltest::ReadCases("math", file, false, [](const std::string& f) { return unescape(vel::utf8ToCp932(f)); });
}

// CP932 text made readable: UTF-8 with control bytes as \xNN.
inline std::string Show(const std::string& cp932) { return vel::toLogUtf8(cp932); }

}  // namespace mathcases
