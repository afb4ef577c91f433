// Report bytes on Windows: the ANSI code page, CR LF lines, and the file
// written through the real file layer. The test script runs these once
// in a Western and once in a Japanese locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
