// The subtrees waiting for a thread, shared by the threads of one scan. A
// thread that runs dry waits here; a busy thread that sees one waiting
// hands over part of its work.
#ifndef OVIK_SCAN_WORK_QUEUE_H_
#define OVIK_SCAN_WORK_QUEUE_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace ovik {

// A subtree waiting for a thread: the names leading to it from the root,
// and its ordinals for the walk order. The root itself has neither.
struct Task {
  std::vector<std::string> names;
  std::vector<std::uint32_t> ordinals;
};

class WorkQueue {
 public:
  // |threads|: how many threads take part; until they have started, each
  // counts as busy.
  explicit WorkQueue(unsigned threads) { SetThreadCount(threads); }

  // Before any of the threads starts.
  void SetThreadCount(unsigned threads);
  // Waits for a task; false when the walk is over: nothing is queued and
  // no thread is busy, so nothing more can come.
  bool Take(Task* task);
  // Whether some thread waits for work that a busy thread could share.
  bool hungry() const { return hungry_.load(std::memory_order_relaxed); }
  // Queues |tasks| (emptied) for the waiting threads.
  void Share(std::vector<Task>* tasks);

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Task> tasks_;
  unsigned threads_ = 0;
  unsigned busy_ = 0;  // threads not waiting in Take
  std::atomic<bool> hungry_{false};
};

}  // namespace ovik

#endif  // OVIK_SCAN_WORK_QUEUE_H_
