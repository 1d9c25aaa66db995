// Table: one DBF table with its FPT memo file and its structural CDX index.
//
// A Table is one open of the files (one "work area"). It has a current record, a current
// order (0 = record order, 1..n = tags of the structural index in creation order) and an
// optional filter; navigation moves within that order and skips records that fail the
// filter. Changes go through Edit/Append, the Set* field writers and Post.
//
// Sharing follows the FoxPro family on Linux: the open mode is a whole-file flock()
// (shared or exclusive, never waiting) and record, file and index locks are
// open-file-description byte locks at the family's offsets, so two opens (in one process
// or two) respect each other.
//
// Durability: a Post writes memo blocks, then the record, then the index keys, then (for an
// append) the header's record count, and syncs the files it touched before returning,
// unless a batch is open (BeginBatch/EndBatch), which defers the sync to EndBatch. Against a
// power cut, which may keep any part of what was not yet synced, each step is synced before
// the next can make it visible: an append's notes and record before its count (a batch's
// count at EndBatch); an edit's new notes and its redo entry (the record before and after,
// in the memo header) before the record is rewritten; a batch's mark before its first
// unsynced index change. An open finishes a record rewrite torn at a sector boundary and
// takes the index for damaged while a redo entry or batch mark is left (see FptFormat.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/Codepage.h"
#include "store/xbase/Defs.h"
#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase {

enum class OpenMode { kShared = 0, kReadOnly = 1, kExclusive = 2 };

class Table {
 public:
  ~Table();  // closes the files, releasing every lock
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Creates `path` (a .DBF) with `fields` in order, and the .FPT beside it when a memo
  // field is present. Fails with kInvalidArgument for bad names or widths, kIoError when
  // a file exists already or cannot be written. Does not create an index. The text is
  // in `code_page` (a Windows code page number, see Codepage.h), named by the header's
  // code page mark; an unknown code page is taken as 1252.
  static Status Create(const std::string& path, const std::vector<FieldSpec>& fields,
                       int code_page = kDefaultCodePage);

  // Opens `path` in `mode`, with its memo file and, when present, its structural CDX.
  // kNotFound: no table; kInUse: the open mode conflicts with another open; kCorrupt: the
  // table or memo file breaks the format (the files are left as they were).
  // A missing or damaged CDX does not fail the open: the table opens in record order and
  // index_state() says why (the caller rebuilds with Reindex after an exclusive open).
  static Status Open(const std::string& path, OpenMode mode, std::unique_ptr<Table>* out);

  enum class IndexState { kNone, kOk, kMissing, kDamaged };
  IndexState index_state() const;
  // Why the index was found damaged, empty otherwise.
  const std::string& index_problem() const;

  // ---- structure
  const std::string& path() const;
  OpenMode mode() const;
  const std::vector<FieldDesc>& fields() const;
  // The Windows code page of the text in character and memo fields, from the header's
  // code page mark (1252 when it names none or one this engine does not know).
  int code_page() const;
  int FieldIndex(std::string_view name) const;  // case-insensitive; -1 when absent
  uint32_t record_length() const;

  // ---- records
  // Number of records in the file, deleted ones included (re-reads the header count in
  // shared mode when the file has grown).
  uint32_t RecordCount();

  // ---- navigation in the current order under the filter
  Status GoTop();
  Status GoBottom();
  Status Skip(int64_t n = 1);
  // Makes record `recno` current regardless of order and filter; recno outside
  // 1..RecordCount() gives kInvalidArgument and leaves the position at eof.
  Status Go(uint32_t recno);
  bool Bof() const;
  bool Eof() const;
  // Physical number of the current record; RecordCount()+1 at eof.
  uint32_t RecNo() const;

  // ---- the current record (the pending image while editing or appending)
  const uint8_t* record() const;  // record image, record_length() bytes
  bool Deleted() const;
  // Field text as stored (single-byte code page, padded with blanks to the width).
  std::string_view GetString(int field) const;
  bool GetLogical(int field) const;
  // Memo text of the current record (empty when none).
  Status GetMemo(int field, std::string* out) const;
  // A hint that record `recno` will be read soon, and the memo value its field
  // `memo_field` (-1 for none) points at: both are asked into the processor's cache, so
  // that a walk in an order of its own (an export) does not wait for every record and
  // note it visits. Reads the record, which the walk should have hinted one step
  // earlier; changes nothing and reads nothing from the files.
  void Prefetch(uint32_t recno, int memo_field) const;

  // ---- changes
  // Locks the current record (kRecordLocked when held elsewhere) and re-reads it. With a
  // filter in force, a record that no longer passes it fails with kNotFound.
  Status Edit();
  // Starts a new blank record; it gets its record number at Post.
  Status Append();
  // Field writers for the pending record: text is cut to the field width and padded
  // with blanks; kState when no Edit/Append is pending.
  Status SetString(int field, std::string_view bytes);
  Status SetLogical(int field, bool value);
  Status SetMemo(int field, std::string_view text);
  // Stores the pending record (see the durability note above) and releases its lock.
  Status Post();
  // Drops the pending change and releases its lock.
  void Cancel();
  bool editing() const;
  // Marks the current record deleted / not deleted (under its record lock).
  Status Delete();
  Status Recall();

  // ---- filter
  // Compiles and sets a logical filter; "" clears it. On a compile error the previous
  // filter stays and the status says why. Does not move the position.
  Status SetFilter(std::string_view expression);
  const std::string& filter() const;
  // Number of records that pass the filter and are visible in the current order.
  Status CountFiltered(uint32_t* count);
  // The numbers of the records that pass the filter, in the current order, into `*out`
  // (replacing its content); records marked deleted are left out too when
  // `skip_deleted`. One pass, without moving the current record.
  Status CollectVisible(bool skip_deleted, std::vector<uint32_t>* out);
  // Value of a logical expression on the current record.
  Status EvalLogical(std::string_view expression, bool* value);

  // ---- index
  int TagCount() const;
  std::string TagName(int order) const;     // "" for order 0 or out of range
  int OrderOfTag(std::string_view name) const;  // case-insensitive; 0 when absent
  int Order() const;
  // Selects an order (0 = record order) and returns the previous one; an order out of
  // range leaves the order as it was. Keeps the current record.
  int SetOrder(int order);
  // Seeks `key` (a prefix of the key is enough) in the current tag. Found: the first
  // record whose key starts with it. Not found: at eof, or with `soft` on the next
  // greater key (eof when none). kState in record order.
  Status Seek(std::string_view key, bool soft, bool* found);

  // Index building; each needs exclusive use (kNeedExclusive otherwise).
  // Adds a tag to the structural index, creating the CDX and setting the table's
  // structural-index flag when there is none yet.
  Status CreateTag(std::string_view name, std::string_view key_expression,
                   std::string_view for_expression, const ProgressFn& progress = {});
  // Rebuilds every tag from scratch (from the tag definitions kept in the CDX, or
  // `definitions` when the CDX is missing or damaged).
  Status Reindex(const std::vector<TagDefinition>& definitions, const ProgressFn& progress = {});
  // Removes deleted records and rewrites the memo file compactly; the index is rebuilt.
  Status Pack(const ProgressFn& progress = {});
  // Removes every record; the memo file is emptied and the tags emptied.
  Status Zap(const ProgressFn& progress = {});

  // ---- batching and read-ahead
  void BeginBatch();
  Status EndBatch();  // syncs what the batch wrote
  void SetTurboRead(bool on);

  // Consistency check of the files (header, records, memo pointers, every tag); one line
  // per problem, none when the files are consistent.
  Status Check(std::vector<std::string>* problems);

 private:
  Table();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
