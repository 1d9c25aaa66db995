#include "core/KeyWordList.h"

#include <gtest/gtest.h>

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

TEST(KeyWordListTest, MenuChoiceAppendsOrClears) {
  EXPECT_EQ(KeysAfterMenuChoice("", "home"), "home");
  EXPECT_EQ(KeysAfterMenuChoice("home", "home"), "home home");  // appended even when present
  EXPECT_EQ(KeysAfterMenuChoice("a b", kClearEntryCaption), "");
  const QString keys58(58, u'k');
  EXPECT_EQ(KeysAfterMenuChoice(keys58, "word").size(), 63);  // the field cuts it to 60
}

}  // namespace
