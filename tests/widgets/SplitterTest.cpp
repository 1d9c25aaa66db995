#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "widgets/Splitter.h"
#include "widgets/SplitterHandle.h"

namespace {

TEST(SplitterTest, UpperPaneKeepsItsHeightWhenTheSplitterResizes) {
  TSplitter splitter;
  splitter.addWidget(new QTextEdit);
  splitter.addWidget(new QTextEdit);
  EXPECT_EQ(splitter.orientation(), Qt::Vertical);
  EXPECT_EQ(splitter.handleWidth(), 8);
  EXPECT_NE(qobject_cast<TSplitterHandle*>(splitter.handle(1)), nullptr);

  splitter.SetBarPosition(200);  // before the first layout
  EXPECT_EQ(splitter.BarPosition(), 200);
  splitter.resize(600, 400);
  splitter.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitter));
  EXPECT_EQ(splitter.BarPosition(), 200);

  splitter.resize(600, 700);
  ASSERT_TRUE(QTest::qWaitFor([&splitter] { return splitter.height() == 700; }));
  EXPECT_EQ(splitter.BarPosition(), 200);
  EXPECT_EQ(splitter.sizes().at(1), 700 - 200 - 8) << "the lower pane takes the difference";

  splitter.SetBarPosition(120);
  EXPECT_EQ(splitter.BarPosition(), 120);
  splitter.resize(600, 500);
  ASSERT_TRUE(QTest::qWaitFor([&splitter] { return splitter.height() == 500; }));
  EXPECT_EQ(splitter.BarPosition(), 120);
}

TEST(SplitterTest, BarCanBeDraggedAndIsHeldInsideTheSplitter) {
  TSplitter splitter;
  splitter.addWidget(new QTextEdit);
  splitter.addWidget(new QTextEdit);
  splitter.resize(400, 300);
  splitter.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitter));
  splitter.SetBarPosition(100);
  QSplitterHandle* handle = splitter.handle(1);
  const QPoint grip(handle->width() / 2, 4);
  QTest::mousePress(handle, Qt::LeftButton, {}, grip);
  QTest::mouseMove(handle, grip + QPoint(0, 50));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 50));
  EXPECT_EQ(splitter.BarPosition(), 150);

  splitter.SetBarPosition(5000);  // far past the bottom
  EXPECT_LE(splitter.BarPosition() + splitter.handleWidth(), 300);
  EXPECT_GT(splitter.sizes().at(1), 0) << "the notes pane never vanishes";
}

TEST(SplitterTest, HandleHasTheRaisedBarLook) {
  TSplitter splitter;
  splitter.addWidget(new QTextEdit);
  splitter.addWidget(new QTextEdit);
  splitter.resize(400, 300);
  splitter.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitter));
  const QImage bar = splitter.handle(1)->grab().toImage();
  ASSERT_EQ(bar.height(), 8);
  const QPalette& pal = splitter.handle(1)->palette();
  EXPECT_EQ(bar.pixel(5, 0), pal.color(QPalette::Light).rgb());
  EXPECT_EQ(bar.pixel(5, 7), pal.color(QPalette::Dark).rgb());
  EXPECT_EQ(bar.pixel(5, 3), pal.color(QPalette::Button).rgb());
}

}  // namespace
