// TaskGridDelegate: the in-place editor of the task grid's Task and Key words cells.
// While the editor holds characters the task file cannot hold it is marked, and such text
// is stored (each such character as "?") only when the user agrees; on No the cell keeps
// its stored text.
#pragma once

#include <QStyledItemDelegate>
#include <functional>

class TaskGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // `code_page` gives the code page of the task file the grid shows (it may change when
  // the files are reopened).
  TaskGridDelegate(std::function<int()> code_page, QObject* parent = nullptr);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

  // Whether the user answered No since ClearDeclined: the text was not stored.
  bool Declined() const { return declined_; }
  void ClearDeclined() { declined_ = false; }

 private:
  std::function<int()> code_page_;
  // Set while the question is open: the editor losing the focus to the question box
  // asks to store it again, which must not ask twice.
  mutable bool asking_ = false;
  mutable bool declined_ = false;
};
