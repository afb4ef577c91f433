#include "dialog/main_dialog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "present/report.h"
#include "tests/fake_dialog_port.h"
#include "tests/fake_filesystem.h"
#include "tests/gated_filesystem.h"
#include "tests/fake_volume_source.h"
#include "dialog/about_dialog.h"
#include "dialog/control_ids.h"
#include "dialog/ranking_pages.h"
#include "dialog/texts.h"
#include "volume/volume_facts.h"

namespace ovik {
namespace {

constexpr int kRowIds[] = {IDC_NAME_ROW1,  IDC_NAME_ROW2,  IDC_NAME_ROW3,
                           IDC_NAME_ROW4,  IDC_NAME_ROW5,  IDC_USAGE_ROW1,
                           IDC_USAGE_ROW2, IDC_USAGE_ROW3, IDC_USAGE_ROW4,
                           IDC_USAGE_ROW5, IDC_RANKING_GROUP};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class MainDialogTest : public ::testing::Test {
 protected:
  MainDialogTest() {
    volumes_.Add({.root = "C:\\",
                  .label = "System",
                  .space = FakeSpace(4096, 1'024'000, 2'048'000)});
    volumes_.Add({.root = "D:\\",
                  .label = "Data",
                  .space = FakeSpace(4096, 10'240, 20'480)});
    fs_.SetAccount("1000", "alice");
    fs_.SetAccount("1001", "bob");
    fs_.SetAccount("0", "root");
    fs_.AddFile("docs/a.bin", "1000", 300 * 1024);
    fs_.AddFile("docs/b.bin", "1001", 100 * 1024);
    fs_.AddFile("sys/c.bin", "0", 10 * 1024);
  }

  // Every text of the ranking rows and their title.
  std::map<int, std::string> Rows() const {
    std::map<int, std::string> rows;
    for (int id : kRowIds) rows[id] = port_.Text(id);
    return rows;
  }

  // Find, waited for as the host would on its UI thread.
  void Find() {
    dialog_.OnCommand(DialogCommand::kFind);
    dialog_.FinishFind();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const RankedOwner& owner : dialog_.ranking()) {
      names.push_back(owner.name);
    }
    return names;
  }

  FakeDialogPort port_;
  FakeFileSystem fs_;
  // Open: every Find walks at once unless a test shuts it.
  GatedFileSystem gated_{fs_, true};
  FakeVolumeSource volumes_;
  MainDialog dialog_{port_, gated_, volumes_};
};

TEST_F(MainDialogTest, OpensWithPagingAndReportOutDisabled) {
  dialog_.OnInitDialog();
  EXPECT_FALSE(port_.Enabled(IDC_PAGE_SCROLL));
  EXPECT_FALSE(port_.Enabled(IDC_REPORT_OUT));
  EXPECT_EQ(port_.drives(), (std::vector<std::string>{"C:\\", "D:\\"}));
  EXPECT_EQ(port_.SelectedDrive(), 0);
  EXPECT_EQ(port_.Text(IDC_VOLUME_LABEL), "System\nNTFS");
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_TRUE(dialog_.QueryOpen());
  // Nothing to page or report yet: both commands are ignored.
  const int writes = port_.text_writes();
  dialog_.OnCommand(DialogCommand::kPageRight);
  dialog_.OnCommand(DialogCommand::kReportOut);
  EXPECT_EQ(port_.text_writes(), writes);
  EXPECT_TRUE(port_.save_as_requests().empty());
  EXPECT_TRUE(port_.errors().empty());
}

TEST_F(MainDialogTest, FindShowsTheRankingAndEnablesPagingAndReportOut) {
  dialog_.OnInitDialog();
  Find();
  EXPECT_EQ(fs_.last_root, "C:\\");
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice", "bob", "root"}));
  EXPECT_EQ(port_.Text(IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW1), "alice");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW3), "root");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW4), "");
  EXPECT_TRUE(port_.Enabled(IDC_PAGE_SCROLL));
  EXPECT_TRUE(port_.Enabled(IDC_REPORT_OUT));
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_EQ(dialog_.last_stats().files, 3u);
}

TEST_F(MainDialogTest, DriveChangeUpdatesThePanelAndLeavesTheRows) {
  dialog_.OnInitDialog();
  Find();
  const std::map<int, std::string> rows = Rows();
  const std::string total_before = port_.Text(IDC_TOTAL_SPACE);

  port_.SelectDrive(1);  // not yet told
  EXPECT_EQ(port_.Text(IDC_VOLUME_LABEL), "System\nNTFS");

  dialog_.OnCommand(DialogCommand::kDriveSelectionChanged);
  EXPECT_EQ(port_.Text(IDC_VOLUME_LABEL), "Data\nNTFS");
  EXPECT_NE(port_.Text(IDC_TOTAL_SPACE), total_before);
  EXPECT_EQ(port_.Text(IDC_TOTAL_SPACE), "80MB\n");  // 20 x 4096 KB
  // The rows stay; the title names the volume they were found on.
  std::map<int, std::string> expected = rows;
  expected[IDC_RANKING_GROUP] = "Ranking No.1 - No.5 of C:\\";
  EXPECT_EQ(Rows(), expected);
}

