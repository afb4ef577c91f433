#include "platform/text_encoding.h"

namespace ovik {

// Reports are read on the same system, whose text is UTF-8.
std::string ToReportEncoding(std::string_view utf8) {
  return std::string(utf8);
}

}  // namespace ovik
