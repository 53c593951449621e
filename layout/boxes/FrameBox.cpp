// FrameBox: a box inside a line frame (solid or patterned, rounded corners,
// double lines) or inside border patterns repeated along its sides.
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "base/Cp932.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/boxes/LineStyle.h"
#include "layout/scopes/StateStacks.h"
#include "frontend/Lexical.h"
#include "state/Reports.h"

namespace vel {

namespace {

using namespace boxtext;

constexpr double kPi = 3.14159265358979323846;

int clampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); }

struct Measured {
  int width = 0, height = 0, depth = 0;
  std::string text;  // as the walk left it
};

// A box with the box state saved around it; drawn at (x, y) when asked.
bool measureBox(State& st, const std::string& text, int level, bool draw, int y, int x, Measured& m) {
  SaveBoxVariables(st);
  const Result<Extent> r = BoxWidthHeight(st, text, level, false, draw, y, x, &m.text);
  RestoreBoxVariables(st);
  if (!r) return false;
  m.width = r->width;
  m.height = r->height;
  m.depth = r->depth;
  return true;
}

// "r" (rounded), then the line style digit and an optional second one
// (a double frame), each 0-5.
struct LineFrameStyle {
  bool rounded = false;
  int first = 0;
  int second = -1;  // -1: a single frame
};

std::optional<LineFrameStyle> parseLineStyle(const std::string& styleText) {
  std::string t = Trim(styleText);
  LineFrameStyle f;
  size_t i = 0;
  if (i < t.size() && t[i] == 'r') {
    f.rounded = true;
    ++i;
  }
  auto digit = [&](size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '5'; };
  if (!digit(i)) return std::nullopt;
  f.first = t[i++] - '0';
  if (digit(i)) f.second = t[i++] - '0';
  if (i != t.size()) return std::nullopt;
  return f;
}

void setRulePen(State& st) {
  st.canvas->setPen(Pen{DevicePenWidth(st, st.chr.ruleWidth), st.chr.ruleColor, PenStyle::Solid});
}

// The closed path of a frame line whose centre runs `out` outside the
// content box [l, r] x [t, b]; rounded with radius `radius` (0: square).
std::vector<Point> framePath(const State& st, double l, double t, double r, double b, double out, double radius) {
  l -= out, t -= out, r += out, b += out;
  if (radius <= 0) {
    return {{DevicePoint(st, l), DevicePoint(st, t)},
            {DevicePoint(st, r), DevicePoint(st, t)},
            {DevicePoint(st, r), DevicePoint(st, b)},
            {DevicePoint(st, l), DevicePoint(st, b)}};
  }
  // Four quarter circles of 50 chords each, joined by the straight sides:
  // 204 points, 204 segments when closed.
  struct Corner {
    double cx, cy, from;
  };
  const Corner corners[] = {{l + radius, t + radius, kPi},
                            {r - radius, t + radius, 1.5 * kPi},
                            {r - radius, b - radius, 0},
                            {l + radius, b - radius, 0.5 * kPi}};
  std::vector<Point> pts;
  pts.reserve(204);
  for (const Corner& c : corners) {
    for (int k = 0; k <= 50; ++k) {
      double a = c.from + k * kPi / 100;
      pts.push_back({DevicePoint(st, c.cx + radius * std::cos(a)), DevicePoint(st, c.cy + radius * std::sin(a))});
    }
  }
  return pts;
}

