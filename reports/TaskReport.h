// TTaskReport: the body of the printed task report, drawn through the report engine's page
// model over any report (the printer, the report-file writer, a test's recorder), so that
// the status window, jlistreport and the tests run the same code. All lengths are inches
// (the report's units factor is 1).
//
// Each page: the title and "Page n" on the first line, today's date under the page label,
// the column titles, a rule at the section top (1.5 inches with margins of 0.5) and one at
// its bottom (H - 1.0); then one row per task (an optional check-box square, Date, Time,
// Task, Priority, Done, each cut 0.2 inch before its column's inner right edge), the key
// words and the note under the row in shaded bands that continue on the next page after a
// fresh header, and an empty line after each task when double spaced.
#pragma once

#include <QString>
#include <QStringList>

#include "core/NoteLines.h"
#include "store/TaskWalk.h"

class TBaseReport;

// The report's switches, as the report options dialog hands them over.
struct TTaskReportOptions {
  QString Title;
  bool PrintCheckbox = false;
  bool DoubleSpace = false;
  bool PrintMemo = false;
  bool PrintKeywords = false;
};

class TTaskReport {
 public:
  // Shades of the key-word and the note bands, percent.
  static constexpr int kKeywordShade = 20;
  static constexpr int kNoteShade = 10;

  // `measure` is the note-wrapping control's width function (the status window's font);
  // the control is as wide as the section less a quarter inch at `screenPixelsPerInch`.
  TTaskReport(TTaskWalk& source, const TTaskReportOptions& options, TTextWidthFn measure,
              int screenPixelsPerInch);

  // Gives `report` the settings the task report is drawn with (inches, half-inch margins,
  // lines as high as the font, full scale, the document name "Test Report") and this body
  // as its OnPrint. The report must outlive neither this object nor the source.
  void Attach(TBaseReport& report);

  // The report body (the report's OnPrint): draws the whole report, from the first task of
  // the source to its end, or until Stop.
  void PrintReport(TBaseReport& report);
  // The page header; leaves the cursor on the first line of the task section.
  void HeaderFooter(TBaseReport& report);
  // The key-word band and the note band of the current task (nothing when switched off or
  // when the text has no printable line).
  void HandleKeywords(TBaseReport& report, const QString& keys);
  void HandleMemo(TBaseReport& report, const QString& note);
  // One cell of a task row at the current stop, clipped 0.2 inch before its inner right edge.
  void DoTextRect(TBaseReport& report, const QString& text);

  // Ends the report before its next task (the preview's "Stop").
  void Stop() { stop_ = true; }
  bool Stopped() const { return stop_; }
  const TTaskReportOptions& Options() const { return options_; }
  void SetOptions(const TTaskReportOptions& options) { options_ = options; }
  // Width of the note-wrapping control in pixels (set by PrintReport).
  int MemoWidth() const { return memoWidth_; }
  // Tasks drawn by the last PrintReport.
  int TasksPrinted() const { return tasksPrinted_; }

  // The printed lines of a key-word or note text at MemoWidth().
  QStringList BandLines(const QString& text) const;

  // The Date cell of a stored DATE (yyyymmdd): "dd mmm, yyyy (ddd)", empty when the stored
  // text is not a valid date under the working date settings.
  static QString DateCell(const QString& stored);
  // The Time cell of a stored TIME: "hh:nn am/pm", empty when it is not a valid time.
  static QString TimeCell(const QString& stored);

 private:
  // The row stops (check box, Date, Time, Task, Priority, Done).
  void SetRowTabs(TBaseReport& report) const;
  // The band stops of a key-word or note band in `shade`.
  void SetBandTabs(TBaseReport& report, int shade) const;
  void PrintBand(TBaseReport& report, const QStringList& lines, int shade);
  void SetTaskSection(TBaseReport& report) const;

  TTaskWalk& source_;
  TTaskReportOptions options_;
  TTextWidthFn measure_;
  int screenPixelsPerInch_;
  int memoWidth_ = 0;
  int tasksPrinted_ = 0;
  bool stop_ = false;
};
