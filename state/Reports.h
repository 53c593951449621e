// The driver's reports of a stopped run, written to the message window.
// Every report names the line where the author wrote the offending text
// (the file and its line, from State::origins), echoes that line as
// written, and records the run's error for the viewer and veldris-render.
#pragma once

#include <string>

#include "base/Result.h"
#include "state/State.h"

namespace vel {

// An echoed source line longer than this is cut (an expansion or a
// generated line can be far longer than anything worth reading).
constexpr size_t kEchoedLineMax = 256;

// "\name" + "コマンド" for a name of ASCII, the name unchanged when it
// begins with a double-byte character.
std::string DecorateCommandName(const std::string& name);
// The command name as the author wrote it, for a name read from processed
// text: a stored-box reference is the "\boxX" it stands for, a group
// marker its "\group", a math style code its "\Normal".
std::string ShownCommandName(const State& st, const std::string& name);
// Processed text as the author wrote it, for a message that quotes it:
// group marks are "\group{" and "}", escaped braces "\{" and "\}",
// stored-box references the "\boxX" they stand for, math style codes
// their "\Normal".
std::string ShownText(const State& st, const std::string& text);
// "** " + decorated name + "のエラー".
void WriteCommandError(State& st, const std::string& name);
// "(" + n + "行目)" for the 0-based processed line index: n is the line in
// the file the line came from, and a file other than the document is
// named: "(sub.vdr 5行目)".
std::string LineNumberText(const State& st, int lineIndex);

// Reports of a failure of the body reader, and of preprocessing's (its
// code, the source line and, where the report names it, the command).
void ReportLayoutFailure(State& st, const Failure& f);
void ReportReformFailure(State& st, ReformCode code, int line);
// Writes the report's line `text`, records it as the run's error at the
// processed line (-1: the error has no line), and echoes that line.
void ReportSourceError(State& st, const std::string& text, int lineIndex);
// The failing line as the author wrote it (when it exists), cut to
// kEchoedLineMax; then the focus goes to the message window.
void AddFailingLine(State& st, int lineIndex);

}  // namespace vel
