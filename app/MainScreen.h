// TMainScreen: Jotlist's main window. It owns the task table for the whole run, shows
// the tasks in a grid above the notes of the current task, and holds the window's state:
// sort order, filter, key word list, report switches and the rebuild reminder.
#pragma once

#include <QMainWindow>
#include <memory>

#include "app/BulkDelete.h"
#include "core/FilterExpression.h"
#include "core/KeyWordList.h"
#include "core/UndoHistory.h"
#include "store/Settings.h"
#include "store/TodoTable.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QToolButton;
class TaskGridDelegate;
class TaskGridModel;
class THelpWindow;
class TSplitter;
class TWhatsThisButton;
class TWhatsThisPopup;

class TMainScreen : public QMainWindow, private TodoTableHost, private TBulkDeleteHost {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 618;
  static constexpr int kClientHeight = 405;
  static constexpr int kHelpContext = 1009;

  explicit TMainScreen(QWidget* parent = nullptr);
  ~TMainScreen() override;

  // ---- start-up and close
  // The start-up sequence; runs on the first activation only (later calls do nothing).
  void FormActivate();
  bool FirstActivation() const { return first_activation_; }
  // How the program was asked to show its window: 2, 6 or 7 minimise the window after
  // start-up, anything else shows it (10, show default, takes StartupShowState).
  void SetShowCommand(int command, int startup_show_state = 1) {
    show_command_ = command;
    startup_show_state_ = startup_show_state;
  }
  // Restores a minimised window, or brings it to the front (asked by a second copy).
  void BringToFront();

  // ---- operations shared with the commands
  // Shows the record-bound buttons exactly when the list has a current task.
  void SetButtons() override;
  // Builds the filter expression from the filter state and applies it.
  void SetUpFilter() override;
  // Ticks the sort items of the current order and remembers it in SortOrder.
  void SetMainMenuSortChecks();
  // Gives the task column the width the other columns leave.
  void FitGrid();
  void LoadPreferences();
  void SavePreferences();
  // Fills KeyWordList from all tasks in the current order.
  void BuildKeyWordList();

  // ---- commands
  void RebuildIndexes1Click();
  // Selects the order of `tag` ("DATETIME", "DESCRIPT", "PRIORITY", "KEYS").
  void SortByTag(const QString& tag);
  void OrderButtonClick();
  void ShowDoneClick();
  void FilterbuttonClick();
  void FilterClearbuttonClick();
  // "&Report": the report options dialog over the list as it is shown, with the window's
  // report switches and HTML colour, which it hands back when it closes.
  void PrintbuttonClick();
  void HelpContents();
  void AboutClick();
  // Opens the help window at a context number.
  void ShowHelp(int context);
  // Pops up the key word menu of the current task at a screen point.
  void DoKeyListMenu(const QPoint& global_pos);
  // Stores what is being typed before a command runs or the window closes: the text of an
  // open grid cell editor, then the notes pane's text when it was changed. False when the
  // user would not have characters the task file cannot hold stored as "?": the text
  // stays where it was typed (the command or the close should not go on).
  bool PostNotes();
  // Shows a failed status to the user (UserErrorText in the default error report);
  // true when the status is ok.
  bool ReportFailure(const xbase::Status& status);

  // ---- task commands
  void EditbuttonClick();
  void NewbuttonClick();
  // True when the task was deleted.
  bool DeleteButtonClick();
  void DoneToggleButtonClick();
  void CloneButtonClick();
  // Jump to date: the first task dated on or after the date picked in the calendar.
  void CalendarButtonClick();
  // Double-click on a grid cell: acts by the column's field.
  void ActiveGridDblClick();
  // The one-field edits of the pop-up menus.
  void DateMenuCalendarClick();
  void QuickDateItemClick(int tag);
  void ClearDateClick();
  void SetPriorityClick(const QString& code);
  void DoQuickTime();
  // Edit, assign one field of the current task, Post; a failure goes to the default
  // error report.
  bool SetCurrentField(const char* field, const QString& value);

  // ---- undo
  // Undoes the last step of the history (or does the last undone one again); a step whose
  // tasks another program changed since is refused with a message naming the task.
  void UndoClick();
  void RedoClick();
  // "Restore from Backup...": picks a backup, backs the current files up, puts the backup
  // in their place and opens it (index rebuilt); the undo history ends.
  void RestoreClick();

  // ---- tasks in and out for other programs
  // "Export Tasks...": the list as shown (order and filter) into an iCalendar or CSV file
  // chosen in a file dialog; the current task stays current.
  void ExportTasksClick();
  // "Import Tasks...": the tasks of an iCalendar or CSV file appended as one undo step,
  // the key word list rebuilt, and a box saying what was imported and skipped. A file the
  // reader refuses imports nothing.
  void ImportTasksClick();
  const TUndoHistory& UndoHistory() const { return undo_; }

  // ---- state (the window's own, kept for the run)
  TodoTable& Table() override { return *table_; }
  TaskGridModel* Model() const { return model_; }
  TFilterState& FilterState() { return filter_; }
  TKeyWordList& KeyWordList() { return key_words_; }
  TPreferences& Preferences() { return preferences_; }
  int SortOrder() const { return sort_order_; }
  bool ReindexNeeded() const { return reindex_needed_; }
  THelpWindow* HelpWindow() const { return help_window_; }

