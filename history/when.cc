#include "history/when.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <utility>

#include "present/display_name.h"

namespace ovik {
namespace {

constexpr std::array<std::pair<std::string_view, std::int64_t>, 7> kUnits = {{
    {"s", 1},
    {"min", 60},
    {"h", 3600},
    {"d", 86400},
    {"w", 7 * 86400},
    {"mo", 30 * 86400},
    {"y", 365 * 86400},
}};

constexpr std::string_view kDurationHelp =
    "a duration is a whole number and a unit: s, min, h, d, w, mo (30 "
    "days) or y (365 days), such as 90d";

// Reads exactly |digits| decimal digits of |text| at |*at|.
bool Digits(std::string_view text, std::size_t* at, std::size_t digits,
            int* value) {
  if (text.size() - *at < digits) return false;
  const char* begin = text.data() + *at;
  for (std::size_t i = 0; i < digits; ++i) {
    if (begin[i] < '0' || begin[i] > '9') return false;
  }
  std::from_chars(begin, begin + digits, *value);
  *at += digits;
  return true;
}

bool Expect(std::string_view text, std::size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

bool ParseDate(std::string_view text, std::chrono::sys_seconds* when) {
  std::size_t at = 0;
  int y = 0, mo = 0, d = 0, h = 23, mi = 59, s = 59;
  if (!Digits(text, &at, 4, &y) || !Expect(text, &at, '-') ||
      !Digits(text, &at, 2, &mo) || !Expect(text, &at, '-') ||
      !Digits(text, &at, 2, &d)) {
    return false;
  }
  if (at != text.size() &&
      (!Expect(text, &at, 'T') || !Digits(text, &at, 2, &h) ||
       !Expect(text, &at, ':') || !Digits(text, &at, 2, &mi) ||
       !Expect(text, &at, ':') || !Digits(text, &at, 2, &s) ||
       !Expect(text, &at, 'Z') || at != text.size())) {
    return false;
  }
  const std::chrono::year_month_day date{
      std::chrono::year(y), std::chrono::month(static_cast<unsigned>(mo)),
      std::chrono::day(static_cast<unsigned>(d))};
  if (!date.ok() || h > 23 || mi > 59 || s > 59) return false;
  *when = std::chrono::sys_days(date) + std::chrono::hours(h) +
          std::chrono::minutes(mi) + std::chrono::seconds(s);
  return true;
}

}  // namespace

bool ParseDuration(std::string_view text, std::chrono::seconds* duration,
                   std::string* error) {
  std::int64_t count = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), count);
  const std::string_view unit(
      end, static_cast<std::size_t>(text.data() + text.size() - end));
  if (ec == std::errc() && count >= 0 && end != text.data()) {
    for (const auto& [name, seconds] : kUnits) {
      if (unit != name) continue;
      if (count > std::numeric_limits<std::int64_t>::max() / seconds) break;
      *duration = std::chrono::seconds(count * seconds);
      return true;
    }
  }
  *error = "not a duration: \"" + SanitizeName(text) + "\"; " +
           std::string(kDurationHelp);
  if (unit == "m") error->append(" (\"m\" could be minutes or months)");
  return false;
}

bool ParseSince(std::string_view text, std::chrono::sys_seconds now,
                std::chrono::sys_seconds* when, std::string* error) {
  if (ParseDate(text, when)) return true;
  std::chrono::seconds back{};
  std::string duration_error;
  if (ParseDuration(text, &back, &duration_error)) {
    // Far enough back is simply before every scan.
    const std::chrono::seconds since_epoch = now.time_since_epoch();
    *when = back >= since_epoch ? std::chrono::sys_seconds{} : now - back;
    return true;
  }
  *error = "neither a duration nor a date: \"" + SanitizeName(text) + "\"; " +
           std::string(kDurationHelp) +
           ", a date YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ (UTC)";
  return false;
}

}  // namespace ovik
