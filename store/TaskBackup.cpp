#include "store/TaskBackup.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

#include "store/IniFile.h"
#include "store/xbase/File.h"
#include "store/xbase/Table.h"

using xbase::Status;

namespace {

constexpr char kStagingPrefix[] = ".partial-";
constexpr size_t kChunk = 1 << 20;

Status CopyFile(const std::string& from, const std::string& to) {
  xbase::File in;
  XB_RETURN_IF_ERROR(xbase::File::Open(from, false, &in));
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(in.Size(&size));
  xbase::File out;
  XB_RETURN_IF_ERROR(xbase::File::CreateTruncate(to, &out));
  std::vector<char> buffer(kChunk);
  for (uint64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - at));
    XB_RETURN_IF_ERROR(in.Read(at, n, buffer.data()));
    XB_RETURN_IF_ERROR(out.Write(at, buffer.data(), n));
    at += n;
  }
  return out.Sync();
}

QString BackupFolder(const QString& folder) { return folder + QLatin1String(task_backup::kFolderName); }

}  // namespace

QStringList TaskBackups(const QString& folder) {
  QStringList names = QDir(BackupFolder(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const QString& n) { return n.startsWith(QLatin1Char('.')); }),
              names.end());
  std::reverse(names.begin(), names.end());
  return names;
}

int BackupsToKeep(const QString& folder) {
  const TIniFile ini(folder + QStringLiteral("TODO.INI"));
  return std::max(0, ini.ReadInteger(QStringLiteral("Backup"), QStringLiteral("Keep"), task_backup::kDefaultKeep));
}

Status BackUpTaskFiles(const QString& folder, const QDateTime& when, int keep) {
  if (keep <= 0) return Status::Ok();
  const QString backups = BackupFolder(folder);
  if (!QDir().mkpath(backups)) return Status::IoError("cannot create " + backups.toStdString());
  QDir dir(backups);
  // What a cut left half made goes first.
  for (const QString& stale : dir.entryList({QString::fromLatin1(kStagingPrefix) + QLatin1Char('*')},
                                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
    QDir(dir.filePath(stale)).removeRecursively();
  }
  QString name = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
  for (int n = 2; dir.exists(name); ++n) name = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral("-%1").arg(n);
  const QString staging = dir.filePath(QString::fromLatin1(kStagingPrefix) + name);
  if (!dir.mkdir(QString::fromLatin1(kStagingPrefix) + name)) return Status::IoError("cannot create " + staging.toStdString());
  for (const char* file : {"JLIST.DBF", "JLIST.FPT"}) {
    const QString source = folder + QLatin1String(file);
    if (!QFileInfo::exists(source)) continue;
    XB_RETURN_IF_ERROR(CopyFile(source.toStdString(), (staging + QLatin1Char('/') + QLatin1String(file)).toStdString()));
  }
  XB_RETURN_IF_ERROR(xbase::SyncParentDirectory((staging + QStringLiteral("/JLIST.DBF")).toStdString()));
  const QString final_path = dir.filePath(name);
  XB_RETURN_IF_ERROR(xbase::RenameFile(staging.toStdString(), final_path.toStdString()));
  XB_RETURN_IF_ERROR(xbase::SyncParentDirectory(final_path.toStdString()));
  const QStringList all = TaskBackups(folder);
  for (qsizetype i = keep; i < all.size(); ++i) QDir(dir.filePath(all[i])).removeRecursively();
  return Status::Ok();
}

std::vector<TBackupInfo> ListBackups(const QString& folder) {
  std::vector<TBackupInfo> list;
  for (const QString& name : TaskBackups(folder)) {
    TBackupInfo info;
    info.Name = name;
    info.When = QDateTime::fromString(name.left(19), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    std::unique_ptr<xbase::Table> table;
    const std::string path = (BackupFolder(folder) + QLatin1Char('/') + name + QStringLiteral("/JLIST.DBF")).toStdString();
    if (xbase::Table::Open(path, xbase::OpenMode::kReadOnly, &table).ok()) {
      const int done = table->FieldIndex("DONE");
      table->SetOrder(0);
      int tasks = 0, marked = 0;
      Status status = table->GoTop();
      while (status.ok() && !table->Eof()) {
        if (!table->Deleted()) {
          ++tasks;
          if (done >= 0 && table->GetLogical(done)) ++marked;
        }
        status = table->Skip(1);
      }
      if (status.ok()) {
        info.Tasks = tasks;
        info.Done = marked;
      }
    }
    list.push_back(info);
  }
  return list;
}

Status RestoreTaskFiles(const QString& folder, const QString& name, const QDateTime& now) {
  const QString source = BackupFolder(folder) + QLatin1Char('/') + name + QLatin1Char('/');
  if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || !QFileInfo::exists(source + QStringLiteral("JLIST.DBF")))
    return Status::NotFound("no backup " + name.toStdString());
  const QStringList files = {QStringLiteral("JLIST.DBF"), QStringLiteral("JLIST.FPT")};
  for (const QString& file : files) {
    if (!QFileInfo::exists(source + file)) continue;
    XB_RETURN_IF_ERROR(CopyFile((source + file).toStdString(), (folder + file + QStringLiteral(".restore")).toStdString()));
  }
  // The files being replaced become the newest backup; one more is kept for it.
  XB_RETURN_IF_ERROR(BackUpTaskFiles(folder, now, BackupsToKeep(folder) + 1));
  for (const QString& file : files) {
    const QString staged = folder + file + QStringLiteral(".restore");
    if (QFileInfo::exists(staged)) XB_RETURN_IF_ERROR(xbase::RenameFile(staged.toStdString(), (folder + file).toStdString()));
  }
  XB_RETURN_IF_ERROR(xbase::RemoveFile((folder + QStringLiteral("JLIST.CDX")).toStdString()));
  return xbase::SyncParentDirectory((folder + QStringLiteral("JLIST.DBF")).toStdString());
}
