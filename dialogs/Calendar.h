#pragma once

#include <QDate>
#include <QString>
#include <QWidget>

// The month grid of the date selector: seven columns, a fixed row of day
// names and six rows of day numbers. The selected date's cell is the grid's
// current cell. Users pick a day by mouse or arrow keys; the program moves by
// months and years with the Show... calls, which keep the day where the
// target month has it and take the month's last day otherwise.
class TCalendar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColCount = 7;
  static constexpr int kRowCount = 7;  // row 0 holds the day names
  static constexpr int kGridLineWidth = 1;
  // Dates are kept within the years 1 to 9999; a change that would leave
  // them is refused.
  static constexpr int kMinYear = 1;
  static constexpr int kMaxYear = 9999;

  explicit TCalendar(QWidget* parent = nullptr);

  QDate SelectedDate() const { return date_; }
  // Stores the date, moves the grid to it and fires OnChange (also when the
  // date is the one already shown). An invalid date or one outside the years
  // 1 to 9999 is ignored.
  void SetSelectedDate(const QDate& date);

  int Day() const { return date_.day(); }
  int Month() const { return date_.month(); }
  int Year() const { return date_.year(); }
  // Each setter ignores a value below 1, a month above 12, a day above the
  // days of the shown month, a year above 9999, and a value equal to the
  // current one. SetMonth and SetYear refuse a change that would name a day
  // the target month lacks (29 February in a common year). Otherwise the date
  // changes, UseCurrentDate becomes false, the grid moves and OnChange fires.
  // Each returns true when the date changed.
  bool SetDay(int value);
  bool SetMonth(int value);
  bool SetYear(int value);

  // The weekday in column 0: 0 Sunday, 1 Monday ... 6 Saturday. Values outside
  // 0 to 6 are ignored.
  int StartOfWeek() const { return startOfWeek_; }
  void SetStartOfWeek(int day);

  // Set to true: the date becomes today (the grid moves, OnChange does not
  // fire). Any change through SetDay, SetMonth or SetYear makes it false.
  bool UseCurrentDate() const { return useCurrentDate_; }
  void SetUseCurrentDate(bool value);

  // A read-only calendar ignores the user's picks; the program still moves it.
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }

  // The day number in column 0 of row 1 (1 or less).
  int MonthOffset() const { return monthOffset_; }

  void ShowPreviousMonth();
  void ShowNextMonth();
  void ShowPreviousYear();
  void ShowNextYear();

  static bool IsLeapYear(int year);
  // 28 to 31; 0 for a month outside 1 to 12.
  static int DaysPerMonth(int year, int month);

  // What a cell shows: row 0 the abbreviated day name, rows 1 to 6 the day
  // number or nothing outside the month. Empty for a cell off the grid.
  QString CellText(int col, int row) const;

  // The current (selected) cell.
  int Col() const { return col_; }
  int Row() const { return row_; }

  // A user's pick of a cell, by mouse or keyboard: refused while ReadOnly
  // and for the day-name row, cells off the grid and empty cells. An
  // accepted pick makes the cell current and sets Day to its number.
  // Returns whether the pick was accepted.
  bool SelectCell(int col, int row);

  // Cell size: the client size less six grid lines, split seven ways.
  int DefaultColWidth() const;
  int DefaultRowHeight() const;
  // Where a cell is drawn, in widget coordinates.
  QRect CellRect(int col, int row) const;
  // The cell at a point; false when the point is on no cell.
  bool CellAt(const QPoint& pos, int* col, int* row) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // After every change of SelectedDate, by the program or the user.
  void OnChange();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Moves the grid to the selected date: month offset, current cell, repaint.
  void UpdateCalendar();
  void ChangeDate(const QDate& date);
  bool CanSelectCell(int col, int row) const;
  void DrawCell(class QPainter& painter, int col, int row) const;

  QDate date_;
  int startOfWeek_ = 0;
  bool useCurrentDate_ = true;
  bool readOnly_ = false;
  bool updating_ = false;
  int monthOffset_ = 1;
  int col_ = 0;
  int row_ = 1;
};
