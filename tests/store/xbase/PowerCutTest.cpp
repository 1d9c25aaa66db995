// Simulated power cuts. A scripted workload (appends with notes, edits of text and notes that
// grow, shrink and vanish, deletions, bulk deletes and appends in batches, packs, index
// rebuilds, removal of every task) runs once on real files while PowerCutFs records every change the engine makes.
// Then, for many random points of that record, the files a power cut there may leave (what
// was synced, plus any part of the rest, torn at sector boundaries) are written to a fresh
// folder, opened the way the program opens them (a damaged index rebuilt), checked as
// `jlistdb check` checks them, and compared with what the workload had posted: every change
// whose Post (or EndBatch, or Pack) returned is there whole, and the change under way at the
// cut is either wholly there or wholly absent, record by record.
//
// JOTLIST_POWERCUT_CUTS sets the number of cuts (the soak target runs a million);
// JOTLIST_POWERCUT_SEED the first workload's seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/JlistdbTestSupport.h"
#include "tests/store/xbase/PowerCutFs.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kDefaultCuts = 2000;  // the sanitizer build runs several times slower
#else
constexpr uint64_t kDefaultCuts = 10000;
#endif
// Each workload (one seed) serves this many cuts; more cuts run more workloads.
constexpr uint64_t kCutsPerWorkload = 5000;
constexpr int kSteps = 140;
// Every this many cuts, the real jlistdb checks the recovered files as well.
constexpr uint64_t kToolEvery = 1000;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  return std::strtoull(v, nullptr, 10);
}

std::vector<TagDefinition> TaskTags() {
  return {{"DATETIME", "DATE+TIME", "!Deleted()"},      {"DESCRIPT", "upper(DESCRIPT)", "!Deleted()"},
          {"DONE", "DONE", "!Deleted()"},               {"KEYS", "upper(KEYS)", "!Deleted()"},
          {"PRIORITY", "upper(PRIORITY)+DATE+TIME", "!Deleted()"}};
}

// A folder in memory when the system has one (syncs cost nothing there), else a temporary one.
class ScratchDir {
 public:
  ScratchDir() {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                       : std::filesystem::temp_directory_path();
    std::string pattern = (base / "jlist-cut-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct Task {
  std::string date, time, descript, note, keys, priority;
  bool done = false;
  bool operator==(const Task&) const = default;
};
using Model = std::map<int, Task>;  // the live (not deleted) tasks by the id in DESCRIPT

std::string IdText(int id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "T%05d", id);
  return buf;
}

int IdOf(std::string_view descript) {
  if (descript.size() < 6 || descript[0] != 'T') return -1;
  return std::atoi(std::string(descript.substr(1, 5)).c_str());
}

std::string Describe(const std::optional<Task>& t) {
  if (!t) return "(absent)";
  return "[" + t->date + "|" + t->time + "|" + t->descript + "|" + t->keys + "|" + t->priority + "|" +
         (t->done ? "T" : "F") + "| note " + std::to_string(t->note.size()) + " bytes]";
}

// The scripted changes, run once under the recorder. states()[k] is what step k left.
class Workload {
 public:
  Workload(std::string dir, PowerCutFs* fs, uint64_t seed) : dir_(std::move(dir)), fs_(fs), rng_(seed) {}

  std::string TablePath() const { return dir_ + "/JLIST.DBF"; }
  const std::vector<Model>& states() const { return states_; }
  int removals() const { return removals_; }

  void Run(int steps) {
    Step([&]() {
      Status s = Table::Create(TablePath(), TaskFieldSpecs());
      if (s.ok()) s = Reopen(OpenMode::kExclusive);
      if (s.ok()) s = table_->Reindex(TaskTags());
      if (s.ok()) s = Reopen(OpenMode::kShared);
      return s;
    });
    for (int k = 1; k < steps && !::testing::Test::HasFatalFailure(); ++k) {
      const int roll = static_cast<int>(rng_() % 100);
      if (k == steps * 3 / 4) {
        Step([&]() { return RemoveAll(); });  // once, late enough to empty a full table
      } else if (model_.size() < 4 || roll < 28) {
        Step([&]() { return AppendOne(); });
      } else if (roll < 36) {
        Step([&]() { return AppendBatch(); });
      } else if (roll < 50) {
        Step([&]() { return EditOne(true, false); });
      } else if (roll < 66) {
        Step([&]() { return EditOne(false, true); });
      } else if (roll < 74) {
        Step([&]() { return EditOne(true, true); });
      } else if (roll < 84) {
        Step([&]() { return DeleteSome(1); });
      } else if (roll < 90) {
        Step([&]() { return DeleteSome(2 + static_cast<int>(rng_() % 4)); });
      } else if (roll < 95) {
        Step([&]() { return Exclusive([&]() { return table_->Pack(); }); });
      } else {
        Step([&]() { return Exclusive([&]() { return table_->Reindex(TaskTags()); }); });
      }
    }
    table_.reset();
  }

