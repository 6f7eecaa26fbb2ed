#pragma once

#include "cli/cliRequest.h"
#include "link/usb/usbDeviceInfo.h"
#include "motor/motorProtocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

class CustomCDC;
class QtCanBusAdapter;
class ReceiveDispatcher;
class SerialPortModel;
class UsbCanAdapter;

// The way to the motors for one command: the link object the window also uses, with the
// serial adapter's port, the USB CAN FD adapter or a CAN interface of Qt's plugins behind
// it. Everything runs on the thread that owns it; received motor frames (echoes of sent
// frames left out) come out as frameReceived, whichever adapter delivered them.
class CliLink : public QObject
{
    Q_OBJECT
public:
    explicit CliLink(QObject *parent = nullptr);
    ~CliLink() override;

    // Serial ports known only by path with the USB identity of their device (a simulated
    // USB adapter's port), for pairing a --port with its adapter.
    void setExtraUsbPorts(const QList<USBDeviceInfo> &ports) { extraUsbPorts = ports; }

    // Opens the adapter the request names. False with `error` saying what and where.
    bool open(const CliRequest &request, QString *error);
    void close();

    CustomCDC &link() { return *cdc; }
    ReceivePath path() const { return receivePath; }
    // "serial adapter on /dev/pts/4", "USB CAN FD adapter device:1,10", "CAN interface virtualcan:can0"
    QString where() const { return description; }
    QString adapterKind() const;
    QString portOrDevice() const { return location; }
    bool isLost() const { return !lostReason.isEmpty(); }
    // Answers a running firmware upgrade took from this link so far.
    int upgradeReplies() const { return upgradeRepliesTaken; }
    QString lostWhy() const { return lostReason; }

signals:
    void frameReceived(quint32 id, const QByteArray &data);
    // The adapter went away (unplugged, port closed by the other side).
    void lost(const QString &reason);

private:
    bool openSerial(const QString &path, QString *error);
    bool openUsb(const QString &port, QString *error);
    bool openCanBus(const QString &plugin, const QString &interfaceName, QString *error);
    void readPort();
    void onLost(const QString &reason);
    // A received standard data frame, offered to a running firmware upgrade first.
    bool offerToUpgrade(quint32 id, const QByteArray &data);

    std::unique_ptr<SerialPortModel> portModel;
    std::unique_ptr<CustomCDC> cdc;
    ReceivePath receivePath = ReceivePath::SerialAdapter;
    CliRequest::Adapter kind = CliRequest::Adapter::Serial;
    QString description;
    QString location;
    QString lostReason;
    int upgradeRepliesTaken = 0;

    // Serial adapter: the port read on every readyRead and every 10 ms, the dispatcher
    // cutting the stream into adapter frames.
    QSerialPort port;
    QTimer pollTimer;
    std::unique_ptr<ReceiveDispatcher> dispatcher;
    QList<QByteArray> chunks;
    quint64 reads = 0;

    // USB CAN FD adapter and its heartbeat.
    QList<USBDeviceInfo> extraUsbPorts;
    UsbCanAdapter *usb = nullptr;
    std::thread heartbeat;
    std::atomic_bool beating{false};

    QtCanBusAdapter *canBus = nullptr;
};
