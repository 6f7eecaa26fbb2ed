#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Notices serial ports and USB devices coming and going. Linux has no window message
// for this, so the watcher compares snapshots once a second; the window runs the same
// refresh a device-change notification would trigger.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    explicit DeviceWatcher(QObject *parent = nullptr, int periodMs = 1000);
    ~DeviceWatcher() override;

    void start();
    void stop();
    // Takes a snapshot now and reports a change against the previous one.
    void poll();

    static QStringList serialPortSnapshot();
    QStringList usbSnapshot() const;

signals:
    // arrived: something new appeared (else something went away)
    void devicesChanged(bool arrived);

private:
    QTimer m_timer;
    QStringList m_ports;
    QStringList m_usb;
    struct libusb_context *m_usbContext = nullptr;
};
