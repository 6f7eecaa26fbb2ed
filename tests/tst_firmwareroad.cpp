// Motor firmware upgrade and version read end to end: the main window against the
// simulated motor on the console, behind the serial adapter and behind the USB adapter.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "widgets/firmwareDialog.h"
#include "firmware/ui/firmwareGroupBox.h"
#include "procedures/customCDC.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"
#include "widgets/switchbutton.h"

#include "simCodec.h"
#include "simUsbWindow.h"
#include "simWindow.h"

#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using Path = FirmwareUpgrade::Path;

namespace {

QByteArray image(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 256) & 0xFF);
    return b;
}

// One window on one of the three paths; file dialogs answer with `openPath`, the
// firmware dialog is handed to `onDialog`.
struct Road {
    SimWindow serial;
    SimUsbWindow usb;
    Path path = Path::Console;
    QString openPath;
    std::function<void(QDialog *)> onDialog;
    bool confirm = true;  // the answer to the question before an upgrade
    QStringList asked;    // the questions' texts, in order
    qint64 reachedAtQuestion = 0; // what the motor had been sent by then (the version read)
    std::function<void(QDialog *)> onQuestion;

    bool start(Path p)
    {
        path = p;
        const bool ok = p == Path::UsbAdapter ? usb.start() && usb.open()
                                              : serial.start(p == Path::Console ? SimSerialAdapter::Console
                                                                                : SimSerialAdapter::Adapter)
                                                    && serial.open();
        DialogService::setHandler([this](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = QMessageBox::Ok;
            if (r.kind == DialogService::OpenFile)
                reply.path = openPath;
            if (r.kind == DialogService::Dialog && r.dialog && r.dialog->objectName() == "firmwareDialog" && onDialog)
                onDialog(r.dialog);
            if (r.kind == DialogService::Dialog && r.dialog && r.dialog->objectName().endsWith("Confirmation")) {
                asked << static_cast<FactsDialog *>(r.dialog.data())->text();
                reachedAtQuestion = reached();
                if (onQuestion)
                    onQuestion(r.dialog);
                reply.result = confirm ? QDialog::Accepted : QDialog::Rejected;
            }
            return reply;
        });
        return ok;
    }
    ~Road() { path == Path::UsbAdapter ? usb.stop() : serial.stop(); }
    MainWindow *w() const { return path == Path::UsbAdapter ? usb.window() : serial.window(); }
    SimMotor *motor() const { return path == Path::UsbAdapter ? usb.motor() : serial.motor(); }
    FirmwareGroupBox *group() const { return w()->firmwareGroupBox(); }
    FirmwareUpgrade *upgrade() const { return w()->link()->upgrade(); }
    // Everything the motor was sent: console bytes or CAN frames.
    qint64 reached() const
    {
        return path == Path::Console ? motor()->consoleExtras().receivedBytes().size()
                                     : qint64(motor()->receivedFrameCount());
    }
    void choose(const QString &file)
    {
        openPath = file;
        group()->fileOpenButton->click();
    }
    bool locked() const { return !group()->upgradeButton->isEnabled() && !w()->form()->sw_btn_canUart->isEnabled(); }
};

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

} // namespace

class TestFirmwareRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations"); }

    // The question names target, file, size and the version now; the report after it
    // the versions before and after; the progress moves on during each packet.
    void fullUpgrade_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<bool>("byF8");
        QTest::addColumn<bool>("newVersion");
        QTest::addColumn<QString>("target");
        QTest::newRow("motor console") << Path::Console << false << true << "经串口 ";
        QTest::newRow("serial adapter, F8, same version")
            << Path::SerialAdapter << true << false << "电机 CAN ID 0x01（主机 ID 0x11），经串口适配器 ";
        QTest::newRow("USB adapter") << Path::UsbAdapter << false << true
                                     << "电机 CAN ID 0x01（主机 ID 0x11），经USB FDCAN 适配器 ";
    }

    void fullUpgrade()
    {
        QFETCH(Path, path);
        QFETCH(bool, byF8);
        QFETCH(bool, newVersion);
        QFETCH(QString, target);
        Road road;
        QVERIFY(road.start(path));
        if (newVersion)
            road.motor()->setVersionAfterUpgrade('1' | '3' << 8 | '0' << 16 | '0' << 24);
        QTemporaryDir dir;
        const QByteArray file = image(20000);
        const QString name = writeFile(dir, "APP_V1.2.bin", file);
        road.choose(name);
        QCOMPARE(road.group()->firmwareNameLabel->text(), QString("V1.2"));

        QList<int> seen;
        connect(road.group()->progressBar, &QProgressBar::valueChanged, [&](int v) { seen << v; });
        if (byF8) {
            road.w()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(road.w()));
            QTest::keyClick(road.w(), Qt::Key_F8);
        } else {
            road.group()->upgradeButton->click();
        }
        QCOMPARE(road.asked.size(), 1);
        const QString question = road.asked.first();
        QVERIFY2(question.contains("目标: " + target), qPrintable(question));
        QVERIFY2(question.contains("文件: " + QDir::toNativeSeparators(name)), qPrintable(question));
        QVERIFY2(question.contains("大小: 20000 字节，3 包"), qPrintable(question));
        QVERIFY2(question.contains("当前版本: 应用程序 1.2.0.5，引导程序 1.0.3.0"), qPrintable(question));
        QVERIFY(road.upgrade()->isRunning());
        QCOMPARE(road.upgrade()->path(), path);
        QVERIFY(road.locked());
        QTRY_COMPARE_WITH_TIMEOUT(road.motor()->bootloader().transfers(), 1, 20000);
        QTRY_VERIFY(!road.upgrade()->isRunning());
        QCOMPARE(road.motor()->firmwareImage(), file);
        QCOMPARE(road.motor()->bootloader().commands(), (QList<quint8>{2, 1, 0}));
        // Several steps within each of the three packets, rising, then done and reset.
        QVERIFY2(seen.size() > 6, qPrintable(QString::number(seen.size())));
        QCOMPARE(seen.mid(seen.size() - 2), (QList<int>{100, 0}));
        for (int i = 1; i < seen.size() - 1; ++i)
            QVERIFY(seen[i] > seen[i - 1]);
        QTRY_VERIFY(!road.locked());
        QVERIFY(shownMessages().isEmpty());
        QTRY_VERIFY(road.w()->form()->comOutput->toPlainText().contains("complete"));
        // Success is an information, with the versions before and after.
        const QString report = newVersion ? "固件升级完成。应用程序版本 1.2.0.5 → 1.3.0.0，引导程序版本 1.0.3.0 → 1.0.3.0。"
                                          : "固件升级完成，但版本没有改变：仍为 应用程序 1.2.0.5，引导程序 1.0.3.0。"
                                            "请确认所选文件是新版本的固件。";
        QTRY_COMPARE_WITH_TIMEOUT(shownBoxes(), (QList<QPair<QString, QString>>{{"固件升级", report}}), 8000);
        QCOMPARE(DialogService::history().last().kind, DialogService::Information);
    }

    // Declined, or a file that does not say it is a motor image: nothing reaches the motor
    // unless the user says go, and the question says what is wrong.
    void confirmation_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("problem");
        QTest::newRow("declined") << "APP_V2.bin" << false << "";
        QTest::newRow("adapter image, declined") << "fdcan.enc" << false << "文件名不以 .bin 结尾";
        QTest::newRow("no suffix, confirmed") << "firmware" << true << "文件名不以 .bin 结尾";
    }

    void confirmation()
    {
        QFETCH(QString, file);
        QFETCH(bool, confirm);
        QFETCH(QString, problem);
        Road road;
        QVERIFY(road.start(Path::SerialAdapter));
        road.confirm = confirm;
        QTemporaryDir dir;
        road.choose(writeFile(dir, file, image(100)));
        road.group()->upgradeButton->click();
        QCOMPARE(road.asked.size(), 1);
        QCOMPARE(road.asked.first().contains(problem), true);
        QCOMPARE(road.asked.first().contains("文件名不以"), !problem.isEmpty());
        if (confirm) {
            QTRY_COMPARE_WITH_TIMEOUT(road.motor()->bootloader().transfers(), 1, 10000);
            return;
        }
        QTest::qWait(300);
        QCOMPARE(road.motor()->bootloader().commands(), QList<quint8>()); // not even the request
        QVERIFY(!road.locked());
        QVERIFY(!road.motor()->inBootloader());
    }

    // The questions before an upgrade and a replay, in both languages: wholly translated,
    // and within a 1024x680 window (pictures with ZK_SCREENSHOT_DIR set).
    void questionsFitAndRead_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Chinese") << "zh_CN";
        QTest::newRow("English") << "en_US";
    }

    void questionsFitAndRead()
    {
        QFETCH(QString, language);
        Road road;
        QVERIFY(road.start(Path::SerialAdapter));
        QVERIFY(road.w()->switchLanguage(language));
        road.w()->resize(1024, 680);
        road.w()->show();
        road.confirm = false;
        QStringList names;
        road.onQuestion = [&](QDialog *d) {
            d->adjustSize();
            QVERIFY2(d->width() <= 1024 && d->height() <= 680, qPrintable(QString("%1x%2").arg(d->width()).arg(d->height())));
            names << d->objectName();
            const QString shots = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
            if (shots.isEmpty())
                return;
            QPixmap picture = road.w()->grab();
            QPainter painter(&picture);
            const QPixmap question = d->grab();
            painter.fillRect(picture.rect(), QColor(0, 0, 0, 60));
            painter.drawPixmap((picture.width() - question.width()) / 2, (picture.height() - question.height()) / 2, question);
            painter.end();
            picture.save(QString("%1/%2-%3.png").arg(shots, d->objectName(), language));
        };
        QTemporaryDir dir;
        road.choose(writeFile(dir, "APP_V1.3.bin", image(20000)));
        road.group()->upgradeButton->click();
        QVERIFY(road.w()->replayRecording(writeFile(dir, "bench.log",
                                                    "(0.000000) can0 101#FFFFFFFFFFFFFFFC T\n"
                                                    "(0.004000) can0 111#0102030405060708 R\n"
                                                    "(0.008000) can0 101#7FFF7FF000000800 T\n"
                                                    "broken line\n"
                                                    "(3.200000) can0 101#FFFFFFFFFFFFFFFD T\n"))
                == false);
        QCOMPARE(names, (QStringList{"firmwareConfirmation", "replayConfirmation"}));
        static const QRegularExpression chinese("[\\x{4e00}-\\x{9fff}]");
        for (const QString &text : road.asked)
            QCOMPARE(text.contains(chinese), language == "zh_CN");
    }

    // A transfer that fails ends with a message and leaves the tool usable; the next
    // press starts over and succeeds. Stray "OK"s during a transfer move nothing.
    void failedTransfer_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("packetsReached");
        QTest::newRow("ERROR for packet 2") << Path::Console << "error" << 11 << 2;
        QTest::newRow("console refuses") << Path::Console << "refuse" << 2 << 0;
        QTest::newRow("silent, serial adapter") << Path::SerialAdapter << "silent" << 11 << 1;
        QTest::newRow("silent, USB adapter") << Path::UsbAdapter << "silent" << 11 << 1;
        QTest::newRow("stray OK text in a CAN transfer") << Path::SerialAdapter << "text" << 11 << 1;
        QTest::newRow("adapter confirmation carrying OK") << Path::SerialAdapter << "confirmation" << 11 << 1;
    }

    void failedTransfer()
    {
        QFETCH(Path, path);
        QFETCH(QString, fault);
        QFETCH(int, message);
        QFETCH(int, packetsReached);
        Road road;
        QVERIFY(road.start(path));
        SimBootloader &boot = road.motor()->bootloader();
        if (fault == "error")
            boot.setErrorAt(2);
        else if (fault == "refuse")
            boot.setRefusal("Unknown command\n");
        else
            boot.setSilentFrom(1);
        FirmwareUpgrade::Timeouts t;
        t.packetMs = t.usbMs = 1500; // only the silence is waited for
        road.upgrade()->setTimeouts(t);
        QTemporaryDir dir;
        const QByteArray file = image(20000);
        road.choose(writeFile(dir, "fw.bin", file));
        road.group()->upgradeButton->click();
        if (fault == "text" || fault == "confirmation") {
            QTRY_COMPARE(road.upgrade()->state(), FirmwareUpgrade::State::WaitingForAck);
            road.serial.adapter()->injectBytes(fault == "text" ? QByteArray("OK\r\n")
                                                               : SimCodec::receiveFrame(0x12, 0x01, "OK"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{message}, 15000);
        QVERIFY(!road.upgrade()->isRunning());
        QVERIFY(!road.locked());
        QCOMPARE(road.group()->progressBar->value(), 0);
        // The request, then whole packets: nothing moved the transfer on by mistake.
        qint64 expected = road.reachedAtQuestion + 1;
        for (int k = 1; k <= packetsReached; ++k) {
            const QByteArray p = firmwarePacket(file, k);
            expected += path == Path::Console ? p.size() : firmwarePacketFrames(p).size();
        }
        QCOMPARE(road.reached(), expected);

        boot.setErrorAt(-1);
        boot.setSilentFrom(-1);
        boot.setRefusal({});
        road.upgrade()->setTimeouts(FirmwareUpgrade::Timeouts());
        road.group()->upgradeButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(boot.transfers(), 1, 20000);
        QCOMPARE(road.motor()->firmwareImage(), file);
        QCOMPARE(shownMessages(), QList<int>{message});
    }

    // Closing the link ends the transfer at once: unlocked, no stall reported later.
    void closedMidTransfer_data()
    {
        QTest::addColumn<Path>("path");
        QTest::newRow("motor console") << Path::Console;
        QTest::newRow("USB adapter") << Path::UsbAdapter;
    }

    void closedMidTransfer()
    {
        QFETCH(Path, path);
        Road road;
        QVERIFY(road.start(path));
        road.motor()->bootloader().setSilentFrom(2);
        FirmwareUpgrade::Timeouts t;
        t.packetMs = t.usbMs = 1500;
        road.upgrade()->setTimeouts(t);
        QTemporaryDir dir;
        road.choose(writeFile(dir, "fw.bin", image(30000)));
        road.group()->upgradeButton->click();
        QTRY_VERIFY(road.group()->progressBar->value() >= 25); // packet 2 handed over, unanswered
        road.w()->form()->btn_comSwitch->click();
        QVERIFY(!road.w()->isPortOpen());
        QVERIFY(!road.upgrade()->isRunning());
        QVERIFY(!road.locked());
        QCOMPARE(road.group()->progressBar->value(), 0);
        QTest::qWait(1700); // past the packet wait
        QVERIFY(shownMessages().isEmpty());
    }

    void badFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("empty") << "empty" << "为空";
        QTest::newRow("a folder") << "folder" << "不是普通文件";
        QTest::newRow("beyond 2 MiB") << "large" << "2097152";
    }

    void badFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        Road road;
        QVERIFY(road.start(Path::SerialAdapter));
        QTemporaryDir dir;
        QString bad = dir.filePath("APP_bad.bin");
        if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("APP_bad.bin"));
        } else {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == "large")
                QVERIFY(f.resize(FirmwareImageLimit + 1));
        }
        road.choose(bad);
        QVERIFY(shownBoxes().size() == 1 && shownBoxes().last().second.contains(words));
        QCOMPARE(road.group()->firmwareNameLabel->text(), QString());
        road.group()->upgradeButton->click();
        QCOMPARE(shownMessages(), QList<int>{9});
        QTest::qWait(100);
        QCOMPARE(road.reached(), 0);
        // An earlier choice survives a bad one.
        road.choose(writeFile(dir, "APP_good.bin", image(10)));
        road.choose(bad);
        QCOMPARE(road.group()->firmwareNameLabel->text(), QString("good"));
        QCOMPARE(road.w()->link()->firmwareImage, image(10));
    }

    void versions_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<bool>("fromChat");
        QTest::addColumn<bool>("answered");
        QTest::newRow("console") << Path::Console << false << true;
        QTest::newRow("CAN, serial adapter") << Path::SerialAdapter << false << true;
        QTest::newRow("CAN, USB adapter, asked in the chat") << Path::UsbAdapter << true << true;
        QTest::newRow("CAN, no motor with the ID") << Path::SerialAdapter << false << false;
    }

    void versions()
    {
        QFETCH(Path, path);
        QFETCH(bool, fromChat);
        QFETCH(bool, answered);
        Road road;
        QVERIFY(road.start(path));
        if (!answered)
            road.w()->on_canidChanged(0x25);
        if (fromChat)
            road.w()->on_invokeQtFunction("读版本");
        else
            road.group()->readVersionButton->click();
        if (!answered) {
            QTRY_COMPARE(shownMessages(), QList<int>{6});
            QVERIFY(road.group()->appVersionLabel->text().isEmpty());
            return;
        }
        // sw_ver holds the characters "1205", bl_ver the numbers 1, 0, 3, 0.
        QTRY_COMPARE(road.group()->appVersionLabel->text(), QString("1.2.0.5"));
        QCOMPARE(road.group()->loaderVersionLabel->text(), QString("1.0.3.0"));
        QVERIFY(shownMessages().isEmpty());
    }

    // The dialog of the menu action during an upgrade: progress, locked buttons, the
    // result; with ZK_SCREENSHOT_DIR set it is also saved as a picture.
    void dialogDuringUpgrade_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("done");
        QTest::newRow("Chinese") << "zh_CN" << "电机固件升级" << "升级完成";
        QTest::newRow("English") << "en_US" << "Motor Firmware Upgrade" << "Upgrade complete";
    }

    void dialogDuringUpgrade()
    {
        QFETCH(QString, language);
        QFETCH(QString, title);
        QFETCH(QString, done);
        Road road;
        QVERIFY(road.start(Path::Console));
        QVERIFY(road.w()->switchLanguage(language));
        QTemporaryDir dir;
        road.choose(writeFile(dir, "APP_V2.0.1.bin", image(5 * 8192)));
        road.group()->readVersionButton->click();
        QTRY_COMPARE(road.group()->appVersionLabel->text(), QString("1.2.0.5"));
        bool checked = false;
        road.onDialog = [&](QDialog *d) {
            auto *dialog = qobject_cast<FirmwareDialog *>(d);
            QVERIFY(dialog && !dialog->isFdcan());
            QCOMPARE(dialog->windowTitle(), title);
            QVERIFY(dialog->infoLabel->text().contains("V2.0.1"));
            QVERIFY(dialog->infoLabel->text().contains("Bootloader REV:1.0.3.0"));
            dialog->resize(360, 200);
            // Seen as it moves: the whole transfer may take less than one poll.
            bool midway = false, lockedMidway = false;
            connect(dialog->progressBar, &QProgressBar::valueChanged, dialog, [&](int v) {
                if (midway || v < 40)
                    return;
                midway = true;
                lockedMidway = !dialog->upgradeButton->isEnabled() && !dialog->fileOpenButton->isEnabled();
                const QString shots = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
                if (!shots.isEmpty())
                    dialog->grab().save(shots + "/firmware-dialog-" + language + ".png");
            });
            dialog->upgradeButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(!road.upgrade()->isRunning(), 20000);
            QVERIFY(midway && lockedMidway);
            QVERIFY(dialog->upgradeButton->isEnabled());
            QCOMPARE(dialog->progressBar->value(), 0);
            QVERIFY(dialog->infoLabel->text().contains(done));
            checked = true;
        };
        road.w()->on_actFirmwareUpdate_triggered();
        QVERIFY(checked);
        QVERIFY(!road.w()->motorFirmwareDialog());
        QCOMPARE(road.motor()->bootloader().transfers(), 1);
    }
};

QTEST_MAIN(TestFirmwareRoad)
#include "tst_firmwareroad.moc"
