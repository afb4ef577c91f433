// The subtrees waiting for a thread, shared by the threads of one scan. A
// thread that runs dry waits here; a busy thread that sees one waiting
// hands over part of its work. Where other processes walk the same tree,
// the one that serves them takes work from here for them, and puts here
// the work they hand over.
#ifndef OVIK_SCAN_WORK_QUEUE_H_
#define OVIK_SCAN_WORK_QUEUE_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "scan/recorded_part.h"

namespace ovik {

// Work waiting for a thread: the whole tree (the root task, with no names
// and nothing listed), or subdirectories of a directory already listed.
struct Task {
  // The names leading from the root to the directory, and its ordinals
  // for the walk order.
  std::vector<std::string> names;
  std::vector<std::uint32_t> ordinals;
  // A handle on the directory, so the thread that takes the task need not
  // open the whole path again; null when there was none to give.
  std::unique_ptr<Directory> directory;
  // The subdirectories to walk, in listing order, and the ordinal of the
  // first; empty for the root task.
  std::vector<std::string> subdirectories;
  std::uint32_t first_ordinal = 0;
  // Where the directory's record went when the scan keeps directories
  // (scan/directory_recorder.h); the subdirectories' parent.
  DirectoryRef record = kNoDirectory;
};

class WorkQueue {
 public:
  // |threads|: how many threads take part; until they have started, each
  // counts as busy.
  explicit WorkQueue(unsigned threads) { SetThreadCount(threads); }

  // Before any of the threads starts.
  void SetThreadCount(unsigned threads);
  // One of the threads counted will never take part (it could not start).
  void Withdraw();
  // Waits for a task; false when the walk is over: nothing is queued and
  // no thread is busy, so nothing more can come (or, with KeepOpen, once
  // Close says so).
  bool Take(Task* task);
  // Whether some thread (or another process) waits for work that a busy
  // thread could share.
  bool hungry() const { return hungry_.load(std::memory_order_relaxed); }
  // Queues |task| for the waiting threads.
  void Share(Task task);

  // For a walk shared with other processes, before any thread starts:
  // work may still come from them when these threads have run dry, so
  // the walk is over only when Close says so.
  void KeepOpen();
  // Ends the walk: threads waiting in Take, and those that come, get
  // false.
  void Close();
  // Whether this process has run dry: no thread walks and nothing is
  // queued. Only work put here by Share ends that.
  bool Idle();
  // Takes queued work for another process. When there is none, false,
  // and the busy threads are asked to share some until the next call or
  // StopAskingForPeer.
  bool TakeForPeer(Task* task);
  void StopAskingForPeer();

 private:
  void UpdateHungry();  // under the lock

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Task> tasks_;
  unsigned threads_ = 0;
  unsigned busy_ = 0;  // threads not waiting in Take
  bool keep_open_ = false;
  bool closed_ = false;
  bool peer_waits_ = false;
  std::atomic<bool> hungry_{false};
};

}  // namespace ovik

#endif  // OVIK_SCAN_WORK_QUEUE_H_
