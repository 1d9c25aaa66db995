#include "core/FilterExpression.h"

#include <gtest/gtest.h>

namespace {

const QDate kMarch5(2024, 3, 5);

TEST(FilterExpressionTest, AllCriteriaTogetherGiveTheDocumentedExpression) {
  TFilterState state;
  state.DateFilterIndex = 3;
  state.PriorityFilterIndex = 1;
  state.ShowDoneTasks = false;
  state.KeysFilterText = "home, Work";
  state.TaskFilterText = "call";
  const TFilterExpression e = BuildFilterExpression(state, kMarch5);
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.expression.toStdString(),
            "(DATE >=\"20240305\" and DATE <=\"20240312\").and.(PRIORITY=\"A\").and.(.not.DONE)"
            ".and.(\"HOME\"$UPPER(KEYS).or.\"WORK\"$UPPER(KEYS)).and.(\"CALL\"$upper(DESCRIPT))");
  EXPECT_TRUE(state.IndicatorShown());
}

TEST(FilterExpressionTest, StartValuesAndDoneAloneLeaveTheIndicatorHidden) {
  TFilterState state;
  state.ShowDoneTasks = true;
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "");
  EXPECT_FALSE(state.IndicatorShown());

  state.ShowDoneTasks = false;
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "(.not.DONE)");
  EXPECT_FALSE(state.IndicatorShown());
}

TEST(FilterExpressionTest, KeyWordTextEdgeCases) {
  TFilterState state;
  state.ShowDoneTasks = true;

  state.KeysFilterText = "   ";  // blanks only: no piece, but the indicator shows
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "");
  EXPECT_TRUE(state.IndicatorShown());

  state.KeysFilterText = "work,";  // a trailing comma adds an empty alternative
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression,
            "(\"WORK\"$UPPER(KEYS).or.\"\"$UPPER(KEYS))");

  state.KeysFilterText = "  a ,b";
  state.TaskFilterText = " x ";  // the task text is not trimmed
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression,
            "(\"A\"$UPPER(KEYS).or.\"B\"$UPPER(KEYS)).and.(\" X \"$upper(DESCRIPT))");
}

TEST(FilterExpressionTest, DateRanges) {
  TFilterState state;
  state.ShowDoneTasks = true;
  const struct {
    int index;
    const char* expected;
  } cases[] = {
      {1, "(DATE >=\"20240305\" and DATE <=\"20240305\")"},
      {2, "(DATE >=\"20240306\" and DATE <=\"20240306\")"},
      {3, "(DATE >=\"20240305\" and DATE <=\"20240312\")"},  // eight days, today included
      {4, "(DATE >=\"20240305\" and DATE <=\"20240404\")"},
      {5, "(DATE >=\"20240305\" and DATE <=\"20250305\")"},
      {6, "(DATE >=\"19000101\" and DATE <=\"20240304\")"},
  };
  for (const auto& c : cases) {
    state.DateFilterIndex = c.index;
    EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression.toStdString(), c.expected)
        << "index " << c.index;
  }
  // Across a year end and a leap day.
  state.DateFilterIndex = 2;
  EXPECT_EQ(BuildFilterExpression(state, QDate(2023, 12, 31)).expression,
            "(DATE >=\"20240101\" and DATE <=\"20240101\")");
  state.DateFilterIndex = 6;
  EXPECT_EQ(BuildFilterExpression(state, QDate(2024, 3, 1)).expression,
            "(DATE >=\"19000101\" and DATE <=\"20240229\")");
}

TEST(FilterExpressionTest, PriorityPieces) {
  TFilterState state;
  state.ShowDoneTasks = true;
  state.PriorityFilterIndex = 2;
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "(PRIORITY=\"B\")");
  state.PriorityFilterIndex = 3;
  state.ShowDoneTasks = false;
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression,
            "(PRIORITY=\"C\").and.(.not.DONE)");
}

TEST(FilterExpressionTest, QuoteCharactersChooseAnotherDelimiter) {
  TFilterState state;
  state.ShowDoneTasks = true;
  state.TaskFilterText = "say \"hi\"";
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "('SAY \"HI\"'$upper(DESCRIPT))");
  state.TaskFilterText = "it's \"x\"";
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression,
            "([IT'S \"X\"]$upper(DESCRIPT))");
  state.TaskFilterText.clear();
  state.KeysFilterText = "a\"b,c";
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression,
            "('A\"B'$UPPER(KEYS).or.\"C\"$UPPER(KEYS))");

  state.KeysFilterText = "x\"'y]";  // all three closing delimiters: cannot be written
  const TFilterExpression e = BuildFilterExpression(state, kMarch5);
  EXPECT_FALSE(e.ok);
  EXPECT_TRUE(e.expression.isEmpty());
  EXPECT_FALSE(e.problem.isEmpty());
}

TEST(FilterExpressionTest, EngineUpperKeepsOneCharacterPerCharacter) {
  EXPECT_EQ(EngineUpper(QString::fromUtf8("straße äö")), QString::fromUtf8("STRAßE ÄÖ"));
  EXPECT_EQ(EngineUpper("call 5"), "CALL 5");
}

TEST(FilterExpressionTest, IndicatorClickClearsCriteriaButNotDone) {
  TFilterState state;
  state.DateFilterIndex = 6;
  state.PriorityFilterIndex = 1;
  state.KeysFilterText = "a";
  state.TaskFilterText = "b";
  state.ShowDoneTasks = false;
  state.ClearCriteria();
  EXPECT_FALSE(state.IndicatorShown());
  EXPECT_FALSE(state.ShowDoneTasks);
  EXPECT_EQ(BuildFilterExpression(state, kMarch5).expression, "(.not.DONE)");
}

}  // namespace
