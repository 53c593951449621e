// Until the math layout core lands, a formula is set as a row of atoms
// with the atom spacing between them, scripts and limits at the script
// size beside, above or below their nucleus, fractions stacked, and the
// other structures as the row of their contents.
#include "math/MathTypesetter.h"

#include <cmath>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "layout/fonts/Fonts.h"
#include "math/MathAtoms.h"
#include "math/MathFonts.h"
#include "math/MathSigns.h"
#include "math/ReformMath.h"
#include "state/State.h"

namespace vel {

namespace {

// Deeper nesting than this is refused: it bounds the recursion.
constexpr int kMaxDepth = 64;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The position of the "}" closing the group opened at `open`, or npos.
size_t GroupEnd(std::string_view t, size_t open) {
  int depth = 0;
  for (size_t i = open; i < t.size(); ++i) {
    if (isLead(t[i]) && i + 1 < t.size()) {
      ++i;
      continue;
    }
    if (t[i] == '\\' && i + 1 < t.size()) {
      ++i;
      continue;
    }
    if (t[i] == '{') ++depth;
    else if (t[i] == '}' && --depth == 0) return i;
  }
  return std::string_view::npos;
}

// 0 a double-byte character, 1 a Latin letter or digit, 2 any other byte.
int RunKind(char c) {
  if (isLead(c)) return 0;
  return IsLetter(c) || (c >= '0' && c <= '9') ? 1 : 2;
}

int ScriptLevel(int level) { return level <= 2 ? 3 : std::min(level + 1, 5); }
int FractionLevel(int level) { return level <= 1 ? 2 : ScriptLevel(level); }

MathAtom ClassOfByte(char c, MathAtom prev) {
  switch (c) {
    case inband::kOpenBrace:
    case '(':
    case '[': return MathAtom::Open;
    case inband::kCloseBrace:
    case ')':
    case ']': return MathAtom::Close;
    case '+':
    case '-':
      return (prev == MathAtom::Rel || prev == MathAtom::Open || prev == MathAtom::Punct || prev == MathAtom::Start)
                 ? MathAtom::Unary
                 : MathAtom::Bin;
    case ',':
    case ';': return MathAtom::Punct;
    case ':':
    case '<':
    case '=':
    case '>': return MathAtom::Rel;
    default: return MathAtom::Ord;
  }
}

MathSpaceUnit UnitOf(std::string_view code) {
  if (code == "\\,") return MathSpaceUnit::S2;
  if (code == "\\<") return MathSpaceUnit::S1;
  if (code == "\\>") return MathSpaceUnit::S3;
  if (code == "\\;") return MathSpaceUnit::S4;
  return MathSpaceUnit::Zero;
}

class FormulaLayout {
 public:
  explicit FormulaLayout(State& st) : st_(st) {}

  // Measures `text` at `level`; when draw, draws it with the top-left
  // corner of its box at (left, top).
  MathBox run(std::string_view text, int level, bool draw, double left, double top) {
    MathPen pen;
    pen.axisOffset = axisOffset_;
    if (!draw) return row(text, level, pen);
    const MathBox measured = row(text, level, pen);
    MathPen drawing;
    drawing.axisOffset = axisOffset_;
    drawing.draw = true;
    drawing.x = left;
    drawing.axis = top + measured.height;
    row(text, level, drawing);
    return measured;
  }

  bool failed() const { return failed_; }
  void setAxisOffset(double a) { axisOffset_ = a; }

