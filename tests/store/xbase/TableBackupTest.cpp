// Backups and power cuts: every change a backup makes goes to its staging folder until one
// rename publishes it after its files and folder were synced, so a cut at any moment
// leaves the table and every older backup as they were; a backup that fails part way
// publishes nothing and the next one clears what it left.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "store/xbase/File.h"
#include "store/xbase/Table.h"
#include "store/xbase/TableBackup.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

// Keeps the file seam's events as (kind, path) in order.
class IoTrace final : public IoObserver {
 public:
  IoTrace() { SetIoObserverForTests(this); }
  ~IoTrace() override { SetIoObserverForTests(nullptr); }
  IoTrace(const IoTrace&) = delete;
  IoTrace& operator=(const IoTrace&) = delete;

  struct Event {
    std::string kind;
    std::string path;
    std::string to;
  };
  std::vector<Event> events;

  void Opened(int fd, const std::string& path, bool created) override {
    paths_[fd] = path;
    if (created) events.push_back({"create", path, ""});
  }
  void Wrote(int fd, uint64_t, const void*, size_t) override { events.push_back({"write", paths_[fd], ""}); }
  void Resized(int fd, uint64_t) override { events.push_back({"resize", paths_[fd], ""}); }
  void Synced(int fd) override { events.push_back({"sync", paths_[fd], ""}); }
  void Renamed(const std::string& from, const std::string& to) override { events.push_back({"rename", from, to}); }
  void Removed(const std::string& path) override { events.push_back({"remove", path, ""}); }
  void FolderSynced(const std::string& dir) override { events.push_back({"folder-sync", dir, ""}); }

 private:
  std::map<int, std::string> paths_;
};

bool Under(const std::string& path, const std::string& folder) { return path.rfind(folder + "/", 0) == 0; }

class TableBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("JLIST.DBF");
    backups_ = dir_.File("backups");
    ASSERT_TRUE(Table::Create(table_, TaskFieldSpecs()).ok());
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(table_, OpenMode::kExclusive, &t).ok());
    for (int i = 0; i < 30; ++i) {
      ASSERT_TRUE(t->Append().ok());
      ASSERT_TRUE(t->SetString(2, "task " + std::to_string(i)).ok());
      ASSERT_TRUE(t->SetMemo(3, std::string(20000, static_cast<char>('a' + i % 26))).ok());
      ASSERT_TRUE(t->Post().ok());
    }
  }
  std::map<std::string, std::vector<uint8_t>> Snapshot() {
    std::map<std::string, std::vector<uint8_t>> files;
    files["table"] = ReadBytes(table_);
    files["memo"] = ReadBytes(dir_.File("JLIST.FPT"));
    for (const std::string& name : ListTableBackups(backups_)) {
      files[name + "/table"] = ReadBytes(BackupTablePath(table_, backups_, name));
      files[name + "/memo"] = ReadBytes(backups_ + "/" + name + "/JLIST.FPT");
    }
    return files;
  }
  TempDir dir_;
  std::string table_;
  std::string backups_;
};

TEST_F(TableBackupTest, NothingOutsideTheStagingFolderChangesBeforeOneRenamePublishesIt) {
  ASSERT_TRUE(BackUpTable(table_, backups_, "2026-12-01_09-00-00", 2).ok());
  ASSERT_TRUE(BackUpTable(table_, backups_, "2026-12-02_09-00-00", 2).ok());
  const std::string staging = backups_ + "/" + table_backup::kStagingPrefix + "2026-12-03_09-00-00";
  const std::string published = backups_ + "/2026-12-03_09-00-00";
  IoTrace trace;
  ASSERT_TRUE(BackUpTable(table_, backups_, "2026-12-03_09-00-00", 2).ok());

  size_t publish = trace.events.size();
  std::map<std::string, bool> synced;  // staged file -> synced since its last write
  bool folder_synced = false;
  for (size_t i = 0; i < trace.events.size(); ++i) {
    const IoTrace::Event& e = trace.events[i];
    if (e.kind == "rename" && e.path == staging) {
      publish = i;
      EXPECT_EQ(e.to, published);
      break;
    }
    if (e.kind == "folder-sync") {
      folder_synced = e.path == staging;
      continue;
    }
    ASSERT_TRUE(Under(e.path, staging)) << e.kind << " of " << e.path << " before the backup was published";
    if (e.kind == "sync") synced[e.path] = true;
    if (e.kind == "write" || e.kind == "create" || e.kind == "resize") synced[e.path] = false;
  }
  ASSERT_LT(publish, trace.events.size()) << "the staging folder was never renamed";
  ASSERT_EQ(synced.size(), 2u);
  for (const auto& [path, ok] : synced) EXPECT_TRUE(ok) << path << " unsynced when published";
  EXPECT_TRUE(folder_synced) << "the staging folder's names were not synced before the rename";
  // After it: the rename made durable, then only the oldest backup removed.
  ASSERT_GT(trace.events.size(), publish + 1);
  EXPECT_EQ(trace.events[publish + 1].kind, "folder-sync");
  for (size_t i = publish + 2; i < trace.events.size(); ++i) {
    EXPECT_EQ(trace.events[i].kind, "remove");
    EXPECT_TRUE(Under(trace.events[i].path, backups_ + "/2026-12-01_09-00-00")) << trace.events[i].path;
  }
  EXPECT_EQ(ListTableBackups(backups_), (std::vector<std::string>{"2026-12-03_09-00-00", "2026-12-02_09-00-00"}));
}

TEST_F(TableBackupTest, AFailedCopyPublishesNothingAndTheNextBackupClearsIt) {
  ASSERT_TRUE(BackUpTable(table_, backups_, "2026-12-01_09-00-00", 5).ok());
  const auto before = Snapshot();
  SetSyncFaultForTests([](const std::string& path) { return path.find("JLIST.FPT") != std::string::npos ? ENOSPC : 0; });
  const Status failed = BackUpTable(table_, backups_, "2026-12-02_09-00-00", 5);
  SetSyncFaultForTests(nullptr);
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(ListTableBackups(backups_), std::vector<std::string>{"2026-12-01_09-00-00"});

  ASSERT_TRUE(BackUpTable(table_, backups_, "2026-12-03_09-00-00", 5).ok());
  EXPECT_FALSE(FileExists(backups_ + "/" + table_backup::kStagingPrefix + "2026-12-02_09-00-00"));
  EXPECT_EQ(ReadBytes(BackupTablePath(table_, backups_, "2026-12-03_09-00-00")), before.at("table"));
  EXPECT_EQ(ReadBytes(backups_ + "/2026-12-03_09-00-00/JLIST.FPT"), before.at("memo"));
}

}  // namespace
}  // namespace xbase::testing
