#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// A motor firmware image as the bootloader takes it: packets of up to 8192 bytes, each
// framed as '#' cmd '#' length data CRC-8 with cmd = the packets still to come after
// it (0 for the last), and over CAN each packet cut into frames of 8 bytes.

constexpr int FirmwarePacketSize = 8192;
// The largest image taken: 256 packets, the most whose counts the one command byte can
// tell apart (a larger image would send a 0, "last packet", in the middle). Motor
// firmware images are a few hundred kilobytes at most.
constexpr qint64 FirmwareImageLimit = 256 * qint64(FirmwarePacketSize);

// ceil(size / 8192).
int firmwarePacketCount(qint64 imageSize);
// Packet `index` (1 ... count) of the image, framed; empty for an index out of range.
QByteArray firmwarePacket(const QByteArray &image, int index);
// The CAN frames of a packet of n bytes: bytes 8i ... min(8i + 8, n) - 1 for
// i = 0 ... floor(n / 8), so a packet whose length is a multiple of 8 ends with a frame
// of no data bytes.
QList<QByteArray> firmwarePacketFrames(const QByteArray &packet);
// floor(index / count * 100).
int firmwareProgress(int index, int count);
// The CAN frames a whole image takes: every packet framed and cut as above.
qint64 firmwareFrameCount(qint64 imageSize);

// The device an image is for. Its file says so by its suffix: ".bin" for a motor
// controller, ".enc" for the USB FDCAN adapter.
enum class FirmwareTarget { Motor, Adapter };
QString firmwareSuffix(FirmwareTarget target);
// True when the file name ends in the suffix of `target` (in any case).
bool firmwareFileFits(const QString &path, FirmwareTarget target);
// The name shown for a firmware file: its complete base name without a leading "APP_".
QString firmwareDisplayName(const QString &path);

// The CAN request that sends the motor into its bootloader:
// 55 01 02 AA, the motor's CAN ID (low byte, high byte), AA AA.
QByteArray firmwareUpgradeRequest(uint32_t motorCanId);

// The console's version request (after "s"): 55 66 AA. The answer is 'f', four bytes of
// the application version and four of the bootloader version.
QByteArray consoleVersionRequest();

// A version register as text: its four bytes, lowest first, joined by "."; as the
// characters of those codes, or as unsigned 8-bit numbers.
QString ParseVersion(uint32_t value, bool asCharacters);

// The firmware file the user chose, read whole. `error` (translated, naming the file)
// is set, and the image left empty, when the file cannot be read, is empty or is larger
// than FirmwareImageLimit.
struct FirmwareFile {
    QString path;
    QString name;       // firmwareDisplayName
    QByteArray image;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
FirmwareFile loadFirmwareFile(const QString &path, qint64 limit = FirmwareImageLimit);
