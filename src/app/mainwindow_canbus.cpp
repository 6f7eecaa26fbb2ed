// Qt CAN interfaces in the main window (listed in the port box, opened instead of a
// serial port, their settings in a panel under it), and the log's recordings: recording
// to a can-utils log file, opening one into the log, replaying one onto the open link.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canFrameModel.h"
#include "can/canLogFeedback.h"
#include "can/canLogFile.h"
#include "can/canRecorder.h"
#include "can/canReplay.h"
#include "can/canTxModel.h"
#include "can/ui/canLogBar.h"
#include "can/ui/canRecordBar.h"
#include "can/ui/canTxDelegate.h"
#include "charts/ui/waveForm.h"
#include "link/canbus/qtCanBusAdapter.h"
#include "link/canbus/ui/canBusPanel.h"
#include "link/sendingRoads.h"
#include "procedures/customCDC.h"
#include "link/serial/serialPortModel.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/factsDialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QColor>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

namespace {
constexpr char kRecordingFilter[] = "can-utils log (*.log);;*";
// Frames a replay lets wait for the adapter at most (about 1 KB on the serial adapter).
constexpr qint64 kReplayPendingFrames = 32;
} // namespace

void MainWindow::canBusInit()
{
    canBusPanelWidget = new CanBusPanel(ui->connectGroupBox);
    if (auto *grid = qobject_cast<QGridLayout *>(ui->connectGroupBox->layout()))
        grid->addWidget(canBusPanelWidget, grid->rowCount(), 0, 1, 3);
    canBusPanelWidget->setVisible(false);

    canRecorder = std::make_unique<CanRecorder>();
    connect(canRecorder.get(), &CanRecorder::failed, this, [this](const QString &reason) {
        canRecordBar->setRecording(false);
        canRecordBar->showStatus(tr("录制已停止"));
        DialogService::warning(this, tr("录制失败"), tr("无法写入记录文件，录制已停止: %1").arg(reason));
    });
    canRecordBar = new CanRecordBar(ui->canLogBar->parentWidget());
    if (auto *box = qobject_cast<QBoxLayout *>(ui->canLogBar->parentWidget()->layout()))
        box->insertWidget(box->indexOf(ui->canLogBar) + 1, canRecordBar);
    connect(canRecordBar->recordButton(), &QPushButton::clicked, this, &MainWindow::on_canRecord_clicked);
    connect(canRecordBar->openButton(), &QPushButton::clicked, this, [this] { openRecording(QString()); });
    connect(canRecordBar->replayButton(), &QPushButton::clicked, this, [this] { replayRecording(QString()); });
    connect(canRecordBar->chartMotorBox(), &QComboBox::currentIndexChanged, this, &MainWindow::showRecordingTrack);
    auto *statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, [this] {
        if (canRecorder->isRecording())
            canRecordBar->showStatus(tr("录制中: %1，%2 帧")
                                         .arg(QFileInfo(canRecorder->path()).fileName())
                                         .arg(canRecorder->framesWritten()));
    });
    statusTimer->start(500);

    canReplay = new CanReplay(
        [this](const CanBusFrame &f) { return portOpen && cdc->sendCanTabFrame(f, CanTxOptions()); }, this);
    // "As fast as possible" goes no faster than the adapter writes.
    canReplay->setBackPressure(
        [this] {
            CanAdapter *a = cdc->canAdapter();
            return portOpen && a ? a->framesPending() : 0;
        },
        kReplayPendingFrames);
    connect(canReplay, &CanReplay::progress, canRecordBar->progressBar(), &QProgressBar::setValue);
    connect(canReplay, &CanReplay::finished, this, &MainWindow::onReplayFinished);
}

void MainWindow::canBusShutdown()
{
    if (canReplay)
        canReplay->stop();
    if (canRecorder)
        canRecorder->stop();
}

// ---------------------------------------------------------------- interfaces

void MainWindow::refreshCanInterfaces(bool enumeratePlugins)
{
    QList<SerialPortModel::PortEntry> entries;
    auto add = [&entries](const QString &name, const QString &description) {
        const QString location = QStringLiteral("canbus:") + name;
        for (const auto &e : entries)
            if (e.location == location)
                return;
        entries.append({name, location, description, false});
    };
    for (const auto &extra : options.canInterfaces)
        add(extra.first, extra.second);
    if (enumeratePlugins)
        pluginInterfaces = QtCanBusAdapter::availableInterfaces();
    // Until the plugins were asked, the list keeps what they reported last.
    for (const QString &name : pluginInterfaces)
        add(name, tr("CAN 接口（Qt 插件 %1）").arg(name.section(':', 0, 0)));
    serialPortModel->setCanInterfaces(entries);
}

