// veldris-render --png and --pdf: pixel probes at 200 dpi (1 px = 100
// layout units) on real fonts, and sheets drawn alone against sheets drawn
// after others.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "canvas/qt/QtCanvas.h"

namespace veltest {
namespace {

constexpr int kDpi = 200;

bool dark(QRgb c) { return qGray(c) < 128; }

int px(double layout) { return static_cast<int>(layout / 100.0 + 0.5); }

struct Rendered {
  TempDir dir;
  RunResult run;
  QJsonObject layout;
  QJsonObject geo;

  QImage sheet(int n) const {
    char name[32];
    std::snprintf(name, sizeof name, "/png/sheet-%03d.png", n);
    return QImage(QString::fromStdString(dir.path() + name));
  }
  int g(const char* key) const { return geo[key].toInt(); }
};

std::unique_ptr<Rendered> render(const std::string& utf8Source, std::vector<std::string> extra = {}) {
  auto r = std::make_unique<Rendered>();
  writeSjis(r->dir.file("doc.vdr"), utf8Source);
  std::vector<std::string> args = {"--defaults", "--png", r->dir.file("png"), "--dpi", std::to_string(kDpi),
                                   "--dump-layout", r->dir.file("layout.json")};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(r->dir.file("doc.vdr"));
  r->run = runRender(args);
  r->layout = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(r->dir.file("layout.json")))).object();
  r->geo = r->layout["geometry"].toObject();
  return r;
}

// The dark runs of row y between x0 and x1: (first, last) pairs.
std::vector<std::pair<int, int>> darkRuns(const QImage& img, int y, int x0, int x1) {
  std::vector<std::pair<int, int>> runs;
  for (int x = std::max(0, x0); x <= x1 && x < img.width(); ++x) {
    if (!dark(img.pixel(x, y))) continue;
    if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
    else runs.push_back({x, x});
  }
  return runs;
}

// The rightmost dark pixel in rows y0..y1 (-1 when none).
int inkRight(const QImage& img, int y0, int y1) {
  int right = -1;
  for (int y = std::max(0, y0); y <= y1 && y < img.height(); ++y)
    for (int x = img.width() - 1; x > right; --x)
      if (dark(img.pixel(x, y))) {
        right = x;
        break;
      }
  return right;
}

const std::string kHead = "\\documentstyle{10.5, a4t}\n";

TEST(RenderOutput, TheColumnRuleIsCentredInTheGap) {
  // The rule stands only before a column that was made: the text goes on
  // into the second column.
  auto r = render(kHead + "\\column{2}\n\\columnsep{10mm}\n\\columnrule{0.5mm}\n\\begindocument\n本文です。\\newcolumn\n次の段です。\n");
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  QImage img = r->sheet(1);
  ASSERT_FALSE(img.isNull());
  const int gapLeft = r->g("leftMargin") + r->g("columnWidth");
  const int sep = r->geo["separators"].toArray()[0].toInt();
  const int y = px(r->g("topMargin") + r->g("columnHeight") * 3 / 4);
  const auto runs = darkRuns(img, y, px(gapLeft), px(gapLeft + sep));
  ASSERT_EQ(runs.size(), 1u);
  // 0.5 mm: 393 units, a pen of 4 px centred on the middle of the gap.
  const double centre = (runs[0].first + runs[0].second + 1) / 2.0;
  EXPECT_NEAR(centre, (gapLeft + sep / 2) / 100.0, 1.0);
  EXPECT_EQ(runs[0].second - runs[0].first + 1, 4);
  // It runs the text height, not into the margins.
  EXPECT_TRUE(dark(img.pixel(runs[0].first, px(r->g("topMargin")) + 2)));
  EXPECT_FALSE(dark(img.pixel(runs[0].first, px(r->g("topMargin")) - 5)));
  EXPECT_FALSE(dark(img.pixel(runs[0].first, px(r->g("topMargin") + r->g("columnHeight")) + 5)));
}

