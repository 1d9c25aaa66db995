#include "store/xbase/ExprCase.h"

#include <array>
#include <cstring>

namespace xbase {
namespace {

using CaseTable = std::array<uint8_t, 256>;

constexpr CaseTable MakeUpperTable() {
  CaseTable t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 0x20);
  for (int c = 0xE0; c <= 0xFE; ++c) {
    if (c != 0xF7) t[c] = static_cast<uint8_t>(c - 0x20);
  }
  t[0x9A] = 0x8A;
  t[0x9C] = 0x8C;
  t[0x9E] = 0x8E;
  t[0xFF] = 0x9F;
  return t;
}

constexpr CaseTable MakeLowerTable() {
  CaseTable t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<uint8_t>(c + 0x20);
  for (int c = 0xC0; c <= 0xDE; ++c) {
    if (c != 0xD7) t[c] = static_cast<uint8_t>(c + 0x20);
  }
  t[0x8A] = 0x9A;
  t[0x8C] = 0x9C;
  t[0x8E] = 0x9E;
  t[0x9F] = 0xFF;
  return t;
}

constexpr CaseTable kUpper = MakeUpperTable();
constexpr CaseTable kLower = MakeLowerTable();

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Flips the case bit (0x20) of every byte of `w` in first..last. Only valid when no
// byte of `w` has its top bit set: the per-byte sums then never carry into a neighbour.
inline uint64_t FlipAsciiRange(uint64_t w, uint8_t first, uint8_t last) {
  const uint64_t at_least_first = w + kOnes * (0x80 - first);
  const uint64_t above_last = w + kOnes * (0x80 - last - 1);
  const uint64_t in_range = at_least_first & ~above_last & kHighBits;
  return w ^ (in_range >> 2);
}

// Converts eight bytes at a time while they are plain ASCII (the common case for task
// text), falling back to the table for words holding any byte above 0x7F.
inline void Convert(const uint8_t* in, size_t n, uint8_t* out, const CaseTable& table,
                    uint8_t first, uint8_t last) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, in + i, 8);
    if ((w & kHighBits) == 0) {
      w = FlipAsciiRange(w, first, last);
      std::memcpy(out + i, &w, 8);
    } else {
      for (size_t k = i; k < i + 8; ++k) out[k] = table[in[k]];
    }
  }
  for (; i < n; ++i) out[i] = table[in[i]];
}

}  // namespace

uint8_t UpperByte(uint8_t c) { return kUpper[c]; }
uint8_t LowerByte(uint8_t c) { return kLower[c]; }

void UpperCopy(const uint8_t* in, size_t n, uint8_t* out) { Convert(in, n, out, kUpper, 'a', 'z'); }
void LowerCopy(const uint8_t* in, size_t n, uint8_t* out) { Convert(in, n, out, kLower, 'A', 'Z'); }

}  // namespace xbase
