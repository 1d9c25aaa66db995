// Single changes as the task editor and the grid make them, each posted and synced on its
// own, on a table of 1 000 indexed tasks with notes in the system's temporary folder (a real
// disk, so the syncs count; JOTLIST_BENCH_DIR names another folder, /dev/shm to leave the
// disk out). Goal: note edits no slower than 1.2x those of the engine before
// the power-cut ordering.
// Kinds: 0 append with a note, 1 note edit (grows and shrinks), 2 text edit (keys change),
// 3 text and note edit, 4 bulk delete of 20 tasks in one batch and their recall in another.
// Also the open of a table of 100 000 tasks, whose index is checked against the records.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/Table.h"

namespace {

constexpr int kTasks = 1000;
enum Field { kDate = 0, kTime, kDescript, kNote, kDone, kKeys, kPriority };

// A fresh folder for one benchmark's table.
std::string MakeFolder(const char* name) {
  const char* base = std::getenv("JOTLIST_BENCH_DIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + name + "-XXXXXX";
  return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::string Note(std::mt19937& rng) {
  std::string n;
  const size_t len = 20 + rng() % 400;
  while (n.size() < len) n += "word" + std::to_string(rng() % 100) + (rng() % 8 == 0 ? "\r\n" : " ");
  return n;
}

xbase::Status AppendTask(xbase::Table* t, std::mt19937& rng) {
  XB_RETURN_IF_ERROR(t->Append());
  XB_RETURN_IF_ERROR(t->SetString(kDate, "2024" + std::to_string(10 + rng() % 2) + std::to_string(10 + rng() % 18)));
  XB_RETURN_IF_ERROR(t->SetString(kTime, "12:00"));
  XB_RETURN_IF_ERROR(t->SetString(kDescript, "task " + std::to_string(rng() % 100000)));
  XB_RETURN_IF_ERROR(t->SetMemo(kNote, Note(rng)));
  XB_RETURN_IF_ERROR(t->SetString(kKeys, "key" + std::to_string(rng() % 9)));
  XB_RETURN_IF_ERROR(t->SetString(kPriority, std::string(1, static_cast<char>('A' + rng() % 3))));
  return t->Post();
}

void BM_SingleChange(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string dir = MakeFolder("bench-edit");
  const std::string path = dir + "/JLIST.DBF";
  std::mt19937 rng(11);
  std::unique_ptr<xbase::Table> t;
  {
    if (!xbase::Table::Create(path, task_schema::FieldSpecs()).ok() ||
        !xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t).ok() ||
        !t->Reindex(task_schema::TagDefinitions()).ok()) {
      state.SkipWithError("create failed");
      return;
    }
    t->BeginBatch();
    for (int i = 0; i < kTasks; ++i) {
      if (!AppendTask(t.get(), rng).ok()) {
        state.SkipWithError("fill failed");
        return;
      }
    }
    if (!t->EndBatch().ok()) state.SkipWithError("fill failed");
    t.reset();
  }
  if (!xbase::Table::Open(path, xbase::OpenMode::kShared, &t).ok()) {
    state.SkipWithError("open failed");
    return;
  }
  for (auto _ : state) {
    xbase::Status s;
    if (kind == 0) {
      s = AppendTask(t.get(), rng);
    } else if (kind == 4) {
      // Twenty tasks deleted in one batch, then brought back in another, so that every
      // round finds live tasks to delete.
      std::vector<uint32_t> picked;
      for (int i = 0; i < 20; ++i) picked.push_back(1 + rng() % kTasks);
      for (const bool deleting : {true, false}) {
        t->BeginBatch();
        for (uint32_t n : picked) {
          if (s.ok()) s = t->Go(n);
          if (s.ok()) s = deleting ? t->Delete() : t->Recall();
        }
        const xbase::Status ended = t->EndBatch();
        if (s.ok()) s = ended;
      }
    } else {
      s = t->Go(1 + rng() % kTasks);
      if (s.ok()) s = t->Edit();
      if (s.ok() && (kind == 2 || kind == 3)) s = t->SetString(kDescript, "edited " + std::to_string(rng() % 100000));
      if (s.ok() && (kind == 1 || kind == 3)) s = t->SetMemo(kNote, Note(rng));
      if (s.ok()) s = t->Post();
    }
    if (!s.ok()) {
      state.SkipWithError(s.ToString().c_str());
      break;
    }
  }
  t.reset();
  std::filesystem::remove_all(dir);
}

void BM_OpenChecked(benchmark::State& state) {
  const std::string dir = MakeFolder("bench-open");
  const std::string path = dir + "/JLIST.DBF";
  std::mt19937 rng(12);
  {
    std::unique_ptr<xbase::Table> t;
    if (!xbase::Table::Create(path, task_schema::FieldSpecs()).ok() ||
        !xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t).ok() ||
        !t->Reindex(task_schema::TagDefinitions()).ok()) {
      state.SkipWithError("create failed");
      return;
    }
    t->BeginBatch();
    for (int i = 0; i < 100000; ++i) {
      if (!AppendTask(t.get(), rng).ok()) {
        state.SkipWithError("fill failed");
        return;
      }
    }
    if (!t->EndBatch().ok()) state.SkipWithError("fill failed");
  }
  for (auto _ : state) {
    std::unique_ptr<xbase::Table> t;
    if (!xbase::Table::Open(path, xbase::OpenMode::kShared, &t).ok() ||
        t->index_state() != xbase::Table::IndexState::kOk) {
      state.SkipWithError("open failed");
      break;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_OpenChecked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleChange)->ArgName("kind")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

BENCHMARK_MAIN();
