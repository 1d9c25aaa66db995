// Semantics of the expression language: index keys, the program's filters, operators
// and functions.
#include <gtest/gtest.h>

#include <string>

#include "store/xbase/Expression.h"
#include "tests/store/xbase/ExpressionTestTable.h"

namespace xbase {
namespace {

using testing::Chars;
using testing::Logical;
using testing::MustCompile;
using testing::Number;
using testing::Record;
using testing::TaskRecord;

TEST(ExpressionKeys, TheFiveIndexTagsHaveTheirWidthsAndValues) {
  Record r = TaskRecord();
  r.Set("DATE", "20240305").Set("TIME", "09:30").Set("DESCRIPT", "Call bob \xE9t\xE9");
  r.Set("KEYS", "home Work").Set("PRIORITY", "b").Set("DONE", "T");

  EXPECT_EQ(MustCompile("DATE+TIME", r).max_length(), 13u);
  EXPECT_EQ(Chars("DATE+TIME", r), "2024030509:30");
  EXPECT_EQ(MustCompile("upper(DESCRIPT)", r).max_length(), 50u);
  EXPECT_EQ(Chars("upper(DESCRIPT)", r), "CALL BOB \xC9T\xC9" + std::string(38, ' '));
  EXPECT_EQ(MustCompile("upper(KEYS)", r).max_length(), 60u);
  EXPECT_EQ(Chars("upper(KEYS)", r), "HOME WORK" + std::string(51, ' '));
  EXPECT_EQ(MustCompile("upper(PRIORITY)+DATE+TIME", r).max_length(), 14u);
  EXPECT_EQ(Chars("upper(PRIORITY)+DATE+TIME", r), "B2024030509:30");

  // A logical key is one byte, T or F; a blank or unknown mark counts as false.
  const Expression done = MustCompile("DONE", r);
  EXPECT_EQ(done.type(), ValueType::kLogical);
  EXPECT_EQ(done.max_length(), 1u);
  for (const char* mark : {"T", "t", "Y", "y"}) EXPECT_EQ(Chars("DONE", r.Set("DONE", mark)), "T");
  for (const char* mark : {"F", "f", "N", "n", " ", "?"}) {
    EXPECT_EQ(Chars("DONE", r.Set("DONE", mark)), "F") << mark;
  }
}

TEST(ExpressionKeys, BlankDateSortsFirstInDateTimeKey) {
  Record undated = TaskRecord();
  Record dated = TaskRecord();
  dated.Set("DATE", "19000101");
  EXPECT_LT(Chars("DATE+TIME", undated), Chars("DATE+TIME", dated));
}

TEST(ExpressionFilter, TheFilterDialogExampleSelectsExactlyMatchingTasks) {
  const char* kFilter =
      "(DATE >=\"20240305\" and DATE <=\"20240312\").and.(PRIORITY=\"A\").and.(.not.DONE).and."
      "(\"HOME\"$UPPER(KEYS).or.\"WORK\"$UPPER(KEYS)).and.(\"CALL\"$upper(DESCRIPT))";
  Record r = TaskRecord();
  r.Set("DATE", "20240312").Set("PRIORITY", "A").Set("DONE", "F");
  r.Set("KEYS", "office homework").Set("DESCRIPT", "Recall the plumber");
  EXPECT_TRUE(Logical(kFilter, r));

  EXPECT_TRUE(Logical(kFilter, Record(r).Set("DATE", "20240305")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("DATE", "20240304")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("DATE", "20240313")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("DATE", "")));  // undated tasks never pass
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("PRIORITY", "B")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("DONE", "T")));
  EXPECT_TRUE(Logical(kFilter, Record(r).Set("DONE", " ")));
  EXPECT_TRUE(Logical(kFilter, Record(r).Set("KEYS", "Work")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("KEYS", "garden")));
  EXPECT_FALSE(Logical(kFilter, Record(r).Set("DESCRIPT", "Write the plumber")));
}

