#include "scan/progress.h"

namespace ovik {

void ScanProgress::SetCurrentDirectory(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = path;
}

std::string ScanProgress::CurrentDirectory() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

void ScanProgress::SetMethod(const std::string& table) {
  std::lock_guard<std::mutex> lock(mutex_);
  method_ = table;
}

std::string ScanProgress::Method() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return method_;
}

}  // namespace ovik
