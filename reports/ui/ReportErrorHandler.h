// The report engine has no windows of its own: its error box is the application's error
// report (ErrorBox). Installed by the report windows before they run a report.
#pragma once

// Makes ErrorBox the engine's error box (idempotent).
void InstallReportErrorBox();
