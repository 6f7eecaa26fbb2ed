// Serial receive pipeline figures:
//  1. the dispatcher alone on a synthetic stream (frames/s);
//  2. the simulated adapter streaming receive frames at the full 921 600 baud line rate
//     through a pseudo-terminal into the real window: frames counted / frames sent, the
//     tool's CPU share, and its memory over time.
// Usage: bench_serialpipeline [seconds (default 30)] [frames per second (default 5760)]
#include "benchProcess.h"
#include "app/mainwindow.h"
#include "can/canFrameModel.h"
#include "link/serial/receiveSteering.h"
#include "link/serial/receiveDispatcher.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include "simCodec.h"
#include "simSerialAdapter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

void dispatcherAlone()
{
    ReceiveSteering cdc;
    quint64 frames = 0, text = 0;
    ReceiveDispatcher::Events ev;
    ev.canFrame = [&](const QByteArray &) { ++frames; };
    ev.terminalBytes = [&](const QByteArray &b) { text += b.size(); };
    ReceiveDispatcher d(&cdc, ev);
    // 10 ms worth of a busy line: 57 frames, some console text, chunk boundaries inside frames.
    QByteArray stream;
    for (int i = 0; i < 57; ++i) {
        stream += SimCodec::receiveFrame(0x11, 0x100 + i, QByteArray(8, char(i)));
        if (i % 19 == 0)
            stream += "status ok\r\n";
    }
    const int chunk = 333; // not a multiple of 16
    QElapsedTimer t;
    t.start();
    const int rounds = 20000;
    for (int r = 0; r < rounds; ++r)
        for (int off = 0; off < stream.size(); off += chunk)
            d.processChunk(stream.mid(off, chunk));
    const double s = t.nsecsElapsed() / 1e9;
    std::printf("dispatcher alone: %llu frames in %.3f s = %.0f frames/s (%.1f MB/s), %llu text bytes\n",
                static_cast<unsigned long long>(frames), s, frames / s, rounds * stream.size() / s / 1e6,
                static_cast<unsigned long long>(text));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? atoi(argv[1]) : 30;
    const int rate = argc > 2 ? atoi(argv[2]) : 5760;
    QTemporaryDir logs;
    Logger::init(logs.path(), Logger::INFO);
    DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{QMessageBox::Ok, {}}; });

    dispatcherAlone();

    SimSerialAdapter sim;
    sim.setMode(SimSerialAdapter::Adapter);
    sim.setHeartbeatEnabled(false);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    StartupOptions o;
    o.port = sim.slavePath();
    MainWindow w(o);
    w.show();
    if (!w.on_actCom_Open_triggered()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(o.port));
        return 1;
    }
    const quint32 rx0 = w.frameSequence();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sim.startStreaming(rate);
    std::printf("streaming %d frames/s for %d s through %s\n", rate, seconds, qPrintable(o.port));
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        std::printf("  t=%5.1f s  sent %8llu  counted %8u  rows %6d  RSS %6ld KiB\n", wall.elapsed() / 1000.0,
                    static_cast<unsigned long long>(sim.streamedFrames()), w.frameSequence() - rx0,
                    w.frameModel()->rowCount(), rssKiB());
        std::fflush(stdout);
    });
    sampler.start(5000);
    QTimer::singleShot(seconds * 1000, [&] {
        sim.stopStreaming();
        // Let the last bytes through the 10 ms reader and dispatcher.
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    app.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double secs = wall.elapsed() / 1000.0;
    const quint64 sent = sim.streamedFrames();
    const quint32 counted = w.frameSequence() - rx0;
    const auto stats = sim.stats();
    std::printf("sent %llu, counted %u: %.3f %%; slipped by the simulator %llu\n",
                static_cast<unsigned long long>(sent), counted, sent ? 100.0 * counted / sent : 0.0,
                static_cast<unsigned long long>(stats.streamSlipped));
    std::printf("tool CPU %.2f s over %.1f s wall = %.1f %% of one core (simulator thread included)\n", cpu, secs,
                100.0 * cpu / secs);
    const QString terminal = w.findChild<QPlainTextEdit *>("comOutput")->toPlainText();
    std::printf("RSS at end %ld KiB; terminal received %d characters of non-frame bytes%s%s\n", rssKiB(),
                int(terminal.size()), terminal.isEmpty() ? "" : ": ", qPrintable(terminal.left(60).toUtf8().toHex(' ')));
    w.on_actCom_Close_triggered();
    return counted == sent ? 0 : 2;
}
