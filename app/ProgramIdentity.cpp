#include "app/ProgramIdentity.h"

#include <QCoreApplication>

void SetProgramIdentity() { QCoreApplication::setApplicationName(QStringLiteral("Jotlist")); }
