#include "core/FilterExpression.h"

#include <QStringList>

namespace {

// The fixed fragments the expression is made of.
constexpr char kDateOpening[] = "(DATE >=\"";
constexpr char kDateMiddle[] = "\" and DATE <=\"";
constexpr char kDateClosing[] = "\")";
constexpr char kNotDone[] = "(.not.DONE)";
constexpr char kJoiner[] = ".and.";
constexpr char kKeySeparator[] = ".or.";
constexpr char kKeyTail[] = "$UPPER(KEYS)";
constexpr char kDescriptTail[] = "$upper(DESCRIPT))";
constexpr char kEarliestDate[] = "19000101";

QString TrimSpaces(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

// `text` between delimiters the engine accepts; false when none fits.
bool Quote(const QString& text, QString* out) {
  if (!text.contains(u'"')) {
    *out = u'"' + text + u'"';
  } else if (!text.contains(u'\'')) {
    *out = u'\'' + text + u'\'';
  } else if (!text.contains(u']')) {
    *out = u'[' + text + u']';
  } else {
    return false;
  }
  return true;
}

QString Stamp(const QDate& date) { return date.toString(QStringLiteral("yyyyMMdd")); }

}  // namespace

bool TFilterState::IndicatorShown() const {
  return DateFilterIndex != 0 || !KeysFilterText.isEmpty() || !TaskFilterText.isEmpty() ||
         PriorityFilterIndex != 0;
}

void TFilterState::ClearCriteria() {
  DateFilterIndex = 0;
  KeysFilterText.clear();
  PriorityFilterIndex = 0;
  TaskFilterText.clear();
}

QString EngineUpper(const QString& text) {
  QString result = text;
  for (QChar& ch : result) {
    const QString upper = QString(ch).toUpper();
    if (upper.size() == 1) ch = upper[0];
  }
  return result;
}

TFilterExpression BuildFilterExpression(const TFilterState& state, const QDate& today) {
  TFilterExpression result;
  QString joiner;
  auto add = [&](const QString& piece) {
    result.expression += joiner + piece;
    joiner = QString::fromLatin1(kJoiner);
  };

  if (state.DateFilterIndex >= 1 && state.DateFilterIndex <= 6) {
    QString from = Stamp(today);
    QString to = from;
    switch (state.DateFilterIndex) {
      case 2: from = to = Stamp(today.addDays(1)); break;
      case 3: to = Stamp(today.addDays(7)); break;
      case 4: to = Stamp(today.addDays(30)); break;
      case 5: to = Stamp(today.addDays(365)); break;
      case 6:
        from = QString::fromLatin1(kEarliestDate);
        to = Stamp(today.addDays(-1));
        break;
      default: break;
    }
    add(QString::fromLatin1(kDateOpening) + from + QString::fromLatin1(kDateMiddle) + to +
        QString::fromLatin1(kDateClosing));
  }

  static const char* const kPriorityPieces[] = {"(PRIORITY=\"A\")", "(PRIORITY=\"B\")",
                                                "(PRIORITY=\"C\")"};
  if (state.PriorityFilterIndex >= 1 && state.PriorityFilterIndex <= 3) {
    add(QString::fromLatin1(kPriorityPieces[state.PriorityFilterIndex - 1]));
  }

  if (!state.ShowDoneTasks) add(QString::fromLatin1(kNotDone));

  if (!TrimSpaces(state.KeysFilterText).isEmpty()) {
    QString group;
    const QStringList items = state.KeysFilterText.split(u',');
    for (qsizetype i = 0; i < items.size(); ++i) {
      QString quoted;
      if (!Quote(EngineUpper(TrimSpaces(items[i])), &quoted)) {
        return {false, {},
                QStringLiteral("The key word \"%1\" holds the characters \", ' and ] together "
                               "and cannot be used in a filter.")
                    .arg(TrimSpaces(items[i]))};
      }
      if (i > 0) group += QString::fromLatin1(kKeySeparator);
      group += quoted + QString::fromLatin1(kKeyTail);
    }
    add(u'(' + group + u')');
  }

  if (!state.TaskFilterText.isEmpty()) {
    QString quoted;
    if (!Quote(EngineUpper(state.TaskFilterText), &quoted)) {
      return {false, {},
              QStringLiteral("The task text \"%1\" holds the characters \", ' and ] together "
                             "and cannot be used in a filter.")
                  .arg(state.TaskFilterText)};
    }
    add(u'(' + quoted + QString::fromLatin1(kDescriptTail));
  }
  return result;
}
