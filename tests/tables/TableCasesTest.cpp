// Tables on fixed metrics (a double-byte character 2916 units wide, a
// single byte 1458, ascent 2333 and descent 583): the measured grid, the
// span grid and the messages with their codes, each case a line of
// tests/tables/cases/*.tests.
#include <gtest/gtest.h>

#include <sstream>

#include "StateFixture.h"
#include "TestSupport.h"
#include "TableCases.h"
#include "layout/tables/Table.h"
#include "layout/tables/TableParts.h"

using namespace vel;

namespace {

struct Fixture : veltest::StateFixture {
  Fixture() { st.draw.scale = 96.0 / 20000.0; }
};

// "W T | column widths | row heights | height depth" of a table laid out at
// the baseline 0, or the failure's code.
std::string Measured(Fixture& f, const std::string& text) {
  TableGeometry g;
  const Result<Extent> r = Table(f.st, text, 0, false, 0, nullptr, &g);
  if (!r) return std::to_string(veltest::CodeOf(r));
  std::ostringstream o;
  o << r->width << ' ' << (static_cast<long long>(r->height) + r->depth) << " |";
  for (int w : g.colWidths) o << ' ' << w;
  o << " |";
  for (int h : g.rowHeights) o << ' ' << h;
  o << " | " << r->height << ' ' << r->depth;
  return o.str();
}

// The span grid of the table's rows, rows separated by "/".
std::string Grid(Fixture& f, const std::string& text) {
  const Result<tables::Source> src = tables::ReadTableSource(f.st, text);
  if (!src) return std::to_string(veltest::CodeOf(src));
  const tables::SpanGrid g = tables::MakeSpanGrid(*src);
  std::ostringstream o;
  for (int r = 0; r < src->rows; ++r) {
    if (r) o << '/';
    for (int c = 0; c < src->columns; ++c) o << (c ? " " : "") << g.at(r, c);
  }
  return o.str();
}

}  // namespace

// geometry.tests: table separation (empty: the default); the table; the
// measured grid.
TEST(Tables, MeasuredGrids) {
  for (const tablecases::Case& c : tablecases::Read("geometry.tests")) {
    ASSERT_EQ(c.fields.size(), 3u) << c.where();
    Fixture f;
    if (!c.fields[0].empty()) f.st.chr.tableColSep = f.st.chr.tableRowSep = std::stoi(c.fields[0]);
    EXPECT_EQ(Measured(f, c.fields[1]), c.fields[2]) << c.where() << ": " << toLogUtf8(c.fields[1]);
    EXPECT_TRUE(f.messages().empty()) << c.where();
  }
}

// spans.tests: the table; its span grid.
TEST(Tables, SpanGrids) {
  for (const tablecases::Case& c : tablecases::Read("spans.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    Fixture f;
    EXPECT_EQ(Grid(f, c.fields[0]), c.fields[1]) << c.where() << ": " << toLogUtf8(c.fields[0]);
  }
}

// messages.tests: the code; the table; the messages it writes.
TEST(Tables, FailuresWriteTheirMessages) {
  for (const tablecases::Case& c : tablecases::Read("messages.tests")) {
    ASSERT_GE(c.fields.size(), 2u) << c.where();
    Fixture f;
    EXPECT_EQ(Measured(f, c.fields[1]), c.fields[0]) << c.where() << ": " << toLogUtf8(c.fields[1]);
    std::vector<std::string> want;
    for (size_t k = 2; k < c.fields.size(); ++k) want.push_back(cp932ToUtf8(c.fields[k]));
    EXPECT_EQ(f.messages(), want) << c.where();
  }
}

// Measuring hands back the text with each cell as the box layout left it;
// drawing that text measures the same and counts a counter once.
TEST(Tables, DrawingMeasuresWhatWasMeasuredAndCountsOnce) {
  Fixture f;
  const std::string text = veltest::sj("\\col{1l1c1}\\hline あ\\setcounter{1,counter(1)+1}&\\colspan{1}い\\\\\\hline");
  std::string rewritten;
  const Result<Extent> measured = Table(f.st, text, 0, false, 0, &rewritten);
  ASSERT_TRUE(measured);
  EXPECT_EQ(rewritten, text);
  EXPECT_EQ(f.st.val.counters[1], 1);
  const Result<Extent> drawn = Table(f.st, rewritten, 1000, true, 5000);
  ASSERT_TRUE(drawn);
  EXPECT_EQ(*drawn, *measured);
  EXPECT_EQ(f.st.val.counters[1], 2);
}
