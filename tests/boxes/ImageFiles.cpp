#include "ImageFiles.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>

#include <jpeglib.h>

namespace imagefiles {

namespace {

void put16(std::string& s, int v) {
  s += char(v & 255);
  s += char((v >> 8) & 255);
}
void put32(std::string& s, uint32_t v) {
  for (int k = 0; k < 4; ++k) s += char((v >> (8 * k)) & 255);
}

std::string header(int w, int h, int bpp, int compression, int paletteSize, uint32_t imageSize) {
  std::string s = "BM";
  const uint32_t off = 14 + 40 + 4 * paletteSize;
  put32(s, off + imageSize);
  put32(s, 0);
  put32(s, off);
  put32(s, 40);
  put32(s, uint32_t(w));
  put32(s, uint32_t(h));
  put16(s, 1);
  put16(s, bpp);
  put32(s, uint32_t(compression));
  put32(s, imageSize);
  put32(s, 2835);
  put32(s, 2835);
  put32(s, uint32_t(paletteSize));
  put32(s, 0);
  return s;
}

}  // namespace

std::string Bmp(int w, int h, int bpp, const PixelFn& px) {
  std::vector<Rgb> palette;
  std::map<int, int> index;
  auto key = [](Rgb c) { return c.r | c.g << 8 | c.b << 16; };
  if (bpp <= 8) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        Rgb c = px(x, y);
        if (!index.count(key(c))) {
          index[key(c)] = int(palette.size());
          palette.push_back(c);
        }
      }
  }
  const size_t rowBytes = ((size_t(w) * bpp + 31) / 32) * 4;
  std::string s = header(w, h, bpp, 0, int(palette.size()), uint32_t(rowBytes * h));
  for (Rgb c : palette) {
    s += char(c.b);
    s += char(c.g);
    s += char(c.r);
    s += char(0);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::string row(rowBytes, '\0');
    for (int x = 0; x < w; ++x) {
      Rgb c = px(x, y);
      switch (bpp) {
        case 1: row[x / 8] = char(row[x / 8] | (index[key(c)] << (7 - x % 8))); break;
        case 4: row[x / 2] = char(row[x / 2] | (index[key(c)] << (x % 2 ? 0 : 4))); break;
        case 8: row[x] = char(index[key(c)]); break;
        case 24: row[3 * x] = char(c.b), row[3 * x + 1] = char(c.g), row[3 * x + 2] = char(c.r); break;
        default: row[4 * x] = char(c.b), row[4 * x + 1] = char(c.g), row[4 * x + 2] = char(c.r), row[4 * x + 3] = char(255);
      }
    }
    s += row;
  }
  return s;
}

std::string Rle8Bmp(int w, int h, bool endCode) {
  std::string data;
  for (int y = 0; y < h; ++y) {
    data += char(w);
    data += char(1);
    data += char(0);
    data += char(0);  // end of line
  }
  if (endCode) {
    data += char(0);
    data += char(1);
  }
  std::string s = header(w, h, 8, 1, 2, uint32_t(data.size()));
  put32(s, 0x00FFFFFF);  // white
  put32(s, 0x000000FF);  // blue
  return s + data;
}

std::string Jpeg(int w, int h, JpegKind kind, const PixelFn& px, bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Rgb ? 3 : 4;
  c.in_color_space = kind == JpegKind::Gray ? JCS_GRAYSCALE : kind == JpegKind::Rgb ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(size_t(w) * c.input_components);
  while (c.next_scanline < c.image_height) {
    const int y = int(c.next_scanline);
    for (int x = 0; x < w; ++x) {
      Rgb p = px(x, y);
      unsigned char* d = &row[size_t(x) * c.input_components];
      if (kind == JpegKind::Gray) {
        d[0] = (unsigned char)p.r;
      } else if (kind == JpegKind::Rgb) {
        d[0] = (unsigned char)p.r, d[1] = (unsigned char)p.g, d[2] = (unsigned char)p.b;
      } else {
        // As Adobe software writes it: the ink values inverted.
        int k = 255 - std::max(p.r, std::max(p.g, p.b));
        int cy = k == 255 ? 0 : (255 - p.r - k) * 255 / (255 - k);
        int m = k == 255 ? 0 : (255 - p.g - k) * 255 / (255 - k);
        int ye = k == 255 ? 0 : (255 - p.b - k) * 255 / (255 - k);
        d[0] = (unsigned char)(255 - cy), d[1] = (unsigned char)(255 - m), d[2] = (unsigned char)(255 - ye),
        d[3] = (unsigned char)(255 - k);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string s(reinterpret_cast<char*>(out), size);
  std::free(out);
  return s;
}

}  // namespace imagefiles
