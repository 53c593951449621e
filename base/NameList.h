// Name lists: entries sorted by a case-insensitive comparison (duplicates
// accepted), looked up case-sensitively with Find. Macros, figure
// functions, named values and lengths are kept in such lists.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// ASCII-case-insensitive three-way comparison of byte strings.
inline int compareNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class T>
class NameList {
 public:
  struct Entry {
    std::string name;
    T value{};
    bool operator==(const Entry&) const = default;
  };

  // Index of the entry exactly equal to name, or -1: bisect for the first
  // case-insensitive match, then walk the run of case-insensitive equals.
  // The engine asks for the same few names (mostly literals) over and over,
  // so the last places found are remembered by the name's address; a
  // remembered place is checked against the name before it is used.
  int Find(std::string_view name) const {
    Recent& r = recent_[(reinterpret_cast<uintptr_t>(name.data()) >> 3) % kRecent];
    if (r.data == name.data() && r.size == name.size() && r.layout == layout_ && r.index < items_.size() &&
        items_[r.index].name == name)
      return static_cast<int>(r.index);
    size_t i = lowerBound(name);
    for (; i < items_.size() && compareNoCase(items_[i].name, name) == 0; ++i)
      if (items_[i].name == name) {
        r = Recent{name.data(), name.size(), layout_, i};
        return static_cast<int>(i);
      }
    return -1;
  }

  // Adds an entry at its sorted place, after existing equals; returns its index.
  int Add(std::string name, T value = T{}) {
    size_t i = lowerBound(name);
    while (i < items_.size() && compareNoCase(items_[i].name, name) == 0) ++i;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(i), Entry{std::move(name), std::move(value)});
    ++layout_;
    return static_cast<int>(i);
  }

  // Sets the entry of that exact name, or adds it.
  int Set(std::string_view name, T value) {
    int i = Find(name);
    if (i >= 0) {
      items_[static_cast<size_t>(i)].value = std::move(value);
      return i;
    }
    return Add(std::string(name), std::move(value));
  }

  void Delete(int i) {
    items_.erase(items_.begin() + i);
    ++layout_;
  }
  void Clear() {
    items_.clear();
    ++layout_;
  }
  int Count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }
  Entry& operator[](int i) { return items_[static_cast<size_t>(i)]; }
  const Entry& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool operator==(const NameList& o) const { return items_ == o.items_; }

 private:
  size_t lowerBound(std::string_view name) const {
    size_t lo = 0, hi = items_.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (compareNoCase(items_[mid].name, name) < 0) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }
  std::vector<Entry> items_;

  // Remembered places: valid while the entries keep their places (every
  // insertion or deletion starts a new layout).
  struct Recent {
    const char* data = nullptr;
    size_t size = 0;
    uint64_t layout = 0;
    size_t index = 0;
  };
  static constexpr size_t kRecent = 16;
  uint64_t layout_ = 0;
  mutable std::array<Recent, kRecent> recent_{};
};

}  // namespace vel
