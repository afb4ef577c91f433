#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dialog/control_ids.h"
#include "dialog/dialog_template.h"
#include "dialog/texts.h"
#include "hosts/terminal/canvas.h"
#include "hosts/terminal/layout.h"
#include "hosts/terminal/message_box.h"
#include "hosts/terminal/render.h"
#include "hosts/terminal/terminal_port.h"

namespace ovik::tui {
namespace {

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.right() <= outer.right() && inner.bottom() <= outer.bottom();
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() &&
         b.y < a.bottom();
}

TEST(LayoutTest, MainDialogFitsEightyByTwentyFourWithoutOverlaps) {
  const DialogLayout layout = LayoutMainDialog(80, 24);
  EXPECT_EQ(layout.frame.x, 0);
  EXPECT_EQ(layout.frame.y, 0);
  const Rect inner{1, 1, 78, 22};
  ASSERT_EQ(layout.controls.size(), MainDialogTemplate().controls.size());
  for (const PlacedControl& c : layout.controls) {
    EXPECT_TRUE(Inside(c.cells, inner)) << c.spec->text;
    EXPECT_GT(c.cells.w, 0);
  }
  // Apart from frames around them, no two controls share a cell; frames
  // do not touch each other.
  for (std::size_t i = 0; i < layout.controls.size(); ++i) {
    for (std::size_t j = i + 1; j < layout.controls.size(); ++j) {
      const PlacedControl& a = layout.controls[i];
      const PlacedControl& b = layout.controls[j];
      const bool a_group = a.spec->kind == ControlKind::kGroupBox;
      const bool b_group = b.spec->kind == ControlKind::kGroupBox;
      if (a_group && b_group) {
        EXPECT_FALSE(Overlap(a.cells, b.cells)) << a.spec->text << " / "
                                                << b.spec->text;
      } else if (a_group || b_group) {
        const Rect& frame = a_group ? a.cells : b.cells;
        const Rect& other = a_group ? b.cells : a.cells;
        const Rect inside{frame.x + 1, frame.y + 1, frame.w - 2, frame.h - 2};
        EXPECT_TRUE(!Overlap(frame, other) || Inside(other, inside))
            << a.spec->text << " / " << b.spec->text;
      } else {
        EXPECT_FALSE(Overlap(a.cells, b.cells)) << a.spec->text << " / "
                                                << b.spec->text;
      }
    }
  }
  // The terminal's own lines lie below the dialog's controls.
  const Rect ranking = layout.Find(IDC_RANKING_GROUP)->cells;
  EXPECT_GE(layout.status_row, ranking.bottom());
  EXPECT_EQ(layout.hint_row, 22);
}

TEST(LayoutTest, RankingRowsTakeFiveConsecutiveRows) {
  const DialogLayout layout = LayoutMainDialog(80, 24);
  const int first = layout.Find(IDC_NAME_ROW1)->cells.y;
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(layout.Find(IDC_NAME_ROW1 + r)->cells.y, first + r);
    EXPECT_EQ(layout.Find(IDC_USAGE_ROW1 + r)->cells.y, first + r);
  }
  EXPECT_EQ(layout.Find(IDC_PAGE_SCROLL)->cells.y, first + 5);
  // Usage texts such as "1023MB  12.3456%" fit whole.
  EXPECT_GE(layout.Find(IDC_USAGE_ROW1)->cells.w, 18);
}

TEST(LayoutTest, CentredInLargerScreensAndRefusedInSmallerOnes) {
  const DialogLayout layout = LayoutMainDialog(101, 41);
  EXPECT_EQ(layout.frame.x, 10);
  EXPECT_EQ(layout.frame.y, 8);
  EXPECT_EQ(layout.Find(IDC_OK)->cells.x,
            LayoutMainDialog(80, 24).Find(IDC_OK)->cells.x + 10);
  EXPECT_TRUE(FitsScreen(80, 24));
  EXPECT_FALSE(FitsScreen(79, 24));
  EXPECT_FALSE(FitsScreen(80, 23));
}

