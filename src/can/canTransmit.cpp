#include "can/canTransmit.h"

#include <QCoreApplication>
#include <QList>

#include <limits>

bool isCanDataLength(int length) { return length >= 0 && length <= 8; }

bool isFdCanDataLength(int length)
{
    switch (length) {
    case 12: case 16: case 20: case 24: case 32: case 48: case 64: return true;
    default: return isCanDataLength(length);
    }
}

CanDataConversion convertCanDataText(const QString &lengthText, const QString &hexText)
{
    CanDataConversion out;
    bool ok = false;
    const int length = lengthText.toInt(&ok, 10);
    if (!ok || length < 0) {
        out.error = CanDataConversion::BadLength;
        return out;
    }
    out.data = QByteArray(length, '\0');
    int at = 0;
    for (const QString &part : hexText.split(QLatin1Char(' '), Qt::KeepEmptyParts)) {
        if (at >= length)
            break;
        if (part.isEmpty())
            continue;
        const uint value = part.toUInt(&ok, 16);
        if (!ok) {
            out.error = CanDataConversion::BadHex;
            out.badPart = part;
            out.data.clear();
            return out;
        }
        out.data[at++] = char(value & 0xFF);
    }
    return out;
}

bool parseCanIdText(const QString &text, quint32 *id, QString *why)
{
    QString hex = text.trimmed();
    if (hex.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex = hex.mid(2);
    bool ok = !hex.isEmpty() && hex.size() <= 8;
    const quint32 value = ok ? hex.toUInt(&ok, 16) : 0;
    if (!ok || value > 0x1FFFFFFFu) {
        if (why)
            *why = QCoreApplication::translate("MainWindow", "“%1”不是有效的CAN ID：须为十六进制数，标准帧 0~7FF，扩展帧 0~1FFFFFFF")
                       .arg(text);
        return false;
    }
    *id = value;
    return true;
}

bool parseSendTimesText(const QString &text, qint32 *times, QString *why)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < -1 || value > std::numeric_limits<qint32>::max()) {
        if (why)
            *why = QCoreApplication::translate("MainWindow", "“%1”不是有效的发送次数：须为 0 到 2147483647 的整数，-1 表示一直发送直到停止")
                       .arg(text);
        return false;
    }
    *times = qint32(value);
    return true;
}

QString canDataBytesText(const QByteArray &data) { return QString::fromLatin1(data.toHex(' ').toUpper()); }

void applyDataCounter(QByteArray &data, int length, qint32 counter)
{
    int bytes = 0;
    switch (length) {
    case 1: case 2: case 4: case 8: bytes = length; break;
    default: return;
    }
    const quint64 value = quint64(qint64(counter)); // sign-extended for the 8-byte case
    for (int i = 0; i < bytes && i < data.size(); ++i)
        data[i] = char(value >> (8 * i));
}

quint32 countedCanId(quint32 id, quint32 step, quint32 counter, quint32 stopId)
{
    const quint32 sum = id + step * counter;
    return stopId == 0xFFFFFFFFu ? sum : sum % (stopId + 1);
}

bool CanSendCounter::advance()
{
    if (m_snapshot < 0) {
        // Until stopped: the counter wraps as the 32-bit counter on the wire does.
        m_counter = qint32(quint32(m_counter) + 1u);
        return false;
    }
    ++m_counter;
    if (m_counter >= m_snapshot) {
        m_counter = 0;
        return true;
    }
    return false;
}
