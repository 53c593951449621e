// The box walk, frames, underlines and mini pages on arbitrary bytes,
// measured and drawn on the fixed-metrics canvas: no crash, no hang, no
// read past the text, no sanitizer report. Each input gets a fresh state,
// since boxes store what they meet (stored boxes, blocks, footnotes).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzState.h"
#include "canvas/FakeCanvas.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace {

struct Run : fuzz::FreshRun {
  Run() {
    vel::State& s = *st;
    s.geo.columnWidth = s.geo.pageWidth = 120000;
    s.geo.columnHeight = 200000;
    s.line.lineWidth = s.geo.columnWidth;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Run run;
  vel::State& st = *run.st;

  std::string rewritten;
  if (vel::BoxWidthHeight(st, text, 2, false, false, 50000, 1000, &rewritten)) {
    // What a word keeps is drawn later: the rewritten text must read again.
    st.draw.scale = 0.0048;
    (void)vel::BoxWidthHeight(st, rewritten, 2, false, true, 50000, 1000);
    (void)vel::BoxWidthHeight(st, rewritten, 2, true, true, 50000, 1000);
  }
  (void)vel::FrameBox(st, text, 2, true, 50000, 1000);
  (void)vel::UnderLine(st, text, 2, 1, true, 50000, 1000);
  (void)vel::UnderlineSpan(st, text, 1, vel::Extent{30000, 0, 500}, true, 50000, 1000);
  vel::UnderlineExtraDepth(st, text);
  (void)vel::MakeMiniPage(st, text, 2, 0);
  return 0;
}
