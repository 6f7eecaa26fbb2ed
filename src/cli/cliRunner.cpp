#include "cli/cliRunner.h"

#include "cli/cliLink.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "procedures/customCDC.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "motor/motorActions.h"
#include "motor/paramDiff.h"
#include "motor/motorReport.h"
#include "motor/paramRegisters.h"
#include "link/serial/protocolFormat.h"
#include "tuning/tuningRun.h"
#include "motor/paramRules.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <limits>

namespace {
constexpr quint32 kNoMasterId = 0xFFFFFFFFu; // no frame carries this ID
constexpr int kMasterIdRid = 7;

QString hexId(quint32 id) { return QString("0x%1").arg(id, 2, 16, QLatin1Char('0')); }

double round6(float f) { return QString::number(double(f), 'g', 6).toDouble(); }

QString commandName(MotorCommand c)
{
    switch (c) {
    case MotorCommand::Enable: return QStringLiteral("enable");
    case MotorCommand::Disable: return QStringLiteral("disable");
    case MotorCommand::SaveZero: return QStringLiteral("zero");
    case MotorCommand::ClearError: return QStringLiteral("clear-fault");
    }
    return QString();
}

// Ctrl-C during a tuning run ends the run (and disables the motor) instead of the program.
std::atomic_bool interrupted{false};
void onInterrupt(int) { interrupted = true; }

double finiteOrNull(double v) { return std::isfinite(v) ? v : qQNaN(); }
QJsonValue jsonNumber(double v, double scale = 1.0)
{
    return std::isfinite(v) ? QJsonValue(QString::number(v * scale, 'g', 6).toDouble()) : QJsonValue();
}

QString valueText(int rid, quint32 raw)
{
    ESC_INF r;
    r.setRawValue(rid, raw);
    return registerValueText(r, rid);
}
} // namespace

QJsonObject registersJson(const ESC_INF &record)
{
    QJsonObject o;
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
        const QString text = registerValueText(record, rid);
        if (!ESC_INF::isFloatRegister(rid))
            o.insert(ESC_INF::propertyName(rid), qint64(record.rawValue(rid)));
        else if (const double d = text.toDouble(); std::isfinite(d))
            o.insert(ESC_INF::propertyName(rid), d);
        else
            o.insert(ESC_INF::propertyName(rid), QJsonValue::Null);
    }
    return o;
}

// ---------------------------------------------------------------- progress line

void CliProgress::show(const QString &label, int done, int total)
{
    if (!on)
        return;
    std::fprintf(stderr, "\r%s %d/%d", qPrintable(label), done, total);
    std::fflush(stderr);
    shown = true;
}

void CliProgress::clear()
{
    if (!on || !shown)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown = false;
}

// ---------------------------------------------------------------- runner

CliRunner::CliRunner(const CliRequest &request, CliLink &link, CliProgress &p, QObject *parent)
    : QObject(parent), req(request), cliLink(link), cdc(link.link()), progress(p)
{
    connect(&cliLink, &CliLink::frameReceived, this, &CliRunner::onFrame);
    // The register sequences give up 640 ms after their last frame without every answer.
    connect(&cdc, &CustomCDC::MessageInfo, this, [this](int code) {
        if (code == 6)
            sequenceTimedOut = true;
    });
    cdc.canMode = true;
    cdc.ctrlMode = MITMode;
    if (req.hasId && req.command != CliRequest::Command::SetId && req.command != CliRequest::Command::Scan)
        cdc.setMotorCanid(req.id);
    if (req.hasMaster && req.command != CliRequest::Command::SetId) {
        masterKnown = true;
        masterId = req.master;
    }
}

QString CliRunner::motorName() const { return QString("motor %1").arg(hexId(cdc.motorCanid())); }

int CliRunner::registerIntervalMs() const { return cdc.usbConnected() ? 1 : 2; }

bool CliRunner::fail(CliResult &r, CliExit code, const QString &what)
{
    if (cliLink.isLost()) {
        r.exit = CliExit::NoAdapter;
        r.error = QString("%1 lost: %2").arg(cliLink.where(), cliLink.lostWhy());
    } else {
        r.exit = code;
        r.error = what;
    }
    return false;
}

