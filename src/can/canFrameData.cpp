#include "can/canFrameData.h"

#include "can/canFrameModel.h"
#include "link/canAdapter.h"
#include "link/serial/protocolFormat.h"
#include "motor/motorFrameDecode.h"

#include <QCoreApplication>
#include <QTime>

#include <algorithm>

namespace {
const int s_rowMetaType = qRegisterMetaType<CANFrameData>("CANFrameData");
const int s_rowListMetaType = qRegisterMetaType<QList<CANFrameData>>("QList<CANFrameData>");

// Serial status codes of the USB adapter's four outcomes: received / sent, failed or not.
constexpr quint8 kRxOk = 0x11, kRxFail = 0x01, kTxOk = 0x12, kTxFail = 0x02;

QString trMain(const char *text) { return QCoreApplication::translate("MainWindow", text); }

void copyData(CANFrameData &row, const quint8 *bytes, int count)
{
    row.size = quint8(std::clamp(count, 0, CANFrameData::MaxData));
    std::copy_n(bytes, row.size, row.data.begin());
}
} // namespace

int CANFrameData::statusKind() const { return canStatusTextIndex(statusCode); }

QString CANFrameData::timestampText() const
{
    if (source == SerialAdapter)
        return QTime::fromMSecsSinceStartOfDay(int(time)).toString(QStringLiteral("hh:mm:ss.zzz"));
    // Whole seconds and the microseconds apart: a float (or even a double divided by a
    // million) loses the last microsecond of a long session.
    const quint64 magnitude = time < 0 ? quint64(-(time + 1)) + 1 : quint64(time);
    return QStringLiteral("%1%2.%3")
        .arg(time < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 1000000)
        .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
}

QString CANFrameData::frameTypeText() const
{
    return has(Extended) ? trMain(QT_TRANSLATE_NOOP("MainWindow", "扩展帧"))
                         : trMain(QT_TRANSLATE_NOOP("MainWindow", "标准帧"));
}

QString CANFrameData::frameFormatText() const
{
    if (has(ErrorFrame))
        return trMain(QT_TRANSLATE_NOOP("MainWindow", "错误帧"));
    return has(Remote) ? trMain(QT_TRANSLATE_NOOP("MainWindow", "远程帧"))
                       : trMain(QT_TRANSLATE_NOOP("MainWindow", "数据帧"));
}

QString CANFrameData::canTypeText() const
{
    return has(FlexibleData) ? QStringLiteral("FDCAN") : QStringLiteral("CAN");
}

QString CANFrameData::statusText() const { return canStatusText(statusCode); }

QString CANFrameData::idText() const
{
    const QString hex = QString::number(id, 16);
    return QStringLiteral("0x") + (source == SerialAdapter ? hex : hex.toUpper());
}

QString CANFrameData::dataText() const { return CANFrameModel::formatCANData(data.data(), size, dataLen); }

bool CANFrameData::transmitted() const
{
    const int kind = statusKind();
    return kind == TxOk || kind == TxFailed;
}

MotorLogFrame CANFrameData::motorFrame() const
{
    const int kind = statusKind();
    const bool frame = kind == RxOk || kind == RxFailed || kind == TxOk || kind == TxFailed;
    const bool standardData = frame && !has(Extended) && !has(Remote) && !has(ErrorFrame);
    return classifyLogFrame(id, standardData, transmitted(), data.data(), std::min<int>(size, dataLen));
}

QString CANFrameData::decodedText(const DecodeContext &context) const
{
    const MotorLogFrame f = motorFrame();
    if (!f.known())
        return QString();
    return describeMotorFrame(f, context.ranges, context.canid, context.masterid);
}

QString CANFrameData::text(int column, const DecodeContext &context) const
{
    switch (column) {
    case 0: return QString::number(index);
    case 1: return timestampText();
    case 2: return frameTypeText();
    case 3: return frameFormatText();
    case 4: return canTypeText();
    case 5: return idText();
    case 6: return statusText();
    case 7: return dataLenText();
    case 8: return dataText();
    case DecodedColumn: return decodedText(context);
    default: return QString();
    }
}

CANFrameData canLogRow(const CAN_Frame &frame, quint32 index, int msecsSinceMidnight)
{
    CANFrameData row;
    row.index = index;
    row.id = frame.id;
    row.time = msecsSinceMidnight;
    row.source = CANFrameData::SerialAdapter;
    row.statusCode = frame.code;
    if (frame.isExtended())
        row.flags |= CANFrameData::Extended;
    if (frame.isRemote())
        row.flags |= CANFrameData::Remote;
    row.dataLen = quint8(frame.dataLength());
    copyData(row, frame.data, std::min(frame.dataLength(), 8));
    return row;
}

CANFrameData canLogRow(const CanBusFrame &frame, quint32 index)
{
    CANFrameData row;
    row.index = index;
    row.id = frame.id;
    row.time = qint64(frame.timestampUs);
    row.source = CANFrameData::UsbAdapter;
    const bool failed = frame.has(CanBusFrame::Failed);
    row.statusCode = frame.has(CanBusFrame::Echo) ? (failed ? kTxFail : kTxOk) : (failed ? kRxFail : kRxOk);
    if (frame.has(CanBusFrame::Extended))
        row.flags |= CANFrameData::Extended;
    if (frame.has(CanBusFrame::Remote))
        row.flags |= CANFrameData::Remote;
    if (frame.has(CanBusFrame::FlexibleData))
        row.flags |= CANFrameData::FlexibleData;
    if (frame.has(CanBusFrame::BitRateSwitch))
        row.flags |= CANFrameData::BitRateSwitch;
    if (frame.has(CanBusFrame::ErrorFrame))
        row.flags |= CANFrameData::ErrorFrame;
    const int n = int(std::min<qsizetype>(frame.payload.size(), CANFrameData::MaxData));
    row.dataLen = quint8(n);
    copyData(row, reinterpret_cast<const quint8 *>(frame.payload.constData()), n);
    return row;
}
