// A Windows volume's raw bytes ("\\.\X:"): what the master file table is
// read from. Opening it needs an elevated administrator.
#ifndef OVIK_PLATFORM_NTFS_RAW_VOLUME_WIN32_H_
#define OVIK_PLATFORM_NTFS_RAW_VOLUME_WIN32_H_

#include <cstdint>
#include <memory>

#include "platform/ntfs/byte_source.h"
#include "platform/status.h"

namespace ovik::ntfs {

class RawVolume : public ByteSource {
 public:
  // Opens the volume of drive |letter| for reading, shared with every
  // program that has it open for reading or writing.
  static Status Open(wchar_t letter, std::unique_ptr<RawVolume>* volume);
  ~RawVolume() override;
  RawVolume(const RawVolume&) = delete;
  RawVolume& operator=(const RawVolume&) = delete;

  std::uint32_t SectorSize() const override { return sector_size_; }
  // Refuses (kUnsupported) what the system would: a read that is not
  // whole sectors, or into a buffer not aligned to kBufferAlignment.
  Status ReadAt(std::uint64_t offset, std::size_t length,
                std::uint8_t* buffer) override;

 private:
  RawVolume(void* handle, std::uint32_t sector_size)
      : handle_(handle), sector_size_(sector_size) {}
  void* handle_;  // HANDLE
  std::uint32_t sector_size_;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_RAW_VOLUME_WIN32_H_