 private:
  // Runs one change between its marks and keeps the model it leaves.
  template <typename Fn>
  void Step(Fn change) {
    const int k = static_cast<int>(states_.size());
    fs_->Mark(k, false);
    const Status s = change();
    ASSERT_TRUE(s.ok()) << "step " << k << ": " << s.ToString();
    states_.push_back(model_);
    fs_->Mark(k, true);
  }

  Status Reopen(OpenMode mode) {
    table_.reset();
    return Table::Open(TablePath(), mode, &table_);
  }

  template <typename Fn>
  Status Exclusive(Fn work) {
    XB_RETURN_IF_ERROR(Reopen(OpenMode::kExclusive));
    XB_RETURN_IF_ERROR(work());
    return Reopen(OpenMode::kShared);
  }

  std::string Note() {
    switch (rng_() % 6) {
      case 0:
        return "";
      case 1:
        return std::string(1 + rng_() % 40, static_cast<char>('a' + rng_() % 26));
      case 2:  // several memo blocks
        return std::string(200 + rng_() % 900, static_cast<char>('a' + rng_() % 26));
      default: {
        std::string n;
        const size_t len = 10 + rng_() % 400;
        while (n.size() < len) n += "note " + std::to_string(rng_() % 1000) + (rng_() % 5 == 0 ? "\r\n" : " ");
        return n;
      }
    }
  }

  void Fill(Task* t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "2024%02u%02u", static_cast<unsigned>(rng_() % 12 + 1),
                  static_cast<unsigned>(rng_() % 28 + 1));
    t->date = rng_() % 8 == 0 ? "" : buf;
    std::snprintf(buf, sizeof buf, "%02u:%02u", static_cast<unsigned>(rng_() % 24),
                  static_cast<unsigned>(rng_() % 60));
    t->time = rng_() % 4 == 0 ? "" : buf;
    t->keys = "key" + std::to_string(rng_() % 9) + " key" + std::to_string(rng_() % 9);
    t->priority = std::string(1, static_cast<char>('A' + rng_() % 3));
    t->done = rng_() % 3 == 0;
  }

  Status Store(const Task& t) {
    XB_RETURN_IF_ERROR(table_->SetString(kDate, t.date));
    XB_RETURN_IF_ERROR(table_->SetString(kTime, t.time));
    XB_RETURN_IF_ERROR(table_->SetString(kDescript, t.descript));
    XB_RETURN_IF_ERROR(table_->SetMemo(kNote, t.note));
    XB_RETURN_IF_ERROR(table_->SetLogical(kDone, t.done));
    XB_RETURN_IF_ERROR(table_->SetString(kKeys, t.keys));
    return table_->SetString(kPriority, t.priority);
  }

  Status Add() {
    Task t;
    Fill(&t);
    const int id = next_id_++;
    t.descript = IdText(id) + " task " + std::to_string(rng_() % 10000);
    t.note = Note();
    XB_RETURN_IF_ERROR(table_->Append());
    XB_RETURN_IF_ERROR(Store(t));
    XB_RETURN_IF_ERROR(table_->Post());
    model_[id] = t;
    return Status::Ok();
  }

  Status AppendOne() { return Add(); }

  Status AppendBatch() {
    table_->BeginBatch();
    const int n = 2 + static_cast<int>(rng_() % 3);
    for (int i = 0; i < n; ++i) XB_RETURN_IF_ERROR(Add());
    return table_->EndBatch();
  }

  int PickId() {
    auto it = model_.begin();
    std::advance(it, static_cast<long>(rng_() % model_.size()));
    return it->first;
  }

  // Makes task `id` the current record.
  Status Locate(int id) {
    table_->SetOrder(0);
    const uint32_t count = table_->RecordCount();
    for (uint32_t n = 1; n <= count; ++n) {
      XB_RETURN_IF_ERROR(table_->Go(n));
      if (!table_->Deleted() && IdOf(table_->GetString(kDescript)) == id) return Status::Ok();
    }
    return Status::NotFound("task " + IdText(id) + " is not in the table");
  }

