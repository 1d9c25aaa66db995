// TodoTable: the task table (JLIST.DBF with JLIST.FPT and JLIST.CDX in the program folder)
// as the rest of the program uses it.
//
// The table keeps a view: the physical numbers of the records that pass the filter, in
// the current order (the tag's key order, or record order for order 0). Navigation moves
// within the view; an edit that changes a key or the filter result moves the record in
// the view or drops it; the grid reads its rows from the view by row number. Observers
// (the grid model, the main window) hear of every change of the view and of the current
// record, except inside BeginBatch/EndBatch, after which they hear of one reset.
//
// Text crosses this class as QString and is stored in the table's code page (the one its
// header names; a new table takes the user's language's); text read from a character
// field comes back without its trailing blanks.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/TaskFields.h"
#include "store/TaskRecord.h"
#include "store/TaskSchema.h"
#include "store/TaskWalk.h"
#include "store/xbase/Defs.h"
#include "store/xbase/Status.h"

namespace xbase {
class Table;
}

// What the table needs from the windows: messages for the user, the start-up status
// panel and the index build with its progress window.
class TodoTableHost {
 public:
  virtual ~TodoTableHost() = default;
  // An "Information" box with `message`.
  virtual void InfoBox(const QString& message) = 0;
  // Shows `text` in the status panel and lets it repaint.
  virtual void UpdateStatus(const QString& text) = 0;
  // Lets pending window events run.
  virtual void ProcessMessages() = 0;
  // Rebuilds the indexes of `table`, which is open exclusive, packing first when
  // `pack_first`; true when the indexes were built.
  virtual bool RunRebuild(class TodoTable& table, bool pack_first) = 0;
};

// Hears of changes of the view. Begin/End pairs bracket the change itself, so a Qt model
// can forward them as they are.
class TodoTableObserver {
 public:
  virtual ~TodoTableObserver() = default;
  virtual void BeginReset() {}
  virtual void EndReset() {}
  virtual void BeginInsertRow(int /*row*/) {}
  virtual void EndInsertRow() {}
  virtual void BeginRemoveRow(int /*row*/) {}
  virtual void EndRemoveRow() {}
  // The stored values of the task in `row` changed.
  virtual void RowChanged(int /*row*/) {}
  // Another task became current, or the list reached its end.
  virtual void CurrentChanged() {}
};

// Note storage rule for texts stored by the task editor and the upgrade: line breaks
// become CR LF; a text of at least one line whose length (breaks included) is a positive
// multiple of 4 gets one blank at the end of its last line (before a final line break).
QString PadNoteLength(const QString& note);

// One record as stored: the bytes of each field but the memo fields (whose bytes are
// block numbers), the note's text and the deleted mark. What an undo compares and puts
// back.
struct TTaskSnapshot {
  uint32_t recno = 0;
  bool deleted = false;
  std::vector<std::string> fields;  // by field number; empty for memo fields
  std::string note;                 // in the table's code page
  bool operator==(const TTaskSnapshot&) const = default;
};

// One stored change of one record: the record before and after it. A new record's
// "before" is its first image marked deleted.
struct TTaskChange {
  TTaskSnapshot before;
  TTaskSnapshot after;
};

class TodoTable {
 public:
  // The fixed file names, in the program folder.
  static constexpr char kTableName[] = "JLIST.DBF";
  static constexpr char kMemoName[] = "JLIST.FPT";
  static constexpr char kIndexName[] = "JLIST.CDX";

  // Field names, in creation order, and the widths of the two the user types freely.
  static constexpr const char* kDate = task_schema::kDateField;
  static constexpr const char* kTime = task_schema::kTimeField;
  static constexpr const char* kDescript = task_schema::kDescriptField;
  static constexpr const char* kNote = task_schema::kNoteField;
  static constexpr const char* kDone = task_schema::kDoneField;
  static constexpr const char* kKeys = task_schema::kKeysField;
  static constexpr const char* kPriority = task_schema::kPriorityField;
  static constexpr int kDescriptWidth = static_cast<int>(task_schema::kDescriptWidth);
  static constexpr int kKeysWidth = static_cast<int>(task_schema::kKeysWidth);

