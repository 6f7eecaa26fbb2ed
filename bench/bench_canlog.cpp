// The CAN receive log under a flood, in the real window with the CAN tab showing:
// a simulated adapter floods its bus with mixed traffic (received and transmitted,
// classic and FD, lengths 0 to 64) for a while; the figures are
//  - frames that reached the log model / frames the adapter sent (must be 100 %),
//  - the GUI thread's stalls, measured by a 1 ms timer on it (p50, p99, max of the gaps),
//  - the process's memory above idle once the log holds its 100 000 rows (and the peak),
//  - the tool's CPU share,
//  - then, with the log full, how long copy-all and the CSV export of every row take.
// Usage: bench_canlog [seconds (default 60)] [usb|serial <frames/s>]
// The log's decoded column is shown, as it is by default; ZK_BENCH_DECODED=0 hides it
// (the log as it was before the column, for a comparison).
// Without a scenario it runs, each in a process of its own (a clean memory baseline):
// the USB adapter at 21 551 and 215 000 frames/s and the serial adapter at its line rate
// (921 600 baud: 5 760 sixteen-byte frames/s). Run it with a display (xvfb-run) so that
// the log is really painted.
#include "benchProcess.h"
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canFrameModel.h"
#include "can/canLogExport.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include "simSerialAdapter.h"
#include "simUsbAdapter.h"
#include "simUsbBackend.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

SimFlood floodOf(int rate, bool serial)
{
    SimFlood f;
    f.framesPerSecond = rate;
    f.lengths = serial ? QList<int>{8, 2, 0, 8, 5} : QList<int>{8, 64, 12, 0, 2, 8};
    f.ids = {0x123, 0x7FE, 0x1A0};
    f.transmittedEvery = 4;
    f.fdEvery = serial ? 0 : 3;
    return f;
}

