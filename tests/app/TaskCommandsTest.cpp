// The main window's task commands headless: New, Edit, Clone, Delete, Done, the jump to a
// date, the date, priority, quick date and time edits, the double-click by column, the
// keys the window previews, the key word menu, the filter command with its indicator and
// the group deletion items. Message boxes are answered by a scripted responder, modal
// dialogs and pop-up menus by timers.
#include "app/MainScreen.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "app/FilterForm.h"
#include "widgets/MessageBox.h"
#include "app/TaskGridModel.h"
#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "dialogs/TaskEditor.h"
#include "widgets/BevelPanel.h"
#include "store/xbase/Table.h"
#include "tests/NextWindow.h"
#include "tests/app/MainWindowFixture.h"

namespace {

// Today is Tuesday 5 March 2024 in every test. Record order.
const std::vector<Task> kSample = {
    {"20240301", "08:00", "old task", false, "home", "B", ""},
    {"20240305", "14:30", "call Joe", false, "work Work", "A", "ring twice"},
    {"20240305", "", "done today", true, "a&b", "A", "line one\r\nline two"},
    {"20240310", "09:00", "dentist", false, "health", "C", "bring card"},
    {"", "", "someday", false, "", "", ""},
};

// A double-click as the window system delivers it: press, release, double-click,
// release.
void DoubleClick(QWidget* widget, const QPoint& pos) {
  QTest::mousePress(widget, Qt::LeftButton, {}, pos);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
  QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

// Chooses the item with `caption` in an open menu, as the user does.
void Choose(QMenu* menu, const QString& caption) {
  for (QAction* action : menu->actions()) {
    if (action->text() == caption) {
      menu->setActiveAction(action);
      QTest::keyClick(menu, Qt::Key_Return);
      return;
    }
  }
  ADD_FAILURE() << "no menu item " << caption.toStdString();
  menu->close();
}

QStringList Captions(const QMenu* menu) {
  QStringList out;
  for (const QAction* action : menu->actions()) out << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return out;
}

class TaskCommandsTest : public MainWindowFixture {
 protected:
  void Prepare(const std::vector<Task>& tasks) {
    WriteTasks(tasks);
    TPreferences preferences;
    preferences.ReindexNeeded = false;
    ASSERT_TRUE(TSettings(dir_.path() + "/").SavePreferences(preferences).ok());
  }

  TMainScreen& Start(const std::vector<Task>& tasks = kSample) {
    Prepare(tasks);
    window_ = std::make_unique<TMainScreen>();
    window_->show();
    window_->FormActivate();
    QApplication::setActiveWindow(window_.get());
    return *window_;
  }

  TMainScreen& W() { return *window_; }
  TodoTable& T() { return window_->Table(); }

  QString Current() { return T().FieldText(TodoTable::kDescript); }
  // Makes the task with `descript` current through the grid, on `column`.
  void Select(const QString& descript, int column = TaskGridModel::kTaskColumn) {
    const int row = TaskColumn().indexOf(descript);
    ASSERT_GE(row, 0) << descript.toStdString();
    W().ActiveGrid->setCurrentIndex(W().Model()->index(row, column));
    ASSERT_EQ(Current(), descript);
  }
  // The six record-bound buttons agree with each other; gives whether they show.
  bool RecordButtonsShown() {
    const bool shown = !W().Editbutton->isHidden();
    for (QToolButton* b : {W().DeleteButton, W().DoneToggleButton, W().CloneButton, W().CalendarButton,
                           W().Printbutton}) {
      EXPECT_EQ(!b->isHidden(), shown) << b->objectName().toStdString();
    }
    EXPECT_TRUE(W().Newbutton->isEnabled());
    return shown;
  }
  // A fresh look at the stored tasks, done ones and all, in record order.
  std::vector<TaskRecord> StoredRows() {
    TodoTable table;
    table.SetDirectory(dir_.path());
    EXPECT_TRUE(table.Open(false).ok());
    table.SetOrder(0);
    std::vector<TaskRecord> rows;
    for (int row = 0; row < table.ViewCount(); ++row) {
      TaskRecord out;
      EXPECT_TRUE(table.ReadRow(row, &out));
      rows.push_back(out);
    }
    return rows;
  }
  // Every record as stored: its deleted mark, each field's bytes and the note's text (the
  // note's block may move when it is put back; its text may not).
  std::vector<std::string> StoredRecords() {
    std::unique_ptr<xbase::Table> t;
    EXPECT_TRUE(xbase::Table::Open(QFile::encodeName(dir_.path() + "/JLIST.DBF").toStdString(),
                                   xbase::OpenMode::kReadOnly, &t)
                    .ok());
    std::vector<std::string> records;
    for (uint32_t recno = 1; t && recno <= t->RecordCount(); ++recno) {
      EXPECT_TRUE(t->Go(recno).ok());
      std::string record = t->Deleted() ? "*" : " ";
      for (int field = 0; field < static_cast<int>(t->fields().size()); ++field) {
        std::string note;
        if (t->fields()[field].type == xbase::FieldType::kMemo) {
          EXPECT_TRUE(t->GetMemo(field, &note).ok());
        } else {
          note = t->GetString(field);
        }
        record += "|" + note;
      }
      records.push_back(record);
    }
    return records;
  }
  QStringList Questions(const TScriptedResponder& boxes) const {
    QStringList out;
    for (const TMessageRecord& box : boxes.Messages()) {
      if (box.Icon == QMessageBox::Question) out << box.Text;
    }
    return out;
  }
  QAction* Item(QMenu* menu, const char* name) {
    auto* action = menu->findChild<QAction*>(name);
    if (!action) {
      for (QAction* a : menu->actions()) {
        if (a->objectName() == QLatin1String(name)) action = a;
      }
    }
    EXPECT_NE(action, nullptr) << name;
    return action;
  }

};

// ---------------------------------------------------------------- Delete

TEST_F(TaskCommandsTest, DeleteMovesToTheNextTaskOrThePreviousAtTheEndAndEmptiesTheList) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  ASSERT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "old task", "someday"}));

  Select("dentist");
  boxes.AnswerNo();
  EXPECT_FALSE(w.DeleteButtonClick());
  EXPECT_EQ(TaskColumn().size(), 4);
  EXPECT_EQ(Current(), "dentist");

  boxes.AnswerYes();
  EXPECT_TRUE(w.DeleteButtonClick());
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "old task", "someday"}));
  EXPECT_EQ(Current(), "old task") << "the task that followed in the current order";
  EXPECT_EQ(w.ActiveGrid->currentIndex().row(), 1);

  // The last task of the order: its predecessor becomes current.
  Select("someday");
  boxes.AnswerYes();
  EXPECT_TRUE(w.DeleteButtonClick());
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "old task"}));
  EXPECT_EQ(Current(), "old task");
  EXPECT_TRUE(RecordButtonsShown());
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "");

  Select("call Joe");
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "ring twice");
  boxes.AnswerYes();
  w.DeleteButtonClick();
  EXPECT_EQ(Current(), "old task");
  boxes.AnswerYes();
  w.DeleteButtonClick();
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_TRUE(T().AtEnd());
  EXPECT_FALSE(RecordButtonsShown());
  EXPECT_TRUE(w.ActiveNotes->isReadOnly());
  EXPECT_EQ(Questions(boxes), QStringList(5, "Delete this task? "));
  EXPECT_EQ(boxes.Count(), 5) << "no other message";

  // Marked deleted in the file; the done task, hidden all along, is untouched.
  const std::vector<TaskRecord> stored = StoredRows();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].descript, "done today");
}

