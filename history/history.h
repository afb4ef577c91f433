// The saved scans: one SQLite file, no server.
//
//   std::unique_ptr<History> history;
//   HistoryStatus s = History::Open(path, {.write = true, .create = true},
//                                   &history);
//   s = history->Save(scan, &id);          // one transaction: all or nothing
//   s = history->List(filter, &facts);     // oldest first
//   s = history->Load(id, LoadWhat::kFiguresAndDirectories, &scan);
//   s = history->Prune(cutoff, &removed);  // the newest of each root stays
//   s = history->Keep(n, &removed);        // the newest n of each root
//
// Several processes may use one file at once: it is kept in write-ahead
// log mode, and a writer waits (up to the busy timeout) for another to
// finish. A process killed while saving leaves the file as it was before
// that save. Failures come back as a HistoryStatus whose message names
// the file; a failed call leaves the file as it was. A file of a newer
// layout than this program knows is refused and never written.
//
// One History is used from one thread at a time.
#ifndef OVIK_HISTORY_HISTORY_H_
#define OVIK_HISTORY_HISTORY_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/history_file.h"
#include "history/history_status.h"
#include "history/saved_scan.h"
#include "scan/ranked_by.h"

struct sqlite3;

namespace ovik {

struct HistoryOptions {
  // Open to save and prune; brings an older file up to date. Otherwise
  // the file is only read, and must exist.
  bool write = false;
  // With |write|: creates the file when it is missing, readable by its
  // owner alone, and its missing directories (mode 0700).
  bool create = false;
  // How long to wait for another process's save to finish.
  std::chrono::milliseconds busy_timeout{30000};
};

// Which saved scans List gives: those of one volume, or of one root on
// it; all when nothing is set.
struct ScanFilter {
  std::optional<std::string> volume;
  std::optional<std::string> root_in_volume;  // with |volume| only
};

enum class LoadWhat : std::uint8_t {
  kFigures,                // facts, owners and groups
  kFiguresAndDirectories,  // and the owners' directories
};

class History {
 public:
  static HistoryStatus Open(const std::string& path,
                            const HistoryOptions& options,
                            std::unique_ptr<History>* history);
  ~History();
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Stores |scan| (its facts' id and counts are filled in here) and
  // gives its id. Owners of one identity are added up into one.
  HistoryStatus Save(const SavedScan& scan, std::int64_t* id = nullptr);

  // The facts of the saved scans |filter| asks for, oldest first (by
  // start, then by order of saving).
  HistoryStatus List(const ScanFilter& filter, std::vector<ScanFacts>* scans);

  // One saved scan. Directories come largest first.
  HistoryStatus Load(std::int64_t id, LoadWhat what, SavedScan* scan);

  // One owner's directories in one saved scan, largest first; none when
  // the scan has none for it.
  HistoryStatus LoadDirectories(std::int64_t id, const Who& who,
                                std::vector<SavedDirectory>* directories);

  // The bytes of each of |whos| (owners or groups as |by| says) in each
  // of the scans |ids|: (*bytes)[w][s], 0 where one had none.
  HistoryStatus LoadBytes(const std::vector<std::int64_t>& ids, RankedBy by,
                          const std::vector<Who>& whos,
                          std::vector<std::vector<std::uint64_t>>* bytes);

  // Removes the scans started before |cutoff|, except the newest of each
  // series.
  HistoryStatus Prune(std::chrono::sys_seconds cutoff, std::uint64_t* removed);
  // Keeps the newest |newest| scans of each series (at least one).
  HistoryStatus Keep(std::uint64_t newest, std::uint64_t* removed);

  const std::string& path() const { return path_; }

  // Called between the writes of a save: a test stops a save half way
  // through with it.
  void OnEachWrite(std::function<void()> hook) { on_write_ = std::move(hook); }

 private:
  History() = default;

  HistoryStatus OpenConnection(const HistoryOptions& options);
  HistoryStatus CheckAndMigrate(bool write);
  // Runs |step| (an SQLite call's result) again while the file is busy in
  // a way the busy handler does not wait out: two processes setting up
  // the same new file both hold a read lock they want to make exclusive,
  // and SQLite refuses one of them at once rather than let them deadlock.
  int RetryWhileBusy(const std::function<int()>& step) const;
  HistoryStatus Failure(int rc, const char* doing) const;
  HistoryStatus Damaged() const;
  // |body| (SQLite calls; SQLITE_NOTFOUND when scan |id| is not in the
  // file) in one transaction that only reads.
  HistoryStatus ReadScan(std::int64_t id, const std::function<int()>& body);
  // |body| in one transaction that writes; |rc|, when given, gets the
  // SQLite result it failed with.
  HistoryStatus Transaction(const char* doing,
                            const std::function<int()>& body,
                            int* rc = nullptr);
  int RemoveScans(const std::vector<std::int64_t>& ids, std::uint64_t* removed);
  int SweepDirectorySets();
  void Wrote() {
    if (on_write_) on_write_();
  }

  std::string path_;
  HistoryFile file_;
  sqlite3* db_ = nullptr;
  std::function<void()> on_write_;
  std::chrono::milliseconds busy_timeout_{0};
  class Saver;
};

}  // namespace ovik

#endif  // OVIK_HISTORY_HISTORY_H_
