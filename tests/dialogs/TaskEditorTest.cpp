#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QCheckBox>
#include <QColor>
#include <QPalette>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "core/KeyWordList.h"
#include "widgets/MessageBox.h"
#include "dialogs/CallTaskEdit.h"
#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "dialogs/TaskEditor.h"
#include "store/IndexRebuild.h"
#include "store/TodoTable.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/UnstorableText.h"
#include "tests/NextWindow.h"

namespace {

class TableHost : public TodoTableHost {
 public:
  void InfoBox(const QString& message) override { ::InfoBox(message); }
  void UpdateStatus(const QString&) override {}
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override { return IndexRebuild(table).Run(pack_first).ok(); }
};

struct Task {
  QString date;
  QString time;
  QString descript;
  QString keys;
  QString note;
  QString priority = QStringLiteral("B");
  bool done = false;
};

// Puts the dialog in the foreground, so that focus moves and shortcuts work off screen.
void Activate(QWidget& dialog) {
  QApplication::setActiveWindow(&dialog);
  dialog.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

class TaskEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_settings_ = FormatSettings();
    saved_user_ = UserDateFormats();
    SetTodayForTests(QDate(2024, 3, 5));  // a Tuesday
    UseUserFormats(QStringLiteral("m/d/yyyy"), QLatin1Char('/'), QStringLiteral("h:mm AMPM"));
    ASSERT_TRUE(dir_.isValid());
    table_.SetDirectory(dir_.path());
    table_.SetHost(&host_);
    ASSERT_TRUE(table_.OpenTaskFiles(false));
  }
  void TearDown() override {
    EXPECT_TRUE(table_.Close().ok());
    FormatSettings() = saved_settings_;
    UserDateFormats() = saved_user_;
    SetTodayForTests(QDate());
  }

  // The user's own formats, as start-up captures them (short date widened to yyyy).
  static void UseUserFormats(const QString& shortDate, QChar separator, const QString& shortTime) {
    UserDateFormats() = {WidenShortDateFormat(shortDate, separator), separator, QLatin1Char(':'),
                         QStringLiteral("AM"), QStringLiteral("PM")};
    FormatSettings().ShortTimeFormat = shortTime;
    UseWorkingDateFormats();
  }

  uint32_t AddTask(const Task& t) {
    EXPECT_TRUE(table_.Append().ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kDate, t.date).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kTime, t.time).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kDescript, t.descript).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kKeys, t.keys).ok());
    EXPECT_TRUE(table_.SetMemo(TodoTable::kNote, t.note).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kPriority, t.priority).ok());
    EXPECT_TRUE(table_.SetFieldBool(TodoTable::kDone, t.done).ok());
    EXPECT_TRUE(table_.Post().ok());
    return table_.RecordNumber();
  }

  // Runs CallTaskEdit while `script` works the editor. A script that leaves the editor open
  // (a failed assertion) has it closed after a while, so the test fails instead of hanging.
  TTaskEditResult Edit(TTaskEditMode mode, std::function<void(TTaskEditor&)> script) {
    const auto editor = OnModal<TTaskEditor>([&script](TTaskEditor* e) { script(*e); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      ADD_FAILURE() << "the editor was left open";
      while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->done(-1);
    });
    watchdog.start(10000);
    const TTaskEditResult result = CallTaskEdit(mode, table_, words_, nullptr);
    EXPECT_TRUE(editor->Seen()) << "the editor never showed";
    return result;
  }

  static void ExpectWorkingFormatsInForce() {
    EXPECT_EQ(FormatSettings().ShortDateFormat, "mm/dd/yyyy");
    EXPECT_EQ(FormatSettings().DateSeparator, QLatin1Char('/'));
  }

  QTemporaryDir dir_;
  TableHost host_;
  TodoTable table_;
  TKeyWordList words_;
  TScriptedResponder boxes_;

 private:
  TFormatSettings saved_settings_;
  TDateFormatSet saved_user_;
};

