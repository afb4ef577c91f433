#include "platform/ntfs/image_file_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace ovik::ntfs {

Status ImageFile::Open(const std::string& path, std::uint32_t sector_size,
                       std::unique_ptr<ImageFile>* image) {
  if (sector_size == 0 || (sector_size & (sector_size - 1)) != 0) {
    return Status(StatusCode::kUnsupported);
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::FromSystemError(errno);
  image->reset(new ImageFile(fd, sector_size));
  return Status::Ok();
}

ImageFile::~ImageFile() { close(fd_); }

Status ImageFile::ReadAt(std::uint64_t offset, std::size_t length,
                         std::uint8_t* buffer) {
  if (offset % sector_size_ != 0 || length % sector_size_ != 0 ||
      reinterpret_cast<std::uintptr_t>(buffer) % kBufferAlignment != 0) {
    return Status(StatusCode::kUnsupported);
  }
  while (length > 0) {
    const ssize_t got = pread(fd_, buffer, length, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return Status::FromSystemError(errno);
    }
    if (got == 0) return Status(StatusCode::kOther);  // beyond the end
    buffer += got;
    offset += static_cast<std::uint64_t>(got);
    length -= static_cast<std::size_t>(got);
  }
  return Status::Ok();
}

}  // namespace ovik::ntfs
