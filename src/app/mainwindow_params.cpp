// Parameter registers in the main window: the parameter tab's widgets and the record,
// read / write / save of the whole record over CAN or the motor's console, export and
// import of the parameter file.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "can/canTxModel.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "motor/controlPanel.h"
#include "motor/motorActions.h"
#include "motor/paramRegisters.h"
#include "motor/paramRules.h"
#include "motor/paramDiff.h"
#include "motor/ui/paramDiffDialog.h"
#include "motor/ui/paramWidgets.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"
#include "zkVersion.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>

namespace {
// Object names of every widget of the register table, in register order.
const QStringList &registerWidgets()
{
    static const QStringList names = [] {
        QStringList out;
        for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
            const QString name = registerWidgetName(rid);
            if (!name.isEmpty())
                out << name;
        }
        return out;
    }();
    return names;
}
} // namespace

void MainWindow::canBaudInit()
{
    const QSignalBlocker block(ui->comboBox_canBaud);
    ui->comboBox_canBaud->clear();
    for (const char *text : canBaudList)
        ui->comboBox_canBaud->addItem(QString::fromLatin1(text));
    showNeverWrittenFields();
}

void MainWindow::showNeverWrittenFields()
{
    // Fields a write never changes look it, and say why (again after a language switch).
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
        const QString reason = readOnlyParameterReason(rid);
        // The motor's CAN ID is read-only in CAN mode only (on_canUart_statusChanged).
        auto *edit = reason.isEmpty() || rid == 8
                         ? nullptr
                         : ui->tab_Parameters->findChild<QLineEdit *>(registerWidgetName(rid));
        if (!edit)
            continue;
        edit->setToolTip(reason);
        edit->setReadOnly(true);
        edit->setStyleSheet("QLineEdit { background-color: #f0f0f0; color: #808080; }");
    }
    ui->ESC_IDEdit->setToolTip(ui->ESC_IDEdit->isReadOnly() ? readOnlyParameterReason(8) : QString());
}

QString MainWindow::parameterFieldName(int rid) const
{
    const QString property = ESC_INF::propertyName(rid);
    const auto *caption = ui->tab_Parameters->findChild<QLabel *>(property + "Caption");
    const QString field = caption ? caption->text().remove(QRegularExpression("[:：]\\s*$")).trimmed() : QString();
    return field.isEmpty() || field == property ? property : QString("%1 (%2)").arg(field, property);
}

// ---------------------------------------------------------------- widgets and record

void MainWindow::getESC_INF(ESC_INF &record)
{
    widgetTextsToRecord(readWidgetTexts(ui->tab_Parameters, registerWidgets()), record, &shownParameters);
}

void MainWindow::on_ParametersChanged(const ESC_INF &record)
{
    const QHash<QString, QString> texts = recordToWidgetTexts(record, cdc->longParamFormat);
    writeWidgetTexts(ui->tab_Parameters, texts);
    shownParameters = {record, texts};
    if (record.cmode != 0)
        ui->ctrModeTabBar->setCurrentTab(int(record.cmode) - 1);

    ranges.applyRecord(record);
    const MappingRanges m = ranges.get();
    struct Bound {
        const char *minName;
        const char *maxName;
        MappingRange range;
        QStringList suffixes; // the matching labels of the other pages
    };
    const Bound bounds[] = {
        {"POS_MINLabel", "POS_MAXLabel", m.position, {"_2", "_3", "_4"}},
        {"TOR_MINLabel", "TOR_MAXLabel", m.torque, {"_2", "_3"}},
    };
    for (const Bound &b : bounds) {
        const QString minText = rangeBoundText("MIN", b.range.min);
        const QString maxText = rangeBoundText("MAX", b.range.max);
        for (const QString &suffix : QStringList{QString()} + b.suffixes) {
            setRangeLabel(ui->controlPanel->findChild<QLabel *>(QLatin1String(b.minName) + suffix), minText);
            setRangeLabel(ui->controlPanel->findChild<QLabel *>(QLatin1String(b.maxName) + suffix), maxText);
        }
    }
    for (QLabel *l : ui->rangeLabels)
        setRangeLabel(l, rangeLabelText(l));
    // Velocity bounds follow the unit switch; the set-points follow the new ranges.
    pagesVelocityMax = m.velocity.max;
    showVelocityRanges();
    refreshSetPoints();

    if (ui->paramWarningLabel->text() == tr("推荐先读取参数再进行调试"))
        ui->paramWarningLabel->clear();
}

int MainWindow::parameterEdits()
{
    // Fields that no longer show what was read from the motor: typed or imported.
    const QHash<QString, QString> texts = readWidgetTexts(ui->tab_Parameters, registerWidgets());
    int edits = 0;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (it.value().trimmed().isEmpty() || shownParameters.unchanged(texts, it.key()))
            continue;
        // Before any read, the page's own choices (the lists) are no edit either.
        if (shownParameters.texts.isEmpty() && clearedParameterTexts.value(it.key()) == it.value())
            continue;
        ++edits;
    }
    return edits;
}

