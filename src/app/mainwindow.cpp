#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "motor/ui/motorsPanel.h"
#include "tuning/ui/tuningWindow.h"

#include "calibration/calibrationCapture.h"
#include "can/canFrameModel.h"
#include "can/canTxModel.h"
#include "can/ui/canRecordBar.h"
#include "can/ui/canTxDelegate.h"
#include "charts/ui/feedbackCharts.h"
#include "chat/ui/chatCommandDispatcher.h"
#include "chat/ui/zkChat.h"
#include "charts/ui/waveForm.h"
#include "link/deviceWatcher.h"
#include "procedures/customCDC.h"
#include "link/serial/serialPortModel.h"
#include "link/usb/control_protocol.h"
#include "link/usb/fdcanCommands.h"
#include "link/usb/ui/connectGroupBox.h"
#include "link/usb/usb_class.h"
#include "link/serial/ui/serialTerminal.h"
#include "log/crashTest.h"
#include "log/log.h"
#include "motor/paramRules.h"
#include "widgets/clickableLabel.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/terminalOutput.h"
#include "widgets/utils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QShortcut>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrent>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
QString g_translationsDir;

constexpr quint32 kFloodFramesPerSecond = 50000;
const char *kLedRed = "background-color: red; border-radius: 6px;";
const char *kGreyReadOnly = "QLineEdit { background-color: #f0f0f0; color: #808080; }";

// The status bar lays out and repaints all its widgets whenever one of them may have
// changed size. A label that changes several times a second keeps a fixed size instead,
// with room for two more digits, fitted anew only when its text grows longer (digits are
// as wide as one another; measuring text costs more than the rest) or on `refit`.
void setSteadyText(QLabel *label, const QString &text, bool refit = false)
{
    label->setText(text);
    if (!refit && text.size() <= label->property("steadyLength").toInt())
        return;
    const QSize hint = label->sizeHint();
    label->setFixedSize(hint.width() + label->fontMetrics().horizontalAdvance(QLatin1String("00")), hint.height());
    label->setProperty("steadyLength", int(text.size()) + 1);
}
} // namespace

// The icons are compiled into the widget library, a static library: its resource
// initialiser is referenced nowhere else and would be dropped by the linker.
static void initResources() { Q_INIT_RESOURCE(resources); }

QString MainWindow::translationsDir()
{
    return g_translationsDir.isEmpty() ? QCoreApplication::applicationDirPath() + "/translations" : g_translationsDir;
}

void MainWindow::setTranslationsDir(const QString &dir) { g_translationsDir = dir; }

