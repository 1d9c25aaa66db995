// TMainScreen, part three: the start-up sequence of the first activation, the close,
// and the preferences read at start-up and written at close.
#include "app/MainScreen.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "app/MainScreenShared.h"
#include "app/TaskGridModel.h"
#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "core/TaskCommands.h"
#include "store/ErrorText.h"
#include "store/TaskBackup.h"
#include "widgets/FormPlacement.h"
#include "reportengine/WaitCursor.h"
#include "widgets/MessageBox.h"
#include "widgets/Splitter.h"
#include "widgets/WhatsThisPopup.h"

using mainscreen::kDateTimeTag;
using mainscreen::kLoadingKeyWords;
using mainscreen::kReminder;

// ---------------------------------------------------------------- start-up and close

void TMainScreen::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first activation starts the program once the window is on screen.
  if (first_activation_) QTimer::singleShot(0, this, &TMainScreen::FormActivate);
}

void TMainScreen::FormActivate() {
  if (!first_activation_ || activating_ || closing_) return;
  activating_ = true;
  WaitCursor wait;
  PopupHelp1->SetColor(palette().color(QPalette::Window));

  RestoreFormPlacement(this);
  TaskPanel->hide();
  table_->SetSuspendDisplayFields(true);
  // The list is built once, at the end: order and filter change several times first.
  table_->BeginBatch();

  if (!table_->OpenTaskFiles(false)) {
    // Nothing was opened, so the batch has nothing to sync.
    (void)table_->EndBatch();
    wait.Hide();
    activating_ = false;
    close();
    return;
  }
  LoadPreferences();

  UpdateStatus(QString::fromLatin1(kLoadingKeyWords));
  key_words_.Clear();
  QCoreApplication::processEvents();
  BuildKeyWordList();

  table_->SetSuspendDisplayFields(false);
  QCoreApplication::processEvents();
  SetUpFilter();

  // The current task: the first one dated today or later.
  const int order = table_->CurrentOrder();
  table_->SetOrder(table_->OrderOfTag(QString::fromLatin1(kDateTimeTag)));
  table_->SetSoftSeek(true);
  table_->Seek(StoredDate(Today()));
  table_->SetSoftSeek(false);
  table_->SetOrder(order);

  ReportFailure(table_->EndBatch());
  QCoreApplication::processEvents();
  SetButtons();
  TaskPanel->show();
  SetMainMenuSortChecks();
  model_->SetEmphasis(true);
  // From here every stored change is journalled for undo.
  table_->SetJournal(true);
  TableCurrentChanged();
  // The list takes the keys from the start: arrows, Enter, Insert and Delete act at once.
  // (While the task panel was hidden the focus went to the first button.)
  ActiveGrid->setFocus(Qt::OtherFocusReason);

  const int command = show_command_ == 10 ? startup_show_state_ : show_command_;
  if (command == 2 || command == 6 || command == 7) {
    showMinimized();
  } else {
    show();
    raise();
    activateWindow();
  }
  FitGrid();

  HideStatus();
  QCoreApplication::processEvents();
  first_activation_ = false;
  activating_ = false;
  ExitButton->show();
  wait.Hide();

  if (reindex_needed_) ::InfoBox(QString::fromLatin1(kReminder));
}

void TMainScreen::BringToFront() {
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

void TMainScreen::closeEvent(QCloseEvent* event) {
  // What is being typed is stored first; text the user would not have stored with "?"s
  // keeps the window open.
  if (!PostNotes()) {
    event->ignore();
    return;
  }
  closing_ = true;
  QCoreApplication::processEvents();
  // Settings are written only when they were read: a start that failed to open the
  // files must not replace the stored preferences with defaults.
  if (preferences_loaded_) {
    SavePreferences();
    SaveFormPlacement(this);
  }
  PostNotes();
  // Close stores a change still pending (a grid edit) before it closes the files.
  ReportFailure(table_->Close());
  // A run that changed the tasks leaves a copy of the closed files among the backups.
  if (tasks_changed_ || !table_->TakeJournal().empty()) {
    ReportFailure(BackUpTaskFiles(ProgramDirectory(), QDateTime::currentDateTime(), BackupsToKeep(ProgramDirectory())));
  }
  QCoreApplication::processEvents();
  event->accept();
  hide();
}

void TMainScreen::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  PlaceStatus();
  if (isVisible() && table_->Active()) FitGrid();
}

void TMainScreen::FitGrid() {
  int total = 0;
  for (int column = 0; column < TaskGridModel::kColumnCount; ++column) total += ActiveGrid->columnWidth(column);
  const int task = TaskGridModel::kTaskColumn;
  const int width = Splitter->contentsRect().width() + ActiveGrid->columnWidth(task) - total - 30;
  // Never narrower than a few characters, however small the window.
  ActiveGrid->setColumnWidth(task, std::max(width, 40));
}

// ---------------------------------------------------------------- preferences

void TMainScreen::LoadPreferences() {
  preferences_ = settings_.LoadPreferences();
  Splitter->SetBarPosition(preferences_.SplitterBar);
  sort_order_ = preferences_.Order;
  filter_.ShowDoneTasks = preferences_.ShowDone;
  reindex_needed_ = preferences_.ReindexNeeded;
  preferences_loaded_ = true;
  table_->SetOrder(sort_order_);
  SetMainMenuSortChecks();
}

void TMainScreen::SavePreferences() {
  if (table_->Active()) sort_order_ = table_->CurrentOrder();
  preferences_.Order = sort_order_;
  preferences_.SplitterBar = Splitter->BarPosition();
  preferences_.ShowDone = filter_.ShowDoneTasks;
  preferences_.ReindexNeeded = reindex_needed_;
  ReportFailure(settings_.SavePreferences(preferences_));
}
