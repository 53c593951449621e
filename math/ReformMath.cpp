// ReformMath and its helpers: one forward scan of a span that rewrites
// text as it goes, then one forward scan of the content that turns each
// script into a structure. Both scans step by units (a double-byte
// character, a backslash with the byte it names, an in-band reference), so
// a trail byte or a reference digit is never taken for "$", "'", "^", "_"
// or a brace.
#include "math/ReformMath.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "base/Cp932.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// In-band forms that follow a backslash in processed text: an encoded
// length (sign byte and four digit bytes) and the stored-box and mini page
// references (kind byte and three digit bytes). Their digit bytes may look
// like any delimiter, so they are passed over whole. The spacing codes 7,
// 9 and 11 share these bytes, but nothing writes those codes.
constexpr char kEncodedNegative = '\x0B';
constexpr char kEncodedPositive = '\x0C';
constexpr size_t kEncodedLengthSize = 6;
constexpr char kBoxRef = '\t';
constexpr char kMiniPageRef = '\x07';
constexpr size_t kRefSize = 5;

// Lines longer than this are refused, so that every position fits an int
// with room for the insertions.
constexpr size_t kMaxLineBytes = static_cast<size_t>(INT_MAX / 8);

constexpr std::string_view kUprightOpen = "\\rm{";
constexpr std::string_view kEmptyNucleus = "\\rm{}";
constexpr std::string_view kHalfChSpace = "hskip{.5ch}";
constexpr std::string_view kPrime = "\\prime";

inline bool isLetter(char c) { return isAsciiLetter(c); }

// True when the n bytes from i exist and lie in lo..hi: the digits of an
// in-band form. Anything else is not one, and its bytes are read as text.
bool digitsIn(std::string_view s, size_t i, size_t n, unsigned lo, unsigned hi) {
  if (s.size() - i < n) return false;
  for (size_t k = i; k < i + n; ++k) {
    const unsigned b = static_cast<unsigned char>(s[k]);
    if (b < lo || b > hi) return false;
  }
  return true;
}

// Bytes of the unit that starts at i. Letters after a backslash are left
// to the caller, which reads them as a name.
size_t unitLength(std::string_view s, size_t i) {
  const size_t rest = s.size() - i;
  const char c = s[i];
  if (isLead(c)) return rest >= 2 ? 2 : 1;
  if (c != '\\' || rest < 2) return 1;
  const char d = s[i + 1];
  if (isLetter(d)) return 1;
  if (d == kEncodedNegative || d == kEncodedPositive)
    return digitsIn(s, i + 2, kEncodedLengthSize - 2, 0x80, 0xFF) ? kEncodedLengthSize : 2;
  if (d == kBoxRef) return digitsIn(s, i + 2, kRefSize - 2, 32, 255) ? kRefSize : 2;
  if (d == kMiniPageRef) return digitsIn(s, i + 2, kRefSize - 2, 32, 32 + 89) ? kRefSize : 2;
  if (isLead(d)) return std::min<size_t>(rest, 3);  // a double-byte character is a one-unit name
  return 2;
}

// Commands whose argument is upright text, passed over whole (a formula
// inside it is a nested span).
bool takesTextArgument(std::string_view name) {
  return name == "rm" || name == "table" || name == "last" || name == "dotsfilllast" || name == "linefilllast";
}

char styleCodeOf(std::string_view name) {
  if (name == "Normal") return inband::kStyleNormalCap;
  if (name == "normal") return inband::kStyleNormal;
  if (name == "small") return inband::kStyleSmall;
  if (name == "smallsmall") return inband::kStyleSmallSmall;
  return 0;
}

int reformSpan(std::string& s, size_t open, int depth);

// s[g] is the "{" of an upright argument; returns the index after its "}",
// or npos when it is not closed or a nested span fails.
size_t skipTextArgument(std::string& s, size_t g, int depth) {
  int level = 0;
  size_t j = g + 1;
  while (j < s.size()) {
    const char c = s[j];
    if (c == '$') {
      const int last = reformSpan(s, j, depth + 1);
      if (last < 0) return npos;
      j = static_cast<size_t>(last);  // the byte after the nested span's last "$"
      continue;
    }
    if (c == '{') {
      ++level;
    } else if (c == '}') {
      if (level == 0) return j + 1;
      --level;
    }
    j += unitLength(s, j);
  }
  return npos;
}

