// The real dialogs, created from the program's resources and driven with
// window messages as a user's clicks would send them: drive change, Find
// on a prepared drive, page arrows, Report Out through the system's Save
// As dialog, About, OK. Also the start-up with a fake 3D-controls library
// and the program's resources. Needs a display and, for Find, the
// prepared drive named by OVIK_TEST_DRIVE (scripts/test-windows.sh).
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "platform/wide_text_win32.h"
#include "present/usage_text.h"
#include "volume/volume_facts.h"
#include "tests/forwarding_filesystem.h"
#include "tests/gated_filesystem.h"
#include "tests/win32_test_util.h"
#include "dialog/control_ids.h"
#include "dialog/dialog_template.h"
#include "dialog/texts.h"
#include "hosts/win32/dialog_procs.h"
#include "hosts/win32/win32_dialog_port.h"

namespace ovik {
namespace {

using win32_test::CurrentUserName;
using win32_test::MakeFile;
using win32_test::ReadFileBytes;
using win32_test::ScratchDirectory;

std::string Text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return WideToUtf8(text);
}

std::string ItemText(HWND dialog, int id) {
  return Text(GetDlgItem(dialog, id));
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return WideToUtf8(name);
}

// Runs the thread's messages until |done| holds; gives up after a generous
// guard so a broken dialog fails the test instead of hanging it.
bool PumpUntil(const std::function<bool()>& done) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

// Answers the modal windows that a command opens on this thread (the
// About box, the Save As dialog, message boxes): while it lives, a timer
// looks for a visible dialog titled |title| and hands it to |answer| once.
class ModalResponder {
 public:
  ModalResponder(std::string title, std::function<void(HWND)> answer)
      : title_(std::move(title)), answer_(std::move(answer)) {
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&WindowProc));
    SetTimer(window_, 1, 50, nullptr);
  }
  ~ModalResponder() { DestroyWindow(window_); }
  ModalResponder(const ModalResponder&) = delete;
  ModalResponder& operator=(const ModalResponder&) = delete;

  bool answered() const { return answered_; }
  // The window was still there long after the answer and was cancelled.
  bool stuck() const { return stuck_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w,
                                     LPARAM l) {
    if (message == WM_TIMER) {
      auto* self = reinterpret_cast<ModalResponder*>(
          GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr) self->Tick();
      return 0;
    }
    return DefWindowProcW(window, message, w, l);
  }

  void Tick() {
    if (busy_ || stuck_) return;
    HWND found = nullptr;
    struct Search {
      const std::string* title;
      HWND* found;
    } search{&title_, &found};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM l) -> BOOL {
          auto* s = reinterpret_cast<Search*>(l);
          if (IsWindowVisible(window) && ClassOf(window) == "#32770" &&
              Text(window) == *s->title) {
            *s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (found == nullptr) return;
    if (answered_) {
      // An answer the window did not take: cancel rather than hang.
      if (++ticks_since_answer_ > 60) {
        stuck_ = true;
        PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      }
      return;
    }
    busy_ = true;
    answer_(found);
    answered_ = true;
    busy_ = false;
  }

  std::string title_;
  std::function<void(HWND)> answer_;
  HWND window_ = nullptr;
  bool answered_ = false;
  bool busy_ = false;
  bool stuck_ = false;
  int ticks_since_answer_ = 0;
};