TEST_F(TaskEditorTest, DialogLayoutTabOrderAndTexts) {
  TTaskEditor editor({});
  EXPECT_EQ(editor.windowTitle(), "Task Editor");
  EXPECT_EQ(editor.size(), QSize(392, 376));
  EXPECT_TRUE(HasFixedDialogFrame(&editor));
  EXPECT_EQ(editor.font().pixelSize(), 11);
  EXPECT_EQ(editor.Task->maxLength(), 50);
  EXPECT_TRUE(editor.pMedium->isChecked());
  for (const QWidget* control : editor.findChildren<QWidget*>()) {
    if (control->isWindow()) continue;  // the pop-up menus
    EXPECT_TRUE(editor.rect().contains(control->mapTo(&editor, control->rect().bottomRight())))
        << control->objectName().toStdString() << " runs outside the dialog";
  }

  // The focus chain holds the fields in order, then the quick time and calendar buttons;
  // the key word and quick date buttons are never reached.
  QStringList order;
  QWidget* w = editor.Task;
  do {
    if (!w->isWindow() && (w->focusPolicy() & Qt::TabFocus)) order << w->objectName();
    w = w->nextInFocusChain();
  } while (w != editor.Task);
  EXPECT_EQ(order, QStringList({"Task", "IsDone", "KeyWords", "DateEdit", "TimeEdit", "pHigh", "pMedium", "pLow",
                                "Notes", "OKButton", "CancelButton", "Helpbutton", "WhatsThisButton",
                                "QuickTimeButton", "CalendarButton"}));
  EXPECT_FALSE(editor.KeyListbutton->focusPolicy() & Qt::TabFocus);
  EXPECT_FALSE(editor.QuickDateButton->focusPolicy() & Qt::TabFocus);

  EXPECT_EQ(editor.QuickTimeButton->toolTip(), "Click for Quick Time Set");
  EXPECT_EQ(editor.TimeEdit->whatsThis(), "Enter the time here (HH:MMam/pm)");
  const QStringList keyHelp = editor.KeyWords->whatsThis().split(QLatin1Char('\n'));
  ASSERT_EQ(keyHelp.size(), 5);
  EXPECT_TRUE(keyHelp[1].isEmpty() && keyHelp[3].isEmpty());
  EXPECT_TRUE(keyHelp[2].endsWith("'Joe' or \"Betty'."));
}

TEST_F(TaskEditorTest, DateAndTimeChecksFollowTheUserFormats) {
  struct Case {
    QString shortDate;  // the user's format as the locale gives it, in our letters
    QChar separator;
    QString shortTime;
    QString typedDate, shownDate;  // shown empty: refused
    QString typedTime, shownTime;
    QString dateMessage;
  };
  const Case cases[] = {
      {"d-mmm-yy", '-', "h:mm AMPM", "7-4-2024", "7-04-2024", "2:30 pm", "2:30 PM", ""},
      {"d-mmm-yy", '-', "h:mm AMPM", "7-Apr-2024", "", "14:30", "2:30 PM",
       "Please use the date format d-mm-yyyy\r   Example: 5-03-2024"},
      {"dd.mm.yy", '.', "hh:mm", "31.12.24", "31.12.2024", "9:05", "09:05", ""},
      {"dd.mm.yy", '.', "hh:mm", "31/12/2024", "", "25:00", "",
       "Please use the date format dd.mm.yyyy\r   Example: 05.03.2024"},
      {"m/d/yyyy", '/', "h:mm AMPM", "2/30/2024", "", "12:00 am", "12:00 AM",
       "Please use the date format m/d/yyyy\r   Example: 3/5/2024"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.shortDate + " " + c.typedDate + " " + c.typedTime).toStdString());
    UseUserFormats(c.shortDate, c.separator, c.shortTime);
    UserDateFormats().ShortDateFormat = ReduceShortDateFormat(UserDateFormats().ShortDateFormat);
    RestoreUserDateFormats();
    TTaskEditor editor({});
    boxes_.Clear();
    editor.DateEdit->setText(c.typedDate);
    editor.TimeEdit->setText(c.typedTime);
    editor.OKButtonClick();
    EXPECT_EQ(editor.DateEdit->text(), c.shownDate);
    EXPECT_EQ(editor.TimeEdit->text(), c.shownTime);
    const bool valid = !c.shownDate.isEmpty() && !c.shownTime.isEmpty();
    EXPECT_EQ(editor.InputValid(), valid);
    EXPECT_EQ(editor.result(), valid ? QDialog::Accepted : 0);
    QStringList texts = boxes_.Texts();
    if (!c.dateMessage.isEmpty()) {
      ASSERT_FALSE(texts.isEmpty());
      EXPECT_EQ(texts.takeFirst(), c.dateMessage);
    }
    if (c.shownTime.isEmpty()) {
      ASSERT_EQ(texts.size(), 1);
      const QString prefix = "Invalid time. Please use your Windows Time format\r   Example: ";
      EXPECT_TRUE(texts[0].startsWith(prefix)) << texts[0].toStdString();
      EXPECT_TRUE(IsValidTime(texts[0].mid(prefix.size()))) << "the example is a time in the user's format";
    } else {
      EXPECT_TRUE(texts.isEmpty());
    }
    UseWorkingDateFormats();
  }
  // Empty fields mean no date and no time.
  TTaskEditor editor({});
  editor.OKButtonClick();
  EXPECT_TRUE(editor.InputValid());
}

