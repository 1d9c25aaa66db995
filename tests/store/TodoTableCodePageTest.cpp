// The task table's code page: a new table takes the code page of the user's language,
// an existing one keeps the one its header names, and text, sort orders and filters
// follow it.
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "store/CodePage.h"
#include "store/IndexRebuild.h"
#include "store/TodoTable.h"

namespace {

class CodePageHost : public TodoTableHost {
 public:
  void InfoBox(const QString& message) override { messages << message; }
  void UpdateStatus(const QString&) override {}
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override { return IndexRebuild(table).Run(pack_first).ok(); }
  QStringList messages;
};

class TodoTableCodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    table_.SetDirectory(dir_.path());
  }
  void TearDown() override {
    (void)table_.Close();
    QLocale::setDefault(saved_locale_);
  }

  uint8_t Mark() const {
    QFile file(dir_.path() + "/JLIST.DBF");
    if (!file.open(QIODevice::ReadOnly)) return 0xFF;
    return static_cast<uint8_t>(file.read(32).at(29));
  }

  void Add(const QString& descript, const QString& keys = QString()) {
    ASSERT_TRUE(table_.Append().ok());
    ASSERT_TRUE(table_.SetFieldText(TodoTable::kDescript, descript).ok());
    ASSERT_TRUE(table_.SetFieldText(TodoTable::kKeys, keys).ok());
    ASSERT_TRUE(table_.SetMemo(TodoTable::kNote, descript).ok());
    ASSERT_TRUE(table_.Post().ok());
  }

  QStringList Walk() {
    QStringList out;
    for (table_.First(); !table_.AtEnd(); table_.Next()) out << table_.FieldText(TodoTable::kDescript);
    return out;
  }

  QTemporaryDir dir_;
  CodePageHost host_;
  TodoTable table_{&host_};
  const QLocale saved_locale_;
};

TEST(CodePageForLocaleTest, FollowsTheLanguageAndItsScript) {
  const struct {
    QLocale locale;
    int code_page;
  } cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), 1252},
      {QLocale(QLocale::German, QLocale::Germany), 1252},
      {QLocale(QLocale::French, QLocale::France), 1252},
      {QLocale(QLocale::Polish, QLocale::Poland), 1250},
      {QLocale(QLocale::Czech, QLocale::CzechRepublic), 1250},
      {QLocale(QLocale::Hungarian, QLocale::Hungary), 1250},
      {QLocale(QLocale::Russian, QLocale::Russia), 1251},
      {QLocale(QLocale::Ukrainian, QLocale::Ukraine), 1251},
      {QLocale(QLocale::Bulgarian, QLocale::Bulgaria), 1251},
      {QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia), 1250},
      {QLocale(QLocale::Serbian, QLocale::CyrillicScript, QLocale::Serbia), 1251},
      {QLocale(QLocale::Greek, QLocale::Greece), 1253},
      {QLocale(QLocale::Turkish, QLocale::Turkey), 1254},
      {QLocale(QLocale::Lithuanian, QLocale::Lithuania), 1257},
      {QLocale(QLocale::Latvian, QLocale::Latvia), 1257},
      {QLocale(QLocale::Estonian, QLocale::Estonia), 1257},
      {QLocale(QLocale::Japanese, QLocale::Japan), 1252},
  };
  for (const auto& c : cases) EXPECT_EQ(CodePageForLocale(c.locale), c.code_page) << c.locale.name().toStdString();
}

TEST_F(TodoTableCodePageTest, ANewTableTakesTheCodePageOfTheUsersLanguage) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(Mark(), 0xC9);
  EXPECT_EQ(table_.CodePage(), 1251);
  Add(QString::fromUtf8("Привет мир 😀 café €"));
  Add(QString::fromUtf8("вишня"), QString::fromUtf8("дом"));
  Add(QString::fromUtf8("Арбуз"), QString::fromUtf8("Работа"));
  Add(QString::fromUtf8("банан"), QString::fromUtf8("ДОМ"));
  EXPECT_EQ(UnstorableCharacters(QString::fromUtf8("Привет мир 😀 café €"), table_.CodePage()),
            QString::fromUtf8("😀é"));

  // Read back after a close: what the code page holds is kept, the rest is "?".
  ASSERT_TRUE(table_.Close().ok());
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));
  EXPECT_EQ(Walk(), QStringList({QString::fromUtf8("Арбуз"), QString::fromUtf8("банан"),
                                 QString::fromUtf8("вишня"), QString::fromUtf8("Привет мир ? caf? €")}));
  // The key word order and a filter on upper-cased key words fold Cyrillic case.
  table_.SetOrder(table_.OrderOfTag("KEYS"));
  table_.First();
  table_.Next();
  EXPECT_EQ(table_.FieldText(TodoTable::kKeys).toUpper(), QString::fromUtf8("ДОМ"));
  ASSERT_TRUE(table_.SetFilter(QString::fromUtf8("(\"ДОМ\"$upper(KEYS))")).ok());
  EXPECT_EQ(table_.FilterRecordCount(), 2);
  table_.First();
  EXPECT_EQ(table_.Memo(TodoTable::kNote), table_.FieldText(TodoTable::kDescript));  // memo text too
}

TEST_F(TodoTableCodePageTest, AnExistingTableKeepsTheCodePageItsHeaderNames) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(Mark(), 0x03);
  Add(QString::fromUtf8("café €"));
  ASSERT_TRUE(table_.Close().ok());

  // Opened where the user's language is Russian: still Western.
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(table_.CodePage(), 1252);
  EXPECT_EQ(Walk(), QStringList({QString::fromUtf8("café €")}));
  ASSERT_TRUE(table_.Close().ok());
  EXPECT_EQ(Mark(), 0x03);

  // A table without a mark (0) is read as Western too.
  {
    QFile file(dir_.path() + "/JLIST.DBF");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(29));
    ASSERT_EQ(file.write(QByteArray(1, '\0')), 1);
  }
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(table_.CodePage(), 1252);
  EXPECT_EQ(Walk(), QStringList({QString::fromUtf8("café €")}));
}

}  // namespace
