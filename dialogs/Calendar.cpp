#include "dialogs/Calendar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "core/DateTimeFormat.h"

TCalendar::TCalendar(QWidget* parent) : QWidget(parent), date_(QDate::currentDate()) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  UpdateCalendar();
}

bool TCalendar::IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int TCalendar::DaysPerMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

void TCalendar::SetSelectedDate(const QDate& date) {
  if (!date.isValid() || date.year() < kMinYear || date.year() > kMaxYear) return;
  date_ = date;
  UpdateCalendar();
  emit OnChange();
}

void TCalendar::ChangeDate(const QDate& date) {
  date_ = date;
  useCurrentDate_ = false;
  UpdateCalendar();
  emit OnChange();
}

bool TCalendar::SetDay(int value) {
  if (value < 1 || value > DaysPerMonth(Year(), Month()) || value == Day()) return false;
  ChangeDate(QDate(Year(), Month(), value));
  return true;
}

bool TCalendar::SetMonth(int value) {
  if (value < 1 || value > 12 || value == Month()) return false;
  const QDate date(Year(), value, Day());
  if (!date.isValid()) return false;  // the day does not exist in that month
  ChangeDate(date);
  return true;
}

bool TCalendar::SetYear(int value) {
  if (value < kMinYear || value > kMaxYear || value == Year()) return false;
  const QDate date(value, Month(), Day());
  if (!date.isValid()) return false;  // 29 February of a common year
  ChangeDate(date);
  return true;
}

void TCalendar::SetStartOfWeek(int day) {
  if (day < 0 || day > 6 || day == startOfWeek_) return;
  startOfWeek_ = day;
  UpdateCalendar();
}

void TCalendar::SetUseCurrentDate(bool value) {
  if (value == useCurrentDate_) return;
  useCurrentDate_ = value;
  if (value) {
    date_ = QDate::currentDate();
    UpdateCalendar();
  }
}

void TCalendar::ShowPreviousMonth() {
  // Step off the 1st of the month by one day, into the previous month.
  const int keptDay = Day();
  const QDate landed = QDate(Year(), Month(), 1).addDays(-1);
  if (landed.year() < kMinYear) return;
  const int lastDay = DaysPerMonth(landed.year(), landed.month());
  SetSelectedDate(QDate(landed.year(), landed.month(), std::min(keptDay, lastDay)));
}

void TCalendar::ShowNextMonth() {
  // Step off the last day of the month by one day, into the next month.
  const int keptDay = Day();
  const QDate landed = QDate(Year(), Month(), DaysPerMonth(Year(), Month())).addDays(1);
  if (landed.year() > kMaxYear) return;
  const int lastDay = DaysPerMonth(landed.year(), landed.month());
  SetSelectedDate(QDate(landed.year(), landed.month(), std::min(keptDay, lastDay)));
}

void TCalendar::ShowPreviousYear() {
  if (Year() <= kMinYear) return;
  if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
  SetYear(Year() - 1);
}

void TCalendar::ShowNextYear() {
  if (Year() >= kMaxYear) return;
  if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
  SetYear(Year() + 1);
}

void TCalendar::UpdateCalendar() {
  updating_ = true;
  // Weekday of the 1st counted 1 = Sunday ... 7 = Saturday, then as the
  // column it takes under StartOfWeek. A 1st in column 0 gives offset -5 so
  // that it stands in row 1 rather than leaving that row empty.
  const int firstWeekday = QDate(Year(), Month(), 1).dayOfWeek() % 7 + 1;
  const int w = (firstWeekday - startOfWeek_ + 7) % 7;
  monthOffset_ = w == 0 ? -5 : 2 - w;
  const int index = Day() - monthOffset_;
  col_ = index % 7;
  row_ = index / 7 + 1;
  update();
  updating_ = false;
}

QString TCalendar::CellText(int col, int row) const {
  if (col < 0 || col >= kColCount || row < 0 || row >= kRowCount) return {};
  if (row == 0) {
    const QString& name = FormatSettings().ShortDayNames[(col + startOfWeek_) % 7];
    return name;
  }
  const int day = col + monthOffset_ + 7 * (row - 1);
  if (day < 1 || day > DaysPerMonth(Year(), Month())) return {};
  return QString::number(day);
}

bool TCalendar::CanSelectCell(int col, int row) const {
  if (!updating_ && readOnly_) return false;
  if (row < 1) return false;
  return !CellText(col, row).isEmpty();
}

bool TCalendar::SelectCell(int col, int row) {
  if (!CanSelectCell(col, row)) return false;
  col_ = col;
  row_ = row;
  update();
  // Then the grid's click: the current cell's day becomes the date's day.
  const QString text = CellText(col_, row_);
  if (!text.isEmpty()) SetDay(text.toInt());
  return true;
}

