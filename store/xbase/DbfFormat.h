// On-disk constants of the DBF table file (FoxPro 2.x family). These values are fixed:
// other xBase programs read and write the same bytes, so never change them.
#pragma once

#include <cstdint>

namespace xbase::dbf {

// ---- table header (32 bytes at offset 0); integers little-endian
constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kOffVersion = 0;
constexpr uint32_t kOffUpdateYear = 1;  // year % 100, then month, then day
constexpr uint32_t kUpdateDateSize = 3;
constexpr uint32_t kOffRecordCount = 4;   // u32
constexpr uint32_t kRecordCountSize = 4;
constexpr uint32_t kOffHeaderLength = 8;  // u16: file offset of record 1
constexpr uint32_t kOffRecordLength = 10; // u16: deleted mark + field widths
constexpr uint32_t kOffFlags = 28;
constexpr uint32_t kOffCodePage = 29;

// The update date and the record count lie side by side: an append rewrites both with
// one write.
constexpr uint32_t kDateAndCountSize = kUpdateDateSize + kRecordCountSize;
static_assert(kOffUpdateYear + kUpdateDateSize == kOffRecordCount);

// Version bytes.
constexpr uint8_t kVersionPlain = 0x03;     // no memo file
constexpr uint8_t kVersionFoxMemo = 0xF5;   // FoxPro 2.x with an .FPT memo file
constexpr uint8_t kVersionVfp = 0x30;       // later family members: memo pointers are u32
constexpr uint8_t kVersionVfpAuto = 0x31;
constexpr uint8_t kVersionVfpVar = 0x32;
constexpr uint8_t kVersionDbtMemo = 0x83;   // memo in a .DBT file: not handled
constexpr uint8_t kVersionDbtMemo4 = 0x8B;

// Table flags (offset 28).
constexpr uint8_t kFlagStructuralIndex = 0x01;
constexpr uint8_t kFlagHasMemo = 0x02;
constexpr uint8_t kFlagDatabase = 0x04;

// Code page marks (offset 29): the Windows code page of the text in C and M fields.
// 0 (not marked) is read as 1252.
constexpr uint8_t kCodePageNone = 0x00;
constexpr uint8_t kCodePage1252 = 0x03;  // Western European
constexpr uint8_t kCodePage1250 = 0xC8;  // Eastern European
constexpr uint8_t kCodePage1251 = 0xC9;  // Cyrillic
constexpr uint8_t kCodePage1254 = 0xCA;  // Turkish
constexpr uint8_t kCodePage1253 = 0xCB;  // Greek
constexpr uint8_t kCodePage1257 = 0xCC;  // Baltic

// ---- field descriptors (32 bytes each from offset 32)
constexpr uint32_t kDescriptorSize = 32;
constexpr uint32_t kDescName = 0;          // 11 bytes, NUL padded, upper case
constexpr uint32_t kDescNameSize = 11;
constexpr uint32_t kDescType = 11;
constexpr uint32_t kDescDisplacement = 12;  // u32: offset inside the record
constexpr uint32_t kDescWidth = 16;
constexpr uint32_t kDescDecimals = 17;
constexpr uint32_t kDescFlags = 18;
constexpr uint32_t kMaxFieldName = 10;
constexpr uint32_t kMaxFields = 255;

constexpr uint8_t kHeaderTerminator = 0x0D;  // one byte after the last descriptor
constexpr uint32_t kTerminatorSize = 1;
// We write one zero byte after the terminator, as other FoxPro-family writers do, so a
// seven-field table has a 258-byte header.
constexpr uint32_t kHeaderPadding = 1;
constexpr uint8_t kEofMarker = 0x1A;

// ---- records: byte 0 is the deleted mark, the fields follow in descriptor order
constexpr uint32_t kOffDeletedMark = 0;
constexpr uint32_t kDeletedMarkSize = 1;
constexpr uint8_t kActive = ' ';
constexpr uint8_t kDeleted = '*';
constexpr uint32_t kMaxRecordLength = 65500;
constexpr uint32_t kMaxCharWidth = 254;
constexpr uint32_t kMaxNumericWidth = 20;
constexpr uint32_t kLogicalWidth = 1;
constexpr uint32_t kDateWidth = 8;         // "yyyymmdd"
constexpr uint32_t kMemoWidthAscii = 10;   // FoxPro 2.x: block number as right-aligned digits
constexpr uint32_t kMemoWidthBinary = 4;   // later versions: block number as u32
constexpr uint64_t kMaxFileSize = 0x7FFFFFFFull;  // 2 GB, the family's limit

// ---- byte locks. Two schemes: one for a table with a structural index, one without.
// Record and header locks cover one byte.
constexpr uint64_t kLockLength = 1;
// With an index: record N at kIndexedHeaderLock - N.
constexpr uint64_t kIndexedHeaderLock = 0x7FFFFFFE;
constexpr uint64_t kIndexedFileLockStart = 0x77FFFFFF;
constexpr uint64_t kIndexedFileLockLength = 0x07FFFFFF;
constexpr uint32_t kIndexedMaxRecords = 0x07FFFFFF;
// Without an index: record N at kPlainLockBase + its byte offset in the file.
constexpr uint64_t kPlainLockBase = 0x40000000;
constexpr uint64_t kPlainFileLockStart = 0x40000001;
constexpr uint64_t kPlainFileLockLength = 0x3FFFFFFD;

}  // namespace xbase::dbf
