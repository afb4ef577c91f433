// Helpers for the tests that run against the real Win32 calls: a scratch
// directory, files of a given size, and the few facts a test compares
// with.
#ifndef OVIK_TESTS_WIN32_TEST_UTIL_H_
#define OVIK_TESTS_WIN32_TEST_UTIL_H_

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wide_text_win32.h"

namespace ovik::win32_test {

// A fresh directory below the temporary directory, removed with all its
// contents at the end of the test.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    for (unsigned n = 0;; ++n) {
      path_ = std::wstring(temp) + L"ovik-test-" +
              std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(n);
      if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~ScratchDirectory() { RemoveTree(L"\\\\?\\" + path_); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::wstring& path() const { return path_; }
  std::string utf8() const { return WideToUtf8(path_); }
  // |relative| below the directory, "\\?\"-prefixed so it may be long.
  std::wstring Long(std::wstring_view relative) const {
    return L"\\\\?\\" + path_ + L"\\" + std::wstring(relative);
  }

  static void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = path + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          RemoveTree(child);
        } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryW(child.c_str());
        } else {
          DeleteFileW(child.c_str());
        }
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
  }

 private:
  std::wstring path_;
};

// Creates |path| with |size| bytes; sizes beyond a few MB are made by
// moving the end of the file, so they take no space where the file
// system can leave holes.
inline bool MakeFile(const std::wstring& path, std::uint64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  if (size <= (1u << 20)) {
    std::string bytes(static_cast<std::size_t>(size), 'x');
    DWORD written = 0;
    ok = size == 0 || (WriteFile(file, bytes.data(),
                                 static_cast<DWORD>(bytes.size()), &written,
                                 nullptr) &&
                       written == bytes.size());
  } else {
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
         SetEndOfFile(file);
  }
  CloseHandle(file);
  return ok;
}

inline std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

// The account the tests run as, as the system names it.
inline std::string CurrentUserName() {
  wchar_t name[256 + 1] = {};
  DWORD size = 256 + 1;
  if (!GetUserNameW(name, &size)) return std::string();
  return WideToUtf8(name);
}

// Whether the tests run under Wine rather than on Windows itself.
inline bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Sets (or with nullopt removes) a value of the key that keeps the
// registered owner, and puts the old one back at the end of the test.
class RegistryValue {
 public:
  RegistryValue(const wchar_t* name, std::optional<std::wstring> value)
      : name_(name) {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                    nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                    nullptr);
    wchar_t old[4096];
    DWORD size = sizeof(old);
    DWORD type = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type,
                         reinterpret_cast<BYTE*>(old), &size) ==
        ERROR_SUCCESS) {
      old_ = std::wstring(old, size / sizeof(wchar_t));
    }
    Set(value);
  }
  ~RegistryValue() {
    Set(old_);
    RegCloseKey(key_);
  }
  RegistryValue(const RegistryValue&) = delete;
  RegistryValue& operator=(const RegistryValue&) = delete;

 private:
  void Set(const std::optional<std::wstring>& value) {
    if (!value) {
      RegDeleteValueW(key_, name_);
      return;
    }
    RegSetValueExW(key_, name_, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
  }

  const wchar_t* name_;
  HKEY key_ = nullptr;
  std::optional<std::wstring> old_;
};

}  // namespace ovik::win32_test

#endif  // OVIK_TESTS_WIN32_TEST_UTIL_H_
