// The commands that change settings: skips, fonts, rules, separations,
// indents, math and matrix settings, counters, registers, user lengths;
// and ReplayCommandWord, which re-applies them when a page is drawn.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/commands/CommandEffects.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"
#include "frontend/Lexical.h"

namespace vel::fx {

void Skip(State& st, int sub, std::string& text) {
  const int v = ReformPara(st, text);
  LineState& L = st.line;
  if (sub == 0) {
    st.para.lineSkip = v;
    SetLengthList(st, "lineskip", v);
    // Until a \parskip is met the published paragraph skip follows; the
    // skip that \p uses stays.
    if (!L.parSkipSet) SetLengthList(st, "parskip", v);
  } else {
    st.para.parSkip = v;
    L.parSkipSet = true;
    SetLengthList(st, "parskip", v);
  }
}

void FontSetting(State& st, int sub, const std::string& text, int styleLevel) {
  switch (sub) {
    case 0:
    case 4:
      SetFontName(st, text, styleLevel);
      st.chr.alnumFontMode = sub == 0 ? 0 : 1;
      break;
    case 1: SetFontSize(st, text, styleLevel); break;
    case 2: SetFontStyle(st, text, styleLevel); break;
    case 3: SetFontColor(st, text); break;
    default: break;
  }
}

void Rule(State& st, int sub, std::string& text) {
  if (sub == 0) {
    st.chr.ruleWidth = ReformPara(st, text);
    SetLengthList(st, "rulewidth", st.chr.ruleWidth);
  } else {
    st.chr.ruleColor = GetColor(st, text);
  }
}

void Separation(State& st, int sub, std::string& text) {
  const int v = ReformPara(st, text);
  switch (sub) {
    case 0:
      st.chr.frameBoxSep = v;
      SetLengthList(st, "frameboxsep", v);
      break;
    case 1:
      st.chr.underlineSep = v;
      SetLengthList(st, "underlinesep", v);
      break;
    default:
      st.chr.doubleLineSep = v;
      SetLengthList(st, "doublelinesep", v);
      break;
  }
}

void ParIndent(State& st, std::string& text) {
  st.para.parIndent = ReformPara(st, text);
  SetLengthList(st, "parindent", st.para.parIndent);
  RecomputeLineWidth(st);
}

void TableSep(State& st, int sub, std::string& text) {
  const int v = ReformPara(st, text);
  if (sub != 2) {
    st.chr.tableRowSep = v;
    SetLengthList(st, "tablerowsep", v);
  }
  if (sub != 1) {
    // "tablesep" reads as the column separation (as group restores publish it).
    st.chr.tableColSep = v;
    SetLengthList(st, "tablecolsep", v);
    SetLengthList(st, "tablesep", v);
  }
}

void MathSetting(State& st, int sub, std::string& text) {
  switch (sub) {
    case 0:
      st.para.mathIndent = ReformPara(st, text);
      SetLengthList(st, "mathindent", st.para.mathIndent);
      break;
    case 1:
      st.para.mathRightIndent = ReformPara(st, text);
      SetLengthList(st, "mathrightindent", st.para.mathRightIndent);
      break;
    case 2: st.chr.mathKakkoMode = DecimalInteger(text); break;
    default: st.chr.inlineMathMode = DecimalInteger(text); break;
  }
}

void MatrixSep(State& st, int sub, const std::string& text) {
  const int v = UnitToPix(st, text);
  if (sub == 0) {
    st.chr.matrixRowSep = v;
    st.cmd.matrixRowSepExact = v;
    SetLengthList(st, "matrixrowsep", v);
  } else {
    st.chr.matrixColSep = v;
    st.cmd.matrixColSepExact = v;
    SetLengthList(st, "matrixcolsep", v);
  }
}

void AlnumFontMode(State& st, const std::string& text) { st.chr.alnumFontMode = DecimalInteger(text); }

void TateMode(State& st, const std::string& text) {
  st.font.tateMode = DecimalInteger(text);
  SetValueList(st, "tatemode", st.font.tateMode);
}

void LengthCounter(State& st, int sub, const std::string& text) {
  if (sub == 0) DefLength(st, text);
  else SetCounter(st, text);
}

void AssignRegister(State& st, int n, double v) {
  if (n >= 0 && n < static_cast<int>(st.val.registers.size())) st.val.registers[static_cast<size_t>(n)] = v;
}

void ToVal(State& st, const std::string& text) {
  std::vector<std::string> parts;
  StrTok(text, ",", parts);
  const int a = UnitToPix(st, parts[0]);
  const int b = parts.size() > 1 ? UnitToPix(st, parts[1]) : 0;
  AssignRegister(st, 52 + ('X' - 'A'), b > 0 ? static_cast<double>(a) / b : 0.0);
}

void BoldMath(State& st, int sub) { st.chr.boldMath = sub == 0; }

int AssignUserLength(State& st, int index, std::string& text) {
  const int v = ReformPara(st, text);
  if (index >= 0 && index < st.val.userLengthList->Count()) st.val.userLengthList.mut()[index].value = v;
  return v;
}

void StepItemCounter(State& st, int level) {
  if (level < 0 || level > 9) return;
  ++st.val.counters[counter::Item(level)];
}

void SetItemCounter(State& st, int level, int value) {
  if (level < 0 || level > 9) return;
  st.val.counters[counter::Item(level)] = value;
}

void SetHeadingCounters(State& st, int chapter, int section, int subsection) {
  st.val.counters[counter::kChapter] = chapter;
  st.val.counters[counter::kSection] = section;
  st.val.counters[counter::kSubsection] = subsection;
}

void StepHeadingCounters(State& st, int level) {
  auto& c = st.val.counters;
  switch (level) {
    case 0:
      ++c[counter::kChapter];
      c[counter::kSection] = c[counter::kSubsection] = 0;
      break;
    case 1:
      ++c[counter::kSection];
      c[counter::kSubsection] = 0;
      break;
    case 2: ++c[counter::kSubsection]; break;
    default: break;
  }
}

int DecimalInteger(std::string_view textIn) {
  const std::string t = Trim(textIn);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i >= t.size()) return 0;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return 0;
    v = v * 10 + (t[i] - '0');
    if (v > std::numeric_limits<int>::max()) return 0;
  }
  return static_cast<int>(negative ? -v : v);
}

