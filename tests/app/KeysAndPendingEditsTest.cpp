// The main window as a user drives it with the keyboard and the mouse: a cell being
// typed into is stored before the window closes and before a command runs, keys keep
// working after a dialog was closed with the mouse, and Alt+F and Alt+H open their menus
// at the first press.
#include "app/MainScreen.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/FilterForm.h"
#include "app/TaskGridModel.h"
#include "dialogs/TaskEditor.h"
#include "widgets/MessageBox.h"
#include "widgets/UnstorableText.h"
#include "tests/NextWindow.h"
#include "tests/app/MainWindowFixture.h"

namespace {

const std::vector<Task> kTasks = {
    {"20240305", "14:30", "call Joe", false, "work", "A", "ring twice"},
    {"20240310", "09:00", "dentist", false, "health", "C", "bring card"},
    {"", "", "someday", false, "", "B", ""},
};

class KeysAndPendingEditsTest : public MainWindowFixture {
 protected:
  TMainScreen& Start() {
    WriteTasks(kTasks);
    TPreferences preferences;
    preferences.ReindexNeeded = false;
    EXPECT_TRUE(TSettings(dir_.path() + "/").SavePreferences(preferences).ok());
    window_ = std::make_unique<TMainScreen>();
    window_->show();
    window_->FormActivate();
    QApplication::setActiveWindow(window_.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    return *window_;
  }

  // Selects the cell of the task with `descript` in `column`, with the focus in the grid.
  void SelectCell(const QString& descript, int column) {
    const int row = TaskColumn().indexOf(descript);
    ASSERT_GE(row, 0) << descript.toStdString();
    window_->ActiveGrid->setFocus();
    window_->ActiveGrid->setCurrentIndex(window_->Model()->index(row, column));
  }

  // Types `text` into the selected cell as the user does: the first key opens the cell's
  // editor, the rest go to it. Gives the editor.
  QLineEdit* TypeIntoCell(const QString& text) {
    QTest::keyClick(window_->ActiveGrid, text.at(0).toLatin1());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (editor == nullptr) {
      ADD_FAILURE() << "no cell editor opened";
      return nullptr;
    }
    QTest::keyClicks(editor, text.mid(1));
    return editor;
  }

  // The stored task texts and key words, read afresh from the files.
  QStringList Stored(const char* field) {
    TodoTable table;
    table.SetDirectory(dir_.path());
    EXPECT_TRUE(table.Open(false).ok());
    table.SetOrder(0);
    QStringList out;
    for (table.First(); !table.AtEnd(); table.Next()) out << table.FieldText(field);
    EXPECT_TRUE(table.Close().ok());
    return out;
  }
};

// ---------------------------------------------------------------- pending cell edits

TEST_F(KeysAndPendingEditsTest, ACellBeingTypedIntoIsStoredWhenAltXCloses) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  QLineEdit* editor = TypeIntoCell("Dentist at nine");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), "Dentist at nine");
  QTest::keyClick(editor, Qt::Key_X, Qt::AltModifier);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(Stored(TodoTable::kDescript), QStringList({"call Joe", "Dentist at nine", "someday"}));
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(KeysAndPendingEditsTest, AKeyWordsCellBeingTypedIntoIsStoredWhenTheWindowCloses) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("call Joe", TaskGridModel::kKeysColumn);
  ASSERT_NE(TypeIntoCell("phone"), nullptr);
  w.close();
  EXPECT_EQ(Stored(TodoTable::kKeys), QStringList({"phone", "health", ""}));
}

TEST_F(KeysAndPendingEditsTest, ACellBeingTypedIntoIsStoredBeforeASortAndAFilter) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("someday", TaskGridModel::kTaskColumn);
  ASSERT_NE(TypeIntoCell("Another day"), nullptr);
  w.mainmnuSortDescription->trigger();
  EXPECT_EQ(TaskColumn(), QStringList({"Another day", "call Joe", "dentist"}));
  EXPECT_EQ(Stored(TodoTable::kDescript), QStringList({"call Joe", "dentist", "Another day"}));

  SelectCell("dentist", TaskGridModel::kKeysColumn);
  ASSERT_NE(TypeIntoCell("teeth"), nullptr);
  auto filter = OnModal<TFilterForm>([](TFilterForm* form) { form->reject(); });
  w.FilterbuttonClick();
  EXPECT_TRUE(filter->Seen());
  EXPECT_EQ(Stored(TodoTable::kKeys), QStringList({"work", "teeth", ""}));
}

// Characters the task file cannot hold are named before a cell is stored; on No the cell
// keeps its text.
TEST_F(KeysAndPendingEditsTest, ACellWithCharactersTheFileCannotHoldAsksFirst) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  QLineEdit* editor = TypeIntoCell("Dentist");
  ASSERT_NE(editor, nullptr);
  editor->setText(QString::fromUtf8("Dentist \U0001F9B7"));
  EXPECT_TRUE(IsMarkedUnstorable(editor));
  boxes.AnswerNo();
  QTest::keyClick(editor, Qt::Key_Return);
  // The view stores the cell once the editor has taken the key.
  ASSERT_TRUE(QTest::qWaitFor([&boxes] { return boxes.Count() == 1; }));
  EXPECT_EQ(boxes.Texts(), QStringList({QString::fromUtf8("The task file cannot hold these characters: \U0001F9B7\r"
                                                          "Store each of them as \"?\"?")}));
  EXPECT_EQ(Stored(TodoTable::kDescript), QStringList({"call Joe", "dentist", "someday"}));

  SelectCell("dentist", TaskGridModel::kTaskColumn);
  editor = TypeIntoCell("Dentist");
  ASSERT_NE(editor, nullptr);
  editor->setText(QString::fromUtf8("Dentist \U0001F9B7"));
  boxes.AnswerYes();
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&boxes] { return boxes.Count() == 2; }));
  EXPECT_EQ(Stored(TodoTable::kDescript), QStringList({"call Joe", "Dentist ?", "someday"}));
  EXPECT_EQ(boxes.Count(), 2);
  (void)w;
}

