#include "link/serial/protocolFormat.h"

#include "link/serial/baudLists.h"
#include "log/log.h"

#include "link/byteOrder.h"

#include <QCoreApplication>

#include <array>
#include <cstring>

namespace {

// Registered at load time so that CAN_Frame can cross queued connections by name too.
const int s_canFrameMetaType = qRegisterMetaType<CAN_Frame>("CAN_Frame");

constexpr std::array<uint8_t, 256> makeCrc8Table()
{
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = uint8_t(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x01) ? uint8_t((crc >> 1) ^ 0x8C) : uint8_t(crc >> 1);
        table[size_t(i)] = crc;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kCrc8Table = makeCrc8Table();


// Status texts in table order; the array index is what canStatusTextIndex returns.
const char *const kStatusTexts[8] = {
    QT_TRANSLATE_NOOP("MainWindow", "心跳数据"),
    QT_TRANSLATE_NOOP("MainWindow", "接收失败"),
    QT_TRANSLATE_NOOP("MainWindow", "接收成功"),
    QT_TRANSLATE_NOOP("MainWindow", "发送失败"),
    QT_TRANSLATE_NOOP("MainWindow", "发送成功"),
    QT_TRANSLATE_NOOP("MainWindow", "波特率设置失败"),
    QT_TRANSLATE_NOOP("MainWindow", "波特率设置成功"),
    QT_TRANSLATE_NOOP("MainWindow", "位置命令"),
};

// Indexed by status code 0..19; higher codes map to the last text.
constexpr int kStatusIndexByCode[20] = {0, 1, 3, 5, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 2, 4, 6};

} // namespace

int CRC_8(const uint8_t *bytes, int length)
{
    if (!bytes || length <= 0)
        return 0;
    uint8_t crc = 0;
    for (int i = 0; i < length; ++i)
        crc = kCrc8Table[crc ^ bytes[i]];
    return crc;
}

int CRC_8(const QByteArray &bytes, int length)
{
    // Never read beyond the array, whatever length the caller asks for.
    const int n = qBound(0, length, int(bytes.size()));
    return CRC_8(reinterpret_cast<const uint8_t *>(bytes.constData()), n);
}

bool canIdFitsFrame(uint32_t id, bool extended) { return id <= (extended ? 0x1FFFFFFFu : 0x7FFu); }

bool fillCANFrame(const QByteArray &data, const SerialFrameSettings &settings, QByteArray &frame,
                  uint8_t cmd, uint32_t canId, uint32_t sendTimes, uint32_t interval)
{
    if (!canIdFitsFrame(canId, settings.idType != 0)) {
        frame.clear();
        return false;
    }
    frame.resize(SerialFrame::TxFrameSize);
    frame.fill('\0');
    auto *p = reinterpret_cast<uint8_t *>(frame.data());

    const int n = qMin(int(data.size()), SerialFrame::MaxClassicData);
    p[0] = SerialFrame::TxHead1;
    p[1] = SerialFrame::TxHead2;
    p[2] = uint8_t(SerialFrame::TxFrameSize);
    p[3] = cmd;
    putLe32(p + 4, sendTimes);
    putLe32(p + 8, interval * 10u);
    p[12] = settings.idType;
    putLe32(p + 13, canId);
    p[17] = settings.frameType;
    p[18] = uint8_t(n);
    p[19] = settings.idAcc ? 1 : 0;
    p[20] = settings.dataAcc ? 1 : 0;
    if (n > 0)
        std::memcpy(p + 21, data.constData(), size_t(n));
    // The CRC covers all 30 bytes while the CRC byte itself is still zero.
    p[29] = uint8_t(CRC_8(p, SerialFrame::TxFrameSize));
    return true;
}

CAN_Frame byteArrayToCANFrame(const QByteArray &bytes)
{
    CAN_Frame f;
    if (bytes.size() < SerialFrame::RxFrameSize) {
        Logger::warning(QString("接收帧长度不足: %1 字节").arg(bytes.size()), "byteArrayToCANFrame");
        return f;
    }
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.constData());
    f.head = p[0];
    f.code = p[1];
    f.info = p[2];
    f.id = getLe32(p + 3);
    std::memcpy(f.data, p + 7, sizeof f.data);
    f.tail = p[15];
    return f;
}

int isCANFrame(const QByteArray &buffer, int start, QList<int> &positions, QByteArray &rest)
{
    const int length = int(buffer.size());
    const char *p = buffer.constData();
    int i = qMax(start, 0);
    while (i < length) {
        // Copy the run of non-head bytes in one go; only a 0xAA can begin a frame.
        const void *hit = std::memchr(p + i, SerialFrame::RxHead, size_t(length - i));
        const int head = hit ? int(static_cast<const char *>(hit) - p) : length;
        if (head > i)
            rest.append(p + i, head - i);
        i = head;
        if (i >= length)
            break;
        if (i + SerialFrame::RxFrameSize - 1 < length
            && uint8_t(p[i + SerialFrame::RxFrameSize - 1]) == SerialFrame::RxTail) {
            positions.append(i);
            i += SerialFrame::RxFrameSize;
        } else {
            rest.append(p[i]);
            ++i;
        }
    }
    return i;
}

QByteArray baudSetRequest(int index)
{
    if (index < 0 || index >= CANBaudCount) {
        Logger::warning(QString("无效的CAN波特率索引: %1").arg(index), "baudSetRequest");
        return QByteArray();
    }
    const char bytes[5] = {char(0x55), char(0x05), char(index), char(0xAA), char(0x55)};
    return QByteArray(bytes, 5);
}

QByteArray stopSendRequest()
{
    const char bytes[4] = {char(0x55), char(0x03), char(0xAA), char(0x55)};
    return QByteArray(bytes, 4);
}

QByteArray package(const QByteArray &data, uint8_t cmd)
{
    const int n = int(data.size());
    if (n > SerialFrame::MaxPackageData) {
        Logger::error(QString("数据包过长: %1 字节").arg(n), "package");
        return QByteArray();
    }
    QByteArray out;
    out.reserve(n + SerialFrame::PackageOverhead);
    out.append('#');
    out.append(char(cmd));
    out.append('#');
    out.append(char(n & 0xFF));
    out.append(char(n >> 8));
    out.append(data);
    out.append(char(CRC_8(data)));
    return out;
}

uint32_t canidConvention(uint32_t id, int mode)
{
    if (mode < 0 || mode > 3)
        return id;
    return (id & 0x7FFu) + uint32_t(mode) * 0x100u;
}

int canStatusTextIndex(int code)
{
    if (code < 0 || code >= int(std::size(kStatusIndexByCode)))
        return 7;
    return kStatusIndexByCode[code];
}

QString canStatusText(int code)
{
    return QCoreApplication::translate("MainWindow", kStatusTexts[canStatusTextIndex(code)]);
}
