#include "store/TaskBackup.h"

#include <QFile>

#include <algorithm>
#include <string>

#include "store/IniFile.h"
#include "store/TaskSchema.h"
#include "store/xbase/TableBackup.h"

using xbase::Status;

namespace {

std::string Path(const QString& path) { return QFile::encodeName(path).toStdString(); }
std::string TablePath(const QString& folder) { return Path(folder + QStringLiteral("JLIST.DBF")); }
std::string BackupFolder(const QString& folder) { return Path(folder + QLatin1String(task_backup::kFolderName)); }
std::string BackupName(const QDateTime& when) { return Path(when.toString(QLatin1String(task_backup::kNameFormat))); }

}  // namespace

QStringList TaskBackups(const QString& folder) {
  QStringList names;
  for (const std::string& name : xbase::ListTableBackups(BackupFolder(folder))) names << QFile::decodeName(name.c_str());
  return names;
}

int BackupsToKeep(const QString& folder) {
  const TIniFile ini(folder + QStringLiteral("TODO.INI"));
  return std::max(0, ini.ReadInteger(QStringLiteral("Backup"), QStringLiteral("Keep"), task_backup::kDefaultKeep));
}

Status BackUpTaskFiles(const QString& folder, const QDateTime& when, int keep) {
  return xbase::BackUpTable(TablePath(folder), BackupFolder(folder), BackupName(when), keep);
}

std::vector<TBackupInfo> ListBackups(const QString& folder) {
  std::vector<TBackupInfo> list;
  for (const QString& name : TaskBackups(folder)) {
    TBackupInfo info;
    info.Name = name;
    info.When = QDateTime::fromString(name.left(19), QLatin1String(task_backup::kNameFormat));
    int64_t tasks = 0, done = 0;
    const std::string path = xbase::BackupTablePath(TablePath(folder), BackupFolder(folder), Path(name));
    if (xbase::CountLiveRecords(path, task_schema::kDoneField, &tasks, &done).ok()) {
      info.Tasks = static_cast<int>(tasks);
      info.Done = static_cast<int>(done);
    }
    list.push_back(info);
  }
  return list;
}

Status RestoreTaskFiles(const QString& folder, const QString& name, const QDateTime& now) {
  return xbase::RestoreTable(TablePath(folder), BackupFolder(folder), Path(name), BackupName(now));
}
