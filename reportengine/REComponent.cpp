#include "reportengine/REComponent.h"

QString TREComponent::Version() const { return QStringLiteral("1.0"); }
