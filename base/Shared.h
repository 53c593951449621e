// A value shared between copies until one of them changes it. Page
// snapshots keep the length lists this way: a snapshot made after every
// line costs a pointer copy while the lists stay as they were, and the
// first change after it copies the list once.
#pragma once

#include <memory>
#include <utility>

namespace vel {

template <class T>
class Shared {
 public:
  Shared() : p_(std::make_shared<T>()) {}
  Shared(T value) : p_(std::make_shared<T>(std::move(value))) {}

  const T& operator*() const { return *p_; }
  const T* operator->() const { return p_.get(); }

  // The value to change: made a copy of its own first when it is shared.
  // (One thread only: the engine never shares a State between threads.)
  T& mut() {
    if (p_.use_count() != 1) p_ = std::make_shared<T>(*p_);
    return *p_;
  }

  friend bool operator==(const Shared& a, const Shared& b) { return a.p_ == b.p_ || *a.p_ == *b.p_; }

 private:
  std::shared_ptr<T> p_;
};

}  // namespace vel
