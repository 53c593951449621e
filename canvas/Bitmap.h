// An off-screen 24-bit bitmap with row access, independent of any GUI
// toolkit. Pixels are stored top-down, blue-green-red, rows padded to four
// bytes (the layout device-independent bitmaps use, so a back end can wrap
// the memory without copying).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vel {

// The JPEG file a bitmap was decoded from: its bytes and its components
// (1 grey, 3 colour).
struct JpegSource {
  std::vector<uint8_t> bytes;
  int components = 3;
};

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, uint32_t fill = 0xFFFFFF) { resize(width, height, fill); }

  void resize(int width, int height, uint32_t fill = 0xFFFFFF);
  int width() const { return w_; }
  int height() const { return h_; }
  int stride() const { return stride_; }
  bool empty() const { return w_ <= 0 || h_ <= 0; }

  // Write access to the pixels (which forgets the JPEG source).
  uint8_t* row(int y) { dropSource(); return data_.data() + size_t(y) * stride_; }
  const uint8_t* row(int y) const { return data_.data() + size_t(y) * stride_; }
  uint8_t* data() { dropSource(); return data_.data(); }
  const uint8_t* data() const { return data_.data(); }

  // Colours in the engine's layout: red low byte, blue high byte.
  uint32_t pixel(int x, int y) const {
    const uint8_t* p = row(y) + 3 * x;
    return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
  }
  void setPixel(int x, int y, uint32_t c) {
    uint8_t* p = row(y) + 3 * x;  // forgets the JPEG source
    p[0] = uint8_t(c >> 16);
    p[1] = uint8_t(c >> 8);
    p[2] = uint8_t(c);
  }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

  // Windows bitmap files: 1, 4, 8, 16, 24 and 32 bits, uncompressed or
  // RLE8/RLE4, bottom-up or top-down. false (with a reason, the bitmap
  // left empty) on bad data: no image, an empty or truncated one, or one
  // with more than maxPixels pixels.
  static constexpr long long kMaxPixels = 64LL * 1024 * 1024;
  bool loadBmp(const std::string& path, std::string* error = nullptr, long long maxPixels = kMaxPixels);
  bool loadBmpBytes(const uint8_t* data, size_t size, std::string* error = nullptr,
                    long long maxPixels = kMaxPixels);
  bool saveBmp(const std::string& path) const;

  // The JPEG file the pixels were decoded from, while they are unchanged:
  // a surface that stores images (PDF) may keep the file's own data rather
  // than encode the pixels again. Any write to the pixels forgets it.
  const std::shared_ptr<const JpegSource>& jpegSource() const { return jpeg_; }
  void setJpegSource(std::shared_ptr<const JpegSource> source) { jpeg_ = std::move(source); }

 private:
  void dropSource() {
    if (jpeg_) jpeg_.reset();
  }
  bool loadBmpData(const uint8_t* data, size_t size, std::string* error, long long maxPixels);
  int w_ = 0, h_ = 0, stride_ = 0;
  std::vector<uint8_t> data_;
  std::shared_ptr<const JpegSource> jpeg_;
};

}  // namespace vel
