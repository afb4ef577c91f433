#include "scan/work_queue.h"

#include <utility>

namespace ovik {

void WorkQueue::SetThreadCount(unsigned threads) {
  std::lock_guard<std::mutex> lock(mutex_);
  threads_ = threads;
  busy_ = threads;
}

void WorkQueue::Withdraw() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --threads_;
    --busy_;
  }
  ready_.notify_all();
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

void WorkQueue::Share(Task task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    hungry_.store(false, std::memory_order_relaxed);
  }
  ready_.notify_one();
}

}  // namespace ovik
