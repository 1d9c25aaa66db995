// The main window headless: start-up in an empty or prepared folder, the list and its
// columns, notes, sort orders, the filter toggles, the rebuild command, settings at
// close, single instance.
#include "app/MainScreen.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocalServer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "app/HelpWindow.h"
#include "widgets/MessageBox.h"
#include "app/RebuildInd.h"
#include "app/SingleInstance.h"
#include "app/TaskGridModel.h"
#include "dialogs/TaskEditor.h"
#include "store/Settings.h"
#include "store/xbase/Table.h"
#include "widgets/Gauge.h"
#include "widgets/Splitter.h"
#include "tests/NextWindow.h"
#include "tests/app/MainWindowFixture.h"

namespace {

// Today is Tuesday 5 March 2024 in every test.
const std::vector<Task> kSample = {
    {"20240301", "08:00", "old task", false, "home", "B"},
    {"20240305", "14:30", "call Joe", false, "work Work", "A"},
    {"20240305", "", "done today", true, "", "A"},
    {"20240310", "09:00", "dentist", false, "health", "a"},
    {"", "", "someday", false, "", ""},
};

class MainScreenTest : public MainWindowFixture {
 protected:
  QString Path(const char* name) const { return dir_.path() + "/" + name; }

  void Prepare(const std::vector<Task>& tasks, const std::vector<int>& deleted = {}) {
    WriteTasks(tasks, deleted);
  }

  TPreferences StoredPreferences() const { return TSettings(dir_.path() + "/").LoadPreferences(); }
  void StorePreferences(const TPreferences& preferences) {
    ASSERT_TRUE(TSettings(dir_.path() + "/").SavePreferences(preferences).ok());
  }
  void NoReminder() {
    TPreferences preferences;
    preferences.ReindexNeeded = false;
    StorePreferences(preferences);
  }

  TMainScreen& Start() {
    window_ = std::make_unique<TMainScreen>();
    window_->show();
    window_->FormActivate();
    return *window_;
  }

  QFont CellFont(int row, int column) const {
    const QVariant font = window_->Model()->data(window_->Model()->index(row, column), Qt::FontRole);
    return font.isValid() ? font.value<QFont>() : QFont();
  }
  QStringList Questions(const TScriptedResponder& boxes) const {
    QStringList out;
    for (const TMessageRecord& box : boxes.Messages()) {
      if (box.Icon == QMessageBox::Question) out << box.Text;
    }
    return out;
  }
};

TEST_F(MainScreenTest, FirstRunInAnEmptyFolder) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  EXPECT_FALSE(w.FirstActivation());
  EXPECT_TRUE(QFile::exists(Path("JLIST.DBF")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.FPT")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.CDX")));

  // The reminder, once start-up has finished, and nothing else.
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_EQ(boxes.Last().Text, "Please rebuild indexes ASAP");
  EXPECT_EQ(boxes.Last().Title, "Information");

  EXPECT_EQ(w.Splitter->BarPosition(), 200);
  const QRect screen = w.screen()->availableGeometry();
  EXPECT_NEAR(w.frameGeometry().center().x(), screen.center().x(), 2);
  EXPECT_NEAR(w.frameGeometry().center().y(), screen.center().y(), 2);

  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_TRUE(w.Table().AtEnd());
  for (QToolButton* button : {w.Editbutton, w.DeleteButton, w.DoneToggleButton, w.CloneButton, w.CalendarButton,
                              w.Printbutton}) {
    EXPECT_TRUE(button->isHidden()) << button->objectName().toStdString();
  }
  EXPECT_TRUE(w.Newbutton->isEnabled());
  EXPECT_FALSE(w.Newbutton->isHidden());
  EXPECT_FALSE(w.ExitButton->isHidden());
  EXPECT_TRUE(w.UpdateStatusPanel->isHidden());
  EXPECT_FALSE(w.TaskPanel->isHidden());
  EXPECT_TRUE(w.FilterClearbutton->isHidden());
  EXPECT_EQ(w.ShowDone->text(), "Show DONE");
  EXPECT_EQ(w.Table().CurrentFilter(), "(.not.DONE)");
  // Natural order with no setting: no sort item ticked.
  EXPECT_EQ(w.Table().CurrentOrder(), 0);
  for (QAction* item : {w.mainmnuSortDateTime, w.mainmnuSortDescription, w.mainmnuSortPriority,
                        w.mainmnuSortKeyWords, w.mnuSortDateTime}) {
    EXPECT_FALSE(item->isChecked());
  }
}

