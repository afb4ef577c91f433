// The walk's view of a Windows volume. Directories are listed through
// "\\?\"-prefixed long paths, so the process's current directory is never
// touched and paths longer than MAX_PATH still work. Reparse points
// (symbolic links, junctions, mount points) are reported as links and
// never entered, so a walk cannot leave its volume or run in a circle;
// those that are directory entries are reported as such, so that they are
// not counted either.
//
// Where the process's token holds the backup privilege, it is enabled and
// owners are read through handles opened for backup, which the system
// grants whatever a file's ACL says: an administrator's walk then reads
// the owner of files whose ACL shuts administrators out. The same token
// may read a local NTFS volume's master file table instead of walking it.
#include "platform/filesystem.h"
#include "platform/file_time.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/ntfs/master_file_table.h"
#include "platform/ntfs/raw_volume_win32.h"
#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

// "C:\dir" or "\\server\share\dir" as an absolute "\\?\" path ending in a
// backslash, ready for a name to be appended.
std::wstring LongDirectoryPath(std::string_view utf8) {
  std::wstring path = Utf8ToWide(utf8);
  if (path.rfind(L"\\\\?\\", 0) != 0) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed != 0) {
      std::wstring full(needed, L'\0');
      const DWORD written =
          GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
      if (written != 0 && written < needed) {
        full.resize(written);
        path = std::move(full);
      }
    }
    if (path.rfind(L"\\\\", 0) == 0) {
      path = L"\\\\?\\UNC\\" + path.substr(2);
    } else {
      path = L"\\\\?\\" + path;
    }
  }
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  return path;
}

// Enables privilege |name| in the process's token when the token holds
// it: true when it is enabled.
bool EnablePrivilege(const wchar_t* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // AdjustTokenPrivileges succeeds for a privilege the token lacks, and
  // says so only through the last error.
  const bool enabled =
      LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
      GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return enabled;
}

// Reads the owner of |path| into |descriptor|. Reparse points are asked
// about themselves, not about what they point to; a dangling link has an
// owner too. With |backup| (the backup privilege enabled) the file is
// opened for backup, which GetFileSecurityW has no way to ask for.
bool ReadOwnerDescriptor(const std::wstring& path, bool reparse_point,
                         bool backup, std::vector<BYTE>* descriptor,
                         DWORD* error) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  const bool by_handle = reparse_point || backup;
  if (by_handle) {
    handle = CreateFileW(path.c_str(), READ_CONTROL,
                         FILE_SHARE_READ | FILE_SHARE_WRITE |
                             FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         (reparse_point ? FILE_FLAG_OPEN_REPARSE_POINT : 0) |
                             FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *error = GetLastError();
      return false;
    }
  }
  // A descriptor may be larger than any fixed buffer; grow to what the
  // system says it needs.
  bool ok = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD needed = 0;
    const DWORD size = static_cast<DWORD>(descriptor->size());
    const BOOL read =
        by_handle
            ? GetKernelObjectSecurity(handle, OWNER_SECURITY_INFORMATION,
                                      descriptor->data(), size, &needed)
            : GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION,
                               descriptor->data(), size, &needed);
    if (read) {
      ok = true;
      break;
    }
    *error = GetLastError();
    if (*error != ERROR_INSUFFICIENT_BUFFER || needed <= size) break;
    descriptor->resize(needed);
  }
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return ok;
}

// The owner's SID bytes from a self-relative descriptor.
bool OwnerSidBytes(std::vector<BYTE>& descriptor, std::string* key) {
  PSECURITY_DESCRIPTOR sd = descriptor.data();
  if (!IsValidSecurityDescriptor(sd)) return false;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!GetSecurityDescriptorControl(sd, &control, &revision)) return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted)) return false;
  if (owner == nullptr || !IsValidSid(owner)) return false;
  const DWORD length = GetLengthSid(owner);
  key->assign(static_cast<const char*>(owner), length);
  return true;
}

class Win32Directory : public Directory {
 public:
  // Takes over an open listing of |path| whose first entry is in |data|.
  Win32Directory(std::wstring path, bool backup, HANDLE find,
                 const WIN32_FIND_DATAW& data)
      : path_(std::move(path)), backup_(backup), find_(find), data_(data) {}
  // An empty directory: a root with nothing in it lists not even ".".
  Win32Directory(std::wstring path, bool backup)
      : path_(std::move(path)), backup_(backup), at_end_(true) {}

  ~Win32Directory() override {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
  }

