#include "hosts/win32/win32_dialog_port.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/wide_text_win32.h"
#include "dialog/control_ids.h"
#include "dialog/texts.h"

namespace ovik {

void Win32DialogPort::SetControlText(int id, std::string_view text) {
  SetDlgItemTextW(dialog_, id, Utf8ToWide(text).c_str());
}

void Win32DialogPort::EnableControl(int id, bool enabled) {
  EnableWindow(GetDlgItem(dialog_, id), enabled ? TRUE : FALSE);
}

void Win32DialogPort::ClearDriveList() {
  SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_RESETCONTENT, 0, 0);
}

void Win32DialogPort::AddDrive(std::string_view root) {
  const std::wstring wide = Utf8ToWide(root);
  SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32DialogPort::DriveCount() const {
  const LRESULT count =
      SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

void Win32DialogPort::SelectDrive(int index) {
  SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_SETCURSEL,
                      static_cast<WPARAM>(index), 0);
}

int Win32DialogPort::SelectedDrive() const {
  const LRESULT index =
      SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

std::string Win32DialogPort::DriveText(int index) const {
  const WPARAM item = static_cast<WPARAM>(index);
  const LRESULT length =
      SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETLBTEXTLEN, item, 0);
  if (length == CB_ERR || length < 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendDlgItemMessageW(dialog_, IDC_DRIVE_LIST, CB_GETLBTEXT, item,
                          reinterpret_cast<LPARAM>(text.data()));
  if (copied == CB_ERR || copied < 0) return std::string();
  text.resize(static_cast<std::size_t>(copied));
  return WideToUtf8(text);
}

void Win32DialogPort::SetScrollRange(int id, int min, int max) {
  ::SetScrollRange(GetDlgItem(dialog_, id), SB_CTL, min, max, TRUE);
}

void Win32DialogPort::SetScrollPos(int id, int pos) {
  ::SetScrollPos(GetDlgItem(dialog_, id), SB_CTL, pos, TRUE);
}

void Win32DialogPort::ShowError(std::string_view message) {
  MessageBoxW(dialog_, Utf8ToWide(message).c_str(),
              Utf8ToWide(text::kCaption).c_str(), MB_OK | MB_ICONERROR);
}

SaveAsResult Win32DialogPort::AskSaveFileName(const SaveAsRequest& request,
                                              std::string* path) {
  // The filter is pairs of NUL-terminated texts, ended by an empty one.
  std::wstring filter;
  for (std::string_view part :
       {text::kResultFilesFilter, text::kResultFilesPattern,
        text::kAllFilesFilter, text::kAllFilesPattern}) {
    filter += Utf8ToWide(part);
    filter.push_back(L'\0');
  }
  filter.push_back(L'\0');
  const std::wstring title = Utf8ToWide(request.title);
  const std::wstring extension = Utf8ToWide(request.default_extension);
  // Room for a long path, not only MAX_PATH.
  std::vector<wchar_t> file(32768, L'\0');
  std::vector<wchar_t> file_title(256, L'\0');

  OPENFILENAMEW request_data = {};
  request_data.lStructSize = sizeof(request_data);
  request_data.hwndOwner = dialog_;
  request_data.hInstance = reinterpret_cast<HINSTANCE>(
      GetWindowLongPtrW(dialog_, GWLP_HINSTANCE));
  request_data.lpstrFilter = filter.c_str();
  request_data.nFilterIndex = 1;
  request_data.lpstrFile = file.data();
  request_data.nMaxFile = static_cast<DWORD>(file.size());
  request_data.lpstrFileTitle = file_title.data();
  request_data.nMaxFileTitle = static_cast<DWORD>(file_title.size());
  request_data.lpstrTitle = title.c_str();
  request_data.Flags = OFN_HIDEREADONLY;
  request_data.lpstrDefExt = extension.c_str();

  if (GetSaveFileNameW(&request_data)) {
    *path = WideToUtf8(file.data());
    return SaveAsResult::kChosen;
  }
  // No extended error means the user closed the dialog without a name.
  return CommDlgExtendedError() == 0 ? SaveAsResult::kCancelled
                                     : SaveAsResult::kFailed;
}

void Win32DialogPort::EndDialog(int result) {
  ::EndDialog(dialog_, result);
}

}  // namespace ovik
