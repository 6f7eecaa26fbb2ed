#pragma once

#include "tuning/tuningFigures.h"
#include "tuning/tuningTest.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// A tuning run as the bench keeps it: the test, the loop gains the motor had, every sample
// and how it ended. Runs are saved together in one file and opened again unchanged; one run
// exports as CSV.
namespace Tuning {

// The speed and position loop registers of the parameter page, read before each run.
const QStringList &gainRegisters(); // KP_ASR, KI_ASR, KP_APR, KI_APR

struct Run
{
    QString name;
    QDateTime started;   // UTC, millisecond precision
    quint32 canId = 0;
    Test test;
    double start = 0;    // the value the motor held before the test, in the test's quantity
    QList<QPair<QString, double>> gains; // register name and value, as read
    QVector<Sample> samples;
    int lostFeedback = 0; // commands without an answer
    bool complete = false; // false: stopped or failed before the end

    bool operator==(const Run &o) const;
};

struct RunFigures
{
    QList<StepFigures> edges; // step tests, in order
    StepFigures step;         // their mean
    SweepFigures sweep;       // sweep tests
};
RunFigures runFigures(const Run &run);

// The bench file: every run with its samples. False with a translated reason.
bool saveRuns(const QString &path, const QList<Run> &runs, QString *error);
// Reads a bench file; every field is checked, and a file that is damaged anywhere gives
// nothing but the reason.
bool loadRuns(const QString &path, QList<Run> *runs, QString *error);
// Parses the bench file's bytes (the checks of loadRuns).
bool parseRuns(const QByteArray &bytes, QList<Run> *runs, QString *error);
QByteArray runsJson(const QList<Run> &runs);

// "time_s,command,position_rad,velocity_rad_s,torque_Nm", one line per sample.
QByteArray runCsv(const Run &run);
bool exportCsv(const QString &path, const Run &run, QString *error);

constexpr qint64 kMaxFileBytes = 512ll * 1024 * 1024;
constexpr int kMaxSamplesPerRun = 4 * 1000 * 1000;

} // namespace Tuning
