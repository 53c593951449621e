// Test cases kept as data: one case a line in tests/<folder>/cases/<file>,
// fields separated by ";", "#" lines and blank lines skipped. Each runner
// says how a field's UTF-8 text becomes what it compares (CP932, with its
// own escapes). With `escapedSemicolon`, "\;" is a semicolon inside a field
// (formulas use "\;" as a command, so theirs is off).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace veltest {

struct Case {
  int line = 0;  // in the file, for failure messages
  std::vector<std::string> fields;
  std::string where() const { return "line " + std::to_string(line); }
};

inline std::vector<Case> ReadCases(const std::string& folder, const std::string& file, bool escapedSemicolon,
                                   const std::function<std::string(const std::string&)>& field) {
  const std::string text = readFile(sourceDir() + "/tests/" + folder + "/cases/" + file);
  EXPECT_FALSE(text.empty()) << "no cases in " << file;
  std::vector<Case> cases;
  int n = 0;
  for (const std::string& raw : splitLines(text)) {
    ++n;
    if (raw.empty() || raw[0] == '#') continue;
    Case c;
    c.line = n;
    std::string carried;
    size_t start = 0;
    for (;;) {
      const size_t semi = raw.find(';', start);
      std::string piece = raw.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
      if (escapedSemicolon && semi != std::string::npos && !piece.empty() && piece.back() == '\\') {
        piece.back() = ';';
        carried += piece;
      } else {
        c.fields.push_back(field(carried + piece));
        carried.clear();
      }
      if (semi == std::string::npos) break;
      start = semi + 1;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

}  // namespace veltest
