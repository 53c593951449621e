#include "state/WordTexts.h"

#include <functional>

namespace vel {

WordTexts::Span WordTexts::store(std::string_view t) {
  // The text may be a view of this buffer, which appending can move.
  if (!t.empty() && std::greater_equal<const char*>()(t.data(), chars_.data()) &&
      std::less<const char*>()(t.data(), chars_.data() + chars_.size())) {
    const std::string copy(t);
    return store(copy);
  }
  Span s{static_cast<uint32_t>(chars_.size()), static_cast<uint32_t>(t.size())};
  chars_.append(t);
  return s;
}

void WordTexts::insert(size_t at, std::string_view t) {
  const Span s = store(t);
  spans_.insert(spans_.begin() + static_cast<long>(at), s);
}

void WordTexts::set(size_t i, std::string_view t) {
  Span& s = spans_[i];
  if (t.size() <= s.length) {
    // No other span shares these characters; the text may be a view of
    // itself, which replace() allows.
    if (!t.empty()) chars_.replace(s.start, t.size(), t.data(), t.size());
    s.length = static_cast<uint32_t>(t.size());
    return;
  }
  s = store(t);
}

std::vector<WordTexts::Span> WordTexts::cut(size_t from) {
  std::vector<Span> tail(spans_.begin() + static_cast<long>(from), spans_.end());
  spans_.resize(from);
  return tail;
}

}  // namespace vel
