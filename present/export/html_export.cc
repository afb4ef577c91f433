#include "present/export/html_export.h"

#include <cstdint>
#include <string_view>

#include "present/export/export_texts.h"
#include "present/export/html_page.h"
#include "present/export/html_text.h"
#include "present/export/share_chart.h"
#include "present/fill.h"
#include "present/usage_text.h"

namespace ovik {
namespace {

using html_page::Append;
using html_page::AppendFact;
using html_page::kBodyStyle;
using html_page::kHeaderCellStyle;
using html_page::kHeadingStyle;
using html_page::kStyleSheet;
using html_page::kTableStyle;
using html_page::kWarningStyle;

namespace text = export_text;

std::string Bytes(std::uint64_t n) {
  return Fill(text::kBytes, {GroupDigits(n)});
}

void AppendFacts(const ExportFacts& facts, std::string* html) {
  Append(html, {"<table id=\"facts\" style=\"", kTableStyle, "\">\n"});
  AppendFact(text::kRoot, ShownHtml(facts.root), html);
  AppendFact(text::kVolume, ShownHtml(facts.volume), html);
  AppendFact(text::kVolumeTotal,
             facts.space ? Bytes(facts.space->total_bytes)
                         : std::string(text::kUnknown),
             html);
  AppendFact(text::kVolumeFree,
             facts.space ? Bytes(facts.space->free_bytes)
                         : std::string(text::kUnknown),
             html);
  AppendFact(text::kStarted, FormatUtcTime(facts.started), html);
  AppendFact(text::kFinished, FormatUtcTime(facts.finished), html);
  AppendFact(text::kSkippedDirectories, GroupDigits(facts.skipped_directories),
             html);
  AppendFact(text::kUnreadableEntries, GroupDigits(facts.unreadable_entries),
             html);
  AppendFact(text::kRanking,
             facts.complete ? text::kComplete : text::kNotComplete, html);
  AppendFact(text::kAgesBy,
             facts.age_by == AgeBasis::kAccessed ? text::kLastAccess
                                                 : text::kLastModification,
             html);
  if (facts.older_than) {
    const std::int64_t seconds = *facts.older_than;
    AppendFact(text::kOlderThan,
               seconds % kSecondsPerDay == 0
                   ? Fill(text::kDays, {GroupDigits(static_cast<std::uint64_t>(
                                           seconds / kSecondsPerDay))})
                   : Fill(text::kSeconds,
                          {GroupDigits(static_cast<std::uint64_t>(seconds))}),
               html);
  }
  *html += "</table>\n";
}

void AppendChart(const ExportData& data, std::string* html) {
  Append(html, {"<h2 style=\"", kHeadingStyle, "\">", text::kChartHeading,
                "</h2>\n"});
  if (data.owners.empty()) {
    Append(html, {"<p>", text::kNothingCounted, "</p>\n"});
    return;
  }
  if (data.owners.size() > kChartedOwners) {
    const std::string top =
        Fill(data.facts.ranked_by == RankedBy::kGroup ? text::kChartTopGroups
                                                      : text::kChartTopOwners,
             {kChartedOwners, GroupDigits(data.owners.size())});
    Append(html, {"<p>", top, "</p>\n"});
  }
  *html += BuildShareChart(data);
}

void AppendOwnerRow(const ExportOwner& owner, const ExportFacts& facts,
                    std::string* html) {
  const ShownUsage shown = ShowUsage(owner, facts);
  Append(html,
         {"<tr><td class=\"n\">", std::to_string(owner.rank), "</td><td>",
          ShownHtml(owner.name), "</td><td class=\"n\">",
          owner.id ? ShownHtml(*owner.id) : "", "</td><td class=\"n\">",
          shown.size, "</td><td class=\"n\">",
          shown.share ? *shown.share : kUnknownPercent,
          "%</td><td class=\"n\">", GroupDigits(owner.files),
          "</td><td class=\"n\">", GroupDigits(owner.bytes),
          "</td><td class=\"n\">", GroupDigits(owner.age.under_30_days),
          "</td><td class=\"n\">", GroupDigits(owner.age.under_1_year),
          "</td><td class=\"n\">", GroupDigits(owner.age.older),
          "</td></tr>\n"});
}

void AppendTable(const ExportData& data, std::string* html) {
  Append(html, {"<h2 style=\"", kHeadingStyle, "\">", text::kTableHeading,
                "</h2>\n<table id=\"ranking\" style=\"", kTableStyle,
                "\">\n<thead><tr>"});
  const std::string_view who =
      data.facts.ranked_by == RankedBy::kGroup ? text::kGroup : text::kOwner;
  for (std::string_view column :
       {text::kRank, who, text::kId, text::kSize, text::kShare, text::kFiles,
        text::kBytesColumn, text::kUnder30Days, text::kUnder1Year,
        text::kOlder}) {
    Append(html, {"<th style=\"", kHeaderCellStyle, "\">", column, "</th>"});
  }
  *html += "</tr></thead>\n<tbody>\n";
  for (const ExportOwner& owner : data.owners) {
    AppendOwnerRow(owner, data.facts, html);
  }
  *html += "</tbody>\n</table>\n";
}

}  // namespace

std::string BuildHtmlExport(const ExportData& data) {
  const std::string title = std::string(data.facts.ranked_by == RankedBy::kGroup
                                            ? text::kTitleByGroup
                                            : text::kTitleByOwner) +
                            ": " + ShownHtml(data.facts.root);
  std::string html;
  html.reserve(4096 + data.owners.size() * 200);
  Append(&html,
         {"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
          "<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, "
          "initial-scale=1\">\n<title>",
          title, "</title>\n<style>\n", kStyleSheet,
          "</style>\n</head>\n<body style=\"", kBodyStyle, "\">\n",
          "<h1 style=\"font-size:20px;margin:0 0 12px\">", title, "</h1>\n"});
  if (!data.facts.complete) {
    Append(&html,
           {"<p style=\"", kWarningStyle, "\">", text::kIncomplete, "</p>\n"});
  }
  AppendFacts(data.facts, &html);
  AppendChart(data, &html);
  AppendTable(data, &html);
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace ovik
