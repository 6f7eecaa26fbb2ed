#pragma once

#include "link/canAdapter.h"

#include <QList>

#include <atomic>
#include <QMutex>
#include <QString>

class QCanBusDevice;
class QCanBusFrame;
class QThread;

// Any CAN interface Qt's CAN bus plugins reach (socketcan, peakcan, virtualcan, ...)
// behind the adapter interface: "canbus:PLUGIN:IFACE" on the command line, an entry of the
// port list in the window. The device, its socket and the reading live on a thread of
// their own (one for every Qt CAN interface of the process, kept until the application
// ends: a plugin may leave objects of its own on it). Each frame is sent once, queued
// into that thread from whichever thread sends. Received frames are collected per read
// and handed over as framesReceived batches on that thread, at most one batch every
// BatchGapMs while frames keep coming; the frames this adapter wrote come back in them
// (Echo), so that the log shows both directions whatever the plugin supports. Error
// frames the interface reports arrive flagged ErrorFrame (their ID is the error class).
// Losing the interface (unplugged, link down, virtual bus gone) ends the link with a
// ReadError.
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

    // True when the frame is queued for the interface. A frame the interface cannot take
    // at all (CAN FD while FD is off, an invalid frame) is refused here; a write the
    // interface fails later is reported as a WriteError.
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
    // frame gets ErrorFrame and Failed, its error class as the ID. And the other way.
    static CanBusFrame frameOf(const QCanBusFrame &f);
    static QCanBusFrame qtFrameOf(const CanBusFrame &f);

    // The thread every Qt CAN interface's device lives on.
    static QThread *ioThread();

    static constexpr int ConnectTimeoutMs = 3000;
    // While frames keep coming, batches are handed over no more often than this: a flood
    // travels in a few hundred batches a second, a lone answer goes at once.
    static constexpr int BatchGapMs = 4;

protected:
    bool open() override;
    void close() override;

private:
    class Worker;
    friend class Worker;
    void lost(const QString &why);
    void handOver(const QList<CanBusFrame> &frames) { enqueueReceivedFrames(frames); }
    QList<CanBusFrame> takeOutbox();

    QString m_plugin;
    QString m_interface;
    Settings m_settings;
    // Between the senders and the device's thread.
    mutable QMutex m_sendMutex;
    Worker *m_worker = nullptr;
    QList<CanBusFrame> m_outbox;
    bool m_drainQueued = false;
    // Frames the device still holds, as its thread last saw them.
    std::atomic<qint64> m_devicePending{0};
};
