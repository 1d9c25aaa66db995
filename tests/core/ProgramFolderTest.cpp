// Where the program keeps its task and settings files: beside itself when it may write
// there, in the user's data folder when it is installed or its folder is read-only.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "Unprivileged.h"
#include "core/AppHelpers.h"

#include <gtest/gtest.h>

namespace {

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(root_.isValid()); }
  QString Make(const QString& relative) {
    const QString path = root_.filePath(relative);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
  }
  QTemporaryDir root_;
};

TEST_F(ProgramFolderTest, AWritableCopyKeepsEverythingBesideItself) {
  const QString own = Make(QStringLiteral("copy"));
  EXPECT_EQ(DataFolderFor(own, QStringLiteral("/xdg"), QStringLiteral("/home/u")), own + "/");
  EXPECT_EQ(DataFolderFor(own + "/", QString(), QStringLiteral("/home/u")), own + "/");
  EXPECT_TRUE(InstalledShareFolderFor(own).isEmpty());
}

TEST_F(ProgramFolderTest, AnInstalledCopyUsesTheDataFolderEvenWhereItMayWrite) {
  // bin/ beside share/jotlist/ is an install (a prefix in the home folder, or root's
  // /usr/bin): the program never writes beside itself there.
  const QString bin = Make(QStringLiteral("prefix/bin"));
  const QString share = Make(QStringLiteral("prefix/share/jotlist"));
  EXPECT_EQ(InstalledShareFolderFor(bin), share + "/");
  EXPECT_EQ(DataFolderFor(bin, QStringLiteral("/data/xdg"), QStringLiteral("/home/u")), "/data/xdg/jotlist/");
  EXPECT_EQ(DataFolderFor(bin, QStringLiteral("/data/xdg/"), QStringLiteral("/home/u")), "/data/xdg/jotlist/");
  // Unset or relative XDG_DATA_HOME: the default under the home folder.
  EXPECT_EQ(DataFolderFor(bin, QString(), QStringLiteral("/home/u")), "/home/u/.local/share/jotlist/");
  EXPECT_EQ(DataFolderFor(bin, QStringLiteral("relative/xdg"), QStringLiteral("/home/u/")),
            "/home/u/.local/share/jotlist/");
  // share/ without a jotlist folder is not this program's install.
  const QString other = Make(QStringLiteral("other/bin"));
  Make(QStringLiteral("other/share/someone-else"));
  EXPECT_TRUE(InstalledShareFolderFor(other).isEmpty());
  EXPECT_EQ(DataFolderFor(other, QString(), QStringLiteral("/home/u")), other + "/");
}

TEST_F(ProgramFolderTest, AReadOnlyOrMissingFolderUsesTheDataFolder) {
  if (!RunHereOrAsUnprivilegedUser()) return;
  const QString own = Make(QStringLiteral("readonly"));
  ASSERT_TRUE(QFile::setPermissions(own, QFile::ReadOwner | QFile::ExeOwner));
  EXPECT_EQ(DataFolderFor(own, QStringLiteral("/x"), QStringLiteral("/home/u")), "/x/jotlist/");
  EXPECT_EQ(DataFolderFor(root_.filePath(QStringLiteral("gone")), QString(), QStringLiteral("/h")),
            "/h/.local/share/jotlist/");
  QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ProgramFolderRunTest, TheTestProgramsFolderIsItsProgramFolder) {
  // The test program lives in the build tree, which is writable and not an install.
  SetProgramDirectoryForTests(QString());
  EXPECT_TRUE(InstalledShareFolder().isEmpty());
  EXPECT_EQ(ProgramDirectory(), QCoreApplication::applicationDirPath() + "/");
}

}  // namespace
