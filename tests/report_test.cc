#include "present/report.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "tests/fake_dialog_port.h"
#include "dialog/report_out.h"
#include "dialog/texts.h"

namespace ovik {
namespace {

namespace fs = std::filesystem;

RankedOwner Owner(std::string name, std::uint64_t kb) {
  RankedOwner owner;
  owner.name = std::move(name);
  owner.kb = kb;
  owner.bytes = kb * 1024;
  return owner;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReportFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
      const fs::path dir = fs::temp_directory_path() /
                           ("ovik-report-" + std::to_string(random()));
      if (fs::create_directory(dir)) dir_ = dir;
    }
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  bool DirIsEmpty() const { return fs::is_empty(dir_); }

  fs::path dir_;
};

TEST(BuildReportLineTest, PadsTheNameToTwentyBytes) {
  EXPECT_EQ(BuildReportLine(1, "Administrators", " 300MB  30.7200%"),
            "No.1:Administrators        300MB  30.7200%\r\n");
  // Exactly 20 bytes: only the separating blank follows.
  EXPECT_EQ(BuildReportLine(12, "abcdefghijklmnopqrst", "   1KB  0.0001%"),
            "No.12:abcdefghijklmnopqrst    1KB  0.0001%\r\n");
  EXPECT_EQ(BuildReportLine(3, "", "x"), "No.3:" + std::string(20, ' ') +
                                             " x\r\n");
}

TEST(BuildReportLineTest, LongNamesAreWrittenWhole) {
  const std::string name21(21, 'n');
  EXPECT_EQ(BuildReportLine(2, name21, "u"), "No.2:" + name21 + " u\r\n");
  const std::string name255(255, 'z');
  const std::string line =
      BuildReportLine(65534, name255, "4096TB  429496729500.0000%");
  EXPECT_EQ(line, "No.65534:" + name255 + " 4096TB  429496729500.0000%\r\n");
  EXPECT_GT(line.size(), 80u);
}

TEST(BuildReportTest, OneLinePerOwnerInRankingOrder) {
  const Ranking ranking = {Owner("Administrators", 307200),
                           Owner("alice", 1025), Owner("nobody", 0)};
  EXPECT_EQ(BuildReport(ranking, VolumeTotals{0, 1000000}),
            "No.1:Administrators        300MB  30.7200%\r\n"
            "No.2:alice                   1MB  0.1025%\r\n"
            "No.3:nobody                  0KB  0.0000%\r\n");
  EXPECT_EQ(BuildReport(Ranking{Owner("root", 1)}, VolumeTotals{0, 0}),
            "No.1:root                    1KB  --.----%\r\n");
  EXPECT_EQ(BuildReport(Ranking{}, VolumeTotals{0, 10}), "");
}

TEST(BuildReportTest, MultiByteNamesArePaddedByBytes) {
  // "管理者" takes nine bytes in UTF-8 (six in code page 932), and the
  // padding counts those bytes, not the three characters.
  const Ranking ranking = {Owner("管理者", 2)};
  const std::string name = ToReportEncoding("管理者");
#ifndef _WIN32
  ASSERT_EQ(name, "管理者");
#endif
  ASSERT_LT(name.size(), 20u);
  EXPECT_EQ(BuildReport(ranking, VolumeTotals{0, 1000}),
            "No.1:" + name + std::string(20 - name.size(), ' ') +
                "    2KB  0.2000%\r\n");
}

TEST_F(ReportFileTest, WritesTheReportBytes) {
  const std::string path = (dir_ / "result.txt").string();
  const Ranking ranking = {Owner("Administrators", 307200),
                           Owner(std::string(255, 'L'), 5),
                           Owner("ユーザー", 0)};
  const VolumeTotals totals{0, 1000000};
  FakeDialogPort dialog;
  dialog.QueueSaveAs(SaveAsResult::kChosen, path);
  ASSERT_TRUE(WriteReport(dialog, ranking, totals));
  EXPECT_TRUE(dialog.errors().empty());
  ASSERT_EQ(dialog.save_as_requests().size(), 1u);
  EXPECT_EQ(dialog.save_as_requests()[0].title, text::kSaveAsTitle);
  EXPECT_EQ(dialog.save_as_requests()[0].default_extension, "txt");

  const std::string user = ToReportEncoding("ユーザー");
  const std::string expected =
      "No.1:Administrators        300MB  30.7200%\r\n"
      "No.2:" + std::string(255, 'L') + "    5KB  0.0005%\r\n"
      "No.3:" + user + std::string(20 - user.size(), ' ') +
      "    0KB  0.0000%\r\n";
  EXPECT_EQ(ReadFile(path), expected);

  // A second report with the same totals gives the same file.
  dialog.QueueSaveAs(SaveAsResult::kChosen, path);
  ASSERT_TRUE(WriteReport(dialog, ranking, totals));
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(ReportFileTest, CancelWritesNothingAndShowsNothing) {
  FakeDialogPort dialog;  // no answer queued: the user cancels
  EXPECT_FALSE(WriteReport(dialog, Ranking{Owner("a", 1)}, VolumeTotals{0, 1}));
  EXPECT_EQ(dialog.save_as_requests().size(), 1u);
  EXPECT_TRUE(dialog.errors().empty());
  EXPECT_TRUE(DirIsEmpty());
}

TEST_F(ReportFileTest, FailedSaveAsDialogShowsItsMessage) {
  FakeDialogPort dialog;
  dialog.QueueSaveAs(SaveAsResult::kFailed);
  std::string path = "stale";
  EXPECT_FALSE(AskReportFileName(dialog, &path));
  EXPECT_EQ(path, "");
  ASSERT_EQ(dialog.errors().size(), 1u);
  EXPECT_EQ(dialog.errors()[0], text::kCommonDialogFailed);

  dialog.QueueSaveAs(SaveAsResult::kFailed);
  EXPECT_FALSE(WriteReport(dialog, Ranking{Owner("a", 1)}, VolumeTotals{0, 1}));
  EXPECT_EQ(dialog.errors().size(), 2u);
  EXPECT_TRUE(DirIsEmpty());
}

TEST_F(ReportFileTest, CreateFailureShowsItsMessage) {
  FakeDialogPort dialog;
  dialog.QueueSaveAs(SaveAsResult::kChosen,
                     (dir_ / "missing" / "r.txt").string());
  EXPECT_FALSE(WriteReport(dialog, Ranking{Owner("a", 1)}, VolumeTotals{0, 1}));
  ASSERT_EQ(dialog.errors().size(), 1u);
  EXPECT_EQ(dialog.errors()[0], text::kFileCreateFailed);

  // A directory cannot be replaced by the report.
  dialog.QueueSaveAs(SaveAsResult::kChosen, dir_.string());
  EXPECT_FALSE(WriteReport(dialog, Ranking{Owner("a", 1)}, VolumeTotals{0, 1}));
  ASSERT_EQ(dialog.errors().size(), 2u);
  EXPECT_EQ(dialog.errors()[1], text::kFileCreateFailed);
  EXPECT_TRUE(DirIsEmpty());
}

#ifndef _WIN32
TEST(ReportWriteFailureTest, FullDeviceShowsTheWriteMessage) {
  struct stat before {};
  if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode)) {
    GTEST_SKIP() << "no /dev/full here";
  }
  FakeDialogPort dialog;
  dialog.QueueSaveAs(SaveAsResult::kChosen, "/dev/full");
  EXPECT_FALSE(WriteReport(dialog, Ranking{Owner("a", 1)}, VolumeTotals{0, 1}));
  ASSERT_EQ(dialog.errors().size(), 1u);
  EXPECT_EQ(dialog.errors()[0], text::kFileWriteFailed);
  struct stat after {};
  ASSERT_EQ(stat("/dev/full", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
}
#endif  // _WIN32

}  // namespace
}  // namespace ovik
