#include "reports/ui/SettingsPlacementStore.h"

#include "core/AppHelpers.h"
#include "store/Settings.h"

TPlacementStore SettingsPlacementStore() {
  TPlacementStore store;
  store.Load = [](const QString& className, int pixelsPerInch, bool maximizedNow) {
    const TFormPlacement p = TSettings(ProgramDirectory())
                                 .LoadPlacement(TSettings::PlacementSection(className, pixelsPerInch), maximizedNow);
    return TWindowPlacement{p.Left, p.Top, p.Right, p.Bottom, p.Maximized};
  };
  store.Save = [](const QString& className, int pixelsPerInch, const TWindowPlacement& placement) {
    const TFormPlacement p{placement.Left, placement.Top, placement.Right, placement.Bottom, placement.Maximized};
    const xbase::Status status =
        TSettings(ProgramDirectory()).SavePlacement(TSettings::PlacementSection(className, pixelsPerInch), p);
    return status.ok() ? QString() : QString::fromStdString(status.message());
  };
  return store;
}