TEST(ExpressionFilter, FilterPiecesAndTheirNegation) {
  Record r = TaskRecord();
  r.Set("KEYS", "WORK").Set("DONE", "F");
  // A key words text ending in a comma gives an empty item, which matches nothing.
  EXPECT_TRUE(Logical("(\"WORK\"$UPPER(KEYS).or.\"\"$UPPER(KEYS))", r));
  EXPECT_FALSE(Logical("(\"HOME\"$UPPER(KEYS).or.\"\"$UPPER(KEYS))", r));
  EXPECT_TRUE(Logical("(.not.DONE)", r));
  EXPECT_FALSE(Logical("!((.not.DONE))", r));
  // The group deletion wraps the filter in !( ... ).
  EXPECT_FALSE(Logical("!((.not.DONE).and.(\"WORK\"$UPPER(KEYS)))", r));
  EXPECT_TRUE(Logical("!((.not.DONE).and.(\"HOME\"$UPPER(KEYS)))", r));
}

TEST(ExpressionFilter, RepeatedUpperOfAFieldFollowsEachRecord) {
  // UPPER(KEYS) appears twice and is computed once per evaluation; the kept value must
  // never leak into the next record.
  const char* kText = "\"HOME\"$UPPER(KEYS) .or. \"WORK\"$UPPER(KEYS)";
  Record r = TaskRecord();
  const Expression e = MustCompile(kText, r);
  const struct {
    const char* keys;
    bool pass;
  } kRecords[] = {{"home", true}, {"work", true}, {"garden", false}, {"homework", true},
                  {"", false},    {"Work", true}, {"wor k", false}};
  for (const auto& k : kRecords) {
    r.Set("KEYS", k.keys);
    EXPECT_EQ(e.EvalLogical(EvalContext{r.data(), 1}), k.pass) << k.keys;
  }
  r.Set("KEYS", "ab").Set("DONE", "T");
  EXPECT_EQ(Chars("IIF(DONE, UPPER(KEYS), LOWER(KEYS)) - UPPER(KEYS)", r),
            "ABAB" + std::string(116, ' '));
  EXPECT_EQ(Chars("LEFT(LOWER(KEYS), 2) + LEFT(UPPER(KEYS), 2) + LOWER(KEYS)", r),
            "abAB" + std::string("ab") + std::string(58, ' '));
}

TEST(ExpressionCompare, FieldAgainstLiteralMatchesTheGeneralPath) {
  // "DATE op literal" runs on the record bytes directly; "DATE+'' op literal" takes the
  // general route. Both must agree for every operator and shape of value.
  const char* kOps[] = {"=", "==", "<>", "#", "!=", "<", "<=", ">", ">="};
  const char* kValues[] = {"", "2024", "20240305", "20240306", "2024030", "20240305 ",
                           "202403051", "1", "\xE9"};
  const char* kFields[] = {"20240305", "", "2024", "20240306", "\xE9"};
  for (const char* field : kFields) {
    Record r = TaskRecord();
    r.Set("DATE", field);
    for (const char* op : kOps) {
      for (const char* value : kValues) {
        const std::string lit = std::string(" ") + op + " \"" + value + "\"";
        EXPECT_EQ(Logical("DATE" + lit, r), Logical("DATE+''" + lit, r))
            << "[" << field << "] DATE" << lit;
      }
    }
  }
}

TEST(ExpressionLogic, NotDeletedInEverySpellingAndCase) {
  Record live = TaskRecord();
  Record gone = TaskRecord();
  gone.SetDeleted(true);
  for (const char* text : {"not Deleted()", "!Deleted()", ".NOT.DELETED()", "NOT DELETED()",
                           ".not.deleted()", "nOt dElEtEd()", "!(DELETED())"}) {
    EXPECT_TRUE(Logical(text, live)) << text;
    EXPECT_FALSE(Logical(text, gone)) << text;
  }
  EXPECT_TRUE(Logical("DELETED()", gone));
}

