#include "Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace vel {

namespace {

// The error manager: a fatal error jumps back into DecodeJpeg instead of
// calling exit(); warnings that mean missing data are remembered.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf back;
  bool truncated;
  char message[JMSG_LENGTH_MAX];
};

// A progressive file can hold any number of scans; a sane one has a few dozen.
constexpr int kMaxScans = 500;

void onError(j_common_ptr cinfo) {
  ErrorManager* em = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, em->message);
  std::longjmp(em->back, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
  ErrorManager* em = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0) {
    int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) em->truncated = true;
    cinfo->err->num_warnings++;
  }
}

void onOutput(j_common_ptr) {}

void onProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    ErrorManager* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(em->message, sizeof em->message, "too many scans");
    std::longjmp(em->back, 1);
  }
}

bool fail(std::string* e, const char* why) {
  if (e) *e = why;
  return false;
}

// Decodes into `out`; the caller's objects live outside this frame, so the
// jump back from the library skips no destructor. The scan line buffer is
// the library's own (freed by jpeg_destroy_decompress).
//
// `storable` gets the components (1 or 3) when a PDF may hold the file's
// own data for the pixels, else 0: grey or YCbCr, Huffman-coded, 8 bits
// (what every DCT decoder of a PDF reader takes, with the colour transform
// it assumes).
bool decode(const uint8_t* data, size_t size, Bitmap& out, std::string* error, long long maxPixels,
            int* storable = nullptr) {
  jpeg_decompress_struct cinfo;
  ErrorManager em;
  jpeg_progress_mgr progress;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&em.pub);
  em.pub.error_exit = onError;
  em.pub.emit_message = onMessage;
  em.pub.output_message = onOutput;
  em.truncated = false;
  em.message[0] = '\0';
  progress.progress_monitor = onProgress;

  if (setjmp(em.back)) {
    jpeg_destroy_decompress(&cinfo);
    out = Bitmap();
    if (error) *error = em.message;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return fail(error, "no image");
  }
  const long long pixels = static_cast<long long>(cinfo.image_width) * cinfo.image_height;
  if (pixels <= 0 || pixels > maxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return fail(error, pixels <= 0 ? "empty image" : "image too large");
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool inverted = cmyk && cinfo.saw_Adobe_marker;
  if (cmyk) cinfo.out_color_space = JCS_CMYK;
  else if (cinfo.jpeg_color_space == JCS_GRAYSCALE || cinfo.jpeg_color_space == JCS_YCbCr ||
           cinfo.jpeg_color_space == JCS_RGB)
    cinfo.out_color_space = JCS_EXT_BGR;
  else {
    jpeg_destroy_decompress(&cinfo);
    return fail(error, "unsupported colour space");
  }
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  out.resize(w, h);
  const JDIMENSION rowBytes = cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, rowBytes, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
    uint8_t* dst = out.row(y);
    const JSAMPLE* src = row[0];
    if (!cmyk) {
      std::memcpy(dst, src, static_cast<size_t>(w) * 3);
      continue;
    }
    for (int x = 0; x < w; ++x) {
      // Ink values: Adobe files hold them inverted (255 = no ink).
      int c = src[4 * x], m = src[4 * x + 1], yy = src[4 * x + 2], k = src[4 * x + 3];
      if (!inverted) c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
      dst[3 * x] = static_cast<uint8_t>(yy * k / 255);
      dst[3 * x + 1] = static_cast<uint8_t>(m * k / 255);
      dst[3 * x + 2] = static_cast<uint8_t>(c * k / 255);
    }
  }
  if (storable) {
    const bool plain = !cinfo.arith_code && cinfo.data_precision == 8;
    *storable = !plain ? 0 : cinfo.jpeg_color_space == JCS_GRAYSCALE ? 1 : cinfo.jpeg_color_space == JCS_YCbCr ? 3 : 0;
  }
  const bool complete = cinfo.output_scanline >= cinfo.output_height;
  if (complete) jpeg_finish_decompress(&cinfo);
  const bool truncated = em.truncated || !complete;
  jpeg_destroy_decompress(&cinfo);
  if (truncated) {
    out = Bitmap();
    return fail(error, "truncated image");
  }
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& out, std::string* error, long long maxPixels) {
  if (!data || size < 4) return fail(error, "no image");
  return decode(data, size, out, error, maxPixels);
}

bool LoadJpeg(const std::string& path, Bitmap& out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 4) return fail(error, "no image");
  int storable = 0;
  if (!decode(bytes.data(), bytes.size(), out, error, kMaxImagePixels, &storable)) return false;
  if (storable) {
    auto source = std::make_shared<JpegSource>();
    source->components = storable;
    source->bytes = std::move(bytes);
    out.setJpegSource(std::move(source));
  }
  return true;
}

}  // namespace vel
