// A full filter pass over a 1 000 000-record task table, against a raw pass that reads the
// same record bytes, in one run; the ratio is printed at the end (goal: about 3x at most).
// Also the cost of opening that table: time, and resident memory it adds.
//
// The table is built once in /tmp/jlist-bench-1m (kept between runs; delete the folder to
// build it again); a copy with the five index tags is in /tmp/jlist-bench-1m-indexed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "base/ByteOrder.h"
#include "store/xbase/DbfFormat.h"
#include "store/xbase/Table.h"

namespace {

constexpr uint32_t kRecords = 1000000;
const std::string kDir = "/tmp/jlist-bench-1m";
const std::string kIndexedDir = "/tmp/jlist-bench-1m-indexed";

const char* const kFilter =
    "(DATE >=\"20240305\" and DATE <=\"20240312\").and.(PRIORITY=\"A\").and.(.not.DONE).and."
    "(\"HOME\"$UPPER(KEYS).or.\"WORK\"$UPPER(KEYS)).and.(\"CALL\"$upper(DESCRIPT))";

std::vector<xbase::FieldSpec> TaskFields() { return task_schema::FieldSpecs(); }
std::vector<xbase::TagDefinition> TaskTags() { return task_schema::TagDefinitions(); }

bool TableReady(const std::string& dir) {
  std::unique_ptr<xbase::Table> t;
  return xbase::Table::Open(dir + "/JLIST.DBF", xbase::OpenMode::kReadOnly, &t).ok() &&
         t->RecordCount() == kRecords;
}

// Tasks spread over three months, so that the date test lets about a tenth through.
void BuildTable() {
  if (TableReady(kDir)) return;
  std::filesystem::remove_all(kDir);
  std::filesystem::create_directories(kDir);
  const std::string path = kDir + "/JLIST.DBF";
  std::unique_ptr<xbase::Table> t;
  if (!xbase::Table::Create(path, TaskFields()).ok() ||
      !xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t).ok()) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(1);
  }
  static const char* const kWords[] = {"call", "home", "Work", "garden", "shop",  "bank",
                                       "meet", "plan", "fix",  "paint",  "Email", "read"};
  std::mt19937 rng(42);
  t->BeginBatch();
  char buf[32];
  for (uint32_t i = 0; i < kRecords; ++i) {
    xbase::Status s = t->Append();
    std::snprintf(buf, sizeof buf, "2024%02u%02u", static_cast<unsigned>(rng() % 3 + 2),
                  static_cast<unsigned>(rng() % 28 + 1));
    if (s.ok()) s = t->SetString(0, buf);
    std::snprintf(buf, sizeof buf, "%02u:%02u", static_cast<unsigned>(rng() % 24), static_cast<unsigned>(rng() % 60));
    if (s.ok()) s = t->SetString(1, buf);
    std::string text;
    for (int w = 0; w < 5; ++w) text += std::string(kWords[rng() % 12]) + " ";
    if (s.ok()) s = t->SetString(2, text);
    if (s.ok() && i % 10 == 0) s = t->SetMemo(3, "note " + text);
    const bool done = rng() % 2 == 0;
    if (s.ok()) s = t->SetLogical(4, done);
    const std::string keys = std::string(kWords[rng() % 12]) + " " + kWords[rng() % 12];
    if (s.ok()) s = t->SetString(5, keys);
    const std::string priority(1, static_cast<char>('A' + rng() % 3));
    if (s.ok()) s = t->SetString(6, priority);
    if (s.ok()) s = t->Post();
    if (!s.ok()) {
      std::fprintf(stderr, "append failed: %s\n", s.ToString().c_str());
      std::exit(1);
    }
  }
  if (!t->EndBatch().ok()) {
    std::fprintf(stderr, "cannot sync %s\n", path.c_str());
    std::exit(1);
  }
}

void BuildIndexedCopy() {
  if (TableReady(kIndexedDir) && std::filesystem::exists(kIndexedDir + "/JLIST.CDX")) return;
  std::filesystem::remove_all(kIndexedDir);
  std::filesystem::create_directories(kIndexedDir);
  for (const char* f : {"/JLIST.DBF", "/JLIST.FPT"}) std::filesystem::copy_file(kDir + f, kIndexedDir + f);
  std::unique_ptr<xbase::Table> t;
  if (!xbase::Table::Open(kIndexedDir + "/JLIST.DBF", xbase::OpenMode::kExclusive, &t).ok() ||
      !t->Reindex(TaskTags()).ok()) {
    std::fprintf(stderr, "cannot index the copy\n");
    std::exit(1);
  }
}

