// TMainScreen, part two: building the window's controls, menus and what's-this texts.
#include "app/MainScreen.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainScreenShared.h"
#include "app/TaskGridDelegate.h"
#include "app/TaskGridModel.h"
#include "core/QuickDates.h"
#include "widgets/Glyphs.h"
#include "widgets/HelpContext.h"
#include "widgets/Splitter.h"
#include "store/CodePage.h"
#include "widgets/UnstorableText.h"
#include "widgets/WhatsThisButton.h"
#include "widgets/WhatsThisPopup.h"

using mainscreen::Lines;
using mainscreen::ProgramFont;

// ---------------------------------------------------------------- building the window

void TMainScreen::CreateControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // Top button bar.
  Panel1 = new QFrame(central);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setFixedHeight(39);
  auto* top = new QHBoxLayout(Panel1);
  top->setContentsMargins(4, 3, 4, 3);
  top->setSpacing(2);
  const auto bar_button = [this, top](const char* name, const char* caption, const QIcon& glyph) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(caption));
    button->setIcon(glyph);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(60, 32);
    button->setFocusPolicy(Qt::StrongFocus);
    // A hidden button leaves its place empty, so the others stay where they are.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    top->addWidget(button);
    return button;
  };
  Editbutton = bar_button("Editbutton", "&Edit", TGlyphs::Edit());
  Newbutton = bar_button("Newbutton", "&New", TGlyphs::New());
  CloneButton = bar_button("CloneButton", "&Clone", TGlyphs::Clone());
  DeleteButton = bar_button("DeleteButton", "&Delete", TGlyphs::Delete());
  Filterbutton = bar_button("Filterbutton", "&Filter", TGlyphs::Filter());
  // Alt+F opens the File menu: the button keeps its caption but not the shortcut, which
  // two owners would make ambiguous (a press would only move the focus).
  Filterbutton->setShortcut(QKeySequence());
  OrderButton = bar_button("OrderButton", "&Sort", TGlyphs::Sort());
  DoneToggleButton = bar_button("DoneToggleButton", "D&one", TGlyphs::Done());
  Printbutton = bar_button("Printbutton", "&Report", TGlyphs::Report());
  CalendarButton = bar_button("CalendarButton", "Ca&lendar", TGlyphs::Calendar());
  top->addStretch(1);
  layout->addWidget(Panel1);

  connect(Editbutton, &QToolButton::clicked, this, [this] { EditbuttonClick(); });
  connect(Newbutton, &QToolButton::clicked, this, [this] { NewbuttonClick(); });
  connect(CloneButton, &QToolButton::clicked, this, [this] { CloneButtonClick(); });
  connect(DeleteButton, &QToolButton::clicked, this, [this] { DeleteButtonClick(); });
  connect(Filterbutton, &QToolButton::clicked, this, [this] { FilterbuttonClick(); });
  connect(OrderButton, &QToolButton::clicked, this, [this] { OrderButtonClick(); });
  connect(DoneToggleButton, &QToolButton::clicked, this, [this] { DoneToggleButtonClick(); });
  connect(CalendarButton, &QToolButton::clicked, this, [this] { CalendarButtonClick(); });
  connect(Printbutton, &QToolButton::clicked, this, [this] { PrintbuttonClick(); });

  // The task panel: grid over notes.
  TaskPanel = new QWidget(central);
  TaskPanel->setObjectName(QStringLiteral("TaskPanel"));
  {
    // Hidden during start-up and rebuilds, the panel keeps its room: the bars stay at
    // the top and the bottom behind the status panel or a message.
    QSizePolicy keep = TaskPanel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    TaskPanel->setSizePolicy(keep);
  }
  auto* task_layout = new QVBoxLayout(TaskPanel);
  task_layout->setContentsMargins(0, 0, 0, 0);
  task_layout->setSpacing(0);
  Splitter = new TSplitter(Qt::Vertical, TaskPanel);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setChildrenCollapsible(false);
  task_layout->addWidget(Splitter);

  ActiveGrid = new QTableView(Splitter);
  ActiveGrid->setObjectName(QStringLiteral("ActiveGrid"));
  grid_delegate_ = new TaskGridDelegate([this] { return table_->CodePage(); }, ActiveGrid);
  ActiveGrid->setItemDelegate(grid_delegate_);
  ActiveGrid->verticalHeader()->hide();
  ActiveGrid->verticalHeader()->setDefaultSectionSize(ActiveGrid->fontMetrics().height() + 5);
  ActiveGrid->verticalHeader()->setMinimumSectionSize(ActiveGrid->fontMetrics().height() + 2);
  ActiveGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  ActiveGrid->horizontalHeader()->setHighlightSections(false);
  ActiveGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ActiveGrid->horizontalHeader()->setStretchLastSection(false);
  ActiveGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
  ActiveGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  ActiveGrid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
  ActiveGrid->setTabKeyNavigation(true);
  ActiveGrid->setShowGrid(true);
  ActiveGrid->setWordWrap(false);
  ActiveGrid->setCornerButtonEnabled(false);
  {
    QPalette palette = ActiveGrid->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    // The selection stays visible when the grid loses the focus.
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
      palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    ActiveGrid->setPalette(palette);
  }

  auto* notes_pane = new QWidget(Splitter);
  notes_pane->setObjectName(QStringLiteral("NotesPane"));
  auto* notes_layout = new QVBoxLayout(notes_pane);
  notes_layout->setContentsMargins(0, 0, 0, 0);
  notes_layout->setSpacing(0);
  NotesCaption = new QLabel(QStringLiteral("  Notes"), notes_pane);
  NotesCaption->setObjectName(QStringLiteral("NotesCaption"));
  NotesCaption->setFixedHeight(22);
  NotesCaption->setFrameStyle(QFrame::Panel | QFrame::Raised);
  NotesCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ActiveNotes = new QPlainTextEdit(notes_pane);
  ActiveNotes->setObjectName(QStringLiteral("ActiveNotes"));
  ActiveNotes->setTabChangesFocus(false);
  {
    QPalette palette = ActiveNotes->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    ActiveNotes->setPalette(palette);
  }
  connect(ActiveNotes, &QPlainTextEdit::textChanged, this,
          [this] { MarkUnstorableText(ActiveNotes, UnstorableCharacters(ActiveNotes->toPlainText(), table_->CodePage())); });
  notes_layout->addWidget(NotesCaption);
  notes_layout->addWidget(ActiveNotes);
  Splitter->addWidget(ActiveGrid);
  Splitter->addWidget(notes_pane);
  Splitter->SetBarPosition(preferences_.SplitterBar);
  layout->addWidget(TaskPanel, 1);

  // Bottom bar.
  Panel2 = new QFrame(central);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel2->setFixedHeight(43);
  auto* bottom = new QHBoxLayout(Panel2);
  bottom->setContentsMargins(6, 5, 6, 5);
  bottom->setSpacing(4);
  const auto bottom_button = [this, bottom](const char* name, const char* caption, const QIcon& glyph) {
    auto* button = new QPushButton(QIcon(glyph), QString::fromLatin1(caption), Panel2);
    button->setObjectName(QString::fromLatin1(name));
    button->setIconSize(QSize(20, 20));
    button->setFixedHeight(31);
    button->setAutoDefault(false);
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    bottom->addWidget(button);
    return button;
  };
  ExitButton = bottom_button("ExitButton", "E&xit", TGlyphs::Exit());
  ExitButton->setMinimumWidth(75);
  // Alt+X is the File menu's Exit shortcut; a second owner would make it ambiguous and
  // neither would act.
  ExitButton->setShortcut(QKeySequence());
  ExitButton->hide();
  Helpbutton = bottom_button("Helpbutton", "&Help", TGlyphs::Help());
  // Alt+H opens the Help menu (see the Filter button).
  Helpbutton->setShortcut(QKeySequence());
  Helpbutton->setMinimumWidth(75);
  MouseHelpbutton = new TWhatsThisButton(Panel2);
  MouseHelpbutton->setObjectName(QStringLiteral("MouseHelpbutton"));
  MouseHelpbutton->setFixedSize(31, 31);
  bottom->addWidget(MouseHelpbutton);
  FilterClearbutton = bottom_button("FilterClearbutton", "   FILTERED [click to clear]", QIcon());
  FilterClearbutton->setMinimumWidth(190);
  {
    QFont bold = FilterClearbutton->font();
    bold.setBold(true);
    FilterClearbutton->setFont(bold);
    QPalette palette = FilterClearbutton->palette();
    palette.setColor(QPalette::ButtonText, QColor(160, 0, 0));
    FilterClearbutton->setPalette(palette);
  }
  FilterClearbutton->hide();
  bottom->addStretch(1);
  ShowDone = bottom_button("ShowDone", "Show DONE", QIcon(Showbmp));
  ShowDone->setMinimumWidth(105);
  layout->addWidget(Panel2);

  connect(ExitButton, &QPushButton::clicked, this, [this] { close(); });
  connect(Helpbutton, &QPushButton::clicked, this, [this] { HelpContents(); });
  connect(FilterClearbutton, &QPushButton::clicked, this, [this] { FilterClearbuttonClick(); });
  connect(ShowDone, &QPushButton::clicked, this, [this] { ShowDoneClick(); });

  // The status panel floats over the window while it starts and rebuilds.
  UpdateStatusPanel = new QFrame(central);
  UpdateStatusPanel->setObjectName(QStringLiteral("UpdateStatus"));
  UpdateStatusPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
  UpdateStatusPanel->setAutoFillBackground(true);
  UpdateStatusPanel->resize(437, 70);
  auto* status_title = new QLabel(QStringLiteral("Status:"), UpdateStatusPanel);
  status_title->setGeometry(12, 10, 80, 16);
  StatusCaption = new QLabel(QStringLiteral("Opening Files..."), UpdateStatusPanel);
  StatusCaption->setObjectName(QStringLiteral("StatusCaption"));
  StatusCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  StatusCaption->setGeometry(12, 32, 413, 22);
  {
    QFont big = ProgramFont();
    big.setPixelSize(13);
    big.setBold(true);
    StatusCaption->setFont(big);
  }
  PlaceStatus();
  UpdateStatusPanel->raise();
}

