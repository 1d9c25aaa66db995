// TaskGridModel: the task grid's rows, read from the task table's view, with the six
// visible columns Priority, Date, Time, Task, Done?, Key words.
#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include "core/TaskDisplay.h"
#include "store/TodoTable.h"

class TaskGridModel : public QAbstractTableModel, private TodoTableObserver {
  Q_OBJECT

 public:
  enum Column { kPriorityColumn, kDateColumn, kTimeColumn, kTaskColumn, kDoneColumn, kKeysColumn, kColumnCount };

  // Attaches to `table`, which must outlive the model.
  explicit TaskGridModel(TodoTable& table, QObject* parent = nullptr);
  ~TaskGridModel() override;

  // Field name behind a column: "ShowPriority", "ShowDate", "ShowTime", "DESCRIPT",
  // "IsDone", "KEYS"; empty for any other number.
  static QString FieldName(int column);
  // Width of a column in characters.
  static int DisplayWidth(int column);

  // Cell emphasis (bold priority, bold italic date) is off until start-up has finished.
  void SetEmphasis(bool on);
  bool Emphasis() const { return emphasis_; }
  // The grid's font; emphasis is added to it.
  void SetBaseFont(const QFont& font) { base_font_ = font; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // In-place edits of Task and Key words: the row's task is made current, the field
  // assigned (cut to its width) and the record stored.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  // The stored key words after an in-place edit, for the key word list.
  void keysEdited(const QString& keys);
  // The current task of the table changed (or the list reached its end).
  void currentChanged();
  // An in-place edit could not be stored; the task keeps its stored values.
  void editFailed(const xbase::Status& status);

 private:
  void BeginReset() override;
  void EndReset() override;
  void BeginInsertRow(int row) override;
  void EndInsertRow() override;
  void BeginRemoveRow(int row) override;
  void EndRemoveRow() override;
  void RowChanged(int row) override;
  void CurrentChanged() override;

  TodoTable& table_;
  TaskDisplay display_;
  QFont base_font_;
  bool emphasis_ = false;
};
