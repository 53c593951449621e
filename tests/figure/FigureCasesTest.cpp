// Figure cases kept as data (tests/figure/cases/*.tests): one case a line,
// fields separated by ";" ("\;" inside a field), "#" lines and blank lines skipped, UTF-8
// converted to CP932.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "CaseFile.h"
#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/qt/QtCanvas.h"
#include "figure/Figure.h"
#include "frontend/Lexical.h"

using namespace vel;

namespace {

using veltest::Case;

std::vector<Case> Read(const std::string& file) {
  return veltest::ReadCases("figure", file, true, [](const std::string& f) { return utf8ToCp932(f); });
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

// The figure body of c.fields[1] drawn at 254 dpi (ten pixels a
// millimetre) into a 120 x 320 bitmap, with the 10 mm box of the other
// kinds unless the body has a header of its own. Text is measured by the
// installed fonts (probe) or by the fixed metrics of the fixture (pixels).
Bitmap DrawnOnPixels(const Case& c, bool installedFonts) {
  Bitmap bitmap{120, 320};
  std::unique_ptr<QtCanvas> measure = installedFonts ? QtCanvas::measureOnly(254) : nullptr;
  veltest::StateFixture f{measure.get(), installedFonts ? 96.0 : 254.0};
  f.st.draw.scale = 254.0 / units::kPerInch;
  auto canvas = QtCanvas::onBitmap(bitmap, 254, 254);
  f.st.canvas = canvas.get();
  Extent box;
  const std::string& body = c.fields[1];
  const std::string header = body.find("\\basexy") == std::string::npos ? "\\basexy{-5,5,-5,5,1mm}" : "";
  EXPECT_EQ(VeldrisDraw(f.st, header + "\\frame{0}" + body, 0, true, 20000, box), 0) << c.where();
  f.st.canvas = measure ? static_cast<Canvas*>(measure.get()) : &f.fake;
  return bitmap;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "  " + l + "\n";
  return out;
}

// The drawing-log lines fields[from..] in order ("~prefix": a line that
// starts so; "$suffix": one that ends so; "!prefix": no such line at all).
void ExpectLog(const std::vector<std::string>& got, const Case& c, size_t from) {
  size_t at = 0;
  for (size_t k = from; k < c.fields.size(); ++k) {
    const std::string& want = c.fields[k];
    if (!want.empty() && want[0] == '!') {
      for (const std::string& l : got) EXPECT_NE(l.rfind(want.substr(1), 0), 0u) << c.where() << ": " << l;
      continue;
    }
    const bool prefix = !want.empty() && want[0] == '~';
    // "$suffix": a line that ends so.
    const bool suffix = !want.empty() && want[0] == '$';
    const std::string line = prefix || suffix ? want.substr(1) : want;
    const auto found = std::find_if(got.begin() + static_cast<long>(at), got.end(), [&](const std::string& l) {
      if (suffix) return l.size() >= line.size() && l.compare(l.size() - line.size(), line.size(), line) == 0;
      return prefix ? l.rfind(line, 0) == 0 : l == line;
    });
    EXPECT_TRUE(found != got.end()) << c.where() << ": no \"" << want << "\" (in order) in\n" << Joined(got);
    if (found != got.end()) at = size_t(found - got.begin()) + 1;
  }
}

// A body drawn in a figure 10 mm square (user -5..5 both ways, unless the
// body has a header of its own) at 254 dpi (10 pixels a millimetre): the
// drawing log, and the state for the values it left. The figure's result
// goes to `result`.
struct Drawn {
  veltest::StateFixture f{nullptr, 254};
  int result = 0;
  explicit Drawn(const std::string& body, const std::string& functions = "") {
    f.st.draw.scale = 254.0 / units::kPerInch;
    // "name#n body" items separated by "|": figure functions for the body.
    std::istringstream defs(functions);
    std::string def;
    while (std::getline(defs, def, '|')) {
      const size_t space = def.find(' ');
      const std::string head = def.substr(0, space);
      const size_t hash = head.find('#');
      const int params = hash == std::string::npos ? 0 : std::stoi(head.substr(hash + 1));
      f.st.pre.figureFunctionList.Add(head.substr(0, hash), MacroDef{params, def.substr(space + 1)});
    }
    Extent box;
    const std::string header = body.find("\\basexy") == std::string::npos ? "\\basexy{-5,5,-5,5,1mm}" : "";
    result = VeldrisDraw(f.st, header + "\\frame{0}" + body, 0, true, 20000, box);
  }
  const std::vector<std::string>& log() const { return f.fake.log(); }
};

// Drawing cases: a body and the drawing-log lines it must write.
TEST(FigureCases, LinesAndArrowsDrawWhatTheyMust) {
  for (const Case& c : Read("lines.tests")) {
    ASSERT_GE(c.fields.size(), 1u) << c.where();
    const Drawn d(c.fields[0]);
    EXPECT_EQ(d.result, 0) << c.where();
    if (c.fields.size() == 1) {
      for (const std::string& l : d.log()) std::cout << l << "\n";
      continue;
    }
    ExpectLog(d.log(), c, 1);
  }
}

// Cases of several kinds, by their first field:
//   draw;body;log lines...        as the lines cases;
//   same;body;body                both draw the same (and draw something);
//   fnsame;defs;body;body         the same with figure functions;
//   values;body;name=v ...        after the body: registers (valA, pvalX), closeLast,
//                                 point-array entries (px12, py12) and the result;
//   fn;defs;body;log lines...     the body with figure functions ("sq#1 body|...");
//   fnvalues;defs;body;name=v ... the same, checking values;
//   expand;points;items;want      \setpoint{points}, then ToRealPoint on the
//                                 items gives the "|"-separated want;
//   probe;body;probes             drawn on real pixels: "x,y=ink", "x,y=blank",
//                                 "ring x,y,r" (ink within a pixel of every degree of that circle);
//   pixels;body;probes            drawn on real pixels with the box where the
//                                 drawing log has it (the fixed metrics place
//                                 it): "x,y=RRGGBB", that exact colour.
void RunCases(const std::string& file) {
  for (const Case& c : Read(file)) {
    ASSERT_GE(c.fields.size(), 2u) << c.where();
    const std::string& kind = c.fields[0];
    if (kind == "draw" || kind == "fn") {
      const bool fn = kind == "fn";
      ASSERT_GE(c.fields.size(), fn ? 3u : 2u) << c.where();
      const Drawn d(c.fields[fn ? 2 : 1], fn ? c.fields[1] : "");
      if (c.fields.size() == (fn ? 3u : 2u)) {
        for (const std::string& l : d.log()) std::cout << l << "\n";
        continue;
      }
      ExpectLog(d.log(), c, fn ? 3 : 2);
    } else if (kind == "same" || kind == "fnsame") {
      const bool fn = kind == "fnsame";
      ASSERT_EQ(c.fields.size(), fn ? 4u : 3u) << c.where();
      const std::string defs = fn ? c.fields[1] : "";
      const Drawn a(c.fields[fn ? 2 : 1], defs), b(c.fields[fn ? 3 : 2], defs);
      EXPECT_EQ(a.result, 0) << c.where();
      // Selecting the same clip twice in a row changes nothing.
      auto drawing = [](const std::vector<std::string>& log) {
        std::vector<std::string> out;
        for (const std::string& l : log)
          if (l != "clip" || out.empty() || out.back() != "clip") out.push_back(l);
        return out;
      };
      EXPECT_EQ(drawing(a.log()), drawing(b.log())) << c.where();
      EXPECT_TRUE(std::any_of(a.log().begin(), a.log().end(), [](const std::string& l) {
        return l.rfind("poly", 0) == 0 || l.rfind("ellipse", 0) == 0 || l.rfind("arc", 0) == 0;
      })) << c.where() << ": draws nothing";
    } else if (kind == "values" || kind == "fnvalues") {
      const bool fn = kind == "fnvalues";
      ASSERT_EQ(c.fields.size(), fn ? 4u : 3u) << c.where();
      const Drawn d(c.fields[fn ? 2 : 1], fn ? c.fields[1] : "");
      std::istringstream checks(c.fields[fn ? 3 : 2]);
      std::string item;
      while (checks >> item) {
        const size_t eq = item.find('=');
        ASSERT_NE(eq, std::string::npos) << c.where();
        const std::string name = item.substr(0, eq);
        const double want = std::stod(item.substr(eq + 1));
        // "pxK", "pyK": entry K of the point array.
        const bool entry = name.size() > 2 && name[0] == 'p' && (name[1] == 'x' || name[1] == 'y') &&
                           std::isdigit(static_cast<unsigned char>(name[2]));
        const Point at = entry ? d.f.st.fig.points.get(std::stoul(name.substr(2))) : Point{};
        const double got = name == "result"      ? d.result
                           : name == "closeLast" ? d.f.st.fig.closeLast
                           : entry               ? (name[1] == 'x' ? at.x : at.y)
                                                 : Register(d.f.st, name);
        EXPECT_NEAR(got, want, 1e-9) << c.where() << ": " << name;
      }
    } else if (kind == "expand") {
      ASSERT_EQ(c.fields.size(), 4u) << c.where();
      veltest::StateFixture f;
      std::vector<std::string> points, items;
      vel::StrTok(c.fields[1], ",", points);
      DoSetPoint(f.st, points);
      vel::StrTok(c.fields[2], ",", items);
      ToRealPoint(f.st, items);
      std::string got;
      for (const std::string& i : items) got += (got.empty() ? "" : "|") + i;
      EXPECT_EQ(got, c.fields[3]) << c.where();
    } else if (kind == "probe") {
      ASSERT_EQ(c.fields.size(), 3u) << c.where();
      const Bitmap bitmap = DrawnOnPixels(c, true);
      auto ink = [&](int x, int y) { return redOf(bitmap.pixel(x, y)) < 128 || blueOf(bitmap.pixel(x, y)) < 128; };
      std::istringstream probes(c.fields[2]);
      std::string p;
      while (probes >> p) {
        if (p == "ring") {
          int x = 0, y = 0, r = 0;
          ASSERT_TRUE(probes >> p && std::sscanf(p.c_str(), "%d,%d,%d", &x, &y, &r) == 3) << c.where();
          for (int deg = 0; deg < 360; ++deg) {
            const double t = deg * 3.14159265358979 / 180;
            const int px = int(std::lround(x + r * std::cos(t))), py = int(std::lround(y - r * std::sin(t)));
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
              for (int dx = -1; dx <= 1; ++dx) near = near || ink(px + dx, py + dy);
            EXPECT_TRUE(near) << c.where() << ": ring " << deg << " degrees at " << px << "," << py;
          }
          continue;
        }
        int x = 0, y = 0;
        char what[16] = {};
        ASSERT_EQ(std::sscanf(p.c_str(), "%d,%d=%15s", &x, &y, what), 3) << c.where() << ": " << p;
        EXPECT_EQ(ink(x, y), std::string(what) == "ink") << c.where() << ": " << p;
      }
    } else if (kind == "pixels") {
      ASSERT_EQ(c.fields.size(), 3u) << c.where();
      const Bitmap bitmap = DrawnOnPixels(c, false);
      std::istringstream probes(c.fields[2]);
      std::string p;
      while (probes >> p) {
        int x = 0, y = 0;
        char want[8] = {};
        ASSERT_EQ(std::sscanf(p.c_str(), "%d,%d=%6s", &x, &y, want), 3) << c.where() << ": " << p;
        const Color px = bitmap.pixel(x, y);
        char got[8];
        std::snprintf(got, sizeof got, "%02X%02X%02X", redOf(px), greenOf(px), blueOf(px));
        EXPECT_EQ(std::string(got), std::string(want)) << c.where() << ": " << p;
      }
    } else {
      ADD_FAILURE() << c.where() << ": no kind " << kind;
    }
  }
}

TEST(FigureCases, PointsPathsAndFunctions) { RunCases("points.tests"); }
TEST(FigureCases, Shapes) { RunCases("shapes.tests"); }
TEST(FigureCases, GraphsAndPlots) { RunCases("graphs.tests"); }
TEST(FigureCases, LabelsAndMarkers) { RunCases("labels.tests"); }
TEST(FigureCases, BrushesHatchingAndGradients) { RunCases("brushes.tests"); }
TEST(FigureCases, FilledAreas) { RunCases("areas.tests"); }
