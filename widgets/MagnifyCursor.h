// The magnifier mouse pointer of the preview window's page ("MAGNIFY"), drawn in code.
#pragma once

#include <QCursor>

// A magnifying glass with its hot spot at the centre of the lens.
QCursor MagnifyCursor();