void TMainScreen::CreateMenus() {
  FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  FileMenu->setObjectName(QStringLiteral("File1"));
  RebuildIndexes1 = FileMenu->addAction(QStringLiteral("&Rebuild Indexes"), this, [this] { RebuildIndexes1Click(); });
  RebuildIndexes1->setObjectName(QStringLiteral("RebuildIndexes1"));
  // The filter from the keyboard: Alt+F belongs to this menu, not to the Filter button.
  Filter1 = FileMenu->addAction(QStringLiteral("&Filter..."), this, [this] { FilterbuttonClick(); });
  Filter1->setObjectName(QStringLiteral("Filter1"));
  SortMenu = FileMenu->addMenu(QStringLiteral("Sort"));
  SortMenu->setObjectName(QStringLiteral("Sort1"));
  const auto sort_item = [this](QMenu* menu, const char* name, const char* caption, const char* tag) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    const QString tag_name = QString::fromLatin1(tag);
    connect(action, &QAction::triggered, this, [this, tag_name] { SortByTag(tag_name); });
    return action;
  };
  mainmnuSortDateTime = sort_item(SortMenu, "mainmnuSortDateTime", "Sort by Date+Time", task_schema::kDateTimeTag);
  mainmnuSortDescription = sort_item(SortMenu, "mainmnuSortDescription", "Sort by Description", task_schema::kDescriptTag);
  mainmnuSortPriority = sort_item(SortMenu, "mainmnuSortPriority", "Sort by Priority", task_schema::kPriorityTag);
  mainmnuSortKeyWords = sort_item(SortMenu, "mainmnuSortKeyWords", "Sort by Key Words", task_schema::kKeysTag);
  FileMenu->addSeparator();
  DeleteMenu = FileMenu->addMenu(QStringLiteral("Delete"));
  DeleteMenu->setObjectName(QStringLiteral("Delete1"));
  const auto delete_item = [this](const char* name, const char* caption) {
    QAction* action = DeleteMenu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  AllMarkedDone1 = delete_item("AllMarkedDone1", "All Marked Done");
  AllWithDatesBeforeToday1 = delete_item("AllWithDatesBeforeToday1", "All With Dates Before Today");
  AllTasksMatchingCurrentFilter1 = delete_item("AllTasksMatchingCurrentFilter1", "All Tasks Matching Current Filter");
  AllTasksNOTMatchingCurrentFilter1 =
      delete_item("AllTasksNOTMatchingCurrentFilter1", "All Tasks NOT Matching Current Filter");
  AllTasks1 = delete_item("AllTasks1", "All Tasks");
  connect(AllMarkedDone1, &QAction::triggered, this, [this] { RunBulkDelete(&TBulkDelete::DeleteAllMarkedDone, QStringLiteral("Delete All Marked Done")); });
  connect(AllWithDatesBeforeToday1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllBeforeToday, QStringLiteral("Delete All With Dates Before Today")); });
  connect(AllTasksMatchingCurrentFilter1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllMatchingFilter, QStringLiteral("Delete All Tasks Matching Filter")); });
  connect(AllTasksNOTMatchingCurrentFilter1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllNotMatchingFilter, QStringLiteral("Delete All Tasks NOT Matching Filter")); });
  connect(AllTasks1, &QAction::triggered, this, [this] { RunBulkDelete(&TBulkDelete::DeleteAllTasks, QString()); });
  FileMenu->addSeparator();
  // Undo and redo of the task list; a text box with the focus takes the same keys for its
  // own typing first.
  Undo1 = FileMenu->addAction(QStringLiteral("&Undo"), this, [this] { UndoClick(); });
  Undo1->setObjectName(QStringLiteral("Undo1"));
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = FileMenu->addAction(QStringLiteral("Re&do"), this, [this] { RedoClick(); });
  Redo1->setObjectName(QStringLiteral("Redo1"));
  Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  UpdateUndoItems();
  RestoreFromBackup1 = FileMenu->addAction(QStringLiteral("Restore from &Backup..."), this, [this] { RestoreClick(); });
  RestoreFromBackup1->setObjectName(QStringLiteral("RestoreFromBackup1"));
  FileMenu->addSeparator();
  ImportTasks1 = FileMenu->addAction(QStringLiteral("&Import Tasks..."), this, [this] { ImportTasksClick(); });
  ImportTasks1->setObjectName(QStringLiteral("ImportTasks1"));
  ExportTasks1 = FileMenu->addAction(QStringLiteral("&Export Tasks..."), this, [this] { ExportTasksClick(); });
  ExportTasks1->setObjectName(QStringLiteral("ExportTasks1"));
  FileMenu->addSeparator();
  Exit1 = FileMenu->addAction(QStringLiteral("E&xit"), this, [this] { close(); });
  Exit1->setObjectName(QStringLiteral("Exit1"));
  Exit1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

  HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
  HelpMenu->setObjectName(QStringLiteral("Help1"));
  Contents1 = HelpMenu->addAction(QStringLiteral("&Contents"), this, [this] { HelpContents(); });
  Contents1->setObjectName(QStringLiteral("Contents1"));
  Contents1->setShortcut(QKeySequence(Qt::Key_F1));
  About1 = HelpMenu->addAction(QStringLiteral("&About"), this, [this] { AboutClick(); });
  About1->setObjectName(QStringLiteral("About1"));

  ButtonSortMenu = new QMenu(this);
  ButtonSortMenu->setObjectName(QStringLiteral("ButtonSortMenu"));
  mnuSortDateTime = sort_item(ButtonSortMenu, "mnuSortDateTime", "Sort by Date+Time", task_schema::kDateTimeTag);
  mnuSortDescription = sort_item(ButtonSortMenu, "mnuSortDescription", "Sort by Description", task_schema::kDescriptTag);
  mnuSortPriority = sort_item(ButtonSortMenu, "mnuSortPriority", "Sort by Priority", task_schema::kPriorityTag);
  mnuSortKeyWords = sort_item(ButtonSortMenu, "mnuSortKeyWords", "Sort by Key Words", task_schema::kKeysTag);
  connect(ButtonSortMenu, &QMenu::aboutToShow, this,
          [this] { SetSortChecks(mnuSortDateTime, mnuSortDescription, mnuSortPriority, mnuSortKeyWords); });
}

