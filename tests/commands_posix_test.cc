#include "cli/commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/fake_filesystem.h"
#include "tests/fake_volume_source.h"
#include "tests/gated_filesystem.h"

namespace ovik {
namespace {

class CommandTest : public ::testing::Test {
 protected:
  CommandTest() {
    fs.SetAccount("1", "alice");
    fs.AddFile("a", "1", 307200 * 1024);
    volumes.SetOwnerFileSystems({"ext4"});
    volumes.Add({.root = "/boot/efi", .file_system = "vfat"});
    volumes.Add({.root = "/",
                 .file_system = "ext4",
                 .label = "system",
                 .space = FakeSpace(1000, 512'000, 1'024'000)});
  }
  int Run(const std::vector<std::string>& args) {
    CommandContext context{fs, volumes, out, err, false};
    return RunCommand(ParseCommandLine(args), context);
  }
  FakeFileSystem fs;
  FakeVolumeSource volumes;
  std::ostringstream out, err;
};

TEST_F(CommandTest, ReportScansTheDefaultVolumeInTheReportFormat) {
  EXPECT_EQ(Run({"report"}), kExitOk);
  EXPECT_EQ(fs.last_root, "/");
  EXPECT_EQ(out.str(),
            "No.1:alice                 300MB  30.7200%\r\n"
            "No.2:root                    0KB  0.0000%\r\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(CommandTest, ReportOfADirectoryUsesItsVolumesSize) {
  EXPECT_EQ(Run({"report", "/home/alice"}), kExitOk);
  EXPECT_EQ(fs.last_root, "/home/alice");
  EXPECT_NE(out.str().find("30.7200%"), std::string::npos);
}

TEST_F(CommandTest, ReportSaysWhatIsMissingAndFailsWhenNothingCouldBeScanned) {
  fs.AddFile("locked/x", "1", 1);
  fs.Find("locked")->cannot_enter = true;
  EXPECT_EQ(Run({"report"}), kExitIncomplete);
  EXPECT_NE(err.str().find("1 directories could not be read"), std::string::npos);
  EXPECT_NE(err.str().find("the ranking is incomplete"), std::string::npos);
  EXPECT_NE(out.str().find("No.1:alice"), std::string::npos);

  // Memory that runs out gives no ranking at all.
  GatedFileSystem starved(fs, true);
  starved.RunOutOfMemory();
  CommandContext context{starved, volumes, out, err, false};
  out.str("");
  err.str("");
  EXPECT_EQ(RunCommand(ParseCommandLine({"report"}), context), kExitFailure);
  EXPECT_NE(err.str().find("out of memory"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");

  fs.SetRootEnterable(false);
  err.str("");
  EXPECT_EQ(Run({"report", "/gone"}), kExitFailure);
  // With the system's reason; and a path that would act on the terminal
  // is written as `where` writes it.
  EXPECT_NE(err.str().find("cannot read directory /gone: permission denied"),
            std::string::npos)
      << err.str();
  err.str("");
  EXPECT_EQ(Run({"report", "/gone\x1b]0;owned\a"}), kExitFailure);
  EXPECT_NE(err.str().find("cannot read directory /gone\\033]0;owned\\007: "),
            std::string::npos)
      << err.str();
}

TEST_F(CommandTest, AnOutputThatCannotBeWrittenIsRefusedBeforeTheScan) {
  EXPECT_EQ(Run({"report", "-o", "/nonexistent-ovik-dir/report.txt"}),
            kExitFailure);
  EXPECT_NE(err.str().find("cannot create /nonexistent-ovik-dir/report.txt: "),
            std::string::npos)
      << err.str();
  EXPECT_TRUE(fs.last_root.empty()) << "the scan ran first";
}

TEST_F(CommandTest, AnOwnerTheDatabaseCouldNotNameMakesTheReportIncomplete) {
  fs.SetLookupFails("1");
  EXPECT_EQ(Run({"report"}), kExitIncomplete);
  EXPECT_NE(out.str().find("No.1:1 "), std::string::npos) << out.str();
  EXPECT_NE(err.str().find("1 owners or groups could not be named"),
            std::string::npos)
      << err.str();
}

TEST_F(CommandTest, WhereTellsAnUnknownOwnerFromADatabaseThatDidNotAnswer) {
  EXPECT_EQ(Run({"where", "nobody-here", "/"}), kExitFailure);
  EXPECT_NE(err.str().find("unknown account nobody-here"), std::string::npos);
  err.str("");
  fs.SetLookupFails("ldap-user");
  EXPECT_EQ(Run({"where", "ldap-user", "/"}), kExitIncomplete);
  EXPECT_EQ(err.str().find("unknown"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("could not be asked about it: "), std::string::npos)
      << err.str();
}

TEST_F(CommandTest, ReportWithoutAnyEligibleVolumeAsksForADirectory) {
  FakeVolumeSource none;
  CommandContext context{fs, none, out, err, false};
  EXPECT_EQ(RunCommand(ParseCommandLine({"report"}), context), kExitFailure);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("give a directory"), std::string::npos);
}

TEST_F(CommandTest, DrivesListsEligibleVolumesWithThePanelsFacts) {
  EXPECT_EQ(Run({"drives"}), kExitOk);
  EXPECT_EQ(out.str(), "/\tFixed\tsystem\text4\t488MB\t976MB\twalk\n");
  // With a table this user may read, a scan of it would read the table.
  fs.SetTable(1);
  out.str("");
  EXPECT_EQ(Run({"drives"}), kExitOk);
  EXPECT_EQ(out.str(), "/\tFixed\tsystem\text4\t488MB\t976MB\ttables\n");
}

TEST_F(CommandTest, TablesThatCannotServeAreRefusedBeforeAnyScan) {
  EXPECT_EQ(Run({"report", "--method", "tables", "/"}), kExitUsage);
  EXPECT_NE(err.str().find("the fake file system of / has no table"),
            std::string::npos) << err.str();
  // The reason names the path, escaped as everywhere else.
  err.str("");
  EXPECT_EQ(Run({"report", "--method", "tables", "/x\x1b]0;owned\a"}),
            kExitUsage);
  EXPECT_NE(err.str().find("of /x\\033]0;owned\\007 has no table"),
            std::string::npos) << err.str();
  EXPECT_EQ(fs.opens.load(), 0);
  EXPECT_EQ(out.str(), "");
  fs.SetTable(2);
  EXPECT_EQ(Run({"where", "--method", "tables", "alice", "/"}), kExitUsage);
  EXPECT_EQ(fs.opens.load(), 0);
  EXPECT_EQ(Run({"report", "--method", "tables", "--format", "json", "/"}),
            kExitOk);
  EXPECT_NE(out.str().find("\"method\": \"fake table\""), std::string::npos);
}

TEST_F(CommandTest, DrivesEscapesWhatWouldBreakItsLines) {
  volumes.Add({.root = "/mnt/a b\tc\nd\\e",
               .file_system = "ext4",
               .label = "my\tdisk",
               .space = FakeSpace(1000, 2048, 4096)});
  EXPECT_EQ(Run({"drives"}), kExitOk);
  EXPECT_EQ(out.str(),
            "/\tFixed\tsystem\text4\t488MB\t976MB\twalk\n"
            "/mnt/a b\\011c\\012d\\134e\tFixed\tmy\\011disk\text4\t1MB\t"
            "3MB\twalk\n");
}

TEST_F(CommandTest, VolumesThatCannotBeListedFailRatherThanListNothing) {
  volumes.list_fails = true;
  EXPECT_EQ(Run({"drives"}), kExitFailure);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("the volumes cannot be listed: permission denied"),
            std::string::npos)
      << err.str();
  err.str("");
  EXPECT_EQ(Run({"report"}), kExitFailure);
  EXPECT_NE(err.str().find("the volumes cannot be listed"), std::string::npos);
  EXPECT_TRUE(fs.last_root.empty());
}

TEST_F(CommandTest, UsageErrorsExitWithTwoAndHelpGoesToStandardOutput) {
  EXPECT_EQ(Run({"report", "-j"}), kExitUsage);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "ovik: --jobs: 1 required N missing\n"
                       "Usage: ovik report [OPTIONS] [PATH]\n"
                       "Run 'ovik report --help' for more.\n");
  err.str("");
  // What was typed is quoted escaped.
  EXPECT_EQ(Run({"report", "--x\x1b]0;owned\a"}), kExitUsage);
  EXPECT_NE(err.str().find("--x\\033]0;owned\\007\n"), std::string::npos)
      << err.str();
  err.str("");
  EXPECT_EQ(Run({"report", "--help"}), kExitOk);
  EXPECT_EQ(out.str(), HelpText("report"));
  EXPECT_EQ(err.str(), "");
  out.str("");
  EXPECT_EQ(Run({"--version"}), kExitOk);
  EXPECT_EQ(out.str(), "ovik " OVIK_VERSION "\n");
}

}  // namespace
}  // namespace ovik