 private:
  // Lays out a row at the pen: measures, and draws when the pen draws.
  MathBox row(std::string_view t, int level, MathPen& pen) {
    MathBox box;
    if (++depth_ > kMaxDepth) {
      failed_ = true;
      --depth_;
      return box;
    }
    BeginMathSegment(st_, pen, level);
    MathAtom prev = MathAtom::Start;
    int pendingNot = -1;
    auto add = [&](const MathBox& b) {
      box.width += b.width;
      box.height = std::max(box.height, b.height);
      box.depth = std::max(box.depth, b.depth);
      AdvanceMathPen(st_, pen, b.width);
    };
    auto space = [&](MathAtom cur) {
      if (cur == MathAtom::Space) return;
      const MathSpaceUnit u = UnitOf(GetInsertStr(pen.level, prev, cur));
      if (u != MathSpaceUnit::Zero) add({static_cast<int>(MathSpace(st_, pen, u)), 0, 0});
    };
    auto atom = [&](MathAtom cur, const MathBox& b, bool relation) {
      if (relation && pendingNot >= 0) {
        WriteNot(st_, pen, b.width, pendingNot);
        pendingNot = -1;
      }
      add(b);
      prev = cur;
    };

    for (size_t i = 0; i < t.size() && !failed_;) {
      const char c = t[i];
      if (c == ' ' || c == '{' || c == '}') {
        ++i;
        continue;
      }
      if (isLead(c) && i + 1 < t.size()) {
        size_t j = i;
        while (j + 1 < t.size() && isLead(t[j])) j += 2;
        space(MathAtom::Ord);
        atom(MathAtom::Ord, SetUprightText(st_, pen, t.substr(i, j - i)), false);
        i = j;
        continue;
      }
      if (c != '\\') {
        const MathAtom cur = ClassOfByte(c, prev);
        space(cur);
        atom(cur, SetMathChar(st_, pen, c), cur == MathAtom::Rel);
        ++i;
        continue;
      }
      if (i + 1 >= t.size()) break;
      const char n = t[i + 1];
      if (n >= inband::kStyleNormalCap && n <= inband::kStyleSmallSmall) {
        BeginMathSegment(st_, pen, n - inband::kStyleNormalCap + 1);
        i += 2;
        continue;
      }
      if (!IsLetter(n)) {
        // A spacing code or a row separator: no atom.
        const int num = GetEachTypeCommandNum(std::string_view(&t[i + 1], 1));
        if (const MathSymbol* s = num >= 0 ? MathSymbolOf(num) : nullptr) add(SetMathSymbol(st_, pen, *s));
        if (num >= 0) prev = MathAtom::Space;
        i += 2;
        continue;
      }
      size_t e = i + 1;
      while (e < t.size() && IsLetter(t[e])) ++e;
      const std::string name(t.substr(i + 1, e - i - 1));
      i = e;
      if (name == "hskip") {
        size_t end = i < t.size() && t[i] == '{' ? GroupEnd(t, i) : std::string_view::npos;
        if (end == std::string_view::npos) return fail();
        std::string length(t.substr(i + 1, end - i - 1));
        add({UnitToPixLength(length), 0, 0});
        prev = MathAtom::Space;
        i = end + 1;
        continue;
      }
      if (GetMathCommandNum(name) >= 0 || name.rfind("getmath", 0) == 0) {
        const MathAtom cur = StructureClass(name, t, i);
        if (cur != MathAtom::Start) space(cur);
        const MathBox b = structure(name, t, i, pen);
        if (failed_) return box;
        add(b);
        if (cur != MathAtom::Start) prev = cur == MathAtom::Open ? MathAtom::Close : cur;
        continue;
      }
      const int num = GetEachTypeCommandNum(name);
      const MathSymbol* s = num >= 0 ? MathSymbolOf(num) : nullptr;
      if (!s) {
        st_.message("** \\" + name + SJ("コマンドは存在しません。"));
        return fail();
      }
      if (s->metric == MathMetric::Negation) {
        pendingNot = s->variant;
        continue;
      }
      const MathAtom cur = AtomClassOf(num, prev).value_or(MathAtom::Ord);
      space(cur);
      atom(cur, SetMathSymbol(st_, pen, *s), cur == MathAtom::Rel);
    }
    --depth_;
    return box;
  }

  MathBox fail() {
    failed_ = true;
    --depth_;
    return {};
  }

  int UnitToPixLength(const std::string& text) {
    return static_cast<int>(UnitToPix(st_, text));
  }

  // The class a structure takes in the spacing; Start: none.
  static MathAtom StructureClass(const std::string& name, std::string_view t, size_t at) {
    if (name == "frac" || name == "sqr" || name == "matrix" || name == "over" || name == "under" || name == "arc" ||
        name == "overbrace" || name == "underbrace" || name == "array" || name == "nroot")
      return MathAtom::Inner;
    if (name == "left") return MathAtom::Open;
    if (name == "uplow") {
      // By the first byte of its nucleus.
      if (at + 1 < t.size() && t[at] == '{') {
        const char c = t[at + 1];
        if (c == '}') return MathAtom::Start;
        if (c != '\\') return ClassOfByte(c, MathAtom::Ord);
        size_t e = at + 2;
        while (e < t.size() && IsLetter(t[e])) ++e;
        const int num = GetEachTypeCommandNum(t.substr(at + 2, e - at - 2));
        if (num >= 0) return AtomClassOf(num, MathAtom::Ord).value_or(MathAtom::Ord);
      }
      return MathAtom::Ord;
    }
    if (name == "last" || name == "dotsfilllast" || name == "linefilllast" || name == "lmatrix" ||
        name == "rmatrix" || name.rfind("getmath", 0) == 0)
      return MathAtom::Start;
    return MathAtom::Ord;
  }