  Win32Directory(const Win32Directory&) = delete;
  Win32Directory& operator=(const Win32Directory&) = delete;

  Status Next(Entry* entry) override {
    for (;;) {
      if (at_end_) {
        if (failure_ == ERROR_SUCCESS) return Status(StatusCode::kEnd);
        // Reported once; the listing is over.
        const Status failed = ListingFailure(failure_);
        failure_ = ERROR_SUCCESS;
        return failed;
      }
      if (!have_data_) {
        if (!FindNextFileW(find_, &data_)) {
          const DWORD error = GetLastError();
          at_end_ = true;
          if (error != ERROR_NO_MORE_FILES) failure_ = error;
          continue;
        }
      }
      have_data_ = false;
      const wchar_t* name = data_.cFileName;
      if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) {
        continue;
      }
      return Fill(entry);
    }
  }

  Status OpenSubdirectory(std::string_view name,
                          std::unique_ptr<Directory>* subdirectory) override;

  Status OpenAgain(std::unique_ptr<Directory>* again) override {
    return Open(path_, backup_, again, opened_from_parent_);
  }

  // By path: the listing holds no handle on the directory to go up from.
  Status OpenParent(std::unique_ptr<Directory>* parent) override;

  // |backup|: owners are read through handles opened for backup.
  // |from_parent|: opened as a subdirectory, so it has a parent to go
  // back up to.
  static Status Open(std::wstring path, bool backup,
                     std::unique_ptr<Directory>* directory,
                     bool from_parent = false);

 private:
  // A failed listing is never mistaken for an entry that went away.
  static Status ListingFailure(DWORD error) {
    const Status status = Status::FromSystemError(static_cast<int>(error));
    return status.code() == StatusCode::kNotFound
               ? Status(StatusCode::kOther, static_cast<int>(error))
               : status;
  }

  Status Fill(Entry* entry) {
    const DWORD attributes = data_.dwFileAttributes;
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (directory) {
      // A junction, directory link or mount point is a directory entry
      // all the same: nothing to count, and nothing to enter.
      entry->name = WideToUtf8(data_.cFileName);
      entry->kind = reparse ? EntryKind::kDirectoryLink : EntryKind::kDirectory;
      entry->size = 0;
      entry->inode = 0;
      entry->links = 1;
      return Status::Ok();
    }
    DWORD error = ERROR_SUCCESS;
    const bool owner_read = ReadOwnerDescriptor(
        path_ + data_.cFileName, reparse, backup_, &descriptor_, &error);
    if (!owner_read &&
        (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
      return Status(StatusCode::kNotFound, static_cast<int>(error));
    }
    entry->name = WideToUtf8(data_.cFileName);
    entry->kind = reparse                                 ? EntryKind::kLink
                  : (attributes & FILE_ATTRIBUTE_DEVICE) ? EntryKind::kOther
                                                          : EntryKind::kFile;
    entry->size = (std::uint64_t{data_.nFileSizeHigh} << 32) |
                  data_.nFileSizeLow;
    entry->modified = SecondsSince1970(
        (std::uint64_t{data_.ftLastWriteTime.dwHighDateTime} << 32) |
        data_.ftLastWriteTime.dwLowDateTime);
    entry->accessed = SecondsSince1970(
        (std::uint64_t{data_.ftLastAccessTime.dwHighDateTime} << 32) |
        data_.ftLastAccessTime.dwLowDateTime);
    // The listing gives no file identity; hard links count once per name.
    entry->device = 0;
    entry->inode = 0;
    entry->links = 1;
    entry->owner_status = owner_read && OwnerSidBytes(descriptor_,
                                                      &entry->owner_key)
                              ? OwnerStatus::kKnown
                              : OwnerStatus::kUnreadable;
    if (entry->owner_status == OwnerStatus::kUnreadable) {
      entry->owner_key.clear();
    }
    return Status::Ok();
  }

  std::wstring path_;  // "\\?\..." ending in a backslash
  bool backup_ = false;
  bool opened_from_parent_ = false;
  HANDLE find_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data_ = {};
  bool have_data_ = true;  // data_ holds an entry not yet returned
  bool at_end_ = false;
  DWORD failure_ = ERROR_SUCCESS;  // why the listing ended early
  std::vector<BYTE> descriptor_ = std::vector<BYTE>(1024);
};

