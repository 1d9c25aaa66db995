// TRestoreForm: "Restore from Backup", the list of the task files' backups (date, time,
// number of tasks, number done) from which the user picks one to restore.
#pragma once

#include <QDialog>

#include <vector>

#include "store/TaskBackup.h"

class QPushButton;
class QTreeWidget;

class TRestoreForm : public QDialog {
  Q_OBJECT

 public:
  // `backups`: newest first; the newest is selected.
  explicit TRestoreForm(std::vector<TBackupInfo> backups, QWidget* parent = nullptr);

  // The backup selected when the dialog was accepted.
  const TBackupInfo& Chosen() const;

  QTreeWidget* BackupList = nullptr;
  QPushButton* RestoreButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  std::vector<TBackupInfo> backups_;
};
