#include "canvas/qt/FaceTable.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <filesystem>
#include <mutex>

#include "base/Cp932.h"

namespace vel {

namespace {

struct Entry {
  const char* name;  // UTF-8, compared after normalisation
  const char* family;
  bool italic;
  bool japanese;
  GlyphEncoding encoding;
};

constexpr GlyphEncoding U = GlyphEncoding::Unicode;
constexpr GlyphEncoding T = GlyphEncoding::TeX;

// Proportional Mincho must stay proportional (kana narrower than an em,
// "、" half an em): IPAPMincho, not IPAex or Noto CJK.
const Entry kEntries[] = {
    {"ＭＳ Ｐ明朝", "IPAPMincho", false, true, U},
    {"MS PMincho", "IPAPMincho", false, true, U},
    {"ＭＳ 明朝", "IPAMincho", false, true, U},
    {"MS Mincho", "IPAMincho", false, true, U},
    {"ＭＳ ゴシック", "IPAGothic", false, true, U},
    {"MS Gothic", "IPAGothic", false, true, U},
    {"ＭＳ Ｐゴシック", "IPAPGothic", false, true, U},
    {"MS PGothic", "IPAPGothic", false, true, U},
    {"Times New Roman", "Liberation Serif", false, false, U},
    {"Times New Roman Italic", "Liberation Serif", true, false, U},
    {"Arial", "Liberation Sans", false, false, U},
    {"Courier New", "Liberation Mono", false, false, U},
    {"cmr10", "cmr10", false, false, T},
    {"velr10", "cmr10", false, false, T},
    {"velr7", "cmr10", false, false, T},
    {"velr5", "cmr10", false, false, T},
    {"cmmi10", "cmmi10", false, false, T},
    {"velmi10", "cmmi10", false, false, T},
    {"velmi7", "cmmi10", false, false, T},
    {"velmi5", "cmmi10", false, false, T},
    {"cmsy10", "cmsy10", false, false, T},
    {"velsy10", "cmsy10", false, false, T},
    {"velsy7", "cmsy10", false, false, T},
    {"velsy5", "cmsy10", false, false, T},
    {"cmex10", "cmex10", false, false, T},
    {"velex10", "cmex10", false, false, T},
    {"veltt10", "Liberation Mono", false, false, U},
    {"velti10", "Liberation Serif", true, false, U},
    {"velti7", "Liberation Serif", true, false, U},
    {"velti5", "Liberation Serif", true, false, U},
};

// Families whose files are TeX-encoded whatever name led to them.
bool isTexFamily(std::string_view family) {
  return family == "cmr10" || family == "cmmi10" || family == "cmsy10" || family == "cmex10";
}

// Trimmed, ideographic spaces as ASCII spaces, ASCII letters lower-cased:
// face names compare the way the system's font mapper compares them.
std::string normalise(std::string_view utf8) {
  std::string s;
  s.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.compare(i, 3, "\xE3\x80\x80") == 0) {
      s += ' ';
      i += 2;
      continue;
    }
    s += char(std::tolower(static_cast<unsigned char>(utf8[i])));
  }
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

bool hasNonAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::string fcString(FcPattern* p, const char* object) {
  FcChar8* v = nullptr;
  if (FcPatternGetString(p, object, 0, &v) == FcResultMatch && v) return reinterpret_cast<const char*>(v);
  return {};
}

std::mutex& fcMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

FaceChoice FaceTable::choose(std::string_view cp932Name) {
  FaceChoice c;
  std::string_view name = cp932Name;
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  if (!name.empty() && name.front() == '@') {
    c.vertical = true;
    name.remove_prefix(1);
  }
  std::string utf8 = cp932ToUtf8(name);
  std::string key = normalise(utf8);
  for (const Entry& e : kEntries) {
    if (normalise(e.name) == key) {
      c.family = e.family;
      c.forceItalic = e.italic;
      c.japanese = e.japanese;
      c.encoding = e.encoding;
      return c;
    }
  }
  size_t a = utf8.find_first_not_of(' ');
  size_t b = utf8.find_last_not_of(' ');
  c.family = a == std::string::npos ? std::string() : utf8.substr(a, b - a + 1);
  c.japanese = hasNonAscii(c.family);
  return c;
}

FaceFile FaceTable::resolve(std::string_view cp932Name, bool bold, bool italic) {
  FaceChoice c = choose(cp932Name);
  italic = italic || c.forceItalic;

  FaceFile f;
  f.encoding = c.encoding;
  f.vertical = c.vertical;

  std::lock_guard<std::mutex> lock(fcMutex());
  FcPattern* pat = FcPatternCreate();
  if (!c.family.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(c.family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  if (c.japanese) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return f;

  f.path = fcString(match, FC_FILE);
  f.family = fcString(match, FC_FAMILY);
  f.style = fcString(match, FC_STYLE);
  int index = 0;
  if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
  // fontconfig's own synthetic-style rules may have restyled the match
  // (weight set to bold with "embolden", slant to oblique with a shear
  // matrix); what the file itself is shows through those marks.
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcBool embolden = FcFalse;
  FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
  f.fileBold = weight >= FC_WEIGHT_DEMIBOLD && !embolden;
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  FcMatrix* matrix = nullptr;
  bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix && matrix->xy != 0;
  f.fileItalic = slant != FC_SLANT_ROMAN && !sheared;
  FcPatternDestroy(match);

  // One file under several names (distribution alternatives links) is
  // still one font.
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::canonical(f.path, ec);
  if (!ec) f.path = canonical.string();

  f.synthBold = bold && !f.fileBold;
  f.synthItalic = italic && !f.fileItalic;
  if (isTexFamily(f.family)) f.encoding = GlyphEncoding::TeX;
  return f;
}

}  // namespace vel
