// File names the terminal dialog is given: the Save As box's typed name
// and the directories named on the command line.
#ifndef OVIK_HOSTS_TERMINAL_PATHS_H_
#define OVIK_HOSTS_TERMINAL_PATHS_H_

#include <optional>
#include <string>
#include <string_view>

namespace ovik::tui {

// The file a typed name stands for: blanks around it dropped, "."
// |default_extension| added when its last component has no extension,
// and a relative name taken relative to |current_directory|. Nothing
// when the name is empty or names a directory (ends with '/', "." or
// "..").
std::optional<std::string> ResolveSaveAsName(
    std::string_view typed, std::string_view default_extension,
    std::string_view current_directory);

// |path| made absolute against |current_directory|, with "." components
// and doubled or trailing slashes removed. ".." stays: without looking
// at the links on the way its meaning is not known.
std::string AbsoluteRoot(std::string_view path,
                         std::string_view current_directory);

}  // namespace ovik::tui

#endif  // OVIK_HOSTS_TERMINAL_PATHS_H_
