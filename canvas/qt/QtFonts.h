// Process-wide face metrics read from the font files themselves, and the
// fonts that draw those faces.
//
// Measuring works in design units straight from the file's tables (head,
// hhea, hmtx, OS/2, cmap): no hinting, no kerning, no paint device, so the
// screen, the printer, PDF output and measure-only surfaces agree exactly,
// and large layout heights never meet rasteriser size limits. Ascent and
// descent are the OS/2 win metrics, which is what the layout was built
// around (Qt's own metrics prefer the typo values for some fonts).
#pragma once

#include <QRawFont>
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "canvas/Canvas.h"
#include "canvas/qt/FaceTable.h"

namespace vel {

struct SfntFile;

// One face (name, bold, italic) of the process-wide cache; lives as long as
// the process, so references to it stay valid.
class QtFace final : public FaceMetrics {
 public:
  QtFace(FaceFile file, std::shared_ptr<const SfntFile> font);
  ~QtFace() override;

  double unitsPerEm() const override;
  double ascentUnits() const override;
  double descentUnits() const override;
  double advanceUnits(uint16_t code) const override;
  bool hasGlyph(uint16_t code) const override;

  // The glyph a character code draws; 0 (the missing-glyph box) when the
  // font has none.
  uint32_t glyphIndex(uint16_t code) const { return entry(code).glyph; }

  const FaceFile& file() const { return file_; }

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
  // Whether drawingFont() comes from Qt's font database.
  bool drawsWithInstalledFont() const;

 private:
  struct Entry {
    uint16_t glyph = 0;
    uint16_t advance = 0;
  };
  using Block = std::array<Entry, 256>;

  const Entry& entry(uint16_t code) const {
    const Block* b = blocks_[code >> 8].load(std::memory_order_acquire);
    if (!b) b = fillBlock(code >> 8);
    return (*b)[code & 0xFF];
  }
  const Block* fillBlock(unsigned lead) const;
  void makeDrawingBase() const;

  FaceFile file_;
  std::shared_ptr<const SfntFile> font_;

  mutable std::array<std::atomic<const Block*>, 256> blocks_{};
  mutable std::mutex fillMutex_;
  mutable std::unique_ptr<std::unordered_map<uint16_t, uint16_t>> vertical_;  // glyph -> vertical form

  mutable std::mutex drawMutex_;
  mutable bool drawBaseMade_ = false;
  mutable bool installed_ = false;
  mutable QRawFont drawBase_;
  mutable std::map<double, QRawFont> drawSizes_;
};

class QtFonts {
 public:
  // The face for a CP932 face name and style; thread-safe, never fails.
  static const QtFace& face(std::string_view cp932Name, bool bold, bool italic);
  static const QtFace& face(const Font& f) { return face(f.name, f.bold, f.italic); }
};

}  // namespace vel
