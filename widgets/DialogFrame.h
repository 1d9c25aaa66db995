// The frame of the program's fixed dialogs (message boxes, the task editor, the date and
// time pickers, the filter, the About box, the rebuild window): a title bar with a close
// button but no minimise or maximise button, and a size the user cannot change.
#pragma once

class QWidget;

// Gives `dialog` that frame. Window flags that leave the buttons to the window system
// would let it add minimise and maximise, so the title-bar buttons are named here (on
// X11 a title bar with no button at all cannot be asked for: the close button stays,
// and it means Cancel). Keeps "stays on top". The size is fixed: at the size the layout
// gives when the dialog has a layout, else at its present size.
void SetFixedDialogFrame(QWidget* dialog);

// The title-bar buttons of that frame alone, for a dialog that fixes its own size (a
// message box sizes itself to its text).
void SetFixedDialogButtons(QWidget* dialog);

// True when `dialog` has that frame: no minimise or maximise button, the buttons named
// rather than left to the window system, and the least and largest sizes equal.
bool HasFixedDialogFrame(const QWidget* dialog);