void MainWindow::updateCanBusPanel()
{
    if (!canBusPanelWidget)
        return;
    // By the box's text: the model may learn of the choice only after this runs.
    QString location;
    for (const auto &e : serialPortModel->portEntries())
        if (e.portName == ui->comboCom_Port->currentText())
            location = e.location;
    QString plugin, iface;
    const bool can = QtCanBusAdapter::parseLocation(location, &plugin, &iface);
    canBusPanelWidget->setVisible(can);
    if (can)
        canBusPanelWidget->setInterface(plugin, iface);
}

bool MainWindow::openCanBusLink(const QString &location)
{
    QString plugin, iface;
    if (!QtCanBusAdapter::parseLocation(location, &plugin, &iface))
        return false;
    delete qtCanBus;
    qtCanBus = new QtCanBusAdapter(plugin, iface, this);
    const QtCanBusAdapter::Settings settings = canBusPanelWidget->settings();
    qtCanBus->setSettings(settings);
    // Batches go to the handler's queue straight from the interface's thread.
    connect(qtCanBus, &CanAdapter::framesReceived, this, &MainWindow::on_canFramesReceived, Qt::DirectConnection);
    connect(qtCanBus, &CanAdapter::errorOccurred, this, &MainWindow::onCanBusError);
    if (!qtCanBus->connectDevice()) {
        const QString why = qtCanBus->errorString();
        Logger::error(QString("打开 CAN 接口失败: %1 (%2)").arg(location, why), "openCanBusLink");
        DialogService::warning(this, tr("打开失败"), tr("无法打开 CAN 接口 %1: %2").arg(plugin + ':' + iface, why));
        delete qtCanBus;
        qtCanBus = nullptr;
        return false;
    }
    Logger::info("CAN 接口已打开: " + location, "openCanBusLink");
    cdc->setCanAdapter(qtCanBus);
    canRecorder->setInterfaceName(iface.section('/', -1).toUtf8());
    // The transmit settings follow the interface: CAN FD frames only where it takes them.
    canTxModel->setCANType(settings.fd);
    ui->canDataStack->setCurrentWidget(settings.fd ? ui->fdcanDataPage : ui->canDataPage);
    if (settings.fd)
        canTxDelegate->setComboBoxData(ui->comboFrame_canFrameType, 0, CANTxModel::ColCanFrameType);
    ui->comboFrame_canFrameType->setEnabled(!settings.fd);
    canBusPanelWidget->setLinkOpen(true);
    QString rate = settings.bitRate > 0 ? QString::number(settings.bitRate / 1000) + "K" : tr("接口设置");
    if (settings.fd)
        rate += settings.dataBitRate > 0 ? QString("/%1M FD").arg(settings.dataBitRate / 1000000.0) : QString(" FD");
    adapterLabel->setText(plugin + ':' + iface.section('/', -1) + ' ' + rate);
    adapterLabel->setStyleSheet(QString("color: %1;").arg(QColor(Qt::darkGreen).name()));
    return true;
}

void MainWindow::closeCanBusLink()
{
    if (!qtCanBus)
        return;
    if (canReplay)
        canReplay->stop();
    if (cdc && cdc->canAdapter() == qtCanBus)
        cdc->setCanAdapter(nullptr);
    qtCanBus->disconnectDevice();
    qtCanBus->deleteLater();
    qtCanBus = nullptr;
    canBusPanelWidget->setLinkOpen(false);
    // The serial adapter that may come next sends classic frames only.
    canTxModel->setCANType(false);
    ui->canDataStack->setCurrentWidget(ui->canDataPage);
    ui->comboFrame_canFrameType->setEnabled(true);
}

void MainWindow::onCanBusError(CanAdapter::Error error, const QString &text)
{
    if (error == CanAdapter::Error::WriteError) {
        statusBar()->showMessage(tr("CAN 接口发送失败: ") + text, 5000);
        return;
    }
    if (error != CanAdapter::Error::ReadError || !portOpen)
        return;
    on_actCom_Close_triggered();
    on_btn_comRefreash_clicked();
    emit autoQuitMessageBoxShow(tr("CAN 接口连接已断开: ") + text);
}

