// The filter state of the main window and the xBase expression it stands for.
#pragma once

#include <QDate>
#include <QString>

// What the user has chosen in the "Task Filter" dialog, plus the Show DONE switch.
struct TFilterState {
  // 0 all dates, 1 today, 2 tomorrow, 3 next 7 days, 4 next 30 days, 5 next 365 days,
  // 6 before today.
  int DateFilterIndex = 0;
  // 0 all, 1 high, 2 medium, 3 low.
  int PriorityFilterIndex = 0;
  QString KeysFilterText;  // key words separated by commas
  QString TaskFilterText;  // text the description must contain
  bool ShowDoneTasks = false;

  // True when a criterion other than hiding done tasks is set: the "FILTERED" indicator
  // shows exactly then. Tests the key words text untrimmed, so blanks alone count.
  bool IndicatorShown() const;
  // Clears the four criteria (the indicator's click); ShowDoneTasks stays.
  void ClearCriteria();
};

// The outcome of turning a filter state into an expression.
struct TFilterExpression {
  bool ok = true;
  QString expression;  // "" shows every task
  QString problem;     // when !ok: the message for the user
};

// Builds the engine expression for `state` on the day `today`: the date, priority,
// not-done, key words and description pieces in that order, joined by ".and.".
//
// A key word or task text is put between double quotes; one that holds a double quote
// goes between single quotes, one that holds both between square brackets, so that
// every text the user can type gives an expression the engine reads. Only a text that
// holds all three closing delimiters (", ' and ]) cannot be written: the result is then
// !ok with the problem named, and the caller keeps its previous filter.
TFilterExpression BuildFilterExpression(const TFilterState& state, const QDate& today);

// Upper case as the engine's UPPER() does it on single-byte text: a character whose upper
// case is one character becomes it, any other stays as it is.
QString EngineUpper(const QString& text);
