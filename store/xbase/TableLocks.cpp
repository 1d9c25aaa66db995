// Table: record, header and whole-file byte locks, and the header lock an append or a
// memo allocation takes in shared mode.
#include "store/xbase/TableImpl.h"

#include "base/ByteOrder.h"

namespace xbase {

namespace {

// Others hold the header lock only while they append one record.
constexpr int kHeaderLockWaitMs = 3000;

}  // namespace

uint64_t Table::Impl::RecordLockOffset(uint32_t n) const {
  if (indexed_locks) return dbf::kIndexedHeaderLock - n;
  return dbf::kPlainLockBase + RecordOffset(n);
}

uint64_t Table::Impl::HeaderLockOffset() const {
  return indexed_locks ? dbf::kIndexedHeaderLock : dbf::kPlainLockBase;
}

Status Table::Impl::LockRecord(uint32_t n) {
  if (!shared()) return Status::Ok();
  Status s = FileLock::TryAcquire(dbf.fd(), RecordLockOffset(n), dbf::kLockLength, true, &record_lock);
  if (s.IsRecordLocked()) return Status::RecordLocked("record " + std::to_string(n) + " is locked by another user");
  return s;
}

Status Table::Impl::LockHeader(FileLock* lock) {
  if (!shared()) return Status::Ok();
  Status s = FileLock::Acquire(dbf.fd(), HeaderLockOffset(), dbf::kLockLength, true, kHeaderLockWaitMs, lock);
  if (s.IsRecordLocked()) return Status::RecordLocked("the table header is locked by another user");
  return s;
}

Status Table::Impl::LockWholeFile(FileLock* lock) {
  const uint64_t start = indexed_locks ? dbf::kIndexedFileLockStart : dbf::kPlainFileLockStart;
  const uint64_t length = indexed_locks ? dbf::kIndexedFileLockLength : dbf::kPlainFileLockLength;
  return FileLock::TryAcquire(dbf.fd(), start, length, true, lock);
}

Status Table::Impl::ReadHeaderCount() {
  uint8_t raw[dbf::kRecordCountSize];
  XB_RETURN_IF_ERROR(dbf.Read(dbf::kOffRecordCount, sizeof raw, raw));
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  SetCount(base::Le32(raw));
  if (truncated) return Status::Corrupt(path + " is shorter than its header says; not writing");
  return Status::Ok();
}

Status Table::Impl::TakeHeaderForPost(bool append, FileLock* lock) {
  if (!shared()) return Status::Ok();
  if (batch_depth == 0) {
    XB_RETURN_IF_ERROR(LockHeader(lock));
    return append ? ReadHeaderCount() : Status::Ok();
  }
  if (batch_header_lock.held()) return Status::Ok();
  XB_RETURN_IF_ERROR(LockHeader(&batch_header_lock));
  Status s = ReadHeaderCount();
  if (s.ok() && memo) s = memo->HoldHeader();
  if (!s.ok()) batch_header_lock.Release();
  return s;
}

void Table::Impl::ReleaseBatchHeader() {
  if (memo) memo->ReleaseHeader();
  batch_header_lock.Release();
}

}  // namespace xbase
