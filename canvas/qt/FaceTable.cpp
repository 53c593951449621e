#include "canvas/qt/FaceTable.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "base/Cp932.h"

namespace vel {

namespace {

struct Entry {
  const char* name;  // UTF-8, compared after normalisation
  const char* family;
  bool italic;
  bool japanese;
  GlyphEncoding encoding;
  int fallback;  // a JapaneseFallback, or -1 for the Japanese faces themselves
};

constexpr GlyphEncoding U = GlyphEncoding::Unicode;
constexpr GlyphEncoding T = GlyphEncoding::TeX;
constexpr GlyphEncoding X = GlyphEncoding::TeXText;
constexpr int M = int(JapaneseFallback::Mincho);
constexpr int G = int(JapaneseFallback::Gothic);
constexpr int F = int(JapaneseFallback::FixedGothic);

// Proportional Mincho must stay proportional (kana narrower than an em,
// "、" half an em): IPAPMincho, not IPAex or Noto CJK.
const Entry kEntries[] = {
    {"ＭＳ Ｐ明朝", "IPAPMincho", false, true, U, -1},
    {"MS PMincho", "IPAPMincho", false, true, U, -1},
    {"ＭＳ 明朝", "IPAMincho", false, true, U, -1},
    {"MS Mincho", "IPAMincho", false, true, U, -1},
    {"ＭＳ ゴシック", "IPAGothic", false, true, U, -1},
    {"MS Gothic", "IPAGothic", false, true, U, -1},
    {"ＭＳ Ｐゴシック", "IPAPGothic", false, true, U, -1},
    {"MS PGothic", "IPAPGothic", false, true, U, -1},
    {"Times New Roman", "Liberation Serif", false, false, U, M},
    {"Times New Roman Italic", "Liberation Serif", true, false, U, M},
    {"Arial", "Liberation Sans", false, false, U, G},
    {"Courier New", "Liberation Mono", false, false, U, F},
    {"cmr10", "cmr10", false, false, T, M},
    {"velr10", "cmr10", false, false, T, M},
    {"velr7", "cmr10", false, false, T, M},
    {"velr5", "cmr10", false, false, T, M},
    {"cmmi10", "cmmi10", false, false, T, M},
    {"velmi10", "cmmi10", false, false, T, M},
    {"velmi7", "cmmi10", false, false, T, M},
    {"velmi5", "cmmi10", false, false, T, M},
    {"cmsy10", "cmsy10", false, false, T, M},
    {"velsy10", "cmsy10", false, false, T, M},
    {"velsy7", "cmsy10", false, false, T, M},
    {"velsy5", "cmsy10", false, false, T, M},
    {"cmex10", "cmex10", false, false, T, M},
    {"velex10", "cmex10", false, false, T, M},
    {"veltt10", "CMU Typewriter Text", false, false, X, F},
    {"velti10", "CMU Serif", true, false, X, M},
    {"velti7", "CMU Serif", true, false, X, M},
    {"velti5", "CMU Serif", true, false, X, M},
};

// Generic families that fontconfig resolves to some installed font: a
// name, not a missing face.
constexpr const char* kGenericFamilies[] = {"serif", "sans-serif", "sans", "monospace", "mono"};

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

// What fontconfig answers for a family in a style, with the file's path
// made canonical.
struct FcAnswer {
  bool matched = false;
  std::vector<std::string> families;  // every family name of the match
  FaceFile file;                      // its path, family, style, index and the file's own style
};

// Kept per question: the design sizes of a formula's faces are one family,
// and each question costs fontconfig its whole rule set.
const FcAnswer& ask(const std::string& family, bool japanese, bool bold, bool italic) {
  static auto* known = new std::map<std::tuple<std::string, bool, bool, bool>, FcAnswer>;
  auto [it, fresh] = known->try_emplace({family, japanese, bold, italic});
  FcAnswer& a = it->second;
  if (!fresh) return a;
  FcPattern* pat = FcPatternCreate();
  if (!family.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  if (japanese) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return a;
  a.matched = true;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    if (name) a.families.emplace_back(reinterpret_cast<const char*>(name));
  FaceFile& f = a.file;
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
  return a;
}

// The file fontconfig gives for a choice; `found` tells whether the name
// is installed at all.
FaceFile match(const FaceChoice& c, bool bold, bool italic, bool& found) {
  auto chosen = [&c](FaceFile f) {
    f.encoding = c.encoding;
    f.vertical = c.vertical;
    f.fallback = c.fallback;
    return f;
  };
  found = true;

  std::lock_guard<std::mutex> lock(fcMutex());
  const FcAnswer& a = ask(c.family, c.japanese, bold, italic);
  if (!a.matched) return chosen({});

  // A name that is no table entry, no generic family and none of the
  // match's family names is installed nowhere.
  found = c.listed || c.family.empty();
  for (const char* g : kGenericFamilies) found = found || normalise(c.family) == g;
  // Family names compare as fontconfig compares them: without blanks or case.
  auto compact = [](std::string_view v) {
    std::string out;
    for (char ch : normalise(v))
      if (ch != ' ') out += ch;
    return out;
  };
  const std::string wanted = compact(c.family);
  for (const std::string& name : a.families) found = found || compact(name) == wanted;
  if (!found) return chosen({});

  FaceFile f = chosen(a.file);
  f.synthBold = bold && !f.fileBold;
  f.synthItalic = italic && !f.fileItalic;
  if (isTexFamily(f.family)) f.encoding = GlyphEncoding::TeX;
  return f;
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
      c.listed = true;
      if (e.fallback >= 0) c.fallback = JapaneseFallback(e.fallback);
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
  const FaceChoice c = choose(cp932Name);
  bool found = true;
  FaceFile f = match(c, bold, italic || c.forceItalic, found);
  if (found) return f;
  // Installed nowhere: the base face in the same style and direction.
  FaceFile standIn = match(choose(standInName()), bold, italic || c.forceItalic, found);
  standIn.vertical = c.vertical;
  standIn.standIn = true;
  return standIn;
}

std::string FaceTable::fallbackName(JapaneseFallback f, bool vertical) {
  std::string name = vertical ? "@" : "";
  switch (f) {
    case JapaneseFallback::Mincho: return name + utf8ToCp932("ＭＳ Ｐ明朝");
    case JapaneseFallback::Gothic: return name + utf8ToCp932("ＭＳ Ｐゴシック");
    case JapaneseFallback::FixedGothic: return name + utf8ToCp932("ＭＳ ゴシック");
  }
  return name;
}

std::string FaceTable::standInName() { return utf8ToCp932("ＭＳ Ｐ明朝"); }

std::string FaceTable::familyWithCharacter(char32_t u, bool sans) {
  std::lock_guard<std::mutex> lock(fcMutex());
  static std::map<std::pair<char32_t, bool>, std::string>* known = new std::map<std::pair<char32_t, bool>, std::string>;
  auto it = known->find({u, sans});
  if (it != known->end()) return it->second;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(sans ? "sans-serif" : "serif"));
  FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, FcChar32(u));
  FcPatternAddCharSet(pat, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* m = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  std::string family;
  FcCharSet* has = nullptr;
  // The best match need not have the character: only one that has it counts.
  if (m && FcPatternGetCharSet(m, FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetHasChar(has, FcChar32(u)))
    family = fcString(m, FC_FAMILY);
  if (m) FcPatternDestroy(m);
  known->emplace(std::make_pair(u, sans), family);
  return family;
}

char32_t texTextToUnicode(uint8_t p) {
  // Positions 0-32 and the few printable ones that differ from ASCII.
  static constexpr char32_t kLow[33] = {
      0x0393, 0x0394, 0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A5, 0x03A6, 0x03A8, 0x03A9,
      0xFB00, 0xFB01, 0xFB02, 0xFB03, 0xFB04, 0x0131, 0x0237, 0x0060, 0x00B4, 0x02C7, 0x02D8,
      0x00AF, 0x02DA, 0x00B8, 0x00DF, 0x00E6, 0x0153, 0x00F8, 0x00C6, 0x0152, 0x00D8, 0x0020};
  if (p <= 32) return kLow[p];
  switch (p) {
    case 0x22: return 0x201D;
    case 0x3C: return 0x00A1;
    case 0x3E: return 0x00BF;
    case 0x5C: return 0x201C;
    case 0x5E: return 0x02C6;
    case 0x5F: return 0x02D9;
    case 0x60: return 0x2018;
    case 0x7B: return 0x2013;
    case 0x7C: return 0x2014;
    case 0x7D: return 0x02DD;
    case 0x7E: return 0x02DC;
    case 0x7F: return 0x00A8;
    default: return p < 0x80 ? p : 0;
  }
}

}  // namespace vel