// Shares are of the volume the ranking was found on, in its pages and its
// report, whatever is selected; its title names that volume while another
// is selected, and says when the ranking misses something.
TEST_F(MainDialogTest, TheRankingKeepsItsVolume) {
  fs_.Find("docs/b.bin")->owner_unreadable = true;
  for (const char* key : {"2000", "2001", "2002"}) {  // two pages
    fs_.AddFile(std::string("home/") + key, key, 1024);
  }
  dialog_.OnInitDialog();
  Find();
  const std::map<int, std::string> rows = Rows();
  EXPECT_EQ(rows.at(IDC_RANKING_GROUP), "Ranking No.1 - No.5 (incomplete)");
  dialog_.AddAndSelectRoot("D:\\");
  dialog_.OnCommand(DialogCommand::kPageRight);
  dialog_.OnCommand(DialogCommand::kPageLeft);
  std::map<int, std::string> expected = rows;
  expected[IDC_RANKING_GROUP] = "Ranking No.1 - No.5 of C:\\ (incomplete)";
  EXPECT_EQ(Rows(), expected);
  const std::string path = ::testing::TempDir() + "/main_dialog_volume.txt";
  port_.QueueSaveAs(SaveAsResult::kChosen, path);
  dialog_.OnCommand(DialogCommand::kReportOut);
  // Its volume's shares, and, short as it is, a last line that says so.
  EXPECT_EQ(ReadFile(path),
            BuildReport(dialog_.ranking(),
                        *ReadVolumeFacts(volumes_, "C:\\").totals) +
                "Incomplete: 1 entries with an unreadable owner\r\n");
  dialog_.AddAndSelectRoot("C:\\");
  EXPECT_EQ(Rows(), rows);
}

TEST_F(MainDialogTest, PagingStopsAtBothEnds) {
  for (int i = 0; i < 4; ++i) {
    const std::string key = std::to_string(2000 + i);
    fs_.SetAccount(key, "user" + std::to_string(i));
    fs_.AddFile("home/" + key, key, static_cast<std::uint64_t>(50 - i) * 1024);
  }
  dialog_.OnInitDialog();
  Find();  // 7 owners: two pages
  ASSERT_EQ(dialog_.ranking().size(), 7u);
  EXPECT_EQ(port_.scroll_range(), std::make_pair(0, 1));

  int writes = port_.text_writes();
  dialog_.OnCommand(DialogCommand::kPageLeft);
  EXPECT_EQ(port_.text_writes(), writes);
  EXPECT_EQ(port_.scroll_pos(), 0);

  dialog_.OnCommand(DialogCommand::kPageRight);
  EXPECT_EQ(port_.Text(IDC_RANKING_GROUP), "Ranking No.6 - No.10");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW1), dialog_.ranking()[5].name);
  EXPECT_EQ(port_.Text(IDC_NAME_ROW3), "");
  EXPECT_EQ(port_.scroll_pos(), 1);

  writes = port_.text_writes();
  dialog_.OnCommand(DialogCommand::kPageRight);
  EXPECT_EQ(port_.text_writes(), writes);
  EXPECT_EQ(port_.scroll_pos(), 1);

  dialog_.OnCommand(DialogCommand::kPageLeft);
  EXPECT_EQ(port_.Text(IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW1), "alice");
}

TEST_F(MainDialogTest, ReportOutWritesTheRankingOfTheLastScan) {
  dialog_.OnInitDialog();
  Find();
  const std::string path = ::testing::TempDir() + "/main_dialog_report.txt";
  port_.QueueSaveAs(SaveAsResult::kChosen, path);
  dialog_.OnCommand(DialogCommand::kReportOut);
  ASSERT_EQ(port_.save_as_requests().size(), 1u);
  EXPECT_EQ(port_.save_as_requests()[0].title, text::kSaveAsTitle);
  EXPECT_TRUE(port_.errors().empty());
  const std::string report = ReadFile(path);
  EXPECT_EQ(report,
            BuildReport(dialog_.ranking(),
                        *ReadVolumeFacts(volumes_, "C:\\").totals));
  EXPECT_EQ(report.substr(0, 26), "No.1:alice                ");

  // Cancelling the Save As box writes nothing and says nothing.
  const std::map<int, std::string> rows = Rows();
  dialog_.OnCommand(DialogCommand::kReportOut);
  EXPECT_EQ(port_.save_as_requests().size(), 2u);
  EXPECT_TRUE(port_.errors().empty());
  EXPECT_EQ(Rows(), rows);
}

