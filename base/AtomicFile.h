// Outputs that a reader never sees half-written: the file is written beside
// its final place (PATH.tmp) and renamed over it, which replaces it in one
// step, so a PDF viewer that reloads on change reads the old file or the
// new one, never a mixture.
#pragma once

#include <functional>
#include <string>

namespace vel {

// Calls write(PATH.tmp) and, when it succeeds, renames PATH.tmp to PATH.
// On failure PATH is left as it was and PATH.tmp is removed.
bool WriteBeside(const std::string& path, const std::function<bool(const std::string& tmp)>& write);

}  // namespace vel
