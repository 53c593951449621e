// \image: bitmap and JPEG files placed as boxes in running text, and the
// placement of images at figure points and as tiles.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "base/Cp932.h"
#include "canvas/Jpeg.h"
#include "frontend/Calc.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/boxes/LineStyle.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

using namespace boxtext;

// A rotated image is built at the device size it is drawn at, within this
// budget; so is a tile made of copies of a small bitmap.
constexpr long long kMaxRotatedPixels = 16LL * 1024 * 1024;
constexpr long long kMaxTilePixels = 16LL * 1024 * 1024;
constexpr long long kMaxTiles = Canvas::kMaxTiles;

// A bitmap of kx x ky copies of bmp.
Bitmap repeated(const Bitmap& bmp, int kx, int ky) {
  Bitmap out(bmp.width() * kx, bmp.height() * ky);
  const size_t rowBytes = static_cast<size_t>(bmp.width()) * 3;
  for (int y = 0; y < out.height(); ++y) {
    const uint8_t* from = bmp.row(y % bmp.height());
    uint8_t* to = out.row(y);
    for (int i = 0; i < kx; ++i) std::memcpy(to + i * rowBytes, from, rowBytes);
  }
  return out;
}

bool canOpen(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return f.good();
}

// The name has a folder part: a backslash or slash that is a character of
// its own (not the second byte of a double-byte character).
bool hasFolder(std::string_view name) {
  for (size_t i = 0; i < name.size();) {
    if (name[i] == '\\' || name[i] == '/') return true;
    i += (isLead(name[i]) && i + 1 < name.size()) ? 2 : 1;
  }
  return false;
}

// The name as a native path: UTF-8, folders separated by '/'.
std::string nativeName(std::string_view cp932) {
  std::string s(cp932);
  for (size_t i = 0; i < s.size();) {
    if (isLead(s[i]) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (s[i] == '\\') s[i] = '/';
    ++i;
  }
  return cp932ToUtf8(s);
}

std::string lowerExtension(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string e = path.substr(dot + 1);
  for (char& c : e)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return e;
}

void writeNotFound(State& st, const std::string& name) {
  st.message("** " + SJ("イメージファイル(") + name + SJ(")がありません。"));
  st.message(SJ("** ファイル名の間違いか，または"));
  st.message(SJ("** 環境設定「イメージファイル用ディレクトリ」の設定ミスだと思われます。"));
}

int writeMistake(State& st) {
  st.message("** " + SJ("\\imageコマンドの記述ミス"));
  return 0;
}

// Finds, checks the extension of and loads an image file: 1, or 0 with
// the message written (none when the file is found but cannot be read:
// the command's failure reports it).
int loadNamed(State& st, const std::string& name, Bitmap& bmp) {
  std::string path = FindImageFile(st, name);
  if (path.empty()) {
    writeNotFound(st, name);
    return 0;
  }
  st.origins.noteImage(path);
  int r = LoadImageFile(path, bmp);
  if (r == 0) return writeMistake(st);
  return r > 0 ? 1 : 0;
}

// Draws bmp into the layout rectangle whose top-left corner is (left, top),
// turned by the text rotation about (ox, oy) when one is in force.
void drawPlaced(State& st, const Bitmap& bmp, double left, double top, double w, double h, double ox, double oy,
                std::optional<Color> transparent) {
  if (!st.canvas || bmp.empty()) return;
  if (st.font.textRotationDeg == 0) {
    ImageStretchDraw(st, bmp, DevicePoint(st, left), DevicePoint(st, top), DevicePoint(st, left + w),
                     DevicePoint(st, top + h), transparent);
    return;
  }
  // The image at its device size, turned pixel by pixel into a new bitmap
  // (each pixel on the 2 x 2 pixels around its turned place, so no holes
  // appear; white is transparent), drawn inside the turned outline.
  const double S = st.draw.scale;
  long long dw = std::max(1LL, std::llround(std::fabs(w) * S)), dh = std::max(1LL, std::llround(std::fabs(h) * S));
  if (dw * dh > kMaxRotatedPixels) {
    double f = std::sqrt(static_cast<double>(kMaxRotatedPixels) / static_cast<double>(dw * dh));
    dw = std::max(1LL, static_cast<long long>(dw * f));
    dh = std::max(1LL, static_cast<long long>(dh * f));
  }
  const double ux = w / static_cast<double>(dw) * S, uy = h / static_cast<double>(dh) * S;  // device px per pixel
  const double t = st.font.textRotationRad, c = std::cos(t), sn = std::sin(t);
  const double ax = ox * S, ay = oy * S;
  auto turn = [&](double dx, double dy, double& u, double& v) {
    u = dx * c + dy * sn;
    v = -dx * sn + dy * c;
  };
  const double x0 = (left - ox) * S, y0 = (top - oy) * S;
  double cu[4], cv[4];
  turn(x0, y0, cu[0], cv[0]);
  turn(x0 + w * S, y0, cu[1], cv[1]);
  turn(x0 + w * S, y0 + h * S, cu[2], cv[2]);
  turn(x0, y0 + h * S, cu[3], cv[3]);
  const double minU = std::floor(*std::min_element(cu, cu + 4)), maxU = std::ceil(*std::max_element(cu, cu + 4));
  const double minV = std::floor(*std::min_element(cv, cv + 4)), maxV = std::ceil(*std::max_element(cv, cv + 4));
  const int bw = static_cast<int>(std::min<double>(maxU - minU + 2, 65536));
  const int bh = static_cast<int>(std::min<double>(maxV - minV + 2, 65536));
  if (static_cast<long long>(bw) * bh > 4 * kMaxRotatedPixels) return;
  Bitmap turned(bw, bh, kWhite);
  for (long long j = 0; j < dh; ++j) {
    const int sy = static_cast<int>(j * bmp.height() / dh);
    for (long long i = 0; i < dw; ++i) {
      const uint32_t px = bmp.pixel(static_cast<int>(i * bmp.width() / dw), sy);
      double u, v;
      turn(x0 + (i + 0.5) * ux, y0 + (j + 0.5) * uy, u, v);
      const int bx = static_cast<int>(std::floor(u - minU)), by = static_cast<int>(std::floor(v - minV));
      for (int k = 0; k < 4; ++k) {
        const int qx = bx + (k & 1), qy = by + (k >> 1);
        if (turned.contains(qx, qy)) turned.setPixel(qx, qy, px);
      }
    }
  }
  std::vector<RegionPoint> outline;
  for (int k = 0; k < 4; ++k)
    outline.push_back({static_cast<int>(std::clamp(ax + cu[k] + 0.5, -2e9, 2e9)),
                       static_cast<int>(std::clamp(ay + cv[k] + 0.5, -2e9, 2e9))});
  const std::optional<Region> previous = st.canvas->clip();
  Region clip = Region::polygon(outline);
  st.canvas->setClip(previous ? previous->combined(clip, Region::Op::And) : clip);
  const int l = static_cast<int>(std::clamp(ax + minU, -2e9, 2e9)), tp = static_cast<int>(std::clamp(ay + minV, -2e9, 2e9));
  ImageStretchDraw(st, turned, l, tp, l + bw, tp + bh, kWhite);
  st.canvas->setClip(previous);
}

}  // namespace

