#include "app/TaskGridModel.h"

#include <array>

#include "core/AppHelpers.h"
#include "core/TaskCommands.h"
#include "core/DateTimeFormat.h"
#include "store/TaskSchema.h"

namespace {

struct ColumnInfo {
  const char* field;
  const char* title;
  int width;  // characters
};

constexpr std::array<ColumnInfo, TaskGridModel::kColumnCount> kColumns = {{
    {"ShowPriority", "Priority", 9},
    {"ShowDate", "Date", 11},
    {"ShowTime", "Time", 9},
    {task_schema::kDescriptField, "Task", 70},
    {"IsDone", "Done?", 5},
    {task_schema::kKeysField, "Key words", 15},
}};

}  // namespace

TaskGridModel::TaskGridModel(TodoTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
  table_.AddObserver(this);
}

TaskGridModel::~TaskGridModel() { table_.RemoveObserver(this); }

QString TaskGridModel::FieldName(int column) {
  if (column < 0 || column >= kColumnCount) return QString();
  return QString::fromLatin1(kColumns[static_cast<size_t>(column)].field);
}

int TaskGridModel::DisplayWidth(int column) {
  if (column < 0 || column >= kColumnCount) return 0;
  return kColumns[static_cast<size_t>(column)].width;
}

void TaskGridModel::SetEmphasis(bool on) {
  if (emphasis_ == on) return;
  emphasis_ = on;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::FontRole});
}

int TaskGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || table_.InBatch()) return 0;
  return table_.ViewCount();
}

int TaskGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant TaskGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || table_.InBatch()) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::FontRole) return {};
  TaskRecord row;
  if (!table_.ReadRow(index.row(), &row)) return {};
  if (role == Qt::FontRole) {
    if (!emphasis_) return {};
    QFont font = base_font_;
    if (index.column() == kPriorityColumn && TaskDisplay::PriorityBold(row)) {
      font.setBold(true);
      return font;
    }
    if (index.column() == kDateColumn && TaskDisplay::DateBoldItalic(row, Today())) {
      font.setBold(true);
      font.setItalic(true);
      return font;
    }
    return {};
  }
  // The calculated columns stay empty while the table suspends them.
  auto shown = [this, &row](TaskDisplay::Calculated column) {
    return table_.SuspendDisplayFields() ? QString() : display_.Show(row, column);
  };
  switch (index.column()) {
    case kPriorityColumn: return shown(TaskDisplay::Calculated::kShowPriority);
    case kDateColumn: return shown(TaskDisplay::Calculated::kShowDate);
    case kTimeColumn: return shown(TaskDisplay::Calculated::kShowTime);
    case kTaskColumn: return row.descript;
    case kDoneColumn: return shown(TaskDisplay::Calculated::kIsDone);
    case kKeysColumn: return row.keys;
    default: return {};
  }
}

QVariant TaskGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kColumnCount) return {};
  return QString::fromLatin1(kColumns[static_cast<size_t>(section)].title);
}

Qt::ItemFlags TaskGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kTaskColumn || index.column() == kKeysColumn) flags |= Qt::ItemIsEditable;
  return flags;
}

bool TaskGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  if (index.column() != kTaskColumn && index.column() != kKeysColumn) return false;
  const char* field = index.column() == kTaskColumn ? TodoTable::kDescript : TodoTable::kKeys;
  const int width = index.column() == kTaskColumn ? TodoTable::kDescriptWidth : TodoTable::kKeysWidth;
  const QString text = value.toString().left(width);

  xbase::Status status = table_.GoToRow(index.row());
  if (status.ok()) {
    // Nothing to store when the text did not change.
    if (table_.FieldText(field) == TrimTrailingBlanks(text)) return true;
  }
  if (status.ok()) status = TTaskCommands(table_).SetField(field, text);
  if (!status.ok()) {
    emit editFailed(status);
    return false;
  }
  if (index.column() == kKeysColumn) emit keysEdited(table_.FieldText(TodoTable::kKeys));
  return true;
}

void TaskGridModel::BeginReset() { beginResetModel(); }
void TaskGridModel::EndReset() { endResetModel(); }
void TaskGridModel::BeginInsertRow(int row) { beginInsertRows(QModelIndex(), row, row); }
void TaskGridModel::EndInsertRow() { endInsertRows(); }
void TaskGridModel::BeginRemoveRow(int row) { beginRemoveRows(QModelIndex(), row, row); }
void TaskGridModel::EndRemoveRow() { endRemoveRows(); }

void TaskGridModel::RowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void TaskGridModel::CurrentChanged() { emit currentChanged(); }
