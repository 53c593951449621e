#include "math/MathStructures.h"

#include <cmath>
#include <cstdlib>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "math/MathFonts.h"
#include "math/MathSigns.h"
#include "math/ReformMath.h"

namespace vel {

namespace {

// The braced groups of a segment's text, without their braces.
std::vector<std::string_view> Groups(std::string_view t) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < t.size();) {
    if (t[i] != '{') {
      ++i;
      continue;
    }
    int depth = 0;
    size_t j = i;
    for (; j < t.size(); ++j) {
      if (isLead(t[j]) && j + 1 < t.size()) {
        ++j;
        continue;
      }
      if (t[j] == '\\' && j + 1 < t.size()) {
        ++j;
        continue;
      }
      if (t[j] == '{') ++depth;
      else if (t[j] == '}' && --depth == 0) break;
    }
    if (j >= t.size()) break;
    out.push_back(t.substr(i + 1, j - i - 1));
    i = j + 1;
  }
  return out;
}

int ScriptLevel(int level) { return level <= 2 ? 3 : std::min(level + 1, 5); }
int FractionLevel(int level) { return level <= 1 ? 2 : ScriptLevel(level); }

class Structure {
 public:
  Structure(State& st, MathPen& pen) : st_(st), pen_(pen), E_(pen.E) {}

  MathBox set(const MathSegment& s) {
    const int level = s.level;
    const std::vector<std::string_view> g = Groups(s.text);
    auto need = [&](size_t n) { return g.size() >= n; };
    switch (s.kind) {
      case 3:  // uplow: nucleus, superscript, subscript
        if (!need(3)) return fail();
        return scripts(g[0], g[1], g[2], level);
      case 6:  // over: base, limit above
      case 7:  // under: base, limit below
      case 21:
      case 22:
        if (!need(2)) return fail();
        return limits(g[0], g[1], level, s.kind == 6 || s.kind == 21);
      case 2:
        if (!need(2)) return fail();
        return fraction(g[0], g[1], level);
      case 1: return root({}, s.text, level);
      case 25:
        if (!need(2)) return fail();
        return root(g[0], g[1], level);
      case 4: return delimited(s.text, level);
      case 5:
      case 23:
      case 38:
      case 41: return matrix(g, level);
      case 8: return upright(s.text);
      case 16:
      case 17:
      case 18: {
        MathBox b = part(s.text, level);
        if (s.kind == 17) b.height = b.depth = 0;
        if (s.kind == 18) b.width = 0;
        return b;
      }
      case 20: {
        const int h = std::atoi(s.text.c_str());
        return {0, h / 2, h - h / 2};
      }
      case 28:
      case 29:
      case 42: return WriteCLdots(st_, pen_, s.kind, std::atof(s.text.c_str()));
      case 30:
      case 31:
      case 32:
      case 33: return WriteCLdots(st_, pen_, s.kind, UnitToPix(st_, s.text));
      case 34:
      case 35:
      case 36:
      case 37: return {};
      case 12:
      case 13:
      case 40: {
        // A bar over, or a rule under, the base.
        std::string_view body = s.text;
        if (s.kind != 12) body = Dollars(body);
        MathBox b = placed(body, level, 0, 0);
        if (s.kind == 12) {
          rule(0, -(b.height + 0.1 * E_), b.width);
          b.height += static_cast<int>(0.15 * E_);
        } else {
          rule(0, b.depth + 0.1 * E_, b.width);
          b.depth += static_cast<int>(0.15 * E_);
        }
        return b;
      }
      case 14: return placed(Dollars(s.text), level, 0, 0);
      default: return placed(s.text, level, 0, 0);  // accents, tables, stored formulas: their base
    }
  }

 private:
  // "$...$" (after an optional \style group) of the underline family.
  static std::string_view Dollars(std::string_view t) {
    const size_t a = t.find('$');
    const size_t b = t.rfind('$');
    if (a == std::string_view::npos || b <= a) return t;
    return t.substr(a + 1, b - a - 1);
  }