// s[i] is a backslash; rewrites the command where needed and returns the
// index where the scan goes on, npos on failure.
size_t rewriteCommand(std::string& s, size_t i, int depth) {
  if (i + 1 >= s.size()) return i + 1;  // the line ends: the caller fails there
  const char d = s[i + 1];
  if (d == ' ') {
    s.replace(i + 1, 1, kHalfChSpace);
    return i + 1 + kHalfChSpace.size();
  }
  if (!isLetter(d)) return i + unitLength(s, i);
  size_t e = i + 1;
  while (e < s.size() && isLetter(s[e])) ++e;
  const std::string_view name(s.data() + i + 1, e - i - 1);
  if (const char code = styleCodeOf(name)) {
    s.replace(i + 1, name.size(), 1, code);
    return i + 2;
  }
  if (name == "similar") {
    // A thin space, the upright sign, a thin space.
    const std::string& similar = SJ(",\\rm{∽}\\,");
    s.replace(i + 1, name.size(), similar);
    return i + 1 + similar.size();
  }
  if (takesTextArgument(name) && e < s.size() && s[e] == '{') return skipTextArgument(s, e, depth);
  return e;
}

// s[i] starts a double-byte character: the run of them becomes upright text.
size_t wrapUpright(std::string& s, size_t i) {
  size_t j = i;
  while (j + 1 < s.size() && isLead(s[j])) j += 2;
  s.insert(j, 1, '}');
  s.insert(i, kUprightOpen);
  return j + kUprightOpen.size() + 1;
}

// s[i] is "'": the run of primes becomes a superscript of \prime commands.
size_t primesToScript(std::string& s, size_t i) {
  size_t n = 0;
  while (i + n < s.size() && s[i + n] == '\'') ++n;
  std::string script = "^{";
  for (size_t k = 0; k < n; ++k) script += kPrime;
  script += '}';
  s.replace(i, n, script);
  return i + script.size();
}

// s[open] is the first "$" of a span; returns the 1-based position of the
// last "$" of its closing delimiter, or -1.
int reformSpan(std::string& s, size_t open, int depth) {
  if (depth > kMaxMathNesting) return -1;
  if (open >= s.size() || s[open] != '$') return -1;
  size_t n = 0;
  while (n < 3 && open + n < s.size() && s[open + n] == '$') ++n;

  size_t i = open + n;
  for (;;) {
    if (i >= s.size() || s.size() > kMaxLineBytes) return -1;
    const char c = s[i];
    if (c == '$') break;
    if (isLead(c) && i + 1 < s.size()) {
      i = wrapUpright(s, i);
    } else if (c == '\'') {
      i = primesToScript(s, i);
    } else if (c == '\\') {
      i = rewriteCommand(s, i, depth);
      if (i == npos) return -1;
    } else {
      ++i;
    }
  }

  size_t closing = 0;
  while (i + closing < s.size() && s[i + closing] == '$') ++closing;
  if (closing != n) return -1;
  // The content runs from the byte after the opening delimiter (1-based
  // open + n + 1) to the byte before the closing one (1-based i).
  const int last = ReformOfUpLow(s, static_cast<int>(open + n + 1), static_cast<int>(i));
  if (last < 0) return -1;
  return last + static_cast<int>(n);
}

// The position where the letters ending at q (1-based) begin, when a real
// backslash precedes them; 0 otherwise. name receives the letters.
int commandEndingAt(std::string_view s, const std::vector<bool>& starts, int q, std::string_view& name) {
  int k = q;  // letters occupy 1-based k+1 .. q
  while (k >= 1 && starts[static_cast<size_t>(k - 1)] && isLetter(s[static_cast<size_t>(k - 1)])) --k;
  if (k == q || k < 1) return 0;
  if (s[static_cast<size_t>(k - 1)] != '\\' || !starts[static_cast<size_t>(k - 1)]) return 0;
  name = s.substr(static_cast<size_t>(k), static_cast<size_t>(q - k));
  return k;
}

bool isTwoGroupBox(std::string_view n) {
  return n == "frac" || n == "overbrace" || n == "underbrace" || n == "over" || n == "under" || n == "nroot";
}

bool isOneGroupBox(std::string_view n) {
  static constexpr std::array<std::string_view, 18> kNames{
      "sqr",     "matrix",  "rm",       "dot",      "ddot",  "vec",       "bar",   "underline", "framebox",
      "arc",     "phantom", "hphantom", "vphantom", "table", "mathstrut", "array", "lmatrix",   "Underline"};
  return std::find(kNames.begin(), kNames.end(), n) != kNames.end();
}

}  // namespace

