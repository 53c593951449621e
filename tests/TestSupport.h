// Helpers shared by the tests: temporary folders, files in CP932, and
// running veldris-render.
#pragma once

#include <string>
#include <vector>

namespace veltest {

std::string sourceDir();  // the repository
std::string renderBinary();

// A fresh folder removed with its contents at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// Writes UTF-8 text converted to CP932.
void writeSjis(const std::string& path, const std::string& utf8);
std::string sj(const std::string& utf8);  // UTF-8 -> CP932

struct RunResult {
  int exitCode = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};
// Runs veldris-render with the arguments (no shell); captures both streams.
RunResult runRender(const std::vector<std::string>& args);

// The lines of a text, without line terminators.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace veltest
