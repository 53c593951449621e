// Test cases kept as data: one case a line in tests/math/cases/<file>,
// fields separated by ";", "#" lines and blank lines skipped. A field is
// UTF-8 text converted to CP932, in which "\xNN" stands for the byte NN
// (control bytes, and "\x3B" for a ";" inside a field).
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"

namespace mathcases {

struct Case {
  int line = 0;  // in the file, for failure messages
  std::vector<std::string> fields;
  std::string where() const { return "line " + std::to_string(line); }
};

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
  const std::string text = veltest::readFile(veltest::sourceDir() + "/tests/math/cases/" + file);
  EXPECT_FALSE(text.empty()) << "no cases in " << file;
  std::vector<Case> cases;
  int n = 0;
  for (const std::string& raw : veltest::splitLines(text)) {
    ++n;
    if (raw.empty() || raw[0] == '#') continue;
    Case c;
    c.line = n;
    size_t start = 0;
    for (;;) {
      const size_t semi = raw.find(';', start);
      c.fields.push_back(unescape(vel::utf8ToCp932(raw.substr(start, semi - start))));
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

// CP932 text made readable: UTF-8 with control bytes as \xNN.
inline std::string Show(const std::string& cp932) { return vel::toLogUtf8(cp932); }

}  // namespace mathcases
