#include "canvas/qt/QtFonts.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <cctype>
#include <cmath>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "base/Cp932.h"

namespace vel {

namespace {

uint16_t u16(const QByteArray& d, qsizetype at) {
  if (at < 0 || at + 2 > d.size()) return 0;
  return uint16_t((uint8_t(d[at]) << 8) | uint8_t(d[at + 1]));
}
int16_t s16(const QByteArray& d, qsizetype at) { return int16_t(u16(d, at)); }
uint32_t u32(const QByteArray& d, qsizetype at) {
  if (at < 0 || at + 4 > d.size()) return 0;
  return (uint32_t(u16(d, at)) << 16) | u16(d, at + 2);
}

QByteArray readAt(QFile& f, qint64 offset, qint64 length) {
  if (length <= 0 || !f.seek(offset)) return {};
  return f.read(length);
}

}  // namespace

// A character-to-glyph subtable of the cmap (formats 0, 4, 6 and 12).
class CmapTable {
 public:
  CmapTable() = default;
  CmapTable(QByteArray cmap, qsizetype at, bool symbol) : d_(std::move(cmap)), at_(at), symbol_(symbol) {
    format_ = u16(d_, at_);
  }
  bool valid() const { return format_ == 0 || format_ == 4 || format_ == 6 || format_ == 12; }

  uint32_t glyph(uint32_t c) const {
    uint32_t g = lookup(c);
    // Symbol-encoded fonts keep their one-byte codes at U+F0xx.
    if (!g && symbol_ && c < 0x100) g = lookup(0xF000 + c);
    return g;
  }

 private:
  uint32_t lookup(uint32_t c) const {
    switch (format_) {
      case 0: {
        qsizetype i = at_ + 6 + qsizetype(c);
        return c < 256 && i < d_.size() ? uint8_t(d_[i]) : 0;
      }
      case 4:
        return format4(c);
      case 6: {
        uint16_t first = u16(d_, at_ + 6), count = u16(d_, at_ + 8);
        if (c < first || c >= uint32_t(first) + count) return 0;
        return u16(d_, at_ + 10 + 2 * (c - first));
      }
      case 12: {
        uint32_t groups = u32(d_, at_ + 12);
        uint32_t lo = 0, hi = groups;
        while (lo < hi) {
          uint32_t mid = (lo + hi) / 2;
          qsizetype g = at_ + 16 + qsizetype(mid) * 12;
          uint32_t start = u32(d_, g), end = u32(d_, g + 4);
          if (c < start) hi = mid;
          else if (c > end) lo = mid + 1;
          else return u32(d_, g + 8) + (c - start);
        }
        return 0;
      }
    }
    return 0;
  }

  uint32_t format4(uint32_t c) const {
    if (c > 0xFFFF) return 0;
    int segs = u16(d_, at_ + 6) / 2;
    qsizetype ends = at_ + 14, starts = ends + 2 * segs + 2, deltas = starts + 2 * segs, ranges = deltas + 2 * segs;
    int lo = 0, hi = segs;
    while (lo < hi) {  // first segment whose end >= c
      int mid = (lo + hi) / 2;
      if (u16(d_, ends + 2 * mid) < c) lo = mid + 1;
      else hi = mid;
    }
    if (lo >= segs) return 0;
    uint16_t start = u16(d_, starts + 2 * lo);
    if (c < start) return 0;
    uint16_t delta = u16(d_, deltas + 2 * lo);
    uint16_t range = u16(d_, ranges + 2 * lo);
    if (range == 0) return uint16_t(c + delta);
    uint16_t g = u16(d_, ranges + 2 * lo + range + 2 * (c - start));
    return g ? uint16_t(g + delta) : 0;
  }