TEST_F(TaskCommandsTest, DeleteAndDoneOfATaskLockedElsewhereReportAndChangeNothing) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("call Joe", TaskGridModel::kDoneColumn);
  // Another user edits the same task.
  TodoTable other;
  other.SetDirectory(dir_.path());
  ASSERT_TRUE(other.Open(false).ok());
  ASSERT_TRUE(other.GoToRecord(T().RecordNumber()).ok());
  ASSERT_TRUE(other.Edit().ok());

  boxes.AnswerYes();
  EXPECT_FALSE(w.DeleteButtonClick());
  EXPECT_EQ(boxes.Last().Text, "Error: Unable to delete");
  EXPECT_EQ(boxes.Last().Title, "Information");
  EXPECT_EQ(TaskColumn().size(), 4);
  EXPECT_EQ(Current(), "call Joe");

  w.DoneToggleButtonClick();
  EXPECT_EQ(boxes.Last().Text, "Error:Unable to save changes");
  EXPECT_FALSE(T().SuspendDisplayFields()) << "the display fields are back on after a failure";
  EXPECT_EQ(Cell(1, TaskGridModel::kDoneColumn), "N");
  EXPECT_EQ(Cell(1, TaskGridModel::kDateColumn), "05 Mar 2024");
  EXPECT_TRUE(w.Table().Editing() == false);

  other.Cancel();
  EXPECT_TRUE(other.Close().ok());
  w.DoneToggleButtonClick();
  EXPECT_EQ(TaskColumn(), QStringList({"old task", "dentist", "someday"})) << "done now, so hidden";
  EXPECT_EQ(Current(), "dentist");
  EXPECT_FALSE(T().SuspendDisplayFields());
}

// ---------------------------------------------------------------- Done, Clone

