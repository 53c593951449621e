// Line-breaking cases read from tests/lines/cases/*.tests (one case per
// line: width in ems; source; expected lines), on fixed metrics.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "StateFixture.h"
#include "TestSupport.h"
#include "layout/lines/WordLine.h"

using namespace vel;

namespace {

constexpr int kEm = 2916;  // 10.5 points in layout units

struct Case {
  int line = 0;
  int chars = 0;
  std::string source, expected;
};

std::vector<Case> readCases(const std::string& file) {
  std::vector<Case> out;
  std::ifstream in(veltest::sourceDir() + "/tests/lines/cases/" + file);
  std::string l;
  for (int n = 1; std::getline(in, l); ++n) {
    if (l.empty() || l[0] == '#') continue;
    const size_t a = l.find(';'), b = l.rfind(';');
    if (a == std::string::npos || a == b) continue;
    out.push_back({n, std::stoi(l.substr(0, a)), l.substr(a + 1, b - a - 1), l.substr(b + 1)});
  }
  return out;
}

// The lines' text, joined by "|", or "error N"; and whether every line's
// recorded width is what its words occupy (a right-aligned text moves the
// pen to the line's end).
std::string typeset(const Case& c, std::string& widths) {
  veltest::StateFixture f;
  f.body(c.chars * kEm, 1000 * kEm);
  f.st.sourceLines = {veltest::sj(c.source)};
  const Result<int> r = MakeWordLineList(f.st, f.st.sourceLines, f.st.wordList, true, f.st.lineList, f.st.wordTextList);
  if (!r) return "error " + std::to_string(ToInt(r.code()));
  std::string out;
  int first = 0;
  for (const LineInfo& li : f.st.lineList) {
    std::string t;
    long sum = 0;
    bool right = false;
    for (int w = first; w <= li.lastWord; ++w) {
      const WordInfo& x = f.st.wordList[static_cast<size_t>(w)];
      if (x.kind == cmd::Text) t += f.st.wordTextList[static_cast<size_t>(w)];
      else if (x.kind == cmd::InlineMath) t += "$";
      else if (x.kind > cmd::Text && x.kind <= cmd::Escaped) t += "[]";
      else if (x.kind == cmd::RightLine) t += ">";
      if (x.kind == cmd::RightLine) {
        sum = li.lineWidth;
        right = true;
      } else if (x.kind < cmd::LineEnd || x.kind == cmd::Item) {
        sum += x.width;
      }
    }
    if (sum != li.width && !(right && li.width >= sum))
      widths += " line " + std::to_string(&li - f.st.lineList.data()) + ": width " + std::to_string(li.width) +
                ", words " + std::to_string(sum);
    out += (out.empty() ? "" : "|") + vel::cp932ToUtf8(t);
    first = li.lastWord + 1;
  }
  return out;
}

}  // namespace

TEST(LineCases, Breaking) {
  for (const Case& c : readCases("breaking.tests")) {
    std::string widths;
    EXPECT_EQ(typeset(c, widths), c.expected) << "breaking.tests:" << c.line << ": " << c.source;
    EXPECT_EQ(widths, "") << "breaking.tests:" << c.line << ": " << c.source;
  }
}