  QByteArray d_;
  qsizetype at_ = 0;
  uint16_t format_ = 0xFFFF;
  bool symbol_ = false;
};

namespace {

// Which cmap subtable serves an encoding: lower is better, -1 unusable.
int cmapRank(uint16_t platform, uint16_t encoding, uint16_t format, GlyphEncoding want) {
  bool full = format == 12;
  bool bmp = format == 4 || format == 6 || format == 0;
  if (!full && !bmp) return -1;
  bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
  if (unicode) {
    // The TeX re-encoding lives in the BMP table; a full table is the same
    // mapping at worst.
    if (want == GlyphEncoding::TeX) return bmp ? 0 : 1;
    return full ? 0 : 1;
  }
  if (platform == 3 && encoding == 0) return 2;  // symbol
  if (platform == 1 && encoding == 0) return 3;  // Mac Roman: ASCII at least
  return -1;
}

}  // namespace

// The tables measuring needs, read once per font file.
struct SfntFile {
  double unitsPerEm = 1000;
  double ascent = 800, descent = 200;
  double underlineOffset = 100, underlineThickness = 50;
  double strikeoutOffset = 250, strikeoutThickness = 50;
  QByteArray head;
  QByteArray hmtx;
  uint16_t numHMetrics = 0;
  QByteArray cmap;
  QByteArray gsub;
  QByteArray panose;         // the OS/2 PANOSE classification (10 bytes)
  bool fixedPitch = false;   // post.isFixedPitch
  bool japanese = false;     // has kana and kanji

  bool loaded = false;

  static std::shared_ptr<SfntFile> load(const std::string& path, int index) {
    auto s = std::make_shared<SfntFile>();
    if (path.empty()) return s;
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return s;
    QByteArray header = readAt(f, 0, 12);
    qint64 dirAt = 0;
    if (header.startsWith("ttcf")) {
      uint32_t count = u32(header, 8);
      if (index < 0 || uint32_t(index) >= count) index = 0;
      dirAt = u32(readAt(f, 12 + 4 * qint64(index), 4), 0);
      header = readAt(f, dirAt, 12);
    }
    uint16_t numTables = u16(header, 4);
    QByteArray dir = readAt(f, dirAt + 12, qint64(numTables) * 16);
    QByteArray hhea, os2, post;
    for (int i = 0; i < numTables; ++i) {
      QByteArray tag = dir.mid(i * 16, 4);
      qint64 off = u32(dir, i * 16 + 8), len = u32(dir, i * 16 + 12);
      if (tag == "head") s->head = readAt(f, off, len);
      else if (tag == "hhea") hhea = readAt(f, off, len);
      else if (tag == "hmtx") s->hmtx = readAt(f, off, len);
      else if (tag == "OS/2") os2 = readAt(f, off, len);
      else if (tag == "post") post = readAt(f, off, len);
      else if (tag == "cmap") s->cmap = readAt(f, off, len);
      else if (tag == "GSUB") s->gsub = readAt(f, off, len);
    }
    if (s->head.size() < 54 || hhea.size() < 36 || s->hmtx.size() < 4) return s;

    uint16_t upm = u16(s->head, 18);
    s->unitsPerEm = upm ? upm : 1000;
    s->numHMetrics = u16(hhea, 34);
    if (os2.size() >= 78 && u16(os2, 74) + u16(os2, 76) > 0) {
      s->ascent = u16(os2, 74);
      s->descent = u16(os2, 76);
    } else {
      s->ascent = s16(hhea, 4);
      s->descent = -s16(hhea, 6);
    }
    if (s->ascent + s->descent <= 0) {
      s->ascent = 0.8 * s->unitsPerEm;
      s->descent = 0.2 * s->unitsPerEm;
    }
    if (os2.size() >= 42) s->panose = os2.mid(32, 10);
    if (post.size() >= 16) s->fixedPitch = u32(post, 12) != 0;
    const CmapTable unicode = s->cmapFor(GlyphEncoding::Unicode);
    s->japanese = unicode.valid() && unicode.glyph(0x3042) && unicode.glyph(0x6F22);  // "あ", "漢"
    if (s->japanese) {
      // A cell of one em, split where the ideographic em box puts the baseline.
      const double typoAscent = os2.size() >= 72 ? s16(os2, 68) : 0, typoDescent = os2.size() >= 72 ? -s16(os2, 70) : 0;
      if (typoAscent > 0 && typoDescent >= 0 && std::fabs(typoAscent + typoDescent - s->unitsPerEm) < 1) {
        s->ascent = typoAscent;
        s->descent = typoDescent;
      } else {
        s->ascent = 0.88 * s->unitsPerEm;
        s->descent = 0.12 * s->unitsPerEm;
      }
    }
    if (post.size() >= 12) {
      // post gives the centre of the underline; the drawn bar hangs from its top.
      double thick = u16(post, 10);
      if (thick <= 0) thick = s->unitsPerEm / 20;
      s->underlineThickness = thick;
      s->underlineOffset = -s16(post, 8) - thick / 2;
    } else {
      s->underlineThickness = s->unitsPerEm / 20;
      s->underlineOffset = s->unitsPerEm / 10;
    }
    if (os2.size() >= 30 && u16(os2, 26) > 0) {
      s->strikeoutThickness = u16(os2, 26);
      s->strikeoutOffset = s16(os2, 28);
    } else {
      s->strikeoutThickness = s->underlineThickness;
      s->strikeoutOffset = s->unitsPerEm / 4;
    }
    s->loaded = true;
    return s;
  }

