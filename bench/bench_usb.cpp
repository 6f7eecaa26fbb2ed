// USB FDCAN adapter figures:
//  1. unpack_can_frame alone, frames/s for 8-byte and 64-byte frames;
//  2. CustomFIFO with two writer threads and one reader, write+read pairs/s;
//  3. the simulated adapter streaming received frames into the real window at the
//     classic bus limit (21 551 frames/s) and at ten times that: frames counted by the
//     window's receive handler / frames sent, and the GUI thread's longest stall.
// Usage: bench_usb [seconds per rate (default 30)] [base rate (default 21551)]
#include "benchProcess.h"
#include "app/mainwindow.h"
#include "can/canFrameModel.h"
#include "link/serial/customFIFO.h"
#include "link/usb/can_class.h"
#include "link/usb/crc.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include "simSerialAdapter.h"
#include "simUsbAdapter.h"
#include "simUsbBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <thread>

namespace {

// One FIFO block (length, payload, CRC) holding as many frames of `dataLength` bytes
// as the 16-bit length field allows.
QByteArray block(int dataLength, int *frames)
{
    const int dlc = dataLength == 64 ? 15 : 8;
    const int each = 12 + dataLength;
    const int n = 0xFFFF / each;
    QByteArray payload;
    for (int i = 0; i < n; ++i) {
        QByteArray head(12, '\0');
        head[0] = char(i);
        head[1] = char(i >> 8);
        head[11] = char(0x01 | (dataLength == 64 ? 0x02 : 0) | (dlc << 4));
        payload += head + QByteArray(dataLength, char(i));
    }
    QByteArray b;
    b.append(char(payload.size()));
    b.append(char(payload.size() >> 8));
    b += payload;
    const quint16 crc = CRC16_IBM(b);
    b.append(char(crc));
    b.append(char(crc >> 8));
    *frames = n;
    return b;
}

void unpackAlone(int dataLength)
{
    CustomFIFO fifo;
    can_class parser(&fifo);
    quint64 decoded = 0;
    QObject::connect(&parser, &can_class::send_can_value, [&](const QList<can_node_type> &f) { decoded += f.size(); });
    int perBlock = 0;
    const QByteArray b = block(dataLength, &perBlock);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000)
        parser.unpack_can_frame(reinterpret_cast<const uint8_t *>(b.constData()));
    const double s = t.nsecsElapsed() / 1e9;
    std::printf("unpack_can_frame, %2d-byte frames: %.0f frames/s (%d frames per block)\n", dataLength, decoded / s,
                perBlock);
}

void fifoTwoWritersOneReader()
{
    CustomFIFO fifo;
    constexpr int perWriter = 2000000;
    std::atomic<quint64> full{0};
    QElapsedTimer t;
    t.start();
    auto writer = [&] {
        for (int i = 0; i < perWriter; ++i) {
            auto *r = new uint8_t[16];
            while (fifo.fifo_write(r)) {
                ++full;
                std::this_thread::yield();
            }
        }
    };
    std::thread a(writer), b(writer);
    quint64 read = 0;
    while (read < 2ull * perWriter) {
        uint8_t *r = nullptr;
        if (fifo.fifo_read(&r) == CustomFIFO::ReadOk) {
            delete[] r;
            ++read;
        }
    }
    a.join();
    b.join();
    const double s = t.nsecsElapsed() / 1e9;
    std::printf("CustomFIFO, 2 writers + 1 reader: %.0f write+read pairs/s (%llu pairs, %llu refusals when full)\n",
                read / s, static_cast<unsigned long long>(read), static_cast<unsigned long long>(full.load()));
}

// Frames counted / frames sent at `rate` for `seconds`, and the GUI thread's longest gap.
bool endToEnd(QApplication &app, int rate, int seconds)
{
    SimSerialAdapter port;
    port.setMode(SimSerialAdapter::Adapter);
    port.setHeartbeatEnabled(false);
    QString error;
    if (!port.start(&error)) {
        std::fprintf(stderr, "port: %s\n", qPrintable(error));
        return false;
    }
    auto backend = std::make_shared<SimUsbBackend>();
    auto usb = std::make_shared<SimUsbAdapter>("BENCH1", 1, 4);
    backend->addDevice(usb);
    setUsbBackend(backend);
    StartupOptions o;
    o.port = port.slavePath();
    o.usbPorts.append({o.port, QString(), usb->vendorId(), usb->productId(), usb->serialNumber()});
    bool ok = false;
    {
        MainWindow w(o);
        w.show();
        if (!w.on_actCom_Open_triggered()) {
            std::fprintf(stderr, "cannot open the adapter\n");
            return false;
        }
        const quint32 rx0 = w.rxFrameCount();
        // The GUI thread's longest stall: the largest gap between ticks of a 1 ms timer.
        QElapsedTimer sinceTick;
        qint64 worstMs = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            worstMs = std::max(worstMs, sinceTick.restart());
        });
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        sinceTick.start();
        ticker.start(1);
        usb->startStreaming(rate);
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            std::printf("  t=%5.1f s  sent %9llu  counted %9u  rows %6d  longest stall %lld ms\n",
                        wall.elapsed() / 1000.0, static_cast<unsigned long long>(usb->streamedFrames()),
                        w.rxFrameCount() - rx0, w.frameModel()->rowCount(), static_cast<long long>(worstMs));
            std::fflush(stdout);
        });
        sampler.start(5000);
        QTimer::singleShot(seconds * 1000, [&] {
            usb->stopStreaming();
            // What is sent reaches the counter through the 10 ms reader, the parser and the
            // 100 ms log flusher; allow for a busy machine.
            QElapsedTimer drain;
            drain.start();
            auto *poll = new QTimer(&app);
            QObject::connect(poll, &QTimer::timeout, [&, poll, drain]() mutable {
                if (w.rxFrameCount() - rx0 >= usb->streamedFrames() || drain.elapsed() > 20000) {
                    poll->stop();
                    poll->deleteLater();
                    app.quit();
                }
            });
            poll->start(50);
        });
        app.exec();
        ticker.stop();
        const double secs = wall.elapsed() / 1000.0;
        const quint64 sent = usb->streamedFrames();
        const quint32 counted = w.rxFrameCount() - rx0;
        std::printf("%d frames/s for %d s: sent %llu, counted %u = %.3f %%; GUI thread's longest stall %lld ms; "
                    "tool CPU %.1f %% of one core; stream drops in the adapter %llu\n",
                    rate, seconds, static_cast<unsigned long long>(sent), counted, sent ? 100.0 * counted / sent : 0.0,
                    static_cast<long long>(worstMs), 100.0 * (cpuSeconds() - cpu0) / secs,
                    static_cast<unsigned long long>(usb->stats().streamDrops));
        std::fflush(stdout);
        ok = counted == sent;
        w.on_actCom_Close_triggered();
    }
    setUsbBackend(nullptr);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? atoi(argv[1]) : 30;
    const int rate = argc > 2 ? atoi(argv[2]) : 21551;
    QTemporaryDir logs;
    Logger::init(logs.path(), Logger::INFO);
    DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{QMessageBox::Ok, {}}; });

    unpackAlone(8);
    unpackAlone(64);
    fifoTwoWritersOneReader();
    bool ok = endToEnd(app, rate, seconds);
    ok = endToEnd(app, rate * 10, seconds) && ok;
    return ok ? 0 : 2;
}
