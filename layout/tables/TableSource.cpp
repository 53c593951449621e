// Reading a table's text: the table-level commands, the column letters
// with their rules, and the body's rows, cells and horizontal rules.
#include <cmath>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "layout/boxes/BoxText.h"
#include "layout/tables/TableParts.h"

namespace vel::tables {

namespace {

using boxtext::GroupEnd;
using boxtext::UnitLen;

LayoutCode fail(State& st, const std::string& message, LayoutCode code) {
  st.message("** " + message);
  return code;
}

// "w" or "w,t": w times the rule width, t the style digit. Empty: no rule.
Rule readRule(State& st, std::string_view text) {
  Rule r;
  const std::string t = Trim(text);
  if (t.empty()) return r;
  std::vector<std::string> parts;
  StrTok(t, ",", parts);
  const double w = Calc(st, parts[0]) * st.chr.ruleWidth;
  r.width = std::isfinite(w) && w > 0 ? std::min(w, 1e8) : 0;  // an absurd rule is capped, not wrapped
  if (parts.size() > 1 && !parts[1].empty()) r.style = parts[1][0] - '0';
  return r;
}

// The letters of \col with their fixed widths, and the rules between them.
LayoutCode readColumns(State& st, std::string_view letters, Source& src) {
  size_t ruleStart = 0;
  for (size_t i = 0; i < letters.size();) {
    const char c = letters[i];
    if (c != 'l' && c != 'c' && c != 'r') {
      i += UnitLen(letters, i);
      continue;
    }
    if (src.columns == kMaxTableColumns) return LayoutCode::InvalidArgument;
    const auto k = static_cast<size_t>(src.columns++);
    src.vrules[k] = readRule(st, letters.substr(ruleStart, i - ruleStart));
    src.letters[k] = c;
    src.fixedWidth[k] = -1;
    ++i;
    if (i < letters.size() && letters[i] == '(') {
      const size_t close = letters.find(')', i);
      if (close == std::string_view::npos) return LayoutCode::InvalidArgument;
      src.fixedWidth[k] = std::max(0, UnitToPix(st, letters.substr(i + 1, close - i - 1)));
      i = close + 1;
    }
    ruleStart = i;
  }
  if (src.columns == 0) return LayoutCode::InvalidArgument;
  src.vrules[static_cast<size_t>(src.columns)] = readRule(st, letters.substr(ruleStart));
  return LayoutCode::Ok;
}

// The table-level commands at the start of the text; `bodyStart` is left
// after the group of the last one read.
LayoutCode readOptions(State& st, const std::string& text, Source& src, size_t& bodyStart) {
  bool seenAlign = false, seenCol = false, seenColour = false;
  size_t i = 0;
  for (;;) {
    while (i < text.size() && text[i] != '\\') i += UnitLen(text, i);
    if (i >= text.size() || UnitLen(text, i) > 1) break;
    ScanState sc;
    const size_t after = GetCommandName(sc, text, i);
    const std::string& name = sc.commandName;
    const bool isAlign = name == "align", isCol = name == "col", isColour = name == "tableBGcolor";
    if (!isAlign && !isCol && !isColour) break;
    const std::string& message = isAlign ? SJ("\\alignのエラー")
                                 : isCol ? SJ("\\colのエラー")
                                         : SJ("\\tablebackcolorのエラー");
    bool& seen = isAlign ? seenAlign : isCol ? seenCol : seenColour;
    if (seen || !sc.braceFollows) return fail(st, message, LayoutCode::InvalidArgument);
    seen = true;
    const size_t close = GroupEnd(text, after);
    if (close == std::string::npos) return fail(st, message, LayoutCode::GroupNotClosed);
    const std::string_view group = std::string_view(text).substr(after + 1, close - after - 1);
    if (isAlign) {
      const std::string a = Trim(group);
      if (a.empty()) return fail(st, message, LayoutCode::ArgumentMissing);
      src.align = a[0];
    } else if (isCol) {
      if (readColumns(st, group, src) != LayoutCode::Ok) return fail(st, message, LayoutCode::InvalidArgument);
    } else {
      if (Trim(group).empty()) return fail(st, message, LayoutCode::ArgumentMissing);
      src.hasBackground = true;
      src.background = GetColor(st, group);
    }
    i = bodyStart = close + 1;
  }
  if (!seenCol) return fail(st, SJ("\\colがありません。"), LayoutCode::InvalidArgument);
  return LayoutCode::Ok;
}

class BodyReader {
 public:
  BodyReader(State& st, const std::string& text, Source& src) : st_(st), text_(text), src_(src) {}

