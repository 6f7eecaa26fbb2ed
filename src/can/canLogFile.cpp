#include "can/canLogFile.h"

#include "can/canFrameData.h"
#include "link/canAdapter.h"

#include <algorithm>

#include <QCoreApplication>

namespace {
constexpr quint32 kErrFlag = 0x20000000;
constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendHex(QByteArray &out, quint64 value, int digits)
{
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.append(kHex[(value >> shift) & 0xF]);
}

void appendDecimal(QByteArray &out, quint64 value, int minDigits)
{
    char buf[24];
    int n = 0;
    do {
        buf[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = n; i < minDigits; ++i)
        out.append('0');
    while (n)
        out.append(buf[--n]);
}

// Hex pairs of a data field (dots between bytes allowed, as can-utils writes them
// with -a); false on an odd digit or a foreign character.
bool parseData(QByteArrayView text, QByteArray *out, QString *why)
{
    out->clear();
    int high = -1;
    for (char c : text) {
        if (c == '.' && high < 0)
            continue;
        const int v = hexValue(c);
        if (v < 0) {
            *why = QCoreApplication::translate("CanLogFile", "数据中有非十六进制字符“%1”").arg(QChar(c));
            return false;
        }
        if (high < 0) {
            high = v;
        } else {
            out->append(char(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) {
        *why = QCoreApplication::translate("CanLogFile", "数据的十六进制位数为奇数");
        return false;
    }
    return true;
}
} // namespace

bool isCanFdLength(int n) { return (n >= 0 && n <= 8) || n == 12 || n == 16 || n == 20 || n == 24 || n == 32 || n == 48 || n == 64; }

void appendCanLogLine(QByteArray &out, const CanLogRecord &r)
{
    out.append('(');
    appendDecimal(out, r.timeUs / 1000000, 10);
    out.append('.');
    appendDecimal(out, r.timeUs % 1000000, 6);
    out.append(") ");
    out.append(r.iface.isEmpty() ? QByteArray("can0") : r.iface);
    out.append(' ');
    if (r.has(CanLogRecord::ErrorFrame))
        appendHex(out, (r.id & 0x1FFFFFFF) | kErrFlag, 8);
    else if (r.has(CanLogRecord::Extended))
        appendHex(out, r.id & 0x1FFFFFFF, 8);
    else
        appendHex(out, r.id & 0x7FF, 3);
    out.append('#');
    if (r.has(CanLogRecord::FlexibleData)) {
        const int fdFlags = (r.has(CanLogRecord::BitRateSwitch) ? 1 : 0) | (r.has(CanLogRecord::ErrorStateIndicator) ? 2 : 0);
        out.append('#');
        out.append(kHex[fdFlags]);
    } else if (r.has(CanLogRecord::Remote)) {
        out.append('R');
        if (r.remoteLength > 0 && r.remoteLength <= 8)
            out.append(kHex[r.remoteLength]);
    }
    if (!r.has(CanLogRecord::Remote) || r.has(CanLogRecord::FlexibleData)) {
        for (char b : r.data) {
            out.append(kHex[quint8(b) >> 4]);
            out.append(kHex[quint8(b) & 0xF]);
        }
    }
    if (r.direction == 'R' || r.direction == 'T') {
        out.append(' ');
        out.append(r.direction);
    }
    out.append('\n');
}

QByteArray canLogLine(const CanLogRecord &r)
{
    QByteArray out;
    out.reserve(64 + 2 * r.data.size());
    appendCanLogLine(out, r);
    return out;
}

bool parseCanLogLine(QByteArrayView line, CanLogRecord *r, QString *why)
{
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    line = line.trimmed();
    *r = CanLogRecord();
    // (seconds.fraction)
    if (line.isEmpty() || line.front() != '(') {
        *why = QCoreApplication::translate("CanLogFile", "缺少括号中的时间戳");
        return false;
    }
    const qsizetype close = line.indexOf(')');
    const qsizetype dot = line.indexOf('.');
    if (close < 0 || dot < 0 || dot > close || dot == 1 || close - dot - 1 < 1 || close - dot - 1 > 9) {
        *why = QCoreApplication::translate("CanLogFile", "时间戳格式应为 (秒.微秒)");
        return false;
    }
    quint64 seconds = 0;
    for (char c : line.sliced(1, dot - 1)) {
        if (c < '0' || c > '9' || seconds > 9999999999ULL) {
            *why = QCoreApplication::translate("CanLogFile", "时间戳格式应为 (秒.微秒)");
            return false;
        }
        seconds = seconds * 10 + quint64(c - '0');
    }
    quint64 fraction = 0;
    const QByteArrayView frac = line.sliced(dot + 1, close - dot - 1);
    for (char c : frac) {
        if (c < '0' || c > '9') {
            *why = QCoreApplication::translate("CanLogFile", "时间戳格式应为 (秒.微秒)");
            return false;
        }
        fraction = fraction * 10 + quint64(c - '0');
    }
    for (qsizetype i = frac.size(); i < 6; ++i)
        fraction *= 10;
    for (qsizetype i = frac.size(); i > 6; --i)
        fraction /= 10;
    r->timeUs = seconds * 1000000 + fraction;

    // interface, frame, optional direction
    QList<QByteArrayView> fields;
    for (qsizetype i = close + 1; i < line.size();) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        qsizetype j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t')
            ++j;
        if (j > i)
            fields.append(line.sliced(i, j - i));
        i = j;
    }
    if (fields.size() < 2) {
        *why = QCoreApplication::translate("CanLogFile", "缺少接口名或帧");
        return false;
    }
    if (fields.size() > 3 || (fields.size() == 3 && fields[2] != "R" && fields[2] != "T" && fields[2] != "r" && fields[2] != "t")) {
        *why = QCoreApplication::translate("CanLogFile", "帧后有多余的内容");
        return false;
    }
    r->iface = fields[0].toByteArray();
    if (fields.size() == 3)
        r->direction = char(fields[2][0] & ~0x20);

    const QByteArrayView frame = fields[1];
    const qsizetype hash = frame.indexOf('#');
    if (hash < 0) {
        *why = QCoreApplication::translate("CanLogFile", "帧中缺少“#”");
        return false;
    }
    const QByteArrayView idText = frame.first(hash);
    if (idText.size() != 3 && idText.size() != 8) {
        *why = QCoreApplication::translate("CanLogFile", "ID 应为 3 位（标准帧）或 8 位（扩展帧）十六进制数");
        return false;
    }
    quint32 id = 0;
    for (char c : idText) {
        const int v = hexValue(c);
        if (v < 0) {
            *why = QCoreApplication::translate("CanLogFile", "ID 中有非十六进制字符“%1”").arg(QChar(c));
            return false;
        }
        id = id << 4 | quint32(v);
    }
    if (idText.size() == 3) {
        if (id > 0x7FF) {
            *why = QCoreApplication::translate("CanLogFile", "标准帧 ID 超过 0x7FF");
            return false;
        }
    } else if (id & kErrFlag) {
        r->flags |= CanLogRecord::ErrorFrame;
        id &= 0x1FFFFFFF;
    } else if (id > 0x1FFFFFFF) {
        *why = QCoreApplication::translate("CanLogFile", "扩展帧 ID 超过 0x1FFFFFFF");
        return false;
    } else {
        r->flags |= CanLogRecord::Extended;
    }
    r->id = id;

    QByteArrayView rest = frame.sliced(hash + 1);
    if (!rest.isEmpty() && rest.front() == '#') {
        const int fdFlags = rest.size() >= 2 ? hexValue(rest[1]) : -1;
        if (fdFlags < 0) {
            *why = QCoreApplication::translate("CanLogFile", "CAN FD 帧在“##”后缺少标志位");
            return false;
        }
        r->flags |= CanLogRecord::FlexibleData;
        if (fdFlags & 1)
            r->flags |= CanLogRecord::BitRateSwitch;
        if (fdFlags & 2)
            r->flags |= CanLogRecord::ErrorStateIndicator;
        if (!parseData(rest.sliced(2), &r->data, why))
            return false;
        if (!isCanFdLength(int(r->data.size()))) {
            *why = QCoreApplication::translate("CanLogFile", "CAN FD 帧不能有 %1 个数据字节").arg(r->data.size());
            return false;
        }
        return true;
    }
    if (!rest.isEmpty() && (rest.front() == 'R' || rest.front() == 'r')) {
        r->flags |= CanLogRecord::Remote;
        if (rest.size() > 2 || (rest.size() == 2 && (rest[1] < '0' || rest[1] > '8'))) {
            *why = QCoreApplication::translate("CanLogFile", "远程帧的长度应为 0 到 8");
            return false;
        }
        r->remoteLength = rest.size() == 2 ? quint8(rest[1] - '0') : 0;
        return true;
    }
    // A classic frame's length may be followed by "_" and a DLC above 8: not kept.
    const qsizetype underscore = rest.indexOf('_');
    if (underscore >= 0)
        rest = rest.first(underscore);
    if (!parseData(rest, &r->data, why))
        return false;
    if (r->data.size() > 8 && !r->has(CanLogRecord::ErrorFrame)) {
        *why = QCoreApplication::translate("CanLogFile", "CAN 帧不能超过 8 个数据字节");
        return false;
    }
    if (r->data.size() > 8) {
        *why = QCoreApplication::translate("CanLogFile", "错误帧不能超过 8 个数据字节");
        return false;
    }
    return true;
}

bool CanLogReader::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    m_line = 0;
    m_problems.clear();
    m_problemCount = 0;
    m_error.clear();
    if (!m_file.open(QIODevice::ReadOnly)) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}

bool CanLogReader::next(CanLogRecord *r)
{
    constexpr qint64 kMaxLine = 4096;
    while (true) {
        m_buffer.resize(kMaxLine + 1);
        const qint64 n = m_file.readLine(m_buffer.data(), kMaxLine + 1);
        if (n < 0) {
            if (!m_file.atEnd())
                m_error = m_file.errorString();
            return false;
        }
        if (n == 0 && m_file.atEnd())
            return false;
        ++m_line;
        QByteArrayView line(m_buffer.constData(), n);
        if (n == kMaxLine && line.back() != '\n') {
            // Far longer than any frame: the rest of it is skipped too.
            char c;
            while (m_file.getChar(&c) && c != '\n') {
            }
            line = QByteArrayView();
            ++m_problemCount;
            if (m_problems.size() < MaxProblemsKept)
                m_problems.append({m_line, QCoreApplication::translate("CanLogFile", "行过长")});
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        QString why;
        if (parseCanLogLine(line, r, &why))
            return true;
        ++m_problemCount;
        if (m_problems.size() < MaxProblemsKept)
            m_problems.append({m_line, why});
    }
}

QString canLogProblemsText(const QList<CanLogReader::Problem> &problems, qint64 total, int limit)
{
    QStringList lines;
    for (int i = 0; i < problems.size() && i < limit; ++i)
        lines << QCoreApplication::translate("CanLogFile", "第 %1 行：%2").arg(problems[i].line).arg(problems[i].reason);
    if (total > lines.size())
        lines << QCoreApplication::translate("CanLogFile", "……另有 %1 行").arg(total - lines.size());
    return lines.join('\n');
}

CANFrameData canLogRowOf(const CanLogRecord &r, quint32 index, qint64 timeUs)
{
    CanBusFrame f;
    f.id = r.id;
    f.timestampUs = quint64(std::max<qint64>(0, timeUs));
    if (!r.has(CanLogRecord::Remote))
        f.payload = r.data;
    if (r.has(CanLogRecord::Extended))
        f.flags |= CanBusFrame::Extended;
    if (r.has(CanLogRecord::Remote))
        f.flags |= CanBusFrame::Remote;
    if (r.has(CanLogRecord::FlexibleData))
        f.flags |= CanBusFrame::FlexibleData;
    if (r.has(CanLogRecord::BitRateSwitch))
        f.flags |= CanBusFrame::BitRateSwitch;
    if (r.has(CanLogRecord::ErrorFrame))
        f.flags |= CanBusFrame::ErrorFrame | CanBusFrame::Failed;
    if (r.direction == 'T')
        f.flags |= CanBusFrame::Echo;
    CANFrameData row = canLogRow(f, index);
    if (r.has(CanLogRecord::Remote))
        row.dataLen = r.remoteLength;
    return row;
}

bool canLogRecordOf(const CANFrameData &row, quint64 timeUs, const QByteArray &iface, CanLogRecord *r)
{
    const int kind = row.statusKind();
    const bool error = row.has(CANFrameData::ErrorFrame);
    if (kind == CANFrameData::Heartbeat || kind == CANFrameData::TxFailed || (kind == CANFrameData::RxFailed && !error))
        return false;
    *r = CanLogRecord();
    r->timeUs = timeUs;
    r->iface = iface;
    r->id = row.id;
    r->direction = kind == CANFrameData::TxOk ? 'T' : 'R';
    if (error) {
        r->flags |= CanLogRecord::ErrorFrame;
    } else {
        if (row.has(CANFrameData::Extended))
            r->flags |= CanLogRecord::Extended;
        if (row.has(CANFrameData::FlexibleData)) {
            r->flags |= CanLogRecord::FlexibleData;
            if (row.has(CANFrameData::BitRateSwitch))
                r->flags |= CanLogRecord::BitRateSwitch;
        } else if (row.has(CANFrameData::Remote)) {
            r->flags |= CanLogRecord::Remote;
            r->remoteLength = quint8(std::min<int>(row.dataLen, 8));
            return true;
        }
    }
    r->data = row.bytes();
    return true;
}