  // The five index tags, in creation (and order number) order.
  static const std::vector<xbase::TagDefinition>& TaskTags();

  explicit TodoTable(TodoTableHost* host = nullptr);
  ~TodoTable();
  TodoTable(const TodoTable&) = delete;
  TodoTable& operator=(const TodoTable&) = delete;

  void SetHost(TodoTableHost* host) { host_ = host; }
  // The folder of the files, ending in "/".
  void SetDirectory(const QString& directory);
  const QString& Directory() const { return directory_; }
  QString TablePath() const;
  QString IndexPath() const;

  // Called by OpenTaskFiles when the table has the old structure (no PRIORITY field);
  // it converts the files in place and gives success. Without one the old files are
  // opened as they are.
  using Upgrader = std::function<bool(TodoTable&)>;
  void SetUpgrader(Upgrader upgrader) { upgrader_ = std::move(upgrader); }

  // ---- files
  // Creates JLIST.DBF (and JLIST.FPT) with the seven fields; no index. The text is in
  // `code_page` (a Windows code page number), 0 meaning the one of the user's language
  // (CodePageForLocale). True when the table file exists afterwards.
  [[nodiscard]] bool CreateTaskTable(int code_page = 0);
  // Opens the task files, shared or exclusive, creating the table and building a missing
  // or damaged index on the way, and reporting every failure to the user through the
  // host. Afterwards the order is DATETIME and the first task is current.
  [[nodiscard]] bool OpenTaskFiles(bool exclusive);
  // True when the table file has DATE, TIME, DESCRIPT, NOTE, DONE and KEYS but not
  // PRIORITY; false when it cannot be read. Closes the table first.
  bool IsOldStructure();
  // Opens the table without messages, index problems included (see IndexUsable()).
  [[nodiscard]] xbase::Status Open(bool exclusive);
  // Stores a pending change first; a failed store is dropped and reported in the status,
  // as is a failed sync of an open batch. The table is closed either way.
  [[nodiscard]] xbase::Status Close();
  bool Active() const { return engine_ != nullptr; }
  bool Exclusive() const { return exclusive_; }
  // The Windows code page of the table's text (1252 while closed); text crosses this
  // class in it.
  int CodePage() const;
  // True when the open found the index with the five tags and fit for use.
  bool IndexUsable() const;

  // Index maintenance; each needs the table open exclusive. Progress is in whole
  // percentages: per tag in turn for a build, once over the table for a pack.
  // Closes the table, deletes JLIST.CDX and opens the table again exclusive.
  [[nodiscard]] xbase::Status DeleteIndexFile();
  [[nodiscard]] xbase::Status Pack(const xbase::ProgressFn& progress = {});
  [[nodiscard]] xbase::Status BuildTags(const xbase::ProgressFn& progress = {});
  [[nodiscard]] xbase::Status Zap(const xbase::ProgressFn& progress = {});

  // ---- navigation within the view
  void First();
  void Next();
  void Prior();
  void Last();
  // No current task: past the last one, or an empty list.
  bool AtEnd();
  // At the first task after Prior could not move further back.
  bool AtStart() const { return bof_; }
  // Physical number of the current record; RecordCount() + 1 when there is none.
  uint32_t RecordNumber();
  // Makes that record current; it must be in the list (kNotFound otherwise, position
  // unchanged).
  [[nodiscard]] xbase::Status GoToRecord(uint32_t recno);
  // Records in the file, deleted ones included.
  uint32_t RecordCount();

