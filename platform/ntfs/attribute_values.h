// The values of the attributes the reader uses: standard information,
// file names, attribute lists and directory index entries. Each parser
// checks that what it reads lies inside the value it is given.
#ifndef OVIK_PLATFORM_NTFS_ATTRIBUTE_VALUES_H_
#define OVIK_PLATFORM_NTFS_ATTRIBUTE_VALUES_H_

#include <cstddef>
#include <cstdint>

namespace ovik::ntfs {

struct StandardInformation {
  std::uint64_t modified = 0;  // FILETIME: 100 ns since 1601
  std::uint64_t accessed = 0;
  std::uint32_t file_attributes = 0;
  // Volumes of version 3 on name their descriptor by an id in $Secure;
  // older ones keep a $SECURITY_DESCRIPTOR attribute in each file.
  bool has_security_id = false;
  std::uint32_t security_id = 0;
};
bool ParseStandardInformation(const std::uint8_t* value, std::size_t length,
                              StandardInformation* info);

struct FileName {
  std::uint64_t parent = 0;  // the directory's file reference
  std::uint32_t flags = 0;   // file attributes, kFileNameDirectory
  std::uint8_t name_space = 0;
  const std::uint8_t* name = nullptr;  // UTF-16LE
  std::uint8_t name_length = 0;
};
bool ParseFileName(const std::uint8_t* value, std::size_t length,
                   FileName* name);

// One entry of an $ATTRIBUTE_LIST: which record holds an attribute.
struct AttributeListEntry {
  std::uint32_t type = 0;
  std::uint8_t name_length = 0;
  std::uint64_t lowest_vcn = 0;
  std::uint64_t reference = 0;
};

class AttributeListWalker {
 public:
  AttributeListWalker(const std::uint8_t* list, std::size_t length)
      : list_(list), length_(length) {}
  // The next entry; false at the end, or at an entry that does not lie
  // inside the list (then failed()).
  bool Next(AttributeListEntry* entry);
  bool failed() const { return failed_; }

 private:
  const std::uint8_t* list_;
  std::size_t length_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// One entry of a directory index node.
struct IndexEntry {
  std::uint64_t reference = 0;
  const std::uint8_t* key = nullptr;  // a $FILE_NAME value for directories
  std::uint16_t key_length = 0;
};

// Walks the entries of an index node: |header| points at its index
// header (in $INDEX_ROOT or an index block), |available| bytes from it.
class IndexEntryWalker {
 public:
  IndexEntryWalker(const std::uint8_t* header, std::size_t available);
  // The next entry with a key; false after the last one, or at an entry
  // that does not lie inside the node (then failed()).
  bool Next(IndexEntry* entry);
  bool failed() const { return failed_; }

 private:
  const std::uint8_t* header_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
  bool done_ = false;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_ATTRIBUTE_VALUES_H_
