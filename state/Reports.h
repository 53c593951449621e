// The driver's reports of a stopped run, written to the message window.
#pragma once

#include <string>

#include "base/Result.h"
#include "state/State.h"

namespace vel {

// "\name" + "コマンド" for a name of ASCII, the name unchanged when it
// begins with a double-byte character.
std::string DecorateCommandName(const std::string& name);
// "** " + decorated name + "のエラー".
void WriteCommandError(State& st, const std::string& name);
// "(" + n + "行目)" for the 0-based line index.
std::string LineNumberText(int lineIndex);

// Reports of a failure of the body reader, and of preprocessing's (its
// code, the source line and, where the report names it, the command).
void ReportLayoutFailure(State& st, const Failure& f);
void ReportReformFailure(State& st, ReformCode code, int line);
// The text of the failing line (when it exists), then the focus goes to
// the message window.
void AddFailingLine(State& st, int lineIndex);

}  // namespace vel
