// The serial receive dispatcher: frames versus console bytes, answers to pending
// requests, time-outs, and frames split between reads.
#include "link/serial/receiveSteering.h"
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
    QList<QByteArray> offered; // bytes offered to the firmware upgrade, "frame:" marks frame data
    bool upgradeTakes = false;

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
        ev.upgradeReply = [this](const QByteArray &b, bool fromFrame, quint32) {
            offered << (fromFrame ? "frame:" + b : b);
            return upgradeTakes;
        };
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
        ReceiveSteering cdc;
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
        ReceiveSteering cdc;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        const QByteArray f1 = rxFrame(0x7FF, "ABCDEFGH"), f2 = rxFrame(0x123, "xy");
        const QByteArray stream = f1 + f2;
        FakeSource src;
        src.chunks << stream.left(16 + cut) << stream.mid(16 + cut);
        d.pass(src);
        QCOMPARE(r.frames.size(), 2);
        QCOMPARE(r.frames[1], f2);
        QVERIFY2(r.terminal.isEmpty(), terminalText(r).toHex(' ').constData());
        QCOMPARE(r.rxCounts, 2);
    }

    void frameSplitOverSeparatePasses()
    {
        ReceiveSteering cdc;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        const QByteArray f = rxFrame(0x55, "\x10\x20\x30");
        FakeSource src;
        src.chunks << f.left(5);
        d.pass(src);
        QVERIFY(r.frames.isEmpty());
        QCOMPARE(d.heldTail(), f.left(5));
        src.chunks << f.mid(5);
        d.pass(src);
        QCOMPARE(r.frames, QList<QByteArray>{f});
        QVERIFY(r.terminal.isEmpty());
    }

    void consoleTextEndingInFrameHeadIsReleasedAfterARead()
    {
        ReceiveSteering cdc;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.setTailHoldReads(0);
        FakeSource src;
        const QByteArray text = QByteArray("value=") + char(0xAA);
        src.chunks << text;
        d.pass(src);
        QCOMPARE(terminalText(r), QByteArray("value="));
        // A read that brings nothing more: the held 0xAA is ordinary text.
        src.readCount += 1;
        d.pass(src);
        QCOMPARE(terminalText(r), text);
        QVERIFY(d.heldTail().isEmpty());
        QVERIFY(r.frames.isEmpty());
    }

    // A stalled reader finds the rest of the frame later: wall time without reads never
    // gives the held bytes up, only reads that found nothing do.
    void heldTailWaitsForReadsNotTime()
    {
        ReceiveSteering cdc;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.setTailHoldReads(3);
        FakeSource src;
        const QByteArray f = rxFrame(0x42, "\x01");
        src.chunks << f.left(3);
        d.pass(src);
        QTest::qWait(100);
        d.pass(src);
        src.readCount = 3; // the bytes may have come with read 1, counted only later
        d.pass(src);
        QVERIFY(r.terminal.isEmpty());
        src.readCount = 4;
        d.pass(src);
        QCOMPARE(terminalText(r), f.left(3));
    }

    // Bytes held before a console request went out are no part of its answer.
    void tailHeldBeforeARequestStaysOutOfTheAnswer()
    {
        ReceiveSteering cdc;
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
        ReceiveSteering cdc;
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
        ReceiveSteering cdc;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        FakeSource src;
        src.chunks << QByteArray(1, char(0xAA)) + "abc";
        d.pass(src);
        // 16 bytes later there is no 0x55: the bytes are text, in order.
        src.chunks << "defghijklmnopqrstu";
        d.pass(src);
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
        ReceiveSteering cdc;
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
        d.pass(src);
        d.pass(src); // an awaited answer is never held back
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
        ReceiveSteering cdc;
        cdc.paramWriting = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(answer);
        QCOMPARE(r.messages, messages);
        QCOMPARE(bool(cdc.paramWriting), answer.size() < 3);
    }

    void versionAnswer()
    {
        ReceiveSteering cdc;
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
        ReceiveSteering cdc;
        cdc.versionReading = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk("xxxxxxxxx");
        QCOMPARE(r.messages, QList<int>{2});
        QVERIFY(r.versions.isEmpty());
    }

    void identificationAnswer()
    {
        ReceiveSteering cdc;
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
        ReceiveSteering cdc;
        std::atomic_bool &f = flag == "read" ? cdc.paramReading
                              : flag == "write" ? cdc.paramWriting
                              : flag == "version" ? cdc.versionReading
                                                  : cdc.identifying;
        f = true;
        cdc.versionMode = flag == "version"; // as a CAN version read sets it
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk("U"); // some bytes, but never a complete answer
        FakeSource src;
        for (int i = 0; i < passes - 1; ++i)
            d.pass(src);
        QVERIFY(r.messages.isEmpty());
        QVERIFY(f);
        d.pass(src);
        QCOMPARE(r.messages, QList<int>{6});
        QVERIFY(!f);
        // Late register replies must not be counted as versions.
        QVERIFY(!cdc.versionMode);
        QVERIFY(d.pendingAnswer().isEmpty());
        QCOMPARE(d.ticks(), 0);
    }

    void upgradeReplies_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<bool>("takes");
        QTest::addColumn<QList<QByteArray>>("offered");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("console text, offered and shown")
            << QByteArray("OK\r\n") << true << QList<QByteArray>{"OK\r\n"} << QByteArray("OK\r\n");
        QTest::newRow("console text not taken is still terminal text")
            << QByteArray("hello") << false << QList<QByteArray>{"hello"} << QByteArray("hello");
        QTest::newRow("received frame: its data only")
            << rxFrame(0x11, "complete") << true << QList<QByteArray>{"frame:complete"} << QByteArray("complete");
        QTest::newRow("received frame not taken stays off the terminal")
            << rxFrame(0x11, "OK") << false << QList<QByteArray>{"frame:OK"} << QByteArray();
        QTest::newRow("an ID spelling OK is no answer")
            << rxFrame(0x4B4F, "\x01") << true << QList<QByteArray>{"frame:\x01"} << QByteArray("\x01");
        QTest::newRow("the adapter's confirmation of a sent frame is never offered")
            << rxFrame(0x01, "OK", 0x12) << true << QList<QByteArray>{} << QByteArray();
    }

    void upgradeReplies()
    {
        QFETCH(QByteArray, chunk);
        QFETCH(bool, takes);
        QFETCH(QList<QByteArray>, offered);
        QFETCH(QByteArray, shown);
        ReceiveSteering cdc;
        Recorder r;
        r.upgradeTakes = takes;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(chunk);
        QCOMPARE(r.offered, offered);
        QCOMPARE(terminalText(r), shown);
    }

    void framesInUpgradeModeAreNotCanTraffic()
    {
        ReceiveSteering cdc;
        cdc.upgradeMode = true;
        Recorder r;
        ReceiveDispatcher d(&cdc, r.events());
        d.processChunk(rxFrame(0x1, "\x01"));
        QVERIFY(r.frames.isEmpty());
        QCOMPARE(r.rxCounts, 1);
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
        ReceiveSteering cdc;
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
        d.pass(src);
        QCOMPARE(src.chunks.size(), skipped ? 1 : 0);
        QCOMPARE(r.terminal.isEmpty(), skipped);
    }
};

QTEST_GUILESS_MAIN(TestReceiveDispatcher)
#include "tst_receivedispatcher.moc"
