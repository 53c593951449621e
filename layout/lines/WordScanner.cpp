// Reading running text into words: Japanese characters, Latin and number
// runs in the roman face, spacing between scripts, formulas through the
// math seam, commands through SetCommand, \if and \underline rewritten in
// the source.
#include "layout/lines/LineBuilder.h"

#include <algorithm>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/pages/Columns.h"
#include "seams/Seams.h"
#include "state/Reports.h"

namespace vel::lines {

int WordScanner::scanText() {
  while (cur_.line < static_cast<int>(cur_.src.size())) {
    const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
    if (cur_.pos >= s.size()) {
      ++cur_.line;
      cur_.pos = 0;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(s[cur_.pos]);
    int r;
    if (isLead(c) && cur_.pos + 1 < s.size()) r = scanJapanese();
    else if (c == ' ') r = scanSpace();
    else if (isAsciiDigit(static_cast<char>(c))) r = scanNumber();
    else if (isAsciiLetter(static_cast<char>(c))) r = scanLatin();
    else if (c == '$') r = scanMath();
    else if (c == '\\') r = scanCommand();
    else if (c >= 3 && c < 32) {
      ++cur_.pos;
      r = 0;
    } else r = scanOther();
    if (r < 0) return r;
  }
  return 0;
}

int WordScanner::run() {
  LineState& L = st_.line;
  L.charClass = cls::None;
  ChangeIndent(st_);
  for (;;) {
    const int r = scanText();
    if (r < 0) return r;
    // End of the text: the last line (queued column heads may set a line
    // of their own before it, which is then closed in turn).
    const int f = out_.finish();
    if (f < 0) return f;
    if (f == kRescan) continue;
    break;
  }
  if (out_.mainText()) {
    SetPageInfoList(st_, true);
    return st_.col.textHeight;
  }
  int used = L.boxHeight;
  int extra = std::max(L.leftIndentRemainder, L.rightIndentRemainder);
  if (extra > 0) {
    used += extra;
    int i = st_.val.userLengthList->Find("leftrightboxsepY");
    if (i >= 0) used -= (*st_.val.userLengthList)[i].value;
  }
  return used;
}

int WordScanner::scanJapanese() {
  const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
  uint16_t code = charCodeAt(s, cur_.pos);
  LineState& L = st_.line;
  int p = pos1();
  if (!InPunctuationSet(code)) {
    int r = 0;
    if (L.charClass == cls::Number || L.charClass == cls::Latin) r = out_.spacing(42, st_.font.skip[2], p);
    else if (L.charClass == cls::Math) r = out_.spacing(40, st_.font.skip[4], p);
    if (r != 0) return r;
    L.charClass = cls::Japanese;
  } else {
    L.charClass = cls::Punctuation;
  }
  std::string text = s.substr(cur_.pos, 2);
  cur_.pos += 2;
  WordInfo w{};
  w.line = cur_.line;
  w.pos = p;
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  if (code == 0x8140) {  // the ideographic space: one character height, nothing drawn
    w.width = H();
    text.clear();
  } else {
    w.width = charWidth(st_.chr.font, code);
  }
  return out_.addWord(w, std::move(text));
}

int WordScanner::scanSpace() {
  WordInfo w{};
  w.line = cur_.line;
  w.pos = pos1();
  w.width = static_cast<int>(st_.font.skip[4]);
  ++cur_.pos;
  st_.line.charClass = cls::SpaceOrBox;
  return out_.addWord(w, " ");
}

int WordScanner::scanNumber() {
  const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
  int p = pos1();
  if (st_.line.charClass == cls::Japanese) {
    int r = out_.spacing(42, st_.font.skip[2], p);
    if (r != 0) return r;
  }
  size_t e = cur_.pos;
  bool dot = false;
  while (e < s.size() && (isAsciiDigit(s[e]) || (s[e] == '.' && !dot))) {
    if (s[e] == '.') dot = true;
    ++e;
  }
  if (s[e - 1] == '.') --e;  // a trailing full stop is punctuation
  std::string text = s.substr(cur_.pos, e - cur_.pos);
  cur_.pos = e;
  st_.line.charClass = cls::Number;
  return addAlnumRun(p, std::move(text));
}

int WordScanner::scanLatin() {
  const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
  int p = pos1();
  int r = 0;
  if (st_.line.charClass == cls::Japanese) r = out_.spacing(42, st_.font.skip[2], p);
  else if (st_.line.charClass == cls::Number) r = out_.spacing(44, st_.font.skip[0], p);
  if (r != 0) return r;
  size_t e = cur_.pos;
  while (e < s.size() && isAsciiLetter(s[e])) ++e;
  std::string text = s.substr(cur_.pos, e - cur_.pos);
  cur_.pos = e;
  st_.line.charClass = cls::Latin;
  return addAlnumRun(p, std::move(text));
}

// A number or a run of Latin letters: measured character by character in
// the roman face (or the current font when the alphanumeric mode says so).
int WordScanner::addAlnumRun(int p, std::string text) {
  WordInfo w{};
  w.line = cur_.line;
  w.pos = p;
  w.width = textWidth(st_.chr.alnumFontMode == 0 ? RomanFont(st_) : st_.chr.font, text);
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  return out_.addWord(w, std::move(text));
}

int WordScanner::scanOther() {
  const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
  unsigned char c = static_cast<unsigned char>(s[cur_.pos]);
  WordInfo w{};
  w.line = cur_.line;
  w.pos = pos1();
  uint16_t shown = static_cast<unsigned char>(inband::Shown(static_cast<char>(c)));
  w.width = charWidth(st_.chr.font, shown);
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  ++cur_.pos;
  st_.line.charClass = cls::Other;
  return out_.addWord(w, std::string(1, static_cast<char>(c)));
}

int WordScanner::scanMath() {
  const std::string& s = cur_.src[static_cast<size_t>(cur_.line)];
  size_t n = 1;
  if (cur_.pos + 1 < s.size() && s[cur_.pos + 1] == '$') n = (cur_.pos + 2 < s.size() && s[cur_.pos + 2] == '$') ? 3 : 2;
  const int startLine = cur_.line;
  const int p = pos1();
  LineState& L = st_.line;
  if (n == 1 && L.charClass == cls::Japanese) {
    int r = out_.spacing(40, st_.font.skip[4], p);
    if (r != 0) return r;
  }
  std::string formula;
  TextPos end = LongGetMath(st_.scan, cur_.src, cur_.line, static_cast<int>(cur_.pos + n), static_cast<int>(n), formula);
  if (end.line < 0) return fail(-4, SJ("数式"), startLine);
  cur_.line = end.line;
  cur_.pos = static_cast<size_t>(end.col);

  if (!st_.math.mathMode) st_.font.savedTextFont = st_.chr.font;
  st_.math.mathMode = true;
  SetValueList(st_, "inmath", 1);
  auto leaveMath = [&] {
    st_.math.mathMode = false;
    SetValueList(st_, "inmath", 0);
  };
  const MathSeam* math = st_.seams ? st_.seams->math : nullptr;
  if (n > 1 && formula.compare(1, 7, "\\array{") == 0) {
    // A display of an array becomes one display, and one line, per row:
    // the rows' texts go back into the source where the scan goes on.
    st_.math.arrayRowExport = true;
    st_.math.arrayRowList.clear();
    const bool ok = math && math->Normalise(st_, formula) == LayoutCode::Ok &&
                    static_cast<bool>(math->Measure(st_, formula, 1));
    st_.math.arrayRowExport = false;
    leaveMath();
    if (!ok || st_.math.arrayRowList.empty()) return fail(-4, SJ("数式"), startLine);
    const std::string delimiter(n, '$');
    std::string rows;
    for (const std::string& r : st_.math.arrayRowList) rows += delimiter + r + delimiter;
    st_.math.arrayRowList.clear();
    cur_.src[static_cast<size_t>(cur_.line)].insert(cur_.pos, rows);
    return 0;
  }
  // Display formulas start at the display size; normalising turns the
  // switch into its style code.
  if (n > 1 || st_.chr.inlineMathMode == 1) formula.insert(1, "\\Normal ");
  if (!math || math->Normalise(st_, formula) != LayoutCode::Ok) {
    leaveMath();
    return fail(-4, SJ("数式"), startLine);
  }
  const Result<Extent> box = math->Measure(st_, formula, 2);
  if (!box) {
    leaveMath();
    return fail(-5, SJ("数式"), startLine);
  }
  leaveMath();
  WordInfo w{};
  w.kind = n == 1 ? cmd::InlineMath : (n == 2 ? cmd::DisplayMath2 : cmd::DisplayMath3);
  w.line = startLine;
  w.pos = p;
  w.width = box->width;
  w.height = static_cast<int>(box->height + st_.font.mathAxis);
  w.depth = static_cast<int>(box->depth - st_.font.mathAxis);
  std::string text = formula.size() >= 2 ? formula.substr(1, formula.size() - 2) : std::string();
  if (n == 1) L.charClass = cls::Math;
  else L.charClass = cls::None;
  return out_.addWord(w, std::move(text));
}

int WordScanner::scanCommand() {
  const int line = cur_.line;
  const int p = pos1();
  TextPos after = LongGetCommandName(st_.scan, cur_.src, cur_.line, p);
  std::string name = st_.scan.commandName;
  bool brace = st_.scan.braceFollows;
  // "\\{length}": the forced line break takes a length although its
  // one-byte name does not announce a brace.
  if (!brace && name == "\\" && after.line == line) {
    const std::string& s = cur_.src[static_cast<size_t>(line)];
    brace = static_cast<size_t>(after.col - 1) < s.size() && s[static_cast<size_t>(after.col - 1)] == '{';
  }

  // hpos and linewidth are published for expressions only when a command
  // may read them, not after every word; \if's condition may.
  PublishLineState(st_);
  if (name == "if") return doIf(after);
  if ((name == "underline" || name == "Underline") && !st_.line.underlineOpen) return doUnderline(after, name);

  int num = GetCommandNum(st_);
  std::string arg;
  TextPos next = after;
  if (brace) {
    next = LongGetGroup(cur_.src, after.line, after.col, arg);
    if (next.line < 0) return fail(-1, name, line);
  }
  CommandContext ctx;
  ctx.floatsAllowed = true;
  ctx.mainText = out_.mainText();
  Result<CommandOutcome> r = SetCommand(st_, num, arg, brace, ctx);
  if (!r) {
    if (r.failure().written) {  // reported inside, by its own name
      cur_.failure = r.failure();
      cur_.failure.line = line;
      return ToInt(r.code());
    }
    return fail(ToInt(r.code()), r.failure().name.empty() ? name : r.failure().name, line);
  }

  if (const std::optional<std::string>& replacement = r->replacement) {
    // The command and its argument give way to the text it produced.
    if (next.line == line) {
      cur_.src[static_cast<size_t>(line)].replace(cur_.pos, static_cast<size_t>(next.col - 1) - cur_.pos, *replacement);
    } else {
      DeleteText(cur_.src, line, p, next.line, next.col - 1);
      cur_.src[static_cast<size_t>(line)].insert(cur_.pos, *replacement);
    }
    return 0;
  }

  cur_.line = next.line;
  cur_.pos = static_cast<size_t>(next.col - 1);
  const CommandResult& o = r->word;
  if (o.kind == cmd::Float) {
    int placed = PlaceFloat(st_, o.value, o.subType, out_.mainText());
    if (placed < 0) return fail(placed, name, line);
  }
  WordInfo w{o.width, o.height, o.depth, o.kind, o.subType, o.value, o.valueA, o.valueB, line, p};
  st_.line.charClass = ClassAfter(TraitsOf(o.kind), st_.line.charClass);
  return out_.addWord(w, std::move(r.value().text));
}

// \if{condition}{then}\else{else}: only the chosen branch stays in the source.
int WordScanner::doIf(const TextPos& after) {
  const int line = cur_.line;
  const int p = pos1();
  if (!st_.scan.braceFollows) return fail(-3, "if", line);
  std::string cond, thenPart, elsePart;
  TextPos afterCond = LongGetGroup(cur_.src, after.line, after.col, cond);
  if (afterCond.line < 0) return fail(-1, "if", line);
  // The then-group follows directly (possibly at the start of the next non-empty line).
  TextPos thenOpen = afterCond;
  if (static_cast<size_t>(thenOpen.col - 1) >= cur_.src[static_cast<size_t>(thenOpen.line)].size()) {
    int k = thenOpen.line + 1;
    while (k < static_cast<int>(cur_.src.size()) && cur_.src[static_cast<size_t>(k)].empty()) ++k;
    if (k >= static_cast<int>(cur_.src.size())) return fail(-3, "if", line);
    thenOpen = {k, 1};
  }
  if (cur_.src[static_cast<size_t>(thenOpen.line)][static_cast<size_t>(thenOpen.col - 1)] != '{') return fail(-3, "if", line);
  TextPos afterThen = LongGetGroup(cur_.src, thenOpen.line, thenOpen.col, thenPart);
  if (afterThen.line < 0) return fail(-1, "if", line);
  // An optional \else{...} directly after.
  bool hasElse = false;
  TextPos elseOpen{}, afterElse{};
  const std::string& tl = cur_.src[static_cast<size_t>(afterThen.line)];
  if (tl.compare(static_cast<size_t>(afterThen.col - 1), 6, "\\else{") == 0) {
    elseOpen = {afterThen.line, afterThen.col + 5};
    afterElse = LongGetGroup(cur_.src, elseOpen.line, elseOpen.col, elsePart);
    if (afterElse.line < 0) return fail(-1, "if", line);
    hasElse = true;
  }
  bool holds = ConditionIsTrue(st_, cond);
  // Delete from the end backwards so that earlier positions stay valid.
  if (holds) {
    if (hasElse) DeleteText(cur_.src, afterThen.line, afterThen.col, afterElse.line, afterElse.col - 1);
    DeleteText(cur_.src, afterThen.line, afterThen.col - 1, afterThen.line, afterThen.col - 1);  // then's "}"
    DeleteText(cur_.src, line, p, thenOpen.line, thenOpen.col);  // "\if{cond}{"
  } else {
    if (hasElse) {
      DeleteText(cur_.src, afterElse.line, afterElse.col - 1, afterElse.line, afterElse.col - 1);  // else's "}"
      DeleteText(cur_.src, line, p, elseOpen.line, elseOpen.col);  // "\if{cond}{then}\else{"
    } else {
      DeleteText(cur_.src, line, p, afterThen.line, afterThen.col - 1);
    }
  }
  return 0;
}

// \underline{...} in running text becomes a span that breaks like text.
int WordScanner::doUnderline(const TextPos& after, const std::string& name) {
  const int line = cur_.line;
  const int p = pos1();
  if (!st_.scan.braceFollows) return fail(-3, name, line);
  std::string content;
  TextPos end = LongGetGroup(cur_.src, after.line, after.col, content);
  if (end.line < 0) return fail(-1, name, line);
  std::string style;
  std::string t = TrimLeft(content);
  if (t.compare(0, 7, "\\style{") == 0) {
    size_t close = GetGroup(t, 6);
    if (close == npos) return fail(-3, name, line);
    style = t.substr(7, close - 7);
    content = t.substr(close + 1);
  }
  std::string repl = "\\begin" + name + "{" + style + "}" + content + "\\endunderline{}";
  DeleteText(cur_.src, line, p, end.line, end.col - 1);
  cur_.src[static_cast<size_t>(line)].insert(cur_.pos, repl);
  return 0;
}

}  // namespace vel::lines
