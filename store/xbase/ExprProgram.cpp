#include "store/xbase/ExprProgram.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "store/xbase/ExprCase.h"

namespace xbase {
namespace {

// Backing bytes for empty and blank results that point nowhere else.
constexpr uint8_t kBlanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

bool IsTrueByte(uint8_t c) { return c == 'T' || c == 't' || c == 'Y' || c == 'y'; }

// Number to a count or position, safe for NaN and infinities (truncates toward zero).
int64_t ToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 1e15) return 1000000000000000LL;
  if (v <= -1e15) return -1000000000000000LL;
  return static_cast<int64_t>(v);
}

uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

// memcmp for the short values of keys and filters, without a library call.
[[gnu::always_inline]] inline int CompareBytes(const uint8_t* a, const uint8_t* b, uint32_t n) {
  if (n > 32) return std::memcmp(a, b, n);
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t x = LoadBigEndian64(a + i);
    const uint64_t y = LoadBigEndian64(b + i);
    if (x != y) return x < y ? -1 : 1;
  }
  for (; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// The `=` of character values with EXACT OFF: every byte of the right side matches the
// start of the left side (so anything = "" holds).
[[gnu::always_inline]] inline bool EqualNonExact(ExprStr a, ExprStr b) {
  return a.n >= b.n && CompareBytes(a.p, b.p, b.n) == 0;
}

// Byte order of the two values, the shorter padded with blanks: the order of index keys.
[[gnu::always_inline]] inline int ComparePadded(ExprStr a, ExprStr b) {
  const uint32_t m = std::min(a.n, b.n);
  const int r = CompareBytes(a.p, b.p, m);
  if (r != 0) return r;
  for (uint32_t i = m; i < a.n; ++i) {
    if (a.p[i] != ' ') return a.p[i] < ' ' ? -1 : 1;
  }
  for (uint32_t i = m; i < b.n; ++i) {
    if (b.p[i] != ' ') return b.p[i] < ' ' ? 1 : -1;
  }
  return 0;
}

[[gnu::always_inline]] inline bool CompareStrings(ExprCmp cmp, ExprStr a, ExprStr b) {
  switch (cmp) {
    case ExprCmp::kEq: return EqualNonExact(a, b);
    case ExprCmp::kNe: return !EqualNonExact(a, b);
    case ExprCmp::kExactEq: return a.n == b.n && CompareBytes(a.p, b.p, a.n) == 0;
    case ExprCmp::kLt: return ComparePadded(a, b) < 0;
    case ExprCmp::kLe: return ComparePadded(a, b) <= 0;
    case ExprCmp::kGt: return ComparePadded(a, b) > 0;
    case ExprCmp::kGe: return ComparePadded(a, b) >= 0;
  }
  return false;
}

bool OrderHolds(ExprCmp cmp, int order) {
  switch (cmp) {
    case ExprCmp::kEq:
    case ExprCmp::kExactEq: return order == 0;
    case ExprCmp::kNe: return order != 0;
    case ExprCmp::kLt: return order < 0;
    case ExprCmp::kLe: return order <= 0;
    case ExprCmp::kGt: return order > 0;
    case ExprCmp::kGe: return order >= 0;
  }
  return false;
}

// Position of `needle` in `hay`, or -1. The needle must not be empty.
int64_t Find(ExprStr needle, ExprStr hay) {
  if (needle.n > hay.n) return -1;
  const uint8_t first = needle.p[0];
  const uint8_t* p = hay.p;
  const uint8_t* const last = hay.p + (hay.n - needle.n);  // last possible start
  while (p <= last) {
    const void* hit = std::memchr(p, first, static_cast<size_t>(last - p) + 1);
    if (hit == nullptr) return -1;
    p = static_cast<const uint8_t*>(hit);
    if (CompareBytes(p + 1, needle.p + 1, needle.n - 1) == 0) return p - hay.p;
    ++p;
  }
  return -1;
}

bool IsEmptyText(ExprStr s) {
  for (uint32_t i = 0; i < s.n; ++i) {
    const uint8_t c = s.p[i];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

// STR(): `v` rounded half away from zero to `dec` decimals, right-aligned in `len`
// bytes. When the decimals do not fit, fewer are shown; when even the integer part does
// not fit, `len` asterisks.
void FormatStr(double v, uint32_t len, uint32_t dec, uint8_t* out) {
  char text[400];
  if (std::isfinite(v)) {
    for (int d = static_cast<int>(dec); d >= 0; --d) {
      const double scale = std::pow(10.0, d);
      double r = std::round(v * scale) / scale;
      if (!std::isfinite(r)) r = v;
      r += 0.0;  // no "-0"
      const auto res = std::to_chars(text, text + sizeof text, r, std::chars_format::fixed, d);
      if (res.ec != std::errc()) break;
      const auto width = static_cast<uint32_t>(res.ptr - text);
      if (width <= len) {
        std::memset(out, ' ', len - width);
        std::memcpy(out + (len - width), text, width);
        return;
      }
    }
  }
  std::memset(out, '*', len);
}

double Modulus(double a, double b) {
  const double r = std::fmod(a, b);
  // The result takes the sign of the divisor.
  return (r != 0 && ((r < 0) != (b < 0))) ? r + b : r;
}

}  // namespace

double ExprParseNumber(const uint8_t* p, size_t n, bool exponent) {
  size_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (p[i] == '+' || p[i] == '-')) {
    negative = p[i] == '-';
    ++i;
  }
  const size_t start = i;
  size_t digits = 0;
  while (i < n && p[i] >= '0' && p[i] <= '9') ++i, ++digits;
  if (i < n && p[i] == '.') {
    ++i;
    while (i < n && p[i] >= '0' && p[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (exponent && i < n && (p[i] == 'E' || p[i] == 'e')) {
    size_t j = i + 1;
    if (j < n && (p[j] == '+' || p[j] == '-')) ++j;
    if (j < n && p[j] >= '0' && p[j] <= '9') {
      while (j < n && p[j] >= '0' && p[j] <= '9') ++j;
      i = j;
    }
  }
  // Only digits, one point and a checked exponent remain, so from_chars cannot meet
  // "inf" or "nan"; out of range it reports an error and we keep 0.
  double value = 0;
  const char* first = reinterpret_cast<const char*>(p + start);
  const char* last = reinterpret_cast<const char*>(p + i);
  const auto res = std::from_chars(first, last, value);
  if (res.ec != std::errc()) return 0;
  return negative ? -value : value;
}

int64_t ExprDayNumber(ExprStr date) {
  if (date.n != 8) return 0;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (date.p[i] < '0' || date.p[i] > '9') return 0;
    v[i] = date.p[i] - '0';
  }
  const int64_t y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  const int64_t m = v[4] * 10 + v[5];
  const int64_t d = v[6] * 10 + v[7];
  if (y < 1 || m < 1 || m > 12 || d < 1) return 0;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int64_t month_days = kDays[m - 1] + (m == 2 && leap ? 1 : 0);
  if (d > month_days) return 0;
  // Proleptic Gregorian calendar to Julian day number.
  const int64_t a = (14 - m) / 12;
  const int64_t yy = y + 4800 - a;
  const int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

bool ExprFormatDay(int64_t day, uint8_t* out) {
  // Day numbers of 0001-01-01 and 9999-12-31.
  if (day < 1721426 || day > 5373484) {
    std::memset(out, ' ', 8);
    return false;
  }
  const int64_t a = day + 32044;
  const int64_t b = (4 * a + 3) / 146097;
  const int64_t c = a - 146097 * b / 4;
  const int64_t d = (4 * c + 3) / 1461;
  const int64_t e = c - 1461 * d / 4;
  const int64_t m = (5 * e + 2) / 153;
  const int64_t dd = e - (153 * m + 2) / 5 + 1;
  const int64_t mm = m + 3 - 12 * (m / 10);
  const int64_t yy = 100 * b + d - 4800 + m / 10;
  const int64_t parts[3] = {yy, mm, dd};
  const int widths[3] = {4, 2, 2};
  uint8_t* o = out;
  for (int k = 0; k < 3; ++k) {
    int64_t v = parts[k];
    for (int i = widths[k] - 1; i >= 0; --i) {
      o[i] = static_cast<uint8_t>('0' + v % 10);
      v /= 10;
    }
    o += widths[k];
  }
  return true;
}

uint32_t ExprProgram::Add(const ExprNode& node) {
  ExprNode n = node;
  uint16_t depth = 0;
  for (const uint32_t child : {n.a, n.b, n.c}) {
    if (child != ExprNode::kNone) depth = std::max(depth, nodes_[child].depth);
  }
  for (uint32_t k = 0; k < n.count; ++k) depth = std::max(depth, nodes_[args_[n.first + k]].depth);
  n.depth = depth == UINT16_MAX ? depth : static_cast<uint16_t>(depth + 1);
  nodes_.push_back(n);
  return static_cast<uint32_t>(nodes_.size() - 1);
}

uint32_t ExprProgram::AddArgs(const std::vector<uint32_t>& args, const std::vector<uint8_t>& ops) {
  const auto first = static_cast<uint32_t>(args_.size());
  args_.insert(args_.end(), args.begin(), args.end());
  arg_ops_.insert(arg_ops_.end(), ops.begin(), ops.end());
  arg_ops_.resize(args_.size(), 0);
  return first;
}

uint32_t ExprProgram::AddLiteral(std::string_view bytes) {
  const auto offset = static_cast<uint32_t>(pool_.size());
  pool_.append(bytes);
  return offset;
}

uint32_t ExprProgram::ReserveScratch(uint32_t len) {
  const auto offset = static_cast<uint32_t>(scratch_size_);
  scratch_size_ += len;
  return offset;
}

void ExprProgram::Finish(uint32_t root) {
  root_ = root;
  // One spare byte keeps data() a valid pointer even when no node needs scratch.
  scratch_.assign(scratch_size_ + 1, ' ');
  if (pool_.empty()) pool_.push_back('\0');
  stamps_.assign(nodes_.size(), 0);
  lengths_.assign(nodes_.size(), 0);
}

ExprStr ExprProgram::Literal(const ExprNode& n) const {
  return {reinterpret_cast<const uint8_t*>(pool_.data()) + n.lit, n.lit_len};
}

bool ExprProgram::L(uint32_t i, const EvalContext& ctx) const {
  const ExprNode& n = nodes_[i];
  switch (n.op) {
    case ExprOp::kConstL: return n.num != 0;
    case ExprOp::kFieldL: return IsTrueByte(ctx.record[n.offset]);
    case ExprOp::kDeleted: return ctx.record[0] == '*';
    case ExprOp::kAnd:
      for (uint32_t k = 0; k < n.count; ++k) {
        if (!L(args_[n.first + k], ctx)) return false;
      }
      return true;
    case ExprOp::kOr:
      for (uint32_t k = 0; k < n.count; ++k) {
        if (L(args_[n.first + k], ctx)) return true;
      }
      return false;
    case ExprOp::kNot: return !L(n.a, ctx);
    case ExprOp::kCompareFieldLit:
      return CompareStrings(static_cast<ExprCmp>(n.sub), {ctx.record + n.offset, n.max_len},
                            Literal(n));
    case ExprOp::kCompareField8: {
      const uint64_t x = LoadBigEndian64(ctx.record + n.offset);
      const uint64_t y = LoadBigEndian64(Literal(n).p);
      switch (static_cast<ExprCmp>(n.sub)) {
        case ExprCmp::kEq:
        case ExprCmp::kExactEq: return x == y;
        case ExprCmp::kNe: return x != y;
        case ExprCmp::kLt: return x < y;
        case ExprCmp::kLe: return x <= y;
        case ExprCmp::kGt: return x > y;
        case ExprCmp::kGe: return x >= y;
      }
      return false;
    }
    case ExprOp::kCompareC: {
      const ExprStr a = C(n.a, ctx);
      return CompareStrings(static_cast<ExprCmp>(n.sub), a, C(n.b, ctx));
    }
    case ExprOp::kCompareD: {
      const ExprStr a = C(n.a, ctx);
      const ExprStr b = C(n.b, ctx);
      return OrderHolds(static_cast<ExprCmp>(n.sub), ComparePadded(a, b));
    }
    case ExprOp::kCompareN: {
      const double a = N(n.a, ctx);
      const double b = N(n.b, ctx);
      switch (static_cast<ExprCmp>(n.sub)) {
        case ExprCmp::kEq:
        case ExprCmp::kExactEq: return a == b;
        case ExprCmp::kNe: return a != b;
        case ExprCmp::kLt: return a < b;
        case ExprCmp::kLe: return a <= b;
        case ExprCmp::kGt: return a > b;
        case ExprCmp::kGe: return a >= b;
      }
      return false;
    }
    case ExprOp::kCompareL: {
      const int a = L(n.a, ctx) ? 1 : 0;
      const int b = L(n.b, ctx) ? 1 : 0;
      return OrderHolds(static_cast<ExprCmp>(n.sub), a - b);
    }
    case ExprOp::kContains: {
      const ExprStr needle = C(n.a, ctx);
      if (needle.n == 0) return false;
      return Find(needle, C(n.b, ctx)) >= 0;
    }
    case ExprOp::kContainsLit: return Find(Literal(n), C(n.b, ctx)) >= 0;
    case ExprOp::kEmptyC: return IsEmptyText(C(n.a, ctx));
    case ExprOp::kEmptyN: return N(n.a, ctx) == 0;
    case ExprOp::kEmptyL: return !L(n.a, ctx);
    case ExprOp::kIifL: return L(n.a, ctx) ? L(n.b, ctx) : L(n.c, ctx);
    default: return false;
  }
}

double ExprProgram::N(uint32_t i, const EvalContext& ctx) const {
  const ExprNode& n = nodes_[i];
  switch (n.op) {
    case ExprOp::kConstN: return n.num;
    case ExprOp::kFieldN: return ExprParseNumber(ctx.record + n.offset, n.max_len, false);
    case ExprOp::kRecno: return static_cast<double>(ctx.recno);
    case ExprOp::kIifN: return L(n.a, ctx) ? N(n.b, ctx) : N(n.c, ctx);
    case ExprOp::kNeg: return -N(n.a, ctx);
    case ExprOp::kArith: {
      double v = N(args_[n.first], ctx);
      for (uint32_t k = 1; k < n.count; ++k) {
        const double x = N(args_[n.first + k], ctx);
        switch (static_cast<ExprArith>(arg_ops_[n.first + k])) {
          case ExprArith::kAdd: v += x; break;
          case ExprArith::kSub: v -= x; break;
          case ExprArith::kMul: v *= x; break;
          // Division and modulus by zero give 0 rather than an infinity.
          case ExprArith::kDiv: v = x == 0 ? 0 : v / x; break;
          case ExprArith::kMod: v = x == 0 ? 0 : Modulus(v, x); break;
          case ExprArith::kPow: v = std::pow(v, x); break;
        }
      }
      return v;
    }
    case ExprOp::kLen: return C(n.a, ctx).n;
    case ExprOp::kAt: {
      const ExprStr needle = C(n.a, ctx);
      if (needle.n == 0) return 0;
      return static_cast<double>(Find(needle, C(n.b, ctx)) + 1);
    }
    case ExprOp::kVal: {
      const ExprStr s = C(n.a, ctx);
      return ExprParseNumber(s.p, s.n, true);
    }
    case ExprOp::kDateDiff: {
      const int64_t a = ExprDayNumber(C(n.a, ctx));
      const int64_t b = ExprDayNumber(C(n.b, ctx));
      return static_cast<double>(a - b);
    }
    default: return 0;
  }
}

ExprStr ExprProgram::C(uint32_t i, const EvalContext& ctx) const {
  const ExprNode& n = nodes_[i];
  uint8_t* const buf = scratch_.data() + n.buf;
  switch (n.op) {
    case ExprOp::kConstC:
      return {reinterpret_cast<const uint8_t*>(pool_.data()) + n.offset, n.max_len};
    case ExprOp::kFieldC: return {ctx.record + n.offset, n.max_len};
    case ExprOp::kIifC: return L(n.a, ctx) ? C(n.b, ctx) : C(n.c, ctx);
    case ExprOp::kUpper:
    case ExprOp::kLower: {
      if (n.shared && stamps_[i] == generation_) return {buf, lengths_[i]};
      const ExprStr s = C(n.a, ctx);
      if (n.op == ExprOp::kUpper) {
        UpperCopy(s.p, s.n, buf, code_page_);
      } else {
        LowerCopy(s.p, s.n, buf, code_page_);
      }
      if (n.shared) {
        stamps_[i] = generation_;
        lengths_[i] = s.n;
      }
      return {buf, s.n};
    }
    case ExprOp::kRTrim: {
      ExprStr s = C(n.a, ctx);
      while (s.n > 0 && s.p[s.n - 1] == ' ') --s.n;
      return s;
    }
    case ExprOp::kLTrim: {
      ExprStr s = C(n.a, ctx);
      while (s.n > 0 && s.p[0] == ' ') ++s.p, --s.n;
      return s;
    }
    case ExprOp::kAllTrim: {
      ExprStr s = C(n.a, ctx);
      while (s.n > 0 && s.p[s.n - 1] == ' ') --s.n;
      while (s.n > 0 && s.p[0] == ' ') ++s.p, --s.n;
      return s;
    }
    case ExprOp::kSubstr: {
      const ExprStr s = C(n.a, ctx);
      const int64_t start = ToInt(N(n.b, ctx));
      if (start < 1 || start > s.n) return {s.p + s.n, 0};
      const int64_t avail = s.n - (start - 1);
      int64_t count = avail;
      if (n.c != ExprNode::kNone) count = std::clamp<int64_t>(ToInt(N(n.c, ctx)), 0, avail);
      count = std::min<int64_t>(count, n.max_len);
      return {s.p + (start - 1), static_cast<uint32_t>(count)};
    }
    case ExprOp::kRight: {
      const ExprStr s = C(n.a, ctx);
      const int64_t count = std::clamp<int64_t>(ToInt(N(n.b, ctx)), 0, std::min(s.n, n.max_len));
      return {s.p + (s.n - count), static_cast<uint32_t>(count)};
    }
    case ExprOp::kConcat: {
      uint32_t pos = 0;
      for (uint32_t k = 0; k < n.count; ++k) {
        const ExprStr s = C(args_[n.first + k], ctx);
        if (arg_ops_[n.first + k] == '-') {
          uint32_t blanks = 0;
          while (blanks < pos && buf[pos - 1 - blanks] == ' ') ++blanks;
          pos -= blanks;
          std::memcpy(buf + pos, s.p, s.n);
          pos += s.n;
          std::memset(buf + pos, ' ', blanks);
          pos += blanks;
        } else {
          std::memcpy(buf + pos, s.p, s.n);
          pos += s.n;
        }
      }
      return {buf, pos};
    }
    case ExprOp::kStr:
      FormatStr(N(n.a, ctx), n.max_len, n.aux, buf);
      return {buf, n.max_len};
    case ExprOp::kDateAdd: {
      const ExprStr d = C(n.a, ctx);
      const int64_t day = ExprDayNumber(d);
      const int64_t shift = ToInt(N(n.b, ctx));
      // An empty date stays empty.
      if (day == 0) return {kBlanks, 8};
      // A day outside years 1..9999 gives the blank date, which is the result wanted.
      (void)ExprFormatDay(day + shift, buf);
      return {buf, 8};
    }
    default: return {kBlanks, 0};
  }
}

}  // namespace xbase
