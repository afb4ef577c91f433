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
    const ReadResult result = directory.Next(&entry);
    if (result == ReadResult::kEnd) break;
    EXPECT_EQ(result, ReadResult::kEntry);
    if (result != ReadResult::kEntry) break;
    entries[entry.name] = entry;
  }
  return entries;
}

TEST(FileSystemWin32Test, ListsFilesAndDirectoriesWithSizesAndOwners) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"empty.txt"), 0));
  ASSERT_TRUE(MakeFile(scratch.Long(L"small.bin"), 1500));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L".hidden").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"sub\\inner.dat"), 10));

  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  OpenError error = OpenError::kOther;
  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(error, OpenError::kNone);

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
  EXPECT_EQ(fs->LookupOwnerName(small.owner_key, &name),
            OwnerNameStatus::kName);
  EXPECT_EQ(name, CurrentUserName());

  std::unique_ptr<Directory> sub = root->OpenSubdirectory("sub", &error);
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
  OpenError error;
  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
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
  OpenError error;
  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(root, nullptr);
  const std::map<std::string, Entry> entries = ReadAll(*root);
  ASSERT_EQ(entries.count(name), 1u);
  EXPECT_EQ(entries.at(name).size, 7u);
  EXPECT_EQ(entries.at(name).owner_status, OwnerStatus::kKnown);
  std::unique_ptr<Directory> sub =
      root->OpenSubdirectory("\xE5\xAD\x90", &error);
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
  OpenError error;
  std::unique_ptr<Directory> directory = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(directory, nullptr);
  for (int level = 0; level < 8; ++level) {
    directory = directory->OpenSubdirectory(WideToUtf8(segment), &error);
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

TEST(FileSystemWin32Test, LinksAreCountedButNeverEntered) {
  ScratchDirectory scratch;
  ASSERT_TRUE(CreateDirectoryW(scratch.Long(L"target").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(scratch.Long(L"target\\file"), 100));
  if (!MakeJunction(scratch.Long(L"link"), scratch.path() + L"\\target")) {
    GTEST_SKIP() << "junctions cannot be made here";
  }
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  OpenError error;
  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(root, nullptr);
  const std::map<std::string, Entry> entries = ReadAll(*root);
  ASSERT_EQ(entries.count("link"), 1u);
  EXPECT_EQ(entries.at("link").kind, EntryKind::kLink);
  EXPECT_EQ(entries.at("link").owner_status, OwnerStatus::kKnown);
  EXPECT_EQ(root->OpenSubdirectory("link", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotDirectory);
  EXPECT_EQ(entries.at("target").kind, EntryKind::kDirectory);
}

TEST(FileSystemWin32Test, OpenRootReportsWhatIsWrong) {
  ScratchDirectory scratch;
  ASSERT_TRUE(MakeFile(scratch.Long(L"plain"), 1));
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  OpenError error = OpenError::kNone;
  EXPECT_EQ(fs->OpenRoot(scratch.utf8() + "\\missing", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
  EXPECT_EQ(fs->OpenRoot(scratch.utf8() + "\\plain", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotDirectory);

  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->OpenSubdirectory("missing", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
  EXPECT_EQ(root->OpenSubdirectory("plain", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotDirectory);
}

TEST(FileSystemWin32Test, AnEmptyDirectoryListsNothing) {
  ScratchDirectory scratch;
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  OpenError error;
  std::unique_ptr<Directory> root = fs->OpenRoot(scratch.utf8(), &error);
  ASSERT_NE(root, nullptr);
  Entry entry;
  EXPECT_EQ(root->Next(&entry), ReadResult::kEnd);
  EXPECT_EQ(root->Next(&entry), ReadResult::kEnd);
}

TEST(FileSystemWin32Test, OwnerNamesOfIdentifiers) {
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  // The built-in Administrators group, S-1-5-32-544, by its binary form.
  const std::string administrators("\x01\x02\x00\x00\x00\x00\x00\x05"
                                   "\x20\x00\x00\x00\x20\x02\x00\x00",
                                   16);
  std::string name;
  EXPECT_EQ(fs->LookupOwnerName(administrators, &name),
            OwnerNameStatus::kName);
  EXPECT_EQ(name, fs->AdministratorsName());

  // An account of a domain that does not exist maps to no name: counted
  // under the identifier's text.
  const std::string unknown(
      "\x01\x05\x00\x00\x00\x00\x00\x05"
      "\x15\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00"
      "\x5C\x11\x00\x00",
      28);
  name.clear();
  EXPECT_EQ(fs->LookupOwnerName(unknown, &name), OwnerNameStatus::kUnmapped);
  EXPECT_EQ(name, "S-1-5-21-1-2-3-4444");

  // Bytes that are no identifier at all.
  EXPECT_EQ(fs->LookupOwnerName("garbage!", &name), OwnerNameStatus::kError);
  EXPECT_EQ(fs->LookupOwnerName(std::string(administrators, 0, 12), &name),
            OwnerNameStatus::kError);
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
  EXPECT_EQ(fs->FoldName("administrators"), fs->FoldName("ADMINISTRATORS"));
  EXPECT_EQ(fs->FoldName("J\xC3\xBCrgen"), fs->FoldName("J\xC3\x9CRGEN"));
  EXPECT_EQ(fs->FoldName("\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD"),
            fs->FoldName("\xD0\x98\xD0\x92\xD0\x90\xD0\x9D"));  // Cyrillic
  EXPECT_NE(fs->FoldName("alice"), fs->FoldName("alicia"));
  EXPECT_EQ(fs->FoldName("\xE5\x90\x8D"), "\xE5\x90\x8D");  // no case
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

}  // namespace
}  // namespace ovik
