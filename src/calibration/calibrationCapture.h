#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>

class CustomCDC;

// The record stream of a calibration run: the records the receive pipeline cut from the
// serial stream (CustomCDC::calRecordQueue) are decoded here into sample lists, which
// the 100 ms chart update drains. decodePending() runs on the calibration worker task,
// everything else on the GUI thread; the sample lists, the frame count and the
// output-shaft lists are shared under sampleMutex.
class CalibrationCapture
{
public:
    // Everything the decoder reports; the hooks run on the decoder's thread.
    struct Events {
        std::function<void()> rxCount;                 // one record taken
        std::function<void(const QString &)> text;     // lines for the terminal
        std::function<void(int)> message;              // message-table code
        std::function<void(bool)> chartTimer;          // start / stop the chart update
        std::function<void()> compensationTable;       // the controller uploads its table
        std::function<void()> outputShaftResult;       // the output-shaft sweep is complete
        std::function<void()> sweepStarted;            // the 'J' record came
    };

    enum class Mode { None, MotorShort, MotorLong, ShaftShort, ShaftLong };

    // What one chart update takes.
    struct Snapshot {
        Mode mode = Mode::None;
        QList<QList<float>> channels; // in chart order
        int frameCount = 0;           // records whose samples are in this and earlier snapshots
        bool motorSideComplete = false;
    };

    explicit CalibrationCapture(CustomCDC *link, Events events = {});

    // Start of a run: every list emptied, counters zero.
    void resetRun();
    // Decodes every queued record of the streaming mode; stops early when portOpen says
    // the port is gone.
    void decodePending(const std::function<bool()> &portOpen);
    // The chart update: moves the new samples out (into calSnapshot1 … 5 as well).
    Snapshot takeSnapshot();
    Mode mode() const;

    // Copies for the computations that follow a run.
    QList<int> rawCounts() const;
    QList<QList<float>> outputShaftAngles() const; // outShaftAngle1 … 3
    unsigned shaftStep() const;
    int shaftHCount() const;
    int frameCount() const;
    void resetShaftHCount();

    // Pole pairs announced by the handshake (GUI thread).
    unsigned polePairs = 0;

    // The values of the last chart update.
    QList<float> calSnapshot1, calSnapshot2, calSnapshot3, calSnapshot4, calSnapshot5;

    static QString motorRecordLine(float refer, float real, float err, quint16 raw, quint16 count);

private:
    void decodeMotorRecord(const QByteArray &r, QStringList &lines);
    void decodeShaftRecord(const QByteArray &r, QStringList &lines);
    void endStream();

    CustomCDC *cdc;
    Events ev;

    mutable QMutex sampleMutex;
    QList<float> calSample1, calSample2, calSample3, calSample4, calSample5;
    QList<int> calRawCounts;
    QList<float> outShaftAngle1, outShaftAngle2, outShaftAngle3;
    int calFrameCount = 0;
    int outShaftHCount = 0;
    unsigned outShaftParamA = 0;
    unsigned outShaftStep = 0;
    unsigned outShaftSampleCount = 0;
    int outShaftStartCount = 0;
};
