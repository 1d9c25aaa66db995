// A writer killed at random moments: every change whose Post returned must be intact
// afterwards, and the files must pass Check (after an index rebuild, when the index was
// caught mid-update). Also a pack cut off before and after its commit point.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

std::vector<TagDefinition> TaskTags() {
  return {{"DATETIME", "DATE+TIME", "!Deleted()"},      {"DESCRIPT", "upper(DESCRIPT)", "!Deleted()"},
          {"DONE", "DONE", "!Deleted()"},               {"KEYS", "upper(KEYS)", "!Deleted()"},
          {"PRIORITY", "upper(PRIORITY)+DATE+TIME", "!Deleted()"}};
}

// One change of the writer's series; the same sequence number always gives the same change.
struct Op {
  enum Kind { kAppend, kEdit, kDelete } kind;
  uint32_t recno;  // for edits and deletes
  std::string descript;
  std::string note;
};

Op MakeOp(int seq, uint32_t count) {
  Op op;
  op.descript = "op " + std::to_string(seq);
  // Notes of varying length so that edits both reuse and move memo runs.
  op.note = seq % 3 == 0 ? "" : std::string(static_cast<size_t>((seq * 37) % 300), static_cast<char>('a' + seq % 26));
  if (count >= 3 && seq % 5 == 4) {
    op.kind = Op::kEdit;
    op.recno = static_cast<uint32_t>(seq * 7) % count + 1;
  } else if (count >= 3 && seq % 11 == 10) {
    op.kind = Op::kDelete;
    op.recno = static_cast<uint32_t>(seq) % count + 1;
  } else {
    op.kind = Op::kAppend;
    op.recno = count + 1;
  }
  return op;
}

struct Rec {
  std::string descript;
  std::string note;
  bool deleted = false;
  bool operator==(const Rec&) const = default;
};

void Apply(const Op& op, std::vector<Rec>* model) {
  if (op.kind == Op::kAppend) {
    model->push_back({op.descript, op.note, false});
  } else if (op.kind == Op::kEdit) {
    (*model)[op.recno - 1].descript = op.descript;
    (*model)[op.recno - 1].note = op.note;
  } else {
    (*model)[op.recno - 1].deleted = true;
  }
}

Status Perform(Table* t, const Op& op) {
  if (op.kind == Op::kAppend) {
    XB_RETURN_IF_ERROR(t->Append());
  } else {
    XB_RETURN_IF_ERROR(t->Go(op.recno));
    if (op.kind == Op::kDelete) return t->Delete();
    XB_RETURN_IF_ERROR(t->Edit());
  }
  XB_RETURN_IF_ERROR(t->SetString(kDate, "2024" + op.descript.substr(3)));
  XB_RETURN_IF_ERROR(t->SetString(kDescript, op.descript));
  XB_RETURN_IF_ERROR(t->SetMemo(kNote, op.note));
  return t->Post();
}

// The writer: performs the series and reports each sequence number once its Post returned.
[[noreturn]] void Writer(const std::string& path, int report_fd) {
  std::unique_ptr<Table> t;
  if (!Table::Open(path, OpenMode::kShared, &t).ok()) ::_exit(2);
  t->SetOrder(1);
  uint32_t count = t->RecordCount();
  for (int seq = 1; seq < 100000; ++seq) {
    const Op op = MakeOp(seq, count);
    if (!Perform(t.get(), op).ok()) ::_exit(3);
    if (op.kind == Op::kAppend) ++count;
    const std::string line = std::to_string(seq) + "\n";
    if (::write(report_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) ::_exit(4);
  }
  ::_exit(0);
}

Rec ReadRec(Table* t, uint32_t r) {
  Rec rec;
  EXPECT_TRUE(t->Go(r).ok());
  rec.descript = Trimmed(t->GetString(kDescript));
  const Status s = t->GetMemo(kNote, &rec.note);
  EXPECT_TRUE(s.ok()) << "record " << r << ": " << s.ToString();
  rec.deleted = t->Deleted();
  return rec;
}

void RunRounds(bool indexed, int rounds) {
  std::mt19937 rng(indexed ? 1234 : 5678);
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir dir;
    const std::string path = dir.File("JLIST.DBF");
    {
      auto t = CreateTaskTable(dir);
      if (indexed) {
        ASSERT_TRUE(t->Reindex(TaskTags()).ok());
      }
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      Writer(path, fds[1]);
    }
    ::close(fds[1]);
    FILE* reports = ::fdopen(fds[0], "r");
    const int kill_after = std::uniform_int_distribution<int>(1, 80)(rng);
    int last = 0;
    char line[64];
    while (last < kill_after && std::fgets(line, sizeof line, reports) != nullptr) last = std::atoi(line);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
    while (std::fgets(line, sizeof line, reports) != nullptr) last = std::atoi(line);
    std::fclose(reports);

    // The model after every reported change, and the one change that may be half done.
    std::vector<Rec> model;
    for (int seq = 1; seq <= last; ++seq) Apply(MakeOp(seq, static_cast<uint32_t>(model.size())), &model);
    const Op inflight = MakeOp(last + 1, static_cast<uint32_t>(model.size()));
    std::vector<Rec> after = model;
    Apply(inflight, &after);

    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(path, OpenMode::kExclusive, &t).ok());
    if (indexed && t->index_state() != Table::IndexState::kOk) {
      ASSERT_TRUE(t->Reindex(TaskTags()).ok()) << t->index_problem();
    }
    const uint32_t count = t->RecordCount();
    ASSERT_TRUE(count == model.size() || count == after.size()) << count << " records, " << last << " reported";
    for (uint32_t r = 1; r <= count; ++r) {
      const Rec got = ReadRec(t.get(), r);
      if (r == inflight.recno) {
        EXPECT_TRUE((r <= model.size() && got == model[r - 1]) || got == after[r - 1]) << "record " << r;
      } else {
        EXPECT_EQ(got, model[r - 1]) << "record " << r << " after " << last << " changes";
      }
    }
    std::vector<std::string> problems;
    ASSERT_TRUE(t->Check(&problems).ok());
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first: " << problems.front();
  }
}

