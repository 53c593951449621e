#include "frontend/Preamble.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Units.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "base/CharSearch.h"
#include "frontend/Values.h"
#include "frontend/Reform.h"
#include "state/Reports.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// Truncation toward zero that stays defined for any double.
int Truncate(double v) {
  if (std::isnan(v)) return 0;
  v = std::clamp(v, static_cast<double>(std::numeric_limits<int>::min()),
                 static_cast<double>(std::numeric_limits<int>::max()));
  return static_cast<int>(v);
}

int MMToLayout(double mm) { return Truncate(mm / 25.4 * units::kPerInch); }

// ASCII letters lowered; double-byte characters (whose trail byte may be
// a capital) stay.
std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    if (isLead(out[i]) && i + 1 < out.size()) {
      i += 2;
      continue;
    }
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    ++i;
  }
  return out;
}

// The first "\word" not followed by a letter at or after `from`.
size_t FindCommand(std::string_view s, std::string_view word, size_t from = 0) {
  for (size_t i = from; i < s.size();) {
    if (CommandAt(s, i, word)) return i;
    i += (isLead(s[i]) && i + 1 < s.size()) ? 2 : 1;
  }
  return npos;
}

enum class PreambleCommand {
  None, DocumentStyle, Column, ColumnSep, ColumnRule, PagePerPaper, TitlePageNum,
  TopMargin, BottomMargin, LeftMargin, RightMargin, TopBottomBoxSep, FootnoteMark, BeginDocument,
};

PreambleCommand Lookup(const std::string& n) {
  static const std::pair<const char*, PreambleCommand> table[] = {
      {"documentstyle", PreambleCommand::DocumentStyle}, {"column", PreambleCommand::Column},
      {"columnsep", PreambleCommand::ColumnSep},         {"columnrule", PreambleCommand::ColumnRule},
      {"pageperpaper", PreambleCommand::PagePerPaper},   {"titlepagenum", PreambleCommand::TitlePageNum},
      {"topmargin", PreambleCommand::TopMargin},         {"bottommargin", PreambleCommand::BottomMargin},
      {"leftmargin", PreambleCommand::LeftMargin},       {"rightmargin", PreambleCommand::RightMargin},
      {"topbottomboxsep", PreambleCommand::TopBottomBoxSep}, {"footnotemark", PreambleCommand::FootnoteMark},
      {"begindocument", PreambleCommand::BeginDocument},
  };
  for (const auto& [name, cmd] : table)
    if (n == name) return cmd;
  return PreambleCommand::None;
}

// \documentstyle{size, paper}: the base size and the paper.
bool DocumentStyle(State& st, const std::string& arg, DocumentFontApplier applyFont) {
  size_t comma = arg.find(',');
  if (comma == std::string::npos) return false;
  const std::string sizeText = Trim(std::string_view(arg).substr(0, comma));
  st.geo.baseFontSizeText = sizeText;
  if (applyFont) applyFont(st, sizeText);
  SetPaper(st, LowerAscii(Trim(std::string_view(arg).substr(comma + 1))));
  return true;
}

// Executes one preamble command; false when its argument is not valid.
bool Execute(State& st, PreambleCommand cmd, const std::string& arg, DocumentFontApplier applyFont) {
  Geometry& g = st.geo;
  std::vector<std::string> pieces;
  auto setMargin = [&](int& field, const char* name) {
    field = UnitToPix(st, arg);
    SetLengthList(st, name, field);
    return true;
  };
  switch (cmd) {
    case PreambleCommand::DocumentStyle:
      return DocumentStyle(st, arg, applyFont);
    case PreambleCommand::Column: {
      // Only one to four columns have their separators.
      int n = Truncate(Calc(st, arg));
      if (n < 1 || n > 4) return false;
      g.columnsPerSheet = n;
      return true;
    }
    case PreambleCommand::ColumnSep: {
      StrTok(arg, ",", pieces);
      int last = 0;
      for (size_t j = 0; j < g.columnSep.size(); ++j) {
        if (j < pieces.size()) last = UnitToPix(st, pieces[j]);
        g.columnSep[j] = last;
      }
      return true;
    }
    case PreambleCommand::ColumnRule:
      StrTok(arg, ",", pieces);
      for (size_t j = 0; j < g.columnRule.size() && j < pieces.size(); ++j) g.columnRule[j] = UnitToPix(st, pieces[j]);
      return true;
    case PreambleCommand::PagePerPaper:
      g.pagesPerSheet = Truncate(Calc(st, arg));
      return true;
    case PreambleCommand::TitlePageNum:
      g.titlePageNum = Truncate(Calc(st, arg));
      return true;
    case PreambleCommand::TopMargin: return setMargin(g.topMargin, "topmargin");
    case PreambleCommand::BottomMargin: return setMargin(g.bottomMargin, "bottommargin");
    case PreambleCommand::LeftMargin: return setMargin(g.leftMargin, "leftmargin");
    case PreambleCommand::RightMargin: return setMargin(g.rightMargin, "rightmargin");
    case PreambleCommand::TopBottomBoxSep: return setMargin(g.topBottomBoxSep, "topbottomboxsep");
    case PreambleCommand::FootnoteMark:  // its style was taken by the macro pass
    default:
      return true;
  }
}