  LayoutCode run(size_t start) {
    size_t i = start;
    cellStart_ = start;
    while (i < text_.size()) {
      const char c = text_[i];
      if (c == '&') {
        if (row_ >= kMaxTableRows) return fail(st_, SJ("行数が多すぎます。"), LayoutCode::InvalidArgument);
        endCell(i);
        if (++cell_ >= src_.columns) return fail(st_, SJ("\"&\"が多すぎます。"), LayoutCode::InvalidArgument);
        cellStart_ = ++i;
        rowStart_ = false;
        continue;
      }
      if (c != '\\' || UnitLen(text_, i) > 1) {
        i += UnitLen(text_, i);
        rowStart_ = false;
        continue;
      }
      if (i + 1 < text_.size() && text_[i + 1] == '\\') {
        if (row_ >= kMaxTableRows) return fail(st_, SJ("行数が多すぎます。"), LayoutCode::InvalidArgument);
        endCell(i);
        if (cell_ + 1 != src_.columns)
          return fail(st_, SJ("\"&\"が不足しています。"), LayoutCode::InvalidArgument);
        ++row_;
        cell_ = 0;
        cellStart_ = i += 2;
        rowStart_ = true;
        continue;
      }
      ScanState sc;
      const size_t after = GetCommandName(sc, text_, i);
      if (sc.commandName == "hline") {
        const LayoutCode r = hline(sc, after, i);
        if (r != LayoutCode::Ok) return r;
        cellStart_ = i;
        continue;
      }
      rowStart_ = false;
      i = after;
      if (sc.braceFollows) {
        const size_t close = GroupEnd(text_, after);
        if (close == std::string::npos)
          return fail(st_, "\\" + sc.commandName + SJ("のエラー"), LayoutCode::GroupNotClosed);
        i = close + 1;
      }
    }
    // What follows the last \\ is a last row only when it is complete.
    if (!rowStart_) {
      if (cell_ + 1 != src_.columns) return LayoutCode::InvalidArgument;
      if (row_ >= kMaxTableRows) return fail(st_, SJ("行数が多すぎます。"), LayoutCode::InvalidArgument);
      endCell(text_.size());
      ++row_;
    }
    src_.rows = row_;
    src_.cells.resize(static_cast<size_t>(row_));
    return LayoutCode::Ok;
  }

 private:
  // \hline or \hline{w,t} at i: sets the rule above the current row; i
  // is left after it.
  LayoutCode hline(const ScanState& sc, size_t after, size_t& i) {
    if (cell_ != 0)
      return fail(st_, SJ("\\hlineの手前で，行を完結させて下さい(\"\\\\\"を入れる)。"), LayoutCode::InvalidArgument);
    Rule r{static_cast<double>(st_.chr.ruleWidth), 0};
    i = after;
    if (sc.braceFollows) {
      const size_t close = GroupEnd(text_, after);
      if (close == std::string::npos) return fail(st_, SJ("\\hlineのエラー"), LayoutCode::GroupNotClosed);
      r = readRule(st_, std::string_view(text_).substr(after + 1, close - after - 1));
      i = close + 1;
    }
    src_.hrules[static_cast<size_t>(row_)] = r;
    return LayoutCode::Ok;
  }

  // The cell from cellStart_ to `end` stored at (row_, cell_).
  void endCell(size_t end) {
    if (src_.cells.size() <= static_cast<size_t>(row_)) src_.cells.resize(static_cast<size_t>(row_) + 1);
    std::vector<Cell>& row = src_.cells[static_cast<size_t>(row_)];
    row.resize(static_cast<size_t>(src_.columns));
    Cell& cell = row[static_cast<size_t>(cell_)];
    // The blanks GetCellProp leaves keep every offset where it was.
    std::string t = text_.substr(cellStart_, end - cellStart_);
    cell.prop = GetCellProp(st_, t, src_.letters[static_cast<size_t>(cell_)]);
    size_t b = 0, e = t.size();
    while (b < e && isBlank(t[b])) ++b;
    while (e > b && isBlank(t[e - 1])) --e;
    cell.content = t.substr(b, e - b);
    cell.begin = cellStart_ + b;
    cell.end = cellStart_ + e;
  }

  static bool isBlank(char c) { return c == ' ' || c == '\n'; }

  State& st_;
  const std::string& text_;
  Source& src_;
  int row_ = 0, cell_ = 0;
  size_t cellStart_ = 0;
  bool rowStart_ = true;
};

}  // namespace

Result<Source> ReadTableSource(State& st, const std::string& text) {
  Source src;
  size_t bodyStart = 0;
  LayoutCode r = readOptions(st, text, src, bodyStart);
  if (r != LayoutCode::Ok) return r;
  r = BodyReader(st, text, src).run(bodyStart);
  if (r != LayoutCode::Ok) return r;
  return src;
}

}  // namespace vel::tables
