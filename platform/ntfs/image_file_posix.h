// An NTFS volume kept in a file (an image, or a device node), read with
// pread: what the tests, fuzz targets and benchmarks read tables from.
#ifndef OVIK_PLATFORM_NTFS_IMAGE_FILE_POSIX_H_
#define OVIK_PLATFORM_NTFS_IMAGE_FILE_POSIX_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ntfs/byte_source.h"
#include "platform/status.h"

namespace ovik::ntfs {

class ImageFile : public ByteSource {
 public:
  // Opens |path| for reading, as a device of |sector_size|-byte sectors.
  static Status Open(const std::string& path, std::uint32_t sector_size,
                     std::unique_ptr<ImageFile>* image);
  ~ImageFile() override;
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  std::uint32_t SectorSize() const override { return sector_size_; }
  // Refuses (kUnsupported) a read that is not whole sectors, as a raw
  // Windows volume would.
  Status ReadAt(std::uint64_t offset, std::size_t length,
                std::uint8_t* buffer) override;

 private:
  ImageFile(int fd, std::uint32_t sector_size)
      : fd_(fd), sector_size_(sector_size) {}
  int fd_;
  std::uint32_t sector_size_;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_IMAGE_FILE_POSIX_H_
