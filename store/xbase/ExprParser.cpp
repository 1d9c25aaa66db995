#include "store/xbase/ExprParser.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace xbase {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view whole, std::string_view prefix) {
  return prefix.size() <= whole.size() && EqualsNoCase(whole.substr(0, prefix.size()), prefix);
}

std::string UpperName(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Upper(c);
  return r;
}

enum Function {
  kAllTrim,
  kAt,
  kDeleted,
  kDtos,
  kEmpty,
  kIif,
  kLeft,
  kLen,
  kLower,
  kLTrim,
  kRecno,
  kRight,
  kRTrim,
  kStr,
  kSubstr,
  kTrim,
  kUpper,
  kVal,
};

struct FunctionInfo {
  std::string_view name;
  Function id;
  int min_args;
  int max_args;
};

constexpr FunctionInfo kFunctions[] = {
    {"ALLTRIM", kAllTrim, 1, 1}, {"AT", kAt, 2, 2},         {"DELETED", kDeleted, 0, 0},
    {"DTOS", kDtos, 1, 1},       {"EMPTY", kEmpty, 1, 1},   {"IIF", kIif, 3, 3},
    {"LEFT", kLeft, 2, 2},       {"LEN", kLen, 1, 1},       {"LOWER", kLower, 1, 1},
    {"LTRIM", kLTrim, 1, 1},     {"RECNO", kRecno, 0, 0},   {"RIGHT", kRight, 2, 2},
    {"RTRIM", kRTrim, 1, 1},     {"STR", kStr, 1, 3},       {"SUBSTR", kSubstr, 2, 3},
    {"TRIM", kTrim, 1, 1},       {"UPPER", kUpper, 1, 1},   {"VAL", kVal, 1, 1},
};

// An exact name, or a unique prefix of at least four letters (SUBS, ALLT). -1 if none.
int LookUpFunction(std::string_view name) {
  int found = -1;
  for (int i = 0; i < static_cast<int>(std::size(kFunctions)); ++i) {
    if (EqualsNoCase(kFunctions[i].name, name)) return i;
    if (name.size() >= 4 && StartsWithNoCase(kFunctions[i].name, name)) {
      if (found >= 0) return -1;  // ambiguous
      found = i;
    }
  }
  return found;
}

const char* TypeName(ValueType t) {
  switch (t) {
    case ValueType::kCharacter: return "character";
    case ValueType::kNumeric: return "numeric";
    case ValueType::kLogical: return "logical";
    case ValueType::kDate: return "date";
  }
  return "unknown";
}

Status MismatchAt(uint32_t pos, std::string_view what) {
  return Status::TypeMismatch("Type mismatch at position " + std::to_string(pos) + ": " +
                              std::string(what));
}

Status InvalidAt(uint32_t pos, std::string_view what) {
  return Status::InvalidArgument("Invalid argument at position " + std::to_string(pos) + ": " +
                                 std::string(what));
}

std::string DescribeToken(const Token& t) {
  switch (t.kind) {
    case Tok::kEnd: return "unexpected end of expression";
    case Tok::kString: return "unexpected string";
    default: return "unexpected '" + std::string(t.text) + "'";
  }
}

bool IsRelation(Tok t) {
  switch (t) {
    case Tok::kEq:
    case Tok::kExactEq:
    case Tok::kNe:
    case Tok::kLt:
    case Tok::kLe:
    case Tok::kGt:
    case Tok::kGe:
    case Tok::kDollar: return true;
    default: return false;
  }
}

ExprCmp CmpOf(Tok t) {
  switch (t) {
    case Tok::kExactEq: return ExprCmp::kExactEq;
    case Tok::kNe: return ExprCmp::kNe;
    case Tok::kLt: return ExprCmp::kLt;
    case Tok::kLe: return ExprCmp::kLe;
    case Tok::kGt: return ExprCmp::kGt;
    case Tok::kGe: return ExprCmp::kGe;
    default: return ExprCmp::kEq;
  }
}

}  // namespace

