// The owner of typesetting: the desktop window and veldris-render each hold
// one Engine. A run is made into a fresh State and kept only when it
// succeeds; what survives runs (settings, source lines, the paper, the
// sheet shown, the zoom) lives here.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "frontend/SourceFile.h"
#include "state/State.h"

namespace vel {

enum class RunStatus {
  Done,     // typeset; the requested sheet was shown
  Empty,    // the source has no lines: only the file line was written
  Stopped,  // stopped on an error in the source (reported)
};

class Engine {
 public:
  Engine(Host& host, Canvas& canvas) : host_(&host), canvas_(&canvas) {}

  Settings settings = Settings::defaults();
  std::string programInputDir;        // the program's own data/input folder
  std::optional<RunClock> fixedClock;  // the clock of every run, when set

  // The document: its native path and its lines as loaded, and how many
  // of its characters had no Shift-JIS form and were read as "〓" (each
  // run warns of them in the message window).
  std::string documentPath;
  Lines source;
  size_t sourceReplaced = 0;

  // Loads the file at `path` (native) into documentPath, source and
  // sourceReplaced; they are left alone when it cannot be read.
  LoadResult loadDocument(const std::string& path);

  // Carried from run to run.
  double paperWidthMM = 182;  // "b5t" at start
  double paperHeightMM = 257;
  int currentSheet = 0;
  int sheets = 0;

  // Typesets `source` and shows sheet `page` (clamped to the last one).
  RunStatus TextDraw(int page);

  // The last good run (null before the first); the run just made, good or not.
  State* state() { return good_.get(); }
  State* lastRun() { return last_ ? last_.get() : good_.get(); }
  // The error that stopped the last run, where the author wrote it: the
  // file's native path and its 1-based line (0 when the error has no
  // line). Null when the last run did not stop on an error. The viewer's
  // "open the editor at the error" opens lastError()->path at ->line.
  const SourceError* lastError() const { return last_ && last_->error ? &*last_->error : nullptr; }

  Canvas& canvas() { return *canvas_; }
  void setCanvas(Canvas& c);
  Host& host() { return *host_; }

  // Drops the last good run: when another document is opened, the pages of
  // the previous one must not stand for it if its first run fails.
  void ForgetPages();

  // Drawing scale of the viewer: device dots per inch and zoom. While a
  // print job draws the pages it is only remembered.
  void setView(double dpi, double zoom);
  double zoom() const { return zoom_; }
  double dpi() const { return dpi_; }

 private:
  void prepare(State& st);
  Host* host_;
  Canvas* canvas_;
  double dpi_ = 96;
  double zoom_ = 1;
  std::unique_ptr<State> good_;
  std::unique_ptr<State> last_;
};

// The run's clock: the fixed clock or the local time now.
RunClock ReadRunClock(const std::optional<RunClock>& fixed);

// The 16 steps of a typesetting run on a prepared state. Returns the status;
// on Done the sheet count and the shown sheet are in st.col.sheets and
// st.draw.currentSheet.
RunStatus TextDraw(State& st, int page);

// Builds the second pass's source from the contents collected in the first.
void AddContents(State& st);

}  // namespace vel
