// The PDF as readers see it: the outline of the headings, page labels that
// read as the printed numbers, the contents entries linked to their
// headings, and the same bytes from two runs at the same clock. Read back
// with qpdf --json and pdftotext.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "TestSupport.h"

using namespace veltest;

namespace {

// A title page without a number (\titlepagenum{1}), a preface numbered i,
// the contents ii, then the chapters from 1; three levels of headings, one
// title with a command inside.
const char* const kBook =
    "\\documentstyle{10.5, a4t}\n\\titlepagenum{1}\n\\begindocument\n"
    "\\oddpagefooter{\\center{\\pagenum}}\n"
    "\\centerline{表題}\\newpage\n"
    "はじめに。\\newpage\n"
    "\\tableofcontents\n"
    "\\p\\chapter{1&序論}序論の本文。\n"
    "\\p\\section{1.1&背景}背景の本文。\n"
    "\\p\\subsection{1.1.1&歴史}歴史の本文。\n"
    "\\newpage\n"
    "\\p\\chapter{2&方法}方法の本文。\n"
    "\\p\\section{2.1&\\group{\\fontstyle{b}太字}の節}節の本文。\n";

std::string tool(const char* name, const QStringList& args) {
  const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(name));
  if (exe.isEmpty()) return "(" + std::string(name) + " is not installed: scripts/install-deps)";
  QProcess p;
  p.start(exe, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return "(" + std::string(name) + " failed)";
  return p.readAllStandardOutput().toStdString();
}

QJsonObject qpdfJson(const std::string& pdf) {
  const std::string out = tool("qpdf", {"--json", "--json-key=outlines", "--json-key=pages", "--json-key=qpdf",
                                        QString::fromStdString(pdf)});
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out));
  EXPECT_TRUE(doc.isObject()) << out;
  return doc.object();
}

// "object" references ("8 0 R") to 1-based page numbers.
std::map<QString, int> pageNumbers(const QJsonObject& j) {
  std::map<QString, int> n;
  for (const QJsonValue p : j["pages"].toArray()) n[p["object"].toString()] = p["pageposfrom1"].toInt();
  return n;
}

// The outline as "level title page" lines, depth first, and each item's
// destination top (PDF points from the bottom) in the same order.
void walk(const QJsonArray& items, int level, std::vector<std::string>& lines, std::vector<double>& tops) {
  for (const QJsonValue item : items) {
    lines.push_back(std::to_string(level) + " " + item["title"].toString().toStdString() + " p" +
                    std::to_string(item["destpageposfrom1"].toInt()));
    tops.push_back(item["dest"].toArray()[3].toDouble());
    walk(item["kids"].toArray(), level + 1, lines, tops);
  }
}

// The words of page n and their boxes (points from the top) by pdftotext.
struct Word {
  std::string text;
  double x0, y0, x1, y1;
};
std::vector<Word> wordsOf(const std::string& pdf, int page) {
  const std::string html = tool("pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page),
                                              QString::fromStdString(pdf), "-"});
  static const QRegularExpression re(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<Word> words;
  for (auto it = re.globalMatch(QString::fromStdString(html)); it.hasNext();) {
    const auto m = it.next();
    words.push_back({m.captured(5).toStdString(), m.captured(1).toDouble(), m.captured(2).toDouble(),
                     m.captured(3).toDouble(), m.captured(4).toDouble()});
  }
  return words;
}

