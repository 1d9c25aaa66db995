#include "app/MainScreen.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
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
#include "widgets/MessageBox.h"
#include "core/QuickDates.h"
#include "app/RebuildInd.h"
#include "app/Splashform.h"
#include "app/TaskGridModel.h"
#include "dialogs/CallTaskEdit.h"
#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "store/UpgradeTaskFiles.h"
#include "widgets/HelpContext.h"
#include "widgets/Splitter.h"
#include "widgets/WhatsThisButton.h"
#include "widgets/WhatsThisPopup.h"

namespace {

constexpr char kReminder[] = "Please rebuild indexes ASAP";
constexpr char kLoadingKeyWords[] = "Loading Key Words List...";
constexpr char kDateTimeTag[] = "DATETIME";

QFont ProgramFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  return font;
}

// What's-this text from lines; an empty string stands for an empty line.
QString Lines(std::initializer_list<const char*> lines) {
  QStringList list;
  for (const char* line : lines) list << QString::fromLatin1(line);
  return list.join(QLatin1Char('\n'));
}

QString StoredDate(const QDate& date) { return date.toString(QStringLiteral("yyyyMMdd")); }

// The stored yyyymmdd date as the working settings write it: mm/dd/yyyy.
QString DateAsWorkingText(const QString& stored) {
  return stored.mid(4, 2) + QLatin1Char('/') + stored.mid(6, 2) + QLatin1Char('/') + stored.left(4);
}

// Notes are stored with CR LF line ends; the pane works with LF.
QString NoteForPane(const QString& stored) {
  QString text = stored;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString NoteForTable(const QString& pane) {
  QString text = pane;
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

}  // namespace

TMainScreen::TMainScreen(QWidget* parent)
    : QMainWindow(parent), table_(std::make_unique<TodoTable>(static_cast<TodoTableHost*>(this))), settings_(ProgramDirectory()) {
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Jotlist"));
  setWindowIcon(QIcon(TGlyphs::Program(64)));
  setFont(ProgramFont());
  table_->SetDirectory(ProgramDirectory());
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
  connect(model_, &TaskGridModel::editFailed, this, [](const QString& message) { ErrorBox(message); });
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
  table_->Close();
}

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

  // The task panel: grid over notes.
  TaskPanel = new QWidget(central);
  TaskPanel->setObjectName(QStringLiteral("TaskPanel"));
  auto* task_layout = new QVBoxLayout(TaskPanel);
  task_layout->setContentsMargins(0, 0, 0, 0);
  task_layout->setSpacing(0);
  Splitter = new TSplitter(Qt::Vertical, TaskPanel);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setChildrenCollapsible(false);
  task_layout->addWidget(Splitter);

  ActiveGrid = new QTableView(Splitter);
  ActiveGrid->setObjectName(QStringLiteral("ActiveGrid"));
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
  mainmnuSortDateTime = sort_item(SortMenu, "mainmnuSortDateTime", "Sort by Date+Time", "DATETIME");
  mainmnuSortDescription = sort_item(SortMenu, "mainmnuSortDescription", "Sort by Description", "DESCRIPT");
  mainmnuSortPriority = sort_item(SortMenu, "mainmnuSortPriority", "Sort by Priority", "PRIORITY");
  mainmnuSortKeyWords = sort_item(SortMenu, "mainmnuSortKeyWords", "Sort by Key Words", "KEYS");
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
  connect(AllMarkedDone1, &QAction::triggered, this, [this] { RunBulkDelete(&TBulkDelete::DeleteAllMarkedDone); });
  connect(AllWithDatesBeforeToday1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllBeforeToday); });
  connect(AllTasksMatchingCurrentFilter1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllMatchingFilter); });
  connect(AllTasksNOTMatchingCurrentFilter1, &QAction::triggered, this,
          [this] { RunBulkDelete(&TBulkDelete::DeleteAllNotMatchingFilter); });
  connect(AllTasks1, &QAction::triggered, this, [this] { RunBulkDelete(&TBulkDelete::DeleteAllTasks); });
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
  mnuSortDateTime = sort_item(ButtonSortMenu, "mnuSortDateTime", "Sort by Date+Time", "DATETIME");
  mnuSortDescription = sort_item(ButtonSortMenu, "mnuSortDescription", "Sort by Description", "DESCRIPT");
  mnuSortPriority = sort_item(ButtonSortMenu, "mnuSortPriority", "Sort by Priority", "PRIORITY");
  mnuSortKeyWords = sort_item(ButtonSortMenu, "mnuSortKeyWords", "Sort by Key Words", "KEYS");
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

// ---------------------------------------------------------------- start-up and close

