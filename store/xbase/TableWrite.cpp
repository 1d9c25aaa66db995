// Table: record changes (edit, append, field writers, post, cancel, delete, recall), the
// index upkeep and syncing that go with them, and batches.
#include "store/xbase/TableImpl.h"

#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"
#include "store/xbase/FptFormat.h"

namespace xbase {

Status Table::Impl::CheckWritable() const {
  if (mode == OpenMode::kReadOnly) return Status::ReadOnly(path + " is open read-only");
  if (truncated) return Status::Corrupt(path + " is truncated; it is not written to");
  return Status::Ok();
}

Status Table::Impl::CheckNothingPending() const {
  if (pending != Pending::kNone) return Status::State("post or cancel the pending change first");
  return Status::Ok();
}

Status Table::Impl::WriteHeaderBytes(uint32_t offset, const uint8_t* bytes, size_t n) {
  XB_RETURN_IF_ERROR(dbf.Write(offset, bytes, n));
  dbf_dirty = true;
  return Status::Ok();
}

Status Table::Impl::StampDate() {
  if (date_stamped) return Status::Ok();
  XB_RETURN_IF_ERROR(WriteHeaderBytes(dbf::kOffUpdateYear, today, sizeof today));
  date_stamped = true;
  return Status::Ok();
}

Status Table::Impl::SyncIfDue() {
  if (batch_depth > 0) return Status::Ok();
  return SyncNow();
}

Status Table::Impl::SyncNow() {
  if (memo) XB_RETURN_IF_ERROR(memo->Sync());
  if (dbf_dirty) {
    XB_RETURN_IF_ERROR(dbf.Sync());
    dbf_dirty = false;
  }
  if (count_unsaved) {
    // The count of a batch's appends only once their records and notes are on the disk:
    // a power cut before it leaves them uncounted, never counted and missing.
    XB_RETURN_IF_ERROR(WriteCount());
    XB_RETURN_IF_ERROR(dbf.Sync());
    dbf_dirty = false;
  }
  if (index_dirty && cdx != nullptr) {
    XB_RETURN_IF_ERROR(cdx->Sync());
    index_dirty = false;
  }
  return Status::Ok();
}

Status Table::Impl::WriteCount() {
  uint8_t head[dbf::kDateAndCountSize];
  DbfHeader::EncodeDateAndCount(today, header.record_count, head);
  XB_RETURN_IF_ERROR(WriteHeaderBytes(dbf::kOffUpdateYear, head, sizeof head));
  date_stamped = true;
  count_unsaved = false;
  return Status::Ok();
}

Status Table::Impl::UpdateIndex(uint32_t n, const uint8_t* old_image, const uint8_t* new_image) {
  if (!indexed()) return Status::Ok();
  index_dirty = true;
  Status s = cdx->Update(n, old_image, new_image);
  if (!s.ok()) {
    MarkIndexDamaged("index update failed: " + s.ToString());
    return Prefixed(s, "record " + std::to_string(n) + " was stored but the index update failed: ");
  }
  return Status::Ok();
}

bool Table::Impl::KeyBytesChanged(const uint8_t* a, const uint8_t* b) const {
  uint32_t from = 0;
  for (const FieldDesc& f : header.fields) {
    if (f.type != FieldType::kMemo) continue;
    if (std::memcmp(a + from, b + from, f.offset - from) != 0) return true;
    from = f.offset + f.width;
  }
  return std::memcmp(a + from, b + from, header.record_length - from) != 0;
}

Status Table::Impl::WritePendingMemos(uint8_t* image) {
  for (auto& [field, text] : memo_changes) {
    const FieldDesc& f = header.fields[field];
    // A changed note always goes to new blocks, never over the old text: until the record
    // is rewritten to point at them, the old note stays whole, so a crash between the two
    // writes leaves the task as it was. Pack reclaims the blocks left behind.
    uint32_t block = 0;
    XB_RETURN_IF_ERROR(memo->Write(text, &block));
    EncodeMemoPointer(image, f, block);
  }
  return Status::Ok();
}

bool Table::Impl::UsesRedo() const {
  return memo.has_value() && header.record_length <= fpt::kRedoMaxRecordLength;
}

namespace {

uint32_t Fnv1a(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

}  // namespace

Status Table::Impl::WriteRedo(uint32_t n) {
  const uint32_t len = header.record_length;
  std::vector<uint8_t> entry(fpt::kRedoFixedSize + 2 * size_t{len});
  base::PutBe32(entry.data(), fpt::kRedoMagic);
  base::PutBe32(entry.data() + fpt::kRedoOffRecno, n);
  base::PutBe32(entry.data() + fpt::kRedoOffLength, len);
  if (n != fpt::kRedoBatch) {
    std::memcpy(entry.data() + fpt::kRedoOffImages, saved.data(), len);
    std::memcpy(entry.data() + fpt::kRedoOffImages + len, rec.data(), len);
  }
  const size_t sum_at = entry.size() - 4;
  base::PutBe32(entry.data() + sum_at, Fnv1a(entry.data(), sum_at));
  return memo->WriteRedo(entry.data(), entry.size());
}

Status Table::Impl::MarkBatch() {
  if (batch_marked) return Status::Ok();
  // Held to the batch's end, so that no other open writes its own entry over the mark.
  FileLock unused;
  XB_RETURN_IF_ERROR(TakeHeaderForPost(false, &unused));
  XB_RETURN_IF_ERROR(WriteRedo(fpt::kRedoBatch));
  XB_RETURN_IF_ERROR(memo->Sync());
  batch_marked = true;
  return Status::Ok();
}

Status Table::Impl::FinishTornRewrite(bool* cut_short) {
  *cut_short = false;
  if (!UsesRedo()) return Status::Ok();
  const uint32_t len = header.record_length;
  std::vector<uint8_t> entry(fpt::kRedoFixedSize + 2 * size_t{len});
  if (!memo->ReadRedo(entry.size(), entry.data()).ok()) return Status::Ok();  // a short header: none
  const size_t sum_at = entry.size() - 4;
  const uint32_t n = base::Be32(entry.data() + fpt::kRedoOffRecno);
  if (base::Be32(entry.data()) != fpt::kRedoMagic || base::Be32(entry.data() + fpt::kRedoOffLength) != len ||
      base::Be32(entry.data() + sum_at) != Fnv1a(entry.data(), sum_at) || n > count) {
    return Status::Ok();  // no entry, or one for another table layout
  }
  if (n == fpt::kRedoBatch) {
    // A batch that another open is running holds the header lock.
    FileLock batch;
    if (shared() && !FileLock::TryAcquire(dbf.fd(), HeaderLockOffset(), dbf::kLockLength, true, &batch).ok()) {
      return Status::Ok();
    }
    *cut_short = true;
    return Status::Ok();
  }
  // Another open editing the record holds its lock, and the entry is its own.
  if (!LockRecord(n).ok()) return Status::Ok();
  FileLock held = std::move(record_lock);
  *cut_short = true;
  const uint8_t* before = entry.data() + fpt::kRedoOffImages;
  const uint8_t* after = before + len;
  const uint64_t at = RecordOffset(n);
  std::vector<uint8_t> now(len);
  XB_RETURN_IF_ERROR(dbf.Read(at, len, now.data()));
  if (std::memcmp(now.data(), after, len) == 0) return Status::Ok();
  // Only a record made of the two images, sector by sector, with some of the new one, is
  // finished. Wholly old, the rewrite never reached the disk, and the entry may be one whose
  // sync did not return either (the notes it points at, the old keys' removal); a record
  // that differs from both images was changed since (deleted), and the entry is stale.
  constexpr uint64_t kSector = 512;
  bool some_new = false;
  for (uint64_t from = at; from < at + len;) {
    const uint64_t to = std::min(at + len, (from / kSector + 1) * kSector);
    const size_t i = static_cast<size_t>(from - at);
    const size_t k = static_cast<size_t>(to - from);
    const bool is_old = std::memcmp(now.data() + i, before + i, k) == 0;
    if (!is_old && std::memcmp(now.data() + i, after + i, k) != 0) return Status::Ok();
    some_new = some_new || !is_old;
    from = to;
  }
  if (!some_new) return Status::Ok();
  XB_RETURN_IF_ERROR(dbf.Write(at, after, len));
  return dbf.Sync();
}

Status Table::Impl::Post() {
  if (pending == Pending::kNone) return Status::State("no edit or append is pending");
  if (!memo_changes.empty() && !memo) return Status::Corrupt(path + " has no memo file");
  FileLock header_lock;
  const bool append = pending == Pending::kAppend;
  // An edit's redo entry lives in the memo header, which the header lock guards.
  const bool redo = !append && UsesRedo();
  if (append || redo || !memo_changes.empty()) XB_RETURN_IF_ERROR(TakeHeaderForPost(append, &header_lock));

  uint32_t n = recno;
  if (append) {
    const uint32_t header_count = header.record_count;
    if (indexed_locks && header_count >= dbf::kIndexedMaxRecords) {
      return Status::IoError(path + " is full");
    }
    if (RecordOffset(header_count + 1) + header.record_length + 1 > dbf::kMaxFileSize) {
      return Status::IoError(path + " is full (a table file holds at most 2 GB)");
    }
    n = header_count + 1;
    XB_RETURN_IF_ERROR(LockRecord(n));
  }

  // Durability against a power cut, which may keep any part of what was not yet synced:
  // each step below is synced before the next one can make it visible.
  // Memo blocks first. An edited record is visible at once, so the blocks it will point at
  // are synced before it is written; an appended one only once the header counts it.
  // The record's redo entry goes with them: a rewrite in place that a power cut tears at a
  // sector boundary is finished from it at the next open.
  const bool new_notes = !memo_changes.empty();
  XB_RETURN_IF_ERROR(WritePendingMemos(rec.data()));
  if (redo) XB_RETURN_IF_ERROR(WriteRedo(n));
  if (!append && (new_notes || redo)) XB_RETURN_IF_ERROR(memo->Sync());

  // An edit that changes keys swaps them in place after the record is written. A power cut
  // may then keep the record and any part of the index changes; the redo entry, cleared only
  // once everything is synced, tells the next open to rebuild the index. Without a redo
  // entry, the old keys go out and are synced before the record is rewritten, so that the
  // tags hold one key too few until the edit is complete, which the index's open check sees.
  const bool split = !append && indexed() && KeyBytesChanged(saved.data(), rec.data());
  const bool keys_first = split && !redo;
  Status index_status;
  if (keys_first) {
    index_status = UpdateIndex(n, saved.data(), nullptr);
    if (index_status.ok()) {
      const Status synced = cdx->Sync();
      if (!synced.ok()) {
        MarkIndexDamaged("index sync failed: " + synced.ToString());
        return synced;
      }
    }
  }

  if (append) {
    // The record and the end-of-file marker in one write, beyond every counted record.
    std::vector<uint8_t>& out = scratch;
    out.assign(rec.begin(), rec.end());
    out.push_back(dbf::kEofMarker);
    XB_RETURN_IF_ERROR(dbf.Write(RecordOffset(n), out.data(), out.size()));
    dbf_dirty = true;
    file_size = std::max(file_size, RecordOffset(n) + out.size());
  } else {
    XB_RETURN_IF_ERROR(dbf.Write(RecordOffset(n), rec.data(), rec.size()));
    dbf_dirty = true;
  }
  if (keys_first) {
    XB_RETURN_IF_ERROR(dbf.Sync());
    dbf_dirty = false;
  }
  if (index_status.ok()) index_status = UpdateIndex(n, append || keys_first ? nullptr : saved.data(), rec.data());
  if (append) {
    // The header count last, once the record and its notes are synced: a crash before it
    // leaves the new record uncounted. A batch writes it once, when it ends.
    if (batch_depth == 0) {
      if (memo) XB_RETURN_IF_ERROR(memo->Sync());
      XB_RETURN_IF_ERROR(dbf.Sync());
    }
    const uint32_t before = header.record_count;
    header.record_count = n;
    count_unsaved = true;
    if (batch_depth == 0) {
      if (const Status s = WriteCount(); !s.ok()) {
        header.record_count = before;
        count_unsaved = false;
        return s;
      }
    }
    count = n;
  } else {
    XB_RETURN_IF_ERROR(StampDate());
  }
  if (redo) {
    // Synced even in a batch, and the entry cleared while the header lock keeps other opens
    // from writing theirs.
    XB_RETURN_IF_ERROR(SyncNow());
    XB_RETURN_IF_ERROR(batch_marked ? WriteRedo(fpt::kRedoBatch) : memo->ClearRedo());
  }
  header_lock.Release();
  XB_RETURN_IF_ERROR(SyncIfDue());
  record_lock.Release();
  pending = Pending::kNone;
  memo_changes.clear();
  if (append || recno != n) cursor_synced = false;
  relocate = true;
  recno = n;
  eof = false;
  bof = false;
  return index_status;
}

void Table::Impl::Cancel() {
  if (pending == Pending::kNone) return;
  const Pending was = pending;
  pending = Pending::kNone;
  memo_changes.clear();
  record_lock.Release();
  if (was == Pending::kEdit) {
    rec = saved;
    return;
  }
  if (append_from_eof || append_from_recno < 1 || append_from_recno > count) {
    SetEof();
  } else if (const uint8_t* p = RecordPtr(append_from_recno)) {
    Land(append_from_recno, p);
  } else {
    SetEof();
  }
}

Status Table::Impl::SetDeleted(bool deleted) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckNothingPending());
  if (eof || recno < 1 || recno > count) return Status::State("no current record");
  XB_RETURN_IF_ERROR(LockRecord(recno));
  const uint8_t* p = RecordPtr(recno);
  if (p == nullptr) {
    record_lock.Release();
    return Status::IoError("cannot map " + path);
  }
  saved.assign(p, p + header.record_length);
  const uint8_t mark = deleted ? dbf::kDeleted : dbf::kActive;
  if (saved[dbf::kOffDeletedMark] == mark) {
    record_lock.Release();
    rec = saved;
    return Status::Ok();
  }
  std::vector<uint8_t> now = saved;
  now[dbf::kOffDeletedMark] = mark;
  // In a batch, several marks and key changes wait for one sync, and a crash could keep the
  // mark of one record and the keys of another: the tags would hold the right number of
  // wrong keys. The batch's mark in the redo entry, synced before the first of them is
  // written, has the next open rebuild the index; without a redo entry, each mark is synced
  // before its keys change. A failure on the way leaves the record as it was, so that a
  // deletion reported as failed has not happened.
  const bool batched = batch_depth > 0 && indexed();
  const uint64_t at = RecordOffset(recno) + dbf::kOffDeletedMark;
  Status s = batched && UsesRedo() ? MarkBatch() : Status::Ok();
  if (s.ok()) s = dbf.Write(at, &mark, dbf::kDeletedMarkSize);
  if (s.ok() && batched && !UsesRedo()) {
    s = dbf.Sync();
    // Best effort: the mark may be in the cache; the old one goes over it.
    if (!s.ok()) static_cast<void>(dbf.Write(at, &saved[dbf::kOffDeletedMark], dbf::kDeletedMarkSize));
  }
  if (!s.ok()) {
    record_lock.Release();
    return s;
  }
  dbf_dirty = true;
  rec = now;
  relocate = true;
  Status index_status = UpdateIndex(recno, saved.data(), now.data());
  s = StampDate();
  if (s.ok()) s = SyncIfDue();
  record_lock.Release();
  XB_RETURN_IF_ERROR(s);
  return index_status;
}

