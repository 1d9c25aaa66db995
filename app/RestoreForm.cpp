#include "app/RestoreForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/DateTimeFormat.h"
#include "widgets/DialogFrame.h"

TRestoreForm::TRestoreForm(std::vector<TBackupInfo> backups, QWidget* parent)
    : QDialog(parent), backups_(std::move(backups)) {
  setObjectName(QStringLiteral("RestoreForm"));
  setWindowTitle(QStringLiteral("Restore from Backup"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("The task files as they were when Jotlist closed:"), this));
  BackupList = new QTreeWidget(this);
  BackupList->setObjectName(QStringLiteral("BackupList"));
  BackupList->setRootIsDecorated(false);
  BackupList->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Tasks"),
                               QStringLiteral("Done")});
  for (const TBackupInfo& info : backups_) {
    const QString unreadable = QStringLiteral("?");
    auto* item = new QTreeWidgetItem(
        BackupList, {FormatDateTime(QStringLiteral("ddddd"), info.When.date()),
                     FormatDateTime(QStringLiteral("t"), info.When.time()),
                     info.Tasks >= 0 ? QString::number(info.Tasks) : unreadable,
                     info.Done >= 0 ? QString::number(info.Done) : unreadable});
    item->setTextAlignment(2, Qt::AlignRight);
    item->setTextAlignment(3, Qt::AlignRight);
  }
  BackupList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  BackupList->setMinimumSize(360, 200);
  if (BackupList->topLevelItemCount() > 0) BackupList->setCurrentItem(BackupList->topLevelItem(0));
  layout->addWidget(BackupList);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  RestoreButton = new QPushButton(QStringLiteral("&Restore"), this);
  RestoreButton->setObjectName(QStringLiteral("RestoreButton"));
  RestoreButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  buttons->addWidget(RestoreButton);
  buttons->addWidget(CancelButton);
  layout->addLayout(buttons);
  connect(RestoreButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(BackupList, &QTreeWidget::itemActivated, this, &QDialog::accept);
  SetFixedDialogFrame(this);
  BackupList->setFocus();
}

const TBackupInfo& TRestoreForm::Chosen() const {
  const int row = BackupList->indexOfTopLevelItem(BackupList->currentItem());
  return backups_.at(static_cast<size_t>(row < 0 ? 0 : row));
}
