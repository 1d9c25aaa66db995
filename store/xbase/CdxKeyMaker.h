// CdxKeyMaker: one tag's compiled key and FOR expressions, turning a record into the
// fixed-length key bytes the tag stores and telling whether the record belongs in it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "store/xbase/Expression.h"
#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase::cdx {

enum class KeyKind { kCharacter, kLogical, kNumeric, kDate };

class CdxKeyMaker {
 public:
  // Compiles the key and (when not empty) FOR expression against `fields`. kSyntax or
  // kTypeMismatch from the compiler; kTypeMismatch when the FOR expression is not
  // logical; kInvalidArgument when the key is empty or longer than an index key can be.
  // UPPER and LOWER in the expressions convert in `code_page` (the table's).
  static Status Compile(std::string_view key_text, std::string_view for_text,
                        std::span<const FieldDesc> fields, CdxKeyMaker* out,
                        int code_page = kDefaultCodePage);

  KeyKind kind() const { return kind_; }
  uint32_t key_length() const { return key_length_; }
  // Pad byte of the key (blank for character keys, NUL for the others).
  uint8_t pad() const { return pad_; }
  bool has_for() const { return condition_.valid(); }
  const std::string& key_text() const { return key_text_; }
  const std::string& for_text() const { return for_text_; }

  // True when the record belongs in the tag (always without a FOR expression).
  bool Meets(const EvalContext& ctx) const {
    return !condition_.valid() || condition_.EvalLogical(ctx);
  }
  // Writes the key_length() key bytes of the record into `out`.
  void MakeKey(const EvalContext& ctx, uint8_t* out) const;

 private:
  Expression key_;
  Expression condition_;
  std::string key_text_;
  std::string for_text_;
  KeyKind kind_ = KeyKind::kCharacter;
  uint32_t key_length_ = 0;
  uint8_t pad_ = 0x20;
};

// The form of an expression this engine stores in an index: the bare logical words
// NOT, AND and OR (any case, outside string literals, not already written with dots)
// become "!", ".AND." and ".OR." because other programs refuse stored expressions that
// use them ("not Deleted()" -> "!Deleted()"). Everything else is kept as written.
std::string CanonicalExpression(std::string_view text);

// The 8-byte key of a number: its big-endian double with the sign bit flipped for
// positive values and every bit flipped for negative ones, so keys sort as numbers.
void NumericKey(double value, uint8_t* out);

// Julian day number of a "yyyymmdd" date, 0 when the text is not such a date.
int64_t JulianDay(const uint8_t* yyyymmdd);

}  // namespace xbase::cdx
