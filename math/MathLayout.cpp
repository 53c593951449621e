#include "math/MathLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "layout/fonts/Fonts.h"
#include "math/MathFonts.h"
#include "math/MathSigns.h"
#include "math/MathStructures.h"
#include "math/ReformMath.h"

namespace vel {

namespace {

using Segments = std::vector<MathSegment>;

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

// A formula is read (split, spaced, cut at its style switches) each time it
// is measured or drawn, and a document measures and draws each formula, and
// each of its parts, more than once: the readings are kept by level and
// text. Only a \mathstrut's reading depends on the state; it is not kept.
struct FormulaReadings {
  static constexpr size_t kMaxKept = 4096;
  std::array<std::unordered_map<std::string, std::shared_ptr<const Segments>, TextHash, std::equal_to<>>, 6> byLevel;
  // The letter kerns' skips of 1/n ch by n and cell height: they come
  // with most letters, and reading their text as an expression each time
  // cost more than the letters.
  struct KernSkip {
    int n;
    double cellHeight;
    int skip;
  };
  std::vector<KernSkip> kernSkips;
  // A formula as the line builder measured it, for its drawing: the box,
  // its parts, and the fonts it was measured in and left. Drawing it in
  // the same fonts takes these instead of measuring it again (only
  // formulas whose measuring changed nothing but the fonts are kept).
  struct Measured {
    MathBox box;
    std::shared_ptr<PartMemo> parts;
    CharStyle entryChr, endChr;
    FontState entryFont, endFont;
    bool smallCharSubstitutes = false;  // the setting it was measured under
  };
  std::array<std::unordered_map<std::string, Measured, TextHash, std::equal_to<>>, 6> measured;
};

namespace {

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
  return std::string::npos;
}

// The group directly at i, braces included; i moves past it.
bool TakeGroup(std::string_view t, size_t& i, std::string_view& group) {
  if (i >= t.size() || t[i] != '{') return false;
  const size_t end = GroupEnd(t, i);
  if (end == std::string::npos) return false;
  group = t.substr(i, end - i + 1);
  i = end + 1;
  return true;
}

std::string_view Inner(std::string_view group) { return group.substr(1, group.size() - 2); }

// The command name at i (after a backslash): letters, with the group byte
// of lengroup and valgroup.
std::string_view ReadName(std::string_view t, size_t& i) {
  const size_t start = i;
  while (i < t.size() && IsLetter(t[i])) ++i;
  const std::string_view name = t.substr(start, i - start);
  if ((name == "lengroup" || name == "valgroup") && i < t.size() &&
      (t[i] == inband::kOpenBrace || t[i] == inband::kCloseBrace))
    return t.substr(start, ++i - start);
  return name;
}

// A matrix body as "{rows}{cols}{cell}...": cells at "&", rows at a double
// backslash, braced groups passed over whole.
bool SplitMatrix(std::string_view body, bool threeColumns, std::string& out) {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (isLead(c) && i + 1 < body.size()) {
      cell += body.substr(i, 2);
      ++i;
    } else if (c == '{') {
      const size_t end = GroupEnd(body, i);
      if (end == std::string::npos) return false;
      cell += body.substr(i, end - i + 1);
      i = end;
    } else if (c == '\\' && i + 1 < body.size() && body[i + 1] == '\\') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
      ++i;
    } else if (c == '\\' && i + 1 < body.size()) {
      cell += body.substr(i, 2);
      ++i;
    } else if (c == '&') {
      rows.back().push_back(cell);
      cell.clear();
    } else {
      cell += c;
    }
  }
  rows.back().push_back(cell);
  // A row separator at the very end closes the last row rather than
  // opening an empty one.
  if (rows.size() > 1 && rows.back().size() == 1 && rows.back()[0].find_first_not_of(' ') == std::string::npos)
    rows.pop_back();
  const size_t cols = rows[0].size();
  if (rows.size() > kMaxMatrixSide || cols > kMaxMatrixSide) return false;
  for (const auto& r : rows)
    if (r.size() != cols) return false;
  if (threeColumns && cols != 3) return false;
  out = "{" + std::to_string(rows.size()) + "}{" + std::to_string(cols) + "}";
  for (const auto& r : rows)
    for (const std::string& c : r) out += "{" + c + "}";
  return true;
}

