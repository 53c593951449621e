// The print job on a recording printer and on the PDF writer.
#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "shell/Printing.h"

namespace veltest {
namespace {

const char* const kMarks[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

// A document typeset with fixed metrics: page n shows the kanji numeral n.
struct Document {
  vel::FakeCanvas canvas{96};
  vel::MemoHost host;
  vel::Engine engine{host, canvas};
  vel::RunStatus status;

  explicit Document(int pages) {
    std::string src = "\\documentstyle{10.5, a4t}\n\\begindocument\n";
    for (int i = 0; i < pages; ++i) src += std::string(kMarks[i]) + (i + 1 < pages ? "\\newpage\n" : "\n");
    for (const std::string& l : splitLines(sj(src))) engine.source.push_back(l);
    engine.documentPath = "/tmp/doc.vdr";
    engine.setView(96, 1.0);
    status = engine.TextDraw(1);
  }
};

// The kanji numerals found on each printed page, in order.
std::string sequence(const vel::RecordingPrintDevice& p) {
  std::string out;
  for (const auto& page : p.pages)
    for (const std::string& l : page)
      for (const char* m : kMarks)
        if (l.size() > 3 && l.compare(l.size() - std::strlen(m), std::strlen(m), m) == 0) out += m;
  return out;
}

struct JobCase {
  const char* name;
  vel::PrintRange range;
  std::vector<std::string> events;
  std::string pages;
};

TEST(PrintSheetsTest, RangesCopiesAndCollation) {
  const std::string begin = "begin VELDRIS(doc.vdr)";
  const std::vector<JobCase> cases = {
      {"pages 3-5 of 10", {3, 5, 1, false}, {"copies 1", begin, "newpage", "newpage", "end"}, "三四五"},
      {"two collated copies of 1-2",
       {1, 2, 2, true},
       {"copies 1", begin, "newpage", "newpage", "newpage", "end"},
       "一二一二"},
      {"two uncollated copies: the printer copies", {1, 2, 2, false}, {"copies 2", begin, "newpage", "end"}, "一二"},
      {"a single page", {7, 7, 1, false}, {"copies 1", begin, "end"}, "七"},
      {"a range beyond the last sheet is clamped", {9, 40, 1, false}, {"copies 1", begin, "newpage", "end"}, "九十"},
  };
  for (const JobCase& c : cases) {
    Document doc(10);
    ASSERT_EQ(doc.status, vel::RunStatus::Done);
    ASSERT_EQ(doc.engine.sheets, 10);
    vel::RecordingPrintDevice printer;
    EXPECT_EQ(vel::PrintSheets(doc.engine, printer, c.range), vel::PrintResult::Done) << c.name;
    EXPECT_EQ(printer.events, c.events) << c.name;
    EXPECT_EQ(sequence(printer), c.pages) << c.name;
  }
}

struct CancelCase {
  const char* name;
  int cancelWhenStarting;  // the sheet whose start sets the request; 0: set from the outset
  vel::PrintResult result;
  std::string pages;
  std::string lastEvent;
};

// The request is read before every page but the last of the range: set
// while page 3 of 1-5 prints, it stops the job before page 4; set while the
// next-to-last page prints, nothing reads it any more.
TEST(PrintSheetsTest, TheCancelRequestIsHonouredOnlyBetweenPages) {
  const std::vector<CancelCase> cases = {
      {"before the first page", 0, vel::PrintResult::Cancelled, "", "abort"},
      {"during page 3: before the next-to-last page", 3, vel::PrintResult::Cancelled, "一二三", "abort"},
      {"during the next-to-last page", 4, vel::PrintResult::Done, "一二三四五", "end"},
      {"during the last page", 5, vel::PrintResult::Done, "一二三四五", "end"},
  };
  for (const CancelCase& c : cases) {
    Document doc(5);
    vel::RecordingPrintDevice printer;
    bool cancel = c.cancelWhenStarting == 0;
    std::vector<int> started;
    vel::PrintHooks hooks;
    hooks.cancelRequested = [&] { return cancel; };
    hooks.pageStarting = [&](int sheet) {
      started.push_back(sheet);
      if (sheet == c.cancelWhenStarting) cancel = true;
    };
    EXPECT_EQ(vel::PrintSheets(doc.engine, printer, {1, 5, 1, false}, hooks), c.result) << c.name;
    EXPECT_EQ(sequence(printer), c.pages) << c.name;
    EXPECT_EQ(printer.events.back(), c.lastEvent) << c.name;
    EXPECT_EQ(static_cast<int>(started.size()), static_cast<int>(vel::charCount(sj(c.pages)))) << c.name;
    // Whatever the outcome, the screen state is back.
    vel::State& st = *doc.engine.state();
    EXPECT_FALSE(st.draw.printing) << c.name;
    EXPECT_EQ(st.canvas, &doc.canvas) << c.name;
  }
}

TEST(PrintSheetsTest, TheScreenStateComesBackAfterTheJob) {
  Document doc(3);
  vel::State& st = *doc.engine.state();
  doc.engine.setView(96, 1.5);
  const vel::DrawState before = st.draw;
  const vel::Geometry geo = st.geo;
  vel::RecordingPrintDevice printer(600, 60, 120);
  ASSERT_EQ(vel::PrintSheets(doc.engine, printer, {1, 3, 1, false}), vel::PrintResult::Done);
  EXPECT_EQ(st.canvas, &doc.canvas);
  EXPECT_EQ(st.draw.currentSheet, before.currentSheet);
  EXPECT_DOUBLE_EQ(st.draw.scale, before.scale);
  EXPECT_DOUBLE_EQ(st.draw.zoom, 1.5);
  EXPECT_DOUBLE_EQ(st.draw.penBias, 0.5);
  EXPECT_FALSE(st.draw.printing);
  EXPECT_EQ(st.geo.leftMargin, geo.leftMargin);
  EXPECT_EQ(st.geo.rightMargin, geo.rightMargin);
  EXPECT_EQ(st.geo.topMargin, geo.topMargin);
  EXPECT_EQ(st.geo.bottomMargin, geo.bottomMargin);
}

// The printer's origin is the corner of its printable area: the page is
// drawn shifted back by the offset, at the printer's resolution.
TEST(PrintSheetsTest, PagesKeepTheirPlaceOnThePaper) {
  for (int offset : {0, 60}) {
    Document doc(1);
    vel::RecordingPrintDevice printer(600, offset, 2 * offset);
    ASSERT_EQ(vel::PrintSheets(doc.engine, printer, {1, 1, 1, false}), vel::PrintResult::Done);
    ASSERT_EQ(printer.pages.size(), 1u);
    int x = -1, y = -1;
    for (const std::string& l : printer.pages[0])
      if (l.find(kMarks[0]) != std::string::npos) std::sscanf(l.c_str(), "text %d %d", &x, &y);
    // The margins of 20000 layout units are 600 px at 600 dpi.
    EXPECT_EQ(x, 600 - offset) << offset;
    EXPECT_EQ(y, 600 - 2 * offset) << offset;
  }
}

TEST(PrintSheetsTest, NothingToPrintWithoutADocument) {
  vel::FakeCanvas canvas;
  vel::MemoHost host;
  vel::Engine engine(host, canvas);
  vel::RecordingPrintDevice printer;
  EXPECT_EQ(vel::PrintSheets(engine, printer, {1, 1, 1, false}), vel::PrintResult::NothingToPrint);
  EXPECT_TRUE(printer.events.empty());
  EXPECT_FALSE(vel::PrintJobRunning(engine));
}

TEST(PrintSheetsTest, Texts) {
  EXPECT_EQ(vel::PrintPageText(12), sj("(12ページ)"));
  EXPECT_EQ(vel::NothingToPrintText(), sj("印刷するデータがありません。"));
  EXPECT_EQ(vel::PrintJobTitle("a.vdr"), "VELDRIS(a.vdr)");
}

TEST(PrintSheetsTest, TheJobIsRunningWhilePagesAreDrawn) {
  Document doc(2);
  vel::RecordingPrintDevice printer;
  std::vector<bool> running;
  vel::PrintHooks hooks;
  hooks.pageStarting = [&](int) { running.push_back(vel::PrintJobRunning(doc.engine)); };
  vel::PrintSheets(doc.engine, printer, {1, 2, 1, false}, hooks);
  EXPECT_EQ(running, (std::vector<bool>{true, true}));
  EXPECT_FALSE(vel::PrintJobRunning(doc.engine));
}

// The viewer's zoom changed between printed pages (the abort callback lets
// its menu through) must not reach the printer's drawing scale.
TEST(PrintSheetsTest, AViewChangeDuringTheJobLeavesThePrintedPagesAlone) {
  Document plain(3);
  vel::RecordingPrintDevice reference;
  ASSERT_EQ(vel::PrintSheets(plain.engine, reference, {1, 3, 1, false}), vel::PrintResult::Done);

  Document doc(3);
  vel::RecordingPrintDevice printer;
  vel::PrintHooks hooks;
  hooks.pageStarting = [&](int sheet) {
    if (sheet == 2) doc.engine.setView(96, 0.4);
  };
  ASSERT_EQ(vel::PrintSheets(doc.engine, printer, {1, 3, 1, false}, hooks), vel::PrintResult::Done);
  EXPECT_EQ(printer.pages, reference.pages);
  // The zoom was kept for the screen: it applies once the job is over.
  EXPECT_DOUBLE_EQ(doc.engine.zoom(), 0.4);
  doc.engine.setView(96, 0.4);
  EXPECT_DOUBLE_EQ(doc.engine.state()->draw.zoom, 0.4);
}

// The PDF writer: one PDF page per sheet, the paper's size, the title, the
// fonts embedded.
TEST(PdfPrintDeviceTest, WritesAPageOfThePaperSizePerSheet) {
  Document doc(3);
  TempDir d;
  const std::string path = d.file("out.pdf");
  vel::PdfPrintDevice pdf(path, 210, 297);
  ASSERT_EQ(vel::PrintSheets(doc.engine, pdf, {1, 3, 1, false}), vel::PrintResult::Done);
  const std::string bytes = readFile(path);
  ASSERT_EQ(bytes.compare(0, 5, "%PDF-"), 0);
  const std::regex page(R"(/Type\s*/Page[^s])");
  EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 3);
  EXPECT_TRUE(std::regex_search(bytes, std::regex(R"(/MediaBox \[ ?0 0 595)")));  // qpdf spaces arrays out
  EXPECT_NE(bytes.find("/FontFile2"), std::string::npos);
  // The title in UTF-16, written in hex by qpdf.
  std::string title = "<feff";
  for (char c : std::string("VELDRIS(doc.vdr)")) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "00%02x", static_cast<unsigned char>(c));
    title += hex;
  }
  EXPECT_NE(bytes.find(title + ">"), std::string::npos);
}

