// The plug-ins of the layout engine. Formulas, figures and tables are
// typeset by their own subsystems, which sit above the layout: the line
// builder, the box layout and page drawing reach them only through these
// interfaces, and the driver installs the implementations in every State
// it makes (State::seams). A State without them refuses formulas, figures
// and tables as constructs that are not available, rather than guessing.
#pragma once

#include "seams/FigureSeam.h"
#include "seams/MathSeam.h"
#include "seams/TableSeam.h"

namespace vel {

struct Seams {
  const MathSeam* math = nullptr;
  const FigureSeam* figure = nullptr;
  const TableSeam* table = nullptr;
};

}  // namespace vel
