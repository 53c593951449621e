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

void ReportLayoutFailure(State& st, int code) {
  const std::string n = LineNumberText(st.errorLine);
  switch (code) {
    case -1: st.message(SJ("** } が閉じていません。") + n); break;
    case -2: st.message("** \\" + st.errorName + SJ("コマンドは定義されていません。") + n); break;
    case -3: st.message("** \\" + st.errorName + SJ("コマンドに引数がありません。") + n); break;
    case -4: st.message(SJ("** $が閉じていません。") + n); break;
    case -5: st.message(SJ("** 数式エラー") + n); break;
    default: st.message(SJ("** 文法エラー") + n); break;
  }
  AddFailingLine(st, st.errorLine);
}

void ReportReformFailure(State& st, int code) {
  const std::string n = LineNumberText(st.errorLine);
  switch (code) {
    case -3: st.message(SJ("** 数式エラー") + n); break;
    case -2:
      st.message(SJ("** インプットファイルが存在しません") + n +
                 SJ("ファイル名が正しいかどうか，あるいは環境設定のインプットファイル用ディレクトリが設定されているかどうかを確認してください。"));
      break;
    default: st.message(SJ("** 文法エラー") + n); break;
  }
  AddFailingLine(st, st.errorLine);
}

}  // namespace vel
