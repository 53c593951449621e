#include "frontend/Macros.h"

#include <algorithm>
#include <array>

#include "base/Cp932.h"
#include "base/CharSearch.h"
#include "frontend/TextGen.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

bool before(const TextPos& a, const TextPos& b) { return a.line < b.line || (a.line == b.line && a.col < b.col); }

// The symbols of mark style 3, used in turn.
const std::array<std::string, 9>& FootnoteSymbols() {
  static const std::array<std::string, 9> symbols = {
      SJ("\\!＊\\!\\*"), SJ("†"),          SJ("‡"),          SJ("\\!§\\!\\!"), SJ("¶"),
      SJ("\\!∥\\!\\!"),  SJ("\\!＊\\!\\!＊\\!\\*"), SJ("††"), SJ("‡‡"),
  };
  return symbols;
}

// The walk of ReplaceMacro. Every inserted macro body is remembered by the
// position just after it while the walk is inside it, so that a macro used
// inside its own expansion is seen as nesting and stopped at a depth no
// document reaches.
class MacroWalk {
 public:
  MacroWalk(State& st, Lines& lines, ReformFailure& f) : st_(st), lines_(lines), f_(f) {}

  bool run() {
    for (const std::string& l : lines_) sizeBefore_.push_back(l.size());
    size_t i = 0;
    int k = 0;
    while (NextBackslash(lines_, k, i)) {
      leaveBodiesBefore({k, static_cast<int>(i) + 1});
      TextPos after = LongGetCommandName(st_.scan, lines_, k, static_cast<int>(i) + 1);
      const std::string name = st_.scan.commandName;
      int m = name.empty() ? -1 : st_.pre.macroNameList.Find(name);
      TextPos next = after;
      if (m >= 0) {
        MacroDef def = st_.pre.macroNameList[m].value;
        if (!expand(k, i, after, name, def, next)) return false;
      } else if (!st_.pre.contentsPassDone) {
        if (!special(k, i, after, name, next)) return false;
      }
      k = next.line;
      i = static_cast<size_t>(std::max(next.col, 1) - 1);
    }
    return true;
  }

 private:
  bool fail(int line, const std::string& name) {
    f_.line = line;
    f_.item = "\\" + name;
    return false;
  }

  void leaveBodiesBefore(const TextPos& p) {
    while (!bodyEnds_.empty() && !before(p, bodyEnds_.back())) bodyEnds_.pop_back();
  }

  // Replaces [from, to) by text (from on line k) and moves the remembered
  // body ends behind the change; a body end swallowed by the replaced range
  // now lies at the end of the new text.
  void replace(int k, size_t from, const TextPos& to, const std::string& text) {
    const TextPos start{k, static_cast<int>(from) + 1};
    if (to.line == k) {
      lines_[k].replace(from, static_cast<size_t>(to.col - 1) - from, text);
    } else {
      DeleteText(lines_, k, start.col, to.line, to.col - 1);
      lines_[k].insert(std::min(from, lines_[k].size()), text);
    }
    const TextPos newEnd{k, start.col + static_cast<int>(text.size())};
    for (TextPos& e : bodyEnds_) {
      if (!before(start, e)) continue;
      if (!before(to, e)) e = newEnd;
      else if (e.line == to.line) e.col += to.line == k ? static_cast<int>(text.size()) - (to.col - start.col) : -(to.col - 1);
    }
  }

  // The braced group whose "{" is at p: read with Group when it closes on
  // its line (its cost is the group's, not the line's: expansion may make
  // a line long), else over lines.
  TextPos readGroup(const TextPos& p, std::string& out) const {
    const std::string& s = lines_[p.line];
    int n = Group(s, p.col + 1);
    if (n >= 0) {
      out.assign(s, static_cast<size_t>(p.col), static_cast<size_t>(n));
      return {p.line, p.col + n + 2};
    }
    return LongGetGroup(lines_, p.line, p.col, out);
  }

  // The macro body with the arguments in place of #1, #2 ...; false on a
  // reference to a parameter the macro does not have.
  static bool substitute(const MacroDef& def, const std::vector<std::string>& args, std::string& out) {
    out.clear();
    const std::string& b = def.body;
    for (size_t p = 0; p < b.size();) {
      if (isLead(b[p]) && p + 1 < b.size()) {
        out.append(b, p, 2);
        p += 2;
        continue;
      }
      if (b[p] != '#' || def.params == 0) {
        out += b[p++];
        continue;
      }
      if (p + 1 >= b.size() || !isAsciiDigit(b[p + 1])) return false;
      int n = b[p + 1] - '0';
      p += 2;
      if (p < b.size() && isAsciiDigit(b[p])) n = n * 10 + (b[p++] - '0');
      if (n == 0 || n > def.params) return false;
      out += args[static_cast<size_t>(n - 1)];
    }
    return true;
  }

