// Report bytes on Windows: the ANSI code page, CR LF lines, and the file
// written through the real file layer. The test script runs these once
// in a Western and once in a Japanese locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/text_encoding.h"
#include "present/report.h"
#include "tests/win32_test_util.h"
#include "dialog/report_out.h"

namespace ovik {
namespace {

using win32_test::ReadFileBytes;
using win32_test::ScratchDirectory;

constexpr char kUserName[] = "\xE3\x83\xA6\xE3\x83\xBC\xE3\x82\xB6\xE3\x83"
                             "\xBC\xE5\x90\x8D";  // ユーザー名

TEST(ReportEncodingWin32Test, AsciiIsUnchanged) {
  EXPECT_EQ(ToReportEncoding("Administrators 300MB  30.7200%\r\n"),
            "Administrators 300MB  30.7200%\r\n");
  EXPECT_EQ(ToReportEncoding(""), "");
}

TEST(ReportEncodingWin32Test, JapaneseInCodePage932) {
  if (GetACP() != 932) GTEST_SKIP() << "ANSI code page is " << GetACP();
  EXPECT_EQ(ToReportEncoding(kUserName),
            "\x83\x86\x81\x5B\x83\x55\x81\x5B\x96\xBC");
}

TEST(ReportEncodingWin32Test, WesternCodePage1252) {
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << GetACP();
  EXPECT_EQ(ToReportEncoding("J\xC3\xBCrgen \xE2\x82\xAC"), "J\xFCrgen \x80");
  // What the code page cannot hold becomes its default character.
  EXPECT_EQ(ToReportEncoding("\xE5\x90\x8D"), "?");
}

// A Japanese name made by the system under Wine (tests/wine/wine-env.sh
// makes the file) is read as it is, and written in the code page: Wine
// reads names in the Unix locale's character set, which the Japanese run
// must have.
TEST(ReportEncodingWin32Test, JapaneseNamesOfFilesAreReadWhole) {
  if (GetACP() != 932) GTEST_SKIP() << "ANSI code page is " << GetACP();
  const char* drive = std::getenv("OVIK_TEST_DRIVE");
  if (drive == nullptr) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  std::unique_ptr<FileSystem> fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> names;
  ASSERT_TRUE(fs->OpenRoot(std::string(drive) + "names", &names).ok());
  std::vector<std::string> listed;
  Entry entry;
  while (names->Next(&entry).ok()) listed.push_back(entry.name);
  EXPECT_EQ(listed, std::vector<std::string>{kUserName});
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(ToReportEncoding(listed[0]),
            "\x83\x86\x81\x5B\x83\x55\x81\x5B\x96\xBC");
}

// The whole report as it lands in the file: names padded by the bytes
// they take in the code page, one CR LF line per owner.
TEST(ReportEncodingWin32Test, ReportFileHoldsAnsiBytes) {
  if (GetACP() != 932) GTEST_SKIP() << "ANSI code page is " << GetACP();
  Ranking ranking = {{"Administrators", 314572800, 307200},
                     {kUserName, 1024, 1}};
  VolumeTotals totals;
  totals.total_kb = 1000000;
  ScratchDirectory scratch;
  const std::wstring path = scratch.path() + L"\\report.txt";
  ASSERT_EQ(WriteReportFile(WideToUtf8(path), BuildReport(ranking, totals)),
            ReportFileResult::kWritten);
  EXPECT_EQ(ReadFileBytes(path),
            "No.1:Administrators        300MB  30.7200%\r\n"
            "No.2:\x83\x86\x81\x5B\x83\x55\x81\x5B\x96\xBC"
            "              1KB  0.0001%\r\n");
}

}  // namespace
}  // namespace ovik