TEST_F(MainScreenTest, StartUpShowsThePreparedTasksWithTheirColumns) {
  Prepare(kSample);
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  EXPECT_EQ(boxes.Count(), 0);

  // Record order, done tasks hidden.
  EXPECT_EQ(TaskColumn(), QStringList({"old task", "call Joe", "dentist", "someday"}));
  const QStringList titles = {"Priority", "Date", "Time", "Task", "Done?", "Key words"};
  for (int column = 0; column < titles.size(); ++column) {
    EXPECT_EQ(w.Model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
  }
  EXPECT_EQ(Cell(1, TaskGridModel::kPriorityColumn), "High");
  EXPECT_EQ(Cell(1, TaskGridModel::kDateColumn), "05 Mar 2024");
  EXPECT_EQ(Cell(1, TaskGridModel::kTimeColumn), " 02:30pm");
  EXPECT_EQ(Cell(1, TaskGridModel::kDoneColumn), "N");
  EXPECT_EQ(Cell(1, TaskGridModel::kKeysColumn), "work Work");
  EXPECT_EQ(Cell(2, TaskGridModel::kPriorityColumn), "High");
  EXPECT_EQ(Cell(3, TaskGridModel::kDateColumn), "");
  EXPECT_EQ(Cell(3, TaskGridModel::kPriorityColumn), "");

  // Emphasis: undone "A" bold; undone today bold italic; lower-case "a" plain.
  EXPECT_TRUE(CellFont(1, TaskGridModel::kPriorityColumn).bold());
  EXPECT_TRUE(CellFont(1, TaskGridModel::kDateColumn).bold());
  EXPECT_TRUE(CellFont(1, TaskGridModel::kDateColumn).italic());
  EXPECT_FALSE(CellFont(2, TaskGridModel::kPriorityColumn).bold());
  EXPECT_FALSE(CellFont(0, TaskGridModel::kDateColumn).bold());
  EXPECT_FALSE(CellFont(1, TaskGridModel::kTaskColumn).bold());

  // The current task is the first dated today or later (under the filter).
  EXPECT_EQ(w.Table().FieldText(TodoTable::kDescript), "call Joe");
  EXPECT_EQ(w.ActiveGrid->currentIndex().row(), 1);
  EXPECT_FALSE(w.Editbutton->isHidden());

  // The key word list holds every task's words, done tasks included, first form kept.
  EXPECT_EQ(w.KeyWordList().Words(), QStringList({"home", "work", "health"}));

  // The task column takes what the others leave.
  int total = 0;
  for (int column = 0; column < TaskGridModel::kColumnCount; ++column) total += w.ActiveGrid->columnWidth(column);
  EXPECT_EQ(total, w.Splitter->contentsRect().width() - 30);

  // Done tasks shown: the button says so and the filter indicator stays hidden.
  w.ShowDoneClick();
  EXPECT_EQ(w.ShowDone->text(), "Hide DONE");
  EXPECT_EQ(w.Model()->rowCount(), 5);
  EXPECT_TRUE(w.FilterClearbutton->isHidden());
  EXPECT_EQ(w.Table().CurrentFilter(), "");
  EXPECT_FALSE(CellFont(2, TaskGridModel::kDateColumn).bold()) << "a done task is never emphasised";
}

TEST_F(MainScreenTest, EmphasisIsOffUntilStartUpHasFinished) {
  Prepare(kSample);
  NoReminder();
  TMainScreen w;
  EXPECT_FALSE(w.Model()->Emphasis());
  w.show();
  w.FormActivate();
  EXPECT_TRUE(w.Model()->Emphasis());
}

TEST_F(MainScreenTest, AFilterThatLeavesNothingHidesTheRecordButtons) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  w.FilterState().TaskFilterText = "zzz";
  w.SetUpFilter();
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_FALSE(w.FilterClearbutton->isHidden());
  EXPECT_TRUE(w.Editbutton->isHidden());
  EXPECT_TRUE(w.Printbutton->isHidden());
  EXPECT_TRUE(w.Newbutton->isEnabled());
  EXPECT_TRUE(w.ActiveNotes->isReadOnly());

  w.FilterClearbuttonClick();
  EXPECT_EQ(w.Model()->rowCount(), 4);
  EXPECT_TRUE(w.FilterClearbutton->isHidden());
  EXPECT_FALSE(w.Editbutton->isHidden());
  EXPECT_EQ(w.Table().CurrentFilter(), "(.not.DONE)") << "hidden done tasks stay hidden";
}

