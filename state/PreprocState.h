// State of preprocessing, macros, footnote marks and the table-of-contents
// passes.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "base/Lines.h"
#include "base/NameList.h"

namespace vel {

struct MacroDef {
  int params = 0;
  std::string body;
  bool operator==(const MacroDef&) const = default;
};
using MacroList = NameList<MacroDef>;

// The date and time of a run, read once when preprocessing starts.
struct RunClock {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int dayOfWeek = 7;  // 1 Sunday .. 7 Saturday
};

// A file whose lines reach the processed text: the document (always the
// first) and each file spliced in by \input.
struct SourceFileRecord {
  std::string name;  // as messages name it (CP932), e.g. "sub.vdr"
  std::string path;  // native path, for the editor and FILE:LINE reports
  Lines text;        // its lines as loaded: the line the author wrote is echoed from here
  size_t replaced = 0;  // characters without a Shift-JIS form, read as "〓"
};

// Where a line of the processed text came from. Included files, source
// blocks and the contents pass add lines, so a processed line index is
// not the line the author sees in the editor; messages name this one.
struct LineOrigin {
  int file = 0;  // index into SourceOrigins::files, 0 the document
  int line = 0;  // 0-based line in that file
  // Text the first pass of a document with a table of contents already
  // preprocessed: the second pass leaves its comments and escapes alone.
  // Kept beside the text, not in it, so that no byte of a source line
  // can stand for it.
  bool preprocessed = false;
  // Written by the contents pass (its "\input{veldris}", the generated
  // entries), not by the author; file and line are those of the
  // \tableofcontents that asked for it.
  bool generated = false;
};

// The origins of State::sourceLines, one per line, kept in step by every
// operation that adds lines.
struct SourceOrigins {
  std::vector<SourceFileRecord> files;
  std::vector<LineOrigin> lines;
  // The image files read (native paths, each once): with `files`, what
  // veldris-render --watch watches.
  std::vector<std::string> images;

  void noteImage(const std::string& path) {
    for (const std::string& p : images)
      if (p == path) return;
    images.push_back(path);
  }

  // Each of the n lines its own line of the document. The document's
  // record is made from `text` when there is none yet.
  void identity(size_t n, const Lines& text, const std::string& name, const std::string& path) {
    if (files.empty()) files.push_back({name, path, text, 0});
    lines.resize(n);
    for (size_t k = 0; k < n; ++k) lines[k] = LineOrigin{0, static_cast<int>(k), false, false};
  }
  // The origin of a processed line; null when there is none.
  const LineOrigin* of(int index) const {
    if (index < 0 || index >= static_cast<int>(lines.size())) return nullptr;
    const LineOrigin& o = lines[static_cast<size_t>(index)];
    return o.file >= 0 && o.file < static_cast<int>(files.size()) ? &o : nullptr;
  }
  // The index of the file at `path`, recorded with its name and text when
  // it is new.
  int fileIndex(const std::string& name, const std::string& path, const Lines& text, size_t replaced) {
    for (size_t f = 0; f < files.size(); ++f)
      if (files[f].path == path) return static_cast<int>(f);
    files.push_back({name, path, text, replaced});
    return static_cast<int>(files.size()) - 1;
  }
};

// The error that stopped a run, where the author wrote it: the viewer opens
// the editor there and veldris-render prints it as FILE:LINE.
struct SourceError {
  std::string path;     // native path of the file ("" when there is none)
  int line = 0;         // 1-based line in it; 0 when the error has no line
  std::string message;  // the report's line with its line number (CP932)
};

struct PreprocState {
  MacroList macroNameList;
  MacroList figureFunctionList;

  // Footnote marks.
  int footnoteCount = 0;
  std::string footnotePrefix = "*";
  std::string footnoteSuffix;
  int footnoteStyle = 1;  // 0 fixed, 1 number, 2 letter, 3 symbol

  // Table of contents.
  bool contentsRequested = false;
  bool contentsPassDone = false;
  int frontMatterPages = 0;
  int contentsLevel = -1;
  Lines preambleLines;
  Lines contentsLines;
  Lines afterContentsLines;
  // Size of contentsLines once the front matter has been moved into it
  // (the generated entries follow).
  int frontMatterEnd = -1;
  // Where those lines came from: preambleOrigins beside preambleLines
  // (its first entry, the generated "\input{veldris}", is a placeholder),
  // contentsOrigins beside contentsLines up to frontMatterEnd,
  // afterContentsOrigins beside afterContentsLines; contentsOrigin is the
  // line of \tableofcontents, the origin of everything generated.
  std::vector<LineOrigin> preambleOrigins;
  std::vector<LineOrigin> contentsOrigins;
  std::vector<LineOrigin> afterContentsOrigins;
  LineOrigin contentsOrigin;

  RunClock clock;
};

}  // namespace vel
