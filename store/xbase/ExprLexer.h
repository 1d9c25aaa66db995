// ExprLexer: splits expression text into tokens.
//
// Keywords, function and field names are case-insensitive. The dotted words (.T. .F.
// .Y. .N. .AND. .OR. .NOT.) are single tokens; the bare words AND, OR and NOT are the
// same operators. "[" always opens a string, "!" is NOT unless "=" follows it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/xbase/Status.h"

namespace xbase {

enum class Tok : uint8_t {
  kEnd,
  kNumber,
  kString,
  kIdent,
  kTrue,
  kFalse,
  kAnd,
  kOr,
  kNot,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kPercent,
  kPower,    // ^ or **
  kEq,       // =
  kExactEq,  // ==
  kNe,       // <> # !=
  kLt,
  kLe,
  kGt,
  kGe,
  kDollar,
  kLParen,
  kRParen,
  kComma,
  kDot,
  kArrow,  // ->
};

struct Token {
  Tok kind = Tok::kEnd;
  uint32_t pos = 0;       // 1-based character position of the token's first character
  std::string_view text;  // as written; for a string, the contents without delimiters
  double number = 0;      // value of a kNumber
};

class ExprLexer {
 public:
  // Maximum accepted expression text, far beyond any key or filter.
  static constexpr size_t kMaxTextLength = 64 * 1024;

  // Tokenises all of `text` into `*out`, ending with a kEnd token. A character outside
  // the language or an unterminated string gives kSyntax with its position.
  static Status Tokenize(std::string_view text, std::vector<Token>* out);
};

// "Syntax error at position <pos>: <what>".
Status SyntaxErrorAt(uint32_t pos, std::string_view what);

}  // namespace xbase
