// The USB FDCAN adapter's link below the window: command frames and the
// order of the reply checks, the stream frames and their decoding, enumeration and
// pairing, the transmit records and the reader threads, all against the simulated
// adapter behind the USB seam.
#include "byteHelpers.h"
#include "link/serial/customFIFO.h"
#include "link/usb/can_class.h"
#include "link/usb/control_protocol.h"
#include "link/usb/crc.h"
#include "link/usb/tx_can_thread.h"
#include "link/usb/usbCanAdapter.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "queuedSpy.h"
#include "simUsbBackend.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One stream transfer as the adapter sends it, written out here on its own.
QByteArray streamTransfer(const QByteArray &payload, bool goodCrc = true, quint8 end = 0x5A)
{
    QByteArray body;
    body.append(char(payload.size()));
    body.append(char(payload.size() >> 8));
    body += payload;
    quint16 crc = CRC16_IBM(body);
    if (!goodCrc)
        crc ^= 1;
    QByteArray t;
    t.append(char(0xA5));
    t.append(char(0x81));
    t += body;
    t.append(char(crc));
    t.append(char(crc >> 8));
    t.append(char(end));
    return t;
}

// A 12-byte head and `data` bytes (DLC code given separately, so heads can lie).
QByteArray record(quint32 id, int dlc, const QByteArray &data, quint8 flags = 0x01)
{
    QByteArray r(12, '\0');
    for (int b = 0; b < 4; ++b)
        r[b] = char(id >> (8 * b));
    r[11] = char(flags | (dlc << 4));
    return r + data;
}

} // namespace

