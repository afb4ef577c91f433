#include "cli/find_run.h"

#include <utility>

#include "cli/texts.h"
#include "dialog/background_find.h"
#include "dialog/scan_status_text.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "present/text_cells.h"

namespace ovik {
namespace {

// How often a running scan's progress is shown on a terminal.
constexpr std::chrono::milliseconds kProgressInterval{200};

// Room the progress line leaves for the directory being read.
constexpr int kProgressDirectoryWidth = 40;

// The progress line, drawn over itself: the counts, then the directory
// being read (its end, which says most).
void ShowProgress(std::ostream& err, const ScanProgress& progress) {
  const std::uint64_t files = progress.files.load(std::memory_order_relaxed);
  const std::uint64_t bytes = progress.bytes.load(std::memory_order_relaxed);
  err << "\r\033[K";
  if (const std::string table = progress.Method(); !table.empty()) {
    err << Fill(cli_text::kReadingTable,
                {table, GroupThousands(files), GroupThousands(bytes / 1024)})
        << std::flush;
    return;
  }
  // File names may hold escape sequences meant for the terminal.
  const std::string dir = ElideLeft(
      SanitizeName(progress.CurrentDirectory()), kProgressDirectoryWidth);
  err << ProgressLine(files,
                      progress.directories.load(std::memory_order_relaxed),
                      bytes, progress.cancel.load(std::memory_order_relaxed))
      << "  " << dir << std::flush;
}

std::chrono::sys_seconds Now() {
  return std::chrono::floor<std::chrono::seconds>(
      std::chrono::system_clock::now());
}

}  // namespace

bool ChooseRoot(const CommandLine& line, CommandContext& c, std::string* root) {
  if (!line.paths.empty()) {
    *root = line.paths.front();
    return true;
  }
  EligibleVolumes eligible;
  if (!ListVolumes(c, &eligible)) return false;
  if (eligible.default_index < 0) {
    c.err << cli_text::kNoEligibleVolume;
    return false;
  }
  *root = std::move(
      eligible.roots[static_cast<std::size_t>(eligible.default_index)]);
  return true;
}

bool ListVolumes(CommandContext& c, EligibleVolumes* eligible) {
  const Status listed = ListEligibleVolumes(c.volumes, eligible);
  if (!listed.ok()) {
    c.err << Fill(cli_text::kVolumesNotListed, {listed.ToString()});
  }
  return listed.ok();
}

int RunFind(const CommandLine& line, const ScanOptions& asked,
            CommandContext& c, FoundScan* found, KeepDirectories keep) {
  if (!ChooseRoot(line, c, &found->root)) return kExitFailure;
  const std::string& root = found->root;
  ScanOptions options = asked;
  if (options.method != CountMethod::kWalk &&
      (options.method == CountMethod::kTables || !options.keep_directories)) {
    // The volume's table, opened once, here: refused before anything is
    // scanned where it was asked for, else the walk counts.
    TableOpenResult table = ChooseTable(c.fs, root, options);
    if (table.table) {
      options.table = std::move(table.table);
    } else if (options.method == CountMethod::kTables) {
      // A reason names paths as they are: escaped like the root.
      c.err << Fill(cli_text::kTablesRefused,
                    {EscapeName(root), EscapeName(table.reason)});
      return kExitUsage;
    } else {
      options.method = CountMethod::kWalk;
    }
  }
  // Keeping directories makes the scan walk: only where it walks anyway.
  if (keep == KeepDirectories::kWhereWalked && !options.table) {
    options.keep_directories = true;
  }
  VolumeSpace space;
  if (c.volumes.ReadSpace(root, &space).ok()) found->space = space;
  std::string mount_point;
  if (c.volumes.GetMountPoint(root, &mount_point).ok()) {
    found->mount_point = std::move(mount_point);
  }

  found->started = Now();
  BackgroundFind find;
  find.Start(c.fs, root, options, {}, c.scan);
  while (!find.WaitFor(kProgressInterval)) {
    if (c.err_is_terminal) ShowProgress(c.err, find.progress());
  }
  if (c.err_is_terminal) c.err << "\r\033[K" << std::flush;
  found->result = find.Finish();
  found->finished = Now();
  const ScanResult& result = found->result;
  const std::string shown_root = EscapeName(root);
  if (result.out_of_memory()) {
    c.err << Fill(cli_text::kScanOutOfMemory, {shown_root});
    return kExitFailure;
  }
  if (result.cancelled()) {
    c.err << Fill(cli_text::kScanUnfinished, {shown_root});
    return kExitFailure;
  }
  if (result.status.code() == StatusCode::kUnsupported) {
    // The volume's tables went between the check and the scan.
    c.err << Fill(cli_text::kTablesRefused,
                  {shown_root, EscapeName(result.tables_refused)});
    return kExitUsage;
  }
  if (!result.ok()) {
    c.err << Fill(cli_text::kRootNotReadable,
                  {shown_root, result.status.ToString()});
    return kExitFailure;
  }
  return kExitOk;
}

// Says on |err| what a finished scan could not count, and whatever else
// makes its figures less than they seem.
void TellWhatIsMissing(std::ostream& err, const ScanStats& s) {
  if (s.threads_not_started != 0) {
    err << Fill(cli_text::kThreadsNotStarted,
                {s.threads_not_started, s.threads});
  }
  if (s.skipped_directories != 0 || s.unreadable_entries != 0) {
    err << Fill(cli_text::kIncomplete,
                {s.skipped_directories, s.unreadable_entries});
  }
  if (s.unread_table_parts != 0) {
    err << Fill(cli_text::kUnreadTableParts, {s.unread_table_parts});
  }
  if (s.unnamed_owners != 0) {
    err << Fill(cli_text::kUnnamedOwners, {s.unnamed_owners});
  }
  if (s.skipped_for_handles != 0) {
    err << Fill(cli_text::kSkippedForHandles, {s.skipped_for_handles});
  }
  if (s.saturated_totals != 0) {
    err << Fill(cli_text::kSaturatedTotals, {s.saturated_totals});
  }
}


}  // namespace ovik
