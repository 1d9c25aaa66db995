// Where windows go: centring a form, saving and restoring its placement through the
// installed placement store, pop-up menus under their buttons, and the screen
// resolution the placements are keyed by.
#pragma once

#include <QString>

#include <functional>

class QMenu;
class QWidget;

// A window's normal rectangle (right and bottom exclusive) and state, as kept between
// runs. Bottom 0 means nothing is stored.
struct TWindowPlacement {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Maximized = false;
};

// Where placements are kept, installed once by the program (the settings file in the
// program folder): Load gives the placement stored for a window class at a screen
// resolution (Maximized defaulting to `maximizedNow`); Save stores one and gives the
// text of its failure, empty when stored. With no store installed nothing is kept and
// every window is centred.
struct TPlacementStore {
  std::function<TWindowPlacement(const QString& className, int pixelsPerInch, bool maximizedNow)> Load;
  std::function<QString(const QString& className, int pixelsPerInch, const TWindowPlacement& placement)> Save;
};
void SetPlacementStore(TPlacementStore store);

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

// Hands the form's normal rectangle and maximised state to the installed placement
// store under its class name without namespace and the screen's resolution. The rectangle is the window's
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