TEST(RenderOutput, TheHeaderRuleAndARightAlignedPageNumber) {
  auto r = render(kHead + "\\begindocument\n\\oddpageheader{\\left{左}\\right{\\pagenum}\\line{0.5mm}}\n本文\\newpage 次の頁\n");
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  const int left = r->g("leftMargin"), width = r->g("pageWidth");
  // The rule's centre: top margin - headsep - half its 393 units.
  const int ruleY = r->g("topMargin") - r->g("headSep") - 393 / 2;
  for (int sheet : {1, 2}) {
    QImage img = r->sheet(sheet);
    ASSERT_FALSE(img.isNull());
    const int xMid = px(left + width / 2);
    int top = -1, bottom = -1;
    for (int y = px(ruleY) - 10; y <= px(ruleY) + 10; ++y)
      if (dark(img.pixel(xMid, y))) {
        if (top < 0) top = y;
        bottom = y;
      }
    ASSERT_GE(top, 0) << sheet;
    EXPECT_EQ(bottom - top + 1, 4) << sheet;
    EXPECT_NEAR((top + bottom + 1) / 2.0, ruleY / 100.0, 1.0) << sheet;
    // Across the text width.
    EXPECT_TRUE(dark(img.pixel(px(left) + 3, top + 1))) << sheet;
    EXPECT_TRUE(dark(img.pixel(px(left + width) - 3, top + 1))) << sheet;
    EXPECT_FALSE(dark(img.pixel(px(left) - 10, top + 1))) << sheet;
    // The page number stands on the rule, flush with the right edge: its
    // ink ends within the digit's side bearing of the edge.
    const int right = inkRight(img, top - 40, top - 2);
    EXPECT_LE(right, px(left + width)) << sheet;
    EXPECT_GE(right, px(left + width) - 6) << sheet;
  }
}

TEST(RenderOutput, TheFootnoteRuleIsFourTenthsOfTheColumn) {
  auto r = render(kHead + "\\begindocument\n本文です。脚注\\footnote{脚注の本文です。}が付きます。\n");
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  QImage img = r->sheet(1);
  ASSERT_FALSE(img.isNull());
  const int left = r->g("leftMargin"), cw = r->g("columnWidth");
  const int bottom = px(r->g("topMargin") + r->g("columnHeight"));
  // The rule is the lowest row, above the footnote, dark over 0.4 of the
  // column from its left edge.
  int found = -1;
  for (int y = bottom; y > bottom - 300 && found < 0; --y) {
    bool all = true;
    for (int x = px(left) + 2; x <= px(left + cw * 0.4) - 2 && all; x += 3) all = dark(img.pixel(x, y));
    if (all) found = y;
  }
  ASSERT_GE(found, 0);
  const auto runs = darkRuns(img, found, px(left) - 20, px(left + cw));
  ASSERT_FALSE(runs.empty());
  EXPECT_NEAR(runs[0].first, px(left), 2);
  EXPECT_NEAR(runs[0].second, px(left + static_cast<int>(cw * 0.4)), 2);
  EXPECT_EQ(runs.size(), 1u);
  // The footnote's text lies below the rule.
  EXPECT_GT(inkRight(img, found + 3, bottom), px(left));
}

// Every line of a paragraph but its last is justified: its last glyph ends
// where the same glyph ends when set flush right.
TEST(RenderOutput, JustifiedLinesEndAtTheRightTextEdge) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += (i % 3 == 2) ? "ア" : "■";
  text += "■";
  auto r = render(kHead + "\\begindocument\n\\rightline{■}\\\\\n\\rightline{ア}\\\\\n" + text + "\n");
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  QImage img = r->sheet(1);
  ASSERT_FALSE(img.isNull());
  const QJsonArray lines = r->layout["lines"].toArray();
  ASSERT_GE(lines.size(), 6);
  std::vector<int> rightOf;  // ink right of each line
  std::vector<std::string> lastChar;
  int top = r->g("topMargin");
  for (const auto& v : lines) {
    const QJsonObject l = v.toObject();
    const int ascent = l["ascent"].toInt();
    rightOf.push_back(inkRight(img, px(top) + 2, px(top + ascent)));
    const std::string t = l["text"].toString().toStdString();
    lastChar.push_back(t.size() >= 3 ? t.substr(t.size() - 3) : t);
    top += l["height"].toInt() + l["skip"].toInt();
  }
  const int refSquare = rightOf[0], refA = rightOf[1];
  ASSERT_GT(refSquare, 0);
  ASSERT_GT(refA, 0);
  int justified = 0;
  for (int i = 2; i < lines.size(); ++i) {
    if (lines[i].toObject()["kind"].toInt() != 0) continue;
    ++justified;
    const int ref = lastChar[size_t(i)] == "ア" ? refA : refSquare;
    EXPECT_NEAR(rightOf[size_t(i)], ref, 1) << "line " << i;
  }
  EXPECT_GE(justified, 3);
}

