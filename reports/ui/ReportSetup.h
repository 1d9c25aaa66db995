// TReportSetup: the report options dialog ("Print Report") that the main window's
// "&Report" command opens. Four pages under a tab strip: the printed report's title and
// switches with Print, Preview and Printer Setup; and the HTML, RTF and text exports, each
// with a title, "Copy Notes" and "Save As" (the HTML page also with its background colour).
// Titles and export file names live in JLIST.INI, read when the dialog is created and
// written after each successful export; the check boxes and the colour belong to the main
// window (TODO.INI), which hands them in and takes them back (Execute).
//
// The printed report: Print, Preview and Printer Setup check for printers first. Print then
// asks for the printer and copies (the engine's print dialog) and runs DoPrint; Preview runs
// DoPrint at once; Printer Setup shows the engine's printer-setup dialog.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

#include "reportengine/PrinterReport.h"
#include "reports/DialogFontMeasure.h"
#include "reports/TaskExport.h"
#include "store/Settings.h"
#include "store/xbase/Status.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class TBevelPanel;
class TodoTable;
class TWhatsThisButton;

class TReportSetup : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 1007;
  static constexpr int kClientWidth = 607;
  static constexpr int kClientHeight = 421;
  // The colour dialog's preset and the background colour until the main window sets one.
  static constexpr int kDefaultColor = 8454143;

  // The "&Report" command: creates the dialog, centres it, hands it the main window's
  // seven check boxes and background colour, shows it modally and copies those values
  // back into `preferences` when it closes (the caller saves them with its preferences).
  static void Execute(TodoTable& table, TPreferences& preferences, QWidget* parent);

  // Builds the dialog over the main window's task table; FormCreate runs.
  explicit TReportSetup(TodoTable& table, QWidget* parent = nullptr);

  // FormCreate: LoadPreferences, the colour string and panel from the background colour,
  // the first tab and page.
  void FormCreate();
  // JLIST.INI, section Report: the four titles into their fields and the three file paths.
  void LoadPreferences();
  // Writes the four titles (from the fields) and the three file paths to JLIST.INI.
  xbase::Status SavePreferences() const;

  // The seven check boxes and the background colour from / into the main window's values.
  void SetSwitches(const TPreferences& preferences);
  void GetSwitches(TPreferences* preferences) const;

  // Background colour as a Windows colour value (red in the low byte): paints the panel,
  // presets the colour dialog and makes the colour string.
  int BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(int windowsColor);
  QString ColorString() const { return colorString_; }

  // The file paths offered by the three "Save As" commands.
  const TReportTexts& Texts() const { return texts_; }
  // Set by the last Print (true) or Preview (false).
  bool PrintMode() const { return printMode_; }

  // Splits a file path at its last "/", "\" or ":" into the folder (up to and including
  // that character) and the file name.
  static void SplitFilePath(const QString& path, QString* directory, QString* fileName);

  // ---- handlers
  // Print: "There are no printers installed" without printers; else print mode on, the
  // print dialog, and DoPrint unless it was cancelled.
  void PrintNowClick();
  // Preview: the same check; print mode off; DoPrint.
  void PreviewButtonClick();
  // Printer Setup: the same check, then the printer-setup dialog.
  void PrintSetupClick();
  // Runs the task report in the current print mode over the main window's table, with the
  // report switches of the page and the paper orientation and copies of PrinterReport1.
  void DoPrint();
  // The colour dialog, preset to the background colour; its answer (the preset when
  // cancelled) becomes the background colour.
  void ColorPanelClick();
  // Shows the page of the tab `index`.
  void TabSet1Click(int index);
  void ReturnButtonClick();
  // The three save commands: the save dialog on the remembered file path, a question
  // before replacing a file, the export, "Saved as <path>", then the path and all four
  // titles stored. Cancel writes and stores nothing; a failed export is reported by the
  // error box and stores nothing.
  void HTMLSaveAsClick();
  void SaveAsRTFClickClick();
  void SaveAsTextClick();

  // The three writers over the main window's table, in its order and under its filter;
  // notes when the tab's "Copy Notes" is checked.
  xbase::Status CopyHTML(const QString& fileName, const QString& colorString, const QString& title);
  xbase::Status CopyRTF(const QString& fileName, const QString& title);
  xbase::Status CopyText(const QString& fileName, const QString& title);

  // ---- controls, owned through Qt parenthood; object names as the members
  QTabBar* TabSet1 = nullptr;
  QStackedWidget* Notebook1 = nullptr;
  QLabel* ReportTitleLabel = nullptr;
  QLineEdit* ReportTitleField = nullptr;
  QCheckBox* PrintMemoBox = nullptr;
  QCheckBox* PrintCheckBox = nullptr;
  QCheckBox* DoubleSpace = nullptr;
  QCheckBox* PrintKeywords = nullptr;
  QPushButton* PrintNow = nullptr;
  QPushButton* Previewbutton = nullptr;
  QPushButton* PrintSetup = nullptr;
  QLabel* HTMLTitleLabel = nullptr;
  QLineEdit* HTMLPageTitle = nullptr;
  QCheckBox* HTMLDoNotes = nullptr;
  TBevelPanel* ColorPanel = nullptr;
  QPushButton* HTMLSaveAs = nullptr;
  QLabel* RTFTitleLabel = nullptr;
  QLineEdit* RTFPageTitle = nullptr;
  QCheckBox* RTFDoNotes = nullptr;
  QPushButton* SaveAsRTFClick = nullptr;
  QLabel* TextTitleLabel = nullptr;
  QLineEdit* TextPageTitle = nullptr;
  QCheckBox* TextDoNotes = nullptr;
  QPushButton* SaveAsText = nullptr;
  TBevelPanel* BottomPanel = nullptr;
  QPushButton* ReturnButton = nullptr;
  QPushButton* HelpButton = nullptr;
  TWhatsThisButton* WhatsThisButton = nullptr;
  // Used for its print and printer-setup dialogs and as the source of the orientation.
  std::unique_ptr<TPrinterReport> PrinterReport1;

 private:
  // The label caption and the object names of one export page's controls.
  struct TExportPageNames {
    const char* Caption;
    const char* Label;
    const char* Title;
    const char* Notes;
    const char* SaveAs;
  };
  void BuildPrintedReportPage(QWidget* page);
  void BuildExportPage(QWidget* page, const TExportPageNames& names, QLabel** label, QLineEdit** title,
                       QCheckBox** notes, QPushButton** saveAs);
  void SetWhatsThisTexts();
  // The "There are no printers installed" check of the three print buttons.
  bool CheckPrinters();
  // The save command of one format.
  void SaveAs(TExportFormat format);
  // Asks for the file: the save dialog on `remembered` until a path is chosen that does not
  // exist or may be replaced; empty when cancelled.
  QString AskFileName(const QString& filter, const QString& extension, const QString& remembered);
  xbase::Status Copy(TExportFormat format, const QString& fileName, const QString& title, bool notes,
                     const QString& colorString);

  TodoTable& table_;
  TSettings settings_;
  TReportTexts texts_;
  TDialogFontMeasure measure_;
  int backgroundColor_ = kDefaultColor;
  QString colorString_;
  bool printMode_ = false;
};