// ---- the spacing pass ----

// The letter kerns: the skip of 1/n ch that follows these letters (n by
// letter; nothing for the others).
std::string_view LetterKern(char c) {
  switch (c) {
    case 'V': return "\\hskip{1/8ch}";
    case 'F':
    case 'f': return "\\hskip{1/9ch}";
    case 'P':
    case 'T': return "\\hskip{1/12ch}";
    case 'C':
    case 'I':
    case 'J':
    case 'Y':
    case 'c':
    case 'g':
    case 'j':
    case 'k':
    case 'l':
    case 'p':
    case 't': return "\\hskip{1/18ch}";
    case 'A':
    case 'E':
    case 'K':
    case 'M':
    case 'N':
    case 'U':
    case 'W':
    case 'd':
    case 'q': return "\\hskip{1/24ch}";
    case 'B':
    case 'H':
    case 'R':
    case 'S':
    case 'Z':
    case 'b':
    case 'i':
    case 'r':
    case 'v': return "\\hskip{1/36ch}";
    default: return {};
  }
}

bool UnaryAfter(MathAtom prev) {
  return prev == MathAtom::Rel || prev == MathAtom::Open || prev == MathAtom::Punct || prev == MathAtom::Start;
}

// Classes of a byte that is no command, before and after it; Start
// before: nothing is inserted.
void ByteClasses(char c, MathAtom prev, MathAtom& before, MathAtom& after) {
  switch (c) {
    case inband::kOpenBrace:
    case '(':
    case '[': before = after = MathAtom::Open; return;
    case inband::kCloseBrace:
    case ')':
    case ']': before = after = MathAtom::Close; return;
    case '+':
    case '-':
      before = MathAtom::Bin;
      after = UnaryAfter(prev) ? MathAtom::Unary : MathAtom::Bin;
      return;
    case ',':
    case ';': before = after = MathAtom::Punct; return;
    case ':':
    case '<':
    case '=':
    case '>': before = after = MathAtom::Rel; return;
    default: before = after = MathAtom::Ord; return;
  }
}

class SpacingPass {
 public:
  SpacingPass(State& st) : st_(st) {}

  bool run(std::vector<MathSegment>& segs) {
    std::vector<MathSegment> out;
    out.reserve(2 * segs.size());
    for (MathSegment& s : segs) {
      if (s.kind == 0) {
        std::string spaced;
        if (!plain(s.text, s.level, spaced)) return false;
        s.text = std::move(spaced);
        out.push_back(std::move(s));
        continue;
      }
      MathAtom before = MathAtom::Start, after = MathAtom::Start;
      if (!structureClasses(s, before, after)) return false;
      if (before != MathAtom::Start) {
        const std::string_view ins = GetInsertStr(s.level, prev_, before);
        if (!ins.empty()) out.push_back({std::string(ins), s.level, 0});
        prev_ = after;
      }
      out.push_back(std::move(s));
    }
    segs = std::move(out);
    return true;
  }

 private:
  void insert(std::string& out, int level, MathAtom cur) { out += GetInsertStr(level, prev_, cur); }

  // The classes of a command in plain text; false for a name in no table.
  bool commandClasses(std::string_view name, MathAtom& before, MathAtom& after, int& number) {
    number = GetEachTypeCommandNum(name);
    if (number < 0) {
      st_.message("** \\" + std::string(name) + SJ("コマンドは存在しません。"));
      return false;
    }
    switch (SymbolClassOf(number)) {
      case SymbolClass::Function: before = after = MathAtom::Op; break;
      case SymbolClass::Ordinary: before = after = MathAtom::Ord; break;
      case SymbolClass::Infix:
        before = MathAtom::Bin;
        after = (name == "pm" || name == "mp") && UnaryAfter(prev_) ? MathAtom::Unary : MathAtom::Bin;
        break;
      case SymbolClass::Relation: before = after = MathAtom::Rel; break;
      case SymbolClass::Spacing: before = after = MathAtom::Space; break;
      default: before = after = MathAtom::Start; break;
    }
    return true;
  }

