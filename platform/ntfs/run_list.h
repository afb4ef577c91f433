// Run lists: where the clusters of a non-resident attribute lie on the
// volume, as a packed list of (length, relative start) pairs.
#ifndef OVIK_PLATFORM_NTFS_RUN_LIST_H_
#define OVIK_PLATFORM_NTFS_RUN_LIST_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ovik::ntfs {

// |length| clusters from virtual cluster |vcn| of the attribute, on the
// volume from logical cluster |lcn|, or nowhere (a hole reads as zeros)
// when |lcn| is kHole.
struct Run {
  std::uint64_t vcn = 0;
  std::uint64_t length = 0;
  std::int64_t lcn = 0;
};
inline constexpr std::int64_t kHole = -1;

// Decodes the run list in |bytes| of an attribute extent that starts at
// |first_vcn|, appending its runs to |runs|. False for a list that is
// malformed: a field wider than 8 bytes, a length that is not positive, a
// start before the volume, a list that runs past |size| without its end
// mark, clusters beyond 2^62. Starts beyond the volume's end are for the
// caller to check.
bool DecodeRunList(const std::uint8_t* bytes, std::size_t size,
                   std::uint64_t first_vcn, std::vector<Run>* runs);

// The runs of a whole attribute, its extents put together in order.
class Extents {
 public:
  // Appends the runs of the next extent, which must start where the
  // previous one ended. False (and unchanged) otherwise.
  bool Append(const std::vector<Run>& runs, std::uint64_t first_vcn);
  // Where virtual cluster |vcn| lies: false beyond the last run; else
  // |*lcn| (kHole for a hole) and |*count| clusters that follow it there.
  bool Map(std::uint64_t vcn, std::int64_t* lcn, std::uint64_t* count) const;
  // Whether every run lies below cluster |cluster_count| of the volume.
  bool InsideVolume(std::uint64_t cluster_count) const;
  std::uint64_t cluster_count() const { return next_vcn_; }
  std::size_t run_count() const { return runs_.size(); }

 private:
  std::vector<Run> runs_;
  std::uint64_t next_vcn_ = 0;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_RUN_LIST_H_
