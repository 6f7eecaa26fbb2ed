// The USB FDCAN adapter end to end: the window opens the adapter through its paired
// serial port, drives the simulated motor behind it, logs its frames, and survives the
// adapter being unplugged and plugged in again.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "byteHelpers.h"
#include "can/canFrameModel.h"
#include "can/canTxModel.h"
#include "procedures/customCDC.h"
#include "link/usb/control_protocol.h"
#include "log/log.h"
#include "simUsbWindow.h"
#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestUsbLink : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    SimUsbWindow sw;

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }

    QString cell(int row, int column) const
    {
        CANFrameModel *m = w()->frameModel();
        return m->data(m->index(row, column)).toString();
    }

    bool noticed(const QString &prefix) const
    {
        for (const auto &r : DialogService::history())
            if ((r.kind == DialogService::Notice || r.kind == DialogService::Warning) && r.text.startsWith(prefix))
                return true;
        return false;
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void init()
    {
        QString error;
        QVERIFY2(sw.start(&error), qPrintable(error));
    }

    void cleanup() { sw.stop(); }

    void openReadsTimingBackUnlessBooting_data()
    {
        QTest::addColumn<bool>("boot");
        QTest::addColumn<QList<quint8>>("codes");
        QTest::newRow("application") << false
                                     << QList<quint8>{UsbCmd::StartCap, UsbCmd::TestAck, UsbCmd::GetBaudRate};
        QTest::newRow("bootloader") << true << QList<quint8>{UsbCmd::StartCap, UsbCmd::TestAck};
    }

    void openReadsTimingBackUnlessBooting()
    {
        QFETCH(bool, boot);
        QFETCH(QList<quint8>, codes);
        sw.adapter()->setBootMode(boot);
        sw.adapter()->setTiming(QByteArray::fromHex("011d0a0202050202" "02")); // CAN FD
        QVERIFY(w()->isFdcanDeviceSelected());
        QVERIFY(sw.open());
        QCOMPARE(sw.adapter()->commandCodes(), codes);
        QVERIFY(sw.adapter()->isCapturing());
        QCOMPARE(w()->txModel()->canType(), !boot);
        QCOMPARE(ui()->canDataStack->currentWidget() == ui()->fdcanDataPage, !boot);

        // The heartbeat: about every 10 ms while open, none once closed.
        QTRY_VERIFY_WITH_TIMEOUT(sw.adapter()->stats().heartbeats >= 20, 5000);
        const SimUsbAdapter::Stats s = sw.adapter()->stats();
        const double period = sw.adapter()->heartbeatSpanMs() / double(s.heartbeats - 1);
        QVERIFY2(period >= 9 && period < 100, qPrintable(QString::number(period)));
        ui()->btn_comSwitch->click();
        QVERIFY(!sw.adapter()->isCapturing());
        QCOMPARE(sw.adapter()->commandCodes().last(), quint8(UsbCmd::StopCap));
        const quint64 after = sw.adapter()->stats().heartbeats;
        QTest::qWait(100);
        QCOMPARE(sw.adapter()->stats().heartbeats, after);
    }

    void pairingDecidesTheUsbSide()
    {
        // Another port, without an adapter behind it: opening it leaves USB alone.
        SimSerialAdapter plain;
        QVERIFY(plain.start());
        const QString adapterPort = ui()->comboCom_Port->currentText();
        w()->addPortByPath(plain.slavePath());
        w()->on_comboCom_Port_currentIndexChanged(ui()->comboCom_Port->currentIndex());
        QVERIFY(!w()->isFdcanDeviceSelected());
        QVERIFY(sw.open());
        QVERIFY(!w()->link()->usbConnected());
        QVERIFY(sw.adapter()->commandLog().isEmpty());
        ui()->btn_comSwitch->click();

        // Choosing the adapter selects its port again.
        w()->on_usbDeviceChanged("device:1,5");
        QVERIFY(w()->isFdcanDeviceSelected());
        QCOMPARE(ui()->comboCom_Port->currentText(), adapterPort);
        QVERIFY(sw.open());
        QVERIFY(w()->link()->usbConnected());
    }

    void motorThroughTheAdapter()
    {
        QVERIFY(sw.open());
        ui()->btn_motorMode->click();
        QTRY_VERIFY_WITH_TIMEOUT(sw.motor()->isEnabled(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->motorStateLabel->text(), QString("电机已使能"), 5000);

        // Periodic MIT commands: the adapter repeats them until told to stop.
        ui()->POSEdit->setText("1");
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("5");
        ui()->btn_canDebugSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(sw.adapter()->isRepeating(), 5000);
        const QByteArray record = sw.adapter()->lastTransmitRecord();
        QCOMPARE(record.mid(8, 4), QByteArray(4, char(0xFF))); // sends: -1, until stopped
        QCOMPARE(quint8(record[16]), quint8(5));                  // interval
        const quint64 before = sw.motor()->commandCount();
        QTRY_VERIFY_WITH_TIMEOUT(sw.motor()->commandCount() >= before + 20, 5000);
        const SimUsbFrame last = sw.adapter()->busFrames().last();
        QCOMPARE(last.id, quint32(0x001));
        QCOMPARE(last.data.size(), 8);
        // Feedback and echoes reach the counters and the log.
        QTRY_VERIFY_WITH_TIMEOUT(w()->rxFrameCount() >= 20 && w()->txFrameCount() >= 20, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w()->frameModel()->rowCount() >= 40, 5000);

        ui()->btn_canDebugSend->click();
        QVERIFY(!sw.adapter()->isRepeating());
        QVERIFY(sw.adapter()->commandCodes().contains(UsbCmd::StopPeriodSend));
    }

    void registersThroughTheAdapter()
    {
        QVERIFY(sw.motor()->setRegister("ACC", 12.25f));
        QVERIFY(sw.open());
        QSignalSpy read(w(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
        QCOMPARE(ui()->ACCEdit->text(), QString("12.25"));
    }

    void scanThroughTheAdapter()
    {
        sw.adapter()->bus()->addMotor(SimBus::MotorSetup{2, 0x12, 3, SimMotor::Layout::Long});
        QVERIFY(sw.open());
        ui()->canidEdit->setText("2");
        emit ui()->canidEdit->textEdited("2"); // returns when the scan has ended
        QCOMPARE(w()->scanResultMap().size(), 2);
        QCOMPARE(ui()->masteridEdit->text(), QString("12"));
        QVERIFY(sw.adapter()->commandCodes().contains(UsbCmd::StopPeriodSend));
        QCOMPARE(sw.adapter()->busFrames().last().data.toHex(), QByteArray("7f003323"));
    }

    void logRowsOfAdapterFrames_data()
    {
        QTest::addColumn<bool>("inject"); // received (injected) or transmitted (sent by the tool)
        QTest::addColumn<bool>("fd");
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("cells"); // columns 2 to 7
        QTest::newRow("received classic") << true << false << 8
                                          << QStringList{"标准帧", "数据帧", "CAN", "0x123", "接收成功", "8"};
        QTest::newRow("transmitted fd, dlc 13")
            << false << true << 30 << QStringList{"标准帧", "数据帧", "FDCAN", "0x123", "发送成功", "32"};
    }

    void logRowsOfAdapterFrames()
    {
        QFETCH(bool, inject);
        QFETCH(bool, fd);
        QFETCH(int, length);
        QFETCH(QStringList, cells);
        QVERIFY(sw.open());
        w()->txModel()->setCANType(fd);
        const int rows = w()->frameModel()->rowCount();
        CanBusFrame sent;
        sent.id = 0x123;
        sent.payload = QByteArray(length, char(0xAB));
        sent.flags = fd ? CanBusFrame::FlexibleData : 0;
        if (inject)
            sw.adapter()->injectReceivedFrame({0x123, QByteArray(length, char(0xAB))});
        else
            QVERIFY(w()->link()->sendCanTabFrame(sent, CanTxOptions()));
        QTRY_COMPARE_WITH_TIMEOUT(w()->frameModel()->rowCount(), rows + 1, 5000);
        for (int c = 2; c <= 7; ++c)
            QCOMPARE(cell(rows, c), cells[c - 2]);
        bool ok = false;
        QVERIFY(cell(rows, 1).toDouble(&ok) > 0 && ok && cell(rows, 1).split('.').value(1).size() == 6);
    }

    void idThatDoesNotFitIsNotSent()
    {
        QVERIFY(sw.open());
        QSignalSpy refused(w()->link(), &CustomCDC::frameRefused);
        w()->link()->frameSend(bytes({1}), 0x800); // standard frames carry 11 bits
        QCOMPARE(refused.size(), 1);
        w()->link()->frameSend(bytes({2}), 0x7FF);
        QTRY_COMPARE_WITH_TIMEOUT(sw.adapter()->stats().transmitRecords, quint64(1), 5000);
        QCOMPARE(sw.adapter()->busFrames().last().id, quint32(0x7FF));
    }

    void unplugDuringTrafficThenReplug()
    {
        QVERIFY(sw.open());
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("2");
        ui()->btn_canDebugSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(w()->rxFrameCount() > 10, 5000);

        sw.backend()->unplug(sw.adapterPtr());
        QTRY_VERIFY_WITH_TIMEOUT(!w()->isPortOpen(), 5000);
        QVERIFY(noticed("USB设备连接已断开"));
        QVERIFY(!w()->link()->usbConnected());
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QTRY_VERIFY_WITH_TIMEOUT(w()->usbDevices().isEmpty(), 5000);

        // Back again: found without a click, and frames flow once the port is open.
        sw.backend()->plug(sw.adapterPtr());
        QTRY_COMPARE_WITH_TIMEOUT(w()->usbDevices().size(), 1, 5000);
        w()->on_usbDeviceChanged(w()->usbDevices().first());
        QVERIFY(sw.open());
        const quint32 rx = w()->rxFrameCount();
        ui()->btn_motorModeExit->click();
        QTRY_VERIFY_WITH_TIMEOUT(w()->rxFrameCount() > rx, 5000);
        QVERIFY(w()->usbCanAdapter() && w()->link()->usbConnected());
    }

    // A failing transfer on either stream closes the link with the notice: without the
    // echo reader the frames sent would silently stop reaching the log.
    void eitherReaderErrorClosesTheLink_data()
    {
        QTest::addColumn<quint8>("endpoint");
        QTest::newRow("receive reader 0x81") << quint8(0x81);
        QTest::newRow("transmit echo reader 0x83") << quint8(0x83);
    }

    void eitherReaderErrorClosesTheLink()
    {
        QFETCH(quint8, endpoint);
        QVERIFY(sw.open());
        DialogService::clearHistory();
        sw.adapter()->failNextTransfers(endpoint, SimUsbAdapter::ErrorIo, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!w()->isPortOpen(), 5000);
        QVERIFY(noticed("USB设备连接已断开"));
        QVERIFY(!w()->link()->usbConnected());
        // Opened again, both readers run: frames sent come back into the log.
        QVERIFY(sw.open());
        const int rows = w()->frameModel()->storedRowCount();
        ui()->btn_motorModeExit->click();
        QTRY_VERIFY_WITH_TIMEOUT(w()->frameModel()->storedRowCount() >= rows + 2, 5000);
    }

    // A port opened before the window listed its devices (a click in its first moments,
    // --open) lists them first: the adapter behind the port is paired, not taken for a
    // serial adapter.
    void openRightAfterStartPairsTheAdapter()
    {
        const QString path = ui()->comboCom_Port->currentText();
        StartupOptions o;
        o.port = path;
        o.usbPorts.append({path, "USB CAN FD", sw.adapter()->vendorId(), sw.adapter()->productId(),
                           sw.adapter()->serialNumber()});
        MainWindow early(o);
        early.form()->btn_comSwitch->click(); // no turn of the event loop before it
        QVERIFY(early.isPortOpen());
        QVERIFY(early.link()->usbConnected());
        early.form()->btn_comSwitch->click();
    }

    void openFailsWhenTheAdapterIsGone()
    {
        sw.adapter()->unplug(); // without notice: the list still shows it
        QVERIFY(!sw.open());
        QVERIFY(noticed("打开:device:1,5失败"));
        QVERIFY(!w()->port()->isOpen());
        QCOMPARE(ui()->btn_comSwitch->text(), QString("打开串口"));
    }

    void chatRefreshesTheAdapterList()
    {
        sw.backend()->stopHotplug(); // only the sentence may refresh
        sw.backend()->addDevice(std::make_shared<SimUsbAdapter>("ZK0002", 1, 6));
        QCOMPARE(w()->usbDevices(), QStringList{"device:1,5"});
        w()->on_invokeQtFunction("刷新设备");
        QCOMPARE(w()->usbDevices(), (QStringList{"device:1,5", "device:1,6"}));
    }
};

QTEST_MAIN(TestUsbLink)
#include "tst_usblink.moc"
