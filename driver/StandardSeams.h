// The math, figure and table subsystems the driver plugs into every
// typesetting state it makes.
#pragma once

#include "seams/Seams.h"
#include "state/State.h"

namespace vel {

// The implementations of this build. They hold no state of their own, so
// one set serves every State.
const Seams& StandardSeams();

// Makes st use them (tests and tools that build a State by hand).
inline void UseStandardSeams(State& st) { st.seams = &StandardSeams(); }

}  // namespace vel
