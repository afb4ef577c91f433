#include "present/history/growth_chart.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "present/export/export.h"
#include "present/export/html_text.h"
#include "present/history/history_shown.h"
#include "present/usage_text.h"

namespace ovik {
namespace {

// Geometry in CSS pixels.
constexpr double kWidth = 720;
constexpr double kLeft = 80;  // room for the sizes
constexpr double kRight = 700;
constexpr double kTop = 16;
constexpr double kBottom = 256;
constexpr double kDatesBaseline = 276;
constexpr double kLegendTop = 296;
constexpr double kLegendRow = 20;

constexpr std::array<std::string_view, 8> kColours = {
    "#3b6ea5", "#d1495b", "#edae49", "#00798c",
    "#66a182", "#8d5a97", "#b07d62", "#4d4d4d"};
constexpr std::string_view kIncompleteColour = "#b00020";

std::string Pixels(double value) {
  std::array<char, 32> text;
  const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(),
                                       value, std::chars_format::fixed, 1);
  if (ec != std::errc()) return "0";
  return std::string(text.data(), end);
}

std::string Day(const ScanFacts& scan) {
  return FormatUtcTime(scan.started).substr(0, 10);
}

// Where each scan lies across: by its time, or evenly when all share
// one.
std::vector<double> Across(const std::vector<ScanFacts>& scans) {
  std::vector<double> x(scans.size(), (kLeft + kRight) / 2);
  if (scans.size() < 2) return x;
  const auto first = scans.front().started.time_since_epoch().count();
  const auto span = scans.back().started.time_since_epoch().count() - first;
  for (std::size_t i = 0; i < scans.size(); ++i) {
    const double part =
        span > 0
            ? static_cast<double>(scans[i].started.time_since_epoch().count() -
                                  first) /
                  static_cast<double>(span)
            : static_cast<double>(i) / static_cast<double>(scans.size() - 1);
    x[i] = kLeft + part * (kRight - kLeft);
  }
  return x;
}

}  // namespace

std::string BuildGrowthChart(const GrowthChart& chart) {
  if (chart.scans.empty() || chart.lines.empty()) return {};
  std::uint64_t largest = 1;
  for (const ChartLine& line : chart.lines) {
    for (std::uint64_t b : line.bytes) largest = std::max(largest, b);
  }
  const auto down = [&](std::uint64_t bytes) {
    return kBottom - static_cast<double>(bytes) / static_cast<double>(largest) *
                         (kBottom - kTop);
  };
  const std::vector<double> x = Across(chart.scans);
  const std::string height =
      Pixels(kLegendTop + kLegendRow * static_cast<double>(chart.lines.size()));

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    Pixels(kWidth) + "\" height=\"" + height +
                    "\" viewBox=\"0 0 " + Pixels(kWidth) + " " + height +
                    "\" role=\"img\" font-family=\"sans-serif\" "
                    "font-size=\"12\" fill=\"#1a1a1a\" "
                    "style=\"max-width:100%;height:auto\">\n";
  // Axes, the sizes at the bottom, middle and top, the first and last day.
  svg += "<path d=\"M" + Pixels(kLeft) + " " + Pixels(kTop) + "V" +
         Pixels(kBottom) + "H" + Pixels(kRight) +
         "\" fill=\"none\" stroke=\"#c8ced6\"/>\n";
  for (const std::uint64_t mark : {std::uint64_t{0}, largest / 2, largest}) {
    svg += "<text x=\"" + Pixels(kLeft - 6) + "\" y=\"" +
           Pixels(down(mark) + 4) + "\" text-anchor=\"end\">" +
           FormatSize(mark >> 10) + "</text>\n";
  }
  svg += "<text x=\"" + Pixels(kLeft) + "\" y=\"" + Pixels(kDatesBaseline) +
         "\">" + Day(chart.scans.front()) + "</text>\n";
  if (chart.scans.size() > 1) {
    svg += "<text x=\"" + Pixels(kRight) + "\" y=\"" + Pixels(kDatesBaseline) +
           "\" text-anchor=\"end\">" + Day(chart.scans.back()) + "</text>\n";
  }
  for (std::size_t s = 0; s < chart.scans.size(); ++s) {
    if (chart.scans[s].complete) continue;
    svg += "<line class=\"incomplete\" x1=\"" + Pixels(x[s]) + "\" x2=\"" +
           Pixels(x[s]) + "\" y1=\"" + Pixels(kBottom + 2) + "\" y2=\"" +
           Pixels(kBottom + 9) + "\" stroke=\"" +
           std::string(kIncompleteColour) + "\" stroke-width=\"2\"><title>" +
           FormatUtcTime(chart.scans[s].started) + " " +
           EscapeHtml(ShownCompleteness(chart.scans[s])) + "</title></line>\n";
  }
  for (std::size_t l = 0; l < chart.lines.size(); ++l) {
    const ChartLine& line = chart.lines[l];
    const std::string colour(kColours[l % kColours.size()]);
    std::string points;
    for (std::size_t s = 0; s < line.bytes.size() && s < x.size(); ++s) {
      if (!points.empty()) points += ' ';
      points += Pixels(x[s]) + "," + Pixels(down(line.bytes[s]));
    }
    const std::string label =
        ShownHtml(line.name) + " (" + ShownHtml(ShownWho(line.who)) + ")";
    if (line.bytes.size() == 1) {
      svg += "<circle class=\"line\" cx=\"" + Pixels(x[0]) + "\" cy=\"" +
             Pixels(down(line.bytes[0])) + "\" r=\"3\" fill=\"" + colour +
             "\"><title>" + label + "</title></circle>\n";
    } else {
      svg += "<polyline class=\"line\" fill=\"none\" stroke=\"" + colour +
             "\" stroke-width=\"2\" points=\"" + points + "\"><title>" + label +
             "</title></polyline>\n";
    }
    const double row = kLegendTop + kLegendRow * static_cast<double>(l);
    const std::uint64_t now = line.bytes.empty() ? 0 : line.bytes.back();
    svg += "<rect x=\"" + Pixels(kLeft) + "\" y=\"" + Pixels(row) +
           "\" width=\"14\" height=\"10\" fill=\"" + colour + "\"/>\n";
    svg += "<text x=\"" + Pixels(kLeft + 20) + "\" y=\"" + Pixels(row + 10) +
           "\">" + label + " \u2014 " + FormatSize(now >> 10) + "</text>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ovik
