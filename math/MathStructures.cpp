#include "math/MathStructures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "base/Units.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"
#include "layout/scopes/StateStacks.h"
#include "math/MathDelimiters.h"
#include "math/MathFonts.h"
#include "math/MathSigns.h"
#include "seams/Seams.h"

namespace vel {

namespace {

// Structure numbers of the vocabulary.
enum Kind {
  kSqr = 1, kFrac = 2, kUplow = 3, kLeft = 4, kMatrix = 5, kOver = 6, kUnder = 7, kRm = 8, kDot = 9, kDdot = 10,
  kVec = 11, kBar = 12, kUnderline = 13, kFramebox = 14, kArc = 15, kPhantom = 16, kHphantom = 17, kVphantom = 18,
  kTable = 19, kMathstrut = 20, kOverbrace = 21, kUnderbrace = 22, kArray = 23, kLast = 24, kNroot = 25,
  kDotsfilllast = 26, kLinefilllast = 27, kCdots = 28, kLdots = 29, kCdotslen = 30, kLdotslen = 31, kCline = 32,
  kLline = 33, kLengroupOpen = 34, kLengroupClose = 35, kValgroupOpen = 36, kValgroupClose = 37, kLmatrix = 38,
  kHat = 39, kUnderlineRule = 40, kRmatrix = 41, kVdots = 42, kGetmathFirst = 100, kGetmathLast = 125,
};

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

struct KernRow {
  const char* names;  // space-separated nuclei
  const char* sub;
  const char* sup;
};

// Script kerns in ch; "" for none, "(-.1)" a negative kern as written.
constexpr KernRow kLatinKerns[] = {
    {"A", ".2", ".2"},          {"B C N", ".25", "(-.1)"}, {"D G H I J M", ".25", ""}, {"F P W", ".4", "(-.1)"},
    {"K", ".3", ""},            {"S X", "", "(-.1)"},      {"T", ".25", "(-.2)"},      {"U", ".3", "(-.1)"},
    {"V", ".35", "(-.2)"},      {"Y", ".2", "(-.3)"},      {"Z", ".2", "(-.1)"},       {"c", ".15", ".15"},
    {"d o", ".1", ".1"},        {"f", ".45", ".1"},        {"g", ".35", ".1"},         {"k", ".25", ".1"},
    {"p", ".3", ".15"},         {"i s w x y", ".1", ""},   {"j", ".25", ""},           {"l t v", ".15", ""},
    {"m", ".05", ""},           {"q r", ".2", ""},         {"z", "", "(-.2)"},
};
constexpr KernRow kGreekKerns[] = {
    {"beta gamma delta omicron", ".15", ""},
    {"theta pi", ".25", ""},
    {"rho", ".25", ".1"},
    {"lambda", "", ".3"},
    {"nu", ".36", ".1"},
    {"sigma", ".3", ""},
    {"tau", ".52", ".1"},
    {"upsilon", ".2", ""},
    {"psi", ".55", ".17"},
    {"Beta Epsilon Chi", "", "(-.1)"},
    {"Gamma", ".65", ""},
    {"Zeta Nu", ".07", "(-.1)"},
    {"Eta", ".1", ""},
    {"Kappa", ".1", "(-.15)"},
    {"Theta", ".23", ""},
    {"Iota", "", "(-.15)"},
    {"Lambda", ".1", ".3"},
    {"Mu", ".07", "(-.17)"},
    {"Xi", ".07", ""},
    {"Pi", "", "(-.3)"},
    {"Rho", ".2", "(-.25)"},
    {"Sigma", ".15", "(-.1)"},
    {"Tau", "", "(-.45)"},
    {"Upsilon", ".5", ".15"},
    {"Phi", ".4", ".2"},
    {"Psi", ".46", ".2"},
    {"Omicron", ".17", ""},
};

// A kern table by nucleus name, split once: every script asks. The first
// row naming a nucleus holds.
template <size_t N>
std::unordered_map<std::string_view, const KernRow*> KernIndex(const KernRow (&rows)[N]) {
  std::unordered_map<std::string_view, const KernRow*> index;
  for (const KernRow& r : rows) {
    const std::string_view list(r.names);
    for (size_t i = 0; i < list.size();) {
      size_t j = list.find(' ', i);
      if (j == std::string_view::npos) j = list.size();
      index.emplace(list.substr(i, j - i), &r);
      i = j + 1;
    }
  }
  return index;
}

const KernRow* FindKern(const std::unordered_map<std::string_view, const KernRow*>& index, std::string_view name) {
  const auto it = index.find(name);
  return it == index.end() ? nullptr : it->second;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The Greek letters of the vocabulary: symbols 100-177 drawn as letters.
bool IsGreekCommand(std::string_view nucleus) {
  if (nucleus.size() < 2 || nucleus[0] != '\\') return false;
  for (size_t i = 1; i < nucleus.size(); ++i)
    if (!IsLetter(nucleus[i])) return false;
  const int n = GetEachTypeCommandNum(nucleus.substr(1));
  const MathSymbol* s = n >= 0 ? MathSymbolOf(n) : nullptr;
  return s && n >= 100 && n < 200 && (s->metric == MathMetric::Letter || s->metric == MathMetric::AsLetter) &&
         s->font == MathFontKind::MathItalic;
}

// v layout units as the centimetres \hskip reads by default.
std::string Centimetres(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.5f", v / units::kPerInch * 2.54);
  return buf;
}

int SignRule(const State& st, double ratio) {
  const double pt = st.chr.fontSize / units::kFontSizeScale;
  double w = units::kPerInch * st.draw.scale * pt / 1270.0 * ratio + PenAddition(st);
  if (st.chr.boldMath) w *= 1.6;
  return std::max(1, static_cast<int>(w));
}

class Structure {
 public:
  Structure(State& st, MathPen& pen) : st_(st), pen_(pen), E_(pen.E) {}

  MathBox set(const MathSegment& s) {
    const int L = s.level;
    const std::vector<std::string_view> g = Groups(s.text);
    auto need = [&](size_t n) { return g.size() >= n; };
    switch (s.kind) {
      case kSqr: return root(nullptr, s.text, L);
      case kNroot: return need(2) ? root(&g[0], g[1], L) : fail();
      case kFrac: return need(2) ? fraction(g[0], g[1], L) : fail();
      case kUplow: return need(3) ? scripts(g[0], g[1], g[2], L) : fail();
      case kLeft: return delimited(s.text, L);
      case kOver:
      case kUnder: return need(2) ? limits(g[0], g[1], L, s.kind == kOver) : fail();
      case kDot:
      case kDdot:
      case kHat:
      case kVec:
      case kBar:
      case kArc: return accent(s.kind, s.text, L);
      case kOverbrace:
      case kUnderbrace: return need(2) ? brace(g[0], g[1], L, s.kind == kOverbrace) : fail();
      case kPhantom:
      case kHphantom:
      case kVphantom: {
        MathBox b = part(s.text, L, true);
        if (s.kind == kHphantom) b.height = b.depth = 0;
        if (s.kind == kVphantom) b.width = 0;
        return failed_ ? fail() : b;
      }
      case kMathstrut: {
        const int h = std::atoi(s.text.c_str());
        return {0, h / 2, h - h / 2};
      }
      case kRm:
      case kUnderline:
      case kUnderlineRule:
      case kFramebox:
      case kTable:
        st_.math.beyondFonts = true;  // running text may change anything
        return boxed(s.kind, s.text, L);
      case kLast:
      case kDotsfilllast:
      case kLinefilllast:
        st_.math.beyondFonts = true;  // placed by the line, not the formula
        return flushRight(s.kind, s.text);
      case kCdots:
      case kLdots:
      case kVdots:
        noteVariables(s.text);
        return WriteCLdots(st_, pen_, s.kind, Calc(st_, s.text));
      case kCdotslen:
      case kLdotslen:
      case kCline:
      case kLline:
        noteVariables(s.text);
        return WriteCLdots(st_, pen_, s.kind, UnitToPix(st_, s.text));
      case kLengroupOpen:
      case kLengroupClose:
      case kValgroupOpen:
      case kValgroupClose: return group(s.kind);
      case kMatrix:
      case kLmatrix:
      case kRmatrix:
      case kArray:
        if (s.kind == kArray) st_.math.beyondFonts = true;  // its rows may be exported
        return matrix(s.kind, g, L);
      default:
        if (s.kind >= kGetmathFirst && s.kind <= kGetmathLast) {
          st_.math.beyondFonts = true;  // sets the lengths
          return named(s.kind, s.text, L);
        }
        return fail();
    }
  }

 private:
  MathBox fail() {
    failed_ = true;
    return {-1, 0, 0};
  }

  // A count or length that names a variable makes the measuring depend on it.
  void noteVariables(std::string_view text) {
    if (text.find('\\') != std::string_view::npos) st_.math.beyondFonts = true;
  }

  MathBox group(int kind) {
    st_.math.beyondFonts = true;
    switch (kind) {
      case kLengroupOpen: SaveLengthList(st_); break;
      case kLengroupClose: (void)RestoreLengthList(st_); break;
      case kValgroupOpen: SaveValueInfoList(st_); break;
      default: RestoreValueInfoList(st_); break;
    }
    return {};
  }

  // A part measured. While drawing, what it counts is put back: the
  // drawing of the part counts it. `keep` puts the counters back always.
  MathBox part(std::string_view text, int level, bool keep = false) {
    PartMemo* const installed = st_.math.partMemo;
    PartMemo* memo = installed;
    if (memo && memo->depth != st_.math.depth) memo = nullptr;  // a part of a part
    if (memo && memo->replaying) {
      if (const MeasuredPart* known = recalled(*memo, text, level)) {
        const MathBox b{known->width, known->height, known->depth};
        if (b.width < 0) failed_ = true;
        recalled_.push_back(known);
        return b;
      }
    }
    const auto counters = st_.val.counters;
    // Recording, the part's own parts are recorded too.
    const bool recording = memo && !memo->replaying;
    PartMemo inner;
    inner.depth = st_.math.depth + 1;
    if (recording) st_.math.partMemo = &inner;
    const MathBox b = MathWidthHeight(st_, text, level, false, 0, 0);
    st_.math.partMemo = installed;
    if (pen_.draw || keep) st_.val.counters = counters;
    if (b.width < 0) failed_ = true;
    if (recording)
      memo->parts.push_back({std::string(text), level, b.width, b.height, b.depth,
                             inner.parts.empty() ? nullptr : std::make_shared<PartMemo>(std::move(inner))});
    return b;
  }

  // The measuring pass's box of this very part: the drawing pass asks for
  // the parts in the order the measuring pass measured them; anything else
  // ends the replay and the parts are measured again.
  static const MeasuredPart* recalled(PartMemo& memo, std::string_view text, int level) {
    if (memo.next < memo.parts.size()) {
      const MeasuredPart& p = memo.parts[memo.next];
      if (p.level == level && p.text == text) {
        ++memo.next;
        return &p;
      }
    }
    memo.next = memo.parts.size() + 1;  // out of step
    return nullptr;
  }

  // Draws a part measured as `box` with its box's top at `top` and its
  // left edge dx right of the pen.
  void draw(std::string_view text, int level, const MathBox& box, double dx, double top) {
    if (!pen_.draw || failed_) return;
    const int penX = st_.draw.linePenX;
    // Under a text rotation the pen is the turned point on the axis: the
    // part's corner is turned about it.
    const double t = st_.font.textRotationRad, dy = top - pen_.axis;
    const double left = t == 0 ? pen_.x + dx : pen_.x + dx * std::cos(t) + dy * std::sin(t);
    const double corner = t == 0 ? top : pen_.axis - dx * std::sin(t) + dy * std::cos(t);
    // The parts of this part, if its measuring was replayed.
    PartMemo* inner = nullptr;
    for (auto it = recalled_.begin(); it != recalled_.end(); ++it)
      if ((*it)->level == level && (*it)->text == text) {
        inner = (*it)->inner.get();
        recalled_.erase(it);
        break;
      }
    (void)MathWidthHeight(st_, text, level, true, corner, left, &box, inner);
    st_.draw.linePenX = penX;
  }

  void rule(double x0, double x1, double y, int width) {
    if (!pen_.draw || !st_.canvas) return;
    const Pen saved = st_.canvas->pen();
    st_.canvas->setPen(Pen{width, st_.chr.font.color, PenStyle::Solid});
    st_.canvas->polyline({TurnedPoint(st_, pen_.x, pen_.axis, x0 - pen_.x, y - pen_.axis),
                          TurnedPoint(st_, pen_.x, pen_.axis, x1 - pen_.x, y - pen_.axis)});
    st_.canvas->setPen(saved);
  }

  // A square root, or an n-th root with its index.
  MathBox root(const std::string_view* index, std::string_view body, int L) {
    const int il = ScriptChildLevel(L);
    const bool withIndex = index != nullptr;
    const std::string_view indexText = withIndex ? *index : std::string_view();
    MathBox ix;
    if (withIndex) ix = part(indexText, il);
    const MathBox c = part(body, L);
    if (failed_) return fail();
    const int h = c.height + c.depth, a = c.height;
    const double g = std::trunc(0.05 * E_);
    const double total = std::trunc(c.width + 0.65 * h);
    MathPen measure = pen_;
    measure.draw = false;
    const int d = withIndex ? WriteRoot(st_, measure, pen_.x, pen_.axis - a - g, il, ix.height + ix.depth, ix.width,
                                        indexText, true, h + g, total)
                            : 0;
    if (pen_.draw) {
      (void)WriteRoot(st_, pen_, pen_.x + d, pen_.axis - a - g, il, ix.height + ix.depth, ix.width, indexText,
                      withIndex, h + g, total);
      draw(body, L, c, d + std::trunc(0.55 * h), pen_.axis - a);
    }
    const int above = static_cast<int>(a + 0.15 * E_ + g), all = static_cast<int>(h + 0.15 * E_ + g);
    return {static_cast<int>(c.width + 0.65 * h + d), above, all - above};
  }

  MathBox fraction(std::string_view num, std::string_view den, int L) {
    const int cl = FractionChildLevel(L);
    const double rc = st_.font.mathSizeRatio[static_cast<size_t>(cl)];
    const double pt = st_.chr.fontSize / units::kFontSizeScale;
    const int gap = static_cast<int>(0.05 * E_);
    const MathBox n = part(num, cl), d = part(den, cl);
    if (failed_) return fail();
    const int hn = n.height + n.depth, hd = d.height + d.depth;
    const int W = std::max(n.width, d.width);
    const int m = L >= 3 ? 0 : static_cast<int>(units::kPerMM * 0.5 * pt * 0.1 * rc);
    const int p = static_cast<int>(units::kPerMM * 0.3 * pt * 0.1 * rc);
    draw(num, cl, n, (W - n.width) / 2 + m + p, pen_.axis - hn - gap);
    draw(den, cl, d, (W - d.width) / 2 + m + p, pen_.axis + gap);
    rule(pen_.x + p, pen_.x + p + W + 2 * m, pen_.axis,
         SignRule(st_, st_.font.mathSizeRatio[static_cast<size_t>(L)]));
    return {2 * (m + p) + W, hn + gap, hd + gap};
  }

  MathBox scripts(std::string_view nucleus, std::string_view sup, std::string_view sub, int L) {
    const bool empty = nucleus.empty() || nucleus == "\\rm{}";
    const bool integral = nucleus == "\\int" || nucleus == "\\oint";
    MathBox n;
    if (empty) {
      const int H = static_cast<int>(E_);
      n = {0, H / 2, H - H / 2};
    } else {
      n = part(nucleus, L);
    }
    const ScriptKerns k = ScriptKernsOf(nucleus);
    std::string up(sup), down(sub);
    if (!up.empty() && !k.sup.empty()) up = "\\hskip{-" + k.sup + "ch}" + up;
    if (!down.empty() && !k.sub.empty()) down = "\\hskip{-" + k.sub + "ch}" + down;
    const int cl = ScriptChildLevel(L);
    const MathBox s = up.empty() ? MathBox{} : part(up, cl), b = down.empty() ? MathBox{} : part(down, cl);
    if (failed_) return fail();
    const int w0 = n.width, H0 = n.height + n.depth, A0 = n.height;
    const int hs = s.height + s.depth, hb = b.height + b.depth;
    const int width = integral ? std::max(w0 + s.width, static_cast<int>(b.width + w0 / 1.7))
                               : w0 + std::max(s.width, b.width);
    const int half = static_cast<int>(H0 * 0.5);
    int os, ob, db;
    if (integral) {
      os = static_cast<int>(std::min(hs, half));
      ob = hb;
    } else {
      os = static_cast<int>(std::min(0.8 * hs, 0.5 * H0));
      db = static_cast<int>(up.empty() ? hb * -0.1 : hb * 0.2);
      ob = hb - db;
    }
    if (ob > half) ob = half;
    db = hb - ob;
    if (const int e = os + ob - H0; e > 0) {
      os -= e / 2;
      ob -= e / 2;
      db += e / 2;
    }
    const int us = hs - os;
    if (pen_.draw) {
      if (!empty) draw(nucleus, L, n, 0, pen_.axis - A0);
      if (!up.empty()) draw(up, cl, s, integral ? w0 + 0.1 * E_ : w0, pen_.axis - A0 - us);
      if (!down.empty()) draw(down, cl, b, integral ? std::trunc(w0 / 1.7) : w0, pen_.axis + (H0 - A0) - ob);
    }
    const int above = A0 + us;
    return {width, above, us + H0 + db - above};
  }

  MathBox delimited(std::string_view t, int L) {
    if (t.size() < 2) return fail();
    const char open = t.front(), close = t.back();
    const std::string_view content = t.substr(1, t.size() - 2);
    const MathBox c = part(content, L);
    if (failed_) return fail();
    const int h = c.height + c.depth, a = c.height;
    int above, below, length;
    if (st_.chr.mathKakkoMode != 0) {
      above = a;
      below = h - a;
      length = h;
    } else {
      const int half = std::max(a, h - a);
      above = below = half;
      length = 2 * half;
    }
    MathPen measure = pen_;
    measure.draw = false;
    const int kl = KindOfKakko(open), kr = KindOfKakko(close);
    const int wl = Kakko(st_, measure, 0, 0, L, kl, length), wr = Kakko(st_, measure, 0, 0, L, kr, length);
    if (pen_.draw) {
      (void)Kakko(st_, pen_, pen_.x, pen_.axis - above, L, kl, length);
      draw(content, L, c, wl, pen_.axis - a);
      (void)Kakko(st_, pen_, pen_.x + wl + c.width, pen_.axis - above, L, kr, length);
    }
    return {wl + c.width + wr, std::max(a, above), std::max(h - a, below)};
  }

  MathBox limits(std::string_view base, std::string_view limit, int L, bool over) {
    int gap = over ? static_cast<int>(0.02 * E_) : 0;
    if (!over && !base.empty()) {
      if (base[0] == inband::kLimitMarkerLim) {
        gap = static_cast<int>(0.05 * E_);
        base.remove_prefix(1);
      } else if (base[0] == inband::kLimitMarkerSup) {
        gap = static_cast<int>(0.1 * E_);
        base.remove_prefix(1);
      }
    }
    const int cl = ScriptChildLevel(L);
    const MathBox b = part(base, L), l = part(limit, cl);
    if (failed_) return fail();
    const int w0 = b.width, H0 = b.height + b.depth, A0 = b.height, h1 = l.height + l.depth;
    const int W = std::max(w0, l.width);
    if (pen_.draw) {
      draw(base, L, b, (W - w0) / 2, pen_.axis - A0);
      if (!limit.empty())
        draw(limit, cl, l, (W - l.width) / 2, over ? pen_.axis - A0 - h1 - gap : pen_.axis + H0 - A0 + gap);
    }
    if (over) return {W, A0 + h1 + gap, H0 - A0};
    return {W, A0, H0 + h1 + gap - A0};
  }

  MathBox accent(int kind, std::string_view body, int L) {
    const MathBox c = part(body, L);
    if (failed_) return fail();
    const int w0 = c.width, H0 = c.height + c.depth, A0 = c.height;
    const int gap = static_cast<int>(0.15 * E_);
    const bool glyphVec = kind == kVec && w0 <= 0.6 * E_;
    const bool drawn = kind == kBar || kind == kArc || (kind == kVec && !glyphVec);
    std::string glyph;
    MathFontKind font = MathFontKind::Roman;
    if (kind == kDot) glyph = std::string(1, static_cast<char>(MathGlyphPosition(95)));
    if (kind == kDdot) glyph = std::string(1, static_cast<char>(MathGlyphPosition(176)));
    if (kind == kHat) glyph = std::string(1, static_cast<char>(MathGlyphPosition(94)));
    if (glyphVec) {
      glyph = std::string(1, static_cast<char>(MathGlyphPosition(126)));
      font = MathFontKind::MathItalic;
    }
    int wa = w0, accentHeight = 0;
    const Font saved = st_.chr.font;
    if (!drawn && st_.canvas) {
      SetMathFont(st_, font, L, false);
      wa = st_.canvas->textWidth(st_.chr.font, glyph);
      if (kind == kHat) accentHeight = static_cast<int>(0.08 * st_.canvas->metrics(st_.chr.font).height);
    } else if (drawn) {
      MathPen measure = pen_;
      measure.draw = false;
      const int variant = kind == kVec ? 1 : kind == kBar ? 2 : 5;
      accentHeight = WriteVecBar(st_, measure, 0, 0, variant, L, w0) / 2;
    }
    const int W = std::max(w0, wa);
    const int top = kind == kVec ? static_cast<int>(1.1 * A0 + accentHeight) : A0 + accentHeight;
    if (pen_.draw) {
      draw(body, L, c, (W - w0) / 2, pen_.axis - A0);
      if (drawn) {
        const double lw = std::trunc(units::kPerInch * (st_.chr.fontSize / units::kFontSizeScale) / 1270.0);
        const double y = kind == kVec ? std::trunc(pen_.axis - 1.1 * A0 + lw / 2) : pen_.axis - A0;
        MathPen at = pen_;
        at.x += (W - w0) / 2;
        (void)WriteVecBar(st_, at, at.x, y, kind == kVec ? 1 : kind == kBar ? 2 : 5, L, w0);
      } else if (st_.canvas) {
        SetMathFont(st_, font, L, false);
        double dx = (W - wa) / 2;
        if (kind == kDdot) dx += 0.17 * E_;
        if (glyphVec) dx -= 0.15 * E_;
        InclineTextOut(st_, pen_.x, pen_.axis, glyph, -(A0 + gap), dx);
      }
    }
    st_.chr.font = saved;
    return {W, top + gap, H0 - A0};
  }

  MathBox brace(std::string_view base, std::string_view label, int L, bool over) {
    const int cl = BraceLabelLevel(L);
    const MathBox b = part(base, L), l = part(label, cl);
    if (failed_) return fail();
    const int w0 = b.width, H0 = b.height + b.depth, A0 = b.height, h1 = l.height + l.depth;
    const int W = std::max(w0, l.width);
    MathPen measure = pen_;
    measure.draw = false;
    const int kind = over ? kKakkoOverbrace : kKakkoUnderbrace;
    const int t = Kakko(st_, measure, 0, 0, L, kind, W);
    if (pen_.draw) {
      draw(base, L, b, (W - w0) / 2, pen_.axis - A0);
      (void)Kakko(st_, pen_, pen_.x, over ? pen_.axis - A0 - t : pen_.axis + H0 - A0, L, kind, W);
      draw(label, cl, l, (W - l.width) / 2, over ? pen_.axis - A0 - t - h1 : pen_.axis + H0 - A0 + t);
    }
    if (over) return {W, A0 + h1 + t, H0 - A0};
    return {W, A0, H0 + h1 + t - A0};
  }

  // Upright text, underlines, frames and tables: the box code of running
  // text (tables through their seam), on the baseline one axis offset below
  // the axis.
  MathBox boxed(int kind, const std::string& text, int L) {
    SaveBoxVariables(st_);
    const Color colour = st_.chr.font.color;
    SetFontName(st_, SJ("ＭＳ Ｐ明朝"), L);
    st_.chr.font.italic = st_.chr.font.underline = st_.chr.font.strikeOut = false;
    st_.chr.font.color = colour;
    const int baseline = static_cast<int>(pen_.axis + pen_.axisOffset), x = static_cast<int>(pen_.x);
    Result<Extent> e = Failure{LayoutCode::InvalidArgument, {}, -1};
    if (kind == kRm) e = BoxWidthHeight(st_, text, L, false, pen_.draw, baseline, x);
    else if (kind == kFramebox) e = FrameBox(st_, text, L, pen_.draw, baseline, x);
    else if (kind == kTable) e = table(text, L, baseline, x);
    else e = UnderLine(st_, text, L, kind == kUnderlineRule ? 1 : 0, pen_.draw, baseline, x);
    RestoreBoxVariables(st_);
    if (!e) return fail();
    return {e->width, static_cast<int>(e->height - pen_.axisOffset), static_cast<int>(e->depth + pen_.axisOffset)};
  }

  Result<Extent> table(const std::string& text, int L, int baseline, int x) {
    const TableSeam* t = st_.seams ? st_.seams->table : nullptr;
    if (!t) return LayoutCode::InvalidArgument;
    return pen_.draw ? t->Draw(st_, text, L, x, baseline) : t->Measure(st_, text, L, nullptr);
  }

  // \last and the fills: text flush with the line's right end, no width.
  MathBox flushRight(int kind, const std::string& text) {
    SaveBoxVariables(st_);
    const Color colour = st_.chr.font.color;
    st_.chr.font = st_.font.savedTextFont.name.empty() ? BaseFont(st_) : st_.font.savedTextFont;
    st_.chr.font.color = colour;
    const Result<Extent> e = BoxWidthHeight(st_, text, 1, false, false, 0, 0);
    if (!e) {
      RestoreBoxVariables(st_);
      return fail();
    }
    if (pen_.draw) {
      const int right = st_.draw.lineLeftX + LengthOf(st_, "linewidth", st_.line.lineWidth) -
                        LengthOf(st_, "mathrightindent", 0);
      const int left = right - e->width;
      const int baseline = static_cast<int>(pen_.axis + pen_.axisOffset);
      (void)BoxWidthHeight(st_, text, 1, false, true, baseline, left);
      if (kind != kLast) {
        const double s2 = MathSpace(st_, pen_, MathSpaceUnit::S2);
        const double length = left - s2 - (pen_.x + s2);
        MathPen fill = pen_;
        fill.x += s2;
        if (length > 0) (void)WriteCLdots(st_, fill, kind == kDotsfilllast ? kCdotslen : kCline, length);
      }
    }
    RestoreBoxVariables(st_);
    return {0, e->height, e->depth};
  }

  // \getmathX: the group's width and total height in mathwidthX, mathheightX.
  MathBox named(int kind, const std::string& text, int L) {
    const MathBox b = part(text, L, true);
    if (failed_) return fail();
    const std::string letter(1, static_cast<char>('A' + (kind - kGetmathFirst)));
    SetLengthList(st_, "mathwidth" + letter, b.width);
    SetLengthList(st_, "mathheight" + letter, b.height + b.depth);
    return {};
  }

  MathBox matrix(int kind, const std::vector<std::string_view>& g, int L) {
    if (g.size() < 2) return fail();
    const int rows = std::atoi(std::string(g[0]).c_str()), cols = std::atoi(std::string(g[1]).c_str());
    if (rows <= 0 || cols <= 0 || g.size() != static_cast<size_t>(2 + rows * cols)) return fail();
    if (kind == kArray && cols != 3) return fail();
    struct Cell {
      std::string text;
      char align;  // 'l', 'r', 'c'
      MathBox box;
    };
    std::vector<Cell> cells;
    for (int k = 0; k < rows * cols; ++k) {
      Cell c;
      c.text = std::string(g[static_cast<size_t>(2 + k)]);
      const int col = k % cols;
      c.align = kind == kLmatrix ? 'l' : kind == kRmatrix ? 'r' : kind == kArray ? "rcl"[col] : 'c';
      const size_t b = c.text.find('\\');
      if (b != std::string::npos && b + 1 < c.text.size() &&
          (c.text[b + 1] == 'l' || c.text[b + 1] == 'r' || c.text[b + 1] == 'c') &&
          (b + 2 >= c.text.size() || !IsLetter(c.text[b + 2]))) {
        c.align = c.text[b + 1];
        c.text.erase(b, 2);
      }
      c.box = part(c.text, L);
      cells.push_back(std::move(c));
    }
    if (failed_) return fail();
    std::vector<int> colW(static_cast<size_t>(cols)), rowA(static_cast<size_t>(rows)), rowD(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        const MathBox& b = cells[static_cast<size_t>(r * cols + c)].box;
        colW[static_cast<size_t>(c)] = std::max(colW[static_cast<size_t>(c)], b.width);
        rowA[static_cast<size_t>(r)] = std::max(rowA[static_cast<size_t>(r)], b.height);
        rowD[static_cast<size_t>(r)] = std::max(rowD[static_cast<size_t>(r)], b.depth);
      }
    const bool array = kind == kArray;
    const int rowGap = array ? LengthOf(st_, "parskip", 0) : LengthOf(st_, "matrixrowsep", 0);
    const int colGap = array ? static_cast<int>(5.0 / 18 * E_) : LengthOf(st_, "matrixcolsep", 0);
    int width = (cols - 1) * colGap;
    for (int w : colW) width += w;
    if (!array) width += 2 * colGap / 5;
    int T = (rows - 1) * rowGap;
    for (int r = 0; r < rows; ++r) T += rowA[static_cast<size_t>(r)] + rowD[static_cast<size_t>(r)];
    const MathBox box{width, T / 2, T - T / 2};

    if (array && st_.math.arrayRowExport) {
      st_.math.arrayRowList.clear();
      for (int r = 0; r < rows; ++r) {
        std::string line;
        for (int c = 0; c < cols; ++c) {
          const Cell& cell = cells[static_cast<size_t>(r * cols + c)];
          const int cw = colW[static_cast<size_t>(c)], w = cell.box.width;
          const std::string fill = "\\hskip{" + Centimetres(cw - w) + "}";
          if (cell.align == 'l') {
            line += cell.text + fill;
          } else if (cell.align == 'r') {
            line += fill + cell.text;
          } else {
            const int trailing = cw / 2 - w / 2 + colGap;
            const int leading = colW[0] >= 1 ? trailing : cw / 2 - w / 2;
            line += "\\hskip{" + Centimetres(leading) + "}" + cell.text + "\\hskip{" + Centimetres(trailing) + "}";
          }
        }
        st_.math.arrayRowList.push_back(std::move(line));
      }
      return box;
    }
    if (!pen_.draw) return box;
    double top = pen_.axis - T / 2;
    for (int r = 0; r < rows; ++r) {
      double cellX = colGap / 5;
      for (int c = 0; c < cols; ++c) {
        const Cell& cell = cells[static_cast<size_t>(r * cols + c)];
        const int cw = colW[static_cast<size_t>(c)];
        double dx = cellX;
        if (cell.align == 'r') dx += cw - cell.box.width;
        else if (cell.align == 'c') dx += cw / 2 - cell.box.width / 2;
        draw(cell.text, L, cell.box, dx, top + rowA[static_cast<size_t>(r)] - cell.box.height);
        cellX += cw + colGap;
      }
      top += rowA[static_cast<size_t>(r)] + rowD[static_cast<size_t>(r)] + rowGap;
    }
    return box;
  }

  State& st_;
  MathPen& pen_;
  double E_;
  bool failed_ = false;
  // Parts whose measuring this structure replayed, until they are drawn.
  std::vector<const MeasuredPart*> recalled_;
};

}  // namespace

int FractionChildLevel(int L) { return L == 1 ? 2 : L == 2 ? 3 : L == 3 ? 4 : 5; }
int ScriptChildLevel(int L) { return L >= 4 ? 5 : 4; }
int BraceLabelLevel(int L) { return L <= 2 ? 3 : L == 3 ? 4 : 5; }

ScriptKerns ScriptKernsOf(std::string_view nucleus) {
  if (nucleus.empty()) return {};
  if (nucleus[0] != '\\') {
    const char last = nucleus.back();
    if (!IsLetter(last)) return {};
    static const auto latin = KernIndex(kLatinKerns);
    if (const KernRow* r = FindKern(latin, std::string_view(&last, 1))) return {r->sub, r->sup};
    return last >= 'A' && last <= 'Z' ? ScriptKerns{".2", ""} : ScriptKerns{};
  }
  if (!IsGreekCommand(nucleus)) return {};
  static const auto greek = KernIndex(kGreekKerns);
  if (const KernRow* r = FindKern(greek, nucleus.substr(1))) return {r->sub, r->sup};
  return {};
}

MathBox SetMathStructure(State& st, MathPen& pen, const MathSegment& segment) {
  Structure s(st, pen);
  MathBox b = s.set(segment);
  // Parts select their own fonts: the segment's come back.
  BeginMathSegment(st, pen, segment.level);
  return b;
}

}  // namespace vel