TEST_F(TaskEditorTest, EditShowsTheTaskInTheUserFormatsAndStoresItBack) {
  UseUserFormats("d-mmm-yy", '-', "h:mm AMPM");
  const uint32_t recno = AddTask({"20240305", "14:30", "Dentist", "Health Town", "bring card", "A", true});
  const TTaskEditResult result = Edit(TTaskEditMode::Edit, [](TTaskEditor& e) {
    EXPECT_EQ(e.TaskLabel->text(), "Editing Task");
    EXPECT_EQ(e.Task->text(), "Dentist");
    EXPECT_TRUE(e.IsDone->isChecked());
    EXPECT_EQ(e.KeyWords->text(), "Health Town");
    EXPECT_EQ(e.DateEdit->text(), "5-03-2024");  // d-MMM-yy is shown as d-mm-yyyy
    EXPECT_EQ(e.TimeEdit->text(), "2:30 PM");
    EXPECT_TRUE(e.pHigh->isChecked());
    EXPECT_EQ(e.Notes->toPlainText(), "bring card");
    EXPECT_EQ(e.DateFormat->toolTip(), "(use format d-mm-yyyy)");
    const QString timeHint = e.TimeFormat->toolTip();
    EXPECT_TRUE(timeHint.startsWith("(use format ") && timeHint.endsWith(")"));
    EXPECT_TRUE(IsValidTime(timeHint.mid(12, timeHint.size() - 13))) << timeHint.toStdString();
    // The focus lands once the window system has made the dialog active.
    Activate(e);
    EXPECT_EQ(QApplication::focusWidget(), e.Task);
    e.DateEdit->setText("7-4-24");
    e.TimeEdit->setText("9:15 am");
    e.pLow->setChecked(true);
    e.IsDone->setChecked(false);
    e.KeyWords->setText("Health Shop");
    e.OKButton->click();
  });
  EXPECT_EQ(result, TTaskEditResult::Saved);
  EXPECT_FALSE(table_.Editing());
  ASSERT_TRUE(table_.GoToRecord(recno).ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240407");
  EXPECT_EQ(table_.FieldText(TodoTable::kTime), "09:15");
  EXPECT_EQ(table_.FieldText(TodoTable::kPriority), "C");
  EXPECT_FALSE(table_.FieldBool(TodoTable::kDone));
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Dentist");
  EXPECT_EQ(words_.Words(), QStringList({"Health", "Shop"}));
  // The editor's narrowed format lived only while it was open.
  EXPECT_EQ(UserDateFormats().ShortDateFormat, "d-mmm-yyyy");
  ExpectWorkingFormatsInForce();
  EXPECT_EQ(boxes_.Count(), 0);
}

TEST_F(TaskEditorTest, EmptyDateAndTimeAreStoredEmpty) {
  const uint32_t recno = AddTask({"20240305", "08:00", "Call", "", "", "B", false});
  Edit(TTaskEditMode::Edit, [](TTaskEditor& e) {
    e.DateEdit->clear();
    e.TimeEdit->clear();
    e.OKButton->click();
  });
  ASSERT_TRUE(table_.GoToRecord(recno).ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "");
  EXPECT_EQ(table_.FieldText(TodoTable::kTime), "");
}

TEST_F(TaskEditorTest, AddModeStartsBlankAndAppends) {
  words_.BreakStringIntoWords("Work");
  const TTaskEditResult result = Edit(TTaskEditMode::Add, [](TTaskEditor& e) {
    EXPECT_EQ(e.TaskLabel->text(), "Adding Task");
    EXPECT_EQ(e.Task->text(), "{Task description}");
    EXPECT_EQ(e.Task->selectedText(), "{Task description}") << "typing replaces the placeholder";
    EXPECT_FALSE(e.IsDone->isChecked());
    EXPECT_TRUE(e.KeyWords->text().isEmpty() && e.DateEdit->text().isEmpty() && e.TimeEdit->text().isEmpty());
    EXPECT_TRUE(e.pMedium->isChecked());
    // Longer than the 60-character field: cut when stored, and the list gets the stored words.
    e.KeyWords->setText(QString(55, 'k') + " Errands");
    e.OKButton->click();
  });
  EXPECT_EQ(result, TTaskEditResult::Saved);
  EXPECT_EQ(table_.RecordCount(), 1u);
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "{Task description}");
  EXPECT_EQ(table_.FieldText(TodoTable::kPriority), "B");
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "");
  EXPECT_EQ(table_.FieldText(TodoTable::kKeys), QString(55, 'k') + " Erra");
  EXPECT_EQ(words_.Words(), QStringList({"Work", QString(55, 'k'), "Erra"}));
}

