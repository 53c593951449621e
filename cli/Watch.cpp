#include "cli/Watch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <iostream>
#include <map>
#include <set>

namespace vel {

namespace {

// Long enough for an editor's write-then-rename to finish, short enough to
// feel immediate.
constexpr int kSettleMs = 150;

// What a run saw of a file: a save changes the time or the size, a save by
// rename the inode too.
struct Stamp {
  bool exists = false;
  long long mtimeNs = 0, size = 0, inode = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  struct stat s {};
  if (::stat(path.c_str(), &s) != 0) return {};
  return {true, static_cast<long long>(s.st_mtim.tv_sec) * 1000000000LL + s.st_mtim.tv_nsec,
          static_cast<long long>(s.st_size), static_cast<long long>(s.st_ino)};
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The signal handler only writes a byte; the event loop reads it and ends.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

class Watch {
 public:
  Watch(const std::string& document, const std::function<WatchedRun()>& typeset)
      : document_(document), typeset_(typeset) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { settle_.start(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { settle_.start(); });
    QObject::connect(&settle_, &QTimer::timeout, [this] { settled(); });
  }

  void run() {
    // Stamps taken before the run: a save while it runs is a change.
    std::map<std::string, Stamp> before;
    for (const auto& [path, stamp] : known_) before[path] = stampOf(path);
    before[document_] = stampOf(document_);
    const WatchedRun r = typeset_();
    std::set<std::string> files(r.filesRead.begin(), r.filesRead.end());
    files.insert(document_);
    known_.clear();
    for (const std::string& f : files) {
      auto b = before.find(f);
      known_[f] = b != before.end() ? b->second : stampOf(f);
    }
    rearm();
    if (r.status != 0) std::cerr << "veldris-render: the last good output is kept\n";
    std::cerr << "veldris-render: watching " << known_.size() << " file(s); Ctrl+C ends\n";
  }

 private:
  void rearm() {
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    QStringList paths;
    std::set<std::string> folders;
    for (const auto& [path, stamp] : known_) {
      if (stampOf(path).exists) paths << QString::fromStdString(path);
      folders.insert(folderOf(path));
    }
    for (const std::string& d : folders) paths << QString::fromStdString(d);
    watcher_.addPaths(paths);
  }

  void settled() {
    // The document between an editor's delete and its write: the next
    // change follows.
    if (!stampOf(document_).exists) {
      rearm();
      return;
    }
    for (const auto& [path, stamp] : known_) {
      if (stampOf(path) == stamp) continue;
      std::cerr << "veldris-render: " << path << " changed: typesetting again\n";
      run();
      return;
    }
    rearm();
  }

  std::string document_;
  std::function<WatchedRun()> typeset_;
  std::map<std::string, Stamp> known_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
};

}  // namespace

int WatchAndTypeset(const std::string& documentPath, const std::function<WatchedRun()>& typeset) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::cerr << "veldris-render: cannot watch: no pipe for signals\n";
    return 2;
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&stop, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });

  Watch watch(documentPath, typeset);
  watch.run();
  QCoreApplication::exec();
  std::cerr << "veldris-render: watch ended\n";
  return 0;
}

}  // namespace vel