TEST_F(TaskCommandsTest, DoneTogglesBothWaysAndTheLastShownTaskLeavesAnEmptyList) {
  TScriptedResponder boxes;
  TMainScreen& w = Start({{"20240305", "", "only", false, "", "A", ""}});
  ASSERT_TRUE(RecordButtonsShown());
  w.DoneToggleButtonClick();
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_FALSE(RecordButtonsShown());

  w.ShowDoneClick();
  ASSERT_EQ(w.Model()->rowCount(), 1);
  EXPECT_TRUE(RecordButtonsShown());
  EXPECT_EQ(Cell(0, TaskGridModel::kDoneColumn), "Y");
  w.DoneToggleButtonClick();
  EXPECT_EQ(Cell(0, TaskGridModel::kDoneColumn), "N");
  EXPECT_EQ(Cell(0, TaskGridModel::kDateColumn), "05 Mar 2024") << "display fields computed again";
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, CloneOfADoneTaskIsAnUndoneCopyWithoutPriority) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.ShowDoneClick();
  Select("done today");

  boxes.AnswerNo();
  w.CloneButtonClick();
  EXPECT_EQ(w.Model()->rowCount(), 5);
  EXPECT_EQ(Current(), "done today");

  boxes.AnswerYes();
  w.CloneButtonClick();
  EXPECT_EQ(Questions(boxes), QStringList({"Clone this task?", "Clone this task?"}));
  EXPECT_EQ(boxes.Messages()[0].Title, "Jotlist");
  ASSERT_EQ(w.Model()->rowCount(), 6);
  // The clone is the current task, at its place in record order: the end.
  EXPECT_EQ(w.ActiveGrid->currentIndex().row(), 5);
  EXPECT_EQ(Current(), "done today");
  EXPECT_FALSE(T().FieldBool(TodoTable::kDone));
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "line one\nline two");
  EXPECT_EQ(Cell(5, TaskGridModel::kPriorityColumn), "");
  EXPECT_EQ(Cell(5, TaskGridModel::kDoneColumn), "N");

  const std::vector<TaskRecord> stored = StoredRows();
  ASSERT_EQ(stored.size(), 6u);
  const TaskRecord& original = stored[2];
  const TaskRecord& clone = stored[5];
  EXPECT_EQ(clone.descript, original.descript);
  EXPECT_EQ(clone.date, original.date);
  EXPECT_EQ(clone.time, original.time);
  EXPECT_EQ(clone.keys, original.keys);
  EXPECT_EQ(clone.priority, "");
  EXPECT_TRUE(original.done);
  EXPECT_FALSE(clone.done);
  EXPECT_TRUE(RecordButtonsShown());

  // Hiding done tasks again keeps the clone and drops the original.
  w.ShowDoneClick();
  EXPECT_EQ(TaskColumn().count("done today"), 1);
}

// ---------------------------------------------------------------- one-field edits

