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

Status LastError() {
  return Status::FromSystemError(static_cast<int>(GetLastError()));
}

Status WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30)
                            ? DWORD{1u << 30}
                            : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      return LastError();
    }
    if (written == 0) return Status::FromSystemError(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return Status::Ok();
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

// The file a symbolic link names; |path| itself for anything else.
std::wstring FinalPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return path;
  }
  Handle existing(CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!existing.valid()) return path;
  std::wstring resolved(32768, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(
      existing.get(), resolved.data(), 32768, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= 32768) return path;
  resolved.resize(length);
  return resolved;
}

}  // namespace

struct AtomicFileWriter::State {
  Handle file{INVALID_HANDLE_VALUE};
  // Written in place: a device ("NUL", "COM1", ...).
  bool in_place = false;
  // Otherwise: the temporary and the target it replaces.
  std::wstring temp;
  std::wstring final_path;
  bool target_exists = false;

  ~State() { Discard(); }
  // Gives up: the temporary goes, the target stays as it was.
  void Discard() {
    file.Close();
    if (!temp.empty()) DeleteFileW(temp.c_str());
    temp.clear();
  }
  Status Fail(Status status) {
    Discard();
    return status;
  }
};

AtomicFileWriter::AtomicFileWriter() : state_(std::make_unique<State>()) {}
AtomicFileWriter::~AtomicFileWriter() = default;

Status AtomicFileWriter::Check(const std::string& path) {
  // Devices are opened without harm here; the temporary goes with |probe|.
  AtomicFileWriter probe;
  return probe.Create(path);
}

Status AtomicFileWriter::Create(const std::string& path) {
  State& s = *state_;
  const std::wstring target = Utf8ToWide(path);
  if (target.empty()) return Status::FromSystemError(ERROR_INVALID_NAME);
  if (IsDevice(target)) {
    s.in_place = true;
    s.file.Reset(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return s.file.valid() ? Status::Ok() : LastError();
  }

  // A symbolic link is replaced through: the file it names gets the bytes.
  s.final_path = FinalPath(target);
  // Only a file may be replaced, and not one that is marked read-only.
  const DWORD existing = GetFileAttributesW(s.final_path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return Status::FromSystemError(ERROR_ACCESS_DENIED);
  }
  s.target_exists = existing != INVALID_FILE_ATTRIBUTES;

  // The temporary file sits beside the target, so the final rename stays
  // on one volume.
  const std::wstring stem =
      s.final_path + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring candidate = stem + std::to_wstring(attempt) + L".tmp";
    s.file.Reset(CreateFileW(
        candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
        CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (s.file.valid()) {
      s.temp = candidate;
      return Status::Ok();
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return LastError();
  }
  return Status::FromSystemError(ERROR_FILE_EXISTS);
}

Status AtomicFileWriter::Write(std::string_view bytes) {
  State& s = *state_;
  if (!s.file.valid()) return Status::FromSystemError(ERROR_INVALID_HANDLE);
  if (Status written = WriteAll(s.file.get(), bytes); !written.ok()) {
    return s.Fail(written);
  }
  if (!s.in_place && !FlushFileBuffers(s.file.get())) {
    return s.Fail(LastError());
  }
  if (!s.file.Close()) return s.Fail(LastError());
  return Status::Ok();
}

Status AtomicFileWriter::Commit() {
  State& s = *state_;
  if (s.in_place) return Status::Ok();
  if (s.temp.empty() || s.file.valid()) {
    return Status::FromSystemError(ERROR_INVALID_HANDLE);
  }
  BOOL moved = FALSE;
  if (s.target_exists) {
    moved = ReplaceFileW(s.final_path.c_str(), s.temp.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
  }
  if (!moved) {
    moved = MoveFileExW(s.temp.c_str(), s.final_path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!moved) return s.Fail(LastError());
  s.temp.clear();
  return Status::Ok();
}

}  // namespace ovik
