// Costs of the compound index on the task table's five tags:
//  - building all five tags over a million records (goal: under a second);
//  - random seeks on DATETIME in a warm index (goal: 500 000 a second or more);
//  - appending 100 000 records with the five tags kept current, against the same appends
//    without an index (goal: at most three times as long).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/CdxIndex.h"

namespace {

constexpr uint32_t kRecordLength = task_schema::kRecordLength;

std::vector<xbase::FieldDesc> TaskFields() { return task_schema::FieldLayout(); }
std::vector<xbase::TagDefinition> TaskTags() { return task_schema::TagDefinitions(); }

void Put(uint8_t* rec, size_t offset, size_t width, const std::string& value) {
  std::memset(rec + offset, ' ', width);
  std::memcpy(rec + offset, value.data(), std::min(width, value.size()));
}

// Task-like records: dates over five years (some blank), times, descriptions and key
// words from a vocabulary, priorities, a few deleted records.
class Records : public xbase::RecordSource {
 public:
  explicit Records(uint32_t count, uint32_t seed = 42) : rng_(seed) {
    data_.reserve(size_t{count} * kRecordLength);
    for (uint32_t i = 0; i < count; ++i) Add();
  }

  uint32_t RecordCount() override { return static_cast<uint32_t>(data_.size() / kRecordLength); }
  xbase::Status ReadRecord(uint32_t recno, const uint8_t** image) override {
    *image = data_.data() + size_t{recno - 1} * kRecordLength;
    return xbase::Status::Ok();
  }

  // Appends one more random record and returns its image.
  const uint8_t* Add() {
    static const char* const kWords[] = {"call",   "home",    "Work",   "garden", "shop",
                                         "bank",   "meet",    "plan",   "fix",    "paint",
                                         "Email",  "read",    "tax",    "car",    "dentist",
                                         "report", "project", "budget", "school", "gym"};
    const size_t at = data_.size();
    data_.resize(at + kRecordLength, ' ');
    uint8_t* rec = data_.data() + at;
    rec[0] = rng_() % 20 == 0 ? '*' : ' ';
    char buf[32];
    if (rng_() % 10 != 0) {
      std::snprintf(buf, sizeof buf, "%04u%02u%02u", 2021 + static_cast<unsigned>(rng_() % 5),
                    1 + static_cast<unsigned>(rng_() % 12), 1 + static_cast<unsigned>(rng_() % 28));
      Put(rec, 1, 8, buf);
    }
    if (rng_() % 4 != 0) {
      std::snprintf(buf, sizeof buf, "%02u:%02u", static_cast<unsigned>(rng_() % 24),
                    static_cast<unsigned>(rng_() % 60));
      Put(rec, 9, 5, buf);
    }
    std::string text;
    const int words = 2 + static_cast<int>(rng_() % 5);
    for (int w = 0; w < words; ++w) {
      if (w > 0) text += ' ';
      text += kWords[rng_() % std::size(kWords)];
    }
    Put(rec, 14, 50, text);
    Put(rec, 64, 10, "");
    rec[74] = rng_() % 3 == 0 ? 'T' : 'F';
    text.clear();
    const int keys = static_cast<int>(rng_() % 4);
    for (int w = 0; w < keys; ++w) {
      if (w > 0) text += ' ';
      text += kWords[rng_() % std::size(kWords)];
    }
    Put(rec, 75, 60, text);
    rec[135] = static_cast<uint8_t>("ABC"[rng_() % 3]);
    return rec;
  }

