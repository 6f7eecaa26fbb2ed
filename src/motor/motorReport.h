#pragma once

#include "motor/escInf.h"
#include "motor/paramDiff.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// The commissioning record of one motor: what the tool knows of it when the user asks
// for a report. The window fills it from its roads and adds chart pictures to the HTML;
// the command line writes the same record without pictures.

struct FaultSeen
{
    QDateTime time;
    uint32_t canid = 0;
    int code = 0;
    QString text; // the state text the window shows for the code
};

struct MotorReport
{
    QDateTime time;
    QString toolVersion;
    QString note;            // the operator's
    uint32_t canid = 0;
    uint32_t masterid = 0;
    int canBr = -1;          // the can_br code; -1 unknown
    QString appVersion;      // empty when not read
    QString loaderVersion;
    bool hasRegisters = false;
    ESC_INF registers;
    QString compareFile;     // the parameter file compared with, empty for none
    QList<RegisterDiffRow> differences;
    bool hasCalibration = false;
    double errorBeforeDeg = 0; // largest encoder error before and after compensation
    double errorAfterDeg = 0;
    bool hasQuality = false;
    double amp24 = 0, amp28 = 0;
    bool qualityPassed = false;
    bool hasIdentification = false;
    MotorParameter identification;
    QList<FaultSeen> faults;
};

// The largest absolute value of a list (0 for an empty one).
double largestMagnitude(const QList<float> &values);

// "motor_0x01_20261207-213005": the name both report files share.
QString reportBaseName(const MotorReport &report);
QJsonObject motorReportJson(const MotorReport &report);
// The record as one HTML page (translated captions). `pictures` maps a caption to an
// image resource name the document provides ("chart-calibration"); empty for none.
QString motorReportHtml(const MotorReport &report, const QList<QPair<QString, QString>> &pictures = {});
