// Writes a file so that a failure leaves the old one intact: the bytes go
// to a temporary file in the same directory, are flushed to disk, and
// only then take the target's place. Replacing keeps the old file's
// security and attributes. Devices ("NUL", "COM1", ...) cannot be
// replaced and are written in place.
//
// A symbolic link or junction at the target is followed one at a time,
// each only when it belongs to this process's account (or its default
// owner, Administrators for an elevated one) or to the owner of the
// folder that holds it: anyone else's may be swapped for another while
// the report is written. The folder that gets the temporary is held open
// without leave to delete it, so that it cannot be renamed or replaced
// by a junction until the report is in place.
#include "platform/file_writer.h"

#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

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

constexpr DWORD kShareAll =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kMaxLinkHops = 40;

std::wstring DirName(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  std::wstring dir = path.substr(0, slash);
  // "C:" alone is the drive's current folder; its root is meant.
  if (dir.empty() || dir.back() == L':') dir += L'\\';
  return dir;
}

// A security identifier, copied out of whatever held it.
using Sid = std::vector<BYTE>;

Sid CopySid(PSID sid) {
  if (sid == nullptr || !IsValidSid(sid)) return {};
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return Sid(bytes, bytes + GetLengthSid(sid));
}

bool SameSid(const Sid& a, const Sid& b) {
  return !a.empty() && !b.empty() &&
         EqualSid(const_cast<BYTE*>(a.data()), const_cast<BYTE*>(b.data()));
}

Sid OwnerOf(HANDLE handle) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                      &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  Sid copy = CopySid(owner);
  LocalFree(descriptor);
  return copy;
}

// The account this process runs as, and the owner it gives what it
// creates (Administrators, for an elevated administrator).
std::vector<Sid> OwnSids() {
  std::vector<Sid> sids;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sids;
  for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 ||
        !GetTokenInformation(token, kind, buffer.data(), size, &size)) {
      continue;
    }
    // TOKEN_USER and TOKEN_OWNER both begin with the SID's address.
    PSID sid = kind == TokenUser
                   ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                   : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
    sids.push_back(CopySid(sid));
  }
  CloseHandle(token);
  return sids;
}

// Whether the link open as |link|, at |path|, may be followed.
bool MayFollow(HANDLE link, const std::wstring& path) {
  const Sid owner = OwnerOf(link);
  for (const Sid& own : OwnSids()) {
    if (SameSid(owner, own)) return true;
  }
  Handle dir(CreateFileW(DirName(path).c_str(), READ_CONTROL, kShareAll,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr));
  return dir.valid() && SameSid(owner, OwnerOf(dir.get()));
}

// The start of the system's reparse data of symbolic links and
// junctions (mount points); a link's flags follow, then the names.
struct ReparseHeader {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset;
  WORD substitute_length;
  WORD print_offset;
  WORD print_length;
};
constexpr DWORD kRelativeLink = 1;  // SYMLINK_FLAG_RELATIVE

// What the link open as |link|, at |path|, names: "" when it is no link
// (another kind of reparse point is a file like any other).
Status LinkTarget(HANDLE link, const std::wstring& path, std::wstring* target) {
  target->clear();
  std::vector<BYTE> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0,
                       buffer.data(), static_cast<DWORD>(buffer.size()), &size,
                       nullptr)) {
    return LastError();
  }
  ReparseHeader header{};
  if (size < sizeof header) return Status::FromSystemError(ERROR_INVALID_DATA);
  std::memcpy(&header, buffer.data(), sizeof header);
  std::size_t names = sizeof header;
  DWORD flags = 0;
  if (header.tag == IO_REPARSE_TAG_SYMLINK) {
    if (size < names + sizeof flags) {
      return Status::FromSystemError(ERROR_INVALID_DATA);
    }
    std::memcpy(&flags, buffer.data() + names, sizeof flags);
    names += sizeof flags;
  } else if (header.tag != IO_REPARSE_TAG_MOUNT_POINT) {
    return Status::Ok();
  }
  const std::size_t begin = names + header.substitute_offset;
  if (begin + header.substitute_length > size) {
    return Status::FromSystemError(ERROR_INVALID_DATA);
  }
  std::wstring name(header.substitute_length / sizeof(wchar_t), L'\0');
  std::memcpy(name.data(), buffer.data() + begin, header.substitute_length);
  if (name.empty()) return Status::FromSystemError(ERROR_INVALID_DATA);
  if (flags & kRelativeLink) {
    *target = DirName(path) + L"\\" + name;
  } else if (name.rfind(L"\\??\\", 0) == 0) {
    *target = L"\\\\?\\" + name.substr(4);  // the NT name as a Win32 one
  } else {
    *target = name;
  }
  return Status::Ok();
}

