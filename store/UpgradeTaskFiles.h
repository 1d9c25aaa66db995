// Conversion of task files of the older structure (no PRIORITY field) into the current one.
#pragma once

class TodoTable;
class TodoTableHost;

// Converts the old task files in the table's folder in place: JLIST.DBF/JLIST.FPT become
// the backup pair JLBAK.DBF/JLBAK.FPT (an older backup is replaced), JLIST.CDX is removed,
// a new table is created and opened exclusive (which builds its tags), and every record of
// the backup not marked deleted is copied into it with priority "B" and its note stored
// through PadNoteLength. Status texts and failure messages go through `host`. Gives
// success; on failure the files stay as the failing step left them, except that a failed
// rename of the table puts the memo file back under its old name, so the old table is
// never left without its notes. The task table is closed on return.
bool UpgradeTaskFiles(TodoTable& table, TodoTableHost* host);