QRect TCalendar::CellRect(int col, int row) const {
  const int w = DefaultColWidth();
  const int h = DefaultRowHeight();
  return {col * (w + kGridLineWidth), row * (h + kGridLineWidth), w, h};
}

bool TCalendar::CellAt(const QPoint& pos, int* col, int* row) const {
  const int w = DefaultColWidth();
  const int h = DefaultRowHeight();
  if (w <= 0 || h <= 0 || pos.x() < 0 || pos.y() < 0) return false;
  const int c = pos.x() / (w + kGridLineWidth);
  const int r = pos.y() / (h + kGridLineWidth);
  if (c >= kColCount || r >= kRowCount) return false;
  *col = c;
  *row = r;
  return true;
}

QSize TCalendar::sizeHint() const {
  const QFontMetrics fm(font());
  return {kColCount * (fm.horizontalAdvance(QStringLiteral("Wed")) + 16) + 6 * kGridLineWidth,
          kRowCount * (fm.height() + 4) + 6 * kGridLineWidth};
}

QSize TCalendar::minimumSizeHint() const {
  const QFontMetrics fm(font());
  return {kColCount * (fm.horizontalAdvance(QStringLiteral("00")) + 2) + 6 * kGridLineWidth,
          kRowCount * fm.height() + 6 * kGridLineWidth};
}

int TCalendar::DefaultColWidth() const { return std::max(0, (width() - 6 * kGridLineWidth) / kColCount); }

int TCalendar::DefaultRowHeight() const { return std::max(0, (height() - 6 * kGridLineWidth) / kRowCount); }

void TCalendar::DrawCell(QPainter& painter, int col, int row) const {
  const QRect cell = CellRect(col, row);
  const QPalette& pal = palette();
  const bool fixed = row == 0;
  const bool current = !fixed && col == col_ && row == row_;
  QColor text = pal.color(QPalette::Text);
  if (fixed) {
    painter.fillRect(cell, pal.color(QPalette::Button));
    // Raised look of the fixed row.
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(cell.topLeft(), cell.topRight());
    painter.drawLine(cell.topLeft(), cell.bottomLeft());
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    text = pal.color(QPalette::ButtonText);
  } else if (current) {
    painter.fillRect(cell, pal.color(QPalette::Highlight));
    text = pal.color(QPalette::HighlightedText);
  } else {
    painter.fillRect(cell, pal.color(QPalette::Base));
  }
  if (!isEnabled()) text = pal.color(QPalette::Disabled, QPalette::Text);

  const QString label = CellText(col, row);
  if (!label.isEmpty()) {
    // Centred by halves of the free space, rounded down, clipped to the cell.
    const QFontMetrics fm(painter.font());
    const int x = cell.left() + (cell.width() - fm.horizontalAdvance(label)) / 2;
    const int y = cell.top() + (cell.height() - fm.height()) / 2 + fm.ascent();
    painter.save();
    painter.setClipRect(cell);
    painter.setPen(text);
    painter.drawText(x, y, label);
    painter.restore();
  }
  if (current && hasFocus()) {
    painter.save();
    QPen pen(pal.color(QPalette::HighlightedText), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(1, 1, -2, -2));
    painter.restore();
  }
}

void TCalendar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const QPalette& pal = palette();
  // Grid lines and whatever the whole cells leave over at the right and bottom.
  painter.fillRect(rect(), pal.color(QPalette::Window));
  const int colWidth = DefaultColWidth();
  const int rowHeight = DefaultRowHeight();
  const int gridWidth = kColCount * colWidth + (kColCount - 1) * kGridLineWidth;
  const int gridHeight = kRowCount * rowHeight + (kRowCount - 1) * kGridLineWidth;
  painter.fillRect(QRect(0, 0, gridWidth, gridHeight), pal.color(QPalette::Mid));
  if (colWidth <= 0 || rowHeight <= 0) return;
  for (int row = 0; row < kRowCount; ++row)
    for (int col = 0; col < kColCount; ++col) DrawCell(painter, col, row);
}

void TCalendar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  int col = 0;
  int row = 0;
  if (CellAt(event->position().toPoint(), &col, &row)) SelectCell(col, row);
  event->accept();
}

void TCalendar::keyPressEvent(QKeyEvent* event) {
  // The grid's moves; a move onto a cell that may not be picked does not happen.
  int col = col_;
  int row = row_;
  switch (event->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Home: col = 0; break;
    case Qt::Key_End: col = kColCount - 1; break;
    case Qt::Key_PageUp: row = 1; break;
    case Qt::Key_PageDown: row = kRowCount - 1; break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (event->modifiers() & Qt::ControlModifier) {
    if (event->key() == Qt::Key_Home) row = 1;
    if (event->key() == Qt::Key_End) row = kRowCount - 1;
  }
  event->accept();
  if (col != col_ || row != row_) SelectCell(col, row);
}
