// Motor firmware upgrade: the image cut into packets and CAN frames, file refusals,
// version texts, and the bootloader conversation against a scripted bootloader.
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"

#include "simCodec.h"

#include <QTemporaryDir>
#include <QtTest>

#include <utility>

#include <sys/stat.h>

using Path = FirmwareUpgrade::Path;
using Outcome = FirmwareUpgrade::Outcome;

namespace {
constexpr quint32 kMaster = 0x111; // the master ID the motor being upgraded answers on

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + i / 251) & 0xFF);
    return b;
}

// The conversation's output, and the machine itself with short waits for silence.
struct Rig {
    FirmwareUpgrade up;
    QList<QByteArray> console;               // console writes
    QList<QPair<QByteArray, quint32>> requests;
    QList<QList<QByteArray>> packets;        // frames of each packet sent over CAN
    QByteArray consolePending;               // slices of the packet being handed over
    QList<QByteArray> framesPending;
    QList<int> progress;
    QList<int> messages;
    QList<bool> locks;
    QList<Outcome> outcomes;

    explicit Rig(int silenceMs = 30000)
    {
        FirmwareUpgrade::Transport io;
        // A packet is handed over in slices: whole once the machine says it was sent.
        io.writeConsole = [this](const QByteArray &b) {
            if (up.state() == FirmwareUpgrade::State::WaitingForAck || up.state() == FirmwareUpgrade::State::WaitingForComplete)
                consolePending += b;
            else
                console << b;
        };
        io.sendRequest = [this](const QByteArray &f, quint32 id) { requests << qMakePair(f, id); };
        io.sendPacketFrames = [this](const QList<QByteArray> &f, quint32) { framesPending += f; };
        QObject::connect(&up, &FirmwareUpgrade::packetSent, [this] {
            if (!consolePending.isEmpty())
                console << std::exchange(consolePending, QByteArray());
            if (!framesPending.isEmpty())
                packets << std::exchange(framesPending, QList<QByteArray>());
        });
        up.setTransport(io);
        FirmwareUpgrade::Timeouts t;
        t.bootloaderMs = t.usbMs = t.packetMs = t.packetUsbConnectedMs = silenceMs;
        t.firstPacketDelayMs = 1;
        up.setTimeouts(t);
        QObject::connect(&up, &FirmwareUpgrade::progressChanged, [this](int p) { progress << p; });
        QObject::connect(&up, &FirmwareUpgrade::MessageInfo, [this](int c) { messages << c; });
        QObject::connect(&up, &FirmwareUpgrade::lockChanged, [this](bool l) { locks << l; });
        QObject::connect(&up, &FirmwareUpgrade::finished, [this](Outcome o) { outcomes << o; });
    }
    // Packets the bootloader has been sent so far (the request counts on the console).
    int sent() const { return int(packets.size()) + qMax(0, int(console.size()) - 1); }
    bool start(Path path, const QByteArray &image)
    {
        FirmwareUpgrade::Request r;
        r.path = path;
        r.image = image;
        r.motorCanId = 0x123;
        r.requestId = 0x7FF;
        r.replyId = kMaster;
        return up.start(r);
    }
};

} // namespace

class TestFirmware : public QObject
{
    Q_OBJECT

private slots:
    void packets_data()
    {
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QList<int>>("commands");
        QTest::newRow("20000 bytes") << 20000 << QList<int>{8192, 8192, 3616} << QList<int>{2, 1, 0};
        QTest::newRow("exactly one packet") << 8192 << QList<int>{8192} << QList<int>{0};
        QTest::newRow("one byte over") << 8193 << QList<int>{8192, 1} << QList<int>{1, 0};
        QTest::newRow("one byte") << 1 << QList<int>{1} << QList<int>{0};
    }

    void packets()
    {
        QFETCH(int, imageSize);
        QFETCH(QList<int>, lengths);
        QFETCH(QList<int>, commands);
        const QByteArray image = pattern(imageSize);
        QCOMPARE(firmwarePacketCount(imageSize), lengths.size());
        QByteArray joined;
        for (int k = 1; k <= lengths.size(); ++k) {
            const QByteArray p = firmwarePacket(image, k);
            const int n = lengths[k - 1];
            QCOMPARE(p.size(), n + 6);
            QCOMPARE(p[0], '#');
            QCOMPARE(int(quint8(p[1])), commands[k - 1]);
            QCOMPARE(p[2], '#');
            QCOMPARE(quint8(p[3]) | quint8(p[4]) << 8, n);
            QCOMPARE(quint8(p[5 + n]), SimCodec::crc8Maxim(p.mid(5, n)));
            joined += p.mid(5, n);
        }
        QCOMPARE(joined, image);
        QVERIFY(firmwarePacket(image, 0).isEmpty());
        QVERIFY(firmwarePacket(image, int(lengths.size()) + 1).isEmpty());
    }

