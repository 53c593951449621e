// The bitmap and JPEG decoders on arbitrary bytes: a bad file is a failed
// result (never an exit, a crash or a read past the data); a decoded
// picture has pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "canvas/Bitmap.h"
#include "canvas/Jpeg.h"

namespace {
// Small enough that every input decodes quickly.
constexpr long long kFuzzMaxPixels = 4LL * 1024 * 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vel::Bitmap bmp;
  if (bmp.loadBmpBytes(data, size, nullptr, kFuzzMaxPixels)) {
    if (bmp.empty()) std::abort();
    (void)bmp.pixel(bmp.width() - 1, bmp.height() - 1);
  } else if (!bmp.empty()) {
    std::abort();
  }
  vel::Bitmap jpg;
  if (vel::DecodeJpeg(data, size, jpg, nullptr, kFuzzMaxPixels)) {
    if (jpg.empty()) std::abort();
    (void)jpg.pixel(jpg.width() - 1, jpg.height() - 1);
  } else if (!jpg.empty()) {
    std::abort();
  }
  return 0;
}
