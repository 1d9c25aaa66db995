#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"
#include "reports/ui/SettingsPlacementStore.h"

#include "widgets/MessageBox.h"
#include "store/IniFile.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QMargins>
#include <QScreen>
#include <QVBoxLayout>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

// Stand-ins named like the program's windows: the helpers go by class name.
namespace formplacement_test {

class TMainScreen : public QWidget {
  Q_OBJECT
};

class TPreviewForm : public QWidget {
  Q_OBJECT
};

}  // namespace formplacement_test

namespace {

using formplacement_test::TMainScreen;
using formplacement_test::TPreviewForm;

// The window system's frame around a shown window.
QMargins FrameOf(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                  frame.bottom() - client.bottom());
}

TEST(FormPlacementTest, CenterFormOverTheMainWindowRoundsTowardZero) {
  TMainScreen main;
  main.setGeometry(100, 80, 301, 200);
  main.show();
  // A dialog not shown yet has no frame; it is centred with one like the main window's.
  const QMargins frame = FrameOf(main);
  QDialog form;
  form.resize(100, 50);
  CenterForm(&form);
  const QRect over = main.frameGeometry();
  const QSize outer = QSize(100, 50).grownBy(frame);
  EXPECT_EQ(form.frameGeometry().topLeft(),
            QPoint(over.x() + (over.width() - outer.width()) / 2, over.y() + (over.height() - outer.height()) / 2));

  QDialog wide;
  wide.resize(over.width() + 101 - frame.left() - frame.right(), 50);  // an odd negative half
  CenterForm(&wide);
  EXPECT_EQ(wide.frameGeometry().x(), over.x() - 50);

  main.setWindowState(Qt::WindowMaximized);
  CenterForm(&form);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(screen.x() + (screen.width() - outer.width()) / 2,
                                                   screen.y() + (screen.height() - outer.height()) / 2));
}

// A dialog whose layout fixes its size is centred at that size, not at the size it had
// before the layout ran; a window centred over a main window near the screen's edge
// stays on the screen.
TEST(FormPlacementTest, CenterFormWaitsForTheLayoutAndKeepsTheWindowOnTheScreen) {
  TMainScreen main;
  main.setGeometry(100, 80, 400, 300);
  main.show();
  QDialog box;
  auto* layout = new QVBoxLayout(&box);
  auto* content = new QWidget(&box);
  content->setFixedSize(260, 140);
  layout->addWidget(content);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  CenterForm(&box);
  const QRect over = main.frameGeometry();
  const QRect placed(box.frameGeometry().topLeft(), box.size().grownBy(FrameOf(main)));
  EXPECT_GE(box.width(), 260);
  EXPECT_LE(std::abs(placed.center().x() - over.center().x()), 1);
  EXPECT_LE(std::abs(placed.center().y() - over.center().y()), 1);
  box.show();
  EXPECT_EQ(box.frameGeometry().topLeft(), placed.topLeft());

  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  main.setGeometry(available.right() - 150, available.bottom() - 100, 200, 120);
  QDialog tall;
  tall.resize(300, 400);
  CenterForm(&tall);
  const QRect outer(tall.frameGeometry().topLeft(), tall.size().grownBy(FrameOf(main)));
  EXPECT_TRUE(available.contains(outer)) << outer.x() << "," << outer.y() << " " << outer.width() << "x"
                                         << outer.height();
}

TEST(FormPlacementTest, KeepOnScreenShrinksAndMovesAWindowIntoTheScreen) {
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  TMainScreen main;  // shown: its frame tells how large a window's frame will be
  main.setGeometry(100, 80, 200, 100);
  main.show();
  QWidget window;
  window.setGeometry(available.right() - 50, available.bottom() - 50, 300, available.height() + 200);
  KeepOnScreen(&window);
  window.show();
  EXPECT_TRUE(available.contains(window.frameGeometry()));
  EXPECT_EQ(window.width(), 300);
  EXPECT_LT(window.height(), available.height());
}

TEST(FormPlacementTest, CenterFormPutsTheMainWindowOnTheScreenAndAddsTheSystemMenu) {
  TMainScreen main;
  main.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint);
  main.resize(200, 100);
  CenterForm(&main);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(main.frameGeometry().topLeft(),
            QPoint(screen.x() + (screen.width() - 200) / 2, screen.y() + (screen.height() - 100) / 2));
  EXPECT_TRUE(main.windowFlags().testFlag(Qt::WindowSystemMenuHint));
}

TEST(FormPlacementTest, PopupUnderButtonOpensAtTheButtonsBottomLeft) {
  QWidget window;
  window.setGeometry(50, 60, 300, 200);
  QPushButton button(QStringLiteral("Sort"), &window);
  button.setGeometry(20, 30, 80, 25);
  window.show();
  QMenu menu;
  menu.addAction(QStringLiteral("By Date"));
  PopupUnderButton(&button, &menu);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.pos(), button.mapToGlobal(QPoint(0, 25)));
  menu.close();
}

