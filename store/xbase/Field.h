// Field descriptions shared by the table, the expression compiler and the index.
#pragma once

#include <cstdint>
#include <string>

namespace xbase {

// Field type letters as stored in the DBF field descriptor (on-disk values, fixed).
enum class FieldType : char {
  kCharacter = 'C',
  kMemo = 'M',
  kLogical = 'L',
  kDate = 'D',
  kNumeric = 'N',
  kFloat = 'F',
};

// What a caller asks for when creating a table.
struct FieldSpec {
  std::string name;  // up to 10 characters; stored upper case
  FieldType type = FieldType::kCharacter;
  uint8_t width = 0;  // memo 10, logical 1, date 8
  uint8_t decimals = 0;
};

// A field as laid out in a record: offset counts from the start of the record image,
// whose byte 0 is the deleted mark ('*' deleted, ' ' not).
struct FieldDesc {
  std::string name;  // upper case
  FieldType type = FieldType::kCharacter;
  uint32_t offset = 0;
  uint8_t width = 0;
  uint8_t decimals = 0;
};

}  // namespace xbase