TEST(CrashTest, KilledWriterLeavesEveryPostedChange) { RunRounds(false, 6); }

TEST(CrashTest, KilledWriterWithIndexLeavesEveryPostedChange) { RunRounds(true, 5); }

// Builds a table with deleted records and returns the dump of what a pack keeps.
std::vector<std::string> PackScene(const TempDir& dir) {
  auto t = CreateTaskTable(dir);
  EXPECT_TRUE(t->Reindex(TaskTags()).ok());
  std::vector<std::string> kept;
  for (int i = 1; i <= 12; ++i) {
    const std::string d = "task " + std::to_string(i);
    EXPECT_TRUE(AppendTask(t.get(), {"20240101", "", d, "note of " + d, false, "", "A"}).ok());
    if (i % 3 == 0) {
      EXPECT_TRUE(t->Delete().ok());
    } else {
      kept.push_back(d);
    }
  }
  return kept;
}

std::vector<std::string> Texts(Table* t) {
  std::vector<std::string> out;
  EXPECT_TRUE(t->GoTop().ok());
  while (!t->Eof()) {
    std::string note;
    EXPECT_TRUE(t->GetMemo(kNote, &note).ok());
    EXPECT_EQ(note, "note of " + Trimmed(t->GetString(kDescript)));
    out.push_back(Trimmed(t->GetString(kDescript)));
    EXPECT_TRUE(t->Skip(1).ok());
  }
  return out;
}

TEST(CrashTest, PackCutOffAfterItsCommitPointIsFinishedByTheNextOpen) {
  TempDir dir;
  TempDir packed;
  const std::vector<std::string> kept = PackScene(dir);
  PackScene(packed);
  {
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(packed.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
    ASSERT_TRUE(t->Pack().ok());
  }
  // The state right after the commit point: the packed table under its marked name, the
  // new memo and index files still under their scratch names, the old files in place.
  std::filesystem::copy_file(packed.File("JLIST.DBF"), dir.File("JLIST.DBF.packed"));
  std::filesystem::copy_file(packed.File("JLIST.FPT"), dir.File("JLIST.FPT.packing"));
  std::filesystem::copy_file(packed.File("JLIST.CDX"), dir.File("JLIST.CDX.packing"));
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->RecordCount(), kept.size());
  EXPECT_EQ(t->index_state(), Table::IndexState::kOk);
  EXPECT_EQ(Texts(t.get()), kept);
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_FALSE(std::filesystem::exists(dir.File("JLIST.DBF.packed")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("JLIST.FPT.packing")));

  // Read-only opens never write, not even to finish a pack.
  t.reset();
  std::filesystem::copy_file(packed.File("JLIST.DBF"), dir.File("JLIST.DBF.packed"));
  const std::vector<uint8_t> before = ReadBytes(dir.File("JLIST.DBF"));
  ASSERT_TRUE(Table::Open(dir.File("JLIST.DBF"), OpenMode::kReadOnly, &t).ok());
  EXPECT_TRUE(std::filesystem::exists(dir.File("JLIST.DBF.packed")));
  EXPECT_EQ(ReadBytes(dir.File("JLIST.DBF")), before);
}

TEST(CrashTest, PackCutOffBeforeItsCommitPointLeavesTheOldTable) {
  TempDir dir;
  PackScene(dir);
  // Half-written scratch files, and the old index already removed.
  WriteBytes(dir.File("JLIST.DBF.packing"), {0xF5, 1, 2, 3});
  WriteBytes(dir.File("JLIST.FPT.packing"), {0, 0});
  std::filesystem::remove(dir.File("JLIST.CDX"));
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
  EXPECT_EQ(t->RecordCount(), 12u);
  EXPECT_EQ(t->index_state(), Table::IndexState::kMissing);
  ASSERT_TRUE(t->Reindex(TaskTags()).ok());
  ASSERT_TRUE(t->Pack().ok());  // the leftovers do not disturb the next pack
  EXPECT_EQ(t->RecordCount(), 8u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("JLIST.DBF.packing")));
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace xbase::testing
