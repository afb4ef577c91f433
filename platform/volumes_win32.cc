// Drives as the system enumerates them: roots like "C:\", their kind
// (the system's drive type), label, file system and space.
#include "platform/volumes.h"

#include <windows.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

int GetLastErrorCode() { return static_cast<int>(GetLastError()); }

VolumeKind KindOfDriveType(UINT type) {
  switch (type) {
    case DRIVE_UNKNOWN:
      return VolumeKind::kUnknown;
    case DRIVE_NO_ROOT_DIR:
      return VolumeKind::kMissing;
    case DRIVE_REMOVABLE:
      return VolumeKind::kRemovable;
    case DRIVE_FIXED:
      return VolumeKind::kFixed;
    case DRIVE_REMOTE:
      return VolumeKind::kRemote;
    case DRIVE_CDROM:
      return VolumeKind::kOptical;
    case DRIVE_RAMDISK:
      return VolumeKind::kRam;
    default:
      return VolumeKind::kOther;
  }
}

// Held at the largest value rather than wrapping.
std::uint64_t Bytes(std::uint64_t clusters, std::uint64_t cluster_size) {
  if (cluster_size != 0 &&
      clusters > std::numeric_limits<std::uint64_t>::max() / cluster_size) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return clusters * cluster_size;
}

class Win32VolumeSource : public VolumeSource {
 public:
  Status ListRoots(std::vector<std::string>* roots) override {
    // The list can grow between the two calls (a drive mapped meanwhile),
    // so ask again while the buffer turns out too small.
    std::vector<wchar_t> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
      const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
      if (needed == 0) return Status::FromSystemError(GetLastErrorCode());
      buffer.assign(static_cast<std::size_t>(needed) + 1, L'\0');
      const DWORD written = GetLogicalDriveStringsW(
          static_cast<DWORD>(buffer.size()), buffer.data());
      if (written == 0) return Status::FromSystemError(GetLastErrorCode());
      if (written < buffer.size()) break;
      buffer.clear();
    }
    if (buffer.empty()) return Status(StatusCode::kOther);
    // Roots follow one another, each ending in a NUL; an empty one ends
    // the list.
    roots->clear();
    for (const wchar_t* p = buffer.data(); *p != L'\0';) {
      const std::wstring_view root(p);
      roots->push_back(WideToUtf8(root));
      p += root.size() + 1;
    }
    return Status::Ok();
  }

  VolumeKind KindOf(std::string_view root) override {
    const std::wstring wide = Utf8ToWide(root);
    return KindOfDriveType(GetDriveTypeW(wide.c_str()));
  }

  Status ReadNames(std::string_view root, VolumeNames* info) override {
    const std::wstring wide = Utf8ToWide(root);
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t file_system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(wide.c_str(), label, MAX_PATH + 1, nullptr,
                               nullptr, nullptr, file_system, MAX_PATH + 1)) {
      return Status::FromSystemError(GetLastErrorCode());
    }
    info->label = WideToUtf8(label);
    info->file_system = WideToUtf8(file_system);
    return Status::Ok();
  }

  Status ReadSpace(std::string_view root, VolumeSpace* out) override {
    const std::wstring wide = Utf8ToWide(root);
    DWORD sectors_per_cluster = 0;
    DWORD bytes_per_sector = 0;
    DWORD free_clusters = 0;
    DWORD total_clusters = 0;
    if (!GetDiskFreeSpaceW(wide.c_str(), &sectors_per_cluster,
                           &bytes_per_sector, &free_clusters,
                           &total_clusters)) {
      return Status::FromSystemError(GetLastErrorCode());
    }
    VolumeSpace space;
    space.unit_bytes = std::uint64_t{sectors_per_cluster} * bytes_per_sector;
    space.free_bytes = Bytes(free_clusters, space.unit_bytes);
    space.total_bytes = Bytes(total_clusters, space.unit_bytes);
    // The cluster counts above are 32-bit and saturate on volumes of more
    // than 2^32 clusters; the byte figures do not. Counted in whole
    // clusters, as the counts are.
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    if (space.unit_bytes != 0 &&
        GetDiskFreeSpaceExW(wide.c_str(), &available, &total, nullptr)) {
      space.free_bytes =
          available.QuadPart / space.unit_bytes * space.unit_bytes;
      space.total_bytes = total.QuadPart / space.unit_bytes * space.unit_bytes;
    }
    *out = space;
    return Status::Ok();
  }

  bool RecordsOwners(std::string_view file_system) const override {
    constexpr std::string_view kNtfs = "ntfs";
    if (file_system.size() != kNtfs.size()) return false;
    for (std::size_t i = 0; i < kNtfs.size(); ++i) {
      char c = file_system[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kNtfs[i]) return false;
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<VolumeSource> MakeSystemVolumeSource() {
  return std::make_unique<Win32VolumeSource>();
}

}  // namespace ovik
