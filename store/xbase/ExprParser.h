// ExprParser: recursive-descent parser that type-checks the tokens of one expression and
// builds its ExprProgram.
//
// Precedence, loosest first: OR; AND; NOT; the relations (= == <> # != < <= > >= $, one
// per level); + -; * / %; ^ **; unary + -. Chains of one level (a .AND. b .AND. c,
// a+b+c) become one n-ary node, so long chains do not deepen the tree.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "store/xbase/ExprLexer.h"
#include "store/xbase/ExprProgram.h"
#include "store/xbase/Field.h"
#include "store/xbase/Status.h"

namespace xbase {

class ExprParser {
 public:
  // Nesting of parentheses, function calls and prefix operators.
  static constexpr int kMaxNesting = 200;
  // Height of the compiled tree (bounds the evaluator's recursion).
  static constexpr uint16_t kMaxTreeDepth = 1000;
  // Longest character result of any part of the expression.
  static constexpr uint32_t kMaxResultLength = 65535;
  // All scratch buffers together.
  static constexpr uint64_t kMaxScratch = 4u << 20;

  // `tokens` ends with a kEnd token (ExprLexer::Tokenize).
  ExprParser(std::span<const Token> tokens, std::span<const FieldDesc> fields,
             ExprProgram* program);

  // Parses the whole token list; on success `*root` is the program's root node.
  Status Parse(uint32_t* root);

 private:
  class NestingGuard;
  struct Arg {
    uint32_t node;
    uint32_t pos;
  };

  Status ParseOr(uint32_t* out);
  Status ParseAnd(uint32_t* out);
  Status ParseNot(uint32_t* out);
  Status ParseRelation(uint32_t* out);
  Status ParseSum(uint32_t* out);
  Status ParseProduct(uint32_t* out);
  Status ParsePower(uint32_t* out);
  Status ParseUnary(uint32_t* out);
  Status ParsePrimary(uint32_t* out);
  Status ParseCall(const Token& name, uint32_t* out);
  Status ParseField(const Token& name, uint32_t* out);
  Status BuildCall(int function, const Token& name, const std::vector<Arg>& args, uint32_t* out);
  // Joins a chain of one precedence level into one node (or returns its only member).
  Status FlushChain(const std::vector<uint32_t>& args, const std::vector<uint8_t>& ops,
                    uint32_t pos, uint32_t* out);
  Status Enter(uint32_t pos);

  const Token& Peek() const { return tokens_[next_]; }
  const Token& Take() { return tokens_[next_ < tokens_.size() - 1 ? next_++ : next_]; }
  ValueType TypeOf(uint32_t node) const { return program_->node(node).type; }
  bool IsConstNumber(uint32_t node) const;
  // Adds a node with a scratch buffer of node.max_len bytes.
  Status AddBuffered(ExprNode node, uint32_t pos, uint32_t* out);
  uint32_t AddConstNumber(double value);

  std::span<const Token> tokens_;
  std::span<const FieldDesc> fields_;
  ExprProgram* program_;
  size_t next_ = 0;
  int nesting_ = 0;
  // UPPER/LOWER nodes of plain fields, for reuse: (field offset, width, which) -> node.
  std::vector<std::pair<uint64_t, uint32_t>> converted_fields_;
};

}  // namespace xbase
