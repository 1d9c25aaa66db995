// The report options dialog: its pages and controls, the colour, the settings of both
// files, the three save flows with scripted dialogs, and failures.
#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/AppHelpers.h"
#include "reports/ui/ReportDialogScript.h"
#include "reports/ui/ReportSetup.h"
#include "store/IniFile.h"
#include "store/Settings.h"
#include "store/TodoTable.h"
#include "tests/NextWindow.h"
#include "tests/reports/ExportTestSupport.h"
#include "widgets/BevelPanel.h"
#include "widgets/HelpContext.h"
#include "widgets/MessageBox.h"

namespace {

using namespace export_testing;

// Clicks a check box on its box, at the left end.
void Click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, box->height() / 2)); }

class ReportSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    UseEnglishDates();
    SetProgramDirectoryForTests(dir_.path());
    WriteTasks(SampleTasks());
    table_.SetDirectory(dir_.path());
    ASSERT_TRUE(table_.OpenTaskFiles(false));
    // Record order: the tasks as written.
    table_.SetOrder(0);
  }
  void TearDown() override {
    static_cast<void>(table_.Close());
    SetProgramDirectoryForTests(QString());
  }

  void WriteTasks(const std::vector<TaskRecord>& tasks) { StoreTasks(dir_.path(), tasks); }

  QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
  QString IniValue(const char* file, const char* section, const char* key) const {
    return TIniFile(Path(file)).ReadString(QLatin1String(section), QLatin1String(key), QStringLiteral("<none>"));
  }
  // A fingerprint of the task files, to see that nothing touched them.
  QByteArray TaskFiles() const {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* name : {TodoTable::kTableName, TodoTable::kMemoName, TodoTable::kIndexName})
      hash.addData(ReadFile(Path(name)));
    return hash.result();
  }

  QTemporaryDir dir_;
  TodoTable table_;
};

