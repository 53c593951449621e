#include "Bitmap.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vel {

void Bitmap::resize(int width, int height, uint32_t fill) {
  dropSource();
  if (width <= 0 || height <= 0) {
    w_ = h_ = stride_ = 0;
    data_.clear();
    return;
  }
  w_ = width;
  h_ = height;
  stride_ = (w_ * 3 + 3) & ~3;
  const uint8_t b = uint8_t(fill >> 16), g = uint8_t(fill >> 8), r = uint8_t(fill);
  if (b == g && g == r) {
    data_.assign(size_t(stride_) * h_, b);
    return;
  }
  data_.assign(size_t(stride_) * h_, 0);
  for (int x = 0; x < w_; ++x) setPixel(x, 0, fill);
  for (int y = 1; y < h_; ++y) std::memcpy(row(y), row(0), size_t(stride_));
}

namespace {

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool fail(std::string* e, const char* why) {
  if (e) *e = why;
  return false;
}

// Position of the lowest set bit and the width of a channel mask (16/32-bit bitfields).
void maskShift(uint32_t mask, int& shift, int& bits) {
  shift = 0;
  bits = 0;
  if (!mask) return;
  while (!(mask & 1)) { mask >>= 1; ++shift; }
  while (mask & 1) { mask >>= 1; ++bits; }
}

uint8_t channel(uint32_t v, uint32_t mask, int shift, int bits) {
  if (!mask || bits == 0) return 0;
  uint64_t c = (v & mask) >> shift;
  uint64_t max = (bits >= 32) ? 0xFFFFFFFFu : ((uint64_t(1) << bits) - 1);
  return uint8_t((c * 255 + max / 2) / max);
}

}  // namespace

bool Bitmap::loadBmp(const std::string& path, std::string* error, long long maxPixels) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return loadBmpBytes(bytes.data(), bytes.size(), error, maxPixels);
}

bool Bitmap::loadBmpBytes(const uint8_t* d, size_t n, std::string* error, long long maxPixels) {
  if (!loadBmpData(d, n, error, maxPixels)) {
    resize(0, 0);
    return false;
  }
  return true;
}

