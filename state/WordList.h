// The words of a layout. Nearly every word of a document is text, whose
// command fields (sub-type, value and the two extra values) are zero: such
// a word is kept in 24 bytes, and the command fields of the others in a
// side list. Words are read as whole WordInfo values and written back with
// set(); a long document's words are most of its memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "state/WordInfo.h"

namespace vel {

class WordList {
 public:
  WordList() = default;
  WordList(std::initializer_list<WordInfo> ws) {
    for (const WordInfo& w : ws) push_back(w);
  }

  size_t size() const { return words_.size(); }
  bool empty() const { return words_.empty(); }

  WordInfo operator[](size_t i) const {
    const Packed& p = words_[i];
    WordInfo w;
    w.width = p.width;
    w.height = p.height;
    w.depth = p.depth;
    w.line = p.line;
    w.pos = p.pos;
    if (p.tag & kExtended) {
      const Extra& e = extras_[p.tag & ~kExtended];
      w.kind = e.kind;
      w.subType = e.subType;
      w.value = e.value;
      w.valueA = e.valueA;
      w.valueB = e.valueB;
    } else {
      w.kind = static_cast<int32_t>(p.tag);
    }
    return w;
  }
  WordInfo back() const { return (*this)[size() - 1]; }

  void set(size_t i, const WordInfo& w) { words_[i] = pack(w, words_[i].tag); }
  void push_back(const WordInfo& w) { words_.push_back(pack(w, 0)); }
  void insert(size_t at, const WordInfo& w) {
    words_.insert(words_.begin() + static_cast<std::ptrdiff_t>(at), pack(w, 0));
  }
  // Shortening gives back the side entries of the last words when they
  // are the last ones made (words taken off the end and added again).
  void resize(size_t n);
  void clear() {
    words_.clear();
    extras_.clear();
  }
  void reserve(size_t n) { words_.reserve(n); }

  // The words from `from` on, as values.
  std::vector<WordInfo> tail(size_t from) const;

  bool operator==(const WordList& o) const;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = WordInfo;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = WordInfo;
    const_iterator(const WordList* l, size_t i) : list_(l), i_(i) {}
    WordInfo operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }
    bool operator!=(const const_iterator& o) const { return i_ != o.i_; }

   private:
    const WordList* list_;
    size_t i_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  static constexpr uint32_t kExtended = 0x80000000u;
  struct Packed {
    int32_t width, height, depth, line, pos;
    uint32_t tag;  // the kind, or kExtended | the index of its Extra
  };
  struct Extra {
    int32_t kind, subType, value, valueA, valueB;
  };

  // `old`: the tag the slot held, whose side entry a rewrite reuses.
  Packed pack(const WordInfo& w, uint32_t old) {
    Packed p{w.width, w.height, w.depth, w.line, w.pos, 0};
    const bool plain = w.subType == 0 && w.value == 0 && w.valueA == 0 && w.valueB == 0 && w.kind >= 0;
    if (plain) {
      p.tag = static_cast<uint32_t>(w.kind);
      return p;
    }
    const Extra e{w.kind, w.subType, w.value, w.valueA, w.valueB};
    if (old & kExtended) {
      extras_[old & ~kExtended] = e;
      p.tag = old;
    } else {
      p.tag = kExtended | static_cast<uint32_t>(extras_.size());
      extras_.push_back(e);
    }
    return p;
  }

  std::vector<Packed> words_;
  std::vector<Extra> extras_;
};

}  // namespace vel
