#include "state/Settings.h"

#include "base/Cp932.h"

namespace vel {

std::string Settings::defaultXHead() { return SJ("、。，．・？！゛゜’”）］〕｝」』〉》】!),.:;?>]}｡｣､･ﾞﾟ"); }

std::string Settings::defaultXTail() { return SJ("（［｛「『‘“〔〈《【(<[{｢"); }

std::string Settings::withoutFirstQuote(std::string s) {
  size_t q = s.find('"');
  if (q != std::string::npos) s.erase(q, 1);
  return s;
}

Settings Settings::defaults() {
  Settings s;
  s.xHead = defaultXHead();
  s.xTail = defaultXTail();
  return s;
}

}  // namespace vel
