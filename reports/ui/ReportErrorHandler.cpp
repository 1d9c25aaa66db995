#include "reports/ui/ReportErrorHandler.h"

#include "reportengine/ReportError.h"
#include "widgets/MessageBox.h"

namespace {
void ShowReportError(const QString& message) { ErrorBox(message); }
}  // namespace

void InstallReportErrorBox() { SetReportErrorBoxHandler(&ShowReportError); }
