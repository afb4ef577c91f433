// Writing a whole file so that a failure never leaves it half written,
// and so that a program run by an administrator cannot be steered into
// writing somewhere else.
#ifndef OVIK_PLATFORM_FILE_WRITER_H_
#define OVIK_PLATFORM_FILE_WRITER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace ovik {

// Writes one file in three steps, each returning a Status:
//   Create  finds where the bytes go and creates the file that takes
//           them. A regular file (new or existing, or the file a symbolic
//           link names) gets a temporary file beside it; anything else (a
//           device, a FIFO, a descriptor of this process) is opened to be
//           written in place.
//   Write   writes every byte and flushes it to the disk.
//   Commit  puts the temporary in the target's place; an existing file
//           keeps its permissions. It fails where the target cannot be
//           replaced (a mount point, say), as creating it would.
// A writer that fails, or is destroyed before Commit, removes its
// temporary: the target is then exactly as it was. Each step only after
// the one before it succeeded; one writer per file, on one thread.
//
// Where the target lies is settled once: its directory is opened when
// Create starts, and the temporary, the write, the rename and every look
// at what the name holds go through that open directory, so renaming or
// relinking a path meanwhile cannot send the bytes elsewhere. A symbolic
// link as the target is followed only where the system's rule for shared
// directories lets its owner be trusted (see refused_link()).
//
// Requests to end the program (termination_signals.h) are held only
// while a temporary exists, so that none is left behind; a target
// written in place leaves them their ordinary course, so a FIFO nobody
// reads or a reader that stalls never keeps the program from ending.
class AtomicFileWriter {
 public:
  AtomicFileWriter();
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // A target written in place may wait: a FIFO that nobody has opened
  // yet, a reader that stops reading. Without this, Create and Write wait
  // as long as it takes. With it, |cancelled| is asked about ten times a
  // second while they wait, and when it answers true the step fails (the
  // target is as it was, but for bytes a reader has already taken).
  void set_cancel(std::function<bool()> cancelled);

  Status Create(const std::string& path);

  // Whether Create(path) would succeed now, leaving nothing behind: a
  // file to be replaced gets its temporary made and removed again; a
  // device or FIFO is not opened (a reader would see it closed), only
  // checked for write access. So a long job can refuse a target it could
  // never write before it starts, not after. |refused_link| as below.
  static Status Check(const std::string& path,
                      std::string* refused_link = nullptr);
  Status Write(std::string_view bytes);
  Status Commit();

  // The symbolic link Create refused to follow, as reached from the path
  // it was given; empty when it refused none. A link in a directory that
  // anyone may write to and only owners may delete from (/tmp) is
  // followed only when it belongs to this process's user or to the
  // directory's owner: anyone else's may be swapped for another at any
  // moment. This holds whatever the system's own setting for that rule.
  const std::string& refused_link() const;

 private:
  struct State;  // of the platform's implementation
  std::unique_ptr<State> state_;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILE_WRITER_H_
