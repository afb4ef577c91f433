#include "cli/report_formats.h"

#include "present/export/csv_export.h"
#include "present/export/html_export.h"
#include "present/export/json_export.h"
#include "dialog/report_out.h"
#include "present/report.h"

namespace ovik {

ExportData MakeExportData(const FoundScan& found, const CommandLine& line) {
  const RankedBy by = line.by;
  const ScanStats& stats = found.result.stats;
  ExportData data;
  ExportFacts& facts = data.facts;
  facts.ranked_by = by;
  facts.root = found.root;
  facts.volume = found.mount_point;
  if (found.space) facts.space = ExportSpaceOf(*found.space);
  facts.started = found.started;
  facts.finished = found.finished;
  facts.method = found.result.method;
  facts.skipped_directories = stats.skipped_directories;
  facts.unreadable_entries = stats.unreadable_entries;
  facts.complete = IsComplete(stats);
  facts.age_by = line.age_by;
  facts.older_than = line.older_than;
  const Ranking& ranking = found.result.ranking_by(by);
  data.owners.reserve(ranking.size());
  for (std::size_t i = 0; i < ranking.size(); ++i) {
    const RankedOwner& r = ranking[i];
    ExportOwner& owner = data.owners.emplace_back();
    owner.rank = i + 1;
    owner.name = r.name;
    if (!r.id.empty()) owner.id = r.id;
    owner.bytes = r.bytes;
    owner.files = r.files;
    owner.kb = r.kb;
    owner.age = r.ages.by(line.age_by);
  }
  return data;
}

std::string BuildReportIn(const CommandLine& line, const FoundScan& found) {
  const RankedBy by = line.by;
  switch (line.format) {
    case ReportFormat::kCsv:
      return BuildCsvExport(MakeExportData(found, line),
                            line.csv_raw ? CsvCells::kRaw : CsvCells::kInert);
    case ReportFormat::kJson:
      return BuildJsonExport(MakeExportData(found, line));
    case ReportFormat::kHtml:
      return BuildHtmlExport(MakeExportData(found, line));
    case ReportFormat::kText:
      break;
  }
  return BuildReportFile(found.result.ranking_by(by), found.totals(),
                         found.result.stats);
}

}  // namespace ovik