Result<Extent> lineFrame(State& st, const std::string& text, const LineFrameStyle& fs, size_t contentStart, int level,
              bool draw, int y, int x, std::string* rewritten) {
  const double w = st.chr.ruleWidth, s = st.chr.frameBoxSep, d = st.chr.doubleLineSep;
  const bool dbl = fs.second >= 0;
  const int e = static_cast<int>(dbl ? 2 * w + s + d : w + s);
  Measured c;
  if (!measureBox(st, text.substr(contentStart), level, draw, y, clampInt(static_cast<long long>(x) + e), c)) {
    st.message("** " + SJ("\\frameboxコマンドの記述エラー(") + ShownText(st, text) + ")");
    return LayoutCode::InvalidArgument;
  }
  if (rewritten) *rewritten = text.substr(0, contentStart) + c.text;
  const Extent frame{clampInt(static_cast<long long>(c.width) + 2LL * e),
                     clampInt(static_cast<long long>(c.height) + e), clampInt(static_cast<long long>(c.depth) + e)};
  if (!draw || !st.canvas) return frame;

  const double l = static_cast<double>(x) + e, r = l + c.width;
  const double t = static_cast<double>(y) - c.height, b = static_cast<double>(y) + c.depth;
  const Pen saved = st.canvas->pen();
  setRulePen(st);
  if (fs.rounded) {
    const double m = std::min<double>(c.width, static_cast<double>(c.height) + c.depth);
    const double radius = std::max(0.0, std::min(m / 2 + s, (3 + std::sqrt(2.0)) / 2 * s) + w / 2);
    const int style = dbl ? fs.second : fs.first;
    MyLine(st, framePath(st, l, t, r, b, s + w / 2, radius), true, style);
    if (dbl) MyLine(st, framePath(st, l, t, r, b, s + w / 2 + d, radius + d), true, style);
  } else if (dbl) {
    MyLine(st, framePath(st, l, t, r, b, s + w / 2, 0), true, fs.second);
    MyLine(st, framePath(st, l, t, r, b, s + d + 1.5 * w, 0), true, fs.first);
  } else {
    MyLine(st, framePath(st, l, t, r, b, s + w / 2, 0), true, fs.first);
  }
  st.canvas->setPen(saved);
  return frame;
}

// ---------------------------------------------------------------- patterns

struct PatternEntry {
  std::string name;  // left, right, top, bottom, tate, yoko
  std::string text;
  bool measured = false;
  Measured m;
};

enum Side { kLeft, kRight, kTop, kBottom };

LayoutCode patternError(State& st) {
  st.message("** " + SJ("\\frameboxコマンドの記述エラー"));
  return LayoutCode::InvalidArgument;
}