  // Reads the next braced group at i into `out` (its content), or fails.
  bool group(std::string_view t, size_t& i, std::string_view& out) {
    while (i < t.size() && t[i] == ' ') ++i;
    if (i >= t.size() || t[i] != '{') return false;
    const size_t end = GroupEnd(t, i);
    if (end == std::string_view::npos) return false;
    out = t.substr(i + 1, end - i - 1);
    i = end + 1;
    return true;
  }

  // A sub-formula measured, and drawn with its axis at the pen's axis + dy
  // and its left edge at the pen's x + dx.
  MathBox sub(std::string_view text, int level, MathPen& pen, double dx, double dy, bool draw = true) {
    MathPen p;
    p.axisOffset = axisOffset_;
    const MathBox b = row(text, level, p);
    if (pen.draw && draw && !failed_) {
      MathPen d = p;
      d.draw = true;
      d.x = pen.x + dx;
      d.axis = pen.axis + dy;
      const int savedX = st_.draw.linePenX;
      row(text, level, d);
      st_.draw.linePenX = savedX;
    }
    BeginMathSegment(st_, pen, pen.level);
    return b;
  }

  // A horizontal rule at the pen's axis + dy, from dx over width w.
  void rule(const MathPen& pen, double dx, double dy, double w) {
    if (!pen.draw || !st_.canvas) return;
    const Pen saved = st_.canvas->pen();
    st_.canvas->setPen(Pen{std::max(1, SignPenWidth(st_, pen, 1.6)), st_.chr.font.color, PenStyle::Solid});
    const double S = st_.draw.scale;
    auto dev = [&](double v) { return static_cast<int>(std::trunc(v * S + 0.5)); };
    st_.canvas->polyline({{dev(pen.x + dx), dev(pen.axis + dy)}, {dev(pen.x + dx + w), dev(pen.axis + dy)}});
    st_.canvas->setPen(saved);
  }

