#include "can/canTxModel.h"
#include "can/canTxRecord.h"
#include "link/serial/baudLists.h"
#include "link/serial/customFIFO.h"
#include "link/serial/protocolFormat.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include "byteHelpers.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

// Counts live new[] blocks so that the FIFO tests can tell whether records leak.
static std::atomic<long long> g_liveArrays{0};

void *operator new[](std::size_t n)
{
    void *p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    ++g_liveArrays;
    return p;
}
void operator delete[](void *p) noexcept
{
    if (!p)
        return;
    --g_liveArrays;
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept { operator delete[](p); }

namespace {


// A well-formed 16-byte receive frame with a recognisable body.
QByteArray rxFrame(uint8_t code, uint32_t id, uint8_t fill)
{
    QByteArray f(16, char(fill));
    f[0] = char(0xAA);
    f[1] = char(code);
    f[2] = 8;
    f[3] = char(id);
    f[4] = char(id >> 8);
    f[5] = char(id >> 16);
    f[6] = char(id >> 24);
    f[15] = char(0x55);
    return f;
}

uint8_t *newRecord(uint32_t seq)
{
    auto *r = new uint8_t[8];
    std::memcpy(r, &seq, sizeof seq);
    return r;
}

uint32_t recordSeq(const uint8_t *r)
{
    uint32_t seq;
    std::memcpy(&seq, r, sizeof seq);
    return seq;
}

class FrameEmitter : public QObject
{
    Q_OBJECT
signals:
    void frame(CAN_Frame f);
};

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void crc8_data();
    void crc8();
    void fillCANFrame_layout_data();
    void fillCANFrame_layout();
    void fillCANFrame_settingsFollowModel_data();
    void fillCANFrame_settingsFollowModel();
    void isCANFrame_data();
    void isCANFrame();
    void byteArrayToCANFrame_fields();
    void canFrame_crossesQueuedConnection();
    void adapterRequests();
    void package_layout();
    void canidConvention_data();
    void canidConvention();
    void statusText_data();
    void statusText();

    void fifo_fillRefuseAndRecover();
    void fifo_orderLengthAndEmpty();
    void fifo_deinitAndInitRelease();
    void fifo_concurrentWriterReader();
};

void TestFrames::crc8_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");

    // Published check value of CRC-8/MAXIM.
    QTest::newRow("check 123456789") << QByteArray("123456789") << 9 << 0xA1;
    QTest::newRow("one byte 0x01") << bytes({0x01}) << 1 << 0x5E;
    QTest::newRow("empty") << QByteArray() << 0 << 0;
    QTest::newRow("length beyond array is clamped") << QByteArray("123456789") << 100 << 0xA1;
    QTest::newRow("negative length") << QByteArray("123456789") << -3 << 0;
    QTest::newRow("prefix only") << QByteArray("123456789xyz") << 9 << 0xA1;
}

void TestFrames::crc8()
{
    QFETCH(QByteArray, input);
    QFETCH(int, length);
    QFETCH(int, expected);
    QCOMPARE(CRC_8(input, length), expected);
    if (length >= 0 && length <= input.size())
        QCOMPARE(CRC_8(reinterpret_cast<const uint8_t *>(input.constData()), length), expected);
}

void TestFrames::fillCANFrame_layout_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<uint>("cmd");
    QTest::addColumn<uint>("canId");
    QTest::addColumn<uint>("sendTimes");
    QTest::addColumn<uint>("interval");
    QTest::addColumn<QByteArray>("expectedData");   // bytes 21..28

    QTest::newRow("3 bytes on 0x001") << bytes({1, 2, 3}) << 1u << 0x001u << 1u << 1u
                                      << bytes({1, 2, 3, 0, 0, 0, 0, 0});
    QTest::newRow("more than 8 bytes") << QByteArray("ABCDEFGHIJKL") << 1u << 0x7FFu << 1u << 1u
                                       << QByteArray("ABCDEFGH");
    QTest::newRow("no data") << QByteArray() << 1u << 0x123u << 1u << 1u << QByteArray(8, '\0');
    QTest::newRow("firmware cmd, wide id") << bytes({0xFF, 0xFE}) << 3u << 0x1ABCDEF0u << 7u << 25u
                                           << bytes({0xFF, 0xFE, 0, 0, 0, 0, 0, 0});
}

