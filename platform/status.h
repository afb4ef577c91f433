// How the OS layer reports failure: one style for every interface under
// platform/.
//
// A call that can fail returns a Status. What it produces comes back
// through out-parameters, which the call leaves untouched when it fails.
// A Status says why the call failed (the code, which callers branch on)
// and carries the system's own error number for messages; it never
// throws. Only conditions that callers treat differently get a code of
// their own: everything else is kOther, with the system's number kept.
//
// kEnd is the one code that is no fault: a call that reads items one at a
// time returns it when there are no more, with its outputs untouched like
// any other non-ok result.
#ifndef OVIK_PLATFORM_STATUS_H_
#define OVIK_PLATFORM_STATUS_H_

#include <cstdint>
#include <string>

namespace ovik {

enum class StatusCode : std::uint8_t {
  kOk,
  kEnd,           // no more items: a listing or sequence is complete
  kNotFound,      // the object does not exist (or went away)
  kAccessDenied,
  kNotDirectory,  // also: replaced by a link since it was listed
  kOtherVolume,   // lies on another volume or mount; never entered
  kTooManyOpen,   // out of handles or descriptors, for now
  kNoMemory,
  kNoSpace,       // the volume is full, or a size limit was reached
  kUnsupported,   // the system cannot do this here
  kCancelled,     // stopped because the user asked
  kOther,
};

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  Status(StatusCode code, int system_error = 0)
      : code_(code), system_error_(system_error) {}

  static Status Ok() { return Status(); }
  // From errno on POSIX systems, from GetLastError() on Windows.
  static Status FromSystemError(int system_error);

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  // errno or the Windows error number; 0 when there is none.
  int system_error() const { return system_error_; }
  // A short English description for messages ("permission denied").
  std::string ToString() const;

  // Equal in code and in the system's number.
  friend bool operator==(const Status&, const Status&) = default;

 private:
  StatusCode code_ = StatusCode::kOk;
  int system_error_ = 0;
};

// The system's text for its own error number (strerror, FormatMessage).
std::string SystemErrorText(int system_error);

}  // namespace ovik

#endif  // OVIK_PLATFORM_STATUS_H_