TEST(ExpressionLogic, BareWordsAndDottedOperatorsAgree) {
  Record r = TaskRecord();
  r.Set("DONE", "T").Set("PRIORITY", "A");
  EXPECT_TRUE(Logical("DONE and PRIORITY = \"A\"", r));
  EXPECT_TRUE(Logical("DONE AND PRIORITY = \"A\"", r));
  EXPECT_FALSE(Logical("DONE .and. PRIORITY = \"B\"", r));
  EXPECT_TRUE(Logical("not DONE Or PRIORITY = \"A\"", r));
  EXPECT_FALSE(Logical("not DONE .OR. PRIORITY = \"B\"", r));
  EXPECT_TRUE(Logical(".T..and..y.", r));
  EXPECT_FALSE(Logical(".t. .and. .N.", r));
  // AND binds tighter than OR.
  EXPECT_TRUE(Logical(".T. or .F. and .F.", r));
  EXPECT_FALSE(Logical("(.T. or .F.) and .F.", r));
}

TEST(ExpressionLogic, NotBindsLooserThanComparison) {
  Record r = TaskRecord();
  r.Set("PRIORITY", "A");
  // NOT a = b means NOT (a = b); were NOT applied to the character field first it would
  // not even compile.
  EXPECT_FALSE(Logical("NOT PRIORITY = \"A\"", r));
  EXPECT_TRUE(Logical("NOT PRIORITY = \"B\"", r));
  EXPECT_TRUE(Logical("!PRIORITY = \"B\"", r));
  EXPECT_TRUE(Logical(".NOT. .NOT. PRIORITY = \"A\"", r));
}

TEST(ExpressionLogic, LogicalComparisonsAndExclusiveOr) {
  Record r = TaskRecord();
  for (const char* a : {".T.", ".F."}) {
    for (const char* b : {".T.", ".F."}) {
      const bool va = a[1] == 'T';
      const bool vb = b[1] == 'T';
      const std::string l(a), rt(b);
      EXPECT_EQ(Logical(l + " <> " + rt, r), va != vb);
      EXPECT_EQ(Logical(l + " # " + rt, r), va != vb);
      EXPECT_EQ(Logical(l + " != " + rt, r), va != vb);
      EXPECT_EQ(Logical(l + " = " + rt, r), va == vb);
      EXPECT_EQ(Logical(l + " < " + rt, r), !va && vb);  // .F. < .T.
    }
  }
}

// The `=` and `==` columns of the comparison table; `_` is a blank.
TEST(ExpressionCompare, NonExactAndExactStringEquality) {
  struct Case {
    const char* left;
    const char* right;
    bool equal;
    bool exact;
  } const kCases[] = {
      {"abc", "abc", true, true},  {"ab", "abc", false, false}, {"abc", "ab", true, false},
      {"abc", "ab ", false, false}, {"ab", "ab ", false, false}, {"ab ", "ab", true, false},
      {"", "ab", false, false},    {"ab", "", true, false},     {"  ", "", true, false},
      {"", "   ", false, false},
  };
  Record r = TaskRecord();
  for (const Case& c : kCases) {
    const std::string l = std::string("\"") + c.left + "\"";
    const std::string rt = std::string("\"") + c.right + "\"";
    EXPECT_EQ(Logical(l + " = " + rt, r), c.equal) << l << " = " << rt;
    EXPECT_EQ(Logical(l + " <> " + rt, r), !c.equal) << l << " <> " << rt;
    EXPECT_EQ(Logical(l + " == " + rt, r), c.exact) << l << " == " << rt;
  }
  EXPECT_TRUE(Logical("TRIM(\"   \") = \"\"", r));
  EXPECT_TRUE(Logical("TRIM(\"   \") == \"\"", r));
}

TEST(ExpressionCompare, FieldsKeepTheirTrailingBlanks) {
  Record r = TaskRecord();
  r.Set("DESCRIPT", "Bolt M8");
  EXPECT_TRUE(Logical("DESCRIPT = \"Bolt\"", r));
  EXPECT_TRUE(Logical("DESCRIPT = \"Bolt M8\"", r));
  EXPECT_FALSE(Logical("DESCRIPT == \"Bolt M8\"", r));
  EXPECT_TRUE(Logical("TRIM(DESCRIPT) == \"Bolt M8\"", r));
  EXPECT_FALSE(Logical("\"Bolt\" = DESCRIPT", r));
}

