// Reading a source file into lines of CP932 text.
#pragma once

#include <string>

#include "frontend/Lexical.h"

namespace vel {

enum class LoadResult { Ok, Missing, Unreadable };

// Reads the file into lines without terminators (CR removed, so CRLF files
// read as LF files). A file that is valid UTF-8 with non-ASCII bytes, or
// starts with a UTF-8 byte order mark, is converted to CP932; characters
// with no CP932 form become "〓" and `unmappable` counts them.
LoadResult LoadSourceFile(const std::string& path, Lines& out, size_t* unmappable = nullptr);

// The same conversion for text already in memory.
void SplitSourceText(std::string bytes, Lines& out, size_t* unmappable = nullptr);

}  // namespace vel
