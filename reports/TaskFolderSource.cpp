#include "reports/TaskFolderSource.h"

#include <QDir>
#include <QFileInfo>

#include "core/AppHelpers.h"
#include "store/CodePage.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

using xbase::Status;

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

TTaskFolderSource::TTaskFolderSource() = default;
TTaskFolderSource::~TTaskFolderSource() = default;

Status TTaskFolderSource::Open(const QString& folder, int order, const QString& filter) {
  table_.reset();
  recnos_.clear();
  pos_ = 0;
  if (!QFileInfo(folder).isDir()) return Status::NotFound("folder " + Utf8(folder) + " does not exist");
  const QString path = QDir(folder).filePath(QLatin1String(TodoTable::kTableName));
  if (!QFileInfo::exists(path)) {
    return Status::NotFound("no task table " + std::string(TodoTable::kTableName) + " in " + Utf8(folder));
  }
  std::unique_ptr<xbase::Table> table;
  XB_RETURN_IF_ERROR(xbase::Table::Open(path.toStdString(), xbase::OpenMode::kReadOnly, &table));

  const int tags = static_cast<int>(TodoTable::TaskTags().size());
  if (order < 0 || order > tags) {
    return Status::InvalidArgument("order " + std::to_string(order) + " is not a tag number (0 to " +
                                   std::to_string(tags) + ")");
  }
  if (order > 0 && table->index_state() != xbase::Table::IndexState::kOk) {
    return Status::InvalidArgument("order " + std::to_string(order) + " needs the index, which is unusable (" +
                                   table->index_problem() + "); rebuild it, or export in record order (0)");
  }
  if (order > table->TagCount()) {
    return Status::InvalidArgument("the index has no tag " + std::to_string(order));
  }
  table->SetOrder(order);
  if (!filter.isEmpty()) {
    const Status s = table->SetFilter(ToCodePage(filter, table->code_page()));
    if (!s.ok()) {
      if (s.code() == Status::Code::kIoError) return s;
      return Status::Syntax("the filter " + Utf8(filter) + " is not a valid expression: " + s.message());
    }
  }
  XB_RETURN_IF_ERROR(table->CollectVisible(true, &recnos_));
  date_ = table->FieldIndex(TodoTable::kDate);
  time_ = table->FieldIndex(TodoTable::kTime);
  descript_ = table->FieldIndex(TodoTable::kDescript);
  note_ = table->FieldIndex(TodoTable::kNote);
  done_ = table->FieldIndex(TodoTable::kDone);
  priority_ = table->FieldIndex(TodoTable::kPriority);
  keys_ = table->FieldIndex(TodoTable::kKeys);
  codePage_ = table->code_page();
  table_ = std::move(table);
  return Status::Ok();
}

void TTaskFolderSource::ReadCurrent(TExportTask* task, bool withNote, QString* keys) {
  *task = TExportTask();
  if (keys) keys->clear();
  if (AtEnd() || !table_ || !table_->Go(recnos_[pos_]).ok()) return;
  auto text = [this](int field) {
    return field < 0 ? QString() : TrimTrailingBlanks(FromCodePage(table_->GetString(field), codePage_));
  };
  task->Date = text(date_);
  task->Time = text(time_);
  task->Descript = text(descript_);
  task->Priority = text(priority_);
  task->Done = done_ >= 0 && table_->GetLogical(done_);
  task->Recno = recnos_[pos_];
  if (keys) *keys = text(keys_);
  if (withNote && note_ >= 0) {
    std::string note;
    if (table_->GetMemo(note_, &note).ok()) task->Note = FromCodePage(note, codePage_);
  }
}

void TTaskFolderSource::Read(TExportTask* task, bool withNote) { ReadCurrent(task, withNote, nullptr); }

void TTaskFolderSource::Read(TReportTask* task, bool withKeys, bool withNote) {
  task->Keys.clear();
  ReadCurrent(task, withNote, withKeys ? &task->Keys : nullptr);
}
