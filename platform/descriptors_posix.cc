#include "platform/descriptors_posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace ovik {
namespace {

// Descriptors this process has open; |limit| when they cannot be counted
// for want of one.
std::uint64_t DescriptorsInUse(std::uint64_t limit) {
  if (DIR* fds = opendir("/proc/self/fd")) {
    std::uint64_t count = 0;
    while (const struct dirent* d = readdir(fds)) {
      if (d->d_name[0] != '.') ++count;
    }
    closedir(fds);
    return count > 0 ? count - 1 : 0;  // less the listing's own
  }
  if (errno == EMFILE || errno == ENFILE) return limit;
  // No /proc: ask each descriptor in turn, as far as is reasonable.
  std::uint64_t count = 0;
  const int last = static_cast<int>(std::min<std::uint64_t>(limit, 1 << 16));
  for (int fd = 0; fd < last; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) ++count;
  }
  return count;
}

}  // namespace

Status SpareDescriptors(std::uint64_t kept, std::uint64_t* spare) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
    return Status::FromSystemError(errno);
  }
  if (limit.rlim_cur == RLIM_INFINITY) return Status(StatusCode::kUnsupported);
  const std::uint64_t taken = DescriptorsInUse(limit.rlim_cur) + kept;
  *spare = limit.rlim_cur > taken ? limit.rlim_cur - taken : 0;
  return Status::Ok();
}

void KeepStandardDescriptorsTaken() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int placeholder = open("/", O_PATH | O_DIRECTORY);
    if (placeholder < 0) return;  // nothing better to put there
    if (placeholder != fd) {
      dup2(placeholder, fd);
      close(placeholder);
    }
  }
}

}  // namespace ovik
