#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "tests/fake_filesystem.h"
#include "tests/fake_volume_source.h"
#include "tests/gated_filesystem.h"
#include "tests/tui_scripted_screen.h"
#include "dialog/control_ids.h"
#include "dialog/texts.h"
#include "hosts/terminal/drop_list.h"
#include "hosts/terminal/keys.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/line_edit.h"
#include "hosts/terminal/paths.h"
#include "hosts/terminal/save_as_box.h"
#include "hosts/terminal/screen.h"
#include "hosts/terminal/terminal_app.h"

namespace ovik::tui {
namespace {

class KeysTest : public ::testing::Test {
 protected:
  MainAction Map(const Key& key, int focus) {
    return MapMainKey(key, focus, [this](int id) { return !disabled_.count(id); });
  }
  std::set<int> disabled_;
};

TEST_F(KeysTest, TabFollowsTheTabOrderAndSkipsDisabledControls) {
  auto enabled = [this](int id) { return !disabled_.count(id); };
  // The ranking's rows, last, once there are rows.
  EXPECT_EQ(NextFocus(IDC_ABOUT, +1, enabled), IDC_RANKING_GROUP);
  EXPECT_EQ(NextFocus(IDC_OK, -1, enabled), IDC_RANKING_GROUP);
  disabled_ = {IDC_RANKING_GROUP};
  EXPECT_EQ(NextFocus(IDC_OK, +1, enabled), IDC_DRIVE_LIST);
  EXPECT_EQ(NextFocus(IDC_ABOUT, +1, enabled), IDC_OK);
  EXPECT_EQ(NextFocus(IDC_OK, -1, enabled), IDC_ABOUT);
  disabled_ = {IDC_REPORT_OUT, IDC_RANKING_GROUP};
  EXPECT_EQ(NextFocus(IDC_FIND, +1, enabled), IDC_ABOUT);
  EXPECT_EQ(NextFocus(IDC_ABOUT, -1, enabled), IDC_FIND);
  disabled_ = {IDC_DRIVE_LIST, IDC_FIND, IDC_REPORT_OUT, IDC_ABOUT,
               IDC_RANKING_GROUP};
  EXPECT_EQ(NextFocus(IDC_OK, +1, enabled), IDC_OK);

  disabled_.clear();
  const MainAction tab = Map(Code(KeyCode::kTab), IDC_DRIVE_LIST);
  EXPECT_EQ(tab.kind, MainActionKind::kMoveFocus);
  EXPECT_EQ(tab.id, IDC_FIND);
  EXPECT_EQ(Map(Code(KeyCode::kBackTab), IDC_DRIVE_LIST).id, IDC_OK);
}

TEST_F(KeysTest, MnemonicsPressTheirButtonsWithOrWithoutAlt) {
  for (bool alt : {false, true}) {
    EXPECT_EQ(Map(Char(U'f', alt), IDC_OK).id, IDC_FIND);
    EXPECT_EQ(Map(Char(U'F', alt), IDC_OK).kind, MainActionKind::kPress);
    EXPECT_EQ(Map(Char(U'r', alt), IDC_OK).id, IDC_REPORT_OUT);
    EXPECT_EQ(Map(Char(U'a', alt), IDC_OK).id, IDC_ABOUT);
  }
  EXPECT_EQ(Map(Char(U'o'), IDC_FIND).kind, MainActionKind::kNone);
  EXPECT_EQ(Map(Char(U'x'), IDC_FIND).kind, MainActionKind::kNone);
  disabled_ = {IDC_REPORT_OUT};
  EXPECT_EQ(Map(Char(U'r', true), IDC_OK).kind, MainActionKind::kNone);
}

TEST_F(KeysTest, EnterAndSpacePressTheFocusedButtonOrOpenTheList) {
  EXPECT_EQ(Map(Code(KeyCode::kEnter), IDC_OK).id, IDC_OK);
  EXPECT_EQ(Map(Char(U' '), IDC_ABOUT).id, IDC_ABOUT);
  EXPECT_EQ(Map(Code(KeyCode::kEnter), IDC_DRIVE_LIST).kind,
            MainActionKind::kOpenDriveList);
  disabled_ = {IDC_DRIVE_LIST};  // an empty list
  EXPECT_EQ(Map(Code(KeyCode::kEnter), IDC_DRIVE_LIST).kind,
            MainActionKind::kNone);
}

TEST_F(KeysTest, ArrowsStepDrivesRowsAndPagesEscDoesNothing) {
  const MainAction up = Map(Code(KeyCode::kUp), IDC_DRIVE_LIST);
  EXPECT_EQ(up.kind, MainActionKind::kDriveStep);
  EXPECT_EQ(up.delta, -1);
  EXPECT_EQ(Map(Code(KeyCode::kDown), IDC_DRIVE_LIST).delta, +1);
  // Down from a button goes to the ranking's rows; there it moves the
  // mark, and Enter or Space opens the row.
  const MainAction down = Map(Code(KeyCode::kDown), IDC_FIND);
  EXPECT_EQ(down.kind, MainActionKind::kMoveFocus);
  EXPECT_EQ(down.id, IDC_RANKING_GROUP);
  EXPECT_EQ(Map(Code(KeyCode::kUp), IDC_FIND).kind, MainActionKind::kNone);
  const MainAction row_up = Map(Code(KeyCode::kUp), IDC_RANKING_GROUP);
  EXPECT_EQ(row_up.kind, MainActionKind::kRowStep);
  EXPECT_EQ(row_up.delta, -1);
  EXPECT_EQ(Map(Code(KeyCode::kEnter), IDC_RANKING_GROUP).kind,
            MainActionKind::kOpenRow);
  EXPECT_EQ(Map(Char(U' '), IDC_RANKING_GROUP).kind, MainActionKind::kOpenRow);
  EXPECT_EQ(Map(Char(U'G'), IDC_OK).kind, MainActionKind::kSwitchRanking);
  disabled_ = {IDC_RANKING_GROUP};  // no ranking yet
  EXPECT_EQ(Map(Code(KeyCode::kDown), IDC_FIND).kind, MainActionKind::kNone);
  disabled_.clear();

  const MainAction left = Map(Code(KeyCode::kLeft), IDC_OK);
  EXPECT_EQ(left.kind, MainActionKind::kCommand);
  EXPECT_EQ(left.command, DialogCommand::kPageLeft);
  EXPECT_EQ(Map(Code(KeyCode::kRight), IDC_DRIVE_LIST).command,
            DialogCommand::kPageRight);
  disabled_ = {IDC_PAGE_SCROLL};
  EXPECT_EQ(Map(Code(KeyCode::kRight), IDC_OK).kind, MainActionKind::kNone);

  EXPECT_EQ(Map(Code(KeyCode::kEscape), IDC_OK).kind, MainActionKind::kNone);
  EXPECT_EQ(Map(Code(KeyCode::kInterrupt), IDC_OK).kind,
            MainActionKind::kQuit);
}

TEST(LineEditTest, EditsAtTheCursorAndKeepsItVisible) {
  LineEdit edit;
  for (char32_t c : std::u32string(U"report")) edit.Insert(c);
  edit.Home();
  edit.Insert(U'新');
  edit.End();
  edit.Backspace();
  edit.Left();
  edit.Delete();
  edit.Insert(U'\n');  // control characters are not taken
  EXPECT_EQ(edit.Text(), "新repo");
  EXPECT_EQ(edit.Visible(20).cursor_cell, 6);

  LineEdit longer;
  for (int i = 0; i < 30; ++i) longer.Insert(U'あ');
  const LineEdit::View view = longer.Visible(10);
  EXPECT_EQ(view.cursor_cell, 8);  // after the last character shown
  EXPECT_EQ(view.text, "ああああ");
  longer.Home();
  EXPECT_EQ(longer.Visible(10).cursor_cell, 0);
}

TEST(SaveAsNameTest, AddsTheExtensionAndTheCurrentDirectory) {
  EXPECT_EQ(ResolveSaveAsName("result", "txt", "/home/u"), "/home/u/result.txt");
  EXPECT_EQ(ResolveSaveAsName("  result.log ", "txt", "/home/u/"),
            "/home/u/result.log");
  EXPECT_EQ(ResolveSaveAsName("/tmp/r", "txt", "/home/u"), "/tmp/r.txt");
  EXPECT_EQ(ResolveSaveAsName("out.d/r", "txt", "/w"), "/w/out.d/r.txt");
  EXPECT_EQ(ResolveSaveAsName(".hidden", "txt", "/w"), "/w/.hidden.txt");
  EXPECT_EQ(ResolveSaveAsName("結果", "txt", "/w"), "/w/結果.txt");
  EXPECT_FALSE(ResolveSaveAsName("", "txt", "/w"));
  EXPECT_FALSE(ResolveSaveAsName("   ", "txt", "/w"));
  EXPECT_FALSE(ResolveSaveAsName("logs/", "txt", "/w"));
  EXPECT_FALSE(ResolveSaveAsName("..", "txt", "/w"));
  EXPECT_FALSE(ResolveSaveAsName("a/.", "txt", "/w"));
}

TEST(AbsoluteRootTest, JoinsAndTidiesWithoutGuessingAtLinks) {
  EXPECT_EQ(AbsoluteRoot("data", "/home/u"), "/home/u/data");
  EXPECT_EQ(AbsoluteRoot("./data//x/", "/home/u/"), "/home/u/data/x");
  EXPECT_EQ(AbsoluteRoot("/srv/", "/home/u"), "/srv");
  EXPECT_EQ(AbsoluteRoot("/", "/home/u"), "/");
  EXPECT_EQ(AbsoluteRoot("../x", "/home/u"), "/home/u/../x");
}

TEST(SaveAsBoxTest, TakesANameThatNamesAFileOrGivesUp) {
  const SaveAsRequest request{text::kSaveAsTitle, "txt"};
  SaveAsBox box(request, "/work", DisplayMode{});
  EXPECT_EQ(box.Handle(Code(KeyCode::kEnter), 80, 24), BoxStep::kBeep);
  for (char32_t c : std::u32string(U"out")) box.Handle(Char(c), 80, 24);
  box.Handle(Code(KeyCode::kTab), 80, 24);  // to OK
  EXPECT_EQ(box.Handle(Char(U' '), 80, 24), BoxStep::kClosed);
  EXPECT_EQ(box.result(), SaveAsResult::kChosen);
  EXPECT_EQ(box.path(), "/work/out.txt");

  SaveAsBox cancel(request, "/work", DisplayMode{});
  cancel.Handle(Char(U'x'), 80, 24);
  cancel.Handle(Code(KeyCode::kBackTab), 80, 24);  // to Cancel
  EXPECT_EQ(cancel.Handle(Code(KeyCode::kEnter), 80, 24), BoxStep::kClosed);
  EXPECT_EQ(cancel.result(), SaveAsResult::kCancelled);

  // Without a current directory a name cannot be placed.
  SaveAsBox nowhere(request, "", DisplayMode{});
  nowhere.Handle(Char(U'x'), 80, 24);
  EXPECT_EQ(nowhere.Handle(Code(KeyCode::kEnter), 80, 24), BoxStep::kClosed);
  EXPECT_EQ(nowhere.result(), SaveAsResult::kFailed);
}

TEST(DropListTest, MovesTheMarkAndChoosesByKeyOrClick) {
  MemoryDialogPort port;
  for (const char* root : {"/", "/home", "/srv"}) port.AddDrive(root);
  port.SelectDrive(1);
  DropList list(port);
  EXPECT_EQ(list.highlight(), 1);
  list.Handle(Code(KeyCode::kDown), 80, 24);
  list.Handle(Code(KeyCode::kDown), 80, 24);  // stays on the last
  EXPECT_EQ(list.Handle(Code(KeyCode::kEnter), 80, 24), BoxStep::kClosed);
  EXPECT_EQ(list.chosen(), 2);

  DropList escaped(port);
  EXPECT_EQ(escaped.Handle(Code(KeyCode::kEscape), 80, 24), BoxStep::kClosed);
  EXPECT_EQ(escaped.chosen(), -1);

  DropList clicked(port);
  const Rect box = DropListRect(LayoutMainDialog(80, 24), 3, 24);
  Key click = Code(KeyCode::kMouse);
  click.x = box.x + 1;
  click.y = box.y + 1;  // the first entry
  EXPECT_EQ(clicked.Handle(click, 80, 24), BoxStep::kClosed);
  EXPECT_EQ(clicked.chosen(), 0);
}

TEST(TerminalAppTest, EscCancelsARunningFindAndOtherKeysAreRefused) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("a", "1", 4096);
  GatedFileSystem gated(fs);  // holds the walk at its start
  FakeVolumeSource volumes;
  volumes.SetOwnerFileSystems({"ext4"});
  volumes.Add({.root = "/", .file_system = "ext4",
               .space = FakeSpace(4096, 1 << 20, 1 << 21)});
  ScriptedScreen screen;
  screen.When("User Name No1", Char(U'f'));
  screen.When("Scanning: ", Char(U'x'));  // refused while the walk runs
  screen.When("Scanning: ", Code(KeyCode::kEscape));
  screen.Then([&gated](const std::string& shown) -> std::optional<Key> {
    if (shown.find("Cancelling: ") == std::string::npos) return std::nullopt;
    gated.Open();
    return Key{};
  });
  screen.When(std::string(text::kScanCancelled), Code(KeyCode::kInterrupt));