TEST_F(ReportSetupTest, PagesTabsAndControlsAsLaidOut) {
  TReportSetup dialog(table_);
  EXPECT_EQ(dialog.windowTitle(), "Print Report");
  EXPECT_EQ(dialog.size(), QSize(607, 421));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "fixed size";
  EXPECT_EQ(dialog.font().family(), "Arial");
  EXPECT_EQ(dialog.font().pixelSize(), 11);
  EXPECT_EQ(HelpContextOf(dialog.HTMLSaveAs), 1007);

  ASSERT_EQ(dialog.TabSet1->count(), 4);
  EXPECT_EQ(dialog.TabSet1->tabText(0), "Printed Report");
  EXPECT_EQ(dialog.TabSet1->tabText(1), "HTML Document");
  EXPECT_EQ(dialog.TabSet1->tabText(2), "RTF File");
  EXPECT_EQ(dialog.TabSet1->tabText(3), "Text File");
  EXPECT_EQ(dialog.TabSet1->shape(), QTabBar::RoundedSouth);
  EXPECT_GT(dialog.TabSet1->y(), dialog.Notebook1->geometry().bottom()) << "the tab strip is under the pages";
  EXPECT_EQ(dialog.Notebook1->count(), 4);
  EXPECT_EQ(dialog.TabSet1->currentIndex(), 0);
  EXPECT_EQ(dialog.Notebook1->currentIndex(), 0);

  // Each control on its page, with its caption.
  const std::map<QWidget*, std::pair<int, QString>> controls = {
      {dialog.ReportTitleLabel, {0, "Report Title"}}, {dialog.PrintMemoBox, {0, "Print Notes"}},
      {dialog.PrintCheckBox, {0, "Print Checkbox"}},  {dialog.DoubleSpace, {0, "Double Spaced"}},
      {dialog.PrintKeywords, {0, "Print Keywords"}},  {dialog.PrintNow, {0, "Print"}},
      {dialog.Previewbutton, {0, "Preview"}},         {dialog.PrintSetup, {0, "Printer Setup"}},
      {dialog.HTMLTitleLabel, {1, "HTML Page Title"}}, {dialog.HTMLDoNotes, {1, "Copy Notes"}},
      {dialog.HTMLSaveAs, {1, "Save As"}},            {dialog.RTFTitleLabel, {2, "RTF Page Title"}},
      {dialog.RTFDoNotes, {2, "Copy Notes"}},         {dialog.SaveAsRTFClick, {2, "Save As"}},
      {dialog.TextTitleLabel, {3, "Text File Page Title"}}, {dialog.TextDoNotes, {3, "Copy Notes"}},
      {dialog.SaveAsText, {3, "Save As"}},
  };
  for (const auto& [control, expected] : controls) {
    EXPECT_EQ(control->parentWidget(), dialog.Notebook1->widget(expected.first)) << expected.second.toStdString();
    const QString text = control->property("text").toString();
    EXPECT_EQ(text, expected.second);
  }
  for (QLineEdit* field : {dialog.ReportTitleField, dialog.HTMLPageTitle, dialog.RTFPageTitle, dialog.TextPageTitle})
    EXPECT_EQ(field->text(), "Jotlist") << "the default title";
  // The check boxes stand top to bottom in their order.
  EXPECT_LT(dialog.PrintMemoBox->y(), dialog.PrintCheckBox->y());
  EXPECT_LT(dialog.PrintCheckBox->y(), dialog.DoubleSpace->y());
  EXPECT_LT(dialog.DoubleSpace->y(), dialog.PrintKeywords->y());

  EXPECT_EQ(dialog.ColorPanel->size(), QSize(256, 33));
  EXPECT_EQ(dialog.ColorPanel->Caption(), "Background Color (click to change)");
  EXPECT_EQ(dialog.ReturnButton->text(), "Ok");
  EXPECT_TRUE(dialog.ReturnButton->isDefault());
  EXPECT_EQ(dialog.HelpButton->text(), "Help");
  EXPECT_NE(dialog.WhatsThisButton, nullptr);
  // Members carry their names, so a test or the pop-up help finds them.
  for (const char* name : {"ReportTitleField", "PrintMemoBox", "HTMLPageTitle", "ColorPanel", "SaveAsRTFClick",
                           "TextDoNotes", "ReturnButton", "TabSet1"})
    EXPECT_NE(dialog.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
}

TEST_F(ReportSetupTest, WhatsThisTexts) {
  TReportSetup dialog(table_);
  const std::map<QWidget*, const char*> texts = {
      {dialog.ColorPanel, "Click here to change the background color for the HTML document"},
      {dialog.DoubleSpace, "Select this option to use double-space printing"},
      {dialog.HTMLDoNotes, "Check here to write the notes (memo) as part of the HTML document"},
      {dialog.HTMLPageTitle, "Enter the HTML page title here"},
      {dialog.HTMLSaveAs, "Click here to save the current Todo List as an HTML file"},
      {dialog.Previewbutton, "Click here to preview the printed report"},
      {dialog.PrintCheckBox,
       "Select this option to also print a small checkbox next to each task (for your use in checking them off)"},
      {dialog.PrintKeywords,
       "Select this option to also print the KEYWORDS. (note: keywords will be printed on a seperate line)"},
      {dialog.PrintMemoBox, "Select this option to also print the notes information"},
      {dialog.PrintNow, "Click here to print the list now."},
      {dialog.PrintSetup, "Click here to set up the printer prior to printing the list."},
      {dialog.ReportTitleField, "Enter a title to be printed at the top of the report"},
      {dialog.ReturnButton, "Click here to return to the main screen"},
      {dialog.RTFDoNotes, "Check here to write the notes (memo) as part of the RTF file"},
      {dialog.RTFPageTitle, "Enter a title to print on the top of the RTF file page here"},
      {dialog.SaveAsRTFClick, "Click here to save the current Todo List as an RTF file"},
      {dialog.SaveAsText, "Click here to save the current ToDo List as a text file (ASCII)"},
      {dialog.TextDoNotes, "Check here to write the notes (memo) as part of the text file"},
      {dialog.TextPageTitle, "Enter a title for the text file page here"},
  };
  for (const auto& [control, text] : texts) EXPECT_EQ(control->whatsThis(), QLatin1String(text)) << text;
  for (QWidget* none : {static_cast<QWidget*>(dialog.HelpButton), static_cast<QWidget*>(dialog.TabSet1),
                        static_cast<QWidget*>(dialog.TextTitleLabel)})
    EXPECT_TRUE(none->whatsThis().isEmpty());
}

TEST_F(ReportSetupTest, ClickingATabShowsItsPage) {
  TReportSetup dialog(table_);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  for (int tab : {2, 1, 3, 0}) {
    QTest::mouseClick(dialog.TabSet1, Qt::LeftButton, {}, dialog.TabSet1->tabRect(tab).center());
    EXPECT_EQ(dialog.Notebook1->currentIndex(), tab);
    EXPECT_TRUE(dialog.Notebook1->widget(tab)->isVisible());
  }
}

TEST_F(ReportSetupTest, BackgroundColourFromTheMainWindowAndTheColourDialog) {
  TReportSetup dialog(table_);
  EXPECT_EQ(dialog.BackgroundColor(), 8454143);
  EXPECT_EQ(dialog.ColorString(), "FFFF80");
  EXPECT_EQ(dialog.ColorPanel->Color(), QColor(255, 255, 128));

  TPreferences preferences;
  preferences.HTMLColor = 0xFF8000;
  dialog.SetSwitches(preferences);
  EXPECT_EQ(dialog.ColorString(), "0080FF");
  EXPECT_EQ(dialog.ColorPanel->Color(), QColor(0, 128, 255));

  TReportDialogScript script;
  script.AnswerColor(QColor(0x12, 0x34, 0x56));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  dialog.TabSet1->setCurrentIndex(1);
  QTest::mouseClick(dialog.ColorPanel, Qt::LeftButton);
  ASSERT_EQ(script.ColorRequests().size(), 1u);
  EXPECT_EQ(script.ColorRequests()[0], QColor(0, 128, 255)) << "preset to the background colour";
  EXPECT_EQ(dialog.ColorString(), "123456");
  EXPECT_EQ(dialog.BackgroundColor(), 0x563412);
  EXPECT_EQ(dialog.ColorPanel->Color(), QColor(0x12, 0x34, 0x56));

  // Cancel (no answer queued): the colour stays, and the next dialog is preset to it.
  dialog.ColorPanelClick();
  ASSERT_EQ(script.ColorRequests().size(), 2u);
  EXPECT_EQ(script.ColorRequests()[1], QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(dialog.ColorString(), "123456");

  dialog.GetSwitches(&preferences);
  EXPECT_EQ(preferences.HTMLColor, 0x563412);
}

TEST_F(ReportSetupTest, CheckBoxesAndColourGoBackToTheMainWindowAndThroughTodoIni) {
  TPreferences preferences;
  preferences.PrintMemo = true;
  preferences.RTFPrintMemo = true;
  TReportDialogScript script;
  script.AnswerColor(QColor(0, 0, 255));
  // The user clicks through the dialog, then Ok.
  const auto setup = OnModal<TReportSetup>([](TReportSetup* dialog) {
    EXPECT_TRUE(dialog->PrintMemoBox->isChecked());
    EXPECT_TRUE(dialog->RTFDoNotes->isChecked());
    EXPECT_FALSE(dialog->TextDoNotes->isChecked());
    Click(dialog->PrintMemoBox);
    Click(dialog->PrintKeywords);
    dialog->TabSet1->setCurrentIndex(3);
    Click(dialog->TextDoNotes);
    dialog->TabSet1->setCurrentIndex(1);
    Click(dialog->HTMLDoNotes);
    QTest::mouseClick(dialog->ColorPanel, Qt::LeftButton);
    dialog->ReportTitleField->setText(QStringLiteral("Not stored"));
    QTest::mouseClick(dialog->ReturnButton, Qt::LeftButton);
  });
  // Should the script not close the dialog, this does (and goes with the test).
  QObject watchdog;
  QTimer::singleShot(5000, &watchdog, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  TReportSetup::Execute(table_, preferences, nullptr);
  ASSERT_TRUE(setup->Seen());

  EXPECT_FALSE(preferences.PrintMemo);
  EXPECT_FALSE(preferences.PrintCheckbox);
  EXPECT_FALSE(preferences.PrintDoubleSpace);
  EXPECT_TRUE(preferences.PrintKeywords);
  EXPECT_TRUE(preferences.HTMLPrintMemo);
  EXPECT_TRUE(preferences.RTFPrintMemo);
  EXPECT_TRUE(preferences.TextPrintMemo);
  EXPECT_EQ(preferences.HTMLColor, 0xFF0000);
  // Closing stores no title or file name.
  EXPECT_FALSE(QFile::exists(Path("JLIST.INI")));

  // The main window saves them with its preferences; the next opening shows them again.
  const TSettings settings(ProgramDirectory());
  ASSERT_TRUE(settings.SavePreferences(preferences).ok());
  EXPECT_EQ(IniValue("TODO.INI", "Report", "PrintKeywoirds"), "1") << "the key keeps its spelling";
  EXPECT_EQ(IniValue("TODO.INI", "Report", "PrintMemo"), "0");
  EXPECT_EQ(IniValue("TODO.INI", "Report", "HTMLPrintMemo"), "1");
  EXPECT_EQ(IniValue("TODO.INI", "Report", "TextPrintMemo"), "1");
  EXPECT_EQ(IniValue("TODO.INI", "Report", "HTMLColor"), QString::number(0xFF0000));
  TReportSetup again(table_);
  again.SetSwitches(settings.LoadPreferences());
  EXPECT_TRUE(again.PrintKeywords->isChecked());
  EXPECT_FALSE(again.PrintMemoBox->isChecked());
  EXPECT_TRUE(again.TextDoNotes->isChecked());
  EXPECT_EQ(again.ColorString(), "0000FF");
  EXPECT_EQ(again.ReportTitleField->text(), "Jotlist");
}

TEST_F(ReportSetupTest, TitlesAndFileSpecsComeFromJlistIni) {
  const TSettings settings(ProgramDirectory());
  TReportTexts texts = settings.LoadReportTexts();
  EXPECT_EQ(texts.HTMLFilePath, ProgramDirectory() + "Todo.htm");
  texts.ReportTitle = QStringLiteral("Printed");
  texts.HTMLTitle = QStringLiteral("Web");
  texts.RTFTitle = QStringLiteral("Rich");
  texts.TextTitle = QStringLiteral("Plain");
  texts.RTFFilePath = QStringLiteral("C:\\Data\\List.rtf");
  ASSERT_TRUE(settings.SaveReportTexts(texts).ok());

  TReportSetup dialog(table_);
  EXPECT_EQ(dialog.ReportTitleField->text(), "Printed");
  EXPECT_EQ(dialog.HTMLPageTitle->text(), "Web");
  EXPECT_EQ(dialog.RTFPageTitle->text(), "Rich");
  EXPECT_EQ(dialog.TextPageTitle->text(), "Plain");
  EXPECT_EQ(dialog.Texts(), texts);
}

TEST_F(ReportSetupTest, FileSpecsSplitAtTheLastSeparator) {
  QString directory;
  QString name;
  const struct {
    const char* path;
    const char* directory;
    const char* name;
  } cases[] = {
      {"/home/ann/lists/Todo.htm", "/home/ann/lists/", "Todo.htm"},
      {"C:\\JLIST\\Todo.rtf", "C:\\JLIST\\", "Todo.rtf"},
      {"D:Todo.txt", "D:", "Todo.txt"},
      {"C:\\old/mixed\\Todo.htm", "C:\\old/mixed\\", "Todo.htm"},
      {"Todo.htm", "", "Todo.htm"},
      {"/home/ann/", "/home/ann/", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    TReportSetup::SplitFilePath(QLatin1String(c.path), &directory, &name);
    EXPECT_EQ(directory, QLatin1String(c.directory)) << c.path;
    EXPECT_EQ(name, QLatin1String(c.name)) << c.path;
  }
}

TEST_F(ReportSetupTest, SaveAsWritesTheFileTellsWhereAndStoresSpecAndTitles) {
  struct Case {
    std::function<void(TReportSetup&)> click;
    const char* filter;
    const char* defaultName;
    const char* specKey;
    const char* file;
    const char* expected;
  };
  const Case cases[] = {
      {[](TReportSetup& d) { QTest::mouseClick(d.HTMLSaveAs, Qt::LeftButton); }, "HTM Document|*.htm", "Todo.htm",
       "HTMLFilespec", "out/list.htm", "tasks-notes.htm"},
      {[](TReportSetup& d) { QTest::mouseClick(d.SaveAsRTFClick, Qt::LeftButton); }, "RTF Document|*.rtf",
       "Todo.rtf", "RTFFilespec", "out/list.rtf", "tasks-notes.rtf"},
      {[](TReportSetup& d) { QTest::mouseClick(d.SaveAsText, Qt::LeftButton); }, "Text File|*.txt", "Todo.txt",
       "TextFilespec", "out/list.txt", "tasks-notes.txt"},
  };
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("out")));
  int tab = 1;
  for (const Case& c : cases) {
    TReportSetup dialog(table_);
    TPreferences preferences;
    preferences.HTMLPrintMemo = preferences.RTFPrintMemo = preferences.TextPrintMemo = true;
    dialog.SetSwitches(preferences);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.TabSet1->setCurrentIndex(tab++);
    dialog.ReportTitleField->setText(QStringLiteral("Report of today"));
    TScriptedResponder boxes;
    TReportDialogScript script;
    script.AnswerSave(Path(c.file));
    c.click(dialog);

    ASSERT_EQ(script.SaveRequests().size(), 1u);
    EXPECT_EQ(script.SaveRequests()[0].Filter, QLatin1String(c.filter));
    EXPECT_EQ(script.SaveRequests()[0].Directory, ProgramDirectory());
    EXPECT_EQ(script.SaveRequests()[0].FileName, QLatin1String(c.defaultName));
    EXPECT_EQ(ReadFile(Path(c.file)), ExpectedFile(c.expected));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Title, "Information");
    EXPECT_EQ(boxes.Last().Text, "Saved as " + Path(c.file));
    // The path and all four titles, the changed report title included.
    EXPECT_EQ(IniValue("JLIST.INI", "Report", c.specKey), Path(c.file));
    EXPECT_EQ(IniValue("JLIST.INI", "Report", "ReportTitle"), "Report of today");
    EXPECT_EQ(IniValue("JLIST.INI", "Report", "HTMLTitle"), "Jotlist");
    EXPECT_EQ(IniValue("JLIST.INI", "Report", "RTFTitle"), "Jotlist");
    EXPECT_EQ(IniValue("JLIST.INI", "Report", "TextTitle"), "Jotlist");
    // The walk leaves the table at its last task.
    EXPECT_EQ(table_.CurrentRow(), table_.ViewCount() - 1);
  }
  // The next save offers the remembered file, in its folder.
  TReportSetup dialog(table_);
  TReportDialogScript script;
  dialog.HTMLSaveAsClick();
  ASSERT_EQ(script.SaveRequests().size(), 1u);
  EXPECT_EQ(script.SaveRequests()[0].Directory, Path("out") + "/");
  EXPECT_EQ(script.SaveRequests()[0].FileName, "list.htm");
}

TEST_F(ReportSetupTest, TheTitleFieldAndColourOfTheMomentAreWritten) {
  TReportSetup dialog(table_);
  TPreferences preferences;
  preferences.HTMLColor = kSpecialColor;
  dialog.SetSwitches(preferences);
  dialog.HTMLPageTitle->setText(kSpecialTitle);
  dialog.TextPageTitle->setText(kSpecialTitle);
  dialog.RTFPageTitle->setText(kSpecialTitle);
  TScriptedResponder boxes;
  TReportDialogScript script;
  script.AnswerSave(Path("plain.htm"));
  script.AnswerSave(Path("plain.rtf"));
  script.AnswerSave(Path("plain.txt"));
  dialog.HTMLSaveAsClick();
  dialog.SaveAsRTFClickClick();
  dialog.SaveAsTextClick();
  EXPECT_EQ(ReadFile(Path("plain.htm")), ExpectedFile("tasks-plain.htm"));
  EXPECT_EQ(ReadFile(Path("plain.rtf")), ExpectedFile("tasks-plain.rtf"));
  EXPECT_EQ(ReadFile(Path("plain.txt")), ExpectedFile("tasks-plain.txt"));
  EXPECT_EQ(IniValue("JLIST.INI", "Report", "HTMLTitle"), kSpecialTitle);
}

TEST_F(ReportSetupTest, CancelWritesAndStoresNothing) {
  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  TReportDialogScript script;  // no answer: Cancel
  dialog.HTMLSaveAsClick();
  dialog.SaveAsRTFClickClick();
  dialog.SaveAsTextClick();
  EXPECT_EQ(script.SaveRequests().size(), 3u);
  EXPECT_EQ(boxes.Count(), 0);
  EXPECT_FALSE(QFile::exists(Path("JLIST.INI")));
  EXPECT_FALSE(QFile::exists(Path("Todo.htm")));
}

TEST_F(ReportSetupTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  QFile existing(Path("old.txt"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("keep me");
  existing.close();

  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  TReportDialogScript script;
  // No: the save dialog comes again on that name; then Cancel.
  script.AnswerSave(Path("old.txt"));
  boxes.AnswerNo();
  dialog.SaveAsTextClick();
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_EQ(boxes.Last().Title, "Save As");
  EXPECT_EQ(boxes.Last().Text, Path("old.txt") + " already exists.\rDo you want to replace it?");
  EXPECT_EQ(boxes.Last().Buttons, QMessageBox::Yes | QMessageBox::No);
  ASSERT_EQ(script.SaveRequests().size(), 2u);
  EXPECT_EQ(script.SaveRequests()[1].Directory, dir_.path() + "/");
  EXPECT_EQ(script.SaveRequests()[1].FileName, "old.txt");
  EXPECT_EQ(ReadFile(Path("old.txt")), "keep me");
  EXPECT_FALSE(QFile::exists(Path("JLIST.INI")));

  // Yes: replaced.
  boxes.Clear();
  script.AnswerSave(Path("old.txt"));
  boxes.AnswerYes();
  dialog.SaveAsTextClick();
  EXPECT_EQ(boxes.Texts(), QStringList({Path("old.txt") + " already exists.\rDo you want to replace it?",
                                        "Saved as " + Path("old.txt")}));
  EXPECT_TRUE(ReadFile(Path("old.txt")).startsWith("Jotlist\r\n\r\n\r\nTask "));
}

TEST_F(ReportSetupTest, ANameWithoutExtensionGetsTheFormats) {
  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  TReportDialogScript script;
  script.AnswerSave(Path("tasks"));
  script.AnswerSave(Path("tasks"));
  script.AnswerSave(Path("tasks.list"));
  dialog.SaveAsRTFClickClick();
  dialog.SaveAsTextClick();
  dialog.HTMLSaveAsClick();
  EXPECT_TRUE(ReadFile(Path("tasks.rtf")).startsWith("{\\rtf1"));
  EXPECT_TRUE(ReadFile(Path("tasks.txt")).startsWith("Jotlist\r\n"));
  EXPECT_TRUE(ReadFile(Path("tasks.list")).startsWith("<!DOCTYPE HTML"));
  EXPECT_FALSE(QFile::exists(Path("tasks")));
  EXPECT_EQ(IniValue("JLIST.INI", "Report", "TextFilespec"), Path("tasks.txt"));
}

TEST_F(ReportSetupTest, AFileThatCannotBeWrittenIsReportedAndNothingIsStored) {
  const QByteArray before = TaskFiles();
  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  TReportDialogScript script;
  // A full disk: a name for /dev/full (it exists, so the replace question comes first).
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), Path("full.htm")));
  script.AnswerSave(Path("full.htm"));
  boxes.AnswerYes();
  dialog.HTMLSaveAsClick();
  ASSERT_EQ(boxes.Count(), 2);
  EXPECT_EQ(boxes.Last().Title, "Jotlist");
  EXPECT_EQ(boxes.Last().Icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.Last().Text, "Unable to write to " + Path("full.htm") + ": No space left on device.");
  // A folder that is not there.
  boxes.Clear();
  script.AnswerSave(Path("gone/list.rtf"));
  dialog.SaveAsRTFClickClick();
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_EQ(boxes.Last().Text, "Unable to write to " + Path("gone/list.rtf") + ": No such file or directory.");
  for (const QString& text : boxes.Texts()) EXPECT_FALSE(text.startsWith("Saved as "));
  EXPECT_FALSE(QFile::exists(Path("JLIST.INI"))) << "no file path stored";
  EXPECT_EQ(dialog.Texts().HTMLFilePath, ProgramDirectory() + "Todo.htm");
  EXPECT_EQ(TaskFiles(), before) << "the task files are untouched";
}

