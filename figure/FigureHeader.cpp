// The figure's header (SetVeldris): the base command that fixes the box
// and the coordinate system, the alignment, the screen frame and the
// constants; in draw mode the clip, the frame, the default pen and brush.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "base/Cp932.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"

namespace vel {

namespace {

enum class HeaderCommand { None, BasicSet, BaseXY, BaseXYZ, Align, Frame, Constant };

struct HeaderName {
  const char* text;  // with its opening brace: "\basicset " is no header command
  HeaderCommand kind;
};
constexpr HeaderName kHeaderNames[] = {
    {"basicset{", HeaderCommand::BasicSet}, {"basexyz{", HeaderCommand::BaseXYZ},
    {"basexy{", HeaderCommand::BaseXY},     {"align{", HeaderCommand::Align},
    {"frame{", HeaderCommand::Frame},       {"constant{", HeaderCommand::Constant},
    {"parameter{", HeaderCommand::Constant},
};

std::string GroupNotClosed() { return SJ("\"{}\"が閉じていません。"); }
std::string ArgumentError() { return SJ("コマンドの引数エラー"); }

// The message for an unclosed group of a header command.
std::string UnclosedMessage(HeaderCommand k) {
  switch (k) {
    case HeaderCommand::BasicSet: return "** \\basicset" + SJ("コマンドの") + GroupNotClosed();
    case HeaderCommand::BaseXY: return "** \\basexy" + SJ("コマンドの") + GroupNotClosed();
    case HeaderCommand::BaseXYZ: return "** \\basexyz" + SJ("コマンドの") + GroupNotClosed();
    case HeaderCommand::Frame: return "** \\frame" + SJ("コマンドの") + GroupNotClosed();
    default: return "** " + GroupNotClosed();
  }
}

// What the base command gives: the box, the origin's offsets from its
// lower left corner (layout units), the scales and the view.
struct BaseBox {
  int W = 0, H = 0, OX = 0, OY = 0;
  double scaleX = 1, scaleY = 1, baseUnit = 1;
  double rotZ = 0, rotY = 0;
  int dimen = 2;
};

double Degrees(State& st, const std::string& e) { return Calc(st, e) * std::numbers::pi / 180; }

// \basicset{w,h,ox,oy,unit[,rotz,roty]}; false on a wrong argument count.
bool BasicSet(State& st, const std::vector<std::string>& a, BaseBox& b) {
  if (a.size() != 5 && a.size() != 7) return false;
  b.W = UnitToPix(st, a[0]);
  b.H = UnitToPix(st, a[1]);
  b.OX = UnitToPix(st, a[2]);
  b.OY = UnitToPix(st, a[3]);
  b.baseUnit = b.scaleX = b.scaleY = UnitToPix(st, a[4]);
  b.dimen = a.size() == 7 ? 3 : 2;
  b.rotZ = a.size() == 7 ? Degrees(st, a[5]) : 0;
  b.rotY = a.size() == 7 ? Degrees(st, a[6]) : 0;
  return true;
}

// \basexy{xmin,xmax,ymin,ymax,unit[,yunit]} and
// \basexyz{umin,umax,vmin,vmax,unit,rotz,roty}.
bool BaseXY(State& st, const std::vector<std::string>& a, bool threeD, BaseBox& b) {
  if (threeD ? a.size() != 7 : (a.size() < 5 || a.size() > 6)) return false;
  b.baseUnit = b.scaleX = UnitToPix(st, a[4]);
  b.scaleY = (!threeD && a.size() == 6) ? UnitToPix(st, a[5]) : b.scaleX;
  const double x0 = Calc(st, a[0]), x1 = Calc(st, a[1]), y0 = Calc(st, a[2]), y1 = Calc(st, a[3]);
  b.W = FigInt((x1 - x0) * b.scaleX);
  b.H = FigInt((y1 - y0) * b.scaleY);
  b.OX = FigInt(-b.scaleX * x0);
  b.OY = FigInt(-b.scaleY * y0);
  b.dimen = threeD ? 3 : 2;
  b.rotZ = threeD ? Degrees(st, a[5]) : 0;
  b.rotY = threeD ? Degrees(st, a[6]) : 0;
  return true;
}

// The ascent by the alignment letter.
int AscentOf(const State& st, char align, int H) {
  if (align == 'b') return H - st.font.descent;
  if (align == 't') return st.font.ascent;
  return FigInt(H / 2 + st.font.mathAxis);
}

// Draw mode: origin, bounds, clip, screen frame, pen, brush, hatching, modes.
void SetUpDrawing(State& st, const BaseBox& b, int x, int y, bool frame) {
  FigureState& f = st.fig;
  const int A = f.ascent;
  const double S = st.draw.scale;
  f.originX = FigInt(double(x) + b.OX);
  f.originY = FigInt(double(y) + b.H - A - b.OY);
  f.xMin = -b.OX / f.scaleX;
  f.xMax = (double(b.W) - b.OX) / f.scaleX;
  f.yMin = -b.OY / f.scaleY;
  f.yMax = (double(b.H) - b.OY) / f.scaleY;
  const double top = double(y) - A;
  f.clipRect = {FigInt(x * S + 0.5), FigInt(top * S + 0.5), FigInt((double(x) + b.W) * S + 0.5),
                FigInt((top + b.H) * S + 0.5)};
  std::vector<Point> corners = {{f.clipRect[0], f.clipRect[1]},
                                {f.clipRect[2], f.clipRect[1]},
                                {f.clipRect[2], f.clipRect[3]},
                                {f.clipRect[0], f.clipRect[3]}};
  f.clipRegion = Region::rect(f.clipRect[0], f.clipRect[1], f.clipRect[2], f.clipRect[3]);
  if (st.font.textRotationDeg != 0) {
    // The origin and the corners turn about the text baseline point (x, y).
    constexpr int kSlot = static_cast<int>(PointArray::kCapacity) - 6;
    if (GetInclinePoint(st, x, y, true, kSlot, double(b.H) - A - b.OY, b.OX)) {
      f.originX = f.points.get(kSlot).x;
      f.originY = f.points.get(kSlot).y;
    }
    const double dx[4] = {0, double(b.W), double(b.W), 0}, dy[4] = {-double(A), -double(A), double(b.H) - A, double(b.H) - A};
    std::vector<RegionPoint> poly;
    for (int k = 0; k < 4; ++k) {
      if (GetInclinePoint(st, x, y, false, kSlot + 1 + k, dy[k], dx[k])) corners[size_t(k)] = f.points.get(size_t(kSlot + 1 + k));
      poly.push_back({corners[size_t(k)].x, corners[size_t(k)].y});
    }
    f.clipRegion = Region::polygon(std::move(poly));
  }
  if (st.canvas) {
    if (!st.draw.printing && frame) {
      // The grey frame shows the figure's box on screen; it is never printed.
      st.canvas->setClip(st.geo.fullRegion);
      st.canvas->setPen(Pen{1, rgb(192, 192, 192), PenStyle::Solid});
      corners.push_back(corners[0]);
      st.canvas->polyline(corners);
    }
    const int penWidth = FigInt(units::kPerMM * 0.2 * S + st.draw.penBias);
    st.canvas->setPen(Pen{std::max(penWidth, 1), kBlack, PenStyle::Solid});
    st.canvas->setBrush(Brush{BrushStyle::Clear, kWhite, Hatch::Horizontal, nullptr});
    st.canvas->setClip(f.clipRegion);
  }
  f.penStyle = 0;
  SetValueList(st, "penstyle", 0);
  f.brushKind = 0;
  SetValueList(st, "brushstyle", 0);
  f.brushNone = true;
  f.hatchSpacing = FigInt(units::kPerMM);
  f.hatchWidth = FigInt(units::kPerMM * 0.1);
  f.closeMode = false;
  f.closeLast = -1;
  // Polyline mode too: a figure that ended inside \beginpolyline would
  // otherwise leave every later figure skipping its drawing commands.
  f.polylineMode = false;
  f.polylineLast = -1;
}

}  // namespace

void DoConstant(State& st, const std::vector<std::string>& args) {
  const size_t n = std::min<size_t>(args.size(), st.fig.constants.size());
  for (size_t i = 0; i < n; ++i) {
    const std::string& item = args[i];
    const size_t eq = item.find('=');
    if (eq == std::string::npos) {
      st.fig.constants[i] = Calc(st, item);
      continue;
    }
    // "a" and one or two digits on the left names the slot.
    const std::string left = item.substr(0, eq);
    int slot = -1;
    for (size_t k = 0; k + 1 < left.size() && slot < 0; ++k) {
      if (left[k] != 'a' || !std::isdigit(static_cast<unsigned char>(left[k + 1]))) continue;
      slot = left[k + 1] - '0';
      if (k + 2 < left.size() && std::isdigit(static_cast<unsigned char>(left[k + 2])))
        slot = slot * 10 + (left[k + 2] - '0');
    }
    if (slot >= 0) st.fig.constants[size_t(slot)] = Calc(st, std::string_view(item).substr(eq + 1));
    else st.fig.constants[i] = 0;
  }
}

bool SetVeldris(State& st, const std::string& text, int x, int y, bool measureOnly) {
  FigureState& f = st.fig;
  // 1. Reset the box and the scales.
  f.originX = f.originY = f.width = f.height = f.ascent = 0;
  f.scaleX = f.scaleY = f.baseUnit = 1.0;
  char align = 'c';
  bool frame = true;
  bool haveBase = false, haveAlign = false, haveFrame = false, haveConstant = false;
  BaseBox base;
  std::vector<std::string> args;

  // 2-5. Scan for header commands; the first other command ends the header.
  size_t i = 0;
  while (i < text.size()) {
    if (haveBase && haveAlign && haveFrame && haveConstant) break;
    const char c = text[i];
    if (isLead(c)) {
      i += 2;
      continue;
    }
    if (c == '{') {
      const size_t close = GetGroup(text, i);
      if (close == std::string::npos) {
        st.message(UnclosedMessage(HeaderCommand::None));
        return false;
      }
      i = close + 1;
      continue;
    }
    if (c != '\\') {
      ++i;
      continue;
    }
    HeaderCommand kind = HeaderCommand::None;
    size_t brace = 0;
    for (const HeaderName& h : kHeaderNames) {
      const std::string_view n(h.text);
      if (text.compare(i + 1, n.size(), n) == 0) {
        kind = h.kind;
        brace = i + n.size();
        break;
      }
    }
    if (kind == HeaderCommand::None) break;
    const size_t close = GetGroup(text, brace);
    if (close == std::string::npos) {
      st.message(UnclosedMessage(kind));
      return false;
    }
    StrTok(std::string_view(text).substr(brace + 1, close - brace - 1), ",", args);
    switch (kind) {
      case HeaderCommand::BasicSet:
        if (!BasicSet(st, args, base)) {
          st.message("** \\basicset" + ArgumentError());
          return false;
        }
        haveBase = true;
        break;
      case HeaderCommand::BaseXY:
      case HeaderCommand::BaseXYZ: {
        const bool threeD = kind == HeaderCommand::BaseXYZ;
        if (!BaseXY(st, args, threeD, base)) {
          st.message(std::string(threeD ? "** \\basexyz" : "** \\basexy") + ArgumentError());
          return false;
        }
        haveBase = true;
        break;
      }
      case HeaderCommand::Align:
      case HeaderCommand::Frame:
        if (args.size() > 1) {
          st.message(std::string(kind == HeaderCommand::Align ? "** \\align" : "** \\frame") + ArgumentError());
          return false;
        }
        if (kind == HeaderCommand::Align) {
          align = args.empty() || args[0].empty() ? 'c' : args[0][0];
          haveAlign = true;
        } else {
          frame = args.empty() || Calc(st, args[0]) != 0;
          haveFrame = true;
        }
        break;
      case HeaderCommand::Constant:
        DoConstant(st, args);
        haveConstant = true;
        break;
      case HeaderCommand::None:
        break;
    }
    i = close + 1;
  }
  // 6. A figure needs its base command.
  if (!haveBase) {
    st.message(SJ("** \\basesic, \\basexy, \\basexyz コマンドがありません。"));
    return false;
  }
  if (base.W < 0 || base.H < 0) {
    st.message(SJ("** 描画領域の指定エラー"));
    return false;
  }
  f.dimen = base.dimen;
  f.rotZ = base.rotZ;
  f.rotY = base.rotY;
  f.scaleX = base.scaleX;
  f.scaleY = base.scaleY;
  f.baseUnit = base.baseUnit;
  f.width = base.W;
  f.height = base.H;
  f.ascent = AscentOf(st, align, base.H);
  if (measureOnly) return true;
  SetUpDrawing(st, base, x, y, frame);
  return true;
}

}  // namespace vel
