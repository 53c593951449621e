// The figure language: \veldris{header body}.
//
// A figure is one box of the line. The layout measures it while lines are
// built (VeldrisDraw in measure mode: the header only) and draws it when
// its page is drawn (draw mode: the header sets up coordinates, clip, pen
// and brush, then WriteVeldris runs the body). Both modes read the header
// with the same rules, so what is drawn has the size that was measured.
//
// What it promises:
//  - Every figure restores the figure context, the text rotation, the
//    box variables, \valA..\valz, the counters, the pen, brush and clip it
//    found: figures nest (a figure in a label of a figure) and a redraw of
//    a page draws the same pixels.
//  - The caller's text is never changed: \if resolves its branches on a
//    copy, so every redraw runs the figure as written.
//  - Only the header reports errors (with the system's messages); the body
//    is silent, and stops early only on the faults WriteVeldris names.
//  - Every double turned into figure geometry goes through FigInt: user
//    geometry gives infinities and NaN (zero scales, poles), which become
//    clamped integers rather than undefined casts.
// Named limits: the shared point array (PointArray::kCapacity points),
// kWhileCap passes of one \while, kFigureSteps steps (commands, by the
// length of their groups, and loop passes) in one figure: loops inside
// loops would otherwise multiply their caps and hold the window for hours.
// 100 constants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "state/State.h"