TEST_F(TaskEditorTest, TextTheCodePageCannotHoldIsNamedAndStoredAsQuestionMarksOnlyOnYes) {
  const QString typed = QString::fromUtf8("Caf\u00e9 \u2615 \u0141\u00f3d\u017a \U0001F600");
  // No keeps the dialog open on the field; the mark stays while the characters do.
  boxes_.AnswerNo();
  boxes_.AnswerYes();
  Edit(TTaskEditMode::Add, [&typed, this](TTaskEditor& e) {
    Activate(e);
    e.Notes->setPlainText(QString::fromUtf8("Caf\u00e9 \u20ac5"));  // all in the code page
    EXPECT_FALSE(IsMarkedUnstorable(e.Notes));
    const QColor plain = e.Task->palette().color(QPalette::Base);
    e.Task->clear();
    // Typed as on a Cyrillic keyboard: keys that carry the letters as their text.
    for (const QChar c : QString::fromUtf8("\u041f\u0440\u0438"))
      QTest::sendKeyEvent(QTest::Click, e.Task, Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_EQ(e.Task->text(), QString::fromUtf8("\u041f\u0440\u0438"));
    EXPECT_TRUE(IsMarkedUnstorable(e.Task));
    EXPECT_NE(e.Task->palette().color(QPalette::Base), plain);
    e.Task->clear();
    EXPECT_FALSE(IsMarkedUnstorable(e.Task));
    EXPECT_EQ(e.Task->palette().color(QPalette::Base), plain);
    e.Task->setText(typed);
    EXPECT_TRUE(IsMarkedUnstorable(e.Task));
    EXPECT_TRUE(e.Task->toolTip().contains(QString::fromUtf8("\U0001F600")));

    e.Notes->setFocus();
    QTest::mouseClick(e.OKButton, Qt::LeftButton);
    ASSERT_EQ(boxes_.Count(), 1);
    EXPECT_EQ(boxes_.Last().Text,
              QString::fromUtf8("The task file cannot hold these characters: \u2615 \u0141 \u017a \U0001F600\r"
                                "Store each of them as \"?\"?"));
    EXPECT_EQ(boxes_.Last().Title, "Jotlist");
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), e.Task);
    QTest::mouseClick(e.OKButton, Qt::LeftButton);
  });
  EXPECT_EQ(boxes_.Count(), 2);
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), QString::fromUtf8("Caf\u00e9 ? ?\u00f3d? ?"));
}

