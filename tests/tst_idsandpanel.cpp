// Motor IDs, the bus scan and the control panel end to end: the window against a
// simulated serial adapter with several motors on its bus (their own CAN IDs, master IDs
// and bit rates), through the real port code.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "charts/ui/waveForm.h"
#include "log/log.h"
#include "simWindow.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using Setups = QList<SimBus::MotorSetup>;
Q_DECLARE_METATYPE(Setups)

namespace {
const Setups kTwoMotors = {{1, 0x11, 4, SimMotor::Layout::Long}, {2, 0x12, 3, SimMotor::Layout::Long}};
}

class TestIdsAndPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    SimWindow sw;
    bool acceptConfirmation = false;
    QStringList confirmations; // texts of the confirmation dialogs, in order

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }
    QLabel *baudLabel() const { return w()->findChild<QLabel *>("motorBaudLabel"); }

    void useBus(const Setups &setups)
    {
        sw.adapter()->clearMotors();
        for (const SimBus::MotorSetup &s : setups)
            sw.adapter()->bus()->addMotor(s);
    }
    void setIds(const QString &canid, const QString &masterid)
    {
        ui()->canidEdit_2->setText(canid);
        ui()->canidEdit->setText(canid);
        ui()->masteridEdit->setText(masterid);
    }
    QStringList shownIds() const
    {
        return {ui()->canidEdit->text(), ui()->canidEdit_2->text(), ui()->masteridEdit->text()};
    }

