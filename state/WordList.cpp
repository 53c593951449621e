#include "state/WordList.h"

namespace vel {

void WordList::resize(size_t n) {
  while (words_.size() > n) {
    const uint32_t tag = words_.back().tag;
    if ((tag & kExtended) && (tag & ~kExtended) + 1 == extras_.size()) extras_.pop_back();
    words_.pop_back();
  }
  words_.resize(n, Packed{0, 0, 0, 0, 0, 0});
}

std::vector<WordInfo> WordList::tail(size_t from) const {
  std::vector<WordInfo> out;
  out.reserve(size() > from ? size() - from : 0);
  for (size_t i = from; i < size(); ++i) out.push_back((*this)[i]);
  return out;
}

bool WordList::operator==(const WordList& o) const {
  if (size() != o.size()) return false;
  for (size_t i = 0; i < size(); ++i)
    if ((*this)[i] != o[i]) return false;
  return true;
}

}  // namespace vel
