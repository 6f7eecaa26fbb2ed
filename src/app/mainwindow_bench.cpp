// The bench of motors in the main window: the motors panel (scan, versions, live state),
// the diff before a write, the commissioning report and the "next motor" dialog. Every
// step runs on the window's existing roads: the scan, Read/Set ID, the register sequence,
// the version read, calibration and quality analysis.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "calibration/calibrationMath.h"
#include "charts/spectrum.h"
#include "charts/ui/spectrumAnalyzerDialog.h"
#include "charts/ui/waveForm.h"
#include "charts/spectrumCapture.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "motor/motorActions.h"
#include "motor/paramRules.h"
#include "motor/ui/commissionDialog.h"
#include "motor/ui/motorsPanel.h"
#include "motor/ui/paramDiffDialog.h"
#include "motor/ui/reportWriter.h"
#include "widgets/dialogService.h"
#include "zkVersion.h"

#include <QChartView>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {
constexpr int kLiveRefreshMs = 250;
constexpr int kLiveStaleMs = 1000;   // no feedback for this long: the row greys out
constexpr int kVersionWaitMs = 1000; // the link gives up on the two answers after 640 ms
constexpr int kRegisterWaitMs = 2000;
constexpr int kStepWaitMs = 120000;  // calibration and quality analysis, whole runs

QString hex(unsigned id) { return QStringLiteral("0x%1").arg(id, 2, 16, QLatin1Char('0')); }

// Runs the event loop until `done` or `ms`; false on the time-out.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= ms)
            return false;
        MotorActions::waitProcessingEvents(5);
    }
    return true;
}
} // namespace

// The "next motor" steps as the window runs them.
class WindowBench : public CommissionBench
{
public:
    explicit WindowBench(MainWindow &w) : w(w) {}
    Result scanNewMotor() override { return w.benchScanNewMotor(); }
    Result assignIds(uint32_t canid, uint32_t masterid) override { return w.benchAssignIds(canid, masterid); }
    Result writeParameterFile(const QString &path) override { return w.benchWriteFile(path); }
    Result saveParameters() override { return w.benchSave(); }
    Result calibrate() override { return w.benchCalibrate(); }
    Result qualityAnalysis() override { return w.benchQuality(); }
    Result writeReport(const QString &folder, const QString &note) override
    {
        QString pdf, error;
        const QString html = w.writeMotorReport(folder, note, &pdf, &error);
        if (html.isEmpty())
            return {false, error};
        return {true, html + QStringLiteral("\n") + pdf};
    }

private:
    MainWindow &w;
};

void MainWindow::benchInit()
{
    motorsPanelWidget = new MotorsPanel(ui->tabWidget);
    ui->tabWidget->addTab(motorsPanelWidget, tr("电机总览"));
    connect(motorsPanelWidget, &MotorsPanel::refreshRequested, this, &MainWindow::refreshMotors);
    connect(motorsPanelWidget, &MotorsPanel::motorSelected, this, [this](unsigned canid, unsigned masterid) {
        emit canidChanged(canid);
        emit masteridChanged(masterid);
    });
    connect(motorsPanelWidget, &MotorsPanel::reportRequested, this, [this] {
        QString pdf, error;
        const QString html = writeMotorReport(QString(), motorsPanelWidget->noteEdit()->text(), &pdf, &error);
        if (html.isEmpty()) {
            if (!error.isEmpty())
                DialogService::warning(this, tr("生成报告"), error);
            return;
        }
        DialogService::information(this, tr("生成报告"), tr("报告已保存:\n%1\n%2").arg(html, pdf));
    });
    connect(motorsPanelWidget, &MotorsPanel::sequenceRequested, this, &MainWindow::openCommissionDialog);
    motorsLiveTimer = new QTimer(this);
    motorsLiveTimer->setInterval(kLiveRefreshMs);
    connect(motorsLiveTimer, &QTimer::timeout, this, &MainWindow::updateMotorsLive);

    // What the report needs of the roads' results, as they come.
    connect(this, &MainWindow::appVersionChanged, this, [this](const QString &v) { versionsRead[motorCanid].first = v; });
    connect(this, &MainWindow::loaderVersionChanged, this, [this](const QString &v) {
        versionsRead[motorCanid].second = v;
        ++versionReads;
    });
    connect(this, &MainWindow::MotorParametersChanged, this, [this](const MotorParameter &p) {
        lastIdentification = p;
        identified = true;
    });
    connect(this, &MainWindow::motorErrorChanged, this, [this](unsigned char) {
        const int code = latestStateCode;
        if (code >= 8 && code != lastFaultCode)
            faultsSeen.append({QDateTime::currentDateTime(), motorCanid, code, motorStateDisplay(uchar(code)).text});
        lastFaultCode = code;
    });
    connect(this, &MainWindow::MessageInfo, this, [this](int code) {
        if (code == 7)
            ++writesConfirmed;
        else if (code == 6)
            ++registerTimeouts;
    });
    bench = std::make_unique<WindowBench>(*this);
}

