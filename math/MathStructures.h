// The structure segments of a formula: roots, fractions, scripts,
// delimiters, limits, accents, braces, phantoms, struts, upright text and
// boxes, right-flush text and fills, dot leaders, scoped groups, named
// measurements and matrices.
//
// Each structure measures its parts by MathWidthHeight, combines them into
// one box about the axis and, when the pen draws, draws the parts at their
// places and its own rules and signs. While drawing, the counters are kept
// across the measuring of the parts, so that what the parts count is
// counted once, when they are drawn.
#pragma once

#include <string>
#include <vector>

#include "math/MathLayout.h"

namespace vel {

// Measures one structure segment at the pen and draws it when the pen
// draws (the caller advances the pen). The width is -1 on an error.
MathBox SetMathStructure(State& st, MathPen& pen, const MathSegment& segment);

// The child style levels of the parts.
int FractionChildLevel(int level);
int ScriptChildLevel(int level);  // scripts, limits and root indexes
int BraceLabelLevel(int level);

// The kerns of scripts after a nucleus, in ch ("" for none): the Latin
// letter the nucleus ends with, or the one Greek command it is.
struct ScriptKerns {
  std::string sub, sup;
};
ScriptKerns ScriptKernsOf(std::string_view nucleus);

}  // namespace vel