  uint16_t advance(uint32_t glyph) const {
    if (numHMetrics == 0) return 0;
    uint32_t i = glyph < numHMetrics ? glyph : numHMetrics - 1u;
    return u16(hmtx, qsizetype(i) * 4);
  }

  CmapTable cmapFor(GlyphEncoding want) const {
    int best = -1;
    qsizetype bestAt = 0;
    bool bestSymbol = false;
    uint16_t n = u16(cmap, 2);
    for (int i = 0; i < n; ++i) {
      uint16_t platform = u16(cmap, 4 + 8 * i), encoding = u16(cmap, 6 + 8 * i);
      qsizetype at = u32(cmap, 8 + 8 * i);
      int rank = cmapRank(platform, encoding, u16(cmap, at), want);
      if (rank >= 0 && (best < 0 || rank < best)) {
        best = rank;
        bestAt = at;
        bestSymbol = platform == 3 && encoding == 0;
      }
    }
    if (best < 0) return {};
    return CmapTable(cmap, bestAt, bestSymbol);
  }

  // The vertical forms of glyphs: the single substitutions of the GSUB
  // features "vrt2" (or, without it, "vert"), the forms vertical writing
  // draws (brackets, small kana, the long-vowel bar, punctuation).
  std::unordered_map<uint16_t, uint16_t> verticalForms() const {
    std::unordered_map<uint16_t, uint16_t> forms;
    const QByteArray& g = gsub;
    if (g.size() < 10) return forms;
    const qsizetype features = u16(g, 6), lookups = u16(g, 8);
    std::vector<uint16_t> chosen;
    for (const char* want : {"vrt2", "vert"}) {
      uint16_t n = u16(g, features);
      for (int i = 0; i < n; ++i) {
        qsizetype rec = features + 2 + 6 * i;
        if (g.mid(rec, 4) != want) continue;
        qsizetype feature = features + u16(g, rec + 4);
        uint16_t count = u16(g, feature + 2);
        for (int k = 0; k < count; ++k) chosen.push_back(u16(g, feature + 4 + 2 * k));
      }
      if (!chosen.empty()) break;
    }
    const uint16_t lookupCount = u16(g, lookups);
    for (uint16_t index : chosen) {
      if (index >= lookupCount) continue;
      qsizetype lookup = lookups + u16(g, lookups + 2 + 2 * index);
      uint16_t type = u16(g, lookup), subtables = u16(g, lookup + 4);
      for (int k = 0; k < subtables; ++k) {
        qsizetype sub = lookup + u16(g, lookup + 6 + 2 * k);
        uint16_t subType = type;
        if (type == 7) {  // extension: the real subtable lies further on
          subType = u16(g, sub + 2);
          sub += u32(g, sub + 4);
        }
        if (subType == 1) addSingleSubstitutions(sub, forms);
      }
    }
    return forms;
  }