TEST_F(TaskCommandsTest, QuickDatesPriorityAndClearDateStoreOneFieldEach) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  Select("someday");
  const QString keys_before = T().FieldText(TodoTable::kKeys);

  const std::vector<std::pair<const char*, const char*>> quick = {
      {"Today", "20240305"},         {"Tomorrow", "20240306"},          {"TodayPlus6", "20240311"},
      {"WeekFromToday", "20240312"}, {"WeekFromTommorrow", "20240313"}, {"Week2", "20240314"},
      {"Week6", "20240318"},         {"TwoWeeksFromToday", "20240319"}, {"ThreeWeeksFromToday", "20240326"},
      {"ThirtyDaysFromToday", "20240404"}};
  for (const auto& [name, stored] : quick) {
    Item(w.QuickDateMenu, name)->trigger();
    EXPECT_EQ(T().FieldText(TodoTable::kDate), stored) << name;
    EXPECT_EQ(Current(), "someday") << name;
  }
  EXPECT_EQ(Cell(3, TaskGridModel::kDateColumn), "04 Apr 2024");
  Item(w.QuickDateMenu, "WeekFromTommorrow")->trigger();
  EXPECT_TRUE(Item(w.QuickDateMenu, "WeekFromTommorrow")->text().startsWith("A Week From Tomorrow\t"));
  EXPECT_EQ(Item(w.QuickDateMenu, "Week2")->text(), "A Week from Thursday\t03/14/2024");
  Item(w.QuickDateMenu, "QuickDateCancel1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kDate), "20240313");

  Item(w.PriorityColumnMenu, "HighPriority1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kPriority), "A");
  EXPECT_EQ(Cell(3, TaskGridModel::kPriorityColumn), "High");
  Item(w.PriorityColumnMenu, "MediumPriority1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kPriority), "B");
  Item(w.PriorityColumnMenu, "LowPriority1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kPriority), "C");
  EXPECT_EQ(Cell(3, TaskGridModel::kPriorityColumn), "Low");
  Item(w.PriorityColumnMenu, "PriorityCancel1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kPriority), "C");

  Item(w.DateColumnMenu, "ClearDate1")->trigger();
  EXPECT_EQ(T().FieldText(TodoTable::kDate), "");
  EXPECT_EQ(Cell(3, TaskGridModel::kDateColumn), "");
  Item(w.DateColumnMenu, "DateCancel1")->trigger();

  // Nothing else of the task changed, and nothing was asked or reported.
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), keys_before);
  EXPECT_EQ(T().FieldText(TodoTable::kDescript), "someday");
  EXPECT_EQ(boxes.Count(), 0);
  const std::vector<TaskRecord> stored = StoredRows();
  EXPECT_EQ(stored[4].priority, "C");
  EXPECT_EQ(stored[4].date, "");
}

TEST_F(TaskCommandsTest, ADateEditThatTakesTheLastTaskOutOfTheFilterHidesTheButtons) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.FilterState().DateFilterIndex = 1;  // today
  w.SetUpFilter();
  ASSERT_EQ(TaskColumn(), QStringList({"call Joe"}));
  Item(w.QuickDateMenu, "Tomorrow")->trigger();
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_FALSE(RecordButtonsShown());

  // The same through an in-place edit of the task text under a text filter.
  w.FilterState().DateFilterIndex = 0;
  w.FilterState().TaskFilterText = "dent";
  w.SetUpFilter();
  ASSERT_EQ(TaskColumn(), QStringList({"dentist"}));
  ASSERT_TRUE(RecordButtonsShown());
  ASSERT_TRUE(w.Model()->setData(w.Model()->index(0, TaskGridModel::kTaskColumn), "doctor"));
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_FALSE(RecordButtonsShown());
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, DateColumnCalendarStartsAtTheTasksDateOrToday) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("dentist");
  QDate shown;
  {
    auto dialog = OnModal<TDateSelector>([&](TDateSelector* d) {
      shown = d->SelectedDate();
      d->SetSelectedDate(QDate(2024, 12, 24));
      d->OKButton->click();
    });
    Item(w.DateColumnMenu, "DateCalendar1")->trigger();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(shown, QDate(2024, 3, 10));
  EXPECT_EQ(T().FieldText(TodoTable::kDate), "20241224");

  // Cancel keeps the date.
  {
    auto dialog = OnModal<TDateSelector>([](TDateSelector* d) {
      d->SetSelectedDate(QDate(2025, 1, 1));
      d->CancelButton->click();
    });
    Item(w.DateColumnMenu, "DateCalendar1")->trigger();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(T().FieldText(TodoTable::kDate), "20241224");

  // No date, or one that is no date at all: the selector starts at today.
  Select("someday");
  for (const char* stored : {"", "2024x3y1"}) {
    ASSERT_TRUE(T().Edit().ok());
    EXPECT_TRUE(T().SetFieldText(TodoTable::kDate, stored).ok());
    ASSERT_TRUE(T().Post().ok());
    Select("someday");
    auto dialog = OnModal<TDateSelector>([&](TDateSelector* d) {
      shown = d->SelectedDate();
      d->CancelButton->click();
    });
    Item(w.DateColumnMenu, "DateCalendar1")->trigger();
    ASSERT_TRUE(dialog->Seen());
    EXPECT_EQ(shown, QDate(2024, 3, 5)) << stored;
    EXPECT_EQ(T().FieldText(TodoTable::kDate), stored);
  }
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, QuickTimeStartsAtTheStoredTimeAndStoresTheChosenOne) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("call Joe", TaskGridModel::kTimeColumn);
  QTime shown;
  {
    auto dialog = OnModal<TSetTimeDialog>([&](TSetTimeDialog* d) {
      shown = d->SelectedTime();
      QTest::mouseClick(d->HourCell(9), Qt::LeftButton);
      QTest::mouseClick(d->MinuteCell(5), Qt::LeftButton);
      d->OKButton->click();
    });
    w.ActiveGridDblClick();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(shown, QTime(14, 30));
  EXPECT_EQ(T().FieldText(TodoTable::kTime), "09:05");
  EXPECT_EQ(Cell(1, TaskGridModel::kTimeColumn), " 09:05am");

  {
    auto dialog = OnModal<TSetTimeDialog>([](TSetTimeDialog* d) {
      QTest::mouseClick(d->HourCell(23), Qt::LeftButton);
      d->CancelButton->click();
    });
    w.DoQuickTime();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(T().FieldText(TodoTable::kTime), "09:05");

  // An afternoon time goes through the short time text and back as 24-hour time.
  Select("someday");
  {
    auto dialog = OnModal<TSetTimeDialog>([](TSetTimeDialog* d) {
      QTest::mouseClick(d->HourCell(23), Qt::LeftButton);
      QTest::mouseClick(d->MinuteCell(59), Qt::LeftButton);
      d->OKButton->click();
    });
    w.DoQuickTime();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(T().FieldText(TodoTable::kTime), "23:59");
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- jump to a date

TEST_F(TaskCommandsTest, CalendarJumpFindsTheFirstTaskOnOrAfterTheDateAndKeepsTheOrder) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  const QStringList order = TaskColumn();
  const auto jump = [&](const QDate& date, bool ok) {
    QDate shown;
    auto dialog = OnModal<TDateSelector>([&](TDateSelector* d) {
      shown = d->SelectedDate();
      d->SetSelectedDate(date);
      (ok ? d->OKButton : d->CancelButton)->click();
    });
    w.CalendarButtonClick();
    EXPECT_TRUE(dialog->Seen());
    EXPECT_EQ(shown, QDate(2024, 3, 5)) << "the selector starts at today";
  };

  jump(QDate(2024, 3, 6), true);
  EXPECT_EQ(Current(), "dentist");
  EXPECT_EQ(TaskColumn(), order) << "the order in force stays";
  EXPECT_EQ(w.Table().TagName(T().CurrentOrder()), "DESCRIPT");
  EXPECT_EQ(w.ActiveGrid->currentIndex().row(), order.indexOf("dentist"));

  // A date with tasks: the earliest of that day; undated tasks are never found.
  jump(QDate(2024, 3, 5), true);
  EXPECT_EQ(Current(), "call Joe");
  jump(QDate(1990, 1, 1), true);
  EXPECT_EQ(Current(), "old task");

  jump(QDate(2024, 3, 1), false);
  EXPECT_EQ(Current(), "old task") << "Cancel stays put";

  // Past every task's date: the latest task.
  jump(QDate(2030, 1, 1), true);
  EXPECT_EQ(Current(), "dentist");
  EXPECT_TRUE(RecordButtonsShown());
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- double-click

TEST_F(TaskCommandsTest, DoubleClickActsByColumn) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  const QTableView* grid = w.ActiveGrid;
  const auto double_click = [&](int row, int column) {
    DoubleClick(grid->viewport(), grid->visualRect(w.Model()->index(row, column)).center());
  };

  double_click(1, TaskGridModel::kPriorityColumn);
  EXPECT_TRUE(w.PriorityColumnMenu->isVisible());
  EXPECT_EQ(Captions(w.PriorityColumnMenu),
            QStringList({"High Priority", "Medium Priority", "Low Priority", "-", "Cancel"}));
  w.PriorityColumnMenu->close();

  double_click(1, TaskGridModel::kDateColumn);
  EXPECT_TRUE(w.DateColumnMenu->isVisible());
  EXPECT_EQ(Captions(w.DateColumnMenu), QStringList({"Calendar", "Quick Date", "Clear Date", "-", "Cancel"}));
  // "Quick Date" opens the quick date menu.
  Item(w.DateColumnMenu, "QuickDate1")->trigger();
  w.DateColumnMenu->close();
  EXPECT_TRUE(w.QuickDateMenu->isVisible());
  EXPECT_EQ(Captions(w.QuickDateMenu).size(), 19);
  EXPECT_EQ(Captions(w.QuickDateMenu).last(), "Cancel");
  w.QuickDateMenu->close();

  {
    auto dialog = OnModal<TSetTimeDialog>([](TSetTimeDialog* d) { d->reject(); });
    double_click(1, TaskGridModel::kTimeColumn);
    EXPECT_TRUE(dialog->Seen());
  }
  {
    QStringList captions;
    auto menu = OnMenu([&](QMenu* m) {
      captions = Captions(m);
      m->close();
    });
    double_click(1, TaskGridModel::kKeysColumn);
    EXPECT_TRUE(menu->Seen());
    EXPECT_EQ(captions.mid(captions.size() - 3), QStringList({"-", "Clear Entry", "Cancel"}));
  }
  {
    QString title;
    auto dialog = OnModal<TTaskEditor>([&](TTaskEditor* d) {
      title = d->windowTitle();
      d->reject();
    });
    double_click(1, TaskGridModel::kTaskColumn);
    EXPECT_TRUE(dialog->Seen());
    EXPECT_EQ(title, "Task Editor");
  }
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), "work Work") << "closing the menus changed nothing";
  EXPECT_EQ(T().FieldText(TodoTable::kTime), "14:30");

  double_click(1, TaskGridModel::kDoneColumn);
  EXPECT_EQ(TaskColumn(), QStringList({"old task", "dentist", "someday"}));
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, DoubleClickInTheNotesRunsDoneOrEditByTheGridColumn) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("old task", TaskGridModel::kDoneColumn);
  DoubleClick(w.ActiveNotes->viewport(), QPoint(10, 10));
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "someday"}));

  w.ActiveGrid->setCurrentIndex(w.Model()->index(0, TaskGridModel::kDateColumn));
  auto dialog = OnModal<TTaskEditor>([](TTaskEditor* d) { d->reject(); });
  DoubleClick(w.ActiveNotes->viewport(), QPoint(10, 10));
  EXPECT_TRUE(dialog->Seen());
  EXPECT_EQ(w.Model()->rowCount(), 3);

  // With nothing in the list a double-click does nothing.
  w.FilterState().TaskFilterText = "nothing like it";
  w.SetUpFilter();
  ASSERT_TRUE(T().AtEnd());
  auto none = OnModal<TTaskEditor>([](TTaskEditor* d) { d->reject(); });
  DoubleClick(w.ActiveNotes->viewport(), QPoint(10, 10));
  EXPECT_FALSE(QTest::qWaitFor([&none] { return none->Seen(); }, 20));
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- keys

