#include "math/MathAtoms.h"

#include <array>
#include <cmath>
#include <iconv.h>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "layout/fonts/Fonts.h"
#include "math/MathDelimiters.h"
#include "math/MathFonts.h"
#include "math/MathSigns.h"

namespace vel {

namespace {

// One character through iconv, 0 when it has no form in the target.
uint32_t ConvertByte(iconv_t cd, const char* in, size_t inLen, size_t outLen) {
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  (void)iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[4] = {};
  char* ip = const_cast<char*>(in);
  char* op = buf;
  size_t il = inLen, ol = outLen;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return 0;
  uint32_t v = 0;
  for (size_t i = 0; i < outLen - ol; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(buf[i])) << (8 * i);
  return v;
}

std::array<uint8_t, 256> BuildPositions() {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = static_cast<uint8_t>(b);
  // Opened once: each opening loads the converters' modules again once the
  // last was closed, which cost a formula document a tenth of its run.
  const iconv_t toUnicode = iconv_open("UTF-32LE", "CP1252");
  const iconv_t toMac = iconv_open("MACINTOSH", "UTF-32LE");
  for (int b = 128; b < 256; ++b) {
    const char in = static_cast<char>(b);
    const uint32_t u = ConvertByte(toUnicode, &in, 1, 4);
    if (!u) continue;
    char uc[4];
    for (int i = 0; i < 4; ++i) uc[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    const uint32_t mac = ConvertByte(toMac, uc, 4, 1);
    if (mac >= 0x80) t[static_cast<size_t>(b)] = static_cast<uint8_t>(mac - 0x80);
  }
  for (iconv_t cd : {toUnicode, toMac})
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return t;
}

bool IsMathLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The punctuation bytes whose box is centred on the axis.
bool IsCentredPunct(unsigned char c) {
  return (c >= 33 && c <= 47) || (c >= 58 && c <= 63) || (c >= 91 && c <= 95) || (c >= 123 && c <= 126);
}

// Draws `glyphs` in the current (layout-height) font with the cell top at
// `top` below the axis, `along` from the pen.
void DrawGlyphs(State& st, const MathPen& pen, std::string_view glyphs, double top, double along = 0) {
  if (pen.draw) InclineTextOut(st, pen.x, pen.axis, glyphs, top, along);
}

// A glyph with letter metrics from its font's text metrics.
MathBox LetterBox(State& st, const MathPen& pen, std::string_view glyphs, bool centred) {
  const TextMetrics m = st.canvas->metrics(st.chr.font);
  MathBox b;
  b.width = st.canvas->textWidth(st.chr.font, glyphs);
  const int total = m.ascent + m.descent;
  b.height = centred ? total / 2 : static_cast<int>(m.ascent - pen.axisOffset);
  b.depth = total - b.height;
  DrawGlyphs(st, pen, glyphs, -b.height);
  return b;
}

// A box of height H centred on the axis.
MathBox Centred(int width, double H) {
  const int h = static_cast<int>(H);
  return {width, h / 2, h - h / 2};
}

std::string Glyph(uint8_t code) { return std::string(1, static_cast<char>(MathGlyphPosition(code))); }

}  // namespace

uint8_t MathGlyphPosition(uint8_t code) {
  // Position 127 (the dieresis) has no Mac Roman place a Windows-1252 byte
  // can name; the tables write it as 176.
  if (code == 176) return 127;
  static const std::array<uint8_t, 256> kPositions = BuildPositions();
  return kPositions[code];
}

std::string GreekCorrectionAfter(int number) {
  if (number < 100 || number > 120) return {};
  std::string s = "\\!";
  if ((number >= 103 && number <= 108) || number == 113) s += "\\*";
  if (number == 104) s += "\\,";
  if (number == 108) s += "\\!";
  return s;
}

void BeginMathSegment(State& st, MathPen& pen, int level) {
  pen.level = level;
  SetMathFont(st, MathFontKind::MathItalic, level, false);
  pen.E = st.canvas ? st.canvas->metrics(st.chr.font).height : 0;
  st.font.charHeight = pen.E;
  SetSkip(st);
}

double MathSpace(const State& st, const MathPen& pen, MathSpaceUnit unit) {
  const size_t k = static_cast<size_t>(unit);
  if (k > 5) return 0;
  return st.font.skip[k] * pen.ratio(st);
}

void AdvanceMathPen(State& st, MathPen& pen, int width) {
  const double t = st.font.textRotationRad;
  if (t == 0) {
    pen.x += width;
  } else {
    pen.x = std::trunc(std::cos(t) * width + pen.x);
    pen.axis = std::trunc(pen.axis - std::sin(t) * width);
  }
  if (pen.draw) st.draw.linePenX += width;
}

MathBox SetMathChar(State& st, MathPen& pen, char c) {
  if (!st.canvas) return {};
  const unsigned char u = static_cast<unsigned char>(c);
  if (c == '+' || c == '-') return WritePM(st, pen, c == '+');
  if (c == inband::kOpenBrace || c == inband::kCloseBrace || c == '|') {
    // Braces and bars in plain text: the drawn delimiters one E tall.
    const int kind = c == '|' ? kKakkoBar : c == inband::kOpenBrace ? kKakkoBrace : kKakkoCloseBrace;
    const double E = std::trunc(pen.E);
    const int w = Kakko(st, pen, pen.x, pen.axis - std::trunc(E / 2), pen.level, kind, E);
    return Centred(w, E);
  }
  if (c == '<' || c == '>') {
    SetMathFont(st, MathFontKind::MathItalic, pen.level, false);
    const std::string g(1, c);
    const MathBox b = Centred(st.canvas->textWidth(st.chr.font, g), std::trunc(pen.E));
    DrawGlyphs(st, pen, g, -std::trunc(pen.E) / 2);
    return b;
  }
  SetMathFont(st, IsMathLetter(c) ? MathFontKind::MathItalic : MathFontKind::Roman, pen.level, true);
  return LetterBox(st, pen, std::string(1, c), !IsMathLetter(c) && IsCentredPunct(u));
}

MathBox SetMathSymbol(State& st, MathPen& pen, const MathSymbol& s) {
  if (!st.canvas) return {};
  const double E = pen.E;
  switch (s.metric) {
    case MathMetric::FunctionName:
    case MathMetric::LimitFunction: {
      SetMathFont(st, MathFontKind::Roman, pen.level, true);
      const std::string name(s.name);
      if (s.metric == MathMetric::FunctionName) return LetterBox(st, pen, name, false);
      const TextMetrics m = st.canvas->metrics(st.chr.font);
      MathBox b{st.canvas->textWidth(st.chr.font, name), m.ascent, m.descent};
      DrawGlyphs(st, pen, name, -(m.ascent - pen.axisOffset));
      return b;
    }
    case MathMetric::Spacing: {
      if (s.spaceOnlyLarge && pen.level >= 3) return {};
      return {static_cast<int>(s.spaceSign * MathSpace(st, pen, s.space)), 0, 0};
    }
    case MathMetric::Negation: return {};
    case MathMetric::Drawn:
      switch (s.op) {
        case MathDrawOp::WriteAngle: return WriteAngle(st, pen);
        case MathDrawOp::WriteThereforFor: return WriteThereforFor(st, pen, s.variant);
        case MathDrawOp::WriteCraftRels: return WriteCraftRels(st, pen, s.variant);
        case MathDrawOp::WriteLongArrow: return WriteLongArrow(st, pen, s.variant);
        case MathDrawOp::None: return {};
      }
      return {};
    case MathMetric::AsLetter: return SetMathChar(st, pen, static_cast<char>(s.code));
    case MathMetric::Letter: {
      SetMathFont(st, MathFontAtLevel(s, pen.level), pen.level, false);
      MathBox b = LetterBox(st, pen, Glyph(s.code), false);
      const std::string taken = GreekCorrectionAfter(s.number);
      for (size_t k = 1; k < taken.size(); k += 2) {
        const MathSymbol* space = MathSymbolOf(GetEachTypeCommandNum(taken.substr(k, 1)));
        if (space) b.width -= static_cast<int>(space->spaceSign * MathSpace(st, pen, space->space));
      }
      return b;
    }
    default: break;
  }
  // The classes measured by a height in E, centred on the axis.
  SetMathFont(st, MathFontAtLevel(s, pen.level), pen.level, false);
  const double H = MetricHeightFactor(s.metric) * E;
  const std::string g = Glyph(s.code);
  const double textW = st.canvas->textWidth(st.chr.font, s.widthCode ? Glyph(s.widthCode) : g);
  double width = textW * MetricWidthFactor(s.metric) * s.widthFactor;
  MathBox b = Centred(static_cast<int>(width), H);
  if (s.metric == MathMetric::SingleArrow && s.secondCode) {
    // Long arrows: two glyphs side by side, the first shortened so they join.
    const double right = st.canvas->textWidth(st.chr.font, Glyph(33));
    const std::string g2 = Glyph(s.secondCode);
    const double w2 = st.canvas->textWidth(st.chr.font, g2);
    const bool leftFirst = s.code != 196;  // \longleftarrow and \longleftrightarrow open with a head
    const double first = leftFirst ? 0.8 * right : textW;
    const double second = leftFirst ? w2 : 0.8 * w2;
    b = Centred(static_cast<int>(first + second), H);
    DrawGlyphs(st, pen, g, -E / 2);
    DrawGlyphs(st, pen, g2, -E / 2, leftFirst ? first : textW - 0.2 * w2);
    return b;
  }
  double top = -b.height;
  // The big operators and integrals of the extension font hang from their
  // baseline by about H: the baseline stands H/2 above the axis so that
  // the sign is centred on it.
  if (s.metric == MathMetric::BigOperator || s.metric == MathMetric::Integral)
    top = -(H / 2 + st.canvas->metrics(st.chr.font).ascent);
  else if (s.metric == MathMetric::SingleArrow || s.metric == MathMetric::DoubleArrow) top = -E / 2;
  DrawGlyphs(st, pen, g, top, -s.drawShift * width);
  return b;
}

MathBox SetUprightText(State& st, MathPen& pen, std::string_view text) {
  if (!st.canvas || text.empty()) return {};
  // The roman face holds the letters and digits at their places; the
  // rest of the characters come from the Japanese face.
  const bool roman = IsMathLetter(text[0]) || (text[0] >= '0' && text[0] <= '9');
  if (!roman) {
    SetFontName(st, SJ("ＭＳ Ｐ明朝"), pen.level);
    st.chr.font.italic = false;
  } else {
    SetMathFont(st, MathFontKind::Roman, pen.level, true);
  }
  return LetterBox(st, pen, text, false);
}

}  // namespace vel
