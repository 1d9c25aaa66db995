// DbfHeader: the decoded header of a DBF table (the 32-byte table header and the field
// descriptors), with the checks a reader makes before trusting a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/xbase/DbfFormat.h"
#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase {

struct DbfHeader {
  uint8_t version = 0;
  uint8_t flags = 0;
  uint8_t code_page = 0;
  uint32_t record_count = 0;
  uint32_t header_length = 0;
  uint32_t record_length = 0;
  std::vector<FieldDesc> fields;  // 'F' fields are described as numeric
  bool memo_binary = false;       // memo pointers stored as u32 instead of ten digits

  bool HasMemo() const;

  // Decodes and checks `size` header bytes (at least 32; the descriptors need
  // header_length bytes). kCorrupt names the rule broken; kNotSupported for well-formed
  // tables of a kind this engine does not handle (other memo formats, other field types).
  static Status Parse(const uint8_t* data, size_t size, DbfHeader* out);

  // Checks `specs` and lays out the header of a new, empty table: `*bytes` receives the
  // header (header_length bytes) followed by the end-of-file marker.
  static Status Build(const std::vector<FieldSpec>& specs, DbfHeader* out, std::vector<uint8_t>* bytes,
                       uint8_t code_page_mark = dbf::kCodePage1252);

  // Writes today's date (year % 100, month, day) into three bytes.
  static void StampDate(uint8_t* ymd);
  // Writes the update date `ymd` (three bytes, as from StampDate) and `record_count` as
  // they lie in the table header from the update date on: dbf::kDateAndCountSize bytes
  // at `out`.
  static void EncodeDateAndCount(const uint8_t* ymd, uint32_t record_count, uint8_t* out);
};

}  // namespace xbase