// ---------------------------------------------------------------- recording

void MainWindow::on_canRecord_clicked()
{
    if (canRecorder->isRecording()) {
        stopRecording();
        return;
    }
    const QString name = QDateTime::currentDateTime().toString("'candump-'yyyy-MM-dd_HHmmss'.log'");
    const QString path =
        DialogService::getSaveFileName(this, tr("录制到文件"), QDir::home().filePath(name), kRecordingFilter);
    if (!path.isEmpty())
        startRecording(path);
}

bool MainWindow::startRecording(const QString &path)
{
    QString error;
    const QByteArray iface = qtCanBus ? qtCanBus->interfaceName().section('/', -1).toUtf8()
                                      : QByteArray(cdc->usbConnected() ? "usbcan0" : "serial0");
    if (!canRecorder->start(path, iface, &error)) {
        DialogService::warning(this, tr("录制失败"), tr("无法创建文件 %1: %2").arg(path, error));
        return false;
    }
    Logger::info("开始录制: " + path, "startRecording");
    canRecordBar->setRecording(true);
    canRecordBar->showStatus(tr("录制中: %1，%2 帧").arg(QFileInfo(path).fileName()).arg(0));
    return true;
}

void MainWindow::stopRecording()
{
    const QString problem = canRecorder->stop();
    canRecordBar->setRecording(false);
    canRecordBar->showStatus(tr("已录制 %1 帧到 %2").arg(canRecorder->framesWritten()).arg(QFileInfo(canRecorder->path()).fileName()));
    Logger::info(QString("录制结束: %1 帧").arg(canRecorder->framesWritten()), "stopRecording");
    if (!problem.isEmpty())
        DialogService::warning(this, tr("录制失败"), problem);
}

// ---------------------------------------------------------------- opening and replay

void MainWindow::reportMalformedLines(const QString &path, const QList<CanLogReader::Problem> &problems, qint64 total)
{
    if (total == 0)
        return;
    DialogService::warning(this, tr("记录文件有错误"),
                           tr("%1 中有 %2 行格式错误，已跳过：\n%3")
                               .arg(QFileInfo(path).fileName())
                               .arg(total)
                               .arg(canLogProblemsText(problems, total, 10)));
}

