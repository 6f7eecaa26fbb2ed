#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <utility>

// Motor IDs on the bus: the ID query, the ID assignment and the scan probes, all classic
// frames on the broadcast identifier, and what their answers leave behind. The answers
// themselves are recognised by classifyMotorFrame (motorProtocol.h), whichever adapter
// delivered them.

inline constexpr uint32_t kMotorBroadcastId = 0x7FF;
// The scan probes the IDs 0 .. kScanCount - 1.
inline constexpr int kScanCount = 128;

// 55 00 00 AA: every motor answers 55, its CAN ID, its master ID, AA.
QByteArray idQueryFrame();
// AA, CAN ID, master ID, 55: every motor on the bus takes both IDs (one byte each).
QByteArray idAssignFrame(uint8_t canid, uint8_t masterid);
// n & 0x7F, 00, 33, 23: a register read of can_br addressed to motor n.
QByteArray scanProbeFrame(int n);

// What the ID assignment can carry: both IDs as one byte.
inline constexpr unsigned kMaxAssignableId = 0xFF;

// A motor's CAN ID -> (its master ID, its can_br code), filled by the receive thread
// while a scan runs and read by the GUI thread afterwards.
using ScanResultMap = QMap<unsigned int, std::pair<unsigned int, unsigned int>>;

// One CAN ID as a scan saw it. Two motors with one CAN ID both answer its probe: the map
// keeps one entry, `replies` counts them (a conflict that Set ID must not make worse).
struct ScannedMotor
{
    unsigned int canid = 0;
    unsigned int masterid = 0;
    int canBr = 0;
    int replies = 1;
};

class ScanResults
{
public:
    void clear();
    // canBr is the reply's D4 read as a signed byte; it is kept as its 32-bit pattern.
    void insert(unsigned int canid, unsigned int masterid, int8_t canBr);
    ScanResultMap snapshot() const;
    // Every CAN ID found, in ascending order, with how many motors answered on it.
    QList<ScannedMotor> census() const;

private:
    mutable QMutex mutex;
    ScanResultMap map;
    QMap<unsigned int, int> counts;
};

// The motors a census holds (two replies on one ID are two motors).
int motorCount(const QList<ScannedMotor> &census);
// "ID 0x05: 2 motors" (translated) for a CAN ID more than one motor answered on; empty
// for a single motor.
QString scanConflictText(const ScannedMotor &m);
// Set ID is a broadcast that every motor on the bus takes. Given a scan just made: empty
// when exactly one motor answered, else why the assignment must not go out, naming the
// IDs found and any conflict (translated).
QString setIdRefusal(const QList<ScannedMotor> &census);

// The can_br code kept in a scan result, back as the signed byte the motor sent.
inline int scanCanBrCode(unsigned int stored) { return int(int8_t(uint8_t(stored & 0xFF))); }

// "电机波特率" and the rest of the motor-baud label: ":" and the code's bit rate text
// ("1M"), or the code itself when the list has no such entry.
QString motorBaudSuffix(int canBrCode);

// What the end of a scan does with the typed ID and the motors that answered.
struct ScanOutcome
{
    bool adopt = false;      // take canid / masterid / canBr (the wanted motor or the only one)
    unsigned int canid = 0;
    unsigned int masterid = 0;
    int canBr = 0;
    bool clearIds = false;   // no motor, or several and none of them wanted: empty the ID edits
    bool warn = false;       // show `warning`
    QString warning;
};
ScanOutcome evaluateScan(const QString &wantedText, const ScanResultMap &results);

// "总线上 ID：0x05 不存在，\n总线上设备数量为 2，ID：0X01, 0X02" (translated).
QString scanWarningText(unsigned int wanted, const ScanResultMap &results);

// An ID edit's hexadecimal text; false for an empty text or one that is no hex number.
bool parseHexId(const QString &text, unsigned int *value);
