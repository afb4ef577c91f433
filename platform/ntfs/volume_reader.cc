#include "platform/ntfs/volume_reader.h"

#include <algorithm>
#include <cstring>

namespace ovik::ntfs {

VolumeReader::VolumeReader(ByteSource& source, const Geometry& geometry)
    : source_(source),
      geometry_(geometry),
      unit_(std::max(source.SectorSize(), geometry.sector_size)) {}

Status VolumeReader::Read(std::uint64_t offset, std::size_t length,
                          std::uint8_t* out, AlignedBuffer* scratch) const {
  if (offset > geometry_.volume_size ||
      length > geometry_.volume_size - offset) {
    return Status(StatusCode::kOther);
  }
  if (length == 0) return Status::Ok();
  const std::uint64_t unit = unit_;
  if (offset % unit == 0 && length % unit == 0 &&
      reinterpret_cast<std::uintptr_t>(out) % kBufferAlignment == 0) {
    return source_.ReadAt(offset, length, out);
  }
  const std::uint64_t start = offset / unit * unit;
  const std::uint64_t end = (offset + length + unit - 1) / unit * unit;
  const auto span = static_cast<std::size_t>(end - start);
  scratch->Reserve(span);
  const Status read = source_.ReadAt(start, span, scratch->data());
  if (!read.ok()) return read;
  std::memcpy(out, scratch->data() + (offset - start), length);
  return Status::Ok();
}

Status ReadStream(const VolumeReader& reader, const Stream& stream,
                  std::uint64_t offset, std::size_t length, std::uint8_t* out,
                  AlignedBuffer* scratch) {
  if (offset > stream.size() || length > stream.size() - offset) {
    return Status(StatusCode::kOther);
  }
  if (stream.resident) {
    if (length != 0) std::memcpy(out, stream.value.data() + offset, length);
    return Status::Ok();
  }
  const std::uint64_t cluster = reader.geometry().cluster_size;
  while (length > 0) {
    std::size_t piece = length;
    if (offset >= stream.initialized_size) {
      std::memset(out, 0, piece);
    } else {
      piece = static_cast<std::size_t>(
          std::min<std::uint64_t>(piece, stream.initialized_size - offset));
      std::int64_t lcn = 0;
      std::uint64_t clusters = 0;
      if (!stream.extents.Map(offset / cluster, &lcn, &clusters)) {
        return Status(StatusCode::kOther);
      }
      const std::uint64_t within = offset % cluster;
      const std::uint64_t contiguous = clusters * cluster - within;
      piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(piece, contiguous));
      if (lcn == kHole) {
        std::memset(out, 0, piece);
      } else {
        const std::uint64_t at = static_cast<std::uint64_t>(lcn);
        if (at > reader.geometry().cluster_count) {
          return Status(StatusCode::kOther);
        }
        const Status read =
            reader.Read(at * cluster + within, piece, out, scratch);
        if (!read.ok()) return read;
      }
    }
    out += piece;
    offset += piece;
    length -= piece;
  }
  return Status::Ok();
}

}  // namespace ovik::ntfs
