// Motor firmware upgrade throughput, end to end: the main window sends an image to the
// simulated motor's bootloader over the console, through the serial adapter and through
// the USB adapter, and waits for "complete". Image bytes per second on each path beside
// what the physical line would allow. The pseudo-terminal and the simulated USB bus have
// no rate of their own, so the figures are the tool's (and the simulator's) pace.
//
// Run from the build tree: bench/bench_firmware [kilobytes]   (default 512)

#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "firmware/firmwareImage.h"
#include "firmware/firmwareUpgrade.h"
#include "firmware/ui/firmwareGroupBox.h"
#include "procedures/customCDC.h"
#include "link/usb/usbBackend.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include "simSerialAdapter.h"
#include "simUsbAdapter.h"
#include "simUsbBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

QString imagePath;

// Bytes of image per second that the line carries at most, packets and framing included.
double lineLimit(FirmwareUpgrade::Path path)
{
    const double perPacket = double(FirmwarePacketSize) / (FirmwarePacketSize + 6);
    const double frames = (FirmwarePacketSize + 6) / 8 + 1; // CAN frames of a full packet
    switch (path) {
    case FirmwareUpgrade::Path::Console: return 921600.0 / 10 * perPacket; // 8N1
    case FirmwareUpgrade::Path::SerialAdapter: return 921600.0 / 10 / (frames * 30) * FirmwarePacketSize;
    case FirmwareUpgrade::Path::UsbAdapter: break;
    }
    // 1 Mbit/s classic CAN, 8 data bytes: 111 bits, 3 bits of intermission, no stuffing.
    return 1e6 / 114 * 8 * perPacket;
}

void run(const char *name, FirmwareUpgrade::Path path, MainWindow &w, SimMotor &motor, qint64 size)
{
    w.form()->masteridEdit->setText("11");
    w.form()->sw_btn_canUart->setChecked(path != FirmwareUpgrade::Path::Console);
    w.form()->btn_comSwitch->click();
    if (!w.isPortOpen()) {
        std::printf("%-15s port did not open\n", name);
        return;
    }
    w.firmwareGroupBox()->fileOpenButton->click();
    QElapsedTimer clock;
    clock.start();
    w.firmwareGroupBox()->upgradeButton->click();
    FirmwareUpgrade *up = w.link()->upgrade();
    while ((up->isRunning() || clock.elapsed() < 50) && clock.elapsed() < 300000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const bool ok = motor.bootloader().transfers() == 1 && motor.firmwareImage().size() == size;
    const double rate = size / seconds;
    std::printf("%-15s %s  %8.3f s  %9.0f B/s   line limit %7.0f B/s   %5.1f x\n", name, ok ? "ok    " : "FAILED",
                seconds, rate, lineLimit(path), rate / lineLimit(path));
}

void serialPath(const char *name, FirmwareUpgrade::Path path, qint64 size)
{
    SimSerialAdapter sim;
    sim.setMode(path == FirmwareUpgrade::Path::Console ? SimSerialAdapter::Console : SimSerialAdapter::Adapter);
    sim.setHeartbeatEnabled(false);
    auto motor = std::make_shared<SimMotor>(1, 0x11);
    sim.addMotor(motor);
    QString error;
    if (!sim.start(&error)) {
        std::printf("%-15s %s\n", name, qPrintable(error));
        return;
    }
    StartupOptions o;
    o.port = sim.slavePath();
    MainWindow w(o);
    run(name, path, w, *motor, size);
}

void usbPath(qint64 size)
{
    SimSerialAdapter port;
    port.setMode(SimSerialAdapter::Adapter);
    port.setHeartbeatEnabled(false);
    QString error;
    if (!port.start(&error)) {
        std::printf("%-15s %s\n", "USB adapter", qPrintable(error));
        return;
    }
    auto backend = std::make_shared<SimUsbBackend>();
    auto usb = std::make_shared<SimUsbAdapter>("ZK0001", 1, 5);
    auto motor = std::make_shared<SimMotor>(1, 0x11);
    usb->addMotor(motor);
    backend->addDevice(usb);
    setUsbBackend(backend);
    {
        StartupOptions o;
        o.port = port.slavePath();
        o.usbPorts.append({o.port, "USB CAN FD", usb->vendorId(), usb->productId(), usb->serialNumber()});
        MainWindow w(o);
        run("USB adapter", FirmwareUpgrade::Path::UsbAdapter, w, *motor, size);
    }
    setUsbBackend(nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Logger::init(dir.path(), Logger::WARNING);
    const qint64 size = (argc > 1 ? qBound(1, atoi(argv[1]), 2048) : 512) * 1024LL;
    QByteArray image(int(size), '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 13 + i / 509) & 0xFF);
    imagePath = dir.filePath("APP_bench.bin");
    QFile f(imagePath);
    f.open(QIODevice::WriteOnly);
    f.write(image);
    f.close();
    DialogService::setHandler([](const DialogService::Request &r) {
        DialogService::Reply reply;
        reply.result = QMessageBox::Ok;
        if (r.kind == DialogService::OpenFile)
            reply.path = imagePath;
        else if (r.kind != DialogService::Notice)
            std::printf("  (box: %s)\n", qPrintable(r.text));
        return reply;
    });

    std::printf("Motor firmware upgrade of %lld bytes (%d packets)\n", size, firmwarePacketCount(size));
    serialPath("motor console", FirmwareUpgrade::Path::Console, size);
    serialPath("serial adapter", FirmwareUpgrade::Path::SerialAdapter, size);
    usbPath(size);
    return 0;
}
