// The placement store of the program's windows: TODO.INI in the program folder, one
// section per window class ("<class>_Placement", + the resolution above 96 pixels per
// inch). The main window installs it (SetPlacementStore) for every window of the run.
#pragma once

#include "widgets/FormPlacement.h"

// A store that reads and writes TODO.INI in ProgramDirectory() as it is at each call; a
// refused write gives "Unable to write to <path>".
TPlacementStore SettingsPlacementStore();