  Status EditOne(bool text, bool note) {
    const int id = PickId();
    Task t = model_[id];
    if (text) {
      Fill(&t);
      t.descript = IdText(id) + " edited " + std::to_string(rng_() % 10000);
    }
    if (note) t.note = Note();
    XB_RETURN_IF_ERROR(Locate(id));
    XB_RETURN_IF_ERROR(table_->Edit());
    XB_RETURN_IF_ERROR(Store(t));
    XB_RETURN_IF_ERROR(table_->Post());
    model_[id] = t;
    return Status::Ok();
  }

  // Every task at once, as the bulk delete does when the filter lets every task through.
  Status RemoveAll() {
    XB_RETURN_IF_ERROR(Exclusive([&]() { return table_->Zap(); }));
    model_.clear();
    ++removals_;
    return Status::Ok();
  }

  // One deletion on its own, or several in a batch as the bulk delete makes them.
  Status DeleteSome(int n) {
    n = std::min<int>(n, static_cast<int>(model_.size()) - 1);
    if (n > 1) table_->BeginBatch();
    for (int i = 0; i < n; ++i) {
      const int id = PickId();
      XB_RETURN_IF_ERROR(Locate(id));
      XB_RETURN_IF_ERROR(table_->Delete());
      model_.erase(id);
    }
    return n > 1 ? table_->EndBatch() : Status::Ok();
  }

  std::string dir_;
  PowerCutFs* fs_;
  std::mt19937_64 rng_;
  std::unique_ptr<Table> table_;
  Model model_;
  std::vector<Model> states_;
  int next_id_ = 1;
  int removals_ = 0;
};

// Opens the table as the program does: shared, and when the index is missing or failed its
// checks, rebuilt in exclusive use first.
Status OpenAsProgram(const std::string& path, std::unique_ptr<Table>* out) {
  XB_RETURN_IF_ERROR(Table::Open(path, OpenMode::kShared, out));
  if ((*out)->index_state() == Table::IndexState::kOk) return Status::Ok();
  out->reset();
  {
    std::unique_ptr<Table> t;
    XB_RETURN_IF_ERROR(Table::Open(path, OpenMode::kExclusive, &t));
    XB_RETURN_IF_ERROR(t->Reindex(TaskTags()));
  }
  XB_RETURN_IF_ERROR(Table::Open(path, OpenMode::kShared, out));
  if ((*out)->index_state() != Table::IndexState::kOk) return Status::Corrupt("the index could not be built");
  return Status::Ok();
}

Status ReadTasks(Table* t, Model* tasks, std::string* why) {
  tasks->clear();
  t->SetOrder(0);
  const uint32_t count = t->RecordCount();
  for (uint32_t n = 1; n <= count; ++n) {
    XB_RETURN_IF_ERROR(t->Go(n));
    if (t->Deleted()) continue;
    Task task;
    task.date = Trimmed(t->GetString(kDate));
    task.time = Trimmed(t->GetString(kTime));
    task.descript = Trimmed(t->GetString(kDescript));
    task.keys = Trimmed(t->GetString(kKeys));
    task.priority = Trimmed(t->GetString(kPriority));
    task.done = t->GetLogical(kDone);
    XB_RETURN_IF_ERROR(t->GetMemo(kNote, &task.note));
    const int id = IdOf(task.descript);
    if (id < 0 || tasks->count(id) != 0) {
      *why += "record " + std::to_string(n) + " is no task of the workload or a second copy: " + task.descript + "\n";
      continue;
    }
    (*tasks)[id] = task;
  }
  return Status::Ok();
}

std::optional<Task> Find(const Model& m, int id) {
  const auto it = m.find(id);
  if (it == m.end()) return std::nullopt;
  return it->second;
}