TEST(LayoutTest, ClicksHitButtonsListAndScrollBarOnly) {
  const DialogLayout layout = LayoutMainDialog(80, 24);
  for (int id : {IDC_OK, IDC_FIND, IDC_REPORT_OUT, IDC_ABOUT, IDC_DRIVE_LIST,
                 IDC_PAGE_SCROLL}) {
    const Rect r = layout.Find(id)->cells;
    EXPECT_EQ(layout.HitTest(r.x, r.y), id);
    EXPECT_EQ(layout.HitTest(r.right() - 1, r.y), id);
  }
  const Rect name = layout.Find(IDC_NAME_ROW1)->cells;
  EXPECT_EQ(layout.HitTest(name.x, name.y), 0);
  const Rect bar = layout.Find(IDC_PAGE_SCROLL)->cells;
  EXPECT_EQ(HitScrollBar(bar, bar.x, bar.y), ScrollPart::kLeftArrow);
  EXPECT_EQ(HitScrollBar(bar, bar.right() - 1, bar.y), ScrollPart::kRightArrow);
  EXPECT_EQ(HitScrollBar(bar, bar.x + 2, bar.y), ScrollPart::kTrack);
  EXPECT_EQ(HitScrollBar(bar, bar.x, bar.y + 1), ScrollPart::kNone);
}

TEST(LayoutTest, DropListStaysOnTheScreen) {
  const DialogLayout layout = LayoutMainDialog(80, 24);
  const Rect list = layout.Find(IDC_DRIVE_LIST)->cells;
  const Rect three = DropListRect(layout, 3, 24);
  EXPECT_EQ(three.y, list.bottom());
  EXPECT_EQ(three.h, 5);
  const Rect many = DropListRect(layout, 100, 24);
  EXPECT_LE(many.bottom(), 24);
  EXPECT_EQ(DropListRect(layout, 0, 24).h, 0);
}

TEST(LayoutTest, AboutBoxAndMessageBoxesFitTheScreen) {
  const DialogLayout about = LayoutAboutDialog(80, 24);
  const Rect inner{about.frame.x + 1, about.frame.y + 1, about.frame.w - 2,
                   about.frame.h - 2};
  std::set<int> rows;
  for (const PlacedControl& c : about.controls) {
    EXPECT_TRUE(Inside(c.cells, inner)) << c.spec->text;
    if (c.spec->kind == ControlKind::kLabel) rows.insert(c.cells.y);
  }
  EXPECT_EQ(rows.size(), 3u);  // version, user, company on rows of their own
  EXPECT_GE(about.Find(IDC_ABOUT_ICON)->cells.h, 3);

  const MessageBoxLayout box = LayoutMessageBox(80, 24, 47);
  EXPECT_TRUE(Inside(box.ok, box.frame));
  EXPECT_GE(box.frame.w, 47 + 4);
  EXPECT_EQ(box.frame.x, (80 - box.frame.w) / 2);

  const SaveAsLayout save = LayoutSaveAs(80, 24);
  EXPECT_TRUE(Inside(save.field, save.frame));
  EXPECT_TRUE(Inside(save.ok, save.frame));
  EXPECT_TRUE(Inside(save.cancel, save.frame));
  EXPECT_FALSE(Overlap(save.ok, save.cancel));
}

class RenderTest : public ::testing::Test {
 protected:
  // The first row holding |text|, or -1.
  int RowOf(std::string_view text) const {
    for (int y = 0; y < canvas_.height(); ++y) {
      if (canvas_.RowText(y).find(text) != std::string::npos) return y;
    }
    return -1;
  }

  TerminalPort port_{MainDialogTemplate(), nullptr};
  Canvas canvas_{80, 24};
};

