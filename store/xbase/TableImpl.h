// Table::Impl: the state of one open table and the operations on it, shared by the files
// that implement Table, one file per job: Table.cpp (open, create, record access),
// TableCursor.cpp (navigation, order, seek), TableFilter.cpp (filter and counts),
// TableWrite.cpp (edit, append, post, delete, batches), TableLocks.cpp (record and
// header locks), TableIndex.cpp (tags and index builds), TablePack.cpp (pack, zap and
// the recovery of an interrupted pack) and TableCheck.cpp (consistency check).
// Private to those files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/xbase/CdxIndex.h"
#include "store/xbase/DbfFormat.h"
#include "store/xbase/DbfHeader.h"
#include "store/xbase/Expression.h"
#include "store/xbase/File.h"
#include "store/xbase/FileLock.h"
#include "store/xbase/FileMapping.h"
#include "store/xbase/MemoFile.h"
#include "store/xbase/Table.h"

namespace xbase {

struct Table::Impl final : public RecordSource {
  enum class Pending { kNone, kEdit, kAppend };

  std::string path;
  std::string memo_path;
  std::string index_path;
  OpenMode mode = OpenMode::kShared;
  File dbf;
  FileMapping map;
  std::optional<MemoFile> memo;
  // Held from open to close by an open that may write (see kWriterLockOffset); after the
  // memo file, so that it is released before the file closes.
  FileLock writer_lock;
  bool counted_in = false;  // this open is counted in the close mark
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
  bool count_unsaved = false;  // the header's count on disk lags behind the appends
  bool batch_marked = false;   // the redo entry marks a batch's unsynced index changes
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

  // ---- helpers shared by the files
  // Names compared without regard to ASCII case.
  static bool EqualNoCase(std::string_view a, std::string_view b);
  // `s` with `prefix` put before its message, keeping its code.
  static Status Prefixed(const Status& s, const std::string& prefix);
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

  // ---- records (Table.cpp)
  // RecordSource for the index: the counted records, as other opens have left them.
  uint32_t RecordCount() override;
  Status ReadRecord(uint32_t n, const uint8_t** image) override;
  // Reads the table file a large piece at a time rather than through the mapping, whose
  // pages cost far more to touch one record after another.
  Status ScanRecords(uint32_t n, const RecordVisit& visit) override;
  // File offset of record `n` (1-based).
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
  void SetCount(uint32_t header_count);
  // Another open may have appended: when the file size changed, re-read the header count.
  void RefreshCount();
  bool Visible(uint32_t n, const uint8_t* image) const {
    return !filter.valid() || filter.EvalLogical(EvalContext{image, n});
  }
  // The memo block that field `f` of `image` points at (0 = none); kCorrupt when the
  // pointer is not a number or out of range.
  Status DecodeMemoPointer(const uint8_t* image, const FieldDesc& f, uint32_t* block) const;
  // Stores `block` (0 = none) as the memo pointer of field `f` in `image`.
  void EncodeMemoPointer(uint8_t* image, const FieldDesc& f, uint32_t block) const;
  // Opens the table, memo and index files at `path` in `mode` (after Open set them).
  Status OpenFiles();
  // Reads the close mark into `*was_clean` (true when the files were closed cleanly) and,
  // for an open that may write, counts the open in (see FptFormat.h).
  Status TakeCloseMark(bool* was_clean);
  // Takes the writers' shared lock and counts this open in among the opens that may
  // write, synced; left uncounted when the mark is not this engine's and another such open
  // is alive.
  Status RegisterWriter(bool* was_clean);
  // At close: counts this open out, setting the mark once the last one has gone, when
  // every change is synced and the index is sound. Best effort: the count stays otherwise.
  void LeaveCloseMark();

  // ---- positioning (TableCursor.cpp)
  // Goes past the last record: blank image, cursor no longer on an entry.
  void SetEof();
  // Makes record `n` with image `image` current.
  void Land(uint32_t n, const uint8_t* image);
  // First visible record at or after `from` (record order), or 0.
  uint32_t NextVisible(uint32_t from);
  // Last visible record at or before `from` (record order), or 0.
  uint32_t PriorVisible(uint32_t from);
  // Whether the cursor's entry `n` may be shown: a counted record passing the filter.
  bool Acceptable(uint32_t n, const uint8_t** image);
  // Moves the cursor from its entry in `forward` direction to the first acceptable one
  // and lands there; false when the cursor runs off the end.
  Status CursorSettle(bool forward, bool* landed);
  // The compiled key expression of `tag` (0-based); nullptr when it does not compile.
  const Expression* TagKey(int tag);
  // Puts the cursor on the current record's entry. After a write to the record, its
  // entry is looked up again with the new image; when the record has left the tag, the
  // cursor stays at its old place, from which Next and Prior go to the neighbours. When
  // the record was never found in the tag (Go to a record outside it), the cursor goes to
  // the first entry after where the record's key would be.
  Status SyncCursor();
  // The first (or with `last` the last) visible record in the current order; eof and bof
  // when there is none.
  Status GoEdge(bool last);
  Status GoTop() { return GoEdge(false); }
  Status GoBottom() { return GoEdge(true); }
  // Moves `steps` visible records on / back from the current one (see Table::Skip).
  Status SkipForward(int64_t steps);
  Status SkipBackward(int64_t steps);