void TestFrames::fillCANFrame_layout()
{
    QFETCH(QByteArray, data);
    QFETCH(uint, cmd);
    QFETCH(uint, canId);
    QFETCH(uint, sendTimes);
    QFETCH(uint, interval);
    QFETCH(QByteArray, expectedData);

    CANTxModel model;
    model.setCanIdType(canId > 0x7FF ? 1 : 0); // a 29-bit ID needs an extended frame
    QByteArray frame(100, char(0x77)); // stale content must not survive
    QVERIFY(fillCANFrame(data, model, frame, uint8_t(cmd), canId, sendTimes, interval));

    QCOMPARE(frame.size(), 30);
    const auto *p = reinterpret_cast<const uint8_t *>(frame.constData());
    QCOMPARE(p[0], uint8_t(0x55));
    QCOMPARE(p[1], uint8_t(0xAA));
    QCOMPARE(p[2], uint8_t(30));
    QCOMPARE(p[3], uint8_t(cmd));
    QCOMPARE(qFromLittleEndian<quint32>(p + 4), sendTimes);
    QCOMPARE(qFromLittleEndian<quint32>(p + 8), interval * 10);
    QCOMPARE(qFromLittleEndian<quint32>(p + 13), canId);
    QCOMPARE(int(p[18]), qMin(int(data.size()), 8));
    QCOMPARE(frame.mid(21, 8), expectedData);

    // The receiver's check: CRC over bytes 0..28 followed by one zero byte.
    QByteArray check = frame.left(29);
    check.append('\0');
    QCOMPARE(int(p[29]), CRC_8(check));
}

void TestFrames::fillCANFrame_settingsFollowModel_data()
{
    QTest::addColumn<int>("idType");
    QTest::addColumn<int>("frameType");
    QTest::addColumn<bool>("idAcc");
    QTest::addColumn<bool>("dataAcc");

    QTest::newRow("defaults") << 0 << 0 << false << false;
    QTest::newRow("extended") << 1 << 0 << false << false;
    QTest::newRow("remote") << 0 << 1 << false << false;
    QTest::newRow("id acc") << 0 << 0 << true << false;
    QTest::newRow("data acc") << 0 << 0 << false << true;
    QTest::newRow("all set") << 1 << 1 << true << true;
}

void TestFrames::fillCANFrame_settingsFollowModel()
{
    QFETCH(int, idType);
    QFETCH(int, frameType);
    QFETCH(bool, idAcc);
    QFETCH(bool, dataAcc);

    CANTxModel model;
    QByteArray frame;
    fillCANFrame(bytes({1}), model, frame, 1, 5, 1, 1);
    const int crcBefore = uint8_t(frame[29]);

    model.setCanIdType(uint8_t(idType));
    model.setCanFrameType(uint8_t(frameType));
    model.setIdAcc(idAcc);
    model.setDataAcc(dataAcc);
    fillCANFrame(bytes({1}), model, frame, 1, 5, 1, 1);

    QCOMPARE(int(uint8_t(frame[12])), idType);
    QCOMPARE(int(uint8_t(frame[17])), frameType);
    QCOMPARE(int(uint8_t(frame[19])), idAcc ? 1 : 0);
    QCOMPARE(int(uint8_t(frame[20])), dataAcc ? 1 : 0);
    const bool anySet = idType || frameType || idAcc || dataAcc;
    QCOMPARE(int(uint8_t(frame[29])) != crcBefore, anySet);
}