void TMainScreen::CreatePopupMenus() {
  DateColumnMenu = new QMenu(this);
  DateColumnMenu->setObjectName(QStringLiteral("DateColumnMenu"));
  DateColumnMenu->addAction(QStringLiteral("Calendar"), this, [this] { DateMenuCalendarClick(); })
      ->setObjectName(QStringLiteral("DateCalendar1"));
  DateColumnMenu->addAction(QStringLiteral("Quick Date"), this, [this] { QuickDateMenu->popup(QCursor::pos()); })
      ->setObjectName(QStringLiteral("QuickDate1"));
  DateColumnMenu->addAction(QStringLiteral("Clear Date"), this, [this] { ClearDateClick(); })
      ->setObjectName(QStringLiteral("ClearDate1"));
  DateColumnMenu->addSeparator();
  DateColumnMenu->addAction(QStringLiteral("Cancel"))->setObjectName(QStringLiteral("DateCancel1"));

  PriorityColumnMenu = new QMenu(this);
  PriorityColumnMenu->setObjectName(QStringLiteral("PriorityColumnMenu"));
  PriorityColumnMenu->addAction(QStringLiteral("High Priority"), this, [this] { SetPriorityClick(QStringLiteral("A")); })
      ->setObjectName(QStringLiteral("HighPriority1"));
  PriorityColumnMenu->addAction(QStringLiteral("Medium Priority"), this, [this] { SetPriorityClick(QStringLiteral("B")); })
      ->setObjectName(QStringLiteral("MediumPriority1"));
  PriorityColumnMenu->addAction(QStringLiteral("Low Priority"), this, [this] { SetPriorityClick(QStringLiteral("C")); })
      ->setObjectName(QStringLiteral("LowPriority1"));
  PriorityColumnMenu->addSeparator();
  PriorityColumnMenu->addAction(QStringLiteral("Cancel"))->setObjectName(QStringLiteral("PriorityCancel1"));

  // Captions are built once, from the day the window was created.
  QuickDateMenu = new QMenu(this);
  QuickDateMenu->setObjectName(QStringLiteral("QuickDateMenu"));
  for (const TQuickDate& item : QuickDates(Today())) {
    QAction* action = QuickDateMenu->addAction(item.Caption);
    action->setObjectName(item.Name);
    action->setData(item.Tag);
    const int tag = item.Tag;
    connect(action, &QAction::triggered, this, [this, tag] { QuickDateItemClick(tag); });
  }
  QuickDateMenu->addSeparator();
  QuickDateMenu->addAction(QStringLiteral("Cancel"))->setObjectName(QStringLiteral("QuickDateCancel1"));
}

