// The walk's Win32 layer on real files: listing, sizes, links, long
// paths, owners and their names.
#include <windows.h>

#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/wide_text_win32.h"
#include "scan/scan.h"
#include "tests/forwarding_filesystem.h"
#include "tests/win32_test_util.h"

namespace ovik {
namespace {

using win32_test::CurrentUserName;
using win32_test::MakeFile;
using win32_test::ScratchDirectory;

std::map<std::string, Entry> ReadAll(Directory& directory) {
  std::map<std::string, Entry> entries;
  Entry entry;
  for (;;) {
    const Status read = directory.Next(&entry);
    if (read.code() == StatusCode::kEnd) break;
    EXPECT_TRUE(read.ok()) << read.ToString();
    if (!read.ok()) break;
    entries[entry.name] = entry;
  }
  return entries;
}

std::unique_ptr<Directory> OpenRoot(FileSystem& fs, const std::string& path) {
  std::unique_ptr<Directory> root;
  EXPECT_TRUE(fs.OpenRoot(path, &root).ok()) << path;
  return root;
}

std::unique_ptr<Directory> OpenSubdirectory(Directory& parent,
                                            std::string_view name) {
  std::unique_ptr<Directory> sub;
  EXPECT_TRUE(parent.OpenSubdirectory(name, &sub).ok()) << name;
  return sub;
}

TEST(FileSystemWin32Test, ListsFilesAndDirectoriesWithSizesAndOwners) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"empty.txt"), 0));
  ASSERT_TRUE(MakeFile(scratch.Long(L"small.bin"), 1500));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L".hidden").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"sub\\inner.dat"), 10));

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);

  const std::map<std::string, Entry> entries = ReadAll(*root);
  ASSERT_EQ(entries.size(), 4u);  // never "." or ".."
  EXPECT_EQ(entries.at("empty.txt").kind, EntryKind::kFile);
  EXPECT_EQ(entries.at("empty.txt").size, 0u);
  EXPECT_EQ(entries.at("small.bin").size, 1500u);
  EXPECT_EQ(entries.at("sub").kind, EntryKind::kDirectory);
  EXPECT_EQ(entries.at(".hidden").kind, EntryKind::kDirectory);

  // Every file here belongs to the account running the test, and its
  // identifier names that account.
  const Entry& small = entries.at("small.bin");
  ASSERT_EQ(small.owner_status, OwnerStatus::kKnown);
  EXPECT_EQ(small.owner_key, entries.at("empty.txt").owner_key);
  std::string name;
  EXPECT_TRUE(fs->LookupOwnerName(small.owner_key, &name).ok());
  EXPECT_EQ(name, CurrentUserName());

  std::unique_ptr<Directory> sub = OpenSubdirectory(*root, "sub");
  ASSERT_NE(sub, nullptr);
  const std::map<std::string, Entry> inner = ReadAll(*sub);
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner.at("inner.dat").size, 10u);
}

TEST(FileSystemWin32Test, SizesBeyondFourGibibytesAreWhole) {
  ScratchDirectory scratch;
  const std::uint64_t size = (std::uint64_t{5} << 30) + 123;
  if (!MakeFile(scratch.Long(L"big.img"), size)) {
    GTEST_SKIP() << "no room for a sparse 5 GiB file here";
  }
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ReadAll(*root).at("big.img").size, size);
}

TEST(FileSystemWin32Test, NamesOutsideTheAnsiCodePageAreListedAsUtf8) {
  ScratchDirectory scratch;
  // Cyrillic, Japanese and a character outside the basic plane.
  const std::string name = "\xD0\x96-\xE5\x90\x8D-\xF0\x9F\x93\x81.txt";
  ASSERT_TRUE(MakeFile(scratch.Long(Utf8ToWide(name)), 7));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"\x5B50").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"\x5B50\\x"), 3));

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  const std::map<std::string, Entry> entries = ReadAll(*root);
  ASSERT_EQ(entries.count(name), 1u);
  EXPECT_EQ(entries.at(name).size, 7u);
  EXPECT_EQ(entries.at(name).owner_status, OwnerStatus::kKnown);
  std::unique_ptr<Directory> sub = OpenSubdirectory(*root, "\xE5\xAD\x90");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(ReadAll(*sub).size(), 1u);
}

