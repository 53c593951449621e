// UnderLine: rules, double rules, a wave or a repeated pattern below a box
// or below an underline span of running text.
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "base/Cp932.h"
#include "base/Units.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/boxes/LineStyle.h"
#include "layout/scopes/StateStacks.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

using namespace boxtext;

constexpr double kPi = 3.14159265358979323846;
constexpr long long kMaxWavePoints = 200000;

int clampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); }

struct Style {
  enum Form { Lines, Wave, Pattern } form = Lines;
  int first = 0;
  int second = -1;  // -1: a single line
  std::string pattern;
  // The pattern as measured.
  int pw = 0, ph = 0, pd = 0;
  std::string patternText;
};

void writeError(State& st) { st.message("** " + SJ("\\underlineコマンドの記述エラー")); }

Result<Extent> measureBox(State& st, const std::string& text, int level, bool draw, int y, int x, std::string* out) {
  SaveBoxVariables(st);
  Result<Extent> r = BoxWidthHeight(st, text, level, false, draw, y, x, out);
  RestoreBoxVariables(st);
  return r;
}

// A digit 0-5 and optionally a second one (two lines), "6" (a wave), or
// \pat{pattern}; an empty style is one solid line. The pattern is measured.
std::optional<Style> parseStyle(State& st, const std::string& styleText, int level) {
  Style s;
  const std::string t = Trim(styleText);
  if (t.empty()) return s;
  if (t == "6") {
    s.form = Style::Wave;
    return s;
  }
  if (t[0] == '\\') {
    NamedGroup g;
    if (!ReadNamedGroup(t, 0, g) || g.name != "pat" || SkipSpaces(t, g.end) != t.size()) return std::nullopt;
    s.form = Style::Pattern;
    s.pattern = g.content;
    const Result<Extent> p = measureBox(st, s.pattern, level, false, 0, 0, &s.patternText);
    if (!p) return std::nullopt;
    s.pw = p->width;
    s.ph = p->height;
    s.pd = p->depth;
    // Copies are laid side by side: a pattern without width has no place.
    if (s.pw <= 0) return std::nullopt;
    return s;
  }
  auto digit = [&](size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '5'; };
  if (!digit(0)) return std::nullopt;
  s.first = t[0] - '0';
  size_t i = 1;
  if (digit(1)) s.second = t[i++] - '0';
  if (i != t.size()) return std::nullopt;
  return s;
}

// Room the rule takes below the text (the capital form adds it to the depth).
long long extraDepth(const State& st, const Style& s) {
  const long long sep = st.chr.underlineSep, w = st.chr.ruleWidth;
  switch (s.form) {
    case Style::Wave: return static_cast<long long>(units::kPerMM) + sep;
    case Style::Pattern: return sep + s.ph + s.pd;
    default: return s.second >= 0 ? sep + st.chr.doubleLineSep + 2 * w : sep + w;
  }
}

// The rules of a box or span of width X whose text reaches Z below the
// baseline y. The ink starts at the separation line (y + Z + separation).
bool drawRules(State& st, const Style& s, int level, long long X, long long Z, int y, int x) {
  if (!st.canvas) return true;
  const double sepLine = static_cast<double>(y) + Z + st.chr.underlineSep;
  const double w = st.chr.ruleWidth;
  const Pen saved = st.canvas->pen();
  switch (s.form) {
    case Style::Lines: {
      st.canvas->setPen(Pen{DevicePenWidth(st, w), st.chr.ruleColor, PenStyle::Solid});
      const int x0 = DevicePoint(st, x), x1 = DevicePoint(st, static_cast<double>(x) + X);
      double ly = sepLine + w / 2;
      MyLine(st, {{x0, DevicePoint(st, ly)}, {x1, DevicePoint(st, ly)}}, false, s.first);
      if (s.second >= 0) {
        ly += w + st.chr.doubleLineSep;
        MyLine(st, {{x0, DevicePoint(st, ly)}, {x1, DevicePoint(st, ly)}}, false, s.second);
      }
      break;
    }
    case Style::Wave: {
      const double pen = 0.9 * w;
      st.canvas->setPen(Pen{DevicePenWidth(st, pen), st.chr.ruleColor, PenStyle::Solid});
      const double half = 0.5 * units::kPerMM, amp = half - pen / 2;
      double step = 0.1 * units::kPerMM;
      if (X / step > kMaxWavePoints) step = static_cast<double>(X) / kMaxWavePoints;
      std::vector<Point> pts;
      for (double dx = 0;; dx += step) {
        const bool last = dx >= X;
        const double at = last ? static_cast<double>(X) : dx;
        pts.push_back({DevicePoint(st, x + at), DevicePoint(st, sepLine + half - amp * std::sin(kPi * at / units::kPerMM))});
        if (last) break;
      }
      MyLine(st, pts, false, 0);
      break;
    }
    case Style::Pattern: {
      const long long baseline = static_cast<long long>(sepLine) + s.ph;
      for (long long off : SpreadCopies(X, s.pw))
        if (!measureBox(st, s.patternText, level, true, clampInt(baseline), clampInt(x + off), nullptr).ok()) {
          st.canvas->setPen(saved);
          return false;  // the copies ran out of walks
        }
      break;
    }
  }
  st.canvas->setPen(saved);
  return true;
}

}  // namespace

Result<Extent> UnderlineSpan(State& st, const std::string& style, int kind, const Extent& words, bool draw, int y,
                             int x) {
  BoxLevel level(st);
  if (!level.ok()) return LayoutCode::InvalidArgument;
  std::optional<Style> s = parseStyle(st, style, 2);
  if (!s) {
    writeError(st);
    return LayoutCode::InvalidArgument;
  }
  if (draw && !drawRules(st, *s, 2, words.width, words.depth, y, x)) return LayoutCode::InvalidArgument;
  return Extent{words.width, words.height, clampInt(words.depth + (kind == 1 ? extraDepth(st, *s) : 0))};
}

Result<Extent> UnderLine(State& st, const std::string& text, int styleLevel, int kind, bool draw, int y, int x,
                         std::string* rewritten) {
  BoxLevel level(st);
  if (!level.ok()) return LayoutCode::InvalidArgument;

  const size_t at = SkipSpaces(text, 0);
  NamedGroup g;
  std::string styleText;
  size_t contentStart = 0;
  if (ReadNamedGroup(text, at, g) && g.name == "style") {
    styleText = g.content;
    contentStart = g.end;
  } else if (g.unclosed && g.name == "style") {
    writeError(st);
    return LayoutCode::InvalidArgument;
  }
  std::optional<Style> s = parseStyle(st, styleText, styleLevel);
  if (!s) {
    writeError(st);
    return LayoutCode::InvalidArgument;
  }
  std::string content;
  const Result<Extent> box = measureBox(st, text.substr(contentStart), styleLevel, draw, y, x, &content);
  if (!box) {
    writeError(st);
    return LayoutCode::InvalidArgument;
  }
  if (rewritten) *rewritten = text.substr(0, contentStart) + content;
  if (draw && !drawRules(st, *s, styleLevel, box->width, box->depth, y, x)) return LayoutCode::InvalidArgument;
  return Extent{box->width, box->height, clampInt(box->depth + (kind == 1 ? extraDepth(st, *s) : 0))};
}

int UnderlineExtraDepth(State& st, const std::string& style) {
  std::optional<Style> s = parseStyle(st, style, 2);
  return s ? clampInt(extraDepth(st, *s)) : 0;
}

}  // namespace vel
