#include "hosts/terminal/keys.h"

#include <iterator>

#include "dialog/control_ids.h"
#include "dialog/texts.h"
#include "present/text_cells.h"

namespace ovik::tui {
namespace {

constexpr int kTabCount = static_cast<int>(std::size(kMainTabOrder));

int TabIndex(int id) {
  for (int i = 0; i < kTabCount; ++i) {
    if (kMainTabOrder[i] == id) return i;
  }
  return -1;
}

bool IsButton(int id) {
  return id != IDC_DRIVE_LIST && id != IDC_RANKING_GROUP && TabIndex(id) >= 0;
}

constexpr char32_t kSwitchKey = U'g';
constexpr char32_t kSaveKey = U's';

// The button whose label marks |key| with "&".
int ButtonForMnemonic(char32_t key) {
  for (std::string_view label : {text::kOk, text::kFind, text::kReportOut,
                                 text::kAbout}) {
    if (ParseMnemonic(label).key == key) {
      if (label == text::kFind) return IDC_FIND;
      if (label == text::kReportOut) return IDC_REPORT_OUT;
      if (label == text::kAbout) return IDC_ABOUT;
      return IDC_OK;
    }
  }
  return 0;
}

}  // namespace

int NextFocus(int current, int direction,
              const std::function<bool(int)>& enabled) {
  int index = TabIndex(current);
  if (index < 0) index = direction > 0 ? kTabCount - 1 : 0;
  for (int step = 1; step <= kTabCount; ++step) {
    const int i = ((index + direction * step) % kTabCount + kTabCount) %
                  kTabCount;
    if (enabled(kMainTabOrder[i])) return kMainTabOrder[i];
  }
  return current;
}

MainAction MapMainKey(const Key& key, int focus,
                      const std::function<bool(int)>& enabled) {
  MainAction action;
  switch (key.code) {
    case KeyCode::kTab:
      action.kind = MainActionKind::kMoveFocus;
      action.id = NextFocus(focus, +1, enabled);
      return action;
    case KeyCode::kBackTab:
      action.kind = MainActionKind::kMoveFocus;
      action.id = NextFocus(focus, -1, enabled);
      return action;
    case KeyCode::kEnter:
    case KeyCode::kChar:
      if (key.code == KeyCode::kEnter || (key.ch == U' ' && !key.alt)) {
        if (focus == IDC_DRIVE_LIST && enabled(focus)) {
          action.kind = MainActionKind::kOpenDriveList;
        } else if (focus == IDC_RANKING_GROUP && enabled(focus)) {
          action.kind = MainActionKind::kOpenRow;
        } else if (IsButton(focus) && enabled(focus)) {
          action.kind = MainActionKind::kPress;
          action.id = focus;
        }
        return action;
      }
      if (FoldKey(key.ch) == kSwitchKey) {
        action.kind = MainActionKind::kSwitchRanking;
      } else if (FoldKey(key.ch) == kSaveKey) {
        action.kind = MainActionKind::kSaveFind;
      } else if (int id = ButtonForMnemonic(FoldKey(key.ch)); id != 0) {
        if (enabled(id)) {
          action.kind = MainActionKind::kPress;
          action.id = id;
        }
      }
      return action;
    case KeyCode::kUp:
    case KeyCode::kDown:
      if (focus == IDC_DRIVE_LIST && enabled(focus)) {
        action.kind = MainActionKind::kDriveStep;
        action.delta = key.code == KeyCode::kUp ? -1 : +1;
      } else if (focus == IDC_RANKING_GROUP && enabled(focus)) {
        action.kind = MainActionKind::kRowStep;
        action.delta = key.code == KeyCode::kUp ? -1 : +1;
      } else if (key.code == KeyCode::kDown && enabled(IDC_RANKING_GROUP)) {
        action.kind = MainActionKind::kMoveFocus;
        action.id = IDC_RANKING_GROUP;
      }
      return action;
    case KeyCode::kLeft:
    case KeyCode::kRight:
    case KeyCode::kPageUp:
    case KeyCode::kPageDown:
      if (enabled(IDC_PAGE_SCROLL)) {
        action.kind = MainActionKind::kCommand;
        action.command =
            key.code == KeyCode::kLeft || key.code == KeyCode::kPageUp
                ? DialogCommand::kPageLeft
                : DialogCommand::kPageRight;
      }
      return action;
    case KeyCode::kInterrupt:
      action.kind = MainActionKind::kQuit;
      return action;
    default:
      // Esc among them: only "OK" and the close command end the dialog.
      return action;
  }
}

}  // namespace ovik::tui