  // ---- locks (TableLocks.cpp)
  // Byte offsets of the record and header locks in the table's lock scheme.
  uint64_t RecordLockOffset(uint32_t n) const;
  uint64_t HeaderLockOffset() const;
  // Takes record `n`'s lock into record_lock (shared mode only); kRecordLocked when
  // another open holds it.
  Status LockRecord(uint32_t n);
  // Takes the header lock (shared mode only), waiting briefly for an append elsewhere.
  Status LockHeader(FileLock* lock);
  // Takes the lock over every record (pack and zap), never waiting.
  Status LockWholeFile(FileLock* lock);
  // Reads the record count as other opens have left it (under the header lock).
  Status ReadHeaderCount();
  // In shared mode, appends and memo allocation happen under the header lock. Outside a
  // batch it is taken for one post; in a batch it is kept until the batch ends, so that
  // the record count and the memo file's next free block need not be read again for
  // every record.
  Status TakeHeaderForPost(bool append, FileLock* lock);
  void ReleaseBatchHeader();

  // ---- writing (TableWrite.cpp)
  // kReadOnly for a read-only open, kCorrupt for a truncated table.
  Status CheckWritable() const;
  // kState while an edit or append is pending.
  Status CheckNothingPending() const;
  // Writes `n` bytes of the table header at `offset`, to be synced with the rest.
  Status WriteHeaderBytes(uint32_t offset, const uint8_t* bytes, size_t n);
  // Writes today's date into the header, once per open.
  Status StampDate();
  // Syncs the files written since the last sync, unless a batch defers it.
  Status SyncIfDue();
  // Syncs the memo, table and index files written since the last sync.
  Status SyncNow();
  // Writes the header's update date and record count.
  Status WriteCount();
  // Keeps the index in step with one record change; a failure leaves the index marked
  // damaged so that it gets rebuilt.
  Status UpdateIndex(uint32_t n, const uint8_t* old_image, const uint8_t* new_image);
  // Whether two images of a record differ outside their memo pointers (which no key or
  // condition reads).
  bool KeyBytesChanged(const uint8_t* a, const uint8_t* b) const;
  // Stores the memo texts set since Edit/Append and points `image` at them.
  Status WritePendingMemos(uint8_t* image);
  // Whether edits write a redo entry (the table has a memo file and short records).
  bool UsesRedo() const;
  // Writes the redo entry for rewriting record `n` from `saved` to `rec` (or the batch mark).
  Status WriteRedo(uint32_t n);
  // In a batch, before its first unsynced index change: the batch's mark, synced.
  Status MarkBatch();
  // At open: when the redo entry names an edit that a crash cut short (`*cut_short`),
  // finishes its record if the cut left it part old, part new. The index may then hold
  // part of the edit's key changes and is to be rebuilt (which clears the entry).
  Status FinishTornRewrite(bool* cut_short);
  // See Table::Post, Table::Cancel, Table::Delete and Table::Recall.
  Status Post();
  void Cancel();
  Status SetDeleted(bool deleted);

  // ---- index building (TableIndex.cpp)
  // Stops using an index that a failed change left behind (record order from now on);
  // index_problem() says why, and the caller rebuilds it.
  void MarkIndexDamaged(std::string problem);
  // Takes `index` as the table's index, keeping order `keep_order` when it still exists.
  void AdoptIndex(std::unique_ptr<CdxIndex> index, int keep_order);
  // Sets or clears the structural-index flag in the header (synced at once).
  Status SetIndexFlag(bool on);
  // Writes a new index of `defs` over the table's records and takes it as the index.
  Status BuildIndex(const std::vector<TagDefinition>& defs, const ProgressFn& progress);

  // ---- pack and zap (TablePack.cpp)
  // True when a pack got past its commit point and its files are not all in place yet.
  bool PackCommitted() const;
  // Puts the files of a pack that got past its commit point in place.
  Status RecoverPack();
  // See Table::Pack and Table::Zap.
  Status Pack(const ProgressFn& fn);
  Status Zap(const ProgressFn& fn);

  // ---- check (TableCheck.cpp)
  // See Table::Check.
  Status Check(std::vector<std::string>* problems);
};

}  // namespace xbase