private slots:
    void initTestCase()
    {
        Logger::init(logDir.path(), Logger::DEBUG);
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }

    void init()
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
        // Confirmations are answered as the test says; every other box with OK.
        acceptConfirmation = false;
        confirmations.clear();
        DialogService::setHandler([this](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = QMessageBox::Ok;
            if (r.kind == DialogService::Dialog && r.dialog && r.dialog->objectName() == "confirmationDialog") {
                confirmations << r.dialog->findChild<QLabel *>()->text();
                reply.result = acceptConfirmation ? QDialog::Accepted : QDialog::Rejected;
            }
            return reply;
        });
        useBus(kTwoMotors);
    }

    void cleanup() { sw.stop(); }

    // ---------------------------------------------------------------- bus scan

    void scanOutcomes_data()
    {
        QTest::addColumn<Setups>("bus");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("ids"); // canidEdit, canidEdit_2, masteridEdit afterwards
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("warning");
        QTest::newRow("motor 1 of 1 and 2") << kTwoMotors << "1" << QStringList{"1", "1", "11"} << "电机波特率:1M"
                                            << "";
        QTest::newRow("motor 2 of 1 and 2") << kTwoMotors << "2" << QStringList{"2", "2", "12"}
                                            << "电机波特率:500K" << "";
        QTest::newRow("motor 5 missing, 1 and 2 on the bus")
            << kTwoMotors << "5" << QStringList{"", "", ""} << "电机波特率未识别"
            << "总线上 ID：0x05 不存在，\n总线上设备数量为 2，ID：0X01, 0X02";
        QTest::newRow("motor 5 missing, only 3 on the bus")
            << Setups{{3, 0x13, 2, SimMotor::Layout::Long}} << "5" << QStringList{"3", "3", "13"} << "电机波特率:250K"
            << "总线上 ID：0x05 不存在，\n总线上设备数量为 1，ID：0X03";
    }
    void scanOutcomes()
    {
        QFETCH(Setups, bus);
        QFETCH(QString, typed);
        QFETCH(QStringList, ids);
        QFETCH(QString, baud);
        QFETCH(QString, warning);
        useBus(bus);
        QVERIFY(sw.open());
        setIds("7", "17");
        ui()->canidEdit->setText(typed);
        emit ui()->canidEdit->textEdited(typed); // returns when the scan has ended
        QVERIFY(!w()->isScanning());
        QCOMPARE(w()->scanResultMap().size(), bus.size());
        QCOMPARE(shownIds(), ids);
        QCOMPARE(baudLabel()->text(), baud);
        using Boxes = QList<QPair<QString, QString>>;
        QCOMPARE(shownBoxes(), (warning.isEmpty() ? Boxes() : Boxes{{"提示", warning}}));
        // 128 probes on the broadcast ID, nothing else; the adapter's periodic send was stopped.
        QCOMPARE(sw.adapter()->stats().framesReceived, quint64(kScanCount));
        QCOMPARE(sw.adapter()->busFrames().last().data.toHex(), QByteArray("7f003323"));
        QCOMPARE(sw.adapter()->stats().stopRequests, quint64(1));
    }

    void scanNeedsAnOpenPortAndCopiesFromTheOtherEdit()
    {
        emit ui()->canidEdit->textEdited("2");
        QCOMPARE(shownMessages(), QList<int>{0});
        QVERIFY(!w()->isScanning());
        // The debug tab's edit copies into the side panel's without a scan.
        QVERIFY(sw.open());
        ui()->canidEdit_2->setText("2a");
        emit ui()->canidEdit_2->textEdited("2a");
        QCOMPARE(ui()->canidEdit->text(), QString("2a"));
        QTest::qWait(50);
        QCOMPARE(sw.adapter()->stats().framesReceived, quint64(0));
    }

    // ---------------------------------------------------------------- Read ID / Set ID

    void readIdKeepsTheFirstAnswer()
    {
        QVERIFY(sw.open());
        setIds("9", "19");
        ui()->btn_ReadID->click();
        QTRY_COMPARE(w()->idReplies().size(), 2);
        QCOMPARE(w()->idReplies().value(2), 0x12u);
        QTest::qWait(50); // the second answer has been handled as well
        QCOMPARE(shownIds(), (QStringList{"1", "1", "11"}));
        QCOMPARE(sw.adapter()->busFrames().first().data.toHex(), QByteArray("550000aa"));
    }

    void setId_data()
    {
        QTest::addColumn<QString>("canid");
        QTest::addColumn<QString>("masterid");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("motors");     // on the bus, 0x01 and 0x02
        QTest::addColumn<QString>("refusal"); // "title|text" of a box, or a message code
        QTest::newRow("CAN ID 1G") << "1G" << "11" << true << 1 << "解析错误|无效的十六进制字符: 1G";
        QTest::newRow("master ID zz") << "5" << "zz" << true << 1 << "解析错误|无效的十六进制字符: zz";
        QTest::newRow("beyond one byte") << "101" << "11" << true << 1 << "解析错误|ID超出范围（00~FF）: 101";
        QTest::newRow("empty master ID") << "5" << "" << true << 1 << "4";
        QTest::newRow("two motors answer") << "7" << "17" << true << 2
                                           << "设ID|总线上有 2 台电机应答（0x01, 0x02）：设ID是广播，会把它们全部改成同一个ID。"
                                              "请只在总线上接入要设置的那台电机，未发送设ID命令。";
        QTest::newRow("declined") << "7" << "17" << false << 1 << "";
        QTest::newRow("confirmed") << "7" << "17" << true << 1 << "";
    }
    void setId()
    {
        QFETCH(QString, canid);
        QFETCH(QString, masterid);
        QFETCH(bool, confirm);
        QFETCH(int, motors);
        QFETCH(QString, refusal);
        useBus(kTwoMotors.mid(0, motors));
        QVERIFY(sw.open());
        acceptConfirmation = confirm;
        ui()->canidEdit_2->setText(canid);
        ui()->masteridEdit->setText(masterid);
        ui()->btn_SetID->click();
        QStringList refusals;
        for (const auto &b : shownBoxes())
            refusals << b.first + "|" + b.second;
        for (int code : shownMessages())
            refusals << QString::number(code);
        QCOMPARE(refusals, refusal.isEmpty() ? QStringList() : QStringList{refusal});
        QCOMPARE(confirmations.size(), refusal.isEmpty() ? 1 : 0);
        auto assignments = [this] {
            int n = 0;
            for (const SimCanFrame &f : sw.adapter()->busFrames())
                n += f.data.size() == 4 && quint8(f.data[0]) == 0xAA;
            return n;
        };
        if (!refusal.isEmpty() || !confirm) {
            QTest::qWait(200); // past the 100 ms delay: no assignment, not even the console byte
            QCOMPARE(assignments(), 0);
            QCOMPARE(sw.adapter()->stats().garbageBytes, quint64(0));
            for (const auto &m : sw.adapter()->motors())
                QVERIFY(m->canId() != 7);
            return;
        }
        QCOMPARE(confirmations.first(), QString("是否确认将总线上所有设备的<CAN ID,MASTER ID>更改为：<7,17>\n"
                                                "总线上只有一台电机应答：CAN ID 0x01，主机ID 0x11。"));
        QTRY_COMPARE(assignments(), 1);
        QCOMPARE(sw.adapter()->busFrames().last().data.toHex(), QByteArray("aa071755"));
        for (const auto &m : sw.adapter()->motors())
            QCOMPARE(qMakePair(m->canId(), m->masterId()), qMakePair(7u, 0x17u));
        QCOMPARE(sw.adapter()->stats().garbageBytes, quint64(1)); // the console's disable byte
        QTRY_COMPARE(ui()->canidEdit->text(), QString("7"));
    }

    // ---------------------------------------------------------------- control panel

    void setPointFields_data()
    {
        QTest::addColumn<QString>("editName");
        QTest::addColumn<bool>("rpm");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("slider"); // -1: the field has none
        QTest::newRow("position 20") << "POSEdit" << false << "20" << "12.5" << 100;
        QTest::newRow("Kp 250") << "KPEdit" << false << "250" << "250" << 50;
        // Kp, Kd and the current start at 0: the edit shows the 0 the wire carries.
        QTest::newRow("Kp -10") << "KPEdit" << false << "-10" << "0" << 0;
        QTest::newRow("Kd -1") << "KDEdit" << false << "-1" << "0" << 0;
        QTest::newRow("current -0.2") << "IEdit" << false << "-0.2" << "0" << 0;
        QTest::newRow("current 2") << "IEdit" << false << "2" << "1" << 100;
        // In RPM the velocity bound is 30 rad/s = 286.479 RPM: 100 RPM stays.
        QTest::newRow("velocity 100 RPM") << "VELEdit" << true << "100" << "100" << 67;
        QTest::newRow("velocity 300 RPM") << "VELEdit" << true << "300" << "286.479" << 100;
        QTest::newRow("position page, 20 rad") << "POSEdit_POS" << false << "20" << "12.5" << -1;
        QTest::newRow("velocity page, -50 rad/s") << "VELEdit_VEL" << false << "-50" << "-45" << -1;
        QTest::newRow("PVT position, -13") << "POSEdit_PVT" << false << "-13" << "-12.5" << -1;
        QTest::newRow("PVT velocity, 60") << "VELEdit_PVT" << false << "60" << "45" << -1;
    }
    void setPointFields()
    {
        QFETCH(QString, editName);
        QFETCH(bool, rpm);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, slider);
        ui()->sw_btn_rpmRads->setChecked(rpm);
        auto *edit = ui()->controlPanel->findChild<QLineEdit *>(editName);
        edit->setText(typed);
        emit edit->editingFinished();
        QCOMPARE(edit->text(), shown);
        if (slider >= 0)
            QCOMPARE(ui()->controlPanel->findChild<QSlider *>(QString(editName).replace("Edit", "Slider"))->value(),
                     slider);
    }

    void unitSwitchConvertsEveryVelocity()
    {
        ui()->VELEdit_POS->setText("3.1415926");
        ui()->VELEdit_VEL->setText("6");
        emit ui()->VELEdit_VEL->editingFinished();
        QCOMPARE(ui()->label_72->text(), QString("57.2958"));
        ui()->sw_btn_rpmRads->setChecked(true);
        QCOMPARE(ui()->VELEdit_POS->text(), QString("30"));
        QCOMPARE(ui()->VELEdit_VEL->text(), QString("57.2958"));
        emit ui()->VELEdit_VEL->editingFinished();
        QCOMPARE(ui()->label_72->text(), QString("57.2958")); // typed in RPM, shown as typed
        for (const char *unit : {"radsLabel", "radsLabel_2", "radsLabel_3", "radsLabel_4", "VelLegendUnitLabel"})
            QCOMPARE(w()->findChild<QLabel *>(unit)->text(), QString("RPM"));
        QCOMPARE(ui()->Velocity->Unit(), QString("RPM"));
        auto range = [this](const char *name) { return w()->findChild<QLabel *>(name)->property("rangeText").toString(); };
        QCOMPARE(range("VEL_MAXLabel") + "," + range("VEL_MINLabel_3"), QString("MAX\n286.479,MIN\n-429.718"));
        ui()->sw_btn_rpmRads->setChecked(false);
        QCOMPARE(ui()->VELEdit_POS->text(), QString("3.14159"));
        QCOMPARE(range("VEL_MAXLabel") + "," + ui()->radsLabel->text(), QString("MAX\n30,rad/s"));

        // An empty MIT velocity: message 4, and neither the fields nor the switch change.
        ui()->VELEdit->clear();
        ui()->sw_btn_rpmRads->setChecked(true);
        QCOMPARE(shownMessages(), QList<int>{4});
        QVERIFY(!ui()->sw_btn_rpmRads->checked());
        QCOMPARE(ui()->VELEdit_POS->text(), QString("3.14159"));
        QCOMPARE(ui()->radsLabel_2->text(), QString("rad/s"));
    }

    void motorTypeDialog()
    {
        QCOMPARE(w()->specialMotorType(), 0);
        w()->specialMotorSelection();
        auto *dialog = w()->findChild<QDialog *>("specialMotorDialog");
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        auto *hub = dialog->findChild<QPushButton *>("hubMotorButton");
        QVERIFY(hub->styleSheet().isEmpty());
        hub->click();
        QCOMPARE(w()->specialMotorType(), 1);
        QVERIFY(hub->styleSheet().contains("lightgreen") && dialog->isVisible());
        QVERIFY(dialog->findChild<QPushButton *>("conventionalMotorButton")->styleSheet().isEmpty());
    }

    // ---------------------------------------------------------------- assistant rows

    void chatRows_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("state"); // page|cmode|unit|canidEdit|masteridEdit|first motor's ID
        QTest::addColumn<int>("motors");    // on the bus
        QTest::newRow("RPM") << "切换为RPM!" << "0|-1|RPM|9|19|1" << 2;
        QTest::newRow("PVT tab") << "切换为PVT模式!" << "3|-1|rad/s|9|19|1" << 2;
        QTest::newRow("velocity register") << "电机设置为速度模式!" << "0|2|rad/s|9|19|1" << 2;
        QTest::newRow("CAN ID") << "已经将CAN ID设置为5!" << "0|-1|rad/s|5|19|1" << 2;
        QTest::newRow("read ID") << "读ID!" << "0|-1|rad/s|1|11|1" << 2;
        QTest::newRow("write ID") << "写ID!" << "0|-1|rad/s|9|19|9" << 1;
        QTest::newRow("write ID, two motors: refused") << "写ID!" << "0|-1|rad/s|9|19|1" << 2;
    }
    void chatRows()
    {
        QFETCH(QString, sentence);
        QFETCH(QString, state);
        QFETCH(int, motors);
        useBus(kTwoMotors.mid(0, motors));
        QVERIFY(sw.open());
        setIds("9", "19");
        acceptConfirmation = true;
        w()->on_invokeQtFunction(sentence);
        auto now = [this] {
            return QStringList{QString::number(ui()->ctrStackedWidget->currentIndex()),
                               QString::number(ui()->comboBox_ctrMode->currentIndex()), ui()->radsLabel->text(),
                               ui()->canidEdit->text(), ui()->masteridEdit->text(),
                               QString::number(sw.adapter()->motor(0)->canId())}
                .join('|');
        };
        QTRY_COMPARE(now(), state);
    }

    // ---------------------------------------------------------------- a moving motor in RPM

    void velocityModeInRpm()
    {
        QVERIFY(sw.open());
        ui()->canidEdit->setText("1");
        emit ui()->canidEdit->textEdited("1"); // found by the scan, with its bit rate
        QCOMPARE(ui()->masteridEdit->text(), QString("11"));
        ui()->sw_btn_rpmRads->setChecked(true);
        ui()->ctrModeTabBar->setCurrentTab(2);
        ui()->VELEdit_VEL->setText("60");
        emit ui()->VELEdit_VEL->editingFinished();
        QCOMPARE(ui()->label_72->text(), QString("60"));
        ui()->btn_motorMode->click();
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机已使能"));
        ui()->periodicSend->setChecked(true);
        ui()->btn_canDebugSend->click();
        // 60 RPM reach the motor as 2 pi rad/s, and come back on the chart in RPM.
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(sw.adapter()->motor(0)->velocity() - 6.2831852f) < 0.1f, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(ui()->VelLegendValueLabel->text().toDouble() - 60) < 1, 10000);

        const QString shot = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (!shot.isEmpty()) {
            ui()->tabWidget->setCurrentWidget(ui()->tab_Debug);
            QTest::qWait(1500);
            QVERIFY(w()->grab().save(shot + "/debug_rpm_zh.png"));
            w()->findChild<SwitchButton *>("languageSwitch")->setChecked(true);
            QTest::qWait(500);
            QVERIFY(w()->grab().save(shot + "/debug_rpm_en.png"));
        }
        ui()->btn_canDebugSend->click();
    }
};

QTEST_MAIN(TestIdsAndPanel)
#include "tst_idsandpanel.moc"