// One flood through one adapter into one window.
bool runScenario(QApplication &app, bool serial, int rate, int seconds)
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
    StartupOptions o;
    o.port = port.slavePath();
    if (!serial) {
        backend->addDevice(usb);
        o.usbPorts.append({o.port, QString(), usb->vendorId(), usb->productId(), usb->serialNumber()});
    }
    setUsbBackend(backend);
    bool ok = false;
    {
        MainWindow w(o);
        w.resize(1280, 900);
        w.show();
        w.form()->tabWidget->setCurrentWidget(w.form()->tab_CAN);
        const bool decoded = qEnvironmentVariable("ZK_BENCH_DECODED", "1") != "0";
        w.showDecodedColumn(decoded);
        if (!w.on_actCom_Open_triggered()) {
            std::fprintf(stderr, "cannot open the adapter\n");
            return false;
        }
        CANFrameModel *model = w.frameModel();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1000)
            app.processEvents(QEventLoop::AllEvents, 50);
        const long idle = rssKiB();
        const quint64 logged0 = model->appendedRows();
        auto sent = [&] { return serial ? port.streamedFrames() : usb->streamedFrames(); };
        auto logged = [&] { return model->appendedRows() - logged0; };

        // The probe: the gaps between ticks of a 1 ms timer on the GUI thread.
        std::vector<double> gaps;
        gaps.reserve(size_t(seconds) * 1200);
        QElapsedTimer sinceTick;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            gaps.push_back(double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        long atCap = -1;
        long peak = idle;
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        sinceTick.start();
        probe.start(1);
        if (serial)
            port.startFlood(floodOf(rate, true));
        else
            usb->startFlood(floodOf(rate, false));

        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const long rss = rssKiB();
            peak = std::max(peak, rss);
            // The log reaches its cap; a few seconds later its memory has settled.
            if (atCap < 0 && model->storedRowCount() == CANFrameModel::kMaxRows && wall.elapsed() > 15000)
                atCap = rss;
            std::printf("  t=%5.1f s  sent %10llu  logged %10llu  rows %6d  RSS %6ld KiB\n", wall.elapsed() / 1000.0,
                        static_cast<unsigned long long>(sent()), static_cast<unsigned long long>(logged()),
                        model->storedRowCount(), rss);
            std::fflush(stdout);
        });
        sampler.start(5000);
        QTimer::singleShot(seconds * 1000, [&] {
            if (serial)
                port.stopStreaming();
            else
                usb->stopStreaming();
            probe.stop();
            // What was sent reaches the log through the readers and the 100 ms flusher.
            auto *drain = new QTimer(&app);
            QElapsedTimer waited;
            waited.start();
            QObject::connect(drain, &QTimer::timeout, [&, drain, waited] {
                if (logged() >= sent() || waited.elapsed() > 20000) {
                    drain->stop();
                    drain->deleteLater();
                    app.quit();
                }
            });
            drain->start(50);
        });
        app.exec();
        sampler.stop();
        const double secs = wall.elapsed() / 1000.0;
        const quint64 s = sent();
        const quint64 l = logged();
        std::printf("%s adapter, %d frames/s for %d s, decoded column %s: sent %llu, in the log model %llu = %.3f %%\n"
                    "  GUI stalls (1 ms probe, %zu gaps): p50 %.2f ms, p99 %.2f ms, max %.1f ms\n"
                    "  RSS idle %ld KiB; at the 100 000-row cap %ld KiB (+%.1f MB); peak %ld KiB (+%.1f MB)\n"
                    "  tool CPU %.0f %% of one core%s\n",
                    serial ? "serial" : "USB", rate, seconds, decoded ? "shown" : "hidden", static_cast<unsigned long long>(s),
                    static_cast<unsigned long long>(l), s ? 100.0 * double(l) / double(s) : 0.0, gaps.size(),
                    percentile(gaps, 0.5), percentile(gaps, 0.99), percentile(gaps, 1.0), idle, atCap,
                    (atCap - idle) / 1024.0, peak, (peak - idle) / 1024.0, 100.0 * (cpuSeconds() - cpu0) / secs,
                    serial ? qPrintable(QString("; frames the adapter could not write (reader behind): %1")
                                            .arg(port.stats().streamSlipped))
                           : qPrintable(QString("; frames the adapter dropped: %1").arg(usb->stats().streamDrops)));
        std::fflush(stdout);
        ok = l == s && s > 0;
        w.on_actCom_Close_triggered();
        // What the user waits for with a full log: copy-all and the CSV export.
        QElapsedTimer t;
        t.start();
        const qsizetype copied = logText(*model).size();
        const qint64 copyMs = t.restart();
        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        QList<int> columns = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        if (decoded)
            columns << CANFrameData::DecodedColumn;
        writeCanLogCsv(csv, model->snapshot(), columns, CsvProgress(), model->decodeContext());
        std::printf("  full log (%d rows): copy-all %lld ms (%lld characters), CSV export %lld ms (%lld bytes)\n",
                    model->storedRowCount(), static_cast<long long>(copyMs), static_cast<long long>(copied),
                    static_cast<long long>(t.elapsed()), static_cast<long long>(csv.size()));
    }
    setUsbBackend(nullptr);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? atoi(argv[1]) : 60;
    if (argc > 3) {
        QApplication app(argc, argv);
        QTemporaryDir logs;
        Logger::init(logs.path(), Logger::INFO);
        DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{QMessageBox::Ok, {}}; });
        const bool serial = QByteArray(argv[2]) == "serial";
        return runScenario(app, serial, atoi(argv[3]), seconds) ? 0 : 2;
    }
    QCoreApplication app(argc, argv);
    bool ok = true;
    for (const QStringList &scenario : {QStringList{"usb", "21551"}, QStringList{"usb", "215000"},
                                        QStringList{"serial", "5760"}}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), QStringList{QString::number(seconds)} + scenario);
        child.waitForFinished(-1);
        ok = ok && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    }
    return ok ? 0 : 2;
}
