// Shared by the tests that drive jlistreport from outside: running it as a script would,
// and a fingerprint of the folder's task and settings files to show it changed none.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"

namespace jlistreport_testing {

struct TRun {
  int exitCode = -1;  // -1 when the tool did not exit normally
  QString err;
};

// Runs jlistreport with `arguments` as a script would: no display, the C locale; `extra`
// ("NAME=value" each) adds to or overrides the environment.
inline TRun RunJlistreport(const QStringList& arguments, const QStringList& extra = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  for (const QString& pair : extra) env.insert(pair.section('=', 0, 0), pair.section('=', 1));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(JLISTREPORT_PATH), arguments);
  EXPECT_TRUE(process.waitForFinished(120000));
  TRun run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.err = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

// Contents and times of the task and settings files in `folder`.
inline QByteArray FolderFingerprint(const QString& folder) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const char* name : {TodoTable::kTableName, TodoTable::kMemoName, TodoTable::kIndexName, "TODO.INI",
                           "JLIST.INI"}) {
    const QString path = QDir(folder).filePath(QLatin1String(name));
    hash.addData(QByteArray(name) + (QFileInfo::exists(path) ? "+" : "-"));
    hash.addData(export_testing::ReadFile(path));
    hash.addData(QByteArray::number(QFileInfo(path).lastModified().toMSecsSinceEpoch()));
  }
  return hash.result();
}

}  // namespace jlistreport_testing
