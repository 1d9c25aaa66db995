#include "reportengine/DeviceMode.h"

#include <QSize>

const TPrinterPageSize* TDeviceMode::Supported(const QPageSize& size) const {
  if (!size.isValid()) return nullptr;
  // A printer may list one sheet under two names: the name decides first.
  if (size.id() != QPageSize::Custom) {
    for (const TPrinterPageSize& entry : PageSizes) {
      if (entry.Size.id() == size.id() && entry.Size.name() == size.name()) return &entry;
    }
    for (const TPrinterPageSize& entry : PageSizes) {
      if (entry.Size.id() == size.id()) return &entry;
    }
  }
  for (const TPrinterPageSize& entry : PageSizes) {
    if (entry.Size == size) return &entry;
  }
  for (const TPrinterPageSize& entry : PageSizes) {
    if (entry.Size.sizePoints() == size.sizePoints()) return &entry;
  }
  return nullptr;
}

void TDeviceMode::SetPageSize(const QPageSize& size) {
  if (!size.isValid()) return;
  if (PageSizes.empty()) {
    Layout.setPageSize(size);
    return;
  }
  const TPrinterPageSize* entry = Supported(size);
  Layout.setPageSize(entry ? entry->Size : size, entry ? entry->Printable : CustomMargins);
}

bool TDeviceMode::SupportsDuplex() const {
  return DuplexModes.contains(dxLongSide) || DuplexModes.contains(dxShortSide);
}
