// Motor IDs in the main window: Read ID, Set ID with its checks and confirmation, and the
// bus scan that typing an ID into canidEdit starts. Replies reach the scan and the
// ID-reply map through motorFrameReceived, whichever adapter delivered them.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "procedures/customCDC.h"
#include "log/log.h"
#include "motor/motorActions.h"
#include "widgets/dialogService.h"
#include "widgets/utils.h"

#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

// ---------------------------------------------------------------- Read ID / Set ID

void MainWindow::on_btn_ReadID_clicked()
{
    stopCANDebug();
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    MotorActions::queryIds(*cdc, idReplyMap, this, [this] { return portOpen.load(); });
}

void MainWindow::on_btn_SetID_clicked()
{
    stopCANDebug();
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    const QString canText = ui->canidEdit_2->text();
    const QString masterText = ui->masteridEdit->text();
    if (canText.isEmpty() || masterText.isEmpty()) {
        emit MessageInfo(4);
        return;
    }
    unsigned int ids[2] = {0, 0};
    const QString texts[2] = {canText, masterText};
    for (int i = 0; i < 2; ++i) {
        if (!parseHexId(texts[i], &ids[i])) {
            DialogService::critical(this, tr("解析错误"), tr("无效的十六进制字符: ") + texts[i]);
            return;
        }
    }
    for (int i = 0; i < 2; ++i) {
        // The assignment carries each ID as one byte: 0x101 would give every motor on
        // the bus the ID 0x01 after the user confirmed 0x101.
        if (ids[i] > kMaxAssignableId) {
            DialogService::critical(this, tr("解析错误"), tr("ID超出范围（00~FF）: ") + texts[i]);
            return;
        }
    }
    // The assignment reaches every motor on the bus: only with exactly one there.
    ScannedMotor only;
    if (!checkOneMotorForSetId(&only))
        return;
    const QString question = tr("是否确认将总线上所有设备的<CAN ID,MASTER ID>更改为：") + "<" + canText + ","
                             + masterText + ">" + "\n"
                             + tr("总线上只有一台电机应答：CAN ID 0x%1，主机ID 0x%2。")
                                   .arg(only.canid, 2, 16, QLatin1Char('0'))
                                   .arg(only.masterid, 2, 16, QLatin1Char('0'));
    if (!showConfirmationDialog(this, question))
        return;
    MotorActions::assignIds(*cdc, ids[0], ids[1], this, [this] { return portOpen.load(); });
}

// ---------------------------------------------------------------- bus scan

void MainWindow::on_canidEdit_2_textEdited(const QString &text)
{
    // A copy from code: it starts no scan.
    ui->canidEdit->setText(text);
}

void MainWindow::on_canidEdit_textEdited(const QString &text)
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (scanning) {
        // Each key typed during a scan: the running scan probes every ID anyway and
        // looks for the newest text when it ends.
        scanWantedId = text;
        return;
    }
    cdc->stopAdapterSending();
    scanWantedId = text;
    scanResults.clear();
    scanDevice();
}

void MainWindow::scanDevice()
{
    const bool fdPage = ui->canDataStack->currentWidget() == ui->fdcanDataPage;
    (fdPage ? ui->fdcanDataLenEdit : ui->canDataLenEdit)->setText("8");
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (MotorActions::scanBus(*cdc, scanning, [this] { return portOpen.load(); }, [this] { stopCanTabSend(); }))
        finishScan();
}

void MainWindow::finishScan()
{
    const ScanResultMap found = scanResults.snapshot();
    Logger::info(QString("扫描结束: 要找 %1, 找到 %2 个设备").arg(scanWantedId).arg(found.size()), "scanDevice");
    const ScanOutcome outcome = evaluateScan(scanWantedId, found);
    if (outcome.adopt) {
        emit canidChanged(outcome.canid);
        emit masteridChanged(outcome.masterid);
        motorBaudText = motorBaudSuffix(outcome.canBr);
        motorBaudLabel->setStyleSheet(QString()); // the red of "unrecognised" is a style sheet
        setLabelTextAndColor(motorBaudLabel, Qt::darkGreen, tr("电机波特率") + motorBaudText);
    } else if (outcome.clearIds) {
        for (QLineEdit *e : {ui->canidEdit, ui->canidEdit_2, ui->masteridEdit})
            e->clear();
    }
    QStringList conflicts;
    for (const ScannedMotor &m : scanResults.census())
        if (const QString c = scanConflictText(m); !c.isEmpty())
            conflicts << c;
    // Two motors on one ID answer over each other: say so even when the wanted ID was found.
    const QString conflictText = conflicts.isEmpty() ? QString() : tr("ID 冲突：%1").arg(conflicts.join(", "));
    if (outcome.warn)
        DialogService::warning(this, tr("提示"), conflictText.isEmpty() ? outcome.warning : outcome.warning + "\n" + conflictText);
    else if (!conflictText.isEmpty())
        DialogService::warning(this, tr("提示"), conflictText);
    if (isCanDebugRunning())
        canFrameResend();
}