void TestFrames::isCANFrame_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QByteArray>("rest");

    const QByteArray f1 = rxFrame(0x11, 0x101, 0x01);
    const QByteArray f2 = rxFrame(0x11, 0x102, 0x02);

    QTest::newRow("exact frame") << f1 << 0 << QList<int>{0} << QByteArray();
    QTest::newRow("OK then frame") << (QByteArray("OK") + f1) << 0 << QList<int>{2} << QByteArray("OK");
    QTest::newRow("trailing 0xAA, fewer than 15 after")
        << (QByteArray("xy") + bytes({0xAA, 1, 2, 3, 0x55})) << 0 << QList<int>{}
        << (QByteArray("xy") + bytes({0xAA, 1, 2, 3, 0x55}));
    QTest::newRow("frame cut one byte short") << f1.left(15) << 0 << QList<int>{} << f1.left(15);
    QTest::newRow("two frames with text between")
        << (f1 + QByteArray("hi") + f2) << 0 << QList<int>{0, 18} << QByteArray("hi");
    QTest::newRow("0xAA inside text") << (QByteArray("ab") + bytes({0xAA}) + QByteArray("cdefghijklmnopqrstu"))
                                      << 0 << QList<int>{}
                                      << (QByteArray("ab") + bytes({0xAA}) + QByteArray("cdefghijklmnopqrstu"));
    // Recognition looks at the first and last byte only, so text can look like a frame.
    QTest::newRow("text that happens to be framed")
        << (bytes({0xAA}) + QByteArray("fourteen bytes") + bytes({0x55}) + QByteArray("z")) << 0
        << QList<int>{0} << QByteArray("z");
    QTest::newRow("0xAA followed by a frame")
        << (bytes({0xAA}) + f1) << 0 << QList<int>{1} << bytes({0xAA});
    QTest::newRow("start index skips the head") << (QByteArray("abc") + f1) << 3 << QList<int>{3} << QByteArray();
    QTest::newRow("start index inside a frame")
        << f1 << 1 << QList<int>{} << f1.mid(1);
    QTest::newRow("empty") << QByteArray() << 0 << QList<int>{} << QByteArray();
}

void TestFrames::isCANFrame()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, start);
    QFETCH(QList<int>, positions);
    QFETCH(QByteArray, rest);

    QList<int> gotPositions{-7};        // the function appends, never clears
    QByteArray gotRest("<");
    const int end = ::isCANFrame(buffer, start, gotPositions, gotRest);

    QCOMPARE(end, int(buffer.size()));
    QCOMPARE(gotPositions, QList<int>{-7} + positions);
    QCOMPARE(gotRest, QByteArray("<") + rest);
}

void TestFrames::byteArrayToCANFrame_fields()
{
    const QByteArray in = bytes({0xAA, 0x12, 0xC5, 0x78, 0x56, 0x34, 0x12,
                                 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x55, 0x99});
    const CAN_Frame f = byteArrayToCANFrame(in);
    QCOMPARE(f.head, uint8_t(0xAA));
    QCOMPARE(f.code, uint8_t(0x12));
    QCOMPARE(f.info, uint8_t(0xC5));
    QCOMPARE(f.id, 0x12345678u);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(int(f.data[i]), 0x10 + i);
    QCOMPARE(f.tail, uint8_t(0x55));
    QCOMPARE(f.dataLength(), 5);
    QVERIFY(f.isExtended());
    QVERIFY(f.isRemote());

    const CAN_Frame cut = byteArrayToCANFrame(in.left(15));
    QCOMPARE(cut.head, uint8_t(0));
    QCOMPARE(cut.id, 0u);
}

void TestFrames::canFrame_crossesQueuedConnection()
{
    QVERIFY(QMetaType::fromName("CAN_Frame").isValid());

    QThread worker;
    FrameEmitter emitter;
    emitter.moveToThread(&worker);
    worker.start();

    CAN_Frame received;
    int count = 0;
    QObject receiver;
    connect(&emitter, &FrameEmitter::frame, &receiver, [&](CAN_Frame f) {
        received = f;
        ++count;
    }, Qt::QueuedConnection);

    QMetaObject::invokeMethod(&emitter, [&emitter] {
        emit emitter.frame(byteArrayToCANFrame(rxFrame(0x12, 0x7FF, 0x42)));
    });
    QTRY_COMPARE(count, 1);
    QCOMPARE(received.code, uint8_t(0x12));
    QCOMPARE(received.id, 0x7FFu);
    QCOMPARE(received.data[3], uint8_t(0x42));
    worker.quit();
    worker.wait();
}

void TestFrames::adapterRequests()
{
    QCOMPARE(baudSetRequest(0), bytes({0x55, 0x05, 0x00, 0xAA, 0x55}));
    QCOMPARE(baudSetRequest(canBaudIndexOf(500)), bytes({0x55, 0x05, 0x03, 0xAA, 0x55}));
    QCOMPARE(baudSetRequest(canBaudIndexOf(5)), bytes({0x55, 0x05, 0x0D, 0xAA, 0x55}));
    // An empty combo box reports -1; nothing must go to the adapter then.
    QVERIFY(baudSetRequest(-1).isEmpty());
    QVERIFY(baudSetRequest(CANBaudCount).isEmpty());
    QCOMPARE(canBaudIndexOf(123), -1);
    QCOMPARE(stopSendRequest(), bytes({0x55, 0x03, 0xAA, 0x55}));
}

