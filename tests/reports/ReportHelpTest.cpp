// The help file's pages of the report windows name, in bold, only buttons that the window
// has: a reader looking for a button the help promises finds it.
#include <QAbstractButton>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include "reports/ui/PreviewForm.h"
#include "reports/ui/ReportSetup.h"
#include "store/TodoTable.h"

namespace {

// The bold words of the help section at `anchor`, up to the next section.
QStringList BoldWordsOfSection(const QString& anchor) {
  QFile file(QStringLiteral(JOTLIST_SOURCE_DIR "/resources/help/JLIST.HTM"));
  if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("<no help file>")};
  const QString html = QString::fromUtf8(file.readAll());
  const qsizetype start = html.indexOf(QStringLiteral("<a name=\"%1\">").arg(anchor));
  if (start < 0) return {QStringLiteral("<no section ") + anchor + QLatin1Char('>')};
  const qsizetype end = html.indexOf(QStringLiteral("<h2>"), start);
  const QString section = html.mid(start, end < 0 ? -1 : end - start);
  QStringList words;
  static const QRegularExpression bold(QStringLiteral("<b>([^<]+)</b>"));
  for (auto it = bold.globalMatch(section); it.hasNext();) words << it.next().captured(1).simplified();
  return words;
}

QStringList ButtonTexts(const QWidget& window) {
  QStringList texts;
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) texts << button->text();
  return texts;
}

TEST(ReportHelp, EachReportWindowsPageNamesOnlyItsOwnButtons) {
  TodoTable table;
  const TReportSetup setup(table);
  const TPreviewForm preview;
  for (const auto& [anchor, window] :
       {std::pair<QString, const QWidget*>{"1007", &setup}, std::pair<QString, const QWidget*>{"1017", &preview}}) {
    const QStringList words = BoldWordsOfSection(anchor);
    EXPECT_FALSE(words.isEmpty()) << anchor.toStdString();
    const QStringList buttons = ButtonTexts(*window);
    for (const QString& word : words)
      EXPECT_TRUE(buttons.contains(word)) << "help section " << anchor.toStdString() << " names a button \""
                                          << word.toStdString() << "\" that its window does not have";
  }
}

}  // namespace