  bool expand(int k, size_t i, const TextPos& after, const std::string& name, const MacroDef& def, TextPos& next) {
    std::vector<std::string> args;
    TextPos end;
    if (def.params > 0) {
      // The arguments must follow the name and each other directly; a use
      // without them stays as it is (reported later as an unknown command).
      if (!st_.scan.braceFollows) return true;
      TextPos p = after;
      std::string arg;
      for (int a = 0; a < def.params; ++a) {
        if (p.line >= static_cast<int>(lines_.size()) || p.col < 1 ||
            p.col > static_cast<int>(lines_[p.line].size()) || lines_[p.line][p.col - 1] != '{')
          return true;
        TextPos g = readGroup(p, arg);
        if (g.line < 0) return true;
        args.push_back(arg);
        p = g;
      }
      end = p;
    } else {
      // The name and the space that ended it; a name at the end of its
      // line ends there.
      size_t e = i + 1 + name.size();
      if (e < lines_[k].size() && lines_[k][e] == ' ') ++e;
      end = {k, static_cast<int>(e) + 1};
    }

    std::string body;
    if (!substitute(def, args, body)) return fail(k, name);

    // What follows the use after its removal: a letter must not run into a
    // command name that ends the body.
    const size_t followAt = static_cast<size_t>(end.col - 1);
    const bool letterFollows = end.line == k && followAt < lines_[k].size() && isAsciiLetter(lines_[k][followAt]);
    if (letterFollows) {
      size_t bs = LastSingleByte(body, '\\');
      if (bs != npos && bs + 1 < body.size() &&
          std::all_of(body.begin() + static_cast<std::ptrdiff_t>(bs) + 1, body.end(), isAsciiLetter))
        body += ' ';
    }

    replace(k, i, end, body);
    if (static_cast<int>(bodyEnds_.size()) >= kMaxMacroNesting || lines_[k].size() > sizeBefore_[static_cast<size_t>(k)] + kMaxMacroGrowth)
      return fail(k, name);
    bodyEnds_.push_back({k, static_cast<int>(i + body.size()) + 1});
    next = {k, static_cast<int>(i) + 1};
    return true;
  }

  // The braced argument after a special command, which may hold no "\/".
  bool argument(const TextPos& after, std::string& arg, TextPos& end) {
    if (!st_.scan.braceFollows) return false;
    end = readGroup(after, arg);
    return end.line >= 0 && FindText(arg, "\\/") == npos;
  }

  bool special(int k, size_t i, const TextPos& after, const std::string& name, TextPos& next) {
    switch (GetSpecialCommandNum(st_.scan)) {
      case 1: {  // \datetime{format}
        std::string format;
        TextPos end;
        if (!argument(after, format, end)) return fail(k, name);
        std::string text = GetDateStr(st_.pre.clock, format);
        replace(k, i, end, text);
        next = {k, static_cast<int>(i + text.size()) + 1};
        return true;
      }
      case 2: {  // \footnotemark{style}: the mark style; the command stays
        std::string styleText;
        TextPos end;
        if (!argument(after, styleText, end)) return fail(k, name);
        SetFootnoteMarkStyle(st_.pre, styleText);
        next = end;
        return true;
      }
      case 3: {  // \footnote{text}: the raised mark before, the mark inside
        if (!st_.scan.braceFollows) return fail(k, name);
        const std::string mark = FootnoteMark(st_.pre, ++st_.pre.footnoteCount);
        const std::string inside = "\\fontsize{*0.7}" + mark + "\\ ";
        const std::string raised = "\\raisebox{\\raise{.5ch}\\fontsize{*0.7}" + mark + "}";
        const size_t brace = static_cast<size_t>(after.col - 1);
        replace(after.line, brace + 1, {after.line, after.col + 1}, inside);
        replace(k, i, {k, static_cast<int>(i) + 1}, raised);
        int col = after.col + 1 + static_cast<int>(inside.size());
        if (after.line == k) col += static_cast<int>(raised.size());
        next = {after.line, col};
        return true;
      }
      case 4:  // \tableofcontents: the document is typeset twice
        st_.pre.contentsRequested = true;
        return true;
      case 5:  // \centerline starts a new line
        replace(k, i, {k, static_cast<int>(i) + 1}, "\\p");
        next = after;
        if (after.line == k) next.col += 2;
        return true;
      default:
        return true;
    }
  }

