// Points, paths and figure functions: named points and the references to
// them (\setpoint, ToRealPoint), the graph point store, \point paths,
// \bezier, \closemode, and the user's figure functions (\velfunc).
//
// Named points are texts ("1,2.5"), evaluated once when set, so a
// reference is a textual substitution that any command's arguments can
// take. Every write to the shared point array is sized by
// PointArray::fit first. Evaluation errors give 0 (Calc) and missing
// arguments end a command silently; only a failing figure function stops
// the figure.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Cp932.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "frontend/Values.h"

namespace vel {

namespace {

constexpr int kGraphCap = 1000;       // points of the graph point store
constexpr int kPolylineLastMax = 50000;  // \point stops after this entry
constexpr int kBezierPointsMax = 49999;
// Flattening of \bezier: about two device pixels a chord, and no more
// samples in all than the point array holds.
constexpr double kBezierChordPx = 2;
constexpr long long kBezierSamples = 50000;

// The coordinates of a named point as items; empty for a point never set.
std::vector<std::string> Coordinates(const FigureState& f, int slot) {
  std::vector<std::string> out;
  if (slot < 0) return out;
  const std::string& s = f.namedPoints[size_t(slot)];
  if (s.empty()) return out;
  size_t from = 0;
  for (;;) {
    const size_t comma = s.find(',', from);
    out.push_back(s.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (comma == std::string::npos) return out;
    from = comma + 1;
  }
}

// \V(AB) as items Bk-(Ak); false when the points have different (or no)
// coordinates.
bool VectorItems(const FigureState& f, char a, char b, std::vector<std::string>& out) {
  const std::vector<std::string> pa = Coordinates(f, AlphToInt(a)), pb = Coordinates(f, AlphToInt(b));
  if (pa.empty() || pa.size() != pb.size()) return false;
  out.clear();
  for (size_t k = 0; k < pa.size(); ++k) out.push_back(pb[k] + "-(" + pa[k] + ")");
  return true;
}

bool IsWhole(const std::string& item, char kind, size_t size) {
  return item.size() == size && item[0] == '\\' && item[1] == kind && item[2] == '(' && item[size - 1] == ')';
}

// The coordinate number after the dot of \P(A).k: x y z, or one or two
// digits; 0 when there is none. `used` gets the characters read.
int CoordinateNumber(const std::string& s, size_t at, size_t& used) {
  used = 0;
  if (at >= s.size()) return 0;
  const char c = s[at];
  if (c == 'x' || c == 'y' || c == 'z') {
    used = 1;
    return c - 'x' + 1;
  }
  if (c < '0' || c > '9') return 0;
  int n = c - '0';
  used = 1;
  if (at + 1 < s.size() && s[at + 1] >= '0' && s[at + 1] <= '9') {
    n = n * 10 + (s[at + 1] - '0');
    used = 2;
  }
  return n;
}

// The second pass on one item: \P(A).k and \V(AB).k inside an expression.
void ExpandInside(const FigureState& f, std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    if (isLead(s[i])) {
      i += 2;
      continue;
    }
    if (s[i] != '\\' || i + 1 >= s.size() || (s[i + 1] != 'P' && s[i + 1] != 'V')) {
      ++i;
      continue;
    }
    const bool vector = s[i + 1] == 'V';
    const size_t letters = vector ? 2 : 1;
    const size_t dot = i + 3 + letters + 1;  // "\P(" letters ")" "."
    size_t used = 0;
    if (dot >= s.size() || s[i + 2] != '(' || s[dot - 1] != ')' || s[dot] != '.') {
      ++i;
      continue;
    }
    const int k = CoordinateNumber(s, dot + 1, used);
    std::string with;
    if (vector) {
      std::vector<std::string> items;
      if (k >= 1 && VectorItems(f, s[i + 3], s[i + 4], items) && size_t(k) <= items.size()) with = items[size_t(k) - 1];
    } else {
      const std::vector<std::string> cs = Coordinates(f, AlphToInt(s[i + 3]));
      if (k >= 1 && size_t(k) <= cs.size()) with = cs[size_t(k) - 1];
    }
    // A coordinate the point lacks: the reference stays as written.
    if (with.empty()) {
      ++i;
      continue;
    }
    s.replace(i, dot + 1 + used - i, with);
    i += with.size();
  }
}

void Replace(std::vector<std::string>& list, size_t at, const std::vector<std::string>& with) {
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), with.begin(), with.end());
}