  // The view by row: rows 0..ViewCount()-1.
  int ViewCount();
  // Row of the current task, -1 at the end.
  int CurrentRow();
  // Record number of a row, 0 for a row that does not exist.
  uint32_t RecnoAt(int row);
  // Row of a record, -1 when it is not in the list.
  int RowOf(uint32_t recno);
  [[nodiscard]] xbase::Status GoToRow(int row);
  // Reads the task of `row`, its key words included but not its note, without moving the
  // current task. False when the row does not exist or cannot be read (a record that is
  // not cached while an edit is pending).
  bool ReadRow(int row, TaskRecord* out);
  // Reads the current task (the pending one while editing), its key words and note as
  // `parts` asks; false, with `*out` empty, when there is none or it cannot be read.
  bool ReadCurrent(TaskParts parts, TaskRecord* out);
  // The same read, of the stored bytes in CodePage() (empty fields when there is none).
  bool ReadCurrentBytes(TaskParts parts, TaskBytes* out);

  // The stored bytes of field `name` of the task in `row` (in the table's code page,
  // padded with blanks to the field's width) without moving the current task; empty when
  // the row does not exist or cannot be read. Valid until the table is used again.
  std::string_view StoredText(int row, const char* name);

  // ---- fields of the current record (the pending one while editing or appending)
  QString FieldText(const char* name);
  bool FieldBool(const char* name);
  QString Memo(const char* name);
  // Field writers: need Edit or Append first (kState otherwise). Text is cut to the
  // field's width.
  [[nodiscard]] xbase::Status SetFieldText(const char* name, const QString& value);
  [[nodiscard]] xbase::Status SetFieldBool(const char* name, bool value);
  [[nodiscard]] xbase::Status SetMemo(const char* name, const QString& text);

  // ---- changes
  // Locks the current record for a change (kRecordLocked when held elsewhere).
  [[nodiscard]] xbase::Status Edit();
  // Starts a new blank record; it joins the list at Post.
  [[nodiscard]] xbase::Status Append();
  // Stores the pending record; it becomes current at its place in the list, or leaves the
  // list when it no longer passes the filter.
  [[nodiscard]] xbase::Status Post();
  void Cancel();
  bool Editing() const;
  // Marks the current record deleted and moves to the following task (the previous one
  // when it was the last). Inside a batch the record keeps its row until EndBatch, so
  // that a walk with Next reaches the record after it.
  [[nodiscard]] xbase::Status Delete();
  bool IsDeleted();

  // ---- order and search
  int CurrentOrder() const;
  // Selects an order (0 record order) and gives the previous one; the current task stays
  // current when it is in the new list. An order out of range changes nothing.
  int SetOrder(int order);
  int OrderOfTag(const QString& name) const;
  QString TagName(int order) const;
  // Finds the first task of the list whose key in the current order starts with `key`.
  // With soft seek on, a miss makes the task with the next greater key current; else,
  // like a soft miss past the last key, the list is left at its end.
  bool Seek(const QString& key);
  void SetSoftSeek(bool on) { soft_seek_ = on; }
  bool SoftSeek() const { return soft_seek_; }

  // Number of field `name` in the record (as TTaskSnapshot::fields counts), -1 when the
  // table has no such field or is closed.
  int FieldNumber(const char* name) const { return FieldIndex(name); }

  // ---- the journal of changes (for undo)
  // While on, each stored change (the Post of an edit or a new record, a Delete) is kept
  // as a TTaskChange until TakeJournal hands the changes over, oldest first.
  void SetJournal(bool on);
  std::vector<TTaskChange> TakeJournal();
  // Record `recno` as stored now, wherever it is in (or out of) the list. Needs no
  // pending change (kState).
  [[nodiscard]] xbase::Status Snapshot(uint32_t recno, TTaskSnapshot* out);
  // Stores `image` into its record (fields, note, deleted mark) under the record's lock,
  // whatever the filter; the record takes its place in the list and becomes current
  // when it passes the filter. Not journalled.
  [[nodiscard]] xbase::Status PutBack(const TTaskSnapshot& image);

  // ---- filter
  // Sets the filter expression ("" for none); kept across Close and Open. On a compile
  // error the previous filter stays and the status says why. The current task stays
  // current when it passes, else the first task of the new list is.
  [[nodiscard]] xbase::Status SetFilter(const QString& expression);
  const QString& CurrentFilter() const { return filter_; }
  int FilterRecordCount() { return ViewCount(); }
  // Value of a logical expression on the current record; false with `*status` set when
  // it cannot be evaluated.
  bool EvalLogical(const QString& expression, xbase::Status* status = nullptr);

