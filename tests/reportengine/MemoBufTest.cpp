// Memo buffers: word wrapping between two edges, printing a few lines at a time over page
// breaks, paragraphs, words wider than the column, alignment, and the edge rule.
#include <gtest/gtest.h>

#include "PageModelTestSupport.h"
#include "reportengine/MemoBuf.h"
#include "reportengine/ReportError.h"

namespace {

// The texts of the report's text output calls, in order.
std::vector<std::string> PrintedTexts(const RecordingReport& r, const char* kind = "text left ") {
  std::vector<std::string> texts;
  const std::string prefix = kind;
  for (const std::string& line : r.log) {
    if (line.rfind(prefix, 0) != 0) continue;
    const std::string rest = line.substr(prefix.size());
    // Drop the two numbers at the end (x and y).
    const size_t y = rest.rfind(' ');
    const size_t x = rest.rfind(' ', y - 1);
    texts.push_back(rest.substr(0, x));
  }
  return texts;
}

TEST(MemoBuf, WrapsAtWordsWithinTheEdges) {
  RecordingReport r;
  r.Start();
  TMemoBuf memo;
  memo.SetText("one two three four five six seven eight");
  memo.PrintStart = 1.0;
  memo.PrintEnd = 1.0 + r.TextWidth("three four") + 0.001;
  const int count = memo.LineCount(r);
  EXPECT_GE(count, 3);
  EXPECT_EQ(memo.PrintLines(r, 0), count);
  EXPECT_TRUE(memo.Empty());
  const std::vector<std::string> lines = PrintedTexts(r);
  ASSERT_EQ(static_cast<int>(lines.size()), count);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(r.TextWidth(QString::fromStdString(line)), memo.PrintEnd - memo.PrintStart);
    joined += (joined.empty() ? "" : " ") + line;
  }
  EXPECT_EQ(joined, "one two three four five six seven eight");
  EXPECT_EQ(r.LineNum(), 1 + count);  // a NewLine after each line
  r.Finish();
}

TEST(MemoBuf, RunsOnOverPagesAndKeepsParagraphs) {
  RecordingReport r;
  r.Start();
  TMemoBuf memo;
  memo.SetText("first\r\nsecond\rthird\nfourth\r\n");
  memo.PrintStart = 1;
  memo.PrintEnd = 7;
  EXPECT_EQ(memo.LineCount(r), 4);
  EXPECT_EQ(memo.PrintLines(r, 3), 3);
  EXPECT_FALSE(memo.Empty());
  r.NewPage();
  EXPECT_EQ(memo.PrintLines(r, 3), 1);
  EXPECT_TRUE(memo.Empty());
  EXPECT_EQ(PrintedTexts(r), (std::vector<std::string>{"first", "second", "third", "fourth"}));
  memo.Reset();
  EXPECT_FALSE(memo.Empty());
  r.Finish();
}

TEST(MemoBuf, CutsWordsWiderThanTheColumn) {
  RecordingReport r;
  r.Start();
  TMemoBuf memo;
  memo.SetText("ab WWWWWWWWWWWWWWWWWWWW cd");
  memo.PrintStart = 0;
  memo.PrintEnd = r.TextWidth("WWWW") + 0.001;
  memo.PrintLines(r, 0);
  const std::vector<std::string> lines = PrintedTexts(r);
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(r.TextWidth(QString::fromStdString(line)), memo.PrintEnd);
    joined += line;
  }
  EXPECT_EQ(lines.front(), "ab");
  EXPECT_EQ(lines.back(), "cd");
  EXPECT_EQ(joined, "abWWWWWWWWWWWWWWWWWWWWcd");
  r.Finish();
}

TEST(MemoBuf, BlockJustifiesAllButTheLastLineOfAParagraph) {
  RecordingReport r;
  r.Start();
  TMemoBuf memo;
  memo.SetText("aa bb cc dd ee ff gg hh");
  memo.PrintStart = 2;
  memo.PrintEnd = 2 + r.TextWidth("aa bb cc") + 0.001;
  memo.Justify = pjBlock;
  const int count = memo.LineCount(r);
  memo.PrintLines(r, 0);
  EXPECT_EQ(static_cast<int>(PrintedTexts(r, "block ").size()), count - 1);
  EXPECT_EQ(PrintedTexts(r).size(), 1u);
  r.Finish();
}

TEST(MemoBuf, EdgesOutOfOrderAreRefused) {
  RecordingReport r;
  r.Start();
  TMemoBuf memo;
  memo.SetText("text");
  memo.PrintStart = 3;
  memo.PrintEnd = 3;
  try {
    memo.PrintLines(r, 1);
    FAIL() << "printed between equal edges";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart");
  }
  TMemoBuf empty;
  EXPECT_TRUE(empty.Empty());
  empty.PrintEnd = 1;
  EXPECT_EQ(empty.PrintLines(r, 5), 0);
  r.Finish();
}

}  // namespace
