// Window-free application helpers: the program folder, blank trimming, splitting,
// date and time checks and the switch between the working and the user's date
// formats. The window helpers (centring, placement, pop-up menus) are in
// widgets/FormPlacement.h; message boxes in widgets/MessageBox.h.
#pragma once

#include <QString>
#include <QStringList>

// The folder holding the program file, always ending in "/". Data, settings and
// help files live there.
QString ProgramDirectory();
// Points ProgramDirectory at another folder (a "/" is added when missing); an
// empty text goes back to the program's own folder. For tests.
void SetProgramDirectoryForTests(const QString& directory);

// Remove leading, trailing or both runs of blanks (the blank character only).
QString TrimLeadingBlanks(const QString& text);
QString TrimTrailingBlanks(const QString& text);
QString TrimBlanks(const QString& text);

// Appends each piece of the text between delimiters to the list, the last piece
// included (so an empty text appends one empty piece). An empty delimiter
// appends the whole text.
void SplitText(const QString& text, const QString& delimiter, QStringList& list);

// True when the text converts to a date (or a time) under the formats in force.
bool IsValidDate(const QString& text);
bool IsValidTime(const QString& text);

// Put the working date formats ("mm/dd/yyyy", '/', ':', "AM", "PM") or the user's
// captured formats in force. See core/DateTimeFormat.h.
void UseWorkingDateFormats();
void RestoreUserDateFormats();
