// Styled lines of the layout engine (frames and underlines) and the
// conversions from layout units to device pixels that drawing shares.
#pragma once

#include <vector>

#include "canvas/Canvas.h"
#include "state/State.h"

namespace vel {

// A layout coordinate as a device pixel: v x S + 0.5, truncated (text
// positions and the end points of rules and lines). Kept inside int range.
int DevicePoint(const State& st, double v);
// A pen width: trunc(width x S + the pen bias), at least 1.
int DevicePenWidth(const State& st, double width);

// Line styles (penStyle codes): 0 solid, 1 dashed, 2 short dashes, 3 dotted,
// 4 dash-dot, 5 dash-dot-dot, 9 invisible; any other code is solid.
//
// Draws the path through the device points with the canvas pen (its colour
// and width; the canvas pen itself stays solid: dashes are cut here, in
// layout units, so that they keep their length at every zoom). `closed`
// adds the segment back to the first point. The canvas pen and brush are
// left as they were found.
void MyLine(State& st, const std::vector<Point>& pts, bool closed, int penStyle);

}  // namespace vel
