#include "app/MainScreen.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"
#include "core/DateTimeFormat.h"
#include "app/FilterForm.h"
#include "widgets/Glyphs.h"
#include "app/HelpWindow.h"
#include "reportengine/WaitCursor.h"
#include "widgets/MessageBox.h"
#include "core/QuickDates.h"
#include "app/RebuildInd.h"
#include "app/RestoreForm.h"
#include "app/Splashform.h"
#include "app/MainScreenShared.h"
#include "app/TaskGridDelegate.h"
#include "app/TaskGridModel.h"
#include "reports/ui/SettingsPlacementStore.h"
#include "core/TaskCommands.h"
#include "store/ErrorText.h"
#include "store/TaskBackup.h"
#include "dialogs/CallTaskEdit.h"
#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "reports/ui/ReportSetup.h"
#include "store/UpgradeTaskFiles.h"
#include "widgets/HelpContext.h"
#include "store/CodePage.h"
#include "widgets/UnstorableText.h"
#include "widgets/Splitter.h"
#include "widgets/WhatsThisButton.h"
#include "widgets/WhatsThisPopup.h"

using mainscreen::kDateTimeTag;
using mainscreen::ProgramFont;


TMainScreen::TMainScreen(QWidget* parent)
    : QMainWindow(parent), table_(std::make_unique<TodoTable>(static_cast<TodoTableHost*>(this))), settings_(ProgramDirectory()) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Jotlist"));
  setWindowIcon(QIcon(TGlyphs::Program(64)));
  setFont(ProgramFont());
  table_->SetDirectory(ProgramDirectory());
  // Every window of the run keeps its placement in TODO.INI.
  SetPlacementStore(SettingsPlacementStore());
  table_->SetUpgrader([this](TodoTable& table) { return UpgradeTaskFiles(table, static_cast<TodoTableHost*>(this)); });

  // The program's own conversions run under the working date settings.
  UseWorkingDateFormats();

  Showbmp = TGlyphs::ShowBmp();
  Hidebmp = TGlyphs::HideBmp();
  CreateControls();
  CreateMenus();
  CreatePopupMenus();

  model_ = new TaskGridModel(*table_, this);
  model_->SetBaseFont(ProgramFont());
  ActiveGrid->setModel(model_);
  SizeColumns();
  connect(model_, &TaskGridModel::currentChanged, this, &TMainScreen::TableCurrentChanged);
  connect(model_, &TaskGridModel::keysEdited, this, [this](const QString& keys) { key_words_.BreakStringIntoWords(keys); });
  connect(model_, &TaskGridModel::editFailed, this, [](const xbase::Status& status) { ErrorBox(UserErrorText(status)); });
  connect(ActiveGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { GridCurrentChanged(current); });
  connect(ActiveGrid, &QTableView::doubleClicked, this, [this] { ActiveGridDblClick(); });

  PopupHelp1 = new TWhatsThisPopup(this);
  PopupHelp1->setObjectName(QStringLiteral("PopupHelp1"));
  PopupHelp1->SetMaxWidth(300);
  PopupHelp1->SetLinkText(QStringLiteral("Click here or press F1 for more..."));
  SetWhatsThisTexts();
  SetHelpContext(this, kHelpContext);
  SetHelpHandler([this](int context) { ShowHelp(context); });

  // One application-wide filter sees every control's events: the key preview, and the
  // notes pane's focus and double-clicks. A second filter on a control would run the
  // same handler twice for one event.
  qApp->installEventFilter(this);

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

TMainScreen::~TMainScreen() {
  qApp->removeEventFilter(this);
  SetHelpHandler({});
  // The model listens to the table: it goes first.
  ActiveGrid->setModel(nullptr);
  delete model_;
  model_ = nullptr;
  // The window's close has closed the table already and shown any failure; a table
  // still open here belongs to a window that was never shown, with nothing to save.
  (void)table_->Close();
}

// ---------------------------------------------------------------- table host

void TMainScreen::InfoBox(const QString& message) { ::InfoBox(message); }

void TMainScreen::UpdateStatus(const QString& text) {
  StatusCaption->setText(text);
  PlaceStatus();
  UpdateStatusPanel->show();
  UpdateStatusPanel->raise();
  QCoreApplication::processEvents();
}

