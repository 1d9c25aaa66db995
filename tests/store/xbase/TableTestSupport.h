// Shared helpers of the table-layer tests: scratch folders, the task table's fields,
// raw file access and a quick way to fill a table.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "store/xbase/Table.h"

namespace xbase::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "jlist-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// DATE C8, TIME C5, DESCRIPT C50, NOTE M10, DONE L1, KEYS C60, PRIORITY C1.
inline std::vector<FieldSpec> TaskFieldSpecs() {
  return {
      {"DATE", FieldType::kCharacter, 8, 0},  {"TIME", FieldType::kCharacter, 5, 0},
      {"DESCRIPT", FieldType::kCharacter, 50, 0}, {"NOTE", FieldType::kMemo, 10, 0},
      {"DONE", FieldType::kLogical, 1, 0},    {"KEYS", FieldType::kCharacter, 60, 0},
      {"PRIORITY", FieldType::kCharacter, 1, 0},
  };
}
enum TaskField { kDate = 0, kTime, kDescript, kNote, kDone, kKeys, kPriority };

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Trimmed(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

struct TaskValues {
  std::string date, time, descript, note;
  bool done = false;
  std::string keys, priority;
};

// Appends one task through the table's own writers and posts it.
inline Status AppendTask(Table* t, const TaskValues& v) {
  XB_RETURN_IF_ERROR(t->Append());
  XB_RETURN_IF_ERROR(t->SetString(kDate, v.date));
  XB_RETURN_IF_ERROR(t->SetString(kTime, v.time));
  XB_RETURN_IF_ERROR(t->SetString(kDescript, v.descript));
  if (!v.note.empty()) XB_RETURN_IF_ERROR(t->SetMemo(kNote, v.note));
  XB_RETURN_IF_ERROR(t->SetLogical(kDone, v.done));
  XB_RETURN_IF_ERROR(t->SetString(kKeys, v.keys));
  XB_RETURN_IF_ERROR(t->SetString(kPriority, v.priority));
  return t->Post();
}

// Creates the task table `JLIST.DBF` in `dir` and opens it in `mode`.
inline std::unique_ptr<Table> CreateTaskTable(const TempDir& dir, OpenMode mode = OpenMode::kExclusive) {
  std::unique_ptr<Table> t;
  Status s = Table::Create(dir.File("JLIST.DBF"), TaskFieldSpecs());
  EXPECT_TRUE(s.ok()) << s.ToString();
  s = Table::Open(dir.File("JLIST.DBF"), mode, &t);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return t;
}

// The record numbers visible in the current order, from the top.
inline std::vector<uint32_t> VisibleRecords(Table* t) {
  std::vector<uint32_t> out;
  EXPECT_TRUE(t->GoTop().ok());
  while (!t->Eof()) {
    out.push_back(t->RecNo());
    if (!t->Skip(1).ok()) break;
  }
  return out;
}

}  // namespace xbase::testing
