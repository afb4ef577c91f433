// Every text the dialogs show, in one place, UTF-8: the Win32 dialog's
// and the terminal dialog's. Each Japanese text has an English one beside
// it (its name ends in "Ascii"), shown by the terminal dialog where the
// terminal cannot show Japanese. Sentences are whole, with numbered
// places that values fill in (present/fill.h).
#ifndef OVIK_DIALOG_TEXTS_H_
#define OVIK_DIALOG_TEXTS_H_

#include <string_view>

namespace ovik::text {

inline constexpr std::string_view kCaption = "Ovik";
inline constexpr std::string_view kMainCaption = "OVIK";
inline constexpr std::string_view kAboutCaption = "Ovik for NTについて..";
inline constexpr std::string_view kAboutCaptionAscii = "About Ovik for NT..";
inline constexpr std::string_view kAboutVersion = "Ovik for NT Ver 1.00";
inline constexpr std::string_view kAboutUser = "ユーザー名";
inline constexpr std::string_view kAboutUserAscii = "User name";
inline constexpr std::string_view kAboutCompany = "会社名";
inline constexpr std::string_view kAboutCompanyAscii = "Company name";

// The main window's caption while a Find runs: files, folders and MB so
// far (shorter than kScanning, to fit a caption); after one, how it
// counted.
inline constexpr std::string_view kScanningCaption =
    "Scanning: {1} files, {2} folders, {3} MB";
inline constexpr std::string_view kCancellingCaption =
    "Cancelling: {1} files, {2} folders, {3} MB";
inline constexpr std::string_view kCountedFromTable = "{1} - counted from the {2}";
inline constexpr std::string_view kCountedByWalk =
    "{1} - counted by walking the folders";

// Messages.
inline constexpr std::string_view kOutOfMemory = "メモリ不足です";
inline constexpr std::string_view kOutOfMemoryAscii = "Out of memory.";
inline constexpr std::string_view kErrorOccurred = "エラーが発生しました。";
inline constexpr std::string_view kErrorOccurredAscii = "An error occurred.";
inline constexpr std::string_view kCommonDialogFailed =
    "コモンダイアログボックスの初期化に失敗しました.";
inline constexpr std::string_view kCommonDialogFailedAscii =
    "Could not set up the common dialog box.";
inline constexpr std::string_view kReportOutOfMemory =
    "メモリ不足でファイルの書き出しができません.";
inline constexpr std::string_view kReportOutOfMemoryAscii =
    "Not enough memory to write the file.";
inline constexpr std::string_view kFileCreateFailed = "ファイル作成に失敗しました.";
inline constexpr std::string_view kFileCreateFailedAscii =
    "Could not create the file.";
inline constexpr std::string_view kFileWriteFailed = "ファイル書き込みに失敗しました.";
inline constexpr std::string_view kFileWriteFailedAscii =
    "Could not write the file.";
// Esc, and the close box or Alt+F4, while a Find runs.
inline constexpr std::string_view kStopFind = "検索を中止しますか？";
inline constexpr std::string_view kStopFindAscii = "Stop the Find?";
inline constexpr std::string_view kStopFindAndClose =
    "検索を中止してOvikを終了しますか？";
inline constexpr std::string_view kStopFindAndCloseAscii =
    "Stop the Find and close Ovik?";
// The last line of the report file of a ranking that is short: {1} is
// what the Find could not count, as the status line says it.
inline constexpr std::string_view kReportIncomplete = "Incomplete: {1}";
// Heads the list of what a Find could not count (kSkippedDirectories...).
inline constexpr std::string_view kRankingIsIncomplete =
    "The ranking is incomplete:";

// Save As.
inline constexpr std::string_view kSaveAsTitle = "ログファイル名を指定";
inline constexpr std::string_view kSaveAsTitleAscii =
    "Specify the log file name";
inline constexpr std::string_view kDefaultExtension = "txt";
inline constexpr std::string_view kResultFilesFilter = "Result Files (*.TXT)";
inline constexpr std::string_view kResultFilesPattern = "*.TXT";
inline constexpr std::string_view kAllFilesFilter = "All Files (*.*)";
inline constexpr std::string_view kAllFilesPattern = "*.*";

// Volume panel.
inline constexpr std::string_view kNoVolumeInfo = "NO VOLUME INFO";
// A capacity in whole MB: "{1}MB".
inline constexpr std::string_view kMegabytes = "{1}MB";
// The kinds of volume (platform/volumes.h).
inline constexpr std::string_view kDriveTypeUnknown = "Cannot be determined.";
inline constexpr std::string_view kDriveTypeNoRootDir = "Path does not exist.";
inline constexpr std::string_view kDriveTypeRemovable = "Removable";
inline constexpr std::string_view kDriveTypeFixed = "Fixed";
inline constexpr std::string_view kDriveTypeRemote = "Remote";
inline constexpr std::string_view kDriveTypeCdRom = "CD-ROM";
inline constexpr std::string_view kDriveTypeRamDisk = "RAM disk";
inline constexpr std::string_view kDriveTypeOther = "Unknown";

// Main dialog labels and initial texts.
inline constexpr std::string_view kOk = "OK";
inline constexpr std::string_view kFind = "&Find";
inline constexpr std::string_view kReportOut = "&Report Out";
inline constexpr std::string_view kAbout = "&About";
inline constexpr std::string_view kDriveLetter = "Drive Letter:";
inline constexpr std::string_view kDriveTypeLabel = "Drive Type:";
inline constexpr std::string_view kDriveTypeInitial = "DRV_REMOTE";
inline constexpr std::string_view kVolumeLabels = "Volume name:\nFile System:";
inline constexpr std::string_view kVolumeInitial = "Label\nNTFS";
inline constexpr std::string_view kFreeSpaceLabel = "Free Space:";
inline constexpr std::string_view kTotalSpaceLabel = "Total Space:";
inline constexpr std::string_view kSpaceInitial = "123456KB";
inline constexpr std::string_view kFreeAreaGroup = "Disk Free Area";
inline constexpr std::string_view kDriveInfoGroup = "Drive Infomation";
inline constexpr std::string_view kRankingGroupInitial = "Ranking No.1 - No.5";
// The ranking's title for the page from rank {1} to rank {2}.
inline constexpr std::string_view kRankingTitle = "Ranking No.{1} - No.{2}";
inline constexpr std::string_view kNextPrevPage = "Next or Prev Page";
// What the ranking's title adds to kRankingTitle: that it ranks groups,
// the volume it was found on once another is selected, that it is short.
inline constexpr std::string_view kRankingByGroup = "{1} by group";
inline constexpr std::string_view kRankingOf = "{1} of {2}";
inline constexpr std::string_view kRankingIncomplete = "{1} (incomplete)";

// Initial texts of the five ranking rows.
inline constexpr std::string_view kNameRowsInitial[] = {
    "User Name No1", "User Name No2", "User Name No3", "User Name No4",
    "User Name No5"};
inline constexpr std::string_view kUsageRowsInitial[] = {
    "Percentage No1", "Percentage No2", "Percentage No3", "Percentage No4",
    "Percentage No5"};

// Terminal dialog.
inline constexpr std::string_view kSaveAsFileName = "ファイル名:";
inline constexpr std::string_view kSaveAsFileNameAscii = "File name:";
inline constexpr std::string_view kCancel = "キャンセル";
inline constexpr std::string_view kCancelAscii = "Cancel";
inline constexpr std::string_view kKeyHelp =
    "Tab:Move  Enter:Press  Alt+F/R/A  Left/Right:Page  Ctrl-C:Quit";
// Once a ranking is shown: with the focus on a control, and on the
// ranking's rows; by owner and by group.
inline constexpr std::string_view kRankedKeyHelp =
    "Tab:Move  Enter:Press  Alt+F/R/A  Down:Ranking  G:Groups  Ctrl-C:Quit";
inline constexpr std::string_view kRankedKeyHelpGroups =
    "Tab:Move  Enter:Press  Alt+F/R/A  Down:Ranking  G:Owners  Ctrl-C:Quit";
inline constexpr std::string_view kRowKeyHelp =
    "Up/Down:Row  Left/Right:Page  Enter:Directories  G:Groups  Ctrl-C:Quit";
inline constexpr std::string_view kRowKeyHelpGroups =
    "Up/Down:Row  Left/Right:Page  Enter:Directories  G:Owners  Ctrl-C:Quit";
// The same where Finds can be saved in the history (the terminal
// program's): S saves.
inline constexpr std::string_view kRankedSaveKeyHelp =
    "Tab:Move  Enter:Press  Alt+F/R/A  Down:Ranking  G:Groups  S:Save  ^C:Quit";
inline constexpr std::string_view kRankedSaveKeyHelpGroups =
    "Tab:Move  Enter:Press  Alt+F/R/A  Down:Ranking  G:Owners  S:Save  ^C:Quit";
inline constexpr std::string_view kRowSaveKeyHelp =
    "Up/Down:Row  Left/Right:Page  Enter:Directories  G:Groups  S:Save  ^C:Quit";
inline constexpr std::string_view kRowSaveKeyHelpGroups =
    "Up/Down:Row  Left/Right:Page  Enter:Directories  G:Owners  S:Save  ^C:Quit";
// The history beside the ranking: what its change column compares with
// ({1} when that scan started), and what became of S.
inline constexpr std::string_view kChangeSince =
    "Change: since the scan saved {1}";
inline constexpr std::string_view kChangeIncomplete =
    " (one of the two is incomplete: changes are not whole)";
inline constexpr std::string_view kNewInChange = "new";
inline constexpr std::string_view kSameInChange = "=";
inline constexpr std::string_view kFindSaved = "The Find was saved in {1}";
inline constexpr std::string_view kFindNotSaved = "The Find was not saved:";
inline constexpr std::string_view kScanKeyHelp = "Esc/C: Cancel the scan";
// While Report Out waits for the file's reader (a FIFO, say).
inline constexpr std::string_view kReportWaiting =
    "Writing the report: waiting for the file's reader";
inline constexpr std::string_view kReportWaitKeyHelp =
    "Esc/C: Give up writing the report";
// Files, directories and KB so far; at the end.
inline constexpr std::string_view kScanning =
    "Scanning: {1} files, {2} directories, {3} KB";
inline constexpr std::string_view kCancelling =
    "Cancelling: {1} files, {2} directories, {3} KB";
inline constexpr std::string_view kScanned =
    "Scanned {1} files, {2} directories, {3} KB";
// Before the directory being read, which is cut to fit after it.
inline constexpr std::string_view kCurrentDirectory = "In: ";
inline constexpr std::string_view kScanCancelled =
    "Scan cancelled; the ranking shown is unchanged.";
inline constexpr std::string_view kSkippedDirectories =
    "{1} directories could not be read";
inline constexpr std::string_view kUnreadableEntries =
    "{1} entries with an unreadable owner";
// Between two of them on one line.
inline constexpr std::string_view kFactSeparator = "; ";
// The other reasons a ranking is short, in the command line's words.
inline constexpr std::string_view kSkippedForHandles =
    "{1} of those directories could not be opened for want of file "
    "descriptors";
inline constexpr std::string_view kUnreadTableParts =
    "{1} parts of the volume's table could not be read";
inline constexpr std::string_view kUnnamedOwners =
    "{1} owners or groups could not be named and are shown by number";
inline constexpr std::string_view kSaturatedTotals =
    "{1} totals reached the largest figure that can be counted; the true "
    "totals are larger";
// Where an owner's bytes are: the directories of the last Find.
inline constexpr std::string_view kWhereCaption = "Directories of {1}";
inline constexpr std::string_view kWhereCaptionGroup =
    "Directories of group {1}";
// KB listed, the owner's KB, and the share (with its "%").
inline constexpr std::string_view kWhereHeading =
    "Here: {1} KB of {2} KB ({3})";
inline constexpr std::string_view kFilesHere = "(files in this directory)";
inline constexpr std::string_view kFilesHereAndFolded =
    "(files here and unlisted subdirectories)";
inline constexpr std::string_view kNothingHere =
    "No bytes of theirs were counted below this directory.";
inline constexpr std::string_view kFoldedNote =
    "Memory budget reached: {1} directories counted in one above them.";
// The rows in view, from {1} to {2}, of {3}.
inline constexpr std::string_view kRowsOf = " {1}-{2} of {3} ";
inline constexpr std::string_view kWhereKeyHelp =
    "Enter:Open  Left/Bksp:Up  PgUp/PgDn:Scroll  Esc:Ranking  Ctrl-C:Quit";
// Columns and rows needed, columns and rows now.
inline constexpr std::string_view kTooSmall =
    "The terminal is too small: {1}x{2} needed, {3}x{4} now.";
inline constexpr std::string_view kTooSmallHelp =
    "Enlarge it, or press Ctrl-C to quit.";
inline constexpr std::string_view kNeedsTerminal =
    "ovik: the dialog needs a terminal; use 'ovik report' or 'ovik drives'.";
// With TERM's value, in printable ASCII.
inline constexpr std::string_view kUnusableTerminal =
    "ovik: the dialog cannot run on TERM={1}; use 'ovik report' or "
    "'ovik drives'.";
inline constexpr std::string_view kTermUnset =
    "ovik: the dialog cannot run on an unset TERM; use 'ovik report' or "
    "'ovik drives'.";
inline constexpr std::string_view kTerminalFailed =
    "ovik: the terminal could not be set up for the dialog.";

// The Japanese texts and the English shown for them.
struct AsciiFallback {
  std::string_view text;
  std::string_view ascii;
};
inline constexpr AsciiFallback kAsciiFallbacks[] = {
    {kAboutCaption, kAboutCaptionAscii},
    {kAboutUser, kAboutUserAscii},
    {kAboutCompany, kAboutCompanyAscii},
    {kOutOfMemory, kOutOfMemoryAscii},
    {kErrorOccurred, kErrorOccurredAscii},
    {kCommonDialogFailed, kCommonDialogFailedAscii},
    {kReportOutOfMemory, kReportOutOfMemoryAscii},
    {kFileCreateFailed, kFileCreateFailedAscii},
    {kFileWriteFailed, kFileWriteFailedAscii},
    {kStopFind, kStopFindAscii},
    {kStopFindAndClose, kStopFindAndCloseAscii},
    {kSaveAsTitle, kSaveAsTitleAscii},
    {kSaveAsFileName, kSaveAsFileNameAscii},
    {kCancel, kCancelAscii},
};

// The English for one of the texts above; any other text as it is.
constexpr std::string_view AsciiFor(std::string_view text) {
  for (const AsciiFallback& fallback : kAsciiFallbacks) {
    if (fallback.text == text) return fallback.ascii;
  }
  return text;
}

}  // namespace ovik::text

#endif  // OVIK_DIALOG_TEXTS_H_
