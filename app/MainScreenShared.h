// What the main window's source files share: its font, texts and the name of the
// tag the start-up and the jump to a date use.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <initializer_list>

#include "store/TaskSchema.h"

namespace mainscreen {

inline constexpr char kReminder[] = "Please rebuild indexes ASAP";
inline constexpr char kLoadingKeyWords[] = "Loading Key Words List...";
using task_schema::kDateTimeTag;

// "Arial" at 11 pixels, the font of the window and its grid.
inline QFont ProgramFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  return font;
}

// What's-this text from lines; an empty string stands for an empty line.
inline QString Lines(std::initializer_list<const char*> lines) {
  QStringList list;
  for (const char* line : lines) list << QString::fromLatin1(line);
  return list.join(QLatin1Char('\n'));
}

}  // namespace mainscreen
