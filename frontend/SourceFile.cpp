#include "frontend/SourceFile.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "base/Cp932.h"

namespace vel {

void SplitSourceText(std::string bytes, Lines& out, size_t* unmappable) {
  out.clear();
  if (unmappable) *unmappable = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    bytes.erase(0, 3);
    bytes = utf8ToCp932(bytes, unmappable);
  } else if (looksLikeUtf8(bytes)) {
    bytes = utf8ToCp932(bytes, unmappable);
  }
  std::string cur;
  for (char c : bytes) {
    if (c == '\n') {
      out.push_back(std::move(cur));
      cur.clear();
    } else if (c != '\r') {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(std::move(cur));
}

LoadResult LoadSourceFile(const std::string& path, Lines& out, size_t* unmappable) {
  struct stat sb;
  if (::stat(path.c_str(), &sb) != 0) return LoadResult::Missing;
  if (!S_ISREG(sb.st_mode)) return LoadResult::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadResult::Unreadable;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SplitSourceText(std::move(bytes), out, unmappable);
  return LoadResult::Ok;
}

}  // namespace vel
