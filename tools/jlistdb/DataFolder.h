// The folder jlistdb works on when none is given: the same one the program takes for
// its task files, worked out without Qt (jlistdb links the engine only).
#pragma once

#include <string>

namespace jlistdb {

// The folder of task files for a program file in `program_folder`, ending in "/": that
// folder itself when it is writable and not an install's bin/ (one with share/jotlist/
// beside it); otherwise `xdg_data_home`/jotlist/, or `home`/.local/share/jotlist/ when
// `xdg_data_home` is null, empty or relative. Creates nothing.
std::string DataFolderFor(const std::string& program_folder, const char* xdg_data_home, const std::string& home);

// The rule above for the running jlistdb, with the environment's XDG_DATA_HOME and HOME;
// a data folder that does not exist yet is created (owner only), as the program does.
// Empty when the program file cannot be found.
std::string DefaultFolder();

}  // namespace jlistdb
