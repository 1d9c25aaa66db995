// Rolling backups: each is a whole copy under its own name, the oldest beyond the number
// to keep go, a staging folder a cut left behind is cleared, and Keep 0 turns them off.
#include "store/TaskBackup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

TEST(TaskBackupTest, BackupsAreWholeCopiesAndOnlyTheNewestAreKept) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  const QDateTime first(QDate(2026, 12, 1), QTime(9, 0));
  for (int day = 0; day < 3; ++day) {
    Write(folder + "JLIST.DBF", QByteArray("table of day ") + QByteArray::number(day));
    Write(folder + "JLIST.FPT", QByteArray(3000000, static_cast<char>('a' + day)));
    ASSERT_TRUE(BackUpTaskFiles(folder, first.addDays(day), 2).ok());
  }
  const QStringList kept = TaskBackups(folder);
  ASSERT_EQ(kept, QStringList({"2026-12-03_09-00-00", "2026-12-02_09-00-00"}));
  const QString newest = folder + "backups/" + kept[0] + "/";
  EXPECT_EQ(Read(newest + "JLIST.DBF"), "table of day 2");
  EXPECT_EQ(Read(newest + "JLIST.FPT"), QByteArray(3000000, 'c'));
  EXPECT_EQ(Read(folder + "backups/" + kept[1] + "/JLIST.DBF"), "table of day 1");

  // A backup cut short left its staging folder: the next one clears it and is whole.
  ASSERT_TRUE(QDir(folder + "backups").mkdir(".partial-2026-12-04_09-00-00"));
  Write(folder + "backups/.partial-2026-12-04_09-00-00/JLIST.DBF", "half");
  ASSERT_TRUE(BackUpTaskFiles(folder, first.addDays(4), 2).ok());
  EXPECT_FALSE(QDir(folder + "backups/.partial-2026-12-04_09-00-00").exists());
  EXPECT_EQ(TaskBackups(folder), QStringList({"2026-12-05_09-00-00", "2026-12-03_09-00-00"}));
  // Two in one second keep both.
  ASSERT_TRUE(BackUpTaskFiles(folder, first.addDays(4), 3).ok());
  EXPECT_EQ(TaskBackups(folder).size(), 3);
}

TEST(TaskBackupTest, KeepComesFromTheSettingsAndZeroTurnsBackupsOff) {
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  EXPECT_EQ(BackupsToKeep(folder), 10);
  Write(folder + "TODO.INI", "[Backup]\r\nKeep=0\r\n");
  EXPECT_EQ(BackupsToKeep(folder), 0);
  Write(folder + "JLIST.DBF", "table");
  ASSERT_TRUE(BackUpTaskFiles(folder, QDateTime::currentDateTime(), BackupsToKeep(folder)).ok());
  EXPECT_FALSE(QDir(folder + "backups").exists());
  Write(folder + "TODO.INI", "[Backup]\r\nKeep=-3\r\n");
  EXPECT_EQ(BackupsToKeep(folder), 0);
}

}  // namespace
