#include "layout/fonts/Fonts.h"

#include <algorithm>
#include <cmath>

#include "base/Units.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

bool hasDoubleByte(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (isLead(s[i]) && i + 1 < s.size()) return true;
  return false;
}

// Sizes whose layout height an int cannot hold are refused by SetFontSize.
constexpr double kMaxSize = 2e9 * 72 / 10;

// The layout height of the current size and level, default pitch, metrics.
void ApplyHeight(State& st, int styleLevel) {
  SetBigNormalHeight(st, styleLevel);
  st.chr.font.height = static_cast<int>(std::clamp(st.font.layoutHeight, -2e9, 2e9));
  st.chr.font.pitch = 0;
  GetFontMetric(st);
}

// A face name installed nowhere is measured and drawn in a stand-in; the
// author hears of it once per run, from the pass that is kept (a first pass
// before the table of contents is typeset again) and never while drawing.
void ReportStandIn(State& st) {
  if (!st.canvas || st.draw.drawing || (st.pre.contentsRequested && !st.pre.contentsPassDone)) return;
  const std::string standIn = st.canvas->face(st.chr.font).standIn();
  if (standIn.empty()) return;
  std::vector<std::string>& seen = st.font.reportedFaces;
  if (std::find(seen.begin(), seen.end(), st.chr.font.name) != seen.end()) return;
  seen.push_back(st.chr.font.name);
  st.message("** " + SJ("フォント(") + st.chr.font.name + SJ(")がありません。") + standIn + SJ("で代用します。"));
}

}  // namespace

Font BaseFont(const State& st) {
  Font f;
  f.name = SJ("ＭＳ Ｐ明朝");
  f.charset = kShiftJisCharset;
  f.height = static_cast<int>(-(st.font.baseSize * 10.0 / 72.0));
  return f;
}

void SetBigNormalHeight(State& st, int level) {
  if (level < 0 || level > 5) level = 2;
  st.font.layoutHeight = -(st.chr.fontSize * 10.0 / 72.0 * st.font.mathSizeRatio[static_cast<size_t>(level)]);
  st.font.deviceHeight = st.font.layoutHeight * st.draw.scale;
  st.chr.styleLevel = level;
}

void GetFontMetric(State& st) {
  TextMetrics m = st.canvas ? st.canvas->metrics(st.chr.font) : TextMetrics{};
  st.font.ascent = m.ascent;
  st.font.descent = m.descent;
  st.font.charHeight = m.height;
  st.font.mathAxis = (m.ascent - m.height / 2.0) * 0.85;
}

void SetSkip(State& st) {
  double h = st.font.charHeight;
  if (h == st.font.skipFromHeight && st.chr.fontSize == st.font.ruleFromSize) return;
  st.font.skipFromHeight = h;
  st.font.ruleFromSize = st.chr.fontSize;
  st.font.skip = {h / 18, h / 12, h / 6, 2 * h / 9, 5 * h / 18, h / 2};
  st.font.ruleThickness = static_cast<int>(units::kPerInch * (st.chr.fontSize / units::kFontSizeScale) / 1270.0);
}

void SetFont(State& st, const Font& f, int styleLevel) {
  st.chr.font = f;
  ApplyHeight(st, styleLevel);
  SetSkip(st);
}

void SetFontName(State& st, std::string_view nameIn, int styleLevel) {
  std::string name = Trim(nameIn);
  if (name.empty()) {
    name = st.chr.font.name;
    if (st.chr.verticalFace) name.insert(name.begin(), '@');
  }
  if (st.font.tateMode == 1) {
    if (hasDoubleByte(name) && name[0] != '@') name.insert(name.begin(), '@');
  } else if (!name.empty() && name[0] == '@') {
    name.erase(0, 1);
  }
  // Vertical faces exist only as the horizontal face turned glyph by glyph.
  st.chr.verticalFace = !name.empty() && name[0] == '@';
  if (st.chr.verticalFace) name.erase(0, 1);
  st.chr.font.name = name;
  st.chr.font.charset = kDefaultCharset;
  ApplyHeight(st, styleLevel);
  ReportStandIn(st);
}

