#include "dialogs/SetTimeDialog.h"

#include <QEvent>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>

#include "core/DateTimeFormat.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/HelpContext.h"

namespace {

constexpr int kCellWidth = 24;
constexpr int kCellHeight = 19;
// Cells already in this grey need no repainting when the pick moves.
const QColor kSilver(192, 192, 192);

QFont ArialPixels(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// The strip across the top of a cell panel, in the caption colours.
TBevelPanel* MakeHeader(TBevelPanel* panel, const QString& caption, int height) {
  auto* header = new TBevelPanel(panel);
  header->setObjectName(panel->objectName() + QStringLiteral("Header"));
  header->SetBevelOuter(TBevelPanel::TBevelCut::bvNone);
  header->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->SetCaption(caption);
  header->setFont(ArialPixels(11, true));
  header->SetColor(panel->palette().color(QPalette::Active, QPalette::Highlight));
  header->SetFontColor(panel->palette().color(QPalette::Active, QPalette::HighlightedText));
  const int border = panel->BorderSize() + 1;
  header->setGeometry(border, border, panel->width() - 2 * border, height);
  return header;
}

TBevelPanel* MakeCell(TBevelPanel* panel, const QString& name, int tag, const QString& caption, int left,
                      int top, const QString& hint) {
  auto* cell = new TBevelPanel(panel);
  cell->setObjectName(name);
  cell->SetTag(tag);
  cell->SetCaption(caption);
  cell->setToolTip(hint);
  cell->setGeometry(left, top, kCellWidth, kCellHeight);
  cell->setCursor(Qt::PointingHandCursor);
  return cell;
}

}  // namespace

TSetTimeDialog::TSetTimeDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SetTimeDialog"));
  setFont(ArialPixels(11));
  setFixedSize(kClientWidth, kClientHeight);
  SetFixedDialogFrame(this);
  SetHelpContext(this, kHelpContext);

  HourPanel = new TBevelPanel(this);
  HourPanel->setObjectName(QStringLiteral("HourPanel"));
  HourPanel->setGeometry(16, 7, 271, 125);
  MakeHeader(HourPanel, QStringLiteral("  Hour"), 16);
  const QString hourHint = QStringLiteral("Click to set the hours portion of the time");
  static constexpr int kHourRowTop[4] = {21, 40, 75, 94};
  for (int hour = 0; hour < 24; ++hour) {
    const int twelveHour = hour % 12 == 0 ? 12 : hour % 12;
    TBevelPanel* cell = MakeCell(HourPanel, QStringLiteral("Hour%1").arg(hour), hour,
                                 QString::number(twelveHour), 7 + kCellWidth * (hour % 6),
                                 kHourRowTop[hour / 6], hourHint);
    connect(cell, &TBevelPanel::clicked, this, [this, cell] { HourClick(cell->Tag()); });
    hourCells_[static_cast<size_t>(hour)] = cell;
  }
  AMLabel = new QLabel(QStringLiteral("AM"), HourPanel);
  AMLabel->setObjectName(QStringLiteral("AMLabel"));
  AMLabel->setGeometry(157, 21, 30, kCellHeight);
  AMLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  PMLabel = new QLabel(QStringLiteral("PM"), HourPanel);
  PMLabel->setObjectName(QStringLiteral("PMLabel"));
  PMLabel->setGeometry(155, 75, 30, kCellHeight);
  PMLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  MinutePanel = new TBevelPanel(this);
  MinutePanel->setObjectName(QStringLiteral("MinutePanel"));
  MinutePanel->setGeometry(16, 136, 270, 144);
  MakeHeader(MinutePanel, QStringLiteral("  Minute"), 17);
  const QString minuteHint = QStringLiteral("Click to set the minutes portion of the time");
  for (int minute = 0; minute < 60; ++minute) {
    TBevelPanel* cell = MakeCell(MinutePanel, QStringLiteral("Minute%1").arg(minute), minute,
                                 QStringLiteral("%1").arg(minute, 2, 10, QLatin1Char('0')),
                                 7 + kCellWidth * (minute % 10), 22 + kCellHeight * (minute / 10), minuteHint);
    connect(cell, &TBevelPanel::clicked, this, [this, cell] { MinuteClick(cell->Tag()); });
    minuteCells_[static_cast<size_t>(minute)] = cell;
  }