// Column, page and paper sizes from the preamble, published as lengths.
void DeriveGeometry(State& st) {
  Geometry& g = st.geo;
  const int cols = std::clamp(g.columnsPerSheet, 1, 4);
  if (cols == 3) g.columnSep[1] = g.columnSep[0];
  if (cols == 4) g.columnSep[2] = g.columnSep[0];
  int seps = 0;
  for (int j = 0; j + 1 < cols; ++j) seps += g.columnSep[static_cast<size_t>(j)];
  g.columnWidth = (MMToLayout(g.paperWidthMM) - g.leftMargin - g.rightMargin - seps) / cols;
  g.paperHeight = MMToLayout(g.paperHeightMM);
  g.columnHeight = g.paperHeight - g.topMargin - g.bottomMargin;
  g.columnsPerPage = (g.pagesPerSheet == 1 || cols % 2 == 1) ? cols : cols / 2;
  int pageSeps = 0;
  for (int j = 0; j + 1 < g.columnsPerPage; ++j) pageSeps += g.columnSep[static_cast<size_t>(j)];
  g.pageWidth = g.columnsPerPage * g.columnWidth + pageSeps;

  const double h = st.font.charHeight;
  st.line.lineWidth = g.columnWidth;
  st.para.mathIndent = st.para.mathRightIndent = Truncate(2 * h);
  st.line.hpos = 0;
  st.cmd.matrixRowSepExact = 0.3 * h;
  st.cmd.matrixColSepExact = h;
  st.chr.matrixRowSep = Truncate(st.cmd.matrixRowSepExact);
  st.chr.matrixColSep = Truncate(st.cmd.matrixColSepExact);

  SetLengthList(st, "pagewidth", g.pageWidth);
  SetLengthList(st, "columnwidth", g.columnWidth);
  SetLengthList(st, "linewidth", g.columnWidth);
  SetLengthList(st, "columnheight", g.columnHeight);
  SetLengthList(st, "mathindent", st.para.mathIndent);
  SetLengthList(st, "mathrightindent", st.para.mathRightIndent);
  for (const char* n : {"vpos", "hpos", "topboxheight", "bottomboxheight"}) SetLengthList(st, n, 0);
  SetLengthList(st, "doccharheight", Truncate(st.font.docCharHeight));
  SetLengthList(st, "matrixrowsep", st.chr.matrixRowSep);
  SetLengthList(st, "matrixcolsep", st.chr.matrixColSep);
}

}  // namespace

void CreateFullRgn(State& st) {
  // The printer's resolution while printing (no zoom there), else the
  // screen's times the zoom.
  const double dpi = st.draw.printing ? st.draw.deviceDpi : st.draw.deviceDpi * st.draw.zoom;
  const int w = Truncate(st.geo.paperWidthMM / 25.4 * dpi);
  const int h = Truncate(st.geo.paperHeightMM / 25.4 * dpi);
  st.geo.fullRegion = Region::rect(0, 0, w, h);
}