// The raw pass: every byte of every record, read through a mapping of the file.
void BM_RawPass(benchmark::State& state) {
  const std::string path = kDir + "/JLIST.DBF";
  const int fd = ::open(path.c_str(), O_RDONLY);
  struct stat st {};
  ::fstat(fd, &st);
  const auto* base = static_cast<const uint8_t*>(::mmap(nullptr, st.st_size, PROT_READ, MAP_SHARED, fd, 0));
  const uint32_t header = base::Le16(base + xbase::dbf::kOffHeaderLength);
  const uint32_t length = base::Le16(base + xbase::dbf::kOffRecordLength);
  uint64_t sum = 0;
  for (auto _ : state) {
    const uint8_t* p = base + header;
    for (uint32_t r = 0; r < kRecords; ++r, p += length) {
      uint64_t acc = 0;
      for (uint32_t i = 0; i + 8 <= length; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc ^= w;
      }
      sum += acc + p[length - 1];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  ::munmap(const_cast<uint8_t*>(base), st.st_size);
  ::close(fd);
}

// The raw pass as the filter sees a record: every byte of the fields it reads (DATE,
// DESCRIPT, DONE, KEYS, PRIORITY), one at a time.
void BM_RawFieldBytes(benchmark::State& state) {
  const std::string path = kDir + "/JLIST.DBF";
  const int fd = ::open(path.c_str(), O_RDONLY);
  struct stat st {};
  ::fstat(fd, &st);
  const auto* base = static_cast<const uint8_t*>(::mmap(nullptr, st.st_size, PROT_READ, MAP_SHARED, fd, 0));
  const uint32_t header = base::Le16(base + xbase::dbf::kOffHeaderLength);
  const uint32_t length = base::Le16(base + xbase::dbf::kOffRecordLength);
  uint64_t sum = 0;
  for (auto _ : state) {
    const uint8_t* p = base + header;
    for (uint32_t r = 0; r < kRecords; ++r, p += length) {
      for (uint32_t k = 1; k < 9; ++k) sum += p[k];
      for (uint32_t k = 14; k < 64; ++k) sum += p[k];
      for (uint32_t k = 74; k < 136; ++k) sum += p[k];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  ::munmap(const_cast<uint8_t*>(base), st.st_size);
  ::close(fd);
}

// The filter's count pass (what a filtered record count does).
void BM_FilterCount(benchmark::State& state) {
  std::unique_ptr<xbase::Table> t;
  if (!xbase::Table::Open(kDir + "/JLIST.DBF", xbase::OpenMode::kShared, &t).ok() || !t->SetFilter(kFilter).ok()) {
    state.SkipWithError("open or filter failed");
    return;
  }
  uint32_t n = 0;
  for (auto _ : state) {
    if (!t->CountFiltered(&n).ok()) {
      state.SkipWithError("count failed");
      break;
    }
    benchmark::DoNotOptimize(n);
  }
  state.counters["passing"] = n;
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// The same filter walked with GoTop and Skip, as the list view does.
void BM_FilterSkip(benchmark::State& state) {
  std::unique_ptr<xbase::Table> t;
  if (!xbase::Table::Open(kDir + "/JLIST.DBF", xbase::OpenMode::kShared, &t).ok() || !t->SetFilter(kFilter).ok()) {
    state.SkipWithError("open or filter failed");
    return;
  }
  uint32_t n = 0;
  for (auto _ : state) {
    n = 0;
    xbase::Status s = t->GoTop();
    for (; s.ok() && !t->Eof(); s = t->Skip(1)) ++n;
    if (!s.ok()) {
      state.SkipWithError("walk failed");
      break;
    }
    benchmark::DoNotOptimize(n);
  }
  state.counters["passing"] = n;
  state.SetItemsProcessed(state.iterations() * kRecords);
}

// Resident memory of this process in kB: "RssAnon" (its own memory) or "RssFile"
// (mapped file pages, which are the system's file cache).
long ResidentKb(const std::string& kind) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(kind + ":", 0) == 0) return std::atol(line.c_str() + kind.size() + 1);
  }
  return 0;
}

// Opening the million-record table shared: time, and resident memory added by the open:
// the process's own memory, and mapped file pages (the system's file cache, touched by
// the index's open check, which counts the records each tag should hold).
void BM_Open(benchmark::State& state) {
  const std::string dir = state.range(0) ? kIndexedDir : kDir;
  long grown = 0;
  long file_pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const long before = ResidentKb("RssAnon");
    const long file_before = ResidentKb("RssFile");
    state.ResumeTiming();
    std::unique_ptr<xbase::Table> t;
    if (!xbase::Table::Open(dir + "/JLIST.DBF", xbase::OpenMode::kShared, &t).ok()) {
      state.SkipWithError("open failed");
      break;
    }
    benchmark::DoNotOptimize(t->RecordCount());
    state.PauseTiming();
    grown = ResidentKb("RssAnon") - before;
    file_pages = ResidentKb("RssFile") - file_before;
    if (state.range(0) && t->index_state() != xbase::Table::IndexState::kOk) state.SkipWithError("index not ok");
    t.reset();
    state.ResumeTiming();
  }
  state.counters["anon_kB"] = static_cast<double>(grown);
  state.counters["anon_bytes_per_record"] = static_cast<double>(grown) * 1024.0 / kRecords;
  state.counters["file_cache_kB"] = static_cast<double>(file_pages);
}

BENCHMARK(BM_RawPass)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RawFieldBytes)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FilterCount)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FilterSkip)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Open)->ArgName("indexed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// Prints the results as usual and keeps the times, for the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* raw_name : {"BM_RawPass/min_time:1.000", "BM_RawFieldBytes/min_time:1.000"}) {
      const double raw = times_[raw_name];
      if (raw <= 0) continue;
      for (const char* name : {"BM_FilterCount/min_time:1.000", "BM_FilterSkip/min_time:1.000"}) {
        if (times_.count(name)) std::printf("%s / %s = %.2f\n", name, raw_name, times_[name] / raw);
      }
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  BuildTable();
  BuildIndexedCopy();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
