// TPrinterReport: a report drawn straight to the selected printer. Start opens a print job
// on the shared printer device (refused with an error box when no printer is installed),
// each page that is not skipped becomes a device page, Finish ends the job or, after Abort,
// cancels it.
#pragma once

#include "reportengine/CanvasReport.h"

class TPrinterReport : public TCanvasReport {
 public:
  using TCanvasReport::TCanvasReport;
  // A report destroyed while printing cancels its job.
  ~TPrinterReport() override;

 protected:
  bool CanStart() override;
  void DeviceBeginDoc() override;
  void DeviceStartPage() override;
  void DeviceEndPage() override;
  void DeviceEndDoc() override;
};
