// Expression: the xBase expression subset used by index keys and record filters,
// compiled once against a table's fields and evaluated per record without allocating.
//
// The language: field names (any case, optionally behind an alias "x." / "x->" or the
// word FIELD, which is dropped); strings in "..", '..' or [..]; numbers; .T. .F. .Y. .N.;
// unary + -; ^ **; * / %; + - (numbers, strings, date +/- days, date - date); the
// relations = == <> # != < <= > >= $; NOT .NOT. !; AND .AND.; OR .OR. (short-circuit);
// and the functions UPPER LOWER TRIM RTRIM LTRIM ALLTRIM SUBSTR LEFT RIGHT DELETED RECNO
// EMPTY IIF DTOS STR VAL LEN AT, each also by a unique prefix of four letters or more.
// Strings compare as bytes (unsigned); UPPER and LOWER convert in the table's code page.
// "=" is the non-exact comparison (EXACT OFF). Division or modulus by zero gives 0.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "store/xbase/Codepage.h"
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
  // fields or functions are kSyntax too; operand type errors are kTypeMismatch; a
  // constant argument outside its function's domain (SUBSTR start below 1, STR length)
  // and expressions too large to evaluate are kInvalidArgument. Memo fields cannot be
  // used (kTypeMismatch). `*out` is left unchanged on failure. UPPER and LOWER convert
  // in `code_page` (a Windows code page number, see Codepage.h).
  static Status Compile(std::string_view text, std::span<const FieldDesc> fields, Expression* out,
                        int code_page = kDefaultCodePage);

  bool valid() const { return impl_ != nullptr; }
  ValueType type() const;
  // The largest number of bytes EvalCharacter can write (a key's width): for character
  // results the static width (field widths; UPPER/LOWER/TRIM keep it; SUBSTR/LEFT/RIGHT
  // with a constant count give that count, at most the source's width; STR gives its
  // length; + and - add widths); 8 for dates; 1 for logicals; 0 for numbers.
  uint32_t max_length() const;
  const std::string& text() const;

  // Evaluators. Calling one that does not match type() is a programming error
  // (the result is false / empty / 0). None of them allocates. They share the compiled
  // program's scratch space, so one Expression must not be evaluated on two threads at
  // once. String comparisons follow EXACT OFF: "abc" = "ab" holds, "ab" = "abc" does not.
  bool EvalLogical(const EvalContext& ctx) const;
  double EvalNumeric(const EvalContext& ctx) const;
  // Writes the result into `out` (room for max_length() bytes) and returns its length:
  // the character value as it is (TRIM and friends may make it shorter than
  // max_length(); callers building keys pad with blanks); for a date "yyyymmdd" (8
  // blanks when empty); for a logical the key byte 'T' or 'F'; nothing for a number.
  uint32_t EvalCharacter(const EvalContext& ctx, uint8_t* out) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