bool CliRunner::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // the loop looks at the clock at least this often
    wake.start(5);
    while (!done()) {
        if (cliLink.isLost() || clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void CliRunner::onFrame(quint32 frameId, const QByteArray &bytes)
{
    const auto *d = reinterpret_cast<const uint8_t *>(bytes.constData());
    const quint32 canid = cdc.motorCanid();
    // The answer to the save frame repeats it (D2 = AA), which the serial adapter's
    // dispatch would take for feedback.
    if (!scanning && bytes.size() >= 4 && d[0] == (canid & 0xFF) && d[1] == ((canid >> 8) & 0xFF)
        && d[2] == RegisterFrame::Save && d[3] == 0) {
        saveAcked = true;
        return;
    }
    const MotorFrame f = classifyMotorFrame(frameId, d, int(bytes.size()), canid, masterKnown ? masterId : kNoMasterId,
                                            ranges.get(), cliLink.path(), scanning);
    switch (f.kind) {
    case MotorFrameKind::RegisterReply: {
        const RegisterReply rr = parseRIDFrame(f.data.data(), cdc.escInf, cdc.registerReplies, cdc.versionMode, &ranges);
        if (rr.command == RegisterFrame::Read) {
            float value;
            std::memcpy(&value, &rr.raw, 4);
            tuneInbox.pushRegister(rr.rid, value);
            if (rr.rid == kMasterIdRid) {
                masterId = rr.raw;
                masterKnown = true;
            }
            ++readReplies;
            if (readingAll)
                progress.show("read", readReplies, RegisterFrame::ReadCount);
        } else if (rr.command == RegisterFrame::Write) {
            writeReplies.insert(rr.rid, rr.raw);
            progress.show("write", int(writeReplies.size()), int(writtenRegisters(true, true).size()));
        }
        if (rr.completion == RegisterReply::ReadComplete) {
            readComplete = true;
            readRecord = rr.record;
            cdc.longParamFormat = true;
        } else if (rr.completion == RegisterReply::VersionsComplete) {
            versionsSeen = true;
            appVersion = rr.appVersion;
            loaderVersion = rr.loaderVersion;
        }
        break;
    }
    case MotorFrameKind::Feedback:
        tuneInbox.pushFeedback(f.feedback);
        lastFeedback = f.feedback;
        ++feedbacks;
        break;
    case MotorFrameKind::IdQueryReply:
        idReplies.insert(f.replyCanid, f.replyMasterid);
        break;
    case MotorFrameKind::IdSetReply:
        idSetSeen = true;
        idSetCanid = f.replyCanid;
        idSetMasterid = f.replyMasterid;
        break;
    case MotorFrameKind::ScanProbeReply:
        scanResults.insert(f.replyCanid, f.replyMasterid, f.canBr);
        break;
    case MotorFrameKind::AppVersion:
    case MotorFrameKind::Ignored:
    case MotorFrameKind::ScanDropped:
        break;
    }
}

CliResult CliRunner::run()
{
    CliResult r;
    switch (req.command) {
    case CliRequest::Command::Scan: scan(r); break;
    case CliRequest::Command::Read: read(r); break;
    case CliRequest::Command::Write: write(r); break;
    case CliRequest::Command::Save: save(r); break;
    case CliRequest::Command::Export: exportFile(r); break;
    case CliRequest::Command::Import: importFile(r); break;
    case CliRequest::Command::SetId: setId(r); break;
    case CliRequest::Command::Enable: command(MotorCommand::Enable, r); break;
    case CliRequest::Command::Disable: command(MotorCommand::Disable, r); break;
    case CliRequest::Command::Zero: command(MotorCommand::SaveZero, r); break;
    case CliRequest::Command::ClearFault: command(MotorCommand::ClearError, r); break;
    case CliRequest::Command::Version: version(r); break;
    case CliRequest::Command::Upgrade: upgrade(r); break;
    case CliRequest::Command::Tune: tune(r); break;
    case CliRequest::Command::Diff: diff(r); break;
    case CliRequest::Command::Report: report(r); break;
    case CliRequest::Command::Ports:
    case CliRequest::Command::Decode: break; // need no link
    }
    progress.clear();
    if (masterKnown && req.talksToMotor())
        r.json.insert("motor", QJsonObject{{"canId", qint64(cdc.motorCanid())}, {"masterId", qint64(masterId)}});
    return r;
}

// ---------------------------------------------------------------- bus scan

void CliRunner::scan(CliResult &r)
{
    cdc.stopAdapterSending();
    if (!MotorActions::scanBus(cdc, scanning, [this] { return !cliLink.isLost(); })) {
        fail(r, CliExit::NoAdapter, QString());
        return;
    }
    const ScanResultMap found = scanResults.snapshot();
    const QList<ScannedMotor> census = scanResults.census();
    QJsonArray motors;
    for (const ScannedMotor &m : census) {
        // The versions of each motor, as the motors panel shows them.
        cdc.setMotorCanid(m.canid);
        masterId = m.masterid;
        masterKnown = true;
        QString app, loader;
        if (m.replies == 1)
            readVersions(app, loader);
        const QString rate = canBaudText(m.canBr);
        const QString conflict = scanConflictText(m);
        auto orNull = [](const QString &t) { return t.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(t); };
        motors.append(QJsonObject{{"canId", qint64(m.canid)},
                                  {"masterId", qint64(m.masterid)},
                                  {"canBr", m.canBr},
                                  {"bitRate", orNull(rate)},
                                  {"application", orNull(app)},
                                  {"bootloader", orNull(loader)},
                                  {"replies", m.replies},
                                  {"conflict", orNull(conflict)}});
        r.lines << QString("%1  master %2  %3  application %4  bootloader %5%6")
                       .arg(hexId(m.canid), hexId(m.masterid), rate.isEmpty() ? QString::number(m.canBr) : rate,
                            app.isEmpty() ? "?" : app, loader.isEmpty() ? "?" : loader,
                            conflict.isEmpty() ? QString() : "  CONFLICT " + conflict);
    }
    masterKnown = false;
    r.json.insert("motors", motors);
    if (found.isEmpty()) {
        fail(r, CliExit::NoAnswer, QString("no motor answered the scan on %1").arg(cliLink.where()));
        return;
    }
    if (req.hasId && !found.contains(req.id))
        fail(r, CliExit::NoAnswer, evaluateScan(QString::number(req.id, 16), found).warning.replace('\n', ' '));
}

// ---------------------------------------------------------------- registers

bool CliRunner::readRegisters(ESC_INF &record, CliResult &r)
{
    readReplies = 0;
    readComplete = false;
    sequenceTimedOut = false;
    readingAll = true;
    MotorActions::startRegisters(cdc, 0, this);
    const int pacing = MotorActions::PrepareDelayMs + (RegisterFrame::ReadCount + 1) * registerIntervalMs();
    waitUntil([this] { return readComplete || sequenceTimedOut; }, pacing + req.timeoutMs);
    readingAll = false;
    progress.clear();
    if (!readComplete)
        return fail(r, CliExit::NoAnswer,
                    QString("%1 on %2 answered %3 of %4 register reads")
                        .arg(motorName(), cliLink.where())
                        .arg(readReplies)
                        .arg(RegisterFrame::ReadCount));
    record = readRecord;
    return true;
}

bool CliRunner::writeRegisters(const ESC_INF &record, CliResult &r, const QList<int> &only)
{
    const QList<int> rids = only.isEmpty() ? writtenRegisters(true, true) : only;
    cdc.writeOnly = only;
    writeReplies.clear();
    saveAcked = false;
    sequenceTimedOut = false;
    cdc.escInf = record;
    MotorActions::startRegisters(cdc, 1, this);
    const int pacing = MotorActions::PrepareDelayMs + (ESC_INF::FieldCount + 1) * registerIntervalMs()
                       + RegisterSequence::SaveDelayMs;
    waitUntil([&] { return (writeReplies.size() >= rids.size() && saveAcked) || sequenceTimedOut; },
              pacing + req.timeoutMs);
    progress.clear();

    // A motor answers a write with the value it holds afterwards: one it refused keeps
    // the old value.
    QStringList kept;
    int confirmed = 0;
    for (int rid : rids) {
        const auto it = writeReplies.constFind(rid);
        if (it == writeReplies.cend())
            continue;
        ++confirmed;
        if (*it != record.rawValue(rid))
            kept << QString("%1 = %2 (asked %3)")
                        .arg(ESC_INF::propertyName(rid), valueText(rid, *it), valueText(rid, record.rawValue(rid)));
    }
    if (!kept.isEmpty())
        return fail(r, CliExit::Refused, QString("%1 on %2 kept its own values: %3")
                                             .arg(motorName(), cliLink.where(), kept.join(", ")));
    if (confirmed < rids.size())
        return fail(r, CliExit::NoAnswer, QString("%1 on %2 confirmed %3 of %4 register writes")
                                              .arg(motorName(), cliLink.where())
                                              .arg(confirmed)
                                              .arg(rids.size()));
    if (!saveAcked)
        return fail(r, CliExit::NoAnswer,
                    QString("%1 on %2 did not confirm saving its registers").arg(motorName(), cliLink.where()));
    return true;
}

bool CliRunner::writable(const ESC_INF &record, CliResult &r)
{
    const QStringList problems = parameterProblemTexts(checkParameters(record, writtenRegisters(true, true)));
    if (problems.isEmpty())
        return true;
    fail(r, CliExit::BadInput, QString("%1: nothing written: %2").arg(motorName(), problems.join("; ")));
    return false;
}

void CliRunner::read(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    r.json.insert("registers", registersJson(record));
    r.lines = parameterFileText(record).split('\n', Qt::SkipEmptyParts);
}

void CliRunner::write(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    if (req.fromFile) {
        writeDifferences(record, fileTarget(record), r);
        return;
    }
    QJsonObject changed;
    ESC_INF target = record;
    for (const auto &a : req.assignments) {
        target.setRawValue(a.first, a.second);
        changed.insert(ESC_INF::propertyName(a.first), valueText(a.first, a.second));
    }
    if (!writable(target, r))
        return;
    if (!writeRegisters(target, r))
        return;
    r.json.insert("written", changed);
    r.lines << QString("%1: %2 registers written and saved (%3)")
                   .arg(motorName())
                   .arg(writtenRegisters(true, true).size())
                   .arg(QStringList(changed.keys()).join(", "));
}

void CliRunner::save(CliResult &r)
{
    saveAcked = false;
    MotorActions::startRegisters(cdc, 2, this);
    if (!waitUntil([this] { return saveAcked; }, req.timeoutMs)) {
        fail(r, CliExit::NoAnswer, QString("%1 on %2 did not confirm saving its registers within %3 ms")
                                       .arg(motorName(), cliLink.where())
                                       .arg(req.timeoutMs));
        return;
    }
    r.lines << QString("%1: registers saved to flash").arg(motorName());
}

void CliRunner::exportFile(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    ParameterFileHeader header{QCoreApplication::applicationVersion(), QDateTime::currentDateTime(), cdc.motorCanid(),
                               record.MST_ID, QString(), QString()};
    readVersions(header.appVersion, header.loaderVersion);
    const ParamFileResult saved = exportParameters(req.file, record, parameterFileHeaderText(header));
    if (!saved.ok) {
        fail(r, CliExit::Failed, QString("%1: %2").arg(req.file, saved.error));
        return;
    }
    r.json.insert("file", req.file);
    r.json.insert("registers", registersJson(record));
    r.lines << QString("%1: %2 registers exported to %3").arg(motorName()).arg(ESC_INF::FieldCount).arg(req.file);
}

void CliRunner::importFile(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    ESC_INF target = record;
    // Another motor's file must not give this one its master ID: two motors would answer
    // on one ID. The CAN ID is never written here (set-id changes it).
    const ParameterImport applied = importParameterText(req.importText, target, req.importIds);
    target.ESC_ID = record.ESC_ID;
    const QList<RegisterDiffRow> rows = diffRegisters(record, target, writtenRegisters(true, true));
    QStringList changed;
    for (const RegisterDiffRow &row : rows)
        changed << ESC_INF::propertyName(row.rid);
    r.json.insert("file", req.file);
    r.json.insert("linesApplied", applied.applied);
    r.json.insert("linesSkipped", applied.skipped);
    r.json.insert("changed", QJsonArray::fromStringList(changed));
    r.json.insert("differences", diffJson(rows));
    if (!writable(target, r))
        return;
    if (!req.importIds && applied.fileMasterId != record.MST_ID) {
        r.json.insert("keptMasterId", int(record.MST_ID));
        r.lines << QString("%1: kept its master ID %2 (the file has %3; --import-ids takes the file's)")
                       .arg(motorName(), hexId(record.MST_ID), hexId(applied.fileMasterId));
    }
    if (rows.isEmpty()) {
        r.lines << QString("%1: %2 holds the motor's values; nothing written").arg(motorName(), req.file);
        return;
    }
    r.lines << diffTableLines(rows);
    if (!writeRegisters(target, r))
        return;
    r.lines << QString("%1: %2 imported, %3 registers changed (%4), written and saved")
                   .arg(motorName(), req.file)
                   .arg(changed.size())
                   .arg(changed.join(", "));
}

// ---------------------------------------------------------------- IDs

void CliRunner::setId(CliResult &r)
{
    auto open = [this] { return !cliLink.isLost(); };
    // The assignment reaches every motor on the bus: first make sure there is one.
    const int wait = MotorActions::PrepareDelayMs + req.timeoutMs;
    cdc.stopAdapterSending();
    if (!MotorActions::scanBus(cdc, scanning, open)) {
        fail(r, CliExit::NoAdapter, QString());
        return;
    }
    const QList<ScannedMotor> census = scanResults.census();
    if (census.isEmpty()) {
        fail(r, CliExit::NoAnswer, QString("no motor answered the scan on %1").arg(cliLink.where()));
        return;
    }
    if (const QString refusal = setIdRefusal(census); !refusal.isEmpty()) {
        fail(r, CliExit::Refused, QString("%1: %2").arg(cliLink.where(), refusal));
        return;
    }
    QMap<unsigned, unsigned> motors{{census.first().canid, census.first().masterid}};
    const unsigned oldCanid = motors.firstKey();
    const unsigned oldMaster = motors.first();
    r.json.insert("before", QJsonObject{{"canId", qint64(oldCanid)}, {"masterId", qint64(oldMaster)}});
    idSetSeen = false;
    MotorActions::assignIds(cdc, req.id, req.master, this, open);
    if (!waitUntil([this] { return idSetSeen; }, wait)) {
        fail(r, CliExit::NoAnswer, QString("motor %1 on %2 did not answer the ID assignment within %3 ms")
                                       .arg(hexId(oldCanid), cliLink.where())
                                       .arg(req.timeoutMs));
        return;
    }
    r.json.insert("after", QJsonObject{{"canId", qint64(idSetCanid)}, {"masterId", qint64(idSetMasterid)}});
    if (idSetCanid != req.id || idSetMasterid != req.master) {
        fail(r, CliExit::Refused, QString("motor %1 on %2 answered the assignment with CAN ID %3, master ID %4")
                                      .arg(hexId(oldCanid), cliLink.where(), hexId(idSetCanid), hexId(idSetMasterid)));
        return;
    }
    r.lines << QString("motor %1 (master %2) is now %3 (master %4); save it with: save --id %3")
                   .arg(hexId(oldCanid), hexId(oldMaster), hexId(idSetCanid), hexId(idSetMasterid));
}

// ---------------------------------------------------------------- motor commands

bool CliRunner::learnMasterId(CliResult &r)
{
    if (masterKnown)
        return true;
    // The feedback comes on the master ID, which register 7 holds.
    cdc.controllerAllParamsCRUFunc(0, kMasterIdRid);
    if (waitUntil([this] { return masterKnown; }, req.timeoutMs))
        return true;
    return fail(r, CliExit::NoAnswer,
                QString("no answer from %1 on %2 within %3 ms").arg(motorName(), cliLink.where()).arg(req.timeoutMs));
}

void CliRunner::command(MotorCommand c, CliResult &r)
{
    if (!learnMasterId(r))
        return;
    const quint64 before = feedbacks;
    MotorActions::sendCommand(cdc, c, MITMode, this);
    if (!waitUntil([&] { return feedbacks > before; }, MotorActions::CommandDelayMs + req.timeoutMs)) {
        fail(r, CliExit::NoAnswer, QString("%1 on %2 sent no feedback after %3 within %4 ms")
                                       .arg(motorName(), cliLink.where(), commandName(c))
                                       .arg(req.timeoutMs));
        return;
    }
    const MotorFeedback &fb = lastFeedback;
    const MotorStateDisplay shown = motorStateDisplay(fb.state);
    r.json.insert("state", int(fb.state));
    r.json.insert("stateText", shown.text);
    r.json.insert("position", round6(fb.position));
    r.json.insert("velocity", round6(fb.velocity));
    r.json.insert("torque", round6(fb.torque));
    r.json.insert("driverTemperature", int(fb.driverTemp));
    r.json.insert("motorTemperature", int(fb.motorTemp));
    r.lines << QString("%1: %2 (0x%3); position %4 rad, velocity %5 rad/s, torque %6 N-m, %7 / %8 °C")
                   .arg(motorName(), shown.text)
                   .arg(fb.state, 2, 16, QLatin1Char('0'))
                   .arg(round6(fb.position))
                   .arg(round6(fb.velocity))
                   .arg(round6(fb.torque))
                   .arg(fb.driverTemp)
                   .arg(fb.motorTemp);
    const bool enabled = fb.state == 1;
    const bool faulted = fb.state >= 8;
    bool refused = false;
    switch (c) {
    case MotorCommand::Enable: refused = !enabled; break;
    case MotorCommand::Disable: refused = enabled; break;
    case MotorCommand::ClearError: refused = faulted; break;
    case MotorCommand::SaveZero: break;
    }
    if (refused)
        fail(r, CliExit::Refused, QString("%1 on %2 did not %3: %4 (state 0x%5)")
                                      .arg(motorName(), cliLink.where(), commandName(c), shown.text)
                                      .arg(fb.state, 2, 16, QLatin1Char('0')));
}

// ---------------------------------------------------------------- firmware

bool CliRunner::readVersions(QString &app, QString &loader)
{
    readReplies = 0;
    versionsSeen = false;
    sequenceTimedOut = false; // the link gives the two answers 640 ms
    cdc.readVersion();
    waitUntil([this] { return versionsSeen || sequenceTimedOut; }, std::max(req.timeoutMs, 1000));
    cdc.versionMode = false; // an answer after this is no version any more
    if (!versionsSeen)
        return false;
    app = ParseVersion(appVersion, true);
    loader = ParseVersion(loaderVersion, false);
    return true;
}

void CliRunner::version(CliResult &r)
{
    QString app, loader;
    if (!readVersions(app, loader)) {
        fail(r, CliExit::NoAnswer, QString("%1 on %2 answered %3 of 2 version reads")
                                       .arg(motorName(), cliLink.where())
                                       .arg(readReplies));
        return;
    }
    r.json.insert("application", app);
    r.json.insert("bootloader", loader);
    r.lines << QString("%1: application %2, bootloader %3").arg(motorName(), app, loader);
}

namespace {
// After "complete": the controller's restart, and the reads it may need.
constexpr int kRestartMs = 500;
constexpr int kVersionAttempts = 3;
} // namespace

void CliRunner::upgrade(CliResult &r)
{
    FirmwareUpgrade *up = cdc.upgrade();
    if (req.timeoutGiven) {
        FirmwareUpgrade::Timeouts t = up->timeoutSettings();
        t.bootloaderMs = t.usbMs = t.packetMs = t.packetUsbConnectedMs = req.timeoutMs;
        up->setTimeouts(t);
    }
    bool ended = false;
    auto outcome = FirmwareUpgrade::Outcome::Cancelled;
    int sent = 0;
    QObject scope; // the connections below end with this function
    connect(up, &FirmwareUpgrade::finished, &scope, [&](FirmwareUpgrade::Outcome o) {
        ended = true;
        outcome = o;
    });
    connect(up, &FirmwareUpgrade::packetSent, &scope, [&](int index, int count) {
        sent = index;
        progress.show("upgrade", index, count);
    });
    // The bootloader answers on the motor's master ID, and only its answers count.
    if (!learnMasterId(r))
        return;
    cdc.setMotorMasterid(masterId);
    // What runs now; a motor left in its bootloader by an earlier attempt answers nothing.
    QString appBefore, loaderBefore;
    const bool before = readVersions(appBefore, loaderBefore);
    // Over CAN the bootloader takes every frame on the motor's ID as image data: nothing
    // the adapter repeats may go on.
    cdc.stopAdapterSending();
    if (cdc.usbConnected())
        clearWINUSBhalt();
    cdc.firmwareImage = req.firmware;
    if (!cdc.firmwareUpgrade()) {
        fail(r, CliExit::Failed, QString("%1: the upgrade did not start").arg(req.file));
        return;
    }
    // Every wait of the upgrade has its own time-out; only a lost adapter ends it here.
    waitUntil([&] { return ended; }, std::numeric_limits<int>::max());
    if (!ended)
        up->cancel();
    progress.clear();
    const int count = firmwarePacketCount(req.firmware.size());
    r.json.insert("file", req.file);
    r.json.insert("firmware", req.firmwareName);
    r.json.insert("bytes", qint64(req.firmware.size()));
    r.json.insert("packets", count);
    r.json.insert("packetsSent", sent);
    auto versions = [](bool read, const QString &app, const QString &loader) {
        return read ? QJsonValue(QJsonObject{{"application", app}, {"bootloader", loader}}) : QJsonValue();
    };
    r.json.insert("before", versions(before, appBefore, loaderBefore));
    if (outcome == FirmwareUpgrade::Outcome::Completed) {
        r.lines << QString("%1: firmware %2 (%3 bytes, %4 packets) upgraded")
                       .arg(motorName(), req.firmwareName)
                       .arg(req.firmware.size())
                       .arg(count);
        // The controller restarts into the new image before it answers again.
        bool after = false;
        QString appAfter, loaderAfter;
        for (int attempt = 0; attempt < kVersionAttempts && !after && !cliLink.isLost(); ++attempt) {
            waitUntil([] { return false; }, kRestartMs);
            after = readVersions(appAfter, loaderAfter);
        }
        r.json.insert("after", versions(after, appAfter, loaderAfter));
        const QString was =
            before ? QString("application %1, bootloader %2").arg(appBefore, loaderBefore) : QString("not read");
        const QString now =
            after ? QString("application %1, bootloader %2").arg(appAfter, loaderAfter) : QString("not read");
        const bool same = before && after && appBefore == appAfter && loaderBefore == loaderAfter;
        r.json.insert("versionChanged", before && after ? QJsonValue(!same) : QJsonValue());
        r.lines << QString("  before: %1").arg(was);
        r.lines << QString("  after:  %1%2").arg(now, same ? QString(" (unchanged)") : QString());
        return;
    }
    // No word from the bootloader at all is silence; any word that ended it, a refusal.
    const bool silent = outcome == FirmwareUpgrade::Outcome::Stalled
                        || (outcome == FirmwareUpgrade::Outcome::NoBootloader && cliLink.upgradeReplies() == 0);
    fail(r, silent ? CliExit::NoAnswer : CliExit::Refused,
         QString("%1 on %2: %3 (%4 of %5 packets sent)")
             .arg(motorName(), cliLink.where(), FirmwareUpgrade::outcomeText(outcome))
             .arg(sent)
             .arg(count));
}

// ---------------------------------------------------------------- tuning

void CliRunner::tune(CliResult &r)
{
    if (!learnMasterId(r))
        return;
    const TuningRoad road = motorTuningRoad(cdc, [this] { return !cliLink.isLost(); });
    // A process of its own cannot know whether the motor was enabled: it leaves it disabled.
    TuningBench bench(req.tune, false, road, tuneInbox);
    interrupted = false;
    auto previous = std::signal(SIGINT, onInterrupt);
    const QDateTime started = QDateTime::currentDateTimeUtc();
    bench.start();
    const int limitMs = int(Tuning::Plan(req.tune).duration() * 1000) + 3000 + req.timeoutMs;
    waitUntil([&] { return !bench.isRunning() || interrupted; }, limitMs);
    if (bench.isRunning()) {
        if (cliLink.isLost())
            bench.abandon(QStringLiteral("link lost"));
        else
            bench.stop(interrupted ? QStringLiteral("interrupted") : QStringLiteral("took too long"));
    }
    std::signal(SIGINT, previous);
    // The disable must reach the motor before the program ends and closes the link: its
    // feedback says it did.
    const Tuning::Sequence &seq = bench.state();
    bool disabledSeen = false;
    if (seq.enabledByRun() && !cliLink.isLost()) {
        const quint64 before = feedbacks;
        disabledSeen = waitUntil([&] { return feedbacks > before && lastFeedback.state != 1; }, req.timeoutMs);
    }

    Tuning::Run run = seq.run();
    run.name = QStringLiteral("tune");
    run.started = started;
    run.canId = cdc.motorCanid();
    const Tuning::RunFigures f = Tuning::runFigures(run);
    const QString unit = Tuning::quantityUnit(run.test.quantity);
    QJsonObject gains;
    for (const auto &g : run.gains)
        gains.insert(g.first, QString::number(g.second, 'g', 6).toDouble());
    r.json.insert("gains", gains);
    r.json.insert("start", round6(float(run.start)));
    r.json.insert("samples", int(run.samples.size()));
    r.json.insert("lostFeedback", run.lostFeedback);
    r.json.insert("complete", run.complete);
    r.json.insert("disabledAfter", disabledSeen);
    QStringList gainText;
    for (const auto &g : run.gains)
        gainText << QString("%1 %2").arg(g.first).arg(g.second, 0, 'g', 6);
    r.lines << QString("%1 on %2: %3 samples, %4 lost; gains %5")
                   .arg(motorName(), cliLink.where())
                   .arg(run.samples.size())
                   .arg(run.lostFeedback)
                   .arg(gainText.join(", "));
    if (run.test.signal == Tuning::Signal::Step) {
        const Tuning::StepFigures &s = f.step;
        r.json.insert("figures", QJsonObject{{"riseTimeMs", jsonNumber(s.riseTime, 1000)},
                                             {"overshootPct", jsonNumber(s.overshootPct)},
                                             {"settlingTimeMs", jsonNumber(s.settlingTime, 1000)},
                                             {"steadyStateError", jsonNumber(s.steadyStateError)},
                                             {"peakTorque", jsonNumber(s.peakTorque)},
                                             {"edges", int(f.edges.size())}});
        r.lines << QString("rise time %1 ms, overshoot %2 %, settling time %3 ms, steady-state error %4 %5, "
                           "peak torque %6 N-m")
                       .arg(finiteOrNull(s.riseTime * 1000), 0, 'f', 2)
                       .arg(finiteOrNull(s.overshootPct), 0, 'f', 2)
                       .arg(finiteOrNull(s.settlingTime * 1000), 0, 'f', 2)
                       .arg(finiteOrNull(s.steadyStateError), 0, 'g', 4)
                       .arg(unit)
                       .arg(finiteOrNull(s.peakTorque), 0, 'f', 3);
    } else {
        QJsonArray points;
        for (const Tuning::SweepPoint &p : f.sweep.points) {
            points.append(QJsonObject{{"hz", jsonNumber(p.hz)}, {"gainDb", jsonNumber(p.gainDb)},
                                      {"phaseDeg", jsonNumber(p.phaseDeg)}});
            r.lines << QString("%1 Hz: %2 dB, %3 deg").arg(p.hz, 0, 'g', 4).arg(p.gainDb, 0, 'f', 2).arg(p.phaseDeg, 0, 'f', 1);
        }
        r.json.insert("figures", QJsonObject{{"bandwidthHz", jsonNumber(f.sweep.bandwidthHz)}, {"points", points}});
        r.lines << QString("-3 dB bandwidth %1 Hz").arg(finiteOrNull(f.sweep.bandwidthHz), 0, 'f', 2);
    }
    QString error;
    if (!req.tuneSave.isEmpty() && !run.samples.isEmpty() && !Tuning::saveRuns(req.tuneSave, {run}, &error))
        fail(r, CliExit::Failed, QString("cannot write %1: %2").arg(req.tuneSave, error));
    if (!req.tuneCsv.isEmpty() && !run.samples.isEmpty() && !Tuning::exportCsv(req.tuneCsv, run, &error))
        fail(r, CliExit::Failed, QString("cannot write %1: %2").arg(req.tuneCsv, error));
    if (seq.enabledByRun() && !disabledSeen && r.exit == CliExit::Done)
        fail(r, CliExit::NoAnswer, QString("%1 on %2 did not confirm the disable after the test within %3 ms")
                                       .arg(motorName(), cliLink.where())
                                       .arg(req.timeoutMs));
    if (seq.outcome() != Tuning::Sequence::Outcome::Complete)
        fail(r, seq.outcome() == Tuning::Sequence::Outcome::Failed ? CliExit::Refused : CliExit::Failed,
             QString("%1 on %2: %3").arg(motorName(), cliLink.where(), seq.message()));
}

// ---------------------------------------------------------------- parameter sets

ESC_INF CliRunner::fileTarget(const ESC_INF &motor) const
{
    ESC_INF target = motor;
    importParameterText(req.importText, target, req.importIds);
    target.ESC_ID = motor.ESC_ID; // the CAN ID changes only through set-id
    return target;
}

void CliRunner::writeDifferences(const ESC_INF &motor, const ESC_INF &target, CliResult &r)
{
    const QList<RegisterDiffRow> rows = diffRegisters(motor, target, writtenRegisters(true, true));
    r.json.insert("file", req.file);
    r.json.insert("differences", diffJson(rows));
    if (rows.isEmpty()) {
        r.lines << QString("%1: %2 holds the motor's values; nothing written").arg(motorName(), req.file);
        return;
    }
    // The same checks as any write, on the record the motor would end up with.
    if (!writable(target, r))
        return;
    r.lines << diffTableLines(rows);
    if (!writeRegisters(target, r, tickedRegisters(rows)))
        return;
    r.lines << QString("%1: %2 registers written and saved").arg(motorName()).arg(rows.size());
}

void CliRunner::diff(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    const QList<RegisterDiffRow> rows = diffRegisters(record, fileTarget(record), writtenRegisters(true, true));
    r.json.insert("file", req.file);
    r.json.insert("differences", diffJson(rows));
    if (rows.isEmpty())
        r.lines << QString("%1: %2 holds the motor's values").arg(motorName(), req.file);
    else
        r.lines << diffTableLines(rows);
}

void CliRunner::report(CliResult &r)
{
    ESC_INF record;
    if (!readRegisters(record, r))
        return;
    MotorReport rep;
    rep.time = QDateTime::currentDateTime();
    rep.toolVersion = QCoreApplication::applicationVersion();
    rep.note = req.note;
    rep.canid = cdc.motorCanid();
    rep.masterid = record.MST_ID;
    rep.canBr = int(record.can_br);
    readVersions(rep.appVersion, rep.loaderVersion);
    rep.hasRegisters = true;
    rep.registers = record;
    if (req.fromFile) {
        rep.compareFile = req.file;
        rep.differences = diffRegisters(record, fileTarget(record), writtenRegisters(true, true));
    }
    r.json.insert("report", motorReportJson(rep));
    r.lines << QString("%1 (master %2), %3, application %4, bootloader %5")
                   .arg(motorName(), hexId(rep.masterid), canBaudText(rep.canBr),
                        rep.appVersion.isEmpty() ? "?" : rep.appVersion, rep.loaderVersion.isEmpty() ? "?" : rep.loaderVersion);
    r.lines += parameterFileText(record).split('\n', Qt::SkipEmptyParts);
    if (req.fromFile)
        r.lines << QString("differences from %1: %2").arg(req.file).arg(rep.differences.size());
}