TEST_F(MainScreenTest, QuotesInFilterTextsNeverBreakTheFilter) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  // A double quote goes between other delimiters: the engine reads the expression.
  w.FilterState().TaskFilterText = "jo\"e";
  w.SetUpFilter();
  EXPECT_EQ(w.Table().CurrentFilter(), "(.not.DONE).and.('JO\"E'$upper(DESCRIPT))");
  EXPECT_EQ(w.Model()->rowCount(), 0);

  w.FilterState().TaskFilterText = "Joe";
  w.SetUpFilter();
  EXPECT_EQ(w.Model()->rowCount(), 1);

  // A text holding all three closing delimiters cannot be written: the user is told and
  // the filter in force stays, criteria included.
  TScriptedResponder boxes;
  w.FilterState().KeysFilterText = "a\"b'c]";
  w.SetUpFilter();
  ASSERT_EQ(boxes.Messages().size(), 1u);
  EXPECT_EQ(boxes.Last().Title, "Information");
  EXPECT_EQ(w.Table().CurrentFilter(), "(.not.DONE).and.(\"JOE\"$upper(DESCRIPT))");
  EXPECT_EQ(w.FilterState().KeysFilterText, "");
  EXPECT_EQ(w.FilterState().TaskFilterText, "Joe");
  EXPECT_EQ(w.Model()->rowCount(), 1);
}

TEST_F(MainScreenTest, SortOrdersTickBothMenusAndKeepTheFilter) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "old task", "someday"}));
  EXPECT_EQ(w.ActiveGrid->currentIndex().row(), 0);
  EXPECT_EQ(w.Table().FieldText(TodoTable::kDescript), "call Joe");
  EXPECT_TRUE(w.mainmnuSortDescription->isChecked());
  EXPECT_TRUE(w.mnuSortDescription->isChecked());
  EXPECT_FALSE(w.mainmnuSortDateTime->isChecked());
  EXPECT_EQ(w.SortOrder(), 2);
  EXPECT_EQ(w.Table().CurrentFilter(), "(.not.DONE)");

  w.mnuSortPriority->trigger();
  EXPECT_EQ(TaskColumn(), QStringList({"someday", "call Joe", "dentist", "old task"}));
  EXPECT_TRUE(w.mainmnuSortPriority->isChecked());
  EXPECT_FALSE(w.mainmnuSortDescription->isChecked());
  EXPECT_EQ(w.SortOrder(), 5);

  w.mainmnuSortDateTime->trigger();
  EXPECT_EQ(TaskColumn(), QStringList({"someday", "old task", "call Joe", "dentist"}));
  EXPECT_EQ(w.SortOrder(), 1);
}

