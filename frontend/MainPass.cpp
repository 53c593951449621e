// The main pass of preprocessing: TABs, comments, escapes, included files
// and literal source blocks.
#include <filesystem>
#include <utility>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "base/CharSearch.h"
#include "frontend/Reform.h"
#include "frontend/SourceFile.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

std::string CanonicalPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

class MainPassWalk {
 public:
  MainPassWalk(State& st, ReformFailure& f)
      : st_(st), lines_(st.sourceLines), origins_(st.origins.lines), f_(f) {
    if (!st.documentPath.empty()) document_ = CanonicalPath(st.documentPath);
  }

  int run() {
    for (int k = 0; k < static_cast<int>(lines_.size()); ++k) {
      // Lines the first pass already processed keep their text.
      if (kept(k)) continue;
      if (inSource_) {
        // Every line break of a source block is a forced one; an empty
        // line keeps the height of a line.
        if (lines_[k].empty()) {
          lines_[k] = SJ("\\\\$\\vphantom{国}$\\\\");
          continue;
        }
        insertLines(k, {"\\\\"}, {origin(k)});
        ++k;
      }
      int r = walkLine(k);
      if (r < 0) return r;
    }
    return 0;
  }

 private:
  struct Inclusion {
    std::string file;  // canonical path
    int end;           // index of the first line after its lines
  };

  int fail(int line, std::string item) {
    f_.line = line;
    f_.item = std::move(item);
    return -1;
  }

  bool kept(int k) const { return origins_[static_cast<size_t>(k)].preprocessed; }
  LineOrigin origin(int k) const { return origins_[static_cast<size_t>(k)]; }

  // Inserts lines with their origins at `at`, keeping the inclusion ends
  // in step.
  void insertLines(int at, Lines ls, const std::vector<LineOrigin>& from) {
    const int n = static_cast<int>(ls.size());
    for (Inclusion& inc : chain_)
      if (inc.end >= at) inc.end += n;
    lines_.insert(lines_.begin() + at, std::make_move_iterator(ls.begin()), std::make_move_iterator(ls.end()));
    origins_.insert(origins_.begin() + at, from.begin(), from.end());
  }

  // Walks line k (which a comment may move on to a later line). Returns 0
  // or an error code.
  int walkLine(int& k) {
    size_t i = 0;
    while (i < lines_[k].size()) {
      std::string& s = lines_[k];
      const char c = s[i];
      if (isLead(c)) {
        i += 2;
        continue;
      }
      if (c == '\t') {
        s.erase(i, 1);
        continue;
      }
      if (inSource_) {
        i = sourceByte(s, i);
        continue;
      }
      const char next = i + 1 < s.size() ? s[i + 1] : '\0';
      if (c == '/' && next == '/') {
        s.erase(i);
        break;
      }
      if (c == '/' && next == '*') {
        if (!blockComment(k, i)) break;
        continue;
      }
      if (c == '\\') {
        bool lineDone = false;
        int r = backslash(k, i, lineDone);
        if (r < 0) return r;
        if (lineDone) break;
        continue;
      }
      ++i;
    }
    return 0;
  }

  size_t sourceByte(std::string& s, size_t i) {
    switch (s[i]) {
      case ' ':  // a space that is always printed
        s.insert(i, 1, '\\');
        return i + 2;
      case '$':
        s.replace(i, 1, "\\dollar\\/");
        return i + 9;
      case '{':
        s[i] = inband::kOpenBrace;
        return i + 1;
      case '}':
        s[i] = inband::kCloseBrace;
        return i + 1;
      case '\\':
        if (CommandAt(s, i, "endsource")) {
          s.replace(i, 10, "}");
          inSource_ = false;
          return i + 1;
        }
        s.insert(i + 1, "yen\\/");  // printed as the yen sign
        return i + 6;
      default:
        return i + 1;
    }
  }

  // A comment from "/*" at (k, i) up to the next "*/". True when the walk
  // goes on at (k, i); false when the rest of line k is done.
  bool blockComment(int& k, size_t& i) {
    std::string& s = lines_[k];
    size_t close = s.find("*/", i + 2);  // "/*/" does not close itself
    if (close != std::string::npos) {
      s.erase(i, close + 2 - i);
      return true;
    }
    s.erase(i);
    for (int m = k + 1; m < static_cast<int>(lines_.size()); ++m) {
      // Text kept from the first pass is not comment text.
      if (kept(m)) {
        k = m - 1;
        return false;
      }
      close = lines_[m].find("*/");
      if (close != std::string::npos) {
        lines_[m].erase(0, close + 2);
        k = m;
        i = 0;
        return true;
      }
      lines_[m].clear();
    }
    k = static_cast<int>(lines_.size()) - 1;
    return false;
  }

