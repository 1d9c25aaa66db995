// TREBaseComponent: common base of the report classes.
#pragma once

#include "reportengine/REComponent.h"

class TREBaseComponent : public TREComponent {
 public:
  using TREComponent::TREComponent;
};
