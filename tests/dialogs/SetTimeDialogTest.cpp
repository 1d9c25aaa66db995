#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "dialogs/SetTimeDialog.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/HelpContext.h"

namespace {

int RunModal(QDialog& dialog, const std::function<void()>& script) {
  QTimer::singleShot(0, &dialog, script);
  QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-1); });
  return dialog.exec();
}

// Tags of the cells under `panel` that stand out in the highlight colour.
std::vector<int> HighlightedTags(const QWidget* panel) {
  std::vector<int> tags;
  const QColor highlight = panel->palette().color(QPalette::Highlight);
  for (const TBevelPanel* cell : panel->findChildren<TBevelPanel*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (cell->objectName().endsWith(QStringLiteral("Header"))) continue;
    if (cell->Color() == highlight) {
      EXPECT_EQ(cell->FontColor(), panel->palette().color(QPalette::HighlightedText));
      tags.push_back(cell->Tag());
    }
  }
  return tags;
}

TBevelPanel* Cell(const TSetTimeDialog& dialog, const QString& name) {
  auto* cell = dialog.findChild<TBevelPanel*>(name);
  EXPECT_NE(cell, nullptr) << name.toStdString();
  return cell;
}

TEST(SetTimeDialogTest, CellsStandWhereTheLayoutPutsThem) {
  TSetTimeDialog dialog;
  EXPECT_EQ(dialog.size(), QSize(306, 334));
  EXPECT_TRUE(HasFixedDialogFrame(&dialog));
  EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("HourPanel"))->geometry(), QRect(16, 7, 271, 125));
  EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("MinutePanel"))->geometry(), QRect(16, 136, 270, 144));

  struct Expected {
    const char* name;
    QRect geometry;
    const char* caption;
  };
  const Expected cells[] = {
      {"Hour0", QRect(7, 21, 24, 19), "12"},   {"Hour5", QRect(127, 21, 24, 19), "5"},
      {"Hour6", QRect(7, 40, 24, 19), "6"},    {"Hour11", QRect(127, 40, 24, 19), "11"},
      {"Hour12", QRect(7, 75, 24, 19), "12"},  {"Hour13", QRect(31, 75, 24, 19), "1"},
      {"Hour23", QRect(127, 94, 24, 19), "11"}, {"Minute0", QRect(7, 22, 24, 19), "00"},
      {"Minute9", QRect(223, 22, 24, 19), "09"}, {"Minute10", QRect(7, 41, 24, 19), "10"},
      {"Minute59", QRect(223, 117, 24, 19), "59"},
  };
  for (const Expected& e : cells) {
    TBevelPanel* cell = Cell(dialog, QLatin1String(e.name));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->geometry(), e.geometry) << e.name;
    EXPECT_EQ(cell->Caption(), QLatin1String(e.caption)) << e.name;
  }
  EXPECT_EQ(Cell(dialog, QStringLiteral("Hour7"))->toolTip(),
            QStringLiteral("Click to set the hours portion of the time"));
  EXPECT_EQ(Cell(dialog, QStringLiteral("Minute42"))->toolTip(),
            QStringLiteral("Click to set the minutes portion of the time"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("AMLabel"))->pos(), QPoint(157, 21));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("PMLabel"))->pos(), QPoint(155, 75));
  EXPECT_EQ(dialog.findChildren<TBevelPanel*>(QRegularExpression(QStringLiteral("^Hour\\d+$"))).size(), 24);
  EXPECT_EQ(dialog.findChildren<TBevelPanel*>(QRegularExpression(QStringLiteral("^Minute\\d+$"))).size(), 60);

  auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
  auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("CancelButton"));
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(ok->text(), QStringLiteral("Ok"));
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(ok->toolTip(), QStringLiteral("Save this time"));
  EXPECT_EQ(cancel->text(), QStringLiteral("&Cancel"));
  EXPECT_EQ(cancel->toolTip(), QStringLiteral("Cancel all changes made"));
  EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("HelpButton"))->text(), QStringLiteral("&Help"));
}

TEST(SetTimeDialogTest, MidnightAndNoonHighlightTheirTwelves) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime(0, 0));
  dialog.FormActivate();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 12:00 am"));
  EXPECT_EQ(HighlightedTags(dialog.HourPanel), std::vector<int>{0});
  EXPECT_EQ(dialog.HourCell(0)->y(), 21) << "the twelve of the AM rows";
  EXPECT_EQ(HighlightedTags(dialog.MinutePanel), std::vector<int>{0});

  dialog.SetSelectedTime(QTime(12, 30));
  dialog.FormActivate();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 12:30 pm"));
  EXPECT_EQ(HighlightedTags(dialog.HourPanel), std::vector<int>{12});
  EXPECT_EQ(dialog.HourCell(12)->y(), 75) << "the twelve of the PM rows";
  EXPECT_EQ(HighlightedTags(dialog.MinutePanel), std::vector<int>{30});
}

TEST(SetTimeDialogTest, SecondsAreDroppedAndOkReturnsTheShownTime) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime(14, 5, 59));
  const int result = RunModal(dialog, [&dialog] {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 02:05 pm"));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedTime(), QTime(14, 5, 0));
}

TEST(SetTimeDialogTest, ClickingCellsMovesTheHighlightAndKeepsTheOtherPart) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime(14, 5));
  const int result = RunModal(dialog, [&dialog] {
    QTest::mouseClick(Cell(dialog, QStringLiteral("Hour9")), Qt::LeftButton);
    EXPECT_EQ(dialog.SelectedTime(), QTime(9, 5)) << "the starting minute stays";
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 09:05 am"));
    EXPECT_EQ(HighlightedTags(dialog.HourPanel), std::vector<int>{9});
    EXPECT_EQ(HighlightedTags(dialog.MinutePanel), std::vector<int>{5});

    QTest::mouseClick(Cell(dialog, QStringLiteral("Minute47")), Qt::LeftButton);
    QTest::mouseClick(Cell(dialog, QStringLiteral("Hour23")), Qt::LeftButton);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 11:47 pm"));
    EXPECT_EQ(HighlightedTags(dialog.HourPanel), std::vector<int>{23});
    EXPECT_EQ(HighlightedTags(dialog.MinutePanel), std::vector<int>{47});
    // A fresh activation reloads the last pick: nothing changes.
    dialog.FormActivate();
    EXPECT_EQ(dialog.SelectedTime(), QTime(23, 47));
    EXPECT_EQ(HighlightedTags(dialog.HourPanel), std::vector<int>{23});
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedTime(), QTime(23, 47));
}

TEST(SetTimeDialogTest, CancelAndEscapeReject) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime(8, 15));
  int result = RunModal(dialog, [&dialog] {
    QTest::mouseClick(Cell(dialog, QStringLiteral("Hour20")), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Rejected);

  TSetTimeDialog second;
  result = RunModal(second, [&second] { QTest::keyClick(&second, Qt::Key_Escape); });
  EXPECT_EQ(result, QDialog::Rejected);
}

TEST(SetTimeDialogTest, InvalidStartingTimeIsMidnightAndHelpIs2986) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime());
  dialog.FormActivate();
  EXPECT_EQ(dialog.SelectedTime(), QTime(0, 0));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Time As: 12:00 am"));

  int signalled = 0;
  QObject::connect(&dialog, &TSetTimeDialog::helpRequested, [&signalled](int context) { signalled = context; });
  QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("HelpButton")), Qt::LeftButton);
  EXPECT_EQ(signalled, 2986);
  EXPECT_EQ(HelpContextOf(dialog.HourCell(3)), 2986);
}

}  // namespace