 private:
  std::mt19937 rng_;
  std::vector<uint8_t> data_;
};

std::string BenchFolder() {
  const std::string dir = (std::filesystem::temp_directory_path() / "jotlist-bench-index").string();
  std::filesystem::create_directories(dir);
  return dir;
}

void BM_BuildFiveTags(benchmark::State& state) {
  Records records(static_cast<uint32_t>(state.range(0)));
  const std::string path = BenchFolder() + "/BUILD.CDX";
  const auto fields = TaskFields();
  const auto tags = TaskTags();
  for (auto _ : state) {
    std::unique_ptr<xbase::CdxIndex> index;
    const xbase::Status s = xbase::CdxIndex::Build(path, fields, tags, records, {}, &index);
    if (!s.ok()) state.SkipWithError(s.ToString().c_str());
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}
BENCHMARK(BM_BuildFiveTags)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// 100 000 random seeks for full DATE+TIME keys of existing records; arg 1 runs them with
// shared access (lock and change counter on every seek), arg 0 with exclusive use.
void BM_SeekDateTime(benchmark::State& state) {
  static Records records(1000000);
  const std::string path = BenchFolder() + "/SEEK.CDX";
  std::unique_ptr<xbase::CdxIndex> index;
  if (!xbase::CdxIndex::Build(path, TaskFields(), TaskTags(), records, {}, &index).ok()) {
    state.SkipWithError("build failed");
    return;
  }
  index->SetSharedAccess(state.range(0) != 0);
  std::vector<std::string> probes;
  std::mt19937 rng(9);
  for (int i = 0; i < 100000; ++i) {
    const uint8_t* rec = nullptr;
    (void)records.ReadRecord(1 + static_cast<uint32_t>(rng() % records.RecordCount()), &rec);
    probes.emplace_back(reinterpret_cast<const char*>(rec + 1), 13);
  }
  std::unique_ptr<xbase::CdxIndex::Cursor> cursor = index->NewCursor(0);
  bool exact = false;
  for (const std::string& p : probes) (void)cursor->Seek(p, &exact);  // warm the cache
  uint64_t found = 0;
  for (auto _ : state) {
    for (const std::string& p : probes) {
      (void)cursor->Seek(p, &exact);
      found += exact ? 1 : 0;
    }
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * probes.size()));
  std::filesystem::remove(path);
}
BENCHMARK(BM_SeekDateTime)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Appends 100 000 records to a table of 100 000 the way a shared table appends within a
// batch (no sync per record): header lock, record count read again, record and end mark
// written, record count written, header lock released. Arg 1 also keeps the five tags current through Update under
// shared access (index lock and change counter on every update), arg 2 with exclusive
// use. The records are made before the clock starts.
void BM_Append(benchmark::State& state) {
  const bool indexed = state.range(0) != 0;
  const std::string dir = BenchFolder();
  constexpr uint32_t kBase = 100000;
  constexpr uint32_t kAdded = 100000;
  for (auto _ : state) {
    state.PauseTiming();
    Records records(kBase, 5);
    std::unique_ptr<xbase::CdxIndex> index;
    if (indexed &&
        !xbase::CdxIndex::Build(dir + "/APPEND.CDX", TaskFields(), TaskTags(), records, {}, &index)
             .ok()) {
      state.SkipWithError("build failed");
      return;
    }
    if (indexed) index->SetSharedAccess(state.range(0) == 1);
    for (uint32_t i = 0; i < kAdded; ++i) records.Add();
    const int fd = ::open((dir + "/APPEND.DBF").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    std::vector<uint8_t> header(32, 0);
    if (::pwrite(fd, header.data(), header.size(), 0) < 0) state.SkipWithError("write failed");
    struct flock header_lock {};
    header_lock.l_whence = SEEK_SET;
    header_lock.l_start = 0x7FFFFFFE;
    header_lock.l_len = 1;
    std::vector<uint8_t> record(kRecordLength + 1);
    record[kRecordLength] = 0x1A;
    state.ResumeTiming();
    for (uint32_t recno = kBase + 1; recno <= kBase + kAdded; ++recno) {
      const uint8_t* rec = nullptr;
      (void)records.ReadRecord(recno, &rec);
      header_lock.l_type = F_WRLCK;
      ::fcntl(fd, F_OFD_SETLK, &header_lock);
      uint32_t count = 0;
      if (::pread(fd, &count, 4, 4) < 0) state.SkipWithError("read failed");
      std::memcpy(record.data(), rec, kRecordLength);
      if (::pwrite(fd, record.data(), record.size(), 32 + off_t{recno - 1} * kRecordLength) < 0 ||
          ::pwrite(fd, &recno, 4, 4) < 0) {
        state.SkipWithError("write failed");
      }
      if (indexed && !index->Update(recno, nullptr, rec).ok()) state.SkipWithError("update failed");
      header_lock.l_type = F_UNLCK;
      ::fcntl(fd, F_OFD_SETLK, &header_lock);
    }
    state.PauseTiming();
    ::close(fd);
    index.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kAdded);
  std::filesystem::remove(dir + "/APPEND.DBF");
  std::filesystem::remove(dir + "/APPEND.CDX");
}
BENCHMARK(BM_Append)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