  MathBox fail() {
    failed_ = true;
    return {-1, 0, 0};
  }

  // A part measured; what it counts is counted when it is drawn.
  MathBox part(std::string_view text, int level) {
    const auto counters = st_.val.counters;
    const MathBox b = MathWidthHeight(st_, text, level, false, 0, 0);
    if (pen_.draw) st_.val.counters = counters;
    if (b.width < 0) failed_ = true;
    return b;
  }

  // Draws a measured part with its axis dy below the pen's and its left
  // edge dx right of the pen.
  void draw(std::string_view text, int level, const MathBox& b, double dx, double dy) {
    if (!pen_.draw || failed_) return;
    const int penX = st_.draw.linePenX;
    (void)MathWidthHeight(st_, text, level, true, pen_.axis + dy - b.height, pen_.x + dx);
    st_.draw.linePenX = penX;
  }

  MathBox placed(std::string_view text, int level, double dx, double dy) {
    const MathBox b = part(text, level);
    draw(text, level, b, dx, dy);
    return failed_ ? MathBox{-1, 0, 0} : b;
  }

  void rule(double dx, double dy, double w) {
    if (!pen_.draw || !st_.canvas || w <= 0) return;
    const Pen saved = st_.canvas->pen();
    const double b = st_.chr.boldMath ? 1.6 : 1.0;
    st_.canvas->setPen(Pen{std::max(1, static_cast<int>(SignPenWidth(st_, pen_, 1.0) * b)), st_.chr.font.color,
                           PenStyle::Solid});
    const double S = st_.draw.scale;
    auto dev = [&](double v) { return static_cast<int>(std::trunc(v * S + 0.5)); };
    st_.canvas->polyline({{dev(pen_.x + dx), dev(pen_.axis + dy)}, {dev(pen_.x + dx + w), dev(pen_.axis + dy)}});
    st_.canvas->setPen(saved);
  }

  MathBox scripts(std::string_view nucleus, std::string_view up, std::string_view down, int level) {
    const MathBox n = part(nucleus, level);
    const int sl = ScriptLevel(level);
    const bool hasUp = !up.empty(), hasDown = !down.empty();
    const MathBox u = hasUp ? part(up, sl) : MathBox{}, d = hasDown ? part(down, sl) : MathBox{};
    if (failed_) return {-1, 0, 0};
    const double rise = std::max<double>(0.45 * E_, n.height - 0.5 * u.height);
    const double drop = std::max<double>(0.35 * E_, n.depth - 0.5 * d.depth);
    draw(nucleus, level, n, 0, 0);
    if (hasUp) draw(up, sl, u, n.width, -rise);
    if (hasDown) draw(down, sl, d, n.width, drop);
    MathBox box{n.width + std::max(u.width, d.width), n.height, n.depth};
    if (hasUp) box.height = std::max(box.height, static_cast<int>(rise + u.height));
    if (hasDown) box.depth = std::max(box.depth, static_cast<int>(drop + d.depth));
    return box;
  }

  MathBox limits(std::string_view base, std::string_view limit, int level, bool above) {
    while (!base.empty() && (base[0] == inband::kLimitMarkerLim || base[0] == inband::kLimitMarkerSup))
      base.remove_prefix(1);
    const int sl = ScriptLevel(level);
    const MathBox b = part(base, level), l = part(limit, sl);
    if (failed_) return {-1, 0, 0};
    const int w = std::max(b.width, l.width);
    const double gap = 0.15 * E_;
    draw(base, level, b, (w - b.width) / 2.0, 0);
    if (limit.empty()) return {w, b.height, b.depth};
    const double dy = above ? -(b.height + gap + l.depth) : b.depth + gap + l.height;
    draw(limit, sl, l, (w - l.width) / 2.0, dy);
    MathBox box{w, b.height, b.depth};
    if (above) box.height = static_cast<int>(b.height + gap + l.depth + l.height);
    else box.depth = static_cast<int>(b.depth + gap + l.height + l.depth);
    return box;
  }