// The real file system, with every file's owner named after the first
// letter of its name, so one account's files on a real drive can stand
// for many owners.
class OwnerByInitial : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  Status LookupOwnerName(std::string_view key, std::string* name) override {
    *name = "owner_" + std::string(key);
    return Status::Ok();
  }

 private:
  void AdjustEntry(Entry* entry) const override {
    if (entry->kind != EntryKind::kDirectory) {
      entry->owner_status = OwnerStatus::kKnown;
      entry->owner_key = entry->name.substr(0, 1);
    }
  }
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    real_fs_ = MakeSystemFileSystem();
    volumes_ = MakeSystemVolumeSource();
    setup_.fs = real_fs_.get();
    setup_.volumes = volumes_.get();
    const char* drive = std::getenv("OVIK_TEST_DRIVE");
    if (drive != nullptr) drive_ = drive;
  }

  void TearDown() override {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
  }

  void Create() {
    dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr),
                                 MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                 MainDialogProc,
                                 reinterpret_cast<LPARAM>(&setup_));
    ASSERT_NE(dialog_, nullptr);
  }

  // Fills the prepared drive with files of known sizes: owners a to g
  // when named by initial, all the running account's in reality.
  void PrepareDrive() {
    const std::wstring root = Utf8ToWide(drive_);
    ScratchDirectory::RemoveTree(root + L"tree");
    ASSERT_TRUE(CreateDirectoryW((root + L"tree").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((root + L"tree\\sub").c_str(), nullptr));
    const struct {
      const wchar_t* name;
      std::uint64_t size;
    } files[] = {{L"a1", 7000},        {L"b1", 6000},     {L"c1", 5000},
                 {L"d1", 4000},        {L"sub\\e1", 3000}, {L"sub\\f1", 2048},
                 {L"sub\\g1", 1500}};
    for (const auto& file : files) {
      ASSERT_TRUE(MakeFile(root + L"tree\\" + file.name, file.size));
    }
  }

  void Command(int id, int code = BN_CLICKED) {
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
  }

  void SelectDrive(const std::string& root) {
    const std::wstring wide = Utf8ToWide(root);
    const LRESULT index =
        SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_FINDSTRINGEXACT,
                            static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_NE(index, CB_ERR) << root << " is not offered";
    SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(index), 0);
    Command(IDC_DRIVE_LIST, CBN_SELCHANGE);
  }

  // Find on |root|, added to the drive list and selected.
  void FindOn(const std::string& root) {
    // The drive list holds roots; a folder stands in for one.
    SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(Utf8ToWide(root).c_str()));
    SelectDrive(root);
    Command(IDC_FIND);
    // The window takes no input while the walk runs, and is given it
    // back as the ranking is shown.
    ASSERT_TRUE(PumpUntil([this] { return IsWindowEnabled(dialog_); }));
  }

  // Find on the tree of the prepared drive.
  void FindOnPreparedTree() { FindOn(drive_ + "tree"); }

  // The capacity in KB the dialog computes shares against for |root|.
  std::uint64_t TotalKbOf(const std::string& root) {
    return ReadVolumeFacts(*volumes_, root)
        .totals.value_or(VolumeTotals{})
        .total_kb;
  }

  // Runs the main dialog as the program does, until it ends; |answer|
  // acts on it once it shows. Returns how it ended.
  INT_PTR RunModal(std::function<void(HWND)> answer) {
    ModalResponder main(std::string(text::kMainCaption), std::move(answer));
    return DialogBoxParamW(GetModuleHandleW(nullptr),
                           MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc,
                           reinterpret_cast<LPARAM>(&setup_));
  }

  // Opens the About box, reads the owner and organisation it shows and
  // ends it with command |close|.
  std::pair<std::string, std::string> AboutNames(WORD close) {
    std::pair<std::string, std::string> names;
    ModalResponder about(std::string(text::kAboutCaption), [&](HWND box) {
      names = {ItemText(box, IDC_ABOUT_USER), ItemText(box, IDC_ABOUT_COMPANY)};
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(close, BN_CLICKED), 0);
    });
    Command(IDC_ABOUT);
    EXPECT_TRUE(about.answered());
    return names;
  }

  void Scroll(int code) {
    SendMessageW(dialog_, WM_HSCROLL, MAKEWPARAM(code, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDC_PAGE_SCROLL)));
  }

  std::unique_ptr<FileSystem> real_fs_;
  std::unique_ptr<VolumeSource> volumes_;
  MainDialogSetup setup_;
  HWND dialog_ = nullptr;
  std::string drive_;
};

// The window class a control of |kind| is made of.
std::string WindowClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
    case ControlKind::kDefaultButton:
    case ControlKind::kGroupBox:
      return "Button";
    case ControlKind::kDropDown:
      return "ComboBox";
    case ControlKind::kScrollBar:
      return "ScrollBar";
    case ControlKind::kLabel:
    case ControlKind::kRightLabel:
    case ControlKind::kIcon:
      break;
  }
  return "Static";
}