TEST_F(RenderTest, MainDialogShowsTheTemplateTextsAndStates) {
  port_.AddDrive("/home");
  port_.SelectDrive(0);
  port_.EnableControl(IDC_REPORT_OUT, false);
  port_.EnableControl(IDC_PAGE_SCROLL, false);
  const DialogLayout layout = LayoutMainDialog(80, 24);
  MainView view;
  view.port = &port_;
  view.focus = IDC_FIND;
  view.hint = std::string(text::kKeyHelp);
  RenderMainDialog(layout, view, &canvas_);

  EXPECT_EQ(RowOf("OVIK"), 0);
  EXPECT_GE(RowOf("Ranking No.1 - No.5"), 0);
  EXPECT_GE(RowOf("User Name No5"), 0);
  EXPECT_GE(RowOf("Percentage No1"), 0);
  EXPECT_GE(RowOf("Next or Prev Page"), 0);
  EXPECT_GE(RowOf("Drive Infomation"), 0);
  EXPECT_GE(RowOf("[/home"), 0);
  // "Volume name:" and "File System:" on two rows, the values beside them.
  EXPECT_EQ(RowOf("File System:"), RowOf("Volume name:") + 1);
  EXPECT_EQ(RowOf("NTFS"), RowOf("File System:"));

  const Rect find = layout.Find(IDC_FIND)->cells;
  const Rect report = layout.Find(IDC_REPORT_OUT)->cells;
  const Rect ok = layout.Find(IDC_OK)->cells;
  EXPECT_TRUE(canvas_.at(find.x, find.y).attr & kReverse);
  EXPECT_FALSE(canvas_.at(ok.x, ok.y).attr & kReverse);
  EXPECT_TRUE(canvas_.at(report.x, report.y).attr & kDim);
  EXPECT_FALSE(canvas_.at(find.x, find.y).attr & kDim);
  // The F of "Find" is underlined; a disabled button shows no mnemonic.
  int f = find.x;
  while (f < find.right() && canvas_.at(f, find.y).ch != U'F') ++f;
  ASSERT_LT(f, find.right());
  EXPECT_TRUE(canvas_.at(f, find.y).attr & kUnderline);
  EXPECT_FALSE(canvas_.at(f + 1, find.y).attr & kUnderline);
  for (int x = report.x; x < report.right(); ++x) {
    EXPECT_FALSE(canvas_.at(x, report.y).attr & kUnderline);
  }
}

TEST_F(RenderTest, BusyDialogLooksDisabledAndShowsProgress) {
  const DialogLayout layout = LayoutMainDialog(80, 24);
  MainView view;
  view.port = &port_;
  view.focus = IDC_OK;
  view.busy = true;
  view.status = "Scanning: 1 files";
  RenderMainDialog(layout, view, &canvas_);
  for (int id : {IDC_OK, IDC_FIND, IDC_REPORT_OUT, IDC_ABOUT}) {
    const Rect r = layout.Find(id)->cells;
    EXPECT_TRUE(canvas_.at(r.x, r.y).attr & kDim) << id;
  }
  EXPECT_EQ(RowOf("Scanning: 1 files"), layout.status_row);
}

TEST_F(RenderTest, ScrollBarThumbFollowsThePage) {
  port_.SetScrollRange(IDC_PAGE_SCROLL, 0, 3);
  port_.SetScrollPos(IDC_PAGE_SCROLL, 3);
  const DialogLayout layout = LayoutMainDialog(80, 24);
  MainView view;
  view.port = &port_;
  RenderMainDialog(layout, view, &canvas_);
  const Rect bar = layout.Find(IDC_PAGE_SCROLL)->cells;
  EXPECT_EQ(canvas_.at(bar.x, bar.y).ch, U'<');
  EXPECT_EQ(canvas_.at(bar.right() - 2, bar.y).ch, U'█');
  EXPECT_EQ(canvas_.at(bar.right() - 1, bar.y).ch, U'>');
}

TEST_F(RenderTest, OpenDriveListMarksItsEntry) {
  for (const char* root : {"/", "/home", "/srv"}) port_.AddDrive(root);
  port_.SelectDrive(0);
  const DialogLayout layout = LayoutMainDialog(80, 24);
  MainView view;
  view.port = &port_;
  RenderMainDialog(layout, view, &canvas_);
  RenderDropList(layout, port_, 2, &canvas_);
  const Rect box = DropListRect(layout, 3, 24);
  EXPECT_EQ(canvas_.RowText(box.y + 2).find("/home") != std::string::npos,
            true);
  EXPECT_TRUE(canvas_.at(box.x + 1, box.y + 3).attr & kReverse);
  EXPECT_FALSE(canvas_.at(box.x + 1, box.y + 2).attr & kReverse);
}

