#include "store/TaskFolderWalk.h"

#include <QDir>
#include <QFileInfo>

#include "store/CodePage.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

using xbase::Status;

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

TTaskFolderWalk::TTaskFolderWalk() = default;
TTaskFolderWalk::~TTaskFolderWalk() = default;

Status TTaskFolderWalk::Open(const QString& folder, int order, const QString& filter) {
  table_.reset();
  fields_.reset();
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
  fields_.emplace(*table);
  codePage_ = table->code_page();
  table_ = std::move(table);
  return Status::Ok();
}

void TTaskFolderWalk::Read(TaskRecord& task, TaskParts parts) {
  task = TaskRecord();
  if (AtEnd() || !table_ || !table_->Go(recnos_[pos_]).ok()) return;
  fields_->Read(*table_, codePage_, parts, &task);
  task.recno = recnos_[pos_];
}

void TTaskFolderWalk::ReadBytes(TaskBytes& task, TaskParts parts) {
  if (AtEnd() || !table_ || !table_->Go(recnos_[pos_]).ok()) {
    task = TaskBytes();
    return;
  }
  // The walk's order is its own: records four ahead and notes two ahead are hinted into
  // the cache while this one is read (the note's place is in its record, hinted earlier).
  if (pos_ + 4 < recnos_.size()) table_->Prefetch(recnos_[pos_ + 4], -1);
  if (pos_ + 2 < recnos_.size()) table_->Prefetch(recnos_[pos_ + 2], parts.note ? fields_->NoteField() : -1);
  fields_->ReadBytes(*table_, parts, &task);
}
