#include "store/xbase/MemoFile.h"

#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"
#include "store/xbase/FptFormat.h"

namespace xbase {

namespace {

// Most notes are short: the head and the text of one fill about two cache lines.
constexpr uint64_t kCacheLine = 64;

uint32_t FirstBlock(uint32_t block_size) {
  return (fpt::kHeaderSize + block_size - 1) / block_size;
}

// Bytes before block 1 when the blocks are bigger than the header: the header area is
// padded to a whole block.
uint32_t HeaderAreaSize(uint32_t block_size) { return std::max(fpt::kHeaderSize, block_size); }

}  // namespace

Status MemoFile::WriteEmpty(File* file, uint32_t block_size) {
  std::vector<uint8_t> header(HeaderAreaSize(block_size), 0);
  base::PutBe32(&header[fpt::kOffNextFree], FirstBlock(block_size));
  base::PutBe32(&header[fpt::kOffBlockSize], block_size);
  return file->Write(0, header.data(), header.size());
}

Status MemoFile::CreateNew(const std::string& path) {
  File file;
  XB_RETURN_IF_ERROR(File::CreateNew(path, &file));
  Status s = WriteEmpty(&file, fpt::kDefaultBlockSize);
  if (s.ok()) s = file.Sync();
  if (!s.ok()) {
    file.Close();
    // Best effort: the write failure is what the caller needs to hear of.
    (void)RemoveFile(path);
  }
  return s;
}

Status MemoFile::Open(const std::string& path, bool writable, bool exclusive, MemoFile* out) {
  MemoFile m;
  XB_RETURN_IF_ERROR(File::Open(path, writable, &m.file_));
  XB_RETURN_IF_ERROR(m.file_.Size(&m.size_));
  if (m.size_ < fpt::kHeaderFieldsSize) return Status::Corrupt(path + " is too short for a memo file");
  uint8_t head[fpt::kHeaderFieldsSize];
  XB_RETURN_IF_ERROR(m.file_.Read(0, sizeof head, head));
  // The block size is a u16 at 6; some writers store it as a u32 at 4. Both agree when
  // bytes 4-5 are zero.
  uint32_t bs = base::Be16(head + fpt::kOffBlockSize16);
  if (bs == 0) bs = base::Be32(head + fpt::kOffBlockSize);
  if (bs == 0 || bs > fpt::kMaxBlockSize) {
    return Status::Corrupt(path + ": memo block size " + std::to_string(bs) + " is not usable");
  }
  m.block_size_ = bs;
  m.first_block_ = FirstBlock(bs);
  m.next_free_ = base::Be32(head + fpt::kOffNextFree);
  m.writable_ = writable;
  m.exclusive_ = exclusive;
  *out = std::move(m);
  return Status::Ok();
}

uint32_t MemoFile::BlocksFor(uint64_t length) const {
  return static_cast<uint32_t>((length + block_size_ - 1) / block_size_);
}

Status MemoFile::RefreshSize() const { return file_.Size(&size_); }

void MemoFile::Prefetch(uint32_t block) const {
  const uint64_t offset = uint64_t{block} * block_size_;
  if (block < first_block_ || offset + 2 * kCacheLine > view_.valid()) return;
  __builtin_prefetch(view_.data() + offset);
  __builtin_prefetch(view_.data() + offset + kCacheLine);
}

const uint8_t* MemoFile::View(uint64_t end) const {
  if (end > size_) return nullptr;
  if (end > view_.valid() && !view_.Cover(file_.fd(), size_).ok()) return nullptr;
  return view_.data();
}

Status MemoFile::ReadHeader(uint32_t* next_free) {
  uint8_t head[fpt::kNextFreeSize];
  XB_RETURN_IF_ERROR(file_.Read(fpt::kOffNextFree, sizeof head, head));
  next_free_ = base::Be32(head);
  *next_free = next_free_;
  return Status::Ok();
}

Status MemoFile::HoldHeader() {
  uint32_t ignored;
  XB_RETURN_IF_ERROR(ReadHeader(&ignored));
  held_ = true;
  return Status::Ok();
}

Status MemoFile::ReadBlockHeader(uint64_t offset, const std::string& where, uint8_t* head) const {
  if (offset + fpt::kBlockHeaderSize > size_) XB_RETURN_IF_ERROR(RefreshSize());
  if (offset + fpt::kBlockHeaderSize > size_) {
    return Status::Corrupt(where + " lies beyond the end of the memo file");
  }
  return file_.Read(offset, fpt::kBlockHeaderSize, head);
}

// Bytes a note's first read takes: its block head and the text of a short note.
constexpr size_t kFirstRead = 512;

Status MemoFile::Read(uint32_t block, std::string* out, uint32_t* type) const {
  out->clear();
  if (type != nullptr) *type = fpt::kTypeText;
  if (block == 0) return Status::Ok();
  // Named only when something is wrong: a walk reads a note per task.
  auto corrupt = [block](const char* what) { return Status::Corrupt("memo block " + std::to_string(block) + what); };
  if (block < first_block_) return corrupt(" lies inside the memo file header");
  const uint64_t offset = uint64_t{block} * block_size_;
  if (offset + fpt::kBlockHeaderSize > size_) XB_RETURN_IF_ERROR(RefreshSize());
  if (offset + fpt::kBlockHeaderSize > size_) return corrupt(" lies beyond the end of the memo file");
  // A walk that reads every note (an export, the report) visits them scattered over the file:
  // through the shared view of the file, a note costs no system call.
  if (const uint8_t* view = View(offset + fpt::kBlockHeaderSize)) {
    const uint64_t length = base::Be32(view + offset + fpt::kOffBlockLength);
    const uint64_t end = offset + fpt::kBlockHeaderSize + length;
    if (end > size_) XB_RETURN_IF_ERROR(RefreshSize());
    if (end > size_) return corrupt(" holds a length that runs past the end of the memo file");
    if (type != nullptr) *type = base::Be32(view + offset + fpt::kOffBlockType);
    view = View(end);
    if (view != nullptr) {
      out->assign(reinterpret_cast<const char*>(view + offset + fpt::kBlockHeaderSize), length);
      return Status::Ok();
    }
  }
  // Without a view: the block's head and the start of its text in one read, since most
  // notes are short.
  uint8_t first[kFirstRead];
  const size_t got = static_cast<size_t>(std::min<uint64_t>(kFirstRead, size_ - offset));
  XB_RETURN_IF_ERROR(file_.Read(offset, got, first));
  const uint64_t length = base::Be32(first + fpt::kOffBlockLength);
  const uint64_t end = offset + fpt::kBlockHeaderSize + length;
  if (end > size_) XB_RETURN_IF_ERROR(RefreshSize());
  if (end > size_) return corrupt(" holds a length that runs past the end of the memo file");
  if (type != nullptr) *type = base::Be32(first + fpt::kOffBlockType);
  out->resize(length);
  const size_t have = static_cast<size_t>(std::min<uint64_t>(length, got - fpt::kBlockHeaderSize));
  std::memcpy(out->data(), first + fpt::kBlockHeaderSize, have);
  if (have == length) return Status::Ok();
  return file_.Read(offset + fpt::kBlockHeaderSize + have, length - have, out->data() + have);
}

void MemoFile::FillValue(std::string_view data, uint32_t type, uint64_t blocks) {
  buffer_.assign(blocks * block_size_, 0);
  base::PutBe32(buffer_.data() + fpt::kOffBlockType, type);
  base::PutBe32(buffer_.data() + fpt::kOffBlockLength, static_cast<uint32_t>(data.size()));
  std::memcpy(buffer_.data() + fpt::kBlockHeaderSize, data.data(), data.size());
}

Status MemoFile::WriteTyped(std::string_view data, uint32_t type, uint32_t* block) {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  if (data.empty()) {
    *block = 0;  // an empty memo has no block at all
    return Status::Ok();
  }
  const uint32_t old = *block;
  if (old >= first_block_) {
    if (!exclusive_ && !held_) {
      uint32_t ignored;
      XB_RETURN_IF_ERROR(ReadHeader(&ignored));
    }
    const uint64_t offset = uint64_t{old} * block_size_;
    uint8_t head[fpt::kBlockHeaderSize];
    if (old < next_free_ && offset + sizeof head <= size_ &&
        file_.Read(offset, sizeof head, head).ok()) {
      const uint64_t old_blocks = BlocksFor(fpt::kBlockHeaderSize + uint64_t{base::Be32(head + fpt::kOffBlockLength)});
      const uint64_t new_blocks = BlocksFor(fpt::kBlockHeaderSize + uint64_t{data.size()});
      // Reuse only a run that lies wholly below the next free block (a sane old value).
      if (new_blocks <= old_blocks && old + old_blocks <= next_free_) {
        FillValue(data, type, new_blocks);
        XB_RETURN_IF_ERROR(file_.Write(offset, buffer_.data(), buffer_.size()));
        size_ = std::max<uint64_t>(size_, offset + buffer_.size());
        dirty_ = true;
        return Status::Ok();
      }
    }
  }
  return Append(data, type, block);
}

Status MemoFile::Append(std::string_view data, uint32_t type, uint32_t* block) {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  if (data.size() > fpt::kMaxFileSize) return Status::InvalidArgument("memo text is too long");
  if (!exclusive_ && !held_) {
    uint32_t ignored;
    XB_RETURN_IF_ERROR(ReadHeader(&ignored));
  }
  const uint64_t start = std::max(next_free_, first_block_);
  const uint64_t blocks = BlocksFor(fpt::kBlockHeaderSize + uint64_t{data.size()});
  const uint64_t end = start + blocks;
  if (end * block_size_ > fpt::kMaxFileSize) {
    return Status::IoError(file_.path() + " is full (a memo file holds at most 4 GB)");
  }
  FillValue(data, type, blocks);
  // Data first, then the header that hands the blocks out: a crash in between leaves
  // only unused bytes behind the next free block.
  XB_RETURN_IF_ERROR(file_.Write(start * block_size_, buffer_.data(), buffer_.size()));
  uint8_t head[fpt::kNextFreeSize];
  base::PutBe32(head, static_cast<uint32_t>(end));
  XB_RETURN_IF_ERROR(file_.Write(fpt::kOffNextFree, head, sizeof head));
  next_free_ = static_cast<uint32_t>(end);
  size_ = std::max<uint64_t>(size_, end * block_size_);
  dirty_ = true;
  *block = static_cast<uint32_t>(start);
  return Status::Ok();
}

Status MemoFile::Reset() {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  // New header first; a crash before the truncation leaves only unused bytes behind it.
  XB_RETURN_IF_ERROR(WriteEmpty(&file_, block_size_));
  XB_RETURN_IF_ERROR(file_.Truncate(HeaderAreaSize(block_size_)));
  next_free_ = first_block_;
  dirty_ = true;
  return RefreshSize();
}

Status MemoFile::WriteRedo(const uint8_t* entry, size_t n) {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  if (fpt::kOffRedo + n > fpt::kHeaderSize) return Status::InvalidArgument("redo entry too long");
  XB_RETURN_IF_ERROR(file_.Write(fpt::kOffRedo, entry, n));
  dirty_ = true;
  return Status::Ok();
}

Status MemoFile::ClearRedo(bool now) {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  const uint8_t none[4] = {0, 0, 0, 0};
  XB_RETURN_IF_ERROR(file_.Write(fpt::kOffRedo, none, sizeof none));
  return now ? file_.Sync() : Status::Ok();
}

Status MemoFile::ReadRedo(size_t n, uint8_t* entry) const {
  if (fpt::kOffRedo + n > fpt::kHeaderSize) return Status::InvalidArgument("redo entry too long");
  return file_.Read(fpt::kOffRedo, n, entry);
}

Status MemoFile::ReadCloseMark(uint32_t* mark) const {
  uint8_t word[4];
  XB_RETURN_IF_ERROR(file_.Read(fpt::kOffCloseMark, sizeof word, word));
  *mark = base::Be32(word);
  return Status::Ok();
}

Status MemoFile::WriteCloseMark(uint32_t mark) {
  if (!writable_) return Status::ReadOnly(file_.path() + " is open read-only");
  uint8_t word[4];
  base::PutBe32(word, mark);
  XB_RETURN_IF_ERROR(file_.Write(fpt::kOffCloseMark, word, sizeof word));
  XB_RETURN_IF_ERROR(file_.Sync());
  dirty_ = false;
  return Status::Ok();
}

Status MemoFile::Sync() {
  if (!dirty_) return Status::Ok();
  XB_RETURN_IF_ERROR(file_.Sync());
  dirty_ = false;
  return Status::Ok();
}

Status MemoFile::CheckValue(uint32_t block, uint32_t next_free, uint32_t* blocks) {
  *blocks = 0;
  const std::string where = "memo block " + std::to_string(block);
  if (block < first_block_) return Status::Corrupt(where + " lies inside the memo file header");
  if (block >= next_free) return Status::Corrupt(where + " lies at or beyond the next free block");
  const uint64_t offset = uint64_t{block} * block_size_;
  uint8_t head[fpt::kBlockHeaderSize];
  XB_RETURN_IF_ERROR(ReadBlockHeader(offset, where, head));
  const uint32_t type = base::Be32(head + fpt::kOffBlockType);
  if (type > fpt::kTypeObject) {
    return Status::Corrupt(where + " has an unknown block type " + std::to_string(type));
  }
  const uint64_t length = base::Be32(head + fpt::kOffBlockLength);
  if (offset + fpt::kBlockHeaderSize + length > size_) {
    return Status::Corrupt(where + " holds a length that runs past the end of the memo file");
  }
  const uint64_t run = BlocksFor(fpt::kBlockHeaderSize + length);
  if (block + run > next_free) return Status::Corrupt(where + " runs past the next free block");
  *blocks = static_cast<uint32_t>(run);
  return Status::Ok();
}

}  // namespace xbase
