#include "core/AppHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/DateTimeFormat.h"

namespace {

QString& ProgramDirectoryOverride() {
  static QString directory;
  return directory;
}

QString WithSlash(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// The data folder is the user's own: created readable by its owner only, as the base
// directory rules ask of a folder they create.
void CreateDataFolder(const QString& folder) {
  if (QFileInfo(folder).isDir()) return;
  if (!QDir().mkpath(folder)) return;  // the opening of the task files names the folder
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

QString InstalledShareFolderFor(const QString& programFolder) {
  const QString share = QDir::cleanPath(programFolder + QLatin1String("/../share/jotlist"));
  return QFileInfo(share).isDir() ? WithSlash(share) : QString();
}

QString InstalledShareFolder() { return InstalledShareFolderFor(QCoreApplication::applicationDirPath()); }

QString DataFolderFor(const QString& programFolder, const QString& xdgDataHome, const QString& home) {
  const QFileInfo own(programFolder);
  if (own.isDir() && own.isWritable() && InstalledShareFolderFor(programFolder).isEmpty()) {
    return WithSlash(programFolder);
  }
  const QString base = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                           ? xdgDataHome
                           : WithSlash(home) + QLatin1String(".local/share");
  return WithSlash(QDir::cleanPath(base + QLatin1String("/jotlist")));
}

TUnwritableTaskFolder UnwritableTaskFolderFor(const QString& programFolder) {
  const QString folder = WithSlash(programFolder);
  if (!InstalledShareFolderFor(programFolder).isEmpty() || !QFileInfo::exists(folder + QLatin1String("JLIST.DBF")))
    return {};
  // The same test as DataFolderFor's, with the system's reason kept.
  if (access(QFile::encodeName(programFolder).constData(), W_OK) == 0) return {};
  return {folder, QString::fromLocal8Bit(std::strerror(errno))};
}

QString ProgramDirectory() {
  const QString directory = ProgramDirectoryOverride();
  if (!directory.isEmpty()) return WithSlash(directory);
  // Worked out once: where the program lives does not change during a run.
  static QString folder;
  if (folder.isEmpty()) {
    const QString own = QCoreApplication::applicationDirPath();
    if (own.isEmpty()) return QStringLiteral("./");  // no application object yet
    folder = DataFolderFor(own, qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    if (folder != WithSlash(own)) CreateDataFolder(folder);
  }
  return folder;
}

void SetProgramDirectoryForTests(const QString& directory) { ProgramDirectoryOverride() = directory; }

QString TrimLeadingBlanks(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
  return text.mid(i);
}

QString TrimTrailingBlanks(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == QLatin1Char(' ')) --n;
  return text.left(n);
}

QString TrimBlanks(const QString& text) { return TrimLeadingBlanks(TrimTrailingBlanks(text)); }

void SplitText(const QString& text, const QString& delimiter, QStringList& list) {
  if (delimiter.isEmpty()) {
    list << text;
    return;
  }
  qsizetype start = 0;
  for (qsizetype at = text.indexOf(delimiter); at >= 0; at = text.indexOf(delimiter, start)) {
    list << text.mid(start, at - start);
    start = at + delimiter.size();
  }
  list << text.mid(start);
}

bool IsValidDate(const QString& text) {
  QDate date;
  return TryStrToDate(text, date);
}

bool IsValidTime(const QString& text) {
  QTime time;
  return TryStrToTime(text, time);
}

void UseWorkingDateFormats() { ApplyDateFormatSet(WorkingDateFormats()); }

void RestoreUserDateFormats() { ApplyDateFormatSet(UserDateFormats()); }
