// Sharing between opens: open modes, record locks and their bytes, other processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

std::unique_ptr<Table> OpenOk(const std::string& path, OpenMode mode) {
  std::unique_ptr<Table> t;
  const Status s = Table::Open(path, mode, &t);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return t;
}

Status::Code OpenCode(const std::string& path, OpenMode mode) {
  std::unique_ptr<Table> t;
  return Table::Open(path, mode, &t).code();
}

// Who holds the byte at `offset` of `path`, seen through a fresh open: F_UNLCK when free.
short LockTypeAt(const std::string& path, uint64_t offset) {
  const int fd = ::open(path.c_str(), O_RDWR);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = 1;
  const int rc = ::fcntl(fd, F_OFD_GETLK, &fl);
  ::close(fd);
  return rc == 0 ? fl.l_type : -1;
}

class LockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto t = CreateTaskTable(dir_);
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(AppendTask(t.get(), {"20240101", "", "Task " + std::to_string(i), "", false, "", "B"}).ok());
    }
  }
  std::string path() const { return dir_.File("JLIST.DBF"); }
  TempDir dir_;
};

TEST_F(LockTest, OpenModesConflictAsSharingRequires) {
  {
    auto excl = OpenOk(path(), OpenMode::kExclusive);
    EXPECT_EQ(OpenCode(path(), OpenMode::kShared), Status::Code::kInUse);
    EXPECT_EQ(OpenCode(path(), OpenMode::kExclusive), Status::Code::kInUse);
    EXPECT_EQ(OpenCode(path(), OpenMode::kReadOnly), Status::Code::kInUse);
  }
  {
    auto a = OpenOk(path(), OpenMode::kShared);
    auto b = OpenOk(path(), OpenMode::kShared);
    auto c = OpenOk(path(), OpenMode::kReadOnly);
    EXPECT_EQ(OpenCode(path(), OpenMode::kExclusive), Status::Code::kInUse);
    // The open mode is a whole-file flock that other programs see.
    const int fd = ::open(path().c_str(), O_RDONLY);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
    ::close(fd);
  }
  EXPECT_EQ(OpenCode(path(), OpenMode::kExclusive), Status::Code::kOk);  // all released
}

TEST_F(LockTest, RecordLocksKeepTwoOpensOffOneRecord) {
  auto a = OpenOk(path(), OpenMode::kShared);
  auto b = OpenOk(path(), OpenMode::kShared);
  ASSERT_TRUE(a->Go(1).ok());
  ASSERT_TRUE(a->Edit().ok());
  ASSERT_TRUE(a->SetString(kDescript, "changed by a").ok());
  ASSERT_TRUE(b->Go(1).ok());
  EXPECT_EQ(b->Edit().code(), Status::Code::kRecordLocked);
  EXPECT_FALSE(b->editing());
  EXPECT_EQ(b->Delete().code(), Status::Code::kRecordLocked);
  ASSERT_TRUE(b->Go(2).ok());
  ASSERT_TRUE(b->Edit().ok());  // other records stay free
  b->Cancel();
  ASSERT_TRUE(a->Post().ok());
  ASSERT_TRUE(b->Go(1).ok());
  ASSERT_TRUE(b->Edit().ok());
  EXPECT_EQ(Trimmed(b->GetString(kDescript)), "changed by a");  // Edit re-reads the record
  // Cancel releases as well; appends of both opens take different numbers.
  b->Cancel();
  ASSERT_TRUE(a->Edit().ok());
  a->Cancel();
  ASSERT_TRUE(AppendTask(a.get(), {"", "", "from a", "", false, "", "A"}).ok());
  ASSERT_TRUE(AppendTask(b.get(), {"", "", "from b", "note b", false, "", "A"}).ok());
  EXPECT_EQ(a->RecNo(), 4u);
  EXPECT_EQ(b->RecNo(), 5u);
  ASSERT_TRUE(a->Go(5).ok());
  std::string note;
  ASSERT_TRUE(a->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "note b");
}

TEST_F(LockTest, LockBytesFollowTheTwoSchemes) {
  {
    // Without an index: 0x40000000 plus the record's offset in the file.
    auto a = OpenOk(path(), OpenMode::kShared);
    ASSERT_TRUE(a->Go(2).ok());
    ASSERT_TRUE(a->Edit().ok());
    EXPECT_EQ(LockTypeAt(path(), 0x40000000ull + 258 + 136), F_WRLCK);
    EXPECT_EQ(LockTypeAt(path(), 0x40000000ull + 258), F_UNLCK);
    EXPECT_EQ(LockTypeAt(path(), 0x7FFFFFFEull - 2), F_UNLCK);
    ASSERT_TRUE(a->Post().ok());
    EXPECT_EQ(LockTypeAt(path(), 0x40000000ull + 258 + 136), F_UNLCK);
  }
  {
    auto excl = OpenOk(path(), OpenMode::kExclusive);
    ASSERT_TRUE(excl->CreateTag("DATETIME", "DATE+TIME", "!Deleted()").ok());
  }
  // With a structural index: 0x7FFFFFFE minus the record number.
  auto a = OpenOk(path(), OpenMode::kShared);
  ASSERT_EQ(a->index_state(), Table::IndexState::kOk);
  ASSERT_TRUE(a->Go(2).ok());
  ASSERT_TRUE(a->Edit().ok());
  EXPECT_EQ(LockTypeAt(path(), 0x7FFFFFFEull - 2), F_WRLCK);
  EXPECT_EQ(LockTypeAt(path(), 0x7FFFFFFEull - 1), F_UNLCK);
  EXPECT_EQ(LockTypeAt(path(), 0x7FFFFFFEull), F_UNLCK);  // the header lock is brief
  a->Cancel();
  EXPECT_EQ(LockTypeAt(path(), 0x7FFFFFFEull - 2), F_UNLCK);
}