namespace vel {

// Geometry is clamped to +-kFigIntMax, so that sums of two clamped values
// still fit an int.
constexpr int kFigIntMax = 1 << 30;
constexpr int kWhileCap = 50000;
constexpr long long kFigureSteps = 200000;

// The saturating double-to-int conversion of figure geometry: truncation
// toward zero, NaN to 0, the range clamped to +-kFigIntMax.
int FigInt(double v);

// ---- coordinates (Coordinates.cpp) ----
// A to Z give 0 to 25, a to z 26 to 51, anything else -1.
int AlphToInt(char letter);
int XX(State& st, double x);  // layout units
int YY(State& st, double y);
int xx(State& st, double x);  // device pixels
int yy(State& st, double y);
// The point with the text rotation applied; also kept in st.fig.lastPoint.
Point XXYY(State& st, double x, double y);
Point xxyy(State& st, double x, double y);
// Device length of a user segment of length len along (dx, dy).
int PixLen(State& st, double dx, double dy, double len);
// Turns (x, y) by the text rotation; kept in st.fig.rotatedX/Y.
void Rotxy(State& st, double x, double y);
// The projection of a 3-D point by the view angles, into st.fig.projU/V.
void ThreeToTwoDimen(State& st, double x, double y, double z);
// The user point of items a[at..] (dimen of them, x, y and z evaluated in
// that order; 3-D points projected); false when the list is too short.
bool ReadUserPoint(State& st, const std::vector<std::string>& a, size_t at, int dimen, double& x, double& y);

// ---- pens, lines and arrows (Lines.cpp) ----
// Strokes point-array entries 0..n (and back to 0 when closed) with the
// canvas pen and st.fig.penStyle: solid, dashes cut in layout units, or
// nothing (9). A closed dashed or invisible path sets entry n+1 to entry 0.
// The canvas pen and brush are left as found.
void MyLine(State& st, int n, bool closed);
// The same stroke over the caller's own device points: drawing that is
// only scratch (labels, markers, arrow heads) never touches the point
// array, so it cannot overwrite an outline collected in close mode.
void MyLine(State& st, std::vector<Point> pts, bool closed);
// \pen{style[,width[,colour]]}.
void DoPen(State& st, const std::vector<std::string>& args);
// \line{form,...}: p, q, r, vq, vr, t, x, y.
void DoLine(State& st, const std::vector<std::string>& args);
// \arrow{p|v,...}: kind 1 a figure's arrow, 2 an axis arrow (clipped to
// the page), 3 a formula's vector arrow (font colour, rule-width shaft).
void DoArrow(State& st, const std::vector<std::string>& args, int kind);
// The circular arc from user point A to B as cubic Bezier pieces in device
// points (Canvas::bezierPolygon's form: A only when out is empty, then two
// controls and an end per piece), bulging right of A->B by `bulge` chord
// lengths of centre offset; the arc's middle point goes to mid.
Point ArcPoints(State& st, std::vector<Point>& out, Point& mid, double bulge, double ax, double ay, double bx, double by);

// ---- points, paths and figure functions (Points.cpp) ----
// Figure functions running inside one another: a function that calls
// itself fails at this depth, which stops the figure.
constexpr int kFunctionDepthMax = 64;
// A named point's coordinate as stored: an integral value as an integer,
// others in fixed notation with 5 decimals.
std::string PointNumber(double v);
// \setpoint{A(x,y[,z]),B(...),...}: points evaluated when defined.
void DoSetPoint(State& st, const std::vector<std::string>& args);
// Expands point references in the first `limit` items of the list: whole
// items \P(AB..), \V(AB), \R(ABC), then \P(A).x and \V(AB).x inside
// expressions. A reference that cannot be expanded stays as written.
void ToRealPoint(State& st, std::vector<std::string>& list, size_t limit = SIZE_MAX);
// \setgraphpointx..xyz (kinds 1-5) and \addgraphpointx..xyz (6-10).
void SetGraphPoint(State& st, const std::vector<std::string>& args, int kind);
// \point{x,y[,z]} inside \beginpolyline..\endpolyline.
void DoPoint(State& st, const std::vector<std::string>& args);
// \bezier{x0,y0,x1,y1,...}: cubic pieces with the canvas pen as it is.
void DoBezier(State& st, const std::vector<std::string>& args);
// \closemode{in|out}.
void DoCloseMode(State& st, const std::vector<std::string>& args);
// Runs figure function `index` of st.pre.figureFunctionList with the
// (already expanded) arguments; false stops the figure.
bool DoVelFunc(State& st, int index, const std::vector<std::string>& args);

// ---- shapes (Shapes.cpp) ----
// \rect{x1,y1,x2,y2[,rx,ry]}, rounded when both radii are given.
void DoRect(State& st, const std::vector<std::string>& args);
// \parallelogram{v|vl,P,a,b,mode[,la,lb]}: mode 2 strokes the two far sides only.
void DoHeikoShihen(State& st, const std::vector<std::string>& args);
// kind 1 \polygon, 2 \polyline (and \line{p,...}), 3 \oresengraph.
void DoTakakukei(State& st, const std::vector<std::string>& args, int kind);
void DoOresengraph(State& st, const std::vector<std::string>& args);
// \circle{cx,cy,r} or, in 3-D, {cx,cy,cz,r,nx,ny,nz}: the ellipse it
// projects to, published in \pvalX, \pvalY, \pvalA, \pvalB, \pvalT.
void DoCircle(State& st, const std::vector<std::string>& args);
// \ellipse{cx,cy,a,b,phi}.
void DoEllipse(State& st, const std::vector<std::string>& args);
// kind 1 arc, 2 sector, 3 chord; directions from the centre; ",r" turns
// an arc clockwise.
void DoCircleArc(State& st, const std::vector<std::string>& args, int kind);
void DoEllipseArc(State& st, const std::vector<std::string>& args, int kind);
// \specialarc{form,P1,P2,value}: r/rr by radius, d/dr by sagitta.
void DoSpecialArc(State& st, const std::vector<std::string>& args);
// Its workers: sagitta in user units (A), radius (B), sagitta as a
// physical length in layout units (C).
void DoSpecialArcA(State& st, double x1, double y1, double x2, double y2, double s);
void DoSpecialArcB(State& st, double x1, double y1, double x2, double y2, double R);
void DoSpecialArcC(State& st, double x1, double y1, double x2, double y2, int s);

// ---- brushes, hatching and gradients (Brushes.cpp) ----
// \brush{kind,...}.
void DoBrush(State& st, const std::vector<std::string>& args);
// Fills or hatches st.fig.areaRegion with the brush (mode 2: its
// intersection with st.fig.auxRegion), on the inside or the outside by
// closeModeSide; useCurrentClip keeps the clip already selected. The
// canvas pen is left as found.
void Shasen(State& st, int mode, bool useCurrentClip);
// Splits gradColor1 and gradColor2 into their blue, green and red bytes.
void GradBrushColorToRGB(State& st);
// Named limits of the fill engine: a gradient is painted into one bitmap
// of at most kMaxGradientPixels (the part of it inside the figure box);
// a hatch step under one device pixel hatches nothing.
constexpr long long kMaxGradientPixels = 32LL * 1024 * 1024;

// ---- filled areas from inequalities and closed curves (Areas.cpp) ----
// \makearea{item & item & ...}: inequalities, circles, ellipses and
// polygons (\out subtracts) narrow the figure box; Shasen fills the rest.
void DoMakeArea(State& st, const std::vector<std::string>& args);
// \closedcurve{piece,...}: points, parametric and function pieces, filled
// and outlined.
void DoClosedCurve(State& st, const std::vector<std::string>& args);
// Inequality boundaries take at most kMaxAreaSamples samples; a closed
// curve holds at most kMaxCurvePoints points, a parametric piece at most
// kMaxParamSteps steps.
constexpr int kMaxAreaSamples = 20000;
constexpr int kMaxCurvePoints = 50000;
constexpr int kMaxParamSteps = 2000;

// ---- graphs and plots (Graphs.cpp) ----
// \curve{x|y|r|t,...}: the worker by the form's first letter (x, y, r
// ignored in 3-D); in close mode the samples join the closed outline.
void DoFunction(State& st, const std::vector<std::string>& args);
// \equation{lhs=rhs[,a,b]}: the root into \pvalX and \c, rhs there into
// \pvalY; 0 when the interval shows no sign change. Draws nothing.
void DoEquation(State& st, const std::vector<std::string>& args);
// \curvedsurface{mode,f(x,y),x0,x1,y0,y1,dx[,dy]} (3-D): a mesh drawn off
// screen, mode non-zero hiding the lines behind the surface.
void DoCurvedSurface(State& st, const std::vector<std::string>& args);
// \bograph{first,last,width,fx,fy[,border]}: bars over the graph points.
void DoBograph(State& st, const std::vector<std::string>& args);
// \zahyoaxis{letters,from,to,...}: axes as page-clipped arrows.
void DoZahyoAxis(State& st, const std::vector<std::string>& args);
// \grid{mode,spacing[,penstyle[,colour]]}: mode "d" shows on screen only.
void DoGrid(State& st, const std::vector<std::string>& args);

// ---- labels and markers (Labels.cpp) ----
// \text{box,x,y[,z],pos,text[,dx=][,dy=][,rot=]}: typeset like running
// text (math and Japanese too), at one of nine anchors.
void DoChar(State& st, const std::vector<std::string>& args);
// \pointmarker{kind,size,x,y,...}; outlineOnly leaves open kinds unfilled.
void DoPointMarker(State& st, const std::vector<std::string>& args, bool outlineOnly);
// \linemarker{x1,y1,x2,y2,offset,mark[,size[,...]]}.
void DoLineMarker(State& st, const std::vector<std::string>& args);
// \anglemarker{vx,vy,ax,ay,bx,by,mark,radius[,size[,...]]}.
void DoAngleMarker(State& st, const std::vector<std::string>& args);
// The double-quoted text starting in list[index] (joined across items
// when its closing quote lies in a later one, which are then removed);
// the item keeps what stood before the quote. Empty without a quote.
std::string GetQuotation(std::vector<std::string>& list, size_t index);

// ---- header (FigureHeader.cpp) ----
// Reads the header, fills the figure context; in draw mode (measureOnly
// false) also the clip, the screen frame, pen and brush. False after
// writing a header error message. x, y: left edge and text baseline.
bool SetVeldris(State& st, const std::string& text, int x, int y, bool measureOnly);
// \constant / \parameter on the argument list.
void DoConstant(State& st, const std::vector<std::string>& args);

// ---- environment (FigureEnvironment.cpp) ----
// Measures (draw false) or draws the figure. 0 on success, -10 on a header
// error, in draw mode the body's result (0, -1, -10). The box goes to
// `box` whenever the header was read.
int VeldrisDraw(State& st, const std::string& text, int x, bool draw, int y, Extent& box);

// ---- body (FigureDispatch.cpp) ----
// Runs the commands of a body (a copy: \if rewrites it). topLevel: the
// figure's own text (counters are then saved and restored around it, and
// the outermost figure's step budget starts);
// false for a \while body or a figure function.
int WriteVeldris(State& st, std::string text, bool topLevel);
// The argument of \text: split at the separator, options (dx=, dy=, rot=)
// kept apart, and the text item may hold commas.
void StrTokForText(State& st, std::string_view text, char separator, std::vector<std::string>& list);

}  // namespace vel
