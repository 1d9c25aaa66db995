#include "dialogs/DateSelector.h"

#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>

#include "core/DateTimeFormat.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/HelpContext.h"
#include "widgets/WhatsThisButton.h"

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QFont ArialPixels(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

TDateSelector::TDateSelector(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DateSelector"));
  setWindowTitle(QStringLiteral("Select a Date"));
  setFont(ArialPixels(11));
  setFixedSize(kClientWidth, kClientHeight);
  SetFixedDialogFrame(this);
  SetHelpContext(this, kHelpContext);

  DateLabel = Named(new QLabel(this), "DateLabel");
  DateLabel->setFont(ArialPixels(13, true));
  DateLabel->setAlignment(Qt::AlignCenter);
  QPalette labelPalette = DateLabel->palette();
  labelPalette.setColor(QPalette::WindowText, Qt::black);
  DateLabel->setPalette(labelPalette);
  DateLabel->setGeometry(0, 6, kClientWidth, 20);

  Calendar = Named(new TCalendar(this), "Calendar");
  Calendar->SetStartOfWeek(0);
  Calendar->setGeometry(0, 30, kClientWidth, 132);
  connect(Calendar, &TCalendar::OnChange, this, &TDateSelector::CalendarChange);

  // Five 63 x 23 buttons spread evenly across the width.
  struct NavButton {
    QPushButton** button;
    const char* name;
    const char* caption;
    const char* hint;
    void (TCalendar::*step)();
  };
  const NavButton navButtons[] = {
      {&PrevYear, "PrevYear", "Year-", "Show the previous year", &TCalendar::ShowPreviousYear},
      {&PrevMonth, "PrevMonth", "Month-", "Show the previous month", &TCalendar::ShowPreviousMonth},
      {&TodayButton, "TodayButton", "Today", "Show today's date", nullptr},
      {&NextMonth, "NextMonth", "Month +", "Show the next month", &TCalendar::ShowNextMonth},
      {&NextYear, "NextYear", "Year+", "Show the next year", &TCalendar::ShowNextYear},
  };
  constexpr int kNavWidth = 63;
  constexpr int kNavHeight = 23;
  constexpr int kNavGap = (kClientWidth - 5 * kNavWidth) / 6;
  constexpr int kNavLeft = (kClientWidth - 5 * kNavWidth - 4 * kNavGap) / 2;
  int left = kNavLeft;
  for (const NavButton& nav : navButtons) {
    auto* button = Named(new QPushButton(QLatin1String(nav.caption), this), nav.name);
    button->setToolTip(QLatin1String(nav.hint));
    button->setAutoDefault(false);
    button->setGeometry(left, 171, kNavWidth, kNavHeight);
    if (nav.step) {
      connect(button, &QPushButton::clicked, Calendar, nav.step);
    } else {
      // The current date and time; only the date part is kept.
      connect(button, &QPushButton::clicked, this,
              [this] { Calendar->SetSelectedDate(QDateTime::currentDateTime().date()); });
    }
    *nav.button = button;
    left += kNavWidth + kNavGap;
  }

  constexpr int kBarHeight = 42;
  ButtonBar = Named(new TBevelPanel(this), "ButtonBar");
  ButtonBar->setGeometry(0, kClientHeight - kBarHeight, kClientWidth, kBarHeight);
  constexpr int kButtonWidth = 75;
  constexpr int kButtonHeight = 25;
  constexpr int kButtonGap = 8;
  constexpr int kButtonsLeft = (kClientWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;
  constexpr int kButtonTop = (kBarHeight - kButtonHeight) / 2;
  OKButton = Named(new QPushButton(QStringLiteral("Ok"), ButtonBar), "OKButton");
  OKButton->setGeometry(kButtonsLeft, kButtonTop, kButtonWidth, kButtonHeight);
  OKButton->setDefault(true);
  CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), ButtonBar), "CancelButton");
  CancelButton->setGeometry(kButtonsLeft + kButtonWidth + kButtonGap, kButtonTop, kButtonWidth, kButtonHeight);
  HelpButton = Named(new QPushButton(QStringLiteral("Help"), ButtonBar), "HelpButton");
  HelpButton->setGeometry(kButtonsLeft + 2 * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
                          kButtonHeight);
  WhatsThisButton = Named(new TWhatsThisButton(ButtonBar), "WhatsThisButton");
  WhatsThisButton->setGeometry(kClientWidth - 8 - kButtonHeight, kButtonTop, kButtonHeight, kButtonHeight);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TDateSelector::HelpButtonClick);

  CancelButton->setWhatsThis(QStringLiteral("Click to cancel and return to the previous screen"));
  NextMonth->setWhatsThis(QStringLiteral("Click here to see the next month's calendar"));
  NextYear->setWhatsThis(QStringLiteral("Click here to see the next year's calendar"));
  OKButton->setWhatsThis(QStringLiteral("Click here to use the selected date"));
  PrevMonth->setWhatsThis(QStringLiteral("Click here to see the previous month's calendar"));
  PrevYear->setWhatsThis(QStringLiteral("Click here to see the previous year's calendar"));

  setTabOrder(Calendar, PrevYear);
  setTabOrder(PrevYear, PrevMonth);
  setTabOrder(PrevMonth, TodayButton);
  setTabOrder(TodayButton, NextMonth);
  setTabOrder(NextMonth, NextYear);
  setTabOrder(NextYear, OKButton);
  setTabOrder(OKButton, CancelButton);
  setTabOrder(CancelButton, HelpButton);
  setTabOrder(HelpButton, WhatsThisButton);
  Calendar->setFocus();

  CalendarChange();
}

void TDateSelector::CalendarChange() {
  DateLabel->setText(FormatDateTime(QStringLiteral("dddddd"), Calendar->SelectedDate()));
}

void TDateSelector::HelpButtonClick() {
  if (isSignalConnected(QMetaMethod::fromSignal(&TDateSelector::helpRequested)))
    emit helpRequested(kHelpContext);
  else
    ShowHelpContext(kHelpContext);
}