  int backslash(int& k, size_t& i, bool& lineDone) {
    std::string& s = lines_[k];
    if (i + 1 >= s.size() || isLead(s[i + 1])) {
      ++i;
      return 0;
    }
    const char n = s[i + 1];
    const char* escape = nullptr;
    switch (n) {
      case '#': escape = "\\sharp\\/"; break;
      case '$': escape = "\\dollar\\/"; break;
      case '&': escape = "\\and\\/"; break;
      case '^': escape = "\\hat\\/"; break;
      case '_': escape = "\\underbar\\/"; break;
      default: break;
    }
    if (escape) {
      s.replace(i, 2, escape);
      i += std::string_view(escape).size();
      return 0;
    }
    if (n == '\\') {
      i += 2;
      return 0;
    }
    if (n == '{' || n == '}') {
      s.replace(i, 2, 1, n == '{' ? inband::kOpenBrace : inband::kCloseBrace);
      ++i;
      return 0;
    }
    if (!isAsciiLetter(n)) {
      // A name of one byte (\/, \, ...) is read with its backslash: its
      // byte starts no comment ("A\//B"). A TAB there is still deleted.
      i += n == '\t' ? 1 : 2;
      return 0;
    }
    size_t e = i + 1;
    while (e < s.size() && isAsciiLetter(s[e])) ++e;
    const std::string name = s.substr(i + 1, e - i - 1);
    if (name == "beginsource" || name == "beginsourcef") {
      const std::string& open = name == "beginsource" ? SJ("\\group{\\Fontname{ＭＳ 明朝}") : SJ("\\group{");
      s.replace(i, e - i, open);
      i += open.size();
      inSource_ = true;
      return 0;
    }
    if (name == "input" || name == "ifexistinput") return include(k, i, name, lineDone);
    i = e;
    return 0;
  }

  // The folders searched for an included file, in order. The contents
  // pass's own "\input{veldris}" wants the installed file: the program's
  // folder comes first for it (a document may be named veldris.vdr).
  std::vector<std::string> searchDirs(bool generated) const {
    std::vector<std::string> dirs;
    if (generated && !st_.programInputDir.empty()) dirs.push_back(st_.programInputDir);
    if (!st_.documentDir.empty()) dirs.push_back(st_.documentDir);
    if (st_.settings)
      for (const std::string& d : st_.settings->inputDirs)
        if (!d.empty()) dirs.push_back(d);
    return dirs;
  }

  int include(int k, size_t& i, const std::string& name, bool& lineDone) {
    const std::string cmd = "\\" + name;
    std::string& s = lines_[k];
    const size_t open = i + 1 + name.size();
    if (open >= s.size() || s[open] != '{') return fail(k, cmd);
    const size_t close = GetGroup(s, open);
    if (close == npos) return fail(k, cmd);

    // Folders written in the argument are dropped.
    std::string arg = s.substr(open + 1, close - open - 1);
    size_t cut = LastSingleByte(arg, '\\');
    size_t slash = LastSingleByte(arg, '/');
    if (slash != npos && (cut == npos || slash > cut)) cut = slash;
    std::string file = Trim(cut == npos ? arg : arg.substr(cut + 1));
    if (FindText(file, ".") == npos) file += ".vdr";

    Lines content;
    std::string found;
    size_t replaced = 0;
    const std::string native = cp932ToUtf8(file);
    const bool generated = origin(k).generated;
    for (const std::string& dir : searchDirs(generated)) {
      std::string path = dir + "/" + native;
      // The generated inclusion never takes the document itself.
      if (generated && !document_.empty() && CanonicalPath(path) == document_) continue;
      if (LoadSourceFile(path, content, &replaced) == LoadResult::Ok) {
        found = std::move(path);
        break;
      }
    }
    if (found.empty()) {
      if (name == "input") {
        f_.line = k;
        f_.item.clear();
        return -2;
      }
      s.erase(i, close + 1 - i);
      return 0;
    }

    // A file already on the inclusion chain would be spliced in forever.
    while (!chain_.empty() && chain_.back().end <= k) chain_.pop_back();
    const std::string canonical = CanonicalPath(found);
    if (static_cast<int>(chain_.size()) >= kMaxInputDepth || canonical == document_) return fail(k, cmd);
    for (const Inclusion& inc : chain_)
      if (inc.file == canonical) return fail(k, cmd);

    st_.message("\\input(" + file + ")");
    if (replaced > 0) WriteReplacedWarning(st_, file, replaced);
    const int fileIndex = st_.origins.fileIndex(file, found, content, replaced);
    std::vector<LineOrigin> from;
    for (int m = 0; m < static_cast<int>(content.size()); ++m) from.push_back({fileIndex, m, false, false});
    from.push_back(origin(k));  // the rest of the \input line
    std::string rest = s.substr(close + 1);
    s.erase(i);
    const int count = static_cast<int>(content.size());
    content.push_back(std::move(rest));
    insertLines(k + 1, std::move(content), from);
    chain_.push_back({canonical, k + 1 + count});
    lineDone = true;
    return 0;
  }

  State& st_;
  Lines& lines_;
  std::vector<LineOrigin>& origins_;
  ReformFailure& f_;
  std::vector<Inclusion> chain_;
  std::string document_;
  bool inSource_ = false;
};

}  // namespace

int MainPass(State& st, ReformFailure& f) {
  f.item.clear();
  FitOrigins(st);
  return MainPassWalk(st, f).run();
}

}  // namespace vel
