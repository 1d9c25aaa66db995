// The Windows-1252 <-> UTF-8 conversion jlistdb exchanges text with.
#include <gtest/gtest.h>

#include <string>

#include "store/xbase/Codepage.h"

namespace xbase {
namespace {

TEST(JlistdbCodepageTest, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80 \x93q\x94 \x9F"), "café € “q” Ÿ");
  EXPECT_EQ(Utf8ToCp1252("café € “q” Ÿ"), "caf\xE9 \x80 \x93q\x94 \x9F");
}

TEST(JlistdbCodepageTest, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("snow ☃ smile 😀 end"), "snow ? smile ? end");
  EXPECT_EQ(Utf8ToCp1252("Ωmega"), "?mega");
  // Malformed UTF-8: stray continuation, cut sequence, overlong form, surrogate.
  EXPECT_EQ(Utf8ToCp1252("a\x80z"), "a?z");
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x82"), "a?");
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x82z"), "a?z");
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "?");
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80x"), "?x");
  EXPECT_EQ(Utf8ToCp1252("\xFF\xFE"), "??");
  EXPECT_EQ(Utf8ToCp1252(""), "");
}

}  // namespace
}  // namespace xbase