  bool plain(std::string_view t, int level, std::string& out) {
    for (size_t i = 0; i < t.size();) {
      const char c = t[i];
      if (c == ' ' || c == '{' || c == '}') {
        out += c;
        ++i;
        continue;
      }
      if (isLead(c) && i + 1 < t.size()) {
        insert(out, level, MathAtom::Ord);
        out += t.substr(i, 2);
        prev_ = MathAtom::Ord;
        i += 2;
        continue;
      }
      if (c != '\\') {
        MathAtom before, after;
        ByteClasses(c, prev_, before, after);
        insert(out, level, before);
        if (c == 'i') out += "\\hskip{1/18ch}";
        out += c;
        if (IsLetter(c)) out += LetterKern(c);
        prev_ = after;
        ++i;
        continue;
      }
      if (i + 1 >= t.size()) {
        out += c;
        ++i;
        continue;
      }
      const char n = t[i + 1];
      if (!IsLetter(n)) {
        out += t.substr(i, 2);
        if (n < inband::kStyleNormalCap || n > inband::kStyleSmallSmall) prev_ = MathAtom::Space;
        i += 2;
        continue;
      }
      size_t e = i + 1;
      const std::string_view name = ReadName(t, e);
      if (name == "hskip") {
        std::string_view g;
        if (!TakeGroup(t, e, g)) return false;
        out += "\\hskip";
        out += g;
        prev_ = MathAtom::Space;
        i = e;
        continue;
      }
      if (name == "omicron") {
        insert(out, level, MathAtom::Ord);
        out += 'o';
        prev_ = MathAtom::Ord;
        i = e;
        continue;
      }
      MathAtom before, after;
      int number = -1;
      if (!commandClasses(name, before, after, number)) return false;
      if (SymbolClassOf(number) == SymbolClass::Negation) {
        // With a relation after it, the pair is one relation.
        size_t k = e;
        while (k < t.size() && t[k] == ' ') ++k;
        bool pair = k < t.size() && (t[k] == '<' || t[k] == '=' || t[k] == '>');
        if (!pair && k + 1 < t.size() && t[k] == '\\' && IsLetter(t[k + 1])) {
          size_t m = k + 1;
          pair = SymbolClassOf(GetEachTypeCommandNum(ReadName(t, m))) == SymbolClass::Relation;
        }
        if (pair) {
          insert(out, level, MathAtom::Rel);
          prev_ = MathAtom::Rel;
          // The relation joins without space of its own.
          out += t.substr(i, k - i);
          size_t m = k;
          if (t[k] == '\\') {
            ++m;
            out += '\\';
            out += ReadName(t, m);
          } else {
            out += t[m++];
          }
          i = m;
          continue;
        }
        out += t.substr(i, e - i);
        i = e;
        continue;
      }
      if (before != MathAtom::Start && before != MathAtom::Space) insert(out, level, before);
      out += t.substr(i, e - i);
      out += GreekCorrectionAfter(number);
      if (name == "gg" || name == "ll") out += "\\,";
      prev_ = after;
      i = e;
    }
    return true;
  }