// Placement tests run against a temporary program folder and a chosen resolution.
class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramDirectoryForTests(dir_.path());
    SetPlacementStore(SettingsPlacementStore());
  }
  void TearDown() override {
    SetPlacementStore({});
    SetProgramDirectoryForTests(QString());
    SetScreenPixelsPerInchForTests(0);
  }
  TIniFile Ini() const { return TIniFile(dir_.filePath(QStringLiteral("TODO.INI"))); }
  QRect Screen() const { return QGuiApplication::primaryScreen()->geometry(); }

  QTemporaryDir dir_;
};

TEST_F(PlacementTest, SavedUnderTheClassNameAndTheResolutionAbove96) {
  SetScreenPixelsPerInchForTests(120);
  TPreviewForm form;
  form.setGeometry(10, 20, 300, 200);
  ASSERT_TRUE(SaveFormPlacement(&form));
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Left"), -1), 10);
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Top"), -1), 20);
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Right"), -1), 310);
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Bottom"), -1), 220);
  EXPECT_EQ(Ini().ReadString(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Maximized"), {}), "0");
  EXPECT_FALSE(Ini().SectionExists(QStringLiteral("TPreviewForm_Placement")));

  SetScreenPixelsPerInchForTests(96);
  form.setGeometry(30, 40, 100, 100);
  ASSERT_TRUE(SaveFormPlacement(&form));
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement"), QStringLiteral("Left"), -1), 30);
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TPreviewForm_Placement120"), QStringLiteral("Left"), -1), 10)
      << "each resolution keeps its own placement";
}

TEST_F(PlacementTest, RestoreMovesARectangleBackInsideTheScreen) {
  const QRect screen = Screen();
  const QString section = QStringLiteral("TPreviewForm_Placement");
  SetScreenPixelsPerInchForTests(96);
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Left"), screen.width() - 100).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Top"), screen.height() - 50).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Right"), screen.width() + 300).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Bottom"), screen.height() + 150).ok());
  TPreviewForm form;
  ASSERT_TRUE(RestoreFormPlacement(&form));
  EXPECT_EQ(form.geometry(), QRect(screen.x() + screen.width() - 400, screen.y() + screen.height() - 200, 400, 200));
  EXPECT_FALSE(form.isMaximized());
  // Saved again at once: the file now holds the corrected rectangle.
  EXPECT_EQ(Ini().ReadInteger(section, QStringLiteral("Right"), -1), screen.x() + screen.width());

  // Wider than the screen: the width is kept, the right edges meet.
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Left"), 0).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Right"), screen.width() + 500).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Top"), 0).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Bottom"), 100).ok());
  ASSERT_TRUE(Ini().WriteBool(section, QStringLiteral("Maximized"), true).ok());
  TPreviewForm wide;
  ASSERT_TRUE(RestoreFormPlacement(&wide));
  EXPECT_EQ(wide.geometry().width(), screen.width() + 500);
  EXPECT_EQ(wide.geometry().x() + wide.geometry().width(), screen.x() + screen.width());
  EXPECT_TRUE(wide.isMaximized());
}

TEST_F(PlacementTest, NothingStoredCentresTheWindowAndStoresIt) {
  SetScreenPixelsPerInchForTests(120);
  TMainScreen main;
  main.resize(400, 300);
  ASSERT_TRUE(RestoreFormPlacement(&main));
  const QRect screen = Screen();
  EXPECT_EQ(main.frameGeometry().topLeft(),
            QPoint(screen.x() + (screen.width() - 400) / 2, screen.y() + (screen.height() - 300) / 2));
  EXPECT_EQ(Ini().ReadInteger(QStringLiteral("TMainScreen_Placement120"), QStringLiteral("Bottom"), 0),
            main.geometry().y() + 300);

  // A hand-edited rectangle with no height counts as nothing stored.
  const QString section = QStringLiteral("TMainScreen_Placement120");
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Top"), 500).ok());
  ASSERT_TRUE(Ini().WriteInteger(section, QStringLiteral("Bottom"), 500).ok());
  TMainScreen other;
  other.resize(200, 100);
  ASSERT_TRUE(RestoreFormPlacement(&other));
  EXPECT_EQ(other.size(), QSize(200, 100));
  EXPECT_EQ(other.frameGeometry().y(), screen.y() + (screen.height() - 100) / 2);
}

TEST_F(PlacementTest, RefusedWriteIsReported) {
  // A program folder below a plain file cannot hold a settings file, even for root.
  QFile blocker(dir_.filePath(QStringLiteral("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SetProgramDirectoryForTests(dir_.filePath(QStringLiteral("blocker")));
  TScriptedResponder boxes;
  TPreviewForm form;
  EXPECT_FALSE(SaveFormPlacement(&form));
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_EQ(boxes.Last().Text, "Unable to write to " + dir_.filePath(QStringLiteral("blocker/TODO.INI")) + ".");
  EXPECT_EQ(boxes.Last().Icon, QMessageBox::Critical);
}

}  // namespace

#include "FormPlacementTest.moc"

