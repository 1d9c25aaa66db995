#include "store/TodoTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <utility>

#include "store/CodePage.h"
#include "store/ErrorText.h"
#include "store/TaskFields.h"
#include "store/TaskSchema.h"
#include "store/IndexRebuild.h"
#include "base/ByteOrder.h"
#include "store/xbase/DbfFormat.h"
#include "store/xbase/Table.h"

using xbase::Status;

namespace {

constexpr char kCannotCreate[] = "Unable to open or create JLIST.DBF";
constexpr char kCannotOpenExclusive[] =
    "Unable to open the Todo file (JLIST.DBF) for reindexing.\n"
    "The file may be in use by another user";
constexpr char kCannotOpen[] = "Unable to open the Todo file: JLIST.DBF";
constexpr char kOpeningFiles[] = "Opening files...";
constexpr char kCreatingIndexes[] = "Creating indexes...";
constexpr char kUpgradeNotice[] =
    "This version of Jotlist uses a new file structure\n"
    "with the new PRIORITY field.\n"
    "Your existing data files are from an older version.\n"
    "\n"
    "The program will now attempt to update the\n"
    "files to the new version. The old files\n"
    "will be saved as JLBAK.DBF and JLBAK.FPT";
constexpr char kUpgradeDone[] = "File update was successful";
constexpr char kUpgradeFailed[] = "There was an error updating the files.";

// Rows kept decoded for the grid; a screenful is a few dozen.
constexpr size_t kRowCacheLimit = 4096;

QString TrimTrailing(QString text) {
  qsizetype n = text.size();
  while (n > 0 && text.at(n - 1) == QLatin1Char(' ')) --n;
  text.truncate(n);
  return text;
}

}  // namespace

QString PadNoteLength(const QString& note) {
  QString text;
  text.reserve(note.size() + 8);
  for (qsizetype i = 0; i < note.size(); ++i) {
    const QChar c = note.at(i);
    if (c == QLatin1Char('\r')) {
      text += QLatin1String("\r\n");
      if (i + 1 < note.size() && note.at(i + 1) == QLatin1Char('\n')) ++i;
    } else if (c == QLatin1Char('\n')) {
      text += QLatin1String("\r\n");
    } else {
      text += c;
    }
  }
  if (text.isEmpty() || text.size() % 4 != 0) return text;
  if (text.endsWith(QLatin1String("\r\n"))) {
    text.insert(text.size() - 2, QLatin1Char(' '));
  } else {
    text += QLatin1Char(' ');
  }
  return text;
}

const std::vector<xbase::TagDefinition>& TodoTable::TaskTags() {
  static const std::vector<xbase::TagDefinition> tags = task_schema::TagDefinitions();
  return tags;
}

TodoTable::TodoTable(TodoTableHost* host) : host_(host) {}

TodoTable::~TodoTable() {
  observers_.clear();
  // The owner closes the table (and reports the outcome) before it lets it go.
  (void)Close();
}

void TodoTable::SetDirectory(const QString& directory) {
  directory_ = directory;
  if (!directory_.isEmpty() && !directory_.endsWith(QLatin1Char('/'))) directory_ += QLatin1Char('/');
}

QString TodoTable::TablePath() const { return directory_ + QLatin1String(kTableName); }
QString TodoTable::IndexPath() const { return directory_ + QLatin1String(kIndexName); }

void TodoTable::Message(const QString& text) {
  if (host_) host_->InfoBox(text);
}

// ---------------------------------------------------------------- files

bool TodoTable::CreateTaskTable(int code_page) {
  // A new table takes the code page of the user's language, as the platform's own
  // programs do; an existing one keeps the code page its header names.
  if (code_page == 0) code_page = CodePageForLocale(QLocale());
  const Status status =
      xbase::Table::Create(TablePath().toStdString(), task_schema::FieldSpecs(), code_page);
  return status.ok() && QFileInfo::exists(TablePath());
}