void TMainScreen::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first activation starts the program once the window is on screen.
  if (first_activation_) QTimer::singleShot(0, this, &TMainScreen::FormActivate);
}

void TMainScreen::FormActivate() {
  if (!first_activation_ || activating_ || closing_) return;
  activating_ = true;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  PopupHelp1->SetColor(palette().color(QPalette::Window));

  RestoreFormPlacement(this);
  TaskPanel->hide();
  table_->SetSuspendDisplayFields(true);
  // The list is built once, at the end: order and filter change several times first.
  table_->BeginBatch();

  if (!table_->OpenTaskFiles(false)) {
    table_->EndBatch();
    QGuiApplication::restoreOverrideCursor();
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

  table_->EndBatch();
  QCoreApplication::processEvents();
  SetButtons();
  TaskPanel->show();
  SetMainMenuSortChecks();
  model_->SetEmphasis(true);
  TableCurrentChanged();

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
  QGuiApplication::restoreOverrideCursor();

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
  closing_ = true;
  QCoreApplication::processEvents();
  // Settings are written only when they were read: a start that failed to open the
  // files must not replace the stored preferences with defaults.
  if (preferences_loaded_) {
    SavePreferences();
    SaveFormPlacement(this);
  }
  PostNotes();
  if (table_->Editing()) table_->Post();
  table_->Close();
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
  const xbase::Status status = settings_.SavePreferences(preferences_);
  if (!status.ok()) ErrorBox(QString::fromStdString(status.message()));
}

// ---------------------------------------------------------------- list state

void TMainScreen::SetButtons() {
  const uint32_t n = table_->RecordNumber();
  const uint32_t c = table_->RecordCount();
  if (n > 0 && n <= c) table_->GoToRecord(n);
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
    if (previous.ok) table_->SetFilter(previous.expression);
  } else {
    const xbase::Status status = table_->SetFilter(expression.expression);
    if (status.ok()) {
      applied_filter_ = filter_;
    } else {
      ErrorBox(QStringLiteral("The filter cannot be used: ") + QString::fromStdString(status.message()));
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
  if (tag == QLatin1String("DATETIME")) date_time->setChecked(true);
  if (tag == QLatin1String("DESCRIPT")) description->setChecked(true);
  if (tag == QLatin1String("PRIORITY")) priority->setChecked(true);
  if (tag == QLatin1String("KEYS")) key_words->setChecked(true);
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
  while (!table_->AtEnd()) {
    key_words_.BreakStringIntoWords(table_->FieldText(TodoTable::kKeys));
    table_->Next();
    // The window stays responsive during a long walk.
    QCoreApplication::processEvents();
  }
  table_->SetTurboRead(false);
  table_->EndBatch();
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
    notes_recno_ = recno;
    const QSignalBlocker block(ActiveNotes);
    ActiveNotes->setPlainText(recno != 0 ? NoteForPane(table_->Memo(TodoTable::kNote)) : QString());
    ActiveNotes->document()->setModified(false);
    ActiveNotes->setReadOnly(recno == 0);
  }
}

void TMainScreen::GridCurrentChanged(const QModelIndex& current) {
  if (following_table_ || !current.isValid()) return;
  if (current.row() == table_->CurrentRow()) return;
  PostNotes();
  following_table_ = true;
  table_->GoToRow(current.row());
  following_table_ = false;
  TableCurrentChanged();
  SetButtons();
}

void TMainScreen::PostNotes() {
  if (notes_recno_ == 0 || !ActiveNotes->document()->isModified()) return;
  ActiveNotes->document()->setModified(false);
  xbase::Status status;
  if (table_->RecordNumber() != notes_recno_) status = table_->GoToRecord(notes_recno_);
  if (status.ok()) status = table_->Edit();
  if (status.ok()) status = table_->SetMemo(TodoTable::kNote, NoteForTable(ActiveNotes->toPlainText()));
  if (status.ok()) status = table_->Post();
  if (!status.ok()) {
    table_->Cancel();
    ErrorBox(QString::fromStdString(status.message()));
  }
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
  } else if (event->type() == QEvent::KeyRelease) {
    previewed_key_ = nullptr;
  } else if (event->type() == QEvent::KeyPress && !first_activation_ && event != previewed_key_) {
    // The window sees every key before its controls. A key a control does not take
    // travels on to its parents as the same event: it counts once.
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this && !key->isAutoRepeat()) {
      previewed_key_ = event;
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
  PostNotes();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  table_->SetOrder(table_->OrderOfTag(tag));
  SetMainMenuSortChecks();
  table_->First();
  QCoreApplication::processEvents();
  QGuiApplication::restoreOverrideCursor();
}

void TMainScreen::OrderButtonClick() { PopupUnderButton(OrderButton, ButtonSortMenu); }

void TMainScreen::ShowDoneClick() {
  PostNotes();
  filter_.ShowDoneTasks = !filter_.ShowDoneTasks;
  SetUpFilter();
}

void TMainScreen::FilterbuttonClick() {
  PostNotes();
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

void TMainScreen::FilterClearbuttonClick() {
  PostNotes();
  filter_.ClearCriteria();
  SetUpFilter();
}

void TMainScreen::RebuildIndexes1Click() {
  if (!ConfirmBox(QStringLiteral("Rebuild Index Files?"))) return;
  PostNotes();
  table_->Close();
  if (table_->OpenTaskFiles(true)) {
    RunRebuild(*table_, true);
    ::InfoBox(QStringLiteral("Done!"));
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
  reindex_needed_ = false;
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
  PostNotes();
  xbase::Status status = table_->Edit();
  if (status.ok()) status = table_->SetFieldText(field, value);
  if (status.ok()) status = table_->Post();
  if (!status.ok()) table_->Cancel();
  // The task may have left the list (a date or key word outside the filter).
  SetButtons();
  if (!status.ok()) {
    ErrorBox(QString::fromStdString(status.message()));
    return false;
  }
  return true;
}

void TMainScreen::EditbuttonClick() {
  PostNotes();
  CallTaskEdit(TTaskEditMode::Edit, *table_, key_words_, this);
  TableCurrentChanged();
  SetButtons();
  update();
}

void TMainScreen::NewbuttonClick() {
  PostNotes();
  CallTaskEdit(TTaskEditMode::Add, *table_, key_words_, this);
  TableCurrentChanged();
  SetButtons();
  update();
}

void TMainScreen::RunBulkDelete(int (TBulkDelete::*command)()) {
  PostNotes();
  TBulkDelete bulk(*this);
  (bulk.*command)();
  HideStatus();
  SetMainMenuSortChecks();
  TableCurrentChanged();
}

bool TMainScreen::DeleteButtonClick() {
  if (!ConfirmBox(QStringLiteral("Delete this task? "))) return false;
  // A note being typed is kept should the deletion fail.
  PostNotes();
  const uint32_t a = table_->RecordNumber();
  table_->Next();
  const uint32_t b = table_->RecordNumber();
  table_->GoToRecord(a);
  const xbase::Status status = table_->Delete();
  // A failed deletion leaves the list where it was.
  if (status.ok()) table_->GoToRecord(b);
  if (!status.ok()) ::InfoBox(QStringLiteral("Error: Unable to delete"));
  SetButtons();
  return status.ok();
}

void TMainScreen::DoneToggleButtonClick() {
  PostNotes();
  table_->SetSuspendDisplayFields(true);
  xbase::Status status = table_->Edit();
  if (status.ok()) status = table_->SetFieldBool(TodoTable::kDone, !table_->FieldBool(TodoTable::kDone));
  if (status.ok()) status = table_->Post();
  if (!status.ok()) table_->Cancel();
  table_->SetSuspendDisplayFields(false);
  if (!status.ok()) ::InfoBox(QStringLiteral("Error:Unable to save changes"));
  SetButtons();
}

void TMainScreen::CloneButtonClick() {
  PostNotes();
  if (!ConfirmBox(QStringLiteral("Clone this task?"))) {
    SetButtons();
    return;
  }
  const QString note = table_->Memo(TodoTable::kNote);
  const QString descript = table_->FieldText(TodoTable::kDescript);
  const QString keys = table_->FieldText(TodoTable::kKeys);
  const QString date = table_->FieldText(TodoTable::kDate);
  const QString time = table_->FieldText(TodoTable::kTime);
  xbase::Status status = table_->Append();
  if (status.ok()) status = table_->SetFieldText(TodoTable::kDescript, descript);
  if (status.ok()) status = table_->SetMemo(TodoTable::kNote, note);
  if (status.ok()) status = table_->SetFieldText(TodoTable::kKeys, keys);
  if (status.ok()) status = table_->SetFieldText(TodoTable::kDate, date);
  if (status.ok()) status = table_->SetFieldText(TodoTable::kTime, time);
  if (status.ok()) status = table_->SetFieldBool(TodoTable::kDone, false);
  if (status.ok()) status = table_->Post();
  if (!status.ok()) {
    table_->Cancel();
    ErrorBox(QString::fromStdString(status.message()));
  }
  SetButtons();
}

void TMainScreen::CalendarButtonClick() {
  PostNotes();
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
  } else if (field == QLatin1String("KEYS")) {
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