TEST(ExpressionCompare, OrderingPadsTheShorterSideWithBlanks) {
  Record r = TaskRecord();
  EXPECT_TRUE(Logical("\"ab\" < \"abc\"", r));
  EXPECT_TRUE(Logical("\"ab\" <= \"ab \"", r));
  EXPECT_TRUE(Logical("\"ab\" >= \"ab \"", r));
  EXPECT_FALSE(Logical("\"ab\" < \"ab \"", r));
  EXPECT_TRUE(Logical("\"ab\" > \"ab\x01\"", r));  // a blank is above control bytes
  EXPECT_TRUE(Logical("\"B\" < \"a\"", r));         // byte order: upper case first
  EXPECT_TRUE(Logical("\"z\" < \"\xE9\"", r));      // unsigned bytes
  EXPECT_TRUE(Logical("\"abd\" > \"abc\"", r));
  EXPECT_FALSE(Logical("\"abd\" <= \"abc\"", r));
}

TEST(ExpressionCompare, ContainsIsCaseSensitiveAndFalseForEmptyNeedle) {
  Record r = TaskRecord();
  r.Set("KEYS", "home work");
  EXPECT_TRUE(Logical("\"work\" $ KEYS", r));
  EXPECT_FALSE(Logical("\"WORK\" $ KEYS", r));
  EXPECT_TRUE(Logical("\"WORK\" $ UPPER(KEYS)", r));
  EXPECT_TRUE(Logical("\"ME WO\" $ UPPER(KEYS)", r));
  EXPECT_TRUE(Logical("\"h\" $ KEYS", r));  // first byte
  EXPECT_FALSE(Logical("\"\" $ KEYS", r));
  EXPECT_FALSE(Logical("\"\" $ \"\"", r));
  EXPECT_FALSE(Logical("KEYS $ \"home\"", r));  // needle longer than the text
  EXPECT_TRUE(Logical("\"k \" $ \"work \"", r));  // match ending on the last byte
  EXPECT_FALSE(Logical("\"kk\" $ \"work\"", r));
  EXPECT_TRUE(Logical("\"aab\" $ \"aaab\"", r));  // retry after a false start
}

TEST(ExpressionCharacter, ConcatenationAndBlankMovingMinus) {
  Record r = TaskRecord();
  EXPECT_EQ(Chars("'John  ' - 'Smith'", r), "JohnSmith  ");
  EXPECT_EQ(Chars("'John  ' + 'Smith'", r), "John  Smith");
  EXPECT_EQ(Chars("'a ' - 'b ' - 'c'", r), "abc  ");
  EXPECT_EQ(Chars("'a ' - 'b ' + 'c'", r), "ab  c");
  EXPECT_EQ(Chars("'a ' - ('b ' + 'c')", r), "ab c ");
  EXPECT_EQ(Chars("'   ' - 'x'", r), "x   ");
  EXPECT_EQ(MustCompile("'a ' - 'b ' - 'c'", r).max_length(), 5u);
}

TEST(ExpressionCharacter, TrimFunctions) {
  Record r = TaskRecord();
  r.Set("DESCRIPT", "  two words");
  EXPECT_EQ(Chars("TRIM(DESCRIPT)", r), "  two words");
  EXPECT_EQ(Chars("RTRIM(DESCRIPT)", r), "  two words");
  EXPECT_EQ(Chars("LTRIM(DESCRIPT)", r), "two words" + std::string(39, ' '));
  EXPECT_EQ(Chars("ALLTRIM(DESCRIPT)", r), "two words");
  EXPECT_EQ(MustCompile("TRIM(DESCRIPT)", r).max_length(), 50u);
  r.Set("DESCRIPT", "");
  EXPECT_EQ(Chars("TRIM(DESCRIPT)", r), "");
  EXPECT_EQ(Chars("LTRIM(DESCRIPT)", r), "");
  EXPECT_EQ(Chars("ALLTRIM(DESCRIPT)", r), "");
  EXPECT_EQ(Chars("TRIM(DESCRIPT) + 'x'", r), "x");
}

