#include "platform/ntfs/raw_volume_win32.h"

#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <string>

namespace ovik::ntfs {
namespace {

// The sector size of the device under the volume, or failing that, the
// one the file system reports; 512 when neither answers.
std::uint32_t QuerySectorSize(HANDLE volume, wchar_t letter) {
  DISK_GEOMETRY geometry = {};
  DWORD returned = 0;
  if (DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                      &geometry, sizeof geometry, &returned, nullptr) &&
      returned >= sizeof geometry) {
    const DWORD size = geometry.BytesPerSector;
    if (size >= 512 && size <= kBufferAlignment && (size & (size - 1)) == 0) {
      return size;
    }
  }
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  DWORD per_cluster = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (GetDiskFreeSpaceW(root, &per_cluster, &bytes, &free_clusters,
                        &clusters) &&
      bytes >= 512 && bytes <= kBufferAlignment && (bytes & (bytes - 1)) == 0) {
    return bytes;
  }
  return 512;
}

}  // namespace

Status RawVolume::Open(wchar_t letter, std::unique_ptr<RawVolume>* volume) {
  const std::wstring path = std::wstring(L"\\\\.\\") + letter + L":";
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return Status::FromSystemError(static_cast<int>(GetLastError()));
  }
  volume->reset(new RawVolume(handle, QuerySectorSize(handle, letter)));
  return Status::Ok();
}

RawVolume::~RawVolume() { CloseHandle(static_cast<HANDLE>(handle_)); }

Status RawVolume::ReadAt(std::uint64_t offset, std::size_t length,
                         std::uint8_t* buffer) {
  if (offset % sector_size_ != 0 || length % sector_size_ != 0 ||
      reinterpret_cast<std::uintptr_t>(buffer) % kBufferAlignment != 0) {
    return Status(StatusCode::kUnsupported);
  }
  // At most 64 MiB a call, a whole number of sectors.
  constexpr std::size_t kMaxRead = std::size_t{64} << 20;
  while (length > 0) {
    const auto want = static_cast<DWORD>(std::min(length, kMaxRead));
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer, want, &got, &at)) {
      const DWORD error = GetLastError();
      return error == ERROR_HANDLE_EOF
                 ? Status(StatusCode::kOther, static_cast<int>(error))
                 : Status::FromSystemError(static_cast<int>(error));
    }
    if (got == 0 || got % sector_size_ != 0) return Status(StatusCode::kOther);
    buffer += got;
    offset += got;
    length -= got;
  }
  return Status::Ok();
}

}  // namespace ovik::ntfs
