#include "core/NoteLines.h"

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