  State& st_;
  Lines& lines_;
  ReformFailure& f_;
  std::vector<TextPos> bodyEnds_;
  std::vector<size_t> sizeBefore_;  // each line's size before expansion (the walk adds no lines)
};

}  // namespace

TextPos SetMacroNameList(MacroList& list, Lines& lines, int line, int col) {
  const TextPos failed{-1, 0};
  if (line < 0 || line >= static_cast<int>(lines.size()) || col < 1) return failed;
  const std::string& s = lines[line];
  size_t p = static_cast<size_t>(col - 1);
  size_t q = p;
  while (q < s.size() && isAsciiLetter(s[q])) ++q;
  if (q == p || q >= s.size()) return failed;
  std::string name = s.substr(p, q - p);

  // #1#2... in order, directly before the body.
  int params = 0;
  while (q < s.size() && s[q] == '#') {
    if (q + 1 >= s.size() || !isAsciiDigit(s[q + 1])) return failed;
    int n = s[q + 1] - '0';
    size_t len = 2;
    if (q + 2 < s.size() && isAsciiDigit(s[q + 2])) {
      n = n * 10 + (s[q + 2] - '0');
      len = 3;
    }
    if (n != params + 1 || n > 99) return failed;
    params = n;
    q += len;
  }
  if (q >= s.size() || s[q] != '{') return failed;
  std::string body;
  TextPos g = LongGetGroup(lines, line, static_cast<int>(q) + 1, body);
  if (g.line < 0) return failed;

  int old = list.Find(name);
  if (old >= 0) list.Delete(old);
  list.Add(name, MacroDef{params, std::move(body)});

  // From the backslash of \def or \velfunc through the closing brace.
  const std::string_view head = std::string_view(s).substr(0, p);
  int start = col;
  if (head.ends_with("\\velfunc\\")) start = col - 9;
  else if (head.ends_with("\\def\\")) start = col - 5;
  if (g.line == line) {
    lines[line].erase(static_cast<size_t>(start - 1), static_cast<size_t>(g.col - start));
    return {line, start};
  }
  DeleteText(lines, line, start, g.line, g.col - 1);
  return {g.line, 1};
}

bool ReplaceMacro(State& st, Lines& lines, ReformFailure& f) { return MacroWalk(st, lines, f).run(); }

int GetSpecialCommandNum(const ScanState& sc) {
  const std::string& n = sc.commandName;
  if (n == "datetime") return 1;
  if (n == "footnotemark") return 2;
  if (n == "footnote") return 3;
  if (n == "tableofcontents") return 4;
  if (n == "centerline") return 5;
  return -1;
}

void ClearMacroNameList(MacroList& list) { list.Clear(); }

std::string FootnoteMark(const PreprocState& pre, int n) {
  switch (pre.footnoteStyle) {
    case 1: return pre.footnotePrefix + std::to_string(n) + pre.footnoteSuffix;
    case 2: return pre.footnotePrefix + static_cast<char>('a' + ((n - 1) % 26 + 26) % 26) + pre.footnoteSuffix;
    case 3: return SJ("\\fontname{ＭＳ Ｐ明朝}") + FootnoteSymbols()[static_cast<size_t>(((n - 1) % 9 + 9) % 9)];
    default: return pre.footnotePrefix;
  }
}

void SetFootnoteMarkStyle(PreprocState& pre, const std::string& styleText) {
  static const std::array<std::pair<const char*, int>, 3> keywords = {{{"num", 1}, {"alpha", 2}, {"symbol", 3}}};
  for (const auto& [word, style] : keywords) {
    size_t at = FindText(styleText, word);
    if (at == npos) continue;
    pre.footnoteStyle = style;
    pre.footnotePrefix = styleText.substr(0, at);
    pre.footnoteSuffix = styleText.substr(at + std::string_view(word).size());
    return;
  }
  pre.footnoteStyle = 0;
  pre.footnotePrefix = styleText;
  pre.footnoteSuffix.clear();
}

}  // namespace vel
