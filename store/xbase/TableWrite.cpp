// Table: record changes (edit, append, field writers, post, cancel, delete, recall), the
// index upkeep and syncing that go with them, and batches.
#include "store/xbase/TableImpl.h"

#include <algorithm>
#include <cstring>

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
  if (index_dirty && cdx != nullptr) {
    XB_RETURN_IF_ERROR(cdx->Sync());
    index_dirty = false;
  }
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

Status Table::Impl::Post() {
  if (pending == Pending::kNone) return Status::State("no edit or append is pending");
  if (!memo_changes.empty() && !memo) return Status::Corrupt(path + " has no memo file");
  FileLock header_lock;
  const bool append = pending == Pending::kAppend;
  if (append || !memo_changes.empty()) XB_RETURN_IF_ERROR(TakeHeaderForPost(append, &header_lock));

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

  // Memo blocks first, so that the record never points at text not yet written.
  XB_RETURN_IF_ERROR(WritePendingMemos(rec.data()));

  // An edit that may change keys takes the record's keys out before the record is
  // rewritten and puts the new ones in after it. Were both done after the write, a crash
  // in between would leave keys that no longer match their record while every tag still
  // held the right number of keys, which the index's open check cannot see; this way
  // the count is off until the edit is complete, and the index is found damaged.
  const bool split = !append && indexed() && KeyBytesChanged(saved.data(), rec.data());
  Status index_status;
  if (split) index_status = UpdateIndex(n, saved.data(), nullptr);

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
  if (index_status.ok()) index_status = UpdateIndex(n, append || split ? nullptr : saved.data(), rec.data());
  if (append) {
    // The header count last: a crash before it leaves the new record uncounted.
    uint8_t head[dbf::kDateAndCountSize];
    DbfHeader::EncodeDateAndCount(today, n, head);
    XB_RETURN_IF_ERROR(WriteHeaderBytes(dbf::kOffUpdateYear, head, sizeof head));
    date_stamped = true;
    header.record_count = n;
    count = n;
  } else {
    XB_RETURN_IF_ERROR(StampDate());
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
  Status s = dbf.Write(RecordOffset(recno) + dbf::kOffDeletedMark, &mark, dbf::kDeletedMarkSize);
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
  d.ReleaseBatchHeader();
  return s;
}

}  // namespace xbase
