#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

class FdcanCommands;

// Firmware update of the USB FDCAN adapter itself: the image goes out in 4096-byte
// sectors, each acknowledged before the next, then the end command.

inline constexpr int kIapSectorSize = 4096;
// The adapter's answer when it cannot program its flash.
inline constexpr quint8 kAckFlashDamaged = 6;
// Far above any adapter's flash: a wrong file (a disk image, a video) is refused
// before it is read into memory.
inline constexpr qint64 kAdapterImageLimit = 4 * 1024 * 1024;

// An adapter firmware image is a ".enc" file; anything else is taken only knowingly.
inline constexpr char kAdapterImageSuffix[] = "enc";
bool adapterImageFileFits(const QString &path);

// ceil(size / 4096).
int iapSectorCount(qint64 imageSize);
// Sector `index` of the image, zero-filled past the image's end.
QByteArray iapSector(const QByteArray &image, int index);
// floor(done / count * 100) in single precision, as the progress bar shows it.
int iapProgress(int done, int count);

// The adapter's state reply: "boot" anywhere marks its bootloader.
bool adapterReplyIsBoot(const QByteArray &reply);
// "app sw_version: 1.0.2" -> "1.0.2(app)"; a reply without the marker as it is.
QString adapterVersionText(const QByteArray &reply);

// One upgrade run. run() blocks for the whole transfer (each packet may wait 5 s for
// its answer), so the panel calls it on a pool thread; the signals then reach GUI-thread
// receivers queued.
class AdapterFirmwareUpgrade : public QObject
{
    Q_OBJECT
public:
    enum Result { Done, FileError, EmptyImage, Refused, EndRefused, Cancelled, TooLarge };
    Q_ENUM(Result)

    explicit AdapterFirmwareUpgrade(FdcanCommands *commands, QObject *parent = nullptr);

    Result run(const QString &imagePath);
    // Stops before the next packet (window closing); safe from any thread.
    void cancel() { cancelled = true; }

signals:
    void progressBarChanged(int percent);
    void fdcanUpgradeFinished();
    // A reason the user can read; the upgrade stopped.
    void upgradeFailed(const QString &reason);

private:
    FdcanCommands *commands;
    std::atomic_bool cancelled{false};
};
