#include "dialogs/TaskEditor.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTime>
#include <QToolButton>

#include "core/AppHelpers.h"
#include "widgets/FormPlacement.h"
#include "core/DateTimeFormat.h"
#include "widgets/Glyphs.h"
#include "widgets/MessageBox.h"
#include "core/QuickDates.h"
#include "dialogs/DateSelector.h"
#include "dialogs/SetTimeDialog.h"
#include "store/CodePage.h"
#include "store/TaskSchema.h"
#include "widgets/BevelPanel.h"
#include "widgets/DialogFrame.h"
#include "widgets/HelpContext.h"
#include "widgets/UnstorableText.h"
#include "widgets/WhatsThisButton.h"

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QFont ArialPixels(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  return font;
}

// A small clock face for the quick time button.
QIcon ClockGlyph() {
  constexpr int kSize = 16;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1.2));
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  painter.setPen(QPen(QColor(0, 0, 128), 1.4, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(8, 8), QPointF(8, 4));
  painter.drawLine(QPointF(8, 8), QPointF(11, 9.5));
  return QIcon(pixmap);
}

// Menu captions treat "&" as the mark of an access key; a key word shows it as it is.
QString MenuText(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
  return escaped;
}

}  // namespace

TTaskEditor::TTaskEditor(const QStringList& keyWords, QWidget* parent) : QDialog(parent), codePage_(kDefaultCodePage) {
  setObjectName(QStringLiteral("TaskEditor"));
  setWindowTitle(QStringLiteral("Task Editor"));
  setFont(ArialPixels(11));
  setFixedSize(kClientWidth, kClientHeight);
  // A fixed dialog border; its close button means Cancel.
  SetFixedDialogFrame(this);
  SetHelpContext(this, kHelpContext);

  constexpr int kMargin = 8;
  constexpr int kWidth = kClientWidth - 2 * kMargin;
  constexpr int kEditHeight = 21;
  constexpr int kSmallButton = 24;

  TaskLabel = Named(new QLabel(QStringLiteral("Editing Task"), this), "TaskLabel");
  TaskLabel->setGeometry(kMargin, 6, kWidth, 15);
  Task = Named(new QLineEdit(this), "Task");
  Task->setMaxLength(static_cast<int>(task_schema::kDescriptWidth));
  Task->setGeometry(kMargin, 22, kWidth, kEditHeight);
  TaskLabel->setBuddy(Task);

  IsDone = Named(new QCheckBox(QStringLiteral("Done?"), this), "IsDone");
  IsDone->setGeometry(kMargin, 49, 80, 17);

  KeyWordsLabel = Named(new QLabel(QStringLiteral("Key words"), this), "KeyWordsLabel");
  KeyWordsLabel->setGeometry(kMargin, 72, 200, 15);
  KeyWords = Named(new QLineEdit(this), "KeyWords");
  KeyWords->setGeometry(kMargin, 88, kWidth - kSmallButton - 2, kEditHeight);
  KeyWordsLabel->setBuddy(KeyWords);
  KeyListbutton = Named(new QToolButton(this), "KeyListbutton");
  KeyListbutton->setArrowType(Qt::DownArrow);
  KeyListbutton->setFocusPolicy(Qt::NoFocus);
  KeyListbutton->setGeometry(kClientWidth - kMargin - kSmallButton, 88, kSmallButton, kEditHeight);

  // The date and the time each sit in a frame whose hint names the format to type.
  constexpr int kFrameTop = 116;
  constexpr int kFrameHeight = 50;
  constexpr int kDateFrameWidth = 236;
  DateFormat = Named(new QFrame(this), "DateFormat");
  DateFormat->setFrameShape(QFrame::StyledPanel);
  DateFormat->setFrameShadow(QFrame::Sunken);
  DateFormat->setGeometry(kMargin, kFrameTop, kDateFrameWidth, kFrameHeight);
  DateLabel = Named(new QLabel(QStringLiteral("Date (blank for none)"), DateFormat), "DateLabel");
  DateLabel->setGeometry(6, 5, 200, 15);
  DateEdit = Named(new QLineEdit(DateFormat), "DateEdit");
  DateEdit->setGeometry(6, 22, 100, kEditHeight);
  DateLabel->setBuddy(DateEdit);
  CalendarButton = Named(new QToolButton(DateFormat), "CalendarButton");
  CalendarButton->setIcon(TGlyphs::Calendar());
  CalendarButton->setIconSize(QSize(16, 16));
  // Reached by Tab (after the bottom buttons); a click leaves the focus where it is.
  CalendarButton->setFocusPolicy(Qt::TabFocus);
  CalendarButton->setGeometry(109, 22, kSmallButton, kEditHeight);
  QuickDateButton = Named(new QPushButton(QStringLiteral("Quick Date"), DateFormat), "QuickDateButton");
  QuickDateButton->setAutoDefault(false);
  QuickDateButton->setFocusPolicy(Qt::NoFocus);
  QuickDateButton->setGeometry(137, 22, 91, kEditHeight);

  constexpr int kTimeFrameLeft = kMargin + kDateFrameWidth + 6;
  TimeFormat = Named(new QFrame(this), "TimeFormat");
  TimeFormat->setFrameShape(QFrame::StyledPanel);
  TimeFormat->setFrameShadow(QFrame::Sunken);
  TimeFormat->setGeometry(kTimeFrameLeft, kFrameTop, kClientWidth - kMargin - kTimeFrameLeft, kFrameHeight);
  TimeLabel = Named(new QLabel(QStringLiteral("Time (blank for none)"), TimeFormat), "TimeLabel");
  TimeLabel->setGeometry(6, 5, 126, 15);
  TimeEdit = Named(new QLineEdit(TimeFormat), "TimeEdit");
  TimeEdit->setGeometry(6, 22, 90, kEditHeight);
  TimeLabel->setBuddy(TimeEdit);
  QuickTimeButton = Named(new QToolButton(TimeFormat), "QuickTimeButton");
  QuickTimeButton->setIcon(ClockGlyph());
  QuickTimeButton->setIconSize(QSize(16, 16));
  QuickTimeButton->setFocusPolicy(Qt::TabFocus);
  QuickTimeButton->setToolTip(QStringLiteral("Click for Quick Time Set"));
  QuickTimeButton->setGeometry(99, 22, kSmallButton, kEditHeight);

  PriorityPanel = Named(new QFrame(this), "PriorityPanel");
  PriorityPanel->setFrameShape(QFrame::StyledPanel);
  PriorityPanel->setFrameShadow(QFrame::Sunken);
  PriorityPanel->setGeometry(kMargin, 172, kWidth, 30);
  auto* priorityLabel = Named(new QLabel(QStringLiteral("Priority"), PriorityPanel), "PriorityLabel");
  priorityLabel->setGeometry(8, 7, 60, 15);
  pHigh = Named(new QRadioButton(QStringLiteral("High"), PriorityPanel), "pHigh");
  pHigh->setGeometry(90, 6, 80, 17);
  pMedium = Named(new QRadioButton(QStringLiteral("Medium"), PriorityPanel), "pMedium");
  pMedium->setGeometry(180, 6, 80, 17);
  pLow = Named(new QRadioButton(QStringLiteral("Low"), PriorityPanel), "pLow");
  pLow->setGeometry(275, 6, 80, 17);
  pMedium->setChecked(true);

  NotesLabel = Named(new QLabel(QStringLiteral("Notes"), this), "NotesLabel");
  NotesLabel->setGeometry(kMargin, 208, 100, 15);
  Notes = Named(new QPlainTextEdit(this), "Notes");
  Notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Notes->setTabChangesFocus(true);
  Notes->setGeometry(kMargin, 224, kWidth, 104);
  NotesLabel->setBuddy(Notes);

  constexpr int kBarHeight = 42;
  BottomPanel = Named(new TBevelPanel(this), "BottomPanel");
  BottomPanel->setGeometry(0, kClientHeight - kBarHeight, kClientWidth, kBarHeight);
  constexpr int kButtonWidth = 75;
  constexpr int kButtonHeight = 25;
  constexpr int kButtonGap = 8;
  constexpr int kButtonsLeft = (kClientWidth - 3 * kButtonWidth - 2 * kButtonGap) / 2;
  constexpr int kButtonTop = (kBarHeight - kButtonHeight) / 2;
  OKButton = Named(new QPushButton(QStringLiteral("Ok"), BottomPanel), "OKButton");
  OKButton->setGeometry(kButtonsLeft, kButtonTop, kButtonWidth, kButtonHeight);
  CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), BottomPanel), "CancelButton");
  CancelButton->setGeometry(kButtonsLeft + kButtonWidth + kButtonGap, kButtonTop, kButtonWidth, kButtonHeight);
  Helpbutton = Named(new QPushButton(QStringLiteral("Help"), BottomPanel), "Helpbutton");
  Helpbutton->setGeometry(kButtonsLeft + 2 * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
                          kButtonHeight);
  WhatsThisButton = Named(new TWhatsThisButton(BottomPanel), "WhatsThisButton");
  WhatsThisButton->setGeometry(kClientWidth - kMargin - kButtonHeight, kButtonTop, kButtonHeight, kButtonHeight);
  for (QPushButton* button : {OKButton, CancelButton, Helpbutton}) {
    button->setAutoDefault(false);
    // Reached by Tab, but a click leaves the focus where it is: the date and time checks
    // run on leaving their fields, and Cancel or Help should not set them off.
    button->setFocusPolicy(Qt::TabFocus);
  }
  OKButton->setDefault(true);

  connect(OKButton, &QPushButton::clicked, this, &TTaskEditor::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(Helpbutton, &QPushButton::clicked, this, &TTaskEditor::HelpbuttonClick);
  connect(CalendarButton, &QToolButton::clicked, this, &TTaskEditor::CalendarButtonClick);
  connect(QuickTimeButton, &QToolButton::clicked, this, &TTaskEditor::QuickTimeButtonClick);
  auto* saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
  connect(saveShortcut, &QShortcut::activated, this, &TTaskEditor::OKButtonClick);

  BuildQuickDateMenu();
  BuildKeyListMenu(keyWords);
  connect(QuickDateButton, &QPushButton::clicked, this, [this] { PopupUnderButton(QuickDateButton, QuickDateMenu); });
  connect(KeyListbutton, &QToolButton::clicked, this, [this] { PopupUnderButton(KeyListbutton, KeyListMenu); });

  connect(Task, &QLineEdit::textChanged, this,
          [this](const QString& text) { MarkUnstorableText(Task, UnstorableCharacters(text, codePage_)); });
  connect(KeyWords, &QLineEdit::textChanged, this,
          [this](const QString& text) { MarkUnstorableText(KeyWords, UnstorableCharacters(text, codePage_)); });
  connect(Notes, &QPlainTextEdit::textChanged, this,
          [this] { MarkUnstorableText(Notes, UnstorableCharacters(Notes->toPlainText(), codePage_)); });

  DateEdit->installEventFilter(this);
  TimeEdit->installEventFilter(this);

  CalendarButton->setWhatsThis(QStringLiteral("Click here to select a date from a calendar"));
  CancelButton->setWhatsThis(QStringLiteral("Click here to cancel and exit"));
  DateEdit->setWhatsThis(QStringLiteral("Enter the date here (format will depend upon your Windows settings)"));
  IsDone->setWhatsThis(QStringLiteral("Check here to mark the task as done or not"));
  KeyListbutton->setWhatsThis(QStringLiteral("Click here for a menu of key words you have used"));
  KeyWords->setWhatsThis(QStringLiteral(
      "Enter any Key Words here. A Key word is useful for later filtering of the tasks. \n"
      "\n"
      "For instance, if Joe and Betty use this program, Joe might use the Key Word  'Joe' and Betty the Key "
      "Word 'Betty' when entering tasks. Later, they can use the Filter to view only tasks with  Key Words of "
      "'Joe' or \"Betty'.\n"
      "\n"
      "Or you might divide your tasks into 'Home' and 'School', using those  Key Words, and later use the "
      "filter to view only tasks matching one or the other."));
  Notes->setWhatsThis(QStringLiteral("Enter any notes about this task here"));
  OKButton->setWhatsThis(QStringLiteral("Click here to save changes"));
  pHigh->setWhatsThis(QStringLiteral("Check for high priority"));
  pLow->setWhatsThis(QStringLiteral("Check for low priority"));
  pMedium->setWhatsThis(QStringLiteral("Check for medium priority"));
  QuickDateButton->setWhatsThis(QStringLiteral("Click here for a quick dropdown list of dates"));
  QuickTimeButton->setWhatsThis(QStringLiteral("Click here to call up the point-and-click Quick Time Set dialog"));
  Task->setWhatsThis(QStringLiteral("Enter a description for the task here"));
  TimeEdit->setWhatsThis(QStringLiteral("Enter the time here (HH:MMam/pm)"));

  setTabOrder(Task, IsDone);
  setTabOrder(IsDone, KeyWords);
  setTabOrder(KeyWords, DateEdit);
  setTabOrder(DateEdit, TimeEdit);
  setTabOrder(TimeEdit, pHigh);
  setTabOrder(pHigh, pMedium);
  setTabOrder(pMedium, pLow);
  setTabOrder(pLow, Notes);
  setTabOrder(Notes, OKButton);
  setTabOrder(OKButton, CancelButton);
  setTabOrder(CancelButton, Helpbutton);
  setTabOrder(Helpbutton, WhatsThisButton);
  // The key word and quick date buttons are no tab stops; the quick time and calendar
  // buttons close the chain.
  setTabOrder(WhatsThisButton, QuickTimeButton);
  setTabOrder(QuickTimeButton, CalendarButton);
}

