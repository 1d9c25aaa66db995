// The outside dialogs of the report options dialog: the file-save dialog of the exports,
// the colour dialog of the HTML background and the question whether any printer is
// installed. Each goes through one function here, so that a test can answer them all
// without a screen.
//
// In tests, create a TReportDialogScript on the stack before the code under test runs.
// While it lives no such dialog is shown: each save request is recorded and answered with
// the next queued path (an empty path, or an empty queue, is Cancel); each colour dialog
// with the next queued colour (an invalid colour, or an empty queue, is Cancel); and the
// printer check with the scripted answer (none installed unless set).
//
//   TReportDialogScript dialogs;
//   dialogs.AnswerSave(dir + "/tasks.htm");
//   dialog.HTMLSaveAsClick();
//   EXPECT_EQ(dialogs.SaveRequests().at(0).FileName, "Todo.htm");
//
// Scripts nest: the newest one answers; the one before it takes over again when it goes.
#pragma once

#include <QColor>
#include <QString>

#include <deque>
#include <vector>

class QWidget;

// What the save dialog is opened with.
struct TSaveFileRequest {
  QString Filter;     // "HTM Document|*.htm": a description, "|", a pattern
  QString Directory;  // initial folder (may end in "/"; empty for the current one)
  QString FileName;   // proposed file name
};

// Runs the file-save dialog (or the script) and gives the chosen full path, empty when
// cancelled. The dialog itself does not ask before replacing a file; the caller does.
QString RunSaveFileDialog(QWidget* parent, const TSaveFileRequest& request);

// Runs the colour dialog preset to `initial` and gives the colour chosen, or `initial`
// when the user cancels.
QColor RunColorDialog(QWidget* parent, const QColor& initial);

// True when the system lists at least one printer.
bool PrintersInstalled();

class TReportDialogScript {
 public:
  TReportDialogScript();
  ~TReportDialogScript();
  TReportDialogScript(const TReportDialogScript&) = delete;
  TReportDialogScript& operator=(const TReportDialogScript&) = delete;

  // Queues the path the next save dialog gives (empty: Cancel).
  void AnswerSave(const QString& path) { saves_.push_back(path); }
  // Queues the colour the next colour dialog gives (invalid: Cancel).
  void AnswerColor(const QColor& color) { colors_.push_back(color); }
  void SetPrintersInstalled(bool installed) { printers_ = installed; }

  const std::vector<TSaveFileRequest>& SaveRequests() const { return saveRequests_; }
  // The preset colour of each colour dialog, in order.
  const std::vector<QColor>& ColorRequests() const { return colorRequests_; }
  int PrinterChecks() const { return printerChecks_; }

  // Used by the functions above.
  QString Save(const TSaveFileRequest& request);
  QColor Color(const QColor& initial);
  bool Printers();

 private:
  TReportDialogScript* previous_ = nullptr;
  std::deque<QString> saves_;
  std::deque<QColor> colors_;
  bool printers_ = false;
  std::vector<TSaveFileRequest> saveRequests_;
  std::vector<QColor> colorRequests_;
  int printerChecks_ = 0;
};