TEST(FileSystemWin32Test, PathsLongerThanMaxPathAreWalked) {
  ScratchDirectory scratch;
  std::wstring relative;
  const std::wstring segment(40, L'd');
  for (int level = 0; level < 8; ++level) {  // well beyond 260 characters
    relative += (level ? L"\\" : L"") + segment;
    ASSERT_TRUE(CreateDirectoryW(scratch.Long(relative).c_str(), nullptr));
  }
  ASSERT_TRUE(MakeFile(scratch.Long(relative + L"\\deep.txt"), 42));

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> directory = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(directory, nullptr);
  for (int level = 0; level < 8; ++level) {
    directory = OpenSubdirectory(*directory, WideToUtf8(segment));
    ASSERT_NE(directory, nullptr) << "level " << level;
  }
  const std::map<std::string, Entry> entries = ReadAll(*directory);
  ASSERT_EQ(entries.count("deep.txt"), 1u);
  EXPECT_EQ(entries.at("deep.txt").size, 42u);
  EXPECT_EQ(entries.at("deep.txt").owner_status, OwnerStatus::kKnown);
}

// Makes |link| a junction (a directory mount point) to |target|.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE handle = CreateFileW(
      link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  // REPARSE_DATA_BUFFER of a mount point: substitute name "\??\target",
  // then an empty print name, each ending in a NUL.
  const std::wstring substitute = L"\\??\\" + target;
  std::vector<BYTE> buffer(8 + 8 + (substitute.size() + 2) * sizeof(wchar_t));
  auto put16 = [&](std::size_t at, std::size_t value) {
    buffer[at] = static_cast<BYTE>(value & 0xFF);
    buffer[at + 1] = static_cast<BYTE>(value >> 8);
  };
  const std::size_t name_bytes = substitute.size() * sizeof(wchar_t);
  buffer[0] = 0x03;  // IO_REPARSE_TAG_MOUNT_POINT, 0xA0000003
  buffer[3] = 0xA0;
  put16(4, buffer.size() - 8);
  put16(8, 0);                             // substitute name offset
  put16(10, name_bytes);                   // and length
  put16(12, name_bytes + sizeof(wchar_t));  // print name offset
  put16(14, 0);                            // and length
  std::memcpy(buffer.data() + 16, substitute.data(), name_bytes);
  DWORD returned = 0;
  const BOOL ok = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT,
                                  buffer.data(),
                                  static_cast<DWORD>(buffer.size()), nullptr,
                                  0, &returned, nullptr);
  CloseHandle(handle);
  return ok && (GetFileAttributesW(link.c_str()) &
                FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Makes |link| a symbolic link to |target| on the Unix side, through
// Wine's own calls; false elsewhere. Wine cannot set reparse points, but
// it lists a Unix link to a directory as a directory reparse point.
bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
  if (!win32_test::RunningUnderWine()) return false;
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  const auto to_unix = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void (*)()>(GetProcAddress(
          GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (to_unix == nullptr) return false;
  std::wstring command = L"/bin/ln -s";
  for (const std::wstring* path : {&target, &link}) {
    char* unix_path = to_unix(path->c_str());
    if (unix_path == nullptr) return false;
    command += L" \"" + Utf8ToWide(unix_path) + L"\"";
    HeapFree(GetProcessHeap(), 0, unix_path);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE,
                      0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Nor can it wait for one: the link is awaited instead.
  const std::wstring long_link = L"\\\\?\\" + link;
  for (int tries = 0; tries < 3000; ++tries) {
    if (GetFileAttributesW(long_link.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return true;
    }
    Sleep(10);
  }
  return false;
}

// Makes |link| a junction to the directory |target| where the system can,
// or a symbolic link to it under Wine.
bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  const std::wstring long_link = L"\\\\?\\" + link;
  if (MakeJunction(long_link, target)) return true;
  RemoveDirectoryW(long_link.c_str());
  return MakeUnixLink(link, target) &&
         GetFileAttributesW(long_link.c_str()) ==
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction, a directory symbolic link or a mount point is a directory
// entry: never entered and, like any directory entry, not counted. A link
// to a file is counted as a file.
TEST(FileSystemWin32Test, DirectoryLinksAreNeitherCountedNorEntered) {
  ScratchDirectory scratch;
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"target").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"target\\file"), 100));
  const std::wstring target = scratch.path() + L"\\target";
  if (!MakeDirectoryLink(scratch.path() + L"\\dirlink", target)) {
    GTEST_SKIP() << "directory links cannot be made here";
  }
  // Wine says it made a link to a file where it made none.
  CreateSymbolicLinkW(scratch.Long(L"filelink").c_str(),
                      (target + L"\\file").c_str(), 0x2);
  if (GetFileAttributesW(scratch.Long(L"filelink").c_str()) ==
      INVALID_FILE_ATTRIBUTES) {
    MakeUnixLink(scratch.path() + L"\\filelink", target + L"\\file");
  }

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  const std::map<std::string, Entry> entries = ReadAll(*root);
  EXPECT_EQ(entries.at("target").kind, EntryKind::kDirectory);
  EXPECT_EQ(entries.at("dirlink").kind, EntryKind::kDirectoryLink);
  std::unique_ptr<Directory> none;
  EXPECT_EQ(root->OpenSubdirectory("dirlink", &none).code(),
            StatusCode::kNotDirectory);
  EXPECT_EQ(none, nullptr);
  std::uint64_t link_bytes = 0;
  if (entries.count("filelink") != 0) {
    EXPECT_NE(entries.at("filelink").kind, EntryKind::kDirectoryLink);
    link_bytes = entries.at("filelink").size;
  }

  ScanResult result = RunScan(*fs, scratch.utf8());
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.stats.files, entries.count("filelink") != 0 ? 2u : 1u);
  EXPECT_EQ(result.stats.bytes, 100u + link_bytes);
  EXPECT_EQ(result.stats.directories, 2u);  // the root and target only
  EXPECT_EQ(result.stats.vanished_entries + result.stats.skipped_directories,
            0u);
}

