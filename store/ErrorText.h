// The one place where an engine failure becomes the sentence the user reads. Engine
// messages are for developers (English, with the operating system's words); the user
// gets the file and the cause in plain words, never a bare engine code.
#pragma once

#include <QString>

#include "store/xbase/Status.h"

// "<file> could not be written: the disk is full.", "<file> is locked by another
// program.", "<file> is damaged. ..." and so on; empty for an ok status. The file is the
// one the engine's message names (the task files, a settings file), else "A task file".
QString UserErrorText(const xbase::Status& status);
