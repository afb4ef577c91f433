#include "ui/cli/commands.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "present/display_name.h"
#include "present/report.h"
#include "platform/file_writer.h"
#include "scan/scan.h"
#include "ui/cli/headless_port.h"
#include "ui/control_ids.h"
#include "volume/volume_panel.h"

namespace ovik {
namespace {

// Drops the trailing line break the panel's texts carry.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

std::string Bytes(std::uint64_t bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1024.0 && u < 5) {
    v /= 1024.0;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, u == 0 ? "%.0f %s" : "%.1f %s", v, kUnits[u]);
  return buf;
}

// Prints the scan's figures on a terminal a few times a second until
// stopped.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, ScanProgress& progress)
      : err_(err), progress_(progress), thread_([this] { Loop(); }) {}
  ~ProgressLine() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
    err_ << "\r\033[K" << std::flush;
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(200),
                           [this] { return done_; })) {
      std::string dir = progress_.CurrentDirectory();
      if (dir.size() > 50) dir = "..." + dir.substr(dir.size() - 47);
      // File names may hold escape sequences meant for the terminal.
      dir = SanitizeName(dir);
      err_ << "\r\033[K" << progress_.files.load(std::memory_order_relaxed)
           << " files, " << Bytes(progress_.bytes.load(std::memory_order_relaxed))
           << "  " << dir << std::flush;
    }
  }

  std::ostream& err_;
  ScanProgress& progress_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

int Drives(CommandContext& c) {
  HeadlessPort port;
  VolumeTotals totals;
  FillDriveList(port, c.volumes, &totals);
  for (int i = 0; i < port.DriveCount(); ++i) {
    const std::string root = port.DriveText(i);
    ShowVolumeInfo(port, c.volumes, root, &totals);
    std::string volume = port.Text(IDC_VOLUME_LABEL);
    std::string label, fs = volume;
    if (auto nl = volume.find('\n'); nl != std::string::npos) {
      label = volume.substr(0, nl);
      fs = volume.substr(nl + 1);
    }
    c.out << root << '\t' << port.Text(IDC_DRIVE_TYPE) << '\t'
          << (label.empty() ? "-" : label) << '\t' << fs << '\t'
          << Trimmed(port.Text(IDC_FREE_SPACE)) << '\t'
          << Trimmed(port.Text(IDC_TOTAL_SPACE)) << '\n';
  }
  return kExitOk;
}

int Report(const CommandLine& line, CommandContext& c) {
  HeadlessPort port;
  VolumeTotals totals;
  std::string root;
  if (line.paths.empty()) {
    FillDriveList(port, c.volumes, &totals);
    if (port.SelectedDrive() < 0) {
      c.err << "ovik: no volume that records file owners was found; "
               "give a directory to scan\n";
      return kExitFailure;
    }
    root = port.DriveText(port.SelectedDrive());
  } else {
    root = line.paths.front();
    ShowVolumeInfo(port, c.volumes, root, &totals);
  }

  ScanProgress progress;
  ScanOptions options;
  options.threads = line.threads;
  options.progress = &progress;
  ScanResult result;
  {
    std::unique_ptr<ProgressLine> shown;
    if (c.err_is_terminal) shown = std::make_unique<ProgressLine>(c.err, progress);
    result = RunScan(c.fs, root, options);
  }
  if (result.status == ScanStatus::kRootNotEnterable) {
    c.err << "ovik: cannot read directory " << root << "\n";
    return kExitFailure;
  }
  if (!result.ok()) {
    c.err << "ovik: the scan of " << root << " did not finish\n";
    return kExitFailure;
  }
  const ScanStats& s = result.stats;
  if (s.skipped_directories != 0 || s.unreadable_entries != 0) {
    c.err << "ovik: " << s.skipped_directories
          << " directories could not be read and " << s.unreadable_entries
          << " entries had no readable owner; the ranking may be incomplete\n";
  }
  if (totals.total_kb == 0) {
    c.err << "ovik: the size of the volume holding " << root
          << " is unknown; percentages are not shown\n";
  }

  const std::string report = BuildReport(result.ranking, totals);
  if (line.output.empty()) {
    c.out << report << std::flush;
    if (!c.out) {
      c.err << "ovik: writing the report failed\n";
      return kExitFailure;
    }
    return kExitOk;
  }
  switch (WriteFileAtomically(line.output, report)) {
    case WriteStatus::kOk:
      return kExitOk;
    case WriteStatus::kCreateFailed:
      c.err << "ovik: cannot create " << line.output << "\n";
      return kExitFailure;
    case WriteStatus::kWriteFailed:
      c.err << "ovik: writing " << line.output
            << " failed; any existing file is unchanged\n";
      return kExitFailure;
  }
  return kExitFailure;
}

}  // namespace

int RunCommand(const CommandLine& line, CommandContext& context) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
      context.out << line.help;
      return kExitOk;
    case CommandLine::Action::kVersion:
      context.out << "ovik " << OVIK_VERSION << "\n";
      return kExitOk;
    case CommandLine::Action::kDrives:
      return Drives(context);
    case CommandLine::Action::kReport:
      return Report(line, context);
    case CommandLine::Action::kError:
      context.err << "ovik: " << line.error << "\n" << line.help;
      return kExitUsage;
    case CommandLine::Action::kDialog:
      break;
  }
  return kExitUsage;
}

}  // namespace ovik
