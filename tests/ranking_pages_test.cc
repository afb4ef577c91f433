#include "dialog/ranking_pages.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/fake_dialog_port.h"
#include "dialog/control_ids.h"

namespace ovik {
namespace {

constexpr int kNameIds[] = {IDC_NAME_ROW1, IDC_NAME_ROW2, IDC_NAME_ROW3,
                            IDC_NAME_ROW4, IDC_NAME_ROW5};
constexpr int kUsageIds[] = {IDC_USAGE_ROW1, IDC_USAGE_ROW2, IDC_USAGE_ROW3,
                             IDC_USAGE_ROW4, IDC_USAGE_ROW5};

// Owners "user1" .. "userN" with totals N, N-1, ..., 1 KB (times |scale|).
Ranking MakeRanking(int count, std::uint64_t scale = 1) {
  Ranking ranking;
  for (int i = 1; i <= count; ++i) {
    RankedOwner owner;
    owner.name = "user" + std::to_string(i);
    owner.kb = static_cast<std::uint64_t>(count - i + 1) * scale;
    owner.bytes = owner.kb * 1024;
    ranking.push_back(owner);
  }
  return ranking;
}

// The five rows as "name|usage" texts.
std::vector<std::string> Rows(const FakeDialogPort& dialog) {
  std::vector<std::string> rows;
  for (int r = 0; r < kRowsPerPage; ++r) {
    rows.push_back(dialog.Text(kNameIds[r]) + "|" + dialog.Text(kUsageIds[r]));
  }
  return rows;
}

const VolumeTotals kVolume{0, 1000};

TEST(RankingPagesTest, OneOwnerMakesOnePage) {
  FakeDialogPort dialog;
  dialog.EnableControl(IDC_PAGE_SCROLL, false);
  Ranking ranking = MakeRanking(1, 100);
  RankingPages pages;
  pages.SetUpPaging(dialog, ranking, kVolume);

  EXPECT_EQ(pages.page_count(), 1);
  EXPECT_EQ(pages.current_page(), 0);
  EXPECT_TRUE(dialog.Enabled(IDC_PAGE_SCROLL));
  EXPECT_EQ(dialog.scroll_range(), std::make_pair(0, 0));
  EXPECT_EQ(dialog.scroll_pos(), 0);
  EXPECT_EQ(dialog.Text(IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                              "user1| 100KB  10.0000%", "|", "|", "|", "|"}));
}

TEST(RankingPagesTest, FiveOwnersFillOnePageAndSixMakeTwo) {
  FakeDialogPort dialog;
  Ranking five = MakeRanking(5);
  RankingPages pages;
  pages.SetUpPaging(dialog, five, kVolume);
  EXPECT_EQ(pages.page_count(), 1);
  EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                              "user1|   5KB  0.5000%", "user2|   4KB  0.4000%",
                              "user3|   3KB  0.3000%", "user4|   2KB  0.2000%",
                              "user5|   1KB  0.1000%"}));
  // The right arrow on the only page changes nothing.
  const int writes = dialog.text_writes();
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  EXPECT_EQ(pages.current_page(), 0);
  EXPECT_EQ(dialog.text_writes(), writes);

  Ranking six = MakeRanking(6);
  pages.SetUpPaging(dialog, six, kVolume);
  EXPECT_EQ(pages.page_count(), 2);
  EXPECT_EQ(dialog.scroll_range(), std::make_pair(0, 1));
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  EXPECT_EQ(pages.current_page(), 1);
  EXPECT_EQ(dialog.scroll_pos(), 1);
  EXPECT_EQ(dialog.Text(IDC_RANKING_GROUP), "Ranking No.6 - No.10");
  // The rows of the first page are cleared, not left standing.
  EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                              "user6|   1KB  0.1000%", "|", "|", "|", "|"}));
}

TEST(RankingPagesTest, ElevenOwnersStepThroughThreePagesAndStopAtTheEnds) {
  FakeDialogPort dialog;
  Ranking ranking = MakeRanking(11);
  RankingPages pages;
  pages.SetUpPaging(dialog, ranking, kVolume);
  EXPECT_EQ(pages.page_count(), 3);
  EXPECT_EQ(dialog.scroll_range(), std::make_pair(0, 2));

  // Left arrow on page 0: nothing is refilled, the position stays 0.
  int writes = dialog.text_writes();
  pages.ScrollRanking(dialog, DialogCommand::kPageLeft, kVolume);
  EXPECT_EQ(pages.current_page(), 0);
  EXPECT_EQ(dialog.scroll_pos(), 0);
  EXPECT_EQ(dialog.text_writes(), writes);

  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  EXPECT_EQ(dialog.Text(IDC_RANKING_GROUP), "Ranking No.6 - No.10");
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW1), "user6");
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW5), "user10");
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  EXPECT_EQ(pages.current_page(), 2);
  EXPECT_EQ(dialog.scroll_pos(), 2);
  EXPECT_EQ(dialog.Text(IDC_RANKING_GROUP), "Ranking No.11 - No.15");
  EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                              "user11|   1KB  0.1000%", "|", "|", "|", "|"}));

  // Right arrow on the last page: nothing changes.
  writes = dialog.text_writes();
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  EXPECT_EQ(pages.current_page(), 2);
  EXPECT_EQ(dialog.scroll_pos(), 2);
  EXPECT_EQ(dialog.text_writes(), writes);

  pages.ScrollRanking(dialog, DialogCommand::kPageLeft, kVolume);
  EXPECT_EQ(pages.current_page(), 1);
  EXPECT_EQ(dialog.scroll_pos(), 1);
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW1), "user6");
}

