// jlistdb import-ics and import-csv: tasks from an iCalendar or CSV file appended to the
// task files. They need Qt and libical, so an engine-only build (no Qt) has a stand-in
// that says the commands are not in that build.
#pragma once

#include <string>

namespace jlistdb {

// Reads `file` (an iCalendar file for "import-ics", a CSV file for "import-csv") and
// appends its tasks to the task files in `dir`, creating them when the folder has none.
// Prints what was imported and skipped; gives the exit status (0 imported, 1 the file
// refused or the tasks not stored, nothing imported from a refused file).
int RunExchangeImport(const std::string& command, const std::string& dir, const std::string& file);

}  // namespace jlistdb
