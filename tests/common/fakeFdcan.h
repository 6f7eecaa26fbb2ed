#pragma once

// A scripted USB FDCAN adapter behind FdcanCommands: keeps the timing it is given and
// returns it, answers the state query, takes firmware sectors, and refuses on request.

#include "link/usb/fdcanCommands.h"

#include <QList>
#include <QMap>

class FakeFdcan : public FdcanCommands
{
public:
    // Discovery: adapter name -> paired serial port name.
    QMap<QString, QString> pairs{{"device:1,4", "ttyACM7"}};
    bool openSucceeds = true;

    bool timingReplies = true;
    QByteArray timing = customBaudconfiguration::fromPresets(false, 0, 0).toPayload();
    QByteArray state = "app sw_version: 1.0.2";
    int refusePacket = -1; // index of the sector to refuse
    quint8 refuseCode = 6;
    quint8 endAck = 0;

    QStringList deviceNames() override { return pairs.keys(); }
    void rebuildPairing() override {}
    QString portOfDevice(const QString &device) override { return pairs.value(device); }
    QString deviceOfPort(const QString &port) override { return pairs.key(port); }

    bool open(const QString &device) override
    {
        openedDevice = device;
        isConnected = openSucceeds && pairs.contains(device);
        return isConnected;
    }
    void close() override { isConnected = false; }
    bool connected() const override { return isConnected; }

    quint8 setupBaud(const customBaudconfiguration &t) override
    {
        setups << t;
        timing = t.toPayload();
        return 0;
    }
    QByteArray getBaudRate() override
    {
        ++timingReads;
        return timingReplies ? timing : QByteArray();
    }
    quint8 testAck(QByteArray *payload) override
    {
        *payload = state;
        return 0;
    }
    quint8 iapPack(quint32 index, const QByteArray &sector) override
    {
        packets << qMakePair(index, sector);
        return int(index) == refusePacket ? refuseCode : 0;
    }
    quint8 iapEnd() override
    {
        ++ends;
        return endAck;
    }

    bool isConnected = false;
    QString openedDevice;
    int timingReads = 0;
    QList<customBaudconfiguration> setups;
    QList<QPair<quint32, QByteArray>> packets;
    int ends = 0;
};
