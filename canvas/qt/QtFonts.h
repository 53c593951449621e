// Process-wide face metrics read from the font files themselves, and the
// fonts that draw those faces.
//
// Measuring works in design units straight from the file's tables (head,
// hhea, hmtx, OS/2, cmap): no hinting, no kerning, no paint device, so the
// screen, the printer, PDF output and measure-only surfaces agree exactly,
// and large layout heights never meet rasteriser size limits. Ascent and
// descent are the OS/2 win metrics, which is what the layout was built
// around (Qt's own metrics prefer the typo values for some fonts).
//
// Platform adaptation: the Japanese faces the documents were written for
// have a cell exactly one em tall, while the Japanese stand-ins here have
// win metrics 10 % taller (IPA: 1802 + 455 of 2048). A face with kana and
// kanji therefore gets a cell of one em, divided where its ideographic em
// box puts the baseline: the OS/2 typo ascender and descender when they
// span the em (as IPA's 1802 and 246 do), else 0.88 and 0.12 em. The
// character height H, the spacing units, "　" and 1ch then keep the
// proportions of the design.
//
// Characters a face lacks come from a Japanese face (Mincho for a serif
// face, Gothic for a sans-serif one), and failing that from any installed
// font that has them; they are measured and drawn in that face, as the
// platform's font linking does.
#pragma once

#include <QPainterPath>
#include <QRawFont>
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "canvas/Canvas.h"
#include "canvas/qt/FaceTable.h"

namespace vel {

struct SfntFile;
class CmapTable;

// One face (name, bold, italic) of the process-wide cache; lives as long as
// the process, so references to it stay valid.
class QtFace final : public FaceMetrics {
 public:
  QtFace(FaceFile file, std::shared_ptr<const SfntFile> font, bool bold, bool italic);
  ~QtFace() override;

  double unitsPerEm() const override;
  double ascentUnits() const override;
  double descentUnits() const override;
  // In this face's units, also for a character drawn by a fallback face.
  double advanceUnits(uint16_t code) const override;
  // Whether this face's own file has the character (a fallback face may
  // still draw it).
  bool hasGlyph(uint16_t code) const override;
  std::string standIn() const override;

  // The glyph a character code draws, in glyphFace(code); 0 (this face's
  // missing-glyph box) when no face has one.
  uint32_t glyphIndex(uint16_t code) const { return entry(code).glyph; }
  // The face whose glyph that is: this one, or a fallback face.
  const QtFace& glyphFace(uint16_t code) const { return *sources_[entry(code).source].load(std::memory_order_acquire); }

  const FaceFile& file() const { return file_; }
  bool bold() const { return bold_; }
  bool italic() const { return italic_; }
  // The Japanese face for the characters this one lacks (none for a
  // Japanese face).
  std::optional<JapaneseFallback> fallback() const { return fallback_; }

  // Underline: distance of its top below the baseline; strike-out: distance
  // of its top above the baseline; both with their thickness, design units.
  double underlineOffsetUnits() const;
  double underlineThicknessUnits() const;
  double strikeoutOffsetUnits() const;
  double strikeoutThicknessUnits() const;

  // The font that draws this face's glyph indexes at a pixel size. It is the
  // installed font from Qt's font database when that is the measured file
  // (PDF output then embeds it), otherwise the file loaded directly. Invalid
  // when no font file exists at all. Needs a QGuiApplication.
  QRawFont drawingFont(double pixelSize) const;
  // A glyph's outline at a size, kept: synthetic bold strokes every glyph
  // it draws, and loading an outline runs the font's hinting program.
  QPainterPath glyphOutline(double pixelSize, quint32 glyph) const;
  // Whether drawingFont() comes from Qt's font database.
  bool drawsWithInstalledFont() const;

 private:
  struct Entry {
    double advance = 0;  // this face's design units
    uint16_t glyph = 0;
    uint8_t source = 0;  // index into sources_
  };
  using Block = std::array<Entry, 256>;
  static constexpr size_t kMaxSources = 16;

  // This file's own glyph and advance for a code (the missing glyph's
  // advance when it has none); needs no lock.
  Entry ownEntry(uint16_t code) const;
  // The fallback for a code this face lacks; source 0 when none has it.
  // The installed fonts are searched only when `searchInstalled`: that
  // search is slow, so a block marks such codes pending and they are
  // searched when first used.
  Entry fallbackEntry(uint16_t code, bool searchInstalled) const;
  static constexpr uint8_t kPending = 0xFF;
  const Entry& pendingEntry(uint16_t code) const;
  uint8_t sourceIndex(const QtFace& f) const;

  const Entry& entry(uint16_t code) const {
    const Block* b = blocks_[code >> 8].load(std::memory_order_acquire);
    if (!b) b = fillBlock(code >> 8);
    const Entry& e = (*b)[code & 0xFF];
    return e.source == kPending ? pendingEntry(code) : e;
  }
  const Block* fillBlock(unsigned lead) const;
  void makeDrawingBase() const;

  FaceFile file_;
  std::shared_ptr<const SfntFile> font_;
  const bool bold_, italic_;  // the style asked for (fallback faces take it too)
  std::optional<JapaneseFallback> fallback_;
  std::unique_ptr<CmapTable> cmap_;
  std::unique_ptr<std::unordered_map<uint16_t, uint16_t>> vertical_;  // glyph -> vertical form

  mutable std::array<std::atomic<const Block*>, 256> blocks_{};
  mutable std::mutex fillMutex_;
  // Faces whose glyphs this one draws: [0] is itself; added under fillMutex_.
  mutable std::array<std::atomic<const QtFace*>, kMaxSources> sources_{};
  mutable size_t sourceCount_ = 1;
  mutable std::unordered_map<uint16_t, Entry> pending_;  // resolved pending codes, under fillMutex_

  mutable std::mutex drawMutex_;
  mutable bool drawBaseMade_ = false;
  mutable bool installed_ = false;
  mutable QRawFont drawBase_;
  mutable std::map<double, QRawFont> drawSizes_;
  mutable std::map<std::pair<double, quint32>, QPainterPath> outlines_;
};

class QtFonts {
 public:
  // The face for a CP932 face name and style; thread-safe, never fails.
  static const QtFace& face(std::string_view cp932Name, bool bold, bool italic);
  static const QtFace& face(const Font& f) { return face(f.name, f.bold, f.italic); }
};

}  // namespace vel
