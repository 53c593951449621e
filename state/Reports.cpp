#include "state/Reports.h"

#include "base/Cp932.h"

namespace vel {

std::string DecorateCommandName(const std::string& name) {
  if (!name.empty() && isLead(name[0])) return name;
  std::string n = (!name.empty() && name[0] == '\\') ? name : "\\" + name;
  return n + SJ("コマンド");
}

void WriteCommandError(State& st, const std::string& name) {
  st.message("** " + DecorateCommandName(name) + SJ("のエラー"));
}

std::string LineNumberText(int lineIndex) { return "(" + std::to_string(lineIndex + 1) + SJ("行目)"); }

void AddFailingLine(State& st, int lineIndex) {
  if (lineIndex >= 0 && lineIndex < static_cast<int>(st.sourceLines.size())) st.message(st.sourceLines[lineIndex]);
  if (st.host) st.host->focusMessages();
}

void ReportLayoutFailure(State& st, const Failure& f) {
  const std::string n = LineNumberText(f.line);
  switch (f.code) {
    case LayoutCode::GroupNotClosed: st.message(SJ("** } が閉じていません。") + n); break;
    case LayoutCode::Undefined: st.message("** \\" + f.name + SJ("コマンドは定義されていません。") + n); break;
    case LayoutCode::ArgumentMissing: st.message("** \\" + f.name + SJ("コマンドに引数がありません。") + n); break;
    case LayoutCode::MathNotClosed: st.message(SJ("** $が閉じていません。") + n); break;
    case LayoutCode::MathError: st.message(SJ("** 数式エラー") + n); break;
    default: st.message(SJ("** 文法エラー") + n); break;
  }
  AddFailingLine(st, f.line);
}

void ReportReformFailure(State& st, ReformCode code, int line) {
  const std::string n = LineNumberText(line);
  switch (code) {
    case ReformCode::MathNotClosed: st.message(SJ("** 数式エラー") + n); break;
    case ReformCode::InputMissing:
      st.message(SJ("** インプットファイルが存在しません") + n +
                 SJ("ファイル名が正しいかどうか，あるいは環境設定のインプットファイル用ディレクトリが設定されているかどうかを確認してください。"));
      break;
    default: st.message(SJ("** 文法エラー") + n); break;
  }
  AddFailingLine(st, line);
}

}  // namespace vel