void TTaskEditor::BuildQuickDateMenu() {
  QuickDateMenu = Named(new QMenu(this), "QuickDateMenu");
  for (const TQuickDate& item : QuickDates(Today())) {
    QAction* action = QuickDateMenu->addAction(item.Caption);
    action->setObjectName(item.Name);
    action->setData(item.Tag);
    const int tag = item.Tag;
    connect(action, &QAction::triggered, this, [this, tag] { QuickDateItemClick(tag); });
  }
}

void TTaskEditor::BuildKeyListMenu(const QStringList& keyWords) {
  KeyListMenu = Named(new QMenu(this), "KeyListMenu");
  for (const QString& word : keyWords) {
    QAction* action = KeyListMenu->addAction(MenuText(word));
    action->setData(word);
    connect(action, &QAction::triggered, this, [this, word] { KeyListItemClick(word); });
  }
}

void TTaskEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  Task->setFocus(Qt::OtherFocusReason);
  Task->selectAll();
  FormActivate();
}

void TTaskEditor::FormActivate() {
  DateFormat->setToolTip(QStringLiteral("(use format ") + FormatSettings().ShortDateFormat.toLower() +
                         QLatin1Char(')'));
  TimeFormat->setToolTip(QStringLiteral("(use format ") +
                         FormatDateTime(QStringLiteral("t"), QTime::currentTime()) + QLatin1Char(')'));
}

