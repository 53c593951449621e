// The command-name readers' results: the last name read and whether a
// brace group follows it.
#pragma once

#include <string>

namespace vel {

// CommandName and BraceFollows: set by the two command-name readers, read
// by the caller right after the call.
struct ScanState {
  std::string commandName;
  bool braceFollows = false;
};

}  // namespace vel
