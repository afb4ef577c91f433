#include "scan/work_queue.h"

#include <utility>

namespace ovik {

void WorkQueue::SetThreadCount(unsigned threads) {
  std::lock_guard<std::mutex> lock(mutex_);
  threads_ = threads;
  busy_ = threads;
}

bool WorkQueue::Take(Task* task) {
  std::unique_lock<std::mutex> lock(mutex_);
  --busy_;
  hungry_.store(true, std::memory_order_relaxed);
  ready_.wait(lock, [&] { return !tasks_.empty() || busy_ == 0; });
  if (tasks_.empty()) {
    ready_.notify_all();
    return false;
  }
  *task = std::move(tasks_.front());
  tasks_.pop_front();
  ++busy_;
  hungry_.store(busy_ < threads_ && tasks_.empty(), std::memory_order_relaxed);
  return true;
}

void WorkQueue::Share(std::vector<Task>* tasks) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Task& t : *tasks) tasks_.push_back(std::move(t));
    hungry_.store(false, std::memory_order_relaxed);
  }
  tasks->clear();
  ready_.notify_all();
}

}  // namespace ovik
