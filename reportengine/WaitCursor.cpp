#include "reportengine/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

void WaitCursor::Show() {
  if (shown_ || qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  shown_ = true;
}

void WaitCursor::Hide() {
  if (!shown_) return;
  shown_ = false;
  // The message boxes take every hourglass away before they show; this one may be gone.
  if (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
}
