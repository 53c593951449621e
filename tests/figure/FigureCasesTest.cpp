// Figure cases kept as data (tests/figure/cases/*.tests): one case a line,
// fields separated by ";", "#" lines and blank lines skipped, UTF-8
// converted to CP932.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "figure/Figure.h"

using namespace vel;

namespace {

struct Case {
  int line = 0;
  std::vector<std::string> fields;  // CP932
  std::string where() const { return "line " + std::to_string(line); }
};

std::vector<Case> Read(const std::string& file) {
  const std::string text = veltest::readFile(veltest::sourceDir() + "/tests/figure/cases/" + file);
  EXPECT_FALSE(text.empty()) << "no cases in " << file;
  std::vector<Case> cases;
  int n = 0;
  for (const std::string& raw : veltest::splitLines(text)) {
    ++n;
    if (raw.empty() || raw[0] == '#') continue;
    Case c;
    c.line = n;
    std::string field;
    std::istringstream in(raw);
    while (std::getline(in, field, ';')) c.fields.push_back(utf8ToCp932(field));
    if (raw.back() == ';') c.fields.emplace_back();
    cases.push_back(std::move(c));
  }
  return cases;
}

// The "** " lines of a typeset document whose third line is the figure.
std::vector<std::string> RenderedErrors(const std::string& figureText, int& exitCode) {
  veltest::TempDir d;
  veltest::writeFile(d.file("a.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\nx \\veldris{" + figureText + "}\n");
  const veltest::RunResult r = veltest::runRender({"--defaults", d.file("a.vdr")});
  exitCode = r.exitCode;
  std::vector<std::string> got;
  for (const std::string& l : veltest::splitLines(r.out))
    if (l.rfind("** ", 0) == 0) got.push_back(l);
  return got;
}

// A register by its name: valA..valz, pvalA..pvalZ.
double Register(const State& st, const std::string& name) {
  const bool p = name.rfind("pval", 0) == 0;
  const char letter = name.back();
  const int slot = p ? 52 + (letter - 'A') : AlphToInt(letter);
  return st.val.registers[static_cast<size_t>(slot)];
}

}  // namespace

TEST(FigureCases, HeaderErrorsWriteTheirMessagesAndStopTheRun) {
  for (const Case& c : Read("header-errors.tests")) {
    ASSERT_GE(c.fields.size(), 3u) << c.where();
    std::vector<std::string> want;
    for (size_t k = 2; k < c.fields.size(); ++k) want.push_back(cp932ToUtf8(c.fields[k]));
    if (c.fields[0] == "render") {
      int exitCode = 0;
      const std::vector<std::string> got = RenderedErrors(c.fields[1], exitCode);
      EXPECT_EQ(exitCode, 1) << c.where();
      EXPECT_EQ(got, want) << c.where();
    } else {
      veltest::StateFixture f;
      Extent box;
      EXPECT_EQ(VeldrisDraw(f.st, c.fields[1], 1000, true, 20000, box), -10) << c.where();
      EXPECT_EQ(f.messages(), want) << c.where();
      f.host.showMessages();
      EXPECT_EQ(VeldrisDraw(f.st, c.fields[1], 1000, false, 20000, box), -10) << c.where();
      EXPECT_EQ(f.messages(), want) << c.where() << " (measured)";
    }
  }
}

TEST(FigureCases, BodiesSetTheirValuesAndEndWhereTheyMust) {
  for (const Case& c : Read("dispatch.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    veltest::StateFixture f;
    Extent box;
    const int result = VeldrisDraw(f.st, "\\basexy{0,1,0,1,1cm}" + c.fields[0], 1000, true, 20000, box);
    std::istringstream checks(c.fields[1]);
    std::string item;
    while (checks >> item) {
      const size_t eq = item.find('=');
      ASSERT_NE(eq, std::string::npos) << c.where();
      const std::string name = item.substr(0, eq);
      const double want = std::stod(item.substr(eq + 1));
      const double got = name == "result" ? result : Register(f.st, name);
      EXPECT_EQ(got, want) << c.where() << ": " << name;
    }
    EXPECT_TRUE(f.messages().empty()) << c.where() << ": the body is silent";
  }
}

// Drawing cases: a body in a figure 10 mm square (user -5..5 both ways) at
// 254 dpi (10 pixels a millimetre), and the drawing-log lines it must
// write, in order ("~prefix": a line that starts so); "!prefix" means no
// such line at all.
TEST(FigureCases, LinesAndArrowsDrawWhatTheyMust) {
  for (const Case& c : Read("lines.tests")) {
    ASSERT_GE(c.fields.size(), 1u) << c.where();
    veltest::StateFixture f(nullptr, 254);
    f.st.draw.scale = 254.0 / units::kPerInch;
    Extent box;
    // A body with a header of its own keeps it.
    const std::string header = c.fields[0].find("\\basexy") == std::string::npos ? "\\basexy{-5,5,-5,5,1mm}" : "";
    EXPECT_EQ(VeldrisDraw(f.st, header + "\\frame{0}" + c.fields[0], 0, true, 20000, box), 0) << c.where();
    const std::vector<std::string>& got = f.fake.log();
    if (c.fields.size() == 1) {
      for (const std::string& l : got) std::cout << l << "\n";
      continue;
    }
    size_t at = 0;
    for (size_t k = 1; k < c.fields.size(); ++k) {
      const std::string& want = c.fields[k];
      if (!want.empty() && want[0] == '!') {
        for (const std::string& l : got) EXPECT_NE(l.rfind(want.substr(1), 0), 0u) << c.where() << ": " << l;
        continue;
      }
      // "~prefix": a line that starts so.
      const bool prefix = !want.empty() && want[0] == '~';
      const std::string line = prefix ? want.substr(1) : want;
      const auto found = std::find_if(got.begin() + static_cast<long>(at), got.end(), [&](const std::string& l) {
        return prefix ? l.rfind(line, 0) == 0 : l == line;
      });
      EXPECT_TRUE(found != got.end()) << c.where() << ": no \"" << want << "\" (in order)";
      if (found != got.end()) at = size_t(found - got.begin()) + 1;
    }
  }
}
