// Note lines: the lines a word-wrapping, multi-line text control of a given width shows
// for a text, counted as the exports and the printed report count them. The rules live
// here; how wide a piece of text is comes from the caller (reports/ measures with the
// dialog font), so this stays free of fonts and windows. The report engine's TMemoBuf
// wraps by other rules (blanks collapse, report units) and keeps its own wrapper.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// Width of a piece of text in pixels, as drawn on one line.
using TTextWidthFn = std::function<int(QStringView text)>;

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
