// The typesetting state: every list and scalar a typesetting run builds.
// One State is made per run (the Engine keeps the last good one); the
// operations of every subsystem take it explicitly.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "canvas/Canvas.h"
#include "base/Lines.h"
#include "state/ScanState.h"
#include "state/BoxState.h"
#include "state/ColumnState.h"
#include "state/CommandState.h"
#include "state/DrawState.h"
#include "state/FigureState.h"
#include "state/FontState.h"
#include "state/Geometry.h"
#include "state/Host.h"
#include "state/LineState.h"
#include "state/MathState.h"
#include "state/PreprocState.h"
#include "state/Records.h"
#include "state/Settings.h"
#include "state/Styles.h"
#include "state/ValueStore.h"

namespace vel {

struct Seams;  // the math, figure and table plug-ins (seams/Seams.h)

// Saved by a brace group and by the commands that open one.
using GroupVariables = GroupStyle;

// Saved around the contents of a box measured or drawn apart from the
// text: the character style, the math flag, and the cell height and math
// axis as they were (a formula may have changed them through a math font).
struct BoxVariables {
  CharStyle chr;
  bool mathMode = false;
  double charHeight = 0, mathAxis = 0;
};

// Saved (and then cleared) around a mini page: the whole paragraph and line state.
struct MiniPageVariables {
  LineState line;
  ParaStyle para;
  Font font;
  double fontSize = 0;
  bool mathMode = false;
  int columnWidth = 0;
};

struct State {
  // Surroundings of the run (not owned).
  Host* host = nullptr;
  Canvas* canvas = nullptr;  // measures always; draws when a page is drawn
  const Settings* settings = nullptr;
  const Seams* seams = nullptr;  // installed by the driver
  std::string documentPath;  // native path of the opened file
  std::string documentDir;   // its folder (native)
  std::string fileName;      // its name without folder (native)
  std::string programInputDir;  // the program's own data/input folder

  ScanState scan;
  CharStyle chr;   // the group-scoped character settings
  ParaStyle para;  // the group-scoped paragraph settings
  ValueStore val;
  Geometry geo;
  PreprocState pre;
  FontState font;
  LineState line;
  CommandState cmd;
  ColumnState col;
  DrawState draw;
  BoxState box;
  MathState math;
  FigureState fig;

  Lines sourceLines;
  SourceOrigins origins;  // where each of sourceLines came from, in step with it
  // The error that stopped this run (set by the reports of state/Reports.h).
  std::optional<SourceError> error;

  WordList wordList;
  WordTexts wordTextList;
  std::vector<LineInfo> lineList;
  std::vector<ColumnInfo> columnList;
  std::vector<PageInfo> pageList;
  PageInfo currentPageState;

  std::vector<StoredBox> boxList;
  std::vector<MiniPage> miniPageList;

  std::vector<GroupVariables> groupVariablesList;
  std::vector<BoxVariables> boxVariablesList;
  std::vector<MiniPageVariables> miniPageVariablesList;
  std::vector<GroupStyle> groupInfoList;  // per closed group: its opening settings


  // Messages go to the host's INFORMATION window.
  void message(const std::string& cp932) const {
    if (host) host->addLine(cp932);
  }
};

}  // namespace vel