Status Win32Directory::Open(std::wstring path, bool backup,
                            std::unique_ptr<Directory>* directory,
                            bool from_parent) {
  // Asked with its trailing backslash, a file would look missing rather
  // than not a directory; a drive root keeps it.
  std::wstring probe = path;
  if (probe.size() > 1 && probe.back() == L'\\' &&
      probe[probe.size() - 2] != L':') {
    probe.pop_back();
  }
  const DWORD attributes = GetFileAttributesW(probe.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Status::FromSystemError(static_cast<int>(GetLastError()));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Status(StatusCode::kNotDirectory);
  }
  WIN32_FIND_DATAW data;
  const std::wstring pattern = path + L"*";
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD last = GetLastError();
    if (last != ERROR_FILE_NOT_FOUND && last != ERROR_NO_MORE_FILES) {
      return Status::FromSystemError(static_cast<int>(last));
    }
    auto empty = std::make_unique<Win32Directory>(std::move(path), backup);
    empty->opened_from_parent_ = from_parent;
    *directory = std::move(empty);
    return Status::Ok();
  }
  auto listing =
      std::make_unique<Win32Directory>(std::move(path), backup, find, data);
  listing->opened_from_parent_ = from_parent;
  *directory = std::move(listing);
  return Status::Ok();
}

Status Win32Directory::OpenSubdirectory(
    std::string_view name, std::unique_ptr<Directory>* subdirectory) {
  std::wstring path = path_ + Utf8ToWide(name);
  // The entry may have been replaced by a link since it was listed.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Status::FromSystemError(static_cast<int>(GetLastError()));
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return Status(StatusCode::kNotDirectory);
  }
  path.push_back(L'\\');
  return Open(std::move(path), backup_, subdirectory, true);
}

Status Win32Directory::OpenParent(std::unique_ptr<Directory>* parent) {
  if (!opened_from_parent_) return Status(StatusCode::kUnsupported);
  // path_ is "...\parent\name\": the parent is what comes before name.
  const std::size_t end = path_.rfind(L'\\', path_.size() - 2);
  if (end == std::wstring::npos) return Status(StatusCode::kUnsupported);
  std::wstring path = path_.substr(0, end + 1);
  // Replaced by a link since the walk came down through it: not the one
  // it came from. A drive root is asked with its backslash.
  const std::wstring probe =
      path[path.size() - 2] == L':' ? path : path.substr(0, path.size() - 1);
  const DWORD attributes = GetFileAttributesW(probe.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Status::FromSystemError(static_cast<int>(GetLastError()));
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return Status(StatusCode::kNotFound);
  }
  return Open(std::move(path), backup_, parent, true);
}

// Account names compare as the system compares them: without regard to
// case, on the UTF-16 form.
std::string FoldAccountName(std::string_view name) {
  const std::wstring wide = Utf8ToWide(name);
  if (wide.empty() || wide.size() > INT_MAX) return std::string(name);
  const int in_size = static_cast<int>(wide.size());
  std::wstring upper(wide.size(), L'\0');
  const int written =
      LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, wide.data(),
                    in_size, upper.data(), in_size, nullptr, nullptr, 0);
  if (written != in_size) return std::string(name);
  return WideToUtf8(upper);
}

// The key is a SID copied out of a descriptor; it is copied back into
// properly aligned storage before it goes to the system.
struct SidBuffer {
  alignas(8) BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
};

bool SidOfKey(std::string_view owner_key, SidBuffer* sid) {
  if (owner_key.size() < 8 || owner_key.size() > SECURITY_MAX_SID_SIZE) {
    return false;
  }
  std::memcpy(sid->bytes, owner_key.data(), owner_key.size());
  return IsValidSid(sid->bytes) && GetLengthSid(sid->bytes) == owner_key.size();
}

// The drive letter of "X:", "X:\" or "\\?\X:\": false for any other path.
bool DriveRoot(std::string_view path, wchar_t* letter) {
  if (path.rfind("\\\\?\\", 0) == 0) path.remove_prefix(4);
  if (path.size() == 3 && path[2] == '\\') path.remove_suffix(1);
  if (path.size() != 2 || path[1] != ':') return false;
  const char c = path[0];
  if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  *letter = static_cast<wchar_t>(c >= 'a' ? c - 'a' + 'A' : c);
  return true;
}

