#include "store/xbase/Table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <utility>

#include "store/xbase/ByteOrder.h"
#include "store/xbase/CdxFormat.h"
#include "store/xbase/CdxIndex.h"
#include "store/xbase/DbfFormat.h"
#include "store/xbase/DbfHeader.h"
#include "store/xbase/Expression.h"
#include "store/xbase/File.h"
#include "store/xbase/FileLock.h"
#include "store/xbase/FileMapping.h"
#include "store/xbase/FptFormat.h"
#include "store/xbase/MemoFile.h"

namespace xbase {

namespace {

// Others hold the header lock only while they append one record.
constexpr int kHeaderLockWaitMs = 3000;
// Check reports at most this many problems with records, then a summary line.
constexpr size_t kMaxRecordProblems = 1000;

// Names of the scratch files of a pack, beside the table. A packed table is first
// written under kBuilding names; renaming the table's file to kPacked marks the point
// from which the pack must be completed (by the next open, after a crash).
constexpr const char* kBuilding = ".packing";
constexpr const char* kPacked = ".packed";

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The path of a sibling file with extension `ext` (upper case, e.g. "FPT"). The case of
// the extension follows the table's; when only the other case exists, that one is used.
std::string SiblingPath(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  std::string stem = path;
  bool lower = false;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    stem = path.substr(0, dot);
    for (size_t i = dot + 1; i < path.size(); ++i) {
      if (std::islower(static_cast<unsigned char>(path[i]))) lower = true;
    }
  }
  std::string upper_ext = ext;
  std::string lower_ext = ext;
  for (char& c : lower_ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string first = stem + "." + (lower ? lower_ext : upper_ext);
  const std::string second = stem + "." + (lower ? upper_ext : lower_ext);
  if (!FileExists(first) && FileExists(second)) return second;
  return first;
}

// `s` with `prefix` put before its message, keeping its code.
Status Prefixed(const Status& s, const std::string& prefix) {
  const std::string m = prefix + s.message();
  switch (s.code()) {
    case Status::Code::kOk: return s;
    case Status::Code::kNotFound: return Status::NotFound(m);
    case Status::Code::kIoError: return Status::IoError(m);
    case Status::Code::kCorrupt: return Status::Corrupt(m);
    case Status::Code::kRecordLocked: return Status::RecordLocked(m);
    case Status::Code::kInUse: return Status::InUse(m);
    case Status::Code::kSyntax: return Status::Syntax(m);
    case Status::Code::kTypeMismatch: return Status::TypeMismatch(m);
    case Status::Code::kReadOnly: return Status::ReadOnly(m);
    case Status::Code::kNeedExclusive: return Status::NeedExclusive(m);
    case Status::Code::kInvalidArgument: return Status::InvalidArgument(m);
    case Status::Code::kNotSupported: return Status::NotSupported(m);
    case Status::Code::kState: return Status::State(m);
  }
  return Status::IoError(m);
}

bool KeyStartsWith(std::string_view key, std::string_view prefix) {
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char k = i < key.size() ? key[i] : ' ';
    if (k != prefix[i]) return false;
  }
  return true;
}

// Reports whole percentages, each at most once and never going back.
class Progress {
 public:
  explicit Progress(const ProgressFn& fn) : fn_(fn) {}
  void operator()(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (fn_ && percent > last_) {
      last_ = percent;
      fn_(percent);
    }
  }

 private:
  const ProgressFn& fn_;
  int last_ = -1;
};

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

struct Table::Impl final : public RecordSource {
  enum class Pending { kNone, kEdit, kAppend };

  std::string path;
  std::string memo_path;
  std::string index_path;
  OpenMode mode = OpenMode::kShared;
  File dbf;
  FileMapping map;
  std::optional<MemoFile> memo;
  std::unique_ptr<CdxIndex> cdx;
  IndexState index_state = IndexState::kNone;
  std::string index_problem;
  bool indexed_locks = false;  // which of the two lock schemes the table uses

  DbfHeader header;
  uint32_t count = 0;       // records we can read
  uint64_t file_size = 0;   // size of the table file as last seen
  bool truncated = false;   // the file holds fewer records than its header counts
  bool date_stamped = false;
  uint8_t today[dbf::kUpdateDateSize] = {0, 0, 0};

  uint32_t recno = 1;
  bool eof = true;
  bool bof = true;
  std::vector<uint8_t> rec;    // current record, or the pending image
  std::vector<uint8_t> saved;  // the record as read at Edit
  std::vector<uint8_t> blank;  // image of a blank record
  std::vector<uint8_t> scratch;
  Pending pending = Pending::kNone;
  std::vector<std::pair<int, std::string>> memo_changes;
  FileLock record_lock;
  FileLock batch_header_lock;
  uint32_t append_from_recno = 0;
  bool append_from_eof = true;

  int batch_depth = 0;
  bool dbf_dirty = false;
  bool turbo = false;

  Expression filter;
  std::string filter_text;
  Expression eval_expr;

  int order = 0;
  std::unique_ptr<CdxIndex::Cursor> cursor;
  bool cursor_synced = false;  // the cursor is at the current record's entry
  bool cursor_after = false;   // the cursor is on the entry after the current record
  bool relocate = false;       // the current record was written since the cursor found it
  bool index_dirty = false;
  std::vector<std::optional<Expression>> tag_keys;  // compiled on demand

  // ---- RecordSource
  uint32_t RecordCount() override {
    RefreshCount();
    return count;
  }
  Status ReadRecord(uint32_t n, const uint8_t** image) override {
    if (n < 1 || n > count) {
      RefreshCount();
      if (n < 1 || n > count) return Status::InvalidArgument("record " + std::to_string(n) + " does not exist");
    }
    *image = RecordPtr(n);
    return *image != nullptr ? Status::Ok() : Status::IoError("cannot map " + path);
  }

  // ---- geometry and reading
  uint64_t RecordOffset(uint32_t n) const {
    return header.header_length + uint64_t{n - 1} * header.record_length;
  }

