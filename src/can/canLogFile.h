#pragma once

// Bus recordings in the can-utils log format, one frame a line:
//   (1436509052.249713) can0 123#11223344 T      classic, 11-bit ID, sent
//   (1436509052.250001) can0 12345678#R3         remote, 29-bit ID, length 3
//   (1436509052.250100) can0 123##1001122 R      CAN FD, flags 1 (bit rate switch)
//   (1436509052.250200) can0 20000080#0000...    error frame (error class 0x80)
// The direction mark (R received, T sent) is optional when reading.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>

struct CANFrameData;

struct CanLogRecord {
    enum Flag : quint8 {
        Extended = 0x01,
        Remote = 0x02,
        FlexibleData = 0x04,
        BitRateSwitch = 0x08,
        ErrorStateIndicator = 0x10,
        ErrorFrame = 0x20, // id is the error class
    };
    quint64 timeUs = 0; // since the epoch
    QByteArray iface;
    quint32 id = 0;
    quint8 flags = 0;
    quint8 remoteLength = 0; // the length a remote frame asks for
    char direction = 0;      // 'R' received, 'T' sent, 0 not said
    QByteArray data;

    bool has(Flag f) const { return (flags & f) != 0; }
    bool operator==(const CanLogRecord &o) const
    {
        return timeUs == o.timeUs && iface == o.iface && id == o.id && flags == o.flags
               && remoteLength == o.remoteLength && direction == o.direction && data == o.data;
    }
};

// The line of a record, ending with a line feed.
QByteArray canLogLine(const CanLogRecord &r);
// Appends the line to `out` (no allocation when it has room).
void appendCanLogLine(QByteArray &out, const CanLogRecord &r);
// One line (without its line feed; a trailing carriage return is allowed). False with
// the reason in `why` when the line is not a frame of the format.
bool parseCanLogLine(QByteArrayView line, CanLogRecord *r, QString *why);
// True when the CAN FD frame may carry that many bytes (0-8, 12, 16, 20, 24, 32, 48, 64).
bool isCanFdLength(int n);

// Reads a recording line by line: the file is never held whole. Malformed lines are
// skipped, each kept with its line number and reason (the first MaxProblemsKept).
class CanLogReader
{
public:
    struct Problem {
        qint64 line = 0;
        QString reason;
    };
    static constexpr int MaxProblemsKept = 1000;

    bool open(const QString &path, QString *error);
    // The next frame; false at the end of the file or on a read error (error()).
    bool next(CanLogRecord *r);
    qint64 lineNumber() const { return m_line; }
    qint64 position() const { return m_file.pos(); }
    qint64 size() const { return m_file.size(); }
    QString error() const { return m_error; }
    QList<Problem> problems() const { return m_problems; }
    qint64 problemCount() const { return m_problemCount; }

private:
    QFile m_file;
    QByteArray m_buffer;
    qint64 m_line = 0;
    QString m_error;
    QList<Problem> m_problems;
    qint64 m_problemCount = 0;
};

// "line 12: no time stamp in parentheses", one per problem, at most `limit` lines and a
// last line with how many more there were.
QString canLogProblemsText(const QList<CanLogReader::Problem> &problems, qint64 total, int limit);

// The log row of a recorded frame; `timeUs` is what the row's time column shows. False
// for nothing: every record has a row.
CANFrameData canLogRowOf(const CanLogRecord &r, quint32 index, qint64 timeUs);
// The record of a log row at `timeUs`; false for rows that are no bus frame (heartbeats,
// the serial adapter's reports of frames it failed to handle).
bool canLogRecordOf(const CANFrameData &row, quint64 timeUs, const QByteArray &iface, CanLogRecord *r);