TEST_F(ReportSetupTest, SettingsThatCannotBeStoredAreReportedAfterTheExport) {
  // JLIST.INI is a folder: the export works, the settings write is refused.
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("JLIST.INI")));
  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  TReportDialogScript script;
  script.AnswerSave(Path("list.htm"));
  dialog.HTMLSaveAsClick();
  ASSERT_EQ(boxes.Count(), 2);
  EXPECT_EQ(boxes.Messages()[0].Text, "Saved as " + Path("list.htm"));
  EXPECT_EQ(boxes.Messages()[1].Text, "Unable to write to " + Path("JLIST.INI") + ".");
  EXPECT_TRUE(ReadFile(Path("list.htm")).startsWith("<!DOCTYPE"));
}

TEST_F(ReportSetupTest, PrintButtonsCheckForPrinters) {
  TReportSetup dialog(table_);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  TScriptedResponder boxes;
  {
    TReportDialogScript script;  // no printers
    for (QPushButton* button : {dialog.PrintNow, dialog.Previewbutton, dialog.PrintSetup}) {
      QTest::mouseClick(button, Qt::LeftButton);
      EXPECT_EQ(boxes.Last().Title, "Information");
      EXPECT_EQ(boxes.Last().Text, "There are no printers installed");
    }
    EXPECT_EQ(boxes.Count(), 3);
    EXPECT_EQ(script.PrinterChecks(), 3);
  }
  boxes.Clear();
  TReportDialogScript script;
  script.SetPrintersInstalled(true);
  // The windows the buttons open now (the print dialog, the status and preview windows,
  // the printer-setup dialog) are closed as soon as they let themselves be.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&dialog] {
    if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget()); open && open != &dialog) open->reject();
  });
  closer.start(50);
  QTest::mouseClick(dialog.PrintNow, Qt::LeftButton);
  EXPECT_TRUE(dialog.PrintMode());
  QTest::mouseClick(dialog.Previewbutton, Qt::LeftButton);
  EXPECT_FALSE(dialog.PrintMode());
  QTest::mouseClick(dialog.PrintSetup, Qt::LeftButton);
  EXPECT_EQ(boxes.Count(), 0);
  EXPECT_EQ(script.PrinterChecks(), 3);
}