MainWindow::MainWindow(const StartupOptions &opts, QWidget *parent)
    : QMainWindow(parent), options(opts)
{
    initResources();
    // 1. Members, translator, form.
    desktopPath = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    translator = new QTranslator(this);
    currentLanguage = "zh_CN";
    ui = new Ui_MainWindow;

    // 2. The widget tree.
    ui->setupUi(this);

    // 3. Switch buttons.
    SwBtnInit();

    // 4. Charts, models bound to their widgets.
    WaveFormInit();
    serialPortViewModelInit();
    canTxViewModelInit();
    canFrameModelInit();

    // 5. The link object.
    registerEscInfMetaTypes();
    CustomCDCInit();
    usbInit();

    // 6. Control panel, status bar, shortcuts.
    ctrModeInit();
    canBaudInit();
    motorStateInit();
    sendingInit(); // first in the status bar's right-hand side
    statusInit();
    shortCutKeysInit();
    chatInit();
    fdcanInit();
    canBusInit();
    terminalInit();
    firmwareInit();
    clearAllData();

    // 7. Start-up texts.
    canPeriodicTimer = new QTimer(this);
    connect(canPeriodicTimer, &QTimer::timeout, this, &MainWindow::onCANPeriodicSendTimerTimeout);
    for (QLabel *l : {ui->PosLegendValueLabel, ui->VelLegendValueLabel, ui->TorLegendValueLabel})
        setLabelTextAndColor(l, Qt::darkGreen, "Na");
    setLabelTextAndColorRed(ui->paramWarningLabel, tr("推荐先读取参数再进行调试"));

    // 8. Signal wiring.
    signalsConnect();
    calibrationInit();
    benchInit();

    // 9. Icons.
    ui->ExportParam->setIcon(QIcon(":/source/export.png"));
    ui->ImportParam->setIcon(QIcon(":/source/import.png"));

    // 10. Tabs, title, icon.
    ui->tabWidget->setCurrentIndex(0);
    setWindowTitle(tr("ZK调试工具"));
    setWindowIcon(QIcon(":/source/send.png"));
    ui->versionLabel->setStyleSheet("border: 1px solid grey;");
    if (!options.diagnostics)
        ui->tabWidget->removeTab(ui->tabWidget->indexOf(ui->tab_Hidden));
    calibrationTab = ui->tabWidget->widget(3);
    ui->tabWidget->removeTab(3);

    // 11. Port list: the serial ports and the interfaces given at start-up; what the
    // CAN plugins and the USB bus hold follows once the window is on screen.
    serialPortModel->updateAvailablePorts();
    refreshCanInterfaces(false);
    fillPortCombo();
    ui->btn_comSwitch->setEnabled(serialPortModel->portCount() > 0);
    on_comboCom_Port_currentIndexChanged(ui->comboCom_Port->currentIndex());
    for (const auto &extra : options.extraPorts)
        serialPortModel->addPortByPath(extra.first, extra.second);
    if (!options.port.isEmpty())
        addPortByPath(options.port);
    else if (!options.extraPorts.isEmpty())
        addPortByPath(options.extraPorts.first().first);

    // 14. Heartbeat thread, 16. background tasks.
    heartbeatRunning = true;
    heartbeatThread = std::thread([this] { heartbeatLoop(); });
    startBackgroundTasks();

    // 17. Cosmetics.
    aboutInit();

    deviceWatcher = new DeviceWatcher(this);
    connect(deviceWatcher, &DeviceWatcher::devicesChanged, this, [this](bool arrived) {
        Logger::info(arrived ? "设备插入" : "设备移除", "nativeEvent");
        refreshDevices();
    });

    if (!options.language.isEmpty() && options.language != currentLanguage)
        languageSwitch->setChecked(options.language == "en_US");
    if (options.tab >= 0 && options.tab < ui->tabWidget->count())
        ui->tabWidget->setCurrentIndex(options.tab);

    // A window on screen finishes after its first paint (a second at most); one that is
    // never shown at the first turn of the event loop.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !painted)
            startupWaitsForPaint = true;
        else
            finishStartup();
    });
    QTimer::singleShot(1000, this, &MainWindow::finishStartup);
}

void MainWindow::listDevicesOnce()
{
    if (devicesListed)
        return;
    devicesListed = true;
    if (portOpen)
        return;
    refreshCanInterfaces(true);
    fillPortCombo();
    ui->btn_comSwitch->setEnabled(serialPortModel->portCount() > 0);
    refreshUsbDevices(); // pairs the selected port anew
}

void MainWindow::finishStartup()
{
    if (startupDone)
        return;
    startupDone = true;
    startupWaitsForPaint = false;
    listDevicesOnce();
    deviceWatcher->start();
    if (options.openPort && !options.port.isEmpty() && !portOpen)
        on_actCom_Switch_triggered();
}

bool MainWindow::event(QEvent *e)
{
    if (e->type() == QEvent::Paint && !painted) {
        painted = true;
        if (startupWaitsForPaint)
            QTimer::singleShot(0, this, &MainWindow::finishStartup);
    }
    return QMainWindow::event(e);
}

MainWindow::~MainWindow()
{
    if (deviceWatcher)
        deviceWatcher->stop();
    on_actCom_Close_triggered();
    // The bench window drives the link: it goes while the link object is still there.
    delete tuningWindow.data();
    canBusShutdown();
    stopCanDebugTask();
    stopBackgroundTasks();
    usbShutdown();
    // The chart computations must end before the charts go.
    delete waveUpdater;
    waveUpdater = nullptr;
    delete calResultDialog; // a top-level window of its own
    delete chatDispatcher;  // not a QObject: nothing else frees it
    chatDispatcher = nullptr;
    delete ui;
    ui = nullptr;
}

void MainWindow::setLabelTextAndColorRed(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setStyleSheet("color: red;");
}