void SetPaper(State& st, std::string_view paper) {
  double width = 182, height = 257;
  const std::string t(paper);
  if (t.starts_with("papersize(")) {
    // The last character closes the bracket; the orientation letter has
    // no say here.
    std::string inner = t.size() > 11 ? t.substr(10, t.size() - 11) : std::string();
    std::vector<std::string> wh;
    StrTok(inner, ",", wh);
    if (wh.size() >= 2) {
      width = std::clamp(Calc(st, wh[0]), 20.0, 420.0);
      height = std::clamp(Calc(st, wh[1]), 20.0, 420.0);
    }
  } else if (!t.empty() && (t[0] == 'a' || t[0] == 'b' || t[0] == 'h')) {
    double longSide = 148, shortSide = 100;  // postcard
    const std::string number = t.size() > 2 ? t.substr(1, t.size() - 2) : std::string();
    if (t[0] == 'a') {
      if (number == "3") longSide = 420, shortSide = 297;
      else if (number == "5") longSide = 210, shortSide = 148.5;
      else if (number == "6") longSide = 148.5, shortSide = 105;
      else longSide = 297, shortSide = 210;
    } else if (t[0] == 'b') {
      if (number == "4") longSide = 364, shortSide = 257;
      else if (number == "6") longSide = 182, shortSide = 128.5;
      else if (number == "7") longSide = 128.5, shortSide = 91;
      else longSide = 257, shortSide = 182;
    }
    const bool portrait = t.back() == 't';
    width = portrait ? shortSide : longSide;
    height = portrait ? longSide : shortSide;
  }
  st.geo.paperWidthMM = width;
  st.geo.paperHeightMM = height;
  CreateFullRgn(st);
}

void SetDefaultVariable(State& st) {
  Geometry g;
  g.paperWidthMM = st.geo.paperWidthMM;  // the paper of the previous run stays
  g.paperHeightMM = st.geo.paperHeightMM;
  st.geo = g;
  CreateFullRgn(st);

  st.chr.ruleColor = kBlack;
  st.chr.ruleWidth = 157;
  st.chr.frameBoxSep = 393;
  st.chr.tableRowSep = st.chr.tableColSep = 787;
  st.chr.underlineSep = 157;
  st.chr.doubleLineSep = 236;
  st.para.lineSkip = st.para.parSkip = 1574;
  st.para.parIndent = 0;

  for (const char* n : {"topmargin", "bottommargin", "leftmargin", "rightmargin"}) SetLengthList(st, n, units::kUnitsPerInch);
  SetLengthList(st, "lineskip", 1574);
  SetLengthList(st, "parskip", 1574);
  SetLengthList(st, "rulewidth", 157);
  SetLengthList(st, "frameboxsep", 393);
  SetLengthList(st, "tablerowsep", 787);
  SetLengthList(st, "tablesep", 787);
  SetLengthList(st, "tablecolsep", 787);
  SetLengthList(st, "parindent", 0);
  SetLengthList(st, "underlinesep", 157);
  SetLengthList(st, "doublelinesep", 236);
  SetLengthList(st, "topbottomboxsep", 3937);

  // Until \documentstyle says otherwise the base font is the pass's font.
  st.font.docAscent = st.font.ascent;
  st.font.docDescent = st.font.descent;
  st.font.docCharHeight = st.font.charHeight;
}

bool ReadBasicVariable(State& st, DocumentFontApplier applyFont) {
  Lines& lines = st.sourceLines;
  int k = 0;
  size_t i = 0;
  std::string arg;
  while (NextBackslash(lines, k, i)) {
    TextPos after = LongGetCommandName(st.scan, lines, k, static_cast<int>(i) + 1);
    const std::string name = st.scan.commandName;
    const PreambleCommand cmd = Lookup(name);
    if (cmd == PreambleCommand::None) {
      ++i;
      continue;
    }
    if (cmd == PreambleCommand::BeginDocument) {
      if (st.pre.contentsRequested && !st.pre.contentsPassDone) SetPreContentsTEXT(st, k, static_cast<int>(i) + 15);
      lines[k].erase(i, 14);
      DeriveGeometry(st);
      return true;
    }

    TextPos end{-1, 0};
    if (st.scan.braceFollows) end = LongGetGroup(lines, after.line, after.col, arg);
    // An argument joined from two lines holds "\/" and is refused.
    bool ok = end.line >= 0 && FindText(arg, "\\/") == npos && Execute(st, cmd, arg, applyFont);
    if (!ok) {
      WriteCommandError(st, name);
      ReportSourceError(st, SJ("** 文法エラー") + LineNumberText(st, k), k);
      return false;
    }
    DeleteText(lines, k, static_cast<int>(i) + 1, end.line, end.col - 1);
    if (end.line != k) {
      k = end.line;
      i = 0;
    }
  }
  ReportSourceError(st, SJ("** エラー(\\begindocument がありません。)"), -1);
  return false;
}