 private:
  void addSingleSubstitutions(qsizetype sub, std::unordered_map<uint16_t, uint16_t>& forms) const {
    const QByteArray& g = gsub;
    uint16_t format = u16(g, sub);
    qsizetype coverage = sub + u16(g, sub + 2);
    auto substitute = [&](uint16_t glyph, uint32_t coverageIndex) {
      if (format == 1) forms.emplace(glyph, uint16_t(glyph + s16(g, sub + 4)));
      else if (format == 2 && coverageIndex < u16(g, sub + 4)) forms.emplace(glyph, u16(g, sub + 6 + 2 * coverageIndex));
    };
    uint16_t covFormat = u16(g, coverage), count = u16(g, coverage + 2);
    if (covFormat == 1) {
      for (uint32_t i = 0; i < count; ++i) substitute(u16(g, coverage + 4 + 2 * i), i);
    } else if (covFormat == 2) {
      for (int r = 0; r < count; ++r) {
        qsizetype rec = coverage + 4 + 6 * r;
        uint16_t start = u16(g, rec), end = u16(g, rec + 2), first = u16(g, rec + 4);
        for (uint32_t glyph = start; glyph <= end; ++glyph) substitute(uint16_t(glyph), first + (glyph - start));
      }
    }
  }
};

namespace {

bool containsWord(std::string family, const char* word) {
  for (char& c : family) c = char(std::tolower(static_cast<unsigned char>(c)));
  return family.find(word) != std::string::npos;
}

// The Japanese face for a Latin face: from its PANOSE class (sans-serif
// styles 11-13, monospaced proportion 9) and its post table, else its name.
JapaneseFallback classify(const FaceFile& file, const SfntFile& font) {
  const QByteArray& p = font.panose;
  const bool latinText = p.size() == 10 && p[0] == 2;
  if (font.fixedPitch || (latinText && p[3] == 9)) return JapaneseFallback::FixedGothic;
  if ((latinText && p[1] >= 11 && p[1] <= 13) || containsWord(file.family, "sans") ||
      containsWord(file.family, "gothic"))
    return JapaneseFallback::Gothic;
  return JapaneseFallback::Mincho;
}

}  // namespace

QtFace::QtFace(FaceFile file, std::shared_ptr<const SfntFile> font, bool bold, bool italic)
    : file_(std::move(file)), font_(std::move(font)), bold_(bold), italic_(italic) {
  sources_[0].store(this, std::memory_order_release);
  if (!font_->loaded) return;
  if (file_.fallback) fallback_ = file_.fallback;
  else if (!font_->japanese) fallback_ = classify(file_, *font_);
  cmap_ = std::make_unique<CmapTable>(font_->cmapFor(file_.encoding));
  // A vertical face draws the vertical forms but keeps the advances of
  // the horizontal ones, so both variants measure alike.
  if (file_.vertical)
    vertical_ = std::make_unique<std::unordered_map<uint16_t, uint16_t>>(font_->verticalForms());
}

QtFace::~QtFace() {
  for (auto& b : blocks_) delete b.load();
}

double QtFace::unitsPerEm() const { return font_->unitsPerEm; }
double QtFace::ascentUnits() const { return font_->ascent; }
double QtFace::descentUnits() const { return font_->descent; }

double QtFace::advanceUnits(uint16_t code) const {
  if (!font_->loaded) return code > 0xFF ? 1000 : 500;
  return entry(code).advance;
}

bool QtFace::hasGlyph(uint16_t code) const {
  const Entry& e = entry(code);
  return e.source == 0 && e.glyph != 0;
}

std::string QtFace::standIn() const { return file_.standIn ? FaceTable::standInName() : std::string(); }

double QtFace::underlineOffsetUnits() const { return font_->underlineOffset; }
double QtFace::underlineThicknessUnits() const { return font_->underlineThickness; }
double QtFace::strikeoutOffsetUnits() const { return font_->strikeoutOffset; }
double QtFace::strikeoutThicknessUnits() const { return font_->strikeoutThickness; }

QtFace::Entry QtFace::ownEntry(uint16_t code) const {
  Entry e;
  if (!font_->loaded) return e;
  uint32_t g = 0;
  if (cmap_ && cmap_->valid()) {
    if (file_.encoding == GlyphEncoding::TeX) {
      if (code <= 0xFF) g = cmap_->glyph(texPositionToCmapCode(uint8_t(code)));
    } else if (file_.encoding == GlyphEncoding::TeXText && code <= 0xFF) {
      if (char32_t u = texTextToUnicode(uint8_t(code))) g = cmap_->glyph(u);
    } else if (char32_t u = cp932ToUnicode(code)) {
      g = cmap_->glyph(u);
    }
  }
  if (g > 0xFFFF) g = 0;
  // Codes that are no character (a lead byte alone, a bad trail byte)
  // still measure: as the missing glyph, the way they would draw.
  e.advance = font_->advance(g);
  if (vertical_ && code > 0xFF)
    if (auto v = vertical_->find(uint16_t(g)); v != vertical_->end()) g = v->second;
  e.glyph = uint16_t(g);
  return e;
}

uint8_t QtFace::sourceIndex(const QtFace& f) const {
  for (size_t i = 0; i < sourceCount_; ++i)
    if (sources_[i].load(std::memory_order_relaxed) == &f) return uint8_t(i);
  if (sourceCount_ >= kMaxSources) return 0;
  sources_[sourceCount_].store(&f, std::memory_order_release);
  return uint8_t(sourceCount_++);
}

QtFace::Entry QtFace::fallbackEntry(uint16_t code, bool searchInstalled) const {
  const char32_t u = cp932ToUnicode(code);
  // The one-byte codes of a TeX face are positions, not characters.
  if (!u || (file_.encoding != GlyphEncoding::Unicode && code <= 0xFF)) return {};
  auto take = [&](const QtFace& f) -> Entry {
    if (&f == this) return {};
    Entry e = f.ownEntry(code);
    if (!e.glyph) return {};
    e.source = sourceIndex(f);
    if (!e.source) return {};
    e.advance *= unitsPerEm() / f.unitsPerEm();
    return e;
  };
  if (fallback_) {
    Entry e = take(QtFonts::face(FaceTable::fallbackName(*fallback_, file_.vertical), bold_, italic_));
    if (e.source) return e;
  }
  if (!searchInstalled) return Entry{0, 0, kPending};
  const bool sans = fallback_ ? *fallback_ != JapaneseFallback::Mincho : containsWord(file_.family, "gothic");
  const std::string family = FaceTable::familyWithCharacter(u, sans);
  if (family.empty()) return {};
  return take(QtFonts::face((file_.vertical ? "@" : "") + utf8ToCp932(family), bold_, italic_));
}

const QtFace::Entry& QtFace::pendingEntry(uint16_t code) const {
  std::lock_guard<std::mutex> lock(fillMutex_);
  if (auto it = pending_.find(code); it != pending_.end()) return it->second;
  Entry e = ownEntry(code);
  if (Entry f = fallbackEntry(code, true); f.source) e = f;
  return pending_.emplace(code, e).first->second;
}

const QtFace::Block* QtFace::fillBlock(unsigned lead) const {
  std::lock_guard<std::mutex> lock(fillMutex_);
  if (const Block* b = blocks_[lead].load(std::memory_order_acquire)) return b;
  auto block = std::make_unique<Block>();
  if (font_->loaded) {
    for (unsigned trail = 0; trail < 256; ++trail) {
      const uint16_t code = uint16_t((lead << 8) | trail);
      Entry e = ownEntry(code);
      if (!e.glyph)
        if (Entry f = fallbackEntry(code, false); f.source) e = f.source == kPending ? Entry{e.advance, 0, kPending} : f;
      (*block)[trail] = e;
    }
  }
  const Block* b = block.release();
  blocks_[lead].store(b, std::memory_order_release);
  return b;
}

void QtFace::makeDrawingBase() const {
  drawBaseMade_ = true;
  if (!font_->loaded || !QGuiApplication::instance()) return;
  const double reference = 100;
  // Ask Qt's database for exactly the design the file has: the synthetic
  // styles are drawn by the canvas itself, identically on every device.
  QFont qf(QString::fromStdString(file_.family));
  if (!file_.style.empty()) qf.setStyleName(QString::fromStdString(file_.style));
  qf.setWeight(file_.fileBold ? QFont::Bold : QFont::Normal);
  qf.setItalic(file_.fileItalic);
  qf.setPixelSize(int(reference));
  qf.setKerning(false);
  qf.setHintingPreference(QFont::PreferNoHinting);
  qf.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
  QRawFont installed = QRawFont::fromFont(qf);
  // The head table carries a whole-file checksum: equal tables mean the
  // same font file as the one measured.
  if (installed.isValid() && installed.fontTable("head") == font_->head) {
    drawBase_ = installed;
    installed_ = true;
    return;
  }
  drawBase_ = QRawFont(QString::fromStdString(file_.path), reference, QFont::PreferNoHinting);
  if (!drawBase_.isValid() || drawBase_.fontTable("head") != font_->head) {
    // A face inside a collection that Qt cannot load by path: the installed
    // font is the nearest thing.
    if (installed.isValid()) {
      drawBase_ = installed;
      installed_ = true;
    }
  }
}

QRawFont QtFace::drawingFont(double pixelSize) const {
  std::lock_guard<std::mutex> lock(drawMutex_);
  if (!drawBaseMade_) makeDrawingBase();
  if (!drawBase_.isValid() || !(pixelSize > 0)) return {};
  auto it = drawSizes_.find(pixelSize);
  if (it != drawSizes_.end()) return it->second;
  // Each size keeps its own glyph cache; a page uses a handful of sizes,
  // zooming and printing add a few more.
  if (drawSizes_.size() >= 48) drawSizes_.clear();
  QRawFont r = drawBase_;
  r.setPixelSize(pixelSize);
  drawSizes_.emplace(pixelSize, r);
  return r;
}

QPainterPath QtFace::glyphOutline(double pixelSize, quint32 glyph) const {
  const QRawFont raw = drawingFont(pixelSize);
  std::lock_guard<std::mutex> lock(drawMutex_);
  const auto key = std::make_pair(pixelSize, glyph);
  if (auto it = outlines_.find(key); it != outlines_.end()) return it->second;
  if (outlines_.size() >= 4096) outlines_.clear();
  return outlines_.emplace(key, raw.pathForGlyph(glyph)).first->second;
}

bool QtFace::drawsWithInstalledFont() const {
  std::lock_guard<std::mutex> lock(drawMutex_);
  if (!drawBaseMade_) makeDrawingBase();
  return installed_;
}

namespace {

// Face keys compared as views, so that a lookup needs no copy of the name
// (one compiler's library does not compare tuples of unlike types).
struct FaceKeyLess {
  using is_transparent = void;
  using Key = std::tuple<std::string, bool, bool>;
  using View = std::tuple<std::string_view, bool, bool>;
  static View view(const Key& k) { return {std::get<0>(k), std::get<1>(k), std::get<2>(k)}; }
  static View view(const View& v) { return v; }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return view(a) < view(b);
  }
};

}  // namespace