// In a table of another code page the editor asks about what that code page cannot hold.
TEST_F(TaskEditorTest, TheQuestionFollowsTheCodePageOfTheTable) {
  QTemporaryDir cyrillicDir;
  ASSERT_TRUE(cyrillicDir.isValid());
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  TodoTable cyrillic;
  cyrillic.SetDirectory(cyrillicDir.path());
  cyrillic.SetHost(&host_);
  const bool opened = cyrillic.OpenTaskFiles(false);
  QLocale::setDefault(saved);
  ASSERT_TRUE(opened);
  ASSERT_EQ(cyrillic.CodePage(), 1251);

  boxes_.AnswerYes();
  const auto editor = OnModal<TTaskEditor>([](TTaskEditor* e) {
    e->Task->setText(QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442"));
    EXPECT_FALSE(IsMarkedUnstorable(e->Task));
    e->Notes->setPlainText(QString::fromUtf8("caf\u00e9!"));
    EXPECT_TRUE(IsMarkedUnstorable(e->Notes));
    QTest::mouseClick(e->OKButton, Qt::LeftButton);
  });
  EXPECT_EQ(CallTaskEdit(TTaskEditMode::Add, cyrillic, words_, nullptr), TTaskEditResult::Saved);
  EXPECT_TRUE(editor->Seen());
  EXPECT_EQ(boxes_.Texts(),
            QStringList({QString::fromUtf8("The task file cannot hold these characters: \u00e9\rStore each of them as \"?\"?")}));
  cyrillic.First();
  EXPECT_EQ(cyrillic.FieldText(TodoTable::kDescript), QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442"));
  EXPECT_EQ(cyrillic.Memo(TodoTable::kNote), "caf?!");
  EXPECT_TRUE(cyrillic.Close().ok());
}

TEST_F(TaskEditorTest, PriorityOpensOnExactCodesOnlyAndStoresOneOfThem) {
  struct Case {
    QString stored;
    QRadioButton* TTaskEditor::*shown;
    QString saved;
  };
  const Case cases[] = {{"", &TTaskEditor::pMedium, "B"},
                        {"a", &TTaskEditor::pMedium, "B"},
                        {"A", &TTaskEditor::pHigh, "A"},
                        {"C", &TTaskEditor::pLow, "C"},
                        {"x", &TTaskEditor::pMedium, "B"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.toStdString());
    const uint32_t recno = AddTask({"", "", "task", "", "", c.stored});
    Edit(TTaskEditMode::Edit, [&c](TTaskEditor& e) {
      EXPECT_TRUE((e.*c.shown)->isChecked());
      e.OKButton->click();
    });
    ASSERT_TRUE(table_.GoToRecord(recno).ok());
    EXPECT_EQ(table_.FieldText(TodoTable::kPriority), c.saved);
  }
}

TEST_F(TaskEditorTest, NotesAreStoredWithCrLfAndPadded) {
  struct Case {
    QString typed;
    QString stored;
  };
  const Case cases[] = {
      {"abc\ndef", "abc\r\ndef "},    // 8 characters with CR LF: a blank joins the last line
      {"abc\nde", "abc\r\nde"},       // 7: unchanged
      {"ab\n", "ab \r\n"},            // 4, ending in a break: the blank goes before it
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    const uint32_t recno = AddTask({"", "", "noted", "", "old note"});
    Edit(TTaskEditMode::Edit, [&c](TTaskEditor& e) {
      EXPECT_EQ(e.Notes->toPlainText(), "old note");
      e.Notes->setPlainText(c.typed);
      e.OKButton->click();
    });
    ASSERT_TRUE(table_.GoToRecord(recno).ok());
    EXPECT_EQ(table_.Memo(TodoTable::kNote), c.stored);
  }
}

TEST_F(TaskEditorTest, CancelStoresNothingButAPendingNoteWasPostedFirst) {
  const uint32_t recno = AddTask({"20240305", "", "Shop", "Home", "milk", "A"});
  ASSERT_TRUE(table_.Edit().ok());  // a note being typed in the notes pane
  ASSERT_TRUE(table_.SetMemo(TodoTable::kNote, "milk, eggs").ok());
  for (bool escape : {false, true}) {
    const TTaskEditResult result = Edit(TTaskEditMode::Edit, [escape](TTaskEditor& e) {
      EXPECT_EQ(e.Notes->toPlainText(), "milk, eggs");
      e.Task->setText("Shop for the party");
      e.pLow->setChecked(true);
      // Leaving the date for Cancel does not check it.
      Activate(e);
      e.DateEdit->setFocus();
      QTest::keyClicks(e.DateEdit, "not a date");
      if (escape)
        QTest::keyClick(e.DateEdit, Qt::Key_Escape);
      else
        QTest::mouseClick(e.CancelButton, Qt::LeftButton);
    });
    EXPECT_EQ(result, TTaskEditResult::Cancelled);
  }
  EXPECT_EQ(boxes_.Count(), 0);
  EXPECT_FALSE(table_.Editing());
  ASSERT_TRUE(table_.GoToRecord(recno).ok());
  EXPECT_EQ(table_.Memo(TodoTable::kNote), "milk, eggs");
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Shop");
  EXPECT_EQ(table_.FieldText(TodoTable::kPriority), "A");
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240305");
  ExpectWorkingFormatsInForce();
}

TEST_F(TaskEditorTest, LeavingABadDateReportsItAndRefocusesAndCtrlSSaves) {
  UseUserFormats("dd.MM.yy", '.', "hh:mm");
  Edit(TTaskEditMode::Add, [this](TTaskEditor& e) {
    Activate(e);
    e.DateEdit->setFocus();
    QTest::keyClicks(e.DateEdit, "3/4/2024");
    QTest::keyClick(e.DateEdit, Qt::Key_Tab);
    EXPECT_EQ(boxes_.Texts(), QStringList({"Please use the date format dd.mm.yyyy\r   Example: 05.03.2024"}));
    EXPECT_TRUE(e.DateEdit->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), e.DateEdit);
    QTest::keyClicks(e.DateEdit, "3.4.24");
    QTest::keyClick(e.DateEdit, Qt::Key_Tab);
    EXPECT_EQ(e.DateEdit->text(), "03.04.2024");
    EXPECT_EQ(QApplication::focusWidget(), e.TimeEdit);
    QTest::keyClicks(e.TimeEdit, "7:5");
    QTest::keyClick(e.Notes, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(e.TimeEdit->text(), "07:05");
  });
  EXPECT_EQ(boxes_.Count(), 1);
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240403");
  EXPECT_EQ(table_.FieldText(TodoTable::kTime), "07:05");
}

TEST_F(TaskEditorTest, TabKeyReachesTheQuickTimeAndCalendarButtons) {
  Edit(TTaskEditMode::Add, [](TTaskEditor& e) {
    Activate(e);
    ASSERT_EQ(QApplication::focusWidget(), e.Task);
    // Tab pressed as the user does, from the description round to it again.
    QStringList visited;
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      if (focus == e.Task) break;
      visited << (focus != nullptr ? focus->objectName() : QStringLiteral("(none)"));
    }
    EXPECT_TRUE(visited.contains("QuickTimeButton")) << visited.join(' ').toStdString();
    EXPECT_TRUE(visited.contains("CalendarButton")) << visited.join(' ').toStdString();
    EXPECT_FALSE(visited.contains("KeyListbutton"));
    EXPECT_FALSE(visited.contains("QuickDateButton"));
    ASSERT_GE(visited.size(), 2);
    EXPECT_EQ(visited.mid(visited.size() - 2), QStringList({"QuickTimeButton", "CalendarButton"}));

    // Space on the focused calendar button opens the date selector.
    e.DateEdit->setText("4/20/2024");
    e.CalendarButton->setFocus(Qt::TabFocusReason);
    const auto selector = OnModal<TDateSelector>([](TDateSelector* s) {
      EXPECT_EQ(s->SelectedDate(), QDate(2024, 4, 20));
      s->NextMonth->click();
      s->OKButton->click();
    });
    QTest::keyClick(e.CalendarButton, Qt::Key_Space);
    EXPECT_TRUE(selector->Seen());
    EXPECT_EQ(e.DateEdit->text(), "5/20/2024");
    e.CancelButton->click();
  });
}

TEST_F(TaskEditorTest, QuickDatesAndKeyWordMenu) {
  UseUserFormats("dd.MM.yy", '.', "hh:mm");
  words_.BreakStringIntoWords("Work home R&D");
  Edit(TTaskEditMode::Add, [](TTaskEditor& e) {
    // Captions are built under the working formats, the chosen date goes in under the user's.
    const QList<QAction*> dates = e.QuickDateMenu->actions();
    ASSERT_EQ(dates.size(), 17);
    EXPECT_EQ(dates[0]->text(), "Today\t03/05/2024");
    EXPECT_EQ(dates[2]->text(), "Thursday\t03/07/2024");
    EXPECT_EQ(dates[8]->objectName(), "WeekFromTommorrow");
    EXPECT_EQ(dates[9]->text(), "A Week from Thursday\t03/14/2024");
    EXPECT_EQ(dates[16]->text(), "30 Days From Today\t04/04/2024");
    e.QuickDateMenu->findChild<QAction*>("WeekFromToday")->trigger();
    EXPECT_EQ(e.DateEdit->text(), "12.03.2024");

    const QList<QAction*> words = e.KeyListMenu->actions();
    ASSERT_EQ(words.size(), 3);
    EXPECT_EQ(words[2]->text(), "R&&D");  // shown with its ampersand
    words[1]->trigger();
    EXPECT_EQ(e.KeyWords->text(), "home");
    words[2]->trigger();
    EXPECT_EQ(e.KeyWords->text(), "home R&D");
    e.OKButton->click();
  });
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240312");
  EXPECT_EQ(table_.FieldText(TodoTable::kKeys), "home R&D");
}

TEST_F(TaskEditorTest, CalendarAndQuickTimeButtonsStartFromTheFieldsAndFillThem) {
  Edit(TTaskEditMode::Add, [](TTaskEditor& e) {
    e.DateEdit->setText("4/20/2024");
    const auto selector = OnModal<TDateSelector>([](TDateSelector* s) {
      EXPECT_EQ(s->SelectedDate(), QDate(2024, 4, 20));
      s->NextMonth->click();
      s->OKButton->click();
    });
    e.CalendarButtonClick();
    EXPECT_TRUE(selector->Seen());
    EXPECT_EQ(e.DateEdit->text(), "5/20/2024");
    const auto cancelled = OnModal<TDateSelector>([](TDateSelector* s) {
      s->NextYear->click();
      s->CancelButton->click();
    });
    e.CalendarButtonClick();
    EXPECT_TRUE(cancelled->Seen());
    EXPECT_EQ(e.DateEdit->text(), "5/20/2024");

    e.TimeEdit->setText("2:30 pm");
    const auto picker = OnModal<TSetTimeDialog>([](TSetTimeDialog* t) {
      EXPECT_EQ(t->SelectedTime(), QTime(14, 30));
      emit t->HourCell(9)->clicked();
      t->OKButton->click();
    });
    e.QuickTimeButtonClick();
    EXPECT_TRUE(picker->Seen());
    EXPECT_EQ(e.TimeEdit->text(), "9:30 AM");
    e.OKButton->click();
  });
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240520");
  EXPECT_EQ(table_.FieldText(TodoTable::kTime), "09:30");
}

TEST_F(TaskEditorTest, ARecordLockedElsewhereIsReportedAndFormatsComeBack) {
  UseUserFormats("dd.MM.yy", '.', "hh:mm");
  const uint32_t recno = AddTask({"", "", "Shared task", "", ""});
  TodoTable other;
  other.SetDirectory(dir_.path());
  other.SetHost(&host_);
  ASSERT_TRUE(other.OpenTaskFiles(false));
  ASSERT_TRUE(other.GoToRecord(recno).ok());
  ASSERT_TRUE(other.Edit().ok());
  ASSERT_TRUE(table_.GoToRecord(recno).ok());

  const TTaskEditResult result = Edit(TTaskEditMode::Edit, [](TTaskEditor& e) {
    e.Task->setText("Changed here");
    e.OKButton->click();
  });
  EXPECT_EQ(result, TTaskEditResult::SaveFailed);
  EXPECT_EQ(boxes_.Texts(), QStringList({"Error:Unable to save changes"}));
  EXPECT_EQ(UserDateFormats().ShortDateFormat, "dd.mm.yyyy");
  ExpectWorkingFormatsInForce();
  other.Cancel();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Shared task");
}

TEST_F(TaskEditorTest, AClosingAsksSaveChanges) {
  for (bool yes : {true, false}) {
    if (yes)
      boxes_.AnswerYes();
    else
      boxes_.AnswerNo();
    const TTaskEditResult result = Edit(TTaskEditMode::Add, [yes](TTaskEditor& e) {
      e.Task->setText(yes ? "kept" : "dropped");
      e.close();
    });
    EXPECT_EQ(result, yes ? TTaskEditResult::Saved : TTaskEditResult::Cancelled);
  }
  EXPECT_EQ(boxes_.Texts(), QStringList({"Save changes", "Save changes"}));
  EXPECT_EQ(boxes_.Last().Title, "Jotlist");
  EXPECT_EQ(table_.RecordCount(), 1u);
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "kept");
}

