// Writing files on Windows: a new file, a replaced one, a file that
// cannot be created, a device, and nothing left behind.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/file_writer.h"
#include "tests/win32_test_util.h"
#include "dialog/report_out.h"

namespace ovik {
namespace {

using win32_test::MakeFile;
using win32_test::ReadFileBytes;
using win32_test::ScratchDirectory;

int CountEntries(const ScratchDirectory& scratch) {
  int count = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((scratch.path() + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") ++count;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

TEST(FileWriterWin32Test, CreatesAndReplacesFiles) {
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\out.txt";
  const std::string utf8 = WideToUtf8(path);
  ASSERT_EQ(WriteReportFile(utf8, "first\r\n"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path), "first\r\n");
  // A longer and then a shorter text: no stale bytes remain.
  ASSERT_EQ(WriteReportFile(utf8, "second, longer\r\n"), ReportFileResult::kWritten);
  ASSERT_EQ(WriteReportFile(utf8, "3\r\n"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path), "3\r\n");
  ASSERT_EQ(WriteReportFile(utf8, ""), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path), "");
  EXPECT_EQ(CountEntries(scratch), 1);  // no temporary file left
}

TEST(FileWriterWin32Test, NamesOutsideTheAnsiCodePage) {
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\\x5831\x544A.txt";  // 報告
  ASSERT_EQ(WriteReportFile(WideToUtf8(path), "x"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path), "x");
}

TEST(FileWriterWin32Test, AMissingDirectoryFailsAndLeavesNothing) {
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\missing\\out.txt";
  EXPECT_EQ(WriteReportFile(WideToUtf8(path), "x"),
            ReportFileResult::kNotCreated);
  EXPECT_EQ(CountEntries(scratch), 0);
}

TEST(FileWriterWin32Test, ADirectoryInTheWayIsNotReplaced) {
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\taken";
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  EXPECT_NE(WriteReportFile(WideToUtf8(path), "x"), ReportFileResult::kWritten);
  EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(CountEntries(scratch), 1);
}

TEST(FileWriterWin32Test, ADeviceIsWrittenInPlace) {
  EXPECT_EQ(WriteReportFile("NUL", "discarded"), ReportFileResult::kWritten);
}

TEST(FileWriterWin32Test, AReadOnlyFileIsKeptAsItWas) {
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\locked.txt";
  ASSERT_TRUE(MakeFile(path, 3));
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(WriteReportFile(WideToUtf8(path), "new"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path), "xxx");
  EXPECT_EQ(CountEntries(scratch), 1);
}

TEST(FileWriterWin32Test, LinksAreFollowedOnlyFromTrustedOwners) {
  ScratchDirectory scratch;
  const std::wstring real = scratch.path() + L"\\real.txt";
  const std::wstring link = scratch.path() + L"\\link.txt";
  ASSERT_TRUE(MakeFile(real, 3));
  // (Wine's says it made the link and makes none.)
  if (!CreateSymbolicLinkW(link.c_str(), real.c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no symbolic links here (error " << GetLastError() << ")";
  }
  // A link of our own is followed: the file it names gets the bytes.
  ASSERT_EQ(WriteReportFile(WideToUtf8(link), "new"), ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(real), "new");
  EXPECT_NE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  // Given to Everyone, it is no longer trusted.
  HANDLE handle = CreateFileW(link.c_str(), WRITE_OWNER, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0,
                                       0, 0, 0, 0, &everyone));
  const DWORD given = SetSecurityInfo(handle, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION, everyone,
                                      nullptr, nullptr, nullptr);
  FreeSid(everyone);
  CloseHandle(handle);
  if (given != ERROR_SUCCESS) {
    GTEST_SKIP() << "a link cannot be given away here (error " << given << ")";
  }
  std::string refused;
  EXPECT_EQ(WriteReportFile(WideToUtf8(link), "other", {}, &refused),
            ReportFileResult::kNotCreated);
  EXPECT_EQ(refused, WideToUtf8(link));
  EXPECT_EQ(ReadFileBytes(real), "new");
}

}  // namespace
}  // namespace ovik
