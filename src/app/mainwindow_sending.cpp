// What the tool is sending, and one stop for everything: the status bar names every road
// that sends by itself; the 停止全部 button and Esc end them all through the one owner of
// the sending roads and disable every motor the tool enabled. Also whether the motor
// panel's read-outs are still fed: they grey out when feedback stops or the link closes,
// and feedback of the commanded motor on another ID than the master ID is named, with the
// fix one click away.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "log/log.h"
#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"
#include "procedures/customCDC.h"
#include "widgets/customTabBar.h"
#include "widgets/utils.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

namespace {
const char *kSendingStyle = "QLabel { background-color: #ffcc80; color: black; padding: 1px 6px; }";
const char *kNoticeStyle = "QLabel { color: #333333; padding: 1px 6px; }";
const char *kStopAllStyle = "QPushButton { background-color: #c62828; color: white; font-weight: bold; padding: 2px 10px; }"
                            "QPushButton:hover { background-color: #e53935; }";
constexpr int kNoticeMs = 6000;
} // namespace

void MainWindow::sendingInit()
{
    sendingLabel = new QLabel(this);
    sendingLabel->setObjectName("sendingLabel");
    // Long lists of roads are cut rather than widen the window; the tool tip has them whole.
    sendingLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    sendingLabel->setMinimumWidth(160);
    sendingLabel->setMaximumWidth(420);
    sendingLabel->hide();
    stopAllButton = new QPushButton(this);
    stopAllButton->setObjectName("btn_stopAll");
    stopAllButton->setStyleSheet(QString::fromLatin1(kStopAllStyle));
    stopAllButton->setFocusPolicy(Qt::NoFocus);
    statusBar()->addPermanentWidget(sendingLabel);
    statusBar()->addPermanentWidget(stopAllButton);
    connect(stopAllButton, &QPushButton::clicked, this, [this] { stopAll(); });
    // Anywhere in the main window, whatever has the focus.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] { stopAll(); });

    sendingNoticeTimer = new QTimer(this);
    sendingNoticeTimer->setSingleShot(true);
    connect(sendingNoticeTimer, &QTimer::timeout, this, [this] { showSendingRoads(cdc->roads()->running()); });
    connect(cdc->roads(), &SendingRoads::runningChanged, this, &MainWindow::showSendingRoads);

    readoutTimer = new QTimer(this);
    connect(readoutTimer, &QTimer::timeout, this, &MainWindow::refreshReadouts);
    readoutTimer->start(100);
    connect(ui->btn_takeMasterId, &QPushButton::clicked, this, &MainWindow::takeStrayAsMasterId);
    sendingLanguageChanged();
}

void MainWindow::sendingLanguageChanged()
{
    stopAllButton->setText(tr("停止全部"));
    stopAllButton->setToolTip(tr("停止所有周期发送、重复发送、回放和发送队列，并向本次启动后使能过的每台电机发送失能（Esc）"));
    if (!sendingNoticeTimer->isActive())
        showSendingRoads(cdc->roads()->running());
    const int stray = shownStrayId;
    shownStrayId = -1;
    showStrayFeedback(stray);
    setReadoutLook(readoutLook, shownStaleAfterMs, true);
}

void MainWindow::showSendingRoads(const QList<SendingRoads::Road> &roads)
{
    // A notice of what Stop all did stays a moment, unless something sends again.
    if (roads.isEmpty() && sendingNoticeTimer->isActive())
        return;
    sendingNoticeTimer->stop();
    if (roads.isEmpty()) {
        sendingLabel->hide();
        return;
    }
    QStringList names;
    for (SendingRoads::Road r : roads) {
        QString name = SendingRoads::roadName(r);
        if (r == SendingRoads::MotorPeriodic)
            name += QString(" → %1").arg(hexIdText(cdc->debugCanId()));
        names << name;
    }
    sendingLabel->setText(tr("● 正在发送: %1").arg(names.join(tr("、"))));
    sendingLabel->setToolTip(sendingLabel->text() + "\n" + tr("按“停止全部”或 Esc 结束所有发送"));
    sendingLabel->setStyleSheet(QString::fromLatin1(kSendingStyle));
    sendingLabel->show();
}

void MainWindow::showSendingNotice(const QString &text)
{
    sendingLabel->setText(text);
    sendingLabel->setToolTip(text);
    sendingLabel->setStyleSheet(QString::fromLatin1(kNoticeStyle));
    sendingLabel->show();
    sendingNoticeTimer->start(kNoticeMs);
}