bool TodoTable::IsOldStructure() {
  // Only called while the files are being opened: nothing is pending.
  (void)Close();
  // The field list is read from the header itself: cheaper than an open, which would
  // check the index too, and it works on files the engine would refuse.
  QFile file(TablePath());
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(xbase::dbf::kHeaderSize);
  if (header.size() != static_cast<qsizetype>(xbase::dbf::kHeaderSize)) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(header.constData());
  const qint64 header_length = base::Le16(bytes + xbase::dbf::kOffHeaderLength);
  if (header_length <= static_cast<qint64>(xbase::dbf::kHeaderSize)) return false;
  const QByteArray descriptors = file.read(header_length - xbase::dbf::kHeaderSize);
  QStringList names;
  constexpr qsizetype kStep = xbase::dbf::kDescriptorSize;
  for (qsizetype at = 0; at + kStep <= descriptors.size(); at += kStep) {
    if (static_cast<uint8_t>(descriptors[at]) == xbase::dbf::kHeaderTerminator) break;
    const QByteArray raw = descriptors.mid(at + xbase::dbf::kDescName, xbase::dbf::kDescNameSize);
    const qsizetype end = raw.indexOf('\0');
    names << QString::fromLatin1(end < 0 ? raw : raw.left(end)).trimmed().toUpper();
  }
  for (const char* name : {kDate, kTime, kDescript, kNote, kDone, kKeys}) {
    if (!names.contains(QLatin1String(name))) return false;
  }
  return !names.contains(QLatin1String(kPriority));
}

bool TodoTable::OpenTaskFiles(bool exclusive) {
  // Callers close (and report) before they reopen: nothing is pending here.
  (void)Close();
  if (!QFileInfo::exists(TablePath()) && !CreateTaskTable()) {
    Message(QString::fromLatin1(kCannotCreate));
    return false;
  }
  // Old files without PRIORITY are converted by the upgrader when one is installed.
  if (upgrader_ && IsOldStructure()) {
    Message(QString::fromLatin1(kUpgradeNotice));
    const bool upgraded = upgrader_(*this);
    // The upgrade closed what it wrote and reported its own failures.
    (void)Close();
    Message(QString::fromLatin1(upgraded ? kUpgradeDone : kUpgradeFailed));
  }
  if (host_) host_->UpdateStatus(QString::fromLatin1(kOpeningFiles));

  Status status = Open(exclusive);
  // A missing index is built; so is one that failed its checks at open or lacks the
  // task tags, which would otherwise leave the program without its orders.
  if (status.ok() && !IndexUsable()) {
    if (host_) host_->UpdateStatus(QString::fromLatin1(kCreatingIndexes));
    status = Open(true);
    if (status.ok()) {
      bool built = false;
      if (host_) {
        built = host_->RunRebuild(*this, false);
      } else {
        built = IndexRebuild(*this).Run(false).ok();
      }
      status = Open(exclusive);
      if (status.ok() && (!built || !IndexUsable())) {
        status = Status::Corrupt("the index could not be built");
      }
    }
  }
  if (status.ok()) {
    SetOrder(OrderOfTag(QString::fromLatin1(task_schema::kDateTimeTag)));
    First();
    return true;
  }
  // The open failed: the message below is what the user needs; nothing was written.
  (void)CloseEngine();
  Message(QString::fromLatin1(exclusive ? kCannotOpenExclusive : kCannotOpen) + QLatin1String("\r\r") +
          OpenFailureDetail(status));
  return false;
}

QString TodoTable::OpenFailureDetail(const Status& status) const {
  const QString path = QDir::toNativeSeparators(TablePath());
  QString reason = QString::fromStdString(status.message());
  // The engine's file errors read "<what> <path>: <system's reason>"; the path comes first
  // here, once.
  const qsizetype cut = reason.lastIndexOf(QLatin1String(": "));
  if (cut >= 0 && reason.left(cut).contains(TablePath())) reason = reason.mid(cut + 2);
  reason.replace(TablePath(), QFileInfo(TablePath()).fileName());
  return path + QLatin1String(": ") + reason;
}

Status TodoTable::Open(bool exclusive) {
  XB_RETURN_IF_ERROR(CloseEngine());
  std::unique_ptr<xbase::Table> table;
  const auto mode = exclusive ? xbase::OpenMode::kExclusive : xbase::OpenMode::kShared;
  XB_RETURN_IF_ERROR(xbase::Table::Open(TablePath().toStdString(), mode, &table));
  engine_ = std::move(table);
  fields_.emplace(*engine_);
  exclusive_ = exclusive;
  if (turbo_read_) engine_->SetTurboRead(true);
  if (!filter_.isEmpty() && !engine_->SetFilter(ToCodePage(filter_, CodePage())).ok()) filter_.clear();
  InvalidateView(Pending::kFirst);
  return Status::Ok();
}

