// What drawing re-applies, seen on the drawn page (FakeCanvas's log): item
// labels numbered as the layout numbered them, and the page number and
// heading strings inside headers and footers.
#include <gtest/gtest.h>

#include "Typeset.h"

using cmdtest::kHead;
using cmdtest::Typeset;

namespace {

// The drawn texts of the first sheet, in drawing order, joined.
std::string drawnText(const Typeset& t) {
  std::string out;
  for (const std::string& l : t.canvas.log()) {
    if (l.rfind("text ", 0) != 0) continue;
    out += l.substr(l.rfind(' ') + 1);
  }
  return out;
}

}  // namespace

TEST(Drawing, ItemLabelsShowTheLayoutsNumbers) {
  // The second list restarts its counter; drawing must not go on counting.
  Typeset t(kHead +
            "\\beginitem\\item{(\\strnum{counter(91)})}a\\item{(\\strnum{counter(91)})}b\\enditem\n"
            "\\beginitem\\item{(\\strnum{counter(91)})}c\\enditem\n");
  ASSERT_EQ(t.status, vel::RunStatus::Done) << (t.errors().empty() ? "" : t.errors()[0]);
  EXPECT_EQ(drawnText(t), "(1)a(2)b(1)c");
}

TEST(Drawing, PageNumberAndHeadingsInHeadersAndFooters) {
  Typeset t(kHead +
            "\\oddpageheader{\\left{\\chapternum:\\chapterstr}\\right{p\\pagenum}}"
            "\\oddpagefooter{\\center{\\sectionstr}}\\firstpagenum{7}\n"
            "\\chapter{2&序論}\\section{2.1&背景}本文\n");
  ASSERT_EQ(t.status, vel::RunStatus::Done) << (t.errors().empty() ? "" : t.errors()[0]);
  // The body, then the header's left and right texts, then the footer.
  EXPECT_EQ(drawnText(t), "本文2:序論p7背景");
}
