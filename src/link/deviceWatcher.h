#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class UsbBackend;

// Notices serial ports and USB devices coming and going. Linux has no window message
// for this: USB arrivals and removals come from the USB backend's hot-plug
// notification where it has one, and otherwise from comparing enumerations once a
// second; serial ports are compared once a second. Either way the window runs the same
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
    // True when USB changes come from hot-plug notifications rather than polling.
    bool usesHotplug() const { return m_hotplug; }

    static QStringList serialPortSnapshot();
    QStringList usbSnapshot() const;

signals:
    // arrived: something new appeared (else something went away)
    void devicesChanged(bool arrived);

private:
    void onHotplug(bool arrived);

    QTimer m_timer;
    QStringList m_ports;
    QStringList m_usb;
    std::shared_ptr<UsbBackend> m_backend;
    bool m_backendReady = false;
    bool m_hotplug = false;
};