void MainWindow::SwBtnInit()
{
    ui->sw_btn_canUart->setTextOn("CAN");
    ui->sw_btn_canUart->setTextOff("UART");
    connect(ui->sw_btn_canUart, &SwitchButton::statusChanged, this, &MainWindow::on_canUart_statusChanged);
    for (SwitchButton *sw : {ui->sw_btn_ASCIIHex, ui->sw_btn_ASCIIHex_2, ui->sw_btn_ASCIIHex_3}) {
        sw->setTextOn("HEX");
        sw->setTextOff("ASCII");
    }
    ui->sw_btn_calibration->setTextOn("");
    ui->sw_btn_calibration->setTextOff("");
    ui->sw_btn_rpmRads->setTextOn("RPM");
    ui->sw_btn_rpmRads->setTextOff("rad/s");
    ui->sw_btn_RecvDisplay->setTextOn(tr("暂停"));
    ui->sw_btn_RecvDisplay->setTextOff(tr("显示"));

    // The serial adapter is the usual way to a motor: start in CAN mode.
    ui->sw_btn_canUart->setChecked(true);
    ui->sw_btn_ASCIIHex_2->setChecked(true);
    ui->sw_btn_calibration->setChecked(false);
    on_canUart_statusChanged(ui->sw_btn_canUart->checked());
}

void MainWindow::on_canUart_statusChanged(bool on)
{
    ui->linkStack->setCurrentWidget(on ? ui->canPage : ui->uartPage);
    // The motor's CAN ID changes only through the ID assignment in CAN mode.
    ui->ESC_IDEdit->setReadOnly(on);
    ui->ESC_IDEdit->setStyleSheet(on ? QString::fromLatin1(kGreyReadOnly) : QString());
    ui->ESC_IDEdit->setToolTip(on ? readOnlyParameterReason(8) : QString());
}

void MainWindow::statusInit()
{
    txLabel = new QLabel(tr("发送: 0 条"), this);
    txLabel->setObjectName("txLabel");
    rxLabel = new QLabel(tr("接收: 0 条"), this);
    rxLabel->setObjectName("rxLabel");
    fpsLabel = new QLabel("FPS: 0", this);
    fpsLabel->setObjectName("fpsLabel");
    clearCountLabel = new ClickableLabel(tr("清空计数"), this);
    clearCountLabel->setObjectName("clearCountLabel");
    clearCountLabel->setStyleSheet("color: blue; text-decoration: underline;");
    connect(clearCountLabel, &ClickableLabel::clicked, this, [this] { on_actClearCount_triggered(); });
    statusBar()->addPermanentWidget(txLabel);
    statusBar()->addPermanentWidget(rxLabel);
    statusBar()->addPermanentWidget(fpsLabel);
    statusBar()->addPermanentWidget(clearCountLabel);
    receiveDropsInit();

    connectionLed = new QLabel(this);
    connectionLed->setObjectName("connectionLed");
    connectionLed->setFixedSize(12, 12);
    connectionLed->setStyleSheet(kLedRed);
    languageSwitch = new SwitchButton(this);
    languageSwitch->setObjectName("languageSwitch");
    languageSwitch->setFixedSize(60, 20);
    languageSwitch->setTextOn("EN");
    languageSwitch->setTextOff("CN");
    languageSwitch->setBgColorOn(QColor(0, 51, 160));
    languageSwitch->setBgColorOff(QColor(207, 16, 32));
    connect(languageSwitch, &SwitchButton::statusChanged, this, &MainWindow::on_CNEN_statusChanged);
    adapterLabel = new QLabel(this);
    adapterLabel->setObjectName("adapterLabel");
    setLabelTextAndColorRed(adapterLabel, "DUR2IZA");
    motorBaudLabel = new QLabel(this);
    motorBaudLabel->setObjectName("motorBaudLabel");
    setLabelTextAndColorRed(motorBaudLabel, tr("电机波特率未识别"));
    statusBar()->addWidget(connectionLed);
    statusBar()->addWidget(languageSwitch);
    statusBar()->addWidget(adapterLabel);
    statusBar()->addWidget(motorBaudLabel);

    // The adapter roads' counts reach the labels here, not once per batch.
    countTimer = new QTimer(this);
    connect(countTimer, &QTimer::timeout, this,
            [this] { addFrameCounts(pendingAdapterRx.exchange(0), pendingAdapterTx.exchange(0)); });
    countTimer->start(100);

    fpsTimer = new QTimer(this);
    fpsTimer->setInterval(1000);
    connect(fpsTimer, &QTimer::timeout, this, &MainWindow::updateFPS);
    fpsTimer->start();
    fpsClock.start();
}

