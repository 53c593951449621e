// Face names as documents write them (CP932: "ＭＳ Ｐ明朝", "cmr10",
// "velmi10", ...) resolved to installed font files. The system faces that
// documents name and the program's own math faces have no files of those
// names here, so a table maps them to stand-ins with the same role; any
// other name goes to fontconfig as it is. A name installed nowhere is
// replaced by the base Japanese face (and the file says so), as a missing
// face is on the system the documents were written for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vel {

// How a face's one-byte codes reach its glyphs.
enum class GlyphEncoding {
  Unicode,  // CP932 code -> Unicode -> cmap
  TeX,      // the byte is a TeX position, re-encoded for the font's cmap (texPositionToCmapCode)
  TeXText,  // the byte is a position of the TeX text layout, drawn from a Unicode cmap (texTextToUnicode)
};

// The Japanese face that draws the characters a face lacks: Mincho for a
// serif face, Gothic for a sans-serif one, fixed-pitch Gothic for a
// fixed-pitch one.
enum class JapaneseFallback { Mincho, Gothic, FixedGothic };

// The stand-in chosen for a face name, before any file is looked up.
struct FaceChoice {
  std::string family;  // family asked of fontconfig (UTF-8)
  bool forceItalic = false;  // the name itself means an italic face ("Times New Roman Italic")
  bool japanese = false;     // prefer a Japanese font when the family is missing
  GlyphEncoding encoding = GlyphEncoding::Unicode;
  bool vertical = false;  // the name began with "@": full-width glyphs turned for vertical writing
  bool listed = false;    // one of the table's names
  std::optional<JapaneseFallback> fallback;  // known from the table
};

// A font file resolved for a face name and style.
struct FaceFile {
  std::string path;      // empty when no font at all could be found
  int index = 0;         // face index inside a collection file
  std::string family;    // family of the file (as fontconfig and Qt know it)
  std::string style;     // style name of the file ("Regular", "Bold Italic", ...)
  bool fileBold = false;    // the file itself is a bold design
  bool fileItalic = false;  // the file itself is italic or oblique
  bool synthBold = false;   // bold asked for but the file is not: embolden when drawing
  bool synthItalic = false; // italic asked for but the file is not: slant when drawing
  GlyphEncoding encoding = GlyphEncoding::Unicode;
  bool vertical = false;
  // The name is installed nowhere: the file is that of kStandInFace.
  bool standIn = false;
  std::optional<JapaneseFallback> fallback;  // known from the table

  bool operator==(const FaceFile&) const = default;
};

class FaceTable {
 public:
  // The stand-in for a CP932 face name (a leading "@" is noted and dropped;
  // Latin names compare without regard to case).
  static FaceChoice choose(std::string_view cp932Name);
  // The file for a face name in a style, through fontconfig. Never fails:
  // an unknown family yields fontconfig's default font; with no font
  // installed at all, path is empty.
  static FaceFile resolve(std::string_view cp932Name, bool bold, bool italic);

  // The CP932 name of a Japanese fallback face ("@" first for vertical writing).
  static std::string fallbackName(JapaneseFallback f, bool vertical);
  // The face that replaces a name installed nowhere (CP932): the base face.
  static std::string standInName();
  // The family of an installed font that has the character, preferring a
  // Japanese one of the kind asked for; empty when no font has it.
  static std::string familyWithCharacter(char32_t u, bool sans);
};

// The character code under which the TeX-encoded fonts of this system hold
// TeX position p: 0xA1+p for 0-9, 0xA3+p for 10-32, 0xC4 for 127, p otherwise.
inline uint32_t texPositionToCmapCode(uint8_t p) {
  if (p <= 9) return 0xA1u + p;
  if (p <= 32) return 0xA3u + p;
  if (p == 127) return 0xC4u;
  return p;
}

// The character at position p of the TeX text layout (the italic and
// typewriter math faces address their glyphs so); 0 for none.
char32_t texTextToUnicode(uint8_t p);

}  // namespace vel
