// Writing a whole file so that a failure never leaves it half written.
#ifndef OVIK_PLATFORM_FILE_WRITER_H_
#define OVIK_PLATFORM_FILE_WRITER_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace ovik {

// Writes one file in three steps, each returning a Status:
//   Create  finds where the bytes go and creates the file that takes
//           them. A regular file (new or existing, or the file a symbolic
//           link names) gets a temporary file beside it; anything else (a
//           device, a FIFO) is opened to be written in place.
//   Write   writes every byte and flushes it to the disk.
//   Commit  puts the temporary in the target's place; an existing file
//           keeps its permissions. It fails where the target cannot be
//           replaced (a mount point, say), as creating it would.
// A writer that fails, or is destroyed before Commit, removes its
// temporary: the target is then exactly as it was. Each step only after
// the one before it succeeded; one writer per file, on one thread.
class AtomicFileWriter {
 public:
  AtomicFileWriter();
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  Status Create(const std::string& path);

  // Whether Create(path) would succeed now, leaving nothing behind: a
  // file to be replaced gets its temporary made and removed again; a
  // device or FIFO is not opened (a reader would see it closed), only
  // checked for write access. So a long job can refuse a target it could
  // never write before it starts, not after.
  static Status Check(const std::string& path);
  Status Write(std::string_view bytes);
  Status Commit();

 private:
  struct State;  // of the platform's implementation
  std::unique_ptr<State> state_;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILE_WRITER_H_