void TestFrames::package_layout()
{
    QByteArray data(8192, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + 3) & 0xFF);

    const QByteArray pkt = package(data, 0x2A);
    QCOMPARE(pkt.size(), 8198);
    QCOMPARE(pkt.left(5), bytes({0x23, 0x2A, 0x23, 0x00, 0x20}));
    QCOMPARE(pkt.mid(5, 8192), data);
    QCOMPARE(int(uint8_t(pkt.back())), CRC_8(data));
    // The CRC covers the data only, not the header.
    QVERIFY(int(uint8_t(pkt.back())) != CRC_8(pkt.left(pkt.size() - 1)));

    const QByteArray small = package(bytes({1, 2, 3}), 0);
    QCOMPARE(small, bytes({0x23, 0x00, 0x23, 3, 0, 1, 2, 3}) + QByteArray(1, char(CRC_8(bytes({1, 2, 3})))));
    QCOMPARE(package(QByteArray(), 5), bytes({0x23, 5, 0x23, 0, 0, 0}));
    QCOMPARE(package(QByteArray(0xFFFF, 'x'), 1).size(), 0xFFFF + 6);
    // One more byte would not fit the 16-bit length field.
    QVERIFY(package(QByteArray(0x10000, 'x'), 1).isEmpty());
}

void TestFrames::canidConvention_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("expected");

    QTest::newRow("mode 0") << 0x1234u << 0 << 0x234u;
    QTest::newRow("mode 1 cuts to 11 bits") << 0x1234u << 1 << 0x334u;
    QTest::newRow("mode 2") << 0x05u << 2 << 0x205u;
    QTest::newRow("mode 3") << 0x05u << 3 << 0x305u;
    QTest::newRow("mode 3 top id") << 0x7FFu << 3 << 0xAFFu;
    QTest::newRow("mode 4 unchanged") << 0x1234u << 4 << 0x1234u;
    QTest::newRow("negative mode unchanged") << 0x1234u << -1 << 0x1234u;
}

void TestFrames::canidConvention()
{
    QFETCH(uint, id);
    QFETCH(int, mode);
    QFETCH(uint, expected);
    QCOMPARE(::canidConvention(id, mode), expected);
}

void TestFrames::statusText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    const QString position = QStringLiteral("位置命令");
    for (int code = 0; code <= 0x20; ++code) {
        int index = 7;
        QString text = position;
        switch (code) {
        case 0x00: index = 0; text = QStringLiteral("心跳数据"); break;
        case 0x01: index = 1; text = QStringLiteral("接收失败"); break;
        case 0x02: index = 3; text = QStringLiteral("发送失败"); break;
        case 0x03: index = 5; text = QStringLiteral("波特率设置失败"); break;
        case 0x11: index = 2; text = QStringLiteral("接收成功"); break;
        case 0x12: index = 4; text = QStringLiteral("发送成功"); break;
        case 0x13: index = 6; text = QStringLiteral("波特率设置成功"); break;
        default: break;
        }
        QTest::addRow("code 0x%02x", code) << code << index << text;
    }
    QTest::newRow("code 0xff") << 0xFF << 7 << position;
}

void TestFrames::statusText()
{
    QFETCH(int, code);
    QFETCH(int, index);
    QFETCH(QString, text);
    QCOMPARE(canStatusTextIndex(code), index);
    QCOMPARE(canStatusText(code), text);
}

