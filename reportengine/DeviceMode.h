// TDeviceMode: the settings of the selected printer that a print job is made from, a plain
// value the device keeps, the dialogs edit and jobs read: the printer's queue name, the page
// (size, orientation, margins), resolution, copies, collation, duplex, the file a job goes
// to and the CUPS options a print dialog chose; with what the printer offers (its paper
// sizes with their printable margins, its duplex modes, whether it makes copies itself).
#pragma once

#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <vector>

// One paper size a printer offers and the margins it cannot print on (points).
struct TPrinterPageSize {
  QPageSize Size;
  QMarginsF Printable;
};

struct TDeviceMode {
  enum TDuplex { dxNone = 0, dxLongSide = 1, dxShortSide = 2 };

  // The CUPS queue (name, or name/instance); empty for a device that only writes files.
  QString PrinterName;
  // A4 upright with 10 point margins until a size is chosen.
  QPageLayout Layout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                     QPageLayout::Point};
  int Resolution = 1200;
  int Copies = 1;
  bool Collate = true;
  TDuplex Duplex = dxNone;
  // The PDF file the next job goes to; empty: the printer.
  QString OutputFileName;
  // CUPS job options chosen in the print dialog: name, value, name, value, ...
  QStringList CupsOptions;

  // ---- What the printer offers (empty lists: any size, no duplex)
  std::vector<TPrinterPageSize> PageSizes;
  // Printable margins of sizes the printer does not list.
  QMarginsF CustomMargins;
  QList<TDuplex> DuplexModes;
  // The printer makes copies and collates them itself.
  bool SupportsMultipleCopies = false;

  // Takes `size` as the printer has it (its own name for the same sheet where it lists
  // one) with that size's printable margins as the least margins.
  void SetPageSize(const QPageSize& size);
  // The printer's entry for `size`: same id and name, else same id, else same size; null
  // when it lists none.
  const TPrinterPageSize* Supported(const QPageSize& size) const;
  // Long or short edge duplex offered.
  bool SupportsDuplex() const;
};
