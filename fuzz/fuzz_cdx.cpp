// Opens arbitrary bytes as the compound index of a small, valid task table and uses it
// every way the table does: walks each tag both ways, seeks, locates records, runs the
// quick and the full check, and keeps the tags current through a few record changes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store/TaskSchema.h"
#include "store/xbase/CdxIndex.h"

namespace {

constexpr uint32_t kRecordLength = task_schema::kRecordLength;

std::vector<xbase::FieldDesc> Fields() { return task_schema::FieldLayout(); }

// Thirty task records (every fifth deleted), the same on every run.
class Tasks : public xbase::RecordSource {
 public:
  Tasks() {
    static const char* const kWords[] = {"call", "Home", "tax", "garden", "report", "car"};
    for (uint32_t i = 0; i < 30; ++i) {
      std::vector<uint8_t> r(kRecordLength, ' ');
      r[0] = i % 5 == 4 ? '*' : ' ';
      char buf[32];
      if (i % 7 != 0) {
        std::snprintf(buf, sizeof buf, "2024%02u%02u", 1 + i % 12, 1 + (i * 7) % 28);
        std::memcpy(&r[1], buf, 8);
      }
      std::snprintf(buf, sizeof buf, "%02u:%02u", i % 24, (i * 13) % 60);
      std::memcpy(&r[9], buf, 5);
      const std::string text = std::string(kWords[i % 6]) + " " + kWords[(i * 5) % 6];
      std::memcpy(&r[14], text.data(), text.size());
      r[74] = i % 3 == 0 ? 'T' : 'F';
      std::memcpy(&r[75], kWords[(i * 2) % 6], std::strlen(kWords[(i * 2) % 6]));
      r[135] = static_cast<uint8_t>("ABC"[i % 3]);
      records_.push_back(std::move(r));
    }
  }
  uint32_t RecordCount() override { return static_cast<uint32_t>(records_.size()); }
  xbase::Status ReadRecord(uint32_t recno, const uint8_t** image) override {
    if (recno == 0 || recno > records_.size()) return xbase::Status::NotFound("no record");
    *image = records_[recno - 1].data();
    return xbase::Status::Ok();
  }
  std::vector<uint8_t>& at(uint32_t recno) { return records_[recno - 1]; }

 private:
  std::vector<std::vector<uint8_t>> records_;
};

void Walk(xbase::CdxIndex& index, int tag, bool backward) {
  std::unique_ptr<xbase::CdxIndex::Cursor> c = index.NewCursor(tag);
  if (!(backward ? c->Last() : c->First()).ok()) return;
  for (int steps = 0; steps < 10000 && !(backward ? c->bof() : c->eof()); ++steps) {
    volatile size_t sink = c->key().size() + c->recno();
    (void)sink;
    if (!(backward ? c->Prior() : c->Next()).ok()) return;
  }
}

}  // namespace

// The file the inputs are written to, removed when the fuzzer ends.
struct ScratchFile {
  std::string path = "/tmp/fuzz_cdx_" + std::to_string(::getpid()) + ".CDX";
  ~ScratchFile() { ::unlink(path.c_str()); }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFile scratch;
  const std::string& path = scratch.path;
  static const std::vector<xbase::FieldDesc> fields = Fields();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);

  Tasks tasks;
  std::unique_ptr<xbase::CdxIndex> index;
  if (!xbase::CdxIndex::Open(path, fields, false, &index).ok()) return 0;
  index->SetLockTimeout(0);
  (void)index->QuickCheck(tasks);
  std::vector<std::string> problems;
  (void)index->Verify(tasks, &problems);
  for (int t = 0; t < index->TagCount(); ++t) {
    Walk(*index, t, false);
    Walk(*index, t, true);
    std::unique_ptr<xbase::CdxIndex::Cursor> c = index->NewCursor(t);
    bool exact = false;
    for (const char* key : {"", " ", "2024", "20240305", "CALL", "T", "\xff\xff"}) {
      (void)c->Seek(key, &exact);
      (void)c->Next();
      (void)c->Prior();
    }
    (void)c->Locate(2, tasks.at(2).data());
  }
  // Changes: a delete, an edit, a recall and an append.
  for (uint32_t r : {3u, 5u, 10u}) {
    std::vector<uint8_t> now = tasks.at(r);
    if (r == 5) {
      now[0] = ' ';
    } else if (r == 3) {
      now[0] = '*';
    } else {
      std::memcpy(&now[14], "changed", 7);
    }
    (void)index->Update(r, tasks.at(r).data(), now.data());
  }
  (void)index->Update(31, nullptr, tasks.at(1).data());
  if (index->TagCount() > 0) Walk(*index, 0, false);
  (void)index->Verify(tasks, &problems);
  return 0;
}