  MathBox fraction(std::string_view num, std::string_view den, int level) {
    const int fl = FractionLevel(level);
    const MathBox n = part(num, fl), d = part(den, fl);
    if (failed_) return {-1, 0, 0};
    const double pad = MathSpace(st_, pen_, MathSpaceUnit::S1), gap = 0.15 * E_;
    const int w = static_cast<int>(std::max(n.width, d.width) + 2 * pad);
    draw(num, fl, n, (w - n.width) / 2.0, -(gap + n.depth));
    draw(den, fl, d, (w - d.width) / 2.0, gap + d.height);
    rule(0, 0, w);
    return {w, static_cast<int>(gap + n.depth + n.height), static_cast<int>(gap + d.height + d.depth)};
  }

  MathBox root(std::string_view index, std::string_view body, int level) {
    const MathBox c = part(body, level);
    const MathBox ix = index.empty() ? MathBox{} : part(index, 5);
    if (failed_) return {-1, 0, 0};
    // The radical hangs from its baseline, which stands on the bar.
    SetMathFont(st_, MathFontKind::Symbol, level, false);
    const std::string radical(1, static_cast<char>(MathGlyphPosition(0x70)));
    const int rw = st_.canvas ? st_.canvas->textWidth(st_.chr.font, radical) : 0;
    const double ascent = st_.canvas ? st_.canvas->metrics(st_.chr.font).ascent : 0;
    const double top = c.height + 0.2 * E_;
    const int iw = index.empty() ? 0 : std::max(0, ix.width - rw / 2);
    if (pen_.draw) InclineTextOut(st_, pen_.x + iw, pen_.axis, radical, -top - ascent, 0);
    if (!index.empty()) draw(index, 5, ix, 0, -(top * 0.5 + ix.depth));
    draw(body, level, c, iw + rw, 0);
    rule(iw + rw, -top, c.width);
    int height = static_cast<int>(top + 0.1 * E_);
    if (!index.empty()) height = std::max(height, static_cast<int>(top * 0.5 + ix.depth + ix.height));
    return {iw + rw + c.width, height, std::max(c.depth, static_cast<int>(0.3 * E_))};
  }

  MathBox delimited(std::string_view t, int level) {
    if (t.size() < 2) return fail();
    const char open = t.front(), close = t.back();
    const std::string_view content = t.substr(1, t.size() - 2);
    const MathBox c = part(content, level);
    if (failed_) return {-1, 0, 0};
    MathBox box{0, c.height, c.depth};
    auto delimiter = [&](char d, double dx) {
      if (d == '.') return 0;
      MathPen p = pen_;
      p.x += dx;
      BeginMathSegment(st_, p, level);
      const char code = d == '{' ? inband::kOpenBrace : d == '}' ? inband::kCloseBrace : d;
      const MathBox db = SetMathChar(st_, p, code);
      box.height = std::max(box.height, db.height);
      box.depth = std::max(box.depth, db.depth);
      return db.width;
    };
    const int wl = delimiter(open, 0);
    draw(content, level, c, wl, 0);
    const int wr = delimiter(close, wl + c.width);
    box.width = wl + c.width + wr;
    return box;
  }