class ExprParser::NestingGuard {
 public:
  explicit NestingGuard(ExprParser* parser) : parser_(parser) {}
  ~NestingGuard() { --parser_->nesting_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  ExprParser* parser_;
};

ExprParser::ExprParser(std::span<const Token> tokens, std::span<const FieldDesc> fields,
                       ExprProgram* program)
    : tokens_(tokens), fields_(fields), program_(program) {}

Status ExprParser::Parse(uint32_t* root) {
  if (tokens_.empty() || Peek().kind == Tok::kEnd) {
    return SyntaxErrorAt(tokens_.empty() ? 1 : Peek().pos, "expression expected");
  }
  uint32_t node = 0;
  XB_RETURN_IF_ERROR(ParseOr(&node));
  if (Peek().kind != Tok::kEnd) return SyntaxErrorAt(Peek().pos, DescribeToken(Peek()));
  if (program_->node(node).depth > kMaxTreeDepth) {
    return InvalidAt(1, "expression too complex");
  }
  *root = node;
  return Status::Ok();
}

// Counts one level of nesting; the caller holds a NestingGuard from then on.
Status ExprParser::Enter(uint32_t pos) {
  ++nesting_;
  if (nesting_ > kMaxNesting) {
    return SyntaxErrorAt(pos, "expression nested more than " + std::to_string(kMaxNesting) +
                                  " levels deep");
  }
  return Status::Ok();
}

bool ExprParser::IsConstNumber(uint32_t node) const {
  return program_->node(node).op == ExprOp::kConstN;
}

uint32_t ExprParser::AddConstNumber(double value) {
  ExprNode n;
  n.op = ExprOp::kConstN;
  n.type = ValueType::kNumeric;
  n.num = value;
  return program_->Add(n);
}

Status ExprParser::AddBuffered(ExprNode node, uint32_t pos, uint32_t* out) {
  if (node.max_len > kMaxResultLength) {
    return InvalidAt(pos, "result longer than " + std::to_string(kMaxResultLength) +
                              " characters");
  }
  if (program_->scratch_size() + node.max_len > kMaxScratch) {
    return InvalidAt(pos, "expression too complex");
  }
  node.buf = program_->ReserveScratch(node.max_len);
  *out = program_->Add(node);
  return Status::Ok();
}

Status ExprParser::ParseOr(uint32_t* out) {
  const uint32_t pos = Peek().pos;
  uint32_t first = 0;
  XB_RETURN_IF_ERROR(ParseAnd(&first));
  if (Peek().kind != Tok::kOr) {
    *out = first;
    return Status::Ok();
  }
  std::vector<uint32_t> args{first};
  std::vector<uint32_t> positions{pos};
  while (Peek().kind == Tok::kOr) {
    Take();
    positions.push_back(Peek().pos);
    uint32_t next = 0;
    XB_RETURN_IF_ERROR(ParseAnd(&next));
    args.push_back(next);
  }
  for (size_t k = 0; k < args.size(); ++k) {
    if (TypeOf(args[k]) != ValueType::kLogical) {
      return MismatchAt(positions[k], std::string(".OR. needs logical operands, not ") +
                                          TypeName(TypeOf(args[k])));
    }
  }
  ExprNode n;
  n.op = ExprOp::kOr;
  n.type = ValueType::kLogical;
  n.first = program_->AddArgs(args, {});
  n.count = static_cast<uint32_t>(args.size());
  *out = program_->Add(n);
  return Status::Ok();
}

Status ExprParser::ParseAnd(uint32_t* out) {
  const uint32_t pos = Peek().pos;
  uint32_t first = 0;
  XB_RETURN_IF_ERROR(ParseNot(&first));
  if (Peek().kind != Tok::kAnd) {
    *out = first;
    return Status::Ok();
  }
  std::vector<uint32_t> args{first};
  std::vector<uint32_t> positions{pos};
  while (Peek().kind == Tok::kAnd) {
    Take();
    positions.push_back(Peek().pos);
    uint32_t next = 0;
    XB_RETURN_IF_ERROR(ParseNot(&next));
    args.push_back(next);
  }
  for (size_t k = 0; k < args.size(); ++k) {
    if (TypeOf(args[k]) != ValueType::kLogical) {
      return MismatchAt(positions[k], std::string(".AND. needs logical operands, not ") +
                                          TypeName(TypeOf(args[k])));
    }
  }
  ExprNode n;
  n.op = ExprOp::kAnd;
  n.type = ValueType::kLogical;
  n.first = program_->AddArgs(args, {});
  n.count = static_cast<uint32_t>(args.size());
  *out = program_->Add(n);
  return Status::Ok();
}

Status ExprParser::ParseNot(uint32_t* out) {
  if (Peek().kind != Tok::kNot) return ParseRelation(out);
  const Token op = Take();
  XB_RETURN_IF_ERROR(Enter(op.pos));
  NestingGuard guard(this);
  const uint32_t pos = Peek().pos;
  uint32_t operand = 0;
  XB_RETURN_IF_ERROR(ParseNot(&operand));
  if (TypeOf(operand) != ValueType::kLogical) {
    return MismatchAt(pos, std::string(".NOT. needs a logical operand, not ") +
                               TypeName(TypeOf(operand)));
  }
  ExprNode n;
  n.op = ExprOp::kNot;
  n.type = ValueType::kLogical;
  n.a = operand;
  *out = program_->Add(n);
  return Status::Ok();
}

Status ExprParser::ParseRelation(uint32_t* out) {
  uint32_t left = 0;
  XB_RETURN_IF_ERROR(ParseSum(&left));
  if (!IsRelation(Peek().kind)) {
    *out = left;
    return Status::Ok();
  }
  const Token op = Take();
  uint32_t right = 0;
  XB_RETURN_IF_ERROR(ParseSum(&right));
  const ValueType lt = TypeOf(left);
  const ValueType rt = TypeOf(right);
  ExprNode n;
  n.type = ValueType::kLogical;
  n.a = left;
  n.b = right;
  if (op.kind == Tok::kDollar) {
    if (lt != ValueType::kCharacter || rt != ValueType::kCharacter) {
      return MismatchAt(op.pos, std::string("$ needs two character operands, not ") +
                                    TypeName(lt) + " and " + TypeName(rt));
    }
    n.op = ExprOp::kContains;
    const ExprNode& needle = program_->node(left);
    if (needle.op == ExprOp::kConstC) {
      if (needle.max_len == 0) {
        // An empty text is in nothing.
        n = ExprNode();
        n.op = ExprOp::kConstL;
        n.type = ValueType::kLogical;
      } else {
        n.op = ExprOp::kContainsLit;
        n.lit = needle.offset;
        n.lit_len = needle.max_len;
      }
    }
  } else {
    if (lt != rt) {
      return MismatchAt(op.pos, "cannot compare " + std::string(TypeName(lt)) + " with " +
                                    TypeName(rt));
    }
    switch (lt) {
      case ValueType::kCharacter: n.op = ExprOp::kCompareC; break;
      case ValueType::kDate: n.op = ExprOp::kCompareD; break;
      case ValueType::kNumeric: n.op = ExprOp::kCompareN; break;
      case ValueType::kLogical: n.op = ExprOp::kCompareL; break;
    }
    n.sub = static_cast<uint8_t>(CmpOf(op.kind));
    const ExprNode& l = program_->node(left);
    const ExprNode& r = program_->node(right);
    if (n.op == ExprOp::kCompareC && l.op == ExprOp::kFieldC && r.op == ExprOp::kConstC) {
      // A field against a literal, the common filter term: straight on the record bytes.
      n.op = ExprOp::kCompareFieldLit;
      n.offset = l.offset;
      n.max_len = l.max_len;
      n.lit = r.offset;
      n.lit_len = r.max_len;
      // Eight bytes against eight (the stored dates of the date filters): every comparison
      // reduces to comparing two big-endian words.
      if (n.max_len == 8 && n.lit_len == 8) n.op = ExprOp::kCompareField8;
    }
  }
  *out = program_->Add(n);
  return Status::Ok();
}

Status ExprParser::FlushChain(const std::vector<uint32_t>& args, const std::vector<uint8_t>& ops,
                              uint32_t pos, uint32_t* out) {
  if (args.size() == 1) {
    *out = args[0];
    return Status::Ok();
  }
  ExprNode n;
  n.type = TypeOf(args[0]);
  n.first = program_->AddArgs(args, ops);
  n.count = static_cast<uint32_t>(args.size());
  if (n.type == ValueType::kNumeric) {
    n.op = ExprOp::kArith;
    *out = program_->Add(n);
    return Status::Ok();
  }
  n.op = ExprOp::kConcat;
  uint64_t total = 0;
  for (const uint32_t a : args) total += program_->node(a).max_len;
  n.max_len = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
  return AddBuffered(n, pos, out);
}

Status ExprParser::ParseSum(uint32_t* out) {
  const uint32_t pos = Peek().pos;
  uint32_t left = 0;
  XB_RETURN_IF_ERROR(ParseProduct(&left));
  // The chain being collected: numbers (ExprArith ops) or strings ('+'/'-' ops).
  std::vector<uint32_t> args{left};
  std::vector<uint8_t> ops{0};
  while (Peek().kind == Tok::kPlus || Peek().kind == Tok::kMinus) {
    const Token op = Take();
    const bool minus = op.kind == Tok::kMinus;
    uint32_t right = 0;
    XB_RETURN_IF_ERROR(ParseProduct(&right));
    const ValueType lt = TypeOf(args[0]);
    const ValueType rt = TypeOf(right);
    if (lt == rt && lt == ValueType::kNumeric) {
      args.push_back(right);
      ops.push_back(static_cast<uint8_t>(minus ? ExprArith::kSub : ExprArith::kAdd));
      continue;
    }
    if (lt == rt && lt == ValueType::kCharacter) {
      args.push_back(right);
      ops.push_back(minus ? '-' : '+');
      continue;
    }
    // Date arithmetic ends the chain: date +/- days, days + date, date - date.
    uint32_t chain = 0;
    XB_RETURN_IF_ERROR(FlushChain(args, ops, pos, &chain));
    ExprNode n;
    if (lt == ValueType::kDate && rt == ValueType::kNumeric) {
      uint32_t days = right;
      if (minus) {
        if (IsConstNumber(right)) {
          days = AddConstNumber(-program_->node(right).num);
        } else {
          ExprNode neg;
          neg.op = ExprOp::kNeg;
          neg.type = ValueType::kNumeric;
          neg.a = right;
          days = program_->Add(neg);
        }
      }
      n.op = ExprOp::kDateAdd;
      n.type = ValueType::kDate;
      n.a = chain;
      n.b = days;
      n.max_len = 8;
      XB_RETURN_IF_ERROR(AddBuffered(n, op.pos, &chain));
    } else if (lt == ValueType::kNumeric && rt == ValueType::kDate && !minus) {
      n.op = ExprOp::kDateAdd;
      n.type = ValueType::kDate;
      n.a = right;
      n.b = chain;
      n.max_len = 8;
      XB_RETURN_IF_ERROR(AddBuffered(n, op.pos, &chain));
    } else if (lt == ValueType::kDate && rt == ValueType::kDate && minus) {
      n.op = ExprOp::kDateDiff;
      n.type = ValueType::kNumeric;
      n.a = chain;
      n.b = right;
      chain = program_->Add(n);
    } else {
      return MismatchAt(op.pos, std::string("cannot ") + (minus ? "subtract " : "add ") +
                                    TypeName(rt) + (minus ? " from " : " to ") + TypeName(lt));
    }
    args.assign(1, chain);
    ops.assign(1, 0);
  }
  return FlushChain(args, ops, pos, out);
}

Status ExprParser::ParseProduct(uint32_t* out) {
  const uint32_t pos = Peek().pos;
  uint32_t left = 0;
  XB_RETURN_IF_ERROR(ParsePower(&left));
  std::vector<uint32_t> args{left};
  std::vector<uint8_t> ops{0};
  while (Peek().kind == Tok::kStar || Peek().kind == Tok::kSlash ||
         Peek().kind == Tok::kPercent) {
    const Token op = Take();
    uint32_t right = 0;
    XB_RETURN_IF_ERROR(ParsePower(&right));
    if (TypeOf(args[0]) != ValueType::kNumeric || TypeOf(right) != ValueType::kNumeric) {
      return MismatchAt(op.pos, "'" + std::string(op.text) + "' needs numeric operands, not " +
                                    TypeName(TypeOf(args[0])) + " and " +
                                    TypeName(TypeOf(right)));
    }
    const ExprArith a = op.kind == Tok::kStar    ? ExprArith::kMul
                        : op.kind == Tok::kSlash ? ExprArith::kDiv
                                                 : ExprArith::kMod;
    args.push_back(right);
    ops.push_back(static_cast<uint8_t>(a));
  }
  return FlushChain(args, ops, pos, out);
}

Status ExprParser::ParsePower(uint32_t* out) {
  const uint32_t pos = Peek().pos;
  uint32_t left = 0;
  XB_RETURN_IF_ERROR(ParseUnary(&left));
  std::vector<uint32_t> args{left};
  std::vector<uint8_t> ops{0};
  while (Peek().kind == Tok::kPower) {
    const Token op = Take();
    uint32_t right = 0;
    XB_RETURN_IF_ERROR(ParseUnary(&right));
    if (TypeOf(args[0]) != ValueType::kNumeric || TypeOf(right) != ValueType::kNumeric) {
      return MismatchAt(op.pos, "'" + std::string(op.text) + "' needs numeric operands, not " +
                                    TypeName(TypeOf(args[0])) + " and " +
                                    TypeName(TypeOf(right)));
    }
    args.push_back(right);
    ops.push_back(static_cast<uint8_t>(ExprArith::kPow));
  }
  return FlushChain(args, ops, pos, out);
}

Status ExprParser::ParseUnary(uint32_t* out) {
  if (Peek().kind != Tok::kMinus && Peek().kind != Tok::kPlus) return ParsePrimary(out);
  const Token op = Take();
  XB_RETURN_IF_ERROR(Enter(op.pos));
  NestingGuard guard(this);
  uint32_t operand = 0;
  XB_RETURN_IF_ERROR(ParseUnary(&operand));
  if (TypeOf(operand) != ValueType::kNumeric) {
    return MismatchAt(op.pos, "unary '" + std::string(op.text) + "' needs a numeric operand, not " +
                                  TypeName(TypeOf(operand)));
  }
  if (op.kind == Tok::kPlus) {
    *out = operand;
  } else if (IsConstNumber(operand)) {
    *out = AddConstNumber(-program_->node(operand).num);
  } else {
    ExprNode n;
    n.op = ExprOp::kNeg;
    n.type = ValueType::kNumeric;
    n.a = operand;
    *out = program_->Add(n);
  }
  return Status::Ok();
}

Status ExprParser::ParsePrimary(uint32_t* out) {
  const Token t = Take();
  ExprNode n;
  switch (t.kind) {
    case Tok::kNumber:
      *out = AddConstNumber(t.number);
      return Status::Ok();
    case Tok::kString:
      n.op = ExprOp::kConstC;
      n.type = ValueType::kCharacter;
      n.offset = program_->AddLiteral(t.text);
      n.max_len = static_cast<uint32_t>(t.text.size());
      *out = program_->Add(n);
      return Status::Ok();
    case Tok::kTrue:
    case Tok::kFalse:
      n.op = ExprOp::kConstL;
      n.type = ValueType::kLogical;
      n.num = t.kind == Tok::kTrue ? 1 : 0;
      *out = program_->Add(n);
      return Status::Ok();
    case Tok::kLParen: {
      XB_RETURN_IF_ERROR(Enter(t.pos));
      NestingGuard guard(this);
      XB_RETURN_IF_ERROR(ParseOr(out));
      if (Peek().kind != Tok::kRParen) {
        return SyntaxErrorAt(Peek().pos, "')' expected, " + DescribeToken(Peek()));
      }
      Take();
      return Status::Ok();
    }
    case Tok::kIdent:
      if (Peek().kind == Tok::kLParen) return ParseCall(t, out);
      if (Peek().kind == Tok::kDot || Peek().kind == Tok::kArrow) {
        // alias.field, alias->field, FIELD->field: the alias is dropped.
        Take();
        const Token name = Take();
        if (name.kind != Tok::kIdent) {
          return SyntaxErrorAt(name.pos, "field name expected, " + DescribeToken(name));
        }
        return ParseField(name, out);
      }
      return ParseField(t, out);
    default:
      if (t.kind == Tok::kEnd) return SyntaxErrorAt(t.pos, "operand expected at end of expression");
      return SyntaxErrorAt(t.pos, DescribeToken(t));
  }
}

Status ExprParser::ParseField(const Token& name, uint32_t* out) {
  const FieldDesc* field = nullptr;
  for (const FieldDesc& f : fields_) {
    if (EqualsNoCase(f.name, name.text)) {
      field = &f;
      break;
    }
  }
  if (field == nullptr) {
    return SyntaxErrorAt(name.pos, "unknown field " + UpperName(name.text));
  }
  ExprNode n;
  n.offset = field->offset;
  n.max_len = field->width;
  switch (field->type) {
    case FieldType::kCharacter:
      n.op = ExprOp::kFieldC;
      n.type = ValueType::kCharacter;
      break;
    case FieldType::kDate:
      n.op = ExprOp::kFieldC;
      n.type = ValueType::kDate;
      break;
    case FieldType::kLogical:
      n.op = ExprOp::kFieldL;
      n.type = ValueType::kLogical;
      break;
    case FieldType::kNumeric:
    case FieldType::kFloat:
      n.op = ExprOp::kFieldN;
      n.type = ValueType::kNumeric;
      break;
    case FieldType::kMemo:
      return MismatchAt(name.pos, "memo field " + field->name + " cannot be used in an expression");
    default:
      return MismatchAt(name.pos, "field " + field->name + " has a type expressions do not handle");
  }
  if (n.op == ExprOp::kFieldL && field->width == 0) {
    return MismatchAt(name.pos, "logical field " + field->name + " has no width");
  }
  *out = program_->Add(n);
  return Status::Ok();
}

Status ExprParser::ParseCall(const Token& name, uint32_t* out) {
  const int function = LookUpFunction(name.text);
  if (function < 0) return SyntaxErrorAt(name.pos, "unknown function " + UpperName(name.text));
  const Token open = Take();
  XB_RETURN_IF_ERROR(Enter(open.pos));
  NestingGuard guard(this);
  std::vector<Arg> args;
  if (Peek().kind != Tok::kRParen) {
    for (;;) {
      Arg arg{0, Peek().pos};
      XB_RETURN_IF_ERROR(ParseOr(&arg.node));
      args.push_back(arg);
      if (Peek().kind != Tok::kComma) break;
      Take();
    }
  }
  if (Peek().kind != Tok::kRParen) {
    return SyntaxErrorAt(Peek().pos, "')' or ',' expected, " + DescribeToken(Peek()));
  }
  Take();
  const FunctionInfo& info = kFunctions[function];
  const int count = static_cast<int>(args.size());
  if (count < info.min_args || count > info.max_args) {
    std::string what = std::string(info.name) + "() takes ";
    if (info.min_args == info.max_args) {
      what += std::to_string(info.min_args);
    } else {
      what += std::to_string(info.min_args) + " to " + std::to_string(info.max_args);
    }
    what += info.max_args == 1 ? " argument" : " arguments";
    return SyntaxErrorAt(name.pos, what);
  }
  return BuildCall(function, name, args, out);
}

Status ExprParser::BuildCall(int function, const Token& name, const std::vector<Arg>& args,
                             uint32_t* out) {
  const FunctionInfo& info = kFunctions[function];
  // Checks that argument k is of type t.
  auto expect = [&](size_t k, ValueType t) -> Status {
    const ValueType actual = TypeOf(args[k].node);
    if (actual == t) return Status::Ok();
    return MismatchAt(args[k].pos, std::string(info.name) + "() argument " + std::to_string(k + 1) +
                                       " must be " + TypeName(t) + ", not " + TypeName(actual));
  };
  // The constant value of numeric argument k, rounded toward zero, if it is one.
  auto constant = [&](size_t k, int64_t* value) {
    if (!IsConstNumber(args[k].node)) return false;
    const double v = program_->node(args[k].node).num;
    *value = v == v ? static_cast<int64_t>(std::clamp(std::trunc(v), -1e15, 1e15)) : 0;
    return true;
  };

  ExprNode n;
  n.type = ValueType::kCharacter;
  switch (info.id) {
    case kUpper:
    case kLower: {
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      n.op = info.id == kUpper ? ExprOp::kUpper : ExprOp::kLower;
      n.a = args[0].node;
      const ExprNode& arg = program_->node(n.a);
      n.max_len = arg.max_len;
      if (arg.op != ExprOp::kFieldC) return AddBuffered(n, name.pos, out);
      // UPPER(KEYS) written twice is computed once per evaluation.
      const uint64_t key = (static_cast<uint64_t>(arg.offset) << 33) |
                           (static_cast<uint64_t>(arg.max_len) << 1) |
                           (info.id == kUpper ? 1u : 0u);
      for (const auto& [k, node] : converted_fields_) {
        if (k == key) {
          program_->node(node).shared = true;
          *out = node;
          return Status::Ok();
        }
      }
      XB_RETURN_IF_ERROR(AddBuffered(n, name.pos, out));
      converted_fields_.emplace_back(key, *out);
      return Status::Ok();
    }
    case kTrim:
    case kRTrim:
    case kLTrim:
    case kAllTrim:
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      n.op = info.id == kLTrim ? ExprOp::kLTrim
             : info.id == kAllTrim ? ExprOp::kAllTrim
                                   : ExprOp::kRTrim;
      n.a = args[0].node;
      n.max_len = program_->node(n.a).max_len;
      *out = program_->Add(n);
      return Status::Ok();
    case kSubstr:
    case kLeft: {
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      XB_RETURN_IF_ERROR(expect(1, ValueType::kNumeric));
      if (args.size() > 2) XB_RETURN_IF_ERROR(expect(2, ValueType::kNumeric));
      n.op = ExprOp::kSubstr;
      n.a = args[0].node;
      n.max_len = program_->node(n.a).max_len;
      if (info.id == kLeft) {
        n.b = AddConstNumber(1);
        n.c = args[1].node;
      } else {
        n.b = args[1].node;
        int64_t start = 0;
        if (constant(1, &start) && start < 1) {
          return InvalidAt(args[1].pos, "SUBSTR() start must be at least 1");
        }
        if (args.size() > 2) n.c = args[2].node;
      }
      int64_t count = 0;
      if (n.c != ExprNode::kNone && constant(info.id == kLeft ? 1 : 2, &count)) {
        n.max_len = static_cast<uint32_t>(std::clamp<int64_t>(count, 0, n.max_len));
      }
      *out = program_->Add(n);
      return Status::Ok();
    }
    case kRight: {
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      XB_RETURN_IF_ERROR(expect(1, ValueType::kNumeric));
      n.op = ExprOp::kRight;
      n.a = args[0].node;
      n.b = args[1].node;
      n.max_len = program_->node(n.a).max_len;
      int64_t count = 0;
      if (constant(1, &count)) {
        n.max_len = static_cast<uint32_t>(std::clamp<int64_t>(count, 0, n.max_len));
      }
      *out = program_->Add(n);
      return Status::Ok();
    }
    case kDeleted:
      n.op = ExprOp::kDeleted;
      n.type = ValueType::kLogical;
      *out = program_->Add(n);
      return Status::Ok();
    case kRecno:
      n.op = ExprOp::kRecno;
      n.type = ValueType::kNumeric;
      *out = program_->Add(n);
      return Status::Ok();
    case kEmpty:
      n.type = ValueType::kLogical;
      n.a = args[0].node;
      switch (TypeOf(n.a)) {
        case ValueType::kCharacter:
        case ValueType::kDate: n.op = ExprOp::kEmptyC; break;
        case ValueType::kNumeric: n.op = ExprOp::kEmptyN; break;
        case ValueType::kLogical: n.op = ExprOp::kEmptyL; break;
      }
      *out = program_->Add(n);
      return Status::Ok();
    case kIif: {
      XB_RETURN_IF_ERROR(expect(0, ValueType::kLogical));
      const ValueType t = TypeOf(args[1].node);
      if (TypeOf(args[2].node) != t) {
        return MismatchAt(args[2].pos, std::string("IIF() branches differ in type: ") +
                                           TypeName(t) + " and " + TypeName(TypeOf(args[2].node)));
      }
      n.type = t;
      n.op = t == ValueType::kLogical   ? ExprOp::kIifL
             : t == ValueType::kNumeric ? ExprOp::kIifN
                                        : ExprOp::kIifC;
      n.a = args[0].node;
      n.b = args[1].node;
      n.c = args[2].node;
      n.max_len = std::max(program_->node(n.b).max_len, program_->node(n.c).max_len);
      *out = program_->Add(n);
      return Status::Ok();
    }
    case kDtos: {
      // A date gives its "yyyymmdd" bytes (blank for an empty date); a character value,
      // such as a date kept in a C(8) field, is returned as it is.
      const uint32_t arg = args[0].node;
      if (TypeOf(arg) != ValueType::kDate && TypeOf(arg) != ValueType::kCharacter) {
        return MismatchAt(args[0].pos, std::string("DTOS() needs a date, not ") +
                                           TypeName(TypeOf(arg)));
      }
      program_->node(arg).type = ValueType::kCharacter;
      *out = arg;
      return Status::Ok();
    }
    case kStr: {
      XB_RETURN_IF_ERROR(expect(0, ValueType::kNumeric));
      int64_t len = 10;
      int64_t dec = 0;
      if (args.size() > 1 && (!constant(1, &len) || len < 1 || len > 255)) {
        return InvalidAt(args[1].pos, "STR() length must be a number from 1 to 255");
      }
      if (args.size() > 2 && (!constant(2, &dec) || dec < 0 || dec > 18)) {
        return InvalidAt(args[2].pos, "STR() decimals must be a number from 0 to 18");
      }
      n.op = ExprOp::kStr;
      n.a = args[0].node;
      n.max_len = static_cast<uint32_t>(len);
      n.aux = static_cast<uint32_t>(dec);
      return AddBuffered(n, name.pos, out);
    }
    case kVal:
    case kLen:
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      n.op = info.id == kVal ? ExprOp::kVal : ExprOp::kLen;
      n.type = ValueType::kNumeric;
      n.a = args[0].node;
      *out = program_->Add(n);
      return Status::Ok();
    case kAt:
      XB_RETURN_IF_ERROR(expect(0, ValueType::kCharacter));
      XB_RETURN_IF_ERROR(expect(1, ValueType::kCharacter));
      n.op = ExprOp::kAt;
      n.type = ValueType::kNumeric;
      n.a = args[0].node;
      n.b = args[1].node;
      *out = program_->Add(n);
      return Status::Ok();
  }
  return SyntaxErrorAt(name.pos, "unknown function " + UpperName(name.text));
}

}  // namespace xbase
