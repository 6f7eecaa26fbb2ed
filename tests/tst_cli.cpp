// zktool-cli run as the program it is, against simulated motors: on the serial adapter (a
// simulated adapter on a pseudo-terminal served here), on the USB adapter (the program's
// own --simulate) and on a Qt CAN interface (virtualcan, with a simulated bus answering
// here). Checked: the JSON it prints, what reached the motor, the exit codes and texts of
// each way to fail, and the progress line.

#include "simBus.h"
#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

const QString kCli = QStringLiteral(ZK_BUILD_DIR "/zktool-cli");
// The bus of this process, on a local port of its own: Qt's default virtual-CAN port may
// be anyone's on this machine. Set in initTestCase.
QString kCanBus;

struct Run {
    int code = -1;
    QString out;
    QString err;
    QJsonObject json;
};

// The program runs while this thread keeps its event loop going (the CAN peer answers here).
Run runCli(const QStringList &args)
{
    QProcess p;
    p.start(kCli, args);
    Run r;
    if (!p.waitForStarted() || !QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 30000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    return r;
}

// A firmware image of three bootloader packets.
QByteArray firmwareImage()
{
    QByteArray b(20000, '\0');
    for (int i = 0; i < b.size(); ++i)
        b[i] = char((i * 7 + i / 256) & 0xFF);
    return b;
}

// "motors/0/canId" in a JSON object.
QVariant jsonAt(const QJsonObject &o, const QString &path)
{
    QJsonValue v = o;
    for (const QString &key : path.split('/'))
        v = v.isArray() ? v.toArray().at(key.toInt()) : v.toObject().value(key);
    return v.toVariant();
}

// A simulated bus on a virtualcan interface: every frame another client sends reaches the
// motors, their answers go back on the interface.
class CanBusPeer : public QObject
{
public:
    bool start(const std::shared_ptr<SimBus> &simBus)
    {
        bus = simBus;
        device.reset(QCanBus::instance()->createDevice("virtualcan", kCanBus.section(':', 2)));
        if (!device || !device->connectDevice())
            return false;
        connect(device.get(), &QCanBusDevice::framesReceived, this, [this] {
            for (const QCanBusFrame &f : device->readAllFrames())
                for (const SimCanFrame &a : bus->transmit({f.frameId(), f.payload(), f.hasExtendedFrameFormat(), false}))
                    device->writeFrame(QCanBusFrame(a.id, a.data));
        });
        return QTest::qWaitFor([this] { return device->state() == QCanBusDevice::ConnectedState; }, 5000);
    }

private:
    std::shared_ptr<SimBus> bus;
    std::unique_ptr<QCanBusDevice> device;
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<SimSerialAdapter> sim;
    std::unique_ptr<CanBusPeer> canPeer;

    SimMotor *motor() const { return sim->motor().get(); }
    QString file(const QString &name, const QByteArray &content = QByteArray()) const
    {
        const QString path = dir.filePath(name);
        if (!content.isEmpty()) {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(content);
        }
        return path;
    }
    // The motors 0x01 (master 0x11) and, with `two`, 0x02 (master 0x12) on the serial adapter.
    void startSim(bool two = false)
    {
        sim = std::make_unique<SimSerialAdapter>();
        sim->bus()->addMotor({1, 0x11, 4, SimMotor::Layout::Long});
        if (two)
            sim->bus()->addMotor({2, 0x12, 3, SimMotor::Layout::Long});
        sim->setMode(SimSerialAdapter::Adapter);
        QVERIFY(sim->start());
    }
    QStringList adapterArgs(const QString &adapter) const
    {
        if (adapter == "usb")
            return {"--simulate", "--sim-motors", "1", "--adapter", "usb"};
        if (adapter == "canbus")
            return {"--adapter", kCanBus};
        return {"--port", sim->slavePath()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(kCli), "build zktool-cli first");
        QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        kCanBus = QString("canbus:virtualcan:tcp://127.0.0.1:%1/can1").arg(probe.serverPort());
    }
    void init() { startSim(); }
    void cleanup()
    {
        canPeer.reset();
        sim.reset();
    }

    void everySubcommand_data()
    {
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("key");         // in the JSON printed
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("motorRegister"); // afterwards on the motor ("flash:" the saved copy)
        QTest::addColumn<double>("motorValue");
        for (const QString adapter : {"serial", "usb", "canbus"}) {
            auto row = [&adapter](const char *name) -> QTestData & { return QTest::addRow("%s %s", qPrintable(adapter), name); };
            row("scan") << adapter << QStringList{"scan"} << "motors/0/masterId" << QVariant(0x11) << "" << 0.0;
            row("read") << adapter << QStringList{"--id", "1", "read"} << "registers/PMAX" << QVariant(12.5) << "" << 0.0;
            row("write") << adapter << QStringList{"--id", "1", "write", "PMAX=3.5", "KP_APR=16"} << "written/KP_APR"
                         << QVariant("16") << "flash:PMAX" << 3.5;
            row("save") << adapter << QStringList{"--id", "1", "save"} << "ok" << QVariant(true) << "flash:OV_Value" << 40.0;
            row("export") << adapter << QStringList{"--id", "1", "export", "EXPORT"} << "registers/MST_ID"
                          << QVariant(0x11) << "" << 0.0;
            row("import") << adapter << QStringList{"--id", "1", "import", "IMPORT"} << "changed" << QVariant(QVariantList{"VMAX"})
                          << "flash:VMAX" << 20.0;
            row("set-id") << adapter << QStringList{"--id", "5", "--master", "0x15", "set-id"} << "after/masterId"
                          << QVariant(0x15) << "ESC_ID" << 5.0;
            row("enable") << adapter << QStringList{"--id", "1", "enable"} << "stateText" << QVariant("Motor enabled") << ""
                          << 0.0;
            row("zero") << adapter << QStringList{"--id", "1", "--master", "0x11", "zero"} << "ok" << QVariant(true) << ""
                        << 0.0;
            row("disable") << adapter << QStringList{"--id", "1", "disable"} << "state" << QVariant(0) << "" << 0.0;
            row("clear-fault") << adapter << QStringList{"--id", "1", "clear-fault"} << "state" << QVariant(0) << "" << 0.0;
            row("version") << adapter << QStringList{"--id", "1", "version"} << "bootloader" << QVariant("1.0.3.0") << ""
                           << 0.0;
            row("upgrade") << adapter << QStringList{"--id", "1", "upgrade", "FIRMWARE"} << "after/application"
                           << QVariant("1.2.0.5") << "" << 0.0;
            row("upgrade --force") << adapter << QStringList{"--id", "1", "--force", "upgrade", "ENCRYPTED"}
                                   << "before/bootloader" << QVariant("1.0.3.0") << "" << 0.0;
            row("tune") << adapter << QStringList{"--id", "1", "tune", "--step", "velocity", "2", "--duration", "0.2"}
                        << "complete" << QVariant(true) << "" << 0.0;
        }
    }
    void everySubcommand()
    {
        QFETCH(QString, adapter);
        QFETCH(QStringList, args);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        QFETCH(QString, motorRegister);
        QFETCH(double, motorValue);
        if (adapter == "canbus") {
            canPeer = std::make_unique<CanBusPeer>();
            QVERIFY(canPeer->start(sim->bus()));
        }
        // What the command must change or clear is set on the motor first.
        if (args.contains("save"))
            QVERIFY(motor()->setRegister("OV_Value", 40.0f));
        if (args.contains("clear-fault"))
            QVERIFY(motor()->injectFault(SimMotor::FaultOverCurrent));
        const QString exported = file("export.txt");
        args.replaceInStrings("EXPORT", exported).replaceInStrings("IMPORT", file("import.txt", "VMAX: 20\nnot a line\n"));
        args.replaceInStrings("FIRMWARE", file("APP_V1.2.bin", firmwareImage()));
        args.replaceInStrings("ENCRYPTED", file("fdcan.enc", firmwareImage()));

        const Run r = runCli(adapterArgs(adapter) + args + QStringList{"--json"});
        QVERIFY2(r.code == 0, qPrintable(r.err + r.out));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QVERIFY(r.json.value("ok").toBool());
        QCOMPARE(jsonAt(r.json, key), expected);
        if (args.contains("tune")) {
            QVERIFY(jsonAt(r.json, "figures/riseTimeMs").toDouble() > 0);
            if (adapter != "usb")
                QVERIFY(!motor()->isEnabled()); // enabled for the test only
        }
        if (args.contains("export")) {
            QFile f(exported);
            QVERIFY(f.open(QIODevice::ReadOnly));
            // A header of comment lines, then one line per register.
            const QList<QByteArray> lines = f.readAll().split('\n');
            QVERIFY(lines.first().startsWith("# zktool "));
            const auto comments = std::count_if(lines.cbegin(), lines.cend(), [](const QByteArray &l) { return l.startsWith('#'); });
            QCOMPARE(int(lines.size() - comments), 38); // 37 registers, then the empty rest after the last newline

        }
        if (adapter != "usb" && !motorRegister.isEmpty()) {
            const bool flash = motorRegister.startsWith("flash:");
            const int rid = SimMotor::registerIndex(motorRegister.section(':', -1));
            const quint32 raw = flash ? motor()->savedRegisterRaw(rid) : motor()->registerRaw(rid);
            float f = 0;
            std::memcpy(&f, &raw, 4);
            const double value = SimMotor::registerIsFloat(rid) ? double(f) : double(raw);
            QCOMPARE(value, motorValue);
        }
        if (args.contains("enable") && adapter != "usb")
            QVERIFY(motor()->isEnabled());
        if (args.contains("upgrade") && adapter != "usb")
            QCOMPARE(motor()->firmwareImage(), firmwareImage());
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args"); // --port of the simulated adapter unless an adapter is named
        // drop: no answers; fault: over-current; two: two motors; unplug; the bootloader
        // silent from packet N (boot-silent:N, 0 the request) or answering ERROR to it (boot-error:N)
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");  // on standard error
        const QString missing = QDir::temp().filePath("zktool-cli-no-such-file.txt");
        // Bad input: refused before anything is sent.
        QTest::newRow("unknown command") << QStringList{"spin"} << "" << 2 << "unknown command \"spin\"";
        QTest::newRow("ID beyond the range") << QStringList{"--id", "0x4ff", "read"} << "" << 2 << "--id 0x4ff: 0x00 to 0x4fe";
        QTest::newRow("no ID") << QStringList{"enable"} << "" << 2 << "enable needs the motor's --id";
        QTest::newRow("zero timeout") << QStringList{"--timeout", "0", "--id", "1", "read"} << "" << 2 << "--timeout 0";
        QTest::newRow("signed ID") << QStringList{"--id", "+1", "read"} << "" << 2 << "--id +1";
        QTest::newRow("ID twice") << QStringList{"--id", "1", "--id", "2", "read"} << "" << 2 << "--id given more than once";
        QTest::newRow("unknown register") << QStringList{"--id", "1", "write", "PMAXX=1"} << "" << 2 << "no register named \"PMAXX\"";
        QTest::newRow("CAN ID by write") << QStringList{"--id", "1", "write", "ESC_ID=3"} << "" << 2 << "set-id changes the CAN ID";
        QTest::newRow("not a number") << QStringList{"--id", "1", "write", "PMAX=inf"} << "" << 2 << "no finite number";
        QTest::newRow("master ID beyond 11 bits") << QStringList{"--id", "1", "write", "MST_ID=0x800"} << "" << 2
                                                  << "MST_ID: 0x800 is outside 0x00 … 0x7ff";
        // Every register against its own range: the window's choices, the mapping rules.
        QTest::newRow("bit rate code beyond the list") << QStringList{"--id", "1", "write", "can_br=4294967295"} << "" << 2
                                                       << "can_br: 4294967295 is outside 0 … 9";
        QTest::newRow("no such control mode") << QStringList{"--id", "1", "write", "cmode=99"} << "" << 2
                                              << "cmode: 99 is outside 1 … 4";
        QTest::newRow("empty position range") << QStringList{"--id", "1", "write", "PMAX=0"} << "" << 2
                                              << "PMAX: 0 must be above 0";
        QTest::newRow("negative torque range") << QStringList{"--id", "1", "write", "TMAX=-1e30"} << "" << 2
                                               << "TMAX: -1e+30 must be above 0";
        // Relations need the motor's other registers: read, then refused before any write.
        QTest::newRow("under-voltage above over-voltage") << QStringList{"--id", "1", "write", "UV_Value=40"} << "read"
                                                          << 2 << "UV_Value (40) must be below OV_Value (32)";
        QTest::newRow("master ID on the motor's velocity ID")
            << QStringList{"--id", "1", "write", "MST_ID=0x201"} << "read" << 2 << "MST_ID (0x201) must be none of";
        QTest::newRow("missing file") << QStringList{"--id", "1", "import", missing} << "" << 2 << "no such file";
        QTest::newRow("no parameter in the file") << QStringList{"--id", "1", "import", "GARBAGE"} << "" << 2
                                                  << "holds no parameter line";
        QTest::newRow("export into no folder") << QStringList{"--id", "1", "export", "/no/such/folder/p.txt"} << "" << 2
                                               << "cannot write into /no/such/folder";
        QTest::newRow("set-id beyond a byte") << QStringList{"--id", "0x100", "--master", "1", "set-id"} << "" << 2
                                              << "--id 0x100: 0x00 to 0xff";
        QTest::newRow("scan beyond the probes") << QStringList{"--id", "0x80", "scan"} << "" << 2 << "0x00 to 0x7f";
        QTest::newRow("unknown adapter") << QStringList{"--adapter", "pcan", "scan"} << "" << 2 << "--adapter pcan";
        QTest::newRow("missing recording") << QStringList{"decode", missing} << "" << 2 << "no such file";
        QTest::newRow("missing firmware") << QStringList{"--id", "1", "upgrade", missing} << "" << 2
                                          << "Cannot read the firmware file";
        QTest::newRow("empty firmware") << QStringList{"--id", "1", "upgrade", "EMPTY"} << "" << 2 << "empty.bin";
        QTest::newRow("adapter firmware to a motor") << QStringList{"--id", "1", "upgrade", "GARBAGE"} << "" << 2
                                                     << "is no motor firmware image (.bin); --force sends it anyway";
        QTest::newRow("tune without a signal") << QStringList{"--id", "1", "tune", "0.5"} << "" << 2
                                               << "either --step KIND or --sweep KIND";
        QTest::newRow("tune a torque step") << QStringList{"--id", "1", "tune", "--step", "torque", "1"} << "" << 2
                                            << "--step torque: position or velocity";
        QTest::newRow("tune beyond the position range") << QStringList{"--id", "1", "tune", "--step", "position", "13"}
                                                        << "" << 2 << "must stay within ±12.5 rad";
        QTest::newRow("sweep without its band") << QStringList{"--id", "1", "tune", "--sweep", "velocity", "1"} << "" << 2
                                                << "--from HZ and --to HZ";
        QTest::newRow("tune option elsewhere") << QStringList{"--id", "1", "--period", "2", "read"} << "" << 2
                                               << "--period belongs to tune";
        // No adapter.
        QTest::newRow("no such port") << QStringList{"--port", "/dev/zk-none", "--id", "1", "read"} << "" << 3
                                      << "no serial port /dev/zk-none";
        QTest::newRow("adapter unplugged during a read") << QStringList{"--id", "1", "--timeout", "3000", "read"} << "unplug" << 3
                                                         << "lost";
        QTest::newRow("adapter unplugged during an upgrade") << QStringList{"--id", "1", "--timeout", "3000", "upgrade", "FIRMWARE"}
                                                             << "unplug" << 3 << "lost";
        QTest::newRow("no such CAN plugin") << QStringList{"--adapter", "canbus:zknone:can0", "scan"} << "" << 3
                                            << "no CAN bus plugin \"zknone\"";
        // No answer.
        QTest::newRow("read, motor silent") << QStringList{"--id", "1", "read"} << "drop" << 4 << "answered 0 of 37 register reads";
        QTest::newRow("read, no motor 9") << QStringList{"--id", "9", "read"} << "" << 4 << "motor 0x09 on serial adapter";
        QTest::newRow("enable, motor silent") << QStringList{"--id", "1", "enable"} << "drop" << 4 << "no answer from motor 0x01";
        QTest::newRow("save, motor silent") << QStringList{"--id", "1", "save"} << "drop" << 4 << "did not confirm saving";
        QTest::newRow("scan, bus silent") << QStringList{"scan"} << "drop" << 4 << "no motor answered the scan";
        QTest::newRow("scan for a missing motor") << QStringList{"--id", "5", "scan"} << "" << 4 << "0x05";
        QTest::newRow("version, motor silent") << QStringList{"--id", "1", "version"} << "drop" << 4
                                               << "answered 0 of 2 version reads";
        QTest::newRow("upgrade, no bootloader") << QStringList{"--id", "1", "upgrade", "FIRMWARE"} << "boot-silent:0" << 4
                                                << "did not enter its bootloader (0 of 3 packets sent)";
        QTest::newRow("upgrade stalls at packet 2") << QStringList{"--id", "1", "upgrade", "FIRMWARE"} << "boot-silent:2" << 4
                                                    << "stopped answering (2 of 3 packets sent)";
        QTest::newRow("set-id, bus silent") << QStringList{"--id", "5", "--master", "5", "set-id"} << "drop" << 4
                                            << "no motor answered the scan";
        // Refused.
        QTest::newRow("enable a faulted motor") << QStringList{"--id", "1", "enable"} << "fault" << 5
                                                << "did not enable: Over-current (state 0x0a)";
        QTest::newRow("tune a faulted motor") << QStringList{"--id", "1", "tune", "--step", "velocity", "1"} << "fault" << 5
                                              << "could not be enabled: Over-current";
        QTest::newRow("upgrade, ERROR for packet 3") << QStringList{"--id", "1", "upgrade", "FIRMWARE"} << "boot-error:3"
                                                     << 5 << "reported an error (ERROR) (3 of 3 packets sent)";
        QTest::newRow("upgrade, request refused") << QStringList{"--id", "1", "upgrade", "FIRMWARE"} << "boot-error:0" << 5
                                                  << "did not enter its bootloader (0 of 3 packets sent)";
        QTest::newRow("set-id with two motors") << QStringList{"--id", "5", "--master", "5", "set-id"} << "two" << 5
                                                << "2 motors answer";
    }
    // A bench of motors: the scan's rows with each motor's versions and ID conflicts, and
    // parameter files compared bit for bit and written only where they differ.
    void benchOfMotors_data()
    {
        QTest::addColumn<QString>("bus");   // CAN IDs on the bus; profiles differ per motor
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("key");   // in the JSON printed
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("scan: three motors, versions of each") << "1,2,3" << QStringList{"scan"} << 0
                                                             << "motors/2/application" << QVariant("1.2.0.7");
        QTest::newRow("scan: two replies on one ID") << "1,1,2" << QStringList{"scan"} << 0 << "motors/0/conflict"
                                                     << QVariant("ID 0x01: 2 motors");
        QTest::newRow("set-id refused on a conflict") << "1,1" << QStringList{"--id", "5", "--master", "5", "set-id"} << 5
                                                      << "error/kind" << QVariant("refused");
        QTest::newRow("diff: exactly the registers that differ") << "1" << QStringList{"--id", "1", "diff", "SET"} << 0
                                                                 << "differences" << QVariant(QStringList{"OT_Value", "KP_ASR"});
        QTest::newRow("diff: the same values") << "1" << QStringList{"--id", "1", "diff", "SAME"} << 0 << "differences"
                                               << QVariant(QStringList{});
        QTest::newRow("write --from: only what differs") << "1" << QStringList{"--id", "1", "write", "--from", "SET"} << 0
                                                         << "differences" << QVariant(QStringList{"OT_Value", "KP_ASR"});
        QTest::newRow("report: the record") << "1,2" << QStringList{"--id", "2", "report", "--from", "SET", "--note", "line 4"}
                                            << 0 << "report/note" << QVariant("line 4");
    }
    void benchOfMotors()
    {
        QFETCH(QString, bus);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        sim = std::make_unique<SimSerialAdapter>();
        int n = 0;
        for (const QString &id : bus.split(','))
            sim->bus()->addMotor({id.toUInt(), 0x10 + id.toUInt() + 0x20 * quint32(n), 4, SimMotor::Layout::Long, n++});
        sim->setMode(SimSerialAdapter::Adapter);
        QVERIFY(sim->start());
        // The file: KP_ASR one bit off the motor's, OT_Value another value, the rest as the motor has them.
        SimMotor *m = motor();
        QString same = "# zktool test\n# exported 2026-01-01 00:00:00\n";
        for (int rid = 0; rid < SimMotor::RecordFields; ++rid) {
            const QString name = rid == 31 ? "Deta" : SimMotor::registerName(rid);
            const quint32 raw = m->registerRaw(rid);
            float f;
            std::memcpy(&f, &raw, 4);
            same += name + ": " + (SimMotor::registerIsFloat(rid) ? QString::number(f, 'g', 9) : QString::number(raw)) + "\n";
        }
        float kp = m->registerFloat(SimMotor::registerIndex("KP_ASR"));
        quint32 kpBits;
        std::memcpy(&kpBits, &kp, 4);
        ++kpBits;
        float kpNext;
        std::memcpy(&kpNext, &kpBits, 4);
        QString set = same;
        set.replace(QRegularExpression("\nKP_ASR: [^\n]*"), "\nKP_ASR: " + QString::number(kpNext, 'g', 9));
        set.replace(QRegularExpression("\nOT_Value: [^\n]*"), "\nOT_Value: 70.5");
        args.replaceInStrings("SAME", file("same.txt", same.toUtf8()));
        args.replaceInStrings("SET", file("set.txt", set.toUtf8()));

        const Run r = runCli(QStringList{"--port", sim->slavePath(), "--json"} + args);
        QVERIFY2(r.code == exitCode, qPrintable(r.err));
        QJsonValue v = r.json;
        for (const QString &part : key.split('/'))
            v = v.isArray() ? v.toArray().at(part.toInt()) : v.toObject().value(part);
        if (expected.typeId() == QMetaType::QStringList) {
            QStringList names;
            for (const QJsonValue &row : v.toArray())
                names << row.toObject().value("register").toString();
            QCOMPARE(names, expected.toStringList());
        } else {
            QCOMPARE(v.toVariant().toString(), expected.toString());
        }
        const QList<SimCanFrame> writes = [&] {
            QList<SimCanFrame> out;
            for (const SimCanFrame &f : sim->busFrames())
                if (f.id == 0x7FF && f.data.size() == 8 && quint8(f.data[2]) == 0x55)
                    out << f;
            return out;
        }();
        if (args.contains("write")) { // both values reached the motor, nothing else was written
            QCOMPARE(writes.size(), 2);
            QCOMPARE(m->registerRaw(SimMotor::registerIndex("KP_ASR")), kpBits);
            QCOMPARE(m->registerFloat(SimMotor::RidOT), 70.5f);
            QTRY_COMPARE(m->saveCount(), 1);
        } else {
            QCOMPARE(writes.size(), 0);
        }
        if (args.contains("report")) {
            const QJsonObject rep = r.json.value("report").toObject();
            QCOMPARE(rep.value("registers").toArray().size(), SimMotor::RecordFields);
            QCOMPARE(rep.value("application").toString(), QString("1.2.0.6"));
            QVERIFY(!rep.value("bootloader").toString().isEmpty());
            // The file was made from motor 0x01, whose under-voltage limit differs from 0x02's.
            QCOMPARE(rep.value("differences").toArray().first().toObject().value("register").toString(), QString("UV_Value"));
            QCOMPARE(rep.value("masterId").toInt(), 0x10 + 2 + 0x20);
        }
        if (exitCode == 5)
            QVERIFY2(r.err.contains("ID 0x01: 2 motors"), qPrintable(r.err));
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        if (setup == "two")
            startSim(true);
        sim->setDropAll(setup == "drop");
        if (setup == "fault")
            QVERIFY(motor()->injectFault(SimMotor::FaultOverCurrent));
        if (setup == "unplug") { // while the program waits for the answers
            sim->setDropAll(true);
            QTimer::singleShot(400, this, [this] { sim->closePort(); });
        }
        if (setup.startsWith("boot-silent:"))
            motor()->bootloader().setSilentFrom(setup.section(':', 1).toInt());
        if (setup == "boot-error:0")
            motor()->bootloader().setRefusal("ERROR");
        else if (setup.startsWith("boot-error:"))
            motor()->bootloader().setErrorAt(setup.section(':', 1).toInt());
        args.replaceInStrings("GARBAGE", file("garbage.txt", "\x01\x02 no lines here"));
        args.replaceInStrings("FIRMWARE", file("APP_V2.bin", firmwareImage()));
        QFile(file("empty.bin")).open(QIODevice::WriteOnly);
        args.replaceInStrings("EMPTY", file("empty.bin"));
        if (!args.contains("--port") && !args.contains("--adapter"))
            args = QStringList{"--port", sim->slavePath()} + args;

        const Run r = runCli(args + QStringList{"--json"} + (args.contains("--timeout") ? QStringList() : QStringList{"--timeout", "300"}));
        QCOMPARE(r.code, exitCode);
        QVERIFY2(r.err.startsWith("zktool-cli: ") && r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.json.value("exitCode").toInt(), exitCode);
        QVERIFY(!r.json.value("ok").toBool());
        QVERIFY(!r.json.value("error").toObject().value("message").toString().isEmpty());
        if (exitCode == 2 && setup != "read")
            QCOMPARE(sim->stats().framesReceived + sim->stats().garbageBytes + sim->stats().stopRequests, quint64(0));
        if (setup == "read") { // read, but nothing written or saved
            QCOMPARE(motor()->registerFloat(0), 10.0f);
            QCOMPARE(motor()->masterId(), 0x11u);
            QCOMPARE(motor()->saveCount(), 0);
        }
        if (setup == "fault")
            QVERIFY(!motor()->isEnabled());
        if (setup.startsWith("boot-silent")) // --timeout replaces the bootloader's own 5 s waits
            QVERIFY(r.json.value("elapsedMs").toInt() < 4000);
    }

    // A recording printed with what each frame means, as text and as JSON, without any
    // adapter; a malformed line is skipped and named on standard error.
    void decodePrintsTheRecording()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("bench.log"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("(1.000000) can0 001#FFFFFFFFFFFFFFFC T\n"
                "(1.010000) can0 011#118F5B8888651F21 R\n"
                "not a frame\n"
                "(1.020000) can0 7FF#0100331500000000 T\n"
                "(1.030000) can0 123#0102 R\n");
        f.close();
        const Run text = runCli({"decode", f.fileName()});
        QCOMPARE(text.code, 0);
        const QStringList lines = text.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].endsWith("[FF FF FF FF FF FF FF FC]  Enable → 0x01"), qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith("0x11 ← 0x?1: 1.500 rad, 2.00 rad/s, 0.50 N·m, MOS 31 ℃, rotor 33 ℃, Motor enabled"),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].contains("0.020000  T") && lines[2].endsWith("Read register → 0x01: PMAX (21)"), qPrintable(lines[2]));
        QVERIFY2(lines[3].endsWith("[01 02]"), qPrintable(lines[3])); // no kind: nothing said
        QVERIFY2(text.err.contains("line 3:"), qPrintable(text.err));

        const Run json = runCli({"decode", f.fileName(), "--json"});
        QCOMPARE(json.code, 0);
        const QJsonArray frames = json.json.value("frames").toArray();
        QCOMPARE(frames.size(), 4);
        QCOMPARE(json.json.value("malformedLines").toInt(), 1);
        const QJsonObject fb = frames[1].toObject();
        QCOMPARE(fb.value("kind").toString(), QString("feedback"));
        QCOMPARE(fb.value("motorIdLow4").toInt(), 1);
        QVERIFY(std::fabs(fb.value("values").toObject().value("position").toDouble() - 1.5) < 0.001);
        QCOMPARE(frames[2].toObject().value("values").toObject().value("register").toString(), QString("PMAX"));
        QCOMPARE(frames[3].toObject().value("kind").toString(), QString());
    }

    void portsListsTheSimulatedAdapters()
    {
        const Run r = runCli({"--simulate", "ports", "--json"});
        QCOMPARE(r.code, 0);
        QStringList paths, descriptions;
        for (const QJsonValue &p : r.json.value("ports").toArray()) {
            paths << p["path"].toString();
            descriptions << p["description"].toString();
        }
        QVERIFY2(descriptions.filter("Simulated serial adapter").size() == 1, qPrintable(descriptions.join('|')));
        const QJsonArray usb = r.json.value("usbAdapters").toArray();
        QCOMPARE(usb.size(), 1);
        QVERIFY2(paths.contains(usb[0]["port"].toString()), qPrintable(usb[0]["port"].toString()));
        QVERIFY(r.json.value("canInterfaces").toArray().contains(QJsonValue("canbus:virtualcan:can0")));
    }

    void readTextImportsUnchanged()
    {
        const Run read = runCli({"--port", sim->slavePath(), "--id", "1", "read"});
        QCOMPARE(read.code, 0);
        const Run back = runCli({"--port", sim->slavePath(), "--id", "1", "--json", "import",
                                 file("read.txt", read.out.toUtf8())});
        QCOMPARE(back.code, 0);
        QCOMPARE(back.json.value("linesApplied").toInt(), 37);
        QCOMPARE(back.json.value("changed").toArray(), QJsonArray());
    }

    // Another motor's file does not give this one its master ID, unless asked.
    void importKeepsTheMotorsMasterId_data()
    {
        QTest::addColumn<bool>("takeIds");
        QTest::addColumn<uint>("master");
        QTest::newRow("kept") << false << 0x12u;
        QTest::newRow("--import-ids") << true << 0x11u;
    }
    void importKeepsTheMotorsMasterId()
    {
        QFETCH(bool, takeIds);
        QFETCH(uint, master);
        startSim(true);
        const QString m1 = dir.filePath("m1.txt");
        QCOMPARE(runCli({"--port", sim->slavePath(), "--id", "1", "export", m1}).code, 0);
        const Run r = runCli(QStringList{"--port", sim->slavePath(), "--id", "2", "import", m1}
                             + (takeIds ? QStringList{"--import-ids"} : QStringList()));
        QCOMPARE(r.code, 0);
        QCOMPARE(sim->motor(1)->masterId(), master);
        QCOMPARE(sim->motor(1)->canId(), 2u);
        QCOMPARE(r.out.contains("kept its master ID 0x12 (the file has 0x11"), !takeIds);
    }

    void progressLineOnlyOnATerminal_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("read") << QStringList{"read"} << QByteArray("\rread 37/37") << QByteArray("PMAX: 12.5");
        QTest::newRow("upgrade") << QStringList{"upgrade", "FIRMWARE"} << QByteArray("\rupgrade 3/3")
                                 << QByteArray("firmware V3 (20000 bytes, 3 packets) upgraded");
    }
    void progressLineOnlyOnATerminal()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, output);
        const QString script = QStandardPaths::findExecutable("script");
        if (script.isEmpty())
            QSKIP("no script(1) to give the program a terminal");
        args = QStringList{"--port", sim->slavePath(), "--id", "1"}
               + args.replaceInStrings("FIRMWARE", file("APP_V3.bin", firmwareImage()));
        QProcess onTerminal;
        onTerminal.start(script, {"-qfec", kCli + " " + args.join(' '), "/dev/null"});
        QVERIFY(onTerminal.waitForFinished(30000));
        const QByteArray seen = onTerminal.readAll();
        QVERIFY2(seen.contains(line) && seen.contains("\r\033[K"), seen.constData());
        QVERIFY(seen.contains(output));

        const Run piped = runCli(args);
        QCOMPARE(piped.code, 0);
        QCOMPARE(piped.err, QString());
        QVERIFY(!piped.out.contains('\r'));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