TEST_F(MainScreenTest, SettingsAreWrittenAtCloseAndReadAtTheNextStart) {
  Prepare(kSample);
  NoReminder();
  {
    TMainScreen& w = Start();
    w.SortByTag("KEYS");
    w.ShowDoneClick();
    w.Splitter->SetBarPosition(150);
    w.close();
  }
  const TPreferences stored = StoredPreferences();
  EXPECT_EQ(stored.Order, 4);
  EXPECT_TRUE(stored.ShowDone);
  EXPECT_EQ(stored.SplitterBar, 150);
  EXPECT_FALSE(stored.ReindexNeeded);

  TMainScreen& w = Start();
  EXPECT_EQ(w.Table().CurrentOrder(), 4);
  EXPECT_TRUE(w.mainmnuSortKeyWords->isChecked());
  EXPECT_EQ(w.ShowDone->text(), "Hide DONE");
  EXPECT_EQ(w.Model()->rowCount(), 5);
  EXPECT_EQ(w.Splitter->BarPosition(), 150);
}

TEST_F(MainScreenTest, AFailedStartLeavesTheStoredSettingsAlone) {
  TPreferences preferences;
  preferences.Order = 3;
  preferences.ReindexNeeded = false;
  StorePreferences(preferences);
  QFile dbf(Path("JLIST.DBF"));
  ASSERT_TRUE(dbf.open(QIODevice::WriteOnly));
  dbf.write("not a table");
  dbf.close();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_TRUE(boxes.Last().Text.startsWith("Unable to open the Todo file: JLIST.DBF\r\r" + Path("JLIST.DBF") + ": "));
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(StoredPreferences().Order, 3);
}

TEST_F(MainScreenTest, ADeletedIndexIsRebuiltAtTheNextStart) {
  Prepare(kSample);
  NoReminder();
  ASSERT_TRUE(QFile::remove(Path("JLIST.CDX")));
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  EXPECT_TRUE(QFile::exists(Path("JLIST.CDX")));
  EXPECT_EQ(boxes.Count(), 0) << boxes.Texts().join("|").toStdString();
  w.SortByTag("DATETIME");
  EXPECT_EQ(TaskColumn(), QStringList({"someday", "old task", "call Joe", "dentist"}));
}

TEST_F(MainScreenTest, RebuildCommandPacksDeletedTasksAndKeepsTheFilter) {
  Prepare(kSample, {0, 4});
  TScriptedResponder boxes;
  boxes.AnswerYes();
  TMainScreen& w = Start();
  ASSERT_EQ(boxes.Texts(), QStringList({"Please rebuild indexes ASAP"}));
  EXPECT_EQ(w.Table().RecordCount(), 5u);
  w.FilterState().PriorityFilterIndex = 1;
  w.SetUpFilter();
  const QString filter = w.Table().CurrentFilter();
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe"}));

  w.RebuildIndexes1Click();
  EXPECT_EQ(Questions(boxes), QStringList({"Rebuild Index Files?"}));
  EXPECT_EQ(boxes.Last().Text, "Done!");
  EXPECT_EQ(w.Table().RecordCount(), 3u);
  EXPECT_FALSE(w.Table().Exclusive());
  EXPECT_EQ(w.Table().CurrentFilter(), filter);
  EXPECT_EQ(w.Table().TagName(w.Table().CurrentOrder()), "DATETIME");
  EXPECT_TRUE(w.mainmnuSortDateTime->isChecked());
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe"}));
  EXPECT_FALSE(w.ReindexNeeded());
  EXPECT_FALSE(StoredPreferences().ReindexNeeded);
  EXPECT_TRUE(w.UpdateStatusPanel->isHidden());

  // No reminder at the next start.
  w.close();
  boxes.Clear();
  Start();
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(MainScreenTest, OldFilesAreConvertedAtStartUp) {
  using xbase::FieldType;
  const std::vector<xbase::FieldSpec> old = {
      {"DATE", FieldType::kCharacter, 8, 0},      {"TIME", FieldType::kCharacter, 5, 0},
      {"DESCRIPT", FieldType::kCharacter, 50, 0}, {"NOTE", FieldType::kMemo, 10, 0},
      {"DONE", FieldType::kLogical, 1, 0},        {"KEYS", FieldType::kCharacter, 60, 0}};
  {
    ASSERT_TRUE(xbase::Table::Create(Path("JLIST.DBF").toStdString(), old).ok());
    std::unique_ptr<xbase::Table> table;
    ASSERT_TRUE(xbase::Table::Open(Path("JLIST.DBF").toStdString(), xbase::OpenMode::kExclusive, &table).ok());
    ASSERT_TRUE(table->Append().ok());
    EXPECT_TRUE(table->SetString(0, "20240306").ok());
    EXPECT_TRUE(table->SetString(2, "from the old days").ok());
    EXPECT_TRUE(table->SetMemo(3, "abcd").ok());
    ASSERT_TRUE(table->Post().ok());
  }
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  ASSERT_EQ(boxes.Count(), 2) << boxes.Texts().join("|").toStdString();
  EXPECT_TRUE(boxes.Texts()[0].startsWith("This version of Jotlist uses a new file structure"));
  EXPECT_EQ(boxes.Texts()[1], "File update was successful");
  EXPECT_TRUE(QFile::exists(Path("JLBAK.DBF")));
  EXPECT_EQ(TaskColumn(), QStringList({"from the old days"}));
  EXPECT_EQ(Cell(0, TaskGridModel::kPriorityColumn), "Medium");
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "abcd ");
}

