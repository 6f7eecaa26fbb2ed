// The motor dialogue of the main window under load.
//
// 1. Feedback decoding and dispatch: a worker thread hands feedback frames to
//    MainWindow::parseCANReceiveFrame (as the receive task does) while the GUI thread
//    takes the queued label updates; frames per second on the worker and end to end.
// 2. Periodic MIT commands at 1 ms for 10 s against the simulated motor served by the
//    zkmotor program (another process, so that the CPU figure is the tool's alone):
//    frames sent, feedback frames decoded, their ratio, and the tool's CPU share.
//
// Run from the build tree: bench/bench_motorlink [seconds]

#include "benchProcess.h"
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "procedures/customCDC.h"
#include "link/serial/protocolFormat.h"
#include "log/log.h"
#include "widgets/dialogService.h"

#include "simCodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Runs the event loop for `ms` without spinning, so that the CPU figure is the tool's.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void decodeAndDispatch()
{
    MainWindow w;
    w.form()->masteridEdit->setText("11");
    QCoreApplication::processEvents();

    // Feedback of a motor moving through its range, on master ID 0x11 from motor 0x01.
    const int n = 200000;
    std::vector<CAN_Frame> frames(n);
    for (int i = 0; i < n; ++i) {
        SimFeedback fb;
        fb.state = 1;
        fb.idNibble = 1;
        fb.position = float(std::sin(i * 1e-3) * 10.0);
        fb.velocity = float(std::cos(i * 1e-3) * 20.0);
        fb.torque = float((i % 200) / 20.0 - 5.0);
        fb.driverTemp = qint8(30 + (i / 5000) % 3);
        fb.motorTemp = qint8(28 + (i / 7000) % 3);
        const QByteArray d = SimCodec::feedbackPayload(fb, SimRanges());
        CAN_Frame &f = frames[size_t(i)];
        f.head = 0xAA;
        f.code = 0x11;
        f.info = 8;
        f.id = 0x11;
        std::memcpy(f.data, d.constData(), 8);
        f.tail = 0x55;
    }

    std::atomic_bool done{false};
    double workerSeconds = 0;
    QElapsedTimer wall;
    wall.start();
    std::thread worker([&] {
        QElapsedTimer t;
        t.start();
        for (const CAN_Frame &f : frames)
            w.parseCANReceiveFrame(f, w.link()->escInf);
        workerSeconds = t.nsecsElapsed() / 1e9;
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    QCoreApplication::processEvents(); // the last queued label updates
    const double total = wall.nsecsElapsed() / 1e9;
    std::printf("feedback decode + dispatch (receive thread): %.0f frames/s\n", n / workerSeconds);
    std::printf("feedback decode + dispatch + GUI updates:    %.0f frames/s (%d frames in %.2f s)\n", n / total, n,
                total);
    std::printf("  decoded: %llu, state label: %s\n", (unsigned long long)w.feedbackFrameCount(),
                qPrintable(w.form()->motorStateLabel->text()));
}

void periodicAgainstSimulator(int seconds)
{
    const QString zkmotor = QCoreApplication::applicationDirPath() + "/../zkmotor";
    QProcess sim;
    sim.start(zkmotor, {"--id", "1", "--master", "0x11", "--long-layout"});
    if (!sim.waitForStarted(3000) || !sim.waitForReadyRead(3000)) {
        std::printf("periodic run skipped: cannot start %s\n", qPrintable(zkmotor));
        return;
    }
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();

    StartupOptions o;
    o.port = path;
    MainWindow w(o);
    Ui_MainWindow *ui = w.form();
    ui->masteridEdit->setText("11");
    ui->btn_comSwitch->click();
    if (!w.isPortOpen()) {
        std::printf("periodic run skipped: cannot open %s\n", qPrintable(path));
        return;
    }
    ui->btn_motorMode->click();
    spin(300);
    ui->POSEdit->setText("3");
    ui->KPEdit->setText("20");
    ui->KDEdit->setText("1");
    ui->periodicSend->setChecked(true);
    ui->sendIntervalEdit_2->setText("1");

    const quint32 txBefore = w.txFrameCount();
    const quint64 fbBefore = w.feedbackFrameCount();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    ui->btn_canDebugSend->click();
    spin(seconds * 1000);
    ui->btn_canDebugSend->click(); // stop
    const double elapsed = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    spin(300); // the answers still on their way
    const quint64 sent = w.txFrameCount() - txBefore;
    const quint64 decoded = w.feedbackFrameCount() - fbBefore;

    std::printf("periodic MIT at 1 ms for %d s through the serial adapter:\n", seconds);
    std::printf("  frames sent: %llu (%.0f/s), feedback decoded: %llu, sent/decoded: %.4f, lost: %lld\n",
                (unsigned long long)sent, sent / elapsed, (unsigned long long)decoded,
                decoded ? double(sent) / double(decoded) : 0.0, (long long)sent - (long long)decoded);
    std::printf("  tool CPU: %.2f s in %.2f s = %.1f %% of one core (%d cores)\n", cpu, elapsed, 100.0 * cpu / elapsed,
                QThread::idealThreadCount());
    ui->btn_comSwitch->click();
    sim.terminate();
    sim.waitForFinished(3000);
    const QByteArray report = sim.readAllStandardError().trimmed();
    std::printf("  simulator: %s\n", report.split('\n').last().constData());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir logs;
    Logger::init(logs.path(), Logger::WARNING);
    // No box may wait for a user here.
    DialogService::setHandler([](const DialogService::Request &r) {
        std::printf("  (box: %s)\n", qPrintable(r.text));
        DialogService::Reply reply;
        reply.result = QMessageBox::Ok;
        return reply;
    });
    const int seconds = argc > 1 ? qMax(1, atoi(argv[1])) : 10;
    decodeAndDispatch();
    periodicAgainstSimulator(seconds);
    return 0;
}