    void largestImageCountsDownWithoutWrapping()
    {
        // 256 packets: the command bytes run 255 ... 0, a 0 only on the last packet.
        const QByteArray image(int(FirmwareImageLimit), 'x');
        QCOMPARE(firmwarePacketCount(image.size()), 256);
        QCOMPARE(quint8(firmwarePacket(image, 1)[1]), quint8(255));
        QCOMPARE(quint8(firmwarePacket(image, 255)[1]), quint8(1));
        QCOMPARE(quint8(firmwarePacket(image, 256)[1]), quint8(0));
    }

    void packetFrames_data()
    {
        QTest::addColumn<int>("packetSize");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("lastFrame");
        QTest::newRow("a full packet") << 8198 << 1025 << 6;
        QTest::newRow("a multiple of 8 ends with an empty frame") << 16 << 3 << 0;
        QTest::newRow("less than a frame") << 7 << 1 << 7;
    }

    void packetFrames()
    {
        QFETCH(int, packetSize);
        QFETCH(int, frames);
        QFETCH(int, lastFrame);
        const QByteArray packet = pattern(packetSize);
        const QList<QByteArray> f = firmwarePacketFrames(packet);
        QCOMPARE(f.size(), frames);
        QCOMPARE(f.last().size(), lastFrame);
        QByteArray joined;
        for (const QByteArray &b : f) {
            QVERIFY(b.size() <= 8);
            joined += b;
        }
        QCOMPARE(joined, packet);
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("APP_ prefix") << "/tmp/APP_V1.2.bin" << "V1.2";
        QTest::newRow("no prefix") << "motor.bin" << "motor";
        QTest::newRow("prefix is case-sensitive") << "app_V1.bin" << "app_V1";
        QTest::newRow("prefix only in front") << "X_APP_1.bin" << "X_APP_1";
    }