// Failures name their cause, and leave the caller's pointer as it was.
TEST(FileSystemWin32Test, OpenRootReportsWhatIsWrong) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"plain"), 1));
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> none;
  EXPECT_EQ(fs->OpenRoot(scratch.utf8() + "\\missing", &none).code(),
            StatusCode::kNotFound);
  EXPECT_EQ(fs->OpenRoot(scratch.utf8() + "\\plain", &none).code(),
            StatusCode::kNotDirectory);
  EXPECT_EQ(none, nullptr);

  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->OpenSubdirectory("missing", &none).code(),
            StatusCode::kNotFound);
  EXPECT_EQ(root->OpenSubdirectory("plain", &none).code(),
            StatusCode::kNotDirectory);
  EXPECT_EQ(none, nullptr);
}

// The walk goes back up a level, and hands a level to another thread,
// without the path from the root: a directory opens its parent and a
// second handle on itself; a root has no parent to go back to.
TEST(FileSystemWin32Test, ParentsAndSecondHandlesListTheSameDirectories) {
  ScratchDirectory scratch;
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"a").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"a\\b").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"a\\in-a"), 3));
  ASSERT_TRUE(MakeFile(scratch.Long(L"a\\b\\in-b"), 4));
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  std::unique_ptr<Directory> a = OpenSubdirectory(*root, "a");
  ASSERT_NE(a, nullptr);
  std::unique_ptr<Directory> b = OpenSubdirectory(*a, "b");
  ASSERT_NE(b, nullptr);
  std::unique_ptr<Directory> up, again, none;
  ASSERT_TRUE(b->OpenParent(&up).ok());
  EXPECT_EQ(ReadAll(*up).count("in-a"), 1u);
  ASSERT_TRUE(b->OpenAgain(&again).ok());
  EXPECT_EQ(ReadAll(*again).count("in-b"), 1u);
  EXPECT_EQ(root->OpenParent(&none).code(), StatusCode::kUnsupported);
  EXPECT_EQ(none, nullptr);
}

TEST(FileSystemWin32Test, AnEmptyDirectoryListsNothing) {
  ScratchDirectory scratch;
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root = OpenRoot(*fs, scratch.utf8());
  ASSERT_NE(root, nullptr);
  Entry entry;
  EXPECT_EQ(root->Next(&entry).code(), StatusCode::kEnd);
  EXPECT_EQ(root->Next(&entry).code(), StatusCode::kEnd);
}

// The built-in Administrators group, S-1-5-32-544, by its binary form.
const std::string kAdministratorsSid("\x01\x02\x00\x00\x00\x00\x00\x05"
                                     "\x20\x00\x00\x00\x20\x02\x00\x00",
                                     16);
// An account of a domain that does not exist: S-1-5-21-1-2-3-4444.
const std::string kUnknownSid(
    "\x01\x05\x00\x00\x00\x00\x00\x05"
    "\x15\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00"
    "\x5C\x11\x00\x00",
    28);

