// veldris-render --watch as a child process: saving an included file
// typesets again and rewrites the PDF; saving a broken document by rename
// prints the error and keeps the last good PDF; SIGTERM ends the watch.
// And the write-beside-then-rename that every output goes through.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "TestSupport.h"
#include "base/AtomicFile.h"

using namespace veltest;

namespace {

// Polls `done` for up to 30 s: the machine may be busy.
bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 300; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The watch with stdout and stderr in files, ended by SIGTERM.
class WatchProcess {
 public:
  WatchProcess(const TempDir& d, const std::vector<std::string>& args) : out_(d.file("out.log")), err_(d.file("err.log")) {
    pid_ = fork();
    if (pid_ == 0) {
      if (!freopen(out_.c_str(), "w", stdout) || !freopen(err_.c_str(), "w", stderr)) _exit(127);
      std::vector<std::string> all{renderBinary(), "--watch"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~WatchProcess() {
    if (pid_ > 0) stop();
  }
  std::string out() const { return readFile(out_); }
  std::string err() const { return readFile(err_); }
  // The exit status after SIGTERM; -1 when it did not end normally.
  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
};

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

}  // namespace

TEST(RenderWatch, SavesTypesetAgainAndABrokenSaveKeepsTheLastGoodPdf) {
  TempDir d;
  const std::string doc = d.file("a.vdr"), sub = d.file("sub.vdr"), pdf = d.file("a.pdf");
  writeSjis(doc, "\\documentstyle{10.5,a4t}\n\\begindocument\n最初の行\n\\input{sub}\n");
  writeSjis(sub, "含まれる行\n");
  WatchProcess w(d, {"--defaults", "--now", "2026-01-02T03:04:05", "--pdf", pdf, doc});

  // The first run.
  ASSERT_TRUE(waitFor([&] { return contains(w.err(), "watching 2 file(s)"); })) << w.err();
  const std::string first = readFile(pdf);
  ASSERT_EQ(first.rfind("%PDF", 0), 0u);
  EXPECT_EQ(count(w.out(), "\\input(sub.vdr)"), 1);

  // The included file saved in place.
  writeSjis(sub, "含まれる行が長くなった。\n");
  ASSERT_TRUE(waitFor([&] { return count(w.err(), "watching 2 file(s)") == 2; })) << w.err();
  EXPECT_EQ(count(w.out(), "\\input(sub.vdr)"), 2);
  const std::string second = readFile(pdf);
  EXPECT_EQ(second.rfind("%PDF", 0), 0u);
  EXPECT_NE(second, first);
  EXPECT_TRUE(contains(w.err(), "veldris-render: " + sub + " changed: typesetting again\n")) << w.err();

  // The document saved broken, by writing a new file and renaming it over
  // the old one, as many editors do.
  writeSjis(doc + ".new", "\\documentstyle{10.5,a4t}\n\\begindocument\n最初の行\n\\input{sub}\n\\nosuchcommand\n");
  ASSERT_EQ(std::rename((doc + ".new").c_str(), doc.c_str()), 0);
  ASSERT_TRUE(waitFor([&] { return count(w.err(), "watching") == 3; })) << w.err();
  const std::string err = w.err();
  EXPECT_TRUE(contains(err, doc + ":5: ")) << err;
  EXPECT_TRUE(contains(err, "veldris-render: the last good output is kept\n")) << err;
  EXPECT_EQ(readFile(pdf), second);
  EXPECT_FALSE(std::filesystem::exists(pdf + ".tmp"));

  // Mended: the watch goes on with the replaced file.
  writeSjis(doc, "\\documentstyle{10.5,a4t}\n\\begindocument\n直した\n");
  ASSERT_TRUE(waitFor([&] { return count(w.err(), "watching 1 file(s)") == 1; })) << w.err();
  EXPECT_NE(readFile(pdf), second);
  EXPECT_EQ(w.stop(), 0);
  EXPECT_TRUE(contains(w.err(), "veldris-render: watch ended\n"));
}

TEST(WriteBeside, ReplacesTheFileOnlyWhenTheWholeWriteSucceeded) {
  struct Case {
    bool succeeds;
    const char* expected;
  };
  for (const Case c : {Case{true, "new"}, Case{false, "old"}}) {
    TempDir d;
    const std::string path = d.file("out.pdf");
    writeFile(path, "old");
    writeFile(path + ".tmp", "left by an interrupted run");
    std::string seen;
    const bool ok = vel::WriteBeside(path, [&](const std::string& tmp) {
      seen = readFile(tmp);  // the leftover is gone
      writeFile(tmp, "new");
      return c.succeeds;
    });
    EXPECT_EQ(ok, c.succeeds);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(readFile(path), c.expected);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  }
}