TEST(RankingPagesTest, OtherCommandsAreIgnored) {
  FakeDialogPort dialog;
  Ranking ranking = MakeRanking(11);
  RankingPages pages;
  pages.SetUpPaging(dialog, ranking, kVolume);
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  const int writes = dialog.text_writes();
  for (DialogCommand command :
       {DialogCommand::kOk, DialogCommand::kClose, DialogCommand::kFind,
        DialogCommand::kReportOut, DialogCommand::kAbout,
        DialogCommand::kDriveSelectionChanged}) {
    pages.ScrollRanking(dialog, command, kVolume);
  }
  EXPECT_EQ(pages.current_page(), 1);
  EXPECT_EQ(dialog.scroll_pos(), 1);
  EXPECT_EQ(dialog.text_writes(), writes);
}

TEST(RankingPagesTest, OwnerWithNothingShowsItsNameAndZeroUsage) {
  FakeDialogPort dialog;
  // Seven owners; the last two (one on each page) hold nothing.
  Ranking ranking = MakeRanking(7);
  ranking[4].kb = 0;
  ranking[6].kb = 0;
  ranking[6].name = "Administrators";
  RankingPages pages;
  pages.SetUpPaging(dialog, ranking, kVolume);
  EXPECT_EQ(dialog.Text(IDC_NAME_ROW5), "user5");
  EXPECT_EQ(dialog.Text(IDC_USAGE_ROW5), "   0KB  0.0000%");

  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  // Row 2 of page 2 would otherwise keep "user2" from page 1.
  EXPECT_EQ(Rows(dialog),
            (std::vector<std::string>{"user6|   2KB  0.2000%",
                                      "Administrators|   0KB  0.0000%", "|",
                                      "|", "|"}));
}

TEST(RankingPagesTest, PercentagesFollowTheTotalsOfTheMomentShown) {
  FakeDialogPort dialog;
  Ranking ranking = MakeRanking(6, 100);
  RankingPages pages;
  pages.SetUpPaging(dialog, ranking, VolumeTotals{0, 1000});
  EXPECT_EQ(dialog.Text(IDC_USAGE_ROW1), " 600KB  60.0000%");

  // Another drive selected: the next page turn uses its capacity.
  const VolumeTotals other{0, 2000};
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, other);
  EXPECT_EQ(dialog.Text(IDC_USAGE_ROW1), " 100KB  5.0000%");
  pages.ScrollRanking(dialog, DialogCommand::kPageLeft, other);
  EXPECT_EQ(dialog.Text(IDC_USAGE_ROW1), " 600KB  30.0000%");

  // Unknown capacity: the placeholder, never inf or nan.
  pages.ShowRankingPage(dialog, 0, VolumeTotals{});
  EXPECT_EQ(dialog.Text(IDC_USAGE_ROW1), " 600KB  --.----%");
}

TEST(RankingPagesTest, EachSetUpStartsAgainAtPageZero) {
  FakeDialogPort dialog;
  Ranking first = MakeRanking(11);
  RankingPages pages;
  pages.SetUpPaging(dialog, first, kVolume);
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  pages.ScrollRanking(dialog, DialogCommand::kPageRight, kVolume);
  ASSERT_EQ(pages.current_page(), 2);

  Ranking second = MakeRanking(3);
  pages.SetUpPaging(dialog, second, kVolume);
  EXPECT_EQ(pages.current_page(), 0);
  EXPECT_EQ(pages.page_count(), 1);
  EXPECT_EQ(dialog.scroll_pos(), 0);
  EXPECT_EQ(dialog.Text(IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(Rows(dialog), (std::vector<std::string>{
                              "user1|   3KB  0.3000%", "user2|   2KB  0.2000%",
                              "user3|   1KB  0.1000%", "|", "|"}));
}

}  // namespace
}  // namespace ovik