TEST_F(MainDialogTest, AboutAsksTheHostAndChangesNothing) {
  int opened = 0;
  dialog_.set_about_handler([&] { ++opened; });
  dialog_.OnInitDialog();
  const int writes = port_.text_writes();
  dialog_.OnCommand(DialogCommand::kAbout);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(port_.text_writes(), writes);
  Find();
  dialog_.OnCommand(DialogCommand::kAbout);
  dialog_.OnCommand(DialogCommand::kAbout);
  EXPECT_EQ(opened, 3);
  EXPECT_FALSE(port_.end_result());
}

TEST_F(MainDialogTest, OnlyOkClosesAndCloseReleasesTheResults) {
  dialog_.OnInitDialog();
  Find();
  // Esc and other ids are no command of the dialog.
  EXPECT_FALSE(ButtonCommand(2));
  EXPECT_FALSE(ButtonCommand(4711));
  EXPECT_EQ(ButtonCommand(IDC_OK), DialogCommand::kOk);
  dialog_.OnCommand(DialogCommand::kAbout);  // no host listening: nothing
  EXPECT_FALSE(port_.end_result());
  dialog_.OnCommand(DialogCommand::kOk);
  EXPECT_EQ(port_.end_result(), 1);
  EXPECT_TRUE(dialog_.ranking().empty());
  EXPECT_FALSE(dialog_.has_ranking());
}

TEST_F(MainDialogTest, SecondFindStartsFromAnEmptyTable) {
  dialog_.OnInitDialog();
  Find();
  ASSERT_EQ(dialog_.ranking()[0].kb, 300u);
  // The same tree again gives the same figures, not their sum, and an
  // owner that is gone is gone from the ranking.
  fs_.Find("docs")->children.pop_back();  // bob's file
  Find();
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice", "root"}));
  EXPECT_EQ(dialog_.ranking()[0].kb, 300u);
  EXPECT_EQ(dialog_.ranking()[1].kb, 10u);
  EXPECT_EQ(port_.Text(IDC_NAME_ROW2), "root");
  EXPECT_EQ(port_.Text(IDC_NAME_ROW3), "");
}

TEST_F(MainDialogTest, RootThatCannotBeEnteredKeepsThePreviousRanking) {
  dialog_.OnInitDialog();
  Find();
  const std::map<int, std::string> rows = Rows();
  const std::vector<std::string> names = Names();

  fs_.SetRootEnterable(false);
  Find();
  EXPECT_EQ(port_.errors(), (std::vector<std::string>{
                              std::string(text::kErrorOccurred)}));
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(Rows(), rows);
  EXPECT_TRUE(port_.Enabled(IDC_REPORT_OUT));
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_FALSE(port_.end_result());
}

TEST_F(MainDialogTest, FirstFindThatCannotStartLeavesReportOutDisabled) {
  fs_.SetRootEnterable(false);
  dialog_.OnInitDialog();
  Find();
  EXPECT_EQ(port_.errors().size(), 1u);
  EXPECT_FALSE(port_.Enabled(IDC_REPORT_OUT));
  EXPECT_FALSE(port_.Enabled(IDC_PAGE_SCROLL));
  EXPECT_FALSE(dialog_.has_ranking());
}

TEST_F(MainDialogTest, CommandsAreRefusedWhileAScanRuns) {
  dialog_.OnInitDialog();
  gated_.Shut();
  dialog_.OnCommand(DialogCommand::kFind);
  EXPECT_TRUE(dialog_.scan_busy());
  EXPECT_FALSE(dialog_.QueryOpen());
  EXPECT_FALSE(dialog_.find_done());
  constexpr int kDisabledDuringFind[] = {IDC_OK, IDC_DRIVE_LIST, IDC_FIND,
                                         IDC_REPORT_OUT, IDC_ABOUT,
                                         IDC_PAGE_SCROLL};
  for (int id : kDisabledDuringFind) EXPECT_FALSE(port_.Enabled(id)) << id;
  dialog_.OnCommand(DialogCommand::kOk);
  EXPECT_FALSE(port_.end_result());
  port_.SelectDrive(1);
  dialog_.OnCommand(DialogCommand::kDriveSelectionChanged);
  EXPECT_EQ(port_.Text(IDC_VOLUME_LABEL), "System\nNTFS");
  dialog_.OnCommand(DialogCommand::kFind);  // the one walk goes on

  gated_.Open();
  EXPECT_EQ(dialog_.FinishFind(), Status::Ok());
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_TRUE(dialog_.QueryOpen());
  for (int id : kDisabledDuringFind) EXPECT_TRUE(port_.Enabled(id)) << id;
  EXPECT_EQ(dialog_.ranking().size(), 3u);
  EXPECT_EQ(fs_.last_root, "C:\\");
  EXPECT_EQ(dialog_.FinishFind(), std::nullopt);  // nothing runs any more
}

