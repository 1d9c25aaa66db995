// The main window's own dialogs as the window system shows them: fixed frames with the
// captions of the program, the About box centred at its final size, the help window on
// the screen, and a rebuild that could not run reported as a failure.
#include "app/MainScreen.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "app/FilterForm.h"
#include "app/HelpWindow.h"
#include "app/Splashform.h"
#include "store/IniFile.h"
#include "widgets/DialogFrame.h"
#include "widgets/MessageBox.h"
#include "tests/NextWindow.h"
#include "tests/Unprivileged.h"
#include "tests/app/MainWindowFixture.h"

namespace {

QMargins FrameOf(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                  frame.bottom() - client.bottom());
}

class WindowFramesTest : public MainWindowFixture {
 protected:
  TMainScreen& Start(bool reindex_needed = false) {
    WriteTasks({{"20240305", "14:30", "call Joe", false, "work", "A", ""},
                {"20240310", "", "dentist", false, "", "B", ""}},
               {1});
    TPreferences preferences;
    preferences.ReindexNeeded = reindex_needed;
    EXPECT_TRUE(TSettings(dir_.path() + "/").SavePreferences(preferences).ok());
    window_ = std::make_unique<TMainScreen>();
    window_->show();
    window_->FormActivate();
    QApplication::setActiveWindow(window_.get());
    return *window_;
  }
};

TEST_F(WindowFramesTest, TheMainWindowsDialogsHaveFixedFramesAndTheirOwnCaptions) {
  TFilterForm filter({});
  EXPECT_EQ(filter.windowTitle(), "Task Filter");
  EXPECT_TRUE(HasFixedDialogFrame(&filter));
  TSplashform about;
  EXPECT_EQ(about.windowTitle(), "About Jotlist");
  EXPECT_TRUE(HasFixedDialogFrame(&about));
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(WindowFramesTest, TheAboutBoxOpensCentredAtItsFinalSize) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.setGeometry(120, 90, 640, 480);
  QRect placed;
  QSize shown;
  const auto about = OnModal<TSplashform>([&](TSplashform* form) {
    placed = QRect(form->frameGeometry().topLeft(), form->size().grownBy(FrameOf(w)));
    shown = form->size();
    QTest::mouseClick(form->OKButton, Qt::LeftButton);
  });
  w.AboutClick();
  ASSERT_TRUE(about->Seen());
  ASSERT_TRUE(shown.isValid());
  const QRect over = w.frameGeometry();
  EXPECT_LE(std::abs(placed.center().x() - over.center().x()), 1) << placed.x() << " " << over.x();
  EXPECT_LE(std::abs(placed.center().y() - over.center().y()), 1) << placed.y() << " " << over.y();
}

TEST_F(WindowFramesTest, TheHelpWindowOpensOverTheMainWindowAndInsideTheScreen) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  // The main window low on the screen: the help window, centred over it, would run past
  // the bottom edge.
  w.setGeometry(available.left() + 40, available.bottom() - 300, 500, 260);
  w.HelpContents();
  THelpWindow* help = w.HelpWindow();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(help->isVisible());
  EXPECT_TRUE(available.contains(help->frameGeometry()))
      << help->frameGeometry().y() << "+" << help->frameGeometry().height();
  EXPECT_LE(std::abs(help->frameGeometry().center().x() - w.frameGeometry().center().x()), 1);
  help->close();
}

// A start that cannot open the task files: behind its message the window keeps its bars
// at the top and the bottom.
TEST_F(WindowFramesTest, BehindTheMessageOfAFailedStartTheBarsStayInPlace) {
  QFile dbf(dir_.path() + "/JLIST.DBF");
  ASSERT_TRUE(dbf.open(QIODevice::WriteOnly));
  dbf.write("this is no table at all");
  dbf.close();
  window_ = std::make_unique<TMainScreen>();
  TMainScreen& w = *window_;
  QString text;
  int panel1_top = -1;
  int panel2_bottom = -1;
  int client_bottom = -1;
  const auto message = OnModal<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    panel1_top = w.Panel1->geometry().top();
    panel2_bottom = w.Panel2->mapTo(w.centralWidget(), QPoint(0, w.Panel2->height())).y();
    client_bottom = w.centralWidget()->height();
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  w.show();
  w.FormActivate();
  ASSERT_TRUE(message->Seen());
  EXPECT_TRUE(text.startsWith("Unable to open the Todo file: JLIST.DBF\n\n")) << text.toStdString();
  EXPECT_EQ(panel1_top, 0);
  EXPECT_EQ(panel2_bottom, client_bottom);
}

// Rebuilding where the index file cannot be removed: the user hears which file and why,
// nothing is packed, and the reminder stays due.
TEST_F(WindowFramesTest, ARebuildThatCannotRemoveTheIndexIsReportedAndKeepsTheReminder) {
  if (!RunHereOrAsUnprivilegedUser()) return;
  TScriptedResponder boxes;
  TMainScreen& w = Start(true);
  boxes.Clear();
  const QString cdx = dir_.path() + "/JLIST.CDX";
  QFile dbf(dir_.path() + "/JLIST.DBF");
  ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
  const QByteArray before = dbf.readAll();
  dbf.close();

  const QFile::Permissions writable = QFile::permissions(dir_.path());
  ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
  boxes.AnswerYes();
  w.RebuildIndexes1Click();
  ASSERT_TRUE(QFile::setPermissions(dir_.path(), writable));

  const QStringList texts = boxes.Texts();
  ASSERT_GE(texts.size(), 2);
  EXPECT_EQ(texts[0], "Rebuild Index Files?");
  EXPECT_FALSE(texts.contains("Done!"));
  EXPECT_TRUE(texts[1].startsWith("Unable to rebuild the indexes.\r")) << texts[1].toStdString();
  EXPECT_TRUE(texts[1].contains(cdx)) << texts[1].toStdString();
  EXPECT_TRUE(texts[1].contains("Permission denied")) << texts[1].toStdString();
  EXPECT_TRUE(w.ReindexNeeded());
  ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
  EXPECT_EQ(dbf.readAll(), before) << "nothing was packed";
  w.close();
  EXPECT_TRUE(TIniFile(dir_.path() + "/TODO.INI").ReadBool(QStringLiteral("Reindex"), QStringLiteral("Needed"), false));
}

}  // namespace
