// Motor commands and feedback end to end: the window's control panel drives the
// simulated motor through the serial adapter on a pseudo-terminal, and the motor's
// feedback comes back into the state display, the temperatures and the charts.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canFrameModel.h"
#include "can/ui/canRecordBar.h"
#include "charts/ui/waveForm.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "simCodec.h"
#include "simWindow.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QSignalSpy>
#include <QTableWidget>
#include <QXYSeries>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

class TestMotorLink : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    SimWindow sw;

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }

    QColor stateColour() const { return ui()->motorStateLabel->palette().color(QPalette::WindowText); }

    // The last frame the adapter put on the bus.
    SimCanFrame lastBusFrame() const
    {
        const auto frames = sw.adapter()->busFrames();
        return frames.isEmpty() ? SimCanFrame() : frames.last();
    }

    void click(QPushButton *b)
    {
        b->click();
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }

    void init()
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
    }

    void cleanup() { sw.stop(); }

    void buttonsNeedAnOpenPort_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("periodic");
        QTest::newRow("enable") << "btn_motorMode" << false;
        QTest::newRow("disable") << "btn_motorModeExit" << false;
        QTest::newRow("save zero") << "btn_saveGroundZero" << false;
        QTest::newRow("clear error") << "btn_canDebugClear" << false;
        QTest::newRow("update") << "btn_canDebugUpdate" << false;
        QTest::newRow("send once") << "btn_canDebugSend" << false;
        QTest::newRow("send periodically") << "btn_canDebugSend" << true;
    }

    void buttonsNeedAnOpenPort()
    {
        QFETCH(QString, button);
        QFETCH(bool, periodic);
        ui()->periodicSend->setChecked(periodic);
        click(w()->findChild<QPushButton *>(button));
        QTest::qWait(30); // past the 10 ms command timers
        QCOMPARE(shownMessages(), QList<int>{0});
        QCOMPARE(sw.adapter()->stats().framesReceived, quint64(0));
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QVERIFY(!w()->link()->periodicTimer->isActive());
    }

    // The state label, its colour and icon follow the feedback through enable, a fault,
    // clear and disable.
    void stateFollowsTheMotor()
    {
        QVERIFY(sw.open());
        QCOMPARE(ui()->motorStateLabel->text(), QString("Na"));

        click(ui()->btn_motorMode);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机已使能"));
        QVERIFY(sw.motor()->isEnabled());
        QCOMPARE(stateColour(), QColor(Qt::darkGreen));
        const SimCanFrame enable = lastBusFrame();
        QCOMPARE(enable.id, 0x001u);
        QCOMPARE(enable.data, QByteArray::fromHex("FFFFFFFFFFFFFFFC"));
        const QImage normalIcon = ui()->motorStateQLabel->pixmap().toImage();
        QVERIFY(!normalIcon.isNull());

        QVERIFY(sw.motor()->injectFault(SimMotor::FaultOverCurrent));
        click(ui()->btn_canDebugSend); // any command brings a feedback frame
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机过流错误"));
        QCOMPARE(stateColour(), QColor(Qt::darkRed));
        QVERIFY(ui()->motorStateQLabel->pixmap().toImage() != normalIcon);

        click(ui()->btn_canDebugClear);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机未使能"));
        QCOMPARE(lastBusFrame().data, QByteArray::fromHex("FFFFFFFFFFFFFFFB"));
        QCOMPARE(ui()->motorStateQLabel->pixmap().toImage(), normalIcon);

        click(ui()->btn_motorMode);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机已使能"));
        click(ui()->btn_motorModeExit);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机未使能"));
        QVERIFY(!sw.motor()->isEnabled());
        QVERIFY(shownMessages().isEmpty());
    }

    void temperaturesAndSaveZero()
    {
        sw.motor()->setManualClock(true); // temperatures and position hold still
        sw.motor()->setTemperatures(-5, 61);
        QVERIFY(sw.open());
        click(ui()->btn_motorMode);
        QTRY_COMPARE(ui()->motorTempLabel->text(), QString::fromUtf8("61 ℃"));
        QCOMPARE(ui()->driverTempLabel->text(), QString::fromUtf8("-5 ℃"));

        // Move the motor away from zero, then make its position the new zero.
        ui()->POSEdit->setText("2");
        ui()->KPEdit->setText("20");
        ui()->KDEdit->setText("1");
        click(ui()->btn_canDebugSend);
        QTRY_VERIFY(sw.motor()->setPoint().kp > 19.0f);
        sw.motor()->advanceClock(3.0);
        QVERIFY(sw.motor()->position() > 1.5f);
        click(ui()->btn_saveGroundZero);
        QTRY_COMPARE(lastBusFrame().data, QByteArray::fromHex("FFFFFFFFFFFFFFFE"));
        QTRY_VERIFY(std::fabs(sw.motor()->position()) < 1e-3f);
    }

    // One send per tab: the frame on the bus is what the simulator's own encoder makes
    // of the same set-points, on the mode's command ID.
    void sendOncePerMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("edits"); // name=value
        QTest::addColumn<bool>("rpm");
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("MIT zero") << 0 << QStringList{} << false << 0x001u
                                  << QByteArray::fromHex("7FFF7FF0000007FF");
        QTest::newRow("MIT") << 0 << QStringList{"POSEdit=1.5", "VELEdit=-3", "KPEdit=40", "KDEdit=0.5", "TOREdit=2"}
                             << false << 0x001u << SimCodec::mitCommand(1.5f, -3.0f, 40.0f, 0.5f, 2.0f);
        QTest::newRow("MIT RPM 60") << 0 << QStringList{"VELEdit=60"} << true << 0x001u
                                    << SimCodec::mitCommand(0, 6.2831852f, 0, 0, 0);
        QTest::newRow("position-velocity") << 1 << QStringList{"POSEdit_POS=1.25", "VELEdit_POS=4"} << false << 0x101u
                                           << SimCodec::positionVelocityCommand(1.25f, 4.0f);
        QTest::newRow("velocity, four bytes") << 2 << QStringList{"VELEdit_VEL=-7.5"} << false << 0x201u
                                              << SimCodec::velocityCommand(-7.5f);
        QTest::newRow("PVT") << 3 << QStringList{"POSEdit_PVT=-1", "VELEdit_PVT=2.5", "IEdit=0.5"} << false << 0x301u
                             << SimCodec::pvtCommand(-1.0f, 2.5f, 0.5f);
        QTest::newRow("PVT 700 rad/s saturates")
            << 3 << QStringList{"VELEdit_PVT=700"} << false << 0x301u << QByteArray::fromHex("00000000FFFF0000");
    }

    void sendOncePerMode()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, edits);
        QFETCH(bool, rpm);
        QFETCH(quint32, id);
        QFETCH(QByteArray, payload);
        QVERIFY(sw.open());
        // The switch first: flipping it converts what the edits hold.
        ui()->sw_btn_rpmRads->setChecked(rpm);
        for (const QString &e : edits) {
            const QStringList kv = e.split('=');
            auto *edit = ui()->controlPanel->findChild<QLineEdit *>(kv[0]);
            QVERIFY2(edit, qPrintable(kv[0]));
            edit->setText(kv[1]);
        }
        ui()->ctrModeTabBar->setCurrentTab(mode);
        QCOMPARE(ui()->ctrStackedWidget->currentIndex(), mode);
        click(ui()->btn_canDebugSend);
        QTRY_COMPARE(sw.adapter()->stats().framesReceived, quint64(1));
        const SimCanFrame f = lastBusFrame();
        QCOMPARE(f.id, id);
        QCOMPARE(f.data.toHex(' '), payload.toHex(' '));
        QCOMPARE(ui()->canDebugDataLabel->text(), QString::fromLatin1(payload.toHex(' ').toUpper()));
        QCOMPARE(w()->link()->debugPayload, payload);
    }

    // Periodic MIT commands for 5 s: the motor moves, the feedback follows it into the
    // charts, a command in between resumes the periodic sending, and stop ends it all.
    void periodicMitFollowsTheMovingMotor()
    {
        QVERIFY(sw.open());
        click(ui()->btn_motorMode);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机已使能"));

        ui()->POSEdit->setText("3");
        ui()->KPEdit->setText("20");
        ui()->KDEdit->setText("1");
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("10");
        const quint64 commandsBefore = sw.motor()->commandCount();
        const quint64 feedbackBefore = w()->feedbackFrameCount();
        click(ui()->btn_canDebugSend);
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("停止"));
        QVERIFY(!ui()->periodicSend->isEnabled());
        QVERIFY(!ui()->sendIntervalEdit_2->isEnabled());
        QVERIFY(w()->link()->periodicTimer->isActive());
        QCOMPARE(w()->link()->periodicTimer->interval(), 10);

        QTest::qWait(1000);
        const int historyAfter1s = int(ui()->Position->getWaveData().size());
        QVERIFY2(historyAfter1s > 20, qPrintable(QString::number(historyAfter1s)));

        QTest::qWait(1500);
        // A command in between stops the periodic frames and resumes them afterwards.
        click(ui()->btn_motorMode);
        QTRY_VERIFY(w()->link()->periodicTimer->isActive());
        QTest::qWait(2500);

        const QString shot = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (!shot.isEmpty()) {
            ui()->tabWidget->setCurrentWidget(ui()->tab_Debug);
            QTest::qWait(300);
            QVERIFY(w()->grab().save(shot + "/debug_page_moving.png"));
        }

        const quint64 commands = sw.motor()->commandCount() - commandsBefore;
        const quint64 feedback = w()->feedbackFrameCount() - feedbackBefore;
        QVERIFY2(commands >= 250, qPrintable(QString::number(commands))); // 500 at 10 ms
        QVERIFY2(feedback + 5 >= commands, qPrintable(QString("%1 of %2").arg(feedback).arg(commands)));

        // The motor moved towards 3 rad, and the charts followed it.
        const float motorPosition = sw.motor()->position();
        QVERIFY2(motorPosition > 2.0f, qPrintable(QString::number(motorPosition)));
        const QList<float> history = ui()->Position->getWaveData();
        QVERIFY(history.size() > historyAfter1s);
        QVERIFY(history.size() >= int(feedback) / 2);
        QVERIFY2(std::fabs(history.last() - motorPosition) < 0.05f,
                 qPrintable(QString("%1 vs %2").arg(history.last()).arg(motorPosition)));
        QVERIFY(history.first() < 0.5f); // it started near zero
        bool ok = false;
        const float shown = ui()->PosLegendValueLabel->text().toFloat(&ok);
        QVERIFY2(ok && std::fabs(shown - motorPosition) < 0.05f, qPrintable(ui()->PosLegendValueLabel->text()));
        QVERIFY(!ui()->Velocity->getWaveData().isEmpty());
        QVERIFY(!ui()->Torque->getWaveData().isEmpty());

        click(ui()->btn_canDebugSend);
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QVERIFY(ui()->periodicSend->isEnabled());
        QVERIFY(ui()->sendIntervalEdit_2->isEnabled());
        QVERIFY(!w()->link()->periodicTimer->isActive());
        QTest::qWait(50);
        const quint64 stopped = sw.motor()->commandCount();
        QTest::qWait(100);
        QCOMPARE(sw.motor()->commandCount(), stopped);
        QVERIFY(shownMessages().isEmpty());
    }

    // A bench session recorded (enable, periodic MIT, a register read, disable) and opened
    // again with its feedback for the charts draws the curves the live run drew, sample
    // for sample, on the recording's time axis.
    void recordedSessionDrawsTheLiveCurves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("session.log");
        QVERIFY(sw.open());
        QVERIFY(w()->startRecording(path));
        click(ui()->btn_motorMode);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机已使能"));
        ui()->POSEdit->setText("1");
        ui()->KPEdit->setText("20");
        ui()->KDEdit->setText("1");
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("10");
        click(ui()->btn_canDebugSend);
        QTest::qWait(600);
        QSignalSpy read(w(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 3000);
        QTest::qWait(600);
        click(ui()->btn_canDebugSend);
        click(ui()->btn_motorModeExit);
        QTRY_COMPARE(ui()->motorStateLabel->text(), QString("电机未使能"));
        // Every decoded sample into the charts, every row into the file.
        QTRY_VERIFY_WITH_TIMEOUT((w()->onWaveUpdateTimerTimeout(),
                                  quint64(ui()->Position->getWaveData().size()) == w()->feedbackFrameCount()
                                      && ui()->Torque->getWaveData().size() == ui()->Position->getWaveData().size()),
                                 3000);
        QTest::qWait(300);
        w()->stopRecording();
        WaveForm *charts[] = {ui()->Position, ui()->Velocity, ui()->Torque};
        QList<float> live[3];
        for (int i = 0; i < 3; ++i) {
            live[i] = charts[i]->getWaveData();
            charts[i]->reset();
        }
        QVERIFY2(live[0].size() > 80, qPrintable(QString::number(live[0].size())));

        w()->recordBar()->chartsBox()->setChecked(true);
        QVERIFY(w()->openRecording(path) > live[0].size());
        QCOMPARE(w()->recordedFeedback().size(), 1);
        const FeedbackTrack &track = w()->recordedFeedback().first();
        QVERIFY(track.belongsTo(1, 0x11));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(charts[i]->getWaveData(), live[i]);
        // On the recording's own time axis: it spans the session, which took over a second.
        QVERIFY(charts[0]->showsTrack());
        QVERIFY(track.seconds.last() - track.seconds.first() > 1.0);
        QVERIFY(std::is_sorted(track.seconds.begin(), track.seconds.end()));
        const QList<QPointF> curve = qobject_cast<QXYSeries *>(charts[0]->dataSeries().first())->points();
        QVERIFY(!curve.isEmpty());
        QCOMPARE(curve.last().x(), track.seconds.last());
        QVERIFY(!w()->recordBar()->chartMotorBox()->isHidden());
        QCOMPARE(w()->recordBar()->chartMotorBox()->count(), 1);

        const QString shot = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (!shot.isEmpty()) {
            w()->resize(1400, 900);
            ui()->tabWidget->setCurrentWidget(ui()->tab_CAN);
            ui()->tableView->scrollTo(w()->frameModel()->index(w()->frameModel()->rowCount() / 2, 0));
            QTest::qWait(300);
            QVERIFY(w()->grab().save(shot + "/can_log_decoded_zh.png"));
            MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
            QVERIFY(w()->switchLanguage("en_US"));
            QTest::qWait(300);
            QVERIFY(w()->grab().save(shot + "/can_log_decoded_en.png"));
            ui()->tabWidget->setCurrentWidget(ui()->tab_Debug);
            QTest::qWait(300);
            QVERIFY(w()->grab().save(shot + "/recording_curves_en.png"));
            QVERIFY(w()->switchLanguage("zh_CN"));
        }
    }

    void closingThePortStopsPeriodicSending()
    {
        QVERIFY(sw.open());
        ui()->periodicSend->setChecked(true);
        click(ui()->btn_canDebugSend);
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("停止"));
        QTest::qWait(100);
        ui()->btn_comSwitch->click();
        QVERIFY(!w()->isPortOpen());
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QVERIFY(ui()->btn_canDebugSend->styleSheet().isEmpty());
        QVERIFY(!w()->link()->periodicTimer->isActive());
        QVERIFY(ui()->periodicSend->isEnabled());
    }

    // Whether periodic sending runs is the window's state, not the button's caption: a
    // form retranslated under it (caption back to "发送") still stops on the assistant's
    // stop phrase, which acts only while sending runs.
    void periodicSendingIsStateNotCaption()
    {
        QVERIFY(sw.open());
        ui()->periodicSend->setChecked(true);
        click(ui()->btn_canDebugSend);
        ui()->retranslateUi(w());
        QCOMPARE(ui()->btn_canDebugSend->text(), QString("发送"));
        QVERIFY(w()->isCanDebugRunning());
        w()->on_invokeQtFunction("停止发送电机调试数据!");
        QVERIFY(!w()->isCanDebugRunning());
        QVERIFY(!w()->link()->periodicTimer->isActive());
    }

    void intervalField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("positive") << "25" << "25";
        QTest::newRow("zero") << "0" << "1";
        QTest::newRow("text") << "abc" << "1";
        QTest::newRow("beyond 32 bits") << "99999999999" << "1";
    }

    void intervalField()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLineEdit *e = ui()->sendIntervalEdit_2;
        e->setFocus();
        e->setText(typed);
        emit e->editingFinished();
        QCOMPARE(e->text(), shown);
    }

    // The mode combo box of the parameter tab picks the frame-layout table and the
    // loop gains the mode uses.
    void modeComboBoxTableAndGains_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QStringList>("cells"); // column:span:text
        QTest::addColumn<QList<bool>>("readOnly"); // KP_ASR, KI_ASR, KP_APR, KI_APR
        QTest::addColumn<QString>("picture");
        const QStringList d = {"控制报文", "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
        QTest::newRow("MIT") << 0
                             << QStringList{"控制报文", "D0", "D1", "D2", "D3[7:4]", "D3[3:0]", "D4", "D5", "D6[7:4]",
                                            "D6[3:0]", "D7"}
                             << QStringList{"0:1:ID", "1:1:p_des[15:8]", "4:1:v_des[3:0]", "10:1:t_ff[7:0]"}
                             << QList<bool>{true, true, true, true} << ":/source/MITpic.png";
        QTest::newRow("position-velocity") << 1 << d << QStringList{"0:1:0x100+ID", "1:4:p_des", "5:4:v_des"}
                                           << QList<bool>{false, false, false, false} << ":/source/POSpic.png";
        QTest::newRow("velocity") << 2 << QStringList{"控制报文", "D0", "D1", "D2", "D3"}
                                  << QStringList{"0:1:0x200+ID", "1:4:v_des"} << QList<bool>{false, false, true, true}
                                  << ":/source/VELpic.png";
        QTest::newRow("PVT") << 3 << d << QStringList{"0:1:0x300+ID", "1:4:p_des", "5:2:v_des", "7:2:i_des"}
                             << QList<bool>{false, false, false, false} << ":/source/PVTpic.png";
        QTest::newRow("no selection") << -1 << d << QStringList{"0:1:", "8:1:"} << QList<bool>{false, false, false, false}
                                      << ":/source/transparent.png";
    }

    void modeComboBoxTableAndGains()
    {
        QFETCH(int, index);
        QFETCH(QStringList, headers);
        QFETCH(QStringList, cells);
        QFETCH(QList<bool>, readOnly);
        QFETCH(QString, picture);
        // Start from another mode so that its spans must be undone.
        ui()->comboBox_ctrMode->setCurrentIndex(index == 3 ? 1 : 3);
        ui()->comboBox_ctrMode->setCurrentIndex(index);
        QTableWidget *t = ui()->controlFormatTableWidget;
        QCOMPARE(t->rowCount(), 1);
        QStringList shownHeaders;
        for (int c = 0; c < t->columnCount(); ++c)
            shownHeaders << t->horizontalHeaderItem(c)->text();
        QCOMPARE(shownHeaders, headers);
        for (const QString &cell : cells) {
            const QStringList p = cell.split(':');
            const int col = p[0].toInt();
            QCOMPARE(t->item(0, col)->text(), p.mid(2).join(':'));
            QCOMPARE(t->columnSpan(0, col), p[1].toInt());
            QCOMPARE(t->item(0, col)->textAlignment(), int(Qt::AlignCenter));
        }
        for (int c = 0; c < t->columnCount(); ++c)
            QVERIFY(!(t->item(0, c)->flags() & Qt::ItemIsEditable));
        const QImage shown = ui()->picLabel->pixmap().toImage();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, QImage(picture).convertToFormat(shown.format()));
        const QStringList gains = {"KP_ASREdit", "KI_ASREdit", "KP_APREdit", "KI_APREdit"};
        if (index >= 0) {
            for (int i = 0; i < gains.size(); ++i) {
                auto *e = ui()->tab_Parameters->findChild<QLineEdit *>(gains[i]);
                QCOMPARE(e->isReadOnly(), readOnly[i]);
                QCOMPARE(e->styleSheet().contains("#f0f0f0"), readOnly[i]);
            }
        }
    }
};

QTEST_MAIN(TestMotorLink)
#include "tst_motorlink.moc"
