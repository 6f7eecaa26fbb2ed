// The window shell: tabs, status bar counters, language switching, shortcuts and the
// generic dialogs.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "charts/ui/feedbackCharts.h"
#include "chat/ui/zkChat.h"
#include "can/canTxModel.h"
#include "log/log.h"
#include "can/ui/canLogBar.h"
#include "procedures/customCDC.h"
#include "widgets/clickableLabel.h"
#include "widgets/terminalOutput.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTextBlock>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;

    static QString labelText(MainWindow &w, const char *name) { return w.findChild<QLabel *>(name)->text(); }
    QStringList questions; // texts of the questions asked, in order
    void answerClear(QMessageBox::StandardButton answer)
    {
        questions.clear();
        DialogService::setHandler([this, answer](const DialogService::Request &r) {
            if (r.kind == DialogService::Question)
                questions << r.text;
            return DialogService::Reply{r.kind == DialogService::Question ? int(answer) : int(QMessageBox::Ok), {}};
        });
    }

private slots:
    void initTestCase()
    {
        Logger::init(logDir.path(), Logger::DEBUG);
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }

    void cleanup()
    {
        DialogService::setHandler(nullptr);
        DialogService::clearHistory();
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }

    void tabsAtStartUp()
    {
        MainWindow w;
        QTabWidget *tabs = w.form()->tabWidget;
        // The calibration page and the hidden page are taken out of the tab bar; the motors
        // panel comes last.
        QCOMPARE(tabs->count(), 6);
        QCOMPARE(tabs->widget(5)->objectName(), QString("motorsPanel"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->widget(0)->objectName(), QString("tab_SerialPort"));
        QCOMPARE(tabs->widget(3)->objectName(), QString("tab_Debug"));
        QCOMPARE(tabs->indexOf(w.form()->tab_Calibration), -1);
        QCOMPARE(tabs->indexOf(w.form()->tab_Hidden), -1);
        QCOMPARE(w.windowTitle(), QString("ZK调试工具"));
        QCOMPARE(labelText(w, "adapterLabel"), QString("DUR2IZA"));
        QCOMPARE(labelText(w, "motorBaudLabel"), QString("电机波特率未识别"));
        QCOMPARE(labelText(w, "paramWarningLabel"), QString("推荐先读取参数再进行调试"));
        QVERIFY(w.findChild<QLabel *>("connectionLed")->styleSheet().contains("red"));
    }

    void diagnosticsKeepTheHiddenTab()
    {
        StartupOptions o;
        o.diagnostics = true;
        MainWindow w(o);
        QVERIFY(w.form()->tabWidget->indexOf(w.form()->tab_Hidden) >= 0);
    }

    void pageKeysWrap_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("down");
        QTest::addColumn<int>("expected");
        QTest::newRow("down on last wraps to first") << 5 << true << 0;
        QTest::newRow("up on first wraps to last") << 0 << false << 5;
        QTest::newRow("down in the middle") << 1 << true << 2;
        QTest::newRow("up in the middle") << 2 << false << 1;
    }

    void pageKeysWrap()
    {
        QFETCH(int, start);
        QFETCH(bool, down);
        QFETCH(int, expected);
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.form()->tabWidget->setCurrentIndex(start);
        QTest::keyClick(&w, down ? Qt::Key_PageDown : Qt::Key_PageUp);
        QCOMPARE(w.form()->tabWidget->currentIndex(), expected);
    }

    void pageKeysWithoutTabsDoNothing()
    {
        MainWindow w;
        QTabWidget *tabs = w.form()->tabWidget;
        while (tabs->count() > 0)
            tabs->removeTab(0);
        w.onPgDnPressed();
        w.onPgUpPressed();
        QCOMPARE(tabs->currentIndex(), -1);
    }

    void countersAndClearCount()
    {
        MainWindow w;
        w.on_TxCntChanged();
        w.on_TxCntChanged();
        emit w.RxCntChanged();
        QCOMPARE(labelText(w, "txLabel"), QString("发送: 2 条"));
        QCOMPARE(labelText(w, "rxLabel"), QString("接收: 1 条"));
        auto *link = w.findChild<ClickableLabel *>("clearCountLabel");
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(w.txFrameCount(), 0u);
        QCOMPARE(w.rxFrameCount(), 0u);
        QCOMPARE(labelText(w, "txLabel"), QString("发送: 0 条"));
        QCOMPARE(labelText(w, "rxLabel"), QString("接收: 0 条"));
    }

    // The link announces every frame it writes; the status bar shows them all at once on
    // its timer, and a count whose width still fits lays nothing out again.
    void linkFrameCountsWaitForTheirTimer()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < 5; ++i)
            emit w.link()->TxCntChanged();
        QCOMPARE(labelText(w, "txLabel"), QString("发送: 0 条"));
        QTRY_COMPARE(labelText(w, "txLabel"), QString("发送: 5 条"));
        QCoreApplication::sendPostedEvents();
        struct LayoutRequests : QObject {
            int seen = 0;
            bool eventFilter(QObject *, QEvent *e) override { return seen += e->type() == QEvent::LayoutRequest, false; }
        } requests;
        w.installEventFilter(&requests);
        w.statusBar()->installEventFilter(&requests);
        for (int i = 0; i < 4; ++i)
            w.on_TxCntChanged();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(labelText(w, "txLabel"), QString("发送: 9 条"));
        QCOMPARE(requests.seen, 0);
    }

    void framesPerSecond()
    {
        MainWindow w;
        QTest::qWait(50);
        for (int i = 0; i < 30; ++i)
            w.on_TxCntChanged();
        for (int i = 0; i < 20; ++i)
            w.on_RxCntChanged();
        w.updateFPS();
        // 50 frames over at least 50 ms: a positive rate, counting both directions.
        QVERIFY(w.framesPerSecond() > 0);
        QVERIFY(w.framesPerSecond() <= 1000);
        const QString withTraffic = labelText(w, "fpsLabel");
        QVERIFY2(QRegularExpression("^FPS: \\d+\\.\\d$").match(withTraffic).hasMatch(), qPrintable(withTraffic));
        // No traffic since the last refresh: zero with one decimal.
        QTest::qWait(20);
        w.updateFPS();
        QCOMPARE(labelText(w, "fpsLabel"), QString("FPS: 0.0"));
    }

    void languageSwitchAndBack()
    {
        MainWindow w;
        w.on_TxCntChanged();
        auto *sw = w.findChild<SwitchButton *>("languageSwitch");
        sw->setChecked(true);
        QCOMPARE(w.language(), QString("en_US"));
        QCOMPARE(w.windowTitle(), QString("ZK Debugging Tool"));
        QCOMPARE(w.form()->btn_comSwitch->text(), QString("Open Serial Port"));
        QCOMPARE(labelText(w, "txLabel"), QString("Tx: 1 frames"));
        QCOMPARE(labelText(w, "motorBaudLabel"), QString("Motor baud rate unrecognized"));
        QCOMPARE(w.form()->tabWidget->tabText(0), QString("Serial Port"));
        sw->setChecked(false);
        QCOMPARE(w.language(), QString("zh_CN"));
        QCOMPARE(w.windowTitle(), QString("ZK调试工具"));
        QCOMPARE(labelText(w, "txLabel"), QString("发送: 1 条"));
        QCOMPARE(w.form()->tabWidget->tabText(0), QString("串口调试"));
    }

    // What a user reads after switching to English, in the main window and the chat.
    void englishLeavesNoChineseText()
    {
        MainWindow w;
        w.show();
        w.findChild<SwitchButton *>("languageSwitch")->setChecked(true);
        QCoreApplication::sendPostedEvents(); // the language change reaches other windows queued
        QStringList chinese;
        const QList<QWidget *> widgets = w.findChildren<QWidget *>(); // the chat window is one of them
        for (QWidget *x : widgets) {
            QStringList texts{x->toolTip(), x->isWindow() ? x->windowTitle() : QString()};
            if (auto *l = qobject_cast<QLabel *>(x))
                texts << l->text();
            if (auto *b = qobject_cast<QAbstractButton *>(x))
                texts << b->text();
            if (auto *g = qobject_cast<QGroupBox *>(x))
                texts << g->title();
            texts << x->property("placeholderText").toString();
            if (auto *c = qobject_cast<QComboBox *>(x))
                for (int i = 0; i < c->count(); ++i)
                    texts << c->itemText(i);
            if (auto *v = qobject_cast<QAbstractItemView *>(x); v && v->model())
                for (int i = 0; i < v->model()->columnCount(); ++i)
                    texts << v->model()->headerData(i, Qt::Horizontal).toString();
            for (const QString &t : texts)
                if (std::any_of(t.begin(), t.end(), [](QChar c) { return c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF; }))
                    chinese << x->objectName() + ": " + t.left(40);
        }
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
    }

    // 1024 x 680 in either language: pages that do not fit scroll rather than squeeze
    // their rows, and the port box shows a whole pseudo-terminal path.
    // Page Down switches tabs, except inside the receive log and the terminal, which it pages.
    void pageKeysPageTheLogs()
    {
        MainWindow w;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Ui_MainWindow *ui = w.form();
        for (QWidget *x : {static_cast<QWidget *>(ui->tableView), static_cast<QWidget *>(ui->comOutput),
                           static_cast<QWidget *>(ui->canLogBar)}) {
            QWidget *tab = x == ui->comOutput ? ui->tab_SerialPort : ui->tab_CAN;
            ui->tabWidget->setCurrentWidget(tab);
            x->setFocus();
            QTest::keyClick(x, Qt::Key_PageDown);
            // The filter bar is no log: there the key still switches tabs.
            QCOMPARE(ui->tabWidget->currentWidget() == tab, x != ui->canLogBar);
        }
    }

    void windowFitsASmallScreen()
    {
        for (bool english : {false, true}) {
            MainWindow w;
            w.findChild<SwitchButton *>("languageSwitch")->setChecked(english);
            w.resize(1024, 680);
            w.show();
            QCOMPARE(w.size(), QSize(1024, 680));
            QComboBox *port = w.form()->comboCom_Port;
            QVERIFY(port->lineEdit()->width() > port->fontMetrics().horizontalAdvance("/dev/pts/10"));
            // What a user reaches for most stays in view without scrolling.
            Ui_MainWindow *ui = w.form();
            const QList<QPair<QWidget *, QStringList>> inView{
                {ui->tab_Debug, {"btn_canDebugSend", "btn_canDebugUpdate"}},
                {ui->tab_CAN, {"ExportAnaysis", "ChannelOccupancyRate", "comboCAN_Baud", "btn_BuadSet"}},
                {ui->tab_Parameters, {"ControlSettingGroupBox"}},
            };
            for (const auto &[tab, names] : inView) {
                ui->tabWidget->setCurrentWidget(tab);
                QCoreApplication::processEvents();
                for (const QString &name : names) {
                    auto *x = tab->findChild<QWidget *>(name);
                    QVERIFY2(x && x->visibleRegion().boundingRect() == x->rect(), qPrintable(name));
                }
            }
            QVERIFY(w.findChild<QPushButton *>("btn_stopAll")->isVisible());
            QVERIFY(!w.windowIcon().availableSizes().isEmpty());
        }
    }

    // Help and version need no display: they are answered before the GUI starts.
    void helpAndVersionWithoutDisplay()
    {
        for (const auto &[option, expected] : {std::pair{"--help", "--screenshot"}, {"--version", "zktool 0.1.0"}}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.insert("QT_QPA_PLATFORM", "xcb");
            p.setProcessEnvironment(env);
            p.start(ZK_BUILD_DIR "/zktool", {option});
            QVERIFY(p.waitForFinished(20000));
            QCOMPARE(p.exitCode(), 0);
            QVERIFY2(p.readAllStandardOutput().contains(expected), qPrintable(p.readAllStandardError()));
        }
    }

    void terminalKeepsTheNewestLines_data()
    {
        QTest::addColumn<int>("chunks");
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<QString>("lastLine");
        const int n = TerminalOutput::kMaxLineChars;
        QTest::newRow("few lines") << 3 << "a\r\nb" << 6 << "b";
        QTest::newRow("more lines than kept") << 3 * TerminalOutput::kMaxLines << "x" << TerminalOutput::kMaxLines << "x";
        QTest::newRow("a line without end is broken") << 1 << QString(n * 5 / 2, 'x') << 3 << QString(n / 2, 'x');
    }

    void terminalKeepsTheNewestLines()
    {
        QFETCH(int, chunks);
        QFETCH(QString, chunk);
        QFETCH(int, blocks);
        QFETCH(QString, lastLine);
        MainWindow w;
        TerminalOutput *out = w.form()->comOutput;
        for (int i = 0; i < chunks; ++i)
            emit w.uartByteMsg(chunk.toLatin1());
        QTRY_COMPARE(out->blockCount(), blocks);
        QCOMPARE(out->document()->lastBlock().text(), lastLine);
        answerClear(QMessageBox::Yes);
        w.on_actClear_triggered();
        QVERIFY(out->toPlainText().isEmpty() && out->pendingLines() == 0);
    }

    // Without periodic sending nobody draws the samples: they stay bounded, Clear drops them.
    void feedbackSamplesAreBounded()
    {
        MainWindow w;
        for (qsizetype i = 0; i < 3 * FeedbackWaveUpdater::kMaxHeldSamples; ++i)
            w.appendFeedbackSamples(float(i), 0, 0);
        QVERIFY(w.heldFeedbackSamples() <= FeedbackWaveUpdater::kMaxHeldSamples + FeedbackWaveUpdater::kTrimBlock);
        answerClear(QMessageBox::Yes);
        w.on_actClear_triggered();
        QCOMPARE(w.heldFeedbackSamples(), 0);
    }

    // 清空 asks when it would discard something, naming it; "no" keeps everything.
    void clearAsksFirst_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("named");
        QTest::newRow("nothing to lose") << "" << false << "";
        QTest::newRow("terminal output, no") << "terminal" << false << "串口终端的输出";
        QTest::newRow("chart data, yes") << "chart" << true << "图表中的 3 个数据点";
        QTest::newRow("parameter edit, no") << "parameter" << false << "参数页上 1 项没有从电机读取的值";
    }
    void clearAsksFirst()
    {
        QFETCH(QString, what);
        QFETCH(bool, yes);
        QFETCH(QString, named);
        MainWindow w;
        auto *field = w.findChild<QLineEdit *>("PMAXEdit");
        QVERIFY(field);
        if (what == "terminal") {
            emit w.uartByteMsg("hello\r\n");
            QTRY_VERIFY(!w.form()->comOutput->toPlainText().isEmpty());
        } else if (what == "chart") {
            for (int i = 0; i < 3; ++i)
                w.appendFeedbackSamples(float(i), 0, 0);
        } else if (what == "parameter") {
            field->setText("3.5");
        }
        answerClear(yes ? QMessageBox::Yes : QMessageBox::No);
        w.on_actClear_triggered();
        QCOMPARE(questions.size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty())
            QVERIFY2(questions.first().contains(named), qPrintable(questions.first()));
        const bool kept = !named.isEmpty() && !yes;
        QCOMPARE(!w.form()->comOutput->toPlainText().isEmpty(), kept && what == "terminal");
        QCOMPARE(w.heldFeedbackSamples() > 0, kept && what == "chart");
        QCOMPARE(field->text().isEmpty(), !(kept && what == "parameter"));
    }

    // Requests are kept only while a handler (a test, a driver) answers them, and a kept
    // request does not keep a dangling parent.
    void dialogHistoryOnlyWhileObserved()
    {
        for (bool observed : {false, true}) {
            if (observed)
                DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply(); });
            auto *parent = new QWidget;
            DialogService::notice(new QMessageBox(QMessageBox::Information, "t", "notice", QMessageBox::Ok, parent));
            delete parent;
            const auto history = DialogService::history();
            QCOMPARE(history.size(), observed ? 1 : 0);
            QVERIFY(history.isEmpty() || !history.first().parent);
        }
        DialogService::setHandler(nullptr);
        QVERIFY(DialogService::history().isEmpty());
    }

    void missingTranslationLeavesChinese()
    {
        QTemporaryDir empty;
        MainWindow::setTranslationsDir(empty.path());
        MainWindow w;
        w.findChild<SwitchButton *>("languageSwitch")->setChecked(true);
        QCOMPARE(w.language(), QString("zh_CN"));
        QCOMPARE(w.windowTitle(), QString("ZK调试工具"));
        QCOMPARE(w.form()->btn_comSwitch->text(), QString("打开串口"));
    }

    void transmitSettingsFollowTheirWidgets_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::addColumn<uint>("expected");
        QTest::newRow("motor id hex") << "canidEdit_2" << "1a" << "canid" << 0x1Au;
        QTest::newRow("motor id garbage keeps the id") << "canidEdit_2" << "zz" << "canid" << 1u;
        QTest::newRow("master id hex") << "masteridEdit" << "7f" << "masterid" << 0x7Fu;
        QTest::newRow("send times decimal") << "sendTimesEdit" << "25" << "sendTimes" << 25u;
        QTest::newRow("send times garbage") << "sendTimesEdit" << "x" << "sendTimes" << 0u;
        QTest::newRow("interval decimal") << "sendIntervalEdit" << "100" << "sendInterval" << 100u;
    }

    void transmitSettingsFollowTheirWidgets()
    {
        QFETCH(QString, widget);
        QFETCH(QString, text);
        QFETCH(QString, field);
        QFETCH(uint, expected);
        MainWindow w;
        CANTxModel *m = w.txModel();
        QCOMPARE(m->sendTimes(), 1u); // set at start-up
        auto *edit = w.findChild<QLineEdit *>(widget);
        QVERIFY(edit);
        edit->setText(text);
        const uint actual = field == "canid"      ? m->canid()
                            : field == "masterid" ? m->masterid()
                            : field == "sendTimes" ? m->sendTimes()
                                                   : m->sendInterval();
        QCOMPARE(actual, expected);
    }

    void transmitCombosFollowTheirWidgets()
    {
        MainWindow w;
        CANTxModel *m = w.txModel();
        QCOMPARE(w.form()->comboCAN_Baud->count(), 14);
        w.form()->comboCAN_Baud->setCurrentIndex(3);
        QCOMPARE(m->CANBaud(), 500);
        w.form()->comboFrame_canIdType->setCurrentIndex(1);
        QCOMPARE(int(m->canIdType()), 1);
        w.form()->comboFrame_canFrameType->setCurrentIndex(1);
        QCOMPARE(int(m->canFrameType()), 1);
        w.form()->idAcc->setChecked(true);
        QVERIFY(m->idAcc());
        w.form()->canIdEdit->setText("123");
        emit w.form()->canIdEdit->editingFinished();
        QCOMPARE(m->canId(), QString("123"));
    }

    void everySourceStringHasEnglish()
    {
        QFile ts(ZK_SOURCE_DIR "/src/i18n/en_US.ts");
        QVERIFY(ts.open(QIODevice::ReadOnly));
        const QByteArray xml = ts.readAll();
        QVERIFY(xml.contains("<message>"));
        QVERIFY2(!xml.contains("type=\"unfinished\""), "run scripts/update-translations.sh and translate");
    }

    void noticeClosesByItself()
    {
        DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply(); });
        MainWindow w;
        w.show();
        emit w.autoQuitMessageBoxShow("hello");
        const auto history = DialogService::history();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].kind, DialogService::Notice);
        QCOMPARE(history[0].title, QString("提示"));
        QCOMPARE(history[0].text, QString("hello"));
        QPointer<QMessageBox> tracked;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *mb = qobject_cast<QMessageBox *>(top); mb && mb->text() == "hello")
                tracked = mb;
        if (!tracked)
            tracked = w.findChild<QMessageBox *>("autoQuitMessageBox");
        QVERIFY(tracked);
        QVERIFY(tracked->isVisible());
        QVERIFY(!tracked->isModal());
        // Closing it early by hand must not disturb the timer that disposes of it.
        tracked->close();
        QTest::qWait(2500);
        QVERIFY(tracked);
        QTRY_VERIFY_WITH_TIMEOUT(tracked.isNull(), 2000);
    }

    void confirmationDialog_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("expected");
        QTest::newRow("confirmed") << int(QDialog::Accepted) << true;
        QTest::newRow("cancelled") << int(QDialog::Rejected) << false;
    }

    void confirmationDialog()
    {
        QFETCH(int, answer);
        QFETCH(bool, expected);
        QString title, buttons;
        DialogService::setHandler([&](const DialogService::Request &r) {
            title = r.title;
            for (auto *b : r.dialog->findChildren<QPushButton *>())
                buttons += b->text() + "|";
            DialogService::Reply reply;
            reply.result = answer;
            return reply;
        });
        QCOMPARE(MainWindow::showConfirmationDialog(nullptr, "sure?"), expected);
        QCOMPARE(title, QString("确认操作"));
        QCOMPARE(buttons, QString("确认|取消|"));
    }

    void confirmationButtonsDriveTheResult()
    {
        // Real dialog, answered by clicking its own button.
        DialogService::setHandler([](const DialogService::Request &r) {
            QTimer::singleShot(0, r.dialog, [d = r.dialog] {
                for (auto *b : d->findChildren<QPushButton *>())
                    if (b->text() == "确认")
                        b->click();
            });
            DialogService::Reply reply;
            reply.result = r.dialog->exec();
            return reply;
        });
        QVERIFY(MainWindow::showConfirmationDialog(nullptr, "go?"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
