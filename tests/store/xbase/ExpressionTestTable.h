// The task table's layout and a record builder shared by the expression tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/Expression.h"
#include "store/xbase/Field.h"

namespace xbase::testing {

// DATE C8, TIME C5, DESCRIPT C50, NOTE M10, DONE L1, KEYS C60, PRIORITY C1.
inline std::vector<FieldDesc> TaskFields() {
  return {
      {"DATE", FieldType::kCharacter, 1, 8, 0},   {"TIME", FieldType::kCharacter, 9, 5, 0},
      {"DESCRIPT", FieldType::kCharacter, 14, 50, 0}, {"NOTE", FieldType::kMemo, 64, 10, 0},
      {"DONE", FieldType::kLogical, 74, 1, 0},    {"KEYS", FieldType::kCharacter, 75, 60, 0},
      {"PRIORITY", FieldType::kCharacter, 135, 1, 0},
  };
}

// NAME C10, QTY N(8,2), BORN D8, OK L1, RATE F(10,3): the other field types.
inline std::vector<FieldDesc> MixedFields() {
  return {
      {"NAME", FieldType::kCharacter, 1, 10, 0}, {"QTY", FieldType::kNumeric, 11, 8, 2},
      {"BORN", FieldType::kDate, 19, 8, 0},      {"OK", FieldType::kLogical, 27, 1, 0},
      {"RATE", FieldType::kFloat, 28, 10, 3},
  };
}

// A blank record image laid out as `fields`, with setters by field name.
class Record {
 public:
  explicit Record(std::vector<FieldDesc> fields) : fields_(std::move(fields)) {
    uint32_t end = 1;
    for (const FieldDesc& f : fields_) end = std::max(end, f.offset + f.width);
    bytes_.assign(end, ' ');
  }

  // Stores `value` left-aligned and blank-padded (cut at the width).
  Record& Set(std::string_view name, std::string_view value) {
    const FieldDesc& f = Find(name);
    std::memset(&bytes_[f.offset], ' ', f.width);
    std::memcpy(&bytes_[f.offset], value.data(), std::min<size_t>(value.size(), f.width));
    return *this;
  }
  Record& SetDeleted(bool deleted) {
    bytes_[0] = deleted ? '*' : ' ';
    return *this;
  }
  const uint8_t* data() const { return bytes_.data(); }
  const std::vector<FieldDesc>& fields() const { return fields_; }

 private:
  const FieldDesc& Find(std::string_view name) const {
    for (const FieldDesc& f : fields_) {
      if (f.name == name) return f;
    }
    ADD_FAILURE() << "no field " << name;
    return fields_.front();
  }

  std::vector<FieldDesc> fields_;
  std::vector<uint8_t> bytes_;
};

inline Record TaskRecord() { return Record(TaskFields()); }
inline Record MixedRecord() { return Record(MixedFields()); }

// Compiles `text` against the record's fields, failing the test on an error.
inline Expression MustCompile(std::string_view text, const Record& rec) {
  Expression e;
  const Status st = Expression::Compile(text, rec.fields(), &e);
  EXPECT_TRUE(st.ok()) << text.substr(0, 200) << ": " << st.ToString();
  return e;
}

inline bool Logical(std::string_view text, const Record& rec, uint32_t recno = 1) {
  const Expression e = MustCompile(text, rec);
  EXPECT_EQ(e.type(), ValueType::kLogical) << text;
  return e.EvalLogical(EvalContext{rec.data(), recno});
}

inline double Number(std::string_view text, const Record& rec, uint32_t recno = 1) {
  const Expression e = MustCompile(text, rec);
  EXPECT_EQ(e.type(), ValueType::kNumeric) << text;
  return e.EvalNumeric(EvalContext{rec.data(), recno});
}

// The character (or date, or logical key) result as a string.
inline std::string Chars(std::string_view text, const Record& rec, uint32_t recno = 1) {
  const Expression e = MustCompile(text, rec);
  std::string out(e.max_length(), '\x01');
  const uint32_t n = e.EvalCharacter(EvalContext{rec.data(), recno},
                                     reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_LE(n, e.max_length()) << text;
  out.resize(n);
  return out;
}

}  // namespace xbase::testing