  // The record `n` (1..count) in the mapped view; nullptr when it cannot be mapped.
  const uint8_t* RecordPtr(uint32_t n) {
    const uint64_t end = RecordOffset(n) + header.record_length;
    if (end > map.valid()) {
      if (!map.Cover(dbf.fd(), std::max(file_size, end)).ok()) return nullptr;
      if (turbo) map.AdviseSequential(true);
    }
    return map.data() + RecordOffset(n);
  }

  bool shared() const { return mode != OpenMode::kExclusive; }
  bool indexed() const { return cdx != nullptr && index_state == IndexState::kOk; }

  // Takes the record count from the header count and the file size, clamping it to the
  // whole records the file holds.
  void SetCount(uint32_t header_count) {
    const uint64_t room = file_size > header.header_length ? file_size - header.header_length : 0;
    const uint64_t fits = room / header.record_length;
    truncated = header_count > fits;
    count = truncated ? static_cast<uint32_t>(fits) : header_count;
    header.record_count = header_count;
  }

  // Another open may have appended: when the file size changed, re-read the header count.
  void RefreshCount() {
    if (!shared()) return;
    uint64_t size = 0;
    if (!dbf.Size(&size).ok() || size == file_size) return;
    // The count first, then the size: a writer stores a record before the count that
    // includes it, so the size read afterwards covers every counted record.
    uint8_t raw[dbf::kRecordCountSize];
    if (!dbf.Read(dbf::kOffRecordCount, sizeof raw, raw).ok() || !dbf.Size(&size).ok()) return;
    file_size = size;
    SetCount(Le32(raw));
  }

  bool Visible(uint32_t n, const uint8_t* image) const {
    return !filter.valid() || filter.EvalLogical(EvalContext{image, n});
  }

  // ---- positioning
  void SetEof() {
    RefreshCount();
    eof = true;
    recno = count + 1;
    rec = blank;
    cursor_synced = false;
  }
  void Land(uint32_t n, const uint8_t* image) {
    recno = n;
    eof = false;
    bof = false;
    std::memcpy(rec.data(), image, rec.size());
  }

  // First visible record at or after `from` (record order), or 0.
  uint32_t NextVisible(uint32_t from) {
    for (int pass = 0; pass < 2; ++pass) {
      for (uint32_t n = from; n <= count; ++n) {
        const uint8_t* p = RecordPtr(n);
        if (p == nullptr) return 0;
        if (Visible(n, p)) return n;
      }
      from = std::max(from, count + 1);
      const uint32_t before = count;
      RefreshCount();
      if (count == before) break;
    }
    return 0;
  }
  // Last visible record at or before `from` (record order), or 0.
  uint32_t PriorVisible(uint32_t from) {
    for (uint32_t n = std::min(from, count); n >= 1; --n) {
      const uint8_t* p = RecordPtr(n);
      if (p == nullptr) return 0;
      if (Visible(n, p)) return n;
    }
    return 0;
  }

  // Whether the cursor's entry `n` may be shown: a counted record passing the filter.
  bool Acceptable(uint32_t n, const uint8_t** image) {
    if (n < 1) return false;
    if (n > count) RefreshCount();
    if (n > count) return false;  // keys of a record another open has not counted yet
    *image = RecordPtr(n);
    return *image != nullptr && Visible(n, *image);
  }

  // Moves the cursor from its entry in `forward` direction to the first acceptable one
  // and lands there; false when the cursor runs off the end.
  Status CursorSettle(bool forward, bool* landed) {
    *landed = false;
    while (!cursor->eof() && !cursor->bof()) {
      const uint8_t* image = nullptr;
      const uint32_t n = cursor->recno();
      if (Acceptable(n, &image)) {
        Land(n, image);
        cursor_synced = true;
        cursor_after = false;
        relocate = false;
        *landed = true;
        return Status::Ok();
      }
      XB_RETURN_IF_ERROR(forward ? cursor->Next() : cursor->Prior());
    }
    return Status::Ok();
  }

  const Expression* TagKey(int tag) {
    if (tag_keys.size() != static_cast<size_t>(cdx->TagCount())) {
      tag_keys.clear();
      tag_keys.resize(cdx->TagCount());
    }
    std::optional<Expression>& slot = tag_keys[tag];
    if (!slot) {
      Expression e;
      if (!Expression::Compile(cdx->Tag(tag).key, header.fields, &e).ok()) return nullptr;
      slot = std::move(e);
    }
    return &*slot;
  }

  // Puts the cursor on the current record's entry. After a write to the record, its
  // entry is looked up again with the new image; when the record has left the tag, the
  // cursor stays at its old place, from which Next and Prior go to the neighbours. When
  // the record was never found in the tag (Go to a record outside it), the cursor goes to
  // the first entry after where the record's key would be.
  Status SyncCursor() {
    if (recno < 1 || recno > count) return Status::State("no current record");
    const uint8_t* image = RecordPtr(recno);
    if (image == nullptr) return Status::IoError("cannot map " + path);
    if (cursor_synced && relocate) {
      relocate = false;
      std::unique_ptr<CdxIndex::Cursor> fresh = cdx->NewCursor(order - 1);
      Status s = fresh->Locate(recno, image);
      if (s.ok()) {
        cursor = std::move(fresh);
        cursor_after = false;
      } else if (!s.IsNotFound()) {
        return s;
      }
      return Status::Ok();
    }
    if (cursor_synced) return Status::Ok();
    relocate = false;
    cursor_after = false;
    Status s = cursor->Locate(recno, image);
    if (s.IsNotFound()) {
      const Expression* key = TagKey(order - 1);
      if (key != nullptr && (key->type() == ValueType::kCharacter || key->type() == ValueType::kDate)) {
        std::string buf(std::max<uint32_t>(key->max_length(), 8), ' ');
        const uint32_t len = key->EvalCharacter(EvalContext{image, recno}, reinterpret_cast<uint8_t*>(buf.data()));
        bool exact = false;
        XB_RETURN_IF_ERROR(cursor->Seek(std::string_view(buf.data(), len), &exact));
      } else {
        XB_RETURN_IF_ERROR(cursor->First());
      }
      cursor_after = true;
      s = Status::Ok();
    }
    XB_RETURN_IF_ERROR(s);
    cursor_synced = true;
    return Status::Ok();
  }

