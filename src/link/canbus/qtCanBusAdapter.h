#pragma once

#include "link/canAdapter.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>

class QCanBusDevice;
class QCanBusFrame;

// Any CAN interface Qt's CAN bus plugins reach (socketcan, peakcan, virtualcan, ...)
// behind the adapter interface: "canbus:PLUGIN:IFACE" on the command line, an entry of the
// port list in the window. Each frame is sent once; received frames come back as
// framesReceived batches on the device's thread, followed by the frames this adapter
// wrote (Echo), so that the log shows both directions whatever the plugin supports.
// Error frames the interface reports arrive flagged ErrorFrame (their ID is the error
// class). Losing the interface (unplugged, link down, virtual bus gone) ends the link
// with a ReadError.
class QtCanBusAdapter : public CanAdapter
{
    Q_OBJECT
public:
    // Bit rates in bit/s; 0 leaves the interface's own setting. `fd` lets CAN FD frames
    // through (the data bit rate only matters then).
    struct Settings {
        int bitRate = 0;
        int dataBitRate = 0;
        bool fd = false;
    };

    QtCanBusAdapter(const QString &plugin, const QString &interfaceName, QObject *parent = nullptr);
    ~QtCanBusAdapter() override;

    QString plugin() const { return m_plugin; }
    QString interfaceName() const { return m_interface; }
    // Applied at the next connectDevice().
    void setSettings(const Settings &s) { m_settings = s; }
    Settings settings() const { return m_settings; }

    bool sendFrame(const CanBusFrame &frame, const CanTxOptions &options = CanTxOptions()) override;
    bool stopRepeating() override { return isConnected(); } // nothing repeats here
    qint64 framesPending() const override;

    // "PLUGIN:IFACE" for every interface the installed plugins report.
    static QStringList availableInterfaces();
    // True where the bit rates are the system's business, not the plugin's: a SocketCAN
    // interface is brought up with its rates by `ip link` (root), and opened as it is.
    static bool ratesSetOutside(const QString &plugin);
    // "canbus:PLUGIN:IFACE" and back; false when the text is not of that form.
    static QString locationOf(const QString &plugin, const QString &interfaceName);
    static bool parseLocation(const QString &location, QString *plugin, QString *interfaceName);

    // A frame of the plugin as the link layer knows it (without its time stamp); an error
    // frame gets ErrorFrame and Failed, its error class as the ID.
    static CanBusFrame frameOf(const QCanBusFrame &f);

    static constexpr int ConnectTimeoutMs = 3000;

protected:
    bool open() override;
    void close() override;

private:
    void takeFrames();
    void flushEchoes();
    void lost(const QString &why);
    quint64 sinceOpenUs(qint64 seconds, qint64 microSeconds) const;

    QString m_plugin;
    QString m_interface;
    Settings m_settings;
    QPointer<QCanBusDevice> m_device;
    bool m_closing = false;
    // Time stamps count from the opening, as an adapter's clock would.
    qint64 m_openedAtUs = 0;
    QElapsedTimer m_clock;
    QList<CanBusFrame> m_echoes;
    bool m_echoFlushQueued = false;
};
