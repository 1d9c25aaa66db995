#include "store/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

ino_t Inode(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString Path() const { return dir_.filePath(QStringLiteral("TEST.INI")); }
  void WriteRaw(const QByteArray& bytes) const {
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray ReadRaw() const {
    QFile f(Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Report"), QStringLiteral("Title"), QStringLiteral("Jotlist")), "Jotlist");
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Report"), QStringLiteral("Color"), 42), 42);
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("Reindex"), QStringLiteral("Needed"), true));
  EXPECT_FALSE(QFile::exists(Path())) << "reading never creates the file";
  WriteRaw("[Report]\nTitle=\n");
  EXPECT_EQ(ini.ReadString(QStringLiteral("Report"), QStringLiteral("Title"), QStringLiteral("x")), "")
      << "an empty value is a value";
  EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("Title"), QStringLiteral("x")), "x");
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  WriteRaw(
      "[N]\nhex=0xFF\nHEX=0XfF\nnoprefix=FF\nbare=0x\nall=0xFFFFFFFF\ntoolong=0x123456789\n"
      "neg=-12\nplus=+7\nspaced=  42  \ntrailing=12abc\nempty=\nbig=2147483648\nfraction=1.0\n"
      "quoted=\"5\"\ntwo=2\nzero=0\nhexzero=0x0\nword=yes\n");
  const TIniFile ini(Path());
  auto i = [&](const char* key) { return ini.ReadInteger(QStringLiteral("N"), QString::fromLatin1(key), -99); };
  EXPECT_EQ(i("hex"), 255);
  EXPECT_EQ(i("noprefix"), -99);
  EXPECT_EQ(i("bare"), -99);
  EXPECT_EQ(i("all"), -1);
  EXPECT_EQ(i("toolong"), -99);
  EXPECT_EQ(i("neg"), -12);
  EXPECT_EQ(i("plus"), 7);
  EXPECT_EQ(i("spaced"), 42);
  EXPECT_EQ(i("trailing"), -99);
  EXPECT_EQ(i("empty"), -99);
  EXPECT_EQ(i("big"), -99);
  EXPECT_EQ(i("fraction"), -99);
  EXPECT_EQ(i("quoted"), 5);
  auto b = [&](const char* key, bool def) { return ini.ReadBool(QStringLiteral("N"), QString::fromLatin1(key), def); };
  EXPECT_TRUE(b("two", false));
  EXPECT_FALSE(b("zero", true));
  EXPECT_FALSE(b("hexzero", true));
  EXPECT_TRUE(b("word", true));
  EXPECT_FALSE(b("word", false));
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndTheFirstMatchCounts) {
  WriteRaw("[PREFERENCES]\n  splitterbar = 300 \n; Order=9\nOrder=4\norder=5\n[Preferences]\nShowDone=1\n");
  const TIniFile ini(Path());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Preferences"), QStringLiteral("SplitterBar"), 0), 300);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("preferences"), QStringLiteral("ORDER"), 0), 4) << "comments are skipped";
  EXPECT_FALSE(ini.ValueExists(QStringLiteral("Preferences"), QStringLiteral("ShowDone")));
  ASSERT_TRUE(ini.WriteInteger(QStringLiteral("Preferences"), QStringLiteral("SPLITTERBAR"), 250).ok());
  EXPECT_EQ(ReadRaw(), "[PREFERENCES]\n  splitterbar=250\n; Order=9\nOrder=4\norder=5\n[Preferences]\nShowDone=1\n")
      << "the line keeps its own spelling of the key";
}

TEST_F(IniFileTest, WritesKeepEverythingElseByteForByte) {
  const QByteArray original =
      "; settings\r\n[First]\r\nA=1\r\nUnknown = keep  me \r\n\r\n[Second]\r\nB=2\r\n# odd line\r\n\r\n[Third]\r\nC=3";
  WriteRaw(original);
  const TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString(QStringLiteral("second"), QStringLiteral("b"), QStringLiteral("two")).ok());
  ASSERT_TRUE(ini.WriteString(QStringLiteral("First"), QStringLiteral("New"), QStringLiteral("n")).ok());
  ASSERT_TRUE(ini.WriteString(QStringLiteral("Fourth"), QStringLiteral("D"), QStringLiteral("4")).ok());
  EXPECT_EQ(ReadRaw(),
            "; settings\r\n[First]\r\nA=1\r\nUnknown = keep  me \r\nNew=n\r\n\r\n[Second]\r\nB=two\r\n# odd line\r\n\r\n"
            "[Third]\r\nC=3\r\n[Fourth]\r\nD=4\r\n");
  EXPECT_EQ(ini.ReadString(QStringLiteral("First"), QStringLiteral("Unknown"), {}), "keep  me");
}

TEST_F(IniFileTest, ValuesAreCutQuotesDroppedAndLineBreaksFlattened) {
  const TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("Long"), QString(2000, QLatin1Char('x'))).ok());
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Long"), {}).size(), TIniFile::kMaxValueLength);
  ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("Lines"), QStringLiteral("a\r\nb\n[X]")).ok());
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Lines"), {}), "a  b [X]");
  EXPECT_FALSE(ini.SectionExists(QStringLiteral("X")));
  ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("Path"), QString::fromUtf8("/home/zoë/Todo.htm")).ok());
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Path"), {}), QString::fromUtf8("/home/zoë/Todo.htm"));
  WriteRaw("[S]\nQ=\"  spaced  \"\nLatin=caf\xe9\n");
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Q"), {}), "  spaced  ");
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Latin"), {}), QString::fromUtf8("café"));
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeThroughARename) {
  WriteRaw("[S]\nK=old\n");
  const QString link = dir_.filePath(QStringLiteral("link.ini"));
  ASSERT_EQ(::link(QFile::encodeName(Path()).constData(), QFile::encodeName(link).constData()), 0);
  const TIniFile ini(Path());
  ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("old")).ok());
  EXPECT_EQ(Inode(Path()), Inode(link)) << "a write that changes nothing leaves the file alone";
  ASSERT_TRUE(ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("new")).ok());
  EXPECT_EQ(ReadRaw(), "[S]\nK=new\n");
  EXPECT_NE(Inode(Path()), Inode(link));
  QFile linked(link);
  ASSERT_TRUE(linked.open(QIODevice::ReadOnly));
  EXPECT_EQ(linked.readAll(), "[S]\nK=old\n") << "the old file was replaced, not written over";
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file left";
}

TEST_F(IniFileTest, RefusedWriteIsReportedAndChangesNothing) {
  WriteRaw("not a folder");
  const QString path = Path() + QStringLiteral("/TODO.INI");  // its parent is a file
  const TIniFile ini(path);
  const xbase::Status status = ini.WriteBool(QStringLiteral("Reindex"), QStringLiteral("Needed"), false);
  EXPECT_EQ(status.code(), xbase::Status::Code::kIoError);
  EXPECT_EQ(QString::fromStdString(status.message()), "Unable to write to " + path);
  EXPECT_EQ(ReadRaw(), "not a folder");
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("Reindex"), QStringLiteral("Needed"), true));

  const TIniFile folder(dir_.path());  // a folder where the file should be
  EXPECT_FALSE(folder.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")).ok());
}

}  // namespace
