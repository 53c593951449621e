#include "math/MathFonts.h"

#include <cmath>

#include "base/Cp932.h"
#include "layout/fonts/Fonts.h"

namespace vel {

namespace {

constexpr std::string_view kPrefix = "vel";

// The design size a kind's name carries at a level: the font is always
// scaled to the level's size; the suffix only picks the design.
std::string DesignSize(int level) { return level == 4 || level == 5 ? "5" : "10"; }

std::string SubstituteDesignSize(MathFontKind kind, int level) {
  if (level == 3) return "7";
  if (level == 4 || level == 5) return kind == MathFontKind::TextItalic ? "7" : "5";
  return "10";
}

std::string Named(std::string_view stem, const std::string& size) { return std::string(kPrefix) + std::string(stem) + size; }

}  // namespace

MathFontKind MathFontKindOf(int kind) {
  return kind >= 0 && kind <= 6 ? static_cast<MathFontKind>(kind) : MathFontKind::MathItalic;
}

MathFontChoice MathFontName(MathFontKind kind, int level, bool boldMath, bool substitute) {
  if (!substitute) {
    const std::string size = DesignSize(level);
    switch (kind) {
      case MathFontKind::SmallSymbol: return {Named("sy", "7")};
      case MathFontKind::Roman: return {Named("r", size)};
      case MathFontKind::Symbol: return {Named("sy", size)};
      case MathFontKind::Extension: return {Named("ex", "10")};
      case MathFontKind::Typewriter: return {Named("tt", "10")};
      case MathFontKind::TextItalic: return {Named("ti", "10")};
      case MathFontKind::MathItalic: break;
    }
    return {boldMath && size == "10" ? Named("mi", "7") : Named("mi", size)};
  }
  const std::string size = SubstituteDesignSize(kind, level);
  const bool small = level >= 3 && level <= 5;
  switch (kind) {
    case MathFontKind::Roman:
      if (small) return {SJ("ＭＳ Ｐ明朝"), true};
      return {Named("r", size)};
    case MathFontKind::Symbol: return {Named("sy", size)};
    case MathFontKind::Extension: return {Named("ex", "10")};
    case MathFontKind::Typewriter: return {Named("tt", "10")};
    case MathFontKind::TextItalic: return {Named("ti", size)};
    case MathFontKind::SmallSymbol:
    case MathFontKind::MathItalic: break;
  }
  if (small) return {"Times New Roman Italic", true};
  return {boldMath ? Named("mi", "7") : Named("mi", size)};
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
  const Font saved = st.chr.font;
  SetInclineFont(st, saved.name, static_cast<int>(std::trunc(st.font.deviceHeight)), saved.charset, saved.bold,
                 st.font.textRotationDeg);
  const double t = st.font.textRotationRad, S = st.draw.scale;
  const double dx = std::trunc(S * (x + std::cos(t) * along + std::sin(t) * across) + 0.5);
  const double dy = std::trunc(S * (y - std::sin(t) * along + std::cos(t) * across) + 0.5);
  if (std::fabs(dx) < 2e9 && std::fabs(dy) < 2e9)
    st.canvas->textOut(st.chr.font, static_cast<int>(dx), static_cast<int>(dy), text);
  st.chr.font = saved;
}

}  // namespace vel