Result<Extent> patternFrame(State& st, const std::string& text, const std::string& styleText, size_t styleGroupEnd,
                 size_t contentStart, int level, bool draw, int y, int x, std::string* rewritten) {
  // The patterns, in any order, up to the first thing that is not one.
  std::vector<PatternEntry> entries;
  size_t pos = 0, rest = 0;
  for (;;) {
    pos = SkipSpaces(styleText, pos);
    NamedGroup g;
    bool ok = ReadNamedGroup(styleText, pos, g);
    bool known = g.name == "left" || g.name == "right" || g.name == "top" || g.name == "bottom" ||
                 g.name == "tate" || g.name == "yoko";
    if (!known) break;
    if (!ok) return patternError(st);  // its group is not closed
    entries.push_back({g.name, g.content, false, {}});
    pos = g.end;
  }
  rest = pos;

  int side[4] = {-1, -1, -1, -1};
  for (int k = 0; k < static_cast<int>(entries.size()); ++k) {
    const std::string& n = entries[static_cast<size_t>(k)].name;
    if (entries[static_cast<size_t>(k)].text.empty()) continue;
    if (n == "left" || n == "tate") side[kLeft] = k;
    if (n == "right" || n == "tate") side[kRight] = k;
    if (n == "top" || n == "yoko") side[kTop] = k;
    if (n == "bottom" || n == "yoko") side[kBottom] = k;
  }
  for (int sd = 0; sd < 4; ++sd) {
    if (side[sd] < 0) continue;
    PatternEntry& p = entries[static_cast<size_t>(side[sd])];
    if (!p.measured) {
      if (!measureBox(st, p.text, level, false, 0, 0, p.m)) return patternError(st);
      p.measured = true;
    }
    // A pattern without extent along its side cannot be repeated along it.
    long long extent = (sd == kLeft || sd == kRight) ? static_cast<long long>(p.m.height) + p.m.depth : p.m.width;
    if (extent <= 0) return patternError(st);
  }
  auto pat = [&](int sd) -> const Measured* {
    return side[sd] < 0 ? nullptr : &entries[static_cast<size_t>(side[sd])].m;
  };
  const long long s = st.chr.frameBoxSep;
  const Measured *L = pat(kLeft), *R = pat(kRight), *T = pat(kTop), *B = pat(kBottom);
  const long long lw = L ? L->width + s : 0, rw = R ? R->width + s : 0;
  const long long th = T ? s + T->height + T->depth : 0, bh = B ? s + B->height + B->depth : 0;
  const long long cx = static_cast<long long>(x) + lw;

  Measured c;
  if (!measureBox(st, text.substr(contentStart), level, draw, y, clampInt(cx), c)) {
    st.message("** " + SJ("\\frameboxコマンドの記述エラー(") + ShownText(st, text) + ")");
    return LayoutCode::InvalidArgument;
  }
  if (rewritten) {
    std::string style;
    for (const PatternEntry& p : entries) style += "\\" + p.name + "{" + (p.measured ? p.m.text : p.text) + "}";
    style += styleText.substr(rest);
    *rewritten = text.substr(0, styleGroupEnd) + "\\style{" + style + "}" + c.text;
  }
  const Extent frame{clampInt(c.width + lw + rw), clampInt(c.height + th), clampInt(c.depth + bh)};
  if (!draw) return frame;

  bool drawn = true;
  auto copy = [&](const PatternEntry& p, long long baseline, long long px) {
    Measured ignored;
    if (drawn) drawn = measureBox(st, p.m.text, level, true, clampInt(baseline), clampInt(px), ignored);
  };
  const long long X = c.width, Y = c.height, Z = c.depth;
  if (T || B) {
    const long long len = X + lw + rw;
    for (int sd : {kTop, kBottom}) {
      const Measured* m = pat(sd);
      if (!m) continue;
      const long long baseline = sd == kTop ? y - Y - s - m->depth : y + Z + s + m->height;
      for (long long off : SpreadCopies(len, m->width)) copy(entries[static_cast<size_t>(side[sd])], baseline, x + off);
    }
  }
  if (L || R) {
    const long long len = Y + Z + (T ? s : 0) + (B ? s : 0);
    const long long top = y - Y - (T ? s : 0);
    for (int sd : {kLeft, kRight}) {
      const Measured* m = pat(sd);
      if (!m) continue;
      const long long px = sd == kLeft ? x : cx + X + s;
      for (long long off : SpreadCopies(len, static_cast<long long>(m->height) + m->depth))
        copy(entries[static_cast<size_t>(side[sd])], top + off + m->height, px);
    }
  }
  if (!drawn) return LayoutCode::InvalidArgument;  // the copies ran out of walks
  return frame;
}

}  // namespace

Result<Extent> FrameBox(State& st, const std::string& text, int styleLevel, bool draw, int y, int x,
                        std::string* rewritten) {
  BoxLevel level(st);
  if (!level.ok()) return LayoutCode::InvalidArgument;
  const size_t at = SkipSpaces(text, 0);
  NamedGroup g;
  bool hasStyle = ReadNamedGroup(text, at, g) && g.name == "style";
  if (!hasStyle && g.unclosed && g.name == "style") {
    st.message("** " + SJ("\\frameboxコマンドの記述エラー(") + ShownText(st, text) + ")");
    return LayoutCode::InvalidArgument;
  }
  if (hasStyle && SkipSpaces(g.content, 0) < g.content.size() && g.content[SkipSpaces(g.content, 0)] == '\\')
    return patternFrame(st, text, g.content, at, g.end, styleLevel, draw, y, x, rewritten);
  std::optional<LineFrameStyle> fs = hasStyle ? parseLineStyle(g.content) : LineFrameStyle{};
  if (!fs) {
    st.message("** " + SJ("\\styleのエラー"));
    return LayoutCode::InvalidArgument;
  }
  return lineFrame(st, text, *fs, hasStyle ? g.end : 0, styleLevel, draw, y, x, rewritten);
}

}  // namespace vel