TEST(FileSystemWin32Test, OwnerNamesOfIdentifiers) {
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::string name;
  EXPECT_TRUE(fs->LookupOwnerName(kAdministratorsSid, &name).ok());
  EXPECT_EQ(name, fs->AdministratorsName());

  // No account has it: not found, and shown by its text.
  name = "unchanged";
  EXPECT_EQ(fs->LookupOwnerName(kUnknownSid, &name).code(),
            StatusCode::kNotFound);
  EXPECT_EQ(name, "unchanged");
  EXPECT_TRUE(fs->OwnerKeyText(kUnknownSid, &name).ok());
  EXPECT_EQ(name, "S-1-5-21-1-2-3-4444");

  // Bytes that are no identifier at all have neither, and a failed call
  // leaves the name as it was.
  name = "unchanged";
  EXPECT_FALSE(fs->LookupOwnerName("garbage!", &name).ok());
  EXPECT_FALSE(fs->OwnerKeyText("garbage!", &name).ok());
  EXPECT_FALSE(
      fs->LookupOwnerName(std::string(kAdministratorsSid, 0, 12), &name).ok());
  EXPECT_EQ(name, "unchanged");
}

TEST(FileSystemWin32Test, AdministratorsAreNamedAsTheSystemNamesThem) {
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  const std::string name = fs->AdministratorsName();
  EXPECT_FALSE(name.empty());
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_ENGLISH) {
    EXPECT_EQ(name, "Administrators");
  }
}

TEST(FileSystemWin32Test, AccountNamesFoldWithoutRegardToCase) {
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  const NameFolder fold = fs->name_folder();
  ASSERT_NE(fold, nullptr);
  EXPECT_EQ(fold("administrators"), fold("ADMINISTRATORS"));
  EXPECT_EQ(fold("J\xC3\xBCrgen"), fold("J\xC3\x9CRGEN"));
  EXPECT_EQ(fold("\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD"),
            fold("\xD0\x98\xD0\x92\xD0\x90\xD0\x9D"));  // Cyrillic
  EXPECT_NE(fold("alice"), fold("alicia"));
  EXPECT_EQ(fold("\xE5\x90\x8D"), "\xE5\x90\x8D");  // no case
}

// The whole scan through the real layer: the administrators' record
// heads the table, and every byte here is the running account's.
TEST(FileSystemWin32Test, RunScanCountsEveryFileForItsOwner) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"a"), 3000));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"d").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"d\\b"), 2000));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L".dot").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L".dot\\c"), 5000));

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  ScanResult result = RunScan(*fs, scratch.utf8());
  ASSERT_TRUE(result.ok());
  ASSERT_FALSE(result.table.empty());
  EXPECT_EQ(result.table[0].name, fs->AdministratorsName());
  const std::string user = CurrentUserName();
  std::uint64_t user_bytes = 0;
  for (const RankedOwner& owner : result.ranking) {
    if (owner.name == user) user_bytes = owner.bytes;
  }
  EXPECT_EQ(user_bytes, 10000u);
  EXPECT_EQ(result.stats.unreadable_entries, 0u);
}

// The real file system, with the owner keys of some files replaced: they
// stand for owners whose names the system cannot give.
class ReplacedOwners : public ForwardingFileSystem {
 public:
  ReplacedOwners(FileSystem& real, std::map<std::string, std::string> keys)
      : ForwardingFileSystem(real), keys_(std::move(keys)) {}

 private:
  void AdjustEntry(Entry* entry) const override {
    auto key = keys_.find(entry->name);
    if (key != keys_.end()) entry->owner_key = key->second;
  }

  std::map<std::string, std::string> keys_;
};

// An owner whose name cannot be looked up is counted under its own text,
// or as unreadable, and never under the name of the owner before it.
TEST(FileSystemWin32Test, OwnersWithoutANameKeepTheirOwnBytes) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"1-user"), 1000));
  ASSERT_TRUE(MakeFile(scratch.Long(L"2-garbage"), 200));
  ASSERT_TRUE(MakeFile(scratch.Long(L"3-unknown"), 30));
  std::unique_ptr<FileSystem> real = MakeSystemFileSystem();
  ReplacedOwners fs(*real, {{"2-garbage", "garbage!"},
                            {"3-unknown", kUnknownSid}});
  ScanResult result = RunScan(fs, scratch.utf8());
  ASSERT_TRUE(result.ok());
  std::map<std::string, std::uint64_t> bytes;
  std::uint64_t ranked = 0;
  for (const RankedOwner& owner : result.ranking) {
    bytes[owner.name] = owner.bytes;
    ranked += owner.bytes;
  }
  EXPECT_EQ(bytes[CurrentUserName()], 1000u);
  EXPECT_EQ(bytes[std::string(kUnreadableOwnerName)], 200u);
  EXPECT_EQ(bytes["S-1-5-21-1-2-3-4444"], 30u);
  EXPECT_EQ(ranked, 1230u);
}

}  // namespace
}  // namespace ovik