// ---------------------------------------------------------------- motors panel

QList<ScannedMotor> MainWindow::scanBusNow()
{
    // What follows moves the current motor from one to the next (versions, IDs): periodic
    // commands meant for one motor would follow onto the others.
    if (isCanDebugRunning())
        Logger::info("motor periodic send stopped for a bus scan", "scanBusNow");
    stopCANDebug();
    cdc->stopAdapterSending();
    scanResults.clear();
    if (!MotorActions::scanBus(*cdc, scanning, [this] { return portOpen.load(); }, [this] { stopCanTabSend(); }))
        return {};
    return scanResults.census();
}

bool MainWindow::readVersionsNow(QString *app, QString *loader)
{
    const int before = versionReads;
    versionsRead.remove(motorCanid);
    cdc->readVersion();
    if (!waitFor([&] { return versionReads != before || !portOpen; }, kVersionWaitMs) || !portOpen)
        return false;
    *app = versionsRead.value(motorCanid).first;
    *loader = versionsRead.value(motorCanid).second;
    return true;
}

void MainWindow::refreshMotors()
{
    if (!portOpen) {
        emit MessageInfo(0);
        return;
    }
    if (!cdc->canMode) {
        DialogService::warning(this, tr("提示"), tr("扫描总线需要 CAN 通道：当前为电机串口（UART）。"));
        return;
    }
    motorsPanelWidget->setBusy(true);
    QElapsedTimer clock;
    clock.start();
    const unsigned keepCanid = motorCanid, keepMaster = motorMasterid;
    const QList<ScannedMotor> census = scanBusNow();
    const qint64 scanMs = clock.elapsed();
    QList<MotorsPanel::Row> rows;
    for (const ScannedMotor &m : census) {
        MotorsPanel::Row row{m, QString(), QString()};
        // Two motors on one ID answer over each other: no version read for them.
        if (m.replies == 1 && portOpen) {
            emit canidChanged(m.canid);
            emit masteridChanged(m.masterid);
            readVersionsNow(&row.appVersion, &row.loaderVersion);
        }
        rows.append(row);
    }
    if (!census.isEmpty() && portOpen) {
        emit canidChanged(keepCanid);
        emit masteridChanged(keepMaster);
    }
    motorsPanelWidget->setRows(rows);
    QMap<uint32_t, uint32_t> watch;
    QStringList conflicts;
    for (const ScannedMotor &m : census) {
        if (m.replies == 1)
            watch.insert(m.masterid, m.canid);
        if (const QString c = scanConflictText(m); !c.isEmpty())
            conflicts << c;
    }
    busFeedback.watch(watch);
    motorsLiveTimer->start();
    QString status = tr("找到 %1 台电机（扫描 %2 ms，共 %3 ms）").arg(motorCount(census)).arg(scanMs).arg(clock.elapsed());
    if (!conflicts.isEmpty())
        status += "\n" + tr("ID 冲突：%1").arg(conflicts.join(", "));
    motorsPanelWidget->setStatus(status);
    motorsPanelWidget->setBusy(false);
    Logger::info(QString("motors panel: %1 motors, scan %2 ms, with versions %3 ms")
                     .arg(motorCount(census)).arg(scanMs).arg(clock.elapsed()),
                 "refreshMotors");
}

void MainWindow::updateMotorsLive()
{
    const auto latest = busFeedback.snapshot();
    const qint64 now = busFeedback.nowMs();
    for (const MotorsPanel::Row &r : motorsPanelWidget->rows()) {
        const auto it = latest.constFind(r.motor.masterid);
        MotorsPanel::Live live;
        if (it != latest.cend()) {
            const MotorStateDisplay d = motorStateDisplay(it->state);
            live.fresh = now - it->atMs <= kLiveStaleMs;
            live.state = d.text;
            live.fault = it->state >= 8;
            live.motorTemp = temperatureText(it->motorTemp);
            live.driverTemp = temperatureText(it->driverTemp);
        }
        motorsPanelWidget->setLive(r.motor.canid, live);
    }
}

