// TableBackup: whole copies of a table's files (the .DBF and its .FPT; the index is
// rebuilt from them) kept in a folder of backups, one sub-folder per backup, and the
// restore of one of them in place of the table. Plain C++ so that the program and the
// command-line tools share one implementation.
//
// A backup is written under a staging name, each file synced, and published by one rename
// of its folder, so a crash or power cut at any moment leaves the table's files and every
// older backup as they were (a staging folder left behind is removed by the next backup).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/xbase/Status.h"

namespace xbase {

namespace table_backup {
inline constexpr char kStagingPrefix[] = ".partial-";  // a backup being written (fixed)
inline constexpr char kRestoreSuffix[] = ".restore";   // a restored file before its rename (fixed)
}  // namespace table_backup

// Copies `table_path` and its memo file (when it has one) into `backups`/`name`/ (the
// folder `backups` is created when missing; `name` gets "-2", "-3"... when taken), then
// removes the oldest backups beyond `keep`. `keep` 0 does nothing. The table should not
// be open for writing: the copy is of what was last stored.
Status BackUpTable(const std::string& table_path, const std::string& backups, const std::string& name, int keep);

// The backups in `backups`, newest first. Names are expected to sort by time (dates
// written year first); staging folders are not listed.
std::vector<std::string> ListTableBackups(const std::string& backups);

// The table file inside backup `name`, named as `table_path` is.
std::string BackupTablePath(const std::string& table_path, const std::string& backups, const std::string& name);

// Counts the records of the table at `table_path` not marked deleted, and of those the
// ones whose logical field `field` is true (0 when there is no such field).
Status CountLiveRecords(const std::string& table_path, const std::string& field, int64_t* live, int64_t* marked);

// Puts backup `name` in place of `table_path` and its memo file: the table is first taken
// exclusively (kInUse when another program has it open; then nothing changes), the
// backup's files are copied beside it under staging names and synced, the current files
// are backed up as `now_name` (so the restore itself can be undone; no older backup is
// removed for it), then the copies are renamed over the table's files and the index is removed (the next
// open builds it for the restored records). kNotFound when there is no such backup.
Status RestoreTable(const std::string& table_path, const std::string& backups, const std::string& name,
                    const std::string& now_name);

}  // namespace xbase