// Body of a figure function with each ##n replaced by the text of
// argument n; false for a number outside 1..args.
bool SubstituteTexts(const std::string& body, const std::vector<std::string>& args, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < body.size()) {
    if (isLead(body[i]) && i + 1 < body.size()) {
      out += body.substr(i, 2);
      i += 2;
      continue;
    }
    if (body.compare(i, 2, "##") != 0 || i + 2 >= body.size() || body[i + 2] < '0' || body[i + 2] > '9') {
      out += body[i++];
      continue;
    }
    size_t j = i + 2;
    int n = body[j++] - '0';
    if (j < body.size() && body[j] >= '0' && body[j] <= '9') n = n * 10 + (body[j++] - '0');
    if (n < 1 || size_t(n) > args.size()) return false;
    out += args[size_t(n) - 1];
    i = j;
  }
  return true;
}

}  // namespace

std::string PointNumber(double v) {
  if (!std::isfinite(v)) return "0";
  char buf[64];
  if (std::fabs(v) >= 1e15) std::snprintf(buf, sizeof buf, "%.15g", v);
  else if (v == std::trunc(v)) std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);
  else std::snprintf(buf, sizeof buf, "%.5f", v);
  return buf;
}

void DoSetPoint(State& st, const std::vector<std::string>& a) {
  auto starts = [](const std::string& item) { return item.size() >= 2 && item[1] == '(' && AlphToInt(item[0]) >= 0; };
  if (a.empty() || !starts(a[0])) return;
  std::array<std::string, 52> points = st.fig.namedPoints;
  size_t k = 0;
  while (k < a.size()) {
    // One point: "X(first", further coordinates, the last one ending in ")".
    const int slot = AlphToInt(a[k][0]);
    std::vector<std::string> coords{a[k].substr(2)};
    for (++k; k < a.size() && !starts(a[k]); ++k) coords.push_back(a[k]);
    if (!coords.back().empty()) coords.back().pop_back();
    std::string joined;
    for (const std::string& c : coords) joined += (joined.empty() ? "" : ",") + PointNumber(Calc(st, c));
    points[size_t(slot)] = joined;
  }
  st.fig.namedPoints = std::move(points);
}

void ToRealPoint(State& st, std::vector<std::string>& list, size_t limit) {
  const FigureState& f = st.fig;
  // First pass: whole items.
  size_t i = 0;
  while (i < list.size() && i < limit) {
    const std::string item = list[i];
    if (IsWhole(item, 'R', 7)) {
      // The angle at B: the vertex, then the two vectors from it, expanded in turn.
      const std::string b(1, item[4]);
      Replace(list, i, {"\\P(" + b + ")", "\\V(" + b + item[3] + ")", "\\V(" + b + item[5] + ")"});
      continue;
    }
    std::vector<std::string> with;
    if (IsWhole(item, 'V', 6)) {
      if (VectorItems(f, item[3], item[4], with)) {
        Replace(list, i, with);
        i += with.size();
      } else {
        ++i;
      }
      continue;
    }
    if (item.size() >= 4 && item.compare(0, 3, "\\P(") == 0 && item.find(')') == item.size() - 1) {
      for (size_t k = 3; k + 1 < item.size(); ++k) {
        if (isLead(item[k])) {
          ++k;
          continue;
        }
        const int slot = AlphToInt(item[k]);
        if (slot < 0) continue;
        const std::vector<std::string> cs = Coordinates(f, slot);
        if (cs.empty()) with.emplace_back();
        else with.insert(with.end(), cs.begin(), cs.end());
      }
      Replace(list, i, with);
      i += with.size();
      continue;
    }
    ++i;
  }
  // Second pass: references inside expressions.
  for (size_t k = 0; k < list.size() && k < limit; ++k) ExpandInside(f, list[k]);
}

void SetGraphPoint(State& st, const std::vector<std::string>& a, int kind) {
  GraphPoints& g = st.fig.graph;
  const int argc = static_cast<int>(std::min<size_t>(a.size(), 1u << 30));
  std::array<double, kGraphCap>* arrays[3] = {&g.x, &g.y, &g.z};
  int* fills[3] = {&g.countX, &g.countY, &g.countZ};
  if (kind >= 1 && kind <= 5) {
    // Replace: one array (1-3), pairs (4) or triples (5), from index 0.
    const int per = kind == 4 ? 2 : kind == 5 ? 3 : 1;
    const int first = kind <= 3 ? kind - 1 : 0;
    const int n = std::min(argc / per, kGraphCap);
    g.count = n;
    for (int c = 0; c < per; ++c) *fills[first + c] = n;
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < per; ++c) (*arrays[first + c])[size_t(i)] = Calc(st, a[size_t(i * per + c)]);
  } else if (kind >= 6 && kind <= 8) {
    // Append to one array after its own fill count.
    const int c = kind - 6;
    const int from = *fills[c];
    const int n = std::max(0, std::min(argc, kGraphCap - from));
    for (int i = 0; i < n; ++i) (*arrays[c])[size_t(from + i)] = Calc(st, a[size_t(i)]);
    *fills[c] = g.count = from + n;
  } else if (kind == 9 || kind == 10) {
    // Append pairs or triples after the total count.
    const int per = kind == 9 ? 2 : 3;
    const int from = g.count;
    const int n = std::max(0, std::min(argc / per, kGraphCap - from));
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < per; ++c) (*arrays[c])[size_t(from + i)] = Calc(st, a[size_t(i * per + c)]);
    for (int c = 0; c < per; ++c) *fills[c] = from + n;
    g.count = from + n;
  }
}

