// The texts of a layout's words, one per word, kept in one character
// buffer. Japanese text is a word per character, so a string object per
// word was most of a long document's memory; here a word costs its span.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

class WordTexts {
 public:
  // Where a word's text lies in the buffer.
  struct Span {
    uint32_t start = 0;
    uint32_t length = 0;
  };

  size_t size() const { return spans_.size(); }
  bool empty() const { return spans_.empty(); }
  std::string_view operator[](size_t i) const {
    const Span s = spans_[i];
    return {chars_.data() + s.start, s.length};
  }

  // The same texts, wherever they lie in the buffers.
  bool operator==(const WordTexts& o) const {
    if (size() != o.size()) return false;
    for (size_t i = 0; i < size(); ++i)
      if ((*this)[i] != o[i]) return false;
    return true;
  }

  void push_back(std::string_view t) { spans_.push_back(store(t)); }
  void insert(size_t at, std::string_view t);
  // A text no longer than the one it replaces is rewritten in place, a
  // longer one appended (drawing never rewrites texts, so that is rare).
  void set(size_t i, std::string_view t);
  void clearText(size_t i) { spans_[i].length = 0; }
  // Shortening drops the last words' spans; their characters stay until clear().
  void resize(size_t n) { spans_.resize(n); }
  void clear() {
    spans_.clear();
    chars_.clear();
  }
  void reserve(size_t words, size_t chars) {
    spans_.reserve(words);
    chars_.reserve(chars);
  }

  // The spans from `from` on, taken off and later put back (their
  // characters stay in the buffer meanwhile).
  std::vector<Span> cut(size_t from);
  void pushSpan(Span s) { spans_.push_back(s); }

 private:
  Span store(std::string_view t);

  std::vector<Span> spans_;
  std::string chars_;
};

}  // namespace vel
