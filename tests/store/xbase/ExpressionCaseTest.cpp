// Windows-1252 case conversion, and the promise that evaluation never allocates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "store/xbase/ExprCase.h"
#include "store/xbase/Expression.h"
#include "tests/store/xbase/ExpressionTestTable.h"

namespace xbase {
namespace {

TEST(ExpressionCase, Windows1252LetterPairs) {
  struct Pair {
    uint8_t lower;
    uint8_t upper;
  } const kPairs[] = {{'a', 'A'}, {'z', 'Z'}, {0xE0, 0xC0}, {0xE9, 0xC9}, {0xFE, 0xDE},
                      {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
  for (const Pair& p : kPairs) {
    EXPECT_EQ(UpperByte(p.lower), p.upper) << int(p.lower);
    EXPECT_EQ(LowerByte(p.upper), p.lower) << int(p.upper);
    EXPECT_EQ(UpperByte(p.upper), p.upper);
    EXPECT_EQ(LowerByte(p.lower), p.lower);
  }
  // Signs and letters without a partner stay as they are.
  for (const uint8_t c : {0xF7, 0xD7, 0xDF, 0xB5, 0x80, 0x00, 0x40, 0x5B, 0x60, 0x7B}) {
    EXPECT_EQ(UpperByte(c), c) << int(c);
    EXPECT_EQ(LowerByte(c), c) << int(c);
  }
  // Every byte that changes is one half of a pair: 26 ASCII, 30 Latin-1 and 4 more.
  int changed = 0;
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<uint8_t>(c);
    if (UpperByte(b) != b) {
      ++changed;
      EXPECT_EQ(LowerByte(UpperByte(b)), b) << c;
    }
  }
  EXPECT_EQ(changed, 60);
}

TEST(ExpressionCase, BlockConversionMatchesByteConversion) {
  // Word-at-a-time conversion must agree with the table for any mix of ASCII and high
  // bytes, at every length and alignment.
  std::mt19937 rng(1234);
  std::vector<uint8_t> in(80), up(80), low(80);
  for (int round = 0; round < 2000; ++round) {
    const size_t n = rng() % 70;
    const size_t start = rng() % 8;
    const bool ascii = round % 2 == 0;
    for (size_t i = 0; i < n; ++i) {
      in[start + i] = static_cast<uint8_t>(ascii ? 0x20 + rng() % 0x5F : rng() % 256);
    }
    UpperCopy(in.data() + start, n, up.data());
    LowerCopy(in.data() + start, n, low.data());
    for (size_t i = 0; i < n; ++i) {
      ASSERT_EQ(up[i], UpperByte(in[start + i])) << "round " << round << " byte " << i;
      ASSERT_EQ(low[i], LowerByte(in[start + i])) << "round " << round << " byte " << i;
    }
  }
}

TEST(ExpressionCase, UpperAndLowerInExpressions) {
  testing::Record r = testing::TaskRecord();
  r.Set("DESCRIPT", "Zo\xEB \xFF-\x9A tab\x5B");
  EXPECT_EQ(testing::Chars("TRIM(UPPER(DESCRIPT))", r), "ZO\xCB \x9F-\x8A TAB\x5B");
  EXPECT_EQ(testing::Chars("TRIM(LOWER(DESCRIPT))", r), "zo\xEB \xFF-\x9A tab\x5B");
  EXPECT_TRUE(testing::Logical("UPPER(DESCRIPT) = LOWER(UPPER('ZO\xCB'))", r) == false);
  EXPECT_TRUE(testing::Logical("LOWER(UPPER(DESCRIPT)) = LOWER(DESCRIPT)", r));
}

// Counts operator new calls while armed. Left out of sanitizer builds, which bring their
// own allocator.
#if defined(__SANITIZE_ADDRESS__)
#define JOTLIST_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define JOTLIST_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef JOTLIST_COUNT_ALLOCATIONS
#define JOTLIST_COUNT_ALLOCATIONS 1
#endif

std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

}  // namespace
}  // namespace xbase

#if JOTLIST_COUNT_ALLOCATIONS
// malloc and free pair up here; the compiler cannot see that across the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (xbase::g_counting.load(std::memory_order_relaxed)) ++xbase::g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
#endif

namespace xbase {
namespace {

TEST(ExpressionCase, EvaluationDoesNotAllocate) {
  if (!JOTLIST_COUNT_ALLOCATIONS) GTEST_SKIP() << "allocation counting is off in this build";
  testing::Record r = testing::TaskRecord();
  r.Set("DATE", "20240306").Set("PRIORITY", "A").Set("KEYS", "home").Set("DESCRIPT", "call");
  const char* kTexts[] = {
      ("(DATE >=\"20240305\" and DATE <=\"20240312\").and.(PRIORITY=\"A\").and.(.not.DONE).and."
       "(\"HOME\"$UPPER(KEYS).or.\"WORK\"$UPPER(KEYS)).and.(\"CALL\"$upper(DESCRIPT))"),
      "upper(PRIORITY)+DATE+TIME",
      "STR(RECNO(), 8, 2) + ALLTRIM(KEYS) - LOWER(DESCRIPT)",
      "IIF(EMPTY(TIME), SUBSTR(DATE, 3), RIGHT(KEYS, 4))",
  };
  for (const char* text : kTexts) {
    const Expression e = testing::MustCompile(text, r);
    std::vector<uint8_t> out(e.max_length() + 1);
    const EvalContext ctx{r.data(), 7};
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < 100; ++i) {
      e.EvalCharacter(ctx, out.data());
      e.EvalLogical(ctx);
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0) << text;
  }
  // The counter itself works.
  g_counting = true;
  auto probe = std::make_unique<std::vector<int>>(100);
  g_counting = false;
  EXPECT_GT(g_allocations.load(), 0);
}

}  // namespace
}  // namespace xbase
