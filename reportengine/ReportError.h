// EReportError: raised by the report engine on misuse (a call in the wrong state, a device
// that cannot be used). The message is the engine's fixed text, shown to the user as is.
#pragma once

#include <QString>

#include <stdexcept>

class EReportError : public std::runtime_error {
 public:
  explicit EReportError(const char* message) : std::runtime_error(message) {}
  explicit EReportError(const QString& message)
      : std::runtime_error(message.toStdString()) {}

  QString Message() const { return QString::fromUtf8(what()); }
};

// The engine's fixed messages.
namespace report_messages {
inline constexpr const char* kNotPrinting = "Invalid method call.  Report is not printing.";
inline constexpr const char* kAlreadyPrinting = "Invalid method call.  Report already printing.";
inline constexpr const char* kCanvasNotActive = "Error!  Canvas not yet active.";
inline constexpr const char* kNoPrinters = "No printers are defined, aborting print job.";
inline constexpr const char* kMemoBufRange =
    "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart";
inline constexpr const char* kDeviceNotPrinting = "Invalid method call.  Device is not printing.";
inline constexpr const char* kDeviceAlreadyPrinting =
    "Invalid method call.  Device already printing.";
inline constexpr const char* kNoDevMode = "Invalid operation.  Device has no DevMode structure";
inline constexpr const char* kInvalidPrinter = "Invalid Printer";
inline constexpr const char* kRawDataRefused =
    "Raw printer data cannot be printed: the printer takes drawn pages only.";
inline constexpr const char* kClipStackFull = "Invalid method call.  Too many clip regions.";
}  // namespace report_messages

// Shows an error box with an OK button. The engine has no windows of its own: the
// application installs the handler; without one the message goes to the Qt message log.
void ReportErrorBox(const QString& message);
using TErrorBoxHandler = void (*)(const QString& message);
// Installs the handler (null: back to the log); returns the previous one.
TErrorBoxHandler SetReportErrorBoxHandler(TErrorBoxHandler handler);