bool HasTabStop(ControlKind kind) {
  return kind == ControlKind::kButton || kind == ControlKind::kDefaultButton ||
         kind == ControlKind::kDropDown;
}

HWND FindControl(HWND dialog, const ControlSpec& spec) {
  if (spec.id != -1) return GetDlgItem(dialog, spec.id);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (Text(child) == spec.text) return child;
  }
  return nullptr;
}

TEST_F(DialogTest, MainDialogIsBuiltAsItsTemplateSays) {
  Create();
  EXPECT_EQ(Text(dialog_), MainDialogTemplate().caption);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE));
  for (DWORD bit : {DWORD{WS_POPUP}, DWORD{WS_CAPTION}, DWORD{WS_SYSMENU},
                    DWORD{WS_VISIBLE}}) {
    EXPECT_EQ(style & bit, bit);
  }
  RECT size = {0, 0, MainDialogTemplate().width, MainDialogTemplate().height};
  MapDialogRect(dialog_, &size);
  RECT client;
  GetClientRect(dialog_, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  for (const ControlSpec& spec : MainDialogTemplate().controls) {
    SCOPED_TRACE(spec.id == -1 ? std::string(spec.text)
                               : std::to_string(spec.id));
    HWND control = FindControl(dialog_, spec);
    ASSERT_NE(control, nullptr);
    const std::string window_class = WindowClassOf(spec.kind);
    EXPECT_EQ(ClassOf(control), window_class);
    RECT expected = {spec.x, spec.y, spec.x + spec.w, spec.y + spec.h};
    MapDialogRect(dialog_, &expected);
    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right - expected.left);
    if (window_class != "ComboBox") {
      EXPECT_EQ(actual.bottom - actual.top, expected.bottom - expected.top);
    }
    const LONG control_style = GetWindowLongW(control, GWL_STYLE);
    EXPECT_EQ((control_style & WS_TABSTOP) != 0, HasTabStop(spec.kind));
    if (window_class == "Static") {
      EXPECT_NE(control_style & WS_GROUP, 0) << "labels start groups";
    }
  }
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_OK), GWL_STYLE) & 0xF,
            BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_FREE_SPACE), GWL_STYLE) &
                SS_TYPEMASK,
            SS_RIGHT);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_USAGE_ROW1), GWL_STYLE) &
                SS_TYPEMASK,
            SS_LEFTNOWORDWRAP);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_USAGE_ROW2), GWL_STYLE) &
                SS_TYPEMASK,
            SS_LEFT);
  // (The combo box hands WS_VSCROLL on to its list.)
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_, IDC_DRIVE_LIST), GWL_STYLE) &
                (CBS_DROPDOWNLIST | CBS_AUTOHSCROLL),
            CBS_DROPDOWNLIST | CBS_AUTOHSCROLL);

  // The tab order: OK, the drive list, Find, Report Out, About.
  std::vector<int> tab_order;
  for (HWND child = GetWindow(dialog_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) {
      tab_order.push_back(GetDlgCtrlID(child));
    }
  }
  EXPECT_EQ(tab_order, (std::vector<int>{IDC_OK, IDC_DRIVE_LIST, IDC_FIND,
                                         IDC_REPORT_OUT, IDC_ABOUT}));
}

