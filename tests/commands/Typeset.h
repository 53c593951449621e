// A whole typesetting run in-process on fixed metrics (FakeCanvas), as F5
// does it: preprocessing, preamble, words and lines, columns, and the
// drawing of the first sheet. Texts go in and come out as UTF-8.
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"

namespace cmdtest {

// The first lines of every test document; the body starts on line 3.
inline const std::string kHead = "\\documentstyle{10.5, a4t}\n\\begindocument\n";

struct Typeset {
  vel::FakeCanvas canvas;
  vel::MemoHost host;
  vel::Engine engine{host, canvas};
  vel::RunStatus status = vel::RunStatus::Empty;

  // `doc` is the whole document (UTF-8, lines separated by '\n'); `dir`
  // is the folder it is read from (images are looked up there).
  explicit Typeset(const std::string& doc, const std::string& dir = "/tmp") {
    engine.documentPath = dir + "/t.vdr";
    engine.programInputDir = veltest::sourceDir() + "/data/input";
    engine.settings.inputDirs.push_back(engine.programInputDir);  // where "\input{veldris}" is found
    engine.fixedClock = vel::RunClock{2024, 3, 5, 9, 7, 0, 3};
    for (const std::string& l : veltest::splitLines(veltest::sj(doc))) engine.source.push_back(l);
    status = engine.TextDraw(1);
  }

  // The message window's lines.
  std::vector<std::string> log() const {
    std::vector<std::string> out;
    for (const std::string& l : host.lines()) out.push_back(vel::cp932ToUtf8(l));
    return out;
  }
  // The lines that report errors ("** ...").
  std::vector<std::string> errors() const {
    std::vector<std::string> out;
    for (const std::string& l : log())
      if (l.rfind("** ", 0) == 0) out.push_back(l);
    return out;
  }
  vel::State& st() { return *engine.lastRun(); }
};

}  // namespace cmdtest