int MainWindow::openRecording(const QString &given)
{
    const QString path = given.isEmpty()
                             ? DialogService::getOpenFileName(this, tr("打开记录"), QDir::homePath(), kRecordingFilter)
                             : given;
    if (path.isEmpty())
        return -1;
    CanLogReader reader;
    QString error;
    if (!reader.open(path, &error)) {
        DialogService::warning(this, tr("打开失败"), tr("无法打开文件 %1: %2").arg(path, error));
        return -1;
    }
    // Read on a worker: a recording of a long session takes a while. Only as many rows
    // as the log keeps are held.
    std::atomic_bool cancel{false};
    std::atomic_int permille{0};
    QList<CANFrameData> rows;
    const bool toCharts = canRecordBar->chartsBox()->isChecked();
    FeedbackTrackCollector feedback(ranges.get());
    QFuture<void> reading = QtConcurrent::run([&] {
        CanLogRecord r;
        bool first = true;
        quint64 firstUs = 0;
        quint32 index = 0;
        while (!cancel && reader.next(&r)) {
            if (first) {
                first = false;
                firstUs = r.timeUs;
            }
            rows.append(canLogRowOf(r, ++index, qint64(r.timeUs) - qint64(firstUs)));
            if (toCharts)
                feedback.add(rows.constLast(), double(qint64(r.timeUs) - qint64(firstUs)) / 1e6);
            if (rows.size() >= 2 * CANFrameModel::kMaxRows)
                rows.remove(0, rows.size() - CANFrameModel::kMaxRows);
            if ((index & 0xFFF) == 0)
                permille = int(reader.position() * 1000 / std::max<qint64>(1, reader.size()));
        }
        if (rows.size() > CANFrameModel::kMaxRows)
            rows.remove(0, rows.size() - CANFrameModel::kMaxRows);
    });
    QProgressDialog progress(tr("正在读取记录..."), tr("取消"), 0, 1000, this);
    progress.setObjectName("recordingProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    while (!reading.isFinished()) {
        progress.setValue(permille);
        if (progress.wasCanceled())
            cancel = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    progress.reset();
    if (cancel)
        return -1;
    if (!reader.error().isEmpty())
        DialogService::warning(this, tr("读取失败"), tr("读取 %1 时出错: %2").arg(path, reader.error()));
    appendLogRows(rows);
    Logger::info(QString("载入记录 %1: %2 帧, %3 行格式错误").arg(path).arg(rows.size()).arg(reader.problemCount()),
                 "openRecording");
    canRecordBar->showStatus(tr("已载入 %1 帧: %2").arg(rows.size()).arg(QFileInfo(path).fileName()));
    if (toCharts)
        showRecordingFeedback(feedback.tracks(), QFileInfo(path).fileName());
    reportMalformedLines(path, reader.problems(), reader.problemCount());
    return int(rows.size());
}

void MainWindow::showRecordingFeedback(const QList<FeedbackTrack> &tracks, const QString &name)
{
    recordingTracks = tracks;
    QStringList labels;
    int current = 0;
    for (int i = 0; i < tracks.size(); ++i) {
        labels << feedbackTrackLabel(tracks[i]);
        // The motor the tool talks to, when it is in the recording; else the busiest.
        if (tracks[i].belongsTo(motorCanid, motorMasterid))
            current = i;
    }
    canRecordBar->setChartMotors(labels, current);
    if (tracks.isEmpty()) {
        canRecordBar->showStatus(canRecordBar->statusLabel()->text() + tr("；记录中没有电机反馈帧"));
        return;
    }
    showRecordingTrack(current);
    canRecordBar->showStatus(tr("已载入 %1 的反馈曲线: %2（见调试页）").arg(name, labels[current]));
}

void MainWindow::showRecordingTrack(int index)
{
    if (index < 0 || index >= recordingTracks.size())
        return;
    const FeedbackTrack &t = recordingTracks[index];
    ui->Position->showTrack(t.seconds, t.position);
    ui->Velocity->showTrack(t.seconds, t.velocity);
    ui->Torque->showTrack(t.seconds, t.torque);
    if (t.dropped > 0)
        Logger::warning(QString("记录反馈过多，只显示最新的 %1 点（省略 %2 点）").arg(t.size()).arg(t.dropped),
                        "showRecordingTrack");
}

QString MainWindow::adapterText() const
{
    const QString port = ui->comboCom_Port->currentText();
    if (cdc->usbConnected())
        return tr("USB FDCAN 适配器 %1").arg(port);
    if (qtCanBus && cdc->canAdapter() == static_cast<CanAdapter *>(qtCanBus))
        return tr("CAN 接口");
    return tr("串口适配器 %1").arg(port);
}

bool MainWindow::confirmReplay(const QString &path, const CanReplayPlan &plan, bool *sentOnly)
{
    const double speed = canRecordBar->speed();
    FactsDialog dialog(tr("确认回放"), tr("把记录中的帧发送到总线上？总线上的电机会执行其中的命令（使能、运动、设置）。"),
                       this);
    dialog.setObjectName("replayConfirmation");
    dialog.addFact(tr("文件:"), QDir::toNativeSeparators(path));
    dialog.addFact(tr("发送到:"), adapterText());
    const int framesRow = dialog.addFact(tr("帧:"), QString());
    const int idsRow = dialog.addFact(tr("ID:"), QString());
    const int timeRow = dialog.addFact(tr("时长:"), QString());
    QCheckBox *onlySent = dialog.addCheckBox(tr("仅发送帧"), *sentOnly, canRecordBar->sentOnlyBox()->toolTip());
    auto refresh = [&] {
        const bool only = onlySent->isChecked();
        const CanReplayPlan::Frames &going = plan.going(only);
        dialog.setFact(framesRow, tr("发送 %1 帧（记录中：%2 帧标为发送，%3 帧标为接收，%4 帧未标方向，%5 个错误帧不发送）")
                                      .arg(going.count)
                                      .arg(plan.sent.count)
                                      .arg(plan.received)
                                      .arg(plan.unmarked)
                                      .arg(plan.errorFrames));
        dialog.setFact(idsRow, going.ids.isEmpty() ? tr("无")
                                                   : tr("%1 个：%2").arg(going.ids.size()).arg(canReplayIdsText(going.ids, 8)));
        dialog.setFact(timeRow, speed > 0 ? tr("约 %1 秒（速度 %2×）").arg(plan.seconds(only, speed), 0, 'f', 1).arg(speed)
                                          : tr("不按记录的间隔，尽快发送"));
        dialog.clearProblems();
        if (plan.problemCount > 0)
            dialog.addProblem(tr("%1 行格式错误，将被跳过：\n%2")
                                  .arg(plan.problemCount)
                                  .arg(canLogProblemsText(plan.problems, plan.problemCount, 5)));
        if (!plan.error.isEmpty())
            dialog.addProblem(tr("文件没有读完：%1").arg(plan.error));
        if (going.count == 0)
            dialog.addProblem(only && plan.all.count > 0 ? tr("记录中没有标为发送（T）的帧：取消“仅发送帧”才会发送收到的帧。")
                                                         : tr("没有可发送的帧。"));
        dialog.setConfirmEnabled(going.count > 0);
    };
    refresh();
    connect(onlySent, &QCheckBox::toggled, &dialog, refresh);
    dialog.setConfirmText(tr("开始回放"));
    Logger::info("asking: " + dialog.text().replace('\n', "; "), "replayRecording");
    if (DialogService::exec(&dialog) != QDialog::Accepted || plan.going(onlySent->isChecked()).count == 0)
        return false;
    *sentOnly = onlySent->isChecked();
    return true;
}

bool MainWindow::replayRecording(const QString &given)
{
    if (canReplay->isRunning()) {
        canReplay->stop();
        return false;
    }
    if (replayPlanning)
        return false;
    if (!portOpen) {
        DialogService::warning(this, tr("无法回放"), tr("请先打开串口或 CAN 接口"));
        return false;
    }
    if (refuseCanOnConsole() || refuseWhileUpgrading())
        return false;
    const QString path = given.isEmpty()
                             ? DialogService::getOpenFileName(this, tr("回放记录"), QDir::homePath(), kRecordingFilter)
                             : given;
    if (path.isEmpty())
        return false;
    // The whole file is read and checked before anything is sent; off the window's thread,
    // as a recording may be large.
    replayPlanning = true;
    canRecordBar->showStatus(tr("正在检查 %1 …").arg(QFileInfo(path).fileName()));
    QFutureWatcher<CanReplayPlan> watcher;
    QEventLoop wait;
    connect(&watcher, &QFutureWatcher<CanReplayPlan>::finished, &wait, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(planCanReplay, path));
    if (!watcher.isFinished())
        wait.exec();
    replayPlanning = false;
    const CanReplayPlan plan = watcher.result();
    canRecordBar->showStatus(QString());
    if (plan.all.count == 0 && !plan.error.isEmpty()) {
        DialogService::warning(this, tr("无法回放"), tr("无法打开文件 %1: %2").arg(path, plan.error));
        return false;
    }
    bool sentOnly = canRecordBar->sentOnlyBox()->isChecked();
    if (!confirmReplay(path, plan, &sentOnly)) {
        Logger::info("replay not confirmed: " + path, "replayRecording");
        return false;
    }
    canRecordBar->sentOnlyBox()->setChecked(sentOnly);
    // The link may have gone while the question was up.
    if (!portOpen || refuseCanOnConsole() || refuseWhileUpgrading())
        return false;
    QString error;
    if (!canReplay->start(path, canRecordBar->speed(), sentOnly, &error)) {
        DialogService::warning(this, tr("无法回放"), tr("无法打开文件 %1: %2").arg(path, error));
        return false;
    }
    replayPath = path;
    cdc->roads()->started(SendingRoads::Replay, [this] { canReplay->stop(); });
    canRecordBar->setReplaying(true);
    canRecordBar->showStatus(tr("回放中: %1").arg(QFileInfo(path).fileName()));
    return true;
}

void MainWindow::onReplayFinished(const CanReplay::Result &r)
{
    cdc->roads()->ended(SendingRoads::Replay);
    canRecordBar->setReplaying(false);
    QString text = tr("回放%1: 发送 %2 帧").arg(r.stopped ? tr("已停止") : tr("完成")).arg(r.sent);
    if (r.skipped)
        text += tr("，跳过 %1 帧").arg(r.skipped);
    if (r.refused)
        text += tr("，%1 帧未能发送").arg(r.refused);
    canRecordBar->showStatus(text);
    Logger::info(text, "onReplayFinished");
    if (!r.error.isEmpty())
        DialogService::warning(this, tr("回放出错"), r.error);
    // The malformed lines were shown before the replay began.
    if (r.malformed)
        Logger::warning(QString("%1 malformed lines skipped in %2").arg(r.malformed).arg(replayPath), "onReplayFinished");
}
