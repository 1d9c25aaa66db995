#include "dialogs/CallTaskEdit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"
#include "core/DateTimeFormat.h"
#include "core/KeyWordList.h"
#include "core/TaskCommands.h"
#include "widgets/MessageBox.h"
#include "dialogs/TaskEditor.h"
#include "store/TodoTable.h"

namespace {

// For one edit the user's short date format is reduced to day and month numbers; however
// the edit ends, the unreduced format comes back and the working formats are in force.
class TEditorDateFormats {
 public:
  TEditorDateFormats() : saved_(UserDateFormats().ShortDateFormat) {
    UserDateFormats().ShortDateFormat = ReduceShortDateFormat(saved_);
  }
  ~TEditorDateFormats() {
    UserDateFormats().ShortDateFormat = saved_;
    UseWorkingDateFormats();
  }
  TEditorDateFormats(const TEditorDateFormats&) = delete;
  TEditorDateFormats& operator=(const TEditorDateFormats&) = delete;

 private:
  QString saved_;
};

// Repaints only: no user input may start another command in the middle of an edit.
void LetWindowsRepaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void FillFromCurrentTask(TTaskEditor& editor, TodoTable& table) {
  const QString priority = table.FieldText(TodoTable::kPriority);
  // Exact codes only; anything else keeps the dialog's own choice, Medium.
  if (priority == QLatin1String("A"))
    editor.pHigh->setChecked(true);
  else if (priority == QLatin1String("B"))
    editor.pMedium->setChecked(true);
  else if (priority == QLatin1String("C"))
    editor.pLow->setChecked(true);

  editor.TaskLabel->setText(QStringLiteral("Editing Task"));
  editor.IsDone->setChecked(table.FieldBool(TodoTable::kDone));
  editor.Task->setText(table.FieldText(TodoTable::kDescript));
  editor.KeyWords->setText(table.FieldText(TodoTable::kKeys));
  editor.Notes->setPlainText(NoteForPane(table.Memo(TodoTable::kNote)));

  // Stored values are read under the working formats and shown under the user's.
  QDate date;
  if (TryStrToDate(DateAsWorkingText(table.FieldText(TodoTable::kDate)), date)) {
    RestoreUserDateFormats();
    editor.DateEdit->setText(FormatDateTime(QStringLiteral("ddddd"), date));
    UseWorkingDateFormats();
  }
  QTime time;
  if (TryStrToTime(table.FieldText(TodoTable::kTime), time)) {
    RestoreUserDateFormats();
    editor.TimeEdit->setText(FormatDateTime(QStringLiteral("t"), time));
    UseWorkingDateFormats();
  }
}

void FillForNewTask(TTaskEditor& editor) {
  editor.TaskLabel->setText(QStringLiteral("Adding Task"));
  editor.IsDone->setChecked(false);
  editor.Task->setText(QLatin1String(TTaskEditor::kNewTaskText));
  editor.Notes->clear();
  editor.KeyWords->clear();
  editor.DateEdit->clear();
  editor.TimeEdit->clear();
}

// The values the dialog closed with, in the form they are stored in.
TTaskValues ValuesOf(const TTaskEditor& editor) {
  TTaskValues values;
  // The date and time as the user's formats read them.
  RestoreUserDateFormats();
  QDate date;
  const bool hasDate = TryStrToDate(editor.DateEdit->text(), date);
  QTime time;
  const bool hasTime = TryStrToTime(editor.TimeEdit->text().toUpper(), time);
  UseWorkingDateFormats();

  values.descript = editor.Task->text();
  values.keys = editor.KeyWords->text();
  values.note = PadNoteLength(editor.Notes->toPlainText());
  if (hasDate) values.date = FormatDateTime(QStringLiteral("yyyymmdd"), date);
  if (hasTime) values.time = FormatDateTime(QStringLiteral("hh:nn"), time);
  values.priority = editor.pHigh->isChecked() ? QStringLiteral("A")
                    : editor.pLow->isChecked() ? QStringLiteral("C")
                                               : QStringLiteral("B");
  values.done = editor.IsDone->isChecked();
  return values;
}

}  // namespace

TTaskEditResult CallTaskEdit(TTaskEditMode mode, TodoTable& table, TKeyWordList& keyWords, QWidget* parent) {
  // A note being typed in the notes pane is stored before the editor reads the task. A
  // failure leaves it pending: edit mode then edits the pending values, add mode's
  // Append tries to store it again.
  if (table.Editing()) (void)table.Post();
  if (mode == TTaskEditMode::Edit && !table.Editing() && table.AtEnd()) return TTaskEditResult::NoTask;

  const TEditorDateFormats editorFormats;
  TTaskEditor editor(keyWords.Words(), parent);
  editor.SetCodePage(table.CodePage());
  LetWindowsRepaint();

  if (mode == TTaskEditMode::Edit)
    FillFromCurrentTask(editor, table);
  else
    FillForNewTask(editor);

  CenterForm(&editor);
  RestoreUserDateFormats();
  const int result = editor.exec();
  UseWorkingDateFormats();

  const TTaskValues values = ValuesOf(editor);
  if (result != QDialog::Accepted) return TTaskEditResult::Cancelled;

  QString storedKeys;
  const xbase::Status stored =
      TTaskCommands(table).StoreTask(mode == TTaskEditMode::Add, values, &storedKeys, LetWindowsRepaint);
  if (!stored.ok()) {
    InfoBox(QStringLiteral("Error:Unable to save changes"));
    return TTaskEditResult::SaveFailed;
  }
  keyWords.BreakStringIntoWords(storedKeys);
  return TTaskEditResult::Saved;
}