bool Bitmap::loadBmpData(const uint8_t* d, size_t n, std::string* error, long long maxPixels) {
  if (n < 26 || d[0] != 'B' || d[1] != 'M') return fail(error, "not a bitmap");
  uint32_t offBits = le32(d + 10);
  uint32_t hdr = le32(d + 14);
  if (hdr < 12 || 14 + size_t(hdr) > n) return fail(error, "bad header");
  int64_t width, height;
  int bpp;
  uint32_t compression = 0, clrUsed = 0;
  if (hdr == 12) {  // OS/2 core header
    width = le16(d + 18);
    height = int16_t(le16(d + 20));
    bpp = le16(d + 24);
  } else {
    if (n < 14 + 40) return fail(error, "bad header");
    width = int32_t(le32(d + 18));
    height = int32_t(le32(d + 22));
    bpp = le16(d + 28);
    compression = le32(d + 30);
    clrUsed = le32(d + 46);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0) return fail(error, "empty bitmap");
  if (width > 32768 || height > 32768 || width * height > maxPixels) return fail(error, "bitmap too large");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return fail(error, "unsupported depth");

  // Palette.
  std::vector<uint32_t> pal;
  size_t palEntry = (hdr == 12) ? 3 : 4;
  if (bpp <= 8) {
    size_t count = clrUsed ? clrUsed : (size_t(1) << bpp);
    if (count > 256) count = 256;
    size_t start = 14 + hdr;
    for (size_t i = 0; i < count; ++i) {
      size_t p = start + i * palEntry;
      if (p + 3 > n) break;
      pal.push_back(uint32_t(d[p + 2]) | uint32_t(d[p + 1]) << 8 | uint32_t(d[p]) << 16);
    }
    if (pal.empty()) return fail(error, "missing palette");
  }

  // Bit-field masks.
  uint32_t rm = 0, gm = 0, bm = 0;
  if (bpp == 16) { rm = 0x7C00; gm = 0x03E0; bm = 0x001F; }
  if (bpp == 32) { rm = 0xFF0000; gm = 0xFF00; bm = 0xFF; }
  if (compression == 3 && (bpp == 16 || bpp == 32)) {
    size_t p = (hdr >= 52) ? 14 + 40 : 14 + hdr;
    if (p + 12 > n) return fail(error, "missing masks");
    rm = le32(d + p);
    gm = le32(d + p + 4);
    bm = le32(d + p + 8);
  } else if (compression != 0 && !(compression == 1 && bpp == 8) && !(compression == 2 && bpp == 4)) {
    return fail(error, "unsupported compression");
  }
  if (offBits >= n) return fail(error, "no pixel data");
  const size_t rowBytes = ((size_t(width) * bpp + 31) / 32) * 4;
  if (compression == 0 || compression == 3) {
    // Every row must be there (the last one need not be padded).
    size_t need = rowBytes * size_t(height - 1) + (size_t(width) * bpp + 7) / 8;
    if (n - offBits < need) return fail(error, "truncated bitmap");
  }

  resize(int(width), int(height), 0xFFFFFF);
  auto palColor = [&](unsigned idx) -> uint32_t { return idx < pal.size() ? pal[idx] : 0; };
  auto put = [&](int64_t x, int fileRow, uint32_t c) {
    int y = topDown ? fileRow : int(height) - 1 - fileRow;
    if (x >= 0 && x < w_ && y >= 0 && y < h_) setPixel(int(x), y, c);
  };

  const uint8_t* px = d + offBits;
  size_t avail = n - offBits;

  if (compression == 1 || compression == 2) {  // RLE8 / RLE4
    if (topDown) return fail(error, "top-down RLE bitmap");
    int64_t x = 0;  // runs past the row's end are dropped, however many
    int r = 0;
    size_t i = 0;
    bool rle4 = compression == 2, ended = false;
    while (i + 1 < avail && r < h_) {
      uint8_t a = px[i++], b = px[i++];
      if (a > 0) {
        for (int k = 0; k < a; ++k) {
          unsigned idx = rle4 ? ((k & 1) ? (b & 15) : (b >> 4)) : b;
          put(x++, r, palColor(idx));
        }
      } else if (b == 0) {
        x = 0;
        ++r;
      } else if (b == 1) {
        ended = true;
        break;
      } else if (b == 2) {
        if (i + 1 >= avail) break;
        x += px[i++];
        r += px[i++];
      } else {
        size_t bytes = rle4 ? (b + 1) / 2 : b;
        if (i + bytes > avail) break;
        for (int k = 0; k < b; ++k) {
          unsigned idx = rle4 ? ((k & 1) ? (px[i + k / 2] & 15) : (px[i + k / 2] >> 4)) : px[i + k];
          put(x++, r, palColor(idx));
        }
        i += bytes;
        if (i & 1) ++i;  // runs are word aligned
      }
    }
    // Data that stops before the end-of-bitmap code and the last row is cut off.
    if (!ended && r < h_ - 1) return fail(error, "truncated bitmap");
    return true;
  }

  int rs, rb, gs, gb, bs, bb;
  maskShift(rm, rs, rb);
  maskShift(gm, gs, gb);
  maskShift(bm, bs, bb);
  for (int r = 0; r < h_; ++r) {
    size_t off = size_t(r) * rowBytes;
    const uint8_t* p = px + off;
    for (int x = 0; x < w_; ++x) {
      uint32_t c;
      switch (bpp) {
        case 1: c = palColor((p[x >> 3] >> (7 - (x & 7))) & 1); break;
        case 4: c = palColor((x & 1) ? (p[x >> 1] & 15) : (p[x >> 1] >> 4)); break;
        case 8: c = palColor(p[x]); break;
        case 16: {
          uint32_t v = le16(p + 2 * x);
          c = uint32_t(channel(v, rm, rs, rb)) | uint32_t(channel(v, gm, gs, gb)) << 8 | uint32_t(channel(v, bm, bs, bb)) << 16;
          break;
        }
        case 24: c = uint32_t(p[3 * x + 2]) | uint32_t(p[3 * x + 1]) << 8 | uint32_t(p[3 * x]) << 16; break;
        default: {
          uint32_t v = le32(p + 4 * x);
          c = uint32_t(channel(v, rm, rs, rb)) | uint32_t(channel(v, gm, gs, gb)) << 8 | uint32_t(channel(v, bm, bs, bb)) << 16;
          break;
        }
      }
      put(x, r, c);
    }
  }
  return true;
}

bool Bitmap::saveBmp(const std::string& path) const {
  if (empty()) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  uint32_t imageSize = uint32_t(stride_) * h_;
  uint8_t h[54] = {};
  auto w32 = [&](int at, uint32_t v) { for (int k = 0; k < 4; ++k) h[at + k] = uint8_t(v >> (8 * k)); };
  h[0] = 'B';
  h[1] = 'M';
  w32(2, 54 + imageSize);
  w32(10, 54);
  w32(14, 40);
  w32(18, uint32_t(w_));
  w32(22, uint32_t(h_));
  h[26] = 1;
  h[28] = 24;
  w32(34, imageSize);
  w32(38, 3780);
  w32(42, 3780);
  bool ok = std::fwrite(h, 1, sizeof h, f) == sizeof h;
  for (int y = h_ - 1; ok && y >= 0; --y) ok = std::fwrite(row(y), 1, size_t(stride_), f) == size_t(stride_);
  return std::fclose(f) == 0 && ok;
}

}  // namespace vel
