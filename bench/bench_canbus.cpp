// The Qt CAN interface road and the recorder, in the real window:
//  1. frames/s through a Qt CAN interface (virtualcan, a bus of its own) into the receive
//     log: another client writes frames at 21 551 to 200 000 frames/s for 3 s each; how
//     many reached the log and how fast;
//  2. the recorder's write rate: rows handed over in receive-path batches, written to a
//     can-utils log file (frames/s and MB/s, until the file is closed);
//  3. a session at the full classic line rate (21 551 frames/s) for S seconds, recorded
//     by the window while it runs, then read back and compared frame for frame with what
//     was put on the bus.
// Usage: bench_canbus [session seconds (default 60)]
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "can/canLogFile.h"
#include "can/canRecorder.h"
#include "link/canbus/qtCanBusAdapter.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include "simCanBusPeer.h"

#include <QApplication>
#include <QCanBusFrame>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QCanBusFrame frameNo(quint32 i)
{
    QCanBusFrame f(0x100 + i % 0x600, QByteArray(8, char(i)));
    if (i % 5 == 0)
        f.setPayload(QByteArray(reinterpret_cast<const char *>(&i), 4));
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules("qt.canbus.plugins.virtualcan*=false");
    QTemporaryDir dir;
    Logger::init(dir.path(), Logger::INFO);
    DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{QMessageBox::Ok, {}}; });
    const int sessionSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString iface = QString("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
    probe.close();
    auto bus = std::make_shared<SimBus>();
    SimCanBusPeer peer(bus, iface);
    QString error;
    if (!peer.start(&error)) {
        std::fprintf(stderr, "virtualcan: %s\n", qPrintable(error));
        return 1;
    }
    StartupOptions o;
    o.canInterfaces.append({"virtualcan:" + iface, "bench"});
    MainWindow w(o);
    w.show();
    w.form()->tabWidget->setCurrentIndex(1);
    w.form()->comboCom_Port->setCurrentIndex(w.form()->comboCom_Port->findText("virtualcan:" + iface));
    w.form()->btn_comSwitch->click();
    if (!w.isPortOpen()) {
        std::fprintf(stderr, "the interface did not open\n");
        return 1;
    }

    // 1. Into the log, at rising rates (each for a few seconds): what the log took.
    for (const int rate : {21551, 50000, 100000, 200000}) {
        const quint32 start = w.frameSequence();
        const quint32 total = quint32(rate) * 3;
        quint32 sent = 0;
        QElapsedTimer t;
        t.start();
        QTimer pace;
        pace.setTimerType(Qt::PreciseTimer);
        QObject::connect(&pace, &QTimer::timeout, [&] {
            const quint32 due = std::min<quint32>(total, quint32(t.nsecsElapsed() / 1000 * quint64(rate) / 1000000));
            for (; sent < due; ++sent)
                peer.inject(frameNo(sent));
        });
        pace.start(2);
        waitFor([&] { return sent >= total; }, 60000);
        pace.stop();
        const double sendSeconds = t.nsecsElapsed() / 1e9;
        const bool all = waitFor([&] { return w.frameSequence() - start >= total; }, 30000);
        const double s = t.nsecsElapsed() / 1e9;
        const quint32 logged = w.frameSequence() - start;
        std::printf("road at %d frames/s asked: %u sent in %.2f s, %u in the log after %.2f s: %.0f frames/s%s\n", rate,
                    sent, sendSeconds, logged, s, logged / s, all ? "" : " (not all arrived)");
        std::fflush(stdout);
    }

    // 2. The recorder alone.
    {
        CanRecorder recorder;
        const QString path = dir.filePath("rate.log");
        recorder.start(path, "can0", &error);
        constexpr quint32 rows = 2000000;
        QElapsedTimer t;
        t.start();
        for (quint32 i = 0; i < rows;) {
            QList<CANFrameData> batch;
            for (int k = 0; k < 1000 && i < rows; ++k, ++i) {
                CanBusFrame f;
                f.id = 0x100 + i % 0x600;
                f.payload = QByteArray(i % 3 ? 8 : 64, char(i));
                f.flags = i % 3 ? 0 : CanBusFrame::FlexibleData;
                f.timestampUs = i * 46ull;
                batch.append(canLogRow(f, i));
            }
            recorder.append(batch);
            // The writer's own rate: the producer never runs a million rows ahead.
            while (i - recorder.framesWritten() > 500000)
                QThread::msleep(1);
        }
        const QString problem = recorder.stop();
        const double s = t.nsecsElapsed() / 1e9;
        std::printf("recorder: %lld frames, %.1f MB in %.2f s: %.0f frames/s, %.1f MB/s%s\n",
                    static_cast<long long>(recorder.framesWritten()), recorder.bytesWritten() / 1e6, s,
                    recorder.framesWritten() / s, recorder.bytesWritten() / 1e6 / s,
                    problem.isEmpty() ? "" : qPrintable(" (" + problem + ")"));
    }

    // 3. A session at line rate, recorded by the window.
    {
        const QString path = dir.filePath("session.log");
        if (!w.startRecording(path))
            return 1;
        constexpr int fps = 21551;
        const quint32 total = quint32(sessionSeconds) * fps;
        quint32 sent = 0;
        QElapsedTimer t;
        t.start();
        QTimer pace;
        pace.setTimerType(Qt::PreciseTimer);
        QObject::connect(&pace, &QTimer::timeout, [&] {
            const quint32 due = std::min<quint32>(total, quint32(t.nsecsElapsed() / 1000 * fps / 1000000));
            for (; sent < due; ++sent)
                peer.inject(frameNo(sent));
        });
        pace.start(5);
        waitFor([&] { return sent >= total; }, sessionSeconds * 1000 + 60000);
        pace.stop();
        const double sendSeconds = t.nsecsElapsed() / 1e9;
        waitFor([&] { return w.recorder()->framesWritten() >= qint64(total); }, 60000);
        w.stopRecording();
        CanLogReader reader;
        reader.open(path, &error);
        quint32 i = 0, mismatched = 0;
        for (CanLogRecord r; reader.next(&r); ++i) {
            const QCanBusFrame f = frameNo(i);
            if (r.direction != 'R' || r.id != f.frameId() || r.data != f.payload() || r.flags != 0)
                ++mismatched;
        }
        std::printf("session: %u frames put on the bus in %.1f s (%.0f frames/s); %u read back from the recording, "
                    "%u differ, %lld malformed lines\n",
                    sent, sendSeconds, sent / sendSeconds, i, mismatched, static_cast<long long>(reader.problemCount()));
    }
    w.form()->btn_comSwitch->click();
    return 0;
}