  // ---- batches, read-ahead, the grid's display fields
  // Observers hear nothing between BeginBatch and EndBatch (they are told of a reset at
  // both ends); file syncs are deferred to EndBatch. Batches nest: the outermost
  // EndBatch syncs and gives the sync's outcome (an inner one gives ok).
  void BeginBatch();
  [[nodiscard]] xbase::Status EndBatch();
  bool InBatch() const { return batch_depth_ > 0; }
  void SetTurboRead(bool on);
  // While set, the grid leaves its calculated columns empty and rows read are not kept
  // for it (a long loop over the table reads each record once).
  bool SuspendDisplayFields() const { return suspend_display_; }
  void SetSuspendDisplayFields(bool on);

  void AddObserver(TodoTableObserver* observer);
  void RemoveObserver(TodoTableObserver* observer);

  // The engine table, for the tools that need more than the operations above; null
  // while closed.
  xbase::Table* engine() { return engine_.get(); }

 private:
  // Navigation stores a pending change first, as a data-bound list does. A change that
  // cannot be stored stays pending (the next command tries again) and the host is told.
  void PostPending();
  // Closes the engine table, syncing an open batch first; gives the sync's outcome.
  [[nodiscard]] xbase::Status CloseEngine();
  // The view is built when first needed after a change of order, filter or file, so that
  // a run of such changes (as at start-up) walks the table once. Until then the current
  // task is held as `pending_`.
  enum class Pending { kFirst, kEnd, kRecord };
  void InvalidateView(Pending pending, uint32_t recno = 0);
  // Pending position for "keep the current task when it stays in the list".
  void InvalidateKeepingCurrent();
  void EnsureView();
  [[nodiscard]] xbase::Status BuildView();
  // Puts the engine on `recno` unless it is there already.
  [[nodiscard]] xbase::Status EngineAt(uint32_t recno);
  [[nodiscard]] xbase::Status EngineAtCurrent();
  int FieldIndex(const char* name) const;
  void ReadRowFromEngine(uint32_t recno, TaskRecord* out);
  // After a record was stored: moves it to its place in the list or drops it.
  void PlaceRecord(uint32_t recno, bool make_current);
  void RemoveRow(size_t row);
  void InsertRow(size_t row, uint32_t recno);
  void NotifyCurrent();
  template <typename F>
  void Notify(F&& f);
  bool IndexHasTaskTags() const;
  void Message(const QString& text);
  // Adds a change to the journal when it is on.
  void Journal(TTaskSnapshot before, TTaskSnapshot after);
  // The table file's full path and the cause of a failed open, for the user.
  QString OpenFailureDetail(const xbase::Status& status) const;

  TodoTableHost* host_ = nullptr;
  bool journal_on_ = false;
  std::vector<TTaskChange> journal_;
  // The record as it was when the pending edit began (journal on, recno 0 otherwise).
  TTaskSnapshot edit_before_;
  QString directory_;
  Upgrader upgrader_;
  std::unique_ptr<xbase::Table> engine_;
  // Where the task fields stand in engine_, looked up when it opens.
  std::optional<TTaskFields> fields_;
  bool exclusive_ = false;
  QString filter_;
  bool soft_seek_ = false;
  bool suspend_display_ = false;
  bool turbo_read_ = false;
  int batch_depth_ = 0;
  bool engine_batch_ = false;
  bool appending_ = false;
  bool bof_ = false;
  std::vector<uint32_t> view_;
  size_t pos_ = 0;
  bool view_valid_ = false;
  Pending pending_ = Pending::kFirst;
  uint32_t pending_recno_ = 0;
  // Records deleted inside the batch; they leave the view at EndBatch.
  std::vector<uint32_t> batch_deleted_;
  std::unordered_map<uint32_t, TaskRecord> row_cache_;
  std::vector<TodoTableObserver*> observers_;
};
