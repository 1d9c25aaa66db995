#include "core/NoteLines.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every character 10 pixels wide but "W", which is 20: lines are easy to count by hand.
int Width(QStringView text) {
  int width = 0;
  for (QChar c : text) width += c == QLatin1Char('W') ? 20 : 10;
  return width;
}

QStringList Wrap(const char* text, int width) { return WrapText(QString::fromLatin1(text), width, Width); }
QStringList Lines(const char* text, int width = 1000) { return NoteLines(QString::fromLatin1(text), width, Width); }

TEST(NoteLinesTest, HardBreaksEndLinesWhateverTheirKind) {
  EXPECT_EQ(Wrap("one\r\ntwo\nthree\rfour", 1000), QStringList({"one", "two", "three", "four"}));
  EXPECT_EQ(Wrap("a\r\n\r\nb", 1000), QStringList({"a", "", "b"})) << "CR LF is one break, not two";
  EXPECT_EQ(Wrap("", 1000), QStringList({""})) << "an empty control shows one empty line";
  EXPECT_EQ(Wrap("a\r\n", 1000), QStringList({"a", ""}));
}

TEST(NoteLinesTest, WrapsAfterTheLastWordThatFits) {
  // 10 characters fit in 100 pixels.
  EXPECT_EQ(Wrap("aaa bbb ccc ddd", 100), QStringList({"aaa bbb ", "ccc ddd"}));
  EXPECT_EQ(Wrap("aaa bbb cc ddd", 100), QStringList({"aaa bbb cc ", "ddd"})) << "exactly 100 pixels fits";
  // The blanks at a break stay on the line that ends there, however many.
  EXPECT_EQ(Wrap("aaaa bbbb     cccc", 100), QStringList({"aaaa bbbb     ", "cccc"}));
  // Trailing blanks never push a line over the width.
  EXPECT_EQ(Wrap("aaaaaaaaaa   ", 100), QStringList({"aaaaaaaaaa   "}));
  // Leading blanks of a paragraph stay.
  EXPECT_EQ(Wrap("  aaa bbb ccc", 100), QStringList({"  aaa bbb ", "ccc"}));
  // Widths come from the measure, not from the character count: "WWWWW" is 100 pixels.
  EXPECT_EQ(Wrap("WWWWW a", 100), QStringList({"WWWWW ", "a"}));
  // Tabs are blanks too.
  EXPECT_EQ(Wrap("aaaa\tbbbbbbbb", 100), QStringList({"aaaa\t", "bbbbbbbb"}));
}

TEST(NoteLinesTest, AWordWiderThanTheControlIsCut) {
  EXPECT_EQ(Wrap("abcdefghijklmnopqrstuvwxy", 100), QStringList({"abcdefghij", "klmnopqrst", "uvwxy"}));
  EXPECT_EQ(Wrap("ab abcdefghijklm", 100), QStringList({"ab ", "abcdefghij", "klm"}));
  // A control narrower than one character still shows one character a line.
  EXPECT_EQ(Wrap("abc", 5), QStringList({"a", "b", "c"}));
  EXPECT_EQ(Wrap("WWW", 30), QStringList({"W", "W", "W"}));
}

TEST(NoteLinesTest, ParagraphsWrapOnTheirOwn) {
  EXPECT_EQ(Wrap("aaa bbb ccc\r\nd\r\n\r\neee fff ggg hhh", 80),
            QStringList({"aaa bbb ", "ccc", "d", "", "eee fff ", "ggg hhh"}));
}

TEST(NoteLinesTest, CountsLinesAsTheReportAndExportsDo) {
  EXPECT_EQ(Lines(""), QStringList()) << "an empty note has no lines";
  EXPECT_EQ(Lines("first\r\nsecond\r\n"), QStringList({"first", "second"})) << "no empty line after a final break";
  EXPECT_EQ(Lines("first\r\n\r\n"), QStringList({"first", ""})) << "only the last empty line is left out";
  EXPECT_EQ(Lines("\r\n\r\n"), QStringList({"", ""})) << "two breaks make two empty lines";
  EXPECT_EQ(Lines("    "), QStringList()) << "one line of blanks is no line";
  EXPECT_EQ(Lines("    \r\n"), QStringList()) << "also with a break after it";
  EXPECT_EQ(Lines("   \r\n   "), QStringList({"   ", "   "})) << "two lines of blanks stay";
  EXPECT_EQ(Lines("  text  "), QStringList({"  text  "})) << "lines keep their blanks";
  EXPECT_EQ(Lines("aaa bbb ccc\r\n", 80), QStringList({"aaa bbb ", "ccc"}));
}

TEST(NoteLinesTest, AParagraphThatFitsIsMeasuredOnce) {
  int calls = 0;
  const TTextWidthFn counting = [&calls](QStringView text) {
    ++calls;
    return Width(text);
  };
  EXPECT_EQ(NoteLines(QStringLiteral("short note"), 384, counting).size(), 1);
  EXPECT_EQ(calls, 1);
  calls = 0;
  // A long paragraph: a few measures per line (a binary search over word ends), not one
  // per character.
  QString longText;
  for (int i = 0; i < 200; ++i) longText += QStringLiteral("word ");
  const QStringList lines = NoteLines(longText, 384, counting);
  EXPECT_EQ(lines.size(), 29);  // 7 words (340 pixels) a line, 4 on the last
  EXPECT_LT(calls, 29 * 12);
}

// The one-pass wrap over bytes gives NoteLines' lines, for advances in whole 64ths of a
// pixel (font advances, summed as whole numbers) and for any fractions (summed as NoteLines'
// measure sums them), over random texts of words, blanks, breaks and wide letters.
TEST(NoteLinesTest, TheOnePassWrapOverBytesGivesTheSameLines) {
  std::mt19937 random(20261209);
  const std::string alphabet = "aaaaabbbW    \t\r\n\xE9\x81";
  for (const bool whole : {true, false}) {
    std::array<double, 256> pixels{};
    for (double& advance : pixels) {
      advance = whole ? static_cast<double>(random() % 1000) / 64 : static_cast<double>(random() % 1000) / 97;
    }
    const TByteAdvances advances(pixels);
    ASSERT_EQ(advances.whole, whole);
    const TTextWidthFn measure = [&pixels](QStringView text) {
      double sum = 0;
      for (const QChar c : text) sum += pixels[c.unicode()];
      return AdvancesWidth(sum);
    };
    std::vector<TextSpan> spans;
    for (int round = 0; round < 3000; ++round) {
      std::string text(random() % 60, ' ');
      for (char& c : text) c = alphabet[random() % alphabet.size()];
      const int width = static_cast<int>(random() % 120);
      NoteLineSpans(text, width, advances, &spans);
      QStringList got;
      for (const TextSpan& span : spans) {
        got << QString::fromLatin1(text.data() + span.start, static_cast<qsizetype>(span.end - span.start));
      }
      ASSERT_EQ(got, NoteLines(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())), width, measure))
          << "text \"" << text << "\", width " << width << (whole ? ", whole 64ths" : ", fractions");
    }
  }
}

}  // namespace