Status Table::Edit() {
  Impl& d = *impl_;
  XB_RETURN_IF_ERROR(d.CheckWritable());
  if (d.pending != Impl::Pending::kNone) return Status::State("a change is pending already");
  if (d.eof || d.recno < 1 || d.recno > d.count) return Status::State("no current record");
  XB_RETURN_IF_ERROR(d.LockRecord(d.recno));
  const uint8_t* p = d.RecordPtr(d.recno);
  if (p == nullptr) {
    d.record_lock.Release();
    return Status::IoError("cannot map " + d.path);
  }
  if (!d.Visible(d.recno, p)) {
    d.record_lock.Release();
    return Status::NotFound("record " + std::to_string(d.recno) + " no longer passes the filter");
  }
  d.saved.assign(p, p + d.header.record_length);
  d.rec = d.saved;
  d.pending = Impl::Pending::kEdit;
  d.memo_changes.clear();
  return Status::Ok();
}

Status Table::Append() {
  Impl& d = *impl_;
  XB_RETURN_IF_ERROR(d.CheckWritable());
  if (d.pending != Impl::Pending::kNone) return Status::State("a change is pending already");
  d.append_from_eof = d.eof;
  d.append_from_recno = d.recno;
  d.rec = d.blank;
  d.saved.clear();
  d.memo_changes.clear();
  d.pending = Impl::Pending::kAppend;
  return Status::Ok();
}