TEST_F(MainDialogTest, CancelledScanKeepsThePreviousRanking) {
  dialog_.OnInitDialog();
  Find();
  const std::map<int, std::string> rows = Rows();
  fs_.AddFile("late.bin", "1001", 900 * 1024);

  // Held at its start, the walk sees the cancel before it counts.
  gated_.Shut();
  dialog_.OnCommand(DialogCommand::kFind);
  dialog_.CancelFind();
  EXPECT_TRUE(dialog_.find_progress().cancel.load());
  gated_.Open();
  EXPECT_EQ(dialog_.FinishFind(), Status(StatusCode::kCancelled));
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice", "bob", "root"}));
  EXPECT_EQ(Rows(), rows);
  EXPECT_TRUE(port_.errors().empty());
}

TEST_F(MainDialogTest, OutOfMemoryEndsTheDialogWithFind) {
  dialog_.OnInitDialog();
  gated_.Shut();
  dialog_.OnCommand(DialogCommand::kFind);
  gated_.RunOutOfMemory();
  EXPECT_EQ(dialog_.FinishFind(), Status(StatusCode::kNoMemory));
  EXPECT_EQ(port_.errors(),
            (std::vector<std::string>{std::string(text::kOutOfMemory)}));
  EXPECT_EQ(port_.end_result(), IDC_FIND);
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_FALSE(dialog_.has_ranking());
}

TEST_F(MainDialogTest, ClosingDuringAScanEndsTheWalkAndTheDialog) {
  dialog_.OnInitDialog();
  gated_.Shut();
  dialog_.OnCommand(DialogCommand::kFind);
  // The walk is let go only once the dialog has asked it to stop.
  const ScanProgress& progress = dialog_.find_progress();
  std::thread opener([this, &progress] {
    while (!progress.cancel.load()) std::this_thread::yield();
    gated_.Open();
  });
  dialog_.OnCommand(DialogCommand::kClose);
  opener.join();
  EXPECT_EQ(port_.end_result(), 1);
  EXPECT_FALSE(dialog_.scan_busy());
  EXPECT_FALSE(dialog_.has_ranking());
}

TEST_F(MainDialogTest, FindWithNoDriveDoesNothing) {
  FakeVolumeSource none;
  MainDialog dialog(port_, fs_, none);
  dialog.OnInitDialog();
  EXPECT_EQ(port_.SelectedDrive(), -1);
  dialog.OnCommand(DialogCommand::kFind);
  EXPECT_EQ(dialog.FinishFind(), std::nullopt);
  EXPECT_TRUE(fs_.last_root.empty());
  EXPECT_FALSE(dialog.scan_busy());
  EXPECT_FALSE(port_.Enabled(IDC_REPORT_OUT));
}

TEST_F(MainDialogTest, RootFromTheCommandLineIsAddedOnceAndSelected) {
  volumes_.Add({.root = "E:\\", .file_system = "FAT", .label = "Stick"});
  dialog_.OnInitDialog();
  ASSERT_EQ(port_.drives().size(), 2u);  // E:\ is not offered
  dialog_.AddAndSelectRoot("E:\\photos");
  EXPECT_EQ(port_.drives().back(), "E:\\photos");
  EXPECT_EQ(port_.SelectedDrive(), 2);
  EXPECT_EQ(port_.Text(IDC_VOLUME_LABEL), "Stick\nFAT");
  dialog_.AddAndSelectRoot("D:\\");
  EXPECT_EQ(port_.drives().size(), 3u);
  EXPECT_EQ(port_.SelectedDrive(), 1);
  dialog_.AddAndSelectRoot("E:\\photos");
  EXPECT_EQ(port_.drives().size(), 3u);
  Find();
  EXPECT_EQ(fs_.last_root, "E:\\photos");
}

TEST(AboutDialogTest, RegisteredOwnerReplacesOnlyTheLabelsItHas) {
  FakeDialogPort port;
  AboutDialog about(port);
  about.OnInitDialog({.owner = "Taro Yamada", .organization = std::nullopt});
  EXPECT_EQ(port.Text(IDC_ABOUT_USER), "Taro Yamada");
  EXPECT_FALSE(port.HasText(IDC_ABOUT_COMPANY));
  about.OnCommand();
  EXPECT_EQ(port.end_result(), 1);
}

TEST(AboutDialogTest, WithoutARegisteredOwnerTheTemplateTextsStay) {
  FakeDialogPort port;
  AboutDialog about(port);
  about.OnInitDialog({});
  EXPECT_EQ(port.text_writes(), 0);
  about.OnCommand();
  EXPECT_EQ(port.end_result(), 1);
}

}  // namespace
}  // namespace ovik