// A child process holds a record lock and the shared open; the parent must be refused
// both the record and exclusive use until the child is done.
TEST_F(LockTest, AnotherProcessHoldsRecordAndOpen) {
  int ready[2];
  int go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::unique_ptr<Table> t;
    char byte = 'x';
    if (!Table::Open(path(), OpenMode::kShared, &t).ok() || !t->Go(1).ok() || !t->Edit().ok() ||
        !t->SetString(kDescript, "child was here").ok()) {
      byte = 'e';
    }
    if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
    if (::read(go[0], &byte, 1) != 1) ::_exit(4);
    ::_exit(t && t->Post().ok() ? 0 : 5);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'x');
  {
    auto mine = OpenOk(path(), OpenMode::kShared);
    ASSERT_TRUE(mine->Go(1).ok());
    EXPECT_EQ(mine->Edit().code(), Status::Code::kRecordLocked);
    ASSERT_TRUE(mine->Go(3).ok());
    EXPECT_TRUE(mine->Edit().ok());
    mine->Cancel();
  }
  EXPECT_EQ(OpenCode(path(), OpenMode::kExclusive), Status::Code::kInUse);
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  auto excl = OpenOk(path(), OpenMode::kExclusive);
  ASSERT_TRUE(excl->Go(1).ok());
  EXPECT_EQ(Trimmed(excl->GetString(kDescript)), "child was here");
}

TEST_F(LockTest, SharedReaderSeesRecordsAppendedElsewhere) {
  auto reader = OpenOk(path(), OpenMode::kShared);
  auto writer = OpenOk(path(), OpenMode::kShared);
  ASSERT_TRUE(reader->GoBottom().ok());
  EXPECT_EQ(reader->RecNo(), 3u);
  ASSERT_TRUE(reader->SetFilter("PRIORITY = \"A\"").ok());
  for (int i = 4; i <= 6; ++i) {
    ASSERT_TRUE(AppendTask(writer.get(), {"", "", "Task " + std::to_string(i), "", false, "", "A"}).ok());
  }
  EXPECT_EQ(reader->RecordCount(), 6u);
  EXPECT_EQ(VisibleRecords(reader.get()), (std::vector<uint32_t>{4, 5, 6}));
  uint32_t n = 0;
  ASSERT_TRUE(reader->CountFiltered(&n).ok());
  EXPECT_EQ(n, 3u);
  // A skip that reaches the old end looks again before it reports eof.
  ASSERT_TRUE(reader->SetFilter("").ok());
  ASSERT_TRUE(reader->GoBottom().ok());
  ASSERT_TRUE(AppendTask(writer.get(), {"", "", "Task 7", "", false, "", "C"}).ok());
  ASSERT_TRUE(reader->Skip(1).ok());
  EXPECT_FALSE(reader->Eof());
  EXPECT_EQ(reader->RecNo(), 7u);
  ASSERT_TRUE(reader->Go(7).ok());
  EXPECT_EQ(Trimmed(reader->GetString(kDescript)), "Task 7");
}

// Two processes appending at once, one of them in batches: no record and no memo may be
// lost or shared, whichever way their appends interleave.
TEST_F(LockTest, ConcurrentAppendersLoseNothing) {
  constexpr int kEach = 150;
  pid_t pids[2];
  for (int child = 0; child < 2; ++child) {
    pids[child] = ::fork();
    ASSERT_GE(pids[child], 0);
    if (pids[child] == 0) {
      std::unique_ptr<Table> t;
      if (!Table::Open(path(), OpenMode::kShared, &t).ok()) ::_exit(2);
      for (int i = 0; i < kEach; ++i) {
        if (child == 1 && i % 10 == 0) t->BeginBatch();
        const std::string tag = std::to_string(child) + "-" + std::to_string(i);
        if (!AppendTask(t.get(), {"", "", tag, std::string(i % 90, 'x') + tag, false, "", "B"}).ok()) ::_exit(3);
        if (child == 1 && i % 10 == 9 && !t->EndBatch().ok()) ::_exit(4);
      }
      ::_exit(0);
    }
  }
  for (const pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  auto t = OpenOk(path(), OpenMode::kReadOnly);
  ASSERT_EQ(t->RecordCount(), 3u + 2 * kEach);
  std::vector<int> seen(2 * kEach, 0);
  for (uint32_t r = 4; r <= t->RecordCount(); ++r) {
    ASSERT_TRUE(t->Go(r).ok());
    const std::string tag = Trimmed(t->GetString(kDescript));
    const int child = tag[0] - '0';
    const int i = std::stoi(tag.substr(2));
    ASSERT_TRUE(child == 0 || child == 1) << tag;
    ++seen[child * kEach + i];
    std::string note;
    ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
    EXPECT_EQ(note, std::string(i % 90, 'x') + tag);
  }
  for (int n : seen) EXPECT_EQ(n, 1);
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace xbase::testing