  // ---- controls
  QFrame* Panel1 = nullptr;
  QToolButton* Editbutton = nullptr;
  QToolButton* Newbutton = nullptr;
  QToolButton* CloneButton = nullptr;
  QToolButton* DeleteButton = nullptr;
  QToolButton* Filterbutton = nullptr;
  QToolButton* OrderButton = nullptr;
  QToolButton* DoneToggleButton = nullptr;
  QToolButton* Printbutton = nullptr;
  QToolButton* CalendarButton = nullptr;
  QWidget* TaskPanel = nullptr;
  TSplitter* Splitter = nullptr;
  QTableView* ActiveGrid = nullptr;
  QLabel* NotesCaption = nullptr;
  QPlainTextEdit* ActiveNotes = nullptr;
  QFrame* Panel2 = nullptr;
  QPushButton* ExitButton = nullptr;
  QPushButton* Helpbutton = nullptr;
  TWhatsThisButton* MouseHelpbutton = nullptr;
  QPushButton* FilterClearbutton = nullptr;
  QPushButton* ShowDone = nullptr;
  // The start-up status panel with its caption.
  QFrame* UpdateStatusPanel = nullptr;
  QLabel* StatusCaption = nullptr;

  // Main menu.
  QMenu* FileMenu = nullptr;
  QAction* RebuildIndexes1 = nullptr;
  QAction* Filter1 = nullptr;
  QMenu* SortMenu = nullptr;
  QAction* mainmnuSortDateTime = nullptr;
  QAction* mainmnuSortDescription = nullptr;
  QAction* mainmnuSortPriority = nullptr;
  QAction* mainmnuSortKeyWords = nullptr;
  QMenu* DeleteMenu = nullptr;
  QAction* AllMarkedDone1 = nullptr;
  QAction* AllWithDatesBeforeToday1 = nullptr;
  QAction* AllTasksMatchingCurrentFilter1 = nullptr;
  QAction* AllTasksNOTMatchingCurrentFilter1 = nullptr;
  QAction* AllTasks1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* RestoreFromBackup1 = nullptr;
  QAction* ImportTasks1 = nullptr;
  QAction* ExportTasks1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* HelpMenu = nullptr;
  QAction* Contents1 = nullptr;
  QAction* About1 = nullptr;

  // Pop-up menus.
  QMenu* ButtonSortMenu = nullptr;
  QAction* mnuSortDateTime = nullptr;
  QAction* mnuSortDescription = nullptr;
  QAction* mnuSortPriority = nullptr;
  QAction* mnuSortKeyWords = nullptr;
  QMenu* DateColumnMenu = nullptr;
  QMenu* PriorityColumnMenu = nullptr;
  QMenu* QuickDateMenu = nullptr;
  TWhatsThisPopup* PopupHelp1 = nullptr;

  // The two pictures of the Show DONE / Hide DONE button.
  QPixmap Showbmp;
  QPixmap Hidebmp;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // TodoTableHost
  void InfoBox(const QString& message) override;
  void UpdateStatus(const QString& text) override;
  void ProcessMessages() override;
  bool RunRebuild(TodoTable& table, bool pack_first) override;
  // TBulkDeleteHost
  void ClearFilterCriteria() override { filter_.ClearCriteria(); }
  void CloseMainWindow() override { close(); }
  // Runs one group deletion of the File menu's Delete submenu; `name` names its undo step.
  void RunBulkDelete(int (TBulkDelete::*command)(), const QString& name);
  // Makes the changes the table journalled since the last step one undo step named `name`.
  void EndStep(const QString& name);
  // Forgets the history (a change that cannot be undone came).
  void EndHistory();
  void RunHistory(bool undo);
  void UpdateUndoItems();

  void CreateControls();
  void CreateMenus();
  void CreatePopupMenus();
  void SetWhatsThisTexts();
  void SizeColumns();
  void HideStatus();
  // Shows the record-bound buttons exactly when the list has a current task.
  void ShowRecordButtons();
  void PlaceStatus();
  // Follows the table's current task: grid selection and notes pane.
  void TableCurrentChanged();
  void GridCurrentChanged(const QModelIndex& current);
  void NotesDoubleClick();
  void SetSortChecks(QAction* date_time, QAction* description, QAction* priority, QAction* key_words);
  void KeyWordChosen(const QString& caption);

  std::unique_ptr<TodoTable> table_;
  TaskGridModel* model_ = nullptr;
  THelpWindow* help_window_ = nullptr;
  TSettings settings_;
  TPreferences preferences_;
  TFilterState filter_;
  // The criteria of the filter in force, put back when new ones cannot be expressed.
  TFilterState applied_filter_;
  TKeyWordList key_words_;
  TUndoHistory undo_;
  // The tasks changed during this run: the close takes a backup.
  bool tasks_changed_ = false;
  bool first_activation_ = true;
  bool activating_ = false;
  bool preferences_loaded_ = false;
  bool reindex_needed_ = false;
  int sort_order_ = 1;
  int show_command_ = 1;
  int startup_show_state_ = 1;
  bool following_table_ = false;
  // The note text the user declined to store with "?"s, while the events of that answer
  // are handled: not asked about again meanwhile.
  QString declined_note_;
  TaskGridDelegate* grid_delegate_ = nullptr;
  bool closing_ = false;
  // Record whose note the notes pane shows; 0 for none.
  uint32_t notes_recno_ = 0;
};
