#include "core/AppHelpers.h"

#include <QCoreApplication>

#include "core/DateTimeFormat.h"

namespace {

QString& ProgramDirectoryOverride() {
  static QString directory;
  return directory;
}

}  // namespace

QString ProgramDirectory() {
  QString directory = ProgramDirectoryOverride();
  if (directory.isEmpty()) directory = QCoreApplication::applicationDirPath();
  if (!directory.endsWith(QLatin1Char('/'))) directory += QLatin1Char('/');
  return directory;
}

void SetProgramDirectoryForTests(const QString& directory) { ProgramDirectoryOverride() = directory; }

QString TrimLeadingBlanks(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
  return text.mid(i);
}

QString TrimTrailingBlanks(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == QLatin1Char(' ')) --n;
  return text.left(n);
}

QString TrimBlanks(const QString& text) { return TrimLeadingBlanks(TrimTrailingBlanks(text)); }

void SplitText(const QString& text, const QString& delimiter, QStringList& list) {
  if (delimiter.isEmpty()) {
    list << text;
    return;
  }
  qsizetype start = 0;
  for (qsizetype at = text.indexOf(delimiter); at >= 0; at = text.indexOf(delimiter, start)) {
    list << text.mid(start, at - start);
    start = at + delimiter.size();
  }
  list << text.mid(start);
}

bool IsValidDate(const QString& text) {
  QDate date;
  return TryStrToDate(text, date);
}

bool IsValidTime(const QString& text) {
  QTime time;
  return TryStrToTime(text, time);
}

void UseWorkingDateFormats() { ApplyDateFormatSet(WorkingDateFormats()); }

void RestoreUserDateFormats() { ApplyDateFormatSet(UserDateFormats()); }