void TMainScreen::HideStatus() { UpdateStatusPanel->hide(); }

void TMainScreen::ProcessMessages() { QCoreApplication::processEvents(); }

bool TMainScreen::RunRebuild(TodoTable& table, bool pack_first) { return ::RunRebuild(table, pack_first, this); }

// ---------------------------------------------------------------- list state

void TMainScreen::SetButtons() {
  const uint32_t n = table_->RecordNumber();
  const uint32_t c = table_->RecordCount();
  // Moving onto the current record again only refreshes it; should the record be gone,
  // the list is at its end and the buttons below say so.
  if (n > 0 && n <= c) (void)table_->GoToRecord(n);
  ShowRecordButtons();
  Newbutton->setEnabled(true);
}

void TMainScreen::ShowRecordButtons() {
  const bool has_task = !table_->AtEnd();
  for (QWidget* button : std::initializer_list<QWidget*>{Editbutton, DeleteButton, DoneToggleButton, CloneButton,
                                                         CalendarButton, Printbutton}) {
    button->setVisible(has_task);
  }
}

void TMainScreen::SetUpFilter() {
  const TFilterExpression expression = BuildFilterExpression(filter_, Today());
  if (!expression.ok) {
    // A text the engine cannot quote: the filter in force stays, with its criteria.
    ::InfoBox(expression.problem);
    const bool show_done = filter_.ShowDoneTasks;
    filter_ = applied_filter_;
    filter_.ShowDoneTasks = show_done;
    const TFilterExpression previous = BuildFilterExpression(filter_, Today());
    // The filter in force compiled before, so putting it back cannot fail but for the
    // disk; a failure then shows as the list the user sees.
    if (previous.ok) ReportFailure(table_->SetFilter(previous.expression));
  } else {
    const xbase::Status status = table_->SetFilter(expression.expression);
    if (status.ok()) {
      applied_filter_ = filter_;
    } else {
      ErrorBox(QStringLiteral("The filter cannot be used: ") + UserErrorText(status));
    }
  }
  FilterClearbutton->setVisible(filter_.IndicatorShown());
  SetButtons();
  if (filter_.ShowDoneTasks) {
    ShowDone->setText(QStringLiteral("Hide DONE"));
    ShowDone->setIcon(QIcon(Hidebmp));
  } else {
    ShowDone->setText(QStringLiteral("Show DONE"));
    ShowDone->setIcon(QIcon(Showbmp));
  }
}

void TMainScreen::SetSortChecks(QAction* date_time, QAction* description, QAction* priority, QAction* key_words) {
  for (QAction* action : {date_time, description, priority, key_words}) action->setChecked(false);
  const QString tag = table_->TagName(table_->CurrentOrder()).toUpper();
  if (tag == QLatin1String(kDateTimeTag)) date_time->setChecked(true);
  if (tag == QLatin1String(task_schema::kDescriptTag)) description->setChecked(true);
  if (tag == QLatin1String(task_schema::kPriorityTag)) priority->setChecked(true);
  if (tag == QLatin1String(task_schema::kKeysTag)) key_words->setChecked(true);
}

void TMainScreen::SetMainMenuSortChecks() {
  SetSortChecks(mainmnuSortDateTime, mainmnuSortDescription, mainmnuSortPriority, mainmnuSortKeyWords);
  SetSortChecks(mnuSortDateTime, mnuSortDescription, mnuSortPriority, mnuSortKeyWords);
  sort_order_ = table_->CurrentOrder();
}

void TMainScreen::BuildKeyWordList() {
  table_->BeginBatch();
  key_words_.Clear();
  table_->First();
  table_->SetTurboRead(true);
  // The words are taken from the stored bytes, task by task in the list's order; the walk
  // ends past the last task, as a walk with Next does.
  const int code_page = table_->CodePage();
  constexpr qint64 kEventIntervalMs = 20;
  QElapsedTimer since_events;
  since_events.start();
  for (int row = 0; row < table_->ViewCount(); ++row) {
    key_words_.BreakStoredIntoWords(table_->StoredText(row, TodoTable::kKeys), code_page);
    // The window stays responsive during a long walk; asking the event loop after every
    // task would cost more than the task itself.
    if (since_events.elapsed() >= kEventIntervalMs) {
      QCoreApplication::processEvents();
      since_events.restart();
    }
  }
  table_->Last();
  table_->Next();
  table_->SetTurboRead(false);
  // The walk only reads; the batch's sync has nothing of its own to write.
  ReportFailure(table_->EndBatch());
}

