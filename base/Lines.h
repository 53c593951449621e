// Source text as the engine holds it: lines of CP932 bytes and positions
// in them (0-based line, 1-based byte column).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vel {

using Lines = std::vector<std::string>;

struct TextPos {
  int line = 0;
  int col = 0;  // 1-based
  bool operator==(const TextPos&) const = default;
};

// "No position" in a single string (0-based byte indexes).
constexpr size_t npos = std::string_view::npos;

}  // namespace vel
