// A share drawn as a bar of text, as the ranking and the directory list
// show it beside their figures.
#ifndef OVIK_HOSTS_TERMINAL_BAR_H_
#define OVIK_HOSTS_TERMINAL_BAR_H_

#include <cstdint>
#include <string>

namespace ovik::tui {

// The bar of |value| in a field of |width| cells where |largest| fills
// it: in eighths of a cell with block characters (|blocks|), or in whole
// cells of '#' for terminals without them. As many cells as the bar
// takes, none where |largest| is 0; |value| above |largest| fills the
// field.
std::string BarText(std::uint64_t value, std::uint64_t largest, int width,
                    bool blocks);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_BAR_H_
