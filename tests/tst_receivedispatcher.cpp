// The serial receive dispatcher: frames versus console bytes, answers to pending
// requests, time-outs, and frames split between reads.
#include "link/serial/customCDC.h"
#include "link/serial/receiveDispatcher.h"

#include <QtTest>

namespace {

QByteArray rxFrame(quint32 id, const QByteArray &data, quint8 code = 0x11)
{
    QByteArray f(16, '\0');
    f[0] = char(0xAA);
    f[1] = char(code);
    f[2] = char(data.size());
    for (int i = 0; i < 4; ++i)
        f[3 + i] = char((id >> (8 * i)) & 0xFF);
    for (int i = 0; i < data.size() && i < 8; ++i)
        f[7 + i] = data[i];
    f[15] = 0x55;
    return f;
}

struct FakeSource : ReceiveDispatcher::ChunkSource {
    QList<QByteArray> chunks;
    int sleptMs = 0;
    quint64 readCount = 0; // reads of the port the test says have happened
    quint64 reads() override { return readCount; }
    bool take(QByteArray &c) override
    {
        if (chunks.isEmpty())
            return false;
        c = chunks.takeFirst();
        return true;
    }
    bool empty() override { return chunks.isEmpty(); }
    void sleepMs(int ms) override { sleptMs += ms; }
};

// Records everything the dispatcher reports.
struct Recorder {
    int rxCounts = 0;
    QList<QByteArray> terminal;
    QList<int> messages;
    QList<QByteArray> frames;
    QList<QPair<QByteArray, bool>> blocks;
    QList<QByteArray> motorParams;
    QStringList versions;
    int nextFrames = 0;
    QList<bool> locks;
    QList<int> progress;
    int upgradeStarts = 0;

    ReceiveDispatcher::Events events()
    {
        ReceiveDispatcher::Events ev;
        ev.rxCount = [this] { ++rxCounts; };
        ev.terminalBytes = [this](const QByteArray &b) { terminal << b; };
        ev.message = [this](int c) { messages << c; };
        ev.canFrame = [this](const QByteArray &f) { frames << f; };
        ev.parameterBlock = [this](const QByteArray &r, bool l) { blocks << qMakePair(r, l); };
        ev.motorParameters = [this](const QByteArray &b) { motorParams << b; };
        ev.versions = [this](const QString &a, const QString &l) { versions << a << l; };
        ev.sendNextFrame = [this] { ++nextFrames; };
        ev.upgradeLock = [this](bool l) { locks << l; };
        ev.progress = [this](int p) { progress << p; };
        ev.upgradeStarted = [this] { ++upgradeStarts; };
        return ev;
    }
};

QByteArray terminalText(const Recorder &r)
{
    QByteArray all;
    for (const auto &t : r.terminal)
        all += t;
    return all;
}

} // namespace

class TestReceiveDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void framesAndTextInOneChunk()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        const QByteArray a = rxFrame(0x11, "\x01\x02", 0x11), b = rxFrame(0x22, "\x03", 0x00);
        d.processChunk(a + "hi" + b);
        QCOMPARE(r.frames.size(), 2);
        QCOMPARE(r.frames[0], a);
        QCOMPARE(r.frames[1], b);
        QCOMPARE(r.rxCounts, 3); // two frames and one text chunk
        QCOMPARE(terminalText(r), QByteArray("hi"));
    }

    void frameSplitAtEveryOffset_data()
    {
        QTest::addColumn<int>("cut");
        for (int cut = 1; cut < 16; ++cut)
            QTest::addRow("cut after %d bytes", cut) << cut;
    }

    void frameSplitAtEveryOffset()
    {
        QFETCH(int, cut);
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        const QByteArray f1 = rxFrame(0x7FF, "ABCDEFGH"), f2 = rxFrame(0x123, "xy");
        const QByteArray stream = f1 + f2;
        FakeSource src;
        src.chunks << stream.left(16 + cut) << stream.mid(16 + cut);
        d.pass(src, false);
        QCOMPARE(r.frames.size(), 2);
        QCOMPARE(r.frames[1], f2);
        QVERIFY2(r.terminal.isEmpty(), terminalText(r).toHex(' ').constData());
        QCOMPARE(r.rxCounts, 2);
    }

    void frameSplitOverSeparatePasses()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        const QByteArray f = rxFrame(0x55, "\x10\x20\x30");
        FakeSource src;
        src.chunks << f.left(5);
        d.pass(src, false);
        QVERIFY(r.frames.isEmpty());
        QCOMPARE(d.heldTail(), f.left(5));
        src.chunks << f.mid(5);
        d.pass(src, false);
        QCOMPARE(r.frames, QList<QByteArray>{f});
        QVERIFY(r.terminal.isEmpty());
    }

    void consoleTextEndingInFrameHeadIsReleasedAfterARead()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.setTailHoldReads(0);
        FakeSource src;
        const QByteArray text = QByteArray("value=") + char(0xAA);
        src.chunks << text;
        d.pass(src, false);
        QCOMPARE(terminalText(r), QByteArray("value="));
        // A read that brings nothing more: the held 0xAA is ordinary text.
        src.readCount += 1;
        d.pass(src, false);
        QCOMPARE(terminalText(r), text);
        QVERIFY(d.heldTail().isEmpty());
        QVERIFY(r.frames.isEmpty());
    }

    // A stalled reader finds the rest of the frame later: wall time without reads never
    // gives the held bytes up, only reads that found nothing do.
    void heldTailWaitsForReadsNotTime()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.setTailHoldReads(3);
        FakeSource src;
        const QByteArray f = rxFrame(0x42, "\x01");
        src.chunks << f.left(3);
        d.pass(src, false);
        QTest::qWait(100);
        d.pass(src, false);
        src.readCount = 3; // the bytes may have come with read 1, counted only later
        d.pass(src, false);
        QVERIFY(r.terminal.isEmpty());
        src.readCount = 4;
        d.pass(src, false);
        QCOMPARE(terminalText(r), f.left(3));
    }

    // Bytes held before a console request went out are no part of its answer.
    void tailHeldBeforeARequestStaysOutOfTheAnswer()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(QByteArray(1, char(0xAA)));
        cdc.paramWriting = true;
        d.processChunk("UgU");
        QCOMPARE(r.messages, QList<int>{7});
        QCOMPARE(terminalText(r), QByteArray(1, char(0xAA)));
    }

    // Text whose last bytes hold a 0xAA that cannot start a frame goes on at once, whole:
    // the second byte of a GBK character (华 is BB AA), or anything in console mode.
    void textEndingInAaIsNotHeld_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("console");
        QTest::newRow("数据华") << QByteArray("\xca\xfd\xbe\xdd\xbb\xaa") << false;
        QTest::newRow("华人 and a line end") << QByteArray("ok \xbb\xaa\xc8\xcb\r\n") << false;
        QTest::newRow("console mode") << QByteArray("x=\xaa\x01") << true;
    }
    void textEndingInAaIsNotHeld()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, console);
        CustomCDC cdc(nullptr, nullptr);
        cdc.canMode = !console;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(text);
        QVERIFY(d.heldTail().isEmpty());
        QCOMPARE(r.terminal, QList<QByteArray>{text});
        QCOMPARE(r.rxCounts, 1);
    }

    void heldTailThatIsNoFrameBecomesText()
    {
        CustomCDC cdc(nullptr, nullptr);
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        FakeSource src;
        src.chunks << QByteArray(1, char(0xAA)) + "abc";
        d.pass(src, false);
        // 16 bytes later there is no 0x55: the bytes are text, in order.
        src.chunks << "defghijklmnopqrstu";
        d.pass(src, false);
        QCOMPARE(terminalText(r), QByteArray(1, char(0xAA)) + "abcdefghijklmnopqrstu");
        QVERIFY(r.frames.isEmpty());
    }

    void parameterBlocks_data()
    {
        QTest::addColumn<QList<int>>("cuts");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("decoded");
        QTest::addColumn<bool>("longLayout");
        QTest::newRow("150 bytes in three chunks") << QList<int>{40, 100} << 150 << true << true;
        QTest::newRow("151 bytes in one chunk") << QList<int>{} << 151 << true << true;
        QTest::newRow("130 bytes short layout") << QList<int>{64} << 130 << true << false;
        QTest::newRow("131 bytes short layout is not a block") << QList<int>{} << 131 << false << false;
        QTest::newRow("120 bytes incomplete") << QList<int>{} << 120 << false << false;
    }

    void parameterBlocks()
    {
        QFETCH(QList<int>, cuts);
        QFETCH(int, length);
        QFETCH(bool, decoded);
        QFETCH(bool, longLayout);
        CustomCDC cdc(nullptr, nullptr);
        cdc.paramReading = true;
        cdc.longParamFormat = !longLayout;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        QByteArray block(length, '\0');
        block[0] = 'g';
        for (int i = 1; i < length; ++i)
            block[i] = char(i & 0x7F); // never 0xAA inside
        const int tailPos = length >= 150 ? 149 : 129;
        if (tailPos < length)
            block[tailPos] = char(0xAA);
        FakeSource src;
        int start = 0;
        for (int c : cuts) {
            src.chunks << block.mid(start, c - start);
            start = c;
        }
        src.chunks << block.mid(start);
        d.pass(src, false);
        d.pass(src, false); // an awaited answer is never held back
        QCOMPARE(r.blocks.size(), decoded ? 1 : 0);
        if (!decoded) {
            QVERIFY(cdc.paramReading);
            return;
        }
        QVERIFY(!cdc.paramReading);
        QCOMPARE(bool(cdc.longParamFormat), longLayout);
        QCOMPARE(r.blocks[0].second, longLayout);
        const QByteArray record = r.blocks[0].first;
        QCOMPARE(record.size(), 148);
        if (longLayout) {
            QCOMPARE(record, block.mid(1, 148));
        } else {
            QCOMPARE(record.left(128), block.mid(1, 128));
            QCOMPARE(record.mid(128), QByteArray(20, '\0'));
        }
        QVERIFY(r.terminal.isEmpty());
        QVERIFY(r.messages.isEmpty());
    }

    void writeAcknowledgements_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QList<int>>("messages");
        QTest::newRow("UgU success") << QByteArray("UgU") << QList<int>{7};
        QTest::newRow("UgZ failure") << QByteArray("UgZ") << QList<int>{2};
        QTest::newRow("other bytes cleared silently") << QByteArray("abc") << QList<int>{};
        QTest::newRow("two bytes keep waiting") << QByteArray("Ug") << QList<int>{};
    }

    void writeAcknowledgements()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QList<int>, messages);
        CustomCDC cdc(nullptr, nullptr);
        cdc.paramWriting = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(answer);
        QCOMPARE(r.messages, messages);
        QCOMPARE(bool(cdc.paramWriting), answer.size() < 3);
    }

    void versionAnswer()
    {
        CustomCDC cdc(nullptr, nullptr);
        cdc.versionReading = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(QByteArray::fromHex("66010203"));
        QVERIFY(r.versions.isEmpty());
        d.processChunk(QByteArray::fromHex("0405060708"));
        QCOMPARE(r.versions, (QStringList{"4.3.2.1", "8.7.6.5"}));
        QVERIFY(!cdc.versionReading);
    }

    void versionAnswerWithoutMarkerIsAnError()
    {
        CustomCDC cdc(nullptr, nullptr);
        cdc.versionReading = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk("xxxxxxxxx");
        QCOMPARE(r.messages, QList<int>{2});
        QVERIFY(r.versions.isEmpty());
    }

    void identificationAnswer()
    {
        CustomCDC cdc(nullptr, nullptr);
        cdc.identifying = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        QByteArray answer("e");
        for (int i = 0; i < 20; ++i)
            answer.append(char(i + 1));
        d.processChunk(answer);
        QCOMPARE(r.motorParams.size(), 1);
        QCOMPARE(r.motorParams[0], answer.mid(1));
        QVERIFY(!cdc.identifying);
    }

    void requestTimeouts_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("passes");
        QTest::newRow("register read") << "read" << 64;
        QTest::newRow("register write") << "write" << 64;
        QTest::newRow("version read") << "version" << 64;
        QTest::newRow("identification") << "identify" << 1501;
    }

    void requestTimeouts()
    {
        QFETCH(QString, flag);
        QFETCH(int, passes);
        CustomCDC cdc(nullptr, nullptr);
        std::atomic_bool &f = flag == "read" ? cdc.paramReading
                              : flag == "write" ? cdc.paramWriting
                              : flag == "version" ? cdc.versionReading
                                                  : cdc.identifying;
        f = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk("U"); // some bytes, but never a complete answer
        FakeSource src;
        for (int i = 0; i < passes - 1; ++i)
            d.pass(src, false);
        QVERIFY(r.messages.isEmpty());
        QVERIFY(f);
        d.pass(src, false);
        QCOMPARE(r.messages, QList<int>{6});
        QVERIFY(!f);
        QVERIFY(d.pendingAnswer().isEmpty());
        QCOMPARE(d.ticks(), 0);
    }

    void upgradeReplies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asFrame");
        QTest::addColumn<int>("nextFrames");
        QTest::addColumn<QList<bool>>("locks");
        QTest::newRow("OK alone") << QByteArray("OK") << false << 1 << QList<bool>{};
        QTest::newRow("complete") << QByteArray("update complete") << false << 0 << QList<bool>{false};
        QTest::newRow("plain text") << QByteArray("hello") << false << 0 << QList<bool>{};
        QTest::newRow("OK in a frame") << QByteArray("OK") << true << 1 << QList<bool>{};
        QTest::newRow("ERROR in a frame") << QByteArray("ERROR") << true << 0 << QList<bool>{false};
    }

    void upgradeReplies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asFrame);
        QFETCH(int, nextFrames);
        QFETCH(QList<bool>, locks);
        CustomCDC cdc(nullptr, nullptr);
        cdc.upgradeSending = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(asFrame ? rxFrame(0x1, bytes) : bytes);
        QCOMPARE(r.nextFrames, nextFrames);
        QCOMPARE(r.locks, locks);
        QCOMPARE(terminalText(r), bytes);
        QCOMPARE(bool(cdc.upgradeSending), !bytes.contains("complete"));
    }

    void framesInUpgradeModeAreNotCanTraffic()
    {
        CustomCDC cdc(nullptr, nullptr);
        cdc.upgradeMode = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(rxFrame(0x1, "\x01"));
        QVERIFY(r.frames.isEmpty());
        QCOMPARE(r.rxCounts, 1);
    }

    void bootloaderHandshake_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QList<int>>("messages");
        QTest::newRow("bootloader answers") << QList<QByteArray>{"Aupgrade ready"} << true << QList<int>{};
        QTest::newRow("other bootloader text") << QList<QByteArray>{"Enter Bootloader"} << true << QList<int>{};
        QTest::newRow("wrong answer") << QList<QByteArray>{"nonsense"} << false << QList<int>{2};
        QTest::newRow("no answer") << QList<QByteArray>{} << false << QList<int>{2};
    }

    void bootloaderHandshake()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(bool, started);
        QFETCH(QList<int>, messages);
        CustomCDC cdc(nullptr, nullptr);
        cdc.bootWaitSerial = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        FakeSource src;
        src.chunks = chunks;
        d.pass(src, false);
        QVERIFY(!cdc.bootWaitSerial);
        QCOMPARE(bool(cdc.upgradeMode), started);
        QCOMPARE(r.upgradeStarts, started ? 1 : 0);
        QCOMPARE(r.nextFrames, started ? 1 : 0);
        QCOMPARE(r.messages, messages);
        if (chunks.isEmpty())
            QVERIFY(src.sleptMs >= 100 + 511 * 10); // waited about five seconds
    }

    void stalledTransferFails_data()
    {
        QTest::addColumn<bool>("usb");
        QTest::addColumn<int>("passes");
        QTest::newRow("serial") << false << 512;
        QTest::newRow("usb") << true << 112;
    }

    void stalledTransferFails()
    {
        QFETCH(bool, usb);
        QFETCH(int, passes);
        CustomCDC cdc(nullptr, nullptr);
        cdc.upgradeSending = true;
        cdc.upgradeMode = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        FakeSource src;
        for (int i = 0; i < passes - 1; ++i)
            d.pass(src, usb);
        QVERIFY(r.messages.isEmpty());
        d.pass(src, usb);
        QCOMPARE(r.messages, QList<int>{11});
        QCOMPARE(r.progress, QList<int>{0});
        QCOMPARE(r.locks, QList<bool>{false});
        QVERIFY(!cdc.upgradeMode && !cdc.upgradeSending);
    }

    void exclusiveActivitiesSkipThePass_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("harmonic analysis") << "harmonic" << true;
        QTest::newRow("motor-side handshake") << "handshake" << true;
        QTest::newRow("table download") << "table" << true;
        QTest::newRow("both streams") << "both" << true;
        QTest::newRow("one stream only") << "motorStream" << false;
    }

    void exclusiveActivitiesSkipThePass()
    {
        QFETCH(QString, flags);
        QFETCH(bool, skipped);
        CustomCDC cdc(nullptr, nullptr);
        if (flags == "harmonic")
            cdc.harmonicAnalysis = true;
        if (flags == "handshake")
            cdc.motorSideHandshake = true;
        if (flags == "table")
            cdc.tableSending = true;
        if (flags == "both" || flags == "motorStream")
            cdc.motorSideStreaming = true;
        if (flags == "both")
            cdc.outputShaftStreaming = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        FakeSource src;
        src.chunks << "text";
        d.pass(src, false);
        QCOMPARE(src.chunks.size(), skipped ? 1 : 0);
        QCOMPARE(r.terminal.isEmpty(), skipped);
    }
};

QTEST_GUILESS_MAIN(TestReceiveDispatcher)
#include "tst_receivedispatcher.moc"
