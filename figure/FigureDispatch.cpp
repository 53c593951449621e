// WriteVeldris: the body of a figure, command by command. Each command's
// group is split into the argument list, point references are expanded,
// and the command goes to its handler under the close and polyline mode
// filters. State commands, \if and \while are handled here; the drawing
// commands go to their files (pens, lines and arrows in Lines.cpp, points
// in Points.cpp, shapes in Shapes.cpp, brushes and fills in Brushes.cpp and
// Areas.cpp, plots in Graphs.cpp, labels in Labels.cpp). Body errors are
// silent: only the faults named at WriteVeldris end the body early.
#include <charconv>
#include <string_view>
#include <unordered_map>

#include "base/Cp932.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"

namespace vel {

namespace {

constexpr int kGroupNotClosed = ToInt(LayoutCode::GroupNotClosed);
constexpr int kFailed = ToInt(LayoutCode::InvalidArgument);

// When a handler runs, by the drawing modes.
enum class Filter { Always, NotInPolyline, NotInCloseOrPolyline, NotInBoth, OnlyInPolyline };

// The figure's operations, by the names of their handlers.
enum class Op {
  // drawing commands
  DoAngleMarker, DoArrow, DoBezier, DoBograph, DoCircle, DoCircleArc, DoClosedCurve, DoFunction,
  DoCurvedSurface, DoEllipse, DoEllipseArc, DoEquation, DoGrid, DoLine, DoLineMarker, DoMakeArea,
  DoOresengraph, DoHeikoShihen, DoPoint, DoPointMarker, DoTakakukei, DoRect, DoSpecialArc, DoChar,
  DoZahyoAxis,
  // state commands
  DoPen, DoBrush, CloseMode, BeginClose, EndClose, BeginPolyline, EndPolyline, DoSetPoint, SetGraphPoint,
  ResetGraphPoint, Dimen, SetValue, GetValue, ToVal, TextClip, TextMargin, FontName, FontNameAlnum, FontSize,
  FontColor, FontStyle,
};

struct Row {
  Op op;
  Filter filter = Filter::Always;
  int variant = 0;  // DoCircleArc(1..3), DoTakakukei(1, 2), SetGraphPoint kinds 1..10, ...
};

const std::unordered_map<std::string_view, Row>& Commands() {
  using F = Filter;
  static const std::unordered_map<std::string_view, Row> table = {
      {"anglemarker", {Op::DoAngleMarker}},
      {"arrow", {Op::DoArrow, F::NotInPolyline, 1}},
      {"bezier", {Op::DoBezier, F::NotInCloseOrPolyline}},
      {"bograph", {Op::DoBograph, F::NotInCloseOrPolyline}},
      {"circle", {Op::DoCircle, F::NotInPolyline}},
      {"circlearc", {Op::DoCircleArc, F::Always, 1}},
      {"circlefan", {Op::DoCircleArc, F::Always, 2}},
      {"circlechord", {Op::DoCircleArc, F::Always, 3}},
      {"closedcurve", {Op::DoClosedCurve, F::NotInPolyline}},
      {"curve", {Op::DoFunction, F::NotInPolyline}},
      {"curvedsurface", {Op::DoCurvedSurface, F::NotInPolyline}},
      {"ellipse", {Op::DoEllipse, F::NotInPolyline}},
      {"ellipsearc", {Op::DoEllipseArc, F::Always, 1}},
      {"ellipsefan", {Op::DoEllipseArc, F::Always, 2}},
      {"ellipsechord", {Op::DoEllipseArc, F::Always, 3}},
      {"equation", {Op::DoEquation}},
      {"grid", {Op::DoGrid}},
      {"line", {Op::DoLine, F::NotInPolyline}},
      {"linemarker", {Op::DoLineMarker}},
      {"makearea", {Op::DoMakeArea, F::NotInPolyline}},
      {"oresengraph", {Op::DoOresengraph, F::NotInPolyline}},
      {"parallelogram", {Op::DoHeikoShihen, F::NotInPolyline}},
      {"point", {Op::DoPoint, F::OnlyInPolyline}},
      {"pointmarker", {Op::DoPointMarker}},
      {"polygon", {Op::DoTakakukei, F::Always, 1}},
      {"polyline", {Op::DoTakakukei, F::Always, 2}},
      {"rect", {Op::DoRect, F::NotInPolyline}},
      {"specialarc", {Op::DoSpecialArc, F::NotInPolyline}},
      {"text", {Op::DoChar, F::NotInBoth}},
      {"zahyoaxis", {Op::DoZahyoAxis, F::NotInBoth}},
      {"pen", {Op::DoPen}},
      {"brush", {Op::DoBrush}},
      {"closemode", {Op::CloseMode}},
      {"beginclose", {Op::BeginClose}},
      {"endclose", {Op::EndClose}},
      {"beginpolyline", {Op::BeginPolyline}},
      {"endpolyline", {Op::EndPolyline}},
      {"setpoint", {Op::DoSetPoint}},
      {"setgraphpointx", {Op::SetGraphPoint, F::Always, 1}},
      {"setgraphpointy", {Op::SetGraphPoint, F::Always, 2}},
      {"setgraphpointz", {Op::SetGraphPoint, F::Always, 3}},
      {"setgraphpointxy", {Op::SetGraphPoint, F::Always, 4}},
      {"setgraphpointxyz", {Op::SetGraphPoint, F::Always, 5}},
      {"addgraphpointx", {Op::SetGraphPoint, F::Always, 6}},
      {"addgraphpointy", {Op::SetGraphPoint, F::Always, 7}},
      {"addgraphpointz", {Op::SetGraphPoint, F::Always, 8}},
      {"addgraphpointxy", {Op::SetGraphPoint, F::Always, 9}},
      {"addgraphpointxyz", {Op::SetGraphPoint, F::Always, 10}},
      {"resetgraphpoint", {Op::ResetGraphPoint}},
      {"dimen", {Op::Dimen}},
      {"setvalue", {Op::SetValue}},
      {"getvalue", {Op::GetValue}},
      {"toval", {Op::ToVal}},
      {"textclip", {Op::TextClip}},
      {"textmargin", {Op::TextMargin}},
      {"fontname", {Op::FontName}},
      {"Fontname", {Op::FontNameAlnum}},
      {"fontsize", {Op::FontSize}},
      {"fontcolor", {Op::FontColor}},
      {"fontstyle", {Op::FontStyle}},
  };
  return table;
}

bool Skipped(const FigureState& f, Filter filter) {
  switch (filter) {
    case Filter::Always: return false;
    case Filter::NotInPolyline: return f.polylineMode;
    case Filter::NotInCloseOrPolyline: return f.closeMode || f.polylineMode;
    case Filter::NotInBoth: return f.closeMode && f.polylineMode;
    case Filter::OnlyInPolyline: return !f.polylineMode;
  }
  return false;
}

// The whole text a decimal integer, else 0 (\dimen{2.0} is not 2).
int DecimalOrZero(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return (ec == std::errc() && end == s.data() + s.size()) ? v : 0;
}

// The leading integer of the text, else 0 (\textclip{1abc} is 1).
int IntegerOrZero(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() ? v : 0;
}

const std::string& Arg(const std::vector<std::string>& a, size_t i) {
  static const std::string empty;
  return i < a.size() ? a[i] : empty;
}

constexpr size_t kPvalV = 52 + ('V' - 'A');
constexpr size_t kPvalX = 52 + ('X' - 'A');

// \endclose: the accumulated outline becomes the closed-area region, which
// the brush fills (Shasen) and the pen outlines. Fewer than three points
// enclose nothing: no fill and no outline.
void EndClose(State& st) {
  FigureState& f = st.fig;
  f.closeMode = false;
  if (st.canvas && (st.canvas->brush().style != BrushStyle::Solid || f.brushNone))
    st.canvas->setBrush(Brush{BrushStyle::Clear, st.canvas->brush().color, Hatch::Horizontal, nullptr});
  const int last = std::min(f.closeLast, static_cast<int>(PointArray::kCapacity) - 2);
  if (last < 2) {
    f.closeRegion.reset();
    f.areaRegion.reset();
    if (st.canvas) st.canvas->setClip(f.clipRegion);
    return;
  }
  std::vector<RegionPoint> outline;
  for (int k = 0; k <= last; ++k) {
    const Point p = f.points.get(size_t(k));
    outline.push_back({p.x, p.y});
  }
  f.closeRegion = f.areaRegion = Region::polygon(std::move(outline));
  Shasen(st, 1, false);
  if (st.canvas) st.canvas->setClip(f.clipRegion);
  MyLine(st, last, true);
}

// Runs one command of the table; false stops the body with -10.
bool Run(State& st, const Row& row, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  switch (row.op) {
    case Op::CloseMode:
      DoCloseMode(st, a);
      return true;
    case Op::BeginClose:
      f.closeLast = -1;
      f.closeMode = true;
      return true;
    case Op::EndClose:
      EndClose(st);
      return true;
    case Op::BeginPolyline:
      f.polylineLast = f.closeMode ? f.closeLast : -1;
      f.polylineMode = true;
      return true;
    case Op::EndPolyline:
      f.polylineMode = false;
      // In close mode the points join the closed area; otherwise they are drawn.
      if (f.closeMode) f.closeLast = f.polylineLast;
      else {
        if (st.canvas) st.canvas->setClip(f.clipRegion);
        MyLine(st, f.polylineLast, false);
      }
      return true;
    case Op::ResetGraphPoint:
      f.graph.count = f.graph.countX = f.graph.countY = f.graph.countZ = 0;
      return true;
    case Op::Dimen: {
      const int n = DecimalOrZero(Arg(a, 0));
      if (n == 2 || n == 3) f.dimen = n;
      return true;
    }
    case Op::SetValue:
      st.val.calcVarC = Calc(st, Arg(a, 0));
      return true;
    case Op::GetValue: {
      if (a.size() < 2 || a[1].empty()) return true;
      std::string replaced;
      ShikiHenkan(a[0], a[1][0], replaced, "\\c");
      st.val.registers[kPvalV] = Calc(st, replaced);
      return true;
    }
    case Op::ToVal: {
      if (a.size() < 2) return false;
      const int u = UnitToPix(st, a[1]);
      st.val.registers[kPvalX] = u > 0 ? double(UnitToPix(st, a[0])) / u : 0;
      return true;
    }
    case Op::TextClip:
      f.textClip = IntegerOrZero(Arg(a, 0));
      SetValueList(st, "textclip", f.textClip);
      return true;
    case Op::TextMargin:
      if (a.size() < 2) return true;
      f.textMarginX = UnitToPix(st, a[0]);
      f.textMarginY = UnitToPix(st, a[1]);
      return true;
    case Op::FontName:
    case Op::FontNameAlnum:
      SetFontName(st, Arg(a, 0), st.chr.styleLevel);
      st.chr.alnumFontMode = row.op == Op::FontNameAlnum ? 1 : 0;
      return true;
    case Op::FontSize:
      SetFontSize(st, Arg(a, 0), st.chr.styleLevel);
      return true;
    case Op::FontColor:
      SetFontColor(st, Arg(a, 0));
      return true;
    case Op::FontStyle:
      SetFontStyle(st, Arg(a, 0), st.chr.styleLevel);
      return true;
    case Op::DoPen:
      DoPen(st, a);
      return true;
    case Op::DoLine:
      DoLine(st, a);
      return true;
    case Op::DoArrow:
      DoArrow(st, a, row.variant);
      return true;
    case Op::DoBrush:
      DoBrush(st, a);
      return true;
    case Op::DoMakeArea:
      DoMakeArea(st, a);
      return true;
    case Op::DoClosedCurve:
      DoClosedCurve(st, a);
      return true;
    case Op::DoSetPoint:
      DoSetPoint(st, a);
      return true;
    case Op::SetGraphPoint:
      SetGraphPoint(st, a, row.variant);
      return true;
    case Op::DoPoint:
      DoPoint(st, a);
      return true;
    case Op::DoBezier:
      DoBezier(st, a);
      return true;
    case Op::DoRect:
      DoRect(st, a);
      return true;
    case Op::DoHeikoShihen:
      DoHeikoShihen(st, a);
      return true;
    case Op::DoTakakukei:
      DoTakakukei(st, a, row.variant);
      return true;
    case Op::DoOresengraph:
      DoOresengraph(st, a);
      return true;
    case Op::DoCircle:
      DoCircle(st, a);
      return true;
    case Op::DoEllipse:
      DoEllipse(st, a);
      return true;
    case Op::DoCircleArc:
      DoCircleArc(st, a, row.variant);
      return true;
    case Op::DoEllipseArc:
      DoEllipseArc(st, a, row.variant);
      return true;
    case Op::DoSpecialArc:
      DoSpecialArc(st, a);
      return true;
    case Op::DoFunction:
      DoFunction(st, a);
      return true;
    case Op::DoEquation:
      DoEquation(st, a);
      return true;
    case Op::DoCurvedSurface:
      DoCurvedSurface(st, a);
      return true;
    case Op::DoBograph:
      DoBograph(st, a);
      return true;
    case Op::DoZahyoAxis:
      DoZahyoAxis(st, a);
      return true;
    case Op::DoGrid:
      DoGrid(st, a);
      return true;
    case Op::DoChar:
      DoChar(st, a);
      return true;
    case Op::DoPointMarker:
      DoPointMarker(st, a, false);
      return true;
    case Op::DoLineMarker:
      DoLineMarker(st, a);
      return true;
    case Op::DoAngleMarker:
      DoAngleMarker(st, a);
      return true;
    default:
      // The other drawing commands, \brush, \setpoint and the graph points
      // are handled by the figure language's later files; until then they
      // draw nothing, silently, as unknown names do.
      return true;
  }
}

// \valX{expr} (X any letter) and \pvalX{expr} (X upper case); false when
// the name is neither.
bool AssignValue(State& st, const std::string& name, const std::vector<std::string>& a) {
  int slot = -1;
  if (name.size() == 4 && name.compare(0, 3, "val") == 0) slot = AlphToInt(name[3]);
  else if (name.size() == 5 && name.compare(0, 4, "pval") == 0 && name[4] >= 'A' && name[4] <= 'Z')
    slot = 52 + (name[4] - 'A');
  if (slot < 0) return false;
  st.val.registers[size_t(slot)] = Calc(st, Arg(a, 0));
  return true;
}

// The brace group at text[pos], or npos when text[pos] is not '{' or the
// group is not closed.
size_t GroupAt(const std::string& text, size_t pos) {
  return pos < text.size() && text[pos] == '{' ? GetGroup(text, pos) : std::string::npos;
}

void Blank(std::string& text, size_t from, size_t to) {
  for (size_t k = from; k <= to && k < text.size(); ++k) text[k] = ' ';
}

// \if{cond}{then}\else{else}: the branch not taken is blanked, and so are
// the braces of the one taken, whose commands the scan then meets. Returns
// where the scan resumes, npos for a missing or unclosed branch.
size_t RunIf(State& st, std::string& text, size_t ifStart, size_t condOpen, size_t condClose) {
  const bool holds = ConditionIsTrue(st, std::string_view(text).substr(condOpen + 1, condClose - condOpen - 1));
  const size_t thenOpen = condClose + 1;
  const size_t thenClose = GroupAt(text, thenOpen);
  if (thenClose == std::string::npos) return std::string::npos;
  size_t elseStart = thenClose + 1;
  while (elseStart < text.size() && text[elseStart] == ' ') ++elseStart;
  size_t elseOpen = std::string::npos, elseClose = std::string::npos;
  if (text.compare(elseStart, 6, "\\else{") == 0) {
    elseOpen = elseStart + 5;
    elseClose = GetGroup(text, elseOpen);
    if (elseClose == std::string::npos) return std::string::npos;
  }
  if (holds) {
    Blank(text, ifStart, condClose);
    Blank(text, thenOpen, thenOpen);
    Blank(text, thenClose, thenClose);
    if (elseOpen != std::string::npos) Blank(text, elseStart, elseClose);
    return thenOpen + 1;
  }
  Blank(text, ifStart, thenClose);
  if (elseOpen == std::string::npos) return thenClose + 1;
  Blank(text, elseStart, elseOpen);
  Blank(text, elseClose, elseClose);
  return elseOpen + 1;
}

// Steps of the figure's budget: a command or a loop pass costs one, and
// one more for every kBytesPerStep bytes it reads (its group; a pass's
// condition and body), so that long expressions cost their length. False
// once the budget is spent.
constexpr size_t kBytesPerStep = 32;
bool Spend(State& st, size_t groupBytes = 0) {
  const long long cost = 1 + static_cast<long long>(groupBytes / kBytesPerStep);
  if (st.fig.stepsLeft < cost) {
    st.fig.stepsLeft = 0;
    return false;
  }
  st.fig.stepsLeft -= cost;
  return true;
}

// \while{cond}{body}: the body runs on a fresh copy each time, at most
// kWhileCap times, so a condition that never fails still ends. Returns
// where the scan resumes, or the code that ends the figure.
int RunWhile(State& st, const std::string& text, const std::string& group, size_t bodyOpen, size_t& resume) {
  const size_t bodyClose = GroupAt(text, bodyOpen);
  if (bodyClose == std::string::npos) return kGroupNotClosed;
  std::vector<std::string> items;
  StrTok(group, ",", items);
  const std::string cond = items.empty() ? std::string() : items[0];
  const std::string body = text.substr(bodyOpen + 1, bodyClose - bodyOpen - 1);
  for (int n = 0; n < kWhileCap && ConditionIsTrue(st, cond); ++n)
    if (!Spend(st, cond.size() + body.size()) || WriteVeldris(st, body, false) < 0) return kFailed;
  resume = bodyClose + 1;
  return 0;
}

// The body scan; the counters are kept by the caller.
int RunBody(State& st, std::string& text) {
  ScanState sc;  // the body's own reader of names
  std::vector<std::string> args;
  size_t i = 0;
  while (i < text.size()) {
    if (isLead(text[i])) {
      i += 2;
      continue;
    }
    if (text[i] != '\\') {
      ++i;
      continue;
    }
    const size_t start = i;
    const size_t after = GetCommandName(sc, text, i);
    const std::string name = sc.commandName;
    args.clear();
    if (sc.braceFollows) {
      const size_t close = GetGroup(text, after);
      if (close == std::string::npos) return kGroupNotClosed;
      if (!Spend(st, close - after)) return kFailed;
      const std::string group = text.substr(after + 1, close - after - 1);
      if (name == "if") {
        i = RunIf(st, text, start, after, close);
        if (i == std::string::npos) return kGroupNotClosed;
        continue;
      }
      if (name == "while") {
        const int r = RunWhile(st, text, group, close + 1, i);
        if (r < 0) return r;
        continue;
      }
      if (name == "makearea") StrTok(group, "&", args);
      else if (name == "text") StrTokForText(st, group, ',', args);
      else StrTok(group, ",", args);
      const bool exempt = name == "makearea" || name == "text" || name.starts_with("setgraphpoint") ||
                          name.starts_with("addgraphpoint");
      // Markers take their points first, then their own words, which stay as written.
      const size_t dimen = size_t(st.fig.dimen);
      const size_t limit = name == "linemarker" ? 2 * dimen : name == "anglemarker" ? 3 * dimen : SIZE_MAX;
      if (!exempt) ToRealPoint(st, args, limit);
      i = close + 1;
    } else {
      if (!Spend(st)) return kFailed;
      i = std::max(after, start + 1);
      if (name == "if" || name == "while") return kGroupNotClosed;  // no condition, no branch
    }
    const auto& table = Commands();
    if (const auto row = table.find(name); row != table.end()) {
      if (!Skipped(st.fig, row->second.filter) && !Run(st, row->second, args)) return kFailed;
      continue;
    }
    if (AssignValue(st, name, args)) continue;
    // Other names are tried as the user's figure functions (\velfunc); an
    // unknown name is ignored.
    if (const int fn = st.pre.figureFunctionList.Find(name); fn >= 0 && !DoVelFunc(st, fn, args)) return kFailed;
  }
  return 0;
}

}  // namespace

int WriteVeldris(State& st, std::string text, bool topLevel) {
  if (!topLevel) return RunBody(st, text);
  // The outermost figure gets the budget; figures inside it share it.
  if (st.fig.nesting <= 1) st.fig.stepsLeft = kFigureSteps;
  // Counters set inside a figure stay inside it.
  const std::array<int, 100> counters = st.val.counters;
  const int r = RunBody(st, text);
  st.val.counters = counters;
  return r;
}

void StrTokForText(State& st, std::string_view text, char separator, std::vector<std::string>& list) {
  StrTok(text, std::string_view(&separator, 1), list);
  ToRealPoint(st, list, size_t(st.fig.dimen) + 1);
  // Trailing options among the last three items: dx=, dy=, rot=.
  auto isOption = [](const std::string& item) {
    if (item.find('{') != std::string::npos || item.find('}') != std::string::npos) return false;
    size_t k = item.starts_with("dx") || item.starts_with("dy") ? 2 : item.starts_with("rot") ? 3 : 0;
    if (k == 0) return false;
    while (k < item.size() && item[k] == ' ') ++k;
    return k < item.size() && item[k] == '=';
  };
  size_t options = 0;
  while (options < 3 && options < list.size() && isOption(list[list.size() - 1 - options])) ++options;
  const size_t textItem = static_cast<size_t>(st.fig.dimen) + 2;
  const size_t lastText = list.size() - options;  // one past the last non-option item
  if (lastText <= textItem + 1) return;
  std::string joined = list[textItem];
  for (size_t k = textItem + 1; k < lastText; ++k) joined += "," + list[k];
  std::vector<std::string> out(list.begin(), list.begin() + static_cast<long>(textItem));
  out.push_back(std::move(joined));
  out.insert(out.end(), list.end() - static_cast<long>(options), list.end());
  list = std::move(out);
}

}  // namespace vel
