#pragma once

#include "link/canAdapter.h"

#include <QPointer>
#include <QString>

class QCanBusDevice;

// Any CAN interface Qt's CAN bus plugins reach (socketcan, peakcan, virtualcan, ...)
// behind the adapter interface: "canbus:PLUGIN:IFACE" on the command line. Each frame is
// sent once; received frames come back as framesReceived batches on the device's thread.
class QtCanBusAdapter : public CanAdapter
{
    Q_OBJECT
public:
    QtCanBusAdapter(const QString &plugin, const QString &interfaceName, QObject *parent = nullptr);
    ~QtCanBusAdapter() override;

    QString plugin() const { return m_plugin; }
    QString interfaceName() const { return m_interface; }

    bool sendFrame(const CanBusFrame &frame, const CanTxOptions &options = CanTxOptions()) override;
    bool stopRepeating() override { return isConnected(); } // nothing repeats here

    // "PLUGIN:IFACE" for every interface the installed plugins report.
    static QStringList availableInterfaces();

    static constexpr int ConnectTimeoutMs = 3000;

protected:
    bool open() override;
    void close() override;

private:
    void takeFrames();

    QString m_plugin;
    QString m_interface;
    QPointer<QCanBusDevice> m_device;
};
