// The typesetting state every in-process test starts from: the fixed-
// metrics canvas (FakeCanvas: a double-byte character one em wide, a
// single byte half an em, the ascent 0.8 em) unless another is given, a
// message window that keeps its lines, the default settings, this build's
// seams, and the base font at 10.5 points at style level 2, as a pass of a
// run starts.
#pragma once

#include <string>
#include <vector>

#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/StandardSeams.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"

namespace veltest {

struct StateFixture {
  vel::FakeCanvas fake;
  vel::MemoHost host;
  vel::Settings settings = vel::Settings::defaults();
  vel::State st;

  explicit StateFixture(vel::Canvas* canvas = nullptr, double fakeDpi = 96) : fake(fakeDpi) {
    st.canvas = canvas ? canvas : &fake;
    st.host = &host;
    st.settings = &settings;
    vel::UseStandardSeams(st);
    st.chr.fontSize = st.font.baseSize = 21000;
    st.font.base = vel::BaseFont(st);
    vel::SetFont(st, st.font.base, 2);
  }

  // One column of the given size, the line as wide as it: where the line
  // builder starts.
  void body(int columnWidth, int columnHeight) {
    st.geo.columnWidth = columnWidth;
    st.geo.columnHeight = columnHeight;
    st.geo.columnsPerPage = st.geo.columnsPerSheet = 1;
    st.line.lineWidth = columnWidth;
  }

  // The message window's lines in UTF-8.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const std::string& l : host.lines()) out.push_back(vel::cp932ToUtf8(l));
    return out;
  }
  // Lines of the fixed canvas's drawing log that start with `prefix`.
  std::vector<std::string> logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : fake.log())
      if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
  }
};

// Executes one command by name (argument in CP932) outside the line builder.
inline vel::Result<vel::CommandOutcome> RunCommand(vel::State& st, const std::string& name, const std::string& arg,
                                                   bool hasArg, const vel::CommandContext& ctx = {}) {
  st.scan.commandName = name;
  const int num = vel::GetCommandNum(st);
  return vel::SetCommand(st, num, arg, hasArg, ctx);
}

// The value of a result, or its (negative) code.
inline int ValueOrCode(const vel::Result<int>& r) { return r ? *r : vel::ToInt(r.code()); }

// The code of a result: 0 when it holds a value.
template <class T>
int CodeOf(const vel::Result<T>& r) {
  return vel::ToInt(r.code());
}

}  // namespace veltest
