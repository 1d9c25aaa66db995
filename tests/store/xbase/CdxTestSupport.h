// Shared pieces of the compound index tests: an in-memory task table, random tasks, the
// five task tags and an independent computation of each tag's expected order.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "store/xbase/CdxIndex.h"

namespace xbase::cdxtest {

// The task table: DATE C8 @1, TIME C5 @9, DESCRIPT C50 @14, NOTE M10 @64, DONE L1 @74,
// KEYS C60 @75, PRIORITY C1 @135; 136 bytes a record.
inline constexpr uint32_t kRecordLength = 136;

inline std::vector<FieldDesc> TaskFields() {
  return {
      {"DATE", FieldType::kCharacter, 1, 8, 0},       {"TIME", FieldType::kCharacter, 9, 5, 0},
      {"DESCRIPT", FieldType::kCharacter, 14, 50, 0}, {"NOTE", FieldType::kMemo, 64, 10, 0},
      {"DONE", FieldType::kLogical, 74, 1, 0},        {"KEYS", FieldType::kCharacter, 75, 60, 0},
      {"PRIORITY", FieldType::kCharacter, 135, 1, 0},
  };
}

inline std::vector<TagDefinition> TaskTags(const std::string& condition = "!Deleted()") {
  return {{"DATETIME", "DATE+TIME", condition},
          {"DESCRIPT", "upper(DESCRIPT)", condition},
          {"DONE", "DONE", condition},
          {"KEYS", "upper(KEYS)", condition},
          {"PRIORITY", "upper(PRIORITY)+DATE+TIME", condition}};
}

struct Task {
  std::string date, time, descript, keys, priority;
  char done = 'F';
  bool deleted = false;
};

inline void PutField(std::vector<uint8_t>& r, uint32_t offset, uint32_t width,
                     const std::string& v) {
  std::memset(&r[offset], ' ', width);
  std::memcpy(&r[offset], v.data(), std::min<size_t>(v.size(), width));
}

inline std::vector<uint8_t> Image(const Task& t) {
  std::vector<uint8_t> r(kRecordLength, ' ');
  r[0] = t.deleted ? '*' : ' ';
  PutField(r, 1, 8, t.date);
  PutField(r, 9, 5, t.time);
  PutField(r, 14, 50, t.descript);
  PutField(r, 64, 10, "");
  r[74] = static_cast<uint8_t>(t.done);
  PutField(r, 75, 60, t.keys);
  PutField(r, 135, 1, t.priority);
  return r;
}

// Records held in memory, laid out as in the table file.
class MemoryTable : public RecordSource {
 public:
  uint32_t RecordCount() override { return static_cast<uint32_t>(records_.size()); }
  Status ReadRecord(uint32_t recno, const uint8_t** image) override {
    if (recno == 0 || recno > records_.size()) return Status::NotFound("no record");
    *image = records_[recno - 1].data();
    return Status::Ok();
  }
  uint32_t Append(const Task& t) {
    records_.push_back(Image(t));
    return RecordCount();
  }
  std::vector<uint8_t>& at(uint32_t recno) { return records_[recno - 1]; }

 private:
  std::vector<std::vector<uint8_t>> records_;
};

// Random tasks with blank dates and times, mixed case and shared prefixes.
class TaskMaker {
 public:
  explicit TaskMaker(uint32_t seed) : rng_(seed) {}

  Task Make() {
    static const char* kWords[] = {"buy",     "Call",   "call", "email", "Fix",     "fix",
                                   "milk",    "report", "Tax",  "tax",   "garden",  "car",
                                   "dentist", "Mom",    "plan", "zebra", "Project", "project"};
    Task t;
    if (Pick(10) != 0) {
      t.date = std::to_string(2020 + Pick(6)) + Two(1 + Pick(12)) + Two(1 + Pick(28));
    }
    if (Pick(4) != 0) t.time = Two(Pick(24)) + ":" + Two(Pick(60));
    const int words = Pick(6);
    for (int i = 0; i < words; ++i) {
      if (i > 0) t.descript += ' ';
      t.descript += kWords[Pick(std::size(kWords))];
    }
    const int keys = Pick(4);
    for (int i = 0; i < keys; ++i) {
      if (i > 0) t.keys += ' ';
      t.keys += kWords[Pick(std::size(kWords))];
    }
    static const char* kPriorities[] = {"A", "B", "C", "a", "b", " "};
    t.priority = kPriorities[Pick(std::size(kPriorities))];
    static const char kDone[] = {'T', 'F', ' ', 't', 'f'};
    t.done = kDone[Pick(std::size(kDone))];
    t.deleted = Pick(8) == 0;
    return t;
  }

  int Pick(size_t n) { return static_cast<int>(rng_() % n); }
  std::mt19937& rng() { return rng_; }

 private:
  static std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
  std::mt19937 rng_;
};

inline std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

inline std::string Bytes(const std::vector<uint8_t>& r, uint32_t offset, uint32_t width) {
  return std::string(reinterpret_cast<const char*>(r.data() + offset), width);
}

// The key of tag `tag` (0..4 as in TaskTags) for a record image, computed by hand.
inline std::string ExpectedKey(int tag, const std::vector<uint8_t>& r) {
  switch (tag) {
    case 0:
      return Bytes(r, 1, 8) + Bytes(r, 9, 5);
    case 1:
      return UpperAscii(Bytes(r, 14, 50));
    case 2:
      return std::string(1, std::strchr("TtYy", r[74]) != nullptr && r[74] != 0 ? 'T' : 'F');
    case 3:
      return UpperAscii(Bytes(r, 75, 60));
    default:
      return UpperAscii(Bytes(r, 135, 1)) + Bytes(r, 1, 8) + Bytes(r, 9, 5);
  }
}

using Entry = std::pair<std::string, uint32_t>;

// Every (key, record) of a tag with condition "!Deleted()", sorted independently.
inline std::vector<Entry> ExpectedOrder(MemoryTable& table, int tag) {
  std::vector<Entry> out;
  for (uint32_t r = 1; r <= table.RecordCount(); ++r) {
    const std::vector<uint8_t>& img = table.at(r);
    if (img[0] == '*') continue;
    out.emplace_back(ExpectedKey(tag, img), r);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The entries of a tag as its cursor walks them forward (or backward, then reversed).
inline std::vector<Entry> Walk(CdxIndex& index, int tag, bool backward = false) {
  std::vector<Entry> out;
  std::unique_ptr<CdxIndex::Cursor> c = index.NewCursor(tag);
  EXPECT_TRUE((backward ? c->Last() : c->First()).ok());
  size_t guard = 0;
  while (!(backward ? c->bof() : c->eof()) && ++guard < 10000000) {
    out.emplace_back(std::string(c->key()), c->recno());
    const Status s = backward ? c->Prior() : c->Next();
    if (!s.ok()) {
      ADD_FAILURE() << s.ToString();
      break;
    }
  }
  if (backward) std::reverse(out.begin(), out.end());
  return out;
}

// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cdxtest-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  uint8_t buf[65536];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fclose(f);
}

}  // namespace xbase::cdxtest
