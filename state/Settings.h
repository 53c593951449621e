// The user's settings as the engine reads them. The desktop program and
// veldris-render fill this from the settings store; the engine never reads
// the store itself.
#pragma once

#include <string>
#include <vector>

namespace vel {

struct Settings {
  // Folders searched by \input after the document's own folder (native
  // paths). The program's own data/input folder is appended by the caller.
  std::vector<std::string> inputDirs;
  // Folders searched for images after the document's folder.
  std::vector<std::string> imageDirs;
  // Line-head and line-end prohibited characters (CP932), first double
  // quote already removed.
  std::string xHead;
  std::string xTail;
  // The printer cannot print small math characters: use substitute fonts.
  bool smallCharPrintError = false;
  // Folder that was current when the program started (with a trailing '/').
  std::string homeDir;

  static Settings defaults();
  static std::string defaultXHead();  // CP932
  static std::string defaultXTail();  // CP932
  // Removes the first double quote, as loading and the dialog do.
  static std::string withoutFirstQuote(std::string s);
};

}  // namespace vel