const QtFace& QtFonts::face(std::string_view cp932Name, bool bold, bool italic) {
  using Key = FaceKeyLess::Key;
  using View = FaceKeyLess::View;
  // Never destroyed: faces hold Qt fonts, which must not outlive the
  // application object during static destruction.
  static std::mutex mutex;
  static auto* owned = new std::vector<std::unique_ptr<QtFace>>;
  static auto* faces = new std::map<Key, const QtFace*, FaceKeyLess>;
  static std::map<std::pair<std::string, int>, std::shared_ptr<const SfntFile>>* files =
      new std::map<std::pair<std::string, int>, std::shared_ptr<const SfntFile>>;

  std::lock_guard<std::mutex> lock(mutex);
  // Looked up without copying the name: asked for glyph by glyph.
  auto it = faces->find(View{cp932Name, bold, italic});
  if (it != faces->end()) return *it->second;
  Key key{std::string(cp932Name), bold, italic};

  FaceFile file = FaceTable::resolve(cp932Name, bold, italic);
  // Names that come to the same file in the same style (a formula's design
  // sizes scaled from one file) share one face: one loading, one set of
  // advance tables.
  for (const auto& known : *owned)
    if (known->bold() == bold && known->italic() == italic && known->file() == file) {
      faces->emplace(std::move(key), known.get());
      return *known;
    }
  auto& data = (*files)[{file.path, file.index}];
  if (!data) data = SfntFile::load(file.path, file.index);
  const QtFace* face = owned->emplace_back(std::make_unique<QtFace>(std::move(file), data, bold, italic)).get();
  faces->emplace(std::move(key), face);
  return *face;
}

}  // namespace vel
