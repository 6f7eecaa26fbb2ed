#include "firmware/firmwareImage.h"

#include "link/serial/protocolFormat.h"
#include "link/usb/adapterFirmware.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

int firmwarePacketCount(qint64 imageSize)
{
    if (imageSize <= 0)
        return 0;
    return int((imageSize + FirmwarePacketSize - 1) / FirmwarePacketSize);
}

QByteArray firmwarePacket(const QByteArray &image, int index)
{
    const int count = firmwarePacketCount(image.size());
    if (index < 1 || index > count)
        return {};
    const QByteArray chunk = image.mid(qsizetype(index - 1) * FirmwarePacketSize, FirmwarePacketSize);
    return package(chunk, uint8_t((count - index) % 256));
}

QList<QByteArray> firmwarePacketFrames(const QByteArray &packet)
{
    QList<QByteArray> frames;
    const qsizetype n = packet.size();
    frames.reserve(n / 8 + 1);
    for (qsizetype i = 0; i <= n / 8; ++i)
        frames.append(packet.mid(i * 8, 8));
    return frames;
}

int firmwareProgress(int index, int count)
{
    if (count <= 0)
        return 0;
    return int(qint64(index) * 100 / count);
}

qint64 firmwareFrameCount(qint64 imageSize)
{
    // A packet of n bytes (data and its framing) takes floor(n / 8) + 1 frames.
    const int count = firmwarePacketCount(imageSize);
    qint64 frames = 0;
    for (int k = 1; k <= count; ++k) {
        const qint64 data = std::min<qint64>(FirmwarePacketSize, imageSize - qint64(k - 1) * FirmwarePacketSize);
        frames += (data + SerialFrame::PackageOverhead) / 8 + 1;
    }
    return frames;
}

QString firmwareSuffix(FirmwareTarget target)
{
    return target == FirmwareTarget::Motor ? QStringLiteral("bin") : QString::fromLatin1(kAdapterImageSuffix);
}

bool firmwareFileFits(const QString &path, FirmwareTarget target)
{
    if (target == FirmwareTarget::Adapter)
        return adapterImageFileFits(path);
    return QFileInfo(path).suffix().compare(firmwareSuffix(target), Qt::CaseInsensitive) == 0;
}

QString firmwareDisplayName(const QString &path)
{
    const QString base = QFileInfo(path).completeBaseName();
    return base.startsWith(QLatin1String("APP_")) ? base.mid(4) : base;
}

QByteArray firmwareUpgradeRequest(uint32_t motorCanId)
{
    QByteArray r = QByteArray::fromHex("550102AA0000AAAA");
    r[4] = char(motorCanId & 0xFF);
    r[5] = char((motorCanId >> 8) & 0xFF);
    return r;
}

QByteArray consoleVersionRequest() { return QByteArray("\x55\x66\xAA", 3); }

QString ParseVersion(uint32_t value, bool asCharacters)
{
    QStringList parts;
    for (int i = 0; i < 4; ++i) {
        const auto byte = uint8_t(value >> (8 * i));
        // Unsigned: a byte of 200 is version part 200, not -56.
        parts << (asCharacters ? QString(QChar(byte)) : QString::number(byte));
    }
    return parts.join('.');
}

FirmwareFile loadFirmwareFile(const QString &path, qint64 limit)
{
    FirmwareFile f;
    f.path = path;
    f.name = firmwareDisplayName(path);
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    auto unreadable = [&] {
        return QCoreApplication::translate("FirmwareUpgrade", "无法读取固件文件 %1：%2")
            .arg(fileName, file.errorString());
    };
    auto tooLarge = [&](qint64 size) {
        return QCoreApplication::translate("FirmwareUpgrade", "固件文件 %1 过大：%2 字节，上限为 %3 字节。")
            .arg(fileName)
            .arg(size)
            .arg(limit);
    };
    // A pipe would block the open until a writer comes, a device never ends: only a
    // regular file is an image, and that is decided before anything is opened.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        f.error = QCoreApplication::translate("FirmwareUpgrade", "%1 不是普通文件，未读取。").arg(fileName);
        return f;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        f.error = unreadable();
        return f;
    }
    // The size is checked before reading, so that a huge file is never loaded whole.
    if (file.size() > limit) {
        f.error = tooLarge(file.size());
        return f;
    }
    const QByteArray image = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        f.error = unreadable();
    else if (image.size() > limit) // a file that grew, or a device that reports no size
        f.error = tooLarge(image.size());
    else if (image.isEmpty())
        f.error = QCoreApplication::translate("FirmwareUpgrade", "固件文件 %1 为空。").arg(fileName);
    else
        f.image = image;
    return f;
}
