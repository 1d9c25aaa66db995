// TMemoBuf: a multi-line text that a report prints word-wrapped between two edges of the
// page, a number of lines at a time, so that a long note can run on over page breaks.
//
// Its wrapping is the report's own and differs on purpose from core/NoteLines, which
// reproduces the line breaks of a text control for the task report and the exports: here
// blanks between words collapse to one (a block-justified line spreads its words), widths
// are report units of the report's current font, and the engine sits below the task code,
// so it cannot share that wrapper.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "reportengine/ReportTypes.h"

class TBaseReport;

class TMemoBuf {
 public:
  TMemoBuf() = default;

  // The text; CR LF, CR or LF end a paragraph. Setting it starts printing from the top.
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // Left and right edges of the printed lines, in the report's units.
  double PrintStart = 0;
  double PrintEnd = 0;
  // Alignment of the lines between the edges; pjBlock spreads every line of a paragraph
  // but its last.
  TPrintJustify Justify = pjLeft;

  // Whether all of the text has been printed.
  bool Empty() const { return wrapped_ ? next_line_ >= lines_.size() : text_.isEmpty(); }
  // Starts printing from the top again.
  void Reset() { next_line_ = 0; }
  // Number of lines the text takes at the report's current font and the edges.
  int LineCount(TBaseReport& report);
  // Prints up to `max_lines` lines (0: as many as the section has left, at least one),
  // each followed by NewLine; returns how many were printed. Raises "TMemoBuf.PrintEnd
  // must be greater than TMemoBuf.PrintStart" when the edges are not in that order.
  int PrintLines(TBaseReport& report, int max_lines);

 private:
  struct TLine {
    QString text;
    bool last_of_paragraph;
  };
  void Wrap(TBaseReport& report);

  QString text_;
  std::vector<TLine> lines_;
  size_t next_line_ = 0;
  bool wrapped_ = false;
  // Font and width the lines were wrapped for.
  TFontRecord wrapped_font_;
  double wrapped_width_ = 0;
};
