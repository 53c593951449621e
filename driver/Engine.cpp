#include "driver/Engine.h"

#include "base/Cp932.h"
#include "base/Units.h"
#include "driver/StandardSeams.h"

namespace vel {

void Engine::setCanvas(Canvas& c) {
  canvas_ = &c;
  if (good_) good_->canvas = &c;
}

void Engine::setView(double dpi, double zoom) {
  dpi_ = dpi;
  zoom_ = zoom;
  // A print job owns the drawing scale until it ends; the viewer's scale
  // reaches the pages when it next draws after the job.
  if (good_ && !good_->draw.printing) {
    good_->draw.deviceDpi = dpi;
    good_->draw.zoom = zoom;
    good_->draw.scale = units::DeviceScale(dpi, zoom);
  }
}

void Engine::prepare(State& st) {
  st.host = host_;
  st.canvas = canvas_;
  st.settings = &settings;
  st.seams = &StandardSeams();
  st.documentPath = documentPath;
  size_t slash = documentPath.find_last_of('/');
  st.documentDir = slash == std::string::npos ? "." : documentPath.substr(0, slash);
  st.fileName = slash == std::string::npos ? documentPath : documentPath.substr(slash + 1);
  st.programInputDir = programInputDir;
  st.sourceLines = source;
  // Each line its own line of the document; messages name lines by it.
  st.origins.identity(source.size(), source, utf8ToCp932(st.fileName), documentPath);
  st.origins.files[0].replaced = sourceReplaced;
  st.geo.paperWidthMM = paperWidthMM;
  st.geo.paperHeightMM = paperHeightMM;
  st.draw.deviceDpi = dpi_;
  st.draw.zoom = zoom_;
  st.draw.scale = units::DeviceScale(dpi_, zoom_);
  st.pre.clock = ReadRunClock(fixedClock);
}

void Engine::ForgetPages() {
  good_.reset();
  last_.reset();
  sheets = 0;
  currentSheet = 0;
}

LoadResult Engine::loadDocument(const std::string& path) {
  Lines lines;
  size_t replaced = 0;
  const LoadResult r = LoadSourceFile(path, lines, &replaced);
  if (r != LoadResult::Ok) return r;
  documentPath = path;
  source = std::move(lines);
  sourceReplaced = replaced;
  return r;
}

RunStatus Engine::TextDraw(int page) {
  auto st = std::make_unique<State>();
  prepare(*st);
  RunStatus status = vel::TextDraw(*st, page);
  if (status == RunStatus::Done) {
    paperWidthMM = st->geo.paperWidthMM;
    paperHeightMM = st->geo.paperHeightMM;
    sheets = st->col.sheets;
    currentSheet = st->draw.currentSheet;
    good_ = std::move(st);
    last_.reset();
  } else {
    // The viewer keeps the last good pages; the failed run stays for dumps.
    last_ = std::move(st);
  }
  return status;
}

}  // namespace vel