TEST_F(DialogTest, StartsWithTheFirstFixedDriveAndNothingToPageOrReport) {
  Create();
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, IDC_REPORT_OUT)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, IDC_PAGE_SCROLL)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_FIND)));
  // Wine reports every drive as a fixed NTFS one: the first is selected.
  const LRESULT count =
      SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETCOUNT, 0, 0);
  ASSERT_GT(count, 0);
  EXPECT_EQ(SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0),
            0);
  EXPECT_EQ(ItemText(dialog_, IDC_DRIVE_TYPE), "Fixed");
  EXPECT_EQ(ItemText(dialog_, IDC_TOTAL_SPACE).back(), '\n');
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "User Name No1");
  // The class icon is the program's.
  EXPECT_NE(GetClassLongPtrW(dialog_, GCLP_HICON), 0);
  // Neither a stray Report Out nor Esc does anything.
  Command(IDC_REPORT_OUT);
  Command(IDCANCEL);
  // Ended, the dialog would be hidden.
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST_F(DialogTest, ChangingTheDriveUpdatesThePanelAtOnce) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  Create();
  SetDlgItemTextW(dialog_, IDC_VOLUME_LABEL, L"stale");
  SetDlgItemTextW(dialog_, IDC_NAME_ROW1, L"row stays");
  SelectDrive(drive_);
  EXPECT_EQ(ItemText(dialog_, IDC_DRIVE_TYPE), "Fixed");
  const std::string volume = ItemText(dialog_, IDC_VOLUME_LABEL);
  EXPECT_EQ(volume.substr(volume.find('\n')), "\nNTFS");
  const std::string total = ItemText(dialog_, IDC_TOTAL_SPACE);
  EXPECT_EQ(total.substr(total.size() - 3), "MB\n");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "row stays");
}

TEST_F(DialogTest, FindRanksTheOwnersOfThePreparedDrive) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  Create();
  FindOnPreparedTree();
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_REPORT_OUT)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_PAGE_SCROLL)));
  EXPECT_EQ(ItemText(dialog_, IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  // 28,548 bytes, all the running account's: 27 KB.
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), CurrentUserName());
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW1),
            FormatUsage(27, TotalKbOf(drive_ + "tree")));
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW1).substr(0, 8), "  27KB  ");
  // The administrators with nothing still rank, and nobody else.
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW2), real_fs_->AdministratorsName());
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW3), "");
  int min = -1, max = -1;
  GetScrollRange(GetDlgItem(dialog_, IDC_PAGE_SCROLL), SB_CTL, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);
}

TEST_F(DialogTest, ArrowsStepThroughThePages) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  OwnerByInitial by_initial(*real_fs_);
  setup_.fs = &by_initial;
  Create();
  FindOnPreparedTree();
  HWND bar = GetDlgItem(dialog_, IDC_PAGE_SCROLL);
  int min = -1, max = -1;
  GetScrollRange(bar, SB_CTL, &min, &max);
  EXPECT_EQ(max, 1);  // eight owners, two pages
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "owner_a");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW5), "owner_e");

  Scroll(SB_LINELEFT);  // already on the first page
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "owner_a");
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);

  Scroll(SB_LINERIGHT);
  EXPECT_EQ(ItemText(dialog_, IDC_RANKING_GROUP), "Ranking No.6 - No.10");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "owner_f");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW2), "owner_g");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW4), "");
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW5), "");
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);

  Scroll(SB_LINERIGHT);  // already on the last page
  EXPECT_EQ(ItemText(dialog_, IDC_RANKING_GROUP), "Ranking No.6 - No.10");
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);
  Scroll(SB_PAGERIGHT);  // the shaft does nothing
  Scroll(SB_THUMBPOSITION);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);

  Scroll(SB_LINELEFT);
  EXPECT_EQ(ItemText(dialog_, IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW2), "owner_b");
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
}

// Under Wine a file of another Unix account belongs to another account,
// "ANONYMOUS LOGON": the folder "owners" of the prepared drive holds
// files of both (tests/wine/wine-env.sh makes it, as root only), so the
// ranking has several real owners.
TEST_F(DialogTest, FindRanksTheFilesOfSeveralRealOwners) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  const std::string owners = drive_ + "owners";
  if (GetFileAttributesW(Utf8ToWide(owners).c_str()) ==
      INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no files of another account here (made as root only)";
  }
  Create();
  FindOn(owners);
  const std::uint64_t total_kb = TotalKbOf(owners);
  // 7,000 + 2,048 bytes of the other account, 3,000 of the running one;
  // the administrators with nothing last.
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "ANONYMOUS LOGON");
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW1), FormatUsage(8, total_kb));
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW2), CurrentUserName());
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW2), FormatUsage(2, total_kb));
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW3), real_fs_->AdministratorsName());
  EXPECT_EQ(ItemText(dialog_, IDC_USAGE_ROW3), FormatUsage(0, total_kb));
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW4), "");
  // One page: both arrows leave it as it is.
  HWND bar = GetDlgItem(dialog_, IDC_PAGE_SCROLL);
  int min = -1, max = -1;
  GetScrollRange(bar, SB_CTL, &min, &max);
  EXPECT_EQ(max, 0);
  Scroll(SB_LINERIGHT);
  Scroll(SB_LINELEFT);
  EXPECT_EQ(ItemText(dialog_, IDC_RANKING_GROUP), "Ranking No.1 - No.5");
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "ANONYMOUS LOGON");
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
}

