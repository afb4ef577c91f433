// A saved scan's facts as a JSON object, as `ovik history` lists them
// and `ovik growth` names the scans it compared.
#ifndef OVIK_PRESENT_HISTORY_FACTS_JSON_H_
#define OVIK_PRESENT_HISTORY_FACTS_JSON_H_

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "history/saved_scan.h"

namespace ovik {

using HistoryJson = nlohmann::ordered_json;

// Valid UTF-8: each stray byte becomes U+FFFD (the library escapes
// control characters).
std::string JsonText(std::string_view bytes);

HistoryJson ScanFactsJson(const ScanFacts& facts);

// The object as text: ASCII, indented, a line break at the end. Never
// throws: every string was made valid first.
std::string DumpHistoryJson(const HistoryJson& json);

}  // namespace ovik

#endif  // OVIK_PRESENT_HISTORY_FACTS_JSON_H_