void SetFontSize(State& st, std::string_view textIn, int styleLevel) {
  std::string_view text = textIn;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  double size = 0;
  const char op = text.empty() ? '\0' : text.front();
  if (op == '*' || op == '+' || op == '-' || op == '/') {
    double v = Calc(st, text.substr(1));
    switch (op) {
      case '*': size = st.font.baseSize * v; break;
      case '+': size = st.font.baseSize + v * 2000; break;
      case '-': size = st.font.baseSize - v * 2000; break;
      default:
        if (v == 0) return;
        size = st.font.baseSize / v;
        break;
    }
  } else {
    size = Calc(st, text) * 2000;
  }
  if (!(size > 0) || !(size < kMaxSize)) return;
  // 10.3 to 10.6 points all become 10.6 (the sizes that documents write for "10.5").
  if (size >= 10.3 * 2000 && size <= 10.6 * 2000) size = 10.6 * 2000;
  st.chr.fontSize = size;
  ApplyHeight(st, styleLevel);
  SetSkip(st);
}

void SetFontStyle(State& st, std::string_view text, int styleLevel) {
  Font& f = st.chr.font;
  bool regular = text.find('n') != std::string_view::npos;
  f.bold = !regular && text.find('b') != std::string_view::npos;
  f.italic = !regular && text.find('i') != std::string_view::npos;
  f.underline = false;
  f.strikeOut = false;
  ApplyHeight(st, styleLevel);
}

void SetFontColor(State& st, std::string_view text) { st.chr.font.color = GetColor(st, text); }

void SetInclineFont(State& st, std::string_view face, int height, int charset, bool bold, int angleDeg) {
  Font f;
  f.name = std::string(face);
  f.height = height;
  f.charset = charset;
  f.bold = bold;
  f.escapement = angleDeg * 10;
  f.color = st.chr.font.color;
  st.chr.font = f;
}

bool GetInclinePoint(State& st, double x0, double y0, bool layout, int slot, double dy, double dx) {
  const double t = st.font.textRotationRad;
  double x = x0 + dx * std::cos(t) + dy * std::sin(t);
  double y = y0 - dx * std::sin(t) + dy * std::cos(t);
  if (!layout) {
    x *= st.draw.scale;
    y *= st.draw.scale;
  }
  x = std::trunc(x + 0.5);
  y = std::trunc(y + 0.5);
  if (slot < 0 || !(std::fabs(x) < 2147483648.0) || !(std::fabs(y) < 2147483648.0)) return false;
  return st.fig.points.set(static_cast<size_t>(slot), Point{static_cast<int>(x), static_cast<int>(y)});
}

Font CanvasFont(const State& st) {
  Font f = st.chr.font;
  if (st.chr.verticalFace) f.name.insert(f.name.begin(), '@');
  return f;
}

void SetVelFontInstalled(State& st, bool installed) { st.font.velFontInstalled = installed; }

Font RomanFont(const State& st) {
  Font f = st.chr.font;
  f.name = st.font.velFontInstalled ? "velr10" : "cmr10";
  f.charset = kDefaultCharset;
  return f;
}

bool UsesRomanFace(const State& st, uint16_t code) {
  return st.chr.alnumFontMode == 0 && code < 0x80 && (isAsciiLetter(static_cast<char>(code)) || isAsciiDigit(static_cast<char>(code)));
}

void ApplyDocumentStyleFont(State& st, const std::string& sizeText) {
  const double points = Calc(st, sizeText);
  if (!(points > 0 && std::isfinite(points))) return;
  st.font.baseSize = points * 2000;
  st.font.base = BaseFont(st);
  SetFont(st, st.font.base, 2);
  SetFontSize(st, sizeText, 2);
  st.font.docAscent = st.font.ascent;
  st.font.docDescent = st.font.descent;
  st.font.docCharHeight = st.font.charHeight;
}

}  // namespace vel
