// Expression text that must not compile: typed errors with positions, and the limits
// that keep odd input from exhausting the stack or memory.
#include <gtest/gtest.h>

#include <string>

#include "store/xbase/Expression.h"
#include "tests/store/xbase/ExpressionTestTable.h"

namespace xbase {
namespace {

using testing::Logical;
using testing::Number;
using testing::TaskFields;
using testing::TaskRecord;

Status CompileTask(std::string_view text) {
  Expression e;
  return Expression::Compile(text, TaskFields(), &e);
}

// Expects kSyntax whose message starts with the position and mentions `what`.
void ExpectSyntaxAt(std::string_view text, int pos, std::string_view what) {
  const Status st = CompileTask(text);
  EXPECT_EQ(st.code(), Status::Code::kSyntax) << text << ": " << st.ToString();
  const std::string prefix = "Syntax error at position " + std::to_string(pos) + ": ";
  EXPECT_EQ(st.message().rfind(prefix, 0), 0u) << text << ": " << st.message();
  EXPECT_NE(st.message().find(what), std::string::npos) << text << ": " << st.message();
}

TEST(ExpressionErrors, SyntaxErrorsNameTheirPosition) {
  ExpectSyntaxAt("", 1, "expected");
  ExpectSyntaxAt("   ", 4, "expected");
  ExpectSyntaxAt("DATE = \"2024", 8, "unterminated string");
  ExpectSyntaxAt("DATE = [2024", 8, "unterminated string");
  ExpectSyntaxAt("DATE @ \"x\"", 6, "'@'");
  ExpectSyntaxAt("DATE = \"x\")", 11, "')'");
  ExpectSyntaxAt("(DATE = \"x\"", 12, "')' expected");
  ExpectSyntaxAt("DATE = ", 8, "end of expression");
  ExpectSyntaxAt("DONE .and.", 11, "end of expression");
  ExpectSyntaxAt("DONE DONE", 6, "'DONE'");
  ExpectSyntaxAt("DATE = \"a\" = \"b\"", 12, "'='");
  ExpectSyntaxAt("UPPER(DATE", 11, "')' or ',' expected");
  ExpectSyntaxAt("UPPER(DATE,)", 12, "')'");
  ExpectSyntaxAt("x->", 4, "field name expected");
  ExpectSyntaxAt("DONE .and. \x01", 12, "0x01");
  ExpectSyntaxAt("\xE9", 1, "0xE9");
}

TEST(ExpressionErrors, UnknownNamesAndArgumentCounts) {
  ExpectSyntaxAt("DONE .and. Nothing = \"x\"", 12, "unknown field NOTHING");
  ExpectSyntaxAt("PRIORITY = frob(DATE)", 12, "unknown function FROB");
  ExpectSyntaxAt("UPP(DATE)", 1, "unknown function UPP");     // abbreviations need 4 letters
  ExpectSyntaxAt("UPPERCASE(DATE)", 1, "unknown function");    // longer than the name
  ExpectSyntaxAt("SUBSTR(DATE)", 1, "SUBSTR() takes 2 to 3 arguments");
  ExpectSyntaxAt("DELETED(1)", 1, "takes 0 arguments");
  ExpectSyntaxAt("IIF(DONE, 1)", 1, "takes 3 arguments");
  EXPECT_TRUE(CompileTask("ALLT(DATE) = 'x' .and. UPPE(KEYS) = 'A' .and. !DELE()").ok());
  EXPECT_TRUE(CompileTask("RECN() > 0 .and. RTRI(TIME) = ''").ok());
}

TEST(ExpressionErrors, OperandTypesAreChecked) {
  struct Case {
    const char* text;
    int pos;
  } const kCases[] = {
      {"DATE + 1", 6},           {"DONE .and. DATE", 12},   {"DATE .or. DONE", 1},
      {".NOT. DATE", 7},         {"-DATE", 1},              {"1 $ DATE", 3},
      {"DATE = 1", 6},           {"DONE = 'T'", 6},         {"DATE * 2", 6},
      {"2 ^ DATE", 3},           {"UPPER(DONE)", 7},        {"SUBSTR(DATE, '1')", 14},
      {"IIF(DATE, 1, 2)", 5},    {"IIF(DONE, 1, 'a')", 14}, {"DTOS(1)", 6},
      {"VAL(3)", 5},             {"NOTE = 'x'", 1},
  };
  for (const Case& c : kCases) {
    const Status st = CompileTask(c.text);
    EXPECT_EQ(st.code(), Status::Code::kTypeMismatch) << c.text << ": " << st.ToString();
    const std::string prefix = "Type mismatch at position " + std::to_string(c.pos) + ": ";
    EXPECT_EQ(st.message().rfind(prefix, 0), 0u) << c.text << ": " << st.message();
  }
  EXPECT_NE(CompileTask("NOTE = 'x'").message().find("memo field NOTE"), std::string::npos);
}

TEST(ExpressionErrors, ConstantArgumentsOutsideTheirDomain) {
  for (const char* text : {"SUBSTR(DATE, 0, 2)", "SUBSTR(DATE, -1)", "STR(1, 0)", "STR(1, 256)",
                           "STR(1, RECNO())", "STR(1, 5, 19)", "STR(1, 5, -1)"}) {
    EXPECT_EQ(CompileTask(text).code(), Status::Code::kInvalidArgument) << text;
  }
}

TEST(ExpressionErrors, FailedCompileLeavesTheTargetAlone) {
  Expression e;
  ASSERT_TRUE(Expression::Compile("DONE", TaskFields(), &e).ok());
  EXPECT_FALSE(Expression::Compile("DONE +", TaskFields(), &e).ok());
  EXPECT_TRUE(e.valid());
  EXPECT_EQ(e.text(), "DONE");
  EXPECT_EQ(e.type(), ValueType::kLogical);
}

std::string Repeat(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

TEST(ExpressionLimits, NestingIsBoundedWithAClearError) {
  const auto nested = [](int n) { return Repeat("(", n) + "DONE" + Repeat(")", n); };
  EXPECT_TRUE(CompileTask(nested(150)).ok());
  const Status deep = CompileTask(nested(250));
  EXPECT_EQ(deep.code(), Status::Code::kSyntax);
  EXPECT_NE(deep.message().find("nested"), std::string::npos) << deep.message();

  // Prefix operators and calls count as nesting too; none of these may exhaust the stack.
  EXPECT_EQ(CompileTask(Repeat("!", 50000) + "DONE").code(), Status::Code::kSyntax);
  EXPECT_EQ(CompileTask(Repeat("-", 50000) + "1 > 0").code(), Status::Code::kSyntax);
  EXPECT_EQ(CompileTask(Repeat("UPPER(", 20000) + "DATE" + Repeat(")", 20000)).code(),
            Status::Code::kSyntax);
  EXPECT_EQ(CompileTask(Repeat("(", 60000)).code(), Status::Code::kSyntax);
  EXPECT_FALSE(Logical(Repeat("!", 200) + "DONE", TaskRecord()));
}

TEST(ExpressionLimits, LongChainsStayFlat) {
  // Far more operands than nesting levels: chains of one level are one node.
  const int kTerms = 3000;
  EXPECT_EQ(Number("1" + Repeat(" + 1", kTerms - 1), TaskRecord()), kTerms);
  EXPECT_TRUE(Logical(Repeat("'x' $ KEYS .or. ", kTerms) + "DONE = DONE", TaskRecord()));
  EXPECT_FALSE(Logical(Repeat("DONE = DONE .and. ", kTerms) + "DONE", TaskRecord()));
}

TEST(ExpressionLimits, OversizedResultsAreRefused) {
  // 2000 x KEYS is 120 000 bytes, beyond any key or filter value.
  const Status wide = CompileTask("KEYS" + Repeat(" + KEYS", 1999));
  EXPECT_EQ(wide.code(), Status::Code::kInvalidArgument) << wide.ToString();
  EXPECT_TRUE(CompileTask("KEYS" + Repeat(" + KEYS", 999)).ok());
  // Nested copies multiply scratch space; they are refused before it is reserved.
  std::string text = "KEYS";
  for (int i = 0; i < 180; ++i) text = "UPPER(" + text + "+KEYS+KEYS+KEYS+KEYS)";
  EXPECT_EQ(CompileTask(text).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(CompileTask(std::string(70000, ' ') + "DONE").code(), Status::Code::kSyntax);
}

}  // namespace
}  // namespace xbase
