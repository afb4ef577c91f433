#include "platform/ntfs/run_list.h"

#include <algorithm>

namespace ovik::ntfs {
namespace {

// Runs past 2^62 clusters are no volume's.
constexpr std::uint64_t kMaxClusters = std::uint64_t{1} << 62;

// |width| little-endian bytes at |p|, sign-extended when |is_signed|.
std::int64_t ReadField(const std::uint8_t* p, unsigned width, bool is_signed) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < width; ++i) value |= std::uint64_t{p[i]} << (8 * i);
  if (is_signed && width < 8 && (p[width - 1] & 0x80)) {
    value |= ~std::uint64_t{0} << (8 * width);
  }
  return static_cast<std::int64_t>(value);
}

}  // namespace

bool DecodeRunList(const std::uint8_t* bytes, std::size_t size,
                   std::uint64_t first_vcn, std::vector<Run>* runs) {
  std::uint64_t vcn = first_vcn;
  std::int64_t lcn = 0;
  std::size_t pos = 0;
  const std::size_t appended_from = runs->size();
  for (;;) {
    if (pos >= size) break;
    const std::uint8_t header = bytes[pos];
    if (header == 0) return true;
    const unsigned length_width = header & 0x0F;
    const unsigned offset_width = header >> 4;
    if (length_width == 0 || length_width > 8 || offset_width > 8 ||
        size - pos - 1 < length_width + offset_width) {
      break;
    }
    const std::int64_t length = ReadField(bytes + pos + 1, length_width, true);
    if (length <= 0 || static_cast<std::uint64_t>(length) > kMaxClusters ||
        vcn > kMaxClusters - static_cast<std::uint64_t>(length)) {
      break;
    }
    Run run;
    run.vcn = vcn;
    run.length = static_cast<std::uint64_t>(length);
    if (offset_width == 0) {
      run.lcn = kHole;
    } else {
      const std::int64_t delta =
          ReadField(bytes + pos + 1 + length_width, offset_width, true);
      // Both stay within +-2^63 before the sum: lcn is below 2^62.
      if ((delta > 0 && static_cast<std::uint64_t>(delta) > kMaxClusters) ||
          (delta < 0 && delta < -static_cast<std::int64_t>(kMaxClusters))) {
        break;
      }
      lcn += delta;
      if (lcn < 0 || static_cast<std::uint64_t>(lcn) > kMaxClusters) break;
      run.lcn = lcn;
    }
    runs->push_back(run);
    vcn += run.length;
    pos += 1 + length_width + offset_width;
  }
  runs->resize(appended_from);
  return false;
}

bool Extents::Append(const std::vector<Run>& runs, std::uint64_t first_vcn) {
  if (first_vcn != next_vcn_) return false;
  std::uint64_t vcn = next_vcn_;
  for (const Run& run : runs) {
    if (run.vcn != vcn) return false;
    vcn += run.length;
  }
  runs_.insert(runs_.end(), runs.begin(), runs.end());
  next_vcn_ = vcn;
  return true;
}

bool Extents::Map(std::uint64_t vcn, std::int64_t* lcn,
                  std::uint64_t* count) const {
  if (vcn >= next_vcn_) return false;
  // The last run that starts at or before vcn.
  const auto after = std::upper_bound(
      runs_.begin(), runs_.end(), vcn,
      [](std::uint64_t v, const Run& run) { return v < run.vcn; });
  const Run& run = *(after - 1);
  const std::uint64_t into = vcn - run.vcn;
  *lcn = run.lcn == kHole ? kHole : run.lcn + static_cast<std::int64_t>(into);
  *count = run.length - into;
  return true;
}

bool Extents::InsideVolume(std::uint64_t cluster_count) const {
  return std::all_of(runs_.begin(), runs_.end(), [&](const Run& run) {
    return run.lcn == kHole ||
           (static_cast<std::uint64_t>(run.lcn) <= cluster_count &&
            run.length <= cluster_count - static_cast<std::uint64_t>(run.lcn));
  });
}

}  // namespace ovik::ntfs
