// TREDeviceItem: one entry of the printer list, the three names of an installed printer.
#pragma once

#include <QString>

class TREDeviceItem {
 public:
  TREDeviceItem(QString device, QString driver, QString port)
      : device_(std::move(device)), driver_(std::move(driver)), port_(std::move(port)) {}

  const QString& DeviceName() const { return device_; }
  const QString& DriverName() const { return driver_; }
  const QString& PortName() const { return port_; }
  // "%s on %s": the device name and the port name.
  QString DisplayName() const { return QStringLiteral("%1 on %2").arg(device_, port_); }

 private:
  QString device_;
  QString driver_;
  QString port_;
};
