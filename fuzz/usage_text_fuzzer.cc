// FormatPercent and FormatUsage against a reference that shares no code
// with them: the double's exact value from its bits with a small
// decimal big number, and the two roundings done in integers.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "present/usage_text.h"

namespace {

// A non-negative integer in base 10^9, least significant limb first.
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t v) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(v % kBase));
      v /= kBase;
    } while (v != 0);
  }
  void MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t p = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(p % kBase);
      carry = p / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }
  std::string ToString() const {
    std::string s = std::to_string(limbs_.back());
    for (std::size_t i = limbs_.size() - 1; i-- > 0;) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%09u", limbs_[i]);
      s += buf;
    }
    return s;
  }

 private:
  static constexpr std::uint64_t kBase = 1000000000;
  std::vector<std::uint32_t> limbs_;
};

// The exact decimal digits D of a finite x > 0 and the position e of the
// decimal point, x = 0.D x 10^e, from the bits: x = m x 2^q.
void ExactDecimal(double x, std::string* digits, int* e) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t m = bits & ((1ull << 52) - 1);
  int q;
  if (biased == 0) {
    q = -1074;  // subnormal
  } else {
    m |= 1ull << 52;
    q = biased - 1075;
  }
  BigDecimal n(m);
  int shift = 0;  // x = n / 10^shift
  if (q >= 0) {
    for (int i = 0; i < q; ++i) n.MultiplyBy(2);
  } else {
    // m / 2^k = m x 5^k / 10^k
    for (int i = 0; i < -q; ++i) n.MultiplyBy(5);
    shift = -q;
  }
  *digits = n.ToString();
  *e = static_cast<int>(digits->size()) - shift;
}

std::uint64_t Pow10(int k) {
  std::uint64_t p = 1;
  while (k-- > 0) p *= 10;
  return p;
}

std::string ReferencePercent(double x) {
  if (!std::isfinite(x)) return std::string(ovik::kUnknownPercent);
  x = std::fabs(x);
  // Round half up to 17 significant digits: s x 10^(e - len(s)).
  std::string s = "0";
  int e = 0;
  if (x != 0.0) {
    std::string exact;
    ExactDecimal(x, &exact, &e);
    if (exact.size() <= 17) {
      s = exact;
    } else {
      std::uint64_t v = std::strtoull(exact.substr(0, 17).c_str(), nullptr, 10);
      if (exact[17] >= '5') ++v;
      if (v == Pow10(17)) {
        v = Pow10(16);
        ++e;
      }
      s = std::to_string(v);
    }
  }
  const int n = e + 4;
  if (n < 0) return "0." + std::string(static_cast<std::size_t>(-e), '0');
  // r: x x 10^4 rounded half up, from the 17-digit form.
  const int len = static_cast<int>(s.size());
  std::string r;
  if (n >= len) {
    r = s + std::string(static_cast<std::size_t>(n - len), '0');
  } else {
    // v < 10^17 and q <= 10^17: the sum stays far below 2^64.
    const std::uint64_t q = Pow10(len - n);
    const std::uint64_t v = std::strtoull(s.c_str(), nullptr, 10);
    r = std::to_string((v + q / 2) / q);
  }
  if (r.size() <= 4) return "0." + std::string(4 - r.size(), '0') + r;
  return r.substr(0, r.size() - 4) + "." + r.substr(r.size() - 4);
}

std::uint64_t KeepBits(std::uint64_t v, int bits) {
  return bits >= 64 ? v : v & ((1ull << bits) - 1);
}

void Check(bool ok, const char* what, const std::string& got,
           const std::string& want) {
  if (ok) return;
  std::fprintf(stderr, "%s: got \"%s\", want \"%s\"\n", what, got.c_str(),
               want.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    const std::string got = ovik::FormatPercent(x);
    const std::string want = ReferencePercent(x);
    Check(got == want, "FormatPercent", got, want);
  }
  if (size >= 24) {
    std::uint64_t total_kb, volume_kb;
    std::memcpy(&total_kb, data + 8, 8);
    std::memcpy(&volume_kb, data + 16, 8);
    // Realistic figures more often than not: two bytes pick how many
    // low bits of each figure are kept.
    if (size >= 26) {
      total_kb = KeepBits(total_kb, 1 + data[24] % 64);
      volume_kb = KeepBits(volume_kb, 1 + data[25] % 64);
    }
    const std::string got = ovik::FormatUsage(total_kb, volume_kb);
    // The unit: divide by 1024 while above 1024, at most to TB.
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    int u = 0;
    std::uint64_t step = 1;
    while (u < 3 && total_kb / step > 1024) {
      step *= 1024;
      ++u;
    }
    const std::uint64_t v = total_kb / step;
    const std::string percent =
        volume_kb == 0 ? std::string(ovik::kUnknownPercent)
                       : ReferencePercent(static_cast<double>(total_kb) * 100.0 /
                                          static_cast<double>(volume_kb));
    char number[32];
    std::snprintf(number, sizeof number, "%4llu%s  ",
                  static_cast<unsigned long long>(v), kUnits[u]);
    const std::string want = number + percent + "%";
    Check(got == want, "FormatUsage", got, want);
  }
  return 0;
}
