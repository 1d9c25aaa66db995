// Table: pack (removing deleted records and compacting the memo file) and zap, and
// finishing a pack that a crash interrupted.
#include "store/xbase/TableImpl.h"

#include <algorithm>
#include <cstring>

#include "store/xbase/FptFormat.h"

namespace xbase {

namespace {

// Names of the scratch files of a pack, beside the table. A packed table is first
// written under kBuilding names; renaming the table's file to kPacked marks the point
// from which the pack must be completed (by the next open, after a crash).
constexpr const char* kBuilding = ".packing";
constexpr const char* kPacked = ".packed";

// Record access to a table file that is not (yet) the open table: the packed copy that
// the new index is built from.
class MappedRecords final : public RecordSource {
 public:
  MappedRecords(const uint8_t* base, uint32_t header_length, uint32_t record_length, uint32_t count)
      : base_(base), header_length_(header_length), record_length_(record_length), count_(count) {}
  uint32_t RecordCount() override { return count_; }
  Status ReadRecord(uint32_t recno, const uint8_t** image) override {
    if (recno < 1 || recno > count_) return Status::InvalidArgument("record number out of range");
    *image = base_ + header_length_ + uint64_t{recno - 1} * record_length_;
    return Status::Ok();
  }

 private:
  const uint8_t* base_;
  uint32_t header_length_;
  uint32_t record_length_;
  uint32_t count_;
};

}  // namespace

bool Table::Impl::PackCommitted() const { return FileExists(path + kPacked); }

Status Table::Impl::RecoverPack() {
  // A pack got past its commit point: every new file is complete. Put them in place.
  if (!PackCommitted()) return Status::Ok();
  if (FileExists(memo_path + kBuilding)) XB_RETURN_IF_ERROR(RenameFile(memo_path + kBuilding, memo_path));
  if (FileExists(index_path + kBuilding)) {
    XB_RETURN_IF_ERROR(RenameFile(index_path + kBuilding, index_path));
  } else {
    XB_RETURN_IF_ERROR(RemoveFile(index_path));  // the old index belongs to the old records
  }
  XB_RETURN_IF_ERROR(RenameFile(path + kPacked, path));
  return SyncParentDirectory(path);
}

Status Table::Impl::Pack(const ProgressFn& fn) {
  if (mode != OpenMode::kExclusive) return Status::NeedExclusive("pack needs exclusive use");
  XB_RETURN_IF_ERROR(CheckNothingPending());
  XB_RETURN_IF_ERROR(CheckWritable());
  FileLock whole;
  XB_RETURN_IF_ERROR(LockWholeFile(&whole));
  Progress report(fn);
  report(0);

  const std::string dbf_tmp = path + kBuilding;
  const std::string memo_tmp = memo_path + kBuilding;
  const std::string index_tmp = index_path + kBuilding;
  // Scratch files are removed on a best-effort basis: one left behind is never taken for
  // a table file, and the next pack removes it.
  auto discard = [&]() {
    (void)RemoveFile(dbf_tmp);
    (void)RemoveFile(memo_tmp);
    (void)RemoveFile(index_tmp);
  };
  discard();  // leftovers of an earlier pack that never reached its commit point

  // 1. The packed copy, under scratch names. It is locked for exclusive use from the
  // start, so that it is ours the moment it takes the table's name.
  File out;
  Status s = File::CreateTruncate(dbf_tmp, &out);
  if (s.ok()) s = out.LockOpenMode(true);
  std::optional<MemoFile> out_memo;
  if (s.ok() && memo) {
    File raw;
    s = File::CreateTruncate(memo_tmp, &raw);
    if (s.ok()) s = MemoFile::WriteEmpty(&raw, memo->block_size());
    if (s.ok()) {
      out_memo.emplace();
      s = MemoFile::Open(memo_tmp, true, true, &*out_memo);
    }
  }
  std::vector<uint8_t> head(header.header_length);
  if (s.ok()) s = dbf.Read(0, head.size(), head.data());
  if (!s.ok()) {
    discard();
    return s;
  }

  const uint32_t len = header.record_length;
  const uint64_t chunk_records = std::max<uint64_t>(1, (1u << 20) / len);
  std::vector<uint8_t> chunk;
  chunk.reserve(chunk_records * len);
  uint64_t write_at = header.header_length;
  uint32_t kept = 0;
  std::string value;
  for (uint32_t n = 1; n <= count && s.ok(); ++n) {
    const uint8_t* p = RecordPtr(n);
    if (p == nullptr) {
      s = Status::IoError("cannot map " + path);
      break;
    }
    if (p[dbf::kOffDeletedMark] != dbf::kDeleted) {
      const size_t at = chunk.size();
      chunk.insert(chunk.end(), p, p + len);
      uint8_t* image = chunk.data() + at;
      image[dbf::kOffDeletedMark] = dbf::kActive;
      for (const FieldDesc& f : header.fields) {
        if (f.type != FieldType::kMemo) continue;
        uint32_t block = 0;
        uint32_t type = fpt::kTypeText;
        // A pointer that leads nowhere readable is dropped: the text was lost already.
        if (!DecodeMemoPointer(image, f, &block).ok() || block == 0 || !memo->Read(block, &value, &type).ok() ||
            value.empty()) {
          EncodeMemoPointer(image, f, 0);
          continue;
        }
        uint32_t new_block = 0;
        s = out_memo->Append(value, type, &new_block);
        if (!s.ok()) break;
        EncodeMemoPointer(image, f, new_block);
      }
      ++kept;
    }
    if (chunk.size() >= chunk_records * len || n == count) {
      if (s.ok() && !chunk.empty()) s = out.Write(write_at, chunk.data(), chunk.size());
      write_at += chunk.size();
      chunk.clear();
    }
    report(static_cast<int>(uint64_t{n} * 100 / count));
  }
  if (s.ok()) {
    DbfHeader::EncodeDateAndCount(today, kept, head.data() + dbf::kOffUpdateYear);
    s = out.Write(0, head.data(), head.size());
  }
  const uint8_t eof_marker = dbf::kEofMarker;
  if (s.ok()) s = out.Write(write_at, &eof_marker, 1);
  if (s.ok()) s = out.Sync();
  if (s.ok() && out_memo) s = out_memo->Sync();
  if (!s.ok()) {
    discard();
    return s;
  }
  report(100);

  // 2. The new index, built from the packed copy.
  std::vector<TagDefinition> defs;
  if (indexed()) defs = cdx->Definitions();
  std::unique_ptr<CdxIndex> built;
  if (!defs.empty()) {
    FileMapping view;
    s = view.Cover(out.fd(), write_at + 1);
    if (s.ok()) {
      MappedRecords source(view.data(), header.header_length, len, kept);
      s = CdxIndex::Build(index_tmp, header.fields, defs, source, fn, &built, CodePageOfMark(header.code_page));
    }
    built.reset();
    if (!s.ok()) {
      discard();
      return s;
    }
  }

  // 3. Swap the files. The old index goes first (it would describe the wrong records);
  // renaming the packed table to its marked name is the commit point.
  const int keep_order = order;
  cursor.reset();
  order = 0;
  cdx.reset();
  s = RemoveFile(index_path);
  if (s.ok()) s = SyncParentDirectory(path);
  if (s.ok()) s = RenameFile(dbf_tmp, path + kPacked);
  if (s.ok()) s = SyncParentDirectory(path);
  if (!s.ok()) {
    discard();
    index_state = (header.flags & dbf::kFlagStructuralIndex) != 0 ? IndexState::kMissing : IndexState::kNone;
    index_problem = "index file removed by an unfinished pack";
    return s;
  }
  s = RecoverPack();
  if (!s.ok()) return Status::IoError("pack could not put its files in place (the next open finishes it): " + s.message());

  // 4. Carry on with the new files.
  whole.Release();
  map.Reset();
  dbf = std::move(out);
  dbf.set_path(path);
  // The writers' lock belongs to the old memo file.
  writer_lock.Release();
  memo.reset();
  if (out_memo) {
    out_memo.reset();
    memo.emplace();
    XB_RETURN_IF_ERROR(MemoFile::Open(memo_path, true, true, &*memo));
    bool was_clean = false;
    XB_RETURN_IF_ERROR(RegisterWriter(&was_clean));
  }
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  header.record_count = kept;
  SetCount(kept);
  dbf_dirty = false;
  date_stamped = true;
  index_state = IndexState::kNone;
  if (!defs.empty()) {
    std::unique_ptr<CdxIndex> reopened;
    s = CdxIndex::Open(index_path, header.fields, false, &reopened, CodePageOfMark(header.code_page));
    if (!s.ok()) {
      index_state = IndexState::kDamaged;
      index_problem = s.message();
    } else {
      AdoptIndex(std::move(reopened), keep_order);
    }
  } else if ((header.flags & dbf::kFlagStructuralIndex) != 0) {
    index_state = IndexState::kMissing;
    index_problem = "index file " + index_path + " is missing";
  }
  XB_RETURN_IF_ERROR(GoTop());
  return s;
}

Status Table::Impl::Zap(const ProgressFn& fn) {
  if (mode != OpenMode::kExclusive) return Status::NeedExclusive("zap needs exclusive use");
  XB_RETURN_IF_ERROR(CheckNothingPending());
  FileLock whole;
  XB_RETURN_IF_ERROR(LockWholeFile(&whole));
  Progress report(fn);
  report(0);
  // The count first: from then on the old records are outside the table.
  uint8_t head[dbf::kDateAndCountSize];
  DbfHeader::EncodeDateAndCount(today, 0, head);
  XB_RETURN_IF_ERROR(dbf.Write(dbf::kOffUpdateYear, head, sizeof head));
  XB_RETURN_IF_ERROR(dbf.Sync());
  header.record_count = 0;
  count = 0;
  truncated = false;
  map.Reset();
  const uint8_t eof_marker = dbf::kEofMarker;
  XB_RETURN_IF_ERROR(dbf.Truncate(header.header_length));
  XB_RETURN_IF_ERROR(dbf.Write(header.header_length, &eof_marker, 1));
  file_size = header.header_length + 1;
  dbf_dirty = true;
  if (memo) {
    XB_RETURN_IF_ERROR(memo->Reset());
    // The new header has no close mark: this open counts itself in again.
    bool was_clean = false;
    XB_RETURN_IF_ERROR(RegisterWriter(&was_clean));
  }
  report(50);
  if (indexed()) {
    Status s = cdx->Clear();
    if (!s.ok()) MarkIndexDamaged("emptying the index failed: " + s.ToString());
  }
  cursor_synced = false;
  XB_RETURN_IF_ERROR(SyncNow());
  SetEof();
  bof = true;
  report(100);
  return Status::Ok();
}

Status Table::Pack(const ProgressFn& progress) { return impl_->Pack(progress); }
Status Table::Zap(const ProgressFn& progress) { return impl_->Zap(progress); }

}  // namespace xbase
