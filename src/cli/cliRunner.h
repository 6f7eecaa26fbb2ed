#pragma once

#include "cli/cliRequest.h"
#include "motor/escInf.h"
#include "motor/motorIds.h"
#include "motor/motorProtocol.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QStringList>

#include "tuning/tuningBench.h"

#include <atomic>
#include <functional>

class CliLink;
class CustomCDC;

// How a command ended: the exit code, the failure (what and where, for standard error),
// and what it found, as text lines and as JSON fields.
struct CliResult
{
    CliExit exit = CliExit::Done;
    QString error;
    QStringList lines;
    QJsonObject json;
};

// The progress line of long jobs: "read  12/37" rewritten in place, only on a terminal.
class CliProgress
{
public:
    explicit CliProgress(bool enabled) : on(enabled) {}
    void show(const QString &label, int done, int total);
    void clear();

private:
    bool on;
    bool shown = false;
};

// Runs one command against an open link. The motor actions, register sequences and frame
// classification are the tool's own; this class waits for their answers (with the event
// loop running) and judges them.
class CliRunner : public QObject
{
    Q_OBJECT
public:
    CliRunner(const CliRequest &request, CliLink &link, CliProgress &progress, QObject *parent = nullptr);
    CliResult run();

private:
    void onFrame(quint32 frameId, const QByteArray &data);

    void scan(CliResult &r);
    void read(CliResult &r);
    void write(CliResult &r);
    void save(CliResult &r);
    void exportFile(CliResult &r);
    void importFile(CliResult &r);
    void setId(CliResult &r);
    void command(MotorCommand command, CliResult &r);
    void version(CliResult &r);
    void upgrade(CliResult &r);
    void tune(CliResult &r);
    void diff(CliResult &r);
    void report(CliResult &r);
    // Writes the registers where `target` differs from `motor` (nothing when none does).
    void writeDifferences(const ESC_INF &motor, const ESC_INF &target, CliResult &r);
    // The file's registers over the motor's (its IDs kept unless --import-ids).
    ESC_INF fileTarget(const ESC_INF &motor) const;
    // The application and bootloader versions; empty texts when the motor did not answer.
    bool readVersions(QString &app, QString &loader);

    bool readRegisters(ESC_INF &record, CliResult &r);
    // Writes the record (the motor saves it afterwards) and checks every answer.
    bool writeRegisters(const ESC_INF &record, CliResult &r, const QList<int> &only = {});
    // The registers a write sends, against their ranges and relations; false (and the
    // result failed as bad input, nothing sent) when any cannot go out.
    bool writable(const ESC_INF &record, CliResult &r);
    bool learnMasterId(CliResult &r);
    // Runs the event loop until `done` or `timeoutMs`; false on a time-out or a lost link.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    bool fail(CliResult &r, CliExit code, const QString &what);
    QString motorName() const;
    int registerIntervalMs() const;

    const CliRequest &req;
    CliLink &cliLink;
    CustomCDC &cdc;
    CliProgress &progress;

    SharedMappingRanges ranges;
    IdReplyMap idReplies;
    ScanResults scanResults;
    std::atomic_bool scanning{false};
    bool masterKnown = false;
    quint32 masterId = 0;

    bool readingAll = false; // the progress line counts a read of every register
    int readReplies = 0;
    bool readComplete = false;
    ESC_INF readRecord;
    QMap<int, quint32> writeReplies; // register -> the value the motor answered with
    bool saveAcked = false;
    bool sequenceTimedOut = false;

    quint64 feedbacks = 0;
    MotorFeedback lastFeedback;
    bool versionsSeen = false;
    quint32 appVersion = 0;
    quint32 loaderVersion = 0;

    TuningInbox tuneInbox;

    bool idSetSeen = false;
    unsigned idSetCanid = 0;
    unsigned idSetMasterid = 0;
};

// A record's registers as JSON: name -> number (null for a float that is no number).
QJsonObject registersJson(const ESC_INF &record);
