// Table cases kept as data: one case a line in tests/tables/cases/<file>,
// fields separated by ";", "#" lines and blank lines skipped; each field
// UTF-8, converted to CP932. "{n*TEXT}" in a field stands for TEXT
// repeated n times (tables of many rows).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"

namespace tablecases {

struct Case {
  int line = 0;
  std::vector<std::string> fields;  // CP932
  std::string where() const { return "line " + std::to_string(line); }
};

inline std::string expand(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const size_t star = s.find('*', i);
    if (s[i] == '{' && star != std::string::npos && star > i + 1 &&
        s.find_first_not_of("0123456789", i + 1) == star) {
      const size_t close = s.find('}', star);
      if (close != std::string::npos) {
        const int n = std::stoi(s.substr(i + 1, star - i - 1));
        for (int k = 0; k < n; ++k) out += s.substr(star + 1, close - star - 1);
        i = close + 1;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

inline std::vector<Case> Read(const std::string& file) {
  const std::string text = veltest::readFile(veltest::sourceDir() + "/tests/tables/cases/" + file);
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
      c.fields.push_back(vel::utf8ToCp932(expand(raw.substr(start, semi - start))));
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

}  // namespace tablecases
