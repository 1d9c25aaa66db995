// The "&Report" button: the report options dialog over the list as the window shows it,
// the window's report switches in and out, and an export from it.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/MainScreen.h"
#include "reports/ui/ReportDialogScript.h"
#include "reports/ui/ReportSetup.h"
#include "store/Settings.h"
#include "tests/NextWindow.h"
#include "tests/app/MainWindowFixture.h"
#include "widgets/MessageBox.h"

namespace {

class ReportCommandTest : public MainWindowFixture {
 protected:
  TMainScreen& Start() {
    WriteTasks({{"20240301", "08:00", "old task", false, "home", "B", "first line\r\nsecond line"},
                {"20240305", "14:30", "call Joe & <Ann>", false, "work", "A"},
                {"", "", "someday", false, "", ""}});
    window_ = std::make_unique<TMainScreen>();
    window_->show();
    window_->FormActivate();
    QApplication::setActiveWindow(window_.get());
    return *window_;
  }
  QString Path(const char* name) const { return dir_.path() + "/" + name; }
};

TEST_F(ReportCommandTest, ReportButtonOpensTheDialogWithTheWindowsSwitchesAndTakesThemBack) {
  TScriptedResponder boxes;
  boxes.SetDefaultAnswer(QMessageBox::Yes);
  TMainScreen& w = Start();
  w.Preferences().TextPrintMemo = true;
  w.Preferences().HTMLColor = 0xFF8000;
  ASSERT_TRUE(w.Printbutton->isVisible());
  w.SortByTag(QStringLiteral("DESCRIPT"));

  TReportDialogScript dialogs;
  dialogs.AnswerSave(Path("list.txt"));
  const auto setup = OnModal<TReportSetup>([](TReportSetup* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Print Report");
    EXPECT_TRUE(dialog->TextDoNotes->isChecked());
    EXPECT_FALSE(dialog->HTMLDoNotes->isChecked());
    EXPECT_EQ(dialog->ColorString(), "0080FF");
    dialog->TabSet1->setCurrentIndex(3);
    QTest::mouseClick(dialog->SaveAsText, Qt::LeftButton);
    dialog->TabSet1->setCurrentIndex(0);
    QTest::mouseClick(dialog->PrintKeywords, Qt::LeftButton, {}, QPoint(7, dialog->PrintKeywords->height() / 2));
    QTest::mouseClick(dialog->ReturnButton, Qt::LeftButton);
  });
  QObject watchdog;
  QTimer::singleShot(5000, &watchdog, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  QTest::mouseClick(w.Printbutton, Qt::LeftButton);
  ASSERT_TRUE(setup->Seen());

  // The export walked the list in the window's order (by task text).
  QFile file(Path("list.txt"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_GE(lines.size(), 10);
  EXPECT_TRUE(lines[5].startsWith("call Joe & <Ann>"));
  EXPECT_TRUE(lines[6].startsWith("old task"));
  EXPECT_EQ(lines[7], "   first line\r");
  EXPECT_EQ(lines[8], "   second line\r");
  EXPECT_TRUE(lines[9].startsWith("someday"));
  EXPECT_EQ(boxes.Last().Text, "Saved as " + Path("list.txt"));

  // The switches are the window's again; they go to TODO.INI with its preferences.
  EXPECT_TRUE(w.Preferences().PrintKeywords);
  EXPECT_TRUE(w.Preferences().TextPrintMemo);
  EXPECT_EQ(w.Preferences().HTMLColor, 0xFF8000);
  w.close();
  const TPreferences stored = TSettings(dir_.path() + "/").LoadPreferences();
  EXPECT_TRUE(stored.PrintKeywords);
  EXPECT_TRUE(stored.TextPrintMemo);
  EXPECT_EQ(stored.HTMLColor, 0xFF8000);
  EXPECT_EQ(TSettings(dir_.path() + "/").LoadReportTexts().TextFilePath, Path("list.txt"));
}

}  // namespace
