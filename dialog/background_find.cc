#include "dialog/background_find.h"

#include <new>
#include <system_error>
#include <utility>

namespace ovik {

BackgroundFind::~BackgroundFind() {
  if (!busy()) return;
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void BackgroundFind::Walk(FileSystem& fs, const std::string& root,
                          const ScanOptions& options,
                          const ScanFunction& scan) {
  ScanResult result;
  try {
    result = scan ? scan(fs, root, options) : RunScan(fs, root, options);
  } catch (const std::bad_alloc&) {
    result = ScanResult();
    result.status = Status(StatusCode::kNoMemory);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = std::move(result);
    done_ = true;
  }
  ended_.notify_all();
}

void BackgroundFind::Start(FileSystem& fs, std::string root,
                           ScanOptions options, std::function<void()> on_done,
                           ScanFunction scan) {
  if (busy()) return;
  started_ = true;
  progress_ = std::make_unique<ScanProgress>();
  options.progress = progress_.get();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = false;
    result_ = ScanResult();
  }
  try {
    thread_ = std::thread([this, &fs, root, options, on_done, scan] {
      Walk(fs, root, options, scan);
      if (on_done) on_done();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the walk runs here, and the interface waits
    // for it rather than give no answer.
    Walk(fs, root, options, scan);
    if (on_done) on_done();
  }
}

bool BackgroundFind::done() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return done_;
}

bool BackgroundFind::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_.wait_for(lock, timeout, [this] { return done_; });
}

void BackgroundFind::Cancel() {
  if (busy()) progress_->cancel.store(true, std::memory_order_relaxed);
}

ScanResult BackgroundFind::Finish() {
  if (thread_.joinable()) thread_.join();
  started_ = false;
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = false;
  return std::move(result_);
}

}  // namespace ovik