// The notes pane asks the same before it stores a note; on No the note stays in the pane,
// marked, and the list does not move off its task.
TEST_F(KeysAndPendingEditsTest, ANoteWithCharactersTheFileCannotHoldAsksFirst) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  w.ActiveNotes->setFocus();
  w.ActiveNotes->moveCursor(QTextCursor::End);
  QTest::keyClicks(w.ActiveNotes, " now");
  w.ActiveNotes->insertPlainText(QString::fromUtf8(" \u263A"));
  EXPECT_TRUE(IsMarkedUnstorable(w.ActiveNotes));
  boxes.AnswerNo();
  SelectCell("call Joe", TaskGridModel::kTaskColumn);
  EXPECT_EQ(boxes.Texts(), QStringList({QString::fromUtf8("The task file cannot hold these characters: \u263A\r"
                                                          "Store each of them as \"?\"?")}));
  EXPECT_EQ(w.Table().FieldText(TodoTable::kDescript), "dentist");
  EXPECT_EQ(w.ActiveNotes->toPlainText(), QString::fromUtf8("bring card now \u263A"));
  EXPECT_TRUE(IsMarkedUnstorable(w.ActiveNotes));

  QCoreApplication::processEvents();
  boxes.AnswerYes();
  w.mainmnuSortDescription->trigger();
  EXPECT_EQ(boxes.Count(), 2);
  EXPECT_FALSE(IsMarkedUnstorable(w.ActiveNotes));
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  EXPECT_EQ(w.Table().Memo(TodoTable::kNote), "bring card now ?");
}

// ---------------------------------------------------------------- keys after a mouse close

// The user presses Enter in the grid, lets the key go while the editor is open, and closes
// the editor with a click: the next Enter edits again.
TEST_F(KeysAndPendingEditsTest, EnterWorksAgainAfterTheEditorWasClosedWithTheMouse) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  for (const char* button : {"OKButton", "CancelButton"}) {
    auto editor = OnModal<TTaskEditor>([button](TTaskEditor* d) {
      QTest::keyRelease(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : d, Qt::Key_Return);
      QTest::mouseClick(d->findChild<QPushButton*>(button), Qt::LeftButton);
    });
    QApplication::setActiveWindow(&w);
    w.ActiveGrid->setFocus();
    QTest::keyPress(w.ActiveGrid, Qt::Key_Return);
    EXPECT_TRUE(editor->Seen()) << "Enter after closing with " << button;
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }));
  }
  EXPECT_EQ(boxes.Count(), 0);
}

// The same with the question of the Delete key answered No by a click.
TEST_F(KeysAndPendingEditsTest, DeleteAsksAgainAfterItsQuestionWasAnsweredWithTheMouse) {
  TMainScreen& w = Start();  // real message boxes: no scripted responder
  SelectCell("dentist", TaskGridModel::kTaskColumn);
  for (int round = 0; round < 2; ++round) {
    QString question;
    auto box = OnModal<QMessageBox>([&question](QMessageBox* b) {
      question = b->text();
      QTest::keyRelease(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : b, Qt::Key_Delete);
      QTest::mouseClick(b->button(QMessageBox::No), Qt::LeftButton);
    });
    QApplication::setActiveWindow(&w);
    w.ActiveGrid->setFocus();
    QTest::keyPress(w.ActiveGrid, Qt::Key_Delete);
    EXPECT_TRUE(box->Seen()) << "Delete in round " << round;
    EXPECT_EQ(question, "Delete this task? ");
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }));
  }
  EXPECT_EQ(TaskColumn().size(), 3);
}

// ---------------------------------------------------------------- Alt+F and Alt+H

TEST_F(KeysAndPendingEditsTest, AltFAndAltHOpenTheirMenusAtTheFirstPress) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  w.ActiveGrid->setFocus();
  const struct {
    int key;
    QMenu* menu;
  } cases[] = {{Qt::Key_F, w.FileMenu}, {Qt::Key_H, w.HelpMenu}};
  for (const auto& c : cases) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(c.key), Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&c] { return c.menu->isVisible(); })) << c.menu->title().toStdString();
    // The window system's answer to the opening (the menu's activation) comes before the close.
    QCoreApplication::processEvents();
    c.menu->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.Filterbutton->hasFocus());
    EXPECT_FALSE(w.Helpbutton->hasFocus());
    w.ActiveGrid->setFocus();
  }
  // The buttons keep their captions.
  EXPECT_EQ(w.Filterbutton->text(), "&Filter");
  EXPECT_EQ(w.Helpbutton->text(), "&Help");
}

TEST_F(KeysAndPendingEditsTest, TheFileMenuOpensTheFilterFromTheKeyboard) {
  TScriptedResponder boxes;
  TMainScreen& w = Start();
  QStringList captions;
  for (const QAction* action : w.FileMenu->actions()) captions << action->text();
  ASSERT_GE(captions.size(), 3);
  EXPECT_EQ(captions.mid(0, 3), QStringList({"&Rebuild Indexes", "&Filter...", "Sort"}));

  auto filter = OnModal<TFilterForm>([](TFilterForm* form) { form->reject(); });
  w.ActiveGrid->setFocus();
  QTest::keyClick(w.ActiveGrid, Qt::Key_F, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([&w] { return w.FileMenu->isVisible(); }));
  QTest::keyClick(w.FileMenu, Qt::Key_F);
  EXPECT_TRUE(QTest::qWaitFor([&filter] { return filter->Seen(); }));
}

}  // namespace
