// Compiles arbitrary text as an expression over the task table's seven fields and, when
// it compiles, evaluates it on a few fixed records with every evaluator.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "store/xbase/Expression.h"
#include "store/xbase/Field.h"

namespace {

const std::vector<xbase::FieldDesc>& Fields() {
  static const std::vector<xbase::FieldDesc> fields = {
      {"DATE", xbase::FieldType::kCharacter, 1, 8, 0},
      {"TIME", xbase::FieldType::kCharacter, 9, 5, 0},
      {"DESCRIPT", xbase::FieldType::kCharacter, 14, 50, 0},
      {"NOTE", xbase::FieldType::kMemo, 64, 10, 0},
      {"DONE", xbase::FieldType::kLogical, 74, 1, 0},
      {"KEYS", xbase::FieldType::kCharacter, 75, 60, 0},
      {"PRIORITY", xbase::FieldType::kCharacter, 135, 1, 0},
      // Fields of the other types, laid after the task fields.
      {"QTY", xbase::FieldType::kNumeric, 136, 8, 2},
      {"BORN", xbase::FieldType::kDate, 144, 8, 0},
      {"RATE", xbase::FieldType::kFloat, 152, 10, 3},
  };
  return fields;
}

constexpr size_t kRecordLength = 162;

std::vector<std::vector<uint8_t>> Records() {
  std::vector<std::vector<uint8_t>> records;
  auto put = [](std::vector<uint8_t>& r, size_t at, std::string_view v) {
    std::memcpy(r.data() + at, v.data(), v.size());
  };
  std::vector<uint8_t> blank(kRecordLength, ' ');
  records.push_back(blank);

  std::vector<uint8_t> full(kRecordLength, ' ');
  put(full, 1, "20240305");
  put(full, 9, "09:30");
  put(full, 14, "Call the plumber about the \xE9vier");
  put(full, 64, "        12");
  put(full, 74, "T");
  put(full, 75, "home WORK garden");
  put(full, 135, "A");
  put(full, 136, " -123.45");
  put(full, 144, "20240229");
  put(full, 152, "    9.8765");
  records.push_back(full);

  // Bytes no writer would leave: a deleted mark and garbage in every field.
  std::vector<uint8_t> odd(kRecordLength);
  for (size_t i = 0; i < kRecordLength; ++i) odd[i] = static_cast<uint8_t>(i * 37 + 11);
  odd[0] = '*';
  records.push_back(odd);
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::vector<uint8_t>> records = Records();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  xbase::Expression e;
  if (!xbase::Expression::Compile(text, Fields(), &e).ok()) return 0;
  std::vector<uint8_t> out(e.max_length() + 1);
  uint32_t recno = 1;
  for (const std::vector<uint8_t>& r : records) {
    const xbase::EvalContext ctx{r.data(), recno++};
    switch (e.type()) {
      case xbase::ValueType::kLogical: (void)e.EvalLogical(ctx); break;
      case xbase::ValueType::kNumeric: (void)e.EvalNumeric(ctx); break;
      default: break;
    }
    const uint32_t n = e.EvalCharacter(ctx, out.data());
    if (n > e.max_length()) __builtin_trap();  // a result wider than promised
  }
  return 0;
}