// While the walk runs the dialog takes no input and refuses to be
// restored from an icon; afterwards both come back.
TEST_F(DialogTest, TheDialogIsDisabledWhileTheWalkRuns) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  GatedFileSystem gated(*real_fs_);
  setup_.fs = &gated;
  Create();
  EXPECT_EQ(SendMessageW(dialog_, WM_QUERYOPEN, 0, 0), TRUE);
  const std::string tree = drive_ + "tree";
  SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(Utf8ToWide(tree).c_str()));
  SelectDrive(tree);
  Command(IDC_FIND);
  EXPECT_FALSE(IsWindowEnabled(dialog_));
  EXPECT_EQ(SendMessageW(dialog_, WM_QUERYOPEN, 0, 0), FALSE);
  Command(IDC_ABOUT);  // refused: nothing opens, nothing blocks
  gated.Open();
  ASSERT_TRUE(PumpUntil([this] { return IsWindowEnabled(dialog_) != 0; }));
  EXPECT_EQ(SendMessageW(dialog_, WM_QUERYOPEN, 0, 0), TRUE);
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), CurrentUserName());
}

// Fills in the system's Save As dialog and presses its OK button.
void AnswerSaveAs(HWND save_as, const std::wstring& path,
                  std::vector<std::string>* filters) {
  HWND types = GetDlgItem(save_as, cmb1);
  const LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t item[128] = {};
    SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(item));
    filters->push_back(WideToUtf8(item));
  }
  // The file name box is an edit control in the old-style dialog and a
  // combo box in the Explorer-style one.
  HWND name = GetDlgItem(save_as, cmb13);
  if (name == nullptr) name = GetDlgItem(save_as, edt1);
  SetWindowTextW(name, path.c_str());
  PostMessageW(save_as, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(save_as, IDOK)));
}

TEST_F(DialogTest, ReportOutWritesTheChosenFileInTheAnsiCodePage) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  OwnerByInitial by_initial(*real_fs_);
  setup_.fs = &by_initial;
  Create();
  FindOnPreparedTree();
  ScratchDirectory scratch;
  // Without an extension: the dialog adds "txt".
  const std::wstring chosen = scratch.path() + L"\\ranking";
  std::vector<std::string> filters;
  {
    ModalResponder save_as(std::string(text::kSaveAsTitle), [&](HWND box) {
      AnswerSaveAs(box, chosen, &filters);
    });
    Command(IDC_REPORT_OUT);
    EXPECT_TRUE(save_as.answered());
    EXPECT_FALSE(save_as.stuck());
  }
  EXPECT_EQ(filters, (std::vector<std::string>{"Result Files (*.TXT)",
                                               "All Files (*.*)"}));
  const std::string report = ReadFileBytes(chosen + L".txt");
  const std::uint64_t total_kb = TotalKbOf(drive_ + "tree");
  const std::string first_line = "No.1:owner_a" + std::string(13, ' ') +
                                 " " + FormatUsage(6, total_kb) + "\r\n";
  EXPECT_EQ(report.substr(0, first_line.size()), first_line);
  EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = report.find("\r\n", at)) != std::string::npos;
       at += 2) {
    ++lines;
  }
  EXPECT_EQ(lines, 8u);  // every owner, the administrators included
  // The page shown is unchanged.
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "owner_a");
}

