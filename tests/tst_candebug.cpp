// The CAN tab end to end against the simulated adapters: sending once, N times and
// periodically with counting through either adapter, the log of both directions with
// its filter, copy and export, the bus-load window and the feedback analysis field.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canFrameModel.h"
#include "can/canTxModel.h"
#include "can/ui/canLogBar.h"
#include "can/ui/canTxDialogs.h"
#include "can/ui/feedbackAnalysisBox.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/dialogService.h"

#include "byteHelpers.h"
#include "simUsbWindow.h"
#include "simWindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <tuple>
#include <functional>
#include <sys/resource.h>

namespace {

// The transmit panel as a user fills it.
struct Panel {
    Panel(QString id = "7FF", QString length = "8", QString data = QString(), QString times = "1",
          QString interval = "0", bool dataAcc = false, QString step = QString(), QString stopId = QString(),
          bool fd = false)
        : id(id), length(length), data(data), times(times), interval(interval), dataAcc(dataAcc), step(step),
          stopId(stopId), fd(fd)
    {
    }
    QString id, length, data, times, interval;
    bool dataAcc;
    QString step; // set: ID counting with this step and stop ID
    QString stopId;
    bool fd; // the CAN FD page
};

} // namespace
Q_DECLARE_METATYPE(Panel)

