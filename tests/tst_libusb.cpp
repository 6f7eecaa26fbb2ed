// The tool's libusb implementation of the USB seam, linked against a test-only
// libusb-1.0 whose devices are simulated adapters: enumeration, pairing by serial
// number, opening, the adapter's threads over real libusb calls, error names,
// hot-plug, and that every object taken from the library is given back.
#include "fakeLibusb.h"
#include "link/deviceWatcher.h"
#include "link/serial/customFIFO.h"
#include "link/usb/control_protocol.h"
#include "link/usb/libusb/libusbBackend.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "queuedSpy.h"

#include <libusb.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestLibusb : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    std::shared_ptr<SimUsbAdapter> dev;
    std::shared_ptr<LibusbBackend> backend;

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void init()
    {
        dev = std::make_shared<SimUsbAdapter>("LIBSN", 3, 7);
        auto other = std::make_shared<SimUsbAdapter>("KBD", 3, 1);
        other->setIdentity(0x046D, 0xC31C);
        FakeLibusb::setDevices({other, dev});
        backend = std::make_shared<LibusbBackend>();
        setUsbBackend(backend);
    }

    void cleanup()
    {
        clear_ctx();
        setUsbBackend(nullptr);
        backend.reset();
        // Every context, device reference, handle and interface went back.
        QCOMPARE(FakeLibusb::liveContexts(), 0);
        QCOMPARE(FakeLibusb::liveDevices(), 0);
        QCOMPARE(FakeLibusb::openHandles(), 0);
        QCOMPARE(FakeLibusb::claimedInterfaces(), 0);
        FakeLibusb::setInitResult(0);
    }

    void adapterOverLibusb()
    {
        matchUSBDeviceInfo({{"ttyACM3", "", SimUsbAdapter::AdapterVendorId, SimUsbAdapter::AdapterProductId, "LIBSN"}});
        QCOMPARE(Qserialport2Libusb("ttyACM3"), QString("device:3,7"));
        int n = 0;
        QCOMPARE(usb_get_zk_device(n), QStringList{"device:3,7"});

        CustomFIFO fifo;
        UsbCanAdapter adapter(&fifo);
        QueuedSpy frames(&adapter, &CanAdapter::framesReceived); // emitted on the parse thread
        adapter.setDeviceName("device:3,7");
        QVERIFY(adapter.connectDevice());
        QCOMPARE(FakeLibusb::claimedInterfaces(), 3);
        QVERIFY(dev->isCapturing());
        QByteArray state;
        QCOMPARE(USB_CMD_TEST_ACK(state), quint8(0));
        QVERIFY(state.contains("sw_version:"));

        // A frame out through 0x03 comes back as the adapter's echo on 0x83.
        CanBusFrame f;
        f.id = 0x345;
        f.payload = "zk";
        QVERIFY(adapter.sendFrame(f));
        QTRY_VERIFY_WITH_TIMEOUT(!frames.isEmpty(), 5000);
        const CanBusFrame echo = frames.first().at(0).value<QList<CanBusFrame>>().value(0);
        QCOMPARE(echo.id, quint32(0x345));
        QCOMPARE(echo.payload, QByteArray("zk"));
        QVERIFY(echo.has(CanBusFrame::Echo));

        // Unplugged: the library's error reaches the link as a read error.
        QSignalSpy errors(&adapter, &CanAdapter::errorOccurred);
        FakeLibusb::unplug(dev);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
        QCOMPARE(errors.first().at(0).value<CanAdapter::Error>(), CanAdapter::Error::ReadError);
        quint8 buffer[64];
        int got = 0;
        QCOMPARE(usb_bulk_transfer(UsbAdapter::ReceiveIn, buffer, 64, &got, 10), int(LIBUSB_ERROR_NO_DEVICE));
        QCOMPARE(usb_error_name(LIBUSB_ERROR_NO_DEVICE), QString("LIBUSB_ERROR_NO_DEVICE"));
        adapter.disconnectDevice();
        QCOMPARE(FakeLibusb::openHandles(), 0);
        QCOMPARE(usb_get_zk_device(n), QStringList());
    }

    void hotplugNotifiesTheWatcher()
    {
        DeviceWatcher watcher(nullptr, 60000);
        QSignalSpy changed(&watcher, &DeviceWatcher::devicesChanged);
        watcher.start();
        QVERIFY(watcher.usesHotplug());
        FakeLibusb::unplug(dev);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 5000);
        QCOMPARE(changed.takeFirst().at(0).toBool(), false);
        FakeLibusb::plug(dev);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 5000);
        QCOMPARE(changed.takeFirst().at(0).toBool(), true);
        watcher.stop();
    }

    void libraryThatDoesNotStart()
    {
        FakeLibusb::setInitResult(LIBUSB_ERROR_NO_MEM);
        QFile log(Logger::logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        log.seek(log.size());
        int n = -1;
        QVERIFY(usb_get_zk_device(n).isEmpty());
        QCOMPARE(n, 0);
        QVERIFY(QString::fromUtf8(log.readAll()).contains("libusb初始化失败:"));
        DeviceWatcher watcher;
        watcher.start();
        QVERIFY(!watcher.usesHotplug());
        QVERIFY(watcher.usbSnapshot().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLibusb)
#include "tst_libusb.moc"
