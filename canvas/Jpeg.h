// JPEG files into bitmaps (libjpeg-turbo). Bad data is a failed result,
// never the end of the process: the library's fatal-error exit is replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Bitmap.h"

namespace vel {

// Images with more pixels than this are refused before anything is decoded.
constexpr long long kMaxImagePixels = 64LL * 1024 * 1024;

// Decodes baseline and progressive JPEGs in grayscale, YCbCr/RGB and
// CMYK/YCCK (Adobe files store CMYK inverted) into a 24-bit bitmap.
// A truncated file, a file that is no JPEG, or one larger than maxPixels
// fails with a reason.
bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out, std::string* error = nullptr,
                long long maxPixels = kMaxImagePixels);
bool LoadJpeg(const std::string& path, Bitmap& out, std::string* error = nullptr);

}  // namespace vel
