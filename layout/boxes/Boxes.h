// Single-line boxes, frames, underlines, mini pages and images.
#pragma once

#include <optional>
#include <string>

#include "layout/commands/Commands.h"
#include "state/State.h"

namespace vel {

// Boxes and blocks nest at most this deep, and one outermost box makes at
// most this many walks over box texts (stored boxes measured inside stored
// boxes, pattern copies drawn inside pattern copies); beyond either the
// box fails (-10).
constexpr int kMaxBoxDepth = 200;
constexpr long long kMaxBoxWalks = 100000;

// Typesets text as one unbroken line: its extent, drawn at (x, baseline y)
// when draw is set; or a failure (the message "** <command>のエラー"
// written). Commands in the text run through
// SetCommand in box mode. `rewritten` receives the text as the walk left it
// (stored boxes and mini pages replaced by references to what was measured,
// conditionals resolved): what a word keeps so that drawing it later reads
// the same boxes.
Result<Extent> BoxWidthHeight(State& st, const std::string& text, int styleLevel, bool vertical, bool draw, int y,
                              int x, std::string* rewritten = nullptr);

// A framed box (the argument may start with \style{...}); InvalidArgument
// when it fails (the message written).
Result<Extent> FrameBox(State& st, const std::string& text, int styleLevel, bool draw, int y, int x,
                        std::string* rewritten = nullptr);

// An underlined box; kind 0 (\underline) or 1 (\Underline, adds the rule's
// room to the depth). InvalidArgument when it fails (the message written).
Result<Extent> UnderLine(State& st, const std::string& text, int styleLevel, int kind, bool draw, int y, int x,
                         std::string* rewritten = nullptr);
// The rule of an underline span of running text (the style is the start
// marker's text) below words of the given extent whose baseline is y, from
// x: the span part ends at a line end or at the span's end, and each part
// is drawn alike. The extent is the words' with the rule's room added to
// the depth for kind 1. InvalidArgument for a style that is none.
Result<Extent> UnderlineSpan(State& st, const std::string& style, int kind, const Extent& words, bool draw, int y,
                             int x);
// The depth an underline of this style adds below its text (what the
// capital form adds to the line); 0 for a style that is not one.
int UnderlineExtraDepth(State& st, const std::string& style);

// A separately typeset block; width < 1: read \align and \width from the
// text (placed against the reference line by \align), else the block hangs
// from its reference line (floats, footnotes). The block starts from the
// defaults of SetDefVar. Its index in MiniPageList (whose record holds its
// size), or InvalidArgument (the message written).
Result<int> MakeMiniPage(State& st, const std::string& text, int styleLevel, int width);
// The default settings of a block (mini pages, floats, footnotes).
void SetDefVar(State& st);
// Draws mini page `index` with its reference line at y from x, from the
// defaults it was laid out with; the state is saved and restored around it.
void DrawMiniPageBlock(State& st, int index, int y, int x);

// The box-making commands of running text (underline, frame box, table,
// box family, mini page, floats, image, figure, makebox): their rows of
// SetCommand, which has applied the argument rules of their rows.
Result<CommandOutcome> SetBoxCommand(State& st, int num, const std::string& arg, const CommandContext& ctx);

// An image placed by the figure commands: at the anchor point (x, y) (anchor
// 1-9: top-left ... bottom-right, 5 the centre), or tiled over the area.
// Sizes and points in layout units; a missing width or height follows the
// picture's proportions.
struct FigureImage {
  std::string file;  // CP932, searched like \image's
  double width = 0, height = 0;
  int anchor = 5;
  int x = 0, y = 0;
  bool tile = false;
  int areaLeft = 0, areaTop = 0, areaRight = 0, areaBottom = 0;
  bool whiteTransparent = false;
};

// \image in running text: the options and the file name are read from the
// text; the box's extent, or InvalidArgument (the message written).
Result<Extent> DrawImage(State& st, const std::string& text, int x, bool draw, int y);
// An image placed by the figure commands: its size (no depth), or
// InvalidArgument (the message written).
Result<Extent> DrawFigureImage(State& st, const FigureImage& figure, bool draw);
// A bitmap on the canvas at device coordinates, drawn or stretched.
void ImageDraw(State& st, int x, int y, const Bitmap& bmp, std::optional<Color> transparent = std::nullopt);
void ImageStretchDraw(State& st, const Bitmap& bmp, int left, int top, int right, int bottom,
                      std::optional<Color> transparent = std::nullopt);
// A bitmap tiled over the device pixels left..right-1, top..bottom-1 in
// tiles of tileW x tileH layout units from the layout point (originX,
// originY), as one image. Past Canvas::kMaxTiles tiles, a tile is made of
// several copies of the bitmap so that the count stays within the limit
// (the picture is the same); nothing is drawn when even such a tile would
// be too large.
void ImageTileDraw(State& st, const Bitmap& bmp, int left, int top, int right, int bottom, double originX,
                   double originY, double tileW, double tileH, std::optional<Color> transparent = std::nullopt);
// The search of an image file: a name with a folder as written (from the
// document's folder when relative), else the document's folder and then
// the image folders of the settings. The native path, or empty.
std::string FindImageFile(const State& st, const std::string& name);
// Loads by the path's extension (any case): 1 loaded, 0 not bmp/jpg/jpeg,
// -1 the file is no readable image of its kind.
[[nodiscard]] int LoadImageFile(const std::string& path, Bitmap& out);

}  // namespace vel
