// A typesetting state ready for the line builder, without a preamble: the
// base font at 10.5 points, one column of the given size.
#pragma once

#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace veltest {

inline void PrepareBodyState(vel::State& st, vel::Canvas* canvas, vel::Host* host, const vel::Settings* settings,
                             int columnWidth, int columnHeight) {
  st.canvas = canvas;
  vel::UseStandardSeams(st);
  st.host = host;
  st.settings = settings;
  st.chr.fontSize = st.font.baseSize = 21000;
  st.font.base = vel::BaseFont(st);
  vel::SetFont(st, st.font.base, 2);
  st.geo.columnWidth = columnWidth;
  st.geo.columnHeight = columnHeight;
  st.geo.columnsPerPage = st.geo.columnsPerSheet = 1;
  st.line.lineWidth = columnWidth;
}

}  // namespace veltest
