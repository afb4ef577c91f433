// The report line builder and the whole report with names of any bytes:
// each line ends with its one CR LF, holds no other line break or
// control byte, pads short names to twenty bytes and keeps every name
// whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "present/display_name.h"
#include "present/report.h"
#include "present/usage_text.h"

namespace {

void Require(bool ok, const char* what, const std::string& line) {
  if (ok) return;
  std::fprintf(stderr, "%s in line \"%s\"\n", what, line.c_str());
  std::abort();
}

bool IsControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

// Checks one line built from |name|; returns the name's part as written.
void CheckLine(const std::string& line, std::size_t position,
               const std::string& name, const std::string& usage) {
  Require(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0,
          "no CR LF at the end", line);
  const std::string body = line.substr(0, line.size() - 2);
  for (char c : body) Require(!IsControl(c), "control byte", line);
  const std::string prefix = "No." + std::to_string(position) + ":";
  Require(body.compare(0, prefix.size(), prefix) == 0, "bad prefix", line);
  // The name, byte for byte, controls shown as '?'.
  Require(body.size() >= prefix.size() + name.size(), "name cut", line);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char written = body[prefix.size() + i];
    Require(written == (IsControl(name[i]) ? '?' : name[i]), "name changed",
            line);
  }
  std::size_t at = prefix.size() + name.size();
  if (name.size() < 20) {
    Require(body.compare(at, 20 - name.size(), std::string(20 - name.size(), ' ')) == 0,
            "padding", line);
    at += 20 - name.size();
  }
  Require(body.compare(at, std::string::npos, " " + usage) == 0, "usage", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  std::uint64_t kb;
  std::memcpy(&kb, data, sizeof kb);
  const std::size_t position = 1 + (data[8] | (data[9] << 8));
  const std::string rest(reinterpret_cast<const char*>(data) + 10, size - 10);

  // One line with the raw bytes as the name.
  const std::string usage = ovik::FormatUsage(kb >> (data[8] % 64), 1 + kb % 1000000);
  CheckLine(ovik::BuildReportLine(position, rest, usage), position, rest, usage);

  // A report of several owners: the bytes split at '|'.
  ovik::Ranking ranking;
  std::size_t start = 0;
  while (start <= rest.size() && ranking.size() < 64) {
    std::size_t bar = rest.find('|', start);
    if (bar == std::string::npos) bar = rest.size();
    ovik::RankedOwner owner;
    owner.name = rest.substr(start, bar - start);
    owner.bytes = kb;
    owner.kb = kb >> 10;
    ranking.push_back(owner);
    start = bar + 1;
  }
  const ovik::VolumeTotals totals{0, kb % 3 == 0 ? 0 : kb >> 5};
  const std::string report = ovik::BuildReport(ranking, totals);
  std::size_t at = 0;
  for (std::size_t i = 0; i < ranking.size(); ++i) {
    const std::size_t end = report.find("\r\n", at);
    Require(end != std::string::npos, "missing line", report);
    const std::string line = report.substr(at, end + 2 - at);
    const std::string shown = ovik::SanitizeName(ranking[i].name);
    CheckLine(line, i + 1, shown,
              ovik::FormatUsage(ranking[i].kb, totals.total_kb));
    // Valid UTF-8 throughout: cleaning it again changes nothing.
    Require(ovik::SanitizeName(line.substr(0, line.size() - 2)) ==
                line.substr(0, line.size() - 2),
            "not clean UTF-8", line);
    at = end + 2;
  }
  Require(at == report.size(), "extra bytes after the last line", report);

  // Cleaning keeps clean names as they are and never lengthens one.
  const std::string clean = ovik::SanitizeName(rest);
  Require(clean.size() <= rest.size(), "cleaning lengthened", rest);
  Require(ovik::SanitizeName(clean) == clean, "cleaning not idempotent", clean);
  return 0;
}