TEST_F(MainScreenTest, RebuildCommandAnsweredNoChangesNothing) {
  Prepare(kSample, {0});
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.RebuildIndexes1Click();
  EXPECT_EQ(Questions(boxes), QStringList({"Rebuild Index Files?"}));
  EXPECT_EQ(boxes.Count(), 1);
  EXPECT_EQ(w.Table().RecordCount(), 5u);
}

TEST_F(MainScreenTest, NotesAreStoredWhenThePaneLosesTheFocusAndAtClose) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  QApplication::setActiveWindow(&w);
  w.ActiveGrid->setCurrentIndex(w.Model()->index(0, TaskGridModel::kTaskColumn));
  ASSERT_EQ(w.Table().FieldText(TodoTable::kDescript), "old task");
  w.ActiveNotes->setFocus();
  QTest::keyClicks(w.ActiveNotes, "first");
  QTest::keyClick(w.ActiveNotes, Qt::Key_Return);
  QTest::keyClicks(w.ActiveNotes, "second");
  w.ActiveGrid->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.Table().Memo(TodoTable::kNote), "first\r\nsecond");

  // Another task shows its own (empty) note.
  w.ActiveGrid->setCurrentIndex(w.Model()->index(2, TaskGridModel::kTaskColumn));
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "");
  w.ActiveGrid->setCurrentIndex(w.Model()->index(0, TaskGridModel::kTaskColumn));
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "first\nsecond");

  // Typed and closed without leaving the pane: still stored.
  w.ActiveNotes->setFocus();
  QTest::keyClick(w.ActiveNotes, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(w.ActiveNotes, "!");
  w.close();
  TodoTable table;
  table.SetDirectory(dir_.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  table.SetOrder(0);
  table.First();
  EXPECT_EQ(table.Memo(TodoTable::kNote).remove('\r').remove('\n'), "firstsecond!");
}

TEST_F(MainScreenTest, InPlaceKeyWordEditIsStoredAndFeedsTheKeyWordList) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  const QModelIndex keys = w.Model()->index(3, TaskGridModel::kKeysColumn);
  EXPECT_TRUE(w.Model()->flags(keys) & Qt::ItemIsEditable);
  EXPECT_FALSE(w.Model()->flags(w.Model()->index(3, TaskGridModel::kDateColumn)) & Qt::ItemIsEditable);
  ASSERT_TRUE(w.Model()->setData(keys, "garden HOME " + QString(60, 'x')));
  EXPECT_EQ(w.Table().FieldText(TodoTable::kDescript), "someday");
  EXPECT_EQ(w.Table().FieldText(TodoTable::kKeys), ("garden HOME " + QString(60, 'x')).left(60));
  EXPECT_TRUE(w.KeyWordList().Contains("garden"));
  EXPECT_EQ(w.KeyWordList().Words().filter(QRegularExpression("^home$", QRegularExpression::CaseInsensitiveOption)).size(), 1);
}

