#include "present/export/share_chart.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <vector>

#include "present/display_name.h"
#include "present/export/export_texts.h"
#include "present/export/html_text.h"
#include "present/usage_text.h"
#include "present/utf8.h"

namespace ovik {
namespace {

// Geometry in CSS pixels; one row is a label above its bar.
constexpr double kChartWidth = 720;
constexpr double kRowHeight = 34;
constexpr double kLabelBaseline = 13;
constexpr double kBarTop = 17;
constexpr double kBarHeight = 12;
// An owner with next to nothing still gets a bar that can be seen.
constexpr double kSmallestBar = 1;
// Longer names are cut in the label; the table shows them whole.
constexpr std::size_t kLabelCharacters = 48;

constexpr std::string_view kOwnerColour = "#3b6ea5";
constexpr std::string_view kOthersColour = "#9aa5b1";

struct Bar {
  std::string label;  // escaped
  std::uint64_t bytes = 0;
  bool others = false;
};

std::uint64_t SumOrLargest(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
  return b > largest - a ? largest : a + b;
}

std::string Pixels(double value) {
  std::array<char, 32> text;
  const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(),
                                       value, std::chars_format::fixed, 1);
  if (ec != std::errc()) return "0";
  return std::string(text.data(), end);
}

std::string ShortName(std::string_view name) {
  const std::u32string characters = DecodeUtf8(SanitizeName(name));
  if (characters.size() <= kLabelCharacters) return SanitizeName(name);
  return EncodeUtf8(
             std::u32string_view(characters).substr(0, kLabelCharacters)) +
         "\u2026";
}

// "<what> — <share>% (<size>)", as the ranking shows size and share;
// |what| is markup already.
std::string Label(std::string_view what, const ExportOwner& figures,
                  const ExportFacts& facts) {
  const ShownUsage shown = ShowUsage(figures, facts);
  std::string label(what);
  label += " \u2014 ";
  label += shown.share ? *shown.share : std::string(kUnknownPercent);
  label += "% (";
  label += shown.size;
  label += ')';
  return label;
}

std::vector<Bar> Bars(const ExportData& data) {
  const std::size_t charted = std::min(data.owners.size(), kChartedOwners);
  std::vector<Bar> bars;
  for (std::size_t i = 0; i < charted; ++i) {
    const ExportOwner& owner = data.owners[i];
    bars.push_back(
        {Label(std::to_string(owner.rank) + ". " +
                   ShownSvg(ShortName(owner.name)),
               owner, data.facts),
         owner.bytes, false});
  }
  if (charted == data.owners.size()) return bars;
  ExportOwner rest;
  for (std::size_t i = charted; i < data.owners.size(); ++i) {
    rest.bytes = SumOrLargest(rest.bytes, data.owners[i].bytes);
    rest.kb = SumOrLargest(rest.kb, data.owners[i].kb);
  }
  const std::string what = std::string(export_text::kOthers) + " (" +
                           GroupDigits(data.owners.size() - charted) + ")";
  bars.push_back({Label(EscapeHtml(what), rest, data.facts), rest.bytes, true});
  return bars;
}

}  // namespace

std::string BuildShareChart(const ExportData& data) {
  if (data.owners.empty()) return {};
  const std::vector<Bar> bars = Bars(data);
  std::uint64_t largest = 0;
  for (const Bar& bar : bars) largest = std::max(largest, bar.bytes);

  const std::string height =
      Pixels(kRowHeight * static_cast<double>(bars.size()));
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      Pixels(kChartWidth) + "\" height=\"" + height + "\" viewBox=\"0 0 " +
      Pixels(kChartWidth) + " " + height + "\" role=\"img\" aria-label=\"" +
      std::string(export_text::kChartHeading) +
      "\" font-family=\"sans-serif\" font-size=\"13\" fill=\"#1a1a1a\" "
      "style=\"max-width:100%;height:auto\">\n";
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const Bar& bar = bars[i];
    const double top = kRowHeight * static_cast<double>(i);
    const double share = largest == 0 ? 0
                                      : static_cast<double>(bar.bytes) /
                                            static_cast<double>(largest);
    const double width = std::max(kSmallestBar, share * kChartWidth);
    svg += "<text x=\"0\" y=\"" + Pixels(top + kLabelBaseline) + "\">" +
           bar.label + "</text>\n";
    svg += "<rect class=\"" + std::string(bar.others ? "bar others" : "bar") +
           "\" x=\"0\" y=\"" + Pixels(top + kBarTop) + "\" width=\"" +
           Pixels(width) + "\" height=\"" + Pixels(kBarHeight) + "\" fill=\"" +
           std::string(bar.others ? kOthersColour : kOwnerColour) + "\"/>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ovik
