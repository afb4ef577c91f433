#include "hosts/terminal/bar.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace ovik::tui {
namespace {

// The last cell of a bar that ends within it, by the eighths it fills.
constexpr std::string_view kEighths[] = {"",  "▏", "▎", "▍",
                                         "▌", "▋", "▊", "▉"};
constexpr std::string_view kFull = "█";

}  // namespace

std::string BarText(std::uint64_t value, std::uint64_t largest, int width,
                    bool blocks) {
  if (largest == 0 || width <= 0) return {};
  const double share = std::min(
      1.0, static_cast<double>(value) / static_cast<double>(largest));
  const int steps = blocks ? 8 : 1;
  const auto filled = static_cast<int>(std::lround(share * width * steps));
  if (!blocks) return std::string(static_cast<std::size_t>(filled), '#');
  std::string bar;
  for (int i = 0; i < filled / 8; ++i) bar += kFull;
  bar += kEighths[filled % 8];
  return bar;
}

}  // namespace ovik::tui