TEST_F(DialogTest, CancellingSaveAsWritesNothingAndSaysNothing) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  Create();
  FindOnPreparedTree();
  bool message_shown = false;
  {
    ModalResponder save_as(std::string(text::kSaveAsTitle), [](HWND box) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    ModalResponder error(std::string(text::kCaption), [&](HWND box) {
      message_shown = true;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDC_REPORT_OUT);
    EXPECT_TRUE(save_as.answered());
  }
  EXPECT_FALSE(message_shown);
}

TEST_F(DialogTest, AFileThatCannotBeReplacedIsReported) {
  if (drive_.empty()) GTEST_SKIP() << "OVIK_TEST_DRIVE is not set";
  PrepareDrive();
  Create();
  FindOnPreparedTree();
  ScratchDirectory scratch;
  // A read-only file stands where the report should go.
  const std::wstring locked = scratch.path() + L"\\locked.txt";
  ASSERT_TRUE(MakeFile(locked, 3));
  ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<std::string> filters;
  std::string message;
  {
    ModalResponder save_as(std::string(text::kSaveAsTitle), [&](HWND box) {
      AnswerSaveAs(box, locked, &filters);
    });
    ModalResponder error(std::string(text::kCaption), [&](HWND box) {
      message = ItemText(box, 0xFFFF);  // the message box's text
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDC_REPORT_OUT);
    EXPECT_FALSE(save_as.stuck());
    EXPECT_TRUE(error.answered());
  }
  EXPECT_EQ(message, text::kFileCreateFailed);
  EXPECT_EQ(ReadFileBytes(locked), "xxx");
  SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DialogTest, AboutShowsTheRegisteredNamesAndLeavesTheMainDialogAlone) {
  if (!win32_test::RunningUnderWine()) {
    GTEST_SKIP() << "changes the registry; run under Wine only";
  }
  const std::string organisation(300, 'O');  // longer than the owner
  win32_test::RegistryValue registered_owner(L"RegisteredOwner", L"Taro");
  win32_test::RegistryValue registered_organisation(L"RegisteredOrganization",
                                                    Utf8ToWide(organisation));
  Create();
  SetDlgItemTextW(dialog_, IDC_NAME_ROW1, L"unchanged");
  std::string caption, user, company, version;
  bool has_icon = false;
  {
    ModalResponder about(std::string(text::kAboutCaption), [&](HWND box) {
      caption = Text(box);
      user = ItemText(box, IDC_ABOUT_USER);
      company = ItemText(box, IDC_ABOUT_COMPANY);
      has_icon = SendDlgItemMessageW(box, IDC_ABOUT_ICON, STM_GETICON, 0, 0) != 0;
      for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == 0xFFFF) version = Text(child);
      }
      // Opened without an owner: the main dialog is still enabled.
      EXPECT_TRUE(IsWindowEnabled(dialog_));
      EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Command(IDC_ABOUT);
    EXPECT_TRUE(about.answered());
  }
  EXPECT_EQ(caption, "Ovik for NT\xE3\x81\xAB\xE3\x81\xA4\xE3\x81\x84"
                     "\xE3\x81\xA6..");
  EXPECT_EQ(user, "Taro");
  EXPECT_EQ(company, organisation);
  EXPECT_EQ(version, "Ovik for NT Ver 1.00");
  EXPECT_TRUE(has_icon);
  EXPECT_EQ(ItemText(dialog_, IDC_NAME_ROW1), "unchanged");
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

// Without a stand-in the About box reads the key and values its string
// table names.
TEST_F(DialogTest, AboutReadsTheRegistryWhereTheStringTableSays) {
  if (!win32_test::RunningUnderWine()) {
    GTEST_SKIP() << "changes the registry; run under Wine only";
  }
  win32_test::RegistryValue owner(L"RegisteredOwner", L"Hanako");
  win32_test::RegistryValue organisation(L"RegisteredOrganization",
                                         L"Example KK");
  Create();
  EXPECT_EQ(AboutNames(IDOK),
            (std::pair<std::string, std::string>{"Hanako", "Example KK"}));
}

TEST_F(DialogTest, AboutKeepsItsLabelsWithoutRegisteredNames) {
  if (!win32_test::RunningUnderWine()) {
    GTEST_SKIP() << "changes the registry; run under Wine only";
  }
  win32_test::RegistryValue registered_owner(L"RegisteredOwner",
                                             std::nullopt);
  win32_test::RegistryValue registered_organisation(L"RegisteredOrganization",
                                                    std::nullopt);
  Create();
  // Any command ends the box, Esc included.
  EXPECT_EQ(AboutNames(IDCANCEL),
            (std::pair<std::string, std::string>{text::kAboutUser,
                                                 text::kAboutCompany}));
}

TEST_F(DialogTest, OkAndCloseEndTheDialogWithOne) {
  EXPECT_EQ(RunModal([](HWND main) {
              PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED),
                           0);
            }),
            1);
  EXPECT_EQ(RunModal([](HWND main) { PostMessageW(main, WM_CLOSE, 0, 0); }),
            1);
}

// The program's resources other than the dialogs.
TEST(ResourcesTest, StringTableNamesTheRegistryValues) {
  wchar_t text[300] = {};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  ASSERT_GT(LoadStringW(instance, IDS_REG_KEY, text, 300), 0);
  EXPECT_EQ(std::wstring(text),
            L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  ASSERT_GT(LoadStringW(instance, IDS_REG_OWNER, text, 300), 0);
  EXPECT_EQ(std::wstring(text), L"RegisteredOwner");
  ASSERT_GT(LoadStringW(instance, IDS_REG_ORGANIZATION, text, 300), 0);
  EXPECT_EQ(std::wstring(text), L"RegisteredOrganization");
}

// A control of a dialog template as the program stores it.
struct StoredControl {
  WORD id;
  short x, y, cx, cy;
};

// Skips a name or ordinal field of a dialog template.
const WORD* SkipNameOrOrdinal(const WORD* p) {
  if (*p == 0xFFFF) return p + 2;
  while (*p != 0) ++p;
  return p + 1;
}

// The controls of dialog |id| in the program's resources, in order.
std::vector<StoredControl> StoredControls(int id) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_DIALOG);
  if (found == nullptr) return {};
  const auto* base =
      static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
  const auto* header = reinterpret_cast<const DLGTEMPLATE*>(base);
  const WORD* p = reinterpret_cast<const WORD*>(base + sizeof(DLGTEMPLATE));
  p = SkipNameOrOrdinal(p);  // menu
  p = SkipNameOrOrdinal(p);  // window class
  p = SkipNameOrOrdinal(p);  // caption
  if (header->style & DS_SETFONT) p = SkipNameOrOrdinal(p + 1);  // font
  std::vector<StoredControl> controls;
  for (WORD i = 0; i < header->cdit; ++i) {
    // Each control starts on a DWORD boundary.
    std::size_t offset = reinterpret_cast<const BYTE*>(p) - base;
    offset = (offset + 3) & ~std::size_t{3};
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(base + offset);
    controls.push_back({item->id, item->x, item->y, item->cx, item->cy});
    p = reinterpret_cast<const WORD*>(base + offset + sizeof(DLGITEMTEMPLATE));
    p = SkipNameOrOrdinal(p);  // window class
    p = SkipNameOrOrdinal(p);  // text
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
  }
  return controls;
}

