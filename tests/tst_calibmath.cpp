// Calibration maths and record decoding without a device: rounding, the spline against
// SciPy, the motor-side and output-shaft tables, the download packets, the uploaded
// table, the checksums and the record stream decoder.
#include "calibration/calibrationCapture.h"
#include "calibration/calibrationMath.h"
#include "calibration/cubicSpline.h"
#include "procedures/customCDC.h"
#include "link/usb/crc.h"

#include <QFile>
#include <QtTest>

#include <cmath>
#include <cstring>

using namespace CalMath;

namespace {
float le32f(const QByteArray &b, int at)
{
    quint32 u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | quint8(b[at + i]);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

void putF(QByteArray &b, int at, float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(u >> (8 * i));
}

void putU16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}

// A motor-side long record.
QByteArray motorRecord(quint16 count, float refer = 1, quint8 head = 0x89)
{
    QByteArray r(21, '\0');
    r[0] = char(head);
    putF(r, 1, refer);
    putF(r, 5, refer - 0.1f);
    putF(r, 9, 0.1f);
    putU16(r, 13, 1234);
    putU16(r, 15, count);
    return r;
}

// An output-shaft long record with its CRC.
QByteArray shaftRecord(char type, float v3 = 0.5f, quint16 v5 = 1)
{
    QByteArray r(21, '\0');
    r[0] = type;
    putF(r, 1, 1.0f);
    putF(r, 5, -2.0f);
    putF(r, 9, v3);
    putU16(r, 13, 800);
    putU16(r, 15, v5);
    const quint32 crc = calculateCRC32(r.left(17));
    for (int i = 0; i < 4; ++i)
        r[17 + i] = char(crc >> (8 * i));
    return r;
}
} // namespace

