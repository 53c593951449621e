// Figure bodies on arbitrary bytes: the text as a whole figure, and after a
// 2-D and a 3-D header so that the dispatcher, \if and \while are reached;
// each measured and drawn on the fixed-metrics canvas. No crash, no hang
// (loops are capped per figure), no sanitizer report, and every figure
// puts back the stacks and the nesting it found. Each input gets a fresh
// state, since \pvalX and the graph points outlive a figure.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzState.h"
#include "canvas/FakeCanvas.h"
#include "figure/Figure.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace {

struct Run : fuzz::FreshRun {
  Run() { st->draw.scale = 0.0048; }
};

void Figure(vel::State& st, const std::string& text) {
  const size_t values = st.val.valueInfoList.size(), boxes = st.boxVariablesList.size();
  for (bool draw : {false, true}) {
    vel::Extent box;
    const int r = vel::VeldrisDraw(st, text, 5000, draw, 40000, box);
    fuzz::Require(r == 0 || r == -1 || r == -10);
    fuzz::Require(st.fig.nesting == 0);
    fuzz::Require(st.val.valueInfoList.size() == values && st.boxVariablesList.size() == boxes);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Run run;
  vel::State& st = *run.st;
  Figure(st, text);
  Figure(st, "\\basexy{-5,5,-5,5,1mm}" + text);
  Figure(st, "\\basexyz{-2,2,-2,2,1mm,30,20}\\align{t}" + text);
  return 0;
}
