#pragma once

#include <QList>
#include <QString>

// A serial port as the pairing with USB adapters sees it: the USB identity of the
// device behind the port, when it has one.
struct USBDeviceInfo
{
    QString portName;
    QString description;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;

    // "vendor:product:serial", IDs in decimal.
    QString key() const { return QString("%1:%2:%3").arg(vendorId).arg(productId).arg(serialNumber); }
};
