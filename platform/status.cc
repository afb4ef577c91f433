#include "platform/status.h"

namespace ovik {

std::string Status::ToString() const {
  if (ok()) return "success";
  if (system_error_ != 0) return SystemErrorText(system_error_);
  switch (code_) {
    case StatusCode::kEnd:
      return "no more entries";
    case StatusCode::kNotFound:
      return "not found";
    case StatusCode::kAccessDenied:
      return "permission denied";
    case StatusCode::kNotDirectory:
      return "not a directory";
    case StatusCode::kOtherVolume:
      return "on another volume";
    case StatusCode::kTooManyOpen:
      return "too many open files";
    case StatusCode::kNoMemory:
      return "out of memory";
    case StatusCode::kNoSpace:
      return "no space left";
    case StatusCode::kUnsupported:
      return "not supported";
    case StatusCode::kCancelled:
      return "cancelled";
    default:
      return "failed";
  }
}

}  // namespace ovik