TEST_F(TaskCommandsTest, DeleteKeyInTheNotesAsksForTheTaskAndNeverEditsAnotherNote) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  Select("call Joe");
  w.ActiveNotes->setFocus();
  w.ActiveNotes->moveCursor(QTextCursor::Start);

  // No: the task stays and the key deletes a character, as typed.
  boxes.AnswerNo();
  QTest::keyClick(w.ActiveNotes, Qt::Key_Delete);
  EXPECT_EQ(Questions(boxes), QStringList({"Delete this task? "}));
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "ing twice");
  EXPECT_EQ(TaskColumn().size(), 4);

  // Yes: the task goes, the note being typed is not stored anywhere else, and the next
  // task's note is left alone.
  boxes.AnswerYes();
  QTest::keyClick(w.ActiveNotes, Qt::Key_Delete);
  EXPECT_EQ(TaskColumn(), QStringList({"dentist", "old task", "someday"}));
  EXPECT_EQ(Current(), "dentist");
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "bring card");
  w.ActiveGrid->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(T().Memo(TodoTable::kNote), "bring card");
  for (const TaskRecord& row : StoredRows()) EXPECT_NE(row.descript, "call Joe");

  // With nothing in the list the key asks nothing.
  w.FilterState().TaskFilterText = "nothing like it";
  w.SetUpFilter();
  boxes.Clear();
  w.ActiveNotes->setFocus();
  QTest::keyClick(w.ActiveNotes, Qt::Key_Delete);
  QTest::keyClick(w.ActiveGrid, Qt::Key_Delete);
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, InsertAndKeypadPlusAddTasksWithoutTypingIntoTheNotes) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("dentist");
  w.ActiveNotes->setFocus();
  w.ActiveNotes->moveCursor(QTextCursor::End);
  {
    auto dialog = OnModal<TTaskEditor>([](TTaskEditor* d) {
      d->findChild<QLineEdit*>("Task")->setText("from the keypad");
      d->findChild<QPushButton*>("OKButton")->click();
    });
    QTest::keyClick(w.ActiveNotes, Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(TaskColumn().size(), 5);
  EXPECT_EQ(Current(), "from the keypad");
  EXPECT_EQ(w.ActiveNotes->toPlainText(), "") << "the + went nowhere";
  EXPECT_TRUE(RecordButtonsShown());
  w.ActiveGrid->setFocus();
  QCoreApplication::processEvents();
  for (const TaskRecord& row : StoredRows()) EXPECT_FALSE(row.descript.contains('+'));
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, InsertOnAnEmptyListAddsATaskAndShowsTheRecordButtons) {
  TScriptedResponder boxes;
  TMainScreen& w = Start({});
  ASSERT_FALSE(RecordButtonsShown());
  w.ActiveGrid->setFocus();
  {
    auto dialog = OnModal<TTaskEditor>([](TTaskEditor* d) {
      d->findChild<QLineEdit*>("Task")->setText("first");
      d->findChild<QLineEdit*>("KeyWords")->setText("alpha  beta");
      d->findChild<QPushButton*>("OKButton")->click();
    });
    QTest::keyClick(w.ActiveGrid, Qt::Key_Insert);
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(TaskColumn(), QStringList({"first"}));
  EXPECT_EQ(Current(), "first");
  EXPECT_TRUE(RecordButtonsShown());
  EXPECT_FALSE(w.ActiveNotes->isReadOnly());
  EXPECT_EQ(w.KeyWordList().Words(), QStringList({"alpha", "beta"}));

  // Cancelled, the editor adds nothing.
  {
    auto dialog = OnModal<TTaskEditor>([](TTaskEditor* d) {
      d->findChild<QLineEdit*>("Task")->setText("second");
      d->findChild<QPushButton*>("CancelButton")->click();
    });
    w.Newbutton->click();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(TaskColumn(), QStringList({"first"}));
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, EnterInTheGridEditsAndAltXCloses) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  Select("dentist");
  w.ActiveGrid->setFocus();
  {
    QString description;
    auto dialog = OnModal<TTaskEditor>([&](TTaskEditor* d) {
      description = d->findChild<QLineEdit*>("Task")->text();
      d->reject();
    });
    QTest::keyClick(w.ActiveGrid, Qt::Key_Return);
    ASSERT_TRUE(dialog->Seen());
    EXPECT_EQ(description, "dentist") << "the editor shows the current task";
  }
  // Enter elsewhere is no command.
  {
    auto dialog = OnModal<TTaskEditor>([](TTaskEditor* d) { d->reject(); });
    w.ActiveNotes->setFocus();
    QTest::keyClick(w.ActiveNotes, Qt::Key_Return);
    EXPECT_FALSE(QTest::qWaitFor([&dialog] { return dialog->Seen(); }, 20));
  }

  ASSERT_TRUE(w.ExitButton->isVisible());
  ASSERT_TRUE(w.isVisible());
  // The window system gives the activation back once the editor has gone.
  QApplication::setActiveWindow(&w);
  w.ActiveGrid->setFocus();
  QTest::keyClick(w.ActiveGrid, Qt::Key_X, Qt::AltModifier);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(T().Active()) << "closed like any other close";
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- key word menu

TEST_F(TaskCommandsTest, KeyWordMenuAppendsClearsAndCutsToTheFieldWidth) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  ASSERT_EQ(w.KeyWordList().Words(), QStringList({"home", "work", "a&b", "health"}));
  const auto choose = [&](const QString& caption) {
    QStringList captions;
    auto menu = OnMenu([&](QMenu* m) {
      captions = Captions(m);
      Choose(m, caption);
    });
    w.DoKeyListMenu(w.mapToGlobal(QPoint(20, 20)));
    EXPECT_TRUE(menu->Seen());
    return captions;
  };

  Select("someday", TaskGridModel::kKeysColumn);
  const QStringList captions = choose("health");
  // A word with an ampersand is shown as it is, not as a mnemonic.
  EXPECT_EQ(captions, QStringList({"home", "work", "a&&b", "health", "-", "Clear Entry", "Cancel"}));
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), "health");
  choose("a&&b");
  choose("health");
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), "health a&b health") << "appended even when present";
  EXPECT_EQ(Cell(3, TaskGridModel::kKeysColumn), "health a&b health");
  choose("Cancel");
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), "health a&b health");

  choose("Clear Entry");
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), "");
  EXPECT_EQ(w.KeyWordList().size(), 4) << "the words stay in the list";

  // 58 characters and a word: the first 60 characters are stored.
  const QString long_keys = QString(56, 'k') + " x";
  ASSERT_EQ(long_keys.size(), 58);
  ASSERT_TRUE(T().Edit().ok());
  EXPECT_TRUE(T().SetFieldText(TodoTable::kKeys, long_keys).ok());
  ASSERT_TRUE(T().Post().ok());
  choose("health");
  EXPECT_EQ(T().FieldText(TodoTable::kKeys), (long_keys + " health").left(60));
  EXPECT_EQ(T().FieldText(TodoTable::kKeys).size(), 60);
  EXPECT_EQ(Current(), "someday");
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(TaskCommandsTest, KeyWordMenuOfAnEmptyTableHasOnlyItsFixedItems) {
  TScriptedResponder boxes;
  TMainScreen& w = Start({});
  QStringList captions;
  auto menu = OnMenu([&](QMenu* m) {
    captions = Captions(m);
    Choose(m, "Clear Entry");
  });
  w.DoKeyListMenu(w.mapToGlobal(QPoint(20, 20)));
  ASSERT_TRUE(menu->Seen());
  EXPECT_EQ(captions, QStringList({"-", "Clear Entry", "Cancel"}));
  EXPECT_EQ(w.Model()->rowCount(), 0) << "no task, nothing changed";
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- filter

TEST_F(TaskCommandsTest, FilterCommandThroughTheDialogOkCancelAndReset) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  const auto radio = [](QWidget* form, const char* group, int index) {
    return form->findChild<QWidget*>(group)->findChildren<QRadioButton*>().at(index);
  };
  // Ok: date "Next 7 Days", key words "health, WORK", task text "e".
  {
    QString key_word_menu;
    auto dialog = OnModal<TFilterForm>([&](TFilterForm* f) {
      radio(f, "DateFilter", 3)->click();
      f->findChild<QLineEdit*>("KeyWords")->setText("health, WORK");
      f->findChild<QLineEdit*>("TaskFilter")->setText("e");
      key_word_menu = Captions(f->findChild<QMenu*>("KeyListMenu")).join(',');
      f->findChild<QPushButton*>("OKButton")->click();
    });
    w.FilterbuttonClick();
    ASSERT_TRUE(dialog->Seen());
    EXPECT_EQ(key_word_menu, "home,work,a&&b,health");
  }
  EXPECT_EQ(w.FilterState().DateFilterIndex, 3);
  EXPECT_EQ(w.FilterState().KeysFilterText, "health, WORK");
  EXPECT_EQ(T().CurrentFilter(),
            "(DATE >=\"20240305\" and DATE <=\"20240312\").and.(.not.DONE).and.(\"HEALTH\"$UPPER(KEYS).or."
            "\"WORK\"$UPPER(KEYS)).and.(\"E\"$upper(DESCRIPT))");
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist"}));
  EXPECT_FALSE(w.FilterClearbutton->isHidden());
  EXPECT_EQ(w.FilterClearbutton->text(), "   FILTERED [click to clear]");

  // Cancel: the dialog shows the state, and nothing changes.
  {
    int shown_date = -1;
    auto dialog = OnModal<TFilterForm>([&](TFilterForm* f) {
      shown_date = f->DateIndex();
      radio(f, "PriorityFilter", 1)->click();
      f->findChild<QPushButton*>("CancelButton")->click();
    });
    w.FilterbuttonClick();
    ASSERT_TRUE(dialog->Seen());
    EXPECT_EQ(shown_date, 3);
  }
  EXPECT_EQ(w.FilterState().PriorityFilterIndex, 0);
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist"}));

  // Reset: takes effect at once and keeps the task text.
  {
    auto dialog = OnModal<TFilterForm>([](TFilterForm* f) {
      f->findChild<QPushButton*>("ResetButton")->click();
    });
    w.FilterbuttonClick();
    ASSERT_TRUE(dialog->Seen());
  }
  EXPECT_EQ(w.FilterState().DateFilterIndex, 0);
  EXPECT_EQ(w.FilterState().KeysFilterText, "");
  EXPECT_EQ(w.FilterState().TaskFilterText, "e");
  EXPECT_EQ(T().CurrentFilter(), "(.not.DONE).and.(\"E\"$upper(DESCRIPT))");
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "someday"}));
  EXPECT_FALSE(w.FilterClearbutton->isHidden()) << "the task text is still a filter";

  // The indicator's click clears the criteria; hidden done tasks stay hidden.
  w.FilterClearbutton->click();
  EXPECT_TRUE(w.FilterClearbutton->isHidden());
  EXPECT_EQ(w.FilterState().TaskFilterText, "");
  EXPECT_EQ(T().CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(TaskColumn().size(), 4);
  EXPECT_EQ(boxes.Count(), 0);
}