TEST_F(ReportSetupTest, ExportFollowsTheTablesOrderAndFilter) {
  ASSERT_EQ(table_.SetOrder(table_.OrderOfTag(QStringLiteral("DESCRIPT"))), 0);
  ASSERT_TRUE(table_.SetFilter(QStringLiteral(".not.(PRIORITY=\"C\")")).ok());
  TReportSetup dialog(table_);
  TScriptedResponder boxes;
  ASSERT_TRUE(dialog.CopyText(Path("order.txt"), QStringLiteral("T")).ok());
  QList<QByteArray> lines = ReadFile(Path("order.txt")).split('\n');
  ASSERT_EQ(lines.size(), 9);  // five lines of head, three tasks, and after the last CR LF nothing
  EXPECT_TRUE(lines[5].startsWith("C:\\temp\\new {draft}"));
  EXPECT_TRUE(lines[6].startsWith("Call the plumber"));
  EXPECT_TRUE(lines[7].startsWith("Undated task"));
  EXPECT_EQ(lines[8], "");
}

TEST_F(ReportSetupTest, HelpOpensItsContextAndEscapeCloses) {
  int context = 0;
  SetHelpHandler([&context](int asked) { context = asked; });
  TReportSetup dialog(table_);
  QObject watchdog;
  QTimer::singleShot(0, &dialog, [&dialog] {
    QTest::mouseClick(dialog.HelpButton, Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  QTimer::singleShot(5000, &watchdog, [&dialog] { dialog.done(-1); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected) << "Escape closes the dialog";
  SetHelpHandler({});
  EXPECT_EQ(context, 1007);
}

}  // namespace
