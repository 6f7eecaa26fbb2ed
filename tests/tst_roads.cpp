// Every road owns its frames, its kind of port and its lifetime: with every CAN tab option
// set, each motor road still puts its own standard data frames on the wire, on each
// adapter; commands follow the mode tab shown; CAN frames never reach a motor console or
// a classic-only adapter as something else; nothing that sends by itself outlives its
// link, its user's stop or an upgrade; a replay goes no faster than the adapter writes.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canTxModel.h"
#include "can/ui/canRecordBar.h"
#include "can/ui/canTxDialogs.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "link/sendingRoads.h"
#include "link/serial/protocolFormat.h"
#include "link/serial/ui/serialTerminal.h"
#include "link/usb/fdcanCommands.h"
#include "log/log.h"
#include "motor/motorIds.h"
#include "motor/paramRegisters.h"
#include "procedures/customCDC.h"
#include "adapterRig.h"
#include "tuning/ui/tuningWindow.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum class Road { Enable, Disable, SaveZero, ClearError, MitOnce, Periodic, ReadParams, SaveParams, ReadId, SetId,
                  Scan, Version, SpecialCalibration, SpecialIdentify, Firmware, Tuning };
enum class Trigger { Close, Loss, Upgrade };

QByteArray special(MotorCommand c) { return specialFrame(c); }

} // namespace

Q_DECLARE_METATYPE(Adapter)
Q_DECLARE_METATYPE(Road)
Q_DECLARE_METATYPE(Trigger)

