// Which help file the help window shows: the program folder's, else an installed copy's
// in its share/jotlist/ (written nowhere), else the shipped one written beside the tasks.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/HelpWindow.h"

#include <gtest/gtest.h>

namespace {

class HelpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    data_ = root_.filePath(QStringLiteral("data")) + "/";
    share_ = root_.filePath(QStringLiteral("share/jotlist")) + "/";
    ASSERT_TRUE(QDir().mkpath(data_));
    ASSERT_TRUE(QDir().mkpath(share_));
  }
  static void Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  QTemporaryDir root_;
  QString data_;
  QString share_;
};

TEST_F(HelpFileTest, TheProgramFoldersCopyComesFirst) {
  Write(data_ + "JLIST.HTM", "<p>own</p>");
  Write(share_ + "JLIST.HTM", "<p>installed</p>");
  EXPECT_EQ(THelpWindow::HelpFilePath(data_, share_), data_ + "JLIST.HTM");
}

TEST_F(HelpFileTest, AnInstalledCopyReadsTheInstallsFileAndWritesNothing) {
  Write(share_ + "JLIST.HTM", "<p>installed</p>");
  EXPECT_EQ(THelpWindow::HelpFilePath(data_, share_), share_ + "JLIST.HTM");
  EXPECT_TRUE(QDir(data_).isEmpty()) << "nothing is copied into the data folder";
}

TEST_F(HelpFileTest, WithNoFileAnywhereTheShippedOneIsWrittenBesideTheTasks) {
  EXPECT_EQ(THelpWindow::HelpFilePath(data_, share_), data_ + "JLIST.HTM");
  EXPECT_TRUE(QFile::exists(data_ + "JLIST.HTM"));
  EXPECT_FALSE(QFile::exists(share_ + "JLIST.HTM"));
  // Not installed (no share folder) works the same.
  QFile::remove(data_ + "JLIST.HTM");
  EXPECT_EQ(THelpWindow::HelpFilePath(data_, QString()), data_ + "JLIST.HTM");
  QFile shipped(data_ + "JLIST.HTM");
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  EXPECT_GT(shipped.size(), 100);
}

}  // namespace