void PutDouble(CommandResult& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  out.valueA = static_cast<int32_t>(static_cast<uint32_t>(bits & 0xFFFFFFFFu));
  out.valueB = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
}

double HalvesDouble(int32_t low, int32_t high) {
  const uint64_t bits =
      static_cast<uint64_t>(static_cast<uint32_t>(low)) | (static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

double WordDouble(const WordInfo& w) { return HalvesDouble(w.valueA, w.valueB); }

}  // namespace vel::fx

namespace vel {

void ReplayCommandWord(State& st, const WordInfo& w, std::string& wordText, bool draw) {
  const int k = w.kind;
  const int sub = w.subType;
  // The layout froze lengths in the word text already; drawing reads a
  // copy so that it never changes the layout's records.
  std::string text = wordText;

  // What can step counters or set registers, flags and bindings runs in
  // both modes.
  if (k >= cmd::ValFirst && k <= cmd::ValFirst + 51) {
    fx::AssignRegister(st, RegisterOfKind(k), fx::WordDouble(w));
    return;
  }
  switch (k) {
    case cmd::Pval: fx::AssignRegister(st, 52 + sub, fx::WordDouble(w)); return;
    case cmd::BoldMath: fx::BoldMath(st, sub); return;
    case cmd::AlnumFontMode: fx::AlnumFontMode(st, text); return;
    case cmd::MakeBox:
      if (sub >= 0 && sub < 26) st.box.boxLetterIndex[static_cast<size_t>(sub)] = w.value;
      return;
    case cmd::LengthCounter:
      if (sub == 1) fx::LengthCounter(st, 1, text);
      else if (draw) fx::LengthCounter(st, 0, text);
      return;
    // Replaying steps the counters (the page-start correction subtracts
    // what a line stepped); drawing sets them to what the layout gave them,
    // since the resets of \beginitem are not drawn.
    case cmd::Item:
      if (draw) fx::SetItemCounter(st, w.value, w.valueA);
      else fx::StepItemCounter(st, w.value);
      return;
    case cmd::Heading:
      if (sub > 2) return;
      if (draw) fx::SetHeadingCounters(st, w.value, w.valueA, w.valueB);
      else fx::StepHeadingCounters(st, sub);
      return;
    case cmd::GroupMark: fx::ReplayGroupMarker(st, w, draw); return;
    default: break;
  }
  if (!draw) return;

  if (k >= cmd::UserLengthFirst) {
    fx::AssignUserLength(st, k - cmd::UserLengthFirst, text);
    return;
  }
  const int level = 2;  // running text and mini pages
  switch (k) {
    case cmd::Skip: fx::Skip(st, sub, text); break;
    case cmd::Font: fx::FontSetting(st, sub, text, level); break;
    case cmd::Rule: fx::Rule(st, sub, text); break;
    case cmd::Separation: fx::Separation(st, sub, text); break;
    case cmd::Indent:
      if (sub == 2) fx::ParIndent(st, text);
      break;
    case cmd::TableSep: fx::TableSep(st, sub, text); break;
    case cmd::MathSetting: fx::MathSetting(st, sub, text); break;
    case cmd::MatrixSep: fx::MatrixSep(st, sub, text); break;
    case cmd::ToVal: fx::ToVal(st, text); break;
    // The font commands after it take the "@" faces again.
    case cmd::TateMode: fx::TateMode(st, text); break;
    default: break;  // line ends and the rest: nothing to re-apply
  }
}

}  // namespace vel
