// Batch append of 100 000 tasks with notes through the table, as an import does: one
// batch, so the files are synced once at its end. Goal: at least 100 000 tasks/s.
// Variants: exclusive or shared open (shared takes the header and record locks and
// re-reads the header for every append), with or without the five index tags.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/Table.h"

namespace {

constexpr int kTasks = 100000;

std::vector<xbase::FieldSpec> TaskFields() { return task_schema::FieldSpecs(); }
std::vector<xbase::TagDefinition> TaskTags() { return task_schema::TagDefinitions(); }

struct Task {
  std::string date, time, descript, note, keys, priority;
  bool done;
};

std::vector<Task> MakeTasks() {
  static const char* const kWords[] = {"call", "home", "work", "garden", "shop", "bank", "meet", "plan"};
  std::mt19937 rng(7);
  std::vector<Task> tasks(kTasks);
  for (Task& t : tasks) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "2024%02u%02u", static_cast<unsigned>(rng() % 12 + 1),
                  static_cast<unsigned>(rng() % 28 + 1));
    t.date = buf;
    std::snprintf(buf, sizeof buf, "%02u:%02u", static_cast<unsigned>(rng() % 24), static_cast<unsigned>(rng() % 60));
    t.time = buf;
    for (int w = 0; w < 4; ++w) t.descript += std::string(kWords[rng() % 8]) + " ";
    t.keys = std::string(kWords[rng() % 8]) + " " + kWords[rng() % 8];
    t.priority = std::string(1, static_cast<char>('A' + rng() % 3));
    t.done = rng() % 2 == 0;
    // Notes of 20 to 300 bytes with line breaks.
    const size_t len = 20 + rng() % 280;
    while (t.note.size() < len) t.note += std::string(kWords[rng() % 8]) + (rng() % 8 == 0 ? "\r\n" : " ");
  }
  return tasks;
}

void BM_BatchAppend(benchmark::State& state) {
  const bool shared = state.range(0) != 0;
  const bool indexed = state.range(1) != 0;
  static const std::vector<Task> tasks = MakeTasks();
  char pattern[] = "/tmp/bench-append-XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  const std::string path = dir + "/JLIST.DBF";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    std::filesystem::remove(dir + "/JLIST.FPT");
    std::filesystem::remove(dir + "/JLIST.CDX");
    std::unique_ptr<xbase::Table> t;
    if (!xbase::Table::Create(path, TaskFields()).ok()) state.SkipWithError("create failed");
    if (indexed) {
      if (!xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t).ok() || !t->Reindex(TaskTags()).ok()) {
        state.SkipWithError("index failed");
      }
      t.reset();
    }
    if (!xbase::Table::Open(path, shared ? xbase::OpenMode::kShared : xbase::OpenMode::kExclusive, &t).ok()) {
      state.SkipWithError("open failed");
      break;
    }
    state.ResumeTiming();
    t->BeginBatch();
    for (const Task& task : tasks) {
      xbase::Status s = t->Append();
      if (s.ok()) s = t->SetString(0, task.date);
      if (s.ok()) s = t->SetString(1, task.time);
      if (s.ok()) s = t->SetString(2, task.descript);
      if (s.ok()) s = t->SetMemo(3, task.note);
      if (s.ok()) s = t->SetLogical(4, task.done);
      if (s.ok()) s = t->SetString(5, task.keys);
      if (s.ok()) s = t->SetString(6, task.priority);
      if (s.ok()) s = t->Post();
      if (!s.ok()) {
        state.SkipWithError(s.ToString().c_str());
        break;
      }
    }
    if (!t->EndBatch().ok()) state.SkipWithError("sync failed");
    t.reset();  // closing is part of the import
  }
  state.SetItemsProcessed(state.iterations() * kTasks);
  state.counters["tasks/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kTasks),
                                                 benchmark::Counter::kIsRate);
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_BatchAppend)
    ->ArgNames({"shared", "indexed"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
