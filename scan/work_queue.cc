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
  ready_.wait(lock, [&] {
    return closed_ || !tasks_.empty() || (busy_ == 0 && !keep_open_);
  });
  if (closed_ || tasks_.empty()) {
    ready_.notify_all();
    return false;
  }
  *task = std::move(tasks_.front());
  tasks_.pop_front();
  ++busy_;
  UpdateHungry();
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

void WorkQueue::KeepOpen() {
  std::lock_guard<std::mutex> lock(mutex_);
  keep_open_ = true;
}

void WorkQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  ready_.notify_all();
}

bool WorkQueue::Idle() {
  std::lock_guard<std::mutex> lock(mutex_);
  return busy_ == 0 && tasks_.empty();
}

bool WorkQueue::TakeForPeer(Task* task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tasks_.empty()) {
    peer_waits_ = true;
    UpdateHungry();
    return false;
  }
  *task = std::move(tasks_.front());
  tasks_.pop_front();
  peer_waits_ = false;
  UpdateHungry();
  return true;
}

void WorkQueue::StopAskingForPeer() {
  std::lock_guard<std::mutex> lock(mutex_);
  peer_waits_ = false;
  UpdateHungry();
}

void WorkQueue::UpdateHungry() {
  hungry_.store((busy_ < threads_ || peer_waits_) && tasks_.empty(),
                std::memory_order_relaxed);
}

}  // namespace ovik