TEST_F(RenderTest, BoxesCarryTheirCaptions) {
  Canvas small(40, 10);
  RenderTooSmall(40, 10, &small);
  const std::string text = small.Text();
  EXPECT_NE(text.find("80x24"), std::string::npos);
  EXPECT_NE(text.find("40x10"), std::string::npos);

  RenderMessageBox(LayoutMessageBox(80, 24, 22), text::kCaption,
                   text::kErrorOccurred, &canvas_);
  EXPECT_GE(RowOf(" Ovik "), 0);
  EXPECT_GE(RowOf("エラーが発生しました。"), 0);
  // Where Japanese cannot be shown, in English.
  MessageBox(text::kFileCreateFailed, kSingleByteMode).Render(&canvas_);
  EXPECT_GE(RowOf("Could not create the file."), 0);

  TerminalPort about_port(AboutDialogTemplate(), nullptr);
  about_port.SetControlText(IDC_ABOUT_COMPANY, "株式会社サンプル");
  Canvas about(80, 24);
  RenderAboutDialog(LayoutAboutDialog(80, 24), about_port, DisplayMode{},
                    &about);
  const std::string shown = about.Text();
  for (std::string_view s : {text::kAboutCaption, text::kAboutVersion,
                             text::kAboutUser, std::string_view("株式会社サンプル"),
                             kIconRows[1]}) {
    EXPECT_NE(shown.find(s), std::string::npos) << s;
  }
  EXPECT_EQ(shown.find(text::kAboutCompany), std::string::npos);
}

TEST_F(RenderTest, SaveAsCursorCountsWideCharacters) {
  LineEdit field;
  for (char32_t c : std::u32string(U"結果1")) field.Insert(c);
  const SaveAsLayout layout = LayoutSaveAs(80, 24);
  const CursorPos cursor = RenderSaveAs(layout, text::kSaveAsTitle, field,
                                        SaveAsFocus::kField, DisplayMode{},
                                        &canvas_);
  EXPECT_EQ(cursor.x, layout.field.x + 5);
  EXPECT_EQ(cursor.y, layout.field.y);
  EXPECT_GE(RowOf("ログファイル名を指定"), 0);
  EXPECT_GE(RowOf("キャンセル"), 0);
  EXPECT_EQ(RenderSaveAs(layout, text::kSaveAsTitle, field, SaveAsFocus::kOk,
                         DisplayMode{}, &canvas_)
                .x,
            -1);
}

// The dialogs as the resource script of the Windows program has them,
// read the way the resource compiler would: ids by the names of
// ui/control_ids.h, texts with their escapes undone, kinds from each
// control's window class and style.
struct ScriptControl {
  int id = 0;
  ControlKind kind = ControlKind::kLabel;
  int x = 0, y = 0, w = 0, h = 0;
  std::string text;
};

struct ScriptDialog {
  std::string caption;
  int width = 0, height = 0;
  std::vector<ScriptControl> controls;
};

std::string ReadSource(const std::string& path) {
  std::ifstream in(std::string(OVIK_TESTDATA_DIR) + "/../../" + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trim(std::string_view s) {
  const std::size_t begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  const std::size_t end = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(begin, end - begin + 1));
}

// Fields separated by commas outside quotes.
std::vector<std::string> SplitFields(std::string_view s) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : s) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  for (std::string& f : fields) f = Trim(f);
  return fields;
}

std::string Unquote(const std::string& field) {
  std::string out;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    if (field[i] == '\\' && field[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += field[i];
    }
  }
  return out;
}

ControlKind KindOf(const std::string& window_class, const std::string& style) {
  const auto has = [&style](std::string_view flag) {
    return style.find(flag) != std::string::npos;
  };
  if (window_class == "\"ComboBox\"") return ControlKind::kDropDown;
  if (window_class == "\"ScrollBar\"") return ControlKind::kScrollBar;
  if (window_class == "\"Button\"") {
    if (has("BS_DEFPUSHBUTTON")) return ControlKind::kDefaultButton;
    if (has("BS_GROUPBOX")) return ControlKind::kGroupBox;
    return ControlKind::kButton;
  }
  if (has("SS_ICON")) return ControlKind::kIcon;
  if (has("SS_RIGHT")) return ControlKind::kRightLabel;
  return ControlKind::kLabel;
}

