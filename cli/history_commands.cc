#include "cli/history_commands.h"

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "cli/texts.h"
#include "history/growth_query.h"
#include "history/history.h"
#include "history/saved_from_scan.h"
#include "history/series_key.h"
#include "history/when.h"
#include "present/display_name.h"
#include "present/export/export.h"
#include "present/fill.h"
#include "present/history/growth_export.h"
#include "present/history/scan_listing.h"

namespace ovik {
namespace {

// How many of the largest owners the growth page charts.
constexpr std::size_t kChartedOwners = 8;

std::chrono::sys_seconds Now() {
  return std::chrono::floor<std::chrono::seconds>(
      std::chrono::system_clock::now());
}

// The history |line| names, else the default one.
bool HistoryPath(const CommandLine& line, CommandContext& c,
                 std::string* path) {
  if (!line.history.empty()) {
    *path = line.history;
    return true;
  }
  std::string error;
  if (DefaultHistoryPath(c.history_environment, path, &error)) return true;
  c.err << Fill(cli_text::kHistoryFailed, {error});
  return false;
}

// The history opened as |options| say; false, the user told why, when
// it cannot be.
bool OpenHistory(const CommandLine& line, CommandContext& c,
                 const HistoryOptions& options,
                 std::unique_ptr<History>* history) {
  std::string path;
  if (!HistoryPath(line, c, &path)) return false;
  const HistoryStatus opened = History::Open(path, options, history);
  if (opened.ok()) return true;
  c.err << Fill(cli_text::kHistoryFailed, {opened.message()});
  return false;
}

// Which saved scans |root| compares with: its file system, told by its
// own identity, and the path within it.
bool SeriesOf(const std::string& root, CommandContext& c, SeriesKey* series,
              MountIdentity* identity) {
  const Status identified = c.volumes.IdentifyMount(root, identity);
  if (!identified.ok()) {
    c.err << Fill(cli_text::kVolumeNotIdentified,
                  {EscapeName(root), identified.ToString()});
    return false;
  }
  *series = SeriesKeyFor(identity->mount, identity->uuid,
                         identity->resolved_path);
  return true;
}

// Writes |text| whole to the command's output; kExitFailure, told,
// when it did not arrive.
int Answer(const std::string& text, int status, CommandContext& c) {
  c.out << text << std::flush;
  if (c.out) return status;
  c.err << cli_text::kHistoryNotWritten;
  return kExitFailure;
}

}  // namespace

int SaveFoundScan(const CommandLine& line, const FoundScan& found,
                  CommandContext& c) {
  SavedScan scan;
  MountIdentity identity;
  if (!SeriesOf(found.root, c, &scan.facts.series, &identity)) {
    return kExitFailure;
  }
  const ScanResult& result = found.result;
  ScanFacts& facts = scan.facts;
  facts.started = found.started;
  facts.finished = found.finished;
  facts.root = identity.resolved_path;
  facts.mount_point = identity.mount.mount_point;
  VolumeNames names;
  if (c.volumes.ReadNames(found.root, &names).ok()) {
    facts.volume_label = names.label;
  }
  facts.method = result.method;
  SetFactsFromStats(result.stats, &facts);
  if (found.space) facts.capacity_bytes = found.space->total_bytes;
  scan.owners =
      SavedOwnersOf(result.ranking, RankedBy::kOwner, result.directories);
  scan.groups =
      SavedOwnersOf(result.group_ranking, RankedBy::kGroup, result.directories);

  std::unique_ptr<History> history;
  if (!OpenHistory(line, c, {.write = true, .create = true}, &history)) {
    return kExitFailure;
  }
  if (const HistoryStatus saved = history->Save(scan); !saved.ok()) {
    c.err << Fill(cli_text::kHistoryFailed, {saved.message()});
    return kExitFailure;
  }
  return kExitOk;
}

int GrowthCommand(const CommandLine& line, CommandContext& c) {
  std::string root;
  if (!ChooseRoot(line, c, &root)) return kExitFailure;
  GrowthQuery query;
  MountIdentity identity;
  if (!SeriesOf(root, c, &query.series, &identity)) return kExitFailure;
  query.path = root;
  if (!line.since.empty()) {
    std::chrono::sys_seconds when{};
    std::string error;
    // Read when the command line was; a clock set back since cannot
    // make it fail here, but say so if it does.
    if (!ParseSince(line.since, Now(), &when, &error)) {
      c.err << Fill(cli_text::kUsageError, {EscapeName(error)});
      return kExitUsage;
    }
    query.since = when;
  }
  query.by = line.by;
  if (!line.owner.empty()) query.owner = line.owner;
  query.chart_lines = line.format == ReportFormat::kHtml ? kChartedOwners : 0;

  std::unique_ptr<History> history;
  if (!OpenHistory(line, c, {}, &history)) return kExitFailure;
  GrowthAnswer answer;
  if (const HistoryStatus asked = QueryGrowth(*history, query, &answer);
      !asked.ok()) {
    c.err << Fill(cli_text::kHistoryFailed, {asked.message()});
    return kExitFailure;
  }
  // Compared as they are, but never as if whole.
  int status = answer.incomplete() ? kExitIncomplete : kExitOk;
  if (answer.directories) {
    for (const ScanFacts* scan : {&answer.growth.older, &answer.growth.newer}) {
      if (scan->method == "walk") continue;
      c.err << Fill(cli_text::kNoDirectoriesSaved,
                    {FormatUtcTime(scan->started)});
      status = kExitIncomplete;
    }
  }
  std::string text;
  switch (line.format) {
    case ReportFormat::kCsv:
      text = BuildGrowthCsv(answer, line.top);
      break;
    case ReportFormat::kJson:
      text = BuildGrowthJson(answer, line.top);
      break;
    case ReportFormat::kHtml:
      text = BuildGrowthHtml(answer, line.top);
      break;
    case ReportFormat::kText:
      text = BuildGrowthText(answer, line.top);
      break;
  }
  return Answer(text, status, c);
}

int HistoryCommand(const CommandLine& line, CommandContext& c) {
  if (line.prune || line.keep) {
    std::unique_ptr<History> history;
    if (!OpenHistory(line, c, {.write = true}, &history)) return kExitFailure;
    std::uint64_t removed = 0;
    if (line.prune) {
      std::uint64_t pruned = 0;
      const HistoryStatus done = history->Prune(
          Now() - std::chrono::seconds(*line.prune), &pruned);
      if (!done.ok()) {
        c.err << Fill(cli_text::kHistoryFailed, {done.message()});
        return kExitFailure;
      }
      removed += pruned;
    }
    if (line.keep) {
      std::uint64_t dropped = 0;
      const HistoryStatus done = history->Keep(*line.keep, &dropped);
      if (!done.ok()) {
        c.err << Fill(cli_text::kHistoryFailed, {done.message()});
        return kExitFailure;
      }
      removed += dropped;
    }
    return Answer(Fill(cli_text::kRemovedScans,
                       {removed, EscapeName(history->path())}),
                  kExitOk, c);
  }
  ScanFilter filter;
  if (!line.paths.empty()) {
    SeriesKey series;
    MountIdentity identity;
    if (!SeriesOf(line.paths.front(), c, &series, &identity)) {
      return kExitFailure;
    }
    filter.volume = series.volume;
  }
  std::unique_ptr<History> history;
  if (!OpenHistory(line, c, {}, &history)) return kExitFailure;
  std::vector<ScanFacts> scans;
  if (const HistoryStatus listed = history->List(filter, &scans);
      !listed.ok()) {
    c.err << Fill(cli_text::kHistoryFailed, {listed.message()});
    return kExitFailure;
  }
  switch (line.format) {
    case ReportFormat::kCsv:
      return Answer(BuildScanListingCsv(scans), kExitOk, c);
    case ReportFormat::kJson:
      return Answer(BuildScanListingJson(scans), kExitOk, c);
    case ReportFormat::kText:
    case ReportFormat::kHtml:  // refused by the parser
      break;
  }
  return Answer(BuildScanListingText(scans), kExitOk, c);
}

}  // namespace ovik
