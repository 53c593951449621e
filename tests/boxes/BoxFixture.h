// A typesetting state on fixed metrics (FakeCanvas: a double-byte
// character is one em wide, a single byte half an em, the cell one em high
// with the ascent at 0.8 em) for exact box sizes and drawing logs.
#pragma once

#include <string>
#include <vector>

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

struct Box {
  int width = 0, height = 0, depth = 0;
  bool operator==(const Box&) const = default;
};

struct Fixture {
  vel::FakeCanvas canvas{96};
  vel::MemoHost host;
  vel::Settings settings = vel::Settings::defaults();
  vel::State st;

  Fixture() {
    st.canvas = &canvas;
    vel::UseStandardSeams(st);
    st.host = &host;
    st.settings = &settings;
    st.chr.fontSize = st.font.baseSize = 21000;
    st.font.base = vel::BaseFont(st);
    vel::SetFont(st, st.font.base, 2);
    st.geo.columnWidth = 100 * kEm;
    st.geo.pageWidth = 100 * kEm;
    st.geo.columnHeight = 1000 * kEm;
    st.geo.columnsPerPage = st.geo.columnsPerSheet = 1;
    st.line.lineWidth = st.geo.columnWidth;
    st.draw.scale = 96.0 / 20000.0;
  }
  // BoxWidthHeight on UTF-8 text: the code and the size.
  int measure(const std::string& utf8, Box* out = nullptr, bool draw = false, int y = 0, int x = 0,
              std::string* rewritten = nullptr) {
    int r = vel::BoxWidthHeight(st, veltest::sj(utf8), 2, false, draw, y, x, rewritten);
    if (out) *out = {st.box.resultWidth, st.box.resultHeight, st.box.resultDepth};
    return r;
  }
  Box result() const { return {st.box.resultWidth, st.box.resultHeight, st.box.resultDepth}; }
  // The message window's lines in UTF-8.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const std::string& l : host.lines()) out.push_back(vel::cp932ToUtf8(l));
    return out;
  }
  // Drawing-log lines that start with a prefix.
  std::vector<std::string> logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : canvas.log())
      if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
  }
};

}  // namespace boxtest
