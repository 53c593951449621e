// Figures (\veldris) as the text layout sees them: a box of the size the
// figure's header gives, placed like a character of the line and drawn
// when its page is drawn. The argument is the command's argument as
// written. Measuring draws nothing and changes nothing the text reads;
// drawing gives the same extent.
#pragma once

#include <string>
#include <vector>

#include "base/Result.h"

namespace vel {

struct State;

class FigureSeam {
 public:
  virtual ~FigureSeam() = default;

  // Width, height above the text baseline, depth below it. A figure that
  // cannot be laid out fails with InvalidArgument (the caller reports it).
  virtual Result<Extent> Measure(State& st, const std::string& arg) const = 0;

  // Draws the figure with its left edge at x and the text baseline at y.
  virtual Result<Extent> Draw(State& st, const std::string& arg, int x, int baseline) const = 0;

  // A formula's vector arrow: the figure language's arrow of kind 3 in
  // layout units (y up), args as \arrow takes them ("p", tail, tip, size).
  // Draws outside any figure; whatever figure is being drawn keeps its
  // context, its point array and the canvas clip.
  virtual void VectorArrow(State& st, const std::vector<std::string>& args) const = 0;
};

}  // namespace vel