void MainWindow::shortCutKeysInit()
{
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(f2, &QShortcut::activated, this, &MainWindow::configDevice);
    auto *pgUp = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(pgUp, &QShortcut::activated, this, &MainWindow::onPgUpPressed);
    auto *pgDn = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(pgDn, &QShortcut::activated, this, &MainWindow::onPgDnPressed);
    // Inside the receive log and the terminal the keys page through them instead.
    for (QWidget *w : {static_cast<QWidget *>(ui->tableView), static_cast<QWidget *>(ui->comOutput),
                       static_cast<QWidget *>(ui->comInput)})
        keepPageKeys(w);
}

void MainWindow::signalsConnect()
{
    connect(this, &MainWindow::autoQuitMessageBoxShow, this, &MainWindow::on_autoQuitMessageBoxShow);
    connect(this, &MainWindow::RxCntChanged, this, &MainWindow::on_RxCntChanged);
    calWaveTimer = new QTimer(this);
    calWaveTimer->setInterval(100);
    connect(ui->btn_clear, &QPushButton::clicked, this, &MainWindow::on_actClear_triggered);
    connect(ui->btn_config, &QPushButton::clicked, this, &MainWindow::configDevice);
    connect(ui->btn_zkChat, &QPushButton::clicked, this, &MainWindow::on_zkChatShow);
    connect(ui->actZkChat, &QAction::triggered, this, &MainWindow::on_zkChatShow);
    connect(ui->actFDCAN_Config, &QAction::triggered, this, &MainWindow::configDevice);
    connect(ui->actionOpenPort, &QAction::triggered, this, [this] {
        if (!portOpen)
            on_actCom_Switch_triggered();
    });
    connect(ui->actionClosePort, &QAction::triggered, this, [this] {
        if (portOpen)
            on_actCom_Switch_triggered();
    });
    connect(this, &MainWindow::uartMsg, this, &MainWindow::on_uartMsg);
    connect(this, &MainWindow::uartByteMsg, this, &MainWindow::on_uartByteMsg);
    connect(this, &MainWindow::MessageInfo, this, &MainWindow::on_MessageInfoRecv);
    connect(this, &MainWindow::normalDataRecv, this, &MainWindow::on_normalDataRecv);
    connect(this, &MainWindow::canidChanged, this, &MainWindow::on_canidChanged);
    connect(this, &MainWindow::masteridChanged, this, &MainWindow::on_masteridChanged);
    connect(this, &MainWindow::CANRxVector, this, &MainWindow::on_CANRxVector);
    connect(this, &MainWindow::ParametersChanged, this, &MainWindow::on_ParametersChanged);
    connect(this, &MainWindow::parameterBlockReceived, this, &MainWindow::onParameterBlock);
    // Feedback still queued when the link closed claims nothing any more.
    auto linkShown = [this] { return portOpen || readoutLook != ReadoutLook::Closed; };
    connect(this, &MainWindow::motorTempChanged, this, [this, linkShown](signed char t) {
        if (linkShown())
            on_motorTempChanged(t);
    });
    connect(this, &MainWindow::driverTempChanged, this, [this, linkShown](signed char t) {
        if (linkShown())
            on_driverTempChanged(t);
    });
    connect(this, &MainWindow::motorErrorChanged, this, [this, linkShown](unsigned char code) {
        // Shows the newest state, which may have moved on since this signal was queued.
        const bool fromDecoder = stateSignalPending.exchange(false);
        if (!linkShown())
            return;
        on_motorErrorChanged(fromDecoder ? static_cast<unsigned char>(latestStateCode.load()) : code);
        // Fresh feedback brings every read-out back at once, not only the state.
        if (fromDecoder && readoutLook != ReadoutLook::Live)
            setReadoutLook(ReadoutLook::Live);
    });
    connect(&serialPort, &QSerialPort::errorOccurred, this, &MainWindow::onSerialPortError);
}

