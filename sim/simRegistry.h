#pragma once

// The simulated ports that `zktool --simulate` lists beside the real ones: each port is a
// SimSerialAdapter on its own pseudo-terminal with one or more SimMotors behind it (or a
// motor's serial console). The registry owns them and stops them on destruction.

#include "simCanBusPeer.h"
#include "simMotor.h"
#include "simSerialAdapter.h"
#include "simUsbAdapter.h"
#include "simUsbBackend.h"

#include <QList>
#include <QString>

#include <memory>
#include <mutex>

struct SimPortInfo {
    QString path;          // the pseudo-terminal slave to open
    QString description;   // e.g. "Simulated serial adapter (motor 0x01, master 0x11, 1M)"
    // The USB identity of the device behind the port (a simulated USB adapter's own
    // serial port), zero / empty for the others.
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
};

class SimRegistry
{
public:
    struct Options {
        int motorsPerPort = 1;        // motors on each adapter's bus
        // The bus of each adapter port, when given (motorsPerPort is then unused).
        QList<SimBus::MotorSetup> motors;
        int consolePorts = 0;         // extra ports that are a motor's serial console
        int usbAdapters = 0;          // USB CAN FD adapters, each with its own serial port
        SimMotor::Layout layout = SimMotor::Layout::Long;
    };

    SimRegistry() = default;
    ~SimRegistry();
    SimRegistry(const SimRegistry &) = delete;
    SimRegistry &operator=(const SimRegistry &) = delete;

    // The process-wide registry used by the tool's --simulate switch.
    static SimRegistry &global();

    // Creates `count` adapter ports (plus the console ports of the options) and returns
    // all ports now served. Without a list of motors, port k's motors have CAN IDs 0x01,
    // 0x02, ..., master IDs CAN ID + 0x10 and can_br codes 4, 3, 2, ... (1M, 500K, 250K,
    // ...); a console port serves the first of them. Ports that fail to open are skipped
    // (error gets the reason).
    QList<SimPortInfo> start(int count, const Options &options, QString *error = nullptr);
    QList<SimPortInfo> start(int count = 1) { return start(count, Options()); }
    QList<SimPortInfo> ports() const;
    bool isSimulated(const QString &path) const;

    std::shared_ptr<SimSerialAdapter> adapter(int port) const;
    std::shared_ptr<SimSerialAdapter> adapter(const QString &path) const;
    std::shared_ptr<SimMotor> motor(int port, int index = 0) const;
    // The USB backend serving the simulated USB adapters; the adapter paired with a port.
    std::shared_ptr<SimUsbBackend> usbBackend();
    std::shared_ptr<SimUsbAdapter> usbAdapter(int index) const;

    // Motors on a Qt CAN interface (virtualcan), answering as a second client of it; the
    // interface's description, empty when it did not connect (error gets the reason).
    QString startCanBus(const QString &interfaceName, const QList<SimBus::MotorSetup> &motors,
                        QString *error = nullptr);
    SimCanBusPeer *canBusPeer() const { return m_canPeer.get(); }

    void stopAll();

private:
    struct Entry {
        SimPortInfo info;
        std::shared_ptr<SimSerialAdapter> adapter;
        std::shared_ptr<SimUsbAdapter> usb;
    };
    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    std::shared_ptr<SimUsbBackend> m_usbBackend;
    std::unique_ptr<SimCanBusPeer> m_canPeer; // lives on the thread that started it
};