// The icon of the About box among them: a resource compiler drops the
// size of an ICON statement.
TEST(ResourcesTest, EveryControlIsStoredWhereTheTemplateSays) {
  for (const auto& [id, expected] :
       {std::pair<int, const DialogTemplate*>{IDD_MAIN, &MainDialogTemplate()},
        {IDD_ABOUT, &AboutDialogTemplate()}}) {
    SCOPED_TRACE(id);
    const std::vector<StoredControl> stored = StoredControls(id);
    ASSERT_EQ(stored.size(), expected->controls.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
      const ControlSpec& spec = expected->controls[i];
      SCOPED_TRACE(spec.id);
      EXPECT_EQ(stored[i].id, static_cast<WORD>(spec.id));
      EXPECT_EQ(stored[i].x, spec.x);
      EXPECT_EQ(stored[i].y, spec.y);
      EXPECT_EQ(stored[i].cx, spec.w);
      EXPECT_EQ(stored[i].cy, spec.h);
    }
  }
  const std::vector<StoredControl> about = StoredControls(IDD_ABOUT);
  ASSERT_GE(about.size(), 2u);
  EXPECT_EQ(about[1].id, IDC_ABOUT_ICON);
  EXPECT_EQ(about[1].cx, 18);
  EXPECT_EQ(about[1].cy, 20);
}

