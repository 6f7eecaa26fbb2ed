#pragma once

#include "link/usb/baudTiming.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the connection panel, the custom timing dialog, the adapter firmware upgrade and
// the main window's timing read-back need from the USB FDCAN adapter: discovery and
// pairing with serial ports, open and close, and the command exchanges. The product
// binds it to the adapter's command functions; tests give a scripted adapter.
//
// Command results are the exchange's result code: 0 success, the adapter's non-zero ack
// code, 2 reply CRC mismatch, 5 no reply or a reply to another command, 14 not sent.
// Exchanges may be made from a pool thread (firmware upgrade); implementations
// serialise them.
class FdcanCommands
{
public:
    virtual ~FdcanCommands() = default;

    // ---- discovery and pairing
    // Names "device:<bus>,<address>" of the attached adapters (at most eight).
    virtual QStringList deviceNames() = 0;
    // Re-reads which serial port belongs to which adapter.
    virtual void rebuildPairing() = 0;
    // Serial port name of an adapter, empty when none is paired with it.
    virtual QString portOfDevice(const QString &device) = 0;
    // Adapter name of a serial port, empty when the port is no adapter's.
    virtual QString deviceOfPort(const QString &port) = 0;

    // ---- connection
    virtual bool open(const QString &device) = 0;
    virtual void close() = 0;
    virtual bool connected() const = 0;

    // ---- commands
    virtual quint8 setupBaud(const customBaudconfiguration &timing) = 0;
    // The 9-byte timing record, empty when the exchange failed or the reply was empty.
    virtual QByteArray getBaudRate() = 0;
    // The adapter's state text ("boot", or a version after "sw_version:") in `payload`.
    virtual quint8 testAck(QByteArray *payload) = 0;
    // One 4096-byte firmware sector.
    virtual quint8 iapPack(quint32 index, const QByteArray &sector) = 0;
    virtual quint8 iapEnd() = 0;

    // Stands in while no adapter support is bound: finds nothing, opens nothing, and
    // every command reports "not sent".
    static FdcanCommands *none();
};
