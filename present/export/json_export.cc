#include "present/export/json_export.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <string_view>

#include "present/usage_text.h"
#include "present/utf8.h"

namespace ovik {
namespace {

using Json = nlohmann::ordered_json;

// Valid UTF-8: each stray byte becomes U+FFFD, everything else is kept
// (the library escapes control characters).
std::string ValidUtf8(std::string_view bytes) {
  return EncodeUtf8(DecodeUtf8(bytes));
}

// The share's digits as a JSON number; null when there is no share.
Json ShareNumber(const std::optional<std::string>& share) {
  if (!share) return nullptr;
  double value = 0;
  const char* end = share->data() + share->size();
  const auto [stop, ec] = std::from_chars(share->data(), end, value);
  if (ec != std::errc() || stop != end) return nullptr;
  return value;
}

Json OwnerRecord(const ExportOwner& owner, const ExportFacts& facts) {
  const ShownUsage shown = ShowUsage(owner, facts);
  Json record = Json::object();
  record["rank"] = owner.rank;
  record["name"] = ValidUtf8(owner.name);
  record["id"] = owner.id ? Json(ValidUtf8(*owner.id)) : Json(nullptr);
  record["bytes"] = owner.bytes;
  record["files"] = owner.files;
  record["kb"] = owner.kb;
  record["share"] =
      (shown.share ? *shown.share : std::string(kUnknownPercent)) + "%";
  record["share_percent"] = ShareNumber(shown.share);
  Json age = Json::object();
  age["under_30_days"] = owner.age.under_30_days;
  age["under_1_year"] = owner.age.under_1_year;
  age["1_year_or_more"] = owner.age.older;
  record["age"] = std::move(age);
  return record;
}

}  // namespace

std::string BuildJsonExport(const ExportData& data) {
  const ExportFacts& facts = data.facts;
  Json root = Json::object();
  root["ranked_by"] = std::string(RankedByName(facts.ranked_by));
  root["root"] = ValidUtf8(facts.root);
  root["volume"] = ValidUtf8(facts.volume);
  root["volume_total_bytes"] =
      facts.space ? Json(facts.space->total_bytes) : Json(nullptr);
  root["volume_free_bytes"] =
      facts.space ? Json(facts.space->free_bytes) : Json(nullptr);
  root["started"] = FormatUtcTime(facts.started);
  root["finished"] = FormatUtcTime(facts.finished);
  root["method"] = ValidUtf8(facts.method);
  root["skipped_directories"] = facts.skipped_directories;
  root["unreadable_entries"] = facts.unreadable_entries;
  root["complete"] = facts.complete;
  root["age_by"] = std::string(AgeBasisName(facts.age_by));
  root["older_than_seconds"] =
      facts.older_than ? Json(*facts.older_than) : Json(nullptr);
  Json owners = Json::array();
  for (const ExportOwner& owner : data.owners) {
    owners.push_back(OwnerRecord(owner, facts));
  }
  root["owners"] = std::move(owners);
  // Every string is valid UTF-8 by now; replacing rather than failing
  // keeps the call from ever throwing.
  return root.dump(2, ' ', /*ensure_ascii=*/true,
                   Json::error_handler_t::replace) +
         "\n";
}

}  // namespace ovik
