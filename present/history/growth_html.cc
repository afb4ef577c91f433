#include <string>
#include <string_view>

#include "present/export/export.h"
#include "present/export/html_page.h"
#include "present/export/html_text.h"
#include "present/history/growth_chart.h"
#include "present/history/growth_export.h"
#include "present/history/history_shown.h"
#include "present/history/history_texts.h"
#include "present/usage_text.h"
#include "present/where_lines.h"

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

namespace text = history_text;

std::string ScanFact(const ScanFacts& scan) {
  return FormatUtcTime(scan.started) + ", " + ShownHtml(scan.root) + ", " +
         EscapeHtml(ShownCompleteness(scan));
}

void AppendFacts(const ScanFacts& older, const ScanFacts& newer,
                 const Change& bytes, std::size_t changed,
                 std::uint64_t unchanged, std::size_t shown,
                 std::string* html) {
  if (!older.complete || !newer.complete) {
    Append(html,
           {"<p style=\"", kWarningStyle, "\">", text::kIncomplete, "</p>\n"});
  }
  Append(html, {"<table id=\"facts\" style=\"", kTableStyle, "\">\n"});
  AppendFact(text::kFrom, ScanFact(older), html);
  AppendFact(text::kTo, ScanFact(newer), html);
  AppendFact(text::kTotal,
             ShownSizeChange(bytes) + " (" + ShownChange(bytes) + ")", html);
  AppendFact(text::kChanged, GroupDigits(changed), html);
  AppendFact(text::kUnchanged, GroupDigits(unchanged), html);
  *html += "</table>\n";
  if (shown < changed) {
    Append(html, {"<p>", text::kShownBefore, GroupDigits(shown),
                  text::kShownAfter, "</p>\n"});
  }
}

void AppendChart(const GrowthChart& chart, std::string* html) {
  if (chart.scans.empty()) return;
  Append(html,
         {"<h2 style=\"", kHeadingStyle, "\">", text::kChartHeading,
          "</h2>\n<p>", GroupDigits(chart.scans.size()), text::kChartScans,
          FormatUtcTime(chart.scans.front().started), text::kChartTo,
          FormatUtcTime(chart.scans.back().started), "."});
  bool incomplete = false;
  for (const ScanFacts& scan : chart.scans) incomplete |= !scan.complete;
  if (incomplete) *html += text::kChartIncomplete;
  *html += "</p>\n";
  const std::string svg = BuildGrowthChart(chart);
  if (svg.empty()) {
    Append(html, {"<p>", text::kNoChart, "</p>\n"});
  } else {
    *html += svg;
  }
}

void AppendTableHead(std::initializer_list<std::string_view> columns,
                     std::string* html) {
  Append(html, {"<h2 style=\"", kHeadingStyle, "\">", text::kTableHeading,
                "</h2>\n<table id=\"changes\" style=\"", kTableStyle,
                "\">\n<thead><tr>"});
  for (std::string_view column : columns) {
    Append(html, {"<th style=\"", kHeaderCellStyle, "\">", column, "</th>"});
  }
  *html += "</tr></thead>\n<tbody>\n";
}

void AppendCells(std::initializer_list<std::string_view> numbers,
                 std::initializer_list<std::string_view> words,
                 std::string* html) {
  *html += "<tr>";
  for (std::string_view n : numbers)
    Append(html, {"<td class=\"n\">", n, "</td>"});
  for (std::string_view w : words) Append(html, {"<td>", w, "</td>"});
  *html += "</tr>\n";
}

// "+1,024", "-3": exact, with a sign.
std::string SignedDigits(const Change& change) {
  return (change.down ? "-" : "+") + GroupDigits(change.amount);
}

std::string Page(const std::string& title, const std::string& body) {
  std::string html;
  html.reserve(body.size() + 1024);
  Append(&html, {"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                 "<meta charset=\"utf-8\">\n"
                 "<meta name=\"viewport\" content=\"width=device-width, "
                 "initial-scale=1\">\n<title>",
                 title, "</title>\n<style>\n", kStyleSheet,
                 "</style>\n</head>\n<body style=\"", kBodyStyle, "\">\n",
                 "<h1 style=\"font-size:20px;margin:0 0 12px\">", title,
                 "</h1>\n", body, "</body>\n</html>\n"});
  return html;
}

}  // namespace

std::string BuildGrowthHtml(const GrowthAnswer& answer, std::size_t top) {
  std::string body;
  if (const auto& where = answer.directories) {
    const GrowthRow& owner = where->owner;
    const std::size_t shown = Shown(where->rows.size(), top);
    AppendFacts(where->older, where->newer, owner.bytes(), where->rows.size(),
                where->unchanged, shown, &body);
    AppendChart(answer.chart, &body);
    AppendTableHead(
        {text::kChange, text::kBytes, text::kNow, text::kPath, text::kNote},
        &body);
    for (std::size_t i = 0; i < shown; ++i) {
      const DirectoryGrowthRow& row = where->rows[i];
      std::string_view note;
      if (row.saved_after && !row.saved_before) note = kNewlySaved;
      if (row.saved_before && !row.saved_after) note = kNoLongerSaved;
      AppendCells({ShownSizeChange(row.bytes()), SignedDigits(row.bytes()),
                   FormatSize(row.bytes_after >> 10)},
                  {ShownHtml(JoinPath(where->newer.root, row.path)), note},
                  &body);
    }
    body += "</tbody>\n</table>\n";
    return Page(std::string(text::kGrowthOf) + ShownHtml(owner.name) + " (" +
                    ShownHtml(ShownWho(owner.who)) +
                    "): " + ShownHtml(where->newer.root),
                body);
  }
  const Growth& growth = answer.growth;
  const bool groups = growth.by == RankedBy::kGroup;
  const std::size_t shown = Shown(growth.rows.size(), top);
  AppendFacts(growth.older, growth.newer,
              ChangeBetween(growth.older.total_bytes, growth.newer.total_bytes),
              growth.rows.size(), growth.unchanged, shown, &body);
  AppendChart(answer.chart, &body);
  AppendTableHead(
      {text::kChange, text::kBytes, text::kFiles, text::kNow, text::kId,
       groups ? text::kGroup : text::kOwner, text::kNote},
      &body);
  for (std::size_t i = 0; i < shown; ++i) {
    const GrowthRow& row = growth.rows[i];
    AppendCells({ShownSizeChange(row.bytes()), SignedDigits(row.bytes()),
                 SignedDigits(row.files()), FormatSize(row.bytes_after >> 10),
                 ShownHtml(ShownWho(row.who))},
                {ShownHtml(row.name), PresenceName(row.presence)}, &body);
  }
  body += "</tbody>\n</table>\n";
  return Page(
      std::string(groups ? text::kGrowthByGroup : text::kGrowthByOwner) + ": " +
          ShownHtml(growth.newer.root),
      body);
}

}  // namespace ovik
