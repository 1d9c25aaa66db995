// WaitCursor: the hourglass while a long piece of work runs, as a guard: shown on
// construction, taken away on destruction however the work ends. Only where there is a
// screen (a QGuiApplication); elsewhere it does nothing. The report engine uses it while
// it plays a report; the windows above it use the same guard.
#pragma once

class WaitCursor {
 public:
  WaitCursor() { Show(); }
  ~WaitCursor() { Hide(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Takes this guard's hourglass away early (before a message, say); nothing when hidden.
  // A message box that cleared every hourglass already counts as hidden.
  void Hide();
  // Shows it again after Hide; nothing while shown.
  void Show();

 private:
  bool shown_ = false;
};
