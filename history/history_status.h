// How the history reports failure: a Status (platform/status.h: the code
// callers branch on and the system's error number) with a message for
// the user that names the history file and says what became of it.
#ifndef OVIK_HISTORY_HISTORY_STATUS_H_
#define OVIK_HISTORY_HISTORY_STATUS_H_

#include <string>
#include <utility>

#include "platform/status.h"

namespace ovik {

class [[nodiscard]] HistoryStatus {
 public:
  HistoryStatus() = default;  // success
  HistoryStatus(Status status, std::string message)
      : status_(status), message_(std::move(message)) {}

  static HistoryStatus Ok() { return HistoryStatus(); }

  bool ok() const { return status_.ok(); }
  StatusCode code() const { return status_.code(); }
  const Status& status() const { return status_; }
  // One line without a trailing line break, for "ovik: <message>".
  const std::string& message() const { return message_; }

 private:
  Status status_;
  std::string message_;
};

}  // namespace ovik

#endif  // OVIK_HISTORY_HISTORY_STATUS_H_
