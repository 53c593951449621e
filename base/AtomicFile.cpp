#include "base/AtomicFile.h"

#include <unistd.h>

#include <cstdio>

namespace vel {

bool WriteBeside(const std::string& path, const std::function<bool(const std::string& tmp)>& write) {
  const std::string tmp = path + ".tmp";
  // A leftover of an interrupted run must not be taken for this one's.
  ::unlink(tmp.c_str());
  if (write(tmp) && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
  ::unlink(tmp.c_str());
  return false;
}

}  // namespace vel
