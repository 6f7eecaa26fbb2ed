// The user always sees what the motor does, on every adapter: feedback that arrives on
// another ID than the master ID is named with its fix, read-outs no longer fed grey out
// and never claim a state after the link is gone, one Stop all ends every sending road and
// disables every motor the tool enabled, the mode tab never hides what is sent, and the
// assistant stays inside the panel's limits and says what it did.
#include "adapterRig.h"
#include "chat/ui/zkChat.h"
#include "can/ui/canRecordBar.h"
#include "link/sendingRoads.h"
#include "link/serial/ui/serialTerminal.h"
#include "log/log.h"
#include "motor/motorProtocol.h"
#include "procedures/customCDC.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextEdit>

Q_DECLARE_METATYPE(Adapter)

namespace {
const QList<QPair<const char *, Adapter>> kAdapters{
    {"serial", Adapter::Serial}, {"usb", Adapter::Usb}, {"canbus", Adapter::CanBus}};

QColor textColour(const QLabel *l) { return l->palette().color(QPalette::WindowText); }
bool greyed(const QLabel *l) { return textColour(l) == QColor(Qt::gray); }
} // namespace

class TestMotorView : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString canIface;
    Rig rig;

    Ui_MainWindow *ui() const { return rig.ui(); }
    QString transcript() const { return rig.win->chatWindow()->transcript()->toPlainText(); }
    template<typename T> T *find(const char *name) const
    {
        T *t = rig.win->findChild<T *>(name);
        if (!t)
            qWarning("no %s", name);
        return t;
    }
    void startPeriodicMit(const QString &intervalMs)
    {
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText(intervalMs);
        ui()->btn_canDebugSend->click();
        QVERIFY(rig.win->isCanDebugRunning());
    }