QString MainWindow::stopAll()
{
    const CustomCDC::StopAllResult r = cdc->stopAll();
    // The window's own timers too, should one run without its road.
    stopPeriodicTimers();
    QStringList names;
    for (SendingRoads::Road road : r.stopped)
        names << SendingRoads::roadName(road);
    QString text = names.isEmpty() ? tr("已全部停止（没有正在进行的发送）")
                                   : tr("已全部停止: %1").arg(names.join(tr("、")));
    QStringList ids;
    for (quint32 id : r.disabled)
        ids << hexIdText(id);
    if (!ids.isEmpty())
        text += tr("；已向 %1 发送失能").arg(ids.join(", "));
    if (r.consoleDisabled)
        text += tr("；已通过电机控制台发送失能");
    Logger::info(text, "stopAll");
    showSendingNotice(text);
    return text;
}

// ---------------------------------------------------------------- read-outs

void MainWindow::refreshReadouts()
{
    if (!portOpen)
        return;
    const int interval = isCanDebugRunning() ? sendIntervalValue(ui->sendIntervalEdit_2->text()) : 0;
    const int limit = FeedbackWatch::staleAfterMs(interval);
    const FeedbackWatch::Look l = feedbackWatch.look(limit);
    // Until the first feedback of this link the read-outs keep the look they have.
    if (l.everFed)
        setReadoutLook(l.stale ? ReadoutLook::Stale : ReadoutLook::Live, limit);
    showStrayFeedback(l.strayId);
}

void MainWindow::setReadoutLook(ReadoutLook look, int staleAfterMs, bool force)
{
    if (look == readoutLook && !force)
        return;
    readoutLook = look;
    shownStaleAfterMs = staleAfterMs;
    QLabel *const values[] = {ui->motorTempLabel, ui->driverTempLabel, ui->PosLegendValueLabel,
                              ui->VelLegendValueLabel, ui->TorLegendValueLabel};
    if (look == ReadoutLook::Live) {
        for (QLabel *l : values) {
            setLabelTextAndColor(l, Qt::darkGreen, l->text());
            l->setToolTip(QString());
        }
        ui->motorStateLabel->setToolTip(QString());
        if (shownStateCode >= 0)
            on_motorErrorChanged(static_cast<unsigned char>(shownStateCode));
        else
            setLabelTextAndColor(ui->motorStateLabel, Qt::darkGreen, "Na");
        return;
    }
    const QString why = look == ReadoutLook::Closed
                            ? tr("连接已关闭：显示的是最后收到的值")
                            : tr("超过 %1 秒未收到电机反馈：显示的是最后收到的值").arg(staleAfterMs / 1000.0);
    for (QLabel *l : values) {
        setLabelTextAndColor(l, Qt::gray, l->text());
        l->setToolTip(why);
    }
    // A closed link reports no state at all: the motor may have stopped or not.
    setLabelTextAndColor(ui->motorStateLabel, Qt::gray,
                         look == ReadoutLook::Closed ? tr("无反馈") : ui->motorStateLabel->text());
    ui->motorStateLabel->setToolTip(why);
}

void MainWindow::readoutsLinkClosed()
{
    feedbackWatch.reset();
    showStrayFeedback(-1);
    const bool shown = shownStateCode >= 0 || shownMotorTemp != INT_MIN || shownDriverTemp != INT_MIN;
    // The next link's first feedback shows anew, whatever values this one left.
    shownStateCode = -1;
    shownMotorTemp = INT_MIN;
    shownDriverTemp = INT_MIN;
    if (shown || readoutLook != ReadoutLook::Live)
        setReadoutLook(ReadoutLook::Closed, 0, true);
}

void MainWindow::showStrayFeedback(int id)
{
    if (id == shownStrayId)
        return;
    shownStrayId = id;
    if (id < 0) {
        ui->masterIdWarning->hide();
        return;
    }
    const QString canid = hexIdText(motorCanid), stray = hexIdText(quint32(id)), master = hexIdText(motorMasterid);
    ui->masterIdWarningLabel->setText(tr("电机 %1 的反馈出现在 ID %2 上，而主机ID为 %3：这些反馈没有解码，状态、温度和曲线不会更新。")
                                          .arg(canid, stray, master));
    ui->btn_takeMasterId->setText(tr("设 %1 为主机ID").arg(stray));
    ui->btn_takeMasterId->setToolTip(tr("把主机ID改为 %1，面板从此解码这些反馈").arg(stray));
    ui->masterIdWarning->show();
    Logger::warning(QString("feedback of motor %1 arrives on %2, master ID is %3").arg(canid, stray, master),
                    "showStrayFeedback");
}

void MainWindow::takeStrayAsMasterId()
{
    if (shownStrayId < 0)
        return;
    const int id = shownStrayId;
    // The edit carries the master ID to the transmit model and the decoder.
    ui->masteridEdit->setText(QString::number(id, 16));
    feedbackWatch.reset();
    showStrayFeedback(-1);
    Logger::info(QString("master ID set to 0x%1 from the warning").arg(id, 0, 16), "takeStrayAsMasterId");
}
