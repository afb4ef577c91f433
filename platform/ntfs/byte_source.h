// Where the bytes of an NTFS volume come from: the raw volume on Windows,
// an image file or memory elsewhere. The reader above it only ever asks
// for whole sectors into buffers aligned to kBufferAlignment, as a raw
// Windows volume requires.
#ifndef OVIK_PLATFORM_NTFS_BYTE_SOURCE_H_
#define OVIK_PLATFORM_NTFS_BYTE_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "platform/status.h"

namespace ovik::ntfs {

// Every buffer handed to ByteSource::ReadAt starts on such a boundary: a
// page, which is a multiple of any sector size met in practice.
inline constexpr std::size_t kBufferAlignment = 4096;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The device's sector size, a power of two: every offset and length
  // passed to ReadAt is a multiple of it.
  virtual std::uint32_t SectorSize() const = 0;
  // Reads exactly |length| bytes at |offset|; a short read fails. May be
  // called from several threads at once.
  virtual Status ReadAt(std::uint64_t offset, std::size_t length,
                        std::uint8_t* buffer) = 0;
};

// Bytes on a kBufferAlignment boundary that keep their contents when they
// grow only if asked.
class AlignedBuffer {
 public:
  AlignedBuffer() = default;
  explicit AlignedBuffer(std::size_t size) { Reserve(size); }

  // At least |size| bytes; the contents are lost when it has to grow.
  void Reserve(std::size_t size) {
    if (size <= size_) return;
    bytes_.reset(static_cast<std::uint8_t*>(
        ::operator new[](size, std::align_val_t(kBufferAlignment))));
    size_ = size;
  }
  std::uint8_t* data() { return bytes_.get(); }
  const std::uint8_t* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }

 private:
  struct Free {
    void operator()(std::uint8_t* p) const {
      ::operator delete[](p, std::align_val_t(kBufferAlignment));
    }
  };
  std::unique_ptr<std::uint8_t[], Free> bytes_;
  std::size_t size_ = 0;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_BYTE_SOURCE_H_
