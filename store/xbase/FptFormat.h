// On-disk constants of the FPT memo file. Fixed: other xBase programs share these bytes.
// Integers in the memo file are big-endian.
#pragma once

#include <cstdint>

namespace xbase::fpt {

// ---- file header (kHeaderSize bytes at offset 0, padded with zeros to a whole block
// when the blocks are larger)
constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kOffNextFree = 0;   // u32 BE: first block never used
constexpr uint32_t kNextFreeSize = 4;
constexpr uint32_t kOffBlockSize = 4;  // u32 BE, as some writers store it
constexpr uint32_t kOffBlockSize16 = 6;  // u16 BE, as the family's readers take it
// The two fields above; the rest of the header is zero but for the close mark and the
// redo entry below.
constexpr uint32_t kHeaderFieldsSize = 8;

// ---- this engine's close mark, in header bytes other programs neither read nor write:
// kCleanClose when the last open of this engine that could write closed the files with
// every change synced and the index sound; otherwise kOpenWriters plus the number of such
// opens that have not closed cleanly yet (a crashed one never does). An open that finds
// kCleanClose checks the index cheaply (each tag's key count against the records); any
// other value (a writer that stopped half way, or a file written elsewhere) has it walk
// every tag's tree. An open that may write counts itself in, synced, before it changes
// anything; when it finds no other such open alive, the count it finds is stale and it
// starts from its own.
//   u32 BE
constexpr uint32_t kOffCloseMark = 8;
constexpr uint32_t kCleanClose = 0x4A4C434C;  // "JLCL"
constexpr uint32_t kOpenWriters = 0x4A4C0000;  // "JL" and a count of 1 to 0xFFFF
constexpr uint32_t kMaxOpenWriters = 0xFFFF;
// Opens of this engine that may write hold a shared lock on this byte of the memo file
// from open to close, so that an open can tell whether any other is alive.
constexpr uint64_t kWriterLockOffset = uint64_t{1} << 40;
// Held exclusively while an open or a close reads and rewrites the close mark.
constexpr uint64_t kMarkLockOffset = kWriterLockOffset + 1;

// ---- this engine's record redo entry, in header bytes other programs neither read nor
// write: the record an edit is about to rewrite in place, before and after, written and
// synced before the rewrite, so that the next open can finish a rewrite that a power cut
// tore at a sector boundary, and rebuild an index the edit may have left half changed. The
// entry is blanked once the edit is synced. The whole entry lies in the first 512 bytes
// (one sector).
//   magic u32 BE, record number u32 BE, record length u32 BE, old image, new image,
//   checksum u32 BE (FNV-1a over everything before it)
constexpr uint32_t kOffRedo = 16;
constexpr uint32_t kRedoMagic = 0x4A4C5244;  // "JLRD"
constexpr uint32_t kRedoOffRecno = 4;
constexpr uint32_t kRedoOffLength = 8;
constexpr uint32_t kRedoOffImages = 12;
constexpr uint32_t kRedoFixedSize = 16;  // the entry without its two images
// Record number 0 marks a batch whose index changes are not yet synced (images blank).
constexpr uint32_t kRedoBatch = 0;
// Longer records get no redo entry.
constexpr uint32_t kRedoMaxRecordLength = (kHeaderSize - kOffRedo - kRedoFixedSize) / 2;
constexpr uint32_t kDefaultBlockSize = 64;
// Largest block size this engine accepts from a file.
constexpr uint32_t kMaxBlockSize = 1u << 20;

// ---- values: each starts a run of whole blocks with a block header, then the data
constexpr uint32_t kBlockHeaderSize = 8;
constexpr uint32_t kOffBlockType = 0;    // u32 BE
constexpr uint32_t kOffBlockLength = 4;  // u32 BE: bytes of data
constexpr uint32_t kTypePicture = 0;
constexpr uint32_t kTypeText = 1;
constexpr uint32_t kTypeObject = 2;

// Memo files are addressed with 32-bit offsets by the family's readers.
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

}  // namespace xbase::fpt
