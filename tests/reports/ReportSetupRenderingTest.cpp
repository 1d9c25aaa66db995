// The report options dialog as it appears on screen: the colour panel painted in the
// background colour, captions drawn, the tab strip under the pages. With
// JOTLIST_SCREENSHOT_DIR set the pages are also saved there as PNG files for a look by eye
// (run the test program under Xvfb with QT_QPA_PLATFORM=xcb).
#include <QDir>
#include <QImage>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "reports/ui/ReportSetup.h"
#include "store/TodoTable.h"
#include "widgets/BevelPanel.h"

namespace {

void SaveIfAsked(const QImage& image, const QString& name) {
  const QString folder = qEnvironmentVariable("JOTLIST_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  const QString path = QDir(folder).filePath(name);
  EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

// Whether any pixel of `area` differs from `background`.
bool HasInk(const QImage& image, const QRect& area, QRgb background) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != background) return true;
  return false;
}

TEST(ReportSetupRenderingTest, PagesShowTheirControlsAndTheColourPanel) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SetProgramDirectoryForTests(dir.path());
  TodoTable table;
  table.SetDirectory(dir.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  {
    TReportSetup dialog(table);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const char* const names[] = {"jotlist-report-printed.png", "jotlist-report-html.png", "jotlist-report-rtf.png",
                                 "jotlist-report-text.png"};
    for (int tab = 0; tab < 4; ++tab) {
      dialog.TabSet1->setCurrentIndex(tab);
      ASSERT_TRUE(QTest::qWaitFor([&dialog, tab] { return dialog.Notebook1->widget(tab)->isVisible(); }));
      const QImage image = dialog.grab().toImage();
      ASSERT_EQ(image.size(), QSize(607, 421));
      SaveIfAsked(image, QLatin1String(names[tab]));
      const QRgb window = dialog.palette().color(QPalette::Window).rgb();
      // The page's first label and the tab strip are drawn.
      const QRect title(16, 16, 120, 15);
      EXPECT_TRUE(HasInk(image, title, window)) << tab;
      EXPECT_TRUE(HasInk(image, dialog.TabSet1->geometry(), window));
      if (tab == 1) {
        // Inside the bevel, away from the caption: the background colour FFFF80.
        const QPoint inside = dialog.ColorPanel->mapTo(&dialog, QPoint(4, 4));
        EXPECT_EQ(QColor(image.pixel(inside)), QColor(255, 255, 128));
        EXPECT_TRUE(HasInk(image, QRect(dialog.ColorPanel->mapTo(&dialog, QPoint(40, 10)), QSize(170, 14)),
                           qRgb(255, 255, 128)))
            << "the caption";
      }
    }
  }
  ASSERT_TRUE(table.Close().ok());
  SetProgramDirectoryForTests(QString());
}

}  // namespace
