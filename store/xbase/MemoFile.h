// MemoFile: the .FPT file that holds a table's memo texts in runs of whole blocks.
//
// A value is stored at a block number: an 8-byte block header (type, length, both
// big-endian) followed by the data. The file header holds the next free block and the
// block size. Values are never chained: one value is one contiguous run.
//
// The memo file does no locking itself: the table serialises allocation (the caller
// holds the table's header lock in shared mode), and Write re-reads the next free block
// from disk unless the table is open exclusively or holds the header lock for a while
// (HoldHeader).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/File.h"
#include "store/xbase/FileMapping.h"
#include "store/xbase/FptFormat.h"
#include "store/xbase/Status.h"

namespace xbase {

class MemoFile {
 public:
  MemoFile() = default;
  MemoFile(MemoFile&&) noexcept = default;
  MemoFile& operator=(MemoFile&&) noexcept = default;

  // Writes a new, empty memo file at `path` (which must not exist) with 64-byte blocks.
  static Status CreateNew(const std::string& path);
  // Writes an empty memo file with `block_size` into the open, empty file `file`.
  static Status WriteEmpty(File* file, uint32_t block_size);

  // Opens the memo file at `path`. `exclusive` lets it cache the header between writes.
  // kCorrupt when the header does not describe a usable memo file.
  static Status Open(const std::string& path, bool writable, bool exclusive, MemoFile* out);

  uint32_t block_size() const { return block_size_; }
  // First block number a value may use (values never overlap the header).
  uint32_t first_block() const { return first_block_; }
  const File& file() const { return file_; }

  // Reads the value at `block` (0 = none, giving ""). kCorrupt when the block lies in
  // the header or its length runs past the end of the file.
  Status Read(uint32_t block, std::string* out, uint32_t* type = nullptr) const;
  // Asks the start of the value at `block` into the processor's cache (a hint only).
  void Prefetch(uint32_t block) const;

  // Stores `text` as a text value. `*block` holds the value's present block (0 = none)
  // and receives the new one (0 for empty text). The old run is reused when the new value
  // needs no more blocks than it has; otherwise the value is appended at the next free
  // block and the old run is abandoned.
  Status Write(std::string_view text, uint32_t* block) { return WriteTyped(text, fpt::kTypeText, block); }
  Status WriteTyped(std::string_view data, uint32_t type, uint32_t* block);
  // Appends a value at the next free block (no reuse); used when copying values.
  Status Append(std::string_view data, uint32_t type, uint32_t* block);

  // Reads the next free block and file size from disk (the values other opens see).
  Status ReadHeader(uint32_t* next_free);
  // While the caller keeps other writers out (it holds the table's header lock), the
  // header is read once and then kept in memory; ReleaseHeader goes back to reading it
  // before each allocation.
  Status HoldHeader();
  void ReleaseHeader() { held_ = false; }
  // Empties the file: header only, next free block at the first usable block.
  Status Reset();
  // Writes / reads `n` bytes of the header's redo entry area (FptFormat.h); the write is
  // synced with the rest by Sync.
  Status WriteRedo(const uint8_t* entry, size_t n);
  Status ReadRedo(size_t n, uint8_t* entry) const;
  // Blanks the redo entry's mark. Unless `now`, the write is left to whichever sync comes
  // next: an entry that outlives a crash costs only an index rebuild.
  Status ClearRedo(bool now = false);
  // Reads / writes the close mark (FptFormat.h). The write syncs the file, so that the
  // mark reaches the disk no earlier than what was written before it.
  Status ReadCloseMark(uint32_t* mark) const;
  Status WriteCloseMark(uint32_t mark);
  Status Sync();

  // Checks the value at `block`: in range and below the next free block. Returns the
  // number of blocks the value occupies in `*blocks`.
  Status CheckValue(uint32_t block, uint32_t next_free, uint32_t* blocks);

 private:
  Status RefreshSize() const;
  // The shared view of the file covering its first `end` bytes, or nullptr when `end` lies
  // past the size last seen or the file cannot be mapped (the caller reads instead).
  const uint8_t* View(uint64_t end) const;
  // Reads the block header at file offset `offset` into `head` (kBlockHeaderSize bytes);
  // kCorrupt, naming `where`, when it lies beyond the end of the file.
  Status ReadBlockHeader(uint64_t offset, const std::string& where, uint8_t* head) const;
  uint32_t BlocksFor(uint64_t length) const;
  // Lays out a value (block header, `data`, zeros) in `blocks` whole blocks of buffer_.
  void FillValue(std::string_view data, uint32_t type, uint64_t blocks);

  File file_;
  bool writable_ = false;
  bool exclusive_ = false;
  bool held_ = false;
  uint32_t block_size_ = 0;
  uint32_t first_block_ = 0;
  uint32_t next_free_ = 0;  // cached (always current when exclusive)
  mutable uint64_t size_ = 0;  // file size as last seen
  bool dirty_ = false;
  std::vector<uint8_t> buffer_;
  mutable FileMapping view_;  // reads only; writes go through file_
};

}  // namespace xbase
