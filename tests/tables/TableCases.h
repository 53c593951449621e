// Table cases kept as data (tests/tables/cases/<file>, see CaseFile.h);
// each field UTF-8, converted to CP932. "{n*TEXT}" in a field stands for TEXT
// repeated n times (tables of many rows).
#pragma once

#include <string>
#include <vector>

#include "CaseFile.h"
#include "base/Cp932.h"

namespace tablecases {

using Case = veltest::Case;

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
  return veltest::ReadCases("tables", file, false, [](const std::string& f) { return vel::utf8ToCp932(expand(f)); });
}

}  // namespace tablecases
