// JPEG files drawn into a PDF, stored as they are.
//
// Qt's PDF engine (6.4) takes no encoded image data: it stores every image
// either encoded again as JPEG (quality 94) or, under the render hint
// QPainter::LosslessImageRendering, deflated. So the canvas draws every
// image into a PDF lossless, except the pixels of JPEG files: those it
// draws lossy and notes here, one entry per image object (Qt writes an
// object the first time an image is drawn and reuses it after). When the
// painter has finished the file, StoreJpegFilesAsIs puts each file's own
// data in place of Qt's second encoding.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "canvas/Bitmap.h"

namespace vel {

class PdfJpegLog {
 public:
  struct Entry {
    std::shared_ptr<const JpegSource> source;
    int width = 0, height = 0;
  };
  void add(std::shared_ptr<const JpegSource> source, int width, int height) {
    entries_.push_back({std::move(source), width, height});
  }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// Rewrites the finished PDF at `path`: the n-th JPEG-encoded image object
// (in file order) gets the data of the log's n-th file. Nothing is changed
// unless every such object matches its entry in size and the file's cross
// reference table is the plain one Qt writes. True when the file holds the
// files' own data (also when there was none to store).
bool StoreJpegFilesAsIs(const QString& path, const PdfJpegLog& log);

}  // namespace vel
