// An owner's usage as text: size scaled to KB, MB, GB or TB, two blanks,
// and the share of the volume in per cent with four decimals.
#ifndef OVIK_PRESENT_USAGE_TEXT_H_
#define OVIK_PRESENT_USAGE_TEXT_H_

#include <cstdint>
#include <string>

namespace ovik {

// Shown in place of the percentage while the volume's capacity is unknown.
inline constexpr std::string_view kUnknownPercent = "--.----";

// Percentage text of a non-negative x: rounded half up to 17 significant
// digits, then half up to four decimals on that digit string.
std::string FormatPercent(double x);

// The share |part| is of |whole| in per cent, as FormatPercent writes
// it; kUnknownPercent when |whole| is 0.
std::string FormatShare(std::uint64_t part, std::uint64_t whole);

// As FormatShare, always with four decimals: a share too small to show
// is "0.0000", not the ranking's run of zeros. For the views of an
// owner's directories; the ranking and the report file keep theirs.
std::string FormatShareFourDecimals(std::uint64_t part, std::uint64_t whole);

// The size as the ranking shows it, without padding: "300MB", "1024KB".
std::string FormatSize(std::uint64_t total_kb);

// "%4luKB  %s%%" and its MB, GB and TB rows.
std::string FormatUsage(std::uint64_t total_kb, std::uint64_t volume_total_kb);

}  // namespace ovik

#endif  // OVIK_PRESENT_USAGE_TEXT_H_
