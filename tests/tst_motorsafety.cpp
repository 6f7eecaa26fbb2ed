// Commands a motor must never get and user data the tool must never lose, end to end
// against the simulated motor: the frames and console bytes on the wire are checked,
// not only what the window shows.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "charts/ui/waveForm.h"
#include "charts/ui/waveSaveDialog.h"
#include "link/serial/customCDC.h"
#include "log/fileSave.h"
#include "log/log.h"
#include "can/canTxModel.h"
#include "simWindow.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int framesOn(SimSerialAdapter *a, quint32 id)
{
    int n = 0;
    for (const SimCanFrame &f : a->busFrames())
        n += f.id == id;
    return n;
}

QByteArray lastFrameOn(SimSerialAdapter *a, quint32 id)
{
    const QList<SimCanFrame> frames = a->busFrames();
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        if (it->id == id)
            return it->data;
    return QByteArray();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

float bitsFloat(quint32 raw)
{
    float f;
    std::memcpy(&f, &raw, 4);
    return f;
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

    void start(SimSerialAdapter::Mode mode)
    {
        QString error;
        QVERIFY2(sw.start(mode, SimMotor::Layout::Long, &error), qPrintable(error));
        QVERIFY(sw.open());
        ui()->periodicSend->setChecked(false);
    }

    void readAll()
    {
        QSignalSpy shown(sw.window(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 3000);
    }

    // A small real file system when the suite may mount one; otherwise saves are told to
    // fail at their flush as on a full disk. Returns the folder to save into.
    QString fullDiskFolder()
    {
        const QString dir = files.filePath(QString("disk-") + QTest::currentDataTag());
        QDir().mkpath(dir);
        if (geteuid() == 0 && mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=16k") == 0)
            mountPoint = dir;
        qInfo(mountPoint.isEmpty() ? "no file system can be mounted: a full disk is simulated"
                                   : "saving into a 16 KB tmpfs");
        return dir;
    }
    void fillDisk(const QString &dir)
    {
        if (mountPoint.isEmpty()) {
            setFileSaveDiskFullForTesting(true);
            return;
        }
        QFile filler(dir + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'x')) == 1024) {
        }
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

    // An import that leaves PMAX, VMAX or TMAX empty, zero or not finite must not turn a
    // neutral MIT command into full negative position, velocity and torque.
    void degenerateRangesSendNoMitCommand_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("sent"); // the neutral command goes out as 7F FF 7F F0 00 00 07 FF
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("binary file") << QByteArray("\x00\x01\xfe\xff\x7f\x80", 6) << true;
        QTest::newRow("UTF-16 file") << QByteArray("\xff\xfeP\0M\0A\0X\0:\0 \0\x33\0\n\0", 20) << true;
        QTest::newRow("only non-finite ranges") << QByteArray("PMAX: nan\nVMAX: inf\nTMAX: -inf\n") << true;
        QTest::newRow("duplicate keys, no ranges") << QByteArray("POLE: 14\nPOLE: 15\n") << false;
        QTest::newRow("ranges of 0") << QByteArray("PMAX: 0\nVMAX: 0\nTMAX: 0\n") << false;
        QTest::newRow("PMAX infinite") << QByteArray("PMAX: inf\nVMAX: 30\nTMAX: 10\n") << false;
    }
    void degenerateRangesSendNoMitCommand()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, sent);
        start(SimSerialAdapter::Adapter);
        sw.openPath = files.filePath("ranges.txt");
        QFile f(sw.openPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        ui()->ImportParam->click();
        QCOMPARE(shownBoxes().size(), sent ? 1 : 0); // "nothing applied" is said

        const int before = framesOn(sw.adapter(), 0x001);
        ui()->btn_canDebugSend->click();
        if (sent) {
            QTRY_COMPARE(framesOn(sw.adapter(), 0x001), before + 1);
            QCOMPARE(lastFrameOn(sw.adapter(), 0x001), QByteArray::fromHex("7FFF7FF0000007FF"));
        } else {
            QCOMPARE(shownBoxes().size(), 1);
            QVERIFY2(shownBoxes().last().second.contains("映射范围"), qPrintable(shownBoxes().last().second));
            QTest::qWait(150);
            QCOMPARE(framesOn(sw.adapter(), 0x001), before);
        }
    }

    // A value a register cannot take is refused before a single byte goes out.
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
        const quint32 raw = sw.motor()->registerRaw(SimMotor::registerIndex(property));
        const quint64 consoleBytes = sw.adapter()->stats().consoleBytes;
        const int registerFrames = framesOn(sw.adapter(), 0x7FF);
        ui()->tab_Parameters->findChild<QLineEdit *>(property + "Edit")->setText(text);
        ui()->WriteAllParam->click();
        QTest::qWait(300);
        QCOMPARE(shownBoxes().size(), 1);
        QVERIFY2(shownBoxes().last().second.contains(property), qPrintable(shownBoxes().last().second));
        QCOMPARE(sw.adapter()->stats().consoleBytes, consoleBytes);
        QCOMPARE(framesOn(sw.adapter(), 0x7FF), registerFrames);
        QCOMPARE(sw.motor()->registerRaw(SimMotor::registerIndex(property)), raw);
        QVERIFY(!shownMessages().contains(7));
    }

    // A CAN ID whose mode IDs leave the standard range, or no number at all, is refused;
    // and no identifier that does not fit its frame ever reaches the adapter.
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
        if (value.isEmpty()) {
            QTRY_VERIFY(!DialogService::history().isEmpty());
            QCOMPARE(DialogService::history().last().kind, DialogService::Notice);
            QTest::qWait(100);
            QCOMPARE(sw.adapter()->stats().framesReceived, frames);
            return;
        }
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(sw.window()->txModel()->canid(), 1u);
        QCOMPARE(ui()->canidEdit->text(), QString("1"));
        QTRY_COMPARE(sw.adapter()->stats().framesReceived, frames + 1);
        QCOMPARE(sw.adapter()->busFrames().last().id, 0x301u);
        QCOMPARE(sw.motor()->state(), quint8(SimMotor::StateEnabled));
    }

    // PVT velocity and current are clamped to their fields instead of wrapping.
    void pvtVelocityAndCurrentClamp_data()
    {
        QTest::addColumn<QString>("velocity");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QByteArray>("codes"); // D4..D7
        QTest::newRow("current -5") << "1" << "-5" << QByteArray::fromHex("64000000");
        QTest::newRow("current 6.5536") << "1" << "6.5536" << QByteArray::fromHex("64001027");
        QTest::newRow("current 1e308") << "1" << "1e308" << QByteArray::fromHex("64001027");
        QTest::newRow("velocity -1") << "-1" << "0.5" << QByteArray::fromHex("00008813");
        QTest::newRow("velocity 700 saturates") << "700" << "0.5" << QByteArray::fromHex("FFFF8813");
    }
    void pvtVelocityAndCurrentClamp()
    {
        QFETCH(QString, velocity);
        QFETCH(QString, current);
        QFETCH(QByteArray, codes);
        start(SimSerialAdapter::Adapter);
        ui()->ctrModeTabBar->setCurrentTab(3);
        ui()->controlPanel->findChild<QLineEdit *>("POSEdit_PVT")->setText("0");
        ui()->controlPanel->findChild<QLineEdit *>("VELEdit_PVT")->setText(velocity);
        ui()->controlPanel->findChild<QLineEdit *>("IEdit")->setText(current);
        ui()->btn_canDebugSend->click();
        QTRY_COMPARE(framesOn(sw.adapter(), 0x301), 1);
        QCOMPARE(lastFrameOn(sw.adapter(), 0x301).mid(4).toHex(), codes.toHex());
    }

    // Read, then write with one field edited: every other register goes back bit for bit,
    // although the widgets show six significant digits.
    void readThenWriteIsBitExact_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("CAN registers") << int(SimSerialAdapter::Adapter);
        QTest::newRow("console block") << int(SimSerialAdapter::Console);
    }
    void readThenWriteIsBitExact()
    {
        QFETCH(int, mode);
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Mode(mode), SimMotor::Layout::Long, &error), qPrintable(error));
        const QList<QPair<const char *, float>> odd = {
            {"KT_Value", 1.1234568f}, {"I_BW", 3.9629629f}, {"KP_ASR", 0.031234567f}, {"Rs", 0.31512345f},
            {"Ls", 0.000186123457f},  {"Damp", 0.0023123457f}, {"Inertia", 0.000185123457f}, {"Flux", 0.0058123457f}};
        for (const auto &r : odd)
            QVERIFY(sw.motor()->setRegister(r.first, r.second));
        QVERIFY(sw.open());
        readAll();
        QList<quint32> before;
        for (int rid = 0; rid < SimMotor::RecordFields; ++rid)
            before << sw.motor()->registerRaw(rid);
        const int acc = SimMotor::registerIndex("ACC");
        ui()->ACCEdit->setText("7.5");
        ui()->WriteAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{7}, 3000);
        // The motor's registers, then (over CAN) each write frame's value bytes.
        auto differing = [&] {
            QStringList out;
            for (int rid = 0; rid < SimMotor::RecordFields; ++rid)
                if (sw.motor()->registerRaw(rid) != (rid == acc ? 0x40F00000u : before[rid]))
                    out << SimMotor::registerName(rid);
            return out;
        };
        if (mode == SimSerialAdapter::Adapter) {
            QList<SimCanFrame> writes;
            auto collect = [&] {
                writes.clear();
                for (const SimCanFrame &f : sw.adapter()->busFrames())
                    if (f.id == 0x7FF && quint8(f.data[2]) == 0x55)
                        writes << f;
                return writes.size();
            };
            QTRY_COMPARE(collect(), 25);
            QStringList wrong;
            for (const SimCanFrame &f : writes) {
                const int rid = quint8(f.data[3]);
                if (qFromLittleEndian<quint32>(f.data.constData() + 4) != (rid == acc ? 0x40F00000u : before[rid]))
                    wrong << SimMotor::registerName(rid);
            }
            QCOMPARE(wrong, QStringList());
        }
        QTRY_COMPARE(differing(), QStringList());
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
        const QString dir = fullDiskFolder();
        const QString path = dir + (waveform ? "/wave.csv" : "/params.txt");
        std::unique_ptr<WaveForm> chart;
        std::function<void()> save;
        if (waveform) {
            DialogService::clearHistory();
            DialogService::setHandler([path](const DialogService::Request &r) {
                DialogService::Reply reply{QMessageBox::Ok, path};
                if (auto *d = qobject_cast<WaveSaveDialog *>(r.dialog))
                    d->findChild<QPushButton *>("browseButton")->click();
                return reply;
            });
            chart = std::make_unique<WaveForm>();
            chart->createChart("t", false);
            chart->prepareData({1, 2, 3, 4});
            save = [&] { chart->on_actZoomSave_triggered(); };
        } else {
            QString error;
            QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
            sw.savePath = path;
            ui()->GrEdit->setText("6");
            save = [&] { ui()->ExportParam->click(); };
        }
        save();
        const QByteArray saved = fileBytes(path);
        QVERIFY(saved.size() > 8);
        DialogService::clearHistory();

        fillDisk(dir);
        if (waveform)
            chart->prepareData({5, 6, 7, 8, 9});
        else
            ui()->GrEdit->setText("7");
        save();
        const auto history = DialogService::history();
        QVERIFY(!history.isEmpty());
        QCOMPARE(history.last().kind, waveform ? DialogService::Warning : DialogService::Critical);
        QVERIFY2(history.last().text.contains("原文件保持不变"), qPrintable(history.last().text));
        QCOMPARE(fileBytes(path), saved);
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^(?!filler$)")).size(), 1);
        if (waveform)
            DialogService::setHandler(nullptr);
    }

    // What is not a regular parameter file is refused before it is read.
    void importRefusesPipesAndHugeFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "fifo";
        QTest::newRow("40 MB file") << "huge";
    }
    void importRefusesPipesAndHugeFiles()
    {
        QFETCH(QString, kind);
        start(SimSerialAdapter::Adapter);
        sw.openPath = files.filePath(kind);
        if (kind == "fifo") {
            QVERIFY(mkfifo(QFile::encodeName(sw.openPath).constData(), 0600) == 0);
        } else {
            QFile f(sw.openPath);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(40 * 1024 * 1024));
        }
        QSignalSpy shown(sw.window(), &MainWindow::ParametersChanged);
        ui()->ImportParam->click();
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(shownBoxes().last().first, QString("错误"));
        QCOMPARE(shown.count(), 0);
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
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Console, SimMotor::Layout::Long, &error), qPrintable(error));
        sw.motor()->setIds(0x55, 0x11);
        QVERIFY(sw.motor()->setRegister("ACC", bitsFloat(0x4120AA00)));
        QVERIFY(sw.open());
        readAll();
        QCOMPARE(ui()->ACCEdit->text(), QString("10.0415"));
        QCOMPARE(ui()->ESC_IDEdit->text(), QString("0x55"));
        QVERIFY(shownMessages().isEmpty());
    }
};

QTEST_MAIN(TestMotorSafety)
#include "tst_motorsafety.moc"