// ---------------------------------------------------------------- group deletion items

TEST_F(TaskCommandsTest, DeleteSubmenuOffersTheFiveGroupDeletions) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  QStringList names;
  for (const QAction* action : w.DeleteMenu->actions()) names << action->objectName() + "=" + action->text();
  EXPECT_EQ(names, QStringList({"AllMarkedDone1=All Marked Done", "AllWithDatesBeforeToday1=All With Dates Before Today",
                                "AllTasksMatchingCurrentFilter1=All Tasks Matching Current Filter",
                                "AllTasksNOTMatchingCurrentFilter1=All Tasks NOT Matching Current Filter",
                                "AllTasks1=All Tasks"}));
  EXPECT_EQ(w.DeleteMenu->title(), "Delete");

  boxes.AnswerYes();
  w.AllWithDatesBeforeToday1->trigger();
  EXPECT_EQ(boxes.Last().Text, "All tasks with dates before today have been deleted (1 records)");
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "someday"}));

  w.FilterState().PriorityFilterIndex = 1;
  w.SetUpFilter();
  boxes.AnswerYes();
  w.AllTasksNOTMatchingCurrentFilter1->trigger();
  EXPECT_EQ(boxes.Last().Text, "All tasks NOT matching filter have been deleted\r(3 records)");
  EXPECT_EQ(TaskColumn(), QStringList({"call Joe"}));

  boxes.AnswerYes();
  w.AllTasksMatchingCurrentFilter1->trigger();
  EXPECT_EQ(boxes.Last().Text,
            "All tasks matching filter have been deleted\r(1 records)\rFILTER WILL NOW BE CLEARED");
  EXPECT_TRUE(w.FilterClearbutton->isHidden());
  EXPECT_EQ(w.Model()->rowCount(), 0);
  EXPECT_FALSE(RecordButtonsShown());

  // With deletions to undo, the user first hears that the history ends here.
  boxes.AnswerYes();
  boxes.AnswerYes();
  w.AllTasks1->trigger();
  ASSERT_GE(Questions(boxes).size(), 2);
  EXPECT_TRUE(Questions(boxes)[Questions(boxes).size() - 2].startsWith("Deleting all tasks cannot be undone"));
  EXPECT_EQ(Questions(boxes).last(), "CONFIRM: Delete ALL tasks?");
  EXPECT_FALSE(w.UndoHistory().CanUndo());
  EXPECT_EQ(boxes.Last().Text, "Done!");
  EXPECT_EQ(T().RecordCount(), 0u);
  EXPECT_FALSE(T().Exclusive());
  EXPECT_TRUE(w.mainmnuSortDateTime->isChecked());
  EXPECT_FALSE(RecordButtonsShown());
}