TEST(ExpressionCharacter, SubstrLeftRightAtTheEdges) {
  Record r = TaskRecord();
  r.Set("DATE", "20240305");
  EXPECT_EQ(Chars("SUBSTR(DATE, 5, 2)", r), "03");
  EXPECT_EQ(Chars("SUBSTR(DATE, 5)", r), "0305");
  EXPECT_EQ(Chars("SUBSTR(DATE, 7, 10)", r), "05");  // count past the end
  EXPECT_EQ(Chars("SUBSTR(DATE, 8, 1)", r), "5");
  EXPECT_EQ(Chars("SUBSTR(DATE, 9)", r), "");        // start past the end
  EXPECT_EQ(Chars("SUBSTR(DATE, 3, 0)", r), "");
  EXPECT_EQ(Chars("SUBSTR(DATE, 3, -1)", r), "");
  EXPECT_EQ(Chars("SUBSTR(DATE, RECNO() - 5, 2)", r, 5), "");  // start 0 at run time
  EXPECT_EQ(Chars("SUBSTR(DATE, RECNO(), 2)", r, 3), "24");
  EXPECT_EQ(Chars("SUBS(DATE, 1, 4)", r), "2024");
  EXPECT_EQ(MustCompile("SUBSTR(DATE, 5, 2)", r).max_length(), 2u);
  EXPECT_EQ(MustCompile("SUBSTR(DATE, 5, 20)", r).max_length(), 8u);

  EXPECT_EQ(Chars("LEFT(DATE, 4)", r), "2024");
  EXPECT_EQ(Chars("LEFT(DATE, 0)", r), "");
  EXPECT_EQ(Chars("LEFT(DATE, -3)", r), "");
  EXPECT_EQ(Chars("LEFT(DATE, 99)", r), "20240305");
  EXPECT_EQ(Chars("RIGHT(DATE, 2)", r), "05");
  EXPECT_EQ(Chars("RIGHT(DATE, 0)", r), "");
  EXPECT_EQ(Chars("RIGHT(DATE, 99)", r), "20240305");
  EXPECT_EQ(Chars("RIGHT(TRIM('ab  '), 1)", r), "b");
  EXPECT_EQ(Chars("RIGHT(DATE, RECNO())", r, 3), "305");
}

TEST(ExpressionCharacter, IifPicksOneBranch) {
  Record r = TaskRecord();
  r.Set("DONE", "T").Set("DESCRIPT", "x");
  EXPECT_EQ(Chars("IIF(DONE, 'yes', 'no')", r), "yes");
  EXPECT_EQ(Chars("IIF(!DONE, 'yes', 'no')", r), "no");
  EXPECT_EQ(MustCompile("IIF(DONE, 'yes', 'no')", r).max_length(), 3u);
  EXPECT_EQ(Number("IIF(DONE, 1, 2) + 10", r), 11);
  EXPECT_TRUE(Logical("IIF(DONE, .T., DELETED())", r));
  EXPECT_EQ(Chars("IIF(DONE, UPPER(DESCRIPT), LOWER(DESCRIPT))", r), "X" + std::string(49, ' '));
}

TEST(ExpressionCharacter, StrFormatsRoundsAndOverflows) {
  Record r = TaskRecord();
  EXPECT_EQ(Chars("STR(42)", r), "        42");
  EXPECT_EQ(Chars("STR(-3.5, 6, 1)", r), "  -3.5");
  EXPECT_EQ(Chars("STR(2.5, 3)", r), "  3");     // half away from zero
  EXPECT_EQ(Chars("STR(-2.5, 3)", r), " -3");
  EXPECT_EQ(Chars("STR(0.125, 5, 2)", r), " 0.13");
  EXPECT_EQ(Chars("STR(-0.001, 4, 1)", r), " 0.0");  // no negative zero
  EXPECT_EQ(Chars("STR(12345, 3)", r), "***");
  EXPECT_EQ(Chars("STR(12.345, 4, 2)", r), "12.3");   // fewer decimals when needed
  EXPECT_EQ(Chars("STR(1/0 + 7, 2)", r), " 7");
  EXPECT_EQ(MustCompile("STR(RECNO(), 6)", r).max_length(), 6u);
  EXPECT_EQ(Chars("STR(RECNO(), 6)", r, 1234), "  1234");
}

