// Outcomes of the engine's operations as values. Failures are results,
// never exceptions: an operation returns a code (or a Result carrying a
// value or a failure), and the driver turns the failure into the message
// the user sees. The numbers are the system's own and appear in messages
// and tests, so they never change.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vel {

// Codes of the layout engine (lines, commands, boxes, tables, formulas,
// figures).
enum class [[nodiscard]] LayoutCode : int {
  Ok = 0,
  GroupNotClosed = -1,    // "} が閉じていません"
  Undefined = -2,         // undefined, or not allowed here
  ArgumentMissing = -3,
  MathNotClosed = -4,     // or not accepted by the math normaliser
  MathError = -5,         // also item nesting errors
  InvalidArgument = -10,
};

// Codes of preprocessing (its numbers mean other things than the layout's).
enum class [[nodiscard]] ReformCode : int {
  Ok = 0,
  SyntaxError = -1,
  InputMissing = -2,
  MathNotClosed = -3,
};

constexpr int ToInt(LayoutCode c) { return static_cast<int>(c); }
// A code kept as an int by older callers (0 or one of the codes above).
constexpr LayoutCode AsLayoutCode(int r) { return static_cast<LayoutCode>(r); }
constexpr int ToInt(ReformCode c) { return static_cast<int>(c); }

// The size of what was measured: width, height above the reference line
// (the baseline, or the math axis for formulas) and depth below it.
struct Extent {
  int width = 0;
  int height = 0;
  int depth = 0;
  bool operator==(const Extent&) const = default;
};

// A failure of the layout: its code, and the command and source line it
// belongs to when the failing operation knows them (else the caller adds
// them).
struct Failure {
  LayoutCode code = LayoutCode::InvalidArgument;
  std::string name;
  int line = -1;
  bool written = false;  // its "** name のエラー" line is written already
};

// A value or a failure.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Failure f) : failure_(std::move(f)) {}
  Result(LayoutCode c) : failure_(Failure{c, {}, -1}) {}

  bool ok() const { return !failure_; }
  explicit operator bool() const { return ok(); }
  LayoutCode code() const { return failure_ ? failure_->code : LayoutCode::Ok; }
  const Failure& failure() const { return *failure_; }
  const T& value() const { return value_; }
  T& value() { return value_; }
  const T& operator*() const { return value_; }
  const T* operator->() const { return &value_; }

 private:
  T value_{};
  std::optional<Failure> failure_;
};

}  // namespace vel
