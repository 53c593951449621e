// A typesetting state for running the preprocessing and preamble passes
// directly, with source lines and results in UTF-8.
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "StateFixture.h"

namespace veltest {

struct Harness : StateFixture {
  explicit Harness(const std::vector<std::string>& utf8Lines = {}) {
    for (const std::string& l : utf8Lines) st.sourceLines.push_back(sj(l));
  }
  // The source lines, control bytes written as \xNN.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const std::string& l : st.sourceLines) out.push_back(vel::toLogUtf8(l));
    return out;
  }
  std::vector<std::string> log() const { return messages(); }
  // Where each processed line came from: "name:line" (1-based), "doc" for
  // the document; a "*" marks a line the first pass preprocessed.
  std::vector<std::string> origins() const {
    std::vector<std::string> out;
    for (const vel::LineOrigin& o : st.origins.lines) {
      const std::string name = o.file == 0 ? "doc" : vel::cp932ToUtf8(st.origins.files[static_cast<size_t>(o.file)].name);
      out.push_back(name + ":" + std::to_string(o.line + 1) + (o.preprocessed ? "*" : ""));
    }
    return out;
  }
};

using Strings = std::vector<std::string>;

}  // namespace veltest