  constexpr int kBarHeight = 44;
  constexpr int kButtonWidth = 75;
  constexpr int kButtonHeight = 25;
  constexpr int kButtonGap = 8;
  constexpr int kButtonsLeft = (kClientWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;
  constexpr int kButtonTop = (kBarHeight - kButtonHeight) / 2;
  ButtonBar = new TBevelPanel(this);
  ButtonBar->setObjectName(QStringLiteral("ButtonBar"));
  ButtonBar->setGeometry(0, kClientHeight - kBarHeight, kClientWidth, kBarHeight);
  OKButton = new QPushButton(QStringLiteral("Ok"), ButtonBar);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setToolTip(QStringLiteral("Save this time"));
  OKButton->setDefault(true);
  OKButton->setGeometry(kButtonsLeft, kButtonTop, kButtonWidth, kButtonHeight);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), ButtonBar);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setToolTip(QStringLiteral("Cancel all changes made"));
  CancelButton->setAutoDefault(false);
  CancelButton->setGeometry(kButtonsLeft + kButtonWidth + kButtonGap, kButtonTop, kButtonWidth, kButtonHeight);
  HelpButton = new QPushButton(QStringLiteral("&Help"), ButtonBar);
  HelpButton->setObjectName(QStringLiteral("HelpButton"));
  HelpButton->setAutoDefault(false);
  HelpButton->setGeometry(kButtonsLeft + 2 * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
                          kButtonHeight);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TSetTimeDialog::HelpButtonClick);

  FormActivate();
}

void TSetTimeDialog::SetSelectedTime(const QTime& time) { selectedTime_ = time.isValid() ? time : QTime(0, 0); }

TBevelPanel* TSetTimeDialog::HourCell(int hour) const {
  return hour >= 0 && hour < 24 ? hourCells_[static_cast<size_t>(hour)] : nullptr;
}

TBevelPanel* TSetTimeDialog::MinuteCell(int minute) const {
  return minute >= 0 && minute < 60 ? minuteCells_[static_cast<size_t>(minute)] : nullptr;
}

void TSetTimeDialog::FormActivate() {
  selectedHour_ = selectedTime_.hour();
  selectedMinute_ = selectedTime_.minute();
  ShowDateTime();
}

void TSetTimeDialog::HourClick(int hour) {
  selectedHour_ = hour;
  ShowDateTime();
}

void TSetTimeDialog::MinuteClick(int minute) {
  selectedMinute_ = minute;
  ShowDateTime();
}

void TSetTimeDialog::ShowDateTime() {
  // Whole minutes only: the starting time's seconds go here.
  selectedTime_ = QTime(selectedHour_, selectedMinute_);
  setWindowTitle(QStringLiteral("Set Time As: ") + FormatDateTime(QStringLiteral("hh:mm am/pm"), selectedTime_));
  auto mark = [](TBevelPanel* cell, bool picked) {
    if (picked)
      cell->SetHighlighted(true);
    else if (cell->Color() != kSilver)
      cell->SetHighlighted(false);
  };
  for (TBevelPanel* cell : hourCells_) mark(cell, cell->Tag() == selectedHour_);
  for (TBevelPanel* cell : minuteCells_) mark(cell, cell->Tag() == selectedMinute_);
}

void TSetTimeDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TSetTimeDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TSetTimeDialog::HelpButtonClick() {
  if (isSignalConnected(QMetaMethod::fromSignal(&TSetTimeDialog::helpRequested)))
    emit helpRequested(kHelpContext);
  else
    ShowHelpContext(kHelpContext);
}
