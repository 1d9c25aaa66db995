#include "core/NoteLines.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/AppHelpers.h"

namespace {

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// End of the run of blanks starting at `at`.
qsizetype SkipBlanks(QStringView text, qsizetype at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// The text without its trailing blanks.
QStringView WithoutTrailingBlanks(QStringView text) {
  qsizetype n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return text.left(n);
}

// Appends the display lines of one paragraph (text without line breaks).
void WrapParagraph(QStringView paragraph, int width, const TTextWidthFn& measure, QStringList& lines) {
  const qsizetype size = paragraph.size();
  qsizetype start = 0;
  std::vector<qsizetype> wordEnds;
  for (;;) {
    const QStringView rest = paragraph.mid(start);
    if (measure(WithoutTrailingBlanks(rest)) <= width) {
      lines << rest.toString();
      return;
    }
    // Ends of the words after `start`: a non-blank followed by a blank or the end.
    wordEnds.clear();
    for (qsizetype i = start + 1; i <= size; ++i) {
      if (!IsBlank(paragraph[i - 1]) && (i == size || IsBlank(paragraph[i]))) wordEnds.push_back(i);
    }
    // The last word end whose line still fits (widths grow with the end).
    qsizetype fits = -1;
    qsizetype low = 0;
    qsizetype high = static_cast<qsizetype>(wordEnds.size()) - 1;
    while (low <= high) {
      const qsizetype mid = (low + high) / 2;
      const qsizetype end = wordEnds[static_cast<size_t>(mid)];
      if (measure(paragraph.mid(start, end - start)) <= width) {
        fits = end;
        low = mid + 1;
      } else {
        high = mid - 1;
      }
    }
    qsizetype next;
    if (fits >= 0) {
      next = fits;
    } else {
      // Not even the first word fits: cut it at the last character that does.
      qsizetype count = 1;
      qsizetype lo = 2;
      qsizetype hi = size - start;
      while (lo <= hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (measure(paragraph.mid(start, mid)) <= width) {
          count = mid;
          lo = mid + 1;
        } else {
          hi = mid - 1;
        }
      }
      next = start + count;
      // Never split a surrogate pair.
      if (next < size && paragraph[next].isLowSurrogate() && count > 1) --next;
    }
    // Blanks after the break stay on this line.
    next = SkipBlanks(paragraph, next);
    lines << paragraph.mid(start, next - start).toString();
    if (next >= size) return;
    start = next;
  }
}

bool IsBlankByte(char c) { return c == ' ' || c == '\t'; }

// The first byte of [start, end) at which the running sum of advances from `start` no
// longer fits `width`; `end` when the whole piece fits.
size_t FirstOver(std::string_view text, size_t start, size_t end, int width, const TByteAdvances& advances) {
  if (advances.whole) {
    // Exact sums, so the same answer as the sums of fractions (see TByteAdvances).
    const int64_t most = int64_t{width} * TByteAdvances::kUnitsPerPixel;
    int64_t sum = 0;
    size_t i = start;
    // Four characters at a time while all four fit (the sums only grow), then one by one.
    for (; i + 4 <= end; i += 4) {
      const auto* p = reinterpret_cast<const unsigned char*>(text.data() + i);
      const int64_t four = (advances.units[p[0]] + advances.units[p[1]]) + (advances.units[p[2]] + advances.units[p[3]]);
      if (sum + four > most) break;
      sum += four;
    }
    for (; i < end; ++i) {
      sum += advances.units[static_cast<unsigned char>(text[i])];
      if (sum > most) return i;
    }
    return end;
  }
  double sum = 0;
  for (size_t i = start; i < end; ++i) {
    sum += advances.pixels[static_cast<unsigned char>(text[i])];
    if (!AdvancesFit(sum, width)) return i;
  }
  return end;
}

// NoteLineSpans for one paragraph, [begin, end) of `text`: WrapParagraph's rules, where the
// running sum of advances from a line's start gives the width of every piece the
// searches there would measure (the widths only grow, so the last piece that fits is the
// last one before the first character that does not).
void WrapParagraphSpans(std::string_view text, size_t begin, size_t end, int width, const TByteAdvances& advances,
                        std::vector<TextSpan>* lines) {
  size_t start = begin;
  for (;;) {
    const size_t over = FirstOver(text, start, end, width, advances);
    // The rest fits when what does not fit is only its trailing blanks.
    size_t blanks = over;
    while (blanks < end && IsBlankByte(text[blanks])) ++blanks;
    if (blanks == end) {
      lines->push_back({start, end});
      return;
    }
    // The last word end that fits: a non-blank followed by a blank, at `over` at most.
    size_t next = over;
    while (next > start && !(!IsBlankByte(text[next - 1]) && IsBlankByte(text[next]))) --next;
    // No word fits: the word is cut after the characters that do, one at least.
    if (next == start) next = std::max(over, start + 1);
    // Blanks after the break stay on this line.
    while (next < end && IsBlankByte(text[next])) ++next;
    lines->push_back({start, next});
    if (next >= end) return;
    start = next;
  }
}

}  // namespace

QStringList WrapText(const QString& text, int width, const TTextWidthFn& measure) {
  QStringList lines;
  const QStringView all(text);
  qsizetype start = 0;
  for (qsizetype i = 0; i <= all.size(); ++i) {
    if (i < all.size() && all[i] != QLatin1Char('\r') && all[i] != QLatin1Char('\n')) continue;
    WrapParagraph(all.mid(start, i - start), width, measure, lines);
    if (i < all.size() && all[i] == QLatin1Char('\r') && i + 1 < all.size() && all[i + 1] == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  return lines;
}

QStringList NoteLines(const QString& text, int width, const TTextWidthFn& measure) {
  QStringList lines = WrapText(text, width, measure);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  if (lines.size() == 1 && TrimBlanks(lines.first()).isEmpty()) lines.clear();
  return lines;
}

TByteAdvances::TByteAdvances(const std::array<double, 256>& advances) : pixels(advances) {
  for (size_t b = 0; b < advances.size(); ++b) {
    const double scaled = advances[b] * kUnitsPerPixel;
    if (!(advances[b] >= 0)) growing = false;
    if (!(scaled >= 0 && scaled < 1 << 24 && scaled == std::floor(scaled))) whole = false;
    units[b] = whole ? static_cast<int64_t>(scaled) : 0;
  }
}

void NoteLineSpans(std::string_view text, int width, const TByteAdvances& advances, std::vector<TextSpan>* lines) {
  lines->clear();
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    WrapParagraphSpans(text, start, i, width, advances, lines);
    if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // As NoteLines: no last empty line, and no lines for one line of blanks only.
  if (!lines->empty() && lines->back().start == lines->back().end) lines->pop_back();
  if (lines->size() == 1) {
    const TextSpan only = lines->front();
    if (text.substr(only.start, only.end - only.start).find_first_not_of(' ') == std::string_view::npos) lines->clear();
  }
}