void DoPoint(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (f.polylineLast >= kPolylineLastMax) return;
  double x, y;
  if (!ReadUserPoint(st, a, 0, f.dimen == 3 ? 3 : 2, x, y)) return;
  if (f.points.set(size_t(f.polylineLast + 1), xxyy(st, x, y))) ++f.polylineLast;
}

void DoBezier(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  const int dimen = f.dimen == 3 ? 3 : 2;
  long long n = static_cast<long long>(a.size()) / dimen;
  if (n < 4 || !st.canvas) return;
  // Whole cubic pieces only: n - 1 a multiple of 3.
  if (n % 3 == 0) n -= 2;
  else if (n % 3 == 2) n -= 1;
  n = std::min<long long>(n, kBezierPointsMax);
  std::vector<Point> ctrl;
  ctrl.reserve(size_t(n));
  for (long long k = 0; k < n; ++k) {
    double x, y;
    ReadUserPoint(st, a, size_t(k) * size_t(dimen), dimen, x, y);
    ctrl.push_back(xxyy(st, x, y));
  }
  // The canvas has no cubic primitive: each piece is flattened by its
  // control polygon's device length.
  const long long pieces = (n - 1) / 3;
  const long long perPiece = std::max<long long>(8, kBezierSamples / pieces);
  std::vector<Point> out{ctrl[0]};
  for (long long p = 0; p < pieces; ++p) {
    const Point* q = &ctrl[size_t(p * 3)];
    double len = 0;
    for (int k = 0; k < 3; ++k) len += std::hypot(double(q[k + 1].x) - q[k].x, double(q[k + 1].y) - q[k].y);
    const long long m = std::clamp<long long>(static_cast<long long>(std::ceil(len / kBezierChordPx)), 1, perPiece);
    for (long long i = 1; i <= m; ++i) {
      const double t = double(i) / double(m), u = 1 - t;
      const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
      out.push_back(Point{FigInt(b0 * q[0].x + b1 * q[1].x + b2 * q[2].x + b3 * q[3].x + 0.5),
                          FigInt(b0 * q[0].y + b1 * q[1].y + b2 * q[2].y + b3 * q[3].y + 0.5)});
    }
  }
  st.canvas->setClip(f.clipRegion);
  st.canvas->polyline(out);
}

void DoCloseMode(State& st, const std::vector<std::string>& a) {
  if (a.empty()) return;
  if (a[0] == "out") st.fig.closeModeSide = 1;
  else if (a[0] == "in") st.fig.closeModeSide = 0;
}

bool DoVelFunc(State& st, int index, const std::vector<std::string>& args) {
  FigureState& f = st.fig;
  if (index < 0 || index >= st.pre.figureFunctionList.Count()) return false;
  const MacroDef def = st.pre.figureFunctionList[index].value;
  // 1. The count after point references were expanded.
  if (static_cast<long long>(args.size()) != def.params) return false;
  if (f.functionDepth >= kFunctionDepthMax) return false;
  std::string body;
  if (!SubstituteTexts(def.body, args, body)) return false;
  // 2. Arguments evaluated in the caller's context, then placed.
  const std::array<double, 100> params = f.params;
  std::array<double, 100> values = params;
  for (size_t k = 0; k < args.size() && k + 1 < values.size(); ++k) values[k + 1] = Calc(st, args[k]);
  f.params = values;
  // 3.-5. \valA..\valz, the named points and the text margins are the call's own.
  SaveValueInfoList(st);
  const std::array<std::string, 52> points = f.namedPoints;
  f.namedPoints = {};
  const double marginX = f.textMarginX, marginY = f.textMarginY;
  const int side = f.closeModeSide;
  ++f.functionDepth;
  // 6. The body.
  const int r = WriteVeldris(st, body, false);
  // 7. Everything the call keeps to itself comes back.
  --f.functionDepth;
  f.textMarginX = marginX;
  f.textMarginY = marginY;
  f.namedPoints = points;
  RestoreValueInfoList(st);
  f.params = params;
  f.closeModeSide = side;
  return r >= 0;
}

}  // namespace vel
