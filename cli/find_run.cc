#include "cli/find_run.h"

#include <utility>

#include "present/display_name.h"
#include "dialog/background_find.h"
#include "dialog/scan_status_text.h"
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
  // File names may hold escape sequences meant for the terminal.
  const std::string dir = ElideLeft(
      SanitizeName(progress.CurrentDirectory()), kProgressDirectoryWidth);
  err << "\r\033[K"
      << ProgressLine(progress.files.load(std::memory_order_relaxed),
                      progress.directories.load(std::memory_order_relaxed),
                      progress.bytes.load(std::memory_order_relaxed),
                      progress.cancel.load(std::memory_order_relaxed))
      << "  " << dir << std::flush;
}

std::chrono::sys_seconds Now() {
  return std::chrono::floor<std::chrono::seconds>(
      std::chrono::system_clock::now());
}

// The root to scan: the PATH given, else the default volume.
bool ChooseRoot(const CommandLine& line, CommandContext& c, std::string* root) {
  if (!line.paths.empty()) {
    *root = line.paths.front();
    return true;
  }
  EligibleVolumes eligible;
  if (!ListVolumes(c, &eligible)) return false;
  if (eligible.default_index < 0) {
    c.err << "ovik: no volume that records file owners was found; "
             "give a directory to scan\n";
    return false;
  }
  *root = std::move(
      eligible.roots[static_cast<std::size_t>(eligible.default_index)]);
  return true;
}

}  // namespace

bool ListVolumes(CommandContext& c, EligibleVolumes* eligible) {
  const Status listed = ListEligibleVolumes(c.volumes, eligible);
  if (!listed.ok()) {
    c.err << "ovik: the volumes cannot be listed: " << listed.ToString()
          << "\n";
  }
  return listed.ok();
}

bool RunFind(const CommandLine& line, const ScanOptions& options,
             CommandContext& c, FoundScan* found) {
  if (!ChooseRoot(line, c, &found->root)) return false;
  const std::string& root = found->root;
  DiskSpace space;
  if (c.volumes.GetDiskFreeSpace(root, &space).ok()) found->space = space;
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
  if (result.out_of_memory()) {
    c.err << "ovik: out of memory; the scan of " << root
          << " was stopped and no ranking is given\n";
    return false;
  }
  if (result.cancelled()) {
    c.err << "ovik: the scan of " << root << " did not finish\n";
    return false;
  }
  if (result.status.code() == StatusCode::kUnsupported) {
    c.err << "ovik: the volume's own table cannot count " << root << ": "
          << result.tables_refused << "\n";
    return false;
  }
  if (!result.ok()) {
    c.err << "ovik: cannot read directory " << root << ": "
          << result.status.ToString() << "\n";
    return false;
  }
  return true;
}

// Says on |err| what a finished scan could not count, and whatever else
// makes its figures less than they seem.
void TellWhatIsMissing(std::ostream& err, const ScanStats& s) {
  if (s.threads_not_started != 0) {
    err << "ovik: " << s.threads_not_started
        << " threads could not be started; the scan went on with "
        << s.threads << "\n";
  }
  if (s.skipped_directories != 0 || s.unreadable_entries != 0) {
    err << "ovik: " << s.skipped_directories
        << " directories could not be read and " << s.unreadable_entries
        << " entries had no readable owner; the ranking is incomplete\n";
  }
  if (s.skipped_for_handles != 0) {
    err << "ovik: " << s.skipped_for_handles
        << " of those directories could not be opened for want of file "
           "descriptors; raise the limit (ulimit -n) and scan again\n";
  }
  if (s.saturated_totals != 0) {
    err << "ovik: " << s.saturated_totals
        << " totals reached the largest figure that can be counted and are "
           "shown at it; the true totals are larger\n";
  }
}


}  // namespace ovik
