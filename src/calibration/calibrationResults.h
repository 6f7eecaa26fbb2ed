#pragma once

#include "calibration/calibrationMath.h"

#include <QList>

// What the last calibration run left behind: the chart data it was computed from, the
// tables and offsets, and the lists of the result charts. Kept in memory only, until
// the next run.
struct CalibrationResults
{
    int pointsPerPolePair = CalMath::kPointsPerPolePair;
    QList<QList<float>> calWaveDatas;     // refer, real, err of the motor-side run
    QList<float> rawRefer, rawReal, rawErr; // degrees
    CalMath::MotorCalibration motor;
    QList<float> compTable;               // as downloaded
    float eoffset = 0;
    float elecOffset = 0;
    float mechOffset = 0;
    // No computation produces these; they are printed with the table as 0.
    int rawOffset = 0;
    int indexOffset = 0;
    CalMath::ShaftCalibration shaft;      // outShaftInverse and the result lists
    QList<float> uploadedTable;           // a table the controller computed itself

    void clear() { *this = CalibrationResults(); }
};