Status Table::SetString(int field, std::string_view bytes) {
  Impl& d = *impl_;
  if (d.pending == Impl::Pending::kNone) return Status::State("no edit or append is pending");
  if (field < 0 || static_cast<size_t>(field) >= d.header.fields.size()) {
    return Status::InvalidArgument("no field " + std::to_string(field));
  }
  const FieldDesc& f = d.header.fields[field];
  uint8_t* p = d.rec.data() + f.offset;
  switch (f.type) {
    case FieldType::kMemo:
      return Status::InvalidArgument(f.name + " is a memo field");
    case FieldType::kNumeric:
    case FieldType::kFloat: {
      // Numbers are right-aligned; one that does not fit is refused, never cut.
      size_t b = 0;
      size_t e = bytes.size();
      while (b < e && bytes[b] == ' ') ++b;
      while (e > b && bytes[e - 1] == ' ') --e;
      if (e - b > f.width) return Status::InvalidArgument("value does not fit in " + f.name);
      std::memset(p, ' ', f.width);
      std::memcpy(p + f.width - (e - b), bytes.data() + b, e - b);
      return Status::Ok();
    }
    default: {
      const size_t n = std::min<size_t>(bytes.size(), f.width);
      std::memcpy(p, bytes.data(), n);
      std::memset(p + n, ' ', f.width - n);
      return Status::Ok();
    }
  }
}