TEST_F(TaskEditorTest, EditWithNoCurrentTaskShowsNothing) {
  ASSERT_TRUE(table_.AtEnd());
  EXPECT_EQ(CallTaskEdit(TTaskEditMode::Edit, table_, words_, nullptr), TTaskEditResult::NoTask);
  EXPECT_EQ(table_.RecordCount(), 0u);
  EXPECT_EQ(UserDateFormats().ShortDateFormat, "m/d/yyyy");
}

}  // namespace

namespace {

// Every caption fits its control at the dialog's size and font. With JOTLIST_SCREENSHOT_DIR
// set, the dialog's picture is saved there for a look by eye.
TEST_F(TaskEditorTest, CaptionsFitAndTheDialogDraws) {
  RestoreUserDateFormats();
  TTaskEditor editor({});
  editor.Task->setText("Renew the passport");
  editor.KeyWords->setText("Home Papers");
  editor.DateEdit->setText("3/28/2024");
  editor.TimeEdit->setText("10:30 AM");
  editor.Notes->setPlainText("Two photos\nOld passport");
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  for (const QLabel* label : editor.findChildren<QLabel*>())
    EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
  for (const QAbstractButton* button : editor.findChildren<QAbstractButton*>()) {
    // A push button's size hint has a minimum width of its own; its caption needs a margin.
    const int needed = qobject_cast<const QPushButton*>(button) != nullptr
                           ? button->fontMetrics().horizontalAdvance(button->text()) + 12
                           : button->sizeHint().width();
    EXPECT_LE(needed, button->width()) << button->objectName().toStdString();
  }
  const QImage image = editor.grab().toImage();
  EXPECT_EQ(image.size(), QSize(392, 376));
  const QString folder = qEnvironmentVariable("JOTLIST_SCREENSHOT_DIR");
  if (!folder.isEmpty()) {
    EXPECT_TRUE(image.save(QDir(folder).filePath("jotlist-task-editor.png"), "PNG"));
  }
  editor.reject();
}

}  // namespace