  bool structureClasses(const MathSegment& s, MathAtom& before, MathAtom& after) {
    switch (s.kind) {
      case 2:   // frac
      case 1:   // sqr
      case 5:   // matrix
      case 6:   // over
      case 7:   // under
      case 15:  // arc
      case 21:  // overbrace
      case 22:  // underbrace
      case 23:  // array
      case 25:  // nroot
        before = after = MathAtom::Inner;
        return true;
      case 4:  // left
        before = MathAtom::Open;
        after = MathAtom::Close;
        return true;
      case 3: {  // uplow: by the first byte of its nucleus
        size_t i = 0;
        std::string_view nucleus;
        std::string_view t = s.text;
        if (!TakeGroup(t, i, nucleus)) return true;
        nucleus = Inner(nucleus);
        size_t k = 0;
        while (k < nucleus.size() && nucleus[k] == ' ') ++k;
        if (k >= nucleus.size()) return true;
        if (nucleus[k] == '\\' && k + 1 < nucleus.size() && IsLetter(nucleus[k + 1])) {
          size_t e = k + 1;
          const std::string_view name = ReadName(nucleus, e);
          if (GetMathCommandNum(name) >= 0) {
            before = after = MathAtom::Ord;
            return true;
          }
          int number = -1;
          if (name == "omicron") before = after = MathAtom::Ord;
          else if (!commandClasses(name, before, after, number)) return false;
          return true;
        }
        ByteClasses(nucleus[k], prev_, before, after);
        return true;
      }
      case 24:  // last
      case 26:  // dotsfilllast
      case 27:  // linefilllast
      case 38:  // lmatrix
      case 41:  // rmatrix
      case 34:
      case 35:
      case 36:
      case 37:  // the length and value groups
        return true;
      default:
        if (s.kind >= 100 && s.kind <= 125) return true;  // getmath
        before = after = MathAtom::Ord;
        return true;
    }
  }

  State& st_;
  MathAtom prev_ = MathAtom::Start;
};

// ---- plain text ----

class PlainLayout {
 public:
  PlainLayout(State& st, MathPen& pen) : st_(st), pen_(pen) {}

  // Lays out one plain segment; false on an error.
  bool run(std::string_view t, MathBox& box) {
    for (size_t i = 0; i < t.size();) {
      const char c = t[i];
      if (c == ' ' || c == '{' || c == '}') {
        ++i;
        continue;
      }
      if (isLead(c) && i + 1 < t.size()) {
        size_t j = i;
        while (j + 1 < t.size() && isLead(t[j])) j += 2;
        add(box, SetUprightText(st_, pen_, t.substr(i, j - i)));
        i = j;
        continue;
      }
      if (c != '\\') {
        const bool relation = c == '<' || c == '=' || c == '>';
        const MathBox b = charAtom(c);
        strike(b, relation);
        add(box, b);
        ++i;
        continue;
      }
      if (i + 1 >= t.size()) break;
      const char n = t[i + 1];
      if (!IsLetter(n)) {
        const int num = GetEachTypeCommandNum(std::string_view(&t[i + 1], 1));
        if (const MathSymbol* s = num >= 0 ? MathSymbolOf(num) : nullptr) add(box, SetMathSymbol(st_, pen_, *s));
        i += 2;
        continue;
      }
      size_t e = i + 1;
      const std::string_view name = ReadName(t, e);
      i = e;
      if (name == "hskip") {
        std::string_view g;
        if (!TakeGroup(t, i, g)) return false;
        add(box, {skip(Inner(g)), 0, 0});
        continue;
      }
      const int num = GetEachTypeCommandNum(name);
      const MathSymbol* s = num >= 0 ? MathSymbolOf(num) : nullptr;
      if (!s) {
        st_.message("** \\" + std::string(name) + SJ("コマンドは存在しません。"));
        return false;
      }
      if (s->metric == MathMetric::Negation) {
        pendingNot_ = s->variant;
        continue;
      }
      const MathBox b = symbolAtom(*s);
      strike(b, SymbolClassOf(num) == SymbolClass::Relation || s->op == MathDrawOp::WriteCraftRels);
      add(box, b);
    }
    return true;
  }

 private:
  int skip(std::string_view length) {
    int n = 0;
    const bool kern = length.starts_with("1/") && length.ends_with("ch") && length.size() > 4 &&
                      std::from_chars(length.data() + 2, length.data() + length.size() - 2, n).ptr ==
                          length.data() + length.size() - 2;
    if (!kern) {
      if (length.find('\\') != std::string_view::npos) st_.math.beyondFonts = true;  // a variable
      return UnitToPix(st_, length);
    }
    if (!st_.math.readings) st_.math.readings = std::make_shared<FormulaReadings>();
    auto& known = st_.math.readings->kernSkips;
    const double cell = st_.font.charHeight;
    for (const auto& k : known)
      if (k.n == n && k.cellHeight == cell) {
        st_.val.unitGiven = true;
        st_.val.lengthVarUsed = false;
        return k.skip;
      }
    const int v = UnitToPix(st_, length);
    if (known.size() < 64) known.push_back({n, cell, v});
    return v;
  }

