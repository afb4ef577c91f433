// Paths handled as text only, without asking the file system: the one
// clean-up of "//", "." and ".." and the one test of whether a path lies
// below another.
#ifndef OVIK_PLATFORM_LEXICAL_PATH_H_
#define OVIK_PLATFORM_LEXICAL_PATH_H_

#include <optional>
#include <string>
#include <string_view>

namespace ovik {

// What a ".." component does to a path cleaned without looking at it.
enum class DotDot {
  kKeep,  // stays: behind a symbolic link it does not mean "the parent"
  kFold,  // takes away the component before it
};

// |path| made absolute against |base| when it is relative, with doubled
// and trailing slashes and "." components removed, and ".." as
// |dot_dot| says. Nothing when the result would still be relative
// (a relative |path| and a relative or empty |base|).
std::optional<std::string> CleanPath(std::string_view path,
                                     std::string_view base, DotDot dot_dot);

// Whether |path| is |root| or lies below it: |root| is a prefix of
// |path| that ends at one of |separators| (or with one). "/" and "C:\"
// hold everything that starts with them.
bool PathWithin(std::string_view root, std::string_view path,
                std::string_view separators = "/");

}  // namespace ovik

#endif  // OVIK_PLATFORM_LEXICAL_PATH_H_
