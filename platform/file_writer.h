// Writing a whole file so that a failure never leaves it half written.
#ifndef OVIK_PLATFORM_FILE_WRITER_H_
#define OVIK_PLATFORM_FILE_WRITER_H_

#include <string>
#include <string_view>

namespace ovik {

enum class WriteStatus {
  kOk,
  kCreateFailed,  // the file (or its temporary) could not be created
  kWriteFailed,   // writing or flushing failed; the target is unchanged
};

// Writes |bytes| to |path|. A regular file (new or existing, or the file
// a symbolic link names) is written to a temporary file beside it and
// renamed over it only once every byte is on disk; an existing file keeps
// its permissions. Anything else (a device, a FIFO) is written in place.
WriteStatus WriteFileAtomically(const std::string& path,
                                std::string_view bytes);

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILE_WRITER_H_
