// The motor firmware upgrade's conversation with a bootloader that answers anything:
// replies offered in pieces of any size on the path the upgrade runs (console, serial or
// USB adapter), each acted on as in the tool, and the version parsers fed the same bytes.
// The first byte chooses the path and the version format.
#include "fuzzInput.h"

#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "link/serial/receiveDispatcher.h"

#include <QCoreApplication>
#include <QThread>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    FuzzInput in(data, size);
    const uint8_t mode = in.byte();
    const FirmwareUpgrade::Path path = FirmwareUpgrade::Path((mode & 0x03) % 3);
    const QByteArray version = in.bytes(4);
    (void)versionText(version);
    quint32 v = 0;
    for (int i = 0; i < version.size(); ++i)
        v |= quint32(quint8(version[i])) << (8 * i);
    (void)ParseVersion(v, mode & 0x04);

    FirmwareUpgrade upgrade;
    FirmwareUpgrade::Timeouts t;
    t.firstPacketDelayMs = 0;
    upgrade.setTimeouts(t);
    FirmwareUpgrade::Transport io;
    io.writeConsole = [](const QByteArray &) {};
    io.sendRequest = [](const QByteArray &, quint32) {};
    io.sendPacketFrames = [](const QList<QByteArray> &, quint32) {};
    upgrade.setTransport(io);
    // Three packets: the conversation can reach its end.
    FirmwareUpgrade::Request request;
    request.path = path;
    request.image = QByteArray(2 * FirmwarePacketSize + 1, '\x5A');
    request.usbConnected = path == FirmwareUpgrade::Path::UsbAdapter;
    if (!upgrade.start(request))
        return 0;
    for (const QByteArray &chunk : in.chunks()) {
        upgrade.offerReply(chunk, path);
        QCoreApplication::processEvents();
        // The first packet follows the acknowledgement on a timer of 0 ms.
        for (int i = 0; i < 3 && upgrade.state() == FirmwareUpgrade::State::Starting; ++i) {
            QThread::msleep(1);
            QCoreApplication::processEvents();
        }
        if (upgrade.state() == FirmwareUpgrade::State::WaitingForAck && (mode & 0x08))
            upgrade.sendNextFrame();
        QCoreApplication::processEvents();
    }
    upgrade.cancel();
    return 0;
}