  MathBox structure(const std::string& name, std::string_view t, size_t& i, MathPen& pen) {
    const int level = pen.level;
    const double E = pen.E;
    std::string_view a, b, c;
    if (name == "lengroup" || name == "valgroup") {
      if (i < t.size()) ++i;  // the group byte
      return {};
    }
    if (name == "cdots" || name == "ldots" || name == "vdots") {
      size_t j = i;
      int count = 3;
      if (group(t, j, a)) {
        count = std::atoi(std::string(a).c_str());
        i = j;
      }
      std::string dots(static_cast<size_t>(std::clamp(count, 0, 100)), '\x01');
      SetMathFont(st_, MathFontKind::Symbol, level, false);
      const std::string glyphs(dots.size(), static_cast<char>(MathGlyphPosition(1)));
      const int w = st_.canvas ? st_.canvas->textWidth(st_.chr.font, glyphs) : 0;
      if (pen.draw) InclineTextOut(st_, pen.x, pen.axis, glyphs, name == "ldots" ? -E / 4 : -E / 2, 0);
      return {w, static_cast<int>(E) / 2, static_cast<int>(E) - static_cast<int>(E) / 2};
    }
    if (name == "left") {
      // The delimiter, the content up to the matching \right, its delimiter.
      if (i >= t.size()) return fail();
      const char open = t[i++];
      int depth = 1;
      size_t j = i;
      for (; j < t.size(); ++j) {
        if (isLead(t[j])) { ++j; continue; }
        if (t.compare(j, 5, "\\left") == 0) ++depth;
        else if (t.compare(j, 6, "\\right") == 0 && --depth == 0) break;
      }
      if (j >= t.size() || j + 6 >= t.size()) return fail();
      const std::string_view content = t.substr(i, j - i);
      const char close = t[j + 6];
      i = j + 7;
      MathBox inner = sub(content, level, pen, 0, 0, false);
      MathBox box;
      auto delimiter = [&](char d, double dx) {
        if (d == '.') return 0;
        MathPen p = pen;
        p.x += dx;
        const MathBox db = SetMathChar(st_, p, d);
        box.height = std::max(box.height, db.height);
        box.depth = std::max(box.depth, db.depth);
        return db.width;
      };
      const int wl = delimiter(open, 0);
      sub(content, level, pen, wl, 0);
      const int wr = delimiter(close, wl + inner.width);
      box.width = wl + inner.width + wr;
      box.height = std::max(box.height, inner.height);
      box.depth = std::max(box.depth, inner.depth);
      return box;
    }
    if (name == "uplow") {
      if (!group(t, i, a) || !group(t, i, b) || !group(t, i, c)) return fail();
      const MathBox n = sub(a, level, pen, 0, 0);
      const int sl = ScriptLevel(level);
      const MathBox up = sub(b, sl, pen, 0, 0, false), down = sub(c, sl, pen, 0, 0, false);
      const double rise = std::max<double>(0.45 * E, n.height - 0.5 * up.height);
      const double drop = std::max<double>(0.35 * E, n.depth - 0.5 * down.depth);
      if (!b.empty()) sub(b, sl, pen, n.width, -rise);
      if (!c.empty()) sub(c, sl, pen, n.width, drop);
      MathBox box{n.width + std::max(b.empty() ? 0 : up.width, c.empty() ? 0 : down.width), n.height, n.depth};
      if (!b.empty()) box.height = std::max(box.height, static_cast<int>(rise + up.height));
      if (!c.empty()) box.depth = std::max(box.depth, static_cast<int>(drop + down.depth));
      return box;
    }
    if (name == "over" || name == "under" || name == "overbrace" || name == "underbrace") {
      if (!group(t, i, a) || !group(t, i, b)) return fail();
      while (!a.empty() && (a[0] == inband::kLimitMarkerLim || a[0] == inband::kLimitMarkerSup)) a.remove_prefix(1);
      const bool above = name == "over" || name == "overbrace";
      const int sl = ScriptLevel(level);
      const MathBox base = sub(a, level, pen, 0, 0, false), lim = sub(b, sl, pen, 0, 0, false);
      const int w = std::max(base.width, lim.width);
      const double gap = 0.15 * E;
      sub(a, level, pen, (w - base.width) / 2.0, 0);
      const double dy = above ? -(base.height + gap + lim.depth) : base.depth + gap + lim.height;
      sub(b, sl, pen, (w - lim.width) / 2.0, dy);
      MathBox box{w, base.height, base.depth};
      if (above) box.height = static_cast<int>(base.height + gap + lim.depth + lim.height);
      else box.depth = static_cast<int>(base.depth + gap + lim.height + lim.depth);
      return box;
    }
    if (name == "frac") {
      if (!group(t, i, a) || !group(t, i, b)) return fail();
      const int fl = FractionLevel(level);
      const MathBox num = sub(a, fl, pen, 0, 0, false), den = sub(b, fl, pen, 0, 0, false);
      const double pad = MathSpace(st_, pen, MathSpaceUnit::S1), gap = 0.15 * E;
      const int w = static_cast<int>(std::max(num.width, den.width) + 2 * pad);
      sub(a, fl, pen, (w - num.width) / 2.0, -(gap + num.depth));
      sub(b, fl, pen, (w - den.width) / 2.0, gap + den.height);
      rule(pen, 0, 0, w);
      return {w, static_cast<int>(gap + num.depth + num.height), static_cast<int>(gap + den.height + den.depth)};
    }
    if (name == "sqr" || name == "nroot") {
      std::string_view index;
      if (name == "nroot" && !group(t, i, index)) return fail();
      if (!group(t, i, a)) return fail();
      const MathBox content = sub(a, level, pen, 0, 0, false);
      // The radical hangs from its baseline, which stands on the bar.
      SetMathFont(st_, MathFontKind::Symbol, level, false);
      const std::string radical(1, static_cast<char>(MathGlyphPosition(0x70)));
      const int rw = st_.canvas ? st_.canvas->textWidth(st_.chr.font, radical) : 0;
      const double top = content.height + 0.2 * E;
      const double ascent = st_.canvas ? st_.canvas->metrics(st_.chr.font).ascent : 0;
      if (pen.draw) InclineTextOut(st_, pen.x, pen.axis, radical, -top - ascent, 0);
      sub(a, level, pen, rw, 0);
      rule(pen, rw, -top, content.width);
      return {rw + content.width, static_cast<int>(top + 0.1 * E), std::max(content.depth, static_cast<int>(0.3 * E))};
    }
    if (name == "mathstrut") {
      if (!group(t, i, a)) return fail();
      const int h = UnitToPixLength(std::string(a));
      if (h < 0) return fail();
      return {0, h / 2, h - h / 2};
    }
    if (name == "cdotslen" || name == "ldotslen" || name == "cline" || name == "lline") {
      if (!group(t, i, a)) return fail();
      const int len = std::max(0, UnitToPixLength(std::string(a)));
      if (name == "cline" || name == "lline") rule(pen, 0, name == "cline" ? 0 : pen.axisOffset, len);
      return {len, static_cast<int>(E) / 2, static_cast<int>(E) - static_cast<int>(E) / 2};
    }
    if (!group(t, i, a)) return fail();
    if (name == "rm") return upright(a, pen);
    const bool invisible = name == "phantom" || name == "hphantom" || name == "vphantom";
    MathBox box = sub(a, level, pen, 0, 0, !invisible);
    if (name == "hphantom") box.height = box.depth = 0;
    if (name == "vphantom") box.width = 0;
    if (name == "bar" || name == "underline" || name == "Underline")
      rule(pen, 0, name == "bar" ? -(box.height + 0.1 * E) : box.depth + 0.1 * E, box.width);
    return box;
  }

