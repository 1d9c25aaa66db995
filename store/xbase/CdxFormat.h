// CdxFormat: the on-disk constants of the compound index file, shared by every reader and
// writer of it. These values are fixed by the file format that other programs read:
// never change them.
#pragma once

#include <cstdint>

#include "base/ByteOrder.h"

namespace xbase::cdx {

// ---- sizes
inline constexpr uint32_t kPageSize = 512;
inline constexpr uint32_t kHeaderSize = 1024;    // directory and tag headers: two pages
inline constexpr uint32_t kNoPage = 0xFFFFFFFF;  // "no sibling"
inline constexpr uint32_t kMaxKeyLength = 240;
inline constexpr uint32_t kDirectoryKeyLength = 10;  // tag names
inline constexpr uint32_t kDirectoryRootInNewFile = 0x400;

// ---- header (directory header at offset 0, and every tag header)
inline constexpr uint32_t kHdrRoot = 0;            // u32 LE
inline constexpr uint32_t kHdrFreeList = 4;        // u32 LE, 0 or 0xFFFFFFFF = none
inline constexpr uint32_t kHdrChangeCounter = 8;   // u32 BE, directory header only
inline constexpr uint32_t kHdrKeyLength = 12;      // u16 LE
inline constexpr uint32_t kHdrOptions = 14;        // u8
inline constexpr uint32_t kHdrSignature = 15;      // u8
inline constexpr uint32_t kHdrReservedBegin = 16;  // 16..501 zero for a MACHINE tag
inline constexpr uint32_t kHdrReservedEnd = 502;
inline constexpr uint32_t kHdrStatsBegin = 16;  // 16..35: statistics some writers keep
inline constexpr uint32_t kHdrStatsEnd = 36;
inline constexpr uint32_t kHdrOrder = 502;          // u16 LE: 0 ascending, 1 descending
inline constexpr uint32_t kHdrForOffset = 504;      // u16 LE, offset in the pool
inline constexpr uint32_t kHdrForLength = 506;      // u16 LE, including the NUL
inline constexpr uint32_t kHdrKeyExprOffset = 508;  // u16 LE, offset in the pool
inline constexpr uint32_t kHdrKeyExprLength = 510;  // u16 LE, including the NUL
inline constexpr uint32_t kHdrPool = 512;           // expression pool
inline constexpr uint32_t kPoolSize = 512;

inline constexpr uint8_t kSignature = 1;

// Index option bits (header byte 14).
inline constexpr uint8_t kOptUnique = 0x01;
inline constexpr uint8_t kOptCandidate = 0x04;
inline constexpr uint8_t kOptHasFor = 0x08;
inline constexpr uint8_t kOptBitVector = 0x10;
inline constexpr uint8_t kOptCompact = 0x20;
inline constexpr uint8_t kOptCompound = 0x40;
inline constexpr uint8_t kOptStructural = 0x80;
inline constexpr uint8_t kOptDirectory = kOptCompact | kOptCompound | kOptStructural;  // 0xE0
inline constexpr uint8_t kOptTag = kOptCompact | kOptCompound;                         // 0x60

// ---- node header (every node)
inline constexpr uint32_t kNodeAttributes = 0;  // u16 LE
inline constexpr uint32_t kNodeKeyCount = 2;    // u16 LE
inline constexpr uint32_t kNodeLeft = 4;        // u32 LE
inline constexpr uint32_t kNodeRight = 8;       // u32 LE

inline constexpr uint16_t kAttrRoot = 0x01;
inline constexpr uint16_t kAttrLeaf = 0x02;

// ---- interior nodes: entries of key + BE record number + BE child offset from byte 12
inline constexpr uint32_t kInteriorEntries = 12;
inline constexpr uint32_t kInteriorSpace = 500;

// ---- leaf nodes
inline constexpr uint32_t kLeafFreeSpace = 12;   // u16 LE
inline constexpr uint32_t kLeafRecordMask = 14;  // u32 LE
inline constexpr uint32_t kLeafDupMask = 18;     // u8
inline constexpr uint32_t kLeafTrailMask = 19;   // u8
inline constexpr uint32_t kLeafRecordBits = 20;  // u8
inline constexpr uint32_t kLeafDupBits = 21;     // u8
inline constexpr uint32_t kLeafTrailBits = 22;   // u8
inline constexpr uint32_t kLeafEntryBytes = 23;  // u8
inline constexpr uint32_t kLeafEntries = 24;
inline constexpr uint32_t kLeafSpace = kPageSize - kLeafEntries;  // 488
inline constexpr uint32_t kMinLeafEntryBytes = 3;  // narrower entries upset other writers

// Pad bytes of keys: blanks for character keys, NULs for every other key type.
inline constexpr uint8_t kCharacterPad = 0x20;
inline constexpr uint8_t kBinaryPad = 0x00;

// ---- index lock: one byte far beyond the data, shared for reads, exclusive for writes
inline constexpr int64_t kIndexLockOffset = 0x7FFFFFFE;
inline constexpr int64_t kIndexLockLength = 1;

}  // namespace xbase::cdx
