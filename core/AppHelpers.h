// Window-free application helpers: the program folder, blank trimming, splitting,
// date and time checks and the switch between the working and the user's date
// formats. The window helpers (centring, placement, pop-up menus) are in
// widgets/FormPlacement.h; message boxes in widgets/MessageBox.h.
#pragma once

#include <QString>
#include <QStringList>

// The folder of the task files, the backup pair, both settings files and the help
// file, always ending in "/": the folder holding the program file when the user may
// write there and it is not an installed copy (DataFolderFor), otherwise the user's
// data folder, created on first use. Every caller that names the program's folder
// goes through here.
QString ProgramDirectory();
// Points ProgramDirectory at another folder (a "/" is added when missing); an
// empty text goes back to the program's own folder. For tests.
void SetProgramDirectoryForTests(const QString& directory);

// The rule of ProgramDirectory for a program file in `programFolder`, given the
// values of XDG_DATA_HOME and HOME; ends in "/". The program's own folder when it is
// writable and not an install's bin/ (one with share/jotlist/ beside it); otherwise
// `xdgDataHome`/jotlist/, or `home`/.local/share/jotlist/ when `xdgDataHome` is empty
// or relative (a relative value is not valid there). Creates nothing.
QString DataFolderFor(const QString& programFolder, const QString& xdgDataHome, const QString& home);

// Why a copy that is not installed does not keep its data beside itself although task
// files are there: the program folder cannot be written. `Folder` ends in "/";
// `Reason` is the system's ("Permission denied", "Read-only file system").
struct TUnwritableTaskFolder {
  QString Folder;
  QString Reason;
};
// The task files in `programFolder` that DataFolderFor passes over, if any: a folder
// that holds JLIST.DBF, is not an install's bin/ and cannot be written. Empty `Folder`
// otherwise. Looks only; creates and changes nothing.
TUnwritableTaskFolder UnwritableTaskFolderFor(const QString& programFolder);

// The install's shared folder of a program file in `programFolder`
// (`programFolder`/../share/jotlist/, ending in "/"), or an empty text when there is
// none, that is when the program is not an installed copy.
QString InstalledShareFolderFor(const QString& programFolder);
// The same for the running program.
QString InstalledShareFolder();

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
