// One Find's walk on a thread of its own, so the user interface keeps
// answering while it runs. The only place that starts that thread: the
// Win32 dialog, the terminal dialog and `ovik report` all walk through it.
//
// Everything but the walk happens on the thread that owns the object (the
// UI thread): Start, Cancel, the progress's reading and Finish. The walk
// touches nothing of its caller but the file system, its own copy of the
// root and options, the progress (atomics) and the result, which it hands
// over under a lock.
#ifndef OVIK_DIALOG_BACKGROUND_FIND_H_
#define OVIK_DIALOG_BACKGROUND_FIND_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/filesystem.h"
#include "scan/scan.h"

namespace ovik {

// How a Find walks: RunScan's signature, so that a host can walk another
// way (with other processes) and show and report it all the same.
using ScanFunction = std::function<ScanResult(
    FileSystem& fs, std::string_view root, const ScanOptions& options)>;

class BackgroundFind {
 public:
  BackgroundFind() = default;
  // A walk still running is cancelled and waited for.
  ~BackgroundFind();
  BackgroundFind(const BackgroundFind&) = delete;
  BackgroundFind& operator=(const BackgroundFind&) = delete;

  // Starts walking |root| of |fs|, which must outlive the walk. Only
  // when not busy. |options|.progress is replaced by this object's own.
  // |on_done|, when set, is called on the walk's thread once the result
  // is ready; a host uses it to wake its UI thread. |scan|, when set,
  // walks in place of RunScan.
  void Start(FileSystem& fs, std::string root, ScanOptions options,
             std::function<void()> on_done = {}, ScanFunction scan = {});

  // From Start until Finish: the one "a Find is running" of a dialog.
  bool busy() const { return started_; }
  // The walk has ended; Finish will not wait.
  bool done() const;
  // Waits up to |timeout| for the walk to end; true when it has.
  bool WaitFor(std::chrono::milliseconds timeout) const;
  // Live figures of the walk; only while busy.
  const ScanProgress& progress() const { return *progress_; }
  // Asks the walk to stop soon; it then ends as cancelled.
  void Cancel();
  // Only while busy: waits for the walk to end and hands over its result;
  // afterwards the object is no longer busy. An allocation failure
  // anywhere in the walk comes back as kNoMemory.
  ScanResult Finish();

 private:
  // The walk itself, on whichever thread runs it.
  void Walk(FileSystem& fs, const std::string& root,
            const ScanOptions& options, const ScanFunction& scan);

  bool started_ = false;
  std::unique_ptr<ScanProgress> progress_;
  std::thread thread_;
  mutable std::mutex mutex_;
  mutable std::condition_variable ended_;
  bool done_ = false;  // guarded by mutex_
  ScanResult result_;  // guarded by mutex_; written once, before done_
};

}  // namespace ovik

#endif  // OVIK_DIALOG_BACKGROUND_FIND_H_
