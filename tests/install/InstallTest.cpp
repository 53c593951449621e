// `cmake --install` into a temporary prefix: the files a desktop and a
// package need are there, and the installed veldris-render, run from a
// folder outside the source tree, typesets the installed sample with the
// installed input files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"

using namespace veltest;

namespace {

struct Ran {
  int exitCode = -1;
  std::string out, err;
};

// Runs argv[0] in `cwd` with both streams captured.
Ran runIn(const std::string& cwd, std::vector<std::string> argv) {
  TempDir logs;
  const std::string out = logs.file("out"), err = logs.file("err");
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Install, InstalledRenderTypesetsTheSampleWithItsInstalledData) {
  TempDir prefix, work;
  Ran install = runIn(work.path(), {VELDRIS_CMAKE_COMMAND, "--install", VELDRIS_BINARY_DIR, "--prefix", prefix.path()});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  for (const char* f : {"bin/veldris", "bin/veldris-render", "share/veldris/input/veldris.vdr",
                        "share/veldris/help/index.html", "share/applications/veldris.desktop",
                        "share/icons/hicolor/scalable/apps/veldris.svg", "share/mime/packages/veldris.xml",
                        "share/man/man1/veldris-render.1.gz", "share/doc/veldris/examples/intro.vdr",
                        "share/doc/veldris/examples/sunrise.bmp"})
    EXPECT_TRUE(std::filesystem::is_regular_file(prefix.file(f))) << f;
  EXPECT_TRUE(contains(readFile(prefix.file("share/applications/veldris.desktop")), "MimeType=text/x-veldris;"));
  EXPECT_TRUE(contains(readFile(prefix.file("share/mime/packages/veldris.xml")), "<glob pattern=\"*.vdr\""));

  // The sample, whose contents pass reads the input file "veldris".
  const std::string render = prefix.file("bin/veldris-render");
  Ran intro = runIn(work.path(), {render, "--defaults", "--now", "2026-01-02T03:04:05", "--pdf", work.file("intro.pdf"),
                                  prefix.file("share/doc/veldris/examples/intro.vdr")});
  EXPECT_EQ(intro.exitCode, 0) << intro.out << intro.err;
  EXPECT_EQ(readFile(work.file("intro.pdf")).rfind("%PDF", 0), 0u);

  // A file put into the installed input folder only: found there, so the
  // installed program reads its own data, not the source tree's.
  writeSjis(prefix.file("share/veldris/input/probe.vdr"), "インストール先の入力ファイル\n");
  writeSjis(work.file("a.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\n\\input{probe}\n");
  Ran probe = runIn(work.path(), {render, "--defaults", "--dump-source", work.file("a.txt"), work.file("a.vdr")});
  EXPECT_EQ(probe.exitCode, 0) << probe.out << probe.err;
  EXPECT_TRUE(contains(readFile(work.file("a.txt")), "インストール先の入力ファイル")) << probe.out;
}