int ReformMath(std::string& line, int firstDollar) {
  if (firstDollar < 1 || line.size() > kMaxLineBytes) return -1;
  return reformSpan(line, static_cast<size_t>(firstDollar - 1), 0);
}

int ReformOfUpLow(std::string& s, int first, int last) {
  if (first < 1 || last > static_cast<int>(s.size()) || s.size() > kMaxLineBytes) return -1;
  if (last < first) return last;
  size_t i = static_cast<size_t>(first - 1);
  size_t end = static_cast<size_t>(last);  // one past the content, 0-based
  bool afterOpenBrace = false;
  // Each rewrite removes one "^" or "_" and inserts none, and a script gets
  // an empty nucleus at most once, so the scan ends.
  while (i < end) {
    const char c = s[i];
    if (c != '^' && c != '_') {
      afterOpenBrace = c == '{';
      i += unitLength(s, i);
      continue;
    }
    // A script with nothing before it in its group gets an empty upright nucleus.
    if (i == static_cast<size_t>(first - 1) || afterOpenBrace) {
      s.insert(i, kEmptyNucleus);
      end += kEmptyNucleus.size();
      i += kEmptyNucleus.size();
      afterOpenBrace = false;
      continue;
    }

    const int top = TopOfLastBox(s, static_cast<int>(i));
    if (top < first) return -1;  // no box, or one that begins outside the content
    const size_t nucleusStart = static_cast<size_t>(top - 1);
    std::string nucleus = s.substr(nucleusStart, i - nucleusStart);

    bool limits = false;
    char marker = 0;
    if (nucleus[0] == '\\') {
      switch (GetEachTypeCommandNum(std::string_view(nucleus).substr(1))) {
        case 4: case 21: case 23:  // lim, inf, liminf
          limits = true;
          marker = inband::kLimitMarkerLim;
          break;
        case 20: case 22:  // sup, limsup
          limits = true;
          marker = inband::kLimitMarkerSup;
          break;
        case 143: case 144: case 145: case 146: case 147:  // the big operators
          limits = true;
          break;
        default: break;
      }
    } else if (nucleus.size() >= 2 && nucleus.front() == '{' && nucleus.back() == '}') {
      nucleus = nucleus.substr(1, nucleus.size() - 2);
    }

    // At most one superscript and one subscript, in either order.
    std::string sup, sub;
    size_t j = i;
    while (j < end && (s[j] == '^' || s[j] == '_')) {
      std::string& slot = s[j] == '^' ? sup : sub;
      if (!slot.empty()) break;  // a second one of the same kind takes this structure as its nucleus
      const size_t a = j + 1;
      if (a >= end || s[a] == '}') {
        slot = "{}";  // nothing to take: the script is empty
        j = a;
      } else if (s[a] == '{') {
        const int len = Group(s, static_cast<int>(a) + 2);
        if (len < 0) return -1;
        const size_t close = a + 1 + static_cast<size_t>(len);
        if (close >= end) return -1;  // the group is not closed inside the content
        slot.assign(s, a, close - a + 1);
        j = close + 1;
      } else {
        // One byte; a double-byte character stays whole so no trail byte is cut off.
        const size_t n = (isLead(s[a]) && a + 1 < end) ? 2 : 1;
        slot = "{" + s.substr(a, n) + "}";
        j = a + n;
      }
    }
    if (sup.empty()) sup = "{}";
    if (sub.empty()) sub = "{}";

    std::string head;
    std::string text;
    if (limits) {
      head = "\\under{";
      if (marker) head += marker;
      head += "\\over{" + nucleus + "}";
      text = head + sup + "}" + sub;
    } else {
      head = "\\uplow{" + nucleus + "}";
      text = head + sup + sub;
    }
    s.replace(nucleusStart, j - nucleusStart, text);
    end = end - (j - nucleusStart) + text.size();
    if (s.size() > kMaxLineBytes) return -1;
    // Scripts inside the scripts are rewritten next.
    i = nucleusStart + head.size();
    afterOpenBrace = false;
  }
  return static_cast<int>(end);
}

