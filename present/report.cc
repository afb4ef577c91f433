#include "present/report.h"

#include <cstddef>
#include <string>

#include "platform/text_encoding.h"
#include "present/display_name.h"
#include "present/usage_text.h"

namespace ovik {
namespace {

// The name column's width in bytes of the report's encoding. Longer
// names are written whole.
constexpr std::size_t kNameWidth = 20;

}  // namespace

std::string BuildReportLine(std::size_t position, const std::string& name,
                            const std::string& usage) {
  std::string line = "No.";
  line += std::to_string(position);
  line += ':';
  // A control byte in a name (a line break above all) would break the
  // one-line-per-owner layout; the replacement keeps the byte count.
  line += ReplaceAsciiControls(name);
  if (name.size() < kNameWidth) line.append(kNameWidth - name.size(), ' ');
  line += ' ';
  line += usage;
  line += "\r\n";
  return line;
}

std::string BuildReport(const Ranking& ranking, const VolumeTotals& totals) {
  std::string report;
  // Most lines fit in 80 bytes; longer ones simply grow the text.
  report.reserve(ranking.size() * 80);
  for (std::size_t i = 0; i < ranking.size(); ++i) {
    const RankedOwner& owner = ranking[i];
    // The name is padded by the bytes it takes in the file, so convert
    // before building the line.
    report += BuildReportLine(
        i + 1, ToReportEncoding(SanitizeName(owner.name)),
        ToReportEncoding(FormatUsage(owner.kb, totals.total_kb)));
  }
  return report;
}

}  // namespace ovik
