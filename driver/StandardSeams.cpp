#include "driver/StandardSeams.h"

#include "figure/FigureTypesetter.h"
#include "layout/tables/TableTypesetter.h"
#include "math/MathTypesetter.h"

namespace vel {

const Seams& StandardSeams() {
  static const MathTypesetter math;
  static const FigureTypesetter figure;
  static const TableTypesetter table;
  static const Seams seams{&math, &figure, &table};
  return seams;
}

}  // namespace vel