Status TodoTable::Close() {
  Status status;
  if (Editing()) {
    status = Post();
    if (!status.ok()) Cancel();
  }
  const Status closed = CloseEngine();
  return status.ok() ? closed : status;
}

Status TodoTable::CloseEngine() {
  if (!engine_) return Status::Ok();
  Status synced;
  if (engine_batch_) {
    synced = engine_->EndBatch();
    engine_batch_ = false;
  }
  if (engine_->editing()) engine_->Cancel();
  appending_ = false;
  fields_.reset();
  engine_.reset();
  exclusive_ = false;
  batch_deleted_.clear();
  InvalidateView(Pending::kFirst);
  return synced;
}

int TodoTable::CodePage() const { return engine_ ? engine_->code_page() : kDefaultCodePage; }

bool TodoTable::IndexUsable() const {
  return engine_ && engine_->index_state() == xbase::Table::IndexState::kOk && IndexHasTaskTags();
}

bool TodoTable::IndexHasTaskTags() const {
  const auto& tags = TaskTags();
  if (engine_->TagCount() < static_cast<int>(tags.size())) return false;
  for (size_t i = 0; i < tags.size(); ++i) {
    if (QString::fromStdString(engine_->TagName(static_cast<int>(i) + 1)).toUpper() !=
        QLatin1String(tags[i].name.c_str())) {
      return false;
    }
  }
  return true;
}

Status TodoTable::DeleteIndexFile() {
  if (!engine_) return Status::State("the task table is not open");
  if (!exclusive_) return Status::NeedExclusive("the index file can be deleted only in exclusive use");
  XB_RETURN_IF_ERROR(CloseEngine());
  QFile index(IndexPath());
  if (index.exists() && !index.remove()) {
    // The user is told which file and why (a folder they may not write, a file in use).
    const std::string cause = index.errorString().toStdString();
    const Status reopened = Open(true);
    (void)reopened;
    return Status::IoError("cannot delete " + IndexPath().toStdString() + ": " + cause);
  }
  return Open(true);
}

Status TodoTable::Pack(const xbase::ProgressFn& progress) {
  if (!engine_) return Status::State("the task table is not open");
  const Status status = engine_->Pack(progress);
  InvalidateView(Pending::kFirst);
  return status;
}

Status TodoTable::BuildTags(const xbase::ProgressFn& progress) {
  if (!engine_) return Status::State("the task table is not open");
  const Status status = engine_->Reindex(TaskTags(), progress);
  InvalidateView(Pending::kFirst);
  return status;
}

Status TodoTable::Zap(const xbase::ProgressFn& progress) {
  if (!engine_) return Status::State("the task table is not open");
  const Status status = engine_->Zap(progress);
  InvalidateView(Pending::kFirst);
  return status;
}

// ---------------------------------------------------------------- the view

template <typename F>
void TodoTable::Notify(F&& f) {
  if (batch_depth_ > 0) return;
  // A copy: an observer may add or remove observers while it is told.
  const auto observers = observers_;
  for (TodoTableObserver* observer : observers) f(*observer);
}

void TodoTable::NotifyCurrent() {
  Notify([](TodoTableObserver& o) { o.CurrentChanged(); });
}

