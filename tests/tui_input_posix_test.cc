#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ui/control_ids.h"
#include "ui/tui/keys.h"
#include "ui/tui/line_edit.h"
#include "ui/tui/paths.h"

namespace ovik::tui {
namespace {

Key Char(char32_t c, bool alt = false) {
  Key key;
  key.code = KeyCode::kChar;
  key.ch = c;
  key.alt = alt;
  return key;
}

Key Code(KeyCode code) {
  Key key;
  key.code = code;
  return key;
}

class KeysTest : public ::testing::Test {
 protected:
  MainAction Map(const Key& key, int focus) {
    return MapMainKey(key, focus, [this](int id) { return !disabled_.count(id); });
  }
  std::set<int> disabled_;
};

TEST_F(KeysTest, TabFollowsTheTabOrderAndSkipsDisabledControls) {
  auto enabled = [this](int id) { return !disabled_.count(id); };
  EXPECT_EQ(NextFocus(IDC_OK, +1, enabled), IDC_DRIVE_LIST);
  EXPECT_EQ(NextFocus(IDC_ABOUT, +1, enabled), IDC_OK);
  EXPECT_EQ(NextFocus(IDC_OK, -1, enabled), IDC_ABOUT);
  disabled_ = {IDC_REPORT_OUT};
  EXPECT_EQ(NextFocus(IDC_FIND, +1, enabled), IDC_ABOUT);
  EXPECT_EQ(NextFocus(IDC_ABOUT, -1, enabled), IDC_FIND);
  disabled_ = {IDC_DRIVE_LIST, IDC_FIND, IDC_REPORT_OUT, IDC_ABOUT};
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

TEST_F(KeysTest, ArrowsStepDrivesAndPagesEscDoesNothing) {
  const MainAction up = Map(Code(KeyCode::kUp), IDC_DRIVE_LIST);
  EXPECT_EQ(up.kind, MainActionKind::kDriveStep);
  EXPECT_EQ(up.delta, -1);
  EXPECT_EQ(Map(Code(KeyCode::kDown), IDC_DRIVE_LIST).delta, +1);
  EXPECT_EQ(Map(Code(KeyCode::kDown), IDC_FIND).kind, MainActionKind::kNone);

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

}  // namespace
}  // namespace ovik::tui
