// Commands a motor must never get and user data the tool must never lose, end to end
// against the simulated motor, with the frames and console bytes on the wire checked.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canTxModel.h"
#include "charts/ui/waveForm.h"
#include "charts/ui/waveSaveDialog.h"
#include "log/fileSave.h"
#include "log/log.h"
#include "simWindow.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Frames the adapter put on the bus with this ID (and this D2, when given).
QList<QByteArray> framesOn(SimSerialAdapter *a, quint32 id, int d2 = -1)
{
    QList<QByteArray> out;
    for (const SimCanFrame &f : a->busFrames())
        if (f.id == id && (d2 < 0 || (f.data.size() > 2 && quint8(f.data[2]) == d2)))
            out << f.data;
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestMotorSafety : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    QTemporaryDir files;
    SimWindow sw;
    QString mountPoint; // a 16 KB file system while a test fills it

    Ui_MainWindow *ui() const { return sw.window()->form(); }
    QLineEdit *edit(const QString &name) const { return sw.window()->findChild<QLineEdit *>(name); }

    void start(SimSerialAdapter::Mode mode, bool open = true)
    {
        QString error;
        QVERIFY2(sw.start(mode, SimMotor::Layout::Long, &error), qPrintable(error));
        QVERIFY(!open || sw.open());
        ui()->periodicSend->setChecked(false);
    }
    void readAll()
    {
        QSignalSpy shown(sw.window(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 3000);
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }
    void cleanup()
    {
        sw.stop();
        setFileSaveDiskFullForTesting(false);
        if (!mountPoint.isEmpty())
            QCOMPARE(umount(QFile::encodeName(mountPoint).constData()), 0);
        mountPoint.clear();
    }

    // An import that applies nothing is refused and changes nothing; one that leaves
    // PMAX, VMAX or TMAX empty, zero or infinite must not turn the neutral MIT command
    // into full negative position, velocity and torque.
    void importThenNeutralMitCommand_data()
    {
        QTest::addColumn<QByteArray>("file"); // "<fifo>" and "<huge>" make such files
        QTest::addColumn<bool>("sent");       // else refused with a message
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("binary file") << QByteArray("\x00\x01\xfe\xff\x7f\x80", 6) << true;
        QTest::newRow("UTF-16 file") << QByteArray("\xff\xfeP\0M\0A\0X\0:\0 \0\x33\0\n\0", 18) << true;
        QTest::newRow("only non-finite ranges") << QByteArray("PMAX: nan\nVMAX: inf\nTMAX: -inf\n") << true;
        QTest::newRow("named pipe") << QByteArray("<fifo>") << true;
        QTest::newRow("40 MB file") << QByteArray("<huge>") << true;
        QTest::newRow("duplicate keys, no ranges") << QByteArray("POLE: 14\nPOLE: 15\n") << false;
        QTest::newRow("ranges of 0") << QByteArray("PMAX: 0\nVMAX: 0\nTMAX: 0\n") << false;
        QTest::newRow("PMAX infinite") << QByteArray("PMAX: inf\nVMAX: 30\nTMAX: 10\n") << false;
    }
    void importThenNeutralMitCommand()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, sent);
        start(SimSerialAdapter::Adapter);
        sw.openPath = files.filePath(QTest::currentDataTag());
        QFile f(sw.openPath);
        if (file == "<fifo>")
            QCOMPARE(mkfifo(QFile::encodeName(sw.openPath).constData(), 0600), 0);
        else
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size()
                    && (file != "<huge>" || f.resize(40 << 20)));
        f.close();
        QSignalSpy shown(sw.window(), &MainWindow::ParametersChanged);
        ui()->ImportParam->click();
        QCOMPARE(shown.count(), sent ? 0 : 1);
        // A refused import says why, one that went in says what it filled.
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(shownBoxes().last().first, QString(sent ? "错误" : "导入参数"));

        ui()->btn_canDebugSend->click();
        if (sent)
            QTRY_COMPARE(framesOn(sw.adapter(), 0x001), QList<QByteArray>{QByteArray::fromHex("7FFF7FF0000007FF")});
        QTest::qWait(150);
        QCOMPARE(framesOn(sw.adapter(), 0x001).size(), sent ? 1 : 0);
        QVERIFY(sent || shownBoxes().last().second.contains("映射范围"));
    }

    // A value a register cannot take is refused, naming the field, before a byte goes out.
    void unwritableRegisterValuesAreRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("text");
        const int can = SimSerialAdapter::Adapter, console = SimSerialAdapter::Console;
        QTest::newRow("OT NaN") << can << "OT_Value" << "NaN";
        QTest::newRow("UV -inf") << can << "UV_Value" << "-inf";
        QTest::newRow("OC +inf") << can << "OC_Value" << "inf";
        QTest::newRow("PMAX beyond float") << can << "PMAX" << "1e39";
        QTest::newRow("TIMEOUT negative") << can << "TIMEOUT" << "-1";
        QTest::newRow("master ID beyond 11 bits") << can << "MST_ID" << "0x800";
        QTest::newRow("console: KT NaN") << console << "KT_Value" << "nan";
        QTest::newRow("console: POLE beyond 32 bits") << console << "POLE" << "99999999999";
        QTest::newRow("console: limit no number") << console << "OV_Value" << "abc";
    }
    void unwritableRegisterValuesAreRefused()
    {
        QFETCH(int, mode);
        QFETCH(QString, property);
        QFETCH(QString, text);
        start(SimSerialAdapter::Mode(mode));
        readAll();
        const quint64 consoleBytes = sw.adapter()->stats().consoleBytes;
        const int registerFrames = int(framesOn(sw.adapter(), 0x7FF).size());
        edit(property + "Edit")->setText(text);
        ui()->WriteAllParam->click();
        QTest::qWait(300);
        QCOMPARE(shownBoxes().size(), 1);
        QVERIFY2(shownBoxes().last().second.contains(property), qPrintable(shownBoxes().last().second));
        QCOMPARE(sw.adapter()->stats().consoleBytes, consoleBytes);
        QCOMPARE(framesOn(sw.adapter(), 0x7FF).size(), registerFrames);
    }

    // A CAN ID whose mode IDs leave the standard range below 0x7FF, or no number at all,
    // is refused; and no identifier its frame cannot carry ever reaches the adapter.
    void canIdsBeyondElevenBitsAreRefused_data()
    {
        QTest::addColumn<QString>("value"); // from the assistant; empty: set behind the checks
        for (const char *v : {"2047", "1279", "-5", "1e308", "NaN", "99999999999"})
            QTest::newRow(v) << QString(v);
        QTest::newRow("set behind the checks") << QString();
    }
    void canIdsBeyondElevenBitsAreRefused()
    {
        QFETCH(QString, value);
        start(SimSerialAdapter::Adapter);
        if (value.isEmpty())
            sw.window()->txModel()->setCanid(0x7FF);
        else
            sw.window()->on_invokeQtFunction("已经将CAN ID设置为" + value + "!");
        ui()->ctrModeTabBar->setCurrentTab(3); // PVT: ID + 0x300
        ui()->btn_canDebugUpdate->click();
        const quint64 frames = sw.adapter()->stats().framesReceived;
        ui()->btn_motorMode->click();
        if (value.isEmpty()) { // refused where the frame is filled
            QTRY_COMPARE(DialogService::history().size(), 1);
            QCOMPARE(DialogService::history().last().kind, DialogService::Notice);
            QTest::qWait(100);
            QCOMPARE(sw.adapter()->stats().framesReceived, frames);
            return;
        }
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(sw.window()->txModel()->canid(), 1u);
        QTRY_COMPARE(sw.adapter()->stats().framesReceived, frames + 1);
        QCOMPARE(sw.adapter()->busFrames().last().id, 0x301u);
    }

    // PVT velocity and current are clamped to their fields instead of wrapping.
    void pvtVelocityAndCurrentClamp_data()
    {
        QTest::addColumn<QString>("velocity");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QByteArray>("codes"); // D4..D7
        QTest::newRow("current -5") << "1" << "-5" << QByteArray("64000000");
        QTest::newRow("current 6.5536") << "1" << "6.5536" << QByteArray("64001027");
        QTest::newRow("current 1e308") << "1" << "1e308" << QByteArray("64001027");
        QTest::newRow("velocity -1") << "-1" << "0.5" << QByteArray("00008813");
        QTest::newRow("velocity 700 saturates") << "700" << "0.5" << QByteArray("ffff8813");
    }
    void pvtVelocityAndCurrentClamp()
    {
        QFETCH(QString, velocity);
        QFETCH(QString, current);
        QFETCH(QByteArray, codes);
        start(SimSerialAdapter::Adapter);
        ui()->ctrModeTabBar->setCurrentTab(3);
        edit("VELEdit_PVT")->setText(velocity);
        edit("IEdit")->setText(current);
        ui()->btn_canDebugSend->click();
        QTRY_COMPARE(framesOn(sw.adapter(), 0x301).size(), 1);
        QCOMPARE(framesOn(sw.adapter(), 0x301).first().mid(4).toHex(), codes);
    }

    // Read, edit one field, write: every other register goes back bit for bit, although
    // the widgets show six significant digits.
    void readThenWriteIsBitExact_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("CAN registers") << int(SimSerialAdapter::Adapter);
        QTest::newRow("console block") << int(SimSerialAdapter::Console);
    }
    void readThenWriteIsBitExact()
    {
        QFETCH(int, mode);
        start(SimSerialAdapter::Mode(mode), false);
        const QList<QPair<const char *, float>> odd = {
            {"KT_Value", 1.1234568f}, {"I_BW", 3.9629629f}, {"KP_ASR", 0.031234567f}, {"Rs", 0.31512345f},
            {"Ls", 0.000186123457f},  {"Damp", 0.0023123457f}, {"Inertia", 0.000185123457f}, {"Flux", 0.0058123457f}};
        for (const auto &r : odd)
            QVERIFY(sw.motor()->setRegister(r.first, r.second));
        QVERIFY(sw.open());
        readAll();
        QList<quint32> expected;
        for (int rid = 0; rid < SimMotor::RecordFields; ++rid)
            expected << sw.motor()->registerRaw(rid);
        const int acc = SimMotor::registerIndex("ACC");
        expected[acc] = 0x40F00000; // 7.5
        ui()->ACCEdit->setText("7.5");
        ui()->WriteAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{7}, 3000);
        if (mode == SimSerialAdapter::Adapter) {
            QTRY_COMPARE(framesOn(sw.adapter(), 0x7FF, 0x55).size(), 1); // only the register that differs
            for (const QByteArray &f : framesOn(sw.adapter(), 0x7FF, 0x55))
                QCOMPARE(qFromLittleEndian<quint32>(f.constData() + 4), expected[quint8(f[3])]);
        }
        for (int rid = 0; rid < SimMotor::RecordFields; ++rid)
            QTRY_COMPARE(sw.motor()->registerRaw(rid), expected[rid]);
    }

    // A save that fails on a full disk leaves the previous file as it was and says so.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<bool>("waveform"); // the chart's CSV, else the parameter file
        QTest::newRow("parameter file") << false;
        QTest::newRow("waveform CSV") << true;
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(bool, waveform);
        // A small real file system where the suite may mount one, else a simulated full disk.
        const QString dir = files.filePath(QString("disk-") + QTest::currentDataTag());
        QDir().mkpath(dir);
        if (geteuid() == 0 && mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=16k") == 0)
            mountPoint = dir;
        qInfo(mountPoint.isEmpty() ? "a full disk is simulated" : "saving into a 16 KB tmpfs");
        const QString path = dir + (waveform ? "/wave.csv" : "/params.txt");
        start(SimSerialAdapter::Adapter, false);
        WaveForm chart;
        chart.createChart("t", false);
        if (waveform)
            DialogService::setHandler([path](const DialogService::Request &r) {
                if (auto *d = qobject_cast<WaveSaveDialog *>(r.dialog))
                    d->findChild<QPushButton *>("browseButton")->click();
                return DialogService::Reply{QMessageBox::Ok, path};
            });
        sw.savePath = path;
        auto save = [&](float value) {
            DialogService::clearHistory();
            chart.prepareData(QList<float>(value > 6 ? 4000 : 2, value)); // more than the disk holds
            ui()->GrEdit->setText(QString::number(value));
            waveform ? chart.on_actZoomSave_triggered() : ui()->ExportParam->click();
        };
        save(6);
        const QByteArray saved = fileBytes(path);
        QVERIFY(saved.contains('6'));

        if (mountPoint.isEmpty()) {
            setFileSaveDiskFullForTesting(true);
        } else {
            QFile filler(dir + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(1024, 'x')) == 1024) {
            }
        }
        save(7);
        QCOMPARE(fileBytes(path), saved);
        QCOMPARE(DialogService::history().size(), waveform ? 3 : 2); // (the save dialog,) the file, the box
        QVERIFY2(DialogService::history().last().text.contains("原文件保持不变"),
                 qPrintable(DialogService::history().last().text));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), mountPoint.isEmpty() ? 1 : 2); // no leftovers
    }

    // The window's thread stalls between the two pieces of a frame: the rest waits in the
    // port, and the piece already read must wait for it, however long the stall.
    void splitFramesSurviveAStalledWindow()
    {
        start(SimSerialAdapter::Adapter);
        sw.adapter()->setSplitOffsets({5}, 40);
        for (int i = 0; i < 8; ++i) {
            ui()->btn_canDebugSend->click();
            QTest::qWait(20); // the reader takes the first piece
            QThread::msleep(120);
        }
        // A confirmation and a feedback frame per command, every one logged.
        QTRY_COMPARE(sw.adapter()->stats().answersSent, quint64(16));
        QTRY_COMPARE(sw.window()->frameSequence(), 16u);
        QCOMPARE(ui()->comOutput->toPlainText(), QString());
    }

    // A console block whose bytes hold 0xAA and, 15 bytes on, 0x55 (ACC = 10.0415039 is
    // 00 AA 20 41, ESC_ID 0x55 follows) is a parameter block, not an adapter frame.
    void consoleBlockIsNotCutIntoFrames()
    {
        start(SimSerialAdapter::Console, false);
        sw.motor()->setIds(0x55, 0x11);
        QVERIFY(sw.motor()->setRegister("ACC", 10.0415039f));
        QVERIFY(sw.open());
        readAll();
        QCOMPARE(ui()->ACCEdit->text(), QString("10.0415"));
        QCOMPARE(ui()->ESC_IDEdit->text(), QString("0x55"));
        QVERIFY(shownMessages().isEmpty());
    }
};

QTEST_MAIN(TestMotorSafety)
#include "tst_motorsafety.moc"
