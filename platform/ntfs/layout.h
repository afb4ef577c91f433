// Numbers of the on-disk format that more than one part of the reader
// uses: attribute types, record flags, file attributes, well-known
// records.
#ifndef OVIK_PLATFORM_NTFS_LAYOUT_H_
#define OVIK_PLATFORM_NTFS_LAYOUT_H_

#include <cstdint>

namespace ovik::ntfs {

// Attribute types.
inline constexpr std::uint32_t kStandardInformation = 0x10;
inline constexpr std::uint32_t kAttributeList = 0x20;
inline constexpr std::uint32_t kFileName = 0x30;
inline constexpr std::uint32_t kSecurityDescriptor = 0x50;
inline constexpr std::uint32_t kData = 0x80;
inline constexpr std::uint32_t kIndexRoot = 0x90;
inline constexpr std::uint32_t kIndexAllocation = 0xA0;
inline constexpr std::uint32_t kBitmap = 0xB0;
inline constexpr std::uint32_t kEndOfAttributes = 0xFFFFFFFF;

// Attribute flags: how a non-resident value is stored.
inline constexpr std::uint16_t kAttributeCompressed = 0x00FF;
inline constexpr std::uint16_t kAttributeEncrypted = 0x4000;

// File record flags.
inline constexpr std::uint16_t kRecordInUse = 0x0001;
inline constexpr std::uint16_t kRecordDirectory = 0x0002;

// File attributes, as $STANDARD_INFORMATION and the listing give them.
inline constexpr std::uint32_t kFileAttributeDevice = 0x0040;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x0400;
// In a $FILE_NAME: the file is a directory (it has a file name index).
inline constexpr std::uint32_t kFileNameDirectory = 0x10000000;

// The $FILE_NAME namespace of a short (8.3) name kept beside a long one.
inline constexpr std::uint8_t kDosNamespace = 2;

// Well-known records. Those below kFirstUserRecord are the volume's own.
inline constexpr std::uint64_t kMftRecord = 0;
inline constexpr std::uint64_t kSecureRecord = 9;
inline constexpr std::uint64_t kExtendRecord = 11;
inline constexpr std::uint64_t kFirstUserRecord = 16;

// A file reference: the record number in the low 48 bits, the record's
// sequence number in the high 16.
inline constexpr std::uint64_t RecordOf(std::uint64_t reference) {
  return reference & 0xFFFFFFFFFFFFull;
}
inline constexpr std::uint16_t SequenceOf(std::uint64_t reference) {
  return static_cast<std::uint16_t>(reference >> 48);
}

// The update sequence protects each 512-byte stride of a multi-sector
// structure, whatever the sector size.
inline constexpr std::uint32_t kFixupStride = 512;

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_LAYOUT_H_
