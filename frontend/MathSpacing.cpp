#include "frontend/MathSpacing.h"

#include <array>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "seams/Seams.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// The class a math command has for spacing: the hundreds digit of its
// symbol number classes binary operators (2), relations (3) and spacing
// (4); everything else, and every name without a number, is ordinary.
AtomClass MathCommandClass(const MathSeam* math, const std::string& name) {
  const int n = math ? math->SymbolNumber(name) : -1;
  switch (n < 0 ? -1 : n / 100) {
    case 2: return AtomClass::Binary;
    case 3: return AtomClass::Relation;
    case 4: return AtomClass::Space;
    default: return AtomClass::Ordinary;
  }
}

// The class the next atom sees after an atom of class `cur`.
AtomClass After(AtomClass prev, AtomClass cur) {
  if (cur == AtomClass::Binary)
    return (prev == AtomClass::Start || prev == AtomClass::Relation) ? AtomClass::UnarySign : AtomClass::Binary;
  return cur;
}

bool isSpacingName(const std::string& n) {
  return n.size() == 1 && std::string_view("!*,/:;<>").find(n[0]) != std::string_view::npos;
}

int SizeStateOf(const std::string& n) {
  if (n == "Normal") return 14;
  if (n == "normal") return 15;
  if (n == "small") return 16;
  if (n == "smallsmall") return 17;
  return 0;
}

}  // namespace

std::string GetCutStr(int sizeState, AtomClass prev, AtomClass cur) {
  if (sizeState >= 16) return {};
  // Rows: the current atom; columns: the previous one, in the order
  // ordinary, binary, relation, space, unary sign, start.
  static const char* const kThin = "$\\,$";
  static const char* const kMedium = "$\\>$";
  static const char* const kThick = "$\\<$";
  static const char* const kNone = "$\\/$";
  using Row = std::array<const char*, 6>;
  static const Row ordinary{"", kThin, kMedium, "", kThick, ""};
  static const Row binary{kThin, kThin, kMedium, kNone, "", ""};
  static const Row relation{kMedium, kMedium, kMedium, kNone, "", ""};
  static const Row opening{"", kThin, kMedium, "", kThick, ""};
  static const Row space{"", kNone, kNone, "", "", ""};
  const Row* row = nullptr;
  switch (cur) {
    case AtomClass::Ordinary: row = &ordinary; break;
    case AtomClass::Binary: row = &binary; break;
    case AtomClass::Relation: row = &relation; break;
    case AtomClass::Opening: row = &opening; break;
    case AtomClass::Space: row = &space; break;
    default: return {};
  }
  int column = 0;
  switch (prev) {
    case AtomClass::Ordinary: column = 0; break;
    case AtomClass::Binary: column = 1; break;
    case AtomClass::Relation: column = 2; break;
    case AtomClass::Space: column = 3; break;
    case AtomClass::UnarySign: column = 4; break;
    default: column = 5; break;  // start, and after an opening bracket
  }
  std::string s = (*row)[static_cast<size_t>(column)];
  if (!s.empty() && (sizeState == 14 || sizeState == 15)) {
    s += '\\';
    s += static_cast<char>(sizeState);
  }
  return s;
}