  MathBox matrix(const std::vector<std::string_view>& g, int level) {
    if (g.size() < 2) return fail();
    const int rows = std::atoi(std::string(g[0]).c_str()), cols = std::atoi(std::string(g[1]).c_str());
    if (rows <= 0 || cols <= 0 || g.size() != static_cast<size_t>(2 + rows * cols)) return fail();
    std::vector<MathBox> cells;
    for (int k = 0; k < rows * cols; ++k) cells.push_back(part(g[static_cast<size_t>(2 + k)], level));
    if (failed_) return {-1, 0, 0};
    std::vector<int> colW(static_cast<size_t>(cols)), rowH(static_cast<size_t>(rows)), rowD(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        const MathBox& b = cells[static_cast<size_t>(r * cols + c)];
        colW[static_cast<size_t>(c)] = std::max(colW[static_cast<size_t>(c)], b.width);
        rowH[static_cast<size_t>(r)] = std::max(rowH[static_cast<size_t>(r)], b.height);
        rowD[static_cast<size_t>(r)] = std::max(rowD[static_cast<size_t>(r)], b.depth);
      }
    const double gapX = E_, gapY = 0.3 * E_;
    double total = 0;
    for (int r = 0; r < rows; ++r) total += rowH[static_cast<size_t>(r)] + rowD[static_cast<size_t>(r)];
    total += gapY * (rows - 1);
    double y = -total / 2;
    double width = 0;
    for (int c = 0; c < cols; ++c) width += colW[static_cast<size_t>(c)];
    width += gapX * (cols - 1);
    for (int r = 0; r < rows; ++r) {
      y += rowH[static_cast<size_t>(r)];
      double x = 0;
      for (int c = 0; c < cols; ++c) {
        const MathBox& b = cells[static_cast<size_t>(r * cols + c)];
        draw(g[static_cast<size_t>(2 + r * cols + c)], level, b, x + (colW[static_cast<size_t>(c)] - b.width) / 2.0, y);
        x += colW[static_cast<size_t>(c)] + gapX;
      }
      y += rowD[static_cast<size_t>(r)] + gapY;
    }
    const int h = static_cast<int>(std::ceil(total / 2));
    return {static_cast<int>(width), h, h};
  }

  // Upright text with formulas nested in it.
  MathBox upright(std::string_view a) {
    MathPen pen = pen_;
    MathBox box;
    for (size_t i = 0; i < a.size() && !failed_;) {
      if (a[i] == '$') {
        size_t n = 1;
        while (i + n < a.size() && a[i + n] == '$') ++n;
        const size_t j = a.find(std::string(n, '$'), i + n);
        if (j == std::string_view::npos) return fail();
        const std::string_view inner = a.substr(i + n, j - i - n);
        const MathBox b = part(inner, pen.level);
        if (pen.draw && !failed_) {
          const int penX = st_.draw.linePenX;
          (void)MathWidthHeight(st_, inner, pen.level, true, pen.axis - b.height, pen.x);
          st_.draw.linePenX = penX;
        }
        grow(box, b);
        pen.x += b.width;
        i = j + n;
        continue;
      }
      // A run of one face: Latin letters and digits in the roman face,
      // Japanese and every other character in the Japanese one.
      const int kind = RunKind(a[i]);
      size_t j = i;
      while (j < a.size() && a[j] != '$' && RunKind(a[j]) == kind) j += kind == 0 && j + 1 < a.size() ? 2 : 1;
      std::string text(a.substr(i, j - i));
      ToMiddleKakko(text);
      const MathBox b = SetUprightText(st_, pen, text);
      grow(box, b);
      pen.x += b.width;
      i = j;
    }
    return failed_ ? MathBox{-1, 0, 0} : box;
  }

  static int RunKind(char c) {
    if (isLead(c)) return 0;
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alnum ? 1 : 2;
  }

  static void grow(MathBox& box, const MathBox& b) {
    box.width += b.width;
    box.height = std::max(box.height, b.height);
    box.depth = std::max(box.depth, b.depth);
  }

  State& st_;
  MathPen& pen_;
  double E_;
  bool failed_ = false;
};

}  // namespace

MathBox SetMathStructure(State& st, MathPen& pen, const MathSegment& segment) {
  Structure s(st, pen);
  MathBox b = s.set(segment);
  // Parts select their own fonts: the segment's come back.
  BeginMathSegment(st, pen, segment.level);
  return b;
}

}  // namespace vel