void TMainScreen::TableCurrentChanged() {
  if (following_table_) return;
  following_table_ = true;
  const int row = table_->CurrentRow();
  if (row >= 0) {
    const int column = std::max(ActiveGrid->currentIndex().column(), 0);
    ActiveGrid->setCurrentIndex(model_->index(row, column));
  } else {
    ActiveGrid->selectionModel()->clearCurrentIndex();
    ActiveGrid->clearSelection();
  }
  following_table_ = false;

  // An edit in the grid can take the last task out of the list: the record-bound
  // buttons follow the list at once, not only at the next SetButtons.
  ShowRecordButtons();

  const uint32_t recno = row >= 0 ? table_->RecordNumber() : 0;
  if (recno != notes_recno_ || !ActiveNotes->document()->isModified()) {
    const QString note = recno != 0 ? NoteForPane(table_->Memo(TodoTable::kNote)) : QString();
    // The same note shown again keeps the pane's cursor where the user left it.
    if (recno != notes_recno_ || note != ActiveNotes->toPlainText()) {
      const QSignalBlocker block(ActiveNotes);
      ActiveNotes->setPlainText(note);
    }
    notes_recno_ = recno;
    ActiveNotes->document()->setModified(false);
    MarkUnstorableText(ActiveNotes, UnstorableCharacters(ActiveNotes->toPlainText(), table_->CodePage()));
    ActiveNotes->setReadOnly(recno == 0);
  }
}

void TMainScreen::GridCurrentChanged(const QModelIndex& current) {
  if (following_table_ || !current.isValid()) return;
  if (current.row() == table_->CurrentRow()) return;
  if (!PostNotes()) {
    // The note typed stays with its task: the list does not move off it.
    TableCurrentChanged();
    return;
  }
  following_table_ = true;
  ReportFailure(table_->GoToRow(current.row()));
  following_table_ = false;
  TableCurrentChanged();
  SetButtons();
}

