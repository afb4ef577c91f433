// The walk's view of a Windows volume. Directories are listed through
// "\\?\"-prefixed long paths, so the process's current directory is never
// touched and paths longer than MAX_PATH still work. Reparse points
// (symbolic links, junctions, mount points) are reported as links and
// never entered, so a walk cannot leave its volume or run in a circle.
#include "platform/filesystem.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/wide_text_win32.h"

namespace ovik {
namespace {

OpenError OpenErrorFromLastError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return OpenError::kNotFound;
    case ERROR_ACCESS_DENIED:
      return OpenError::kAccessDenied;
    case ERROR_DIRECTORY:
      return OpenError::kNotDirectory;
    case ERROR_TOO_MANY_OPEN_FILES:
      return OpenError::kTooManyOpen;
    default:
      return OpenError::kOther;
  }
}

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

// Reads the owner of |path| into |descriptor|. Reparse points are asked
// about themselves, not about what they point to; a dangling link has an
// owner too.
bool ReadOwnerDescriptor(const std::wstring& path, bool reparse_point,
                         std::vector<BYTE>* descriptor, DWORD* error) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (reparse_point) {
    handle = CreateFileW(path.c_str(), READ_CONTROL,
                         FILE_SHARE_READ | FILE_SHARE_WRITE |
                             FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT |
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
        reparse_point
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
  Win32Directory(std::wstring path, HANDLE find, const WIN32_FIND_DATAW& data)
      : path_(std::move(path)), find_(find), data_(data) {}
  // An empty directory: a root with nothing in it lists not even ".".
  explicit Win32Directory(std::wstring path)
      : path_(std::move(path)), at_end_(true) {}

  ~Win32Directory() override {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
  }

  Win32Directory(const Win32Directory&) = delete;
  Win32Directory& operator=(const Win32Directory&) = delete;

  ReadResult Next(Entry* entry) override {
    for (;;) {
      if (at_end_) return failed_ ? ReadResult::kError : ReadResult::kEnd;
      if (!have_data_) {
        if (!FindNextFileW(find_, &data_)) {
          at_end_ = true;
          failed_ = GetLastError() != ERROR_NO_MORE_FILES;
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

  std::unique_ptr<Directory> OpenSubdirectory(std::string_view name,
                                              OpenError* error) override;

  static std::unique_ptr<Directory> Open(std::wstring path, OpenError* error);

 private:
  ReadResult Fill(Entry* entry) {
    entry->name = WideToUtf8(data_.cFileName);
    const DWORD attributes = data_.dwFileAttributes;
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (reparse) {
      entry->kind = EntryKind::kLink;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry->kind = EntryKind::kDirectory;
      return ReadResult::kEntry;
    } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
      entry->kind = EntryKind::kOther;
    } else {
      entry->kind = EntryKind::kFile;
    }
    entry->size = (std::uint64_t{data_.nFileSizeHigh} << 32) |
                  data_.nFileSizeLow;
    // The listing gives no file identity; hard links count once per name.
    entry->device = 0;
    entry->inode = 0;
    entry->links = 1;

    std::wstring full = path_ + data_.cFileName;
    DWORD error = ERROR_SUCCESS;
    if (!ReadOwnerDescriptor(full, reparse, &descriptor_, &error)) {
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return ReadResult::kVanished;
      }
      entry->owner_status = OwnerStatus::kUnreadable;
      entry->owner_key.clear();
      return ReadResult::kEntry;
    }
    entry->owner_status = OwnerSidBytes(descriptor_, &entry->owner_key)
                              ? OwnerStatus::kKnown
                              : OwnerStatus::kUnreadable;
    if (entry->owner_status == OwnerStatus::kUnreadable) {
      entry->owner_key.clear();
    }
    return ReadResult::kEntry;
  }

  std::wstring path_;  // "\\?\..." ending in a backslash
  HANDLE find_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data_ = {};
  bool have_data_ = true;  // data_ holds an entry not yet returned
  bool at_end_ = false;
  bool failed_ = false;
  std::vector<BYTE> descriptor_ = std::vector<BYTE>(1024);
};

std::unique_ptr<Directory> Win32Directory::Open(std::wstring path,
                                                OpenError* error) {
  // Asked with its trailing backslash, a file would look missing rather
  // than not a directory; a drive root keeps it.
  std::wstring probe = path;
  if (probe.size() > 1 && probe.back() == L'\\' &&
      probe[probe.size() - 2] != L':') {
    probe.pop_back();
  }
  const DWORD attributes = GetFileAttributesW(probe.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = OpenErrorFromLastError(GetLastError());
    return nullptr;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *error = OpenError::kNotDirectory;
    return nullptr;
  }
  WIN32_FIND_DATAW data;
  const std::wstring pattern = path + L"*";
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD last = GetLastError();
    if (last == ERROR_FILE_NOT_FOUND || last == ERROR_NO_MORE_FILES) {
      *error = OpenError::kNone;
      return std::make_unique<Win32Directory>(std::move(path));
    }
    *error = OpenErrorFromLastError(last);
    return nullptr;
  }
  *error = OpenError::kNone;
  return std::make_unique<Win32Directory>(std::move(path), find, data);
}

std::unique_ptr<Directory> Win32Directory::OpenSubdirectory(
    std::string_view name, OpenError* error) {
  std::wstring path = path_ + Utf8ToWide(name);
  // The entry may have been replaced by a link since it was listed.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = OpenErrorFromLastError(GetLastError());
    return nullptr;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    *error = OpenError::kNotDirectory;
    return nullptr;
  }
  path.push_back(L'\\');
  return Open(std::move(path), error);
}

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<Directory> OpenRoot(std::string_view path,
                                      OpenError* error) override {
    return Win32Directory::Open(LongDirectoryPath(path), error);
  }

  OwnerNameStatus LookupOwnerName(std::string_view owner_key,
                                  std::string* name) override {
    // The key is a SID copied out of a descriptor; copy it back into
    // properly aligned storage before handing it to the system.
    if (owner_key.size() < 8 || owner_key.size() > SECURITY_MAX_SID_SIZE) {
      return OwnerNameStatus::kError;
    }
    alignas(8) BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    std::memcpy(sid, owner_key.data(), owner_key.size());
    if (!IsValidSid(sid) || GetLengthSid(sid) != owner_key.size()) {
      return OwnerNameStatus::kError;
    }
    return LookupSid(sid, name);
  }

  std::string AdministratorsName() override {
    alignas(8) BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(sid);
    std::string name;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid,
                           &size) &&
        LookupSid(sid, &name) == OwnerNameStatus::kName && !name.empty()) {
      return name;
    }
    return "Administrators";
  }

  // Account names compare as the system compares them: without regard to
  // case, on the UTF-16 form.
  std::string FoldName(std::string_view name) const override {
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

 private:
  static OwnerNameStatus LookupSid(PSID sid, std::string* name) {
    std::vector<wchar_t> account(256);
    std::vector<wchar_t> domain(128);
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD account_size = static_cast<DWORD>(account.size());
      DWORD domain_size = static_cast<DWORD>(domain.size());
      SID_NAME_USE use = SidTypeUnknown;
      if (LookupAccountSidW(nullptr, sid, account.data(), &account_size,
                            domain.data(), &domain_size, &use)) {
        *name = WideToUtf8(account.data());
        return OwnerNameStatus::kName;
      }
      const DWORD error = GetLastError();
      if (error == ERROR_NONE_MAPPED) {
        return SidText(sid, name) ? OwnerNameStatus::kUnmapped
                                  : OwnerNameStatus::kError;
      }
      if (error != ERROR_INSUFFICIENT_BUFFER) break;
      // Only the name is used, but both buffers must be large enough.
      account.resize(std::max<std::size_t>(account.size(), account_size));
      domain.resize(std::max<std::size_t>(domain.size(), domain_size));
    }
    SidText(sid, name);
    return OwnerNameStatus::kError;
  }

  // "S-1-5-21-..."
  static bool SidText(PSID sid, std::string* text) {
    wchar_t* wide = nullptr;
    if (!ConvertSidToStringSidW(sid, &wide)) return false;
    *text = WideToUtf8(wide);
    LocalFree(wide);
    return true;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeSystemFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace ovik
