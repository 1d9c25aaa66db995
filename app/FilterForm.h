// TFilterForm: the "Task Filter" dialog that edits the main window's filter criteria.
#pragma once

#include <QDialog>
#include <QStringList>

#include "core/FilterExpression.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

class TFilterForm : public QDialog {
  Q_OBJECT

 public:
  // `keyWords` fills the key word menu, in list order, as it is now.
  explicit TFilterForm(const QStringList& keyWords, QWidget* parent = nullptr);

  // Shows `state`'s four criteria (ShowDoneTasks is not edited here).
  void Load(const TFilterState& state);
  // Writes the four criteria back into `state`; call after the dialog closed with Ok.
  void Store(TFilterState* state) const;

  // Appends a key word chosen from the key word menu: the word alone into an empty
  // field, else a comma and the word.
  void AddKeyWord(const QString& word);

  // Reset: all dates, no key words, all priorities, and closes with Ok. The task text
  // stays as it is.
  void Reset();

  int DateIndex() const;
  int PriorityIndex() const;

 signals:
  // The Help button asks for the help page of this context number.
  void helpRequested(int context);

 private:
  QGroupBox* DateFilter = nullptr;
  QButtonGroup* DateButtons = nullptr;
  QGroupBox* KeysBox = nullptr;
  QLineEdit* KeyWords = nullptr;
  QToolButton* KeyListbutton = nullptr;
  QMenu* KeyListMenu = nullptr;
  QGroupBox* PriorityFilter = nullptr;
  QButtonGroup* PriorityButtons = nullptr;
  QGroupBox* TaskFilterBox = nullptr;
  QLineEdit* TaskFilter = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* ResetButton = nullptr;
  QPushButton* HelpButton = nullptr;
  QToolButton* WhatsThisButton = nullptr;
};