void TodoTable::AddObserver(TodoTableObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void TodoTable::RemoveObserver(TodoTableObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TodoTable::InvalidateView(Pending pending, uint32_t recno) {
  Notify([](TodoTableObserver& o) { o.BeginReset(); });
  view_valid_ = false;
  view_.clear();
  pos_ = 0;
  bof_ = false;
  pending_ = pending;
  pending_recno_ = recno;
  row_cache_.clear();
  Notify([](TodoTableObserver& o) { o.EndReset(); });
  NotifyCurrent();
}

void TodoTable::InvalidateKeepingCurrent() {
  if (!view_valid_) {
    InvalidateView(pending_, pending_recno_);
  } else if (AtEnd()) {
    InvalidateView(Pending::kEnd);
  } else {
    InvalidateView(Pending::kRecord, view_[pos_]);
  }
}

Status TodoTable::BuildView() {
  view_.clear();
  if (!engine_) return Status::Ok();
  // Record order shows deleted records too; the list never does.
  return engine_->CollectVisible(true, &view_);
}

void TodoTable::EnsureView() {
  if (view_valid_) return;
  view_valid_ = true;
  if (const Status built = BuildView(); !built.ok()) Message(UserErrorText(built));
  switch (pending_) {
    case Pending::kFirst:
      pos_ = 0;
      break;
    case Pending::kEnd:
      pos_ = view_.size();
      break;
    case Pending::kRecord: {
      const auto it = std::find(view_.begin(), view_.end(), pending_recno_);
      pos_ = it == view_.end() ? 0 : static_cast<size_t>(it - view_.begin());
      break;
    }
  }
}

int TodoTable::ViewCount() {
  EnsureView();
  return static_cast<int>(view_.size());
}

bool TodoTable::AtEnd() {
  EnsureView();
  return pos_ >= view_.size();
}

int TodoTable::CurrentRow() { return AtEnd() ? -1 : static_cast<int>(pos_); }

uint32_t TodoTable::RecnoAt(int row) {
  EnsureView();
  if (row < 0 || static_cast<size_t>(row) >= view_.size()) return 0;
  return view_[static_cast<size_t>(row)];
}

int TodoTable::RowOf(uint32_t recno) {
  EnsureView();
  if (pos_ < view_.size() && view_[pos_] == recno) return static_cast<int>(pos_);
  if (engine_ && engine_->Order() == 0) {
    // Record order: the view is sorted by record number.
    const auto it = std::lower_bound(view_.begin(), view_.end(), recno);
    if (it != view_.end() && *it == recno) return static_cast<int>(it - view_.begin());
    return -1;
  }
  const auto it = std::find(view_.begin(), view_.end(), recno);
  return it == view_.end() ? -1 : static_cast<int>(it - view_.begin());
}

void TodoTable::RemoveRow(size_t row) {
  Notify([row](TodoTableObserver& o) { o.BeginRemoveRow(static_cast<int>(row)); });
  view_.erase(view_.begin() + static_cast<std::ptrdiff_t>(row));
  if (pos_ > row) --pos_;
  Notify([](TodoTableObserver& o) { o.EndRemoveRow(); });
}

void TodoTable::InsertRow(size_t row, uint32_t recno) {
  Notify([row](TodoTableObserver& o) { o.BeginInsertRow(static_cast<int>(row)); });
  view_.insert(view_.begin() + static_cast<std::ptrdiff_t>(row), recno);
  if (pos_ >= row) ++pos_;
  Notify([](TodoTableObserver& o) { o.EndInsertRow(); });
}

// ---------------------------------------------------------------- navigation

void TodoTable::PostPending() {
  if (!Editing()) return;
  const Status status = Post();
  if (!status.ok()) Message(UserErrorText(status));
}

void TodoTable::First() {
  PostPending();
  bof_ = false;
  if (!view_valid_) {
    pending_ = Pending::kFirst;
  } else {
    pos_ = 0;
  }
  NotifyCurrent();
}

void TodoTable::Next() {
  PostPending();
  EnsureView();
  bof_ = false;
  if (pos_ < view_.size()) ++pos_;
  NotifyCurrent();
}

void TodoTable::Prior() {
  PostPending();
  EnsureView();
  if (view_.empty()) return;
  if (pos_ >= view_.size()) {
    pos_ = view_.size() - 1;
  } else if (pos_ == 0) {
    bof_ = true;
  } else {
    --pos_;
  }
  NotifyCurrent();
}

void TodoTable::Last() {
  PostPending();
  EnsureView();
  bof_ = false;
  pos_ = view_.empty() ? 0 : view_.size() - 1;
  NotifyCurrent();
}

uint32_t TodoTable::RecordCount() { return engine_ ? engine_->RecordCount() : 0; }

uint32_t TodoTable::RecordNumber() {
  if (!view_valid_ && pending_ == Pending::kRecord) return pending_recno_;
  if (AtEnd()) return RecordCount() + 1;
  return view_[pos_];
}

Status TodoTable::GoToRecord(uint32_t recno) {
  const int row = RowOf(recno);
  if (row < 0) return Status::NotFound("record " + std::to_string(recno) + " is not in the list");
  return GoToRow(row);
}

Status TodoTable::GoToRow(int row) {
  EnsureView();
  if (row < 0 || static_cast<size_t>(row) >= view_.size()) {
    return Status::InvalidArgument("row " + std::to_string(row) + " is not in the list");
  }
  if (Editing() && static_cast<size_t>(row) != pos_) XB_RETURN_IF_ERROR(Post());
  pos_ = static_cast<size_t>(row);
  bof_ = false;
  // Read afresh, so that a change made elsewhere shows.
  row_cache_.erase(view_[pos_]);
  const int current = static_cast<int>(pos_);
  Notify([current](TodoTableObserver& o) { o.RowChanged(current); });
  NotifyCurrent();
  return Status::Ok();
}

// ---------------------------------------------------------------- records

Status TodoTable::EngineAt(uint32_t recno) {
  if (!engine_) return Status::State("the task table is not open");
  if (!engine_->Eof() && engine_->RecNo() == recno) return Status::Ok();
  if (engine_->editing()) return Status::State("a change of another record is pending");
  return engine_->Go(recno);
}

Status TodoTable::EngineAtCurrent() {
  if (AtEnd()) return Status::State("there is no current task");
  return EngineAt(view_[pos_]);
}

int TodoTable::FieldIndex(const char* name) const {
  return engine_ ? engine_->FieldIndex(name) : -1;
}

std::string_view TodoTable::StoredText(int row, const char* name) {
  const uint32_t recno = RecnoAt(row);
  const int field = FieldIndex(name);
  if (recno == 0 || field < 0 || !EngineAt(recno).ok()) return {};
  return engine_->GetString(field);
}

QString TodoTable::FieldText(const char* name) {
  const int field = FieldIndex(name);
  if (field < 0) return QString();
  if (!Editing() && !EngineAtCurrent().ok()) return QString();
  return TrimTrailing(FromCodePage(engine_->GetString(field), CodePage()));
}

bool TodoTable::FieldBool(const char* name) {
  const int field = FieldIndex(name);
  if (field < 0) return false;
  if (!Editing() && !EngineAtCurrent().ok()) return false;
  return engine_->GetLogical(field);
}

QString TodoTable::Memo(const char* name) {
  const int field = FieldIndex(name);
  if (field < 0) return QString();
  if (!Editing() && !EngineAtCurrent().ok()) return QString();
  std::string text;
  if (!engine_->GetMemo(field, &text).ok()) return QString();
  return FromCodePage(text, CodePage());
}

Status TodoTable::SetFieldText(const char* name, const QString& value) {
  const int field = FieldIndex(name);
  if (field < 0) return Status::NotFound(std::string("no field ") + name);
  return engine_->SetString(field, ToCodePage(value, CodePage()));
}

Status TodoTable::SetFieldBool(const char* name, bool value) {
  const int field = FieldIndex(name);
  if (field < 0) return Status::NotFound(std::string("no field ") + name);
  return engine_->SetLogical(field, value);
}

Status TodoTable::SetMemo(const char* name, const QString& text) {
  const int field = FieldIndex(name);
  if (field < 0) return Status::NotFound(std::string("no field ") + name);
  return engine_->SetMemo(field, ToCodePage(text, CodePage()));
}

bool TodoTable::Editing() const { return engine_ && engine_->editing(); }

Status TodoTable::Edit() {
  if (Editing()) return Status::Ok();
  XB_RETURN_IF_ERROR(EngineAtCurrent());
  edit_before_ = TTaskSnapshot();
  if (journal_on_) XB_RETURN_IF_ERROR(Snapshot(view_[pos_], &edit_before_));
  XB_RETURN_IF_ERROR(EngineAtCurrent());
  return engine_->Edit();
}

Status TodoTable::Append() {
  if (!engine_) return Status::State("the task table is not open");
  if (Editing()) XB_RETURN_IF_ERROR(Post());
  XB_RETURN_IF_ERROR(engine_->Append());
  appending_ = true;
  return Status::Ok();
}

Status TodoTable::Post() {
  if (!Editing()) return Status::State("no change is pending");
  XB_RETURN_IF_ERROR(engine_->Post());
  const bool appended = appending_;
  appending_ = false;
  const uint32_t recno = engine_->RecNo();
  row_cache_.erase(recno);
  PlaceRecord(recno, true);
  if (journal_on_) {
    TTaskSnapshot after;
    if (Snapshot(recno, &after).ok()) {
      TTaskSnapshot before = appended ? after : edit_before_;
      if (appended) before.deleted = true;
      if (before.recno == recno) Journal(std::move(before), std::move(after));
    }
  }
  edit_before_ = TTaskSnapshot();
  return Status::Ok();
}

void TodoTable::Cancel() {
  if (engine_ && engine_->editing()) engine_->Cancel();
  appending_ = false;
  edit_before_ = TTaskSnapshot();
}

// ---------------------------------------------------------------- journal

void TodoTable::SetJournal(bool on) {
  journal_on_ = on;
  if (!on) journal_.clear();
}

std::vector<TTaskChange> TodoTable::TakeJournal() { return std::exchange(journal_, {}); }

void TodoTable::Journal(TTaskSnapshot before, TTaskSnapshot after) {
  if (journal_on_ && !(before == after)) journal_.push_back({std::move(before), std::move(after)});
}

Status TodoTable::Snapshot(uint32_t recno, TTaskSnapshot* out) {
  if (Editing()) return Status::State("a change is pending");
  if (!engine_) return Status::State("the task table is not open");
  // Read afresh, not from the record last visited: another program may have changed it.
  XB_RETURN_IF_ERROR(engine_->Go(recno));
  const std::vector<xbase::FieldDesc>& fields = engine_->fields();
  TTaskSnapshot image;
  image.recno = recno;
  image.deleted = engine_->Deleted();
  image.fields.resize(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    const int field = static_cast<int>(i);
    if (fields[i].type == xbase::FieldType::kMemo) {
      XB_RETURN_IF_ERROR(engine_->GetMemo(field, &image.note));
    } else {
      image.fields[i] = std::string(engine_->GetString(field));
    }
  }
  *out = std::move(image);
  return Status::Ok();
}

Status TodoTable::PutBack(const TTaskSnapshot& image) {
  if (!engine_) return Status::State("the task table is not open");
  if (Editing()) return Status::State("a change is pending");
  TTaskSnapshot now;
  XB_RETURN_IF_ERROR(Snapshot(image.recno, &now));
  if (now.fields.size() != image.fields.size()) return Status::InvalidArgument("the record has other fields");
  // The record may be outside the filter in force: the engine's filter is lifted while
  // the record is written, and set again whatever happens.
  const std::string filter = engine_->filter();
  if (!filter.empty()) XB_RETURN_IF_ERROR(engine_->SetFilter(""));
  Status status = engine_->Go(image.recno);
  if (status.ok() && !image.deleted && now.deleted) status = engine_->Recall();
  const bool values_differ = now.note != image.note || now.fields != image.fields;
  if (status.ok() && values_differ) {
    status = engine_->Edit();
    const std::vector<xbase::FieldDesc>& fields = engine_->fields();
    for (size_t i = 0; status.ok() && i < fields.size(); ++i) {
      const int field = static_cast<int>(i);
      status = fields[i].type == xbase::FieldType::kMemo ? engine_->SetMemo(field, image.note)
                                                         : engine_->SetString(field, image.fields[i]);
    }
    status = status.ok() ? engine_->Post() : status;
    if (!status.ok() && engine_->editing()) engine_->Cancel();
  }
  if (status.ok() && image.deleted && !now.deleted) status = engine_->Delete();
  if (!filter.empty()) {
    const Status refiltered = engine_->SetFilter(filter);
    if (status.ok()) status = refiltered;
  }
  row_cache_.erase(image.recno);
  InvalidateView(Pending::kRecord, image.recno);
  return status;
}

void TodoTable::PlaceRecord(uint32_t recno, bool make_current) {
  EnsureView();
  const int old_row = RowOf(recno);
  bool passes = true;
  if (!filter_.isEmpty() && EngineAt(recno).ok()) {
    bool value = false;
    passes = !engine_->EvalLogical(ToCodePage(filter_, CodePage()), &value).ok() || value;
  }
  if (!passes) {
    if (old_row >= 0) {
      const bool was_current = pos_ == static_cast<size_t>(old_row);
      RemoveRow(static_cast<size_t>(old_row));
      if (was_current && pos_ >= view_.size() && !view_.empty()) pos_ = view_.size() - 1;
    }
    NotifyCurrent();
    return;
  }

  // Where the record belongs, counted in the view without it.
  size_t place = 0;
  if (engine_->Order() == 0) {
    place = static_cast<size_t>(std::lower_bound(view_.begin(), view_.end(), recno) - view_.begin());
    if (old_row >= 0 && static_cast<size_t>(old_row) < place) --place;
  } else {
    // The engine knows the key order: the record before it in the tag under the filter.
    uint32_t before = 0;
    if (EngineAt(recno).ok() && engine_->Skip(-1).ok() && !engine_->Bof() && !engine_->Eof()) {
      before = engine_->RecNo();
    }
    if (before != 0) {
      const int before_row = RowOf(before);
      if (before_row < 0) {
        // The list and the file disagree (records added elsewhere): read it again.
        InvalidateView(Pending::kRecord, recno);
        return;
      }
      place = static_cast<size_t>(before_row) + 1;
      if (old_row >= 0 && old_row < before_row) --place;
    }
  }

  if (old_row >= 0 && place == static_cast<size_t>(old_row)) {
    Notify([old_row](TodoTableObserver& o) { o.RowChanged(old_row); });
  } else {
    if (old_row >= 0) RemoveRow(static_cast<size_t>(old_row));
    InsertRow(place, recno);
  }
  if (make_current) {
    pos_ = place;
    bof_ = false;
  }
  NotifyCurrent();
}

Status TodoTable::Delete() {
  if (Editing()) Cancel();
  XB_RETURN_IF_ERROR(EngineAtCurrent());
  const uint32_t recno = view_[pos_];
  TTaskSnapshot before;
  if (journal_on_) {
    XB_RETURN_IF_ERROR(Snapshot(recno, &before));
    XB_RETURN_IF_ERROR(EngineAt(recno));
  }
  XB_RETURN_IF_ERROR(engine_->Delete());
  if (journal_on_) {
    TTaskSnapshot after = before;
    after.deleted = true;
    Journal(std::move(before), std::move(after));
  }
  row_cache_.erase(recno);
  if (InBatch()) {
    batch_deleted_.push_back(recno);
    return Status::Ok();
  }
  RemoveRow(pos_);
  if (pos_ >= view_.size() && !view_.empty()) pos_ = view_.size() - 1;
  NotifyCurrent();
  return Status::Ok();
}

bool TodoTable::IsDeleted() {
  if (Editing()) return engine_->Deleted();
  if (!EngineAtCurrent().ok()) return false;
  return engine_->Deleted();
}

void TodoTable::ReadRowFromEngine(uint32_t recno, TaskRecord* out) {
  fields_->Read(*engine_, CodePage(), {.keys = true, .note = false}, out);
  out->recno = recno;
}

bool TodoTable::ReadCurrentBytes(TaskParts parts, TaskBytes* out) {
  if (!engine_ || (!Editing() && !EngineAtCurrent().ok())) {
    *out = TaskBytes();
    return false;
  }
  fields_->ReadBytes(*engine_, parts, out);
  return true;
}

bool TodoTable::ReadCurrent(TaskParts parts, TaskRecord* out) {
  *out = TaskRecord();
  if (!engine_ || (!Editing() && !EngineAtCurrent().ok())) return false;
  fields_->Read(*engine_, CodePage(), parts, out);
  out->recno = RecordNumber();
  return true;
}

bool TodoTable::ReadRow(int row, TaskRecord* out) {
  const uint32_t recno = RecnoAt(row);
  if (recno == 0) return false;
  const auto cached = row_cache_.find(recno);
  if (cached != row_cache_.end()) {
    *out = cached->second;
    return true;
  }
  if (Editing()) {
    // The pending record shows as it is being changed; others only when cached.
    if (appending_ || static_cast<size_t>(row) != pos_) return false;
    ReadRowFromEngine(recno, out);
    return true;
  }
  if (!EngineAt(recno).ok()) return false;
  ReadRowFromEngine(recno, out);
  if (!suspend_display_) {
    if (row_cache_.size() >= kRowCacheLimit) row_cache_.clear();
    row_cache_.emplace(recno, *out);
  }
  return true;
}

// ---------------------------------------------------------------- order, search, filter

int TodoTable::CurrentOrder() const { return engine_ ? engine_->Order() : 0; }

int TodoTable::SetOrder(int order) {
  if (!engine_) return 0;
  const int previous = engine_->Order();
  if (order == previous || order < 0 || order > engine_->TagCount()) return previous;
  PostPending();
  engine_->SetOrder(order);
  InvalidateKeepingCurrent();
  return previous;
}

int TodoTable::OrderOfTag(const QString& name) const {
  return engine_ ? engine_->OrderOfTag(name.toStdString()) : 0;
}

QString TodoTable::TagName(int order) const {
  return engine_ ? QString::fromStdString(engine_->TagName(order)) : QString();
}

bool TodoTable::Seek(const QString& key) {
  if (!engine_ || engine_->Order() == 0) return false;
  PostPending();
  bool found = false;
  const Status status = engine_->Seek(ToCodePage(key, CodePage()), soft_seek_, &found);
  if (!status.ok() || engine_->Eof()) {
    InvalidateView(Pending::kEnd);
    return false;
  }
  // The list holds only records that pass the filter; move on to the first that does.
  if (!filter_.isEmpty()) {
    bool passes = false;
    while (!engine_->Eof() && engine_->EvalLogical(ToCodePage(filter_, CodePage()), &passes).ok() && !passes) {
      found = false;
      if (!engine_->Skip(1).ok()) break;
    }
    if (engine_->Eof() || !passes) {
      InvalidateView(Pending::kEnd);
      return false;
    }
  }
  const uint32_t recno = engine_->RecNo();
  if (!view_valid_) {
    // No need to build the view now: it will find the record when it is built.
    pending_ = Pending::kRecord;
    pending_recno_ = recno;
    NotifyCurrent();
    return found;
  }
  const int row = RowOf(recno);
  if (row < 0) {
    InvalidateView(Pending::kRecord, recno);
  } else {
    pos_ = static_cast<size_t>(row);
    bof_ = false;
    NotifyCurrent();
  }
  return found;
}

Status TodoTable::SetFilter(const QString& expression) {
  if (engine_) {
    PostPending();
    XB_RETURN_IF_ERROR(engine_->SetFilter(ToCodePage(expression, CodePage())));
  }
  filter_ = expression;
  if (!view_valid_) {
    if (pending_ == Pending::kEnd) pending_ = Pending::kFirst;
    InvalidateView(pending_, pending_recno_);
  } else if (AtEnd()) {
    InvalidateView(Pending::kFirst);
  } else {
    InvalidateView(Pending::kRecord, view_[pos_]);
  }
  return Status::Ok();
}

bool TodoTable::EvalLogical(const QString& expression, Status* status) {
  Status result = Editing() ? Status::Ok() : EngineAtCurrent();
  bool value = false;
  if (result.ok()) result = engine_->EvalLogical(ToCodePage(expression, CodePage()), &value);
  if (status) *status = result;
  return result.ok() && value;
}

// ---------------------------------------------------------------- batches

void TodoTable::BeginBatch() {
  if (batch_depth_ == 0) {
    Notify([](TodoTableObserver& o) { o.BeginReset(); });
    batch_depth_ = 1;
    // Observers see an empty list while the batch runs.
    for (TodoTableObserver* o : std::vector<TodoTableObserver*>(observers_)) o->EndReset();
    if (engine_ && !engine_batch_) {
      engine_->BeginBatch();
      engine_batch_ = true;
    }
    return;
  }
  ++batch_depth_;
}

Status TodoTable::EndBatch() {
  if (batch_depth_ == 0) return Status::Ok();
  if (--batch_depth_ > 0) return Status::Ok();
  Status synced;
  if (engine_ && engine_batch_) {
    synced = engine_->EndBatch();
    engine_batch_ = false;
  }
  for (TodoTableObserver* o : std::vector<TodoTableObserver*>(observers_)) o->BeginReset();
  if (view_valid_ && !batch_deleted_.empty()) {
    std::sort(batch_deleted_.begin(), batch_deleted_.end());
    std::vector<uint32_t> kept;
    kept.reserve(view_.size());
    size_t new_pos = std::string::npos;
    for (size_t i = 0; i < view_.size(); ++i) {
      const uint32_t recno = view_[i];
      if (std::binary_search(batch_deleted_.begin(), batch_deleted_.end(), recno)) continue;
      // The current task, or the first one after it that survives.
      if (new_pos == std::string::npos && i >= pos_) new_pos = kept.size();
      kept.push_back(recno);
    }
    view_ = std::move(kept);
    pos_ = new_pos == std::string::npos ? view_.size() : new_pos;
  }
  batch_deleted_.clear();
  row_cache_.clear();
  Notify([](TodoTableObserver& o) { o.EndReset(); });
  NotifyCurrent();
  return synced;
}

void TodoTable::SetTurboRead(bool on) {
  turbo_read_ = on;
  if (engine_) engine_->SetTurboRead(on);
}

void TodoTable::SetSuspendDisplayFields(bool on) {
  suspend_display_ = on;
  if (!on) row_cache_.clear();
}
