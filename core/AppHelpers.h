// Application-wide helpers that every window uses: the program folder, blank
// trimming, splitting, form centring and placement, pop-up menus under buttons,
// date and time checks and the switch between the working and the user's date
// formats. Message boxes are in app/MessageBox.h.
#pragma once

#include <QString>
#include <QStringList>

class QMenu;
class QWidget;

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

// Centres a form before it is shown: the main window (class TMainScreen, found
// among the top-level widgets by its class name without namespace) on the screen; any other form on the screen when the main window is maximised (or
// there is none), else over the main window (halves rounded toward zero). A form
// with a maximise button also gets the system menu.
void CenterForm(QWidget* form);

// The screen's logical resolution in pixels per inch (overridable for tests; 0
// goes back to the screen's own value).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInchForTests(int pixelsPerInch);

// Writes the form's normal rectangle and maximised state to the placement section
// of TODO.INI in the program folder (class name without namespace + "_Placement",
// + the resolution when above 96 pixels per inch). The rectangle is the window's
// geometry without its frame; Right and Bottom are Left + width and Top + height. A refused write is shown with ErrorBox
// ("Unable to write to <path>") and gives false.
bool SaveFormPlacement(QWidget* form);
// Reads the placement back: a stored rectangle is moved inside the screen's right
// and bottom edges (size kept) and given to the form; with nothing stored the
// form is centred (CenterForm). A stored maximised state maximises the form. The
// placement is then saved again at once; gives false when that write is refused.
bool RestoreFormPlacement(QWidget* form);

// Opens the menu (without waiting) with its top-left corner at the button's
// bottom-left corner.
void PopupUnderButton(QWidget* button, QMenu* menu);

// True when the text converts to a date (or a time) under the formats in force.
bool IsValidDate(const QString& text);
bool IsValidTime(const QString& text);

// Put the working date formats ("mm/dd/yyyy", '/', ':', "AM", "PM") or the user's
// captured formats in force. See app/DateTimeFormat.h.
void UseWorkingDateFormats();
void RestoreUserDateFormats();