// Builds the files of one cut in `dir`, opens and checks them; "" when all is well.
std::string CheckCut(const PowerCutFs& fs, const std::vector<Model>& states, size_t cut,
                     const PowerCutFs::CutChoices& choices, std::mt19937_64& rng, const ScratchDir& dir,
                     bool with_tool, uint64_t* skipped) {
  int done = -1;
  bool begun = false;
  fs.StepsAt(cut, &done, &begun);
  const std::map<std::string, std::string> files = fs.FilesAt(cut, choices, rng);
  if (done < 0) {  // the table was still being created: nothing was promised yet
    ++*skipped;
    return "";
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(), ec)) std::filesystem::remove(entry.path(), ec);
  for (const auto& [name, bytes] : files) WriteBytes(dir.File(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));

  std::string why;
  std::unique_ptr<Table> t;
  Status s = OpenAsProgram(dir.File("JLIST.DBF"), &t);
  if (!s.ok()) return "the files do not open: " + s.ToString();
  std::vector<std::string> problems;
  s = t->Check(&problems);
  if (!s.ok()) return "check failed: " + s.ToString();
  for (const std::string& p : problems) why += "check: " + p + "\n";
  Model got;
  s = ReadTasks(t.get(), &got, &why);
  if (!s.ok()) return why + "cannot read the tasks: " + s.ToString();
  t.reset();

  const Model& before = states[static_cast<size_t>(done)];
  const Model* after = begun && static_cast<size_t>(done) + 1 < states.size() ? &states[static_cast<size_t>(done) + 1] : nullptr;
  std::map<int, bool> ids;
  for (const Model* m : {&before, after, static_cast<const Model*>(&got)}) {
    if (m == nullptr) continue;
    for (const auto& [id, task] : *m) ids[id] = true;
  }
  for (const auto& [id, unused] : ids) {
    const std::optional<Task> g = Find(got, id);
    const std::optional<Task> b = Find(before, id);
    if (g == b) continue;
    if (after != nullptr && g == Find(*after, id)) continue;
    why += IdText(id) + " after step " + std::to_string(done) + (begun ? " (next begun)" : "") + ": found " +
           Describe(g) + ", posted " + Describe(b) + (after ? ", next " + Describe(Find(*after, id)) : "") + "\n";
  }
  if (why.empty() && with_tool) {
    TempDir scratch;
    const RunResult r = Jlistdb(scratch, {"check", dir.path()});
    if (r.status != 0 || !r.out.empty()) why += "jlistdb check: " + r.out + r.err;
  }
  if (!why.empty()) why = "cut at log entry " + std::to_string(cut) + " of " + std::to_string(fs.size()) + ":\n" + why;
  return why;
}

TEST(PowerCutTest, PostedChangesSurviveEveryCut) {
  const uint64_t cuts = EnvNumber("JOTLIST_POWERCUT_CUTS", kDefaultCuts);
  const uint64_t seed = EnvNumber("JOTLIST_POWERCUT_SEED", 1);
  uint64_t run = 0;
  uint64_t failed = 0;
  uint64_t skipped = 0;
  uint64_t logged = 0;
  int removals = 0;
  std::string first_failures;
  for (uint64_t w = 0; run < cuts; ++w) {
    ScratchDir work;
    PowerCutFs fs(work.path());
    Workload load(work.path(), &fs, seed + w);
    load.Run(kSteps);
    fs.Detach();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(fs.problems().empty()) << fs.problems().front();
    logged += fs.size();
    removals += load.removals();

    ScratchDir cut_dir;
    std::mt19937_64 rng(seed * 7919 + w);
    const uint64_t here = std::min(kCutsPerWorkload, cuts - run);
    for (uint64_t i = 0; i < here; ++i, ++run) {
      PowerCutFs::CutChoices choices;
      switch (rng() % 4) {
        case 0: choices.keep = 0.0; break;   // nothing unsynced reaches the disk
        case 1: choices.keep = 1.0; break;   // all of it does (torn still)
        case 2: choices.keep = 0.5; break;
        default: choices.keep = std::uniform_real_distribution<double>(0, 1)(rng); break;
      }
      choices.tear = rng() % 3 == 0 ? 0.0 : 0.3;
      const size_t cut = std::uniform_int_distribution<size_t>(0, fs.size())(rng);
      const std::string why =
          CheckCut(fs, load.states(), cut, choices, rng, cut_dir, (run + 1) % kToolEvery == 0, &skipped);
      if (!why.empty()) {
        if (++failed <= 3) first_failures += "workload seed " + std::to_string(seed + w) + ", " + why;
      }
    }
  }
  std::printf("power cuts: %llu run (%llu before the table existed), %llu failed; %llu log entries, %d removals of every task\n",
              static_cast<unsigned long long>(run), static_cast<unsigned long long>(skipped),
              static_cast<unsigned long long>(failed), static_cast<unsigned long long>(logged), removals);
  EXPECT_EQ(failed, 0u) << first_failures;
}

}  // namespace
}  // namespace xbase::testing
