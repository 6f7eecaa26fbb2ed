// The USB FDCAN adapter's connection panel, its custom timing dialog and firmware
// dialog, and the main window's side: pairing, connecting on port open, the timing
// read-back and its effects, and the assistant's rows. The adapter is scripted.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canTxModel.h"
#include "widgets/firmwareDialog.h"
#include "procedures/customCDC.h"
#include "link/usb/ui/connectGroupBox.h"
#include "link/usb/ui/customBaudDialog.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"
#include "widgets/switchbutton.h"

#include "fakeFdcan.h"
#include "link/usb/control_protocol.h"
#include "simUsbWindow.h"
#include "simWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Types into a dialog edit and leaves it, as the user would.
void enter(QDialog *d, const char *edit, const QString &text)
{
    auto *e = d->findChild<QLineEdit *>(edit);
    QVERIFY2(e, edit);
    e->setText(text);
    emit e->editingFinished();
}
QString text(QDialog *d, const char *name)
{
    if (auto *e = d->findChild<QLineEdit *>(name))
        return e->text();
    return d->findChild<QLabel *>(name)->text();
}
} // namespace

class TestFdcanPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    SimWindow sw;
    std::unique_ptr<FakeFdcan> adapter;
    SimUsbWindow usb; // the window on the simulated USB adapter, through the real binding

    MainWindow *w() const { return sw.window(); }
    ConnectGroupBox *panel() const { return w()->form()->fdcanGroupBox; }
    const Ui_ConnectGroupBox &pui() const { return panel()->form(); }

    // A window whose serial port is paired with the scripted adapter.
    void startPaired()
    {
        QVERIFY(sw.start(SimSerialAdapter::Adapter));
        adapter = std::make_unique<FakeFdcan>();
        adapter->pairs = {{"device:1,4", sw.adapter()->slavePath()}, {"device:1,5", "ttyUSB9"}};
        w()->setFdcanCommands(adapter.get());
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }
    void cleanup()
    {
        sw.stop(); // before the adapter it uses
        adapter.reset();
        usb.stop();
    }

    void customDialog_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QStringList>("input"); // edit name, text, ...
        QTest::addColumn<QStringList>("shown"); // widget name, text, ...
        QTest::newRow("1001 kbit/s refused") << true << QStringList{"idBaudEdit", "1001"}
                                             << QStringList{"idBaudEdit", "仲裁波特率不得大于1M", "idBaudDbrpEdit", ""};
        QTest::newRow("1000 kbit/s searched")
            << true << QStringList{"idBaudEdit", "1000"}
            << QStringList{"idBaudDbrpEdit", "2", "idBaudSeg1Edit", "29", "idBaudSeg2Edit", "10",
                           "idBaudSamplePointLabel", "75", "idBaudActualRateLabel", "1000000 bit/s，误差 +0.00%"};
        // The clock does not divide into 3 Mbit/s: the nearest timing is 2.6 % off, beyond
        // what that timing tolerates. The typed rate stays, the timing does not.
        QTest::newRow("3000 kbit/s data refused")
            << true << QStringList{"dataBaudEdit", "3000"}
            << QStringList{"dataBaudEdit", "3000", "dataBaudDbrpEdit", "", "dataBaudActualRateLabel",
                           "3076923 bit/s，误差 +2.56%，超过该位时序允许的 ±0.38%"};
        QTest::newRow("1500 kbit/s data has no timing")
            << true << QStringList{"dataBaudEdit", "1500"}
            << QStringList{"dataBaudEdit", "1500", "dataBaudActualRateLabel",
                           "1500 kbit/s 在 80 MHz 时钟下没有采样点在 65%~75% 的位时序"};
        QTest::newRow("300 kbit/s searched")
            << true << QStringList{"idBaudEdit", "300"}
            << QStringList{"idBaudDbrpEdit", "7", "idBaudSeg1Edit", "28", "idBaudSeg2Edit", "9",
                           "idBaudSamplePointLabel", "76.3158"};
        QTest::newRow("manual not whole")
            << false << QStringList{"idBaudDbrpEdit", "3", "idBaudSeg1Edit", "29", "idBaudSeg2Edit", "10"}
            << QStringList{"idBaudEdit", "非法波特率"};
        QTest::newRow("manual 500")
            << false << QStringList{"idBaudDbrpEdit", "10", "idBaudSeg1Edit", "11", "idBaudSeg2Edit", "4"}
            << QStringList{"idBaudEdit", "500", "idBaudSamplePointLabel", "0.75"};
        QTest::newRow("clock halves the rate")
            << false << QStringList{"idBaudDbrpEdit", "10", "idBaudSeg1Edit", "11", "idBaudSeg2Edit", "4",
                                    "SysClockEdit", "40"}
            << QStringList{"idBaudEdit", "250"};
    }

    void customDialog()
    {
        QFETCH(bool, automatic);
        QFETCH(QStringList, input);
        QFETCH(QStringList, shown);
        CustomBaudDialog d;
        QVERIFY(d.automaticMode());
        if (!automatic)
            d.findChild<QPushButton *>("autoParamBtn")->click();
        QCOMPARE(d.findChild<QLineEdit *>("idBaudDbrpEdit")->isEnabled(), !automatic);
        for (int i = 0; i + 1 < input.size(); i += 2)
            enter(&d, qPrintable(input[i]), input[i + 1]);
        for (int i = 0; i + 1 < shown.size(); i += 2)
            QCOMPARE(text(&d, qPrintable(shown[i])), shown[i + 1]);
    }

    void customDialogConfig_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QByteArray>("record"); // empty: refused with the critical box
        QTest::newRow("arbitration and data") << QStringList{"idBaudEdit", "500", "dataBaudEdit", "5000"}
                                              << QByteArray::fromHex("011d0a0204 0a050201");
        QTest::newRow("arbitration only") << QStringList{"idBaudEdit", "500"} << QByteArray::fromHex("001d0a0204 00000200");
        QTest::newRow("no arbitration") << QStringList{"dataBaudEdit", "2000"} << QByteArray();
        QTest::newRow("refused rate") << QStringList{"idBaudEdit", "1001"} << QByteArray();
        // A data rate asked for but without a valid timing must not quietly become
        // classic CAN.
        QTest::newRow("data rate without timing") << QStringList{"idBaudEdit", "500", "dataBaudEdit", "1500"}
                                                  << QByteArray();
        QTest::newRow("data rate 2.6 % off") << QStringList{"idBaudEdit", "500", "dataBaudEdit", "3000"}
                                             << QByteArray();
    }

    void customDialogConfig()
    {
        QFETCH(QStringList, input);
        QFETCH(QByteArray, record);
        DialogService::clearHistory();
        DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{}; });
        CustomBaudDialog d;
        QSignalSpy spy(&d, &CustomBaudDialog::customBaudConfig);
        for (int i = 0; i + 1 < input.size(); i += 2)
            enter(&d, qPrintable(input[i]), input[i + 1]);
        d.findChild<QPushButton *>("configBtn")->click();
        QCOMPARE(spy.size(), record.isEmpty() ? 0 : 1);
        if (!record.isEmpty())
            QCOMPARE(spy.at(0).at(0).value<customBaudconfiguration>().toPayload(), record);
        const QString why = DialogService::history().isEmpty() ? QString() : DialogService::history().last().text;
        const bool refused = why == "仲裁域参数不能为空" || why.startsWith("数据域参数无效，未配置：");
        QVERIFY2(refused == record.isEmpty(), qPrintable(why));
        DialogService::setHandler(nullptr);
    }

    void readback_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<bool>("fd");
        QTest::addColumn<QString>("idText");
        QTest::addColumn<QString>("dataText");
        QTest::addColumn<QString>("samplePoint");
        QTest::addColumn<int>("upgradeFlag");
        QTest::newRow("fd 1M / 5M") << QByteArray::fromHex("011d0a0202 05020202") << true << "1Mbps" << "5Mbps"
                                    << "75.0" << 0;
        QTest::newRow("classic custom 1M") << QByteArray::fromHex("000a050205 00000200") << false << "自定义1M"
                                           << "100Kbps" << "68.8" << -1;
    }

    // The read-back sets the panel, the transmit settings and the status bar.
    void readback()
    {
        QFETCH(QByteArray, record);
        QFETCH(bool, fd);
        startPaired();
        adapter->timing = record;
        QVERIFY(sw.open());
        Ui_MainWindow *ui = w()->form();
        QCOMPARE(adapter->timingReads, 1);
        QCOMPARE(pui().sw_btn_FDCAN->checked(), fd);
        QTEST(pui().id_baud_combox->currentText(), "idText");
        QTEST(pui().data_baud_combox->currentText(), "dataText");
        QTEST(pui().samplePointLabel->text(), "samplePoint");
        QCOMPARE(w()->txModel()->canType(), fd);
        QCOMPARE(w()->txModel()->dataSectionAcc(), fd);
        QCOMPARE(ui->dataSectionAcc->isChecked(), fd);
        QCOMPARE(ui->canDataStack->currentWidget(), fd ? ui->fdcanDataPage : ui->canDataPage);
        QCOMPARE(ui->comboFrame_canFrameType->isEnabled(), !fd);
        if (fd)
            QCOMPARE(w()->txModel()->canFrameType(), quint8(0));
        QTEST(int(w()->link()->upgradeFrameFlag), "upgradeFlag");
        QVERIFY(w()->adapterLabelText().startsWith(fd ? "数据域波特率:" : "波特率:"));

        // A failed read-back leaves everything as it is.
        const QString label = w()->adapterLabelText();
        adapter->timingReplies = false;
        w()->on_fdcanGetBaudRate_clicked();
        QCOMPARE(w()->adapterLabelText(), label);
        QTEST(pui().id_baud_combox->currentText(), "idText");
    }

    void pairingAndOpen_data()
    {
        QTest::addColumn<QString>("state");   // the adapter's answer to the state query
        QTest::addColumn<bool>("opens");      // the adapter can be opened
        QTest::addColumn<bool>("paired");     // the window's port belongs to the adapter
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<int>("timingReads");
        QTest::newRow("application") << "app sw_version: 1.0" << true << true << true << 1;
        QTest::newRow("bootloader: no read-back") << "boot" << true << true << true << 0;
        QTest::newRow("open fails: port closed again") << "app" << false << true << false << 0;
        QTest::newRow("unpaired port: serial only") << "app" << true << false << true << 0;
    }

    void pairingAndOpen()
    {
        QFETCH(bool, paired);
        QFETCH(bool, opens);
        startPaired();
        QFETCH(QString, state);
        adapter->state = state.toUtf8();
        adapter->openSucceeds = opens;
        QCOMPARE(pui().usb_device_comboBox->count(), 2);
        QCOMPARE(panel()->currentDevice(), QString("device:1,4"));
        QVERIFY(w()->isFdcanDeviceSelected());
        if (!paired) {
            pui().usb_device_comboBox->setCurrentText("device:1,5"); // its port is not listed
            QVERIFY(!w()->isFdcanDeviceSelected());
            adapter->pairs.remove("device:1,4");
            w()->on_comboCom_Port_currentIndexChanged(0);
            QCOMPARE(pui().usb_device_comboBox->currentIndex(), -1);
        }
        DialogService::clearHistory();
        QTEST(sw.open(), "portOpen");
        QCOMPARE(adapter->openedDevice, paired ? QString("device:1,4") : QString());
        QTEST(adapter->timingReads, "timingReads");
        QCOMPARE(pui().sw_btn_FDCAN->isEnabled(), paired);
        QCOMPARE(pui().refresh_usb_btn->isEnabled(), !w()->isPortOpen());
        if (paired && !opens)
            QCOMPARE(shownBoxes().value(0).second, QString("打开:device:1,4失败"));
        w()->on_actCom_Close_triggered();
        QVERIFY(!adapter->isConnected);
        QVERIFY(pui().refresh_usb_btn->isEnabled());
        QVERIFY(pui().sw_btn_FDCAN->isEnabled());
    }

    // The user picks a port: the paired adapter follows; and the other way round.
    void pairingFollowsSelection()
    {
        startPaired();
        QVERIFY(w()->isFdcanDeviceSelected());
        w()->addPortByPath("/dev/null");
        QComboBox *ports = w()->form()->comboCom_Port;
        ports->setCurrentIndex(ports->findText(sw.adapter()->slavePath()));
        ports->setCurrentIndex(ports->findText("/dev/null"));
        QCOMPARE(pui().usb_device_comboBox->currentIndex(), -1);
        QVERIFY(!w()->isFdcanDeviceSelected());
        pui().usb_device_comboBox->setCurrentText("device:1,4");
        QCOMPARE(w()->form()->comboCom_Port->currentText(), sw.adapter()->slavePath());
        QVERIFY(w()->isFdcanDeviceSelected());
    }

    // The custom entry opens the dialog; its record reaches the adapter and is read back.
    void customThroughPanel()
    {
        startPaired();
        QVERIFY(sw.open());
        DialogService::setHandler([](const DialogService::Request &r) {
            if (auto *d = qobject_cast<CustomBaudDialog *>(r.dialog)) {
                enter(d, "idBaudEdit", "300");
                d->findChild<QPushButton *>("configBtn")->click();
            }
            return DialogService::Reply{QMessageBox::Ok, {}};
        });
        pui().id_baud_combox->setCurrentIndex(kArbitrationCustomIndex);
        emit pui().id_baud_combox->activated(kArbitrationCustomIndex);
        QCOMPARE(adapter->setups.size(), 1);
        QCOMPARE(adapter->setups[0].toPayload(), QByteArray::fromHex("001c090207 00000200"));
        QCOMPARE(pui().id_baud_combox->currentText(), QString("自定义300.751k"));
        QCOMPARE(w()->adapterLabelText(), QString("波特率:300.751k"));
        // The selection came from the adapter: its first activation only clears that mark.
        QVERIFY(panel()->customSelectionMarked());
        emit pui().id_baud_combox->activated(kArbitrationCustomIndex);
        QCOMPARE(adapter->setups.size(), 1);
        emit pui().id_baud_combox->activated(kArbitrationCustomIndex);
        QCOMPARE(adapter->setups.size(), 2);
    }

    void assistantRows()
    {
        startPaired();
        QVERIFY(sw.open());
        w()->on_invokeQtFunction("已经将仲裁域波特率设置为500K!");
        QCOMPARE(pui().id_baud_combox->currentText(), QString("500Kbps"));
        QCOMPARE(pui().samplePointLabel->text(), QString("87.5"));
        w()->on_invokeQtFunction("切换为FDCAN!");
        QVERIFY(pui().sw_btn_FDCAN->checked());
        QVERIFY(pui().data_baud_combox->isVisibleTo(panel()));
        QVERIFY(pui().dataBaudLabel->isVisibleTo(panel()));
        w()->on_invokeQtFunction("已经将数据域波特率设置为2M!");
        QCOMPARE(pui().data_baud_combox->currentText(), QString("2Mbps"));
        w()->on_invokeQtFunction("已经将CAN波特率设置为125K!");
        QCOMPARE(pui().id_baud_combox->currentText(), QString("125Kbps"));
        w()->on_invokeQtFunction("更新配置!");
        QCOMPARE(adapter->setups.size(), 1);
        QCOMPARE(adapter->setups[0], customBaudconfiguration::fromPresets(true, 4, 4));
        w()->on_invokeQtFunction("切换为CAN2.0!");
        QVERIFY(!pui().sw_btn_FDCAN->checked());
        QVERIFY(!pui().data_baud_combox->isVisibleTo(panel()));
        QVERIFY(!pui().dataBaudLabel->isVisibleTo(panel()));
    }

    void simulatedConfigureAndReadBack_data()
    {
        QTest::addColumn<bool>("fd");
        QTest::addColumn<int>("idIndex");
        QTest::addColumn<int>("dataIndex");
        QTest::addColumn<int>("refusal"); // ack code of the set-up command, 0: accepted; -1: port closed
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("adapterLabel");
        QTest::newRow("not connected") << false << 4 << 0 << -1 << 10 << "DUR2IZA";
        QTest::newRow("classic 125K") << false << 4 << 0 << 0 << 15 << "波特率:125k";
        QTest::newRow("fd 500K / 3.2M") << true << 1 << 2 << 0 << 15 << "数据域波特率:3.2M";
        QTest::newRow("refused") << true << 1 << 2 << 3 << 16 << "波特率:1M";
    }

    void simulatedConfigureAndReadBack()
    {
        QFETCH(bool, fd);
        QFETCH(int, idIndex);
        QFETCH(int, dataIndex);
        QFETCH(int, refusal);
        QVERIFY(usb.start());
        usb.adapter()->setTiming(customBaudconfiguration::fromPresets(false, 0, 0).toPayload());
        usb.adapter()->refuseCommand(UsbCmd::SetupBaud, quint8(qMax(refusal, 0)));
        if (refusal >= 0)
            QVERIFY(usb.open());
        const auto &p = usb.window()->form()->fdcanGroupBox->form();
        p.sw_btn_FDCAN->setChecked(fd);
        p.id_baud_combox->setCurrentIndex(idIndex);
        p.data_baud_combox->setCurrentIndex(dataIndex);
        DialogService::clearHistory();
        p.config_btn->click();
        QTEST(shownMessages().value(0, -1), "message");
        const QByteArray sent = customBaudconfiguration::fromPresets(fd, idIndex, dataIndex).toPayload();
        QCOMPARE(usb.adapter()->timing() == sent, refusal == 0);
        QTEST(usb.window()->adapterLabelText(), "adapterLabel");
        QCOMPARE(usb.window()->txModel()->canType(), fd && refusal == 0);
    }

    // Version read and upgrade into the simulated adapter's bootloader.
    void simulatedFirmwareUpgrade()
    {
        QVERIFY(usb.start());
        usb.adapter()->setBootMode(true);
        usb.adapter()->setVersionText("0.9");
        QTemporaryDir dir;
        const QString path = dir.filePath("adapter.enc");
        QByteArray image(10000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(1 + i % 253);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();
        QStringList asked;
        DialogService::setHandler([path, &asked](const DialogService::Request &r) {
            const bool question = r.dialog && r.dialog->objectName() == "firmwareConfirmation";
            if (question)
                asked << static_cast<FactsDialog *>(r.dialog.data())->text();
            return DialogService::Reply{question ? int(QDialog::Accepted) : int(QMessageBox::Ok),
                                        r.kind == DialogService::OpenFile ? path : QString()};
        });
        usb.adapter()->setVersionAfterUpgrade("1.0.3");

        usb.window()->on_fdcanupdateDialogShow();
        FirmwareDialog *d = usb.window()->form()->fdcanGroupBox->firmwareDialog();
        QVERIFY(d && d->isVisible() && d->isFdcan());
        d->upgradeButton->click(); // port closed
        QVERIFY(usb.open());
        QVERIFY(!usb.adapter()->commandCodes().contains(UsbCmd::GetBaudRate)); // boot: no read-back
        d->upgradeButton->click(); // no image chosen
        QCOMPARE(shownMessages(), (QList<int>{10, 9}));
        d->readVersionButton->click();
        QVERIFY2(d->infoLabel->text().contains("0.9(boot)"), qPrintable(d->infoLabel->text()));
        d->fileOpenButton->click();
        d->upgradeButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(d->infoLabel->text().contains("升级完成"), 10000);
        QCOMPARE(usb.adapter()->firmwarePackets(), 3);
        QVERIFY(usb.adapter()->firmwareComplete());
        QCOMPARE(usb.adapter()->firmwareImage(), image + QByteArray(3 * 4096 - image.size(), '\0'));
        QCOMPARE(d->progressBar->value(), 100);
        // Asked first with the facts; the versions before and after once it is done.
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains("文件: " + QDir::toNativeSeparators(path)), qPrintable(asked.first()));
        QVERIFY2(asked.first().contains("大小: 10000 字节，3 包（每包 4096 字节）"), qPrintable(asked.first()));
        QVERIFY2(asked.first().contains("当前版本: 0.9(boot)"), qPrintable(asked.first()));
        QTRY_VERIFY_WITH_TIMEOUT(d->infoLabel->text().contains("版本 0.9(boot) → 1.0.3"), 5000);

        // A refused sector: the reason is shown and the control stays locked.
        usb.adapter()->refuseCommand(UsbCmd::IapPack, 6);
        d->upgradeButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(d->infoLabel->text().contains("闪存损坏"), 10000);
        QVERIFY(!d->upgradeButton->isEnabled());
    }
};

QTEST_MAIN(TestFdcanPanel)
#include "tst_fdcanpanel.moc"