void TestFrames::fifo_fillRefuseAndRecover()
{
    const long long liveBefore = g_liveArrays;
    {
        CustomFIFO fifo;
        const int usable = CustomFIFO::Capacity - 1;
        for (int i = 0; i < usable; ++i) {
            if (fifo.fifo_write(newRecord(uint32_t(i))))
                QFAIL(qPrintable(QString("write %1 refused before the ring was full").arg(i)));
        }
        QCOMPARE(fifo.fifo_get_length(), 2097151);

        uint8_t *extra = newRecord(0xFFFFFFFFu);
        QCOMPARE(fifo.fifo_write(extra), true);       // true = refused
        QCOMPARE(fifo.fifo_get_length(), 2097151);
        QCOMPARE(recordSeq(extra), 0xFFFFFFFFu);      // still the caller's, intact

        uint8_t *first = nullptr;
        QCOMPARE(fifo.fifo_read(&first), 0);
        QCOMPARE(recordSeq(first), 0u);
        delete[] first;

        QCOMPARE(fifo.fifo_write(extra), false);      // room again
        QCOMPARE(fifo.fifo_get_length(), 2097151);
        uint8_t *refused = newRecord(7);
        QCOMPARE(fifo.fifo_write(refused), true);
        delete[] refused;                             // the caller disposes of it
    }
    // The destructor released what the ring still held; nothing refused was stored.
    QCOMPARE(g_liveArrays.load(), liveBefore);
}

void TestFrames::fifo_orderLengthAndEmpty()
{
    CustomFIFO fifo;
    uint8_t sentinel = 0;
    uint8_t *out = &sentinel;
    QCOMPARE(fifo.fifo_read(&out), 2);
    QCOMPARE(out, &sentinel);                         // untouched when empty
    QCOMPARE(fifo.fifo_get_length(), 0);

    // Run the indices around the end of the slot array to check the wrap.
    for (int round = 0; round < 3; ++round) {
        for (uint32_t i = 0; i < 5; ++i)
            QCOMPARE(fifo.fifo_write(newRecord(i + 100 * uint32_t(round))), false);
        QCOMPARE(fifo.fifo_get_length(), 5);
        for (uint32_t i = 0; i < 5; ++i) {
            QCOMPARE(fifo.fifo_read(&out), 0);
            QCOMPARE(recordSeq(out), i + 100 * uint32_t(round));
            delete[] out;
            QCOMPARE(fifo.fifo_get_length(), int(4 - i));
        }
        QCOMPARE(fifo.fifo_read(&out), 2);
    }
}

void TestFrames::fifo_deinitAndInitRelease()
{
    const long long liveBefore = g_liveArrays;
    CustomFIFO fifo;
    for (uint32_t i = 0; i < 1000; ++i)
        QCOMPARE(fifo.fifo_write(newRecord(i)), false);
    QCOMPARE(g_liveArrays.load() - liveBefore, 1000 + 1);  // records + the slot array
    fifo.fifo_deinit();
    QCOMPARE(fifo.fifo_get_length(), 0);
    QCOMPARE(g_liveArrays.load() - liveBefore, 1);
    uint8_t *out = nullptr;
    QCOMPARE(fifo.fifo_read(&out), 2);

    for (uint32_t i = 0; i < 10; ++i)
        QCOMPARE(fifo.fifo_write(newRecord(i)), false);
    fifo.fifo_init();
    QCOMPARE(fifo.fifo_get_length(), 0);
    QCOMPARE(g_liveArrays.load() - liveBefore, 1);

    // Still usable after both.
    QCOMPARE(fifo.fifo_write(newRecord(42)), false);
    QCOMPARE(fifo.fifo_read(&out), 0);
    QCOMPARE(recordSeq(out), 42u);
    delete[] out;
}

void TestFrames::fifo_concurrentWriterReader()
{
    // The shared instance, as the USB receive and parse threads use it.
    fdcanFIFO.fifo_init();
    constexpr uint32_t total = 300000;
    std::atomic<uint32_t> refusals{0};

    std::thread writer([&] {
        for (uint32_t i = 0; i < total; ++i) {
            uint8_t *r = newRecord(i);
            while (fdcanFIFO.fifo_write(r)) {
                ++refusals;
                std::this_thread::yield();
            }
        }
    });

    uint32_t expected = 0;
    uint32_t outOfOrder = 0;
    while (expected < total) {
        uint8_t *r = nullptr;
        if (fdcanFIFO.fifo_read(&r) != 0) {
            std::this_thread::yield();
            continue;
        }
        if (recordSeq(r) != expected)
            ++outOfOrder;
        ++expected;
        delete[] r;
    }
    writer.join();

    QCOMPARE(outOfOrder, 0u);
    QCOMPARE(expected, total);
    QCOMPARE(fdcanFIFO.fifo_get_length(), 0);
    QCOMPARE(refusals.load(), 0u);   // far below capacity, so nothing may be refused
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
