// MakeWordLineList: running text to words, words to lines, with the
// Japanese line-breaking rules and automatic Japanese-Latin spacing.
#include "layout/lines/LineBuilder.h"
#include "state/Reports.h"

namespace vel {

namespace lines {

int Fail(State& st, SourceCursor& cur, int code, const std::string& name, int line) {
  cur.failure = Failure{AsLayoutCode(code), name, line};
  if (!name.empty()) WriteCommandError(st, name);
  return code;
}

}  // namespace lines

Result<int> MakeWordLineList(State& st, Lines& source, WordList& words, bool mainText,
                             std::vector<LineInfo>& lines, WordTexts& texts) {
  lines::SourceCursor cursor{source, 0, 0, {}};
  lines::LineBreaker breaker(st, cursor, words, mainText, lines, texts);
  lines::WordScanner scanner(st, cursor, breaker);
  const int r = scanner.run();
  if (r >= 0) return r;
  cursor.failure.code = AsLayoutCode(r);
  return cursor.failure;
}

}  // namespace vel