bool TMainScreen::PostNotes() {
  // A cell being typed into is stored first, as Enter would store it.
  if (QWidget* editor = ActiveGrid->indexWidget(ActiveGrid->currentIndex())) {
    grid_delegate_->ClearDeclined();
    QMetaObject::invokeMethod(ActiveGrid, "commitData", Q_ARG(QWidget*, editor));
    if (grid_delegate_->Declined()) {
      editor->setFocus(Qt::OtherFocusReason);
      return false;
    }
    QMetaObject::invokeMethod(ActiveGrid, "closeEditor", Q_ARG(QWidget*, editor),
                              Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
  }
  // What the grid's cells stored (here or when their editors closed) is a step of its own.
  EndStep(QStringLiteral("Cell Edit"));
  if (notes_recno_ == 0 || !ActiveNotes->document()->isModified()) return true;
  const QString text = ActiveNotes->toPlainText();
  if (text == declined_note_) return false;
  if (!ConfirmUnstorableText(UnstorableCharacters(text, table_->CodePage()))) {
    // One click can ask twice (the pane losing the focus, then the list moving): the
    // answer holds until the events of that click are done.
    declined_note_ = text;
    QTimer::singleShot(0, this, [this] { declined_note_.clear(); });
    ActiveNotes->setFocus(Qt::OtherFocusReason);
    return false;
  }
  declined_note_.clear();
  ActiveNotes->document()->setModified(false);
  ReportFailure(TTaskCommands(*table_).SetNote(notes_recno_, NoteForTable(text)));
  EndStep(QStringLiteral("Note"));
  return true;
}

bool TMainScreen::ReportFailure(const xbase::Status& status) {
  if (status.ok()) return true;
  ErrorBox(UserErrorText(status));
  return false;
}

void TMainScreen::NotesDoubleClick() {
  if (table_->AtEnd()) return;
  if (TaskGridModel::FieldName(ActiveGrid->currentIndex().column()) == QLatin1String("IsDone")) {
    DoneToggleButtonClick();
  } else {
    EditbuttonClick();
  }
}

bool TMainScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ActiveNotes && event->type() == QEvent::FocusOut) {
    PostNotes();
  } else if (watched == ActiveNotes->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    NotesDoubleClick();
  } else if (event->type() == QEvent::KeyPress && event->spontaneous()) {
    // The window sees every key before its controls, once. A press from the window
    // system reaches its first widget (the focus widget, or the window) as a spontaneous
    // event, on a real display through the top-level QWindow and in tests from QTest
    // alike; the same press travelling on to the parents of that widget, or handed by a
    // view to its cell editor, is re-sent as a non-spontaneous event and is not previewed
    // again. (The press's stage at the QWindow is no widget's and is skipped below.)
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this && !first_activation_ && !key->isAutoRepeat()) {
      const bool keypad = key->modifiers() & Qt::KeypadModifier;
      const Qt::KeyboardModifiers others = key->modifiers() & ~Qt::KeypadModifier;
      if (others == Qt::NoModifier) {
        if ((key->key() == Qt::Key_Insert || (key->key() == Qt::Key_Plus && keypad)) && Newbutton->isVisible()) {
          NewbuttonClick();
          // Passed on, keypad plus would type "+" into the note of whatever task is
          // current now.
          return true;
        }
        if (key->key() == Qt::Key_Delete && DeleteButton->isVisible()) {
          // Once the task is gone the notes pane shows the next task's note, which the
          // key must not change. Answered No, the key goes on as typed.
          return DeleteButtonClick();
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && watched == ActiveGrid &&
            Editbutton->isVisible()) {
          EditbuttonClick();
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- commands

void TMainScreen::SortByTag(const QString& tag) {
  if (!PostNotes()) return;
  const WaitCursor wait;
  table_->SetOrder(table_->OrderOfTag(tag));
  SetMainMenuSortChecks();
  table_->First();
  QCoreApplication::processEvents();
}

void TMainScreen::OrderButtonClick() { PopupUnderButton(OrderButton, ButtonSortMenu); }

void TMainScreen::ShowDoneClick() {
  if (!PostNotes()) return;
  filter_.ShowDoneTasks = !filter_.ShowDoneTasks;
  SetUpFilter();
}

void TMainScreen::FilterbuttonClick() {
  if (!PostNotes()) return;
  TFilterForm form(key_words_.Words(), this);
  CenterForm(&form);
  form.Load(filter_);
  connect(&form, &TFilterForm::helpRequested, this, [this](int context) { ShowHelp(context); });
  if (form.exec() == QDialog::Accepted) {
    form.Store(&filter_);
    SetUpFilter();
  }
  update();
}

void TMainScreen::PrintbuttonClick() {
  PostNotes();
  TReportSetup::Execute(*table_, preferences_, this);
  // An export leaves the list on its last task.
  SetButtons();
  update();
}

void TMainScreen::FilterClearbuttonClick() {
  if (!PostNotes()) return;
  filter_.ClearCriteria();
  SetUpFilter();
}

void TMainScreen::RebuildIndexes1Click() {
  // Packing removes deleted tasks for good: the history ends there, and says so first.
  const QString lost = undo_.CanUndo() || undo_.CanRedo()
                           ? QStringLiteral("\r\rDeleted tasks are removed for good: what was done so far can no "
                                            "longer be undone.")
                           : QString();
  if (!ConfirmBox(QStringLiteral("Rebuild Index Files?") + lost)) return;
  if (!PostNotes()) return;
  EndHistory();
  // The table closes either way; a change that could not be stored is reported.
  ReportFailure(table_->Close());
  bool rebuilt = false;
  if (table_->OpenTaskFiles(true)) {
    xbase::Status outcome;
    rebuilt = ::RunRebuild(*table_, true, this, &outcome);
    // Nothing was packed or indexed when the old index could not be removed: say why.
    ::InfoBox(rebuilt ? QStringLiteral("Done!") : RebuildFailureText(outcome));
  }
  table_->SetSuspendDisplayFields(true);
  if (!table_->OpenTaskFiles(false)) {
    table_->SetSuspendDisplayFields(false);
    close();
    return;
  }
  table_->SetOrder(table_->OrderOfTag(QString::fromLatin1(kDateTimeTag)));
  SetMainMenuSortChecks();
  table_->SetSuspendDisplayFields(false);
  HideStatus();
  QCoreApplication::processEvents();
  SetUpFilter();
  QCoreApplication::processEvents();
  SetButtons();
  // The reminder stays due until a rebuild has been done.
  if (rebuilt) reindex_needed_ = false;
  SavePreferences();
}

void TMainScreen::HelpContents() { ShowHelp(kHelpContext); }

void TMainScreen::ShowHelp(int context) {
  if (!help_window_) {
    help_window_ = new THelpWindow(this);
    help_window_->setAttribute(Qt::WA_DeleteOnClose, false);
  }
  if (!help_window_->ShowContext(context)) {
    ::InfoBox(QStringLiteral("Unable to open the help file ") + ProgramDirectory() +
              QLatin1String(THelpWindow::kHelpFileName));
  }
}

void TMainScreen::AboutClick() {
  TSplashform form(this);
  CenterForm(&form);
  form.exec();
}

void TMainScreen::DoKeyListMenu(const QPoint& global_pos) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("KeyListMenu"));
  for (const QString& word : key_words_.Words()) {
    QString caption = word;
    QAction* action = menu.addAction(caption.replace(QLatin1Char('&'), QLatin1String("&&")));
    action->setData(word);
  }
  menu.addSeparator();
  menu.addAction(QString::fromLatin1(kClearEntryCaption))->setData(QString::fromLatin1(kClearEntryCaption));
  QAction* cancel = menu.addAction(QString::fromLatin1(kCancelCaption));
  QAction* chosen = menu.exec(global_pos);
  QCoreApplication::processEvents();
  if (!chosen || chosen == cancel) return;
  const QString caption = chosen->data().toString();
  KeyWordChosen(caption);
}

void TMainScreen::KeyWordChosen(const QString& caption) {
  if (table_->AtEnd()) return;
  SetCurrentField(TodoTable::kKeys, KeysAfterMenuChoice(table_->FieldText(TodoTable::kKeys), caption));
}

// ---------------------------------------------------------------- task commands

bool TMainScreen::SetCurrentField(const char* field, const QString& value) {
  if (!PostNotes()) return false;
  const xbase::Status status = TTaskCommands(*table_).SetField(field, value);
  EndStep(QString::fromLatin1(field) == QLatin1String(TodoTable::kKeys)
              ? QStringLiteral("Key Words")
              : QString::fromLatin1(field).left(1) + QString::fromLatin1(field).mid(1).toLower());
  // The task may have left the list (a date or key word outside the filter).
  SetButtons();
  return ReportFailure(status);
}

void TMainScreen::EditbuttonClick() {
  if (!PostNotes()) return;
  CallTaskEdit(TTaskEditMode::Edit, *table_, key_words_, this);
  EndStep(QStringLiteral("Edit"));
  TableCurrentChanged();
  SetButtons();
  update();
}

void TMainScreen::NewbuttonClick() {
  if (!PostNotes()) return;
  CallTaskEdit(TTaskEditMode::Add, *table_, key_words_, this);
  EndStep(QStringLiteral("New"));
  TableCurrentChanged();
  SetButtons();
  update();
}

void TMainScreen::RunBulkDelete(int (TBulkDelete::*command)(), const QString& name) {
  if (!PostNotes()) return;
  // Removing every task empties the files for good: the history ends there, and the user
  // is told so first when there is something to lose.
  const bool final = command == &TBulkDelete::DeleteAllTasks;
  if (final && (undo_.CanUndo() || undo_.CanRedo()) &&
      !ConfirmBox(QStringLiteral("Deleting all tasks cannot be undone, and what was done before it can no "
                                 "longer be undone either.\r\rGo on?"))) {
    return;
  }
  TBulkDelete bulk(*this);
  (bulk.*command)();
  if (final) {
    EndHistory();
  } else {
    const std::vector<TTaskChange> peek = table_->TakeJournal();
    const int count = static_cast<int>(peek.size());
    if (count > 0) tasks_changed_ = true;
    undo_.Push(name + QStringLiteral(" (%1 %2)").arg(count).arg(count == 1 ? "task" : "tasks"), peek);
    UpdateUndoItems();
  }
  HideStatus();
  SetMainMenuSortChecks();
  TableCurrentChanged();
}

// ---------------------------------------------------------------- undo

void TMainScreen::EndStep(const QString& name) {
  std::vector<TTaskChange> changes = table_->TakeJournal();
  if (!changes.empty()) tasks_changed_ = true;
  undo_.Push(name, std::move(changes));
  UpdateUndoItems();
}

void TMainScreen::EndHistory() {
  (void)table_->TakeJournal();
  tasks_changed_ = true;
  undo_.Clear();
  UpdateUndoItems();
}

void TMainScreen::UpdateUndoItems() {
  if (!Undo1) return;
  Undo1->setEnabled(undo_.CanUndo());
  Undo1->setText(undo_.CanUndo() ? QStringLiteral("&Undo ") + undo_.UndoName() : QStringLiteral("&Undo"));
  Redo1->setEnabled(undo_.CanRedo());
  Redo1->setText(undo_.CanRedo() ? QStringLiteral("Re&do ") + undo_.RedoName() : QStringLiteral("Re&do"));
}

void TMainScreen::RestoreClick() {
  if (!table_->Active() || !PostNotes()) return;
  const std::vector<TBackupInfo> backups = ListBackups(ProgramDirectory());
  if (backups.empty()) {
    ::InfoBox(QStringLiteral("There is no backup of the task files yet: one is made when Jotlist closes after "
                             "the tasks were changed."));
    return;
  }
  TRestoreForm form(backups, this);
  CenterForm(&form);
  if (form.exec() != QDialog::Accepted) return;
  const TBackupInfo chosen = form.Chosen();
  const QString when = FormatDateTime(QStringLiteral("ddddd t"), chosen.When);
  if (!ConfirmBox(QStringLiteral("Restore the tasks as they were on %1?\r\rThe tasks as they are now are backed up "
                                 "first. What was done in this run can no longer be undone.")
                      .arg(when))) {
    return;
  }
  ReportFailure(table_->Close());
  const xbase::Status restored = RestoreTaskFiles(ProgramDirectory(), chosen.Name, QDateTime::currentDateTime());
  if (restored.ok()) {
    EndHistory();
    // The files replaced are a backup already; the restored ones need none at close.
    tasks_changed_ = false;
  } else if (restored.IsInUse()) {
    // Nothing was replaced: the tasks and their undo history stay as they were.
    ::InfoBox(QStringLiteral("The task files are open in another program, so the backup was not restored. Close "
                             "that program and restore again."));
  } else {
    ReportFailure(restored);
  }
  table_->SetSuspendDisplayFields(true);
  if (!table_->OpenTaskFiles(false)) {
    table_->SetSuspendDisplayFields(false);
    close();
    return;
  }
  table_->SetOrder(sort_order_);
  SetMainMenuSortChecks();
  table_->SetSuspendDisplayFields(false);
  HideStatus();
  SetUpFilter();
  BuildKeyWordList();
  table_->First();
  SetButtons();
  TableCurrentChanged();
}

void TMainScreen::UndoClick() { RunHistory(true); }
void TMainScreen::RedoClick() { RunHistory(false); }

void TMainScreen::RunHistory(bool undo) {
  if (!table_->Active() || !PostNotes()) return;
  const TUndoHistory::Outcome outcome = undo ? undo_.Undo(*table_) : undo_.Redo(*table_);
  if (!outcome.Records.empty()) tasks_changed_ = true;
  if (!outcome.ChangedTask.isEmpty()) {
    ::InfoBox(QStringLiteral("The task \"%1\" was changed by another program since; it was not %2.")
                  .arg(outcome.ChangedTask, undo ? QStringLiteral("undone") : QStringLiteral("done again")));
  } else {
    ReportFailure(outcome.Status);
  }
  // The task put back becomes current when it passes the filter; its key words join the
  // list.
  for (const uint32_t recno : outcome.Records) {
    if (table_->GoToRecord(recno).ok()) {
      key_words_.BreakStringIntoWords(table_->FieldText(TodoTable::kKeys));
      break;
    }
  }
  TableCurrentChanged();
  SetButtons();
  UpdateUndoItems();
}

bool TMainScreen::DeleteButtonClick() {
  if (!ConfirmBox(QStringLiteral("Delete this task? "))) return false;
  // A note being typed is kept should the deletion fail.
  if (!PostNotes()) return false;
  const xbase::Status status = TTaskCommands(*table_).DeleteCurrent();
  EndStep(QStringLiteral("Delete"));
  if (!status.ok()) ::InfoBox(QStringLiteral("Error: Unable to delete"));
  SetButtons();
  return status.ok();
}

void TMainScreen::DoneToggleButtonClick() {
  if (!PostNotes()) return;
  table_->SetSuspendDisplayFields(true);
  const xbase::Status status = TTaskCommands(*table_).ToggleDone();
  table_->SetSuspendDisplayFields(false);
  EndStep(QStringLiteral("Done"));
  if (!status.ok()) ::InfoBox(QStringLiteral("Error:Unable to save changes"));
  SetButtons();
}

void TMainScreen::CloneButtonClick() {
  if (!PostNotes()) return;
  if (!ConfirmBox(QStringLiteral("Clone this task?"))) {
    SetButtons();
    return;
  }
  const xbase::Status cloned = TTaskCommands(*table_).CloneCurrent();
  EndStep(QStringLiteral("Clone"));
  ReportFailure(cloned);
  SetButtons();
}

void TMainScreen::CalendarButtonClick() {
  if (!PostNotes()) return;
  TDateSelector selector(this);
  CenterForm(&selector);
  selector.SetSelectedDate(Today());
  if (selector.exec() == QDialog::Accepted) {
    const int order = table_->CurrentOrder();
    table_->SetOrder(table_->OrderOfTag(QString::fromLatin1(kDateTimeTag)));
    table_->SetSoftSeek(true);
    table_->Seek(StoredDate(selector.SelectedDate()));
    table_->SetSoftSeek(false);
    // A date after every task's date leaves the list on its last task.
    if (table_->AtEnd()) table_->Last();
    table_->SetOrder(order);
    SetButtons();
  }
  update();
}

void TMainScreen::ActiveGridDblClick() {
  const QPoint pos = QCursor::pos();
  if (table_->AtEnd()) return;
  const QString field = TaskGridModel::FieldName(ActiveGrid->currentIndex().column()).toUpper();
  if (field == QLatin1String("ISDONE")) {
    DoneToggleButtonClick();
  } else if (field == QLatin1String("SHOWDATE")) {
    DateColumnMenu->popup(pos);
  } else if (field == QLatin1String("SHOWPRIORITY")) {
    PriorityColumnMenu->popup(pos);
  } else if (field == QLatin1String("SHOWTIME")) {
    DoQuickTime();
  } else if (field == QLatin1String(task_schema::kKeysField)) {
    DoKeyListMenu(pos);
  } else {
    EditbuttonClick();
  }
}

void TMainScreen::DateMenuCalendarClick() {
  if (table_->AtEnd()) return;
  TDateSelector selector(this);
  CenterForm(&selector);
  const QString working = DateAsWorkingText(table_->FieldText(TodoTable::kDate));
  selector.SetSelectedDate(IsValidDate(working) ? StrToDate(working) : Today());
  if (selector.exec() == QDialog::Accepted) SetCurrentField(TodoTable::kDate, StoredDate(selector.SelectedDate()));
}

void TMainScreen::QuickDateItemClick(int tag) {
  if (table_->AtEnd()) return;
  SetCurrentField(TodoTable::kDate, StoredDate(Today().addDays(tag)));
}

void TMainScreen::ClearDateClick() {
  if (table_->AtEnd()) return;
  SetCurrentField(TodoTable::kDate, QString());
}

void TMainScreen::SetPriorityClick(const QString& code) {
  if (table_->AtEnd()) return;
  SetCurrentField(TodoTable::kPriority, code);
}

void TMainScreen::DoQuickTime() {
  if (table_->AtEnd()) return;
  const QString stored = table_->FieldText(TodoTable::kTime);
  const QTime initial = IsValidTime(stored) ? StrToTime(stored) : QTime::currentTime();
  TSetTimeDialog dialog(this);
  CenterForm(&dialog);
  dialog.SetSelectedTime(initial);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString shown = FormatDateTime(QStringLiteral("t"), dialog.SelectedTime());
  QTime parsed;
  if (TryStrToTime(shown, parsed)) SetCurrentField(TodoTable::kTime, FormatDateTime(QStringLiteral("hh:nn"), parsed));
}
