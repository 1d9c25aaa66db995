#pragma once

#include <QDate>
#include <QDialog>

#include "dialogs/Calendar.h"

class QLabel;
class QPushButton;
class TBevelPanel;
class TWhatsThisButton;

// The "Select a Date" dialog: the selected date in words over a month
// calendar, five buttons that step by months and years or go to today, and
// Ok / Cancel / Help. Openers set Calendar's SelectedDate (or call
// SetSelectedDate), show the dialog modally and read the date after Ok.
class TDateSelector : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 1004;
  static constexpr int kClientWidth = 413;
  static constexpr int kClientHeight = 247;

  explicit TDateSelector(QWidget* parent = nullptr);

  QDate SelectedDate() const { return Calendar->SelectedDate(); }
  void SetSelectedDate(const QDate& date) { Calendar->SetSelectedDate(date); }

  // The dialog's controls, owned by it through Qt parenthood.
  QLabel* DateLabel = nullptr;
  TCalendar* Calendar = nullptr;
  QPushButton* PrevYear = nullptr;
  QPushButton* PrevMonth = nullptr;
  QPushButton* TodayButton = nullptr;
  QPushButton* NextMonth = nullptr;
  QPushButton* NextYear = nullptr;
  TBevelPanel* ButtonBar = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* HelpButton = nullptr;
  TWhatsThisButton* WhatsThisButton = nullptr;

 signals:
  // The Help button asks for this help context. When nothing is connected,
  // the request goes to the program's help handler (HelpContext.h).
  void helpRequested(int context);

 private:
  void CalendarChange();
  void HelpButtonClick();
};
