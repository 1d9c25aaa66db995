// Rolling backups of the task files. At the close of a run that changed the tasks, the
// closed JLIST.DBF and JLIST.FPT are copied into <folder>backups/<date>_<time>/ (the index
// is rebuilt from them on a restore), and only the newest backups are kept: [Backup] Keep
// of TODO.INI, 10 when it is missing, 0 for none.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

#include "store/xbase/Status.h"

namespace task_backup {
inline constexpr char kFolderName[] = "backups";  // beside the task files (fixed)
inline constexpr int kDefaultKeep = 10;
inline constexpr char kNameFormat[] = "yyyy-MM-dd_HH-mm-ss";  // a backup's name, from its time (fixed)
}  // namespace task_backup

// Copies the table and memo files of `folder` (ending in "/") into a new backup named
// after `when` (see store/xbase/TableBackup.h: staged, synced, published by one rename),
// then removes the oldest backups beyond `keep`. `keep` 0 does nothing. The files must be
// closed (the copy is of what was last stored).
xbase::Status BackUpTaskFiles(const QString& folder, const QDateTime& when, int keep);

// The backups of `folder`, newest first (folder names, "2026-12-08_17-05-00").
QStringList TaskBackups(const QString& folder);

// How many backups to keep: [Backup] Keep of TODO.INI in `folder`; 10 when missing,
// never below 0.
int BackupsToKeep(const QString& folder);

// One backup as the restore dialog lists it.
struct TBackupInfo {
  QString Name;    // the folder's name
  QDateTime When;  // from the name
  int Tasks = -1;  // tasks in it (deleted ones not counted); -1 when it cannot be read
  int Done = -1;   // of those, marked done
};
// The backups of `folder`, newest first, with their counts.
std::vector<TBackupInfo> ListBackups(const QString& folder);

// Puts backup `name` in place of the task files of `folder` (which this program must have
// closed): kInUse when another program has them open, and nothing changes. Otherwise the
// current files are backed up first (so a restore can be undone by restoring that one),
// the backup's files take the place of JLIST.DBF and JLIST.FPT and JLIST.CDX is removed
// (the next open builds the index for the restored records).
xbase::Status RestoreTaskFiles(const QString& folder, const QString& name, const QDateTime& now);