void ImageDraw(State& st, int x, int y, const Bitmap& bmp, std::optional<Color> transparent) {
  if (st.canvas && !bmp.empty()) st.canvas->drawBitmap(x, y, bmp, transparent);
}

void ImageStretchDraw(State& st, const Bitmap& bmp, int left, int top, int right, int bottom,
                      std::optional<Color> transparent) {
  if (st.canvas && !bmp.empty()) st.canvas->stretchBitmap(bmp, left, top, right, bottom, transparent);
}

void ImageTileDraw(State& st, const Bitmap& bmp, int left, int top, int right, int bottom, double originX,
                   double originY, double tileW, double tileH, std::optional<Color> transparent) {
  if (!st.canvas || bmp.empty() || right <= left || bottom <= top || !(tileW > 0) || !(tileH > 0)) return;
  const double S = st.draw.scale;
  const double ox = originX * S, oy = originY * S;
  double w = tileW * S, h = tileH * S;
  if (!(w > 0) || !(h > 0)) return;
  // Tiles between the origin and the far edges (the origin is the area's corner).
  auto count = [](double from, int to, double size) { return std::max(1.0, std::ceil((to - from) / size)); };
  double cols = count(ox, right, w), rows = count(oy, bottom, h);
  int kx = 1, ky = 1;
  while (cols * rows > double(kMaxTiles)) {
    if (cols >= rows) kx *= 2, w *= 2, cols = std::ceil(cols / 2);
    else ky *= 2, h *= 2, rows = std::ceil(rows / 2);
    if (static_cast<long long>(bmp.width()) * kx * bmp.height() * ky > kMaxTilePixels) return;
  }
  if (kx == 1 && ky == 1) {
    st.canvas->tileBitmap(bmp, left, top, right, bottom, ox, oy, w, h, transparent);
    return;
  }
  st.canvas->tileBitmap(repeated(bmp, kx, ky), left, top, right, bottom, ox, oy, w, h, transparent);
}

std::string FindImageFile(const State& st, const std::string& name) {
  const std::string native = nativeName(name);
  if (native.empty()) return {};
  if (hasFolder(name)) {
    // A name with a folder is used as written (from the document's folder
    // when it is not absolute).
    std::string path = (native[0] == '/' || st.documentDir.empty()) ? native : st.documentDir + "/" + native;
    return canOpen(path) ? path : std::string();
  }
  std::vector<std::string> dirs;
  if (!st.documentDir.empty()) dirs.push_back(st.documentDir);
  if (st.settings)
    for (const std::string& d : st.settings->imageDirs)
      if (!d.empty()) dirs.push_back(d);
  for (const std::string& d : dirs) {
    std::string path = d + "/" + native;
    if (canOpen(path)) return path;
  }
  return {};
}

