#pragma once

// A scripted USB FDCAN adapter behind FdcanCommands: keeps the timing it is given and
// returns it, answers the state query, takes firmware sectors, and refuses on request.

#include "link/usb/fdcanCommands.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>

class FakeFdcan : public FdcanCommands
{
public:
    // Discovery: adapter name -> paired serial port name.
    QMap<QString, QString> pairs{{"device:1,4", "ttyACM7"}};
    bool openSucceeds = true;

    quint8 setupAck = 0;
    bool timingReplies = true;
    QByteArray timing = customBaudconfiguration::fromPresets(false, 0, 0).toPayload();
    quint8 stateAck = 0;
    QByteArray state = "app sw_version: 1.0.2";
    int refusePacket = -1; // index of the sector to refuse
    quint8 refuseCode = 6;
    quint8 endAck = 0;

    QStringList deviceNames() override { return pairs.keys(); }
    void rebuildPairing() override { ++pairingBuilds; }
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
        QMutexLocker lock(&mutex);
        setups << t;
        if (setupAck == 0)
            timing = t.toPayload();
        return setupAck;
    }
    QByteArray getBaudRate() override
    {
        QMutexLocker lock(&mutex);
        ++timingReads;
        return timingReplies ? timing : QByteArray();
    }
    quint8 testAck(QByteArray *payload) override
    {
        QMutexLocker lock(&mutex);
        *payload = stateAck == 0 ? state : QByteArray();
        return stateAck;
    }
    quint8 iapPack(quint32 index, const QByteArray &sector) override
    {
        QMutexLocker lock(&mutex);
        packets << qMakePair(index, sector);
        return int(index) == refusePacket ? refuseCode : 0;
    }
    quint8 iapEnd() override
    {
        QMutexLocker lock(&mutex);
        ++ends;
        return endAck;
    }

    QList<customBaudconfiguration> setupsSent()
    {
        QMutexLocker lock(&mutex);
        return setups;
    }
    QList<QPair<quint32, QByteArray>> packetsSent()
    {
        QMutexLocker lock(&mutex);
        return packets;
    }
    int endsSent()
    {
        QMutexLocker lock(&mutex);
        return ends;
    }

    bool isConnected = false;
    QString openedDevice;
    int pairingBuilds = 0;
    int timingReads = 0;

private:
    QMutex mutex;
    QList<customBaudconfiguration> setups;
    QList<QPair<quint32, QByteArray>> packets;
    int ends = 0;
};
