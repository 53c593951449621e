// The vocabulary of formulas: every symbol name and control code that may
// stand in math, the number it is known by and the glyph that draws it;
// the structure commands; the delimiter kinds; the full-width letters of
// the small-character fallback.
//
// Everything here is a pure function of its argument over constant tables,
// so the layout may call it per atom: lookups bisect sorted arrays or index
// by number and never allocate. The hundreds digit of a symbol number is
// its class, and spacing is decided by that class alone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vel {

// Atom classes of the spacing pass, with the numbers its table uses.
enum class MathAtom : int8_t {
  Start = -1,
  Ord = 0,
  Op = 1,
  Bin = 2,
  Rel = 3,
  Open = 4,
  Close = 5,
  Space = 6,
  Punct = 7,
  Inner = 8,
  Unary = 10,
};

// The hundreds digit of a symbol number.
enum class SymbolClass : int8_t {
  None = -1,      // not a symbol
  Function = 0,   // sin, lim ...: upright names
  Ordinary = 1,   // letters, miscellaneous symbols, big operators
  Infix = 2,      // binary operators
  Relation = 3,   // relations and arrows
  Spacing = 4,    // spacing codes and \hskip
  Negation = 5,   // \not, \rnot
};

// Which math font a glyph is taken from; the style level picks the size.
enum class MathFontKind : uint8_t {
  SmallSymbol = 0,
  Roman = 1,
  MathItalic = 2,
  Symbol = 3,
  Extension = 4,
  Typewriter = 5,
  TextItalic = 6,
};

// How a symbol's box is found.
enum class MathMetric : uint8_t {
  Letter,         // the font's text metrics, text width
  Symbol,         // height E, centred on the axis
  BigOperator,    // height 1.35 E, centred
  Integral,       // height 2.25 E, width 1.7 x text width, centred
  SingleArrow,    // height 0.4 E, centred (two glyphs when secondCode is set)
  DoubleArrow,    // height 0.52 E, centred
  FunctionName,   // its own name in the roman font, letter metrics
  LimitFunction,  // the same, box = ascent and descent; scripts go above and below
  Drawn,          // no glyph: drawn by `op` with `variant`
  AsLetter,       // replaced by the letter `code` before spacing (\omicron)
  Spacing,        // a horizontal space of `space` units, nothing drawn
  Negation,       // nothing drawn; strikes through the next relation
};

// The operations that draw the signs without a glyph.
enum class MathDrawOp : uint8_t { None, WriteAngle, WriteThereforFor, WriteCraftRels, WriteLongArrow };

// Spacing units of the math fonts: s0 = E/18, s1 = E/12, s2 = E/6,
// s3 = 2E/9, s4 = 5E/18, s5 = E/2; Zero is no width, Length the braced
// length after \hskip.
enum class MathSpaceUnit : uint8_t { S0, S1, S2, S3, S4, S5, Zero, Length };

struct MathSymbol {
  std::string_view name;  // letters, or one control byte
  int16_t number = -1;
  MathMetric metric = MathMetric::Letter;
  MathFontKind font = MathFontKind::MathItalic;
  uint8_t code = 0;        // character code in `font` (first glyph of a long arrow)
  uint8_t charset = 0;     // 0, or 77 for the capital Greek drawn as Latin capitals
  float widthFactor = 1;   // applied to the measured width
  float drawShift = 0;     // drawn this fraction of the scaled width further left (cdot)
  uint8_t widthCode = 0;   // width measured on this code instead of `code`; 0: none
  uint8_t secondCode = 0;  // the second glyph of a long single arrow; 0: none
  MathDrawOp op = MathDrawOp::None;
  uint8_t variant = 0;     // of `op`; for negations the stroke variant
  MathSpaceUnit space = MathSpaceUnit::Zero;
  int8_t spaceSign = 1;
  bool spaceOnlyLarge = false;  // the space is 0 at style levels 3 to 5
};

// The symbol number of a name (the letters after a backslash, or one
// control byte), or -1. Exact and case-sensitive: no name matches a
// prefix or an extension of another.
int GetEachTypeCommandNum(std::string_view name);

// The row of a symbol number; nullptr for numbers without one.
const MathSymbol* MathSymbolOf(int number);

// Every row, in the order of the vocabulary's definition.
std::span<const MathSymbol> MathSymbolTable();

SymbolClass SymbolClassOf(int number);

// The font a symbol is drawn in at a style level (1 to 5): the infix
// operators 200 to 213 take the small symbol font at levels 4 and 5.
MathFontKind MathFontAtLevel(const MathSymbol& s, int styleLevel);

// The box height of a metric class in units of the cell height E (0 for
// the classes measured otherwise), and the factor on the text width.
constexpr double MetricHeightFactor(MathMetric m) {
  switch (m) {
    case MathMetric::Symbol: return 1.0;
    case MathMetric::BigOperator: return 1.35;
    case MathMetric::Integral: return 2.25;
    case MathMetric::SingleArrow: return 0.4;
    case MathMetric::DoubleArrow: return 0.52;
    default: return 0.0;
  }
}
constexpr double MetricWidthFactor(MathMetric m) { return m == MathMetric::Integral ? 1.7 : 1.0; }

// The atom class a symbol takes after an atom of class `previous`: Op for
// function names, Ord, Bin (\pm and \mp Unary at the start and after Rel,
// Open or Punct), Rel, Space. A negation prefix gives Rel, the class of the
// pair it forms with the relation after it; a prefix with no relation
// after it is passed over by the caller. Empty for numbers without a row.
std::optional<MathAtom> AtomClassOf(int number, MathAtom previous);

// Structure commands.
enum class MathArgs : uint8_t {
  None,            // lengroup/valgroup markers
  One,
  Two,
  Three,           // uplow: nucleus, superscript, subscript
  OptionalCount,   // cdots, ldots, vdots: a count in braces may follow
  DelimiterPair,   // left: a delimiter, the content, \right and its delimiter
};

struct MathCommand {
  std::string_view name;
  int16_t number = -1;
  MathArgs args = MathArgs::One;
};

// The structure command number of a command name as GetCommandName reads
// it (lengroup/valgroup with their marker byte, getmath with its capital
// letter), or -1.
int GetMathCommandNum(std::string_view name);
// The row of a structure number (100 to 125 share the getmath row).
const MathCommand* MathCommandOf(int number);
std::span<const MathCommand> MathCommandTable();

// Delimiter kinds, the shape codes of the stretchable delimiters.
enum KakkoKind : int {
  kKakkoNone = 0,
  kKakkoParen = 1,
  kKakkoBrace = 2,
  kKakkoBracket = 3,
  kKakkoBar = 4,
  kKakkoNull = 5,
  kKakkoCloseParen = 6,
  kKakkoCloseBrace = 7,
  kKakkoCloseBracket = 8,
  kKakkoOverbrace = 9,   // passed by the layout for \overbrace only
  kKakkoUnderbrace = 10,  // for \underbrace only
};

// The delimiter kind of one character; 0 for any other.
int KindOfKakko(char c);

// The full-width CP932 letter drawn instead of a Greek symbol when small
// characters are replaced; empty for other numbers.
std::string SmallCharFallback(int number);
// "＜", "＝", "＞" for "<", "=", ">"; empty for other characters.
std::string SmallCharFallbackOfChar(char c);

}  // namespace vel
