#include "store/xbase/ExprLexer.h"

#include <charconv>
#include <string>

namespace xbase {
namespace {

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// The dotted words, recognised when a '.' is followed by letters and a closing '.'.
struct DottedWord {
  std::string_view word;
  Tok kind;
};
constexpr DottedWord kDottedWords[] = {
    {"T", Tok::kTrue},  {"Y", Tok::kTrue},  {"F", Tok::kFalse},   {"N", Tok::kFalse},
    {"AND", Tok::kAnd}, {"OR", Tok::kOr},   {"NOT", Tok::kNot},
};

std::string Describe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x21 && byte < 0x7F) return std::string("unexpected character '") + c + "'";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("unexpected character 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

}  // namespace

Status SyntaxErrorAt(uint32_t pos, std::string_view what) {
  return Status::Syntax("Syntax error at position " + std::to_string(pos) + ": " +
                        std::string(what));
}

Status ExprLexer::Tokenize(std::string_view text, std::vector<Token>* out) {
  out->clear();
  if (text.size() > kMaxTextLength) {
    return SyntaxErrorAt(static_cast<uint32_t>(kMaxTextLength + 1), "expression too long");
  }
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    Token t;
    t.pos = static_cast<uint32_t>(i + 1);
    const size_t start = i;
    auto simple = [&](Tok kind, size_t len) {
      t.kind = kind;
      t.text = text.substr(start, len);
      i += len;
    };
    const char next = i + 1 < n ? text[i + 1] : '\0';

    if (c == '"' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) return SyntaxErrorAt(t.pos, "unterminated string");
      t.kind = Tok::kString;
      t.text = text.substr(i + 1, end - i - 1);
      i = end + 1;
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      size_t j = i;
      while (j < n && IsDigit(text[j])) ++j;
      // A '.' belongs to the number only when a digit follows, so "1.AND." still reads
      // as 1 followed by .AND.
      if (j + 1 < n && text[j] == '.' && IsDigit(text[j + 1])) {
        ++j;
        while (j < n && IsDigit(text[j])) ++j;
      }
      double value = 0;
      const auto res = std::from_chars(text.data() + i, text.data() + j, value);
      if (res.ec != std::errc() || res.ptr != text.data() + j) {
        return SyntaxErrorAt(t.pos, "number out of range");
      }
      t.kind = Tok::kNumber;
      t.number = value;
      t.text = text.substr(i, j - i);
      i = j;
    } else if (IsIdentStart(c)) {
      size_t j = i;
      while (j < n && IsIdentChar(text[j])) ++j;
      t.text = text.substr(i, j - i);
      if (EqualsNoCase(t.text, "AND")) {
        t.kind = Tok::kAnd;
      } else if (EqualsNoCase(t.text, "OR")) {
        t.kind = Tok::kOr;
      } else if (EqualsNoCase(t.text, "NOT")) {
        t.kind = Tok::kNot;
      } else {
        t.kind = Tok::kIdent;
      }
      i = j;
    } else if (c == '.') {
      // .T. .AND. and friends, else a plain dot (alias separator).
      size_t j = i + 1;
      while (j < n && IsIdentStart(text[j])) ++j;
      bool matched = false;
      if (j > i + 1 && j < n && text[j] == '.') {
        const std::string_view word = text.substr(i + 1, j - i - 1);
        for (const DottedWord& d : kDottedWords) {
          if (EqualsNoCase(word, d.word)) {
            simple(d.kind, j + 1 - i);
            matched = true;
            break;
          }
        }
      }
      if (!matched) simple(Tok::kDot, 1);
    } else {
      switch (c) {
        case '+': simple(Tok::kPlus, 1); break;
        case '-': next == '>' ? simple(Tok::kArrow, 2) : simple(Tok::kMinus, 1); break;
        case '*': next == '*' ? simple(Tok::kPower, 2) : simple(Tok::kStar, 1); break;
        case '/': simple(Tok::kSlash, 1); break;
        case '%': simple(Tok::kPercent, 1); break;
        case '^': simple(Tok::kPower, 1); break;
        case '=': next == '=' ? simple(Tok::kExactEq, 2) : simple(Tok::kEq, 1); break;
        case '#': simple(Tok::kNe, 1); break;
        case '!': next == '=' ? simple(Tok::kNe, 2) : simple(Tok::kNot, 1); break;
        case '<':
          if (next == '=') {
            simple(Tok::kLe, 2);
          } else if (next == '>') {
            simple(Tok::kNe, 2);
          } else {
            simple(Tok::kLt, 1);
          }
          break;
        case '>': next == '=' ? simple(Tok::kGe, 2) : simple(Tok::kGt, 1); break;
        case '$': simple(Tok::kDollar, 1); break;
        case '(': simple(Tok::kLParen, 1); break;
        case ')': simple(Tok::kRParen, 1); break;
        case ',': simple(Tok::kComma, 1); break;
        default: return SyntaxErrorAt(t.pos, Describe(c));
      }
    }
    out->push_back(t);
  }
  Token end;
  end.kind = Tok::kEnd;
  end.pos = static_cast<uint32_t>(n + 1);
  out->push_back(end);
  return Status::Ok();
}

}  // namespace xbase