void MainWindow::aboutInit()
{
    const QString logDir = Logger::logDirectory().isEmpty() ? QCoreApplication::applicationDirPath() + "/logs"
                                                            : Logger::logDirectory();
    const QString logs = QUrl::fromLocalFile(logDir).toString();
    ui->AboutTextBrowser->setHtml(
        tr("<h2>ZK调试工具</h2>"
           "<p>CAN总线伺服电机控制器的调试与标定工具：参数读写、ID管理、四种控制模式、实时波形、"
           "编码器校准、参数辨识、固件升级、CAN/CAN FD总线调试、串口终端与智能助手。</p>"
           "<p>版本 %1</p>"
           "<p>运行日志: <a href=\"%2\">%3</a></p>")
            .arg(QCoreApplication::applicationVersion(), logs, logDir));
    connect(ui->AboutTextBrowser, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.isValid())
            QDesktopServices::openUrl(url);
        // the page itself never navigates away
        ui->AboutTextBrowser->setSource(QUrl());
    });
}

// ---------------------------------------------------------------- status bar

void MainWindow::on_TxCntChanged() { addFrameCounts(0, 1); }

void MainWindow::on_RxCntChanged() { addFrameCounts(1, 0); }

void MainWindow::addFrameCounts(quint32 rx, quint32 tx)
{
    if (tx) {
        txCount += tx;
        setSteadyText(txLabel, tr("发送: ") + QString::number(txCount) + tr(" 条"));
    }
    if (rx) {
        rxCount += rx;
        setSteadyText(rxLabel, tr("接收: ") + QString::number(rxCount) + tr(" 条"));
    }
    totalCount = txCount + rxCount;
}

void MainWindow::refitFrameCounts()
{
    setSteadyText(txLabel, tr("发送: ") + QString::number(txCount) + tr(" 条"), true);
    setSteadyText(rxLabel, tr("接收: ") + QString::number(rxCount) + tr(" 条"), true);
}

void MainWindow::on_actClearCount_triggered()
{
    canRxSeq = 0;
    pendingAdapterRx = 0;
    pendingAdapterTx = 0;
    txCount = rxCount = totalCount = lastTotalCount = 0;
    refitFrameCounts();
    rxChunkList.resetDropCounts();
    terminalFeed.resetDropCount();
    droppedLogRows = 0;
    showReceiveDrops();
}

void MainWindow::updateFPS()
{
    const qint64 elapsed = fpsClock.elapsed();
    if (elapsed == 0) {
        Logger::warning("divide 0 error!", "updateFPS");
        return;
    }
    const quint32 frames = totalCount - lastTotalCount;
    fps = frames / (elapsed / 1000.0);
#ifdef __GLIBC__
    // A flood leaves its freed batches in the allocator's per-thread arenas; once it is
    // over they go back to the system.
    if (frames >= kFloodFramesPerSecond)
        floodSeen = true;
    else if (floodSeen && frames < kFloodFramesPerSecond / 50) {
        floodSeen = false;
        malloc_trim(0);
    }
#endif
    setSteadyText(fpsLabel, QString("FPS: %1").arg(fps, 0, 'f', 1));
    fpsClock.restart();
    lastTotalCount = totalCount;
    showReceiveDrops();
    if (!recordingTracks.isEmpty()) {
        QStringList labels;
        for (const FeedbackTrack &t : std::as_const(recordingTracks))
            labels << feedbackTrackLabel(t);
        canRecordBar->setChartMotors(labels, canRecordBar->chartMotorBox()->currentIndex());
    }
    if (occupancyWindow && occupancyWindow->isVisible())
        calculateOccupancy();
}

// ---------------------------------------------------------------- language

void MainWindow::on_CNEN_statusChanged(bool on)
{
    switchLanguage(on ? "en_US" : "zh_CN");
    customSwitchLanguage();
}

bool MainWindow::switchLanguage(const QString &code)
{
    QCoreApplication::removeTranslator(translator);
    if (!translator->load(translationsDir() + "/" + code + ".qm"))
        return false;
    QCoreApplication::installTranslator(translator);
    currentLanguage = code;
    englishUi = code == "en_US";
    ui->retranslateUi(this);
    return true;
}