  Status GoTop() {
    if (order > 0 && cursor != nullptr) {
      XB_RETURN_IF_ERROR(cursor->First());
      bool landed = false;
      XB_RETURN_IF_ERROR(CursorSettle(true, &landed));
      if (!landed) {
        SetEof();
        bof = true;
      }
      return Status::Ok();
    }
    RefreshCount();
    const uint32_t n = NextVisible(1);
    if (n == 0) {
      SetEof();
      bof = true;
    } else {
      Land(n, RecordPtr(n));
    }
    return Status::Ok();
  }

  Status GoBottom() {
    if (order > 0 && cursor != nullptr) {
      XB_RETURN_IF_ERROR(cursor->Last());
      bool landed = false;
      XB_RETURN_IF_ERROR(CursorSettle(false, &landed));
      if (!landed) {
        SetEof();
        bof = true;
      }
      return Status::Ok();
    }
    RefreshCount();
    const uint32_t n = PriorVisible(count);
    if (n == 0) {
      SetEof();
      bof = true;
    } else {
      Land(n, RecordPtr(n));
    }
    return Status::Ok();
  }

  Status SkipForward(int64_t steps) {
    bof = false;
    if (eof) return Status::Ok();
    if (order > 0 && cursor != nullptr) {
      XB_RETURN_IF_ERROR(SyncCursor());
      for (int64_t i = 0; i < steps; ++i) {
        if (!cursor_after) XB_RETURN_IF_ERROR(cursor->Next());
        cursor_after = false;
        bool landed = false;
        XB_RETURN_IF_ERROR(CursorSettle(true, &landed));
        if (!landed) {
          SetEof();
          return Status::Ok();
        }
      }
      return Status::Ok();
    }
    for (int64_t i = 0; i < steps; ++i) {
      const uint32_t n = NextVisible(recno + 1);
      if (n == 0) {
        SetEof();
        return Status::Ok();
      }
      Land(n, RecordPtr(n));
    }
    return Status::Ok();
  }

  Status SkipBackward(int64_t steps) {
    if (order > 0 && cursor != nullptr) {
      if (eof) {
        XB_RETURN_IF_ERROR(GoBottom());
        if (eof) return Status::Ok();
        --steps;
      } else {
        XB_RETURN_IF_ERROR(SyncCursor());
      }
      for (int64_t i = 0; i < steps; ++i) {
        XB_RETURN_IF_ERROR(cursor->Prior());
        cursor_after = false;
        bool landed = false;
        XB_RETURN_IF_ERROR(CursorSettle(false, &landed));
        if (!landed) {
          XB_RETURN_IF_ERROR(GoTop());
          bof = true;
          return Status::Ok();
        }
      }
      return Status::Ok();
    }
    if (eof) {
      XB_RETURN_IF_ERROR(GoBottom());
      if (eof) return Status::Ok();
      --steps;
    }
    for (int64_t i = 0; i < steps; ++i) {
      const uint32_t n = recno > 1 ? PriorVisible(recno - 1) : 0;
      if (n == 0) {
        bof = true;  // stays on the first visible record
        return Status::Ok();
      }
      Land(n, RecordPtr(n));
    }
    return Status::Ok();
  }

  // ---- locks
  uint64_t RecordLockOffset(uint32_t n) const {
    if (indexed_locks) return dbf::kIndexedHeaderLock - n;
    return dbf::kPlainLockBase + RecordOffset(n);
  }
  uint64_t HeaderLockOffset() const {
    return indexed_locks ? dbf::kIndexedHeaderLock : dbf::kPlainLockBase;
  }
  Status LockRecord(uint32_t n) {
    if (!shared()) return Status::Ok();
    Status s = FileLock::TryAcquire(dbf.fd(), RecordLockOffset(n), dbf::kLockLength, true, &record_lock);
    if (s.IsRecordLocked()) return Status::RecordLocked("record " + std::to_string(n) + " is locked by another user");
    return s;
  }
  Status LockHeader(FileLock* lock) {
    if (!shared()) return Status::Ok();
    Status s = FileLock::Acquire(dbf.fd(), HeaderLockOffset(), dbf::kLockLength, true, kHeaderLockWaitMs, lock);
    if (s.IsRecordLocked()) return Status::RecordLocked("the table header is locked by another user");
    return s;
  }
  Status LockWholeFile(FileLock* lock) {
    const uint64_t start = indexed_locks ? dbf::kIndexedFileLockStart : dbf::kPlainFileLockStart;
    const uint64_t length = indexed_locks ? dbf::kIndexedFileLockLength : dbf::kPlainFileLockLength;
    return FileLock::TryAcquire(dbf.fd(), start, length, true, lock);
  }

  // ---- writing
  Status CheckWritable() const {
    if (mode == OpenMode::kReadOnly) return Status::ReadOnly(path + " is open read-only");
    if (truncated) return Status::Corrupt(path + " is truncated; it is not written to");
    return Status::Ok();
  }

  Status DecodeMemoPointer(const uint8_t* image, const FieldDesc& f, uint32_t* block) const {
    const uint8_t* p = image + f.offset;
    if (header.memo_binary) {
      *block = Le32(p);
      return Status::Ok();
    }
    uint64_t v = 0;
    bool digits = false;
    for (uint32_t i = 0; i < f.width; ++i) {
      const uint8_t c = p[i];
      if (c == ' ' && !digits) continue;
      if (c < '0' || c > '9') {
        if (c == ' ' || c == 0) break;
        return Status::Corrupt("memo pointer of " + f.name + " is not a number");
      }
      digits = true;
      v = v * 10 + (c - '0');
    }
    if (v > 0xFFFFFFFFull) return Status::Corrupt("memo pointer of " + f.name + " is out of range");
    *block = static_cast<uint32_t>(v);
    return Status::Ok();
  }