void TMainScreen::SetWhatsThisTexts() {
  ActiveGrid->setWhatsThis(Lines({"The Task Grid:", "",
                                  "Double-click on the Priority Column, Date Column,Time Column or Key Words "
                                  "Column for a quick change menu. ",
                                  "", "Double-click on the Done column to toggle the status.", "",
                                  "Select the Description field and start typing to change the description value"}));
  ActiveNotes->setWhatsThis(
      Lines({"This shows any notes for the current task.", "", "You may type directly into this box to change the notes"}));
  CalendarButton->setWhatsThis(QStringLiteral(
      "Click here to pop up a calendar. Select a date, and you will be taken to the task which most closely "
      "matches that date."));
  CloneButton->setWhatsThis(QStringLiteral("Click here to make an exact duplicate of the currently highlighted task."));
  DeleteButton->setWhatsThis(QStringLiteral("Click here to delete  the currently highlighted task. "));
  DoneToggleButton->setWhatsThis(QStringLiteral("Click here to toggle the DONE status to yes or no."));
  ExitButton->setWhatsThis(QStringLiteral("Click here to exit this program"));
  Filterbutton->setWhatsThis(Lines({"Click here to set a filter for only the tasks you wish to see.", "",
                                    "The filter can include a date range, a key word or key words, and whether or "
                                    "not to view tasks marked 'done'."}));
  FilterClearbutton->setWhatsThis(QStringLiteral("Click here to clear the current filter (view all records)"));
  OrderButton->setWhatsThis(Lines({"Click here to change the sort order of the task list. Available viewing orders are:",
                                   "", "1. By DATE+TIME  (blank dates show first)", "2. By Description ",
                                   "3. By Priority (High Priority first)"}));
  Printbutton->setWhatsThis(QStringLiteral("Click here to create reports to Printer, HTML, RTF or TEXT"));
  ShowDone->setWhatsThis(QStringLiteral("Click this button to toggle whether or not 'Done' tasks will be shown. "));

  // "What's this?" on the grid, the notes and every button but the pointer-help one.
  for (QWidget* control : std::initializer_list<QWidget*>{
           ActiveGrid, ActiveNotes, Editbutton, Newbutton, CloneButton, DeleteButton, Filterbutton, OrderButton,
           DoneToggleButton, Printbutton, CalendarButton, ExitButton, Helpbutton, FilterClearbutton, ShowDone}) {
    PopupHelp1->AttachMenu(control);
  }
}

void TMainScreen::SizeColumns() {
  const QFontMetrics metrics(ProgramFont());
  const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
  for (int column = 0; column < TaskGridModel::kColumnCount; ++column) {
    const QString title = model_->headerData(column, Qt::Horizontal).toString();
    const int width = std::max(TaskGridModel::DisplayWidth(column) * digit, metrics.horizontalAdvance(title)) + 4;
    ActiveGrid->setColumnWidth(column, width);
  }
}

void TMainScreen::PlaceStatus() {
  const QWidget* area = centralWidget();
  if (!area || !UpdateStatusPanel) return;
  UpdateStatusPanel->move(std::max(0, (area->width() - UpdateStatusPanel->width()) / 2),
                          std::max(0, (area->height() - UpdateStatusPanel->height()) / 2));
}
