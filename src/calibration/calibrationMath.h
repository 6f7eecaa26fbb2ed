#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct MotorParameter;

// The computations behind encoder calibration: the motor-side compensation table, the
// output-shaft index table, the download packets, the printed table and the upload of a
// table the controller computed itself. Plain functions, no widgets, no device.
namespace CalMath {

constexpr float kPi = 3.1415927f;       // single precision, as the controller computes
constexpr float kTwoPi = 6.2831855f;
constexpr float kDegPerRad = 57.3f;     // the degrees of the charts
constexpr double kShaftTwoPi = 6.28318530718;
constexpr int kTableSize = 256;         // motor-side table entries (1/16384 turn each)
constexpr int kPointsPerPolePair = 256; // samples per pole pair and sweep direction
constexpr int kShaftTableSize = 4096;   // output-shaft table entries
constexpr int kMotorPackets = 18;
constexpr int kShaftPackets = 137;
constexpr int kPacketSize = 64;
constexpr int kUploadSize = 1026;       // 'H' or 'I', 256 floats, one unused byte

// x rounded to `digits` decimals; an exact half goes to the even neighbour, anything
// else to the nearer one (halves away from zero never occur).
double roundBankers(double x, int digits);

// Brings back samples that jumped by about 2π against the first one (by 6.28, as the
// controller does).
void unwrapMotorError(QList<float> &err);

// The table's correction for a 14-bit reading: entries j = raw / 64 and j + 1 (both
// modulo the table size), interpolated linearly.
float interpolateTable(const QList<float> &table, int raw);

// Motor-side result: the table, the offsets and the lists behind the result charts.
struct MotorCalibration
{
    bool ok = false;
    QString problem;               // why there is no table (translated, for the window and the log)
    QList<float> compTable;        // 256 entries, 1/16384 turn, within ±8192
    float elecOffset = 0;          // radians, within ±π
    float mechOffset = 0;          // mean error modulo 2π
    float mean = 0;                // mean of the direction-averaged error
    QList<float> rippleAveraged;   // degrees, Q entries
    QList<float> rippleSmoothed;
    QList<float> benefitCompensated; // degrees, Q entries (forward sweep)
    QList<float> benefitMeasured;
    QList<float> benefitReference;
};

// refer, real and err (already unwrapped) hold the forward sweep followed by the
// backward sweep, at least 512·P samples; rawCounts the encoder counts of at least the
// forward sweep. Samples beyond 512·P are ignored.
MotorCalibration calibrateMotorSide(const QList<float> &refer, const QList<float> &real, const QList<float> &err,
                                    const QList<int> &rawCounts, unsigned polePairs);

// Output-shaft result: the index table (measured position → true position, 4096
// entries plus a spare), the forward table and the two result lists.
struct ShaftCalibration
{
    bool ok = false;
    QString problem;
    QList<quint16> inverse;        // 4097 entries
    QList<quint16> forward;        // 4096 entries
    QList<float> roundTrip;        // inverse[forward[i]] for the entries inside 0 … 4095
    QList<float> inverseList;      // inverse[0 … 4095]
    QList<int> outside;            // entries whose position fell outside 0 … 4095: no table (ok false)
    float minValue = 0;
    int minIndex = 0;
};

// angle1 (the shaft angle, radians; unwrapped here) and angle2 (whose first minimum
// below zero marks the zero position) need step · 4096 samples each.
ShaftCalibration calibrateOutputShaft(QList<float> angle1, const QList<float> &angle2, unsigned step);

// The 18 packets of the motor-side download (table entries 0 … 255, then the offset).
// A packet repeats the bytes of the one before where it carries less.
QList<QByteArray> motorTablePackets(const QList<float> &table, float eoffset);
// The 137 packets of the output-shaft download (entries 0 … 4095).
QList<QByteArray> outputShaftPackets(const QList<quint16> &inverse);

// The table text printed to the terminal before the download; heading is the
// translated "校准数据\n\n".
QString compensationTableText(const QString &heading, const QList<float> &table, float eoffset, int rawOffset,
                              int index, int rawFirst, int rawLast);

// A table uploaded by the controller: 1026 bytes starting with 'H' or 'I'. False (table
// untouched) for anything else.
bool parseCompensationUpload(const QByteArray &bytes, QList<float> *table);

// The five identified values as shown: "123 mR", "250 uH", "… Wb", "…", "… kg*m2".
QStringList motorParameterTexts(const MotorParameter &p);

// A number right-justified in a field of `width`, written with six significant digits.
QString float2strRightJustified(float value, int width);

} // namespace CalMath
