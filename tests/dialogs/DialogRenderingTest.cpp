// Draws the two pickers as they appear on screen and checks what the user
// sees in the picture. With JOTLIST_SCREENSHOT_DIR set the pictures are also
// saved there as PNG files (scripts/screenshot-dialogs).
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "widgets/BevelPanel.h"
#include "widgets/HelpContext.h"
#include "widgets/PopupHelpWindow.h"
#include "widgets/WhatsThisPopup.h"

namespace {

void SaveIfAsked(const QImage& image, const char* name) {
  const QString folder = qEnvironmentVariable("JOTLIST_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  const QString path = QDir(folder).filePath(QLatin1String(name));
  EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

// Whether any pixel of `area` differs from `background`.
bool HasInk(const QImage& image, const QRect& area, QRgb background) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != background) return true;
  return false;
}

TEST(DialogRenderingTest, DateSelectorShowsTheDateAndTheSelectedDay) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2024, 6, 12));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  dialog.Calendar->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.Calendar->hasFocus(); }));
  const QImage image = dialog.grab().toImage();
  ASSERT_EQ(image.size(), QSize(413, 247));
  SaveIfAsked(image, "jotlist-date-selector.png");

  // The long date is drawn in the label's band.
  const QRgb window = dialog.palette().color(QPalette::Window).rgb();
  EXPECT_TRUE(HasInk(image, dialog.DateLabel->geometry(), window));
  // The 12th (a Wednesday, in row 3 as the 1st is a Saturday) is drawn in
  // the highlight colour.
  const QRect cell = dialog.Calendar->CellRect(3, 3).translated(dialog.Calendar->pos());
  EXPECT_EQ(dialog.Calendar->CellText(3, 3), QStringLiteral("12"));
  EXPECT_EQ(image.pixel(cell.left() + 2, cell.top() + 2), dialog.palette().color(QPalette::Highlight).rgb());
  // An empty cell before the 1st stays in the base colour.
  const QRect empty = dialog.Calendar->CellRect(0, 1).translated(dialog.Calendar->pos());
  EXPECT_EQ(image.pixel(empty.center()), dialog.palette().color(QPalette::Base).rgb());
}

TEST(DialogRenderingTest, TimeDialogShowsThePickedCells) {
  TSetTimeDialog dialog;
  dialog.SetSelectedTime(QTime(14, 5));
  dialog.show();
  // The picked cells are marked when the dialog is activated.
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  const QImage image = dialog.grab().toImage();
  ASSERT_EQ(image.size(), QSize(306, 334));
  SaveIfAsked(image, "jotlist-time-dialog.png");

  const QRgb highlight = dialog.palette().color(QPalette::Highlight).rgb();
  auto centreOf = [&dialog](const TBevelPanel* cell) {
    return cell->mapTo(&dialog, QPoint(2, 2));
  };
  EXPECT_EQ(image.pixel(centreOf(dialog.HourCell(14))), highlight);
  EXPECT_EQ(image.pixel(centreOf(dialog.MinuteCell(5))), highlight);
  EXPECT_NE(image.pixel(centreOf(dialog.HourCell(2))), highlight);
  EXPECT_NE(image.pixel(centreOf(dialog.MinuteCell(6))), highlight);
}

TEST(DialogRenderingTest, WhatsThisPopupOverTheDateSelector) {
  TDateSelector dialog;
  dialog.SetSelectedDate(QDate(2024, 6, 12));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  TWhatsThisPopup popup;
  SetHelpContext(&dialog, TDateSelector::kHelpContext);
  ASSERT_TRUE(popup.Popup(dialog.NextMonth));
  TPopupHelpWindow* window = popup.Current();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const QImage image = window->grab().toImage();
  EXPECT_LE(image.width(), 300);
  SaveIfAsked(image, "jotlist-whats-this.png");
  EXPECT_TRUE(HasInk(image, image.rect().adjusted(4, 4, -4, -4), window->palette().color(QPalette::Window).rgb()));
  window->close();
}

}  // namespace