ScriptDialog ReadScriptDialog(const std::string& name) {
  std::map<std::string, int> ids;
  std::istringstream header(ReadSource("dialog/control_ids.h"));
  for (std::string line; std::getline(header, line);) {
    std::istringstream words(line);
    std::string define, key, value;
    if (words >> define >> key >> value && define == "#define") {
      ids[key] = std::stoi(value);
    }
  }
  const auto id_of = [&ids](const std::string& token) {
    return ids.count(token) ? ids[token] : std::stoi(token);
  };

  ScriptDialog dialog;
  std::istringstream script(ReadSource("hosts/win32/ovik.rc"));
  std::string line;
  while (std::getline(script, line) && line.rfind(name + " DIALOG", 0) != 0) {
  }
  const std::vector<std::string> size =
      SplitFields(line.substr(line.find("DIALOG") + 6));
  if (size.size() != 4) return dialog;
  dialog.width = std::stoi(size[2]);
  dialog.height = std::stoi(size[3]);
  std::vector<std::string> statements;
  while (std::getline(script, line) && Trim(line) != "END") {
    const std::string trimmed = Trim(line);
    if (trimmed.rfind("CAPTION ", 0) == 0) {
      dialog.caption = Unquote(Trim(trimmed.substr(8)));
    } else if (trimmed.rfind("CONTROL ", 0) == 0) {
      statements.push_back(trimmed.substr(8));
    } else if (!statements.empty() && !trimmed.empty() &&
               trimmed.rfind("//", 0) != 0) {
      statements.back() += " " + trimmed;  // a continuation line
    }
  }
  for (const std::string& statement : statements) {
    const std::vector<std::string> f = SplitFields(statement);
    if (f.size() != 8) {
      ADD_FAILURE() << "cannot read: " << statement;
      continue;
    }
    ScriptControl control;
    control.text = f[0].front() == '"' ? Unquote(f[0]) : std::string();
    control.id = id_of(f[1]);
    control.kind = KindOf(f[2], f[3]);
    control.x = std::stoi(f[4]);
    control.y = std::stoi(f[5]);
    control.w = std::stoi(f[6]);
    control.h = std::stoi(f[7]);
    dialog.controls.push_back(control);
  }
  return dialog;
}

TEST(DialogTemplateTest, TheTerminalDrawsTheDialogsOfTheResourceScript) {
  for (const auto& [name, expected] :
       {std::pair<std::string, const DialogTemplate*>{"IDD_MAIN",
                                                      &MainDialogTemplate()},
        {"IDD_ABOUT", &AboutDialogTemplate()}}) {
    SCOPED_TRACE(name);
    const ScriptDialog script = ReadScriptDialog(name);
    EXPECT_EQ(script.caption, expected->caption);
    EXPECT_EQ(script.width, expected->width);
    EXPECT_EQ(script.height, expected->height);
    ASSERT_EQ(script.controls.size(), expected->controls.size());
    for (std::size_t i = 0; i < script.controls.size(); ++i) {
      const ScriptControl& c = script.controls[i];
      const ControlSpec& spec = expected->controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + ": " + c.text);
      EXPECT_EQ(c.id, spec.id);
      EXPECT_EQ(c.kind, spec.kind);
      EXPECT_EQ(c.text, spec.text);
      EXPECT_EQ(c.x, spec.x);
      EXPECT_EQ(c.y, spec.y);
      EXPECT_EQ(c.w, spec.w);
      EXPECT_EQ(c.h, spec.h);
    }
  }
}

TEST(TerminalPortTest, StartsFromTheTemplateAndKeepsWhatTheLogicSets) {
  TerminalPort port(MainDialogTemplate(), nullptr);
  EXPECT_EQ(port.Text(IDC_DRIVE_TYPE), text::kDriveTypeInitial);
  EXPECT_EQ(port.Text(IDC_NAME_ROW3), "User Name No3");
  EXPECT_TRUE(port.Enabled(IDC_REPORT_OUT));
  port.EnableControl(IDC_REPORT_OUT, false);
  EXPECT_FALSE(port.Enabled(IDC_REPORT_OUT));
  port.AddDrive("/");
  port.SelectDrive(5);
  EXPECT_EQ(port.SelectedDrive(), -1);
  port.SelectDrive(0);
  EXPECT_EQ(port.DriveText(0), "/");
  EXPECT_EQ(port.DriveText(1), "");
  port.SetScrollRange(IDC_PAGE_SCROLL, 0, 2);
  port.SetScrollPos(IDC_PAGE_SCROLL, 7);
  EXPECT_EQ(port.scroll_pos(), 2);
  // Without a host to show them, boxes fail rather than block.
  std::string path;
  EXPECT_EQ(port.AskSaveFileName({text::kSaveAsTitle, "txt"}, &path),
            SaveAsResult::kFailed);
  EXPECT_FALSE(port.end_result());
  port.EndDialog(1);
  EXPECT_EQ(port.end_result(), 1);
}

}  // namespace
}  // namespace ovik::tui
