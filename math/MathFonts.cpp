#include "math/MathFonts.h"

#include <array>
#include <cmath>

#include "base/Cp932.h"
#include "layout/fonts/Fonts.h"

namespace vel {

namespace {

// The faces' stems and design sizes; the names are built once, as every
// glyph of a formula asks for one.
enum Stem : int { kSy, kR, kEx, kTt, kTi, kMi, kStems };
enum Size : int { k5, k7, k10, kSizes };

const std::string& Named(Stem stem, Size size) {
  static const auto names = [] {
    constexpr std::string_view stems[kStems] = {"sy", "r", "ex", "tt", "ti", "mi"};
    constexpr std::string_view sizes[kSizes] = {"5", "7", "10"};
    std::array<std::string, size_t{kStems} * kSizes> a;
    for (size_t t = 0; t < kStems; ++t)
      for (size_t z = 0; z < kSizes; ++z)
        a[t * kSizes + z] = "vel" + std::string(stems[t]) + std::string(sizes[z]);
    return a;
  }();
  return names[static_cast<size_t>(stem) * kSizes + static_cast<size_t>(size)];
}

// The design size a kind's name carries at a level: the font is always
// scaled to the level's size; the suffix only picks the design.
Size DesignSize(int level) { return level == 4 || level == 5 ? k5 : k10; }

Size SubstituteDesignSize(MathFontKind kind, int level) {
  if (level == 3) return k7;
  if (level == 4 || level == 5) return kind == MathFontKind::TextItalic ? k7 : k5;
  return k10;
}

}  // namespace

MathFontKind MathFontKindOf(int kind) {
  return kind >= 0 && kind <= 6 ? static_cast<MathFontKind>(kind) : MathFontKind::MathItalic;
}

MathFontChoice MathFontName(MathFontKind kind, int level, bool boldMath, bool substitute) {
  if (!substitute) {
    const Size size = DesignSize(level);
    switch (kind) {
      case MathFontKind::SmallSymbol: return {Named(kSy, k7)};
      case MathFontKind::Roman: return {Named(kR, size)};
      case MathFontKind::Symbol: return {Named(kSy, size)};
      case MathFontKind::Extension: return {Named(kEx, k10)};
      case MathFontKind::Typewriter: return {Named(kTt, k10)};
      case MathFontKind::TextItalic: return {Named(kTi, k10)};
      case MathFontKind::MathItalic: break;
    }
    return {boldMath && size == k10 ? Named(kMi, k7) : Named(kMi, size)};
  }
  const Size size = SubstituteDesignSize(kind, level);
  const bool small = level >= 3 && level <= 5;
  switch (kind) {
    case MathFontKind::Roman:
      if (small) return {SJ("ＭＳ Ｐ明朝"), true};
      return {Named(kR, size)};
    case MathFontKind::Symbol: return {Named(kSy, size)};
    case MathFontKind::Extension: return {Named(kEx, k10)};
    case MathFontKind::Typewriter: return {Named(kTt, k10)};
    case MathFontKind::TextItalic: return {Named(kTi, size)};
    case MathFontKind::SmallSymbol:
    case MathFontKind::MathItalic: break;
  }
  if (small) return {"Times New Roman Italic", true};
  return {boldMath ? Named(kMi, k7) : Named(kMi, size)};
}

void SetMathFont(State& st, MathFontKind kind, int level, bool substitutionAllowed) {
  const bool substitute = substitutionAllowed && st.settings && st.settings->smallCharPrintError;
  const MathFontChoice choice = MathFontName(kind, level, st.chr.boldMath, substitute);
  Font& f = st.chr.font;
  f.name = choice.name;
  f.charset = choice.substitute ? kDefaultCharset : kAnsiCharset;
  f.bold = st.chr.boldMath;
  f.italic = false;
  f.underline = false;
  f.strikeOut = false;
  f.pitch = 0;
  SetBigNormalHeight(st, level);
  f.height = static_cast<int>(std::trunc(std::clamp(st.font.layoutHeight, -2e9, 2e9)));
  if (choice.substitute) GetFontMetric(st);
  SetSkip(st);
}

void InclineTextOut(State& st, double x, double y, std::string_view text, double across, double along) {
  if (!st.canvas) return;
  // SetInclineFont's font (the current face at the device height, turned)
  // built over the current one and put back field by field: formulas draw
  // glyph by glyph, and the face name stays as it is.
  Font& f = st.chr.font;
  const int height = f.height, escapement = f.escapement, pitch = f.pitch;
  const bool italic = f.italic, underline = f.underline, strikeOut = f.strikeOut;
  f.height = static_cast<int>(std::trunc(st.font.deviceHeight));
  f.italic = f.underline = f.strikeOut = false;
  f.escapement = st.font.textRotationDeg * 10;
  f.pitch = 0;
  const double t = st.font.textRotationRad, S = st.draw.scale;
  const double dx = std::trunc(S * (x + std::cos(t) * along + std::sin(t) * across) + 0.5);
  const double dy = std::trunc(S * (y - std::sin(t) * along + std::cos(t) * across) + 0.5);
  if (std::fabs(dx) < 2e9 && std::fabs(dy) < 2e9) st.canvas->textOut(f, static_cast<int>(dx), static_cast<int>(dy), text);
  f.height = height;
  f.italic = italic;
  f.underline = underline;
  f.strikeOut = strikeOut;
  f.escapement = escapement;
  f.pitch = pitch;
}

}  // namespace vel
