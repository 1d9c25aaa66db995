// TCupsPrinters: what CUPS says about the installed printers, read through libcups: the
// queues with their make and model and place, the default queue, and per queue its paper
// sizes (with printable margins), default paper, duplex modes, paper bins and copy limit,
// and the device mode a queue starts with. Paper and duplex come from the queue's PPD, as
// the print dialog reads them, so that both name the same sizes.
#pragma once

#include <QList>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "reportengine/DeviceMode.h"
#include "reportengine/REDeviceItem.h"

class TCupsPrinters {
 public:
  // Every queue and instance ("name/instance"), in CUPS's order.
  static std::vector<TREDeviceItem> List();
  // The default queue; empty when there is none.
  static QString DefaultDevice();
  // Paper bins (media-source values) of a queue.
  static QStringList Bins(const QString& device);
  // The largest copy count a queue takes; 0 when unknown.
  static int MaxCopies(const QString& device);
  // The device mode a queue starts with: A4 (or the queue's equivalent sheet) upright, 1200
  // dots per inch, one collated copy, the queue's default duplex; none when CUPS does not
  // know the queue or has no PPD for it.
  static std::optional<TDeviceMode> DeviceMode(const QString& device);
  // The paper sizes of a queue and its default size; empty and invalid when unknown.
  static QList<QPageSize> PageSizes(const QString& device, QPageSize* default_size);
};