void MainWindow::clearParametersUI()
{
    clearWidgets(ui->tab_Parameters, registerWidgets());
    shownParameters = ShownParameters();
    clearedParameterTexts = readWidgetTexts(ui->tab_Parameters, registerWidgets());
}

void MainWindow::onParameterBlock(const QByteArray &bytes, bool longLayout)
{
    Logger::info(QString("console parameter block, %1 layout").arg(longLayout ? "long" : "short"), "onParameterBlock");
    const ESC_INF record = byteToStruct<ESC_INF>(bytes);
    cdc->escInf = record;
    noteMotorValues(record);
    if (silentRead)
        return; // read for a diff: the page keeps what the user typed
    emit ParametersChanged(record);
    emit canidChanged(record.ESC_ID);
    ui->masteridEdit->setText(QString::number(record.MST_ID, 16));
}

// ---------------------------------------------------------------- read / write / save

void MainWindow::on_ReadAllParam_clicked()
{
    if (cdc->canMode && ui->canidEdit->text().isEmpty()) {
        emit MessageInfo(3);
        return;
    }
    ui->sw_btn_rpmRads->setChecked(false);
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (!cdc->canMode)
        stopCANDebug();
    MotorActions::startRegisters(*cdc, 0, this);
}

void MainWindow::on_WriteAllParam_clicked()
{
    if (cdc->canMode && ui->canidEdit->text().isEmpty()) {
        emit MessageInfo(3);
        return;
    }
    bool missing = false;
    if (cdc->longParamFormat) {
        for (QGroupBox *g : {ui->CommParamGroupBox, ui->DriverParamGroupBox, ui->ControlParamGroupBox,
                             ui->ControlSettingGroupBox})
            missing = missing || checkEditFields(g, {});
        missing = missing || ui->comboBox_canBaud->currentIndex() < 0;
    } else {
        const QStringList optional = shortLayoutOptionalEdits();
        missing = checkEditFields(ui->CommParamGroupBox, {});
        for (QGroupBox *g : {ui->DriverParamGroupBox, ui->ControlParamGroupBox, ui->ControlSettingGroupBox})
            missing = missing || checkEditFields(g, optional);
    }
    if (missing) {
        emit MessageInfo(4);
        return;
    }
    // Nothing goes out unless every register written can take its value: NaN or infinity
    // in a protection limit, or a number beyond the register's type, would reach the motor.
    const QHash<QString, QString> texts = readWidgetTexts(ui->tab_Parameters, registerWidgets());
    ESC_INF record = cdc->escInf;
    widgetTextsToRecord(texts, record, &shownParameters);
    const int bad = unwritableRegister(texts, record, writtenRegisters(cdc->canMode, cdc->longParamFormat),
                                       &shownParameters);
    if (bad >= 0) {
        const QString property = ESC_INF::propertyName(bad);
        Logger::warning(QString("%1 = \"%2\" cannot be written").arg(property, texts.value(registerWidgetName(bad))),
                        "on_WriteAllParam_clicked");
        DialogService::warning(this, tr("提示"),
                               tr("参数 %1 的值“%2”无法写入：须为有限的数值（ID 不超过 0x7FF）。未写入任何参数。")
                                   .arg(parameterFieldName(bad), texts.value(registerWidgetName(bad))));
        return;
    }
    // Each register against its range, then the pairs a controller needs in order.
    const QStringList problems = parameterProblemTexts(checkParameters(
        record, writtenRegisters(cdc->canMode, cdc->longParamFormat), [this](int rid) { return parameterFieldName(rid); }));
    if (!problems.isEmpty()) {
        Logger::warning("not written: " + problems.join("; "), "on_WriteAllParam_clicked");
        DialogService::warning(this, tr("提示"), tr("以下参数无法写入，未写入任何参数：\n%1").arg(problems.join('\n')));
        return;
    }
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    // What will change, against what the motor holds now; unticked rows keep its value.
    if (!readMotorValuesNow()) {
        DialogService::warning(this, tr("提示"), tr("电机未应答读参数，无法对比将要改变的参数，未写入任何参数。"));
        return;
    }
    QList<int> changed;
    if (!diffBeforeWrite(record, &changed, tr("写参数将改变电机的以下参数（取消勾选则保留电机的值）：")))
        return;
    cdc->escInf = record;
    cdc->writeOnly = cdc->canMode ? changed : QList<int>(); // the console takes the whole block
    if (!cdc->canMode)
        stopCANDebug();
    MotorActions::startRegisters(*cdc, 1, this);
}

void MainWindow::on_StoreAllParam_clicked()
{
    if (cdc->canMode && ui->canidEdit->text().isEmpty()) {
        emit MessageInfo(3);
        return;
    }
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    MotorActions::startRegisters(*cdc, 2, this);
    // Saving is what makes a write survive a power cycle: say that it went out.
    emit autoQuitMessageBoxShow(tr("已发送保存命令：电机把当前参数存入其 Flash，断电后保留"));
}

// ---------------------------------------------------------------- export / import