  bool fallback() const { return st_.settings && st_.settings->smallCharPrintError && pen_.level >= 3; }

  // A full-width letter of the Japanese text font in place of a small
  // math glyph the printer cannot print.
  MathBox fallbackAtom(const std::string& letter) {
    SetFontName(st_, SJ("ＭＳ Ｐ明朝"), pen_.level);
    st_.chr.font.italic = false;
    const TextMetrics m = st_.canvas->metrics(st_.chr.font);
    const double shift = MathSpace(st_, pen_, MathSpaceUnit::S2);
    MathBox b{static_cast<int>(st_.canvas->textWidth(st_.chr.font, letter) - 2 * shift), m.ascent, m.descent};
    if (pen_.draw) InclineTextOut(st_, pen_.x, pen_.axis, letter, -m.ascent, -shift);
    return b;
  }

  MathBox charAtom(char c) {
    if (fallback() && st_.canvas) {
      const std::string full = SmallCharFallbackOfChar(c);
      if (!full.empty()) return fallbackAtom(full);
    }
    return SetMathChar(st_, pen_, c);
  }

  MathBox symbolAtom(const MathSymbol& s) {
    if (fallback() && st_.canvas) {
      const std::string full = SmallCharFallback(s.number);
      if (!full.empty()) return fallbackAtom(full);
    }
    return SetMathSymbol(st_, pen_, s);
  }

  void strike(const MathBox& b, bool relation) {
    if (!relation || pendingNot_ < 0) return;
    WriteNot(st_, pen_, b.width, pendingNot_);
    pendingNot_ = -1;
  }

  void add(MathBox& box, const MathBox& b) {
    box.width += b.width;
    box.height = std::max(box.height, b.height);
    box.depth = std::max(box.depth, b.depth);
    AdvanceMathPen(st_, pen_, b.width);
  }

  State& st_;
  MathPen& pen_;
  int pendingNot_ = -1;
};

// Everything a formula changes and puts back.
struct FormulaScope {
  explicit FormulaScope(State& st)
      : st(st), chr(st.chr), font(st.font), pen(st.canvas ? st.canvas->pen() : Pen{}) {}
  ~FormulaScope() {
    st.chr = std::move(chr);
    st.font = std::move(font);
    if (st.canvas) st.canvas->setPen(pen);
  }
  State& st;
  CharStyle chr;
  FontState font;
  Pen pen;
};

bool LayoutSegments(State& st, const std::vector<MathSegment>& segs, MathPen& pen, MathBox& box) {
  for (const MathSegment& s : segs) {
    BeginMathSegment(st, pen, s.level);
    MathBox b;
    if (s.kind == 0) {
      PlainLayout plain(st, pen);
      if (!plain.run(s.text, b)) return false;
    } else {
      b = SetMathStructure(st, pen, s);
      if (b.width < 0) return false;
      AdvanceMathPen(st, pen, b.width);
    }
    box.width += b.width;
    box.height = std::max(box.height, b.height);
    box.depth = std::max(box.depth, b.depth);
  }
  return true;
}

}  // namespace

