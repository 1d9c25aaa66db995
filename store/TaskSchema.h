// The task table's layout: its seven fields and five index tags, in the order they are
// created. Shared by the program, jlistdb, the benchmarks and the fuzz targets; plain
// C++ (no Qt), so that tools built on the engine alone can use it.
#pragma once

#include <vector>

#include "store/xbase/Defs.h"
#include "store/xbase/Field.h"

namespace task_schema {

// The field names and widths (characters; the memo's 10 bytes hold a block number).
inline constexpr char kDateField[] = "DATE";
inline constexpr char kTimeField[] = "TIME";
inline constexpr char kDescriptField[] = "DESCRIPT";
inline constexpr char kNoteField[] = "NOTE";
inline constexpr char kDoneField[] = "DONE";
inline constexpr char kKeysField[] = "KEYS";
inline constexpr char kPriorityField[] = "PRIORITY";
inline constexpr uint32_t kDateWidth = 8;
inline constexpr uint32_t kTimeWidth = 5;
inline constexpr uint32_t kDescriptWidth = 50;
inline constexpr uint32_t kNoteWidth = 10;
inline constexpr uint32_t kDoneWidth = 1;
inline constexpr uint32_t kKeysWidth = 60;
inline constexpr uint32_t kPriorityWidth = 1;

// DATE C8, TIME C5, DESCRIPT C50, NOTE M10, DONE L1, KEYS C60, PRIORITY C1.
inline std::vector<xbase::FieldSpec> FieldSpecs() {
  using xbase::FieldType;
  return {
      {kDateField, FieldType::kCharacter, kDateWidth, 0},
      {kTimeField, FieldType::kCharacter, kTimeWidth, 0},
      {kDescriptField, FieldType::kCharacter, kDescriptWidth, 0},
      {kNoteField, FieldType::kMemo, kNoteWidth, 0},
      {kDoneField, FieldType::kLogical, kDoneWidth, 0},
      {kKeysField, FieldType::kCharacter, kKeysWidth, 0},
      {kPriorityField, FieldType::kCharacter, kPriorityWidth, 0},
  };
}

// The fields as laid out in a record image: byte 0 is the deleted mark, DATE starts at 1.
inline std::vector<xbase::FieldDesc> FieldLayout() {
  std::vector<xbase::FieldDesc> layout;
  uint32_t offset = 1;
  for (const xbase::FieldSpec& field : FieldSpecs()) {
    layout.push_back({field.name, field.type, offset, field.width, field.decimals});
    offset += field.width;
  }
  return layout;
}

// Bytes in one record image (the deleted mark included).
inline constexpr uint32_t kRecordLength =
    1 + kDateWidth + kTimeWidth + kDescriptWidth + kNoteWidth + kDoneWidth + kKeysWidth + kPriorityWidth;
static_assert(kRecordLength == 136);

// The names of the five tags (fixed: other programs open them by name).
inline constexpr char kDateTimeTag[] = "DATETIME";
inline constexpr char kDescriptTag[] = "DESCRIPT";
inline constexpr char kDoneTag[] = "DONE";
inline constexpr char kKeysTag[] = "KEYS";
inline constexpr char kPriorityTag[] = "PRIORITY";

// The five tags, numbered 1 to 5 in this order; deleted records are in none of them.
// The condition is passed as "not Deleted()"; the index stores it as "!Deleted()", the
// form other programs read.
inline std::vector<xbase::TagDefinition> TagDefinitions() {
  return {
      {kDateTimeTag, "DATE+TIME", "not Deleted()"},
      {kDescriptTag, "upper(DESCRIPT)", "not Deleted()"},
      {kDoneTag, "DONE", "not Deleted()"},
      {kKeysTag, "upper(KEYS)", "not Deleted()"},
      {kPriorityTag, "upper(PRIORITY)+DATE+TIME", "not Deleted()"},
  };
}

}  // namespace task_schema
