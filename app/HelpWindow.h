// THelpWindow: the program's help, JLIST.HTM from the program folder (an installed
// copy's from its share/jotlist/), shown at the section of a context number (1009 main
// window, 1004 task editor and date selector, 1018 filter, 1007 report options, 1017
// preview, 2986 time dialog).
#pragma once

#include <QWidget>

class QTextBrowser;

class THelpWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr char kHelpFileName[] = "JLIST.HTM";

  explicit THelpWindow(QWidget* parent = nullptr);

  // Writes the help file shipped with the program into `directory` (ending in "/")
  // when it has none; false when it was missing and could not be written.
  static bool InstallHelpFile(const QString& directory);

  // The help file to show: JLIST.HTM in `programFolder`, else the one in the install's
  // `shareFolder` (empty when not installed), else the shipped copy written into
  // `programFolder`. Both folders end in "/". Empty when there is none and none could
  // be written.
  static QString HelpFilePath(const QString& programFolder, const QString& shareFolder);

  // Shows the window at the section of `context` (the start of the file when the
  // file has no such section). False when there is no help file to show.
  bool ShowContext(int context);
  int Context() const { return context_; }

  QTextBrowser* Browser = nullptr;

 private:
  int context_ = 0;
  bool placed_ = false;
};
