// Drives as the system enumerates them: roots like "C:\", their type,
// label, file system and cluster counts.
#include "platform/volumes.h"

#include <windows.h>
// The interface's method names are also the names of the system's
// ANSI/wide macros; here they must stay method names.
#undef GetDriveType
#undef GetVolumeInformation
#undef GetDiskFreeSpace

#include <string>
#include <vector>

#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

int GetLastErrorCode() { return static_cast<int>(GetLastError()); }

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

  DriveType GetDriveType(std::string_view root) override {
    const std::wstring wide = Utf8ToWide(root);
    return static_cast<DriveType>(GetDriveTypeW(wide.c_str()));
  }

  Status GetVolumeInformation(std::string_view root,
                              VolumeInformation* info) override {
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

  Status GetDiskFreeSpace(std::string_view root, DiskSpace* out) override {
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
    DiskSpace space;
    space.bytes_per_cluster =
        std::uint64_t{sectors_per_cluster} * bytes_per_sector;
    space.free_clusters = free_clusters;
    space.total_clusters = total_clusters;
    // The cluster counts above are 32-bit and saturate on volumes of more
    // than 2^32 clusters; the byte figures do not.
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    if (space.bytes_per_cluster != 0 &&
        GetDiskFreeSpaceExW(wide.c_str(), &available, &total, nullptr)) {
      space.free_clusters = available.QuadPart / space.bytes_per_cluster;
      space.total_clusters = total.QuadPart / space.bytes_per_cluster;
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