// ---------------------------------------------------------------- Set ID: one motor only

bool MainWindow::checkOneMotorForSetId(ScannedMotor *only)
{
    const QList<ScannedMotor> census = scanBusNow();
    if (!portOpen)
        return false;
    if (const QString refusal = setIdRefusal(census); !refusal.isEmpty()) {
        Logger::warning("Set ID refused: " + refusal, "on_btn_SetID_clicked");
        DialogService::warning(this, tr("设ID"), refusal);
        return false;
    }
    *only = census.first();
    return true;
}

// ---------------------------------------------------------------- the motor's values

void MainWindow::noteMotorValues(const ESC_INF &record)
{
    motorValues = record;
    motorValuesCanid = motorCanid;
    motorValuesKnown = true;
}

bool MainWindow::readMotorValuesNow()
{
    // Always read afresh: another motor may have taken this CAN ID since the last read (a
    // bench where motors are swapped), and a diff against stale values would hide changes.
    motorValuesKnown = false;
    silentRead = true;
    const int timeouts = registerTimeouts;
    MotorActions::startRegisters(*cdc, 0, this);
    waitFor([&] { return motorValuesKnown || registerTimeouts != timeouts || !portOpen; }, kRegisterWaitMs);
    silentRead = false;
    return motorValuesKnown;
}