void MainWindow::customSwitchLanguage()
{
    fdcanLanguageChanged();
    showNeverWrittenFields();
    motorBaudLabel->setText(motorBaudText.isEmpty() ? tr("电机波特率未识别") : tr("电机波特率") + motorBaudText);
    firmwareLanguageChanged();
    refitFrameCounts();
    clearCountLabel->setText(tr("清空计数"));
    showReceiveDrops();
    if (portOpen)
        ui->btn_comSwitch->setText(tr("关闭串口"));
    if (deviceConfigWindow)
        deviceConfigWindow->setWindowTitle(tr("设备配置"));
    if (occupancyWindow)
        occupancyWindow->setWindowTitle(tr("总线占用率实时曲线"));
    canFrameModel->retranslate();
    setCanSendTips();
    ui->sw_btn_RecvDisplay->setTextOn(tr("暂停"));
    ui->sw_btn_RecvDisplay->setTextOff(tr("显示"));
    on_calibration_statusChanged(ui->sw_btn_calibration->checked());
    setCanDebugButton(canDebugRunning);
    ui->ctrModeTabBar->setTabText(1, tr("位置"));
    ui->ctrModeTabBar->setTabText(2, tr("速度"));
    const QStringList modes = {tr("1:MIT模式"), tr("2:位置速度模式"), tr("3:速度模式"), tr("4:PVT模式")};
    for (int i = 0; i < modes.size() && i < ui->comboBox_ctrMode->count(); ++i)
        ui->comboBox_ctrMode->setItemText(i, modes[i]);
    canTxDelegate->retranslateComboBox(ui->comboFrame_canIdType, CANTxModel::ColCanIdType);
    canTxDelegate->retranslateComboBox(ui->comboFrame_canFrameType, CANTxModel::ColCanFrameType);
    feedbackFormatInit();
    controlFormatTableSwitch(ui->comboBox_ctrMode->currentIndex());
    if (shownStateCode >= 0)
        on_motorErrorChanged(static_cast<unsigned char>(shownStateCode));
    if (ui->paramWarningLabel->text().isEmpty() == false)
        ui->paramWarningLabel->setText(tr("推荐先读取参数再进行调试"));
    setWindowTitle(tr("ZK调试工具"));
    if (motorsPanelWidget) {
        motorsPanelWidget->retranslate();
        ui->tabWidget->setTabText(ui->tabWidget->indexOf(motorsPanelWidget), tr("电机总览"));
    }
    if (calibrationTab == nullptr) {
        const int i = ui->tabWidget->indexOf(ui->tab_Calibration);
        if (i >= 0)
            ui->tabWidget->setTabText(i, tr("校准"));
    }
    aboutInit();
    sendingLanguageChanged();
}

// ---------------------------------------------------------------- shortcuts

void MainWindow::onPgUpPressed()
{
    const int n = ui->tabWidget->count();
    if (n == 0)
        return;
    const int i = ui->tabWidget->currentIndex();
    ui->tabWidget->setCurrentIndex(i <= 0 ? n - 1 : i - 1);
}

void MainWindow::onPgDnPressed()
{
    const int n = ui->tabWidget->count();
    if (n == 0)
        return;
    const int i = ui->tabWidget->currentIndex();
    ui->tabWidget->setCurrentIndex(i >= n - 1 ? 0 : i + 1);
}

// ---------------------------------------------------------------- generic dialogs

void MainWindow::on_autoQuitMessageBoxShow(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, tr("提示"), text, QMessageBox::Ok,
                                QApplication::activeWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box->setObjectName("autoQuitMessageBox");
    box->setWindowModality(Qt::NonModal);
    box->show();
    DialogService::notice(box);
    // Closing the box by hand early only hides it; the timer still disposes of it.
    QTimer::singleShot(3000, box, [box] {
        if (box->isVisible())
            box->close();
        box->deleteLater();
    });
}

