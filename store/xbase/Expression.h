// Expression: the xBase expression subset used by index keys and record filters,
// compiled once against a table's fields and evaluated per record without allocating.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase {

// The record an expression is evaluated on.
struct EvalContext {
  const uint8_t* record = nullptr;  // whole record image, byte 0 = deleted mark
  uint32_t recno = 0;               // physical record number (1-based)
};

enum class ValueType : char { kCharacter = 'C', kNumeric = 'N', kLogical = 'L', kDate = 'D' };

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  // Compiles `text` against `fields` (names case-insensitive). On a syntax error the
  // status is kSyntax and its message names the 1-based character position; unknown
  // fields or functions are kSyntax too; operand type errors are kTypeMismatch.
  // `*out` is left unchanged on failure.
  static Status Compile(std::string_view text, std::span<const FieldDesc> fields, Expression* out);

  bool valid() const { return impl_ != nullptr; }
  ValueType type() const;
  // For character results: the largest length the expression can give (a key's width).
  uint32_t max_length() const;
  const std::string& text() const;

  // Evaluators. Calling one that does not match type() is a programming error
  // (the result is false / empty / 0). None of them allocates.
  bool EvalLogical(const EvalContext& ctx) const;
  double EvalNumeric(const EvalContext& ctx) const;
  // Writes the character result into `out` (room for max_length() bytes) and returns
  // its length. For a date result writes "yyyymmdd" (8 bytes).
  uint32_t EvalCharacter(const EvalContext& ctx, uint8_t* out) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
