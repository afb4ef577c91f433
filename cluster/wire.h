// Bytes sent between the processes of a walk: whole numbers as
// variable-length integers (seven bits a byte, low bits first) and texts
// as their length and bytes. A reader checks every length against what
// is left, so a message cut short or garbled is refused, never read
// beyond.
#ifndef OVIK_CLUSTER_WIRE_H_
#define OVIK_CLUSTER_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovik {

class WireWriter {
 public:
  void Number(std::uint64_t n);
  void Signed(std::int64_t n);
  void Text(std::string_view text);
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

class WireReader {
 public:
  explicit WireReader(const std::vector<std::uint8_t>& bytes)
      : data_(bytes.data()), left_(bytes.size()) {}

  // Each false when the bytes end early or hold no such value; the
  // output is then left as it was.
  bool Number(std::uint64_t* n);
  bool Number(std::uint32_t* n);
  bool Signed(std::int64_t* n);
  bool Flag(bool* flag);
  bool Text(std::string* text);
  // A count of items to follow, each at least one byte long: false when
  // fewer bytes are left than that.
  bool Count(std::size_t* count);
  bool AtEnd() const { return left_ == 0; }

 private:
  // A number no greater than |limit|(), asked once it is read; on
  // failure nothing is read.
  template <typename Limit>
  bool NumberWithin(Limit limit, std::uint64_t* n);
  // A length: a number no greater than the bytes left after it.
  bool Length(std::uint64_t* n);

  const std::uint8_t* data_;
  std::size_t left_;
};

}  // namespace ovik

#endif  // OVIK_CLUSTER_WIRE_H_
