// Reading a source file into lines of CP932 text.
#pragma once

#include <string>
#include <string_view>

#include "frontend/Lexical.h"
#include "state/State.h"

namespace vel {

enum class LoadResult { Ok, Missing, Unreadable };

// Reads the file into lines without terminators: CR, LF and CRLF each end
// a line. A file that starts with a UTF-8 byte order mark, or that only
// UTF-8 reads well (ReadsAsUtf8), is converted to CP932; characters with
// no CP932 form become "〓" and `unmappable` counts them.
LoadResult LoadSourceFile(const std::string& path, Lines& out, size_t* unmappable = nullptr);

// The same conversion for text already in memory.
void SplitSourceText(std::string bytes, Lines& out, size_t* unmappable = nullptr);

// True when bytes without a byte order mark are to be read as UTF-8: they
// are valid UTF-8 with non-ASCII bytes, and not also a CP932 text that
// reads better as such. Bytes valid in both are kept as CP932 when the
// UTF-8 reading holds characters CP932 has no form for, or when the CP932
// reading is plausible Japanese (half-width katakana pairs such as "ﾃｽ"
// are valid UTF-8).
bool ReadsAsUtf8(std::string_view bytes);

// The line of the message window that warns of `count` characters of the
// file `name` (CP932) read as "〓".
void WriteReplacedWarning(State& st, const std::string& name, size_t count);

}  // namespace vel
