// Firmware update of the USB FDCAN adapter: sectors, progress, refusals, the end
// command, and the adapter's state reply.
#include "link/usb/adapterFirmware.h"

#include "fakeFdcan.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestAdapterFirmware : public QObject
{
    Q_OBJECT

private slots:
    void upgrade_data();
    void upgrade();
    void stateReply_data();
    void stateReply();
};

void TestAdapterFirmware::upgrade_data()
{
    QTest::addColumn<int>("size"); // -1: no such file, -2: /dev/zero, -3: a named pipe
    QTest::addColumn<int>("refusePacket");
    QTest::addColumn<int>("refuseCode");
    QTest::addColumn<int>("endAck");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("packets");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QString>("failure"); // empty: finished

    using U = AdapterFirmwareUpgrade;
    QTest::newRow("10000 bytes") << 10000 << -1 << 0 << 0 << int(U::Done) << 3 << QList<int>{33, 66, 100} << "";
    QTest::newRow("exactly two sectors") << 8192 << -1 << 0 << 0 << int(U::Done) << 2 << QList<int>{50, 100} << "";
    QTest::newRow("one byte") << 1 << -1 << 0 << 0 << int(U::Done) << 1 << QList<int>{100} << "";
    QTest::newRow("flash damaged at the second") << 10000 << 1 << 6 << 0 << int(U::Refused) << 2 << QList<int>{33}
                                                 << "闪存损坏";
    QTest::newRow("no reply to the first") << 10000 << 0 << 5 << 0 << int(U::Refused) << 1 << QList<int>{}
                                           << "第1包发送失败 (错误码 5)";
    QTest::newRow("end refused") << 5000 << -1 << 0 << 5 << int(U::EndRefused) << 2 << QList<int>{50, 100}
                                 << "结束命令失败 (错误码 5)";
    QTest::newRow("empty file") << 0 << -1 << 0 << 0 << int(U::EmptyImage) << 0 << QList<int>{} << "固件文件为空";
    QTest::newRow("larger than any adapter's flash") << int(kAdapterImageLimit + 1) << -1 << 0 << 0 << int(U::TooLarge) << 0
                                                     << QList<int>{} << "固件文件过大";
    QTest::newRow("missing file") << -1 << -1 << 0 << 0 << int(U::FileError) << 0 << QList<int>{} << "文件打开失败";
    QTest::newRow("a device of size 0 that never ends")
        << -2 << -1 << 0 << 0 << int(U::FileError) << 0 << QList<int>{} << "不是普通文件";
    QTest::newRow("a named pipe") << -3 << -1 << 0 << 0 << int(U::FileError) << 0 << QList<int>{} << "不是普通文件";
}

void TestAdapterFirmware::upgrade()
{
    QFETCH(int, size);
    QFETCH(int, packets);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    const QString path = dir.filePath("adapter.enc");
    QByteArray image(qMax(size, 0), '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(1 + i % 251); // never 0, so padding shows
    if (size >= 0) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
    } else if (size == -2) {
        QVERIFY(QFile::link("/dev/zero", path));
    } else if (size == -3) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }

    QFETCH(int, refusePacket);
    QFETCH(int, refuseCode);
    QFETCH(int, endAck);
    FakeFdcan adapter;
    adapter.refusePacket = refusePacket;
    adapter.refuseCode = quint8(refuseCode);
    adapter.endAck = quint8(endAck);
    AdapterFirmwareUpgrade upgrade(&adapter);
    QSignalSpy progress(&upgrade, &AdapterFirmwareUpgrade::progressBarChanged);
    QSignalSpy finished(&upgrade, &AdapterFirmwareUpgrade::fdcanUpgradeFinished);
    QSignalSpy failed(&upgrade, &AdapterFirmwareUpgrade::upgradeFailed);

    QTEST(int(upgrade.run(path)), "result");

    const auto sent = adapter.packets;
    QCOMPARE(sent.size(), packets);
    QByteArray stream;
    for (int i = 0; i < sent.size(); ++i) {
        QCOMPARE(sent[i].first, quint32(i));
        QCOMPARE(sent[i].second.size(), kIapSectorSize);
        stream += sent[i].second;
    }
    // The sectors carry the image from its start, and only zeros past its end.
    const QByteArray expected = (image + QByteArray(packets * kIapSectorSize, '\0')).left(packets * kIapSectorSize);
    QCOMPARE(stream, expected);

    QList<int> shown;
    for (const auto &args : progress)
        shown << args.at(0).toInt();
    QTEST(shown, "progress");
    QCOMPARE(finished.size(), failure.isEmpty() ? 1 : 0);
    QCOMPARE(failed.size(), failure.isEmpty() ? 0 : 1);
    if (!failure.isEmpty())
        QVERIFY2(failed.at(0).at(0).toString().startsWith(failure), qPrintable(failed.at(0).at(0).toString()));
    // The end command follows a complete image only.
    const bool complete = packets > 0 && sent.size() == iapSectorCount(image.size()) && adapter.refusePacket < 0;
    QCOMPARE(adapter.ends, complete ? 1 : 0);
}

void TestAdapterFirmware::stateReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("boot");
    QTest::newRow("application") << QByteArray("app sw_version: 1.0.2") << "1.0.2(app)" << false;
    QTest::newRow("no marker") << QByteArray("RI-RAZOV 2.1") << "RI-RAZOV 2.1" << false;
    QTest::newRow("bootloader") << QByteArray("boot sw_version: 0.9") << "0.9(boot)" << true;
    QTest::newRow("marker twice") << QByteArray("a sw_version: b sw_version: c") << "b(a)" << false;
    QTest::newRow("utf-8 prefix") << QByteArray("应用 sw_version:3.0") << "3.0(应用)" << false;
}

void TestAdapterFirmware::stateReply()
{
    QFETCH(QByteArray, reply);
    QTEST(adapterVersionText(reply), "version");
    QTEST(adapterReplyIsBoot(reply), "boot");
}

QTEST_GUILESS_MAIN(TestAdapterFirmware)
#include "tst_adapterfirmware.moc"
