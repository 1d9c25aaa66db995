// Opens arbitrary bytes as a table read-only and reads everything in it. The input is a
// table file, optionally followed by the marker "--FPT--" and the bytes of its memo file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/Table.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/fuzz-table-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made != nullptr ? made : "/tmp");
  }();
  return folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kMarker = "--FPT--";
  const size_t split = input.find(kMarker);
  const std::string dbf = Folder() + "/T.DBF";
  const std::string fpt = Folder() + "/T.FPT";
  WriteFile(dbf, input.substr(0, split));
  if (split == std::string_view::npos) {
    ::unlink(fpt.c_str());
  } else {
    WriteFile(fpt, input.substr(split + kMarker.size()));
  }

  std::unique_ptr<xbase::Table> t;
  if (!xbase::Table::Open(dbf, xbase::OpenMode::kReadOnly, &t).ok()) return 0;
  std::string memo;
  size_t total = 0;
  const int fields = static_cast<int>(t->fields().size());
  for (xbase::Status s = t->GoTop(); s.ok() && !t->Eof(); s = t->Skip(1)) {
    total += t->Deleted() ? 1 : 0;
    for (int f = 0; f < fields; ++f) {
      total += t->GetString(f).size() + (t->GetLogical(f) ? 1 : 0);
      if (t->fields()[f].type == xbase::FieldType::kMemo && t->GetMemo(f, &memo).ok()) total += memo.size();
    }
  }
  for (xbase::Status s = t->GoBottom(); s.ok() && !t->Bof() && !t->Eof(); s = t->Skip(-1)) total += t->RecNo();
  if (t->SetFilter("!Deleted()").ok()) {
    uint32_t n = 0;
    if (t->CountFiltered(&n).ok()) total += n;
  }
  std::vector<std::string> problems;
  if (t->Check(&problems).ok()) total += problems.size();
  return total == static_cast<size_t>(-1) ? 1 : 0;
}