bool MainWindow::showConfirmationDialog(QWidget *parent, const QString &text)
{
    QDialog dialog(parent);
    dialog.setObjectName("confirmationDialog");
    dialog.setWindowTitle(tr("确认操作"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *row = new QHBoxLayout();
    auto *ok = new QPushButton(tr("确认"), &dialog);
    auto *cancel = new QPushButton(tr("取消"), &dialog);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return DialogService::exec(&dialog) == QDialog::Accepted;
}

// ---------------------------------------------------------------- actions

void MainWindow::WaveFormInit()
{
    FeedbackChartWidgets w;
    w.calibration = ui->Calibration;
    w.position = ui->Position;
    w.velocity = ui->Velocity;
    w.torque = ui->Torque;
    w.busLoad = ui->COR;
    w.calibrationWaveTitle = ui->CalibrationWaveTitle;
    w.positionWaveTitle = ui->PositionWaveTitle;
    w.velocityWaveTitle = ui->VelocityWaveTitle;
    w.torqueWaveTitle = ui->TorqueWaveTitle;
    w.posLegendLabel = ui->PosLegendLabel;
    w.velLegendLabel = ui->VelLegendLabel;
    w.torLegendLabel = ui->TorLegendLabel;
    w.posLegendValueLabel = ui->PosLegendValueLabel;
    w.velLegendValueLabel = ui->VelLegendValueLabel;
    w.torLegendValueLabel = ui->TorLegendValueLabel;
    w.corLegendValueLabel = ui->CORLegendValueLabel;
    initFeedbackCharts(w);
    waveUpdater = new FeedbackWaveUpdater(ui->Position, ui->Velocity, ui->Torque, this);
    connect(waveUpdater, &FeedbackWaveUpdater::dataProcessed, this, &MainWindow::on_dataProcessed);
}

void MainWindow::on_dataProcessed(WaveForm *chart, const WaveDataContainer &data) { chart->drawWaveData(data); }

void MainWindow::onWaveUpdateTimerTimeout()
{
    waveUpdater->update(positionSamples, velocitySamples, torqueSamples, waveMutex);
}

void MainWindow::appendFeedbackSamples(float position, float velocity, float torque)
{
    QMutexLocker lock(&waveMutex);
    // Without periodic sending nobody drains the lists (single sends, another master
    // driving the motor): like a chart's history they keep only the newest samples,
    // trimmed in blocks so that a sample costs no copy.
    if (positionSamples.size() >= FeedbackWaveUpdater::kMaxHeldSamples + FeedbackWaveUpdater::kTrimBlock) {
        for (QList<float> *l : {&positionSamples, &velocitySamples, &torqueSamples})
            l->remove(0, FeedbackWaveUpdater::kTrimBlock);
    }
    positionSamples.append(position);
    velocitySamples.append(velocity);
    torqueSamples.append(torque);
}

qsizetype MainWindow::heldFeedbackSamples()
{
    QMutexLocker lock(&waveMutex);
    return positionSamples.size() + waveUpdater->heldSamples();
}

QStringList MainWindow::clearWouldDiscard()
{
    QStringList lost;
    if (const int rows = canFrameModel ? canFrameModel->rowCount() : 0; rows > 0)
        lost << tr("CAN 记录中的 %1 行").arg(rows);
    if (!ui->comOutput->document()->isEmpty() || ui->comOutput->pendingLines() > 0)
        lost << tr("串口终端的输出");
    if (const int edits = parameterEdits(); edits > 0)
        lost << tr("参数页上 %1 项没有从电机读取的值（未写入的修改或导入的值）").arg(edits);
    if (const qsizetype samples = heldFeedbackSamples(); samples > 0)
        lost << tr("图表中的 %1 个数据点").arg(samples);
    return lost;
}

void MainWindow::on_actClear_triggered()
{
    const QStringList lost = clearWouldDiscard();
    if (!lost.isEmpty()
        && DialogService::question(this, tr("清空"), tr("清空将丢弃：\n%1\n\n确定清空吗？").arg(lost.join('\n')))
               != QMessageBox::Yes) {
        Logger::info("clear declined: " + lost.join("; "), "on_actClear_triggered");
        return;
    }
    clearAllData();
}

void MainWindow::clearAllData()
{
    ui->comOutput->clearAll();
    if (canFrameModel)
        canFrameModel->clear();
    ui->tableView->verticalHeader()->setDefaultSectionSize(30);
    usbLogWidest = 0;
    {
        QMutexLocker lock(&waveMutex);
        positionSamples.clear();
        velocitySamples.clear();
        torqueSamples.clear();
    }
    waveUpdater->clear();
    for (WaveForm *chart : {ui->Position, ui->Velocity, ui->Torque})
        chart->reset();
    clearParametersUI();
    emit appVersionChanged(QString());
    emit loaderVersionChanged(QString());
}

void MainWindow::on_actExit_triggered()
{
    // Ends at once, as the menu promises; the destructors do not run.
    ::exit(0);
}

// ---------------------------------------------------------------- devices

#ifdef Q_OS_WIN
#include <windows.h>
#include <dbt.h>
bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    MSG *msg = static_cast<MSG *>(message);
    if (msg->message == WM_DEVICECHANGE) {
        if (msg->wParam == 0x8000)
            Logger::info("设备插入", "nativeEvent");
        else if (msg->wParam == 0x8004)
            Logger::info("设备移除", "nativeEvent");
        if (msg->wParam == 7) {
            Logger::info("设备节点变更", "nativeEvent");
            return false;
        }
        refreshDevices();
    }
    return false;
}
#endif

// ---------------------------------------------------------------- lifecycle

void MainWindow::heartbeatLoop()
{
    while (heartbeatRunning) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (heartbeatSuspended)
            continue;
        if (get_connect())
            USB_CMD_HEART();
    }
}

