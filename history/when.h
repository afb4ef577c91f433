// Times as the history commands take them: a duration ("30d") back from
// now, or a date. Dates are UTC, as every time the history shows is.
//
//   DURATION  a whole number and a unit: s, min, h, d, w, mo (30 days),
//             y (365 days). "m" is refused: minutes or months?
//   DATE      YYYY-MM-DD (through the end of that day) or
//             YYYY-MM-DDTHH:MM:SSZ
#ifndef OVIK_HISTORY_WHEN_H_
#define OVIK_HISTORY_WHEN_H_

#include <chrono>
#include <string>
#include <string_view>

namespace ovik {

// False with a message for the user when |text| is not a duration.
bool ParseDuration(std::string_view text, std::chrono::seconds* duration,
                   std::string* error);

// |text| as a duration back from |now|, or as a date: the latest moment
// it names.
bool ParseSince(std::string_view text, std::chrono::sys_seconds now,
                std::chrono::sys_seconds* when, std::string* error);

}  // namespace ovik

#endif  // OVIK_HISTORY_WHEN_H_
