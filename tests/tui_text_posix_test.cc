#include <gtest/gtest.h>

#include <string>

#include "present/utf8.h"
#include "dialog/scan_status_text.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/render.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

TEST(TextCellsTest, DecodesUtf8AndReplacesEachBadByte) {
  EXPECT_EQ(DecodeUtf8("aé会"), U"aé会");
  // A lone continuation byte, an overlong form, a surrogate, a cut-off
  // sequence at the end.
  EXPECT_EQ(DecodeUtf8("\x80x"), U"\uFFFDx");
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("ab\xE4\xBC"), U"ab\uFFFD\uFFFD");
  EXPECT_EQ(EncodeUtf8(U"ログ😀"), "ログ😀");
}

TEST(TextCellsTest, JapaneseTakesTwoCellsCombiningMarksNone) {
  EXPECT_EQ(DisplayWidth("ログファイル名を指定"), 20);
  EXPECT_EQ(DisplayWidth("Ovik for NTについて.."), 21);
  EXPECT_EQ(DisplayWidth("ｶﾅ"), 2);           // half-width katakana
  EXPECT_EQ(DisplayWidth("ＡＢ"), 4);          // full-width letters
  EXPECT_EQ(DisplayWidth("e\u0301"), 1);       // e + combining acute
  EXPECT_EQ(DisplayWidth("\u30CF\u309A"), 2);  // ハ + combining handakuten
  EXPECT_EQ(DisplayWidth("a\tb"), 3);          // a control shows as '?'
  EXPECT_EQ(Printable(U'\n'), U'?');
}

TEST(TextCellsTest, FittingNeverSplitsAWideCharacter) {
  EXPECT_EQ(FitToWidth("ユーザー名", 5), "ユー");
  EXPECT_EQ(FitToWidth("abc", 10), "abc");
  EXPECT_EQ(PadToWidth("会社名", 8), "会社名  ");
  EXPECT_EQ(PadToWidth("会社名", 5), "会社 ");
  EXPECT_EQ(ElideLeft("/home/user/projects/ovik", 12), "...ects/ovik");
  EXPECT_EQ(ElideLeft("/srv/データ/写真", 10), "...タ/写真");
  EXPECT_EQ(ElideLeft("short", 10), "short");
  EXPECT_EQ(ElideLeft("abcdef", 2), "..");
}

TEST(TextCellsTest, MnemonicsOfTheButtons) {
  const Mnemonic find = ParseMnemonic("&Find");
  EXPECT_EQ(find.label, "Find");
  EXPECT_EQ(find.key, U'f');
  EXPECT_EQ(find.cell, 0);
  const Mnemonic report = ParseMnemonic("&Report Out");
  EXPECT_EQ(report.label, "Report Out");
  EXPECT_EQ(report.key, U'r');
  const Mnemonic ok = ParseMnemonic("OK");
  EXPECT_EQ(ok.key, 0u);
  EXPECT_EQ(ok.cell, -1);
  const Mnemonic amp = ParseMnemonic("A&&B &c");
  EXPECT_EQ(amp.label, "A&B c");
  EXPECT_EQ(amp.key, U'c');
  EXPECT_EQ(amp.cell, 4);
  EXPECT_EQ(ParseMnemonic("名前(&N)").cell, 5);
}

TEST(TextCellsTest, GroupsThousands) {
  EXPECT_EQ(GroupThousands(0), "0");
  EXPECT_EQ(GroupThousands(999), "999");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(18446744073709551615u),
            "18,446,744,073,709,551,615");
}

TEST(CanvasTest, WideCharactersTakeTwoCellsAndAreOverwrittenWhole) {
  Canvas canvas(6, 1);
  EXPECT_EQ(canvas.Put(0, 0, "会社名"), 6);
  EXPECT_TRUE(canvas.at(1, 0).wide_tail);
  EXPECT_EQ(canvas.RowText(0), "会社名");
  // Writing over the right half of 社 removes its left half too.
  canvas.Put(3, 0, "x");
  EXPECT_EQ(canvas.RowText(0), "会 x名");
  // A wide character that would stick out is left out.
  Canvas narrow(3, 1);
  EXPECT_EQ(narrow.Put(0, 0, "aユー"), 3);
  EXPECT_EQ(narrow.RowText(0), "aユ");
  EXPECT_EQ(narrow.Put(2, 0, "ー"), 0);
  // Clipped at both edges, controls drawn as '?'.
  Canvas line(4, 1);
  line.Put(-1, 0, "ab\ncd");
  EXPECT_EQ(line.RowText(0), "b?cd");
}

TEST(StatusTextTest, ProgressAndSkipLines) {
  EXPECT_EQ(ProgressLine(12345, 67, 2048 * 1024, false),
            "Scanning: 12,345 files, 67 directories, 2,048 KB");
  EXPECT_EQ(ProgressLine(1, 1, 0, true).rfind("Cancelling: ", 0), 0u);
  EXPECT_EQ(CurrentDirectoryLine("a/b/c/d/e", 10), "In: ...d/e");
  ScanStats stats;
  EXPECT_EQ(SkipSummary(stats), "");
  stats.unreadable_entries = 2;
  EXPECT_EQ(SkipSummary(stats), "2 entries with an unreadable owner");
  stats.skipped_directories = 1500;
  EXPECT_EQ(SkipSummary(stats),
            "1,500 directories could not be read; 2 entries with an "
            "unreadable owner");
}

}  // namespace
}  // namespace ovik::tui