TEST(ExpressionNumeric, ArithmeticPrecedenceAndEdgeCases) {
  Record r = TaskRecord();
  EXPECT_EQ(Number("2 + 3 * 4", r), 14);
  EXPECT_EQ(Number("(2 + 3) * 4", r), 20);
  EXPECT_EQ(Number("10 - 4 - 3", r), 3);  // left to right
  EXPECT_EQ(Number("24 / 4 / 2", r), 3);
  EXPECT_EQ(Number("2 ^ 3 ^ 2", r), 64);
  EXPECT_EQ(Number("2 ** 3 * 2", r), 16);
  EXPECT_EQ(Number("-2 ^ 2", r), 4);  // unary minus binds tighter
  EXPECT_EQ(Number("- -3", r), 3);
  EXPECT_EQ(Number("+.5 * 4", r), 2);
  EXPECT_EQ(Number("7 % 3", r), 1);
  EXPECT_EQ(Number("-7 % 3", r), 2);   // sign of the divisor
  EXPECT_EQ(Number("7 % -3", r), -2);
  EXPECT_EQ(Number("2 + 7 % 3 * 2", r), 4);  // % ranks with * and /
  EXPECT_EQ(Number("5 / 0", r), 0);
  EXPECT_EQ(Number("5 % 0", r), 0);
  EXPECT_EQ(Number("RECNO() * 2", r, 21), 42);
  EXPECT_TRUE(Logical("RECNO() > 9", r, 10));
  EXPECT_TRUE(Logical("1.5 = 1.50", r));
  EXPECT_TRUE(Logical("2 <> 3 .and. 2 < 3 .and. 3 >= 3", r));
}

TEST(ExpressionNumeric, LenAtValAndEmpty) {
  Record r = TaskRecord();
  r.Set("DESCRIPT", " 12.5kg");
  EXPECT_EQ(Number("LEN(DESCRIPT)", r), 50);
  EXPECT_EQ(Number("LEN(TRIM(DESCRIPT))", r), 7);
  EXPECT_EQ(Number("AT('kg', DESCRIPT)", r), 6);
  EXPECT_EQ(Number("AT('lb', DESCRIPT)", r), 0);
  EXPECT_EQ(Number("AT('', DESCRIPT)", r), 0);
  EXPECT_EQ(Number("VAL(DESCRIPT)", r), 12.5);
  EXPECT_EQ(Number("VAL('  -3')", r), -3);
  EXPECT_EQ(Number("VAL('1.25E3')", r), 1250);
  EXPECT_EQ(Number("VAL('1e')", r), 1);
  EXPECT_EQ(Number("VAL('abc')", r), 0);
  EXPECT_EQ(Number("VAL('')", r), 0);
  EXPECT_EQ(Number("VAL('-')", r), 0);
  EXPECT_EQ(Number("VAL('nan')", r), 0);

  EXPECT_TRUE(Logical("EMPTY(KEYS)", r));
  EXPECT_TRUE(Logical("EMPTY(' \t\r\n')", r));
  EXPECT_FALSE(Logical("EMPTY(DESCRIPT)", r));
  EXPECT_TRUE(Logical("EMPTY(0)", r));
  EXPECT_FALSE(Logical("EMPTY(RECNO())", r, 3));
  EXPECT_TRUE(Logical("EMPTY(DONE)", r));
  EXPECT_FALSE(Logical("EMPTY(DONE)", Record(r).Set("DONE", "T")));
  EXPECT_TRUE(Logical("EMPT(TIME)", r));
}

