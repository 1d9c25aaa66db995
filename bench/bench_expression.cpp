// Cost of evaluating a compiled filter on a million task records, against a raw pass
// that reads the same field bytes. The filter should stay within about 3x of the raw
// pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/Expression.h"
#include "store/xbase/Field.h"

namespace {

constexpr size_t kRecords = 1000000;
constexpr size_t kRecordLength = 136;

const char* const kFilter =
    "(DATE >=\"20240305\" and DATE <=\"20240312\").and.(PRIORITY=\"A\").and.(.not.DONE).and."
    "(\"HOME\"$UPPER(KEYS).or.\"WORK\"$UPPER(KEYS)).and.(\"CALL\"$upper(DESCRIPT))";

std::vector<xbase::FieldDesc> TaskFields() { return task_schema::FieldLayout(); }

void Put(uint8_t* rec, size_t offset, size_t width, const std::string& value) {
  std::memset(rec + offset, ' ', width);
  std::memcpy(rec + offset, value.data(), std::min(width, value.size()));
}

// `in_range`: every record passes the date, priority and done tests, so each one reaches
// the key word and description searches (the filter's worst case).
std::vector<uint8_t> MakeTable(bool in_range) {
  static const char* const kWords[] = {"call", "home", "Work", "garden", "shop",  "bank",
                                       "meet", "plan", "fix",  "paint",  "Email", "read"};
  std::mt19937 rng(42);
  std::vector<uint8_t> table(kRecords * kRecordLength, ' ');
  for (size_t i = 0; i < kRecords; ++i) {
    uint8_t* rec = table.data() + i * kRecordLength;
    char date[16];
    if (in_range) {
      std::snprintf(date, sizeof date, "202403%02d", 5 + static_cast<int>(rng() % 8));
    } else {
      std::snprintf(date, sizeof date, "%04d%02d%02d", 2023 + static_cast<int>(rng() % 3),
                    1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
    }
    Put(rec, 1, 8, rng() % 10 == 0 ? "" : date);
    Put(rec, 9, 5, "10:15");
    std::string descript, keys;
    for (int w = 0; w < 6; ++w) descript += std::string(kWords[rng() % 12]) + " ";
    for (int w = 0; w < 3; ++w) keys += std::string(kWords[rng() % 12]) + " ";
    Put(rec, 14, 50, descript);
    Put(rec, 74, 1, in_range ? "F" : (rng() % 2 ? "T" : "F"));
    Put(rec, 75, 60, keys);
    Put(rec, 135, 1, in_range ? "A" : std::string(1, static_cast<char>('A' + rng() % 3)));
  }
  return table;
}

const std::vector<uint8_t>& Table(bool in_range) {
  static const std::vector<uint8_t> mixed = MakeTable(false);
  static const std::vector<uint8_t> worst = MakeTable(true);
  return in_range ? worst : mixed;
}

// Reads DATE, DESCRIPT, DONE, KEYS and PRIORITY of every record.
void BM_RawPass(benchmark::State& state) {
  const std::vector<uint8_t>& table = Table(state.range(0) != 0);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (size_t i = 0; i < kRecords; ++i) {
      const uint8_t* rec = table.data() + i * kRecordLength;
      for (size_t k = 1; k < 9; ++k) sum += rec[k];
      for (size_t k = 14; k < 64; ++k) sum += rec[k];
      for (size_t k = 74; k < 136; ++k) sum += rec[k];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
}
BENCHMARK(BM_RawPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Filter(benchmark::State& state) {
  const std::vector<uint8_t>& table = Table(state.range(0) != 0);
  xbase::Expression e;
  if (!xbase::Expression::Compile(kFilter, TaskFields(), &e).ok()) {
    state.SkipWithError("filter does not compile");
    return;
  }
  size_t passed = 0;
  for (auto _ : state) {
    passed = 0;
    for (size_t i = 0; i < kRecords; ++i) {
      const xbase::EvalContext ctx{table.data() + i * kRecordLength, static_cast<uint32_t>(i + 1)};
      passed += e.EvalLogical(ctx) ? 1 : 0;
    }
    benchmark::DoNotOptimize(passed);
  }
  state.counters["passed"] = static_cast<double>(passed);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
}
BENCHMARK(BM_Filter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Key building for the case-blind description tag.
void BM_UpperKey(benchmark::State& state) {
  const std::vector<uint8_t>& table = Table(false);
  xbase::Expression e;
  if (!xbase::Expression::Compile("upper(DESCRIPT)", TaskFields(), &e).ok()) {
    state.SkipWithError("key does not compile");
    return;
  }
  uint8_t key[64];
  for (auto _ : state) {
    uint32_t total = 0;
    for (size_t i = 0; i < kRecords; ++i) {
      total += e.EvalCharacter({table.data() + i * kRecordLength, 1}, key);
      total += key[0];
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRecords));
}
BENCHMARK(BM_UpperKey)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
