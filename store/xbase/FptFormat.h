// On-disk constants of the FPT memo file. Fixed: other xBase programs share these bytes.
// Integers in the memo file are big-endian.
#pragma once

#include <cstdint>

namespace xbase::fpt {

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kOffNextFree = 0;   // u32 BE: first block never used
constexpr uint32_t kOffBlockSize = 4;  // u32 BE (bytes 4-5 zero, so also u16 BE at 6)
constexpr uint32_t kDefaultBlockSize = 64;

// Each value: block type (u32 BE), data length (u32 BE), then the data.
constexpr uint32_t kBlockHeaderSize = 8;
constexpr uint32_t kTypePicture = 0;
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeObject = 2;

// Memo files are addressed with 32-bit offsets by the family's readers.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

}  // namespace xbase::fpt
