#include "present/usage_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <system_error>

namespace ovik {
namespace {

// Significant digits kept by the first rounding.
constexpr std::size_t kSignificantDigits = 17;
// Decimals of the shown percentage.
constexpr int kDecimals = 4;

// Every finite double has an exact decimal expansion of at most 767
// significant digits; one more digit than that makes the conversion exact,
// so no rounding happens inside the library (which would round half to
// even).
constexpr int kExactPrecision = 767;

// Adds one to the decimal digit string |digits|, carrying leftwards.
// Returns true when the carry runs out of the first digit (the caller
// then prepends a '1').
bool IncrementDigits(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

// Exact decimal expansion of a finite, positive |x| as its significant
// digits d1 d2 ... and the exponent e of 0.d1d2... x 10^e.
bool ExactDigits(double x, std::string* digits, int* exponent) {
  // "d.ddd...e+XXX": 1 + 1 + 767 + up to 5.
  std::array<char, 800> buffer;
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                 x, std::chars_format::scientific,
                                 kExactPrecision);
  // The buffer is large enough for every double.
  if (ec != std::errc()) return false;
  const char* p = buffer.data();
  digits->clear();
  while (p != end && *p != 'e') {
    if (*p != '.') digits->push_back(*p);
    ++p;
  }
  int scientific_exponent = 0;
  if (p != end) {
    ++p;  // 'e'
    if (p != end && *p == '+') ++p;
    std::from_chars(p, end, scientific_exponent);
  }
  // d1.d2d3... x 10^s is 0.d1d2d3... x 10^(s + 1).
  *exponent = scientific_exponent + 1;
  return true;
}

}  // namespace

std::string FormatPercent(double x) {
  if (!std::isfinite(x)) return std::string(kUnknownPercent);
  x = std::fabs(x);  // the sign is never shown

  // Step 1: the digit string rounded half up to 17 significant digits.
  std::string digits = "0";
  int e = 0;
  if (x != 0.0) {
    if (!ExactDigits(x, &digits, &e)) return std::string(kUnknownPercent);
    if (digits.size() > kSignificantDigits) {
      const bool round_up = digits[kSignificantDigits] >= '5';
      digits.resize(kSignificantDigits);
      if (round_up && IncrementDigits(digits)) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++e;
      }
    }
  }

  // Step 2: keep e + 4 digits, rounding half up on the digit string.
  const int n = e + kDecimals;
  std::string kept;
  if (n >= 0) {
    const auto count = static_cast<std::size_t>(n);
    kept = digits.substr(0, count);
    kept.resize(count, '0');
    const char dropped = count < digits.size() ? digits[count] : '0';
    if (dropped >= '5' && IncrementDigits(kept)) {
      kept.insert(kept.begin(), '1');
      ++e;
    }
  }

  // Step 3: place the decimal point.
  std::string text;
  if (e > 0) {
    const auto integer_digits = static_cast<std::size_t>(e);
    text = kept.substr(0, integer_digits);
    text += '.';
    text += kept.substr(integer_digits);
  } else {
    text = "0.";
    text.append(static_cast<std::size_t>(-e), '0');
    text += kept;
  }
  return text;
}

std::string FormatShare(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return std::string(kUnknownPercent);
  return FormatPercent((static_cast<double>(part) * 100.0) /
                       static_cast<double>(whole));
}

std::string FormatShareFourDecimals(std::uint64_t part, std::uint64_t whole) {
  std::string text = FormatShare(part, whole);
  // More decimals than four come only from shares below 0.00005, whose
  // digits are all zeros.
  const std::size_t point = text.find('.');
  if (point != std::string::npos && text.size() > point + 1 + kDecimals) {
    text.resize(point + 1 + kDecimals);
  }
  return text;
}

std::string FormatSize(std::uint64_t total_kb) {
  static constexpr std::array<const char*, 4> kUnits = {"KB", "MB", "GB",
                                                        "TB"};
  // 1024 stays in the smaller unit; TB is the largest.
  std::uint64_t v = total_kb;
  std::size_t u = 0;
  while (u < kUnits.size() - 1 && v > 1024) {
    v >>= 10;
    ++u;
  }
  return std::to_string(v) + kUnits[u];
}

std::string FormatUsage(std::uint64_t total_kb,
                        std::uint64_t volume_total_kb) {
  // The share is taken from the unscaled total; only the shown size is
  // scaled. Without a known capacity there is no share to show.
  const std::string size = FormatSize(total_kb);
  std::string text;
  // At least four digits' room for the number before its unit.
  if (size.size() < 6) text.append(6 - size.size(), ' ');
  text += size;
  text += "  ";
  text += FormatShare(total_kb, volume_total_kb);
  text += '%';
  return text;
}

}  // namespace ovik
