// The serial link end to end: the real QSerialPort on a pseudo-terminal whose other side
// is the simulated serial adapter with a motor behind it.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canFrameModel.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include "link/serial/portOpenFailure.h"
#include "link/serial/serialPortModel.h"
#include "queuedSpy.h"
#include "simCodec.h"
#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestSerialLink : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    std::unique_ptr<SimSerialAdapter> sim;
    std::unique_ptr<MainWindow> w;

    QList<int> shownMessages() const
    {
        QList<int> out;
        static const QStringList texts = {"请打开串口", "打开串口时出现错误", "数据接收错误", "canid不能为空", "参数不能为空",
                                          "设备无应答，请重新校准！！", "数据传输错误！", "写参数成功"};
        for (const auto &r : DialogService::history())
            if (r.kind == DialogService::Dialog && texts.contains(r.text))
                out << int(texts.indexOf(r.text));
        return out;
    }

    QString led() const { return w->findChild<QLabel *>("connectionLed")->styleSheet(); }

    void open()
    {
        w->form()->btn_comSwitch->click();
        QVERIFY(w->isPortOpen());
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void init()
    {
        DialogService::clearHistory();
        DialogService::setHandler([](const DialogService::Request &) {
            DialogService::Reply r;
            r.result = QMessageBox::Ok;
            return r;
        });
        sim = std::make_unique<SimSerialAdapter>();
        sim->setMode(SimSerialAdapter::Auto);
        sim->setHeartbeatEnabled(false);
        sim->addMotor(std::make_shared<SimMotor>(1, 0x11));
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        StartupOptions o;
        o.port = sim->slavePath();
        w = std::make_unique<MainWindow>(o);
        w->show();
    }

    void cleanup()
    {
        w.reset();
        sim.reset();
        DialogService::setHandler(nullptr);
    }

    void openCloseToggle()
    {
        QCOMPARE(w->form()->comboCom_Port->currentText(), sim->slavePath());
        QVERIFY(led().contains("red"));
        open();
        QVERIFY(led().contains("green"));
        QCOMPARE(w->form()->btn_comSwitch->text(), QString("关闭串口"));
        for (QWidget *c : std::initializer_list<QWidget *>{w->form()->comboCom_Port, w->form()->comboCom_Baud,
                                                           w->form()->comboCom_DataBit, w->form()->comboCom_CheckBit,
                                                           w->form()->comboCom_StopBit, w->form()->btn_comRefreash})
            QVERIFY(!c->isEnabled());
        w->form()->btn_comSwitch->click();
        QVERIFY(!w->isPortOpen());
        QVERIFY(led().contains("red"));
        QCOMPARE(w->form()->btn_comSwitch->text(), QString("打开串口"));
        QVERIFY(w->form()->comboCom_Port->isEnabled());
        QVERIFY(shownMessages().isEmpty());
    }

    void portTypedByPath()
    {
        // A second simulated adapter, typed into the port box by its path.
        SimSerialAdapter other;
        other.setHeartbeatEnabled(false);
        QVERIFY(other.start());
        QComboBox *box = w->form()->comboCom_Port;
        box->setEditText(other.slavePath());
        emit box->lineEdit()->editingFinished();
        QCOMPARE(box->currentText(), other.slavePath());
        open();
        QCOMPARE("/dev/" + w->port()->portName(), other.slavePath());
        w->link()->frameSend(QByteArray(1, '\x5A'), 0x7);
        QTRY_COMPARE(other.stats().framesReceived, quint64(1));
        QCOMPARE(sim->stats().framesReceived, quint64(0));
        w->on_actCom_Close_triggered();
        // It stays in the list for the session.
        QVERIFY(box->findText(other.slavePath()) >= 0);
        QVERIFY(box->findText(sim->slavePath()) >= 0);
    }

    void toggleWithForeignButtonTextDoesNothing()
    {
        w->form()->btn_comSwitch->setText("something else");
        w->on_actCom_Switch_triggered();
        QVERIFY(!w->isPortOpen());
    }

    void openFailureShowsMessageOne_data()
    {
        QTest::addColumn<bool>("gone"); // else another program holds the port
        QTest::addColumn<QString>("reason");
        QTest::newRow("device gone") << true << "端口已不存在";
        QTest::newRow("port busy") << false << "端口正被其他程序使用";
    }

    void openFailureShowsMessageOne()
    {
        QFETCH(bool, gone);
        QFETCH(QString, reason);
        QSerialPort other;
        if (gone) {
            sim->closePort();
            sim.reset(); // the slave path no longer exists
        } else {
            other.setPortName(sim->slavePath());
            QVERIFY(other.open(QIODevice::ReadWrite));
        }
        w->form()->btn_comSwitch->click();
        QVERIFY(!w->isPortOpen());
        QCOMPARE(shownMessages(), QList<int>{1});
        QVERIFY2(DialogService::history().last().detail.startsWith(reason), "the box says why");
        QVERIFY(led().contains("red"));
        QVERIFY(w->form()->comboCom_Port->isEnabled());
    }

    // A refusal is "busy" only while the user could open the node: as root in the
    // window test it always can, so the other answers are checked here.
    void openFailureReason_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("text");
        QTest::newRow("no permission") << int(QSerialPort::PermissionError) << false << "没有打开此端口的权限 (sys)";
        QTest::newRow("another fault") << int(QSerialPort::OpenError) << true << "sys";
    }

    void openFailureReason()
    {
        QFETCH(int, error);
        QFETCH(bool, accessible);
        QFETCH(QString, text);
        const auto failure = classifyPortOpenFailure(QSerialPort::SerialPortError(error), true, accessible);
        QCOMPARE(portOpenFailureText(failure, "sys"), text);
    }

    // The port box and the settings model agree at every moment: a refresh keeps a port
    // that still exists, drops one that went (back to the first when it was chosen), and
    // a refresh skipped while the port is open runs when it closes.
    void portBoxFollowsTheDevices()
    {
        QComboBox *box = w->form()->comboCom_Port;
        auto agree = [&] {
            return box->currentText() == w->portModel()->port()
                && (box->count() == 0 || box->currentIndex() == w->portModel()->getSelectedPortIndex());
        };
        auto second = std::make_unique<SimSerialAdapter>();
        QVERIFY(second->start());
        const QString path = second->slavePath();
        w->addPortByPath(path, "second");
        QCOMPARE(box->itemData(box->currentIndex(), Qt::ToolTipRole).toString(), QString("second"));
        w->refreshDevices();
        QVERIFY(box->currentText() == path && agree());

        box->setCurrentIndex(box->findText(sim->slavePath()));
        open();
        second.reset(); // its node goes away while the port is open
        w->refreshDevices();
        QVERIFY(box->findText(path) >= 0);
        w->form()->btn_comSwitch->click();
        QVERIFY(box->findText(path) < 0 && box->currentText() == sim->slavePath() && agree());

        sim->closePort();
        sim.reset();
        w->refreshDevices();
        QVERIFY(box->currentIndex() == (box->count() > 0 ? 0 : -1) && agree());
    }

    void sentFrameArrivesWithValidCrc()
    {
        open();
        QSignalSpy tx(w->link(), &CustomCDC::TxCntChanged);
        w->link()->frameSend(QByteArray::fromHex("010203"), 0x001);
        QTRY_COMPARE(sim->stats().framesReceived, quint64(1));
        QCOMPARE(sim->stats().badCrc, quint64(0));
        const auto bus = sim->busFrames();
        QCOMPARE(bus.size(), 1);
        QCOMPARE(bus[0].id, 0x001u);
        QCOMPARE(bus[0].data, QByteArray::fromHex("010203"));
        QCOMPARE(tx.count(), 1);
        QTRY_COMPARE(w->txFrameCount(), 1u);
    }

    void sendTimesOverSerialIsOneFrame()
    {
        open();
        w->link()->frameSendTimes(QByteArray::fromHex("AA"), 0x10, 5);
        QTRY_COMPARE(sim->stats().framesReceived, quint64(1));
        QTest::qWait(50);
        QCOMPARE(sim->stats().framesReceived, quint64(1));
    }

    void framesAndTextFromTheAdapter()
    {
        open();
        const quint32 rxBefore = w->rxFrameCount();
        sim->injectBytes(SimCodec::receiveFrame(0x11, 0x21, "\x01\x02") + "hi"
                         + SimCodec::receiveFrame(0x00, 0x7FF, QByteArray(8, '\0')));
        QTRY_COMPARE(w->rxFrameCount(), rxBefore + 3);
        QTRY_COMPARE(w->frameModel()->rowCount(), 2);
        CANFrameModel *m = w->frameModel();
        QCOMPARE(m->data(m->index(0, 5)).toString(), QString("0x21"));
        QCOMPARE(m->data(m->index(0, 6)).toString(), QString("接收成功"));
        QCOMPARE(m->data(m->index(0, 8)).toString(), QString("01 02"));
        QCOMPARE(m->data(m->index(1, 6)).toString(), QString("心跳数据"));
        QCOMPARE(m->data(m->index(0, 0)).toUInt(), 1u);
        QTRY_VERIFY(w->form()->comOutput->toPlainText().contains("hi"));
    }

    void framesSplitBetweenReadsAreKept()
    {
        open();
        sim->setSplitOffsets({7, 12}, 5); // every write arrives in three pieces
        for (int i = 0; i < 5; ++i)
            sim->injectBytes(SimCodec::receiveFrame(0x11, 0x100 + i, QByteArray(1, char(i))));
        QTRY_COMPARE_WITH_TIMEOUT(w->frameModel()->rowCount(), 5, 5000);
        w->form()->comOutput->flushPending();
        QVERIFY2(w->form()->comOutput->toPlainText().isEmpty(), qPrintable(w->form()->comOutput->toPlainText()));
    }

    void bitRateRequestIsAnswered()
    {
        open();
        w->form()->comboCAN_Baud->setCurrentIndex(3); // 500 kbit/s
        w->form()->btn_BuadSet->click();
        QTRY_COMPARE(sim->bitRateIndex(), 3);
        QTRY_COMPARE(w->frameModel()->rowCount(), 1);
        QCOMPARE(w->frameModel()->data(w->frameModel()->index(0, 6)).toString(), QString("波特率设置成功"));
    }

    void consoleAnswers_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QList<int>>("messages");
        QTest::newRow("write acknowledged") << "write" << QByteArray("UgU") << QList<int>{7};
        QTest::newRow("write refused") << "write" << QByteArray("UgZ") << QList<int>{2};
        QTest::newRow("read without answer times out") << "read" << QByteArray() << QList<int>{6};
    }

    void consoleAnswers()
    {
        QFETCH(QString, request);
        QFETCH(QByteArray, answer);
        QFETCH(QList<int>, messages);
        open();
        (request == "write" ? w->link()->paramWriting : w->link()->paramReading) = true;
        if (!answer.isEmpty())
            sim->injectBytes(answer);
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), messages, 3000);
        QVERIFY(!w->link()->paramWriting && !w->link()->paramReading);
    }

    void parameterBlockSplitOverThreeChunks()
    {
        open();
        QueuedSpy blocks(w.get(), &MainWindow::parameterBlockReceived); // emitted by the dispatcher task
        w->link()->paramReading = true;
        QByteArray block(150, '\0');
        block[0] = 'g';
        for (int i = 1; i < 149; ++i)
            block[i] = char(i);
        block[149] = char(0xAA);
        sim->setSplitOffsets({50, 100}, 40);
        sim->injectBytes(block);
        QTRY_COMPARE_WITH_TIMEOUT(blocks.count(), 1, 3000);
        QCOMPARE(blocks[0][0].toByteArray(), block.mid(1, 148));
        QVERIFY(blocks[0][1].toBool());
        QVERIFY(w->link()->longParamFormat);
        QTest::qWait(50);
        QCOMPARE(blocks.count(), 1);
    }

    void versionAnswer()
    {
        open();
        // Emitted by the dispatcher task.
        QueuedSpy app(w.get(), &MainWindow::appVersionChanged);
        QueuedSpy loader(w.get(), &MainWindow::loaderVersionChanged);
        app.clear();
        loader.clear();
        w->link()->versionReading = true;
        sim->injectBytes(QByteArray::fromHex("660102030405060708"));
        QTRY_COMPARE(app.count(), 1);
        QCOMPARE(app[0][0].toString(), QString("4.3.2.1"));
        QCOMPARE(loader[0][0].toString(), QString("8.7.6.5"));
    }

    void deviceVanishingClosesTheLink()
    {
        open();
        sim->closePort();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isPortOpen(), 10000); // slow under a sanitizer
        QVERIFY(led().contains("red"));
        QCOMPARE(w->form()->btn_comSwitch->text(), QString("打开串口"));
        bool noticed = false;
        for (const auto &r : DialogService::history())
            noticed = noticed || (r.kind == DialogService::Notice && r.text.startsWith("串口连接已断开"));
        QVERIFY(noticed);
        // The window keeps working: no busy loop, events still flow.
        QTest::qWait(100);
        QVERIFY(w->isVisible());
    }

    void destructionClosesThePortBeforeStoppingTasks()
    {
        open();
        QFile log(Logger::logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        log.seek(log.size());
        w.reset();
        const QString tail = QString::fromUtf8(log.readAll());
        const int closed = int(tail.indexOf("串口已关闭"));
        const int fifo = int(tail.indexOf("handleFIFO Thread"));
        const int analysis = int(tail.indexOf("handleCANAnalysis Thread"));
        const int cal = int(tail.indexOf("CalFIFOfuture Thread"));
        QVERIFY2(closed >= 0 && fifo > closed && analysis > closed && cal > closed, qPrintable(tail));
    }

    void portSettingsWindow()
    {
        QGroupBox *com = w->form()->comGroupBox;
        QWidget *home = com->parentWidget();
        w->configDevice();
        QWidget *win = w->portSettingsWindow();
        QVERIFY(win);
        QCOMPARE(win->windowTitle(), QString("设备配置"));
        QCOMPARE(win->size(), QSize(230, 320));
        QCOMPARE(com->window(), win);
        w->configDevice(); // a second request raises the same window
        QCOMPARE(w->portSettingsWindow(), win);
        win->close();
        QTRY_VERIFY(!w->portSettingsWindow());
        QCOMPARE(com->parentWidget(), home);
        QVERIFY(w->form()->comboCom_StopBit); // the group survived the window
        QCOMPARE(w->form()->comboCom_StopBit->count(), 3);
    }

    void parityAndStopBitsAreApplied()
    {
        w->form()->comboCom_CheckBit->setCurrentText("Even");
        w->form()->comboCom_StopBit->setCurrentIndex(2); // 2 stop bits
        open();
        QCOMPARE(w->port()->parity(), QSerialPort::EvenParity);
        QCOMPARE(w->port()->stopBits(), QSerialPort::TwoStop);
        QCOMPARE(w->port()->baudRate(), 921600);
    }
};

QTEST_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