TEST_F(MainScreenTest, DoubleClickOnTheDoneColumnTogglesDone) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  w.ActiveGrid->setCurrentIndex(w.Model()->index(0, TaskGridModel::kDoneColumn));
  w.ActiveGridDblClick();
  // Done now, and hidden by the filter.
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "someday"}));
  w.ShowDoneClick();
  EXPECT_EQ(Cell(0, TaskGridModel::kDoneColumn), "Y");
}

TEST_F(MainScreenTest, DeleteAsksAndMovesToTheFollowingTask) {
  Prepare(kSample);
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.ActiveGrid->setCurrentIndex(w.Model()->index(1, TaskGridModel::kTaskColumn));
  boxes.AnswerNo();
  w.DeleteButtonClick();
  EXPECT_EQ(w.Model()->rowCount(), 4);
  boxes.AnswerYes();
  w.DeleteButtonClick();
  EXPECT_EQ(Questions(boxes), QStringList({"Delete this task? ", "Delete this task? "}));
  EXPECT_EQ(TaskColumn(), QStringList({"old task", "dentist", "someday"}));
  EXPECT_EQ(w.Table().FieldText(TodoTable::kDescript), "dentist");
}

TEST_F(MainScreenTest, KeysOpenTheTaskEditorWhateverControlHasTheFocus) {
  Prepare(kSample);
  NoReminder();
  TMainScreen& w = Start();
  QApplication::setActiveWindow(&w);
  QStringList captions;
  // The next editor that opens is noted and cancelled.
  const auto cancel_editor = [&captions] {
    return OnModal<TTaskEditor>([&captions](TTaskEditor* editor) {
      captions << editor->windowTitle();
      editor->reject();
    });
  };
  auto editor = cancel_editor();
  w.ActiveNotes->setFocus();
  QTest::keyClick(w.ActiveNotes, Qt::Key_Insert);
  editor = cancel_editor();
  w.ActiveGrid->setFocus();
  QTest::keyClick(w.ActiveGrid, Qt::Key_Plus, Qt::KeypadModifier);
  editor = cancel_editor();
  QTest::keyClick(w.ActiveGrid, Qt::Key_Return);
  EXPECT_EQ(captions, QStringList({"Task Editor", "Task Editor", "Task Editor"}));
  EXPECT_EQ(w.Model()->rowCount(), 4) << "cancelled editors store nothing";
  // A plain + typed into the notes is just a character.
  editor = cancel_editor();
  w.ActiveNotes->setFocus();
  QTest::keyClick(w.ActiveNotes, Qt::Key_Plus);
  EXPECT_FALSE(QTest::qWaitFor([&captions] { return captions.size() > 3; }, 50));
}

TEST_F(MainScreenTest, GroupDeletionsRunFromTheFileMenu) {
  Prepare(kSample);
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  boxes.AnswerYes();
  w.AllMarkedDone1->trigger();
  EXPECT_EQ(Questions(boxes), QStringList({"CONFIRM: Delete all tasks marked as done?"}));
  EXPECT_EQ(boxes.Last().Text, "All tasks marked DONE have been deleted (1 records)");
  w.ShowDoneClick();
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "old task", "someday"}));
  EXPECT_TRUE(w.mainmnuSortDescription->isChecked());
}

