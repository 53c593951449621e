// veldris-render --watch: typesets again whenever the document or a file
// the last run read (its \input files, its images) is saved, as the
// viewer's re-typesetting on save does, until SIGINT (Ctrl+C) or SIGTERM.
//
// Editors save in place or by writing a new file and renaming it over the
// old one; the second replaces the watched file, so the folders are watched
// as well and the files are watched anew after every change. A change is
// taken only when it has settled and a file's time, size or identity
// differs from what the last run saw, so an editor's swap files beside the
// document cause no run.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vel {

struct WatchedRun {
  int status = 0;                      // the exit status a single run would have
  std::vector<std::string> filesRead;  // native paths: the document, its inputs, its images
};

// Runs `typeset` now and after every change; returns 0 when a signal ends
// the watch.
int WatchAndTypeset(const std::string& documentPath, const std::function<WatchedRun()>& typeset);

}  // namespace vel
