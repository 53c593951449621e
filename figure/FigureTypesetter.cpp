// Until the figure language lands, a figure is the box its header gives:
// the header is read, nothing else is measured and nothing is drawn.
#include "figure/FigureTypesetter.h"

#include <cmath>
#include <vector>

#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "layout/boxes/BoxText.h"
#include "state/State.h"

namespace vel {

namespace {

using namespace boxtext;

// The figure's box from its header alone: the base command (\basicset,
// \basexy, \basexyz) and \align.
Result<Extent> HeaderBox(State& st, const std::string& arg) {
  char align = 'c';
  bool haveBase = false;
  double W = 0, H = 0;
  std::vector<std::string> a;
  size_t i = 0;
  while (i < arg.size()) {
    if (arg[i] == '{') {
      size_t close = GroupEnd(arg, i);
      if (close == npos) return LayoutCode::InvalidArgument;
      i = close + 1;
      continue;
    }
    if (arg[i] != '\\') {
      i += UnitLen(arg, i);
      continue;
    }
    NamedGroup g;
    if (!ReadNamedGroup(arg, i, g)) break;
    const std::string& n = g.name;
    if (n == "basicset" || n == "basexy" || n == "basexyz") {
      StrTok(g.content, ",", a);
      if (n == "basicset") {
        if (a.size() != 5 && a.size() != 7) return LayoutCode::InvalidArgument;
        W = UnitToPix(st, a[0]);
        H = UnitToPix(st, a[1]);
      } else {
        if (a.size() < 5 || (n == "basexy" && a.size() > 6) || (n == "basexyz" && a.size() != 7)) return LayoutCode::InvalidArgument;
        const double sx = UnitToPix(st, a[4]);
        const double sy = (n == "basexy" && a.size() == 6) ? UnitToPix(st, a[5]) : sx;
        W = std::trunc((Calc(st, a[1]) - Calc(st, a[0])) * sx);
        H = std::trunc((Calc(st, a[3]) - Calc(st, a[2])) * sy);
      }
      haveBase = true;
    } else if (n == "align") {
      size_t c = SkipSpaces(g.content, 0);
      align = c < g.content.size() ? g.content[c] : 'c';
    } else if (n != "frame" && n != "constant" && n != "parameter") {
      break;  // the first drawing command ends the header
    }
    i = g.end;
  }
  if (!haveBase || W < 0 || H < 0 || W > 2e9 || H > 2e9) return LayoutCode::InvalidArgument;
  int h = static_cast<int>(H);
  int ascent;
  if (align == 'b') ascent = h - st.font.descent;
  else if (align == 't') ascent = st.font.ascent;
  else ascent = static_cast<int>(h / 2 + st.font.mathAxis);
  return Extent{static_cast<int>(W), ascent, h - ascent};
}

}  // namespace

Result<Extent> FigureTypesetter::Measure(State& st, const std::string& arg) const { return HeaderBox(st, arg); }

Result<Extent> FigureTypesetter::Draw(State& st, const std::string& arg, int, int) const { return HeaderBox(st, arg); }

}  // namespace vel