TEST_F(MainScreenTest, HelpOpensAtTheContextAndInstallsTheHelpFile) {
  NoReminder();
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  ASSERT_FALSE(QFile::exists(Path("JLIST.HTM")));
  w.ShowHelp(1018);
  EXPECT_TRUE(QFile::exists(Path("JLIST.HTM")));
  ASSERT_NE(w.HelpWindow(), nullptr);
  EXPECT_EQ(w.HelpWindow()->Context(), 1018);
  EXPECT_TRUE(w.HelpWindow()->isVisible());
  EXPECT_TRUE(w.HelpWindow()->Browser->toPlainText().contains("Filtering the list"));
  w.HelpContents();
  EXPECT_EQ(w.HelpWindow()->Context(), 1009);
  EXPECT_EQ(boxes.Count(), 0);

  // Every context the program asks for has its section.
  QFile file(Path("JLIST.HTM"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray html = file.readAll();
  for (const char* context : {"1009", "1004", "1018", "1007", "1017", "2986"}) {
    EXPECT_TRUE(html.contains(QByteArray("<a name=\"") + context + "\">")) << context;
  }
}

TEST(RebuildIndTest, RefusesToCloseWhileBusyAndClosesItselfWhenDone) {
  QTemporaryDir dir;
  TodoTable table;
  table.SetDirectory(dir.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(table.Append().ok());
    EXPECT_TRUE(table.SetFieldText(TodoTable::kDescript, QString("task %1").arg(i)).ok());
    ASSERT_TRUE(table.Post().ok());
  }
  table.First();
  ASSERT_TRUE(table.Delete().ok());
  EXPECT_TRUE(table.Close().ok());
  ASSERT_TRUE(table.OpenTaskFiles(true));

  TRebuildInd form(table);
  EXPECT_EQ(form.windowTitle(), "Rebuild Indexes");
  EXPECT_EQ(form.size(), QSize(288, 141));
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(form.Gauge1->size(), QSize(258, 43));
  EXPECT_TRUE(form.WhatAmIDoing->isHidden());
  form.PackFirst = true;
  form.show();
  form.close();
  form.reject();
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 10000));
  EXPECT_TRUE(form.WorkDone);
  EXPECT_TRUE(form.Result().ok());
  EXPECT_EQ(form.WhatAmIDoing->text(), "Rebuilding indexes");
  EXPECT_EQ(table.RecordCount(), 2u);
}

TEST(SingleInstanceTest, ASecondCopyHandsOverToTheFirst) {
  const QString program = QString("jotlist-test-%1").arg(QCoreApplication::applicationPid());
  TSingleInstance first(program);
  ASSERT_TRUE(first.Listen());
  QSignalSpy raised(&first, &TSingleInstance::raiseRequested);

  TSingleInstance second(program);
  EXPECT_FALSE(second.Listen());
  EXPECT_TRUE(raised.wait(3000) || raised.count() > 0);
  EXPECT_FALSE(second.Listening());

  // Another user's copy, or another program file, is no running copy.
  TSingleInstance other(program + "-other");
  EXPECT_FALSE(other.HandOverToRunningCopy(200));
}

TEST(SingleInstanceTest, ASocketLeftByACrashedCopyIsTakenOver) {
  const QString program = QString("jotlist-stale-%1").arg(QCoreApplication::applicationPid());
  // The socket lives in a folder only this user may enter.
  const QString folder = TSingleInstance::SocketFolder();
  ASSERT_FALSE(folder.isEmpty());
  EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup), 0);
  // A socket file nobody listens on.
  QFile stale(TSingleInstance::ServerName(program));
  ASSERT_TRUE(stale.fileName().startsWith(folder + "/"));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();
  TSingleInstance instance(program);
  EXPECT_TRUE(instance.Listen());
  EXPECT_TRUE(instance.Listening());
}

