// Writes a file so that a failure leaves the old one intact: the bytes go
// to a temporary file in the same directory, are flushed to disk, and
// only then take the target's place. Replacing keeps the old file's
// security and attributes. Devices ("NUL", "COM1", ...) cannot be
// replaced and are written in place.
#include "platform/file_writer.h"

#include <windows.h>

#include <string>

#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30)
                            ? DWORD{1u << 30}
                            : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

// Whether |path| names something other than a file on disk.
bool IsDevice(const std::wstring& path) {
  Handle existing(CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  if (!existing.valid()) return false;
  return GetFileType(existing.get()) != FILE_TYPE_DISK;
}

WriteStatus WriteInPlace(const std::wstring& path, std::string_view bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return WriteStatus::kCreateFailed;
  if (!WriteAll(file.get(), bytes)) return WriteStatus::kWriteFailed;
  return file.Close() ? WriteStatus::kOk : WriteStatus::kWriteFailed;
}

}  // namespace

WriteStatus WriteFileAtomically(const std::string& path,
                                std::string_view bytes) {
  const std::wstring target = Utf8ToWide(path);
  if (target.empty()) return WriteStatus::kCreateFailed;
  if (IsDevice(target)) return WriteInPlace(target, bytes);

  // A symbolic link is replaced through: the file it names gets the bytes.
  std::wstring final_path = target;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Handle existing(CreateFileW(target.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE |
                                    FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (existing.valid()) {
      std::wstring resolved(32768, L'\0');
      const DWORD length = GetFinalPathNameByHandleW(
          existing.get(), resolved.data(), 32768, FILE_NAME_NORMALIZED);
      if (length > 0 && length < 32768) final_path.assign(resolved, 0, length);
    }
  }

  // Only a file may be replaced, and not one that is marked read-only.
  const DWORD existing = GetFileAttributesW(final_path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return WriteStatus::kCreateFailed;
  }

  // The temporary file sits beside the target, so the final rename stays
  // on one volume.
  const std::wstring stem =
      final_path + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
  std::wstring temp;
  Handle file(INVALID_HANDLE_VALUE);
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    temp = stem + std::to_wstring(attempt) + L".tmp";
    Handle candidate(CreateFileW(
        temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (candidate.valid()) {
      file.Reset(candidate.Release());
    } else if (GetLastError() != ERROR_FILE_EXISTS) {
      break;
    }
  }
  if (!file.valid()) return WriteStatus::kCreateFailed;
  const bool written = WriteAll(file.get(), bytes) &&
                       FlushFileBuffers(file.get()) != 0;
  if (!file.Close() || !written) {
    DeleteFileW(temp.c_str());
    return WriteStatus::kWriteFailed;
  }

  BOOL moved = FALSE;
  if (existing != INVALID_FILE_ATTRIBUTES) {
    moved = ReplaceFileW(final_path.c_str(), temp.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  }
  if (!moved) {
    moved = MoveFileExW(temp.c_str(), final_path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!moved) {
    DeleteFileW(temp.c_str());
    return WriteStatus::kCreateFailed;
  }
  return WriteStatus::kOk;
}

}  // namespace ovik
