// TTaskExport: the three file exports of the task list (an HTML 3.2 page, an RTF document
// holding one table, a text file of fixed-width columns), written as plain code over a
// task walk so that the report options dialog and jlistreport write the same bytes.
//
// Every line ends in CR LF; text goes out in the table's code page, which the page names
// in its head (so does a document from a table in another code page than Windows-1252).
// The one change to the bytes: characters that the format itself would read as mark-up
// are escaped in task texts, display texts, note lines and titles (RTF \ { } as \\ \{ \}
// and, RTF being seven-bit, a byte above 127 as \'hh; HTML & < > as &amp; &lt; &gt;), so
// a task reads back as the user typed it. An ASCII text without them is written byte for
// byte.
#pragma once

#include <QString>

#include <functional>

#include "core/NoteLines.h"
#include "store/xbase/Status.h"

class QIODevice;
class TDialogFontMeasure;
class TTaskWalk;

enum class TExportFormat { kHtml, kRtf, kText };

struct TExportOptions {
  TExportFormat Format = TExportFormat::kHtml;
  // The title field's text at the moment of saving.
  QString Title;
  // "Copy Notes": each task's note lines below its row.
  bool CopyNotes = false;
  // HTML only: the background colour as six hexadecimal digits, red, green, blue.
  QString ColorString = QStringLiteral("FFFF80");
  // The note-wrapping control's width in pixels and how it measures text. With the
  // measure's advances, notes are wrapped from their stored bytes.
  int NoteWidth = 0;
  TTextMeasure Measure;
  // Called between two rows, so that the windows can handle pending events.
  std::function<void()> BetweenRows;
};

class TTaskExport {
 public:
  // The HTML colour string of a Windows colour value (red in the low byte): six upper-case
  // hexadecimal digits red, green, blue. 8454143 gives "FFFF80". Bits above the three
  // colour bytes are ignored.
  static QString ColorString(int windowsColor);

  // Options for `format` with the dialog font's note width and measure; the measure
  // refers to `measure`, which must outlive the options.
  static TExportOptions OptionsFor(TExportFormat format, const TDialogFontMeasure& measure);

  // Writes the whole document to `device` (open for writing), walking `source` from its
  // first task: the walk leaves it at its last task. Every write is checked; a refused
  // write stops the export with kIoError and the device's reason, leaving what was
  // written before it.
  static xbase::Status Write(TTaskWalk& source, const TExportOptions& options, QIODevice& device);

  // Creates or replaces the file `path` and writes the document into it (checking every
  // write, the flush and the close). A file that cannot be created or written gives
  // kIoError "Unable to write to <path>: <reason>"; what was written stays.
  static xbase::Status WriteFile(TTaskWalk& source, const TExportOptions& options, const QString& path);
};
