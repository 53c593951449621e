// The current font and its metrics: selecting fonts, the layout and device
// heights of the style levels, the spacing units, rotated text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/State.h"

namespace vel {

// Makes the current font a copy of f at the style level and refreshes the
// metrics and spacing units.
void SetFont(State& st, const Font& f, int styleLevel);
// Stores the layout and device heights of the level; it becomes current.
void SetBigNormalHeight(State& st, int level);
// Ascent, descent and cell height of the current font, and the math axis.
void GetFontMetric(State& st);
// The six spacing units from the cell height, and the text rule thickness.
void SetSkip(State& st);

// \fontname: the face, with the "@" rule of vertical writing. A vertical
// face is selected by its horizontal name with st.chr.verticalFace set.
// An empty name keeps the current face.
void SetFontName(State& st, std::string_view name, int styleLevel);
// \fontsize: absolute points, or "*", "+", "-", "/" and an expression
// applied to the base size.
void SetFontSize(State& st, std::string_view text, int styleLevel);
// \fontstyle: "n" regular, else "b" bold and "i" italic.
void SetFontStyle(State& st, std::string_view text, int styleLevel);
// \fontcolor: the colour syntax of GetColor.
void SetFontColor(State& st, std::string_view text);

// Replaces the current font by `face` turned by angleDeg degrees (the
// escapement is in tenths of a degree), bold or regular.
void SetInclineFont(State& st, std::string_view face, int height, int charset, bool bold, int angleDeg);
// Turns the offset (dx, dy) by the text rotation about (x0, y0) and stores
// the point in `slot` of the shared point array: layout units when
// `layout`, else device pixels. False when the slot or the point is out of range.
bool GetInclinePoint(State& st, double x0, double y0, bool layout, int slot, double dy, double dx);

// \documentstyle's base size (the size text as written): the base font and
// the current font take it, as \fontsize would set it (so 10.3 to 10.6
// points are set as 10.6), and the document's metrics are kept.
void ApplyDocumentStyleFont(State& st, const std::string& sizeText);

// The base font: "ＭＳ Ｐ明朝", Japanese character set, at the base size.
Font BaseFont(const State& st);

// The current font as the canvas takes it: a vertical face by its "@" name
// (the canvas turns the full-width glyphs of such a face).
Font CanvasFont(const State& st);

// Start-up: the program's own fonts (velr10 and the math faces) are in use.
void SetVelFontInstalled(State& st, bool installed = true);
// The roman face for Latin letters and digits: "velr10" (or "cmr10" when
// the own fonts are not in use), default character set, the current
// font's height, style and colour.
Font RomanFont(const State& st);
// True when the character is set in RomanFont: alphanumeric font mode 0
// and an ASCII letter or digit.
bool UsesRomanFace(const State& st, uint16_t code);

}  // namespace vel
