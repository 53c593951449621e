// Colours: "#rrggbb", the font and rule colours and their complements,
// the sixteen names; anything else is white.
#include <string>

#include "frontend/Calc.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

Color Complement(Color c) { return rgb(255 - redOf(c), 255 - greenOf(c), 255 - blueOf(c)); }

struct NamedColor {
  std::string_view name;
  Color color;
};

const NamedColor kNamed[] = {
    {"aqua", rgb(0, 255, 255)},    {"black", rgb(0, 0, 0)},        {"blue", rgb(0, 0, 255)},
    {"fuchsia", rgb(255, 0, 255)}, {"gray", rgb(128, 128, 128)},   {"green", rgb(0, 128, 0)},
    {"lime", rgb(0, 255, 0)},      {"maroon", rgb(128, 0, 0)},     {"navy", rgb(0, 0, 128)},
    {"olive", rgb(128, 128, 0)},   {"purple", rgb(128, 0, 128)},   {"red", rgb(255, 0, 0)},
    {"silver", rgb(192, 192, 192)}, {"teal", rgb(0, 128, 128)},    {"yellow", rgb(255, 255, 0)},
};

}  // namespace

Color HexToInt(std::string_view digits) {
  if (digits.size() < 6) return 0;
  int v[6];
  for (size_t i = 0; i < 6; ++i) {
    char c = digits[i];
    if (c >= '0' && c <= '9') v[i] = c - '0';
    else if (c >= 'a' && c <= 'f') v[i] = c - 'a' + 10;
    else return 0;
  }
  return rgb(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

Color GetColor(State& st, std::string_view text) {
  std::string t = Trim(text);
  for (char& c : t)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (!t.empty() && (t[0] == '#' || t[0] == '%')) return HexToInt(std::string_view(t).substr(1));
  if (t == "\\fontcolor") return st.chr.font.color;
  if (t == "\\cfontcolor") return Complement(st.chr.font.color);
  if (t == "\\rulecolor") return st.chr.ruleColor;
  if (t == "\\crulecolor") return Complement(st.chr.ruleColor);
  for (const NamedColor& n : kNamed)
    if (t == n.name) return n.color;
  return kWhite;
}

}  // namespace vel
