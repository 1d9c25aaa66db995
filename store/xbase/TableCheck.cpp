// Table: the consistency check of the files.
#include "store/xbase/TableImpl.h"

#include <algorithm>
#include <cstring>

namespace xbase {

namespace {

// Check reports at most this many problems with records, then a summary line.
constexpr size_t kMaxRecordProblems = 1000;

}  // namespace

Status Table::Impl::Check(std::vector<std::string>* problems) {
  problems->clear();
  RefreshCount();
  std::vector<uint8_t> bytes(header.header_length);
  XB_RETURN_IF_ERROR(dbf.Read(0, bytes.size(), bytes.data()));
  DbfHeader on_disk;
  Status s = DbfHeader::Parse(bytes.data(), bytes.size(), &on_disk);
  if (!s.ok()) {
    problems->push_back("header: " + s.message());
    return Status::Ok();
  }
  if (truncated) {
    problems->push_back("header counts " + std::to_string(header.record_count) + " records but the file holds " +
                        std::to_string(count));
  }
  if ((header.flags & dbf::kFlagStructuralIndex) == 0 && cdx != nullptr) {
    problems->push_back("header: the structural index flag is not set although the index exists");
  }

  uint32_t next_free = 0;
  if (memo) XB_RETURN_IF_ERROR(memo->ReadHeader(&next_free));
  struct Run {
    uint32_t start, end, recno;
  };
  std::vector<Run> runs;
  size_t record_problems = 0;
  auto report = [&](uint32_t n, const std::string& what) {
    if (++record_problems <= kMaxRecordProblems) problems->push_back("record " + std::to_string(n) + ": " + what);
  };
  for (uint32_t n = 1; n <= count; ++n) {
    const uint8_t* p = RecordPtr(n);
    if (p == nullptr) return Status::IoError("cannot map " + path);
    if (p[dbf::kOffDeletedMark] != dbf::kActive && p[dbf::kOffDeletedMark] != dbf::kDeleted) report(n, "invalid deleted mark");
    for (const FieldDesc& f : header.fields) {
      if (f.type == FieldType::kLogical) {
        if (std::strchr("TtYyFfNn ?", p[f.offset]) == nullptr || p[f.offset] == 0) {
          report(n, "invalid logical value in " + f.name);
        }
      } else if (f.type == FieldType::kMemo) {
        uint32_t block = 0;
        s = DecodeMemoPointer(p, f, &block);
        if (!s.ok()) {
          report(n, s.message());
          continue;
        }
        if (block == 0) continue;
        if (!memo) {
          report(n, f.name + " points into a missing memo file");
          continue;
        }
        uint32_t blocks = 0;
        s = memo->CheckValue(block, next_free, &blocks);
        if (!s.ok()) {
          report(n, f.name + ": " + s.message());
        } else {
          runs.push_back(Run{block, block + blocks, n});
        }
      }
    }
  }
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.start < b.start; });
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i].start < runs[i - 1].end) {
      report(runs[i].recno, "its memo overlaps the memo of record " + std::to_string(runs[i - 1].recno));
    }
  }
  if (record_problems > kMaxRecordProblems) {
    problems->push_back("... and " + std::to_string(record_problems - kMaxRecordProblems) + " more record problems");
  }

  switch (index_state) {
    case IndexState::kNone:
      break;
    case IndexState::kMissing:
    case IndexState::kDamaged:
      problems->push_back("index: " + index_problem);
      break;
    case IndexState::kOk: {
      std::vector<std::string> index_problems;
      s = cdx->Verify(*this, &index_problems);
      if (!s.ok() && !s.IsCorrupt()) return s;  // kCorrupt only says the lines are there
      for (std::string& line : index_problems) problems->push_back("index: " + line);
      if (!s.ok() && index_problems.empty()) problems->push_back("index: " + s.message());
      break;
    }
  }
  return Status::Ok();
}

Status Table::Check(std::vector<std::string>* problems) { return impl_->Check(problems); }

}  // namespace xbase