void MainWindow::on_ExportParam_clicked()
{
    getESC_INF(cdc->escInf);
    const QString path = DialogService::getSaveFileName(this, tr("选择文本文件"), desktopPath, tr("文本文件 (*.txt)"));
    if (path.isEmpty())
        return;
    const QPair<QString, QString> versions = versionsRead.value(motorCanid);
    const ParameterFileHeader header{ZK_VERSION,          QDateTime::currentDateTime(), motorCanid, motorMasterid,
                                     versions.first, versions.second};
    const ParamFileResult r = exportParameters(path, cdc->escInf, parameterFileHeaderText(header));
    if (!r.ok) {
        DialogService::critical(this, tr("错误"), r.error);
        return;
    }
    Logger::info("参数已导出: " + path, "on_ExportParam_clicked");
    DialogService::information(this, tr("导出成功"), tr("数据已成功导出到: %1").arg(path));
}

void MainWindow::on_ImportParam_clicked()
{
    const QString path = DialogService::getOpenFileName(this, tr("选择文本文件"), desktopPath, tr("文本文件 (*.txt)"));
    if (path.isEmpty())
        return;
    QString text;
    const ParamFileResult read = readParameterFile(path, text);
    if (!read.ok) {
        DialogService::critical(this, tr("错误"), read.error);
        return;
    }
    // What the page shows now is the motor the file is for; its IDs stay unless the user
    // takes the file's (an export of another motor would put two motors on one ID).
    ESC_INF current = cdc->escInf;
    getESC_INF(current);
    const bool idsShown = !ui->MST_IDEdit->text().trimmed().isEmpty() && !ui->ESC_IDEdit->text().trimmed().isEmpty();
    // Read-only fields the page shows keep the motor's values: they are never written.
    QList<int> keep;
    for (int rid : {16, 20, 36})
        if (auto *e = ui->tab_Parameters->findChild<QLineEdit *>(registerWidgetName(rid)); e && !e->text().isEmpty())
            keep << rid;
    ESC_INF record = current;
    ParameterImport r = importParameterText(text, record, false, keep);
    if (!r.ok) {
        DialogService::critical(this, tr("错误"), r.error + ": " + path);
        return;
    }
    bool takeIds = false;
    if (r.idsDiffer) {
        const QString now = idsShown ? tr("参数页当前为 CAN ID %1、主机ID %2").arg(hexIdText(current.ESC_ID), hexIdText(current.MST_ID))
                                     : tr("参数页当前没有 ID（请先读参数）");
        takeIds = DialogService::question(this, tr("导入参数"),
                                          tr("文件中的 CAN ID 为 %1、主机ID 为 %2；%3。\n使用文件中的 ID 吗？"
                                             "选“否”保留当前 ID（推荐：两台电机用同一 ID 会互相干扰）。")
                                              .arg(hexIdText(r.fileCanId), hexIdText(r.fileMasterId), now),
                                          QMessageBox::Yes | QMessageBox::No)
                  == QMessageBox::Yes;
        if (takeIds) {
            record = current;
            r = importParameterText(text, record, true, keep);
        }
    }
    Logger::info(QString("参数已导入: %1 (%2 行已读取, %3 行已跳过, %4 项有变化, ID %5)")
                     .arg(path)
                     .arg(r.applied)
                     .arg(r.skipped)
                     .arg(r.filled)
                     .arg(takeIds ? "from the file" : "kept"),
                 "on_ImportParam_clicked");
    lastParameterFile = path;
    // What the file would change on the motor, when the tool knows the motor's values:
    // unticked rows keep them.
    if (motorValuesKnown && motorValuesCanid == motorCanid) {
        const QList<RegisterDiffRow> rows =
            diffRegisters(motorValues, record, writtenRegisters(cdc->canMode, cdc->longParamFormat));
        if (rows.isEmpty()) {
            DialogService::information(this, tr("导入参数"), tr("文件中的参数与电机当前的值完全相同，无需写入。"));
        } else {
            // Nothing is written here: the ticked values only fill the page.
            ParamDiffDialog dialog(rows, tr("文件 %1 与电机当前的值不同的参数（取消勾选则保留电机的值；尚未写入）：").arg(path),
                                   this, tr("填入勾选的值"));
            if (DialogService::exec(&dialog) == QDialog::Rejected)
                return;
            record = applyDiffSelection(motorValues, record, dialog.rows());
        }
    }
    cdc->escInf = record;
    emit ParametersChanged(cdc->escInf);
    if (!takeIds && !idsShown) {
        ui->MST_IDEdit->clear();
        ui->ESC_IDEdit->clear();
    }
    QString done = tr("已从文件填入 %1 行参数（%2 项与之前不同），尚未写入电机；点击“写参数”写入。").arg(r.applied).arg(r.filled);
    if (r.skipped)
        done += "\n" + tr("%1 行无法使用，已跳过。").arg(r.skipped);
    if (r.idsDiffer)
        done += "\n" + (takeIds ? tr("ID 取自文件。") : tr("ID 保留为当前值，未取文件中的 ID。"));
    DialogService::information(this, tr("导入参数"), done);
}