TableOpenResult Refused(TableRefusal refusal, std::string reason) {
  TableOpenResult result;
  result.refusal = refusal;
  result.reason = std::move(reason);
  return result;
}

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem() : backup_(EnablePrivilege(SE_BACKUP_NAME)) {}

  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override {
    return Win32Directory::Open(LongDirectoryPath(path), backup_, root);
  }

  // A local NTFS volume's master file table, read through the raw volume.
  TableOpenResult OpenTable(std::string_view root_path) override {
    wchar_t letter = 0;
    if (!DriveRoot(root_path, &letter)) {
      return Refused(TableRefusal::kNotVolumeRoot,
                     std::string(root_path) + " is not the root of a drive");
    }
    const std::string drive = WideToUtf8(std::wstring{letter, L':'});
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) {
      return Refused(TableRefusal::kNoTable, drive + " is not a local drive");
    }
    wchar_t file_system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr,
                               file_system, MAX_PATH + 1) ||
        CompareStringOrdinal(file_system, -1, L"NTFS", -1, TRUE) != CSTR_EQUAL) {
      return Refused(TableRefusal::kNoTable, drive + " is not an NTFS volume");
    }
    // Reading a volume's sectors while it is mounted.
    EnablePrivilege(SE_MANAGE_VOLUME_NAME);
    std::unique_ptr<ntfs::RawVolume> volume;
    const Status opened = ntfs::RawVolume::Open(letter, &volume);
    if (opened.code() == StatusCode::kAccessDenied) {
      return Refused(TableRefusal::kNoPrivilege,
                     "reading the master file table of " + drive +
                         " needs an elevated administrator");
    }
    if (!opened.ok()) {
      return Refused(TableRefusal::kUnreadable,
                     drive + " cannot be opened for reading (" +
                         opened.ToString() + ")");
    }
    TableOpenResult result;
    std::string reason;
    result.table =
        ntfs::MasterFileTable::Open(std::move(volume), &result.refusal, &reason);
    if (!result.table) result.reason = "on " + drive + ", " + reason;
    return result;
  }

  Status LookupOwnerName(std::string_view owner_key,
                         std::string* name) override {
    SidBuffer sid;
    if (!SidOfKey(owner_key, &sid)) {
      return Status::FromSystemError(ERROR_INVALID_SID);
    }
    return LookupSid(sid.bytes, name);
  }

  Status OwnerKeyText(std::string_view owner_key, std::string* text) override {
    SidBuffer sid;
    if (!SidOfKey(owner_key, &sid)) {
      return Status::FromSystemError(ERROR_INVALID_SID);
    }
    wchar_t* wide = nullptr;  // "S-1-5-21-..."
    if (!ConvertSidToStringSidW(sid.bytes, &wide)) {
      return Status::FromSystemError(static_cast<int>(GetLastError()));
    }
    *text = WideToUtf8(wide);
    LocalFree(wide);
    return Status::Ok();
  }

  std::string AdministratorsKey() override {
    SidBuffer sid;
    DWORD size = sizeof(sid.bytes);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.bytes,
                            &size)) {
      return std::string();
    }
    return std::string(reinterpret_cast<const char*>(sid.bytes), size);
  }

  std::string AdministratorsName() override {
    SidBuffer sid;
    DWORD size = sizeof(sid.bytes);
    std::string name;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.bytes,
                           &size) &&
        LookupSid(sid.bytes, &name).ok() && !name.empty()) {
      return name;
    }
    return "Administrators";
  }

  NameFolder name_folder() const override { return &FoldAccountName; }

 private:
  const bool backup_;  // the backup privilege is enabled
  static Status LookupSid(PSID sid, std::string* name) {
    std::vector<wchar_t> account(256);
    std::vector<wchar_t> domain(128);
    for (int attempt = 0;; ++attempt) {
      DWORD account_size = static_cast<DWORD>(account.size());
      DWORD domain_size = static_cast<DWORD>(domain.size());
      SID_NAME_USE use = SidTypeUnknown;
      if (LookupAccountSidW(nullptr, sid, account.data(), &account_size,
                            domain.data(), &domain_size, &use)) {
        *name = WideToUtf8(account.data());
        return Status::Ok();
      }
      const DWORD error = GetLastError();
      if (error == ERROR_NONE_MAPPED) {
        return Status(StatusCode::kNotFound, static_cast<int>(error));
      }
      // Only the name is used, but both buffers must be large enough.
      if (error != ERROR_INSUFFICIENT_BUFFER || attempt == 3) {
        return Status::FromSystemError(static_cast<int>(error));
      }
      account.resize(std::max<std::size_t>(account.size(), account_size));
      domain.resize(std::max<std::size_t>(domain.size(), domain_size));
    }
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeSystemFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace ovik
