#pragma once

#include <functional>

class QWidget;

// Help requests. Windows ask for help by context number (1004 task editor and
// date selector, 2986 time dialog, ...); the main window installs the one
// handler that opens its help window at that context. Widgets never need to
// know where help is shown.

using THelpHandler = std::function<void(int context)>;

// Installs the handler (an empty one removes it).
void SetHelpHandler(THelpHandler handler);

// Opens help at `context`. Returns false when no handler is installed or the
// context is not positive.
bool ShowHelpContext(int context);

// Marks `window` (and so every control inside it) as belonging to `context`.
void SetHelpContext(QWidget* window, int context);

// The context of the control or of its nearest ancestor that has one; 0 when
// none of them does.
int HelpContextOf(const QWidget* control);