int TopOfLastBox(std::string_view s, int p) {
  if (p < 1 || static_cast<size_t>(p) > s.size()) return 0;
  const size_t up = static_cast<size_t>(p);
  // Which bytes up to p begin a unit: a trail byte or the second byte of
  // "\\" never begins a box nor ends a name.
  std::vector<bool> starts(up, false);
  for (size_t k = 0; k < up; k += unitLength(s, k)) starts[k] = true;
  auto at = [&](int col) { return s[static_cast<size_t>(col - 1)]; };
  auto real = [&](int col) { return col >= 1 && starts[static_cast<size_t>(col - 1)]; };

  if (!real(p)) {  // p ends a multi-byte unit: the box is that unit
    int k = p;
    while (k > 1 && !real(k)) --k;
    return k;
  }

  // A \left...\right pair.
  if (p >= 7 && s.substr(up - 7, 6) == "\\right" && real(p - 6) && isRightDelimiter(at(p))) return RlrGroup(s, p);

  std::string_view name;
  if (at(p) == '}') {
    const int open = RGroup(s, p - 1);
    if (open == 0) return 0;
    const int before = open - 1;
    if (before >= 1 && at(before) == '}' && real(before)) {
      // Two groups in a row: a two-group command takes both.
      const int earlier = RGroup(s, before - 1);
      if (earlier == 0) return 0;
      const int cmd = commandEndingAt(s, starts, earlier - 1, name);
      return (cmd && isTwoGroupBox(name)) ? cmd : open;
    }
    if (before >= 1 && isLetter(at(before)) && real(before)) {
      const int cmd = commandEndingAt(s, starts, before, name);
      return (cmd && isOneGroupBox(name)) ? cmd : open;
    }
    return open;
  }

  if (isLetter(at(p))) {
    const int cmd = commandEndingAt(s, starts, p, name);
    if (cmd) return cmd;
  }
  return p;
}

std::string_view GetInsertStr(int styleLevel, MathAtom previous, MathAtom current) {
  constexpr std::string_view N = "";
  constexpr std::string_view T = "\\,";  // s2
  constexpr std::string_view H = "\\<";  // s1
  constexpr std::string_view M = "\\>";  // s3
  constexpr std::string_view K = "\\;";  // s4
  // Rows: the current atom; columns: the previous one, in the order
  // start, Ord, Op, Bin, Rel, Open, Close, Space, Punct, Inner, Unary.
  static constexpr std::string_view kLarge[8][11] = {
      /* Ord   */ {N, N, T, T, M, N, H, N, K, H, H},
      /* Op    */ {N, T, T, T, M, N, H, N, K, H, H},
      /* Bin   */ {N, T, N, T, M, N, T, N, K, T, N},
      /* Rel   */ {N, M, M, M, M, N, M, N, M, M, N},
      /* Open  */ {N, H, H, T, M, N, T, N, K, H, H},
      /* Close */ {N, N, N, N, N, N, N, N, T, N, N},
      /* Punct */ {N, N, N, N, N, N, N, N, T, T, N},
      /* Inner */ {N, T, T, T, M, N, T, N, K, T, H},
  };
  auto column = [](MathAtom a) -> int {
    const int v = static_cast<int>(a);
    if (v >= -1 && v <= 8) return v + 1;
    return a == MathAtom::Unary ? 10 : -1;
  };
  auto row = [](MathAtom a) -> int {
    switch (a) {
      case MathAtom::Ord: return 0;
      case MathAtom::Op: return 1;
      case MathAtom::Bin: return 2;
      case MathAtom::Rel: return 3;
      case MathAtom::Open: return 4;
      case MathAtom::Close: return 5;
      case MathAtom::Punct: return 6;
      case MathAtom::Inner: return 7;
      default: return -1;  // a space or a sign takes nothing before it
    }
  };
  const int r = row(current);
  const int c = column(previous);
  if (r < 0 || c < 0) return N;
  if (styleLevel <= 2) return kLarge[r][c];
  // The small sizes space only around operators.
  if (current == MathAtom::Ord && previous == MathAtom::Op) return T;
  if (current == MathAtom::Op && (previous == MathAtom::Ord || previous == MathAtom::Op ||
                                  previous == MathAtom::Close || previous == MathAtom::Inner))
    return H;
  return N;
}

void ToMiddleKakko(std::string& s) {
  // The codes are below every trail byte, so no character is split.
  for (char& c : s) {
    if (c == '\x01') c = '{';
    else if (c == '\x02') c = '}';
  }
}

}  // namespace vel