int LoadImageFile(const std::string& path, Bitmap& out) {
  const std::string ext = lowerExtension(path);
  if (ext == "bmp") return out.loadBmp(path) ? 1 : -1;
  if (ext == "jpg" || ext == "jpeg") return LoadJpeg(path, out) ? 1 : -1;
  return 0;
}

Result<Extent> DrawImage(State& st, const std::string& text, int x, bool draw, int y) {
  const Result<Extent> failed = LayoutCode::InvalidArgument;

  // Options: \align{x}, \width{length}, \height{length}, up to three, any order.
  char align = 'c';
  double width = 0, height = 0;
  int options = 0;
  size_t pos = SkipSpaces(text, 0);
  for (;;) {
    NamedGroup g;
    bool ok = ReadNamedGroup(text, pos, g);
    if (g.name.empty()) break;  // the file name begins
    if (!ok || ++options > 3) return (writeMistake(st), failed);
    if (g.name == "align") {
      size_t c = SkipSpaces(g.content, 0);
      align = c < g.content.size() ? g.content[c] : 'c';
    } else if (g.name == "width" || g.name == "height") {
      int v = UnitToPix(st, g.content);
      if (v <= 0) return (writeMistake(st), failed);
      (g.name == "width" ? width : height) = v;
    } else {
      return (writeMistake(st), failed);
    }
    pos = SkipSpaces(text, g.end);
  }
  if (width <= 0 && height <= 0) {
    st.message("** " + SJ("\\imageのサイズ指定なし"));
    return failed;
  }
  const std::string name = Trim(std::string_view(text).substr(pos));
  Bitmap bmp;
  if (!loadNamed(st, name, bmp)) return failed;
  // The missing dimension keeps the picture's proportions.
  if (height <= 0) height = width * bmp.height() / bmp.width();
  if (width <= 0) width = height * bmp.width() / bmp.height();

  int boxH, boxD;
  if (align == 'b') {
    boxD = st.font.descent;
    boxH = static_cast<int>(height - boxD);
  } else if (align == 't') {
    boxH = st.font.ascent;
    boxD = static_cast<int>(height - boxH);
  } else {
    boxH = static_cast<int>(height / 2 + st.font.mathAxis);
    boxD = static_cast<int>(height - boxH);
  }
  const int boxW = static_cast<int>(std::min(width, 2e9));
  if (draw) {
    const double top = static_cast<double>(y) - boxH;
    drawPlaced(st, bmp, x, top, boxW, height, x, y, std::nullopt);
  }
  return Extent{boxW, boxH, boxD};
}

Result<Extent> DrawFigureImage(State& st, const FigureImage& f, bool draw) {
  const Result<Extent> failed = LayoutCode::InvalidArgument;
  Bitmap bmp;
  if (!loadNamed(st, f.file, bmp)) return failed;
  double w = f.width, h = f.height;
  if (w <= 0 && h <= 0) {
    st.message("** " + SJ("\\imageのサイズ指定なし"));
    return failed;
  }
  if (h <= 0) h = w * bmp.height() / bmp.width();
  if (w <= 0) w = h * bmp.width() / bmp.height();
  const Extent size{static_cast<int>(std::min(w, 2e9)), static_cast<int>(std::min(h, 2e9)), 0};
  if (!draw) return size;
  const std::optional<Color> transparent = f.whiteTransparent ? std::optional<Color>(kWhite) : std::nullopt;
  if (f.tile) {
    // Tiles of the image's size from the area's top-left corner, rows and
    // columns rounded up so the whole area is covered.
    const double aw = f.areaRight - f.areaLeft, ah = f.areaBottom - f.areaTop;
    if (aw <= 0 || ah <= 0) return size;
    const long long cols = static_cast<long long>(std::ceil(aw / w)), rows = static_cast<long long>(std::ceil(ah / h));
    if (st.font.textRotationDeg == 0) {
      // One image over the whole tiles.
      ImageTileDraw(st, bmp, DevicePoint(st, f.areaLeft), DevicePoint(st, f.areaTop),
                    DevicePoint(st, f.areaLeft + cols * w), DevicePoint(st, f.areaTop + rows * h), f.areaLeft,
                    f.areaTop, w, h, transparent);
      return size;
    }
    if (cols * rows > kMaxTiles) return size;
    for (long long r = 0; r < rows; ++r)
      for (long long c = 0; c < cols; ++c)
        drawPlaced(st, bmp, f.areaLeft + c * w, f.areaTop + r * h, w, h, f.areaLeft, f.areaTop, transparent);
    return size;
  }
  // Anchors 1-9: top-left, top-centre, top-right, middle-left, centre,
  // middle-right, bottom-left, bottom-centre, bottom-right.
  const int a = (f.anchor >= 1 && f.anchor <= 9) ? f.anchor - 1 : 4;
  const double left = f.x - (a % 3) * w / 2, top = f.y - (a / 3) * h / 2;
  drawPlaced(st, bmp, left, top, w, h, f.x, f.y, transparent);
  return size;
}

}  // namespace vel
