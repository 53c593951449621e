// A typesetting state on fixed metrics (FakeCanvas: a double-byte
// character is one em wide, a single byte half an em, the cell one em high
// with the ascent at 0.8 em) for exact box sizes and drawing logs.
#pragma once

#include <string>
#include <vector>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace boxtest {

constexpr int kEm = 2916;  // 10.5 points in layout units
constexpr int kHalf = 1458;
constexpr int kAscent = 2333;  // 0.8 em, rounded as the fake face rounds
constexpr int kDescent = 583;

using Box = vel::Extent;

struct Fixture : veltest::StateFixture {
  vel::FakeCanvas& canvas = fake;
  Box last;  // the extent of the last result taken

  Fixture() {
    st.geo.columnWidth = 100 * kEm;
    st.geo.pageWidth = 100 * kEm;
    st.geo.columnHeight = 1000 * kEm;
    st.geo.columnsPerPage = st.geo.columnsPerSheet = 1;
    st.line.lineWidth = st.geo.columnWidth;
    st.draw.scale = 96.0 / 20000.0;
  }
  // The code of a measuring result; its extent becomes result().
  int take(const vel::Result<vel::Extent>& r) {
    last = r ? *r : Box{};
    return veltest::CodeOf(r);
  }
  // BoxWidthHeight on UTF-8 text: the code and the size.
  int measure(const std::string& utf8, Box* out = nullptr, bool draw = false, int y = 0, int x = 0,
              std::string* rewritten = nullptr) {
    const int r = take(vel::BoxWidthHeight(st, veltest::sj(utf8), 2, false, draw, y, x, rewritten));
    if (out) *out = last;
    return r;
  }
  Box result() const { return last; }
};

}  // namespace boxtest
