#include "reportengine/ReportError.h"

#include <QtGlobal>

namespace {
TErrorBoxHandler error_box_handler = nullptr;
}

void ReportErrorBox(const QString& message) {
  if (error_box_handler) {
    error_box_handler(message);
  } else {
    qWarning("%s", qPrintable(message));
  }
}

TErrorBoxHandler SetReportErrorBoxHandler(TErrorBoxHandler handler) {
  const TErrorBoxHandler previous = error_box_handler;
  error_box_handler = handler;
  return previous;
}