TEST(ExpressionFields, NumericDateAndLogicalFieldsOfOtherTables) {
  Record r = testing::MixedRecord();
  r.Set("NAME", "Widget").Set("QTY", "  -12.50").Set("BORN", "20240228").Set("OK", "y");
  r.Set("RATE", "     1.125");
  EXPECT_EQ(Number("QTY", r), -12.5);
  EXPECT_EQ(Number("QTY * 2 + RATE", r), -23.875);
  EXPECT_TRUE(Logical("OK", r));
  EXPECT_EQ(Number("QTY", Record(r).Set("QTY", "")), 0);  // a blank number is 0
  EXPECT_TRUE(Logical("EMPTY(QTY)", Record(r).Set("QTY", "")));

  const Expression born = MustCompile("BORN", r);
  EXPECT_EQ(born.type(), ValueType::kDate);
  EXPECT_EQ(born.max_length(), 8u);
  EXPECT_EQ(Chars("BORN", r), "20240228");
  EXPECT_EQ(Chars("DTOS(BORN)", r), "20240228");
  EXPECT_EQ(Chars("DTOS(BORN) + NAME", r), "20240228Widget    ");
  EXPECT_EQ(Chars("DTOS(NAME)", r), "Widget    ");  // a character date passes through
  EXPECT_EQ(Chars("BORN + 1", r), "20240229");     // leap year
  EXPECT_EQ(Chars("BORN + 2", r), "20240301");
  EXPECT_EQ(Chars("1 + BORN", r), "20240229");
  EXPECT_EQ(Chars("BORN - 59", r), "20231231");
  EXPECT_EQ(Number("BORN - (BORN - 400)", r), 400);
  EXPECT_TRUE(Logical("BORN > BORN - 1", r));
  EXPECT_TRUE(Logical("BORN = BORN + 0", r));
  EXPECT_FALSE(Logical("EMPTY(BORN)", r));

  Record blank = testing::MixedRecord();
  EXPECT_EQ(Chars("DTOS(BORN)", blank), "        ");
  EXPECT_EQ(Chars("BORN + 5", blank), "        ");  // an empty date stays empty
  EXPECT_TRUE(Logical("EMPTY(BORN)", blank));
  EXPECT_FALSE(Logical("BORN < BORN + 0", r));
  EXPECT_TRUE(Logical("EMPTY(NAME) .and. !OK", blank));
}

TEST(ExpressionFields, NamesAreCaseBlindAndMayCarryAnAlias) {
  Record r = TaskRecord();
  r.Set("DONE", "T").Set("DATE", "20240101");
  EXPECT_TRUE(Logical("done", r));
  EXPECT_TRUE(Logical("Done", r));
  EXPECT_TRUE(Logical("FIELD->DONE", r));
  EXPECT_TRUE(Logical("field.done", r));
  EXPECT_TRUE(Logical("jlist->DONE .and. JLIST.date = \"2024\"", r));
  EXPECT_TRUE(Logical("T.DONE", r));  // an alias named like the .T. constant
  EXPECT_EQ(Chars("Upper(jlist->Date)", r), "20240101");
}

TEST(ExpressionApi, MovingKeepsTheCompiledProgram) {
  Record r = TaskRecord();
  r.Set("PRIORITY", "C");
  Expression a = MustCompile("upper(PRIORITY) + 'x'", r);
  Expression b = std::move(a);
  EXPECT_TRUE(b.valid());
  EXPECT_EQ(b.text(), "upper(PRIORITY) + 'x'");
  EXPECT_EQ(b.type(), ValueType::kCharacter);
  uint8_t out[2];
  ASSERT_EQ(b.EvalCharacter(EvalContext{r.data(), 1}, out), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 2), "Cx");

  Expression empty;
  EXPECT_FALSE(empty.valid());
  EXPECT_FALSE(empty.EvalLogical(EvalContext{r.data(), 1}));
  // Evaluators of another type give their neutral value.
  EXPECT_EQ(b.EvalNumeric(EvalContext{r.data(), 1}), 0);
  EXPECT_FALSE(b.EvalLogical(EvalContext{r.data(), 1}));
}

}  // namespace
}  // namespace xbase
