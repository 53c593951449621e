// A typesetting state for running the preprocessing and preamble passes
// directly, with source lines and results in UTF-8.
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "layout/fonts/Fonts.h"
#include "state/State.h"
#include "driver/StandardSeams.h"

namespace veltest {

struct Harness {
  vel::FakeCanvas canvas;
  vel::MemoHost host;
  vel::Settings settings;
  vel::State st;

  explicit Harness(const std::vector<std::string>& utf8Lines = {}) {
    st.host = &host;
    st.canvas = &canvas;
    vel::UseStandardSeams(st);
    st.settings = &settings;
    st.font.base = vel::BaseFont(st);
    vel::SetFont(st, st.font.base, 2);
    for (const std::string& l : utf8Lines) st.sourceLines.push_back(sj(l));
  }
  // The source lines, control bytes written as \xNN.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const std::string& l : st.sourceLines) out.push_back(vel::toLogUtf8(l));
    return out;
  }
  std::vector<std::string> log() const {
    std::vector<std::string> out;
    for (const std::string& l : host.lines()) out.push_back(vel::cp932ToUtf8(l));
    return out;
  }
};

using Strings = std::vector<std::string>;

}  // namespace veltest
