// CdxHeader: the 1024-byte headers of a compound index — the directory header at offset 0
// and one tag header per tag — read and written field by field.
#pragma once

#include <cstdint>
#include <string>

#include "store/xbase/Status.h"

namespace xbase::cdx {

struct HeaderFields {
  uint32_t root = 0;
  uint32_t free_list = 0;
  uint32_t counter = 0;
  uint16_t key_length = 0;
  uint8_t options = 0;
  uint8_t signature = 0;
  uint16_t order = 0;
  std::string key_expression;
  std::string for_expression;
  // Bytes 36..501 are all zero (a tag of the default byte-order collation).
  bool plain_collation = true;
};

// Reads a header; kCorrupt when the expression pool offsets or lengths run outside the
// pool or an expression lacks its terminating NUL.
Status DecodeHeader(const uint8_t* bytes, HeaderFields* out);

// Writes a tag header (1024 bytes): root, key length, options (with the FOR bit when
// `for_expression` is not empty), signature, ascending order and the expression pool.
// kInvalidArgument when the expressions do not fit the pool.
Status EncodeTagHeader(uint32_t root, uint32_t key_length, const std::string& key_expression,
                       const std::string& for_expression, uint8_t* bytes);

// Writes the directory header (1024 bytes) of a structural index.
void EncodeDirectoryHeader(uint32_t root, uint32_t free_list, uint32_t counter, uint8_t* bytes);

}  // namespace xbase::cdx
