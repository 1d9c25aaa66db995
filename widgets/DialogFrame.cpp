#include "widgets/DialogFrame.h"

#include <QLayout>
#include <QWidget>

void SetFixedDialogButtons(QWidget* dialog) {
  if (dialog == nullptr) return;
  const Qt::WindowFlags keep = dialog->windowFlags() & Qt::WindowStaysOnTopHint;
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint | keep);
}

void SetFixedDialogFrame(QWidget* dialog) {
  if (dialog == nullptr) return;
  SetFixedDialogButtons(dialog);
  if (QLayout* layout = dialog->layout()) {
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->activate();  // fixed now, not only once it shows
  } else {
    dialog->setFixedSize(dialog->size());
  }
}

bool HasFixedDialogFrame(const QWidget* dialog) {
  if (dialog == nullptr) return false;
  const Qt::WindowFlags flags = dialog->windowFlags();
  return flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowTitleHint) &&
         !flags.testFlag(Qt::WindowMinimizeButtonHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint) &&
         dialog->minimumSize() == dialog->maximumSize();
}