// The entry at |path| itself, not what a link there names: with leave
// to read its owner where that is given.
HANDLE OpenEntry(const std::wstring& path, DWORD access) {
  return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                     nullptr);
}

// Follows the links at |path| (each one only as MayFollow allows) to the
// file that takes the bytes.
Status Resolve(const std::wstring& path, std::wstring* final_path,
               std::string* refused_link) {
  std::wstring current = path;
  for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
    Handle entry(OpenEntry(current, READ_CONTROL | FILE_READ_ATTRIBUTES));
    const bool owner_readable = entry.valid();
    if (!entry.valid() && GetLastError() == ERROR_ACCESS_DENIED) {
      entry.Reset(OpenEntry(current, FILE_READ_ATTRIBUTES));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!entry.valid() || !GetFileInformationByHandle(entry.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      *final_path = current;  // a file, or none yet
      return Status::Ok();
    }
    std::wstring target;
    if (Status read = LinkTarget(entry.get(), current, &target); !read.ok()) {
      return read;
    }
    if (target.empty()) {  // no link: a file like any other
      *final_path = current;
      return Status::Ok();
    }
    if (!owner_readable || !MayFollow(entry.get(), current)) {
      if (refused_link != nullptr) *refused_link = WideToUtf8(current);
      return Status::FromSystemError(ERROR_ACCESS_DENIED);
    }
    current = std::move(target);
  }
  return Status::FromSystemError(ERROR_CANT_RESOLVE_FILENAME);
}

}  // namespace

struct AtomicFileWriter::State {
  Handle file{INVALID_HANDLE_VALUE};
  // The folder of the target, held so that it stays where it is.
  Handle folder{INVALID_HANDLE_VALUE};
  std::string refused_link;
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
    folder.Close();
  }
  Status Fail(Status status) {
    Discard();
    return status;
  }
};

AtomicFileWriter::AtomicFileWriter() : state_(std::make_unique<State>()) {}
AtomicFileWriter::~AtomicFileWriter() = default;

// Devices written in place do not wait here as a FIFO can on Linux.
void AtomicFileWriter::set_cancel(std::function<bool()> /*cancelled*/) {}

const std::string& AtomicFileWriter::refused_link() const {
  return state_->refused_link;
}

Status AtomicFileWriter::Check(const std::string& path,
                               std::string* refused_link) {
  // Devices are opened without harm here; the temporary goes with |probe|.
  AtomicFileWriter probe;
  const Status status = probe.Create(path);
  if (refused_link != nullptr) *refused_link = probe.refused_link();
  return status;
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
  if (Status resolved = Resolve(target, &s.final_path, &s.refused_link);
      !resolved.ok()) {
    return resolved;
  }
  // Without leave to delete, the folder can be neither renamed nor
  // removed while it is held.
  s.folder.Reset(CreateFileW(DirName(s.final_path).c_str(),
                             FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                             nullptr));
  if (!s.folder.valid()) return LastError();
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
  // A link put at the name since it was looked at is not replaced through.
  const DWORD now = GetFileAttributesW(s.final_path.c_str());
  if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return s.Fail(Status::FromSystemError(ERROR_ACCESS_DENIED));
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
  s.folder.Close();
  return Status::Ok();
}

}  // namespace ovik