class TestCanDebug : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    SimWindow serial;
    SimUsbWindow usb;
    MainWindow *w = nullptr;
    // What the column chooser does before it is accepted (nothing: all columns).
    std::function<void(ExportColumnsDialog *)> chooseColumns;
    QString savePath;

    Ui_MainWindow *ui() const { return w->form(); }

    void answerDialogs()
    {
        DialogService::setHandler([this](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = QMessageBox::Ok;
            if (r.kind == DialogService::SaveFile)
                reply.path = savePath;
            if (auto *d = qobject_cast<ExportColumnsDialog *>(r.dialog)) {
                if (chooseColumns)
                    chooseColumns(d);
                reply.result = QDialog::Accepted;
            }
            return reply;
        });
    }

    bool startSerial()
    {
        QString error;
        if (!serial.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error) || !serial.open())
            return false;
        w = serial.window();
        answerDialogs();
        return true;
    }

    bool startUsb()
    {
        QString error;
        if (!usb.start(&error) || !usb.open())
            return false;
        w = usb.window();
        answerDialogs();
        return true;
    }

    void fill(const Panel &p)
    {
        const bool fd = p.fd;
        if (fd)
            w->txModel()->setCANType(true);
        ui()->canIdEdit->setText(p.id);
        emit ui()->canIdEdit->editingFinished();
        (fd ? ui()->fdcanDataLenEdit : ui()->canDataLenEdit)->setText(p.length);
        (fd ? ui()->fdcanDataEdit : ui()->canDataEdit)->setPlainText(p.data);
        ui()->sendTimesEdit->setText(p.times);
        ui()->sendIntervalEdit->setText(p.interval);
        ui()->dataAcc->setChecked(p.dataAcc);
        if (!p.step.isEmpty()) {
            ui()->idAcc->click();
            auto *d = w->findChild<IdIncrementDialog *>();
            QVERIFY(d && d->isVisible());
            d->stepEdit()->setText(p.step);
            d->stopIdEdit()->setText(p.stopId);
            d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        }
    }

    // The frames the simulated adapter in use put on its bus: IDs and data.
    QPair<QList<quint32>, QList<QByteArray>> bus() const
    {
        QPair<QList<quint32>, QList<QByteArray>> out;
        auto add = [&](quint32 id, const QByteArray &data) { out.first << id, out.second << data; };
        for (const SimCanFrame &f : serial.adapter() ? serial.adapter()->busFrames() : QList<SimCanFrame>())
            add(f.id, f.data);
        for (const SimUsbFrame &f : usb.adapter() ? usb.adapter()->busFrames() : QList<SimUsbFrame>())
            add(f.id, f.data);
        return out;
    }
    int sent() const { return int(bus().first.size()); }

    int rowsWithStatus(const QString &status) const
    {
        int n = 0;
        for (int r = 0; r < w->frameModel()->storedRowCount(); ++r)
            n += w->frameModel()->storedRow(r).statusText() == status ? 1 : 0;
        return n;
    }

    int warnings(const QString &text) const
    {
        int n = 0;
        for (const auto &r : DialogService::history())
            n += r.kind == DialogService::Warning && r.text == text ? 1 : 0;
        return n;
    }

    static QList<QByteArray> fileLines(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = f.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

private slots:
    void initTestCase()
    {
        Logger::init(dir.path(), Logger::DEBUG);
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }

    void cleanup()
    {
        serial.stop();
        usb.stop();
        w = nullptr;
        chooseColumns = nullptr;
    }

    void sends_data()
    {
        QTest::addColumn<bool>("usbAdapter");
        QTest::addColumn<Panel>("panel");
        QTest::addColumn<QList<quint32>>("ids");
        QTest::addColumn<QList<QByteArray>>("data");
        QTest::addColumn<bool>("motorAnswers");
        for (const bool u : {false, true}) {
            const char *a = u ? "USB: " : "serial: ";
            QTest::addRow("%sonce, to the motor", a) << u << Panel{"1", "8", "FF FF FF FF FF FF FF FC"} << QList<quint32>{1}
                                                     << QList<QByteArray>{QByteArray::fromHex("FFFFFFFFFFFFFFFC")} << true;
            QTest::addRow("%sfive times, surplus data ignored", a)
                << u << Panel{"7FF", "1", "AA BB", "5", "1"} << QList<quint32>(5, 0x7FF)
                << QList<QByteArray>(5, bytes({0xAA})) << false;
            QTest::addRow("%sdata and ID counting", a)
                << u << Panel{"100", "2", "", "4", "1", true, "2", "7FF"} << QList<quint32>{0x100, 0x102, 0x104, 0x106}
                << QList<QByteArray>{bytes({0, 0}), bytes({1, 0}), bytes({2, 0}), bytes({3, 0})} << false;
            // The USB adapter counts by itself: its ID wraps back to the first one, its data
            // counts in any length. 0x101 and 1 are motor 1's IDs.
            QTest::addRow("%sID wraps at stop ID + 1, data of length 3", a)
                << u << Panel{"100", "3", "1 2 3", "4", "1", !u, "1", "101"}
                << (u ? QList<quint32>{0x100, 0x101, 0x100, 0x101} : QList<quint32>{0x100, 0x101, 0, 1})
                << QList<QByteArray>(4, bytes({0x12, 0x30, 0})) << true;
        }
        QTest::newRow("USB: CAN FD, 12 bytes") << true << Panel{"123", "12", "1 2 3", "1", "0", false, "", "", true}
                                               << QList<quint32>{0x123}
                                               << QList<QByteArray>{QByteArray::fromHex("123000000000000000000000")} << false;
    }

    void sends()
    {
        QFETCH(bool, usbAdapter);
        QFETCH(Panel, panel);
        QFETCH(QList<quint32>, ids);
        QFETCH(QList<QByteArray>, data);
        QFETCH(bool, motorAnswers);
        QVERIFY(usbAdapter ? startUsb() : startSerial());
        fill(panel);
        ui()->btn_CANSend->click();
        QTRY_COMPARE_WITH_TIMEOUT(sent(), ids.size(), 5000);
        QTest::qWait(50);
        QCOMPARE(bus(), qMakePair(ids, data));
        // Both directions in the log: every frame sent as the adapter reports it, and the
        // motor's answer.
        QTRY_COMPARE_WITH_TIMEOUT(rowsWithStatus("发送成功"), ids.size(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rowsWithStatus("接收成功") > 0, motorAnswers, 5000);
    }

    void stopThenSendAgain_data()
    {
        QTest::addColumn<bool>("usbAdapter");
        QTest::addColumn<QString>("times");
        QTest::newRow("serial: the counter goes on from where the stop left it") << false << "1000";
        QTest::newRow("serial: -1 sends until stopped") << false << "-1";
        QTest::newRow("USB: repeats until stopped, starts anew") << true << "-1";
    }

    void stopThenSendAgain()
    {
        QFETCH(bool, usbAdapter);
        QFETCH(QString, times);
        QVERIFY(usbAdapter ? startUsb() : startSerial());
        fill({"7FF", "1", "", times, "20", true});
        ui()->btn_CANSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(sent() >= 3, 5000);
        ui()->btn_CANStop->click();
        QTest::qWait(100);
        const int before = sent();
        QTest::qWait(100);
        QCOMPARE(sent(), before);
        ui()->btn_CANSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(sent() > before, 5000);
        ui()->btn_CANStop->click();
        QCOMPARE(bus().second[before], bytes({usbAdapter ? 0 : before}));
    }

    // What the panel cannot send as typed is refused with a warning, and nothing goes out.
    void refusedSettings_data()
    {
        QTest::addColumn<bool>("usbAdapter");
        QTest::addColumn<Panel>("panel");
        QTest::addColumn<quint16>("step"); // set behind the dialog's back: the adapter came later
        QTest::addColumn<QString>("warning");
        for (const bool u : {false, true}) {
            const char *a = u ? "USB: " : "serial: ";
            QTest::addRow("%sID not hexadecimal", a) << u << Panel{"XYZ"} << quint16(1) << "“XYZ”不是有效的CAN ID";
            QTest::addRow("%sID with a bad digit", a) << u << Panel{"XYZ1"} << quint16(1) << "“XYZ1”不是有效的CAN ID";
            QTest::addRow("%scount not a number", a) << u << Panel{"7FF", "1", "11", "abc"} << quint16(1)
                                                   << "“abc”不是有效的发送次数";
            QTest::addRow("%snegative count", a) << u << Panel{"7FF", "1", "11", "-5"} << quint16(1)
                                               << "“-5”不是有效的发送次数";
        }
        QTest::newRow("USB: ID step above a byte") << true << Panel{"100", "1", "11", "3", "1", false, "1", "7FF"}
                                                   << quint16(300) << "USB适配器的发送记录只能携带 0 到 255 的ID步距，当前步距为 300";
    }

    void refusedSettings()
    {
        QFETCH(bool, usbAdapter);
        QFETCH(Panel, panel);
        QFETCH(quint16, step);
        QFETCH(QString, warning);
        QVERIFY(usbAdapter ? startUsb() : startSerial());
        fill(panel);
        w->setCanTabIdStep(step);
        ui()->btn_CANSend->click();
        QTest::qWait(100);
        QCOMPARE(sent(), 0);
        const auto history = DialogService::history();
        const bool warned = std::any_of(history.begin(), history.end(), [&](const auto &r) {
            return r.kind == DialogService::Warning && r.text.startsWith(warning);
        });
        QVERIFY2(warned, qPrintable(warning));
        // A bad ID is marked as soon as the edit is left.
        QCOMPARE(ui()->canIdEdit->styleSheet().contains("red"), panel.id.startsWith("XYZ"));
    }

    void usbStepDialogSaysWhatTheAdapterCarries()
    {
        QVERIFY(startUsb());
        fill({"100", "1", "11", "1", "0", false, "256", "7FF"});
        auto *d = w->findChild<IdIncrementDialog *>();
        QVERIFY(d && d->isVisible()); // still open: 256 would reach the adapter as 0
        QVERIFY(DialogService::history().last().text.startsWith("USB适配器的发送记录只能携带 0 到 255 的步距"));
        QCOMPARE(w->canTabIdStep(), quint16(1));
        d->stepEdit()->setText("255");
        d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(w->canTabIdStep(), quint16(255));
    }

    // The box decides the bit-rate switch of the tab's FD frames, whatever the adapter's
    // read-back proposed.
    void bitRateSwitchFollowsTheBox_data()
    {
        QTest::addColumn<bool>("box");
        QTest::newRow("unchecked after a CAN FD read-back") << false;
        QTest::newRow("checked") << true;
    }

    void bitRateSwitchFollowsTheBox()
    {
        QFETCH(bool, box);
        QString error;
        QVERIFY2(usb.start(&error), qPrintable(error));
        usb.adapter()->setTiming(QByteArray::fromHex("011d0a0202 05020202")); // CAN FD, 1M / 5M
        QVERIFY(usb.open());
        w = usb.window();
        answerDialogs();
        QVERIFY(ui()->dataSectionAcc->isChecked());
        ui()->dataSectionAcc->setChecked(box);
        fill({"123", "12", "1 2 3", "1", "0", false, "", "", true});
        ui()->btn_CANSend->click();
        QTRY_COMPARE_WITH_TIMEOUT(sent(), 1, 5000);
        const SimUsbFrame f = usb.adapter()->busFrames().last();
        QVERIFY(f.fd);
        QCOMPARE(f.bitRateSwitch, box);
    }

    // Under each data field, the bytes a send would carry as the user types.
    void dataPreview_data()
    {
        QTest::addColumn<bool>("fd");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("odd digits padded") << false << "8" << "1 2 3" << "发送数据：12 30 00 00 00 00 00 00";
        QTest::newRow("whole") << false << "2" << "11 22" << "发送数据：11 22";
        QTest::newRow("length 0") << false << "0" << "" << "发送数据：(无)";
        QTest::newRow("no length") << false << "" << "11" << "发送数据：请填写数据长度";
        QTest::newRow("FD 12 bytes") << true << "12" << "AB" << "发送数据：AB 00 00 00 00 00 00 00 00 00 00 00";
    }

    void dataPreview()
    {
        QFETCH(bool, fd);
        QFETCH(QString, length);
        QFETCH(QString, typed);
        MainWindow window;
        Ui_MainWindow *form = window.form();
        (fd ? form->fdcanDataLenEdit : form->canDataLenEdit)->setText(length);
        QTest::keyClicks(fd ? form->fdcanDataEdit : form->canDataEdit, typed);
        QTEST((fd ? form->fdcanDataPreviewLabel : form->canDataPreviewLabel)->text(), "shown");
        // The field itself is normalised only when a send converts it.
        QCOMPARE((fd ? form->fdcanDataEdit : form->canDataEdit)->toPlainText().remove(' '), QString(typed).remove(' '));
    }

    void serialBadDataStopsTheRun()
    {
        QVERIFY(startSerial());
        fill({"7FF", "1", "01", "1000", "5"});
        ui()->btn_CANSend->click();
        QTRY_VERIFY_WITH_TIMEOUT(sent() >= 2, 5000);
        ui()->canDataEdit->setPlainText("ZZ");
        QTRY_COMPARE_WITH_TIMEOUT(warnings("Invalid hexadecimal value: ZZ"), 1, 5000);
        const int before = sent();
        QTest::qWait(100);
        QCOMPARE(sent(), before);
        QCOMPARE(warnings("Invalid hexadecimal value: ZZ"), 1);
    }

    void refusedSends()
    {
        QVERIFY(startSerial());
        fill({"7FF", "", "11"});
        ui()->btn_CANSend->click();
        QCOMPARE(warnings("dlc输入不合法"), 1);
        w->on_actCom_Close_triggered();
        fill({"7FF", "1", "11"});
        ui()->btn_CANSend->click();
        QCOMPARE(shownMessages(), QList<int>{0});
        QTest::qWait(50);
        QCOMPARE(sent(), 0);
        // Lengths the fields refuse are cleared as they are typed.
        for (auto [edit, typed, kept] : {std::make_tuple(ui()->canDataLenEdit, "9", ""), {ui()->canDataLenEdit, "8", "8"},
                                         {ui()->fdcanDataLenEdit, "12", "12"}, {ui()->fdcanDataLenEdit, "10", ""}}) {
            edit->clear();
            QTest::keyClicks(edit, typed);
            QCOMPARE(edit->text(), QString(kept));
        }
    }

    void filterCopyAndExport()
    {
        QVERIFY(startSerial());
        SimSerialAdapter *sim = serial.adapter();
        QByteArray traffic;
        for (int k = 0; k < 3; ++k)
            traffic += SimCodec::receiveFrame(SimCodec::StatusRxOk, 0x100 + k, bytes({k}));
        traffic += SimCodec::receiveFrame(SimCodec::StatusHeartbeat, 0, {});
        for (int k = 0; k < 2; ++k)
            traffic += SimCodec::receiveFrame(SimCodec::StatusTxOk, 0x200, bytes({0x22, '"'}));
        traffic += SimCodec::receiveFrame(SimCodec::StatusHeartbeat, 0, {});
        sim->injectBytes(traffic);
        CANFrameModel *m = w->frameModel();
        QTRY_COMPARE_WITH_TIMEOUT(m->storedRowCount(), 7, 5000);

        CANLogBar *bar = ui()->canLogBar;
        bar->directionCombo()->setCurrentIndex(2); // sent only
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(bar->findChild<QLabel *>("canLogCountLabel")->text(), QString("显示 2 / 7 帧"));
        bar->directionCombo()->setCurrentIndex(0);
        bar->hideHeartbeatsBox()->setChecked(true);
        QCOMPARE(m->rowCount(), 5);
        bar->idFilterEdit()->setText("100-101");
        QCOMPARE(m->rowCount(), 2);
        bar->idFilterEdit()->setText("100-1G1"); // mistyped: the rows stay as they were
        QCOMPARE(m->rowCount(), 2);
        QVERIFY(bar->findChild<QLabel *>("canLogIdError")->isVisibleTo(bar));
        // The motor protocol's kinds and motors: none of this traffic is a motor frame.
        bar->kindCombo()->setCurrentIndex(1);
        QCOMPARE(m->rowCount(), 0);
        bar->kindCombo()->setCurrentIndex(0);
        bar->idFilterEdit()->setText("100-101");
        bar->motorIdEdit()->setText("1G"); // mistyped: the rows stay as they were
        QCOMPARE(m->rowCount(), 2);
        QVERIFY(bar->findChild<QLabel *>("canLogIdError")->text().contains("1G"));
        bar->motorIdEdit()->setText("1");
        QCOMPARE(m->rowCount(), 0);
        bar->motorIdEdit()->clear();
        QCOMPARE(m->storedRowCount(), 7);

        // Copy-all and the export keep every frame; the filtered export is asked for.
        w->copyWholeLog();
        QCOMPARE(QGuiApplication::clipboard()->text().split('\n').size(), 7);
        savePath = dir.filePath("all.csv");
        w->on_ExportAnaysis_clicked();
        QCOMPARE(fileLines(savePath).size(), 8);
        // The decoded column is shown, so it is exported too: empty for a frame of no motor kind.
        QCOMPARE(fileLines(savePath).at(5).split(',').mid(8), (QList<QByteArray>{"\"22 22\"", "\"\""}));
        savePath = dir.filePath("shown.csv");
        chooseColumns = [](ExportColumnsDialog *d) {
            for (int i = 0; i < d->list()->count(); ++i)
                d->list()->item(i)->setCheckState(i == 5 ? Qt::Checked : Qt::Unchecked);
            d->visibleOnlyBox()->setChecked(true);
        };
        w->on_ExportAnaysis_clicked();
        QCOMPARE(fileLines(savePath), (QList<QByteArray>{"\"ID\"", "\"0x100\"", "\"0x101\""}));
        chooseColumns = [](ExportColumnsDialog *d) {
            for (int i = 0; i < d->list()->count(); ++i)
                d->list()->item(i)->setCheckState(Qt::Unchecked);
        };
        savePath = dir.filePath("none.csv");
        w->on_ExportAnaysis_clicked();
        QCOMPARE(warnings("请至少选择一列进行导出！"), 1);
        QVERIFY(!QFile::exists(savePath));

        // The rows speak the language of the moment.
        QVERIFY(w->switchLanguage("en_US"));
        QCOMPARE(m->index(0, 6).data().toString(), QString("Rx Succ."));
        QVERIFY(w->switchLanguage("zh_CN"));
    }

    void failedExportKeepsTheEarlierFile()
    {
        QVERIFY(startSerial());
        QList<CANFrameData> rows;
        for (int k = 0; k < 2000; ++k) {
            CANFrameData r;
            r.index = quint32(k);
            rows << r;
        }
        w->frameModel()->appendRows(rows);
        savePath = dir.filePath("earlier.csv");
        {
            QFile f(savePath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier\n");
        }
        // A file system that takes no more than 4 KiB from this process (root included).
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        w->on_ExportAnaysis_clicked();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(warnings("写入文件失败，原文件保持不变: " + savePath), 1);
        QCOMPARE(fileLines(savePath), QList<QByteArray>{"earlier"});
        QCOMPARE(QDir(dir.path()).entryList({"earlier.csv*"}, QDir::Files), QStringList{"earlier.csv"});

        savePath = dir.filePath("no/such/folder.csv");
        w->on_ExportAnaysis_clicked();
        QCOMPARE(warnings("无法打开文件: " + savePath), 1);
    }

    void busLoadWindow()
    {
        QVERIFY(startUsb());
        QGroupBox *meter = ui()->CORGroupBox;
        QWidget *home = meter->parentWidget();
        ui()->canLogBar->busLoadButton()->click();
        QWidget *window = w->busLoadWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QString("总线占用率实时曲线"));
        QCOMPARE(meter->window(), window);
        ui()->canLogBar->busLoadButton()->click(); // raises the one window
        QCOMPARE(w->busLoadWindow(), window);

        // Ten times what a classic bus carries: the meter stops at 99 %.
        SimFlood flood;
        flood.framesPerSecond = 100000;
        usb.adapter()->startFlood(flood);
        QTRY_COMPARE_WITH_TIMEOUT(w->busLoad(), 99.0, 5000);
        QCOMPARE(ui()->CORLegendValueLabel->text(), QString("99.0"));
        usb.adapter()->stopStreaming();

        window->close();
        QTRY_VERIFY(!w->busLoadWindow());
        QCOMPARE(meter->parentWidget(), home);
    }

    void logFollowsTheEndOrHoldsThePlace()
    {
        MainWindow window;
        window.show();
        window.form()->tabWidget->setCurrentWidget(window.form()->tab_CAN);
        QTableView *view = window.form()->tableView;
        QScrollBar *bar = view->verticalScrollBar();
        quint32 next = 1;
        auto append = [&](int n) {
            QList<CANFrameData> rows(n);
            for (CANFrameData &r : rows)
                r.index = next++;
            emit window.CANRxVector(rows);
            QCoreApplication::processEvents();
        };
        auto topRow = [&] { return view->indexAt(QPoint(2, 2)).data().toUInt(); };
        append(CANFrameModel::kMaxRows);
        QCOMPARE(bar->value(), bar->maximum());
        // Scrolled back to read: the frames on screen stay while older ones leave.
        bar->setValue(5000);
        const quint32 reading = topRow();
        append(1000);
        QCOMPARE(topRow(), reading);
        QCOMPARE(bar->value(), 4000);
        // Back at the end: the log follows the newest frame again.
        bar->setValue(bar->maximum());
        append(10);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(view->indexAt(QPoint(2, view->viewport()->height() - 2)).data().toUInt(), next - 1);
    }

    void feedbackAnalysis_data()
    {
        QTest::addColumn<QString>("text");
        // position, velocity, torque, motor temp, driver temp, state reported (-1: none)
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("zeros") << "00 00 00 00 00 00 00 00" << QStringList{"-12.5", "-30", "-10", "0 ℃", "0 ℃", "0"};
        QTest::newRow("full scale, temperatures")
            << "00 FF FF FF FF FF 1E 28" << QStringList{"12.5", "30", "10", "40 ℃", "30 ℃", "0"};
        QTest::newRow("short: padded with 0") << "1" << QStringList{"-12.5", "-30", "-10", "0 ℃", "0 ℃", "1"};
        QTest::newRow("longer: 16 digits read") << "0000000000001E28 FF" << QStringList{"-12.5", "-30", "-10", "40 ℃", "30 ℃", "0"};
        QTest::newRow("not hex: nothing changes") << "0G 00 00 00 00 00 00 00" << QStringList{"NA", "NA", "NA", "Na", "Na", "-1"};
        QTest::newRow("sign is no digit") << "+F" << QStringList{"NA", "NA", "NA", "Na", "Na", "-1"};
    }

    void feedbackAnalysis()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, labels);
        DialogService::clearHistory();
        answerDialogs();
        MainWindow window;
        QSignalSpy state(&window, &MainWindow::motorErrorChanged);
        FeedbackAnalysisBox *box = window.form()->feedbackAnalysisBox;
        box->edit()->setText(text);
        emit box->edit()->editingFinished();
        const QStringList shown = {box->positionLabel()->text(), box->velocityLabel()->text(),
                                   box->torqueLabel()->text(), window.form()->motorTempLabel->text(),
                                   window.form()->driverTempLabel->text(),
                                   state.isEmpty() ? "-1" : QString::number(state.last().first().toInt())};
        QCOMPARE(shown, labels);
        QCOMPARE(warnings("无效的十六进制字符: " + text.left(2)), labels[0] == "NA" ? 1 : 0);
        DialogService::setHandler(nullptr);
    }
};

QTEST_MAIN(TestCanDebug)
#include "tst_candebug.moc"
