#include <errno.h>

#include <cstring>

#include "platform/status.h"

namespace ovik {

Status Status::FromSystemError(int system_error) {
  switch (system_error) {
    case 0:
      return Status();
    case ENOENT:
      return Status(StatusCode::kNotFound, system_error);
    case ENOTDIR:
    case ELOOP:
      return Status(StatusCode::kNotDirectory, system_error);
    case EACCES:
    case EPERM:
      return Status(StatusCode::kAccessDenied, system_error);
    case EMFILE:
    case ENFILE:
      return Status(StatusCode::kTooManyOpen, system_error);
    case ENOMEM:
      return Status(StatusCode::kNoMemory, system_error);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return Status(StatusCode::kNoSpace, system_error);
    case ENOSYS:
    case EOPNOTSUPP:
      return Status(StatusCode::kUnsupported, system_error);
    default:
      return Status(StatusCode::kOther, system_error);
  }
}

namespace {

// strerror_r comes in two shapes: the XSI one fills the buffer and returns
// 0, the GNU one may return a static text instead.
[[maybe_unused]] std::string ErrorText(int result, const char* buffer) {
  return result == 0 ? std::string(buffer) : std::string("unknown error");
}
[[maybe_unused]] std::string ErrorText(const char* result, const char*) {
  return result;
}

}  // namespace

std::string SystemErrorText(int system_error) {
  char buffer[256] = {};
  return ErrorText(strerror_r(system_error, buffer, sizeof buffer), buffer);
}

}  // namespace ovik
