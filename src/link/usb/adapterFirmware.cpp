#include "link/usb/adapterFirmware.h"

#include "link/usb/fdcanCommands.h"
#include "log/log.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {
constexpr const char *kSource = "on_firmwareUpgradeClicked";
const QByteArray kVersionMarker = QByteArrayLiteral("sw_version:");
} // namespace

bool adapterImageFileFits(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String(kAdapterImageSuffix), Qt::CaseInsensitive) == 0;
}

int iapSectorCount(qint64 imageSize)
{
    return imageSize <= 0 ? 0 : int((imageSize + kIapSectorSize - 1) / kIapSectorSize);
}

QByteArray iapSector(const QByteArray &image, int index)
{
    QByteArray sector(kIapSectorSize, '\0');
    const qint64 from = qint64(index) * kIapSectorSize;
    if (index >= 0 && from < image.size()) {
        const qint64 n = qMin<qint64>(kIapSectorSize, image.size() - from);
        memcpy(sector.data(), image.constData() + from, size_t(n));
    }
    return sector;
}

int iapProgress(int done, int count)
{
    if (count <= 0)
        return 0;
    return int(std::floor(float(done) / float(count) * 100.0f));
}

bool adapterReplyIsBoot(const QByteArray &reply)
{
    return QString::fromUtf8(reply).contains(QLatin1String("boot"));
}

QString adapterVersionText(const QByteArray &reply)
{
    const QString text = QString::fromUtf8(reply);
    const QStringList parts = text.split(QString::fromLatin1(kVersionMarker));
    if (parts.size() >= 2)
        return QString("%1(%2)").arg(parts[1].trimmed(), parts[0].trimmed());
    return text;
}

AdapterFirmwareUpgrade::AdapterFirmwareUpgrade(FdcanCommands *c, QObject *parent) : QObject(parent), commands(c) {}

AdapterFirmwareUpgrade::Result AdapterFirmwareUpgrade::run(const QString &imagePath)
{
    // A device such as /dev/zero reports size 0 and never ends, a pipe blocks the open:
    // only a regular file is read, and never more than the limit allows.
    const QFileInfo info(imagePath);
    if (info.exists() && !info.isFile()) {
        Logger::error(QString("不是普通文件: %1").arg(imagePath), kSource);
        emit upgradeFailed(tr("不是普通文件，未读取: %1").arg(imagePath));
        return FileError;
    }
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        Logger::error("文件打开失败", kSource);
        emit upgradeFailed(tr("文件打开失败: %1").arg(imagePath));
        return FileError;
    }
    if (file.size() > kAdapterImageLimit) {
        Logger::error(QString("固件文件过大: %1 B").arg(file.size()), kSource);
        emit upgradeFailed(tr("固件文件过大: %1 字节，上限 %2 字节").arg(file.size()).arg(kAdapterImageLimit));
        return TooLarge;
    }
    const QByteArray image = file.read(kAdapterImageLimit + 1);
    file.close();
    if (image.size() > kAdapterImageLimit) { // grew since it was measured
        Logger::error(QString("固件文件过大: 超过 %1 B").arg(kAdapterImageLimit), kSource);
        emit upgradeFailed(tr("固件文件过大: %1 字节，上限 %2 字节").arg(image.size()).arg(kAdapterImageLimit));
        return TooLarge;
    }
    const int count = iapSectorCount(image.size());
    Logger::debug(QString("固件大小: %1 KB , %2 B").arg(image.size() / 1024).arg(image.size()), kSource);
    Logger::debug(QString("扇区数: %1").arg(count), kSource);
    // An empty file is no image: ending an upgrade without one would leave the adapter
    // with nothing to run.
    if (count == 0) {
        Logger::error("固件文件为空", kSource);
        emit upgradeFailed(tr("固件文件为空"));
        return EmptyImage;
    }

    for (int i = 0; i < count; ++i) {
        if (cancelled) {
            Logger::warning(QString("固件升级在第%1包前中止").arg(i), kSource);
            return Cancelled;
        }
        const quint8 code = commands->iapPack(quint32(i), iapSector(image, i));
        if (code != 0) {
            Logger::error("happen err", kSource);
            if (code == kAckFlashDamaged) {
                Logger::error("闪存损坏", kSource);
                emit upgradeFailed(tr("闪存损坏"));
            } else {
                emit upgradeFailed(tr("第%1包发送失败 (错误码 %2)").arg(i + 1).arg(code));
            }
            return Refused;
        }
        emit progressBarChanged(iapProgress(i + 1, count));
    }

    // Finished only once the adapter has taken the end of the image too: a silent end
    // command would otherwise be reported as a successful upgrade.
    const quint8 end = commands->iapEnd();
    if (end != 0) {
        Logger::error(QString("IAP_END失败: %1").arg(end), kSource);
        emit upgradeFailed(tr("结束命令失败 (错误码 %1)").arg(end));
        return EndRefused;
    }
    emit fdcanUpgradeFinished();
    return Done;
}