// Another user of the machine who made the folder (or runtime folder) this user's copy
// would use, and listens there, neither stops the program nor has anything changed.
TEST(SingleInstanceTest, AnotherUsersSocketFolderNeitherBlocksNorIsTouched) {
  if (geteuid() != 0) GTEST_SKIP() << "making a folder of another user needs root";
  QTemporaryDir temp;
  const QByteArray saved_tmpdir = qgetenv("TMPDIR");
  const QByteArray saved_runtime = qgetenv("XDG_RUNTIME_DIR");
  qputenv("TMPDIR", QFile::encodeName(temp.path()));
  const QString foreign = temp.path() + QString("/jotlist-%1").arg(geteuid());
  ASSERT_EQ(mkdir(QFile::encodeName(foreign).constData(), 0700), 0);
  const QString program = QString("jotlist-foreign-%1").arg(QCoreApplication::applicationPid());
  const QString socket = foreign + "/" + program + QString("-%1").arg(geteuid());
  QLocalServer decoy;
  ASSERT_TRUE(decoy.listen(socket));
  // And one listening under the copy's name in the shared temporary folder itself.
  QLocalServer shared_decoy;
  ASSERT_TRUE(shared_decoy.listen(temp.path() + "/" + program + QString("-%1").arg(geteuid())));
  constexpr uid_t kOther = 65534;
  ASSERT_EQ(chown(QFile::encodeName(socket).constData(), kOther, kOther), 0);
  ASSERT_EQ(chown(QFile::encodeName(foreign).constData(), kOther, kOther), 0);
  // The same folder named as the runtime folder is not trusted either.
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(foreign));

  EXPECT_TRUE(TSingleInstance::SocketFolder().isEmpty());
  TSingleInstance instance(program);
  EXPECT_TRUE(instance.Listen());  // the program starts, unguarded
  QCoreApplication::processEvents();
  EXPECT_FALSE(decoy.hasPendingConnections());
  EXPECT_FALSE(shared_decoy.hasPendingConnections());
  struct stat st {};
  ASSERT_EQ(lstat(QFile::encodeName(socket).constData(), &st), 0);
  EXPECT_EQ(st.st_uid, kOther);

  // A folder of the user's own that others may enter is no better.
  ASSERT_EQ(chown(QFile::encodeName(foreign).constData(), geteuid(), getegid()), 0);
  ASSERT_EQ(chmod(QFile::encodeName(foreign).constData(), 0755), 0);
  EXPECT_TRUE(TSingleInstance::SocketFolder().isEmpty());

  if (saved_tmpdir.isNull()) qunsetenv("TMPDIR"); else qputenv("TMPDIR", saved_tmpdir);
  if (saved_runtime.isNull()) qunsetenv("XDG_RUNTIME_DIR"); else qputenv("XDG_RUNTIME_DIR", saved_runtime);
}

TEST(SingleInstanceTest, TheProgramStartedTwiceOpensNoFileTheSecondTime) {
  const QString jotlist = QFileInfo(QStringLiteral(JLISTDB_PATH)).dir().filePath("../../app/jotlist");
  if (!QFile::exists(jotlist)) GTEST_SKIP() << "the program is not built";
  // Each copy runs from its own folder under one file name, so they meet, and the files
  // the second would open are in a folder of their own.
  QTemporaryDir first_dir;
  QTemporaryDir second_dir;
  const QString name = QString("jl-%1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(QFile::copy(jotlist, first_dir.filePath(name)));
  ASSERT_TRUE(QFile::copy(jotlist, second_dir.filePath(name)));
  for (const QTemporaryDir* dir : {&first_dir, &second_dir}) {
    QFile::setPermissions(dir->filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(first_dir.filePath(name), {});
  ASSERT_TRUE(first.waitForStarted());
  // The first copy has started once its task files exist.
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(first_dir.filePath("JLIST.CDX")); }, 20000));

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(second_dir.filePath(name), {});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(QFile::exists(second_dir.filePath("JLIST.DBF")));
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished();
}

TEST_F(MainScreenTest, BringToFrontRestoresAMinimisedWindow) {
  NoReminder();
  TMainScreen& w = Start();
  w.showMinimized();
  w.BringToFront();
  EXPECT_FALSE(w.isMinimized());
  EXPECT_TRUE(w.isVisible());
}

TEST_F(MainScreenTest, StartedMinimisedTheWindowIsMinimisedAfterLoading) {
  NoReminder();
  window_ = std::make_unique<TMainScreen>();
  window_->SetShowCommand(10, 7);
  window_->show();
  window_->FormActivate();
  EXPECT_TRUE(window_->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(window_->UpdateStatusPanel->isHidden());
}

}  // namespace
