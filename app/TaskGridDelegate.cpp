#include "app/TaskGridDelegate.h"

#include <QLineEdit>

#include "store/CodePage.h"
#include "widgets/UnstorableText.h"

TaskGridDelegate::TaskGridDelegate(std::function<int()> code_page, QObject* parent)
    : QStyledItemDelegate(parent), code_page_(std::move(code_page)) {}

QWidget* TaskGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
  QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
  if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    connect(line, &QLineEdit::textChanged, line,
            [this, line](const QString& text) { MarkUnstorableText(line, UnstorableCharacters(text, code_page_())); });
  }
  return editor;
}

void TaskGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (asking_) return;
  declined_ = false;
  const auto* line = qobject_cast<QLineEdit*>(editor);
  if (line != nullptr) {
    asking_ = true;
    const bool store = ConfirmUnstorableText(UnstorableCharacters(line->text(), code_page_()));
    asking_ = false;
    if (!store) {
      declined_ = true;
      return;
    }
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}
