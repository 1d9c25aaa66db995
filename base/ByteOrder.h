// ByteOrder: reading and writing the fixed-width numbers of the program's files, shared
// by the xBase engine and the report file. The table, the index and the report file
// store theirs little-endian; the memo file and a few index fields (record numbers and
// child offsets of interior nodes, the change counter) big-endian.
#pragma once

#include <bit>
#include <cstdint>

namespace base {

inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8));
}
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint16_t Be16(const uint8_t* p) {
  return static_cast<uint16_t>((uint32_t{p[0]} << 8) | uint32_t{p[1]});
}
inline uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A 4-byte IEEE float, little-endian.
inline float LeReal(const uint8_t* p) { return std::bit_cast<float>(Le32(p)); }
inline void PutLeReal(uint8_t* p, float v) { PutLe32(p, std::bit_cast<uint32_t>(v)); }

}  // namespace base