bool MainWindow::diffBeforeWrite(ESC_INF &record, QList<int> *only, const QString &intro)
{
    const QList<RegisterDiffRow> rows =
        diffRegisters(motorValues, record, writtenRegisters(cdc->canMode, cdc->longParamFormat));
    if (rows.isEmpty()) {
        DialogService::information(this, tr("写参数"), tr("要写入的参数与电机当前的值完全相同，未写入任何参数。"));
        return false;
    }
    ParamDiffDialog dialog(rows, intro, this);
    if (DialogService::exec(&dialog) == QDialog::Rejected)
        return false;
    const QList<RegisterDiffRow> chosen = dialog.rows();
    *only = tickedRegisters(chosen);
    if (only->isEmpty()) {
        DialogService::information(this, tr("写参数"), tr("没有勾选任何参数，未写入。"));
        return false;
    }
    record = applyDiffSelection(motorValues, record, chosen);
    // Unticking one of a pair of limits can leave the record in a state the motor must not
    // take (under-voltage above over-voltage): the same checks again on what will be sent.
    const QStringList problems = parameterProblemTexts(checkParameters(
        record, writtenRegisters(cdc->canMode, cdc->longParamFormat), [this](int rid) { return parameterFieldName(rid); }));
    if (!problems.isEmpty()) {
        DialogService::warning(this, tr("提示"), tr("以下参数无法写入，未写入任何参数：\n%1").arg(problems.join('\n')));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- report

QString MainWindow::reportCompareFile() const
{
    const QString chosen = motorsPanelWidget->compareFileEdit()->text().trimmed();
    return chosen.isEmpty() ? lastParameterFile : chosen;
}

MotorReport MainWindow::currentMotorReport(const QString &note)
{
    MotorReport r;
    r.time = QDateTime::currentDateTime();
    r.toolVersion = ZK_VERSION;
    r.note = note;
    r.canid = motorCanid;
    r.masterid = motorMasterid;
    const ScanResultMap found = scanResults.snapshot();
    if (found.contains(r.canid))
        r.canBr = scanCanBrCode(found.value(r.canid).second);
    if (motorValuesKnown && motorValuesCanid == r.canid) {
        r.hasRegisters = true;
        r.registers = motorValues;
        if (r.canBr < 0)
            r.canBr = int(motorValues.can_br);
    }
    r.appVersion = versionsRead.value(r.canid).first;
    r.loaderVersion = versionsRead.value(r.canid).second;
    const QString compare = reportCompareFile();
    if (!compare.isEmpty() && r.hasRegisters) {
        QString text;
        if (readParameterFile(compare, text).ok) {
            ESC_INF target = motorValues;
            importParameterText(text, target, false);
            r.compareFile = compare;
            r.differences = diffRegisters(motorValues, target, writtenRegisters(true, true));
        }
    }
    if (calResults.motor.ok) {
        r.hasCalibration = true;
        r.errorBeforeDeg = largestMagnitude(calResults.motor.benefitMeasured.isEmpty() ? calResults.rawErr
                                                                                      : calResults.motor.benefitMeasured);
        r.errorAfterDeg = largestMagnitude(calResults.motor.benefitCompensated);
    }
    const Spectrum::Result &q = spectrumDialog->result();
    if (q.size > 0) {
        r.hasQuality = true;
        r.amp24 = q.amp24;
        r.amp28 = q.amp28;
        r.qualityPassed = Spectrum::withinLimit(float(q.amp24), Spectrum::Limit)
                          && Spectrum::withinLimit(float(q.amp28), Spectrum::Limit);
    }
    r.hasIdentification = identified;
    r.identification = lastIdentification;
    r.faults = faultsSeen;
    return r;
}

QString MainWindow::writeMotorReport(const QString &folder, const QString &note, QString *pdf, QString *error)
{
    // A file the user chose and that cannot be read is said, not left out of the record.
    if (const QString compare = reportCompareFile(); !compare.isEmpty()) {
        QString text;
        if (const ParamFileResult read = readParameterFile(compare, text); !read.ok) {
            if (error)
                *error = read.error;
            return QString();
        }
    }
    QString dir = folder;
    if (dir.isEmpty()) {
        dir = DialogService::getExistingDirectory(this, tr("选择报告文件夹"), desktopPath);
        if (dir.isEmpty())
            return QString();
    }
    // The record holds what the motor says now: its registers and versions, when it answers.
    if (portOpen && cdc->canMode) {
        readMotorValuesNow();
        QString app, loader;
        readVersionsNow(&app, &loader);
    }
    QElapsedTimer clock;
    clock.start();
    const MotorReport report = currentMotorReport(note);
    QList<QPair<QString, QImage>> pictures;
    if (report.hasCalibration)
        pictures.append({QStringLiteral("calibration"),
                         (calResultDialog ? calResultDialog->grab() : ui->Calibration->grab()).toImage()});
    if (report.hasQuality)
        pictures.append({QStringLiteral("quality"), spectrumDialog->chartView()->grab().toImage()});
    const ReportFiles files = writeReportFiles(report, pictures, dir);
    Logger::info(QString("report of motor %1: %2 ms, %3").arg(hex(report.canid)).arg(clock.elapsed()).arg(files.ok ? files.html : files.error),
                 "writeMotorReport");
    if (!files.ok) {
        if (error)
            *error = files.error;
        return QString();
    }
    if (pdf)
        *pdf = files.pdf;
    return files.html;
}

// ---------------------------------------------------------------- "next motor"

void MainWindow::openCommissionDialog()
{
    if (!commission) {
        commission = new CommissionDialog(*bench, this);
        commission->setAttribute(Qt::WA_DeleteOnClose);
    }
    commission->show();
    commission->raise();
}

CommissionDialog *MainWindow::commissionDialog() const { return commission; }

CommissionBench::Result MainWindow::benchScanNewMotor()
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    if (!cdc->canMode)
        return {false, tr("扫描总线需要 CAN 通道：当前为电机串口（UART）。")};
    const QList<ScannedMotor> census = scanBusNow();
    if (const QString refusal = setIdRefusal(census); !refusal.isEmpty())
        return {false, refusal};
    const ScannedMotor &m = census.first();
    emit canidChanged(m.canid);
    emit masteridChanged(m.masterid);
    motorValuesKnown = false;
    return {true, tr("找到电机 %1（主机ID %2，%3）").arg(hex(m.canid), hex(m.masterid), canBaudText(m.canBr))};
}

CommissionBench::Result MainWindow::benchAssignIds(uint32_t canid, uint32_t masterid)
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    // Counting up past 0xFF: the assignment carries one byte and would send 0x00.
    if (canid > kMaxAssignableId || masterid > kMaxAssignableId)
        return {false, tr("ID超出范围（00~FF）: ") + hex(std::max(canid, masterid))};
    ScannedMotor only;
    const QList<ScannedMotor> census = scanBusNow();
    if (const QString refusal = setIdRefusal(census); !refusal.isEmpty())
        return {false, refusal};
    only = census.first();
    // The IDs stay with the motor: the same question and facts as the Set ID button.
    const QString question = tr("是否确认将总线上所有设备的<CAN ID,MASTER ID>更改为：")
                             + QStringLiteral("<%1,%2>\n").arg(canid, 0, 16).arg(masterid, 0, 16)
                             + tr("总线上只有一台电机应答：CAN ID 0x%1，主机ID 0x%2。")
                                   .arg(only.canid, 2, 16, QLatin1Char('0'))
                                   .arg(only.masterid, 2, 16, QLatin1Char('0'));
    if (!showConfirmationDialog(this, question))
        return {false, tr("未设ID（已取消）")};
    bool answered = false;
    QObject scope;
    connect(this, &MainWindow::canidChanged, &scope, [&](unsigned id) { answered = answered || id == canid; });
    MotorActions::assignIds(*cdc, canid, masterid, this, [this] { return portOpen.load(); });
    if (!waitFor([&] { return answered || !portOpen; }, MotorActions::PrepareDelayMs + kRegisterWaitMs) || !answered)
        return {false, tr("电机 %1 未应答设ID命令").arg(hex(only.canid))};
    emit masteridChanged(masterid);
    motorValuesKnown = false;
    return {true, tr("%1 → CAN ID %2，主机ID %3").arg(hex(only.canid), hex(canid), hex(masterid))};
}

