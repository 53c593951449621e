// MakeWordLineList: running text to words, words to lines, with the
// Japanese line-breaking rules and automatic Japanese-Latin spacing.
#include "layout/lines/LineBuilder.h"
#include "state/Reports.h"

namespace vel {

namespace lines {

int Fail(State& st, int code, const std::string& name, int line) {
  st.errorLine = line;
  st.errorName = name;
  if (!name.empty()) WriteCommandError(st, name);
  return code;
}

}  // namespace lines

int MakeWordLineList(State& st, Lines& source, std::vector<WordInfo>& words, bool mainText,
                     std::vector<LineInfo>& lines, std::vector<std::string>& texts) {
  lines::SourceCursor cursor{source};
  lines::LineBreaker breaker(st, cursor, words, mainText, lines, texts);
  lines::WordScanner scanner(st, cursor, breaker);
  return scanner.run();
}

}  // namespace vel