bool TTaskEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == DateEdit || watched == TimeEdit)) {
    // Only a move to another control of this dialog counts as leaving the field; the
    // dialog losing the focus to another window, a menu or a message box does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool leftForAnotherControl = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                                       reason != Qt::MenuBarFocusReason;
    if (leftForAnotherControl && !checking_ && isVisible()) {
      if (watched == DateEdit)
        DateEditExit();
      else
        TimeEditExit();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TTaskEditor::RefuseEntry(QLineEdit* edit, const QString& message) {
  checking_ = true;
  InfoBox(message);
  edit->clear();
  edit->setFocus(Qt::OtherFocusReason);
  checking_ = false;
  inputValid_ = false;
}

bool TTaskEditor::DateEditExit() {
  const QString text = DateEdit->text().toUpper();
  if (text.isEmpty()) return true;
  QDate date;
  if (TryStrToDate(text, date)) {
    DateEdit->setText(FormatDateTime(QStringLiteral("ddddd"), date));
    return true;
  }
  const QString& format = FormatSettings().ShortDateFormat;
  RefuseEntry(DateEdit, QStringLiteral("Please use the date format ") + format + QLatin1Char('\r') +
                            QStringLiteral("   Example: ") + FormatDateTime(format, Today()));
  return false;
}

bool TTaskEditor::TimeEditExit() {
  // Upper-cased so that designators typed in lower case are accepted.
  const QString text = TimeEdit->text().toUpper();
  if (text.isEmpty()) return true;
  QTime time;
  if (TryStrToTime(text, time)) {
    TimeEdit->setText(FormatDateTime(QStringLiteral("t"), time));
    return true;
  }
  RefuseEntry(TimeEdit, QStringLiteral("Invalid time. Please use your Windows Time format") + QLatin1Char('\r') +
                            QStringLiteral("   Example: ") +
                            FormatDateTime(QStringLiteral("t"), QTime::currentTime()));
  return false;
}

void TTaskEditor::OKButtonClick() {
  inputValid_ = true;
  DateEditExit();
  TimeEditExit();
  if (inputValid_ && ConfirmStoredText()) accept();
}

void TTaskEditor::SetCodePage(int codePage) {
  codePage_ = codePage;
  MarkUnstorableFields();
}

void TTaskEditor::MarkUnstorableFields() {
  MarkUnstorableText(Task, UnstorableCharacters(Task->text(), codePage_));
  MarkUnstorableText(KeyWords, UnstorableCharacters(KeyWords->text(), codePage_));
  MarkUnstorableText(Notes, UnstorableCharacters(Notes->toPlainText(), codePage_));
}

bool TTaskEditor::ConfirmStoredText() {
  MarkUnstorableFields();
  if (ConfirmUnstorableText(UnstorableCharacters(Task->text() + KeyWords->text() + Notes->toPlainText(), codePage_))) return true;
  for (QWidget* field : std::initializer_list<QWidget*>{Task, KeyWords, Notes}) {
    if (IsMarkedUnstorable(field)) {
      field->setFocus(Qt::OtherFocusReason);
      break;
    }
  }
  return false;
}

void TTaskEditor::QuickDateItemClick(int tag) {
  DateEdit->setText(FormatDateTime(QStringLiteral("ddddd"), Today().addDays(tag)));
  DateEdit->setFocus(Qt::OtherFocusReason);
}

void TTaskEditor::KeyListItemClick(const QString& word) {
  const QString keys = KeyWords->text();
  KeyWords->setText(keys.isEmpty() ? word : keys + QLatin1Char(' ') + word);
}

void TTaskEditor::CalendarButtonClick() {
  TDateSelector selector(this);
  CenterForm(&selector);
  QDate start;
  if (!TryStrToDate(DateEdit->text(), start)) start = Today();
  selector.SetSelectedDate(start);
  if (selector.exec() == QDialog::Accepted)
    DateEdit->setText(FormatDateTime(QStringLiteral("ddddd"), selector.SelectedDate()));
  // Back on the date either way, so that leaving it checks it.
  DateEdit->setFocus(Qt::OtherFocusReason);
}

void TTaskEditor::QuickTimeButtonClick() {
  QTime start = QTime::currentTime();
  const QString text = TimeEdit->text().toUpper();
  QTime typed;
  if (!text.isEmpty() && TryStrToTime(text, typed)) start = typed;
  TSetTimeDialog dialog(this);
  dialog.SetSelectedTime(start);
  CenterForm(&dialog);
  if (dialog.exec() == QDialog::Accepted)
    TimeEdit->setText(FormatDateTime(QStringLiteral("t"), dialog.SelectedTime()));
}

void TTaskEditor::HelpbuttonClick() {
  if (isSignalConnected(QMetaMethod::fromSignal(&TTaskEditor::helpRequested)))
    emit helpRequested(kHelpContext);
  else
    ShowHelpContext(kHelpContext);
}

int TTaskEditor::FormCloseQuery() {
  if (!ConfirmBox(QStringLiteral("Save changes"))) return QDialog::Rejected;
  inputValid_ = true;
  DateEditExit();
  TimeEditExit();
  const bool store = inputValid_ && ConfirmStoredText();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return store ? QDialog::Accepted : QDialog::Rejected;
}

void TTaskEditor::closeEvent(QCloseEvent* event) {
  // The window system's close command is the user's Cancel; a close the program asks for
  // while no result is chosen asks first.
  if (event->spontaneous() || !isVisible()) {
    QDialog::closeEvent(event);
    return;
  }
  const int result = FormCloseQuery();
  event->accept();
  done(result);
}
