// One typesetting state for every fuzz input: the pass defaults on the
// fixed-metrics canvas, with lengths, values, a stored box and graph
// points for expressions to read. Inputs only change flags and scratch
// fields, which each run resets.
#pragma once

#include <cmath>
#include <cstdlib>
#include <memory>

#include "canvas/FakeCanvas.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"
#include "driver/StandardSeams.h"

namespace fuzz {

// A fresh state for one input, with its own canvas, message window and
// settings: the pass defaults at 10.5 points and a line width.
struct FreshRun {
  vel::FakeCanvas canvas{96};
  vel::MemoHost host;
  vel::Settings settings = vel::Settings::defaults();
  std::unique_ptr<vel::State> st = std::make_unique<vel::State>();

  FreshRun() {
    vel::State& s = *st;
    s.canvas = &canvas;
    vel::UseStandardSeams(s);
    s.host = &host;
    s.settings = &settings;
    s.chr.fontSize = s.font.baseSize = 21000;
    s.font.base = vel::BaseFont(s);
    vel::SetFont(s, s.font.base, 2);
    vel::SetValueList(s, "inmath", 0);
    vel::SetLengthList(s, "linewidth", 120000);
  }
};

inline vel::State& SharedState() {
  static vel::FakeCanvas canvas;
  static vel::State* st = [] {
    auto* s = new vel::State;
    s->canvas = &canvas;
    vel::UseStandardSeams(*s);
    s->chr.fontSize = s->font.baseSize = 21000;
    s->font.base = vel::BaseFont(*s);
    vel::SetFont(*s, s->font.base, 2);
    vel::SetValueList(*s, "inmath", 0);
    vel::SetValueList(*s, "itemlebel", 2);
    vel::SetLengthList(*s, "linewidth", 120000);
    vel::SetLengthList(*s, "hpos", 3000);
    vel::SetLengthList(*s, "neg", -4000);
    vel::DefLength(*s, "\\ab");
    s->boxList.push_back({1000, 700, 300, "", false});
    s->box.boxLetterIndex[0] = 0;
    s->fig.graph.count = 3;
    for (int i = 0; i < 1000; ++i) s->fig.graph.x[i] = i;
    s->val.counters[1] = 5;
    s->val.registers[0] = 2.5;
    s->fig.constants[1] = 1.5;
    return s;
  }();
  return *st;
}

// A check that must hold for every input: aborts so that libFuzzer keeps it.
inline void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace fuzz
