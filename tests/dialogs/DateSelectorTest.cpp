#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "core/DateTimeFormat.h"
#include "dialogs/DateSelector.h"
#include "widgets/DialogFrame.h"
#include "widgets/HelpContext.h"

namespace {

// Runs the dialog modally while `script` acts on it; a dialog the script
// leaves open is ended with -1 after a few seconds so the test fails rather
// than hangs.
int RunModal(QDialog& dialog, const std::function<void()>& script) {
  QTimer::singleShot(0, &dialog, script);
  QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-1); });
  return dialog.exec();
}

QPushButton* Button(const QDialog& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(QLatin1String(name));
  EXPECT_NE(button, nullptr) << name;
  return button;
}

TEST(DateSelectorTest, LayoutCaptionsAndHints) {
  TDateSelector dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select a Date"));
  EXPECT_EQ(dialog.size(), QSize(413, 247));
  EXPECT_TRUE(HasFixedDialogFrame(&dialog));
  EXPECT_EQ(dialog.font().pixelSize(), 11);

  auto* label = dialog.findChild<QLabel*>(QStringLiteral("DateLabel"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->font().pixelSize(), 13);
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(label->width(), 413);
  EXPECT_EQ(label->text(), FormatDateTime(QStringLiteral("dddddd"), QDate::currentDate()));

  auto* calendar = dialog.findChild<TCalendar*>(QStringLiteral("Calendar"));
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->width(), 413);
  EXPECT_EQ(calendar->height(), 132);
  EXPECT_EQ(calendar->StartOfWeek(), 0);

  struct Expected {
    const char* name;
    const char* caption;
    const char* hint;
  };
  const Expected navigation[] = {
      {"PrevYear", "Year-", "Show the previous year"},
      {"PrevMonth", "Month-", "Show the previous month"},
      {"TodayButton", "Today", "Show today's date"},
      {"NextMonth", "Month +", "Show the next month"},
      {"NextYear", "Year+", "Show the next year"},
  };
  int previousRight = -1;
  for (const Expected& e : navigation) {
    QPushButton* button = Button(dialog, e.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QLatin1String(e.caption));
    EXPECT_EQ(button->toolTip(), QLatin1String(e.hint));
    EXPECT_EQ(button->size(), QSize(63, 23));
    EXPECT_GT(button->x(), previousRight) << "buttons stand left to right in one row";
    EXPECT_EQ(button->y(), Button(dialog, "PrevYear")->y());
    previousRight = button->geometry().right();
  }
  EXPECT_LE(previousRight, 412);
  EXPECT_EQ(Button(dialog, "OKButton")->text(), QStringLiteral("Ok"));
  EXPECT_EQ(Button(dialog, "CancelButton")->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(Button(dialog, "HelpButton")->text(), QStringLiteral("Help"));
  EXPECT_NE(dialog.findChild<QWidget*>(QStringLiteral("WhatsThisButton")), nullptr);
}

TEST(DateSelectorTest, WhatsThisTexts) {
  TDateSelector dialog;
  EXPECT_EQ(Button(dialog, "CancelButton")->whatsThis(),
            QStringLiteral("Click to cancel and return to the previous screen"));
  EXPECT_EQ(Button(dialog, "NextMonth")->whatsThis(), QStringLiteral("Click here to see the next month's calendar"));
  EXPECT_EQ(Button(dialog, "NextYear")->whatsThis(), QStringLiteral("Click here to see the next year's calendar"));
  EXPECT_EQ(Button(dialog, "OKButton")->whatsThis(), QStringLiteral("Click here to use the selected date"));
  EXPECT_EQ(Button(dialog, "PrevMonth")->whatsThis(),
            QStringLiteral("Click here to see the previous month's calendar"));
  EXPECT_EQ(Button(dialog, "PrevYear")->whatsThis(), QStringLiteral("Click here to see the previous year's calendar"));
  EXPECT_TRUE(Button(dialog, "TodayButton")->whatsThis().isEmpty());
  EXPECT_TRUE(Button(dialog, "HelpButton")->whatsThis().isEmpty());
}

TEST(DateSelectorTest, ButtonsStepTheCalendarAndTheLabelFollows) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2024, 1, 31));
  auto* label = dialog.findChild<QLabel*>(QStringLiteral("DateLabel"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), FormatDateTime(QStringLiteral("dddddd"), QDate(2024, 1, 31)));

  QTest::mouseClick(Button(dialog, "NextMonth"), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedDate(), QDate(2024, 2, 29));
  QTest::mouseClick(Button(dialog, "NextYear"), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedDate(), QDate(2025, 2, 28));
  QTest::mouseClick(Button(dialog, "PrevMonth"), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedDate(), QDate(2025, 1, 28));
  QTest::mouseClick(Button(dialog, "PrevYear"), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedDate(), QDate(2024, 1, 28));
  EXPECT_EQ(label->text(), FormatDateTime(QStringLiteral("dddddd"), QDate(2024, 1, 28)));
}

TEST(DateSelectorTest, TodayThenOkReturnsTheCurrentDate) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2001, 5, 5));
  const int result = RunModal(dialog, [&dialog] {
    QTest::mouseClick(Button(dialog, "TodayButton"), Qt::LeftButton);
    QTest::mouseClick(Button(dialog, "OKButton"), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedDate(), QDate::currentDate());
}

TEST(DateSelectorTest, CancelAndEscapeRejectEvenAfterNavigating) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2022, 8, 15));
  int result = RunModal(dialog, [&dialog] {
    QTest::mouseClick(Button(dialog, "NextYear"), Qt::LeftButton);
    QTest::mouseClick(Button(dialog, "CancelButton"), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Rejected);

  TDateSelector second;
  result = RunModal(second, [&second] {
    QTest::mouseClick(Button(second, "PrevMonth"), Qt::LeftButton);
    QTest::keyClick(second.findChild<TCalendar*>(QStringLiteral("Calendar")), Qt::Key_Escape);
  });
  EXPECT_EQ(result, QDialog::Rejected);
}

TEST(DateSelectorTest, EnterInTheCalendarAcceptsThePickedDay) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2024, 6, 12));
  const int result = RunModal(dialog, [&dialog] {
    auto* calendar = dialog.findChild<TCalendar*>(QStringLiteral("Calendar"));
    QTest::keyClick(calendar, Qt::Key_Right);
    QTest::keyClick(calendar, Qt::Key_Return);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedDate(), QDate(2024, 6, 13));
}

TEST(DateSelectorTest, HelpAsksForContext1004) {
  int handled = 0;
  SetHelpHandler([&handled](int context) { handled = context; });
  {
    TDateSelector dialog;
    QTest::mouseClick(Button(dialog, "HelpButton"), Qt::LeftButton);
    EXPECT_EQ(handled, 1004) << "no listener: the program's help handler";

    handled = 0;
    int signalled = 0;
    QObject::connect(&dialog, &TDateSelector::helpRequested, [&signalled](int context) { signalled = context; });
    QTest::mouseClick(Button(dialog, "HelpButton"), Qt::LeftButton);
    EXPECT_EQ(signalled, 1004);
    EXPECT_EQ(handled, 0) << "a connected opener handles help itself";
    EXPECT_EQ(HelpContextOf(Button(dialog, "OKButton")), 1004);
  }
  SetHelpHandler({});
}

}  // namespace