TEST(ResourcesTest, IconIsOneImageOf32By32In16Colours) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HRSRC group = FindResourceW(instance, MAKEINTRESOURCEW(IDI_OVIK),
                              MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* data = static_cast<const BYTE*>(
      LockResource(LoadResource(instance, group)));
  ASSERT_NE(data, nullptr);
  // GRPICONDIR: reserved, type 1, count; then 14-byte entries.
  EXPECT_EQ(data[2], 1);
  EXPECT_EQ(data[4], 1);
  EXPECT_EQ(data[6], 32);   // width
  EXPECT_EQ(data[7], 32);   // height
  EXPECT_EQ(data[8], 16);   // colours
  EXPECT_EQ(data[12], 4);   // bits per pixel
}

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  directory.resize(directory.find_last_of(L'\\') + 1);
  return directory;
}

TEST(ResourcesTest, VersionRecordOfTheProgram) {
  const std::wstring program = ProgramDirectory() + L"ctl3d-complete\\Ovik.exe";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\",
                             reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT chars = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    if (!VerQueryValueW(info.data(), query.c_str(),
                        reinterpret_cast<void**>(&text), &chars)) {
      return std::string("<missing>");
    }
    return WideToUtf8(text);
  };
  EXPECT_EQ(value(L"FileDescription"), "Ovik");
  EXPECT_EQ(value(L"ProductName"), "Ovik for NT 3.5");
  EXPECT_EQ(value(L"OriginalFilename"), "Ovik.exe");
  EXPECT_EQ(value(L"FileVersion"), "1, 0, 0, 0");
}

// Starts Ovik.exe from |folder|, waits for its main dialog, closes it with
// OK and returns what the fake 3D-controls library beside it recorded.
std::string RunProgramWithFakeLibrary(const std::wstring& folder) {
  const std::wstring directory = ProgramDirectory() + folder;
  const std::wstring log = directory + L"ctl3d.log";
  DeleteFileW(log.c_str());
  std::wstring command = L"\"" + directory + L"Ovik.exe\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, directory.c_str(), &startup, &process)) {
    return "<not started>";
  }
  HWND main = nullptr;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (main == nullptr && std::chrono::steady_clock::now() < give_up) {
    Sleep(100);
    struct Search {
      DWORD process;
      HWND* found;
    } search{process.dwProcessId, &main};
    EnumWindows(
        [](HWND window, LPARAM l) -> BOOL {
          auto* s = reinterpret_cast<Search*>(l);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == s->process && Text(window) == "OVIK") {
            *s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
  }
  std::string result;
  if (main != nullptr) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      DWORD exit_code = 1;
      GetExitCodeProcess(process.hProcess, &exit_code);
      result = "exit " + std::to_string(exit_code) + "\n" + ReadFileBytes(log);
    }
  }
  if (result.empty()) {
    TerminateProcess(process.hProcess, 1);
    result = "<no main dialog>";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

TEST(StartUpTest, ThreeDControlsAreRegisteredSubclassedAndUnregistered) {
  EXPECT_EQ(RunProgramWithFakeLibrary(L"ctl3d-complete\\"),
            "exit 0\n"
            "Ctl3dRegister program\n"
            "Ctl3dAutoSubclass program\n"
            "Ctl3dUnregister program\n");
}

TEST(StartUpTest, AMissingEntryPointIsNotCalled) {
  EXPECT_EQ(RunProgramWithFakeLibrary(L"ctl3d-partial\\"),
            "exit 0\n"
            "Ctl3dRegister program\n"
            "Ctl3dUnregister program\n");
}

}  // namespace
}  // namespace ovik
