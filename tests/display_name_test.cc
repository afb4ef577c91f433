// Names with control characters, broken UTF-8 or great length must leave
// the report one line per owner and the ranking rows plain text.
#include "present/display_name.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "present/report.h"
#include "tests/fake_dialog_port.h"
#include "dialog/control_ids.h"
#include "dialog/ranking_pages.h"

namespace ovik {
namespace {

TEST(SanitizeNameTest, ReplacesControlsAndBadBytesOneByOne) {
  EXPECT_EQ(SanitizeName("a\nb\r\tc\x1b[2Jd\x7f"), "a?b??c?[2Jd?");
  EXPECT_EQ(SanitizeName(std::string("nul\0x", 5)), "nul?x");
  // A lone continuation byte, a cut-off sequence, an overlong slash, a
  // surrogate, a code point beyond U+10FFFF, bytes that never occur.
  EXPECT_EQ(SanitizeName("\x80x"), "?x");
  EXPECT_EQ(SanitizeName("ab\xE4\xBC"), "ab??");
  EXPECT_EQ(SanitizeName("\xC0\xAF"), "??");
  EXPECT_EQ(SanitizeName("\xED\xA0\x80"), "???");
  EXPECT_EQ(SanitizeName("\xF4\x90\x80\x80"), "????");
  EXPECT_EQ(SanitizeName("\xFE\xFF"), "??");
  // C1 controls (U+0085 NEL, U+009B CSI) become one mark each.
  EXPECT_EQ(SanitizeName("x\xC2\x85y\xC2\x9B"), "x?y?");
  // So do the characters that make a name read otherwise than it is: a
  // right-to-left override, an isolate, a zero-width space, a byte order
  // mark, a soft hyphen, a tag.
  EXPECT_EQ(SanitizeName("evil\u202Etxt.exe"), "evil?txt.exe");
  EXPECT_EQ(SanitizeName("a\u2067b\u2069c\u200Bd"), "a?b?c?d");
  EXPECT_EQ(SanitizeName("\uFEFFad\u00ADmin\U000E0041"), "?ad?min?");
}

TEST(SanitizeNameTest, KeepsValidTextWhole) {
  const std::string names[] = {
      "",           "root",         "Jürgen.Müller", "山田太郎",
      "ユーザー名", "emoji😀name", "\xC2\xA0nbsp",  "Ωmega-ß",
      "\u05D3\u05E0\u05D4",  // Hebrew, right to left by itself
      "\U0001F468\u200D\U0001F469", "\u0645\u06CC\u200C\u062E",  // joiners
      std::string(255, 'a'),      std::string(300, 'z')};
  for (const std::string& name : names) EXPECT_EQ(SanitizeName(name), name);
}

TEST(EscapeNameTest, WritesWhatCannotBeShownAsOctalSoTheBytesComeBack) {
  EXPECT_EQ(EscapeName("a b\nc\\d\te"), "a b\\012c\\134d\\011e");
  EXPECT_EQ(EscapeName("\x1b[2J\xff\xC2\x9By\xE4\xBC"),
            "\\033[2J\\377\\302\\233y\\344\\274");
  EXPECT_EQ(EscapeName("Jürgen 山田 😀"), "Jürgen 山田 😀");
  EXPECT_EQ(EscapeName("a\u202Eb"), "a\\342\\200\\256b");
}

TEST(ReplaceAsciiControlsTest, LeavesHighBytesOfAnyEncodingAlone) {
  // Shift-JIS "ソ" is 0x83 0x5C; its second byte is not a control.
  EXPECT_EQ(ReplaceAsciiControls("\x83\x5C\r\n\x7f\xE9"), "\x83\x5C???\xE9");
}

// Every owner of |names| at 1 KB each.
Ranking RankingOf(const std::vector<std::string>& names) {
  Ranking ranking;
  for (const std::string& name : names) {
    RankedOwner owner;
    owner.name = name;
    owner.bytes = 1024;
    owner.kb = 1;
    ranking.push_back(owner);
  }
  return ranking;
}

const std::vector<std::string> kHostileNames = {
    "line\nbreak",
    "carriage\rreturn",
    "crlf\r\nin the middle",
    "esc\x1b]0;title\x07",
    "bad\xff\xfeutf8",
    std::string(255, 'n'),
    "Zoë Ångström",
    "名前の長いアカウント" + std::string(200, 'x'),
    "txt.\u202Eexe",  // reads "txt.exe" backwards
};

TEST(HostileNamesTest, ReportKeepsOneLinePerOwnerWithCrLfOnlyAtTheEnd) {
  const std::string report =
      BuildReport(RankingOf(kHostileNames), VolumeTotals{0, 1000});
  std::size_t start = 0;
  std::size_t lines = 0;
  while (start < report.size()) {
    const std::size_t end = report.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "unterminated line";
    const std::string line = report.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    })) << line;
#ifndef _WIN32
    // Windows reports are in the ANSI code page, not UTF-8.
    EXPECT_EQ(SanitizeName(line), line) << "not clean UTF-8: " << line;
#endif
    // The name is kept at full length, with the marks in place.
    const std::string expected_name =
        ToReportEncoding(SanitizeName(kHostileNames[lines]));
    EXPECT_EQ(line.substr(0, line.find(':') + 1 + expected_name.size()),
              "No." + std::to_string(lines + 1) + ":" + expected_name);
    ++lines;
    start = end + 2;
  }
  EXPECT_EQ(lines, kHostileNames.size());
  EXPECT_EQ(report.find("\u202E"), std::string::npos);
}

TEST(HostileNamesTest, ReportLineBuilderNeverLetsABreakThrough) {
  // The marks take the bytes of what they replace, so the padding holds.
  const std::string line = BuildReportLine(3, "a\r\nb\n", " 1KB  0.1000%");
  EXPECT_EQ(line, "No.3:a??b?" + std::string(15, ' ') + "  1KB  0.1000%\r\n");
}

TEST(HostileNamesTest, RankingRowsShowTheCleanedName) {
  FakeDialogPort dialog;
  RankingPages pages;
  const Ranking ranking = RankingOf(kHostileNames);
  pages.SetUpPaging(dialog, ranking, VolumeTotals{0, 1000});
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW1), "line?break");
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW3), "crlf??in the middle");
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW4), "esc?]0;title?");
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW5), "bad??utf8");
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, VolumeTotals{0, 1000});
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW1), std::string(255, 'n'));
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW2), "Zoë Ångström");
}

}  // namespace
}  // namespace ovik
