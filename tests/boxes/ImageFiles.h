// Image files made in memory for the tests: Windows bitmaps of every depth
// and JPEGs in grayscale, RGB and (Adobe, inverted) CMYK.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace imagefiles {

// A colour as red, green, blue.
struct Rgb {
  int r = 0, g = 0, b = 0;
};
using PixelFn = std::function<Rgb(int x, int y)>;

// Bottom-up uncompressed bitmap; depths 1, 4 and 8 get a palette of the
// colours the picture uses (at most 2^bpp of them).
std::string Bmp(int w, int h, int bpp, const PixelFn& px);
// An 8-bit RLE bitmap with a two-colour palette: each row one run of index 1.
std::string Rle8Bmp(int w, int h, bool endCode);

enum class JpegKind { Gray, Rgb, AdobeCmyk };
std::string Jpeg(int w, int h, JpegKind kind, const PixelFn& px, bool progressive = false);

}  // namespace imagefiles