bool SplitMathSegments(State& st, std::string_view t, int level, std::vector<MathSegment>& out) {
  std::string pending;
  auto flush = [&] {
    if (!pending.empty()) out.push_back({std::move(pending), level, 0});
    pending.clear();
  };
  for (size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (isLead(c) && i + 1 < t.size()) {
      pending += t.substr(i, 2);
      i += 2;
      continue;
    }
    if (c != '\\' || i + 1 >= t.size()) {
      pending += c;
      ++i;
      continue;
    }
    if (!IsLetter(t[i + 1])) {
      pending += t.substr(i, 2);
      i += 2;
      continue;
    }
    size_t e = i + 1;
    const std::string_view name = ReadName(t, e);
    const int num = GetMathCommandNum(name);
    if (num < 0) {
      pending += t.substr(i, e - i);
      i = e;
      continue;
    }
    const MathCommand* cmd = MathCommandOf(num);
    MathSegment seg{{}, level, num};
    std::string_view a, b, g3;
    switch (cmd ? cmd->args : MathArgs::None) {
      case MathArgs::None: break;
      case MathArgs::Two:
        if (!TakeGroup(t, e, a) || !TakeGroup(t, e, b)) return false;
        seg.text = std::string(a) + std::string(b);
        break;
      case MathArgs::Three:
        if (!TakeGroup(t, e, a) || !TakeGroup(t, e, b) || !TakeGroup(t, e, g3)) return false;
        seg.text = Inner(a) == "\\log" ? "{\\log\\<}" : std::string(a);
        seg.text += std::string(b) + std::string(g3);
        break;
      case MathArgs::DelimiterPair: {
        if (e >= t.size()) return false;
        char open = t[e++];
        int depth = 1;
        size_t j = e;
        for (; j < t.size(); ++j) {
          if (isLead(t[j]) && j + 1 < t.size()) {
            ++j;
            continue;
          }
          if (t.compare(j, 5, "\\left") == 0 && !(j + 5 < t.size() && IsLetter(t[j + 5]))) ++depth;
          else if (t.compare(j, 6, "\\right") == 0 && --depth == 0) break;
        }
        if (j >= t.size() || j + 6 >= t.size()) return false;
        char close = t[j + 6];
        open = inband::Shown(open);
        close = inband::Shown(close);
        seg.text = open + std::string(t.substr(e, j - e)) + close;
        e = j + 7;
        break;
      }
      case MathArgs::OptionalCount:
        if (TakeGroup(t, e, a)) seg.text = std::string(Inner(a));
        else seg.text = "3";
        break;
      case MathArgs::One: {
        if (!TakeGroup(t, e, a)) return false;
        const std::string_view body = Inner(a);
        if (name == "matrix" || name == "array" || name == "lmatrix" || name == "rmatrix") {
          if (!SplitMatrix(body, name == "array", seg.text)) return false;
        } else if (name == "mathstrut") {
          const int len = UnitToPix(st, body);
          if (len < 0) return false;
          seg.text = std::to_string(len);
        } else if (name == "underline" || name == "framebox" || name == "Underline") {
          std::string_view content = body;
          std::string style;
          if (content.starts_with("\\style{")) {
            size_t k = 6;
            std::string_view sg;
            if (!TakeGroup(content, k, sg)) return false;
            style = std::string(content.substr(0, k));
            content.remove_prefix(k);
          }
          seg.text = style + "$" + std::string(content) + "$";
        } else {
          seg.text = std::string(body);
        }
        break;
      }
    }
    flush();
    out.push_back(std::move(seg));
    i = e;
  }
  flush();
  return true;
}

bool SpaceMathSegments(State& st, std::vector<MathSegment>& segments) { return SpacingPass(st).run(segments); }

namespace {

// Where the first style switch (a backslash and a level byte) of plain
// math text stands, or npos.
size_t FindStyleSwitch(std::string_view t) {
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (isLead(t[i])) {
      ++i;
      continue;
    }
    if (t[i] != '\\') continue;
    if (t[i + 1] >= inband::kStyleNormalCap && t[i + 1] <= inband::kStyleSmallSmall) return i;
    ++i;
  }
  return std::string::npos;
}

}  // namespace

