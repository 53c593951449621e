// The math vocabulary as constant tables: one row per symbol, in the order
// the vocabulary is defined, so each row can be checked against it; the
// sorted name index and the number index are built at compile time, and
// the compiler rejects a table with a repeated name or number.
#include "math/MathSymbols.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "base/Cp932.h"

namespace vel {

namespace {

using F = MathFontKind;
using M = MathMetric;
using U = MathSpaceUnit;

// Row builders: each fills the fields its kind of symbol uses.
constexpr MathSymbol Fn(int n, std::string_view name, M metric = M::FunctionName) {
  MathSymbol s;
  s.name = name;
  s.number = static_cast<int16_t>(n);
  s.metric = metric;
  s.font = F::Roman;
  return s;
}
constexpr MathSymbol Lim(int n, std::string_view name) { return Fn(n, name, M::LimitFunction); }

constexpr MathSymbol Glyph(int n, std::string_view name, F font, int code, M metric = M::Letter, int charset = 0) {
  MathSymbol s;
  s.name = name;
  s.number = static_cast<int16_t>(n);
  s.metric = metric;
  s.font = font;
  s.code = static_cast<uint8_t>(code);
  s.charset = static_cast<uint8_t>(charset);
  return s;
}
// Math italic letters; Greek capitals sharing a Latin shape use set 77.
constexpr MathSymbol Ital(int n, std::string_view name, int code, int charset = 0) {
  return Glyph(n, name, F::MathItalic, code, M::Letter, charset);
}
// Symbol font, metric class symbol: miscellaneous signs, operators, relations.
constexpr MathSymbol Sym(int n, std::string_view name, int code, float width = 1, float shift = 0) {
  MathSymbol s = Glyph(n, name, F::Symbol, code, M::Symbol);
  s.widthFactor = width;
  s.drawShift = shift;
  return s;
}
constexpr MathSymbol Arrow(int n, std::string_view name, int code, M metric, int widthCode = 0) {
  MathSymbol s = Glyph(n, name, F::Symbol, code, metric);
  s.widthCode = static_cast<uint8_t>(widthCode);
  return s;
}
constexpr MathSymbol LongArrow(int n, std::string_view name, int first, int second) {
  MathSymbol s = Glyph(n, name, F::Symbol, first, M::SingleArrow);
  s.secondCode = static_cast<uint8_t>(second);
  return s;
}
constexpr MathSymbol Drawn(int n, std::string_view name, MathDrawOp op, int variant) {
  MathSymbol s;
  s.name = name;
  s.number = static_cast<int16_t>(n);
  s.metric = M::Drawn;
  s.op = op;
  s.variant = static_cast<uint8_t>(variant);
  return s;
}
constexpr MathSymbol AsLetter(int n, std::string_view name, char letter) {
  MathSymbol s = Ital(n, name, letter);
  s.metric = M::AsLetter;
  return s;
}
// Spacing codes: `sign` -1 for the negative spaces.
constexpr MathSymbol Space(int n, std::string_view name, U unit, int sign, bool onlyLarge) {
  MathSymbol s;
  s.name = name;
  s.number = static_cast<int16_t>(n);
  s.metric = M::Spacing;
  s.space = unit;
  s.spaceSign = static_cast<int8_t>(sign);
  s.spaceOnlyLarge = onlyLarge;
  return s;
}
constexpr MathSymbol Negation(int n, std::string_view name, int strokeVariant) {
  MathSymbol s;
  s.name = name;
  s.number = static_cast<int16_t>(n);
  s.metric = M::Negation;
  s.variant = static_cast<uint8_t>(strokeVariant);
  return s;
}

constexpr auto D = MathDrawOp::WriteThereforFor;
constexpr auto C = MathDrawOp::WriteCraftRels;
constexpr auto L = MathDrawOp::WriteLongArrow;

constexpr std::array kSymbols{
    // Function names, upright in the roman font (by number).
    Fn(0, "sin"),
    Fn(1, "cos"),
    Fn(2, "tan"),
    Fn(3, "log"),
    Lim(4, "lim"),
    Fn(5, "cot"),
    Fn(6, "sec"),
    Fn(7, "arcsin"),
    Fn(8, "arccos"),
    Fn(9, "arctan"),
    Fn(10, "sinh"),
    Fn(11, "cosh"),
    Fn(12, "tanh"),
    Fn(13, "coth"),
    Fn(14, "arg"),
    Fn(15, "exp"),
    Fn(16, "lg"),
    Fn(17, "ln"),
    Fn(18, "max"),
    Fn(19, "min"),
    Lim(20, "sup"),
    Lim(21, "inf"),
    Lim(22, "limsup"),
    Lim(23, "liminf"),

    // Lower-case Greek.
    Ital(100, "alpha", 227),
    Ital(101, "beta", 229),
    Ital(102, "gamma", 231),
    Ital(103, "delta", 233),
    Ital(105, "zeta", 234),
    Ital(106, "eta", 235),
    Ital(107, "theta", 237),
    Ital(108, "iota", 236),
    Ital(109, "kappa", 238),
    Ital(110, "lambda", 239),
    Ital(111, "mu", 241),
    Ital(112, "nu", 243),
    Ital(113, "xi", 242),
    Ital(114, "pi", 244),
    Ital(115, "rho", 246),
    Ital(116, "sigma", 245),
    Ital(117, "tau", 250),
    Ital(118, "upsilon", 249),
    Ital(119, "phi", 251),
    Ital(120, "chi", 252),
    Ital(121, "psi", 134),
    Ital(122, "omega", 33),
    Ital(123, "epsilon", 34),
    Ital(128, "varphi", 39),
    Glyph(104, "emptyset", F::TextItalic, 252),
    AsLetter(153, "omicron", 'o'),

    // Capital Greek drawn with the Latin capital of the same shape.
    Ital(154, "Alpha", 65, 77),
    Ital(155, "Beta", 66, 77),
    Ital(158, "Epsilon", 69, 77),
    Ital(159, "Zeta", 90, 77),
    Ital(160, "Eta", 72, 77),
    Ital(162, "Iota", 73, 77),
    Ital(163, "Kappa", 75, 77),
    Ital(165, "Mu", 77, 77),
    Ital(166, "Nu", 78, 77),
    Ital(169, "Rho", 80, 77),
    Ital(171, "Tau", 84, 77),
    Ital(174, "Chi", 88, 77),
    Ital(177, "Omicron", 79, 77),

    // Capital Greek of their own shape.
    Ital(156, "Gamma", 196),
    Ital(157, "Delta", 197),
    Ital(161, "Theta", 199),
    Ital(164, "Lambda", 201),
    Ital(167, "Xi", 209),
    Ital(168, "Pi", 214),
    Ital(170, "Sigma", 220),
    Ital(172, "Upsilon", 225),
    Ital(173, "Phi", 224),
    Ital(175, "Psi", 226),
    Ital(176, "Omega", 228),

    // Miscellaneous signs in the symbol font.
    Sym(129, "aleph", 64),
    Sym(130, "infty", 49),
    Sym(131, "prime", 48),
    Sym(132, "nabla", 114),
    Sym(133, "top", 62),
    Sym(135, "triangle", 52),
    Sym(136, "backslash", 110),
    Sym(137, "forall", 56),
    Sym(138, "exists", 57),
    Sym(139, "neg", 58),
    Ital(140, "ell", 96),
    Ital(141, "partial", 64),
    Drawn(142, "angle", MathDrawOp::WriteAngle, 0),
    Drawn(150, "therefore", D, 1),
    Drawn(151, "for", D, 2),  // the "because" sign

    // Big operators and integrals in the extension font.
    Glyph(143, "sum", F::Extension, 88, M::BigOperator),
    Glyph(144, "prod", F::Extension, 89, M::BigOperator),
    Glyph(145, "coprod", F::Extension, 97, M::BigOperator),
    Glyph(146, "bigcap", F::Extension, 92, M::BigOperator),
    Glyph(147, "bigcup", F::Extension, 91, M::BigOperator),
    Glyph(148, "int", F::Extension, 90, M::Integral),
    Glyph(149, "oint", F::Extension, 73, M::Integral),

    // Infix operators.
    Sym(200, "cdot", 197, 0.2f, 0.1f),
    Sym(201, "times", 199),
    Sym(202, "ast", 201, 0.6f),
    Sym(203, "div", 209),
    Sym(204, "diamond", 214, 0.6f),
    Sym(205, "pm", 220),
    Sym(206, "mp", 225),
    Sym(207, "oplus", 224),
    Sym(208, "ominus", 226),
    Sym(209, "otimes", 228),
    Sym(210, "oslash", 227),
    Sym(211, "odot", 229),
    Sym(212, "bigcirc", 231, 1.2f),
    Sym(213, "circ", 233, 0.6f),
    Sym(214, "bullet", 232, 0.6f),
    Sym(215, "cup", 91),
    Sym(216, "cap", 92),
    Sym(217, "uplus", 93),
    Sym(218, "wedge", 94),
    Sym(219, "vee", 95),
    Sym(220, "sqcup", 116),
    Sym(221, "sqcap", 117),

    // Relations.
    Sym(300, "asymp", 234),
    Sym(301, "equiv", 235),
    Sym(302, "subseteq", 237),
    Sym(303, "supseteq", 236),
    Sym(304, "leq", 238),
    Sym(305, "geq", 239),
    Sym(306, "preceq", 241),
    Sym(307, "succeq", 243),
    Sym(308, "sim", 242),
    Sym(309, "approx", 244),
    Sym(310, "subset", 246),
    Sym(311, "supset", 245),
    Sym(312, "ll", 250),
    Sym(313, "gg", 249),
    Sym(314, "prec", 251),
    Sym(315, "succ", 252),
    Sym(316, "simeq", 39),
    Sym(317, "propto", 47),
    Sym(318, "in", 50),
    Sym(319, "ni", 51),
    Sym(320, "perp", 63),
    Sym(321, "sqsubseteq", 118),
    Sym(322, "sqsupseteq", 119),
    Sym(323, "mid", 106),
    Sym(324, "parallel", 107),
    Sym(352, "bot", 63),
    Drawn(325, "neareq", C, 1),
    Drawn(326, "para", C, 2),
    Drawn(327, "paraeq", C, 3),
    Drawn(350, "lequal", C, 4),
    Drawn(351, "gequal", C, 5),

    // Arrows.
    Arrow(328, "leftarrow", 134, M::SingleArrow, 33),  // as wide as the right arrow
    Arrow(329, "rightarrow", 33, M::SingleArrow),
    Arrow(330, "leftrightarrow", 36, M::SingleArrow),
    Arrow(331, "Leftarrow", 40, M::DoubleArrow),
    Arrow(332, "Rightarrow", 41, M::DoubleArrow),
    Arrow(333, "Leftrightarrow", 44, M::DoubleArrow),
    LongArrow(334, "longleftarrow", 134, 196),
    LongArrow(335, "longrightarrow", 196, 33),
    LongArrow(336, "longleftrightarrow", 134, 33),
    Drawn(337, "Longleftarrow", L, 1),
    Drawn(338, "Longrightarrow", L, 2),
    Drawn(339, "Longleftrightarrow", L, 3),
    Sym(340, "uparrow", 34),
    Sym(341, "Uparrow", 42),
    Sym(342, "downarrow", 35),
    Sym(343, "Downarrow", 43),
    Sym(344, "updownarrow", 108),
    Sym(345, "Updownarrow", 109),
    Sym(346, "nearrow", 37),
    Sym(347, "searrow", 38),
    Sym(348, "swarrow", 46),
    Sym(349, "nwarrow", 45),

    // Spacing codes: control bytes 5 to 11, none at levels 3 to 5 ...
    Space(400, "\x05", U::S0, 1, true),
    Space(401, "\x06", U::S1, 1, true),
    Space(402, "\x07", U::S2, 1, true),
    Space(403, "\x08", U::S3, 1, true),
    Space(404, "\x09", U::S4, 1, true),
    Space(405, "\x0A", U::S1, -1, true),
    Space(406, "\x0B", U::S2, -1, true),
    // ... and the punctuation commands.
    Space(407, ",", U::S2, 1, false),
    Space(408, ">", U::S3, 1, false),
    Space(409, ";", U::S4, 1, false),
    Space(410, "/", U::Zero, 1, false),
    Space(411, "<", U::S1, 1, false),
    Space(412, "*", U::S1, -1, false),
    Space(413, "!", U::S2, -1, false),
    Space(414, ":", U::S0, 1, false),
    Space(415, "hskip", U::Length, 1, false),

    // Negation prefixes with their stroke variant.
    Negation(500, "not", 1),
    Negation(501, "rnot", 0),
};

constexpr int kMaxSymbolNumber = 501;

template <class Row, size_t N>
constexpr std::array<uint16_t, N> SortedByName(const std::array<Row, N>& t) {
  std::array<uint16_t, N> idx{};
  for (size_t i = 0; i < N; ++i) idx[i] = static_cast<uint16_t>(i);
  std::sort(idx.begin(), idx.end(), [&t](uint16_t a, uint16_t b) { return t[a].name < t[b].name; });
  return idx;
}

template <class Row, size_t N>
constexpr bool NamesUnique(const std::array<Row, N>& t, const std::array<uint16_t, N>& idx) {
  for (size_t i = 1; i < N; ++i)
    if (t[idx[i - 1]].name == t[idx[i]].name || t[idx[i]].name.empty()) return false;
  return true;
}

// Bisection over the sorted index; -1 when absent.
template <class Row, size_t N>
int FindByName(const std::array<Row, N>& t, const std::array<uint16_t, N>& idx, std::string_view name) {
  auto it = std::lower_bound(idx.begin(), idx.end(), name,
                             [&t](uint16_t i, std::string_view n) { return t[i].name < n; });
  if (it == idx.end() || t[*it].name != name) return -1;
  return *it;
}

constexpr auto kSymbolsByName = SortedByName(kSymbols);
static_assert(NamesUnique(kSymbols, kSymbolsByName), "a symbol name is repeated");

constexpr auto kSymbolRowOfNumber = [] {
  std::array<int16_t, kMaxSymbolNumber + 1> a{};
  for (auto& v : a) v = -1;
  for (size_t i = 0; i < kSymbols.size(); ++i) {
    const int n = kSymbols[i].number;
    if (n < 0 || n > kMaxSymbolNumber || a[static_cast<size_t>(n)] != -1) throw "bad or repeated symbol number";
    a[static_cast<size_t>(n)] = static_cast<int16_t>(i);
  }
  return a;
}();

// Structure commands. lengroup/valgroup carry the group byte that
// GetCommandName appends; getmath + a capital is handled apart.
constexpr std::array kCommands{
    MathCommand{"sqr", 1, MathArgs::One},
    MathCommand{"frac", 2, MathArgs::Two},
    MathCommand{"uplow", 3, MathArgs::Three},
    MathCommand{"left", 4, MathArgs::DelimiterPair},
    MathCommand{"matrix", 5, MathArgs::One},
    MathCommand{"over", 6, MathArgs::Two},
    MathCommand{"under", 7, MathArgs::Two},
    MathCommand{"rm", 8, MathArgs::One},
    MathCommand{"dot", 9, MathArgs::One},
    MathCommand{"ddot", 10, MathArgs::One},
    MathCommand{"vec", 11, MathArgs::One},
    MathCommand{"bar", 12, MathArgs::One},
    MathCommand{"underline", 13, MathArgs::One},
    MathCommand{"cdots", 28, MathArgs::OptionalCount},
    MathCommand{"ldots", 29, MathArgs::OptionalCount},
    MathCommand{"vdots", 42, MathArgs::OptionalCount},
    MathCommand{"hat", 39, MathArgs::One},
    MathCommand{"Underline", 40, MathArgs::One},
    MathCommand{"lmatrix", 38, MathArgs::One},
    MathCommand{"lengroup\x01", 34, MathArgs::None},
    MathCommand{"valgroup\x01", 36, MathArgs::None},
    MathCommand{"framebox", 14, MathArgs::One},
    MathCommand{"arc", 15, MathArgs::One},
    MathCommand{"phantom", 16, MathArgs::One},
    MathCommand{"hphantom", 17, MathArgs::One},
    MathCommand{"vphantom", 18, MathArgs::One},
    MathCommand{"table", 19, MathArgs::One},
    MathCommand{"mathstrut", 20, MathArgs::One},
    MathCommand{"overbrace", 21, MathArgs::Two},
    MathCommand{"underbrace", 22, MathArgs::Two},
    MathCommand{"array", 23, MathArgs::One},
    MathCommand{"last", 24, MathArgs::One},
    MathCommand{"nroot", 25, MathArgs::Two},
    MathCommand{"dotsfilllast", 26, MathArgs::One},
    MathCommand{"linefilllast", 27, MathArgs::One},
    MathCommand{"cdotslen", 30, MathArgs::One},
    MathCommand{"ldotslen", 31, MathArgs::One},
    MathCommand{"cline", 32, MathArgs::One},
    MathCommand{"lline", 33, MathArgs::One},
    MathCommand{"rmatrix", 41, MathArgs::One},
    MathCommand{"lengroup\x02", 35, MathArgs::None},
    MathCommand{"valgroup\x02", 37, MathArgs::None},
};

constexpr std::string_view kGetMath = "getmath";
constexpr int kGetMathFirst = 100;  // getmathA; getmathZ is 125
constexpr MathCommand kGetMathRow{"getmath", kGetMathFirst, MathArgs::One};
constexpr int kMaxCommandNumber = 42;

constexpr auto kCommandsByName = SortedByName(kCommands);
static_assert(NamesUnique(kCommands, kCommandsByName), "a command name is repeated");

constexpr auto kCommandRowOfNumber = [] {
  std::array<int8_t, kMaxCommandNumber + 1> a{};
  for (auto& v : a) v = -1;
  for (size_t i = 0; i < kCommands.size(); ++i) {
    const int n = kCommands[i].number;
    if (n < 1 || n > kMaxCommandNumber || a[static_cast<size_t>(n)] != -1) throw "bad or repeated command number";
    a[static_cast<size_t>(n)] = static_cast<int8_t>(i);
  }
  return a;
}();

// The full-width letters drawn instead of the Greek symbols, by number.
struct Fallback {
  int16_t number;
  const char* utf8;
};
constexpr std::array kFallbacks{
    Fallback{100, "α"},
    Fallback{101, "β"},
    Fallback{102, "γ"},
    Fallback{103, "δ"},
    Fallback{105, "ζ"},
    Fallback{106, "η"},
    Fallback{107, "θ"},
    Fallback{108, "ι"},
    Fallback{109, "κ"},
    Fallback{110, "λ"},
    Fallback{111, "μ"},
    Fallback{112, "ν"},
    Fallback{113, "ξ"},
    Fallback{114, "π"},
    Fallback{115, "ρ"},
    Fallback{116, "σ"},
    Fallback{117, "τ"},
    Fallback{118, "υ"},
    Fallback{119, "φ"},
    Fallback{120, "χ"},
    Fallback{121, "ψ"},
    Fallback{122, "ω"},
    Fallback{123, "ε"},
    Fallback{128, "φ"},
    Fallback{154, "Α"},
    Fallback{155, "Β"},
    Fallback{156, "Γ"},
    Fallback{157, "Δ"},
    Fallback{158, "Ε"},
    Fallback{159, "Ζ"},
    Fallback{160, "Η"},
    Fallback{161, "Θ"},
    Fallback{162, "Ι"},
    Fallback{163, "Κ"},
    Fallback{164, "Λ"},
    Fallback{165, "Μ"},
    Fallback{166, "Ν"},
    Fallback{167, "Ξ"},
    Fallback{168, "Π"},
    Fallback{169, "Ρ"},
    Fallback{170, "Σ"},
    Fallback{171, "Τ"},
    Fallback{172, "Υ"},
    Fallback{173, "Φ"},
    Fallback{174, "Χ"},
    Fallback{175, "Ψ"},
    Fallback{176, "Ω"},
    Fallback{177, "Ο"},
};
static_assert(std::is_sorted(kFallbacks.begin(), kFallbacks.end(),
                             [](const Fallback& a, const Fallback& b) { return a.number < b.number; }));

}  // namespace

int GetEachTypeCommandNum(std::string_view name) {
  // Hashed once: every symbol of every formula is looked up, several times.
  static const auto byName = [] {
    std::unordered_map<std::string_view, int> m;
    m.reserve(2 * kSymbols.size());
    for (const MathSymbol& s : kSymbols) m.emplace(s.name, s.number);
    return m;
  }();
  const auto it = byName.find(name);
  return it == byName.end() ? -1 : it->second;
}

const MathSymbol* MathSymbolOf(int number) {
  if (number < 0 || number > kMaxSymbolNumber) return nullptr;
  const int row = kSymbolRowOfNumber[static_cast<size_t>(number)];
  return row < 0 ? nullptr : &kSymbols[static_cast<size_t>(row)];
}

std::span<const MathSymbol> MathSymbolTable() { return kSymbols; }

SymbolClass SymbolClassOf(int number) {
  if (!MathSymbolOf(number)) return SymbolClass::None;
  return static_cast<SymbolClass>(number / 100);
}

MathFontKind MathFontAtLevel(const MathSymbol& s, int styleLevel) {
  // The operator glyphs of the symbol font are too coarse at the two smallest sizes.
  if (s.number >= 200 && s.number <= 213 && styleLevel >= 4) return MathFontKind::SmallSymbol;
  return s.font;
}

std::optional<MathAtom> AtomClassOf(int number, MathAtom previous) {
  switch (SymbolClassOf(number)) {
    case SymbolClass::Function: return MathAtom::Op;
    case SymbolClass::Ordinary: return MathAtom::Ord;
    case SymbolClass::Infix: {
      // A sign with nothing on its left is a prefix.
      const bool sign = number == 205 || number == 206;
      const bool noLeft = previous == MathAtom::Start || previous == MathAtom::Rel || previous == MathAtom::Open ||
                          previous == MathAtom::Punct;
      return sign && noLeft ? MathAtom::Unary : MathAtom::Bin;
    }
    case SymbolClass::Relation: return MathAtom::Rel;
    case SymbolClass::Spacing: return MathAtom::Space;
    case SymbolClass::Negation: return MathAtom::Rel;
    case SymbolClass::None: break;
  }
  return std::nullopt;
}

int GetMathCommandNum(std::string_view name) {
  if (name.size() == kGetMath.size() + 1 && name.starts_with(kGetMath)) {
    const char c = name.back();
    return (c >= 'A' && c <= 'Z') ? kGetMathFirst + (c - 'A') : -1;
  }
  const int row = FindByName(kCommands, kCommandsByName, name);
  return row < 0 ? -1 : kCommands[static_cast<size_t>(row)].number;
}

const MathCommand* MathCommandOf(int number) {
  if (number >= kGetMathFirst && number <= kGetMathFirst + 25) return &kGetMathRow;
  if (number < 0 || number > kMaxCommandNumber) return nullptr;
  const int row = kCommandRowOfNumber[static_cast<size_t>(number)];
  return row < 0 ? nullptr : &kCommands[static_cast<size_t>(row)];
}

std::span<const MathCommand> MathCommandTable() { return kCommands; }

int KindOfKakko(char c) {
  switch (c) {
    case '(': return kKakkoParen;
    case '{': return kKakkoBrace;
    case '[': return kKakkoBracket;
    case '|': return kKakkoBar;
    case '.': return kKakkoNull;
    case ')': return kKakkoCloseParen;
    case '}': return kKakkoCloseBrace;
    case ']': return kKakkoCloseBracket;
    default: return kKakkoNone;
  }
}

std::string SmallCharFallback(int number) {
  // Converted once; the strings are two bytes and copy without allocating.
  static const auto converted = [] {
    std::array<std::string, kFallbacks.size()> a;
    for (size_t i = 0; i < a.size(); ++i) a[i] = utf8ToCp932(kFallbacks[i].utf8);
    return a;
  }();
  auto it = std::lower_bound(kFallbacks.begin(), kFallbacks.end(), number,
                             [](const Fallback& f, int n) { return f.number < n; });
  if (it == kFallbacks.end() || it->number != number) return {};
  return converted[static_cast<size_t>(it - kFallbacks.begin())];
}

std::string SmallCharFallbackOfChar(char c) {
  switch (c) {
    case '<': return SJ("＜");
    case '=': return SJ("＝");
    case '>': return SJ("＞");
    default: return {};
  }
}

}  // namespace vel
