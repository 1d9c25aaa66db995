#include "app/FilterForm.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "widgets/DialogFrame.h"

namespace {

constexpr int kHelpContext = 1018;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

}  // namespace

TFilterForm::TFilterForm(const QStringList& keyWords, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Task Filter"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(447, 305);
  // A fixed dialog border; its close button means Cancel.
  SetFixedDialogFrame(this);

  DateFilter = Named(new QGroupBox(QStringLiteral("&Date Filter"), this), "DateFilter");
  DateButtons = new QButtonGroup(this);
  auto* dateLayout = new QVBoxLayout(DateFilter);
  dateLayout->setSpacing(2);
  const char* const dates[] = {"All Dates",    "Today ",        "Tomorrow",    "Next 7 Days",
                               "Next 30 Days", "Next 365 Days", "Before Today"};
  for (int i = 0; i < 7; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(dates[i]), DateFilter);
    DateButtons->addButton(button, i);
    dateLayout->addWidget(button);
  }
  DateFilter->setWhatsThis(
      QStringLiteral("Select a range of dates to filter on, or select 'All Dates'."));

  KeysBox = Named(
      new QGroupBox(QStringLiteral("&Keys Filter (contains any of the following keys)"), this),
      "KeysBox");
  KeyWords = Named(new QLineEdit(KeysBox), "KeyWords");
  KeyWords->setWhatsThis(QStringLiteral(
      "Enter any Key Words to filter on here. If you use more than one Key Word, separate them "
      "with a comma. i.e. 'Joe, Betty'."));
  KeyListbutton = Named(new QToolButton(KeysBox), "KeyListbutton");
  KeyListbutton->setArrowType(Qt::DownArrow);
  KeyListbutton->setFocusPolicy(Qt::NoFocus);  // not a tab stop
  KeyListbutton->setWhatsThis(QStringLiteral("Click here for a menu of key words you have used"));
  KeyListMenu = Named(new QMenu(this), "KeyListMenu");
  for (const QString& word : keyWords) {
    // An ampersand in a word is shown, not taken as a mnemonic.
    QString caption = word;
    KeyListMenu->addAction(caption.replace(QLatin1Char('&'), QLatin1String("&&")), this,
                           [this, word] { AddKeyWord(word); });
  }
  connect(KeyListbutton, &QToolButton::clicked, this, [this] {
    KeyListMenu->exec(KeyListbutton->mapToGlobal(QPoint(0, KeyListbutton->height())));
  });
  auto* keysLayout = new QGridLayout(KeysBox);
  keysLayout->addWidget(KeyWords, 0, 0);
  keysLayout->addWidget(KeyListbutton, 0, 1);
  keysLayout->addWidget(new QLabel(QStringLiteral("(separate keys with commas)"), KeysBox), 1, 0);
  // The group's own what's-this text is the key words typed so far.
  connect(KeyWords, &QLineEdit::textChanged, KeysBox, &QWidget::setWhatsThis);

  PriorityFilter = Named(new QGroupBox(QStringLiteral("Priority Filter"), this), "PriorityFilter");
  PriorityButtons = new QButtonGroup(this);
  auto* priorityLayout = new QGridLayout(PriorityFilter);
  const char* const priorities[] = {"All Priorities", "High Priority Only",
                                    "Medium Priority Only", "Low Priority Only"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(priorities[i]), PriorityFilter);
    PriorityButtons->addButton(button, i);
    // Two columns, filled column by column.
    priorityLayout->addWidget(button, i % 2, i / 2);
  }
  PriorityFilter->setWhatsThis(QStringLiteral("Select a priority level to filter by"));

  TaskFilterBox = Named(
      new QGroupBox(QStringLiteral("&Task Filter (contains the following text)"), this),
      "TaskFilterBox");
  TaskFilter = Named(new QLineEdit(TaskFilterBox), "TaskFilter");
  const QString taskHelp = QStringLiteral(
      "Enter a word or phrase to look for in the task (only one word or phrase can be used)");
  TaskFilter->setWhatsThis(taskHelp);
  TaskFilterBox->setWhatsThis(taskHelp);
  (new QVBoxLayout(TaskFilterBox))->addWidget(TaskFilter);

  OKButton = Named(new QPushButton(QStringLiteral("Ok"), this), "OKButton");
  OKButton->setDefault(true);
  OKButton->setWhatsThis(QStringLiteral("Click here to accept your selection and exit"));
  CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
  CancelButton->setWhatsThis(QStringLiteral("Click here to cancel your selection and exit"));
  ResetButton = Named(new QPushButton(QStringLiteral("Reset"), this), "ResetButton");
  ResetButton->setWhatsThis(QStringLiteral(
      "Click here to reset the filter back to its defaults - which is all tasks."));
  HelpButton = Named(new QPushButton(QStringLiteral("Help"), this), "HelpButton");
  WhatsThisButton = Named(new QToolButton(this), "WhatsThisButton");
  WhatsThisButton->setText(QStringLiteral("?"));
  WhatsThisButton->setToolTip(QStringLiteral("What's this?"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(ResetButton, &QPushButton::clicked, this, &TFilterForm::Reset);
  connect(HelpButton, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpContext); });
  connect(WhatsThisButton, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });

  auto* left = new QVBoxLayout;
  left->addWidget(DateFilter);
  auto* right = new QVBoxLayout;
  right->addWidget(KeysBox);
  right->addWidget(PriorityFilter);
  right->addWidget(TaskFilterBox);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 0);
  top->addLayout(right, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  for (QWidget* w : {static_cast<QWidget*>(OKButton), static_cast<QWidget*>(CancelButton),
                     static_cast<QWidget*>(ResetButton), static_cast<QWidget*>(HelpButton),
                     static_cast<QWidget*>(WhatsThisButton)}) {
    bottom->addWidget(w);
  }
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 8, 8, 8);
  outer->addLayout(top, 1);
  outer->addLayout(bottom);

  setTabOrder(DateFilter, KeyWords);
  setTabOrder(KeyWords, PriorityFilter);
  setTabOrder(PriorityFilter, TaskFilter);
  setTabOrder(TaskFilter, OKButton);
}

void TFilterForm::Load(const TFilterState& state) {
  if (QAbstractButton* b = DateButtons->button(state.DateFilterIndex)) b->setChecked(true);
  KeyWords->setText(state.KeysFilterText);
  if (QAbstractButton* b = PriorityButtons->button(state.PriorityFilterIndex)) b->setChecked(true);
  TaskFilter->setText(state.TaskFilterText);
}

void TFilterForm::Store(TFilterState* state) const {
  state->DateFilterIndex = DateIndex();
  state->KeysFilterText = KeyWords->text();
  state->PriorityFilterIndex = PriorityIndex();
  state->TaskFilterText = TaskFilter->text();
}

int TFilterForm::DateIndex() const { return qMax(0, DateButtons->checkedId()); }
int TFilterForm::PriorityIndex() const { return qMax(0, PriorityButtons->checkedId()); }

void TFilterForm::AddKeyWord(const QString& word) {
  KeyWords->setText(KeyWords->text().isEmpty() ? word : KeyWords->text() + u',' + word);
}

void TFilterForm::Reset() {
  DateButtons->button(0)->setChecked(true);
  KeyWords->clear();
  PriorityButtons->button(0)->setChecked(true);
  accept();
}