void MainWindow::startBackgroundTasks()
{
    // The window keeps several loops on the global pool for its whole life, and Qt's own
    // image code borrows pool threads from the GUI thread; with the default of one
    // thread per core the GUI thread would wait forever on a two-core machine.
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setMaxThreadCount(qMax(pool->maxThreadCount(), QThread::idealThreadCount() + 16));
    fifoFuture = QtConcurrent::run([this](QPromise<void> &promise) {
        Logger::info(QString("handleFIFO Background task started. Thread ID: %1").arg(Logger::currentThreadId()),
                     "operator()");
        handleFIFO(promise);
        Logger::info(QString("handleFIFO Thread %1 finished.").arg(Logger::currentThreadId()), "operator()");
    });
    canAnalysisFuture = QtConcurrent::run([this] {
        Logger::info(QString("handleCANAnalysis Background task started. Thread ID: %1").arg(Logger::currentThreadId()),
                     "operator()");
        handleCANAnalysis();
        Logger::info(QString("handleCANAnalysis Thread %1 finished.").arg(Logger::currentThreadId()), "operator()");
    });
    CalFIFOfuture = QtConcurrent::run([this] {
        Logger::info(QString("CalFIFOfuture Background task started. Thread ID: %1").arg(Logger::currentThreadId()),
                     "operator()");
        calDataAnalysis();
        Logger::info(QString("CalFIFOfuture Thread %1 finished.").arg(Logger::currentThreadId()), "operator()");
    });
}

void MainWindow::stopBackgroundTasks()
{
    if (fifoFuture.isRunning()) {
        fifoFuture.cancel();
        fifoFuture.waitForFinished();
    }
    if (canAnalysisFuture.isRunning()) {
        canAnalysisFuture.cancel();
        canAnalysisFuture.waitForFinished();
    }
    calAnalysisRunning = false;
    heartbeatRunning = false;
    // Joined rather than detached: the loop reads this window's members.
    if (heartbeatThread.joinable())
        heartbeatThread.join();
    CalFIFOfuture.waitForFinished();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (chat)
        chat->stopProcess();
    ui->fdcanGroupBox->closeDialogs();
    if (deviceConfigWindow)
        deviceConfigWindow->close();
    if (occupancyWindow)
        occupancyWindow->close();
    if (serialTerminal && serialTerminal->queueWindow())
        serialTerminal->queueWindow()->close();
    if (calResultDialog)
        calResultDialog->close();
    event->accept();
}

// ---------------------------------------------------------------- diagnostics (hidden tab)

void MainWindow::on_crashBtn_clicked()
{
    CrashTest::nullWriteOnGuiThread();
}

void MainWindow::on_crashBtn_2_clicked()
{
    CrashTest::nullWriteOnWorkerThread();
}

void MainWindow::on_crashBtn_3_clicked()
{
    CrashTest::stackOverflowOnGuiThread();
}

void MainWindow::on_crashBtn_4_clicked()
{
    CrashTest::QtConcurrentInit();
}