bool SpaceInlineMath(ScanState& sc, const MathSeam* math, std::string_view formula, std::string& out,
                     std::string& item) {
  std::string_view f = formula;
  if (f.size() >= 2 && f.front() == '$' && f.back() == '$') f = f.substr(1, f.size() - 2);
  out = "$";
  int size = 0;
  AtomClass prev = AtomClass::Start;
  std::string lastName;
  auto emit = [&](AtomClass cur, std::string_view atom) {
    out += GetCutStr(size, prev, cur);
    out += atom;
  };
  auto failWith = [&](const std::string& name) {
    item = name.empty() ? SJ("数式") : "\\" + name;
    return false;
  };

  size_t p = 0;
  while (p < f.size()) {
    const char c = f[p];
    if (isLead(c) && p + 1 < f.size()) {
      emit(AtomClass::Ordinary, f.substr(p, 2));
      prev = AtomClass::Ordinary;
      p += 2;
      continue;
    }
    if (c == ' ') {
      out += c;
      ++p;
      continue;
    }
    if (c == '(' || c == '[' || c == inband::kOpenBrace) {
      emit(AtomClass::Opening, f.substr(p, 1));
      prev = AtomClass::Start;
      ++p;
      continue;
    }
    if (c == ',' || c == ';') {
      out += c;
      prev = AtomClass::Start;
      ++p;
      continue;
    }
    if (c == '+' || c == '-') {
      emit(AtomClass::Binary, f.substr(p, 1));
      prev = After(prev, AtomClass::Binary);
      ++p;
      continue;
    }
    if (c == ':' || c == '<' || c == '=' || c == '>') {
      emit(AtomClass::Relation, f.substr(p, 1));
      prev = AtomClass::Relation;
      ++p;
      continue;
    }
    if (c == '{') {
      size_t close = GetGroup(f, p);
      if (close == npos) return failWith(lastName);
      emit(AtomClass::Ordinary, f.substr(p, close + 1 - p));
      prev = AtomClass::Ordinary;
      p = close + 1;
      continue;
    }
    if (c != '\\') {
      emit(AtomClass::Ordinary, f.substr(p, 1));
      prev = AtomClass::Ordinary;
      ++p;
      continue;
    }

    // A command.
    if (p + 1 < f.size() && isLead(f[p + 1])) {
      item = SJ("日本語コマンド名");
      return false;
    }
    size_t q = GetCommandName(sc, f, p);
    const std::string name = sc.commandName;
    lastName = name;
    if (isSpacingName(name)) {
      emit(AtomClass::Space, f.substr(p, q - p));
      prev = AtomClass::Space;
      p = q;
    } else if (name == "hskip") {
      size_t close = sc.braceFollows ? GetGroup(f, q) : npos;
      if (close == npos) return failWith(name);
      emit(AtomClass::Space, f.substr(p, close + 1 - p));
      prev = AtomClass::Space;
      p = close + 1;
    } else if (name == "left") {
      size_t last = lrGroup(f, q);
      if (last == npos) return failWith(name);
      size_t end = last + 1 + 6 + 1;  // "\right" and its delimiter
      emit(AtomClass::Opening, f.substr(p, end - p));
      prev = AtomClass::Ordinary;
      p = end;
    } else if (name == "not" || name == "rnot") {
      if (q < f.size() && (f[q] == '<' || f[q] == '=' || f[q] == '>')) {
        emit(AtomClass::Relation, f.substr(p, q + 1 - p));
        prev = AtomClass::Relation;
        p = q + 1;
      } else {
        out += f.substr(p, q - p);
        prev = AtomClass::Start;
        p = q;
      }
    } else if (int s = SizeStateOf(name); s != 0) {
      out += f.substr(p, q - p);
      size = s;
      p = q;
    } else {
      AtomClass cls = MathCommandClass(math, name);
      emit(cls, f.substr(p, q - p));
      prev = After(prev, cls);
      p = q;
    }
  }
  out += '$';
  return true;
}

int MathPass(State& st, Lines& lines, ReformFailure& f) {
  std::string formula, rebuilt;
  for (int k = 0; k < static_cast<int>(lines.size()); ++k) {
    size_t i = 0;
    while (i < lines[k].size()) {
      const std::string& s = lines[k];
      if (isLead(s[i])) {
        i += 2;
        continue;
      }
      if (s[i] != '$') {
        ++i;
        continue;
      }
      int n = 1;
      if (i + 1 < s.size() && s[i + 1] == '$') n = (i + 2 < s.size() && s[i + 2] == '$') ? 3 : 2;
      TextPos close = LongGetMath(st.scan, lines, k, static_cast<int>(i) + n, n, formula);
      if (close.line < 0) {
        st.message(n == 1   ? SJ("** 数式($…$)が閉じていません。")
                   : n == 2 ? SJ("** 数式($$…$$)が閉じていません。")
                            : SJ("** 数式($$$…$$$)が閉じていません。"));
        f.line = k;
        f.item = SJ("数式");
        return -3;
      }
      if (n > 1) {
        // Display formulas stay as they are; the walk goes on after them.
        k = close.line;
        i = static_cast<size_t>(close.col);
        continue;
      }
      std::string bad;
      if (!SpaceInlineMath(st.scan, st.seams ? st.seams->math : nullptr, formula, rebuilt, bad)) {
        f.line = k;
        f.item = bad;
        return -1;
      }
      DeleteText(lines, k, static_cast<int>(i) + 1, close.line, close.col);
      lines[k].insert(i, rebuilt);
      i += rebuilt.size();
    }
  }
  return 0;
}

}  // namespace vel
