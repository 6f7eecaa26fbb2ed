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

class ScanResults
{
public:
    void clear();
    // canBr is the reply's D4 read as a signed byte; it is kept as its 32-bit pattern.
    void insert(unsigned int canid, unsigned int masterid, int8_t canBr);
    ScanResultMap snapshot() const;
    // Answers per CAN ID: two motors that share an ID both answer its probe.
    QMap<unsigned int, int> counts() const;

private:
    mutable QMutex mutex;
    ScanResultMap map;
    QMap<unsigned int, int> answers;
};

// The motors that answered, per CAN ID, and the rule for the ID assignment: it reaches
// every motor on the bus, so it may go only when exactly one motor answered.
struct IdCensus
{
    QMap<unsigned int, int> counts; // CAN ID -> answers
    int motors() const;
    bool assignable() const { return motors() == 1; }
    QList<unsigned int> conflicts() const; // IDs that more than one motor answered on
};
// "0x01, 0x02"
QString idListText(const QList<unsigned int> &ids);
// "ID 0x05：2 台电机" (translated), one per ID in conflict, joined by "; ".
QString idConflictText(const IdCensus &census);
// Why the assignment may not go (translated), naming the IDs; empty when it may.
QString idAssignmentRefusal(const IdCensus &census);

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
// `counts` (answers per ID, as ScanResults::counts()) adds a warning about IDs that more
// than one motor answered on.
ScanOutcome evaluateScan(const QString &wantedText, const ScanResultMap &results,
                         const QMap<unsigned int, int> &counts = {});

// "总线上 ID：0x05 不存在，\n总线上设备数量为 2，ID：0X01, 0X02" (translated).
QString scanWarningText(unsigned int wanted, const ScanResultMap &results);

// An ID edit's hexadecimal text; false for an empty text or one that is no hex number.
bool parseHexId(const QString &text, unsigned int *value);
