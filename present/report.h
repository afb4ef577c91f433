// The result report's text: one line per owner in ranking order, CR LF.
#ifndef OVIK_PRESENT_REPORT_H_
#define OVIK_PRESENT_REPORT_H_

#include <cstddef>
#include <string>

#include "scan/ranking.h"
#include "volume/volume_facts.h"

namespace ovik {

// "No.%d:%-20s %s\r\n" for one owner; |position| counts from 1.
std::string BuildReportLine(std::size_t position, const std::string& name,
                            const std::string& usage);

// The whole report's bytes, in the encoding reports are written in.
std::string BuildReport(const Ranking& ranking, const VolumeTotals& totals);

}  // namespace ovik

#endif  // OVIK_PRESENT_REPORT_H_
