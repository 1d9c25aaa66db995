// TSettings: the two settings files in the program folder.
//
//   TODO.INI   [Preferences] SplitterBar, Order, ShowDone; [Reindex] Needed;
//              [Report] the seven report check boxes and HTMLColor;
//              [<class>_Placement[<dpi>]] Left, Top, Right, Bottom, Maximized.
//   JLIST.INI  [Report] the four titles and the three export file names.
//
// Every read has a default, so neither file needs to exist; the first write creates
// it. Writes stop at the first key the system refuses and give that error ("Unable
// to write to <path>"); the caller shows it with the default error report.
#pragma once

#include "store/xbase/Status.h"

#include <QString>

// The main window's preferences and report switches (TODO.INI), defaults included.
struct TPreferences {
  int SplitterBar = 200;          // Preferences/SplitterBar: height of the grid pane
  int Order = 0;                  // Preferences/Order: tag number, 0 natural order
  bool ShowDone = false;          // Preferences/ShowDone
  bool ReindexNeeded = true;      // Reindex/Needed: the rebuild reminder is due
  bool PrintMemo = false;         // Report/PrintMemo: "Print Notes"
  bool PrintCheckbox = false;     // Report/PrintCheckbox: "Print Checkbox"
  bool PrintDoubleSpace = false;  // Report/PrintDoubleSpace: "Double Spaced"
  bool PrintKeywords = false;     // Report/PrintKeywoirds (the stored key keeps that spelling)
  bool HTMLPrintMemo = false;     // Report/HTMLPrintMemo: HTML "Copy Notes"
  bool RTFPrintMemo = false;      // Report/RTFPrintMemo: RTF "Copy Notes"
  bool TextPrintMemo = false;     // Report/TextPrintMemo: text "Copy Notes"
  int HTMLColor = 8454143;        // Report/HTMLColor: 0x80FFFF, a Windows colour value (0x00BBGGRR)

  bool operator==(const TPreferences&) const = default;
};

// A resizable window's normal rectangle (right and bottom exclusive) and state.
struct TFormPlacement {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Maximized = false;

  bool operator==(const TFormPlacement&) const = default;
};

// The report options dialog's texts (JLIST.INI, section Report).
struct TReportTexts {
  QString ReportTitle;
  QString HTMLTitle;
  QString RTFTitle;
  QString TextTitle;
  QString HTMLFilePath;
  QString RTFFilePath;
  QString TextFilePath;

  bool operator==(const TReportTexts&) const = default;
};

class TSettings {
 public:
  // programDirectory ends in "/" (ProgramDirectory()).
  explicit TSettings(QString programDirectory);

  QString MainFileName() const;    // <folder>TODO.INI
  QString ReportFileName() const;  // <folder>JLIST.INI

  // The main window's LoadPreferences: every key of the Preferences, Reindex and
  // Report sections of TODO.INI, each defaulted when missing or not a number.
  TPreferences LoadPreferences() const;
  // The main window's SavePreferences: the same keys in the same order. The caller
  // puts the table's current order into Order and the splitter position into
  // SplitterBar first.
  [[nodiscard]] xbase::Status SavePreferences(const TPreferences& preferences) const;

  // The section of a window's placement: class name + "_Placement", followed by the
  // screen's pixels per inch when that is above 96 ("TMainScreen_Placement120").
  static QString PlacementSection(const QString& className, int pixelsPerInch);
  // RestoreFormPlacement's read: each side defaults to 0 (Bottom 0 = nothing stored),
  // Maximized to maximizedNow.
  TFormPlacement LoadPlacement(const QString& section, bool maximizedNow) const;
  // SaveFormPlacement's write: Left, Top, Right, Bottom, Maximized.
  [[nodiscard]] xbase::Status SavePlacement(const QString& section, const TFormPlacement& placement) const;

  // The report options dialog's LoadPreferences: titles default to "Jotlist", file
  // names to the program folder + "Todo.htm", "Todo.rtf", "Todo.txt".
  TReportTexts LoadReportTexts() const;
  // The report options dialog's SavePreferences: the four titles, then the three
  // file names.
  [[nodiscard]] xbase::Status SaveReportTexts(const TReportTexts& texts) const;

 private:
  QString directory_;
};