private slots:
    void initTestCase()
    {
        Logger::init(dir.path(), Logger::DEBUG);
        canIface = privateVirtualCanInterface();
        QVERIFY(!canIface.isEmpty());
    }
    void cleanup() { rig.stop(); }

    // Master ID left at 0 while the motor answers on 0x11: the window names 0x11 and takes
    // it in one click; a Read ID reply fills the field as well. Then feedback shows.
    void feedbackOnAnotherIdIsNamed_data()
    {
        QTest::addColumn<Adapter>("adapter");
        QTest::addColumn<bool>("readId");
        for (const auto &a : kAdapters) {
            QTest::newRow(qPrintable(QString("%1: take it").arg(a.first))) << a.second << false;
            QTest::newRow(qPrintable(QString("%1: read ID").arg(a.first))) << a.second << true;
        }
    }

    void feedbackOnAnotherIdIsNamed()
    {
        QFETCH(Adapter, adapter);
        QFETCH(bool, readId);
        QVERIFY(rig.start(adapter, canIface));
        MainWindow *w = rig.win;
        ui()->masteridEdit->setText("0");
        ui()->btn_motorMode->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.motor()->isEnabled(), 5000);
        if (readId) {
            ui()->btn_ReadID->click();
            QTRY_COMPARE_WITH_TIMEOUT(ui()->masteridEdit->text(), QString("11"), 5000);
            ui()->btn_motorMode->click();
        } else {
            startPeriodicMit("10");
            auto *warning = find<QFrame>("masterIdWarning");
            QVERIFY(warning);
            QTRY_VERIFY_WITH_TIMEOUT(!warning->isHidden(), 5000);
            const QString text = find<QLabel>("masterIdWarningLabel")->text();
            QVERIFY2(text.contains("ID 0x11") && text.contains("主机ID为 0x00"), qPrintable(text));
            QCOMPARE(w->feedbackFrameCount(), quint64(0));
            find<QPushButton>("btn_takeMasterId")->click();
            QCOMPARE(ui()->masteridEdit->text(), QString("11"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(w->feedbackFrameCount() > 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->motorStateLabel->text(), QString("电机已使能"), 5000);
        QTest::qWait(300);
        if (auto *warning = w->findChild<QFrame *>("masterIdWarning"))
            QVERIFY(warning->isHidden());
    }

    // Read-outs no longer fed grey out; a new feedback brings them back. After the link
    // closes or the adapter vanishes the state no longer claims the motor is enabled.
    void readoutsThatAreNotFedGreyOut_data()
    {
        QTest::addColumn<Adapter>("adapter");
        QTest::addColumn<QString>("end"); // silence, close, loss
        for (const auto &a : kAdapters) {
            for (const char *end : {"silence", "close", "loss"}) {
                if (a.second == Adapter::CanBus && QByteArray(end) == "loss")
                    continue; // the vanishing interface is tst_canbusroad's
                QTest::newRow(qPrintable(QString("%1: %2").arg(a.first, end))) << a.second << QString(end);
            }
        }
    }

    void readoutsThatAreNotFedGreyOut()
    {
        QFETCH(Adapter, adapter);
        QFETCH(QString, end);
        QVERIFY(rig.start(adapter, canIface));
        MainWindow *w = rig.win;
        QLabel *state = ui()->motorStateLabel;
        ui()->btn_motorMode->click(); // answered with one feedback frame
        QTRY_COMPARE_WITH_TIMEOUT(state->text(), QString("电机已使能"), 5000);
        QCOMPARE(textColour(state), QColor(Qt::darkGreen));
        if (end == "close") {
            ui()->btn_comSwitch->click();
        } else if (end == "loss") {
            if (adapter == Adapter::Usb)
                rig.usb.backend()->unplug(rig.usb.adapterPtr());
            else
                rig.serial.adapter()->closePort();
            QTRY_VERIFY_WITH_TIMEOUT(!w->isPortOpen(), 5000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(greyed(state), 2000);
        for (QLabel *l : {ui()->motorTempLabel, ui()->driverTempLabel, ui()->PosLegendValueLabel})
            QVERIFY2(greyed(l), qPrintable(l->objectName()));
        if (end == "silence") {
            QCOMPARE(state->text(), QString("电机已使能")); // the last state, greyed
            ui()->btn_motorMode->click();
            QTRY_COMPARE_WITH_TIMEOUT(textColour(state), QColor(Qt::darkGreen), 2000);
            QVERIFY(!greyed(ui()->motorTempLabel));
            return;
        }
        QTest::qWait(300); // whatever was still queued
        QCOMPARE(state->text(), QString("无反馈"));
    }

    // One stop for everything, by button, Esc or the chat: every road ends, every motor the
    // tool enabled gets a disable, and nothing more reaches the wire.
    void stopAllEndsEverything_data()
    {
        QTest::addColumn<Adapter>("adapter");
        QTest::addColumn<QString>("how");
        for (const auto &a : kAdapters)
            for (const char *how : {"button", "Esc", "chat"})
                QTest::newRow(qPrintable(QString("%1: %2").arg(a.first, how))) << a.second << QString(how);
    }

    void stopAllEndsEverything()
    {
        QFETCH(Adapter, adapter);
        QFETCH(QString, how);
        QVERIFY(rig.start(adapter, canIface));
        MainWindow *w = rig.win;
        SendingRoads *roads = w->link()->roads();
        ui()->btn_motorMode->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.motor()->isEnabled(), 5000);
        startPeriodicMit("5");
        ui()->canIdEdit->setText("123");
        emit ui()->canIdEdit->editingFinished();
        ui()->canDataLenEdit->setText("2");
        ui()->sendTimesEdit->setText("100000");
        ui()->sendIntervalEdit->setText("5");
        ui()->btn_CANSend->click();
        QByteArray lines;
        for (int i = 0; i < 20000; ++i)
            lines += QString("(%1) can0 124#01\n").arg(i / 500.0, 0, 'f', 6).toLatin1();
        QFile log(dir.filePath("long.log"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write(lines) == lines.size());
        log.close();
        QVERIFY(w->replayRecording(log.fileName()));
        if (adapter == Adapter::Serial) {
            ui()->sendListIntervalEdit->setText("5");
            for (int i = 0; i < 200; ++i)
                ui()->DataListWidget->addItem("00");
            ui()->sendDataList->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(roads->running().size() >= (adapter == Adapter::Serial ? 4 : 3), 5000);
        auto *shown = find<QLabel>("sendingLabel");
        QVERIFY(shown && shown->isVisible());
        QVERIFY2(shown->text().contains("回放") && shown->text().contains("周期发送电机命令"), qPrintable(shown->text()));

        if (how == "button") {
            auto *button = find<QPushButton>("btn_stopAll");
            QVERIFY(button && button->isVisible());
            button->click();
        } else if (how == "Esc") {
            QTest::keyClick(ui()->POSEdit, Qt::Key_Escape);
        } else {
            w->chatWindow()->input()->setPlainText("停止");
            w->chatWindow()->sendMessage();
        }
        QVERIFY(!roads->anyRunning());
        QVERIFY(!w->isCanDebugRunning());
        QVERIFY(!w->terminal()->isQueueRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w->replay()->isRunning(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.motor()->isEnabled(), 5000);
        QVERIFY2(shown->text().contains("已向 0x01 发送失能"), qPrintable(shown->text()));
        if (how == "chat")
            QVERIFY2(transcript().contains("→ 已全部停止"), qPrintable(transcript()));
        QTest::qWait(100); // what was under way when it ended
        const qsizetype quiet = rig.wire().size();
        QCOMPARE(rig.wire().last().data, specialFrame(MotorCommand::Disable));
        QTest::qWait(300);
        QCOMPARE(rig.wire().size(), quiet);
    }

    // Switching the mode tab while commands go out periodically ends them: the data label
    // then shows the new tab's payload and nothing of another mode is sent.
    void modeSwitchEndsPeriodicSending()
    {
        QVERIFY(rig.start(Adapter::Serial, canIface));
        MainWindow *w = rig.win;
        startPeriodicMit("5");
        QTRY_VERIFY_WITH_TIMEOUT(rig.wire().size() > 5, 5000);
        ui()->ctrModeTabBar->setCurrentTab(2);
        QVERIFY(!w->isCanDebugRunning());
        QVERIFY(!w->link()->roads()->anyRunning());
        QCOMPARE(ui()->canDebugDataLabel->text(), QString(w->canDataConvention().toHex(' ').toUpper()));
        QTest::qWait(100);
        const qsizetype quiet = rig.wire().size();
        QTest::qWait(200);
        QCOMPARE(rig.wire().size(), quiet);
        QCOMPARE(rig.wire().last().id, 0x001u);
    }

    // The assistant's values stay inside the panel's ranges; each action is echoed with
    // its target, each refusal with its reason.
    void assistantStaysInsideThePanel_data()
    {
        QTest::addColumn<QStringList>("sentences");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // the field afterwards
        QTest::addColumn<QString>("note");  // the chat's last line
        QTest::newRow("speed beyond the range")
            << QStringList{"已经将速度设置为1000!"} << "VELEdit" << "0" << "✗ 速度 1000 超出面板范围 -30 … 30 rad/s，未填入";
        QTest::newRow("position beyond the range")
            << QStringList{"已经将位置设置为-50!"} << "POSEdit" << "0" << "✗ 位置 -50 超出面板范围 -12.5 … 12.5 rad，未填入";
        QTest::newRow("no number") << QStringList{"已经将KD设置为abc!"} << "KDEdit" << "0" << "✗ Kd“abc”不是数值，未填入";
        QTest::newRow("within the range") << QStringList{"已经将位置设置为1.5!"} << "POSEdit" << "1.5" << "→ 位置 = 1.5 rad";
        QTest::newRow("register against its rule")
            << QStringList{"已经将PMAX设置为-3!"} << "PMAXEdit" << "" << "✗ PMAX 的值 -3 须大于 0，未填入";
        QTest::newRow("command with its target")
            << QStringList{"切换为位置模式!", "电机使能!"} << "" << "" << "→ 使能 0x01, 位置模式";
        QTest::newRow("stop") << QStringList{"停止全部!"} << "" << "" << "→ 已全部停止（没有正在进行的发送）";
    }

    void assistantStaysInsideThePanel()
    {
        QFETCH(QStringList, sentences);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, note);
        QVERIFY(rig.start(Adapter::Serial, canIface));
        for (const QString &s : sentences)
            rig.win->on_invokeQtFunction(s);
        if (!field.isEmpty())
            QCOMPARE(rig.win->findChild<QLineEdit *>(field)->text(), value);
        const QStringList lines = transcript().split('\n');
        QCOMPARE(lines.last(), note);
        if (note.contains("使能 0x01")) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.motor()->isEnabled(), 5000);
            QCOMPARE(rig.wire().last().id, 0x101u);
        }
        // With the link closed a motor command is refused, not claimed done.
        ui()->btn_comSwitch->click();
        rig.win->on_invokeQtFunction("电机失能!");
        QCOMPARE(transcript().split('\n').last(), QString("✗ 串口未打开，未执行"));
    }
};

QTEST_MAIN(TestMotorView)
#include "tst_motorview.moc"
