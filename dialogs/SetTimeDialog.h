#pragma once

#include <QDialog>
#include <QTime>
#include <array>

class QLabel;
class QPushButton;
class TBevelPanel;

// The time picker: one click on an hour cell and one on a minute cell. The
// caption always shows the time Ok returns ("Set Time As: 02:05 pm"), and the
// picked hour and minute cells stand out in the highlight colours. Openers
// set SelectedTime, show the dialog modally and read SelectedTime after Ok;
// seconds are dropped.
class TSetTimeDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 2986;
  static constexpr int kClientWidth = 306;
  static constexpr int kClientHeight = 334;

  explicit TSetTimeDialog(QWidget* parent = nullptr);

  QTime SelectedTime() const { return selectedTime_; }
  // An invalid time is taken as midnight.
  void SetSelectedTime(const QTime& time);
  int SelectedHour() const { return selectedHour_; }
  int SelectedMinute() const { return selectedMinute_; }

  // Takes hour and minute from SelectedTime and shows them; runs whenever the
  // dialog is shown or activated.
  void FormActivate();
  // Rebuilds SelectedTime from the picked hour and minute, the caption and
  // the cell colours.
  void ShowDateTime();

  // The cell for an hour (0 to 23) or a minute (0 to 59); null outside.
  TBevelPanel* HourCell(int hour) const;
  TBevelPanel* MinuteCell(int minute) const;

  // The dialog's controls, owned by it through Qt parenthood.
  TBevelPanel* HourPanel = nullptr;
  TBevelPanel* MinutePanel = nullptr;
  QLabel* AMLabel = nullptr;
  QLabel* PMLabel = nullptr;
  TBevelPanel* ButtonBar = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* HelpButton = nullptr;

 signals:
  // The Help button asks for this help context. When nothing is connected,
  // the request goes to the program's help handler (HelpContext.h).
  void helpRequested(int context);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void HourClick(int hour);
  void MinuteClick(int minute);
  void HelpButtonClick();

  QTime selectedTime_{0, 0};
  int selectedHour_ = 0;
  int selectedMinute_ = 0;
  std::array<TBevelPanel*, 24> hourCells_{};
  std::array<TBevelPanel*, 60> minuteCells_{};
};
