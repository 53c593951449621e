// Boxes, frames, underlines, mini pages and images through veldris-render:
// sizes read back from --dump-layout, the message window's lines, and the
// drawn image found in the PNG.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ImageFiles.h"
#include "TestSupport.h"

using namespace veltest;
using namespace imagefiles;

namespace {

const char* kHead = "\\documentstyle{10.5, a4t}\n\\begindocument\n";

struct Typeset {
  RunResult r;
  QJsonObject layout;
  std::vector<std::string> out;
};

Typeset typeset(const TempDir& d, const std::string& body, std::vector<std::string> extra = {}) {
  writeSjis(d.file("a.vdr"), kHead + body + "\n");
  std::vector<std::string> args = {"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json")};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(d.file("a.vdr"));
  Typeset run;
  run.r = runRender(args);
  run.layout = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json")))).object();
  run.out = splitLines(run.r.out);
  return run;
}

// The words of all lines of the main text.
std::vector<QJsonObject> words(const QJsonObject& layout) {
  std::vector<QJsonObject> out;
  for (const QJsonValue& l : layout["lines"].toArray())
    for (const QJsonValue& w : l.toObject()["words"].toArray()) out.push_back(w.toObject());
  return out;
}

// The messages after the file line and the column count line.
std::vector<std::string> report(const Typeset& run) {
  std::vector<std::string> m;
  for (const std::string& l : run.out)
    if (l.rfind("** ", 0) == 0) m.push_back(l);
  return m;
}

}  // namespace

TEST(BoxesEndToEnd, FramedStoredBoxIsTwoRulesAndSeparationsWider) {
  TempDir d;
  Typeset run = typeset(d,
                    "\\rulewidth{0.5mm}\\frameboxsep{1mm}"
                    "\\makeboxA{テキスト}\\makeboxB{\\framebox{テキスト}}\\toval{\\boxwidthB, \\boxwidthA}\\boxB");
  ASSERT_EQ(run.r.exitCode, 0) << run.r.out;
  const QJsonArray boxes = run.layout["boxes"].toArray();
  ASSERT_EQ(boxes.size(), 2);
  const int bare = boxes[0].toObject()["width"].toInt(), framed = boxes[1].toObject()["width"].toInt();
  const QJsonObject lengths = run.layout["lengths"].toObject();
  EXPECT_EQ(lengths["rulewidth"].toInt(), 393);
  EXPECT_EQ(lengths["frameboxsep"].toInt(), 787);
  EXPECT_EQ(framed - bare, 2 * (393 + 787));
  EXPECT_EQ(boxes[1].toObject()["height"].toInt() - boxes[0].toObject()["height"].toInt(), 393 + 787);
  // \toval reads the same sizes: register X holds their ratio.
  EXPECT_NEAR(run.layout["registers"].toArray()[52 + 23].toDouble(), static_cast<double>(framed) / bare, 1e-9);
  // \boxB in running text: a word of the stored size whose text is the stored text.
  bool found = false;
  for (const QJsonObject& w : words(run.layout))
    if (w["kind"].toInt() == 6) {
      found = true;
      EXPECT_EQ(w["width"].toInt(), framed);
      EXPECT_EQ(w["text"].toString().toStdString(), "\\framebox{テキスト}");
    }
  EXPECT_TRUE(found);
}

TEST(BoxesEndToEnd, CapitalUnderlineMakesRoomBelowTheLine) {
  TempDir d;
  Typeset lower = typeset(d, "あ\\underline{\\style{1}いう}え");
  Typeset upper = typeset(d, "あ\\Underline{\\style{1}いう}え");
  ASSERT_EQ(lower.r.exitCode, 0) << lower.r.out;
  ASSERT_EQ(upper.r.exitCode, 0) << upper.r.out;
  const int lowerHeight = lower.layout["lines"].toArray()[0].toObject()["height"].toInt();
  const int upperHeight = upper.layout["lines"].toArray()[0].toObject()["height"].toInt();
  const QJsonObject lengths = upper.layout["lengths"].toObject();
  EXPECT_EQ(upperHeight - lowerHeight, lengths["underlinesep"].toInt() + lengths["rulewidth"].toInt());
}

