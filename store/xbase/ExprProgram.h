// ExprProgram: a compiled expression as a flat tree of nodes, with field offsets
// resolved and a scratch area for the character results that need one.
//
// Evaluation walks the tree recursively and never allocates: character values are views
// (pointer + length) straight into the record, into the literal pool or into the node's
// own slice of the scratch area, which is sized at compile time from the node's maximum
// result length. Each node's slice is written only by that node, and a node is evaluated
// at most once per evaluation of its parent, so a child's view stays valid while its
// parent is working. A node used twice (UPPER(KEYS) in two alternatives of a filter) is
// computed once per evaluation and its result kept. Evaluation is single-threaded: the
// scratch area is shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/xbase/Expression.h"

namespace xbase {

// A character (or date, "yyyymmdd") value: never a null pointer, even when empty.
struct ExprStr {
  const uint8_t* p;
  uint32_t n;
};

enum class ExprOp : uint8_t {
  // leaves
  kConstL,   // num != 0
  kConstN,   // num
  kConstC,   // pool[offset, offset + max_len)
  kFieldC,   // record[offset, offset + max_len); character and date fields
  kFieldL,   // record[offset]
  kFieldN,   // record[offset, offset + max_len) read as a number
  kDeleted,  // record[0] == '*'
  kRecno,
  // logical results
  kAnd,  // args, short-circuit
  kOr,   // args, short-circuit
  kNot,  // a
  kCompareC,  // a cmp b, cmp in sub (ExprCmp); EXACT OFF for "=" and its negation
  kCompareFieldLit,  // record[offset, offset + max_len) cmp the literal; as kCompareC
  kCompareField8,    // as kCompareFieldLit for an 8-byte field and literal: one word compare
  kCompareD,  // a cmp b on "yyyymmdd" values; "=" is exact
  kCompareN,
  kCompareL,
  kContains,  // a $ b
  kContainsLit,  // the literal $ b; the literal is not empty
  kEmptyC,    // also dates
  kEmptyN,
  kEmptyL,
  kIifL,  // a ? b : c
  // numeric results
  kIifN,
  kArith,  // args[0] then (arg_ops[k], args[k]) folded left to right
  kNeg,    // -a
  kLen,    // LEN(a)
  kAt,     // AT(a, b)
  kVal,    // VAL(a)
  kDateDiff,  // a - b on dates, in days
  // character (and date) results
  kIifC,
  kUpper,
  kLower,
  kRTrim,
  kLTrim,
  kAllTrim,
  kSubstr,  // SUBSTR(a, b [, c]); c == kNone: to the end
  kRight,   // RIGHT(a, b)
  kConcat,  // args joined; arg_ops[k] '-' moves the trailing blanks so far to the end
  kStr,     // STR(a) with width max_len and aux decimals
  kDateAdd,  // date a plus b days
};

// Comparison operators (ExprNode::sub of the kCompare* nodes).
enum class ExprCmp : uint8_t { kEq, kExactEq, kNe, kLt, kLe, kGt, kGe };

// Operators of a kArith fold (ExprProgram arg_ops).
enum class ExprArith : uint8_t { kAdd, kSub, kMul, kDiv, kMod, kPow };

struct ExprNode {
  static constexpr uint32_t kNone = UINT32_MAX;

  ExprOp op = ExprOp::kConstL;
  ValueType type = ValueType::kLogical;
  uint8_t sub = 0;      // ExprCmp of a comparison
  uint16_t depth = 1;   // height of the subtree (compile-time check only)
  uint32_t a = kNone, b = kNone, c = kNone;
  uint32_t first = 0, count = 0;  // argument list of n-ary nodes
  uint32_t offset = 0;  // field offset or literal pool offset
  uint32_t max_len = 0;  // longest character result
  uint32_t buf = 0;     // scratch offset of nodes that build their result
  uint32_t aux = 0;     // STR decimals
  uint32_t lit = 0, lit_len = 0;  // pool bytes of the literal of the *Lit nodes
  bool shared = false;  // reached from several parents: its result is kept per evaluation
  double num = 0;       // constant value
};

class ExprProgram {
 public:
  // Building (used by the parser).
  uint32_t Add(const ExprNode& node);
  ExprNode& node(uint32_t i) { return nodes_[i]; }
  const ExprNode& node(uint32_t i) const { return nodes_[i]; }
  // Appends an argument list for an n-ary node; returns its first index.
  uint32_t AddArgs(const std::vector<uint32_t>& args, const std::vector<uint8_t>& ops);
  uint32_t AddLiteral(std::string_view bytes);
  // Reserves `len` scratch bytes; returns the offset.
  uint32_t ReserveScratch(uint32_t len);
  uint64_t scratch_size() const { return scratch_size_; }
  void Finish(uint32_t root);
  uint32_t root() const { return root_; }
  // The code page UPPER and LOWER convert in (the table's).
  void SetCodePage(int code_page) { code_page_ = code_page; }

  // Evaluation of the root. Pick the one matching the root's type.
  bool EvalLogical(const EvalContext& ctx) const {
    ++generation_;
    return L(root_, ctx);
  }
  double EvalNumeric(const EvalContext& ctx) const {
    ++generation_;
    return N(root_, ctx);
  }
  ExprStr EvalString(const EvalContext& ctx) const {
    ++generation_;
    return C(root_, ctx);
  }

 private:
  bool L(uint32_t i, const EvalContext& ctx) const;
  double N(uint32_t i, const EvalContext& ctx) const;
  ExprStr C(uint32_t i, const EvalContext& ctx) const;
  ExprStr Literal(const ExprNode& n) const;

  std::vector<ExprNode> nodes_;
  std::vector<uint32_t> args_;
  std::vector<uint8_t> arg_ops_;
  std::string pool_;
  uint64_t scratch_size_ = 0;
  mutable std::vector<uint8_t> scratch_;
  // Results of shared nodes: valid while stamp equals the evaluation's generation.
  mutable uint64_t generation_ = 0;
  mutable std::vector<uint64_t> stamps_;
  mutable std::vector<uint32_t> lengths_;
  uint32_t root_ = 0;
  int code_page_ = kDefaultCodePage;
};

// Helpers shared with the tests: the numeric reading of field bytes and VAL(), and the
// day numbers behind date arithmetic.
// Reads blanks, an optional sign, digits, an optional point and digits, and with
// `exponent` an "E" part; stops at the first byte that does not fit. 0 when no digits.
double ExprParseNumber(const uint8_t* p, size_t n, bool exponent);
// Julian day number of "yyyymmdd"; 0 for a blank or invalid date.
int64_t ExprDayNumber(ExprStr date);
// Writes the "yyyymmdd" of day number `day` to out[0..8); false (8 blanks written) when
// the day is outside years 1..9999.
[[nodiscard]] bool ExprFormatDay(int64_t day, uint8_t* out);

}  // namespace xbase
