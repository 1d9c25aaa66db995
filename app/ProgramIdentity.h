// How the program names itself to the window system.
#pragma once

// Sets the application name "Jotlist" (settings, the window class). No display name is
// set: the window system would append it to every window's caption ("Information —
// Jotlist"), and the captions are the program's texts exactly.
void SetProgramIdentity();