void ApplyStyleSwitches(std::vector<MathSegment>& segs) {
  // Most formulas switch no level: their segments stay as they are.
  if (std::none_of(segs.begin(), segs.end(), [](const MathSegment& s) {
        return s.kind == 0 && FindStyleSwitch(s.text) != std::string::npos;
      }))
    return;
  std::vector<MathSegment> out;
  int switched = 0;
  for (MathSegment& s : segs) {
    if (switched) s.level = switched;
    if (s.kind != 0) {
      out.push_back(std::move(s));
      continue;
    }
    std::string rest = std::move(s.text);
    int level = s.level;
    for (;;) {
      const size_t k = FindStyleSwitch(rest);
      if (k == std::string::npos) break;
      out.push_back({rest.substr(0, k), level, 0});
      switched = level = rest[k + 1] - inband::kStyleNormalCap + 1;
      rest.erase(0, k + 2);
    }
    out.push_back({std::move(rest), level, 0});
  }
  segs = std::move(out);
}

namespace {

// Room for one more in maps kept by level: past kMaxKept all are dropped.
template <typename Map>
void MakeRoom(std::array<Map, 6>& byLevel) {
  size_t kept = 0;
  for (const auto& m : byLevel) kept += m.size();
  if (kept >= FormulaReadings::kMaxKept)
    for (auto& m : byLevel) m.clear();
}

// The parts a drawing takes instead of measuring, from their first.
void Replay(State& st, PartMemo& parts) {
  parts.depth = st.math.depth;
  parts.replaying = true;
  parts.next = 0;
  st.math.partMemo = &parts;
}

// A formula is set through many small functions, fetched again for every
// part: what runs rarely (a first reading, keeping a measuring, finding a
// kept one) stays out of their line.
[[gnu::noinline]] std::shared_ptr<const Segments> ReadAnew(State& st, std::string_view formula, int level, bool keep);

std::shared_ptr<const Segments> ReadFormula(State& st, std::string_view formula, int level) {
  const bool keep = level >= 0 && level < 6 && formula.find("mathstrut") == std::string_view::npos;
  if (keep && st.math.readings) {
    auto& kept = st.math.readings->byLevel[static_cast<size_t>(level)];
    if (auto it = kept.find(formula); it != kept.end()) return it->second;
  }
  return ReadAnew(st, formula, level, keep);
}

std::shared_ptr<const Segments> ReadAnew(State& st, std::string_view formula, int level, bool keep) {
  auto segs = std::make_shared<Segments>();
  if (!SplitMathSegments(st, formula, level, *segs) || !SpaceMathSegments(st, *segs)) return nullptr;
  ApplyStyleSwitches(*segs);
  if (keep) {
    if (!st.math.readings) st.math.readings = std::make_shared<FormulaReadings>();
    auto& byLevel = st.math.readings->byLevel;
    MakeRoom(byLevel);
    byLevel[static_cast<size_t>(level)].emplace(std::string(formula), segs);
  }
  return segs;
}

bool SmallCharSubstitutes(const State& st) { return st.settings && st.settings->smallCharPrintError; }

// The device height is the one part of the fonts that follows the surface
// (the layout measures for none): it is left out of the comparison.
bool SameFonts(const FontState& a, FontState b) {
  b.deviceHeight = a.deviceHeight;
  return a == b;
}

// The measuring kept of a whole formula about to be drawn in these fonts.
[[gnu::noinline]] const FormulaReadings::Measured* KeptMeasuring(const State& st, std::string_view formula,
                                                                  int level) {
  if (!st.math.readings) return nullptr;
  const auto& kept = st.math.readings->measured[static_cast<size_t>(level)];
  const auto it = kept.find(formula);
  if (it == kept.end() || !(it->second.entryChr == st.chr) || !SameFonts(it->second.entryFont, st.font) ||
      it->second.smallCharSubstitutes != SmallCharSubstitutes(st))
    return nullptr;
  return &it->second;
}

// Keeps a whole formula's measuring: its box, its parts and the fonts it
// came in with (held by the scope) and left.
[[gnu::noinline]] void KeepMeasuring(State& st, std::string_view formula, int level, const MathBox& box,
                                     std::shared_ptr<PartMemo> parts, const CharStyle& entryChr,
                                     const FontState& entryFont) {
  auto& measured = st.math.readings->measured;
  MakeRoom(measured);
  measured[static_cast<size_t>(level)].insert_or_assign(
      std::string(formula),
      FormulaReadings::Measured{box, std::move(parts), entryChr, st.chr, entryFont, st.font, SmallCharSubstitutes(st)});
}

}  // namespace

