// A typesetting state on the fixed-metrics canvas, with the pass defaults
// the driver sets: base font "ＭＳ Ｐ明朝" at 10.5 points, level 2.
#pragma once

#include "StateFixture.h"

namespace valtest {

// On the fixed canvas, or on `c` (a real font's metrics).
struct Env : veltest::StateFixture {
  explicit Env(vel::Canvas* c = nullptr) : StateFixture(c) {}
};

}  // namespace valtest