class TestRoads : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString canIface;
    Rig rig;

    QString writeLog(const QString &name, const QByteArray &lines)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(lines);
        return f.fileName();
    }
    static bool warned(const QString &part)
    {
        for (const auto &r : DialogService::history())
            if (r.text.contains(part))
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        Logger::init(dir.path(), Logger::DEBUG);
        canIface = privateVirtualCanInterface();
        QVERIFY(!canIface.isEmpty());
    }
    void cleanup() { rig.stop(); }

    // The owner of the sending roads: one entry per road, a signal per change, and stop all
    // ends the newest first; a road its stopper starts again is a new run and stays.
    void sendingRoadsOwner()
    {
        SendingRoads roads;
        QSignalSpy changed(&roads, &SendingRoads::runningChanged);
        QList<SendingRoads::Road> order;
        roads.started(SendingRoads::Replay, [&] { order << SendingRoads::Replay; });
        roads.started(SendingRoads::SendQueue, [&] { order << SendingRoads::SendQueue; });
        roads.started(SendingRoads::Replay, [&] { order << SendingRoads::Replay; }); // still running
        roads.started(SendingRoads::MotorPeriodic, [&] {
            order << SendingRoads::MotorPeriodic;
            roads.started(SendingRoads::MotorPeriodic, {});
        });
        QCOMPARE(changed.size(), 3);
        roads.ended(SendingRoads::AdapterRepeat); // not running: no change
        QCOMPARE(changed.size(), 3);
        const QList<SendingRoads::Road> stopped = roads.stopAll();
        QCOMPARE(stopped, (QList<SendingRoads::Road>{SendingRoads::MotorPeriodic, SendingRoads::SendQueue, SendingRoads::Replay}));
        QCOMPARE(order, stopped);
        QCOMPARE(roads.running(), QList<SendingRoads::Road>{SendingRoads::MotorPeriodic});
        QCOMPARE(changed.last().first().value<QList<SendingRoads::Road>>(), roads.running());
    }

    // Each motor road on each adapter with every CAN tab option set: only standard data
    // frames of the road's own ID, length and payload, each sent as often as the road says.
    void motorRoadsIgnoreTheCanTab_data()
    {
        QTest::addColumn<Adapter>("adapter");
        QTest::addColumn<Road>("road");
        const QList<QPair<const char *, Adapter>> adapters{
            {"serial", Adapter::Serial}, {"usb", Adapter::Usb}, {"canbus", Adapter::CanBus}};
        const QList<QPair<const char *, Road>> roads{
            {"enable", Road::Enable},         {"disable", Road::Disable},     {"save zero", Road::SaveZero},
            {"clear error", Road::ClearError}, {"MIT once", Road::MitOnce},    {"periodic", Road::Periodic},
            {"read registers", Road::ReadParams}, {"save registers", Road::SaveParams}, {"read ID", Road::ReadId},
            {"set ID", Road::SetId},           {"scan", Road::Scan},           {"versions", Road::Version},
            {"special calibration", Road::SpecialCalibration}, {"special identification", Road::SpecialIdentify},
            {"firmware", Road::Firmware}, {"tuning", Road::Tuning}};
        for (const auto &a : adapters)
            for (const auto &r : roads)
                QTest::newRow(qPrintable(QString("%1: %2").arg(a.first, r.first))) << a.second << r.second;
    }

    void motorRoadsIgnoreTheCanTab()
    {
        QFETCH(Adapter, adapter);
        QFETCH(Road, road);
        QVERIFY(rig.start(adapter, canIface));
        rig.setEveryCanTabOption();
        Ui_MainWindow *ui = rig.ui();
        MainWindow *w = rig.win;
        QList<Wire> expected; // exact frames, in order
        int atLeast = 0;      // periodic: this many copies of expected.first() at least
        int count = 0;        // register walks: this many frames on 0x7FF of 8 bytes
        const QByteArray image(100, 'i');
        const int mark = int(rig.wire().size());
        switch (road) {
        case Road::Enable: ui->btn_motorMode->click(); expected = {{1, false, false, false, special(MotorCommand::Enable)}}; break;
        case Road::Disable: ui->btn_motorModeExit->click(); expected = {{1, false, false, false, special(MotorCommand::Disable)}}; break;
        case Road::SaveZero: ui->btn_saveGroundZero->click(); expected = {{1, false, false, false, special(MotorCommand::SaveZero)}}; break;
        case Road::ClearError: ui->btn_canDebugClear->click(); expected = {{1, false, false, false, special(MotorCommand::ClearError)}}; break;
        case Road::MitOnce:
            ui->POSEdit->setText("1");
            expected = {{1, false, false, false, w->canDataConvention()}};
            ui->btn_canDebugSend->click();
            break;
        case Road::Periodic:
            ui->POSEdit->setText("1");
            ui->periodicSend->setChecked(true);
            ui->sendIntervalEdit_2->setText("5");
            expected = {{1, false, false, false, w->canDataConvention()}};
            atLeast = 5;
            ui->btn_canDebugSend->click();
            break;
        case Road::ReadParams: ui->ReadAllParam->click(); count = RegisterFrame::ReadCount; break;
        case Road::SaveParams: ui->StoreAllParam->click(); expected = {{0x7FF, false, false, false, registerSaveFrame(1, 0)}}; break;
        case Road::ReadId: ui->btn_ReadID->click(); expected = {{0x7FF, false, false, false, idQueryFrame()}}; break;
        case Road::SetId:
            ui->canidEdit_2->setText("1");
            ui->masteridEdit->setText("11");
            ui->btn_SetID->click();
            // A scan first makes sure one motor alone will take the IDs.
            for (int n = 0; n < kScanCount; ++n)
                expected.append({0x7FF, false, false, false, scanProbeFrame(n)});
            expected.append({0x7FF, false, false, false, idAssignFrame(1, 0x11)});
            break;
        case Road::Scan:
            ui->canidEdit->setText("1");
            emit ui->canidEdit->textEdited("1");
            for (int n = 0; n < kScanCount; ++n)
                expected.append({0x7FF, false, false, false, scanProbeFrame(n)});
            break;
        case Road::Version:
            w->on_readVersionClicked();
            expected = {{0x7FF, false, false, false, registerReadFrame(1, 14)},
                        {0x7FF, false, false, false, registerReadFrame(1, RegisterFrame::LastRid)}};
            break;
        case Road::SpecialCalibration:
        case Road::SpecialIdentify: {
            w->motorType = 1;
            QByteArray d(8, '\0');
            d[0] = 1;
            d[2] = char(road == Road::SpecialCalibration ? 0x66 : 0x99);
            expected = {{0x7FF, false, false, false, d}};
            if (road == Road::SpecialCalibration)
                ui->btn_calibration->click();
            else
                w->on_MPreCalculateButton_clicked();
            break;
        }
        case Road::Firmware:
            w->link()->firmwareImage = image;
            w->on_firmwareUpgradeClicked();
            // The versions before (for the question) and after (for the report).
            expected = {{0x7FF, false, false, false, registerReadFrame(1, 14)},
                        {0x7FF, false, false, false, registerReadFrame(1, RegisterFrame::LastRid)},
                        {0x7FF, false, false, false, firmwareUpgradeRequest(1)}};
            for (const QByteArray &f : firmwarePacketFrames(firmwarePacket(image, 1)))
                expected.append({1, false, false, false, f});
            expected.append(expected.mid(0, 2));
            QTRY_VERIFY_WITH_TIMEOUT(!w->link()->upgrade()->isRunning(), 10000);
            QCOMPARE(rig.motor()->bootloader().image(), image);
            QTRY_VERIFY_WITH_TIMEOUT(DialogService::history().last().kind == DialogService::Information, 10000);
            break;
        case Road::Tuning: {
            DialogService::setHandler([](const DialogService::Request &r) {
                DialogService::Reply reply;
                reply.result = r.kind == DialogService::Question ? QMessageBox::Yes : QMessageBox::Ok;
                return reply;
            });
            ui->canIdEdit->setText("123"); // the CAN tab's own ID
            emit ui->canIdEdit->editingFinished();
            ui->btn_tuning->click();
            TuningWindow *t = w->tuningBench();
            Tuning::Test test;
            test.size = 0.2;
            test.durationS = 0.1;
            test.periodMs = 5;
            t->setTest(test);
            t->findChild<QPushButton *>("tuneStartButton")->click();
            QVERIFY(t->isRunning());
            QTRY_VERIFY_WITH_TIMEOUT(!t->isRunning(), 10000);
            QTRY_COMPARE(t->runs().size(), 1);
            QVERIFY(t->runs().first().complete);
            QTest::qWait(300);
            // Gains read on the register ID, then enable, commands and disable on the
            // position mode's command ID.
            const quint32 cmd = canidConvention(1, PosVelMode);
            QList<Wire> onCmd;
            for (const Wire &g : rig.since(mark)) {
                QVERIFY(!g.extended && !g.remote && !g.fd);
                QVERIFY2(g.id == 0x7FF || g.id == cmd, qPrintable(QString::number(g.id, 16)));
                QCOMPARE(g.data.size(), 8);
                if (g.id == cmd)
                    onCmd << g;
            }
            QVERIFY(onCmd.size() > 10);
            QCOMPARE(onCmd.first().data, special(MotorCommand::Enable));
            QCOMPARE(onCmd.last().data, special(MotorCommand::Disable));
            return;
        }
        }
        const int want = atLeast ? atLeast : count ? count : int(expected.size());
        QTRY_VERIFY_WITH_TIMEOUT(rig.since(mark).size() >= want, 10000);
        if (road == Road::Periodic)
            ui->btn_canDebugSend->click(); // stop
        QTest::qWait(300); // nothing more may follow: no repetition, no counting
        const QList<Wire> got = rig.since(mark);
        if (!atLeast && !count)
            QCOMPARE(got.size(), expected.size());
        else if (count)
            QCOMPARE(got.size(), count);
        for (int i = 0; i < got.size(); ++i) {
            const Wire &g = got[i];
            QVERIFY2(!g.extended && !g.remote && !g.fd, qPrintable(QString("frame %1 0x%2").arg(i).arg(g.id, 0, 16)));
            if (count) {
                QCOMPARE(g.id, 0x7FFu);
                QCOMPARE(g.data.size(), 8);
                continue;
            }
            const Wire &e = atLeast ? expected.first() : expected[i];
            QCOMPARE(g.id, e.id);
            QCOMPARE(g.data.toHex(' '), e.data.toHex(' '));
        }
    }

    // Commands go to the mode the tab bar shows when they are given, by button or chat.
    void commandFollowsTheSelectedTab_data()
    {
        QTest::addColumn<bool>("chat");
        QTest::newRow("button") << false;
        QTest::newRow("chat") << true;
    }

    void commandFollowsTheSelectedTab()
    {
        QFETCH(bool, chat);
        QVERIFY(rig.start(Adapter::Serial, canIface));
        Ui_MainWindow *ui = rig.ui();
        ui->ctrModeTabBar->setCurrentTab(3); // PVT, sent once
        ui->btn_canDebugSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.wire().isEmpty() && rig.wire().last().id == 0x301, 5000);
        const int mark = int(rig.wire().size());
        if (chat) {
            rig.win->on_invokeQtFunction("切换为位置模式");
            rig.win->on_invokeQtFunction("电机使能");
        } else {
            ui->ctrModeTabBar->setCurrentTab(1);
            ui->btn_motorMode->click();
        }
        QTRY_COMPARE_WITH_TIMEOUT(rig.since(mark).size(), 1, 5000);
        QCOMPARE(rig.since(mark).first().id, 0x101u);
        QCOMPARE(rig.since(mark).first().data, special(MotorCommand::Enable));
    }

    // CAN frames never go into a motor console: its "m" (0x6D) would enable the motor.
    void noCanFramesIntoTheConsole_data()
    {
        QTest::addColumn<bool>("replay");
        QTest::newRow("CAN tab send") << false;
        QTest::newRow("replay") << true;
    }

    void noCanFramesIntoTheConsole()
    {
        QFETCH(bool, replay);
        SimWindow &sw = rig.serial;
        QVERIFY(sw.start(SimSerialAdapter::Console));
        QVERIFY(sw.open());
        rig.win = sw.window();
        Ui_MainWindow *ui = rig.ui();
        ui->canIdEdit->setText("6D");
        emit ui->canIdEdit->editingFinished();
        ui->canDataLenEdit->setText("8");
        ui->canDataEdit->setPlainText("6D 6D 6D 6D 6D 6D 6D 6D");
        const quint64 before = sw.adapter()->stats().consoleBytes;
        if (replay)
            QVERIFY(!rig.win->replayRecording(writeLog("console.log", "(0.000000) can0 06D#6D6D6D6D6D6D6D6D\n")));
        else
            ui->btn_CANSend->click();
        QTest::qWait(200);
        QCOMPARE(sw.adapter()->stats().consoleBytes, before);
        QVERIFY(!sw.motor()->isEnabled());
        QVERIFY(warned("电机控制台"));
        QVERIFY(!rig.win->link()->roads()->anyRunning());
    }

    // While a transfer runs, every frame on the motor's ID would be image data: nothing
    // else starts sending.
    void nothingElseDuringAnUpgrade_data()
    {
        QTest::addColumn<int>("what");
        QTest::newRow("CAN tab send") << 0;
        QTest::newRow("replay") << 1;
        QTest::newRow("enable") << 2;
        QTest::newRow("periodic motor command") << 3;
    }

    void nothingElseDuringAnUpgrade()
    {
        QFETCH(int, what);
        QVERIFY(rig.start(Adapter::Serial, canIface));
        MainWindow *w = rig.win;
        Ui_MainWindow *ui = rig.ui();
        rig.motor()->bootloader().setSilentFrom(1); // takes packet 1, never answers
        w->link()->firmwareImage = QByteArray(100, 'i');
        w->on_firmwareUpgradeClicked();
        QTRY_VERIFY_WITH_TIMEOUT(w->link()->upgrade()->state() == FirmwareUpgrade::State::WaitingForComplete, 5000);
        QTest::qWait(100);
        const int mark = int(rig.wire().size());
        ui->canIdEdit->setText("1");
        emit ui->canIdEdit->editingFinished();
        ui->canDataLenEdit->setText("8");
        switch (what) {
        case 0: ui->btn_CANSend->click(); break;
        case 1: QVERIFY(!w->replayRecording(writeLog("during.log", "(0.000000) can0 001#0102\n"))); break;
        case 2: ui->btn_motorMode->click(); break;
        case 3:
            ui->periodicSend->setChecked(true);
            ui->btn_canDebugSend->click();
            break;
        }
        QTest::qWait(200);
        QCOMPARE(rig.since(mark).size(), 0);
        QVERIFY(warned("固件升级进行中"));
        QCOMPARE(w->link()->roads()->running(), QList<SendingRoads::Road>{SendingRoads::FirmwareUpgrade});
    }

    // A replay reads the whole file first and asks, with what it would send; nothing goes
    // before the answer, and by default only the frames recorded as sent.
    void replayAsksFirst_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("sentOnly");
        QTest::addColumn<QList<quint32>>("sent");
        QTest::addColumn<QString>("frames");
        QTest::newRow("declined") << false << true << QList<quint32>{} << "发送 2 帧（记录中：2 帧标为发送，1 帧标为接收，1 帧未标方向";
        QTest::newRow("sent frames only") << true << true << QList<quint32>{0x101, 0x102} << "发送 2 帧";
        QTest::newRow("every frame") << true << false << QList<quint32>{0x101, 0x111, 0x102, 0x7ff} << "发送 4 帧";
    }
    void replayAsksFirst()
    {
        QFETCH(bool, accept);
        QFETCH(bool, sentOnly);
        QFETCH(QList<quint32>, sent);
        QFETCH(QString, frames);
        QVERIFY(rig.start(Adapter::Serial, canIface));
        MainWindow *w = rig.win;
        const int mark = int(rig.wire().size());
        QStringList asked;
        DialogService::setHandler([&](const DialogService::Request &r) {
            DialogService::Reply reply{int(QMessageBox::Ok), {}};
            if (r.dialog && r.dialog->objectName() == "replayConfirmation") {
                r.dialog->findChild<QCheckBox *>()->setChecked(sentOnly);
                asked << static_cast<FactsDialog *>(r.dialog.data())->text();
                reply.result = accept ? QDialog::Accepted : QDialog::Rejected;
            }
            return reply;
        });
        const QString log = writeLog("mixed.log", "(0.000000) can0 101#FFFFFFFFFFFFFFFC T\n"
                                                  "(0.001000) can0 111#0102 R\n"
                                                  "not a frame\n"
                                                  "(0.002000) can0 102#01 T\n"
                                                  "(2.500000) can0 7FF#55\n");
        QSignalSpy finished(w->replay(), &CanReplay::finished);
        QCOMPARE(w->replayRecording(log), accept);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains(frames), qPrintable(asked.first()));
        QVERIFY2(asked.first().contains("1 行格式错误，将被跳过：\n第 3 行"), qPrintable(asked.first()));
        QVERIFY2(asked.first().contains(sentOnly ? "2 个：0x101 ×1, 0x102 ×1" : "4 个："), qPrintable(asked.first()));
        if (accept)
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        else
            QTest::qWait(200);
        QList<quint32> ids;
        for (const Wire &f : rig.since(mark))
            ids << f.id;
        QCOMPARE(ids, sent);
        QCOMPARE(w->recordBar()->sentOnlyBox()->isChecked(), accept ? sentOnly : true);
    }

    // The serial adapter carries classic frames only: CAN FD frames of a replay are refused
    // and counted as such, and an ID counted out of range stops the send with a word.
    void classicAdapterRefusesWhatItCannotCarry()
    {
        QVERIFY(rig.start(Adapter::Serial, canIface));
        MainWindow *w = rig.win;
        int mark = int(rig.wire().size());
        const QString log = writeLog("fd.log", "(0.000000) can0 123##1" + QByteArray(64, 'A') + "\n"
                                               "(0.000100) can0 124##1" + QByteArray(24, 'B') + "\n"
                                               "(0.000200) can0 125#0102\n");
        QSignalSpy finished(w->replay(), &CanReplay::finished);
        QVERIFY(w->replayRecording(log));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        const auto r = finished.first().first().value<CanReplay::Result>();
        QCOMPARE(r.sent, 1);
        QCOMPARE(r.refused, 2);
        QVERIFY(w->recordBar()->statusLabel()->text().contains("2 帧未能发送"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.since(mark).size(), 1, 5000);
        QCOMPARE(rig.since(mark).first().id, 0x125u);

        // ID counting from 0x700 by 0x100: the second ID needs 12 bits.
        Ui_MainWindow *ui = rig.ui();
        ui->canIdEdit->setText("700");
        emit ui->canIdEdit->editingFinished();
        ui->canDataLenEdit->setText("1");
        rig.setIdCounting("256", "FFF");
        ui->sendTimesEdit->setText("10");
        ui->sendIntervalEdit->setText("1");
        mark = int(rig.wire().size());
        ui->btn_CANSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(warned("已发送 1 帧，其余 9 帧未发送"), 5000);
        QTest::qWait(100);
        QCOMPARE(rig.since(mark).size(), 1);
        QCOMPARE(rig.since(mark).first().id, 0x700u);
        QVERIFY(!w->link()->roads()->anyRunning());
    }

    // Each road that sends by itself ends when its link closes or is lost, or an upgrade
    // starts; after a close, opening the port again starts none of them.
    void nothingOutlivesItsLink_data()
    {
        QTest::addColumn<Adapter>("adapter");
        QTest::addColumn<SendingRoads::Road>("road");
        QTest::addColumn<Trigger>("trigger");
        const QList<QPair<const char *, Trigger>> triggers{
            {"close", Trigger::Close}, {"loss", Trigger::Loss}, {"upgrade", Trigger::Upgrade}};
        for (const auto &t : triggers) {
            QTest::newRow(qPrintable(QString("motor periodic, %1").arg(t.first)))
                << Adapter::Serial << SendingRoads::MotorPeriodic << t.second;
            QTest::newRow(qPrintable(QString("CAN tab, %1").arg(t.first)))
                << Adapter::Serial << SendingRoads::CanTabPeriodic << t.second;
            QTest::newRow(qPrintable(QString("replay, %1").arg(t.first)))
                << Adapter::Serial << SendingRoads::Replay << t.second;
            QTest::newRow(qPrintable(QString("send queue, %1").arg(t.first)))
                << Adapter::Serial << SendingRoads::SendQueue << t.second;
            QTest::newRow(qPrintable(QString("adapter repetition, %1").arg(t.first)))
                << Adapter::Usb << SendingRoads::AdapterRepeat << t.second;
        }
    }

    void nothingOutlivesItsLink()
    {
        QFETCH(Adapter, adapter);
        QFETCH(SendingRoads::Road, road);
        QFETCH(Trigger, trigger);
        QVERIFY(rig.start(adapter, canIface));
        MainWindow *w = rig.win;
        Ui_MainWindow *ui = rig.ui();
        SendingRoads *roads = w->link()->roads();
        // What reaches the adapter, frames and bytes alike.
        auto activity = [this] {
            if (rig.kind == Adapter::Usb)
                return rig.usb.adapter()->stats().busFrames;
            const auto s = rig.serial.adapter()->stats();
            return s.framesReceived + s.garbageBytes + s.consoleBytes;
        };
        switch (road) {
        case SendingRoads::MotorPeriodic:
            ui->periodicSend->setChecked(true);
            ui->sendIntervalEdit_2->setText("2");
            ui->btn_canDebugSend->click();
            break;
        case SendingRoads::CanTabPeriodic:
        case SendingRoads::AdapterRepeat:
            ui->canIdEdit->setText("123");
            emit ui->canIdEdit->editingFinished();
            ui->canDataLenEdit->setText("2");
            ui->sendTimesEdit->setText("100000");
            ui->sendIntervalEdit->setText("2");
            ui->btn_CANSend->click();
            break;
        case SendingRoads::Replay: {
            QByteArray lines;
            for (int i = 0; i < 20000; ++i)
                lines += QString("(%1) can0 123#01\n").arg(i / 500.0, 0, 'f', 6).toLatin1();
            QVERIFY(w->replayRecording(writeLog("long.log", lines)));
            break;
        }
        case SendingRoads::SendQueue:
            ui->sendListIntervalEdit->setText("5");
            for (int i = 0; i < 200; ++i)
                ui->DataListWidget->addItem("6D"); // the queue sends hexadecimal text
            ui->sendDataList->click();
            break;
        default: QFAIL("no such road here");
        }
        QTRY_VERIFY_WITH_TIMEOUT(roads->isRunning(road), 5000);
        const quint64 start = activity();
        QTRY_VERIFY_WITH_TIMEOUT(activity() > start + 3, 5000);

        switch (trigger) {
        case Trigger::Close: ui->btn_comSwitch->click(); break;
        case Trigger::Loss:
            if (adapter == Adapter::Usb)
                rig.usb.backend()->unplug(rig.usb.adapterPtr());
            else
                rig.serial.adapter()->closePort();
            QTRY_VERIFY_WITH_TIMEOUT(!w->isPortOpen(), 5000);
            break;
        case Trigger::Upgrade:
            w->link()->firmwareImage = QByteArray(100, 'i');
            w->on_firmwareUpgradeClicked();
            QVERIFY(roads->isRunning(SendingRoads::FirmwareUpgrade));
            break;
        }
        QVERIFY(!roads->isRunning(road));
        QCOMPARE(w->isCanDebugRunning(), false);
        QVERIFY(!w->terminal()->isQueueRunning());
        // A replay takes no further frame; it reports once the adapter wrote what it had.
        QTRY_VERIFY_WITH_TIMEOUT(!w->replay()->isRunning(), 1000);
        if (trigger == Trigger::Upgrade)
            QTRY_VERIFY_WITH_TIMEOUT(!w->link()->upgrade()->isRunning(), 10000);
        if (adapter == Adapter::Usb)
            QVERIFY(!rig.usb.adapter()->isRepeating()); // closing sends the stop, too
        if (trigger == Trigger::Loss)
            return;
        QTest::qWait(100); // what was under way when it ended
        const quint64 after = activity();
        if (trigger == Trigger::Close) {
            ui->btn_comSwitch->click();
            QVERIFY(w->isPortOpen());
        }
        QTest::qWait(300);
        QCOMPARE(activity(), after);
        QVERIFY(!roads->anyRunning());
    }

    // "As fast as possible" on the serial adapter: no faster than the port writes, every
    // frame counted was written, and Stop ends it at once.
    void replayKeepsPaceWithTheAdapter_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("to the end") << false;
        QTest::newRow("stopped") << true;
    }

    void replayKeepsPaceWithTheAdapter()
    {
        QFETCH(bool, stop);
        QVERIFY(rig.start(Adapter::Serial, canIface));
        MainWindow *w = rig.win;
        QByteArray lines;
        for (int i = 0; i < 20000; ++i)
            lines += QString("(%1.000000) can0 123#0102030405060708\n").arg(i).toLatin1();
        const QString log = writeLog("fast.log", lines);
        w->recordBar()->speedBox()->setCurrentIndex(w->recordBar()->speedBox()->findData(0.0));
        QCOMPARE(w->recordBar()->speed(), 0.0);
        const quint64 before = rig.serial.adapter()->stats().framesReceived;
        qint64 mostQueued = 0;
        qint64 queuedAtEnd = -1;
        QObject scope;
        connect(w->replay(), &CanReplay::progress, &scope, [&] { mostQueued = qMax(mostQueued, w->port()->bytesToWrite()); });
        connect(w->replay(), &CanReplay::finished, &scope, [&] { queuedAtEnd = w->port()->bytesToWrite(); });
        QSignalSpy finished(w->replay(), &CanReplay::finished);
        QVERIFY(w->replayRecording(log));
        if (stop) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.serial.adapter()->stats().framesReceived > before + 500, 10000);
            w->replay()->stop();
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 2000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        const auto r = finished.first().first().value<CanReplay::Result>();
        QCOMPARE(queuedAtEnd, 0);
        QVERIFY2(mostQueued <= 64 * SerialFrame::TxFrameSize, qPrintable(QString::number(mostQueued)));
        QCOMPARE(r.stopped, stop);
        QVERIFY(stop ? r.sent < 20000 : r.sent == 20000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.serial.adapter()->stats().framesReceived - before, quint64(r.sent), 5000);
        QTest::qWait(200);
        QCOMPARE(rig.serial.adapter()->stats().framesReceived - before, quint64(r.sent));
    }
};

QTEST_MAIN(TestRoads)
#include "tst_roads.moc"
