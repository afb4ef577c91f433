#include "dialog/volume_panel.h"

#include "dialog/control_ids.h"
#include "dialog/texts.h"
#include "present/fill.h"

namespace ovik {
namespace {

// The panel when no volume is selected: nothing to describe, no capacity.
void ShowNoVolume(DialogPort& dialog, VolumeTotals* totals) {
  dialog.SetControlText(IDC_DRIVE_TYPE, "");
  dialog.SetControlText(IDC_VOLUME_LABEL, text::kNoVolumeInfo);
  dialog.SetControlText(IDC_TOTAL_SPACE, text::kNoVolumeInfo);
  dialog.SetControlText(IDC_FREE_SPACE, text::kNoVolumeInfo);
  *totals = VolumeTotals{};
}

}  // namespace

std::string_view DriveTypeText(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::kUnknown:
      return text::kDriveTypeUnknown;
    case VolumeKind::kMissing:
      return text::kDriveTypeNoRootDir;
    case VolumeKind::kRemovable:
      return text::kDriveTypeRemovable;
    case VolumeKind::kFixed:
      return text::kDriveTypeFixed;
    case VolumeKind::kRemote:
      return text::kDriveTypeRemote;
    case VolumeKind::kOptical:
      return text::kDriveTypeCdRom;
    case VolumeKind::kRam:
      return text::kDriveTypeRamDisk;
    case VolumeKind::kOther:
      break;
  }
  return text::kDriveTypeOther;
}

std::string MegabyteText(std::uint64_t kb) {
  return Fill(text::kMegabytes, {kb >> 10});
}

void FillDriveList(DialogPort& dialog, VolumeSource& volumes,
                   VolumeTotals* totals) {
  dialog.ClearDriveList();
  // A system that cannot list its volumes offers none.
  EligibleVolumes eligible;
  if (!ListEligibleVolumes(volumes, &eligible).ok()) eligible = {};
  for (const std::string& root : eligible.roots) dialog.AddDrive(root);
  if (eligible.default_index < 0) {
    ShowNoVolume(dialog, totals);
    return;
  }
  dialog.SelectDrive(eligible.default_index);
  ShowVolumeInfo(dialog, volumes, dialog.DriveText(eligible.default_index),
                 totals);
}

void ShowVolumeInfo(DialogPort& dialog, VolumeSource& volumes,
                    std::string_view root, VolumeTotals* totals) {
  const VolumeFacts facts = ReadVolumeFacts(volumes, root);
  dialog.SetControlText(IDC_DRIVE_TYPE, DriveTypeText(facts.kind));
  if (facts.info) {
    dialog.SetControlText(IDC_VOLUME_LABEL,
                          facts.info->label + "\n" + facts.info->file_system);
  } else {
    dialog.SetControlText(IDC_VOLUME_LABEL, text::kNoVolumeInfo);
  }
  // Without an answer the figures would belong to another volume: say
  // so, and leave nothing to compute percentages against.
  *totals = facts.totals.value_or(VolumeTotals{});
  if (facts.totals) {
    // "%luMB\n": the line break is part of the text.
    dialog.SetControlText(IDC_TOTAL_SPACE,
                          MegabyteText(totals->total_kb) + "\n");
    dialog.SetControlText(IDC_FREE_SPACE, MegabyteText(totals->free_kb) + "\n");
  } else {
    dialog.SetControlText(IDC_TOTAL_SPACE, text::kNoVolumeInfo);
    dialog.SetControlText(IDC_FREE_SPACE, text::kNoVolumeInfo);
  }
}

}  // namespace ovik