  TerminalApp app(screen, [] { return 0; }, gated, volumes,
                  [] { return std::string("/work"); });
  EXPECT_EQ(app.Run({}), 128 + SIGINT);
  EXPECT_EQ(screen.beeps(), 1);
  // The cancelled walk left the rows as they were.
  EXPECT_EQ(app.port().Text(IDC_NAME_ROW1), text::kNameRowsInitial[0]);
  EXPECT_FALSE(app.port().Enabled(IDC_REPORT_OUT));
}

TEST(TerminalAppTest, ReportOutToAFifoNobodyReadsCanBeGivenUp) {
  std::string dir = "/tmp/ovik-fifo-XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string fifo = dir + "/pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("a", "1", 4096);
  FakeVolumeSource volumes;
  volumes.SetOwnerFileSystems({"ext4"});
  volumes.Add({.root = "/", .file_system = "ext4",
               .space = FakeSpace(4096, 1 << 20, 1 << 21)});
  ScriptedScreen screen;
  int signal_sent = 0;
  auto report_out = [&screen] {
    screen.Then([](const std::string&) { return Char(U'r', true); });
    for (char c : std::string("pipe.txt")) {
      screen.Then([c](const std::string&) { return Char(char32_t(c)); });
    }
    screen.Then([](const std::string&) { return Code(KeyCode::kEnter); });
  };
  screen.When("User Name No1", Char(U'f'));
  screen.When("Scanned ", Key{});
  report_out();
  // Given up with Esc: back to the dialog, nothing to tell.
  screen.When(std::string(text::kReportWaiting), Code(KeyCode::kEscape));
  screen.When("Alt+F/R/A", Key{});
  report_out();
  // A request to end the program while it waits ends the dialog.
  screen.Then([&signal_sent](const std::string& shown) -> std::optional<Key> {
    if (shown.find(text::kReportWaiting) != std::string::npos) {
      signal_sent = SIGTERM;
    }
    return std::nullopt;
  });
  TerminalApp app(screen, [&signal_sent] { return signal_sent; }, fs, volumes,
                  [&dir] { return dir; });
  EXPECT_EQ(app.Run({}), 128 + SIGTERM);
  EXPECT_EQ(unlink(fifo.c_str()), 0);
  EXPECT_EQ(rmdir(dir.c_str()), 0);  // nothing else left there
}

}  // namespace
}  // namespace ovik::tui
