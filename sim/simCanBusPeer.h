#pragma once

// A simulated bus of motors attached to a Qt CAN interface (virtualcan) as a client of
// its own: every frame another client writes reaches the motors, their answers go back
// on the interface. It keeps the frames it saw, so that a test or a benchmark knows what
// reached the bus, and can put frames (also error frames) on the bus by itself.

#include "simBus.h"

#include <QCanBusFrame>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <mutex>

class QCanBusDevice;

class SimCanBusPeer : public QObject
{
public:
    // `interfaceName` as the virtualcan plugin takes it: "can0", or
    // "tcp://127.0.0.1:PORT/can0" for a bus of its own.
    SimCanBusPeer(std::shared_ptr<SimBus> bus, QString interfaceName, QObject *parent = nullptr);
    ~SimCanBusPeer() override;

    // Connects (waiting up to 5 s); false with the reason in `error`.
    bool start(QString *error = nullptr);
    void stop();

    SimBus *bus() const { return m_bus.get(); }
    QString interfaceName() const { return m_interface; }
    // Frames the other clients wrote, oldest first (the newest 100 000).
    QList<QCanBusFrame> seen() const;
    qint64 seenCount() const;
    void clearSeen();
    // Writes a frame onto the bus as one more device on it would.
    bool inject(const QCanBusFrame &frame);

private:
    void take();

    std::shared_ptr<SimBus> m_bus;
    QString m_interface;
    std::unique_ptr<QCanBusDevice> m_device;
    mutable std::mutex m_mutex;
    QList<QCanBusFrame> m_seen;
    qint64 m_seenCount = 0;
};