TEST(RenderOutput, ThePageBackgroundFillsTheTextAreaOnly) {
  auto r = render(kHead + "\\begindocument\n\\pageBGcolor{#C0E0FF}\n本文です。\n");
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  QImage img = r->sheet(1);
  ASSERT_FALSE(img.isNull());
  const int l = r->g("leftMargin"), t = r->g("topMargin");
  const int rgt = l + r->g("columnWidth"), b = t + r->g("columnHeight");
  const QRgb fill = qRgb(0xC0, 0xE0, 0xFF), white = qRgb(255, 255, 255);
  // Inside, away from the text: the colour; outside the text area: paper.
  EXPECT_EQ(img.pixel(px((l + rgt) / 2), px((t + b) / 2)) & 0xFFFFFF, fill & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px(l) + 1, px(b) - 2) & 0xFFFFFF, fill & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px(l) - 2, px((t + b) / 2)) & 0xFFFFFF, white & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px(rgt) + 2, px((t + b) / 2)) & 0xFFFFFF, white & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px((l + rgt) / 2), px(t) - 2) & 0xFFFFFF, white & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px((l + rgt) / 2), px(b) + 2) & 0xFFFFFF, white & 0xFFFFFF);
}

// A sheet renders from its own snapshot: drawn alone (--sheets 2) it is
// the same image as drawn after sheet 1.
TEST(RenderOutput, ASheetAloneIsTheSheetInTheDocument) {
  const std::string src = kHead +
                          "\\begindocument\n"
                          "\\setcounter{5, 7}第一頁\\strnum{counter(5)}\\fontsize{20}大きな文字\\valA{3}\n"
                          "\\fontcolor{#FF0000}赤い\\newpage\n"
                          "\\setcounter{5, counter(5)+1}第二頁\\strnum{counter(5)}文字\\beginitem{2zw}\\item 項目"
                          "\\item 項目\\enditem\n"
                          "\\newpage 第三頁\n";
  auto whole = render(src);
  auto alone = render(src, {"--sheets", "2"});
  ASSERT_EQ(whole->run.exitCode, 0) << whole->run.out;
  ASSERT_EQ(alone->run.exitCode, 0) << alone->run.out;
  QImage a = whole->sheet(2), b = alone->sheet(2);
  ASSERT_FALSE(a.isNull());
  ASSERT_FALSE(b.isNull());
  EXPECT_TRUE(alone->sheet(1).isNull());
  EXPECT_TRUE(a == b);
  // The second sheet is in the large red font the first one ended with.
  bool red = false;
  for (int y = 0; y < a.height() && !red; y += 2)
    for (int x = 0; x < a.width() && !red; x += 2) {
      QRgb c = a.pixel(x, y);
      red = qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
    }
  EXPECT_TRUE(red);
}

// What a reader's tool prints of a PDF (empty when poppler-utils is missing).
std::string pdfTool(const char* tool, const std::string& pdf) {
  const QString exe = QStandardPaths::findExecutable(tool);
  if (exe.isEmpty()) return {};
  QProcess p;
  p.start(exe, {QString::fromStdString(pdf)});
  if (!p.waitForFinished(20000) || p.exitCode() != 0) return "(" + std::string(tool) + " failed)";
  return p.readAllStandardOutput().toStdString();
}

