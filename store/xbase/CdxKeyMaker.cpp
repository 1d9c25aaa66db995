#include "store/xbase/CdxKeyMaker.h"

#include <cctype>
#include <cstring>

#include "store/xbase/CdxFormat.h"

namespace xbase::cdx {

Status CdxKeyMaker::Compile(std::string_view key_text, std::string_view for_text,
                            std::span<const FieldDesc> fields, CdxKeyMaker* out, int code_page) {
  CdxKeyMaker m;
  m.key_text_ = std::string(key_text);
  m.for_text_ = std::string(for_text);
  if (key_text.find_first_not_of(" \t") == std::string_view::npos) {
    return Status::InvalidArgument("empty key expression");
  }
  XB_RETURN_IF_ERROR(Expression::Compile(key_text, fields, &m.key_, code_page));
  switch (m.key_.type()) {
    case ValueType::kCharacter:
      m.kind_ = KeyKind::kCharacter;
      m.key_length_ = m.key_.max_length();
      m.pad_ = kCharacterPad;
      break;
    case ValueType::kLogical:
      m.kind_ = KeyKind::kLogical;
      m.key_length_ = 1;
      m.pad_ = kBinaryPad;
      break;
    case ValueType::kNumeric:
      m.kind_ = KeyKind::kNumeric;
      m.key_length_ = 8;
      m.pad_ = kBinaryPad;
      break;
    case ValueType::kDate:
      m.kind_ = KeyKind::kDate;
      m.key_length_ = 8;
      m.pad_ = kBinaryPad;
      break;
  }
  if (m.key_length_ == 0 || m.key_length_ > kMaxKeyLength) {
    return Status::InvalidArgument("key expression " + m.key_text_ + " gives keys of " +
                                   std::to_string(m.key_length_) + " bytes (1 to " +
                                   std::to_string(kMaxKeyLength) + " allowed)");
  }
  if (for_text.find_first_not_of(" \t") != std::string_view::npos) {
    XB_RETURN_IF_ERROR(Expression::Compile(for_text, fields, &m.condition_, code_page));
    if (m.condition_.type() != ValueType::kLogical) {
      return Status::TypeMismatch("FOR expression " + m.for_text_ + " is not logical");
    }
  } else {
    m.for_text_.clear();
  }
  *out = std::move(m);
  return Status::Ok();
}

void CdxKeyMaker::MakeKey(const EvalContext& ctx, uint8_t* out) const {
  switch (kind_) {
    case KeyKind::kCharacter: {
      const uint32_t n = key_.EvalCharacter(ctx, out);
      if (n < key_length_) std::memset(out + n, kCharacterPad, key_length_ - n);
      return;
    }
    case KeyKind::kLogical:
      out[0] = key_.EvalLogical(ctx) ? 'T' : 'F';
      return;
    case KeyKind::kNumeric:
      NumericKey(key_.EvalNumeric(ctx), out);
      return;
    case KeyKind::kDate: {
      uint8_t text[16];
      std::memset(text, ' ', sizeof text);
      key_.EvalCharacter(ctx, text);
      NumericKey(static_cast<double>(JulianDay(text)), out);
      return;
    }
  }
}

void NumericKey(double value, uint8_t* out) {
  if (value == 0.0) value = 0.0;  // -0 sorts with +0
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits >> 63) != 0) {
    bits = ~bits;
  } else {
    bits ^= uint64_t{1} << 63;
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
}

int64_t JulianDay(const uint8_t* t) {
  int64_t v[8];
  for (int i = 0; i < 8; ++i) {
    if (t[i] < '0' || t[i] > '9') return 0;
    v[i] = t[i] - '0';
  }
  const int64_t year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  const int64_t month = v[4] * 10 + v[5];
  const int64_t day = v[6] * 10 + v[7];
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
  const int64_t a = (14 - month) / 12;
  const int64_t y = year + 4800 - a;
  const int64_t m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool EqualsUpper(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(word[i])) != upper[i]) return false;
  }
  return true;
}

bool IsDottedWord(std::string_view word) {
  return EqualsUpper(word, "AND") || EqualsUpper(word, "OR") || EqualsUpper(word, "NOT") ||
         EqualsUpper(word, "T") || EqualsUpper(word, "F") || EqualsUpper(word, "Y") ||
         EqualsUpper(word, "N");
}

// True when the word text[i, j) is part of a dotted token (".NOT.") or of an alias-
// qualified name ("M.or", "alias->and", "or.field") rather than a bare operator word.
bool DottedOrQualified(std::string_view text, size_t i, size_t j) {
  const bool dot_before = i > 0 && text[i - 1] == '.';
  const bool dot_after = j < text.size() && text[j] == '.';
  if (dot_before && dot_after) return true;
  if (i > 1 && text[i - 1] == '>' && text[i - 2] == '-') return true;
  if (dot_before) {
    // After ".AND." the word stands alone; after "alias." it is a field name.
    size_t k = i - 1;
    size_t start = k;
    while (start > 0 && IsIdentChar(text[start - 1])) --start;
    if (start == k) return false;
    const bool dotted =
        start > 0 && text[start - 1] == '.' && IsDottedWord(text.substr(start, k - start));
    return !dotted;
  }
  if (dot_after) {
    // "or.field" qualifies a field; "not.T." is the word before a dotted constant.
    size_t k = j + 1;
    size_t end = k;
    while (end < text.size() && IsIdentChar(text[end])) ++end;
    const bool dotted =
        end < text.size() && text[end] == '.' && IsDottedWord(text.substr(k, end - k));
    return end > k && !dotted;
  }
  return false;
}

}  // namespace

std::string CanonicalExpression(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' || c == '\'' || c == '[') {
      // A string literal runs to its closing delimiter (or the end of the text).
      const char close = c == '[' ? ']' : c;
      const size_t end = text.find(close, i + 1);
      const size_t stop = end == std::string_view::npos ? text.size() : end + 1;
      out.append(text.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      while (i < text.size() && (IsIdentChar(text[i]))) out.push_back(text[i++]);
      continue;
    }
    if (!IsIdentStart(c)) {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsIdentChar(text[j])) ++j;
    const std::string_view word = text.substr(i, j - i);
    if (!DottedOrQualified(text, i, j)) {
      if (EqualsUpper(word, "NOT")) {
        out.push_back('!');
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
        i = j;
        continue;
      }
      if (EqualsUpper(word, "AND")) {
        out.append(".AND.");
        i = j;
        continue;
      }
      if (EqualsUpper(word, "OR")) {
        out.append(".OR.");
        i = j;
        continue;
      }
    }
    out.append(word);
    i = j;
  }
  return out;
}

}  // namespace xbase::cdx