  void EncodeMemoPointer(uint8_t* image, const FieldDesc& f, uint32_t block) const {
    uint8_t* p = image + f.offset;
    if (header.memo_binary) {
      PutLe32(p, block);
      return;
    }
    std::memset(p, ' ', f.width);
    if (block == 0) return;
    for (int i = static_cast<int>(f.width) - 1; i >= 0 && block > 0; --i) {
      p[i] = static_cast<uint8_t>('0' + block % 10);
      block /= 10;
    }
  }

  Status WriteHeaderBytes(uint32_t offset, const uint8_t* bytes, size_t n) {
    XB_RETURN_IF_ERROR(dbf.Write(offset, bytes, n));
    dbf_dirty = true;
    return Status::Ok();
  }

  Status StampDate() {
    if (date_stamped) return Status::Ok();
    XB_RETURN_IF_ERROR(WriteHeaderBytes(dbf::kOffUpdateYear, today, sizeof today));
    date_stamped = true;
    return Status::Ok();
  }

  // Syncs the files written since the last sync, unless a batch defers it.
  Status SyncIfDue() {
    if (batch_depth > 0) return Status::Ok();
    return SyncNow();
  }
  Status SyncNow() {
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

  // Keeps the index in step with one record change; a failure leaves the index marked
  // damaged so that it gets rebuilt.
  Status UpdateIndex(uint32_t n, const uint8_t* old_image, const uint8_t* new_image) {
    if (!indexed()) return Status::Ok();
    index_dirty = true;
    Status s = cdx->Update(n, old_image, new_image);
    if (!s.ok()) {
      index_state = IndexState::kDamaged;
      index_problem = "index update failed: " + s.ToString();
      cursor.reset();
      order = 0;
      return Prefixed(s, "record " + std::to_string(n) + " was stored but the index update failed: ");
    }
    return Status::Ok();
  }

  // Whether two images of a record differ outside their memo pointers (which no key or
  // condition reads).
  bool KeyBytesChanged(const uint8_t* a, const uint8_t* b) const {
    uint32_t from = 0;
    for (const FieldDesc& f : header.fields) {
      if (f.type != FieldType::kMemo) continue;
      if (std::memcmp(a + from, b + from, f.offset - from) != 0) return true;
      from = f.offset + f.width;
    }
    return std::memcmp(a + from, b + from, header.record_length - from) != 0;
  }

  Status WritePendingMemos(uint8_t* image) {
    for (auto& [field, text] : memo_changes) {
      const FieldDesc& f = header.fields[field];
      uint32_t block = 0;
      if (!DecodeMemoPointer(image, f, &block).ok()) block = 0;  // never reuse a broken run
      XB_RETURN_IF_ERROR(memo->Write(text, &block));
      EncodeMemoPointer(image, f, block);
    }
    return Status::Ok();
  }

  // Reads the record count as other opens have left it (under the header lock).
  Status ReadHeaderCount() {
    uint8_t raw[dbf::kRecordCountSize];
    XB_RETURN_IF_ERROR(dbf.Read(dbf::kOffRecordCount, sizeof raw, raw));
    XB_RETURN_IF_ERROR(dbf.Size(&file_size));
    SetCount(Le32(raw));
    if (truncated) return Status::Corrupt(path + " is shorter than its header says; not writing");
    return Status::Ok();
  }

  // In shared mode, appends and memo allocation happen under the header lock. Outside a
  // batch it is taken for one post; in a batch it is kept until the batch ends, so that
  // the record count and the memo file's next free block need not be read again for
  // every record.
  Status TakeHeaderForPost(bool append, FileLock* lock) {
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
  void ReleaseBatchHeader() {
    if (memo) memo->ReleaseHeader();
    batch_header_lock.Release();
  }

  Status Post() {
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

  void Cancel() {
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

  Status SetDeleted(bool deleted) {
    XB_RETURN_IF_ERROR(CheckWritable());
    if (pending != Pending::kNone) return Status::State("post or cancel the pending change first");
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

  // ---- index building
  // Takes `index` as the table's index, keeping order `keep_order` when it still exists.
  void AdoptIndex(std::unique_ptr<CdxIndex> index, int keep_order) {
    cursor.reset();  // before the index it walks
    cdx = std::move(index);
    cdx->SetSharedAccess(shared());
    index_state = IndexState::kOk;
    index_problem.clear();
    indexed_locks = true;
    tag_keys.clear();
    order = 0;
    cursor.reset();
    if (keep_order > 0 && keep_order <= cdx->TagCount()) {
      order = keep_order;
      cursor = cdx->NewCursor(order - 1);
    }
    cursor_synced = false;
  }

  Status SetIndexFlag(bool on) {
    uint8_t flags = header.flags;
    flags = on ? (flags | dbf::kFlagStructuralIndex) : (flags & ~dbf::kFlagStructuralIndex);
    if (flags == header.flags) return Status::Ok();
    XB_RETURN_IF_ERROR(dbf.Write(dbf::kOffFlags, &flags, 1));
    header.flags = flags;
    XB_RETURN_IF_ERROR(dbf.Sync());
    return Status::Ok();
  }

  Status BuildIndex(const std::vector<TagDefinition>& defs, const ProgressFn& progress) {
    std::unique_ptr<CdxIndex> built;
    XB_RETURN_IF_ERROR(CdxIndex::Build(index_path, header.fields, defs, *this, progress, &built));
    AdoptIndex(std::move(built), order);
    return SetIndexFlag(true);
  }

  Status Pack(const ProgressFn& fn);
  Status Zap(const ProgressFn& fn);
  Status Check(std::vector<std::string>* problems);
  Status OpenFiles();
  Status RecoverPack();
};

// ---------------------------------------------------------------------------- open

Status Table::Impl::RecoverPack() {
  // A pack got past its commit point: every new file is complete. Put them in place.
  const std::string packed = path + kPacked;
  if (!FileExists(packed)) return Status::Ok();
  if (FileExists(memo_path + kBuilding)) XB_RETURN_IF_ERROR(RenameFile(memo_path + kBuilding, memo_path));
  if (FileExists(index_path + kBuilding)) {
    XB_RETURN_IF_ERROR(RenameFile(index_path + kBuilding, index_path));
  } else {
    XB_RETURN_IF_ERROR(RemoveFile(index_path));  // the old index belongs to the old records
  }
  XB_RETURN_IF_ERROR(RenameFile(packed, path));
  return SyncParentDirectory(path);
}

Status Table::Impl::OpenFiles() {
  const bool writable = mode != OpenMode::kReadOnly;
  XB_RETURN_IF_ERROR(File::Open(path, writable, &dbf));
  XB_RETURN_IF_ERROR(dbf.LockOpenMode(mode == OpenMode::kExclusive));
  if (writable && FileExists(path + kPacked)) {
    XB_RETURN_IF_ERROR(RecoverPack());
    XB_RETURN_IF_ERROR(File::Open(path, writable, &dbf));
    XB_RETURN_IF_ERROR(dbf.LockOpenMode(mode == OpenMode::kExclusive));
  }
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  if (file_size < dbf::kHeaderSize) return Status::Corrupt(path + ": file is too short for a table header");
  uint8_t head[dbf::kHeaderSize];
  XB_RETURN_IF_ERROR(dbf.Read(0, sizeof head, head));
  const uint32_t header_length = Le16(head + dbf::kOffHeaderLength);
  std::vector<uint8_t> bytes(std::max<uint64_t>(dbf::kHeaderSize, std::min<uint64_t>(header_length, file_size)));
  XB_RETURN_IF_ERROR(dbf.Read(0, bytes.size(), bytes.data()));
  Status s = DbfHeader::Parse(bytes.data(), bytes.size(), &header);
  if (!s.ok()) return Prefixed(s, path + ": ");
  SetCount(header.record_count);
  if (truncated && writable) {
    return Status::Corrupt(path + " is truncated: its header counts " + std::to_string(header.record_count) +
                           " records but the file holds " + std::to_string(count));
  }
  blank.assign(header.record_length, ' ');
  rec = blank;
  DbfHeader::StampDate(today);

  if (header.HasMemo()) {
    memo.emplace();
    s = MemoFile::Open(memo_path, writable, mode == OpenMode::kExclusive, &*memo);
    if (s.IsNotFound()) return Status::Corrupt("memo file " + memo_path + " is missing");
    XB_RETURN_IF_ERROR(s);
  }

  const bool index_exists = FileExists(index_path);
  indexed_locks = index_exists;
  if (index_exists || (header.flags & dbf::kFlagStructuralIndex) != 0) {
    s = CdxIndex::Open(index_path, header.fields, !writable, &cdx);
    if (s.IsNotFound()) {
      index_state = IndexState::kMissing;
      index_problem = "index file " + index_path + " is missing";
    } else if (!s.ok()) {
      index_state = IndexState::kDamaged;
      index_problem = s.message();
      cdx.reset();
    } else {
      cdx->SetSharedAccess(shared());
      s = cdx->QuickCheck(*this);
      if (s.ok()) {
        index_state = IndexState::kOk;
      } else {
        index_state = IndexState::kDamaged;
        index_problem = s.message();
        cdx.reset();
      }
    }
  }
  return GoTop();
}

Table::Table() : impl_(std::make_unique<Impl>()) {}

Table::~Table() {
  if (impl_) {
    impl_->Cancel();
    if (impl_->batch_depth > 0) impl_->SyncNow();
  }
}

Status Table::Create(const std::string& path, const std::vector<FieldSpec>& fields) {
  DbfHeader header;
  std::vector<uint8_t> bytes;
  XB_RETURN_IF_ERROR(DbfHeader::Build(fields, &header, &bytes));
  if (FileExists(path)) return Status::IoError(path + " exists already");
  const std::string memo_path = SiblingPath(path, "FPT");
  const bool with_memo = header.HasMemo();
  if (with_memo) XB_RETURN_IF_ERROR(MemoFile::CreateNew(memo_path));
  File file;
  Status s = File::CreateNew(path, &file);
  if (s.ok()) {
    s = file.Write(0, bytes.data(), bytes.size());
    if (s.ok()) s = file.Sync();
    if (!s.ok()) RemoveFile(path);
  }
  if (!s.ok()) {
    if (with_memo) RemoveFile(memo_path);
    return s;
  }
  return SyncParentDirectory(path);
}

Status Table::Open(const std::string& path, OpenMode mode, std::unique_ptr<Table>* out) {
  std::unique_ptr<Table> t(new Table());
  Impl& d = *t->impl_;
  d.path = path;
  d.mode = mode;
  d.memo_path = SiblingPath(path, "FPT");
  d.index_path = SiblingPath(path, "CDX");
  XB_RETURN_IF_ERROR(d.OpenFiles());
  *out = std::move(t);
  return Status::Ok();
}

Table::IndexState Table::index_state() const { return impl_->index_state; }
const std::string& Table::index_problem() const { return impl_->index_problem; }
const std::string& Table::path() const { return impl_->path; }
OpenMode Table::mode() const { return impl_->mode; }
const std::vector<FieldDesc>& Table::fields() const { return impl_->header.fields; }
uint32_t Table::record_length() const { return impl_->header.record_length; }

int Table::FieldIndex(std::string_view name) const {
  const auto& fields = impl_->header.fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (EqualNoCase(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

uint32_t Table::RecordCount() { return impl_->RecordCount(); }

// ---------------------------------------------------------------------------- navigation

Status Table::GoTop() {
  if (impl_->pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  return impl_->GoTop();
}

Status Table::GoBottom() {
  if (impl_->pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  return impl_->GoBottom();
}

Status Table::Skip(int64_t n) {
  Impl& d = *impl_;
  if (d.pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  if (n > 0) return d.SkipForward(n);
  if (n < 0) return d.SkipBackward(-n);
  if (d.eof) return Status::Ok();
  const uint8_t* p = d.RecordPtr(d.recno);
  if (p == nullptr) return Status::IoError("cannot map " + d.path);
  d.Land(d.recno, p);
  return Status::Ok();
}

Status Table::Go(uint32_t recno) {
  Impl& d = *impl_;
  if (d.pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  if (recno > d.count || recno < 1) d.RefreshCount();
  if (recno < 1 || recno > d.count) {
    d.SetEof();
    d.bof = false;
    return Status::InvalidArgument("record " + std::to_string(recno) + " does not exist");
  }
  const uint8_t* p = d.RecordPtr(recno);
  if (p == nullptr) return Status::IoError("cannot map " + d.path);
  d.Land(recno, p);
  d.cursor_synced = false;
  return Status::Ok();
}

bool Table::Bof() const { return impl_->bof; }
bool Table::Eof() const { return impl_->eof; }

uint32_t Table::RecNo() const {
  const Impl& d = *impl_;
  if (d.pending == Impl::Pending::kAppend || d.eof) return d.count + 1;
  return d.recno;
}

// ---------------------------------------------------------------------------- fields

const uint8_t* Table::record() const { return impl_->rec.data(); }
bool Table::Deleted() const { return impl_->rec[dbf::kOffDeletedMark] == dbf::kDeleted; }

std::string_view Table::GetString(int field) const {
  const auto& fields = impl_->header.fields;
  if (field < 0 || static_cast<size_t>(field) >= fields.size()) return {};
  const FieldDesc& f = fields[field];
  return std::string_view(reinterpret_cast<const char*>(impl_->rec.data() + f.offset), f.width);
}

bool Table::GetLogical(int field) const {
  const std::string_view v = GetString(field);
  if (v.empty()) return false;
  return v[0] == 'T' || v[0] == 't' || v[0] == 'Y' || v[0] == 'y';
}

Status Table::GetMemo(int field, std::string* out) const {
  const Impl& d = *impl_;
  out->clear();
  if (field < 0 || static_cast<size_t>(field) >= d.header.fields.size() ||
      d.header.fields[field].type != FieldType::kMemo) {
    return Status::InvalidArgument("not a memo field");
  }
  for (const auto& [f, text] : d.memo_changes) {
    if (f == field) {
      *out = text;
      return Status::Ok();
    }
  }
  uint32_t block = 0;
  Status s = d.DecodeMemoPointer(d.rec.data(), d.header.fields[field], &block);
  if (!s.ok()) return Status::Corrupt("record " + std::to_string(d.recno) + ": " + s.message());
  if (block == 0) return Status::Ok();
  if (!d.memo) return Status::Corrupt(d.path + " has no memo file");
  s = d.memo->Read(block, out);
  if (!s.ok()) return Status::Corrupt("record " + std::to_string(d.recno) + ": " + s.message());
  return Status::Ok();
}

// ---------------------------------------------------------------------------- changes

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

// ---------------------------------------------------------------------------- filter

Status Table::SetFilter(std::string_view expression) {
  Impl& d = *impl_;
  bool blank_text = true;
  for (const char c : expression) {
    if (c != ' ' && c != '\t') blank_text = false;
  }
  if (blank_text) {
    d.filter = Expression();
    d.filter_text.clear();
    return Status::Ok();
  }
  Expression e;
  XB_RETURN_IF_ERROR(Expression::Compile(expression, d.header.fields, &e));
  if (e.type() != ValueType::kLogical) return Status::TypeMismatch("a filter must be a logical expression");
  d.filter = std::move(e);
  d.filter_text.assign(expression);
  return Status::Ok();
}

const std::string& Table::filter() const { return impl_->filter_text; }

Status Table::CountFiltered(uint32_t* count) {
  Impl& d = *impl_;
  *count = 0;
  d.RefreshCount();
  if (d.order > 0 && d.cursor != nullptr) {
    std::unique_ptr<CdxIndex::Cursor> c = d.cdx->NewCursor(d.order - 1);
    XB_RETURN_IF_ERROR(c->First());
    uint32_t n = 0;
    while (!c->eof()) {
      const uint8_t* image = nullptr;
      if (d.Acceptable(c->recno(), &image)) ++n;
      XB_RETURN_IF_ERROR(c->Next());
    }
    *count = n;
    return Status::Ok();
  }
  if (d.count == 0) return Status::Ok();
  if (!d.filter.valid()) {
    *count = d.count;
    return Status::Ok();
  }
  if (d.RecordPtr(d.count) == nullptr) return Status::IoError("cannot map " + d.path);
  const uint8_t* p = d.RecordPtr(1);
  const uint32_t len = d.header.record_length;
  uint32_t n = 0;
  for (uint32_t r = 1; r <= d.count; ++r, p += len) {
    if (d.filter.EvalLogical(EvalContext{p, r})) ++n;
  }
  *count = n;
  return Status::Ok();
}

Status Table::CollectVisible(bool skip_deleted, std::vector<uint32_t>* out) {
  Impl& d = *impl_;
  out->clear();
  d.RefreshCount();
  auto wanted = [&](uint32_t n, const uint8_t* image) {
    return !(skip_deleted && image[dbf::kOffDeletedMark] == dbf::kDeleted) && d.Visible(n, image);
  };
  if (d.order > 0 && d.cursor != nullptr) {
    XB_RETURN_IF_ERROR(d.cdx->BeginRead());
    struct ReadLock {
      CdxIndex* cdx;
      ~ReadLock() { cdx->EndRead(); }
    } read_lock{d.cdx.get()};
    std::unique_ptr<CdxIndex::Cursor> c = d.cdx->NewCursor(d.order - 1);
    XB_RETURN_IF_ERROR(c->First());
    while (!c->eof()) {
      const uint32_t n = c->recno();
      // Keys of records another open has not counted yet are passed over.
      if (n >= 1 && n <= d.count) {
        const uint8_t* image = d.RecordPtr(n);
        if (image == nullptr) return Status::IoError("cannot map " + d.path);
        if (wanted(n, image)) out->push_back(n);
      }
      XB_RETURN_IF_ERROR(c->Next());
    }
    return Status::Ok();
  }
  if (d.count == 0) return Status::Ok();
  if (d.RecordPtr(d.count) == nullptr) return Status::IoError("cannot map " + d.path);
  const uint8_t* p = d.RecordPtr(1);
  const uint32_t len = d.header.record_length;
  for (uint32_t r = 1; r <= d.count; ++r, p += len) {
    if (wanted(r, p)) out->push_back(r);
  }
  return Status::Ok();
}

Status Table::EvalLogical(std::string_view expression, bool* value) {
  Impl& d = *impl_;
  *value = false;
  if (!d.eval_expr.valid() || d.eval_expr.text() != expression) {
    Expression e;
    XB_RETURN_IF_ERROR(Expression::Compile(expression, d.header.fields, &e));
    if (e.type() != ValueType::kLogical) return Status::TypeMismatch("not a logical expression");
    d.eval_expr = std::move(e);
  }
  *value = d.eval_expr.EvalLogical(EvalContext{d.rec.data(), RecNo()});
  return Status::Ok();
}

// ---------------------------------------------------------------------------- index

int Table::TagCount() const { return impl_->indexed() ? impl_->cdx->TagCount() : 0; }

std::string Table::TagName(int order) const {
  if (order < 1 || order > TagCount()) return "";
  return impl_->cdx->Tag(order - 1).name;
}

int Table::OrderOfTag(std::string_view name) const {
  for (int i = 1; i <= TagCount(); ++i) {
    if (EqualNoCase(impl_->cdx->Tag(i - 1).name, name)) return i;
  }
  return 0;
}

int Table::Order() const { return impl_->order; }

int Table::SetOrder(int order) {
  Impl& d = *impl_;
  const int previous = d.order;
  if (order < 0 || order > TagCount() || order == d.order) return previous;
  d.order = order;
  d.cursor = order > 0 ? d.cdx->NewCursor(order - 1) : nullptr;
  d.cursor_synced = false;
  return previous;
}

Status Table::Seek(std::string_view key, bool soft, bool* found) {
  Impl& d = *impl_;
  *found = false;
  if (d.pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  if (d.order == 0 || d.cursor == nullptr) return Status::State("seek needs an index order");
  bool exact = false;
  XB_RETURN_IF_ERROR(d.cursor->Seek(key, &exact));
  bool landed = false;
  XB_RETURN_IF_ERROR(d.CursorSettle(true, &landed));
  d.bof = false;
  if (landed && KeyStartsWith(d.cursor->key(), key)) {
    *found = true;
    return Status::Ok();
  }
  if (!landed || !soft) d.SetEof();
  return Status::Ok();
}

Status Table::CreateTag(std::string_view name, std::string_view key_expression,
                        std::string_view for_expression, const ProgressFn& progress) {
  Impl& d = *impl_;
  if (d.mode != OpenMode::kExclusive) return Status::NeedExclusive("building an index needs exclusive use");
  if (d.pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  XB_RETURN_IF_ERROR(d.CheckWritable());
  if (name.empty() || name.size() > cdx::kDirectoryKeyLength) return Status::InvalidArgument("a tag name has 1 to 10 characters");
  TagDefinition def;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!(std::isalpha(c) || c == '_' || (i > 0 && std::isdigit(c)))) {
      return Status::InvalidArgument("tag name '" + std::string(name) + "' has an invalid character");
    }
    def.name += static_cast<char>(std::toupper(c));
  }
  def.key.assign(key_expression);
  def.for_condition.assign(for_expression);
  std::vector<TagDefinition> defs;
  if (d.indexed()) defs = d.cdx->Definitions();
  for (const TagDefinition& t : defs) {
    if (EqualNoCase(t.name, def.name)) return Status::InvalidArgument("tag " + def.name + " exists already");
  }
  defs.push_back(def);
  // The whole file is rebuilt; report it as one run from 0 to 100.
  Progress report(progress);
  const int tags = static_cast<int>(defs.size());
  int tag = 0;
  int last = -1;
  ProgressFn overall = [&](int p) {
    if (p < last && tag + 1 < tags) ++tag;
    last = p;
    report((tag * 100 + p) / tags);
  };
  report(0);
  XB_RETURN_IF_ERROR(d.BuildIndex(defs, overall));
  report(100);
  return Status::Ok();
}

Status Table::Reindex(const std::vector<TagDefinition>& definitions, const ProgressFn& progress) {
  Impl& d = *impl_;
  if (d.mode != OpenMode::kExclusive) return Status::NeedExclusive("building an index needs exclusive use");
  if (d.pending != Impl::Pending::kNone) return Status::State("post or cancel the pending change first");
  XB_RETURN_IF_ERROR(d.CheckWritable());
  std::vector<TagDefinition> defs = d.indexed() && d.cdx->TagCount() > 0 ? d.cdx->Definitions() : definitions;
  if (defs.empty()) return Status::InvalidArgument("no tag definitions to build an index from");
  return d.BuildIndex(defs, progress);
}

Status Table::Pack(const ProgressFn& progress) { return impl_->Pack(progress); }
Status Table::Zap(const ProgressFn& progress) { return impl_->Zap(progress); }

// ---------------------------------------------------------------------------- pack and zap

Status Table::Impl::Pack(const ProgressFn& fn) {
  if (mode != OpenMode::kExclusive) return Status::NeedExclusive("pack needs exclusive use");
  if (pending != Pending::kNone) return Status::State("post or cancel the pending change first");
  XB_RETURN_IF_ERROR(CheckWritable());
  FileLock whole;
  XB_RETURN_IF_ERROR(LockWholeFile(&whole));
  Progress report(fn);
  report(0);

  const std::string dbf_tmp = path + kBuilding;
  const std::string memo_tmp = memo_path + kBuilding;
  const std::string index_tmp = index_path + kBuilding;
  auto discard = [&]() {
    RemoveFile(dbf_tmp);
    RemoveFile(memo_tmp);
    RemoveFile(index_tmp);
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
      s = CdxIndex::Build(index_tmp, header.fields, defs, source, fn, &built);
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
  memo.reset();
  if (out_memo) {
    out_memo.reset();
    memo.emplace();
    XB_RETURN_IF_ERROR(MemoFile::Open(memo_path, true, true, &*memo));
  }
  XB_RETURN_IF_ERROR(dbf.Size(&file_size));
  header.record_count = kept;
  SetCount(kept);
  dbf_dirty = false;
  date_stamped = true;
  index_state = IndexState::kNone;
  if (!defs.empty()) {
    std::unique_ptr<CdxIndex> reopened;
    s = CdxIndex::Open(index_path, header.fields, false, &reopened);
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
  if (pending != Pending::kNone) return Status::State("post or cancel the pending change first");
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
  if (memo) XB_RETURN_IF_ERROR(memo->Reset());
  report(50);
  if (indexed()) {
    Status s = cdx->Clear();
    if (!s.ok()) {
      index_state = IndexState::kDamaged;
      index_problem = "emptying the index failed: " + s.ToString();
      cursor.reset();
      order = 0;
    }
  }
  cursor_synced = false;
  XB_RETURN_IF_ERROR(SyncNow());
  SetEof();
  bof = true;
  report(100);
  return Status::Ok();
}

// ---------------------------------------------------------------------------- batches

void Table::BeginBatch() { ++impl_->batch_depth; }

Status Table::EndBatch() {
  Impl& d = *impl_;
  if (d.batch_depth == 0) return Status::State("no batch is open");
  if (--d.batch_depth > 0) return Status::Ok();
  Status s = d.SyncNow();
  d.ReleaseBatchHeader();
  return s;
}

void Table::SetTurboRead(bool on) {
  impl_->turbo = on;
  impl_->map.AdviseSequential(on);
}

// ---------------------------------------------------------------------------- check

Status Table::Impl::Check(std::vector<std::string>* problems) {
  problems->clear();
  RefreshCount();
  std::vector<uint8_t> bytes(header.header_length);
  XB_RETURN_IF_ERROR(dbf.Read(0, bytes.size(), bytes.data()));
  DbfHeader on_disk;
  Status s = DbfHeader::Parse(bytes.data(), bytes.size(), &on_disk);
  if (!s.ok()) {
    problems->push_back("header: " + s.message());
    return Status::Ok();
  }
  if (truncated) {
    problems->push_back("header counts " + std::to_string(header.record_count) + " records but the file holds " +
                        std::to_string(count));
  }
  if ((header.flags & dbf::kFlagStructuralIndex) == 0 && cdx != nullptr) {
    problems->push_back("header: the structural index flag is not set although the index exists");
  }

  uint32_t next_free = 0;
  if (memo) XB_RETURN_IF_ERROR(memo->ReadHeader(&next_free));
  struct Run {
    uint32_t start, end, recno;
  };
  std::vector<Run> runs;
  size_t record_problems = 0;
  auto report = [&](uint32_t n, const std::string& what) {
    if (++record_problems <= kMaxRecordProblems) problems->push_back("record " + std::to_string(n) + ": " + what);
  };
  for (uint32_t n = 1; n <= count; ++n) {
    const uint8_t* p = RecordPtr(n);
    if (p == nullptr) return Status::IoError("cannot map " + path);
    if (p[dbf::kOffDeletedMark] != dbf::kActive && p[dbf::kOffDeletedMark] != dbf::kDeleted) report(n, "invalid deleted mark");
    for (const FieldDesc& f : header.fields) {
      if (f.type == FieldType::kLogical) {
        if (std::strchr("TtYyFfNn ?", p[f.offset]) == nullptr || p[f.offset] == 0) {
          report(n, "invalid logical value in " + f.name);
        }
      } else if (f.type == FieldType::kMemo) {
        uint32_t block = 0;
        s = DecodeMemoPointer(p, f, &block);
        if (!s.ok()) {
          report(n, s.message());
          continue;
        }
        if (block == 0) continue;
        if (!memo) {
          report(n, f.name + " points into a missing memo file");
          continue;
        }
        uint32_t blocks = 0;
        s = memo->CheckValue(block, next_free, &blocks);
        if (!s.ok()) {
          report(n, f.name + ": " + s.message());
        } else {
          runs.push_back(Run{block, block + blocks, n});
        }
      }
    }
  }
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.start < b.start; });
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i].start < runs[i - 1].end) {
      report(runs[i].recno, "its memo overlaps the memo of record " + std::to_string(runs[i - 1].recno));
    }
  }
  if (record_problems > kMaxRecordProblems) {
    problems->push_back("... and " + std::to_string(record_problems - kMaxRecordProblems) + " more record problems");
  }

  switch (index_state) {
    case IndexState::kNone:
      break;
    case IndexState::kMissing:
    case IndexState::kDamaged:
      problems->push_back("index: " + index_problem);
      break;
    case IndexState::kOk: {
      std::vector<std::string> index_problems;
      s = cdx->Verify(*this, &index_problems);
      if (!s.ok() && !s.IsCorrupt()) return s;  // kCorrupt only says the lines are there
      for (std::string& line : index_problems) problems->push_back("index: " + line);
      if (!s.ok() && index_problems.empty()) problems->push_back("index: " + s.message());
      break;
    }
  }
  return Status::Ok();
}

Status Table::Check(std::vector<std::string>* problems) { return impl_->Check(problems); }

}  // namespace xbase