    void displayName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(firmwareDisplayName(path), name);
    }

    void versions_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<bool>("characters");
        QTest::addColumn<QString>("text");
        QTest::newRow("characters, lowest byte first") << 0x35303231u << true << "1.2.0.5";
        QTest::newRow("numbers, lowest byte first") << 0x00030001u << false << "1.0.3.0";
        QTest::newRow("bytes above 127 stay unsigned") << 0x7F80FF02u << false << "2.255.128.127";
        QTest::newRow("high bytes, all unsigned") << 0xC8FF0080u << false << "128.0.255.200";
    }

    void versions()
    {
        QFETCH(quint32, value);
        QFETCH(bool, characters);
        QFETCH(QString, text);
        QCOMPARE(ParseVersion(value, characters), text);
    }

    void requestFrames()
    {
        QCOMPARE(firmwareUpgradeRequest(0x123), QByteArray::fromHex("550102AA2301AAAA"));
        QCOMPARE(consoleVersionRequest(), QByteArray::fromHex("5566AA"));
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("error"); // a word of the message; empty: accepted
        QTest::newRow("empty") << "file" << 0 << "为空";
        QTest::newRow("missing") << "missing" << 0 << "无法读取";
        QTest::newRow("a directory") << "dir" << 0 << "不是普通文件";
        QTest::newRow("a device that never ends") << "device" << 0 << "不是普通文件";
        QTest::newRow("a named pipe nobody writes") << "fifo" << 0 << "不是普通文件";
        QTest::newRow("over the cap") << "file" << 101 << "过大";
        QTest::newRow("at the cap") << "file" << 100 << "";
    }

    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, size);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QString path = dir.filePath("APP_V9.bin");
        if (kind == "file") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(pattern(size));
        } else if (kind == "dir") {
            QVERIFY(QDir(dir.path()).mkdir("APP_V9.bin"));
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "device") {
            QVERIFY(QFile::link("/dev/zero", path));
        }
        const FirmwareFile file = loadFirmwareFile(path, 100);
        QCOMPARE(file.name, QString("V9"));
        if (error.isEmpty()) {
            QVERIFY2(file.ok(), qPrintable(file.error));
            QCOMPARE(file.image, pattern(size));
        } else {
            QVERIFY2(file.error.contains(error) && file.error.contains("APP_V9.bin"), qPrintable(file.error));
            QVERIFY(file.image.isEmpty());
        }
    }

    // The bootloader's part, one answer after each thing the tool sends; an empty answer
    // is silence.
    void conversation_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<int>("packetsSent");
        QTest::addColumn<QList<int>>("progress"); // the last values; before them it rises within each packet
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QList<int>>("messages");
        using A = QList<QByteArray>;
        using L = QList<int>;
        const L all{100, 0};
        QTest::newRow("console") << Path::Console << A{"Enter Bootloader\r\n", "OK\r\n", "OK\r\n", "complete\r\n"} << 3
                                 << all << Outcome::Completed << L{};
        QTest::newRow("acknowledgement in two pieces")
            << Path::Console << A{"Enter Boot", "loader\r\n", "OK", "OK", "complete"} << 3 << all << Outcome::Completed
            << L{};
        QTest::newRow("serial adapter") << Path::SerialAdapter << A{"Aupgrade", "OK", "OK", "complete"} << 3 << all
                                        << Outcome::Completed << L{};
        QTest::newRow("USB adapter") << Path::UsbAdapter << A{"Aupgrade", "OK", "OK", "complete"} << 3 << all
                                     << Outcome::Completed << L{};
        QTest::newRow("console refuses") << Path::Console << A{"unknown command\r\n"} << 0 << L{0}
                                         << Outcome::NoBootloader << L{2};
        QTest::newRow("no bootloader, serial") << Path::SerialAdapter << A{""} << 0 << L{0} << Outcome::NoBootloader
                                               << L{2};
        QTest::newRow("no bootloader, USB") << Path::UsbAdapter << A{""} << 0 << L{0} << Outcome::NoBootloader << L{11};
        QTest::newRow("ERROR on packet 2") << Path::SerialAdapter << A{"Aupgrade", "OK", "ERROR"} << 2 << L{0}
                                           << Outcome::Refused << L{11};
        QTest::newRow("stalls after packet 1") << Path::UsbAdapter << A{"Aupgrade", ""} << 1 << L{0}
                                               << Outcome::Stalled << L{11};
        QTest::newRow("no complete after the last") << Path::Console << A{"Enter Bootloader\n", "OK", "OK", ""} << 3
                                                    << L{0} << Outcome::Stalled << L{11};
        QTest::newRow("complete too early") << Path::SerialAdapter << A{"Aupgrade", "complete"} << 1 << L{0}
                                            << Outcome::EndedEarly << L{11};
        // An acknowledgement may come in pieces on every path.
        QTest::newRow("OK in two reads, console")
            << Path::Console << A{"Enter Bootloader\r\n", "O", "K\r\n", "O", "K\r\n", "comp", "lete\r\n"} << 3 << all
            << Outcome::Completed << L{};
        QTest::newRow("OK in two frames, serial adapter")
            << Path::SerialAdapter << A{"Aupgrade", "O", "K", "OK", "comp", "lete"} << 3 << all << Outcome::Completed << L{};
        QTest::newRow("OK in two frames, USB adapter")
            << Path::UsbAdapter << A{"Aupgrade", "O", "K\r\n", "O", "K", "complete"} << 3 << all << Outcome::Completed
            << L{};
    }

    void conversation()
    {
        QFETCH(Path, path);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(int, packetsSent);
        QFETCH(QList<int>, progress);
        QFETCH(Outcome, outcome);
        QFETCH(QList<int>, messages);
        const bool silent = answers.last().isEmpty();
        Rig rig(silent ? 200 : 30000);
        QVERIFY(rig.start(path, pattern(20000)));
        QVERIFY(rig.up.isRunning());
        int expectSent = 0;
        for (const QByteArray &a : answers) {
            if (a.isEmpty())
                break;
            QTRY_COMPARE(rig.sent(), expectSent);
            QVERIFY(rig.up.offerReply(a, path));
            // A piece of an answer is followed by the rest, not by a packet.
            if (a != "Enter Boot" && a != "O" && a != "comp")
                ++expectSent;
        }
        QTRY_COMPARE(rig.outcomes, QList<Outcome>{outcome});
        QCOMPARE(rig.sent(), packetsSent);
        QVERIFY(rig.progress.size() >= progress.size());
        QCOMPARE(rig.progress.mid(rig.progress.size() - progress.size()), progress);
        const QList<int> moving = rig.progress.mid(0, rig.progress.size() - progress.size());
        for (int i = 1; i < moving.size(); ++i)
            QVERIFY(moving[i] > moving[i - 1]);
        QVERIFY2(moving.size() > packetsSent || packetsSent == 0, qPrintable(QString::number(moving.size())));
        QCOMPARE(rig.messages, messages);
        QCOMPARE(rig.locks, (QList<bool>{true, false}));
        QVERIFY(!rig.up.isRunning());
        if (path == Path::Console) {
            QCOMPARE(rig.console.first(), QByteArray("X"));
            for (int k = 1; k < rig.console.size(); ++k)
                QCOMPARE(rig.console[k], firmwarePacket(pattern(20000), k));
        } else {
            QCOMPARE(rig.requests, (QList<QPair<QByteArray, quint32>>{{firmwareUpgradeRequest(0x123), 0x7FF}}));
            for (int k = 0; k < rig.packets.size(); ++k)
                QCOMPARE(rig.packets[k], firmwarePacketFrames(firmwarePacket(pattern(20000), k + 1)));
        }
        // The next upgrade starts over from the request and packet 1.
        QVERIFY(rig.start(path, pattern(100)));
        QCOMPARE(rig.up.packetIndex(), 1);
    }

    // Frames that are no answer of the running upgrade's bootloader move nothing: another
    // path, another node's ID, or the motor's own frames without the words.
    void ordinaryTrafficMovesNothing_data()
    {
        QTest::addColumn<bool>("acked"); // the bootloader has acknowledged the request
        QTest::addColumn<Path>("from");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("offers");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("moves"); // packets sent by these offers
        QTest::newRow("no upgrade running") << false << Path::SerialAdapter << kMaster << QByteArray("OK") << 1 << false << 0;
        QTest::newRow("console text during a CAN upgrade") << true << Path::Console << kMaster << QByteArray("OK") << 1 << false << 0;
        QTest::newRow("another adapter's frame") << true << Path::UsbAdapter << kMaster << QByteArray("OK") << 1 << false << 0;
        QTest::newRow("another node's acknowledgement") << false << Path::SerialAdapter << 0x7E0u << QByteArray("Aupgrade") << 1 << false << 0;
        QTest::newRow("another node's OK") << true << Path::SerialAdapter << 0x7E1u << QByteArray("\x10OK\x22") << 1 << false << 0;
        QTest::newRow("another node's complete") << true << Path::SerialAdapter << 0x7E2u << QByteArray("complete") << 1 << false << 0;
        QTest::newRow("the motor's feedback before the bootloader") << false << Path::SerialAdapter << kMaster << QByteArray("\x01\x7F\xFF\x4F") << 1 << false << 0;
        QTest::newRow("the motor's bytes without the words") << true << Path::SerialAdapter << kMaster << QByteArray("\x01\x7F\xFF\x4F") << 3 << true << 0;
        QTest::newRow("one OK twice: one packet") << true << Path::SerialAdapter << kMaster << QByteArray("OK") << 2 << true << 1;
    }

    void ordinaryTrafficMovesNothing()
    {
        QFETCH(bool, acked);
        QFETCH(Path, from);
        QFETCH(quint32, id);
        QFETCH(QByteArray, bytes);
        QFETCH(int, offers);
        QFETCH(bool, taken);
        QFETCH(int, moves);
        Rig rig;
        const QByteArray image = pattern(30000);
        const bool running = QByteArray(QTest::currentDataTag()) != "no upgrade running";
        if (running)
            QVERIFY(rig.start(Path::SerialAdapter, image));
        if (acked) {
            QVERIFY(rig.up.offerFrameReply(kMaster, "Aupgrade", Path::SerialAdapter));
            QTRY_COMPARE(rig.sent(), 1);
        }
        const int before = rig.sent();
        for (int i = 0; i < offers; ++i)
            QCOMPARE(rig.up.offerFrameReply(id, bytes, from), taken);
        QTest::qWait(50);
        QCOMPARE(rig.sent(), before + moves);
        QCOMPARE(rig.up.state(), !running ? FirmwareUpgrade::State::Idle
                                 : acked  ? FirmwareUpgrade::State::WaitingForAck
                                          : FirmwareUpgrade::State::WaitingForBootloader);
        QVERIFY(rig.messages.isEmpty());
    }

    void refusedStarts()
    {
        Rig rig;
        QVERIFY(!rig.start(Path::Console, QByteArray()));
        QVERIFY(!rig.start(Path::Console, QByteArray(int(FirmwareImageLimit) + 1, 'x')));
        QVERIFY(rig.console.isEmpty() && rig.locks.isEmpty());
        QVERIFY(rig.start(Path::Console, pattern(10)));
        QVERIFY(!rig.start(Path::Console, pattern(10))); // one at a time
        QCOMPARE(rig.console, QList<QByteArray>{"X"});
        rig.up.cancel();
        QCOMPARE(rig.outcomes, QList<Outcome>{Outcome::Cancelled});
        QVERIFY(rig.messages.isEmpty());
    }
};

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
