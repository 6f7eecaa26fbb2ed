// A Qt CAN interface end to end in the window: Qt's virtualcan bus (a bus of this test's
// own, on a free local port) with the simulated motor attached as a second client. The
// motor road (enable, MIT, feedback, registers, scan), the CAN tab's sending, FD and
// error frames in the log, the interface vanishing, and recording, opening and replaying
// the log's frames.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canFrameModel.h"
#include "can/canLogFile.h"
#include "can/canRecorder.h"
#include "can/canTxModel.h"
#include "can/ui/canRecordBar.h"
#include "firmware/firmwareUpgrade.h"
#include "firmware/ui/firmwareGroupBox.h"
#include "link/canbus/qtCanBusAdapter.h"
#include "link/canbus/ui/canBusPanel.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "simCanBusPeer.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>
#include <thread>

class TestCanBusRoad : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString iface; // tcp://127.0.0.1:PORT/can0: the test's own bus
    std::unique_ptr<SimCanBusPeer> peer;
    std::shared_ptr<SimBus> bus;
    std::unique_ptr<MainWindow> w;

    Ui_MainWindow *ui() const { return w->form(); }
    SimMotor *motor() const { return bus->motor(0).get(); }

    bool noticed(const QString &prefix) const
    {
        for (const auto &r : DialogService::history())
            if ((r.kind == DialogService::Notice || r.kind == DialogService::Warning) && r.text.startsWith(prefix))
                return true;
        return false;
    }

    // The window with the interface `name` listed and selected.
    void makeWindow(const QString &name)
    {
        StartupOptions o;
        o.canInterfaces.append({"virtualcan:" + name, "simulated motors"});
        w = std::make_unique<MainWindow>(o);
        ui()->masteridEdit->setText("11");
        ui()->sw_btn_canUart->setChecked(true);
        w->show();
        const int i = ui()->comboCom_Port->findText("virtualcan:" + name);
        QVERIFY(i >= 0);
        ui()->comboCom_Port->setCurrentIndex(i);
        QVERIFY(w->canBusPanel()->isVisible());
    }
    bool open()
    {
        ui()->btn_comSwitch->click();
        return w->isPortOpen() && w->canBusAdapter() && w->canBusAdapter()->isConnected();
    }
    QList<QCanBusFrame> seenWithId(quint32 id) const
    {
        QList<QCanBusFrame> out;
        for (const QCanBusFrame &f : peer->seen())
            if (f.frameId() == id)
                out << f;
        return out;
    }
    int rowsWhere(const std::function<bool(const CANFrameData &)> &pred) const
    {
        int n = 0;
        for (int r = 0; r < w->frameModel()->storedRowCount(); ++r)
            n += pred(w->frameModel()->storedRow(r)) ? 1 : 0;
        return n;
    }

