#include "widgets/UnstorableText.h"

#include <QColor>
#include <QPalette>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include "widgets/MessageBox.h"

namespace {

// The field's own background while it is marked, to put back afterwards.
constexpr char kSavedBaseProperty[] = "jotlistUnstorableBase";
const QColor kMarkColour(255, 220, 220);
// A long run of strange characters is named in part.
constexpr int kCharactersNamed = 24;

// The characters with a blank between them, so that each stands out.
QString Spaced(const QString& characters) {
  QStringList list;
  for (qsizetype i = 0; i < characters.size();) {
    const qsizetype length = characters.at(i).isHighSurrogate() && i + 1 < characters.size() ? 2 : 1;
    if (list.size() == kCharactersNamed) {
      list << QStringLiteral("...");
      break;
    }
    list << characters.mid(i, length);
    i += length;
  }
  return list.join(QLatin1Char(' '));
}

}  // namespace

QString UnstorableTextQuestion(const QString& characters) {
  return QStringLiteral("The task file cannot hold these characters: ") + Spaced(characters) + QLatin1Char('\r') +
         QStringLiteral("Store each of them as \"?\"?");
}

bool ConfirmUnstorableText(const QString& characters) {
  return characters.isEmpty() || ConfirmBox(UnstorableTextQuestion(characters));
}

bool MarkUnstorableText(QWidget* field, const QString& characters) {
  if (field == nullptr) return false;
  const QVariant saved = field->property(kSavedBaseProperty);
  QPalette palette = field->palette();
  if (characters.isEmpty()) {
    if (saved.isValid()) {
      palette.setColor(QPalette::Base, saved.value<QColor>());
      field->setPalette(palette);
      field->setProperty(kSavedBaseProperty, QVariant());
      field->setToolTip(QString());
    }
    return false;
  }
  if (!saved.isValid()) field->setProperty(kSavedBaseProperty, palette.color(QPalette::Base));
  palette.setColor(QPalette::Base, kMarkColour);
  field->setPalette(palette);
  field->setToolTip(QStringLiteral("The task file cannot hold ") + Spaced(characters) +
                    QStringLiteral(": stored, each becomes \"?\""));
  return true;
}

bool IsMarkedUnstorable(const QWidget* field) {
  return field != nullptr && field->property(kSavedBaseProperty).isValid();
}