void SaveBeforeBeginDocument(State& st) {
  FitOrigins(st);
  Lines& pre = st.pre.preambleLines;
  std::vector<LineOrigin>& origins = st.pre.preambleOrigins;
  pre.clear();
  origins.clear();
  pre.push_back("\\input{veldris}");
  origins.emplace_back();  // generated: its origin is known once the contents are
  for (size_t k = 0; k < st.sourceLines.size(); ++k) {
    const std::string& l = st.sourceLines[k];
    origins.push_back(st.origins.lines[k]);
    size_t at = FindCommand(l, "begindocument");
    if (at == npos) {
      pre.push_back(l);
      continue;
    }
    size_t end = at + 14;
    if (end < l.size() && l[end] == ' ') ++end;
    pre.push_back(l.substr(0, end));
    break;
  }
}

void SetPreContentsTEXT(State& st, int line, int col) {
  FitOrigins(st);
  PreprocState& pre = st.pre;
  Lines& lines = st.sourceLines;
  std::vector<LineOrigin>& origins = st.origins.lines;
  pre.contentsLines = pre.preambleLines;
  pre.contentsLines.push_back("\\group{");
  // Without the preamble's origins (a test that filled the lines alone)
  // the preamble's lines stand for themselves.
  pre.contentsOrigins = pre.preambleOrigins;
  pre.contentsOrigins.resize(pre.preambleLines.size());
  pre.contentsOrigins.emplace_back();  // "\group{": generated
  auto startOf = [&](int k) {
    return k == line ? std::min(static_cast<size_t>(std::max(col, 1) - 1), lines[k].size()) : size_t{0};
  };

  // The lines the contents pass writes itself ("\input{veldris}" and
  // "\group{") come from the line of \tableofcontents.
  auto generatedFrom = [&](const LineOrigin& o) {
    pre.contentsOrigin = o;
    LineOrigin made = o;
    made.generated = true;
    pre.contentsOrigins.front() = made;
    pre.contentsOrigins[pre.preambleLines.size()] = made;
  };

  int found = -1;
  size_t at = npos;
  for (int k = line; k < static_cast<int>(lines.size()) && found < 0; ++k) {
    at = FindCommand(lines[k], "tableofcontents", startOf(k));
    if (at != npos) found = k;
  }
  if (found < 0) {
    // No \tableofcontents after \begindocument: there is no front matter,
    // and the whole body follows the contents.
    generatedFrom(origins[static_cast<size_t>(line)]);
    pre.frontMatterEnd = static_cast<int>(pre.contentsLines.size());
    pre.afterContentsLines.assign(1, lines[line].substr(startOf(line)));
    pre.afterContentsLines.insert(pre.afterContentsLines.end(), lines.begin() + line + 1, lines.end());
    pre.afterContentsOrigins.assign(origins.begin() + line, origins.end());
    return;
  }

  for (int k = line; k < found; ++k) {
    size_t from = startOf(k);
    pre.contentsLines.push_back(lines[k].substr(from));
    pre.contentsOrigins.push_back(origins[static_cast<size_t>(k)]);
    lines[k].erase(from);
  }
  const size_t from = startOf(found);
  pre.contentsLines.push_back(lines[found].substr(from, at - from));
  generatedFrom(origins[static_cast<size_t>(found)]);
  pre.contentsOrigins.push_back(pre.contentsOrigin);
  std::string rest = lines[found].substr(at + 16);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  lines[found].erase(from);
  // The rest of the line is a line of its own, from the same source line.
  lines.insert(lines.begin() + found + 1, std::move(rest));
  origins.insert(origins.begin() + found + 1, pre.contentsOrigin);
  pre.frontMatterEnd = static_cast<int>(pre.contentsLines.size());
  pre.afterContentsLines.assign(lines.begin() + found + 1, lines.end());
  pre.afterContentsOrigins.assign(origins.begin() + found + 1, origins.end());
}

}  // namespace vel