class TestUsbProtocol : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    std::shared_ptr<SimUsbBackend> backend;
    std::shared_ptr<SimUsbAdapter> dev;

    bool openAdapter()
    {
        int n = 0;
        const QStringList names = usb_get_zk_device(n);
        return n > 0 && usb_open(names.first()) == 0;
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void init()
    {
        backend = std::make_shared<SimUsbBackend>();
        dev = std::make_shared<SimUsbAdapter>("SN1", 1, 2);
        backend->addDevice(dev);
        setUsbBackend(backend);
    }

    void cleanup()
    {
        clear_ctx();
        setUsbBackend(nullptr);
        QCOMPARE(backend->openHandles(), 0);
        dev.reset();
        backend.reset();
    }

    void commandTransfers()
    {
        QCOMPARE(usbCommandFrame(UsbCmd::StartCap, nullptr, 0), bytes({0xA5, 0, 0, 0, 0, 0, 0x5A}));
        QVERIFY(openAdapter());
        QCOMPARE(USB_CMD_START_CAP(), quint8(0));
        QVERIFY(dev->isCapturing());
        QByteArray image(4096, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7);
        QCOMPARE(USB_CMD_IAP_PACK(0, reinterpret_cast<const uint8_t *>(image.constData())), quint8(0));
        const QList<QByteArray> log = dev->commandLog();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0], bytes({0xA5, 0, 0, 0, 0, 0, 0x5A, 0}));
        QCOMPARE(log[1].size(), 4108);
        QCOMPARE(log[1].mid(1, 7), bytes({0x02, 0x04, 0x10, 0, 0, 0, 0}));
        QCOMPARE(log[1].mid(8, 4096), image);
        QCOMPARE(quint8(log[1][4106]), quint8(0x5A));
        QCOMPARE(dev->firmwareImage(), image);

        // The heartbeat goes to its own endpoint and waits for nothing.
        const quint64 replies = dev->stats().replies;
        USB_CMD_HEART();
        QCOMPARE(dev->stats().heartbeats, quint64(1));
        QCOMPARE(dev->stats().replies, replies);
    }

    void replyChecks_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("expected");
        QTest::newRow("good reply") << 0 << 0;
        QTest::newRow("other code, good crc") << 1 << 5;
        QTest::newRow("ack 6") << 2 << 6;
        QTest::newRow("bad crc") << 3 << 2;
        QTest::newRow("bad end byte") << 4 << 5;
        QTest::newRow("send fails") << 5 << 14;
        QTest::newRow("unplugged") << 6 << 14;
        QTest::newRow("slow reply") << 8 << 0;
        QTest::newRow("no reply in 5 s") << 7 << 5;
    }

    void replyChecks()
    {
        QFETCH(int, fault);
        QFETCH(int, expected);
        QVERIFY(openAdapter());
        switch (fault) {
        case 1: dev->answerWithWrongCode(1); break;
        case 2: dev->refuseCommand(UsbCmd::TestAck, 6); break;
        case 3: dev->corruptNextReplyCrc(1); break;
        case 4: dev->breakNextReplyEnd(1); break;
        case 5: dev->failNextTransfers(UsbAdapter::CommandOut, UsbError::Pipe, 1); break;
        case 6: backend->unplug(dev); break;
        case 7: dev->setNoReply(true); break;
        case 8: dev->setReplyDelayMs(300); break;
        }
        QByteArray reply;
        QCOMPARE(int(USB_CMD_TEST_ACK(reply)), expected);
        QCOMPARE(reply.isEmpty(), expected != 0);
        if (expected == 0)
            QCOMPARE(QString::fromUtf8(reply), QString("app sw_version: 1.0.2"));
    }

    void setupAndReadBack()
    {
        QVERIFY(openAdapter());
        QCOMPARE(USB_CMD_SETUP_BUARD(1, 2, 2, 29, 10, 5, 2, 2, 2), quint8(0));
        QCOMPARE(dev->timing(), bytes({1, 29, 10, 2, 2, 5, 2, 2, 2}));
        QCOMPARE(USB_CMD_GetBaudRate(), dev->timing());
        dev->refuseCommand(UsbCmd::GetBaudRate, 3);
        QVERIFY(USB_CMD_GetBaudRate().isEmpty());
        QCOMPARE(USB_CMD_StopPeriodSend(), QByteArray("ok"));
    }

    void streamDecoding_data()
    {
        QTest::addColumn<QByteArrayList>("transfers");
        QTest::addColumn<QList<int>>("sequences");
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<int>("emitted"); // lists emitted by the parser

        const QByteArray data64(64, char(0x3C));
        QTest::newRow("L 12, DLC 0") << QByteArrayList{streamTransfer(record(0x10, 0, {}))} << QList<int>{0}
                                     << QList<int>{0} << 1;
        QTest::newRow("DLC 15 takes 64 bytes")
            << QByteArrayList{streamTransfer(record(0x10, 15, data64) + record(0x11, 1, "x"))} << QList<int>{0, 1}
            << QList<int>{64, 1} << 1;
        QTest::newRow("data past the payload ends the walk")
            << QByteArrayList{streamTransfer(record(0x10, 2, "ab") + record(0x11, 8, "abcd"))} << QList<int>{0}
            << QList<int>{2} << 1;
        const QByteArray three = record(1, 1, "a") + record(2, 1, "b") + record(3, 1, "c");
        const QByteArray two = record(4, 0, {}) + record(5, 0, {});
        QTest::newRow("sequence runs across blocks")
            << QByteArrayList{streamTransfer(three), streamTransfer(two)} << QList<int>{0, 1, 2, 3, 4}
            << QList<int>{1, 1, 1, 0, 0} << 2;
        QTest::newRow("bad crc emits nothing, keeps the count")
            << QByteArrayList{streamTransfer(three, false), streamTransfer(two)} << QList<int>{0, 1}
            << QList<int>{0, 0} << 1;
        QTest::newRow("bad end byte is dropped with a good crc")
            << QByteArrayList{streamTransfer(three, true, 0x00), streamTransfer(two)} << QList<int>{0, 1}
            << QList<int>{0, 0} << 1;
        QTest::newRow("length beyond the transfer is dropped")
            << QByteArrayList{streamTransfer(two).remove(6, 10)} << QList<int>{} << QList<int>{} << 0;
    }

    void streamDecoding()
    {
        QFETCH(QByteArrayList, transfers);
        QFETCH(QList<int>, sequences);
        QFETCH(QList<int>, lengths);
        QFETCH(int, emitted);
        CustomFIFO fifo;
        can_class parser(&fifo);
        QSignalSpy spy(&parser, &can_class::send_can_value);
        for (const QByteArray &t : transfers)
            unpack_usb_frame(reinterpret_cast<const quint8 *>(t.constData()), int(t.size()), fifo, UsbStream::Receive);
        uint8_t *block = nullptr;
        while (fifo.fifo_read(&block) == CustomFIFO::ReadOk) {
            parser.unpack_can_frame(block);
            delete[] block;
        }
        QCOMPARE(spy.size(), emitted);
        QList<int> seqs, lens;
        for (const auto &call : spy)
            for (const can_node_type &n : call.at(0).value<QList<can_node_type>>()) {
                seqs << n.seq;
                lens << int(n.data.size());
            }
        QCOMPARE(seqs, sequences);
        QCOMPARE(lens, lengths);
    }

    void enumerationAndPairing()
    {
        for (int i = 0; i < 9; ++i)
            backend->addDevice(std::make_shared<SimUsbAdapter>(QString("X%1").arg(i), 2, quint8(i + 1)));
        auto mouse = std::make_shared<SimUsbAdapter>("M", 3, 1);
        mouse->setIdentity(0x046D, 0xC077);
        backend->addDevice(mouse);
        int n = 0;
        const QStringList names = usb_get_zk_device(n);
        QCOMPARE(n, 8);
        QCOMPARE(names.first(), QString("device:1,2"));
        QVERIFY(!names.contains("device:3,1"));
        QVERIFY(!get_libusb_device("device:2,9").isValid()); // the ninth adapter is not listed

        const quint16 vid = SimUsbAdapter::AdapterVendorId, pid = SimUsbAdapter::AdapterProductId;
        matchUSBDeviceInfo({{"ttyACM1", "", vid, pid, "X3"},
                            {"ttyACM0", "", vid, pid, "SN1"},
                            {"ttyACM9", "", vid, pid, "SN1"},
                            {"ttyS0", "", 0, 0, ""},
                            {"ttyUSB0", "", 0x1A86, 0x7523, "SN1"}});
        QCOMPARE(Qserialport2Libusb("ttyACM0"), QString("device:1,2"));
        QCOMPARE(Qserialport2Libusb("ttyACM9"), QString("device:1,2"));
        QCOMPARE(Qserialport2Libusb("ttyACM1"), QString("device:2,4"));
        QCOMPARE(Qserialport2Libusb("ttyS0"), QString());
        QCOMPARE(Qserialport2Libusb("ttyUSB0"), QString());
        QCOMPARE(Libusb2Qserialport("device:1,2"), QString("ttyACM0"));
        // A pairing does not outlive the adapter.
        backend->removeDevice(dev);
        matchUSBDeviceInfo({{"ttyACM0", "", vid, pid, "SN1"}});
        QCOMPARE(Qserialport2Libusb("ttyACM0"), QString());
    }

    void openFailures()
    {
        int n = 0;
        usb_get_zk_device(n);
        QCOMPARE(usb_open("device:9,9"), -1);
        backend->unplug(dev);
        QCOMPARE(usb_open("device:1,2"), -1);
        QVERIFY(!get_connect());
        QCOMPARE(backend->openHandles(), 0);
    }

    void transmitRecords_data()
    {
        QTest::addColumn<quint8>("flags");
        QTest::addColumn<int>("times");
        QTest::addColumn<bool>("idIncrement");
        QTest::addColumn<QList<quint32>>("ids");
        QTest::addColumn<bool>("fd");
        QTest::addColumn<bool>("brs");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<int>("length");
        const quint8 fd = CanBusFrame::FlexibleData, brs = CanBusFrame::BitRateSwitch;
        QTest::newRow("fd with switch") << quint8(fd | brs) << 1 << false << QList<quint32>{0x120} << true << true
                                        << false << 12;
        QTest::newRow("switch without fd") << brs << 1 << false << QList<quint32>{0x120} << false << false << false
                                           << 8;
        QTest::newRow("remote") << quint8(CanBusFrame::Remote) << 1 << false << QList<quint32>{0x120} << false
                                << false << true << 8;
        QTest::newRow("4 sends, ID counts to stop ID 0x122")
            << quint8(0) << 4 << true << QList<quint32>{0x120, 0x121, 0x122, 0x120} << false << false << false << 8;
    }

    void transmitRecords()
    {
        QFETCH(quint8, flags);
        QFETCH(int, times);
        QFETCH(bool, idIncrement);
        QFETCH(QList<quint32>, ids);
        QFETCH(bool, fd);
        QFETCH(bool, brs);
        QFETCH(bool, remote);
        QFETCH(int, length);
        CustomFIFO fifo;
        UsbCanAdapter adapter(&fifo);
        int n = 0;
        adapter.setDeviceName(usb_get_zk_device(n).value(0));
        QVERIFY(adapter.connectDevice());
        CanBusFrame f;
        f.id = 0x120;
        f.flags = flags;
        f.payload = QByteArray(12, char(0x11));
        CanTxOptions o;
        o.times = times;
        o.intervalMs = 2;
        o.idIncrement = idIncrement;
        o.stopId = 0x122;
        QVERIFY(adapter.sendFrame(f, o));
        QTRY_COMPARE_WITH_TIMEOUT(dev->busFrames().size(), ids.size(), 5000);
        QList<quint32> seen;
        for (const SimUsbFrame &b : dev->busFrames()) {
            seen << b.id;
            QCOMPARE(b.fd, fd);
            QCOMPARE(b.bitRateSwitch, brs);
            QCOMPARE(b.remote, remote);
            QCOMPARE(int(b.data.size()), length);
        }
        QCOMPARE(seen, ids);
        adapter.disconnectDevice();
        QVERIFY(!dev->isCapturing());
    }

    // The record carries the ID step in one byte: a larger step with ID counting is
    // refused, never sent cut (256 would not advance the ID at all).
    void idStepBeyondTheRecordIsRefused_data()
    {
        QTest::addColumn<quint16>("step");
        QTest::addColumn<bool>("idIncrement");
        QTest::addColumn<bool>("sent");
        QTest::newRow("255 fits") << quint16(255) << true << true;
        QTest::newRow("256") << quint16(256) << true << false;
        QTest::newRow("300") << quint16(300) << true << false;
        QTest::newRow("300 without ID counting") << quint16(300) << false << true;
    }

    void idStepBeyondTheRecordIsRefused()
    {
        QFETCH(quint16, step);
        QFETCH(bool, idIncrement);
        QFETCH(bool, sent);
        CustomFIFO fifo;
        UsbCanAdapter adapter(&fifo);
        int n = 0;
        adapter.setDeviceName(usb_get_zk_device(n).value(0));
        QVERIFY(adapter.connectDevice());
        CanBusFrame f;
        f.id = 0x100;
        f.payload = "a";
        CanTxOptions o;
        o.idIncrement = idIncrement;
        o.idStep = step;
        QCOMPARE(adapter.sendFrame(f, o), sent);
        adapter.flushSends();
        QCOMPARE(dev->stats().transmitRecords, quint64(sent ? 1 : 0));
        if (sent)
            QCOMPARE(quint8(dev->lastTransmitRecord().at(0)), quint8(step));
        adapter.disconnectDevice();
    }

    void watchdogStopsRepetitionWithoutHeartbeat()
    {
        QVERIFY(openAdapter());
        dev->setWatchdogMs(100);
        USB_CMD_HEART();
        tx_can_thread tx(nullptr);
        can_tx_type r;
        fillTxRecord(r, "a", can_tx_type::FlagDataFrame, 0x55, -1, 5, 1, 0x7FF);
        QCOMPARE(tx.transmit(r), 0);
        QVERIFY(dev->isRepeating());
        QTRY_VERIFY_WITH_TIMEOUT(!dev->isRepeating(), 5000);
        QCOMPARE(dev->stats().watchdogTrips, quint64(1));
        QVERIFY(dev->stats().busFrames > 1);
    }

    void readerEndsOnTransferErrorAndRunsAgain()
    {
        CustomFIFO fifo;
        UsbCanAdapter adapter(&fifo);
        QueuedSpy frames(&adapter, &CanAdapter::framesReceived); // emitted on the parse thread
        QSignalSpy errors(&adapter, &CanAdapter::errorOccurred);
        int n = 0;
        adapter.setDeviceName(usb_get_zk_device(n).value(0));
        QVERIFY(adapter.connectDevice());
        dev->injectReceivedFrame({0x21, "ab"});
        QTRY_COMPARE_WITH_TIMEOUT(frames.size(), 1, 5000);
        const CanBusFrame got = frames.takeFirst().at(0).value<QList<CanBusFrame>>().value(0);
        QCOMPARE(got.id, quint32(0x21));
        QCOMPARE(got.payload, QByteArray("ab"));
        QVERIFY(!got.has(CanBusFrame::Echo));

        dev->failNextTransfers(UsbAdapter::ReceiveIn, UsbError::Io, 1);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(adapter.receiveReader()->isFinished(), 5000);
        adapter.disconnectDevice();
        QVERIFY(adapter.connectDevice());
        QVERIFY(adapter.receiveReader()->isRunning());
        dev->injectReceivedFrame({0x22, "cd"});
        QTRY_COMPARE_WITH_TIMEOUT(frames.size(), 1, 5000);
    }
};

QTEST_GUILESS_MAIN(TestUsbProtocol)
#include "tst_usbprotocol.moc"
