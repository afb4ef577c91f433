// Reads of an NTFS volume's bytes at any offset, turned into the whole
// sector, aligned reads its byte source takes; and the values of
// attributes stored in runs of clusters.
#ifndef OVIK_PLATFORM_NTFS_VOLUME_READER_H_
#define OVIK_PLATFORM_NTFS_VOLUME_READER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ntfs/boot_sector.h"
#include "platform/ntfs/byte_source.h"
#include "platform/ntfs/run_list.h"
#include "platform/status.h"

namespace ovik::ntfs {

class VolumeReader {
 public:
  VolumeReader(ByteSource& source, const Geometry& geometry);
  const Geometry& geometry() const { return geometry_; }
  // Every read of the source is a multiple of this, at a multiple of it.
  std::uint32_t unit() const { return unit_; }
  // |length| bytes at |offset| into |out|. Read straight into |out| when
  // offset, length and buffer are aligned to unit(), else through
  // |scratch|. Fails for bytes beyond the volume.
  Status Read(std::uint64_t offset, std::size_t length, std::uint8_t* out,
              AlignedBuffer* scratch) const;

 private:
  ByteSource& source_;
  Geometry geometry_;
  std::uint32_t unit_;
};

// An attribute's value as a whole: resident in |value|, or in the runs of
// |extents|.
struct Stream {
  bool resident = true;
  std::vector<std::uint8_t> value;
  Extents extents;
  std::uint64_t data_size = 0;
  std::uint64_t initialized_size = 0;

  std::uint64_t size() const { return resident ? value.size() : data_size; }
};

// Bytes [offset, offset + length) of |stream| into |out|. Holes and what
// lies beyond the initialized size read as zeros. Fails beyond the
// stream's size, for runs outside the volume, or when a read fails.
Status ReadStream(const VolumeReader& reader, const Stream& stream,
                  std::uint64_t offset, std::size_t length, std::uint8_t* out,
                  AlignedBuffer* scratch);

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_VOLUME_READER_H_