Status Table::SetLogical(int field, bool value) {
  Impl& d = *impl_;
  if (d.pending == Impl::Pending::kNone) return Status::State("no edit or append is pending");
  if (field < 0 || static_cast<size_t>(field) >= d.header.fields.size() ||
      d.header.fields[field].type != FieldType::kLogical) {
    return Status::InvalidArgument("not a logical field");
  }
  d.rec[d.header.fields[field].offset] = value ? 'T' : 'F';
  return Status::Ok();
}

Status Table::SetMemo(int field, std::string_view text) {
  Impl& d = *impl_;
  if (d.pending == Impl::Pending::kNone) return Status::State("no edit or append is pending");
  if (field < 0 || static_cast<size_t>(field) >= d.header.fields.size() ||
      d.header.fields[field].type != FieldType::kMemo) {
    return Status::InvalidArgument("not a memo field");
  }
  for (auto& [f, t] : d.memo_changes) {
    if (f == field) {
      t.assign(text);
      return Status::Ok();
    }
  }
  d.memo_changes.emplace_back(field, std::string(text));
  return Status::Ok();
}

Status Table::Post() { return impl_->Post(); }
void Table::Cancel() { impl_->Cancel(); }
bool Table::editing() const { return impl_->pending != Impl::Pending::kNone; }
Status Table::Delete() { return impl_->SetDeleted(true); }
Status Table::Recall() { return impl_->SetDeleted(false); }

void Table::BeginBatch() { ++impl_->batch_depth; }

Status Table::EndBatch() {
  Impl& d = *impl_;
  if (d.batch_depth == 0) return Status::State("no batch is open");
  if (--d.batch_depth > 0) return Status::Ok();
  Status s = d.SyncNow();
  if (s.ok() && d.batch_marked) s = d.memo->ClearRedo();
  d.batch_marked = false;
  d.ReleaseBatchHeader();
  return s;
}

}  // namespace xbase