TEST(PdfPrintDeviceTest, AnAbortedJobLeavesNoFile) {
  Document doc(3);
  TempDir d;
  const std::string path = d.file("out.pdf");
  vel::PdfPrintDevice pdf(path, 210, 297);
  vel::PrintHooks hooks;
  hooks.cancelRequested = [] { return true; };
  EXPECT_EQ(vel::PrintSheets(doc.engine, pdf, {1, 3, 1, false}, hooks), vel::PrintResult::Cancelled);
  EXPECT_EQ(readFile(path), "");
}

// The print dialog's printer, writing a PDF file: the page takes the
// document's paper, and the printable-area offset of the printer's margins
// moves the drawing back to where it belongs on the paper.
TEST(QtPrintDeviceTest, PrintsToAPdfFileThroughQPrinter) {
  Document doc(2);
  TempDir d;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(d.file("print.pdf")));
  printer.setPageMargins(QMarginsF(10, 15, 10, 15), QPageLayout::Millimeter);
  vel::QtPrintDevice device(printer, 210, 297);
  // (the PDF printer keeps its margins in whole points)
  EXPECT_NEAR(device.offsetX(), 10 / 25.4 * printer.resolution(), 10);
  EXPECT_NEAR(device.offsetY(), 15 / 25.4 * printer.resolution(), 10);
  ASSERT_EQ(vel::PrintSheets(doc.engine, device, {1, 2, 1, false}), vel::PrintResult::Done);
  const std::string bytes = readFile(d.file("print.pdf"));
  const std::regex page(R"(/Type\s*/Page[^s])");
  EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 2);
  EXPECT_TRUE(std::regex_search(bytes, std::regex(R"(/MediaBox \[ ?0 0 595)")));  // qpdf spaces arrays out
}

TEST(QtPrintDeviceTest, ACancelledJobLeavesNoFileBehind) {
  Document doc(3);
  TempDir d;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(d.file("print.pdf")));
  vel::QtPrintDevice device(printer, 210, 297);
  bool cancel = true;  // requested before the first page that is checked
  vel::PrintHooks control;
  control.cancelRequested = [&] { return cancel; };
  EXPECT_EQ(vel::PrintSheets(doc.engine, device, {1, 3, 1, false}, control), vel::PrintResult::Cancelled);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(d.file("print.pdf"))));
}

}  // namespace
}  // namespace veltest