const Word* find(const std::vector<Word>& words, const std::string& text) {
  for (const Word& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

TEST(PdfStructure, OutlinePageLabelsAndContentsLinksReadBack) {
  TempDir d;
  writeSjis(d.file("book.vdr"), kBook);
  const std::string pdf = d.file("book.pdf");
  RunResult r = runRender({"--defaults", "--pdf", pdf, d.file("book.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const QJsonObject j = qpdfJson(pdf);
  const std::map<QString, int> pageOf = pageNumbers(j);

  // The outline: the headings nested by level, each on its page.
  std::vector<std::string> outline;
  std::vector<double> tops;
  walk(j["outlines"].toArray(), 0, outline, tops);
  EXPECT_EQ(outline, (std::vector<std::string>{"0 1 序論 p4", "1 1.1 背景 p4", "2 1.1.1 歴史 p4", "0 2 方法 p5",
                                               "1 2.1 太字の節 p5"}));

  // Each destination is the top of its heading's line: at or just above
  // the heading's text.
  const std::vector<std::pair<int, std::string>> headingWords = {
      {4, "序論の本文。"}, {4, "背景の本文。"}, {4, "歴史の本文。"}, {5, "方法の本文。"}, {5, "節の本文。"}};
  ASSERT_EQ(tops.size(), headingWords.size());
  for (size_t i = 0; i < tops.size(); ++i) {
    const std::vector<Word> words = wordsOf(pdf, headingWords[i].first);
    const Word* w = nullptr;
    for (const Word& k : words)
      if (k.text.find(headingWords[i].second) != std::string::npos) w = &k;
    ASSERT_NE(w, nullptr) << headingWords[i].second;
    const double textTop = 842 - w->y0;
    EXPECT_GE(tops[i], textTop - 0.5) << outline[i];
    EXPECT_LT(tops[i], textTop + 12) << outline[i];
  }

  // Page labels: the title page has none, the preface and the contents
  // are i and ii, the chapters 1 and 2, as the pages print them.
  std::vector<std::string> labels;
  for (const QJsonValue p : j["pages"].toArray()) {
    const QJsonObject l = p["label"].toObject();
    labels.push_back(!l.contains("/S") ? "-" : l["/S"].toString().toStdString() + std::to_string(l["/St"].toInt()));
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"-", "/r1", "/r2", "/D1", "/D2"}));
  for (const auto& [page, printed] : std::vector<std::pair<int, std::string>>{{2, "i"}, {3, "ii"}, {4, "1"}, {5, "2"}})
    EXPECT_NE(find(wordsOf(pdf, page), printed), nullptr) << "page " << page << " prints " << printed;

  // Links: one per contents entry on the contents page, around the entry's
  // title, pointing where the outline item points.
  const QJsonObject objects = j["qpdf"].toArray()[1].toObject();
  auto value = [&](const QString& ref) { return objects["obj:" + ref]["value"]; };
  QString contentsPage;
  for (const auto& [ref, n] : pageOf)
    if (n == 3) contentsPage = ref;
  QJsonValue annotsRef = value(contentsPage)["/Annots"];  // an array, or a reference to one
  const QJsonArray annots = annotsRef.isString() ? value(annotsRef.toString()).toArray() : annotsRef.toArray();
  ASSERT_EQ(annots.size(), 5);
  const std::vector<Word> contentsWords = wordsOf(pdf, 3);
  const std::vector<std::string> entryWords = {"序論", "背景", "歴史", "方法", "2.1"};
  for (qsizetype i = 0; i < annots.size(); ++i) {
    const QJsonObject link = value(annots[i].toString()).toObject();
    EXPECT_EQ(link["/Subtype"].toString(), "/Link");
    const QJsonArray dest = link["/Dest"].toArray();
    EXPECT_EQ(pageOf.at(dest[0].toString()), outline[size_t(i)].back() - '0') << outline[size_t(i)];
    EXPECT_DOUBLE_EQ(dest[3].toDouble(), tops[size_t(i)]);
    const QJsonArray rect = link["/Rect"].toArray();
    const Word* w = find(contentsWords, entryWords[size_t(i)]);
    ASSERT_NE(w, nullptr) << entryWords[size_t(i)];
    EXPECT_LE(rect[0].toDouble(), w->x0);
    EXPECT_GE(rect[2].toDouble(), w->x1);
    EXPECT_LE(rect[1].toDouble(), 842 - w->y1 + 0.5) << entryWords[size_t(i)];
    EXPECT_GE(rect[3].toDouble(), 842 - w->y0 - 0.5) << entryWords[size_t(i)];
  }
}

TEST(PdfStructure, TwoRunsAtTheSameClockWriteTheSameBytes) {
  TempDir d;
  writeSjis(d.file("book.vdr"), kBook);
  std::string bytes[2];
  for (int run = 0; run < 2; ++run) {
    const std::string pdf = d.file("run" + std::to_string(run) + ".pdf");
    RunResult r = runRender({"--defaults", "--now", "2024-05-01T10:20:30", "--pdf", pdf, d.file("book.vdr")});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    bytes[run] = readFile(pdf);
  }
  ASSERT_FALSE(bytes[0].empty());
  EXPECT_TRUE(bytes[0] == bytes[1]);
  // The clock of the run and the program's name stand in the file.
  EXPECT_NE(bytes[0].find("/CreationDate (D:20240501102030)"), std::string::npos);
  EXPECT_NE(bytes[0].find("/Creator (VELDRIS "), std::string::npos);
}

}  // namespace