TEST(RenderOutput, ThePdfIsTheDocumentsPaperWithEmbeddedFonts) {
  TempDir d;
  // A kanji under a Latin face comes from the Japanese face of its kind.
  writeSjis(d.file("doc.vdr"), kHead + "\\begindocument\n日本語と English の本文。\\newpage 二頁目"
                                       "\\Fontname{Arial}Arial の中の日本語\n");
  RunResult r = runRender({"--defaults", "--pdf", d.file("doc.pdf"), d.file("doc.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::string pdf = readFile(d.file("doc.pdf"));
  ASSERT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
  // A4: 595 x 842 points (the file is written again by qpdf, which spaces arrays out)
  EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/MediaBox \[ ?0 0 595)")));
  EXPECT_NE(pdf.find(" 842"), std::string::npos);
  size_t fonts = 0;
  for (size_t p = pdf.find("/FontFile2"); p != std::string::npos; p = pdf.find("/FontFile2", p + 1)) ++fonts;
  EXPECT_GE(fonts, 2u);  // the Japanese face and the roman face

  const std::string info = pdfTool("pdfinfo", d.file("doc.pdf"));
  if (info.empty()) GTEST_SKIP() << "poppler-utils is not installed";
  EXPECT_NE(info.find("Pages:           2\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << info;
  // Every face embedded: the proportional Mincho, the roman face, and for
  // the Arial passage its stand-in with the proportional Gothic.
  std::map<std::string, std::string> embedded;  // font name -> "emb" column
  for (const std::string& line : splitLines(pdfTool("pdffonts", d.file("doc.pdf")))) {
    char name[128], type[32], type2[32], enc[32], emb[8];
    if (std::sscanf(line.c_str(), "%127s %31s %31s %31s %7s", name, type, type2, enc, emb) == 5 &&
        std::string(type) == "CID") {
      // A subset's name begins with its tag ("ABCDEF+").
      const std::string n = name;
      embedded[n.size() > 7 && n[6] == '+' ? n.substr(7) : n] = emb;
    }
  }
  EXPECT_EQ(embedded, (std::map<std::string, std::string>{
                          {"IPAPMincho", "yes"}, {"cmr10", "yes"}, {"LiberationSans", "yes"}, {"IPAPGothic", "yes"}}));
}

// The images of a PDF: each file once however often it is drawn, a bitmap
// lossless, a JPEG file with its own data, a tiled background as one
// image; written in well under a second, well under a megabyte.
TEST(RenderOutput, ThePdfHoldsEachImageFileOnce) {
  TempDir d;
  QImage art(40, 20, QImage::Format_RGB32), photo(64, 32, QImage::Format_RGB32), dot(1, 1, QImage::Format_RGB32);
  art.fill(Qt::white);
  for (int x = 0; x < 40; ++x) art.setPixel(x, x / 2, qRgb(0, 0, 0));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) photo.setPixel(x, y, qRgb(x * 4, y * 8, 128));
  dot.fill(qRgb(255, 255, 0));
  ASSERT_TRUE(art.save(QString::fromStdString(d.file("art.bmp")), "BMP"));
  ASSERT_TRUE(photo.save(QString::fromStdString(d.file("photo.jpg")), "JPG", 85));
  ASSERT_TRUE(dot.save(QString::fromStdString(d.file("dot.bmp")), "BMP"));
  std::string body = "\\pageBGimage{dot.bmp}";
  for (int i = 0; i < 5; ++i) body += "\\image{\\width{20mm}art.bmp}";
  body += "\\image{\\width{30mm}photo.jpg}\\newpage\\pageBGimage{dot.bmp}\\image{\\height{1cm}photo.jpg}\n";
  writeSjis(d.file("doc.vdr"), kHead + "\\begindocument\n" + body);
  RunResult r = runRender({"--defaults", "--pdf", d.file("doc.pdf"), d.file("doc.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::string pdf = readFile(d.file("doc.pdf"));
  EXPECT_LT(pdf.size(), 1000000u);
  // Image objects: the background dot (lossless, repeated by a tiling
  // pattern on both pages), the bitmap, the JPEG.
  std::vector<std::string> images;
  for (size_t p = pdf.find("/Subtype /Image"); p != std::string::npos; p = pdf.find("/Subtype /Image", p + 1)) {
    // The whole dictionary: qpdf writes its keys in order, /Filter before /Subtype.
    const size_t from = pdf.rfind(" obj", p);
    const std::string dict = pdf.substr(from, pdf.find("stream", p) - from);
    images.push_back(dict.find("/DCTDecode") != std::string::npos ? "jpeg" : "flate");
  }
  std::sort(images.begin(), images.end());  // in the order qpdf wrote them
  EXPECT_EQ(images, (std::vector<std::string>{"flate", "flate", "jpeg"}));
  EXPECT_NE(pdf.find(readFile(d.file("photo.jpg"))), std::string::npos);  // the file as it is

  // What a reader lists: the bitmap five times and the JPEG twice, each one object.
  const QString pdfimages = QStandardPaths::findExecutable("pdfimages");
  if (pdfimages.isEmpty()) GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
  QProcess p;
  p.start(pdfimages, {"-list", QString::fromStdString(d.file("doc.pdf"))});
  ASSERT_TRUE(p.waitForFinished(20000));
  std::map<std::string, std::set<std::string>> objects;  // "40x20 image" -> object numbers
  int uses = 0, smooth = 0;
  for (const std::string& line : splitLines(p.readAllStandardOutput().toStdString())) {
    char type[16], colour[16], enc[16], interp[8];
    int page, num, w, h, comp, bpc, object;
    if (std::sscanf(line.c_str(), "%d %d %15s %d %d %15s %d %d %15s %7s %d", &page, &num, type, &w, &h, colour, &comp,
                    &bpc, enc, interp, &object) != 11)
      continue;
    objects[std::to_string(w) + "x" + std::to_string(h) + " " + enc].insert(std::to_string(object));
    ++uses;
    smooth += std::string(interp) != "no";
  }
  EXPECT_EQ(uses, 7);
  EXPECT_EQ(smooth, 0);  // drawn pixel-exact: no image asks the reader to interpolate
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects["40x20 image"].size(), 1u);
  EXPECT_EQ(objects["64x32 jpeg"].size(), 1u);
}

// A small bitmap enlarged keeps its pixels: every pixel of the drawn image
// is one of the bitmap's two colours, none a blend of them.
TEST(RenderOutput, AnEnlargedBitmapIsDrawnPixelExact) {
  TempDir d;
  QImage checker(2, 2, QImage::Format_RGB32);
  checker.fill(Qt::white);
  checker.setPixel(0, 0, qRgb(255, 0, 0));
  checker.setPixel(1, 1, qRgb(255, 0, 0));
  ASSERT_TRUE(checker.save(QString::fromStdString(d.file("c.bmp")), "BMP"));
  writeSjis(d.file("doc.vdr"), kHead + "\\begindocument\n\\image{\\width{20mm}c.bmp}\n");
  RunResult r = runRender({"--defaults", "--png", d.file("png"), "--dpi", std::to_string(kDpi), d.file("doc.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const QImage img(QString::fromStdString(d.file("png/sheet-001.png")));
  ASSERT_FALSE(img.isNull());
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == 0xFF0000u) box |= QRect(x, y, 1, 1);
  EXPECT_NEAR(box.width(), 2 * px(20 / 25.4 * 20000 / 2), 2);  // the image's box: 20 mm, two red halves
  std::set<QRgb> colours;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) colours.insert(img.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(colours, (std::set<QRgb>{0xFF0000, 0xFFFFFF}));
}

// A face name installed nowhere is reported once, and the run goes on
// (its text is set in the base face); a Latin face that is installed is
// no report.
TEST(RenderOutput, AFaceInstalledNowhereIsReportedOnceAndSetInTheBaseFace) {
  const std::string text = "日本語の本文です。\\fontname{NoSuchFont}日本語\\fontname{NoSuchFont}です。\\Fontname{Arial}日本語abc\n";
  auto r = render(kHead + "\\begindocument\n" + text);
  ASSERT_EQ(r->run.exitCode, 0) << r->run.out;
  std::vector<std::string> reports;
  for (const std::string& l : splitLines(r->run.out))
    if (l.rfind("** ", 0) == 0) reports.push_back(l);
  EXPECT_EQ(reports, (std::vector<std::string>{"** フォント(NoSuchFont)がありません。ＭＳ Ｐ明朝で代用します。"}));
}

// A line of placed glyphs is drawn as one run; it must put every glyph
// exactly where a textOut of that glyph alone puts it.
TEST(RenderOutput, PlacedGlyphsDrawLikeOneTextOutEach) {
  vel::Font f;
  f.name = sj("ＭＳ Ｐ明朝");
  f.height = -20;
  const std::vector<vel::Canvas::PlacedChar> chars = {
      {3, 'A'}, {17, 'g'}, {29, 0x82A0 /* あ */}, {52, 0x8ABF /* 漢 */}, {77, '}'}};
  QImage one(120, 40, QImage::Format_RGB32), each(120, 40, QImage::Format_RGB32);
  one.fill(Qt::white);
  each.fill(Qt::white);
  {
    vel::QtCanvas c(static_cast<QPaintDevice&>(one), 96, 96);
    c.textOutPlaced(f, 7, chars);
  }
  {
    vel::QtCanvas c(static_cast<QPaintDevice&>(each), 96, 96);
    for (const auto& ch : chars) {
      std::string s;
      if (ch.code > 0xFF) s += static_cast<char>(ch.code >> 8);
      s += static_cast<char>(ch.code & 0xFF);
      c.textOut(f, ch.x, 7, s);
    }
  }
  EXPECT_TRUE(one == each);
  int inked = 0;
  for (int y = 0; y < one.height(); ++y)
    for (int x = 0; x < one.width(); ++x) inked += dark(one.pixel(x, y));
  EXPECT_GT(inked, 50);
}

}  // namespace
}  // namespace veltest
