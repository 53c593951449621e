// A typesetting state on the fixed-metrics canvas, with the pass defaults
// the driver sets: base font "ＭＳ Ｐ明朝" at 10.5 points, level 2.
#pragma once

#include "canvas/FakeCanvas.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace valtest {

struct Env {
  vel::FakeCanvas canvas;
  vel::State st;
  explicit Env(vel::Canvas* c = nullptr) {
    st.canvas = c ? c : &canvas;
    vel::UseStandardSeams(st);
    st.chr.fontSize = st.font.baseSize = 21000;
    st.font.base = vel::BaseFont(st);
    vel::SetFont(st, st.font.base, 2);
  }
};

}  // namespace valtest