CommissionBench::Result MainWindow::benchWriteFile(const QString &path)
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    QString text;
    const ParamFileResult read = readParameterFile(path, text);
    if (!read.ok)
        return {false, read.error};
    if (!readMotorValuesNow())
        return {false, tr("电机未应答读参数")};
    ESC_INF target = motorValues;
    const ParameterImport imported = importParameterText(text, target, false);
    if (!imported.ok)
        return {false, imported.error};
    target.ESC_ID = motorValues.ESC_ID;
    const QStringList problems = parameterProblemTexts(checkParameters(
        target, writtenRegisters(cdc->canMode, cdc->longParamFormat), [this](int rid) { return parameterFieldName(rid); }));
    if (!problems.isEmpty())
        return {false, tr("以下参数无法写入，未写入任何参数：\n%1").arg(problems.join('\n'))};
    lastParameterFile = path;
    QList<int> only;
    if (diffRegisters(motorValues, target, writtenRegisters(cdc->canMode, cdc->longParamFormat)).isEmpty())
        return {true, tr("电机的值与文件相同，无需写入")};
    if (!diffBeforeWrite(target, &only, tr("参数文件 %1 与电机当前的值不同的寄存器：").arg(path)))
        return {false, tr("未写入")};
    const int confirmed = writesConfirmed;
    const int timeouts = registerTimeouts;
    cdc->escInf = target;
    cdc->writeOnly = cdc->canMode ? only : QList<int>();
    MotorActions::startRegisters(*cdc, 1, this);
    waitFor([&] { return writesConfirmed != confirmed || registerTimeouts != timeouts || !portOpen; }, kRegisterWaitMs);
    if (writesConfirmed == confirmed)
        return {false, tr("电机未确认写入的参数")};
    return {true, tr("已写入 %1 项参数").arg(only.size())};
}

CommissionBench::Result MainWindow::benchSave()
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    MotorActions::startRegisters(*cdc, 2, this);
    return {true, tr("已发送保存命令")};
}

CommissionBench::Result MainWindow::benchCalibrate()
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    if (cdc->canMode)
        return {false, tr("校准经电机串口（UART）进行：请打开电机串口后单独校准，或跳过此步。")};
    calResults.clear();
    on_btn_calibration_clicked();
    if (!waitFor([&] { return calResults.motor.ok || !portOpen; }, kStepWaitMs) || !calResults.motor.ok)
        return {false, tr("校准未完成")};
    return {true, tr("补偿表已生成")};
}

CommissionBench::Result MainWindow::benchQuality()
{
    if (!portOpen)
        return {false, tr("串口未打开")};
    if (cdc->canMode)
        return {false, tr("质量分析经电机串口（UART）进行：请打开电机串口后单独分析，或跳过此步。")};
    spectrumDialog->discardResult();
    on_btn_HarmonicAnalysis_clicked();
    waitFor([&] { return !spectrumCapture->isRunning(); }, kStepWaitMs);
    const Spectrum::Result &q = spectrumDialog->result();
    if (q.size <= 0)
        return {false, tr("质量分析未得到结果")};
    const bool passed = Spectrum::withinLimit(float(q.amp24), Spectrum::Limit)
                        && Spectrum::withinLimit(float(q.amp28), Spectrum::Limit);
    return {passed, passed ? tr("正常") : tr("异常：24 Hz %1，28 Hz %2").arg(q.amp24).arg(q.amp28)};
}
