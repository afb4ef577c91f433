// Every text the user sees, in one place, UTF-8.
#ifndef OVIK_UI_TEXTS_H_
#define OVIK_UI_TEXTS_H_

#include <string_view>

namespace ovik::text {

inline constexpr std::string_view kCaption = "Ovik";
inline constexpr std::string_view kMainCaption = "OVIK";
inline constexpr std::string_view kAboutCaption = "Ovik for NTについて..";
inline constexpr std::string_view kAboutVersion = "Ovik for NT Ver 1.00";
inline constexpr std::string_view kAboutUser = "ユーザー名";
inline constexpr std::string_view kAboutCompany = "会社名";

// Messages.
inline constexpr std::string_view kOutOfMemory = "メモリ不足です";
inline constexpr std::string_view kErrorOccurred = "エラーが発生しました。";
inline constexpr std::string_view kCommonDialogFailed =
    "コモンダイアログボックスの初期化に失敗しました.";
inline constexpr std::string_view kReportOutOfMemory =
    "メモリ不足でファイルの書き出しができません.";
inline constexpr std::string_view kFileCreateFailed = "ファイル作成に失敗しました.";
inline constexpr std::string_view kFileWriteFailed = "ファイル書き込みに失敗しました.";

// Save As.
inline constexpr std::string_view kSaveAsTitle = "ログファイル名を指定";
inline constexpr std::string_view kDefaultExtension = "txt";

// Volume panel.
inline constexpr std::string_view kNoVolumeInfo = "NO VOLUME INFO";

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
inline constexpr std::string_view kNextPrevPage = "Next or Prev Page";

}  // namespace ovik::text

#endif  // OVIK_UI_TEXTS_H_
