// TTaskEditor: the "Task Editor" dialog in which one task is added or edited as a whole.
// CallTaskEdit (dialogs/CallTaskEdit.h) fills it, shows it and stores what it holds; the
// dialog itself checks the date and time the user types, under the date formats in force
// while it is shown (the user's own), and offers the quick date, key word, calendar and
// quick time helpers.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TBevelPanel;
class TWhatsThisButton;

class TTaskEditor : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 1004;
  static constexpr int kClientWidth = 392;
  static constexpr int kClientHeight = 376;
  // Text of Task in add mode.
  static constexpr char kNewTaskText[] = "{Task description}";

  // Builds the dialog with its seventeen quick date captions (dated from Today() under the
  // formats in force, normally the working ones) and one key word menu item per entry of
  // `keyWords`, in order.
  explicit TTaskEditor(const QStringList& keyWords, QWidget* parent = nullptr);

  // Result of the last Ok step: false when the date or the time was refused.
  bool InputValid() const { return inputValid_; }

  // The code page of the task file the texts go to (Windows number); the text fields are
  // marked while they hold characters it cannot hold.
  void SetCodePage(int codePage);
  int CodePage() const { return codePage_; }

  // The Ok step (Ok button, Ctrl+S): checks the date, then the time, and closes with
  // Accepted when both are usable. A refused entry is emptied and the dialog stays open.
  // Texts holding characters the task file cannot hold are named in a question first; on
  // No the dialog stays open on the first such field.
  void OKButtonClick();

  // The checks run when the user leaves DateEdit or TimeEdit (and by the Ok step). An
  // empty field is accepted; a usable entry is rewritten in the short date format ("ddddd")
  // or the short time format ("t"); anything else is reported, emptied and refocused, and
  // clears InputValid. Give whether the entry was accepted.
  bool DateEditExit();
  bool TimeEditExit();

  // The quick date menu item with this tag (days after today): DateEdit gets that date.
  void QuickDateItemClick(int tag);
  // Appends a key word from the key word menu: alone into an empty field, else after a blank.
  void KeyListItemClick(const QString& word);
  // Opens the date selector on DateEdit's date (or today) and takes the date picked.
  void CalendarButtonClick();
  // Opens the time dialog on TimeEdit's time (or now) and takes the time picked.
  void QuickTimeButtonClick();

  // Asks "Save changes" when the dialog is made to close with no result chosen (a close
  // asked for by the program, not by the user's Cancel, Esc or window close command, which
  // all mean Cancel); on Yes runs the Ok step. Gives the result the close ends with:
  // Accepted only when Yes found the entries usable.
  int FormCloseQuery();

  // The dialog's controls, owned by it through Qt parenthood; object names as the members.
  QLabel* TaskLabel = nullptr;
  QLineEdit* Task = nullptr;
  QCheckBox* IsDone = nullptr;
  QLabel* KeyWordsLabel = nullptr;
  QLineEdit* KeyWords = nullptr;
  QToolButton* KeyListbutton = nullptr;
  QFrame* DateFormat = nullptr;
  QLabel* DateLabel = nullptr;
  QLineEdit* DateEdit = nullptr;
  QToolButton* CalendarButton = nullptr;
  QPushButton* QuickDateButton = nullptr;
  QFrame* TimeFormat = nullptr;
  QLabel* TimeLabel = nullptr;
  QLineEdit* TimeEdit = nullptr;
  QToolButton* QuickTimeButton = nullptr;
  QFrame* PriorityPanel = nullptr;
  QRadioButton* pHigh = nullptr;
  QRadioButton* pMedium = nullptr;
  QRadioButton* pLow = nullptr;
  QLabel* NotesLabel = nullptr;
  QPlainTextEdit* Notes = nullptr;
  TBevelPanel* BottomPanel = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* Helpbutton = nullptr;
  TWhatsThisButton* WhatsThisButton = nullptr;
  QMenu* QuickDateMenu = nullptr;
  QMenu* KeyListMenu = nullptr;

 signals:
  // The Help button asks for this help context. When nothing is connected, the request
  // goes to the program's help handler (HelpContext.h).
  void helpRequested(int context);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildQuickDateMenu();
  void BuildKeyListMenu(const QStringList& keyWords);
  // The frames' hints, from the formats in force when the dialog is shown.
  void FormActivate();
  void HelpbuttonClick();
  // Marks the three text fields that hold characters the task file cannot hold.
  void MarkUnstorableFields();
  // Asks whether text the task file cannot hold may be stored as "?"; on No puts the
  // focus on the first field that holds such text.
  bool ConfirmStoredText();
  // Shows the message of a refused entry, empties the field and puts the focus back on it.
  void RefuseEntry(QLineEdit* edit, const QString& message);

  bool inputValid_ = true;
  int codePage_;
  // Set while a check is at work, so that the focus moves it makes run no other check.
  bool checking_ = false;
};
