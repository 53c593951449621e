#include "state/Reports.h"

#include <algorithm>

#include "base/Cp932.h"
#include "base/InBand.h"

namespace vel {

namespace {

// The index a stored-box reference name (TAB and three base-224 digits)
// stands for, or -1.
int BoxRefIndex(const std::string& name) {
  if (name.size() != 4 || name[0] != inband::kBoxRef) return -1;
  int v = 0;
  for (size_t k = 1; k < 4; ++k) {
    const int d = static_cast<unsigned char>(name[k]) - 32;
    if (d < 0 || d >= 224) return -1;
    v = v * 224 + d;
  }
  return v;
}

// Cut at a character boundary.
std::string CutLine(const std::string& s) {
  if (s.size() <= kEchoedLineMax) return s;
  size_t end = 0;
  while (end < s.size()) {
    const size_t len = (isLead(s[end]) && end + 1 < s.size()) ? 2 : 1;
    if (end + len > kEchoedLineMax) break;
    end += len;
  }
  return s.substr(0, end) + SJ("…");
}

}  // namespace

std::string DecorateCommandName(const std::string& name) {
  if (!name.empty() && isLead(name[0])) return name;
  // A name may come with its backslash; the forced line break "\\" is
  // named by its second backslash alone.
  std::string n = (!name.empty() && name[0] == '\\' && name != "\\") ? name : "\\" + name;
  return n + SJ("コマンド");
}

std::string ShownCommandName(const State& st, const std::string& name) {
  if (const int box = BoxRefIndex(name); box >= 0) {
    const auto& letters = st.box.boxLetterIndex;
    const auto it = std::find(letters.begin(), letters.end(), box);
    return it == letters.end() ? "box" : "box" + std::string(1, static_cast<char>('A' + (it - letters.begin())));
  }
  if (!name.empty() && (name.back() == inband::kOpenBrace || name.back() == inband::kCloseBrace)) {
    const std::string base = name.substr(0, name.size() - 1);
    if (base == "group" || base == "lengroup" || base == "valgroup") return base;
  }
  if (name.size() == 1) {
    static const char* const kStyles[] = {"Normal", "normal", "small", "smallsmall"};
    if (const int level = inband::StyleLevelOfCode(name[0]); level > 0) return kStyles[level - 1];
    if (name[0] == inband::kMiniPageRef) return "minipage";
  }
  return name;
}

std::string ShownText(const State& st, const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (isLead(c) && i + 1 < text.size()) {
      out.append(text, i, 2);
      i += 2;
      continue;
    }
    if (c == inband::kOpenBrace || c == inband::kCloseBrace) {  // an escaped brace
      out += '\\';
      out += inband::Shown(c);
      ++i;
      continue;
    }
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      ++i;
      continue;
    }
    const char n = text[i + 1];
    if (n == inband::kBoxRef && i + inband::kRefSize <= text.size()) {
      out += "\\" + ShownCommandName(st, text.substr(i + 1, 4));
      i += inband::kRefSize;
      continue;
    }
    if (n == inband::kMiniPageRef && i + inband::kRefSize <= text.size()) {
      out += "\\minipage{...}";
      i += inband::kRefSize;
      continue;
    }
    if (inband::StyleLevelOfCode(n) > 0) {
      out += "\\" + ShownCommandName(st, std::string(1, n));
      i += 2;
      continue;
    }
    // \group and its kin with their marks: "\group{" and "}".
    size_t e = i + 1;
    while (e < text.size() && isAsciiLetter(text[e])) ++e;
    const std::string name = text.substr(i + 1, e - i - 1);
    if (e < text.size() && (text[e] == inband::kOpenBrace || text[e] == inband::kCloseBrace) &&
        (name == "group" || name == "lengroup" || name == "valgroup")) {
      out += text[e] == inband::kOpenBrace ? "\\" + name + "{" : "}";
      i = e + 1;
      continue;
    }
    // Any other command, or a backslash and the byte it escapes.
    const size_t end = e > i + 1 ? e : isLead(n) ? i + 1 : i + 2;
    out.append(text, i, end - i);
    i = end;
  }
  return out;
}

void WriteCommandError(State& st, const std::string& name) {
  st.message("** " + DecorateCommandName(ShownCommandName(st, name)) + SJ("のエラー"));
}

std::string LineNumberText(const State& st, int lineIndex) {
  const LineOrigin* o = st.origins.of(lineIndex);
  const int n = o ? o->line + 1 : lineIndex + 1;
  std::string file;
  if (o && o->file != 0) file = st.origins.files[static_cast<size_t>(o->file)].name + " ";
  return "(" + file + std::to_string(n) + SJ("行目)");
}

void AddFailingLine(State& st, int lineIndex) {
  const LineOrigin* o = st.origins.of(lineIndex);
  const Lines* text = o ? &st.origins.files[static_cast<size_t>(o->file)].text : nullptr;
  if (text && o->line >= 0 && o->line < static_cast<int>(text->size())) {
    st.message(CutLine((*text)[static_cast<size_t>(o->line)]));
  } else if (lineIndex >= 0 && lineIndex < static_cast<int>(st.sourceLines.size())) {
    st.message(CutLine(st.sourceLines[static_cast<size_t>(lineIndex)]));
  }
  if (st.host) st.host->focusMessages();
}

void ReportSourceError(State& st, const std::string& text, int lineIndex) {
  st.message(text);
  SourceError e;
  e.message = text;
  e.path = st.origins.files.empty() ? st.documentPath : st.origins.files[0].path;
  if (const LineOrigin* o = st.origins.of(lineIndex)) {
    e.path = st.origins.files[static_cast<size_t>(o->file)].path;
    e.line = o->line + 1;
  } else if (lineIndex >= 0 && lineIndex < static_cast<int>(st.sourceLines.size())) {
    e.line = lineIndex + 1;
  }
  st.error = std::move(e);
  AddFailingLine(st, lineIndex);
}

void ReportLayoutFailure(State& st, const Failure& f) {
  const std::string n = LineNumberText(st, f.line);
  const std::string name = ShownCommandName(st, f.name);
  std::string text;
  switch (f.code) {
    case LayoutCode::GroupNotClosed: text = SJ("** } が閉じていません。") + n; break;
    case LayoutCode::Undefined: text = "** \\" + name + SJ("コマンドは定義されていません。") + n; break;
    case LayoutCode::ArgumentMissing: text = "** \\" + name + SJ("コマンドに引数がありません。") + n; break;
    case LayoutCode::MathNotClosed: text = SJ("** $が閉じていません。") + n; break;
    case LayoutCode::MathError: text = SJ("** 数式エラー") + n; break;
    default: text = SJ("** 文法エラー") + n; break;
  }
  ReportSourceError(st, text, f.line);
}

void ReportReformFailure(State& st, ReformCode code, int line) {
  const std::string n = LineNumberText(st, line);
  std::string text;
  switch (code) {
    case ReformCode::MathNotClosed: text = SJ("** 数式エラー") + n; break;
    case ReformCode::InputMissing:
      text = SJ("** インプットファイルが存在しません") + n +
             SJ("ファイル名が正しいかどうか，あるいは環境設定のインプットファイル用ディレクトリが設定されているかどうかを確認してください。");
      break;
    default: text = SJ("** 文法エラー") + n; break;
  }
  ReportSourceError(st, text, line);
}

}  // namespace vel