  // Upright text with formulas nested in it, from the pen (which the
  // caller advances).
  MathBox upright(std::string_view a, MathPen& caller) {
    MathPen pen = caller;
    MathBox box;
    auto add = [&](const MathBox& b) {
      box.width += b.width;
      box.height = std::max(box.height, b.height);
      box.depth = std::max(box.depth, b.depth);
      AdvanceMathPen(st_, pen, b.width);
    };
    for (size_t i = 0; i < a.size();) {
      size_t j = i;
      if (a[i] == '$') {
        size_t n = 1;
        while (i + n < a.size() && a[i + n] == '$') ++n;
        j = a.find(std::string(n, '$'), i + n);
        if (j == std::string_view::npos) return fail();
        const MathBox b = sub(a.substr(i + n, j - i - n), pen.level, pen, 0, 0);
        add(b);
        i = j + n;
        continue;
      }
      // A run of one face: Latin letters and digits in the roman face,
      // Japanese and every other character in the Japanese one.
      const int kind = RunKind(a[i]);
      while (j < a.size() && a[j] != '$' && RunKind(a[j]) == kind) j += kind == 0 && j + 1 < a.size() ? 2 : 1;
      std::string text(a.substr(i, j - i));
      ToMiddleKakko(text);
      add(SetUprightText(st_, pen, text));
      i = j;
    }
    BeginMathSegment(st_, caller, caller.level);
    return box;
  }

  State& st_;
  double axisOffset_ = 0;
  int depth_ = 0;
  bool failed_ = false;
};

// The span's text without its dollars.
std::string Body(const std::string& formula) {
  std::string body = formula;
  size_t n = 0;
  while (n < body.size() && n < 3 && body[n] == '$') ++n;
  body.erase(0, n);
  while (!body.empty() && body.back() == '$') body.pop_back();
  return body;
}

// Lays out a formula and leaves the state as it found it.
Result<Extent> Typeset(State& st, const std::string& formula, int level, bool draw, int left, int top) {
  const CharStyle chr = st.chr;
  const FontState font = st.font;
  const int penX = st.draw.linePenX;
  // The axis offset comes from the Japanese text font at the level.
  SetFontName(st, SJ("ＭＳ Ｐ明朝"), level);
  st.chr.font.italic = st.chr.font.underline = st.chr.font.strikeOut = false;
  GetFontMetric(st);
  FormulaLayout layout(st);
  layout.setAxisOffset(st.font.mathAxis);
  const MathBox b = layout.run(Body(formula), level, draw, left, top);
  const bool failed = layout.failed();
  st.chr = chr;
  st.font = font;
  if (!draw) st.draw.linePenX = penX;
  if (failed) return Failure{LayoutCode::MathError, {}, -1};
  Extent e;
  e.width = b.width;
  e.height = b.height;
  e.depth = b.depth;
  return e;
}

}  // namespace

LayoutCode MathTypesetter::Normalise(State&, std::string& formula) const {
  if (formula.empty() || formula[0] != '$') return LayoutCode::MathNotClosed;
  const int last = ReformMath(formula, 1);
  if (last < 0 || static_cast<size_t>(last) != formula.size()) return LayoutCode::MathNotClosed;
  return LayoutCode::Ok;
}

Result<Extent> MathTypesetter::Measure(State& st, const std::string& formula, int level) const {
  return Typeset(st, formula, level, false, 0, 0);
}

Result<Extent> MathTypesetter::Draw(State& st, const std::string& formula, int level, int left, int top) const {
  return Typeset(st, formula, level, true, left, top);
}

int MathTypesetter::SymbolNumber(std::string_view name) const { return GetEachTypeCommandNum(name); }

}  // namespace vel
