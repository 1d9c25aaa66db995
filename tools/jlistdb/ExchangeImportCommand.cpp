#include "tools/jlistdb/ExchangeImportCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>

#include "core/TaskExchangeImport.h"
#include "core/TaskExchangeReader.h"
#include "store/TodoTable.h"

namespace jlistdb {

namespace {

int Fail(const QString& message) {
  std::fprintf(stderr, "jlistdb: %s\n", message.toLocal8Bit().constData());
  return 1;
}

}  // namespace

int RunExchangeImport(const std::string& command, const std::string& dir, const std::string& file) {
  const QString folder = QString::fromLocal8Bit(dir.c_str());
  const QString path = QString::fromLocal8Bit(file.c_str());
  if (!QFileInfo(folder).isDir()) return Fail(QStringLiteral("folder %1 does not exist").arg(folder));
  const TImportFormat format = command == "import-csv" ? TImportFormat::kCsv : TImportFormat::kICalendar;
  // The file is read whole before the task files are touched: a refused one changes nothing.
  const TImportFile tasks = TTaskExchangeReader::ReadFile(path, format);
  if (!tasks.ok()) return Fail(QStringLiteral("%1: %2; nothing imported").arg(path, tasks.Error));

  TodoTable table;
  table.SetDirectory(QDir(folder).absolutePath() + QLatin1Char('/'));
  if (!table.OpenTaskFiles(false)) {
    const xbase::Status why = table.Open(false);
    const std::string reason = why.ok() ? std::string("the index is unusable") : why.message();
    return Fail(QStringLiteral("cannot open the task files in %1: %2").arg(folder, QString::fromStdString(reason)));
  }
  const QString unstorable = TTaskExchangeImport::UnstorableCharacters(tasks, table.CodePage());
  if (!unstorable.isEmpty()) {
    std::fprintf(stderr,
                 "jlistdb: the task files (code page %d) cannot hold these characters; each is stored as \"?\": %s\n",
                 table.CodePage(), unstorable.toLocal8Bit().constData());
  }
  int imported = 0;
  const xbase::Status stored = TTaskExchangeImport::Append(table, tasks, &imported);
  const xbase::Status closed = table.Close();
  QString summary = TTaskExchangeImport::Summary(tasks, imported);
  summary.replace(QLatin1String("\r\r"), QLatin1String("\n"));
  std::printf("%s\n", summary.toLocal8Bit().constData());
  if (!stored.ok()) return Fail(QStringLiteral("the import stopped: %1").arg(QString::fromStdString(stored.message())));
  if (!closed.ok()) return Fail(QString::fromStdString(closed.message()));
  return 0;
}

}  // namespace jlistdb