MathBox MathWidthHeight(State& st, std::string_view formula, int level, bool draw, double top, double left,
                        const MathBox* measured, PartMemo* partsOfMeasured) {
  MathBox result;
  if (st.math.depth >= kMaxFormulaNesting) return {-1, 0, 0};
  // A whole formula (no part of another) measured alone is kept for its
  // drawing; drawn, it looks for what was kept.
  const bool whole = st.math.depth == 0 && level >= 0 && level < 6 && !st.math.arrayRowExport && !measured;
  const FormulaReadings::Measured* const known = whole ? KeptMeasuring(st, formula, level) : nullptr;
  // Measured again in the same fonts (a formula written more than once),
  // it measures as before: its measuring changes nothing else.
  if (known && !draw) return known->box;
  const bool keep = whole && !draw && formula.find("mathstrut") == std::string_view::npos;
  ++st.math.depth;
  {
    FormulaScope scope(st);
    // The axis offset comes from the Japanese text font at the level,
    // upright and plain (set before the name, whose setting measures it).
    st.chr.font.italic = st.chr.font.underline = st.chr.font.strikeOut = false;
    SetFontName(st, SJ("ＭＳ Ｐ明朝"), level);
    const std::shared_ptr<const Segments> read = ReadFormula(st, formula, level);
    bool ok = read != nullptr;
    if (ok) {
      const Segments& segs = *read;
      MathPen pen;
      pen.axisOffset = st.font.mathAxis;
      // Drawing after measuring here sets the formula twice: what it counts
      // is counted once.
      const bool twice = draw && !measured && !known;
      decltype(st.val.counters) counters;  // set only when drawn twice
      if (twice) counters = st.val.counters;
      // The parts measured here are recorded: for the drawing pass that
      // follows, or kept with the formula's measuring.
      std::shared_ptr<PartMemo> recorded = keep ? std::make_shared<PartMemo>() : nullptr;
      PartMemo local;
      PartMemo& memo = keep ? *recorded : local;
      memo.depth = st.math.depth;
      PartMemo* const outer = st.math.partMemo;
      if ((draw && !measured) || keep) st.math.partMemo = &memo;
      const auto countersBefore = keep ? st.val.counters : decltype(st.val.counters){};
      const bool changedBefore = st.math.beyondFonts;
      st.math.beyondFonts = false;
      if (known) {
        // What the measuring would have left: the kept fonts, at this
        // surface's device height, and the kept parts to replay.
        result = known->box;
        st.chr = known->endChr;
        st.font = known->endFont;
        st.font.deviceHeight = st.font.layoutHeight * st.draw.scale;
        Replay(st, *known->parts);
      } else if (draw && measured) {
        result = *measured;
        ok = result.width >= 0;
        if (partsOfMeasured) Replay(st, *partsOfMeasured);
      } else {
        ok = LayoutSegments(st, segs, pen, result);
      }
      if (keep && ok && !st.math.beyondFonts && st.val.counters == countersBefore)
        KeepMeasuring(st, formula, level, result, std::move(recorded), scope.chr, scope.font);
      st.math.beyondFonts = changedBefore || st.math.beyondFonts;
      memo.replaying = true;
      if (ok && draw) {
        if (twice) st.val.counters = counters;
        MathPen drawing;
        drawing.axisOffset = pen.axisOffset;
        drawing.draw = true;
        const double t = st.font.textRotationRad;
        drawing.x = t == 0 ? left : std::trunc(std::sin(t) * result.height + left);
        drawing.axis = t == 0 ? top + result.height : std::trunc(std::cos(t) * result.height + top);
        MathBox again;
        ok = LayoutSegments(st, segs, drawing, again);
      }
      st.math.partMemo = outer;
    }
    if (!ok) result.width = -1;
  }
  --st.math.depth;
  return result;
}

}  // namespace vel
