#include "store/TaskBackup.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include "store/IniFile.h"
#include "store/xbase/File.h"

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