private slots:
    void initTestCase()
    {
        Logger::init(dir.path(), Logger::DEBUG);
        QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
        QTcpServer probe; // a free port for this process's virtual bus
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        iface = QString("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
    }

    void init()
    {
        DialogService::clearHistory();
        DialogService::setHandler([](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = r.dialog && r.dialog->objectName() == "replayConfirmation" ? int(QDialog::Accepted)
                                                                                    : int(QMessageBox::Ok);
            return reply;
        });
        bus = std::make_shared<SimBus>(QList<SimBus::MotorSetup>{{1, 0x11, 4, SimMotor::Layout::Long}});
        peer = std::make_unique<SimCanBusPeer>(bus, iface);
        QString error;
        QVERIFY2(peer->start(&error), qPrintable(error));
        makeWindow(iface);
    }

    void cleanup()
    {
        w.reset();
        peer.reset();
        bus.reset();
        DialogService::setHandler(nullptr);
    }

    void motorRoad()
    {
        QVERIFY(open());
        ui()->btn_motorMode->click();
        QTRY_VERIFY_WITH_TIMEOUT(motor()->isEnabled(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->motorStateLabel->text(), QString("电机已使能"), 5000);

        // Periodic MIT commands: the window's own timer sends each one.
        ui()->POSEdit->setText("1");
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("5");
        ui()->btn_canDebugSend->click();
        const quint64 before = motor()->commandCount();
        QTRY_VERIFY_WITH_TIMEOUT(motor()->commandCount() >= before + 20, 5000);
        QCOMPARE(seenWithId(0x001).last().payload().size(), 8);
        // Feedback and the frames sent reach the counters, the log and the panel.
        QTRY_VERIFY_WITH_TIMEOUT(w->rxFrameCount() >= 20 && w->txFrameCount() >= 20, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w->feedbackFrameCount() >= 20, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rowsWhere([](const CANFrameData &r) { return r.statusKind() == CANFrameData::TxOk; }) >= 20,
                                 5000);
        ui()->btn_canDebugSend->click();
        QTest::qWait(100);
        const qint64 seen = peer->seenCount();
        QTest::qWait(150);
        QCOMPARE(peer->seenCount(), seen); // stopped
    }

    void registersAndScan()
    {
        QVERIFY(motor()->setRegister("ACC", 12.25f));
        QVERIFY(open());
        QSignalSpy read(w.get(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 10000);
        QCOMPARE(ui()->ACCEdit->text(), QString("12.25"));

        bus->addMotor(SimBus::MotorSetup{2, 0x12, 3, SimMotor::Layout::Long});
        ui()->canidEdit->setText("2");
        emit ui()->canidEdit->textEdited("2"); // returns when the scan has ended
        QCOMPARE(w->scanResultMap().size(), 2);
        QCOMPARE(ui()->masteridEdit->text(), QString("12"));
    }

    void canTabSends_data()
    {
        QTest::addColumn<QString>("times");
        QTest::addColumn<int>("expected"); // -1: until stopped
        QTest::newRow("once") << "1" << 1;
        QTest::newRow("five times") << "5" << 5;
        QTest::newRow("periodically, until stopped") << "1000" << -1;
    }

    void canTabSends()
    {
        QFETCH(QString, times);
        QFETCH(int, expected);
        QVERIFY(open());
        ui()->canIdEdit->setText("7FE");
        emit ui()->canIdEdit->editingFinished();
        ui()->canDataLenEdit->setText("2");
        ui()->canDataEdit->setPlainText("AB CD");
        ui()->sendTimesEdit->setText(times);
        ui()->sendIntervalEdit->setText("10");
        ui()->btn_CANSend->click();
        if (expected > 0) {
            QTRY_COMPARE_WITH_TIMEOUT(seenWithId(0x7FE).size(), expected, 5000);
            QTest::qWait(100);
            QCOMPARE(seenWithId(0x7FE).size(), expected);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(seenWithId(0x7FE).size() >= 10, 5000);
            ui()->btn_CANStop->click();
            QTest::qWait(100);
            const auto stoppedAt = seenWithId(0x7FE).size();
            QTest::qWait(150);
            QCOMPARE(seenWithId(0x7FE).size(), stoppedAt);
        }
        QCOMPARE(seenWithId(0x7FE).first().payload(), QByteArray::fromHex("abcd"));
        // Each one is in the log as sent.
        QTRY_COMPARE_WITH_TIMEOUT(rowsWhere([](const CANFrameData &r) {
                                      return r.id == 0x7FE && r.statusKind() == CANFrameData::TxOk;
                                  }),
                                  int(seenWithId(0x7FE).size()), 5000);
    }

    void fdAndErrorFramesInTheLog()
    {
        w->canBusPanel()->fdBox()->setChecked(true);
        QVERIFY(open());
        QVERIFY(w->txModel()->canType()); // the CAN tab sends FD frames now
        ui()->canIdEdit->setText("123");
        emit ui()->canIdEdit->editingFinished();
        ui()->fdcanDataLenEdit->setText("12");
        ui()->fdcanDataEdit->setPlainText("1 2 3");
        ui()->sendTimesEdit->setText("1");
        ui()->btn_CANSend->click();
        QTRY_COMPARE_WITH_TIMEOUT(seenWithId(0x123).size(), 1, 5000);
        QVERIFY(seenWithId(0x123).first().hasFlexibleDataRateFormat());
        QCOMPARE(seenWithId(0x123).first().payload().size(), 12);

        // Error frames as an interface reports them (SocketCAN; virtualcan does not carry
        // them): logged as such, never taken for a motor's answer.
        QCanBusFrame error(QCanBusFrame::ErrorFrame);
        error.setError(QCanBusFrame::BusOffError);
        error.setPayload(QByteArray(8, '\0'));
        const CanBusFrame converted = QtCanBusAdapter::frameOf(error);
        QCOMPARE(converted.flags, quint8(CanBusFrame::ErrorFrame | CanBusFrame::Failed));
        const quint32 rx = w->rxFrameCount();
        w->on_canFramesReceived({converted});
        QTRY_COMPARE_WITH_TIMEOUT(rowsWhere([](const CANFrameData &r) { return r.has(CANFrameData::ErrorFrame); }), 1, 5000);
        QTRY_COMPARE(w->rxFrameCount(), rx + 1); // the counters follow on a timer
        const int row = [&] {
            for (int r = 0; r < w->frameModel()->storedRowCount(); ++r)
                if (w->frameModel()->storedRow(r).has(CANFrameData::ErrorFrame))
                    return r;
            return -1;
        }();
        QCOMPARE(w->frameModel()->storedRow(row).frameFormatText(), QString("错误帧"));
        QCOMPARE(w->frameModel()->storedRow(row).id, quint32(QCanBusFrame::BusOffError));
    }

    // The adapter alone: what it reads comes in batches on its own thread (the plugin
    // notices every frame by itself), in the order of the bus; what any thread sends goes
    // out in order and comes back as echoes.
    void adapterBatchesOffTheGuiThread()
    {
        QtCanBusAdapter adapter("virtualcan", iface);
        std::mutex mutex;
        QList<CanBusFrame> received;
        int batches = 0;
        bool onGuiThread = false;
        connect(
            &adapter, &CanAdapter::framesReceived, this,
            [&](const QList<CanBusFrame> &frames) {
                std::lock_guard<std::mutex> lock(mutex);
                received += frames;
                ++batches;
                onGuiThread = onGuiThread || QThread::currentThread() == thread();
            },
            Qt::DirectConnection);
        QVERIFY(adapter.connectDevice());
        constexpr quint32 kGreeting = 0x0FF;
        auto count = [&](bool echo, quint32 id = 0) {
            std::lock_guard<std::mutex> lock(mutex);
            return std::count_if(received.begin(), received.end(), [echo, id](const CanBusFrame &f) {
                return f.has(CanBusFrame::Echo) == echo && (id == 0 ? f.id != kGreeting : f.id == id);
            });
        };
        // The bus relays to a client only once it has read the client's greeting.
        QTRY_VERIFY_WITH_TIMEOUT(peer->inject(QCanBusFrame(kGreeting, QByteArray())) && count(false, kGreeting) > 0, 5000);
        constexpr int kFrames = 3000;
        for (int i = 0; i < kFrames; ++i)
            QVERIFY(peer->inject(QCanBusFrame(0x100 + i % 0x400, QByteArray(8, char(i)))));
        QTRY_COMPARE_WITH_TIMEOUT(count(false), kFrames, 10000);
        std::thread sender([&] {
            for (int i = 0; i < 500; ++i)
                adapter.sendFrame(CanBusFrame{0x55, 0, QByteArray(1, char(i))});
        });
        sender.join();
        QTRY_COMPARE_WITH_TIMEOUT(seenWithId(0x55).size(), 500, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(count(true), 500, 5000);
        adapter.disconnectDevice();
        const QList<QCanBusFrame> sent = seenWithId(0x55);
        std::lock_guard<std::mutex> lock(mutex);
        QVERIFY(!onGuiThread);
        QVERIFY2(batches <= kFrames / 10, qPrintable(QString("%1 batches").arg(batches)));
        int rx = 0, tx = 0;
        for (const CanBusFrame &f : received) {
            if (f.id == kGreeting)
                continue;
            if (f.has(CanBusFrame::Echo))
                QCOMPARE(f.payload, QByteArray(1, char(tx++)));
            else
                QCOMPARE(f.id, quint32(0x100 + rx++ % 0x400));
        }
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(sent[i].payload(), QByteArray(1, char(i)));
    }

    void adapterRefusesWhatTheInterfaceCannotTake_data()
    {
        QTest::addColumn<bool>("fd");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("taken");
        QTest::newRow("classic, 8 bytes") << false << 0x66u << 0 << 8 << true;
        QTest::newRow("classic, 9 bytes") << false << 0x66u << 0 << 9 << false;
        QTest::newRow("FD frame, FD off") << false << 0x66u << int(CanBusFrame::FlexibleData) << 12 << false;
        QTest::newRow("FD frame, FD on") << true << 0x66u << int(CanBusFrame::FlexibleData) << 64 << true;
        QTest::newRow("FD length that does not exist") << true << 0x66u << int(CanBusFrame::FlexibleData) << 13 << false;
        QTest::newRow("standard ID beyond 11 bits") << false << 0x800u << 0 << 8 << false;
        QTest::newRow("extended ID beyond 29 bits") << false << 0x20000000u << int(CanBusFrame::Extended) << 8 << false;
    }

    void adapterRefusesWhatTheInterfaceCannotTake()
    {
        QFETCH(bool, fd);
        QFETCH(quint32, id);
        QFETCH(int, flags);
        QFETCH(int, size);
        QFETCH(bool, taken);
        QtCanBusAdapter adapter("virtualcan", iface);
        QtCanBusAdapter::Settings settings;
        settings.fd = fd;
        adapter.setSettings(settings);
        QVERIFY(adapter.connectDevice());
        QCOMPARE(adapter.sendFrame(CanBusFrame{id, quint8(flags), QByteArray(size, '\x5A')}), taken);
        // A frame sent after it arrives after it: by then the first one is on the bus or never will be.
        QVERIFY(adapter.sendFrame(CanBusFrame{0x7, 0, QByteArray(1, '\x01')}));
        QTRY_COMPARE_WITH_TIMEOUT(seenWithId(0x7).size(), 1, 5000);
        QCOMPARE(seenWithId(id).size(), taken ? 1 : 0);
    }

    void vanishingInterfaceClosesTheLink()
    {
        // An interface whose far end this test holds: a virtualcan client connects to it,
        // then the connection drops as an unplugged adapter's would.
        QTcpServer far;
        QVERIFY(far.listen(QHostAddress::LocalHost, 0));
        QList<QTcpSocket *> clients;
        connect(&far, &QTcpServer::newConnection, this, [&] { clients << far.nextPendingConnection(); });
        const QString name = QString("tcp://127.0.0.1:%1/can0").arg(far.serverPort());
        w.reset();
        makeWindow(name);
        QVERIFY(open());
        QTRY_COMPARE_WITH_TIMEOUT(clients.size(), 1, 5000);
        clients.first()->abort();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isPortOpen(), 5000);
        QVERIFY(noticed("CAN 接口连接已断开"));
        QCOMPARE(w->canBusAdapter(), nullptr);
        QCOMPARE(ui()->btn_comSwitch->text(), QString("打开串口"));
        QVERIFY(ui()->comboCom_Port->isEnabled());
    }

    void openFailureSaysWhy()
    {
        // On a port of this test's own: whatever listens on Qt's default virtual-CAN port
        // (anything does, on some machines) must not make the interface open.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QString name = QString("tcp://127.0.0.1:%1/no-such-interface").arg(probe.serverPort());
        probe.close();
        w.reset();
        makeWindow(name); // virtualcan knows can0 and can1 only
        QVERIFY(!open());
        QVERIFY(noticed("无法打开 CAN 接口 virtualcan:" + name));
        QVERIFY(!w->isPortOpen());
    }

    void recordOpenAndReplay()
    {
        const QString path = dir.filePath("session.log");
        QVERIFY(open());
        QVERIFY(w->startRecording(path));
        ui()->btn_motorMode->click(); // sent, and answered with feedback
        QTRY_VERIFY_WITH_TIMEOUT(w->rxFrameCount() >= 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w->recorder()->framesWritten() >= 2, 5000);
        w->stopRecording();

        QList<CanLogRecord> records;
        CanLogReader reader;
        QString error;
        QVERIFY(reader.open(path, &error));
        for (CanLogRecord r; reader.next(&r);)
            records << r;
        QCOMPARE(reader.problemCount(), 0);
        QVERIFY(records.size() >= 2);
        QCOMPARE(records.first().direction, 'T'); // the enable command
        QCOMPARE(records.first().id, quint32(1));
        QCOMPARE(records.first().data, QByteArray::fromHex("FFFFFFFFFFFFFFFC"));
        QCOMPARE(records.first().iface, QByteArray("can0"));
        QVERIFY(std::any_of(records.begin(), records.end(), [](const CanLogRecord &r) { return r.direction == 'R' && r.id == 0x11; }));

        // Into the log, with a malformed line reported by its number.
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("garbage\n(1.000000) can0 7FE#0102\n");
        f.close();
        const int rows = w->frameModel()->storedRowCount();
        QCOMPARE(w->openRecording(path), int(records.size()) + 1);
        QTRY_COMPARE_WITH_TIMEOUT(w->frameModel()->storedRowCount(), rows + int(records.size()) + 1, 5000);
        QVERIFY(noticed(QString("session.log 中有 1 行格式错误，已跳过：\n第 %1 行").arg(records.size() + 1)));

        // Onto the bus, as fast as it goes: the frames sent in the session only.
        ui()->btn_motorModeExit->click();
        QTRY_VERIFY_WITH_TIMEOUT(!motor()->isEnabled(), 5000);
        peer->clearSeen();
        w->recordBar()->speedBox()->setCurrentIndex(3);
        w->recordBar()->sentOnlyBox()->setChecked(true);
        QVERIFY(w->replayRecording(path));
        QTRY_VERIFY_WITH_TIMEOUT(!w->replay()->isRunning(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(motor()->isEnabled(), 5000);
        QCOMPARE(peer->seen().first().payload(), QByteArray::fromHex("FFFFFFFFFFFFFFFC"));
        QVERIFY(w->recordBar()->statusLabel()->text().startsWith("回放完成"));
    }

    // A motor firmware upgrade from the window: the packets reach the motor's bootloader
    // through the interface, and its answers move the transfer on.
    void firmwareUpgrade()
    {
        QByteArray image(20000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7 + i / 256);
        QFile f(dir.filePath("APP_V3.bin"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(image) == image.size());
        f.close();
        DialogService::setHandler([&](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = r.dialog && r.dialog->objectName() == "firmwareConfirmation" ? int(QDialog::Accepted)
                                                                                      : int(QMessageBox::Ok);
            if (r.kind == DialogService::OpenFile)
                reply.path = f.fileName();
            return reply;
        });
        QVERIFY(open());
        w->firmwareGroupBox()->fileOpenButton->click();
        w->firmwareGroupBox()->upgradeButton->click();
        QVERIFY(w->link()->upgrade()->isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(motor()->bootloader().transfers(), 1, 20000);
        QTRY_VERIFY(!w->link()->upgrade()->isRunning());
        QCOMPARE(motor()->firmwareImage(), image);
    }
};

QTEST_MAIN(TestCanBusRoad)
#include "tst_canbusroad.moc"
