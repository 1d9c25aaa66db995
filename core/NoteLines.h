// Note lines: the lines a word-wrapping, multi-line text control of a given width shows
// for a text, counted as the exports and the printed report count them. The rules live
// here; how wide a piece of text is comes from the caller (reports/ measures with the
// dialog font), so this stays free of fonts and windows. The report engine's TMemoBuf
// wraps by other rules (blanks collapse, report units) and keeps its own wrapper.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Width of a piece of text in pixels, as drawn on one line.
using TTextWidthFn = std::function<int(QStringView text)>;

// The whole pixels a line of text takes whose characters' advances add up to `advances`
// (added from its first character): rounded up, with a hair of tolerance so that a sum of
// fractions that should be whole stays whole.
inline int AdvancesWidth(double advances) { return static_cast<int>(std::ceil(advances - 1e-6)); }
// AdvancesWidth(advances) <= width, without rounding (ceil(x) > w exactly when x > w).
inline bool AdvancesFit(double advances, int width) { return !(advances - 1e-6 > width); }

// How wide text is: the width function, and, when that width is AdvancesWidth of the sum
// of per-character advances, the advance of one character, which lets a text held as
// single-byte code-page bytes be wrapped in one pass (NoteLineSpans). A width function on
// its own converts to a measure without advances.
struct TTextMeasure {
  TTextMeasure() = default;
  template <class WidthFn>
  TTextMeasure(WidthFn width) : Width(std::move(width)) {}  // NOLINT: a width function is a measure
  TTextWidthFn Width;
  std::function<double(char16_t c)> Advance;
};

// The display lines of `text` in a word-wrapping control `width` pixels wide:
// - a hard line break (CR LF, a lone LF or a lone CR) ends a line; text without a break
//   is one paragraph, and an empty paragraph is one empty line;
// - a paragraph wider than `width` wraps after the blanks (spaces or tabs) that end the
//   last word that still fits; those blanks stay at the end of their line and the next
//   line starts at the following word. A line fits when its text without the trailing
//   blanks is at most `width` wide;
// - a word wider than `width` on its own is cut at the last character that fits (at
//   least one character a line).
// An empty text gives one empty line. Every line is measured whole, so any width
// function works; a paragraph that fits is measured once.
QStringList WrapText(const QString& text, int width, const TTextWidthFn& measure);

// The lines of a note or key-word text as the report and the exports count them:
// WrapText's lines without a last line that is empty (so an empty text, or one ending
// in a line break, has no line for it), and none at all when what is left is exactly
// one line that holds nothing but blanks. Lines keep their blanks.
QStringList NoteLines(const QString& text, int width, const TTextWidthFn& measure);

// A line of a text as the bytes [start, end) of it.
struct TextSpan {
  size_t start = 0;
  size_t end = 0;
};

// The advances of the 256 bytes of a single-byte code page, for NoteLineSpans.
struct TByteAdvances {
  static constexpr int kUnitsPerPixel = 64;
  explicit TByteAdvances(const std::array<double, 256>& advances = {});
  std::array<double, 256> pixels;
  // None negative (nor not a number): the one-pass wrap needs widths that only grow.
  bool growing = true;
  // Every advance a whole number of 64ths of a pixel, as font advances are: the sums of
  // `units` are then exactly 64 times the sums of `pixels`, and whole numbers add faster.
  bool whole = true;
  std::array<int64_t, 256> units{};
};

// NoteLines of single-byte text whose byte b is `advances.pixels[b]` wide (which must be
// `growing`), with widths as AdvancesWidth gives them: the same lines, as spans of `text`,
// found in one pass over each line instead of measuring pieces of it again and again. The
// line breaks and blanks (CR, LF, space, tab) are those of every code page a task table
// may use.
void NoteLineSpans(std::string_view text, int width, const TByteAdvances& advances, std::vector<TextSpan>* lines);
