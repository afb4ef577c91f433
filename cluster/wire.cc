#include "cluster/wire.h"

#include <limits>

namespace ovik {

void WireWriter::Number(std::uint64_t n) {
  while (n >= 0x80) {
    bytes_.push_back(static_cast<std::uint8_t>(n | 0x80));
    n >>= 7;
  }
  bytes_.push_back(static_cast<std::uint8_t>(n));
}

void WireWriter::Signed(std::int64_t n) {
  // Small magnitudes either side of zero stay short.
  const auto u = static_cast<std::uint64_t>(n);
  Number(n < 0 ? ~(u << 1) : u << 1);
}

void WireWriter::Text(std::string_view text) {
  Number(text.size());
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

bool WireReader::Number(std::uint64_t* n) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < left_ && i < 10; ++i) {
    const std::uint64_t byte = data_[i];
    // The tenth byte holds the top bit alone.
    if (i == 9 && byte > 1) return false;
    value |= (byte & 0x7f) << (7 * i);
    if ((byte & 0x80) == 0) {
      data_ += i + 1;
      left_ -= i + 1;
      *n = value;
      return true;
    }
  }
  return false;
}

template <typename Limit>
bool WireReader::NumberWithin(Limit limit, std::uint64_t* n) {
  const std::uint8_t* data = data_;
  const std::size_t left = left_;
  if (!Number(n) || *n > limit()) {
    data_ = data;
    left_ = left;
    return false;
  }
  return true;
}

bool WireReader::Number(std::uint32_t* n) {
  std::uint64_t wide = 0;
  if (!NumberWithin([] { return std::numeric_limits<std::uint32_t>::max(); },
                    &wide)) {
    return false;
  }
  *n = static_cast<std::uint32_t>(wide);
  return true;
}

bool WireReader::Signed(std::int64_t* n) {
  std::uint64_t u = 0;
  if (!Number(&u)) return false;
  *n = static_cast<std::int64_t>((u & 1) != 0 ? ~(u >> 1) : u >> 1);
  return true;
}

bool WireReader::Flag(bool* flag) {
  if (left_ == 0 || data_[0] > 1) return false;
  *flag = data_[0] == 1;
  ++data_;
  --left_;
  return true;
}

bool WireReader::Length(std::uint64_t* n) {
  return NumberWithin([this] { return left_; }, n);
}

bool WireReader::Text(std::string* text) {
  std::uint64_t size = 0;
  if (!Length(&size)) return false;
  text->assign(reinterpret_cast<const char*>(data_), size);
  data_ += size;
  left_ -= size;
  return true;
}

bool WireReader::Count(std::size_t* count) {
  std::uint64_t n = 0;
  if (!Length(&n)) return false;
  *count = static_cast<std::size_t>(n);
  return true;
}

}  // namespace ovik
