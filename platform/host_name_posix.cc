#include "platform/host_name.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ovik {

Status ReadHostName(std::string* name) {
  // HOST_NAME_MAX bytes and the terminating NUL, which a name of the
  // largest size may lack.
  char buffer[HOST_NAME_MAX + 2] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) {
    return Status::FromSystemError(errno);
  }
  name->assign(buffer, strnlen(buffer, sizeof buffer));
  return Status::Ok();
}

}  // namespace ovik