// ---------------------------------------------------------------- undo

// Each one-field command, Done, Clone, a key word, a cell and a note, made in a sorted list
// that hides done tasks: undone, the stored records are as before (fields and notes) and
// the task is current again where it passes the filter; done again, as after the command.
TEST_F(TaskCommandsTest, EveryChangeIsUndoneAndDoneAgainInASortedFilteredList) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.SortByTag("DESCRIPT");
  ASSERT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "old task", "someday"}));
  // Undone, a task the step added stays in the file as a deleted record.
  const auto as_before = [](std::vector<std::string> now, const std::vector<std::string>& before) {
    while (now.size() > before.size() && now.back().front() == '*') now.pop_back();
    return now == before;
  };
  const auto round_trip = [&](const QString& task, const QString& step, const std::function<void()>& change) {
    SCOPED_TRACE(step.toStdString());
    Select(task);
    const std::vector<std::string> before = StoredRecords();
    change();
    ASSERT_TRUE(w.PostNotes());  // a cell or note typed into is stored as its own step
    const std::vector<std::string> after = StoredRecords();
    ASSERT_NE(after, before);
    ASSERT_TRUE(w.Undo1->isEnabled());
    EXPECT_EQ(w.Undo1->text(), "&Undo " + step);
    w.Undo1->trigger();
    EXPECT_TRUE(as_before(StoredRecords(), before));
    if (step != "Clone") {
      EXPECT_EQ(Current(), task);
    }
    EXPECT_EQ(w.Redo1->text(), "Re&do " + step);
    w.Redo1->trigger();
    EXPECT_EQ(StoredRecords(), after);
    w.Undo1->trigger();
    EXPECT_TRUE(as_before(StoredRecords(), before));
    EXPECT_EQ(TaskColumn(), QStringList({"call Joe", "dentist", "old task", "someday"}));
  };
  round_trip("call Joe", "Done", [&] { w.DoneToggleButtonClick(); });
  round_trip("dentist", "Clone", [&] {
    boxes.AnswerYes();
    w.CloneButtonClick();
  });
  round_trip("someday", "Date", [&] { Item(w.QuickDateMenu, "Tomorrow")->trigger(); });
  round_trip("dentist", "Date", [&] { Item(w.DateColumnMenu, "ClearDate1")->trigger(); });
  round_trip("old task", "Priority", [&] { Item(w.PriorityColumnMenu, "HighPriority1")->trigger(); });
  round_trip("someday", "Key Words", [&] {
    Select("someday", TaskGridModel::kKeysColumn);
    auto menu = OnMenu([](QMenu* m) { Choose(m, "health"); });
    w.DoKeyListMenu(w.mapToGlobal(QPoint(20, 20)));
  });
  round_trip("old task", "Cell Edit", [&] {
    const int row = TaskColumn().indexOf("old task");
    ASSERT_TRUE(w.Model()->setData(w.Model()->index(row, TaskGridModel::kTaskColumn), "old task renamed", Qt::EditRole));
  });
  round_trip("dentist", "Note", [&] {
    w.ActiveNotes->setFocus();
    QTest::keyClicks(w.ActiveNotes, " and the form");
  });
  EXPECT_EQ(boxes.Count(), 1) << "only the Clone question";
}

}  // namespace
