// Where windows go: centring a form, saving and restoring its placement in TODO.INI,
// pop-up menus under their buttons, and the screen resolution the placements are
// keyed by.
#pragma once

class QMenu;
class QWidget;

// Centres a form before it is shown: the main window (class TMainScreen, found
// among the top-level widgets by its class name without namespace) on the screen;
// any other form on the screen when the main window is maximised (or there is
// none), else over the main window (halves rounded toward zero). The form's layout
// settles its size first, and the window system's frame is counted (a form not yet
// shown is taken to get a frame like the main window's); the form is then kept
// inside the screen's usable area. A form with a maximise button also gets the
// system menu.
void CenterForm(QWidget* form);

// Keeps a window, frame included, inside the usable area of its screen: a window
// larger than that area is made smaller (not below its minimum size), then moved in.
void KeepOnScreen(QWidget* window);

// The screen's logical resolution in pixels per inch (overridable for tests; 0
// goes back to the screen's own value).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInchForTests(int pixelsPerInch);

// Writes the form's normal rectangle and maximised state to the placement section
// of TODO.INI in the program folder (class name without namespace + "_Placement",
// + the resolution when above 96 pixels per inch). The rectangle is the window's
// geometry without its frame; Right and Bottom are Left + width and Top + height.
// A refused write is shown with ErrorBox ("Unable to write to <path>") and gives
// false.
bool SaveFormPlacement(QWidget* form);
// Reads the placement back: a stored rectangle is moved inside the screen's right
// and bottom edges (size kept) and given to the form; with nothing stored the
// form is centred (CenterForm). A stored maximised state maximises the form. The
// placement is then saved again at once; gives false when that write is refused.
bool RestoreFormPlacement(QWidget* form);

// Opens the menu (without waiting) with its top-left corner at the button's
// bottom-left corner.
void PopupUnderButton(QWidget* button, QMenu* menu);
