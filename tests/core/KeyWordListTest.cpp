#include "core/KeyWordList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "store/CodePage.h"

namespace {

TEST(KeyWordListTest, FirstFormKeptInOrderOfFirstAppearance) {
  TKeyWordList list;
  list.BreakStringIntoWords("Work home");
  list.BreakStringIntoWords("work Shop");
  EXPECT_EQ(list.Words(), QStringList({"Work", "home", "Shop"}));
  EXPECT_TRUE(list.Contains("WORK"));
  EXPECT_FALSE(list.Contains("wor"));
}

TEST(KeyWordListTest, OnlyBlanksSeparateWords) {
  TKeyWordList list;
  list.BreakStringIntoWords("  a,b   c\td  ");
  EXPECT_EQ(list.Words(), QStringList({"a,b", "c\td"}));
  list.BreakStringIntoWords("");
  list.BreakStringIntoWords("    ");
  EXPECT_EQ(list.size(), 2);
}

TEST(KeyWordListTest, CaseBlindBeyondAscii) {
  TKeyWordList list;
  list.BreakStringIntoWords(QString::fromUtf8("Ärger ärger ÄRGER"));
  EXPECT_EQ(list.Words(), QStringList({QString::fromUtf8("Ärger")}));
}

TEST(KeyWordListTest, ClearEmptiesTheList) {
  TKeyWordList list;
  list.BreakStringIntoWords("x y");
  list.Clear();
  EXPECT_EQ(list.size(), 0);
  EXPECT_FALSE(list.Contains("x"));
  list.BreakStringIntoWords("X");
  EXPECT_EQ(list.Words(), QStringList({"X"}));
}

// Words taken from the stored bytes are the words of the decoded text, in the same order
// and the same first forms, for every code page a table can be in: letters above ASCII
// in both cases, bytes of no letter, blanks, tabs, commas, runs of blanks at either end.
TEST(KeyWordListTest, StoredBytesGiveTheSameListAsTheirText) {
  std::mt19937 rng(21);
  for (int code_page : {1252, 1250, 1251, 1253, 1254, 1257}) {
    // Fields of 60 bytes from a small alphabet of the code page's letters and separators,
    // so that words recur in other cases and other fields.
    std::string alphabet = " \t,aAzZ";
    for (int b = 0xA0; b <= 0xFF; b += 3) alphabet += static_cast<char>(b);
    for (int b : {0x00, 0x81, 0x8A, 0x9A, 0xC0, 0xE0, 0xDE, 0xFE, 0xB8, 0xA8}) alphabet += static_cast<char>(b);
    TKeyWordList from_bytes;
    TKeyWordList from_text;
    for (int field = 0; field < 400; ++field) {
      std::string bytes(60, ' ');
      const int used = static_cast<int>(rng() % 61);
      for (int i = 0; i < used; ++i) {
        bytes[static_cast<size_t>(i)] = rng() % 3 == 0 ? ' ' : alphabet[rng() % alphabet.size()];
      }
      from_bytes.BreakStoredIntoWords(bytes, code_page);
      QString text = FromCodePage(bytes, code_page);
      while (text.endsWith(u' ')) text.chop(1);
      from_text.BreakStringIntoWords(text);
    }
    EXPECT_GT(from_text.size(), 50) << code_page;
    EXPECT_EQ(from_bytes.Words(), from_text.Words()) << code_page;
  }
}

TEST(KeyWordListTest, StoredBytesAndTextShareOneList) {
  TKeyWordList list;
  list.BreakStringIntoWords(QString::fromUtf8("Ärger"));
  list.BreakStoredIntoWords("\xE4rger \xC4RGER work", 1252);  // both fold to the word there
  list.BreakStoredIntoWords("WORK  ", 1252);
  EXPECT_EQ(list.Words(), QStringList({QString::fromUtf8("Ärger"), "work"}));
  list.Clear();
  list.BreakStoredIntoWords("WORK \xE4rger", 1252);
  EXPECT_EQ(list.Words(), QStringList({"WORK", QString::fromUtf8("ärger")}));
  // The same bytes in another code page are another word.
  list.BreakStoredIntoWords("\xE4rger", 1251);
  EXPECT_EQ(list.Words(), QStringList({"WORK", QString::fromUtf8("ärger"), QString::fromUtf8("дrger")}));
}

TEST(KeyWordListTest, MenuChoiceAppendsOrClears) {
  EXPECT_EQ(KeysAfterMenuChoice("", "home"), "home");
  EXPECT_EQ(KeysAfterMenuChoice("home", "home"), "home home");  // appended even when present
  EXPECT_EQ(KeysAfterMenuChoice("a b", kClearEntryCaption), "");
  const QString keys58(58, u'k');
  EXPECT_EQ(KeysAfterMenuChoice(keys58, "word").size(), 63);  // the field cuts it to 60
}

}  // namespace
