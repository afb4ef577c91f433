#include "dialog/dialog_template.h"

#include "dialog/control_ids.h"
#include "dialog/texts.h"

namespace ovik {
namespace {

using K = ControlKind;

constexpr ControlSpec kMainControls[] = {
    {IDC_OK, K::kDefaultButton, 145, 15, 50, 14, text::kOk},
    {IDC_DRIVE_LIST, K::kDropDown, 75, 15, 60, 45, {}},
    {-1, K::kLabel, 10, 15, 55, 7, text::kDriveLetter},
    {-1, K::kLabel, 10, 40, 45, 7, text::kDriveTypeLabel},
    {IDC_DRIVE_TYPE, K::kLabel, 70, 40, 50, 7, text::kDriveTypeInitial},
    {-1, K::kLabel, 10, 55, 50, 17, text::kVolumeLabels},
    {IDC_VOLUME_LABEL, K::kLabel, 70, 55, 55, 17, text::kVolumeInitial},
    {-1, K::kLabel, 10, 90, 60, 7, text::kFreeSpaceLabel},
    {IDC_FREE_SPACE, K::kRightLabel, 75, 90, 55, 7, text::kSpaceInitial},
    {-1, K::kLabel, 10, 100, 65, 7, text::kTotalSpaceLabel},
    {IDC_TOTAL_SPACE, K::kRightLabel, 80, 100, 50, 7, text::kSpaceInitial},
    {IDC_FIND, K::kButton, 145, 35, 49, 16, text::kFind},
    {IDC_FREE_AREA_GROUP, K::kGroupBox, 5, 80, 130, 30, text::kFreeAreaGroup},
    {-1, K::kGroupBox, 5, 30, 130, 47, text::kDriveInfoGroup},
    {IDC_RANKING_GROUP, K::kGroupBox, 5, 115, 190, 88,
     text::kRankingGroupInitial},
    {IDC_NAME_ROW1, K::kLabel, 10, 130, 65, 9, text::kNameRowsInitial[0]},
    {IDC_NAME_ROW2, K::kLabel, 10, 142, 65, 9, text::kNameRowsInitial[1]},
    {IDC_NAME_ROW3, K::kLabel, 10, 154, 65, 9, text::kNameRowsInitial[2]},
    {IDC_NAME_ROW4, K::kLabel, 10, 166, 65, 9, text::kNameRowsInitial[3]},
    {IDC_NAME_ROW5, K::kLabel, 10, 178, 65, 9, text::kNameRowsInitial[4]},
    {IDC_USAGE_ROW1, K::kLabel, 85, 130, 100, 9, text::kUsageRowsInitial[0]},
    {IDC_USAGE_ROW2, K::kLabel, 85, 142, 100, 9, text::kUsageRowsInitial[1]},
    {IDC_USAGE_ROW3, K::kLabel, 85, 154, 100, 9, text::kUsageRowsInitial[2]},
    {IDC_USAGE_ROW4, K::kLabel, 85, 166, 100, 9, text::kUsageRowsInitial[3]},
    {IDC_USAGE_ROW5, K::kLabel, 85, 178, 100, 9, text::kUsageRowsInitial[4]},
    {IDC_PAGE_SCROLL, K::kScrollBar, 85, 189, 20, 10, {}},
    {-1, K::kLabel, 10, 189, 65, 8, text::kNextPrevPage},
    {IDC_REPORT_OUT, K::kButton, 145, 55, 49, 16, text::kReportOut},
    {IDC_ABOUT, K::kButton, 145, 75, 49, 16, text::kAbout},
};

constexpr ControlSpec kAboutControls[] = {
    {IDC_OK, K::kDefaultButton, 85, 65, 40, 14, text::kOk},
    {IDC_ABOUT_ICON, K::kIcon, 5, 5, 18, 20, {}},
    {-1, K::kLabel, 35, 10, 80, 7, text::kAboutVersion},
    {IDC_ABOUT_USER, K::kLabel, 35, 40, 125, 7, text::kAboutUser},
    {IDC_ABOUT_COMPANY, K::kLabel, 35, 50, 130, 7, text::kAboutCompany},
};

constexpr DialogTemplate kMain{text::kMainCaption, 205, 208, kMainControls};
constexpr DialogTemplate kAbout{text::kAboutCaption, 205, 83, kAboutControls};

}  // namespace

const DialogTemplate& MainDialogTemplate() { return kMain; }
const DialogTemplate& AboutDialogTemplate() { return kAbout; }

}  // namespace ovik