class TestCalibMath : public QObject
{
    Q_OBJECT

private slots:
    void bankersRounding_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("digits");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.5 to even 0") << 0.5 << 0 << 0.0;
        QTest::newRow("1.5 to even 2") << 1.5 << 0 << 2.0;
        QTest::newRow("2.5 to even 2") << 2.5 << 0 << 2.0;
        QTest::newRow("-1.5 to even -2") << -1.5 << 0 << -2.0;
        QTest::newRow("-1.2 to nearest") << -1.2 << 0 << -1.0;
        QTest::newRow("2.6 to nearest") << 2.6 << 0 << 3.0;
        QTest::newRow("1.25 at one digit") << 1.25 << 1 << 1.2;
    }
    void bankersRounding()
    {
        QFETCH(double, x);
        QFETCH(int, digits);
        QFETCH(double, expected);
        QCOMPARE(roundBankers(x, digits), expected);
    }

    void checksums_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("crc16");
        QTest::addColumn<uint>("crc32");
        QTest::newRow("check string") << QByteArray("123456789") << 0xBB3Du << 0x0376E6E7u;
        QTest::newRow("empty") << QByteArray() << 0u << 0xFFFFFFFFu;
    }
    void checksums()
    {
        QFETCH(QByteArray, data);
        QFETCH(uint, crc16);
        QFETCH(uint, crc32);
        QCOMPARE(uint(CRC16_IBM(reinterpret_cast<const quint8 *>(data.constData()), quint32(data.size()))), crc16);
        QCOMPARE(uint(calculateCRC32(data)), crc32);
    }

    // Values of SciPy's natural cubic spline, computed once by tests/data/spline_reference.py.
    void splineMatchesScipy()
    {
        QFile f(QStringLiteral(ZK_SOURCE_DIR "/tests/data/spline_reference.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QHash<QString, QList<double>> row;
        QString name;
        int cases = 0;
        auto check = [&] {
            const CubicSpline sp = interpolateNatural(row["x"], row["y"]);
            QCOMPARE(row["t"].size(), row["s"].size());
            for (qsizetype i = 0; i < row["t"].size(); ++i) {
                const double got = sp.interpolate(row["t"][i]), want = row["s"][i];
                QVERIFY2(std::fabs(got - want) <= 1e-9 * std::max(1.0, std::fabs(want)),
                         qPrintable(QString("%1 at %2: %3 vs %4").arg(name).arg(row["t"][i]).arg(got).arg(want)));
            }
            ++cases;
        };
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine()).trimmed();
            if (line.startsWith("case ")) {
                if (!name.isEmpty())
                    check();
                name = line.mid(5);
                row.clear();
                continue;
            }
            QStringList parts = line.split(' ', Qt::SkipEmptyParts);
            const QString key = parts.takeFirst();
            for (const QString &p : parts)
                row[key] << p.toDouble();
        }
        check();
        QCOMPARE(cases, 4);

        // left of the first knot the spline holds the first value; one knot gives 0
        const CubicSpline sp = interpolateNatural({2.0, 0.0, 1.0}, {5.0, 1.0, 4.0});
        QCOMPARE(sp.interpolate(-3.0), 1.0);
        QCOMPARE(interpolateNatural({1.0}, {7.0}).interpolate(1.0), 0.0);
    }

    void motorErrorUnwrap_data()
    {
        QTest::addColumn<QList<float>>("err");
        QTest::addColumn<QList<float>>("expected");
        QTest::newRow("jump down by 2π") << QList<float>{3.1f, 3.12f, -3.15f, 3.13f}
                                         << QList<float>{3.1f, 3.12f, -3.15f + 6.28f, 3.13f};
        QTest::newRow("jump up by 2π") << QList<float>{-3.0f, 3.2f, -3.05f}
                                       << QList<float>{-3.0f, 3.2f - 6.28f, -3.05f};
        QTest::newRow("a step of 5 stays") << QList<float>{0.0f, 5.0f, 0.0f} << QList<float>{0.0f, 5.0f, 0.0f};
    }
    void motorErrorUnwrap()
    {
        QFETCH(QList<float>, err);
        QFETCH(QList<float>, expected);
        unwrapMotorError(err);
        QCOMPARE(err, expected);
    }

    // A constant error is all offset: the table stays flat.
    void constantErrorGivesFlatTable_data()
    {
        QTest::addColumn<int>("polePairs");
        QTest::addColumn<float>("error");
        QTest::addColumn<float>("elecOffset");
        QTest::newRow("P 1, 0.1 rad") << 1 << 0.1f << 0.1f;
        QTest::newRow("P 3, -0.3 rad") << 3 << -0.3f << -0.9f;
        // 21 × 0.3 = 6.3 rad, brought back into ±π
        QTest::newRow("P 21, 0.3 rad") << 21 << 0.3f << float(std::fmod(6.3, 6.2831855));
    }
    void constantErrorGivesFlatTable()
    {
        QFETCH(int, polePairs);
        QFETCH(float, error);
        QFETCH(float, elecOffset);
        const int Q = 256 * polePairs;
        QList<float> refer, real, err;
        QList<int> raw;
        for (int i = 0; i < 2 * Q; ++i) {
            const int pos = i < Q ? i + 1 : 2 * Q - 1 - i;
            const double ref = 2 * M_PI * pos / Q;
            double meas = std::fmod(ref - error + 4 * M_PI, 2 * M_PI);
            refer << float(ref);
            real << float(meas);
            err << error;
            raw << int(std::lround(meas / (2 * M_PI) * 16384)) % 16384;
        }
        const MotorCalibration r = calibrateMotorSide(refer, real, err, raw, polePairs);
        QVERIFY2(r.ok, qPrintable(r.problem));
        QCOMPARE(r.compTable.size(), 256);
        QVERIFY(std::fabs(r.elecOffset - elecOffset) < 1e-4f);
        QVERIFY(std::fabs(r.mechOffset - error) < 1e-5f);
        for (float t : r.compTable)
            QVERIFY2(std::fabs(t) < 0.05f, qPrintable(QString::number(t)));
        // the compensated forward readings fall onto the reference
        for (int i = 0; i < Q; ++i) {
            const float d = std::fmod(r.benefitCompensated[i] - float(refer[i] * 180 / M_PI) + 540.0f, 360.0f) - 180.0f;
            QVERIFY2(std::fabs(d) < 0.05f, qPrintable(QString("sample %1 off by %2°").arg(i).arg(d)));
        }
    }

    void motorCalibrationRefusesShortRuns()
    {
        const QList<float> few(100, 0.0f);
        QVERIFY(!calibrateMotorSide(few, few, few, QList<int>(100, 0), 1).ok);
        QVERIFY(!calibrateMotorSide(few, few, few, QList<int>(100, 0), 0).ok);
    }

    void tableInterpolation_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<float>("expected");
        QTest::newRow("16383 between entries 255 and 0") << 16383 << 10.0f + 63.0f / 64.0f * 10.0f;
        QTest::newRow("on entry 1") << 64 << 1.0f;
        QTest::newRow("half way to entry 2") << 96 << 1.5f;
    }
    void tableInterpolation()
    {
        QFETCH(int, raw);
        QFETCH(float, expected);
        QList<float> table(256);
        for (int i = 0; i < 256; ++i)
            table[i] = float(i);
        table[0] = 20;
        table[255] = 10;
        QCOMPARE(interpolateTable(table, raw), expected);
    }

    // Step 1: sample 7 is the zero position; every other sample is 2.5 entries ahead.
    void outputShaftTable_data()
    {
        QTest::addColumn<bool>("withJump");
        QTest::newRow("plain") << false;
        QTest::newRow("a 2π jump unwrapped") << true;
    }
    void outputShaftTable()
    {
        QFETCH(bool, withJump);
        const int n = 4096;
        const float ahead = float(2.5 * kShaftTwoPi / n);
        QList<float> a1(n, ahead), a2(n, 1.0f);
        a1[7] = 0;
        a2[7] = -1.0f;
        a2[9] = -0.5f;
        if (withJump)
            for (int t = 2000; t < n; ++t)
                a1[t] += float(kShaftTwoPi);
        const ShaftCalibration r = calibrateOutputShaft(a1, a2, 1);
        QVERIFY2(r.ok, qPrintable(r.problem));
        QCOMPARE(r.minIndex, 7);
        QCOMPARE(r.forward[0], quint16(0));
        QCOMPARE(r.forward[1], quint16(4093)); // −1.5 wrapped by 4095
        QCOMPARE(r.forward[2], quint16(4094));
        QCOMPARE(r.forward[3], quint16(0));
        QCOMPARE(r.forward[100], quint16(97));
        QCOMPARE(r.inverse[0], quint16(3));
        QCOMPARE(r.inverse[97], quint16(100));
        QCOMPARE(r.inverse[4093], quint16(1));
        QCOMPARE(r.inverse[4095], quint16(2)); // filled from the entry before
        QCOMPARE(r.roundTrip.size(), 4096);
        QVERIFY(r.outside.isEmpty());
        QVERIFY(!calibrateOutputShaft(a1.mid(0, 4000), a2, 1).ok);
    }

    void downloadPackets()
    {
        QList<float> table;
        for (int i = 0; i < 256; ++i)
            table << i + 0.5f;
        const QList<QByteArray> m = motorTablePackets(table, 1.25f);
        QCOMPARE(m.size(), 18);
        for (int k = 0; k < 18; ++k) {
            QCOMPARE(m[k].size(), 64);
            QCOMPARE(m[k].left(2), QByteArray("Ud"));
            QCOMPARE(int(m[k][62]), k < 17 ? 16 : 2);
            QCOMPARE(int(m[k][63]), k);
        }
        QCOMPARE(le32f(m[0], 2), 0.5f);
        QCOMPARE(le32f(m[3], 2 + 4 * 14), 59.5f);
        QCOMPARE(le32f(m[16], 58), 254.5f);
        QCOMPARE(le32f(m[17], 2), 255.5f);
        QCOMPARE(le32f(m[17], 6), 1.25f);
        QCOMPARE(m[17].mid(10, 52), m[16].mid(10, 52)); // the reused tail

        QList<quint16> inv;
        for (int i = 0; i < 4097; ++i)
            inv << quint16(i * 7);
        const QList<QByteArray> s = outputShaftPackets(inv);
        QCOMPARE(s.size(), 137);
        QCOMPARE(s[0].left(6), QByteArray("UM\x00\x00\x07\x00", 6));
        QCOMPARE(int(s[0][62]), 30);
        QCOMPARE(quint8(s[136][63]), quint8(136));
        QCOMPARE(int(s[136][62]), 16);
        const int e4095 = 4095 * 7;
        QCOMPARE(quint8(s[136][32]), quint8(e4095 & 0xFF));
        QCOMPARE(quint8(s[136][33]), quint8(e4095 >> 8));
        QCOMPARE(s[136].mid(34, 28), s[135].mid(34, 28));
    }

    void printedTable()
    {
        const QString t = compensationTableText("H\n\n", {0.5f, -12.25f}, 0.1f, 0, 0, 3, 16383);
        QCOMPARE(t, QString("H\n\n0.500000  \n-12.250000\neoffset\n\n0.100000  \nraw_offset\n\n0\nind\n\n0\n"
                            "_raw_f\n\n3\n_raw_b\n\n16383\n"));
    }

    void uploadedTable_data()
    {
        QTest::addColumn<char>("head");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("ok");
        QTest::newRow("H") << 'H' << 1026 << true;
        QTest::newRow("I") << 'I' << 1026 << true;
        QTest::newRow("wrong first byte") << 'X' << 1026 << false;
        QTest::newRow("short") << 'H' << 1000 << false;
    }
    void uploadedTable()
    {
        QFETCH(char, head);
        QFETCH(int, size);
        QFETCH(bool, ok);
        QByteArray b(size, '\0');
        b[0] = head;
        for (int i = 0; i < 256 && 5 + 4 * i <= size; ++i)
            putF(b, 1 + 4 * i, i * 0.25f);
        QList<float> table{42};
        QCOMPARE(parseCompensationUpload(b, &table), ok);
        QCOMPARE(table.size(), ok ? 256 : 1);
        if (ok)
            QCOMPARE(table[255], 63.75f);
    }

    // The decoder: what each record does to the run.
    void recordStream_data()
    {
        QTest::addColumn<bool>("motorSide");
        QTest::addColumn<bool>("shortRecords");
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<QList<int>>("messages");
        QTest::addColumn<int>("samples");     // entries in the first channel
        QTest::addColumn<bool>("streaming");  // still streaming afterwards
        QTest::addColumn<QString>("events");  // table / result / sweep, in order
        QTest::newRow("motor side in order")
            << true << false << QList<QByteArray>{motorRecord(0), motorRecord(1), motorRecord(2)} << QList<int>{}
            << 3 << true << QString();
        QTest::newRow("motor side, count one ahead")
            << true << false << QList<QByteArray>{motorRecord(0), motorRecord(2), motorRecord(2)} << QList<int>{6}
            << 1 << false << QString();
        QTest::newRow("motor side, wrong head")
            << true << false << QList<QByteArray>{motorRecord(0, 1, 0x88)} << QList<int>{6} << 0 << false << QString();
        QByteArray d(9, '\0');
        d[0] = 'd';
        QByteArray f(9, '\0');
        f[0] = 'F';
        QTest::newRow("motor side short, F announces the table")
            << true << true << QList<QByteArray>{d, d, f, d} << QList<int>{} << 2 << false << QString("table");
        QByteArray flipped = shaftRecord('h');
        flipped[3] = char(flipped[3] ^ 0x10);
        QTest::newRow("output shaft, one flipped bit")
            << false << false << QList<QByteArray>{shaftRecord('h'), flipped, shaftRecord('h')} << QList<int>{6} << 1
            << false << QString();
        QTest::newRow("output shaft sweep")
            << false << false
            << QList<QByteArray>{shaftRecord('h'), shaftRecord('J', 0, 1), shaftRecord('H'), shaftRecord('Z'),
                                 QByteArray("done")}
            << QList<int>{} << 2 << false << QString("sweep text:done result");
        QTest::newRow("output shaft, unknown type")
            << false << false << QList<QByteArray>{shaftRecord('q')} << QList<int>{6} << 0 << false << QString();
        QByteArray first(14, '\0'), next(13, '\0'), v(13, '\0');
        first[0] = first[13] = next[0] = 'h';
        v[0] = 'v';
        QTest::newRow("output shaft short: 14-byte first record, then v")
            << false << true << QList<QByteArray>{first, next, v} << QList<int>{} << 2 << false << QString("table");
    }
    void recordStream()
    {
        QFETCH(bool, motorSide);
        QFETCH(bool, shortRecords);
        QFETCH(QList<QByteArray>, records);
        QFETCH(QList<int>, messages);
        QFETCH(int, samples);
        QFETCH(bool, streaming);
        QFETCH(QString, events);

        CustomCDC link;
        (motorSide ? link.motorSideStreaming : link.outputShaftStreaming) = true;
        link.shortRecords = shortRecords;
        link.calRecordQueue = records;
        QList<int> shown;
        QStringList seen;
        CalibrationCapture::Events ev;
        ev.message = [&](int c) { shown << c; };
        ev.compensationTable = [&] { seen << "table"; };
        ev.outputShaftResult = [&] { seen << "result"; };
        ev.sweepStarted = [&] { seen << "sweep"; };
        ev.text = [&](const QString &t) {
            if (!motorSide)
                seen << "text:" + t;
        };
        CalibrationCapture cap(&link, ev);
        cap.polePairs = 1;
        cap.decodePending([] { return true; });
        QCOMPARE(shown, messages);
        QCOMPARE(bool(motorSide ? link.motorSideStreaming : link.outputShaftStreaming), streaming);
        QCOMPARE(seen.join(' '), events);
        // the snapshot follows the mode of the run
        link.motorSideStreaming = motorSide;
        link.outputShaftStreaming = !motorSide;
        QCOMPARE(cap.takeSnapshot().channels.value(0).size(), samples);
        QCOMPARE(bool(link.compTableExpected), events == "table");
    }

    void motorSideEndsAtPolePairsTimes512()
    {
        CustomCDC link;
        link.motorSideStreaming = true;
        CalibrationCapture cap(&link);
        cap.polePairs = 2;
        for (int i = 0; i < 1023; ++i)
            link.calRecordQueue << motorRecord(quint16(i));
        cap.decodePending([] { return true; });
        QVERIFY(!cap.takeSnapshot().motorSideComplete);
        link.calRecordQueue << motorRecord(1023);
        cap.decodePending([] { return true; });
        const auto snap = cap.takeSnapshot();
        QCOMPARE(snap.frameCount, 1024);
        QVERIFY(snap.motorSideComplete);
        QCOMPARE(cap.rawCounts().size(), 1024);
    }
};

QTEST_GUILESS_MAIN(TestCalibMath)
#include "tst_calibmath.moc"