TEST(BoxesEndToEnd, MessagesOfTheParts) {
  struct Case {
    const char* body;
    std::vector<std::string> messages;
  } cases[] = {
      {"\\minipage{\\width{-3mm}x}",
       {"** \\widthコマンドで負の値が指定されています。", "** \\minipageコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\minipage{x}", {"** \\widthコマンドがありません。", "** \\minipageコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\framebox{\\style{7}x}", {"** \\styleのエラー", "** \\frameboxコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\framebox{\\style{\\top{\\/}}x}",
       {"** \\frameboxコマンドの記述エラー", "** \\frameboxコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\box{a\\\\b}", {"** \\\\コマンドのエラー", "** \\\\コマンドは定義されていません。(3行目)"}},
      {"\\image{pic.bmp}", {"** \\imageのサイズ指定なし", "** \\imageコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\image{\\width{30mm}nosuch.jpg}",
       {"** イメージファイル(nosuch.jpg)がありません。", "** ファイル名の間違いか，または",
        "** 環境設定「イメージファイル用ディレクトリ」の設定ミスだと思われます。", "** \\imageコマンドのエラー",
        "** 文法エラー(3行目)"}},
      {"\\image{\\width{30mm}png.jpg}", {"** \\imageコマンドのエラー", "** 文法エラー(3行目)"}},
      {"\\image{\\width{30mm}zero.bmp}", {"** \\imageコマンドのエラー", "** 文法エラー(3行目)"}},
  };
  for (const Case& c : cases) {
    TempDir d;
    writeFile(d.file("pic.bmp"), Bmp(200, 100, 24, [](int, int) { return Rgb{255, 0, 0}; }));
    writeFile(d.file("png.jpg"), std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x'));
    writeFile(d.file("zero.bmp"), Bmp(200, 100, 24, [](int, int) { return Rgb{}; }).substr(0, 54));
    Typeset run = typeset(d, c.body);
    EXPECT_EQ(run.r.exitCode, 1) << c.body;
    EXPECT_EQ(report(run), c.messages) << c.body;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), c.body) << c.body;  // the failing line follows
  }
}

TEST(BoxesEndToEnd, ImagesAreMeasuredAndDrawnThirtyByFifteenMillimetres) {
  TempDir d;
  writeFile(d.file("red.bmp"), Bmp(200, 100, 24, [](int, int) { return Rgb{255, 0, 0}; }));
  writeFile(d.file("blue.jpg"), Jpeg(200, 100, JpegKind::Rgb, [](int, int) { return Rgb{0, 0, 255}; }));
  Typeset run = typeset(d, "\\image{\\width{30mm}red.bmp}あ\\image{\\align{b}\\width{30mm}blue.jpg}",
                    {"--png", d.path(), "--dpi", "254"});
  ASSERT_EQ(run.r.exitCode, 0) << run.r.out;
  int images = 0;
  for (const QJsonObject& w : words(run.layout)) {
    if (w["kind"].toInt() != 9) continue;
    ++images;
    EXPECT_EQ(w["width"].toInt(), 23622);
    EXPECT_EQ(w["height"].toInt() + w["depth"].toInt(), 11811);
  }
  EXPECT_EQ(images, 2);

  // At 254 dpi a millimetre is ten pixels: each picture covers 300 x 150.
  QImage page(QString::fromStdString(d.file("sheet-001.png")));
  ASSERT_FALSE(page.isNull());
  for (QRgb want : {qRgb(255, 0, 0), qRgb(0, 0, 255)}) {
    int l = page.width(), t = page.height(), r = -1, b = -1;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) {
        QRgb p = page.pixel(x, y);
        if (std::abs(qRed(p) - qRed(want)) < 40 && std::abs(qGreen(p) - qGreen(want)) < 40 &&
            std::abs(qBlue(p) - qBlue(want)) < 40) {
          l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
        }
      }
    ASSERT_GE(r, 0);
    EXPECT_NEAR(r - l + 1, 300, 2);
    EXPECT_NEAR(b - t + 1, 150, 2);
  }
}

TEST(BoxesEndToEnd, FootnotesAndMiniPagesInsideBoxes) {
  TempDir d;
  Typeset run = typeset(d, "\\box{あ\\footnote{注}い}\\framebox{\\minipage{\\width{20mm}ミニ}}");
  ASSERT_EQ(run.r.exitCode, 0) << run.r.out;
  const QJsonArray minis = run.layout["miniPages"].toArray();
  ASSERT_EQ(minis.size(), 2);
  EXPECT_EQ(minis[0].toObject()["height"].toInt(), 0);  // the footnote hangs from its line
  EXPECT_EQ(minis[1].toObject()["width"].toInt(), 15748);
  // The frame's word keeps a reference to the block it measured.
  for (const QJsonObject& w : words(run.layout)) {
    if (w["kind"].toInt() == 4) {
      EXPECT_EQ(w["text"].toString().toStdString(), "\\\\x07  !");
    }
  }
}
