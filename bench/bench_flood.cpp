// Floods the window three ways and prints, for each, the memory before, at the end of
// the flood and after it stopped (it should stay flat), and the GUI thread's longest
// stall while it lasted:
//  1. console text into the serial terminal (the simulated motor console writing as fast
//     as the pseudo-terminal takes it);
//  2. an assistant program that writes without end: text without a sentence mark,
//     sentences, and standard error (also the bytes it put into the log);
//  3. receive frames beyond what the dispatcher decodes (the simulated adapter streaming
//     as fast as the reader takes them), then closing the port.
// Usage: QT_QPA_PLATFORM=offscreen build/bench/bench_flood [seconds per flood (default 10)]
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "chat/ui/zkChat.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"
#include "widgets/terminalOutput.h"

#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <atomic>
#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <functional>
#include <thread>

namespace {

long statusKiB(const char *key)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}
long rssMiB() { return statusKiB("VmRSS:") / 1024; }

// Runs the event loop for ms milliseconds and returns the longest gap between two
// turns of a 5 ms timer beyond its period: how long the GUI thread did not answer.
qint64 runAndWatch(int ms)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last - 5);
        last = now;
    });
    tick.start(5);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return worst;
}

// Memory at the start, half way and at the end of a flood, and after it: bounded means
// the second half adds nothing.
struct Rss {
    long before = 0, half = 0, end = 0;
};

// Runs the flood for ms milliseconds, sampling the memory half way.
qint64 flood(int ms, Rss &rss)
{
    rss.before = rssMiB();
    const qint64 first = runAndWatch(ms / 2);
    rss.half = rssMiB();
    const qint64 second = runAndWatch(ms - ms / 2);
    rss.end = rssMiB();
    return std::max(first, second);
}

void report(const char *what, const Rss &rss, long after, qint64 stall, const QString &extra)
{
    std::printf("%-36s RSS MiB: %4ld before, %4ld half way, %4ld at the end, %4ld after; longest GUI stall %lld ms%s%s\n",
                what, rss.before, rss.half, rss.end, after, static_cast<long long>(stall), extra.isEmpty() ? "" : "; ",
                qPrintable(extra));
    std::fflush(stdout);
}

qint64 logSize() { return QFileInfo(Logger::logFilePath()).size(); }

void consoleFlood(int seconds)
{
    SimSerialAdapter sim;
    sim.setMode(SimSerialAdapter::Console);
    sim.setHeartbeatEnabled(false);
    sim.addMotor(std::make_shared<SimMotor>(1, 0x11));
    if (!sim.start())
        return;
    StartupOptions o;
    o.port = sim.slavePath();
    MainWindow w(o);
    w.show();
    w.form()->sw_btn_canUart->setChecked(false);
    if (!w.on_actCom_Open_triggered())
        return;
    runAndWatch(300);
    Rss rss;
    std::atomic_bool run{true};
    std::atomic<quint64> injected{0};
    std::thread writer([&] {
        QByteArray line = "motor 1: position 0.123456 velocity -1.234567 torque 0.012345 temperature 31 C\r\n";
        QByteArray block;
        while (block.size() < 16384)
            block += line;
        while (run) {
            // The simulator keeps what it has not written yet; stay a little ahead of it.
            if (injected - sim.stats().bytesWritten > 256 * 1024) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            sim.injectBytes(block);
            injected += quint64(block.size());
        }
    });
    const qint64 stall = flood(seconds * 1000, rss);
    const qint64 unread = w.port()->bytesAvailable();
    run = false;
    writer.join();
    runAndWatch(500);
    w.updateFPS();
    const QLabel *drops = w.findChild<QLabel *>("rxDropLabel");
    report("1. console text into the terminal", rss, rssMiB(), stall,
           QString("%1 MB/s, terminal %2 lines, %3 KB unread at the end; status bar: \"%4\"")
               .arg(double(sim.stats().bytesWritten) / seconds / 1e6, 0, 'f', 1)
               .arg(w.form()->comOutput->blockCount())
               .arg(unread / 1024)
               .arg(drops && drops->isVisibleTo(&w) ? drops->text() : QString()));
    w.on_actCom_Close_triggered();
}

void assistantFlood(int seconds, const char *name, const QByteArray &script, const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QString("flood_%1.sh").arg(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write("#!/bin/sh\n" + script + "\n");
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeOwner);
    qputenv(ZKChat::kProgramEnv, path.toLocal8Bit());
    const qint64 log0 = logSize();
    qint64 stall = 0;
    Rss rss;
    {
        MainWindow w;
        w.show();
        w.on_zkChatShow();
        stall = flood(seconds * 1000, rss);
        w.chatWindow()->stopProcess();
        runAndWatch(300);
    }
    runAndWatch(300);
    report(qPrintable(QString("2. assistant: %1").arg(name)), rss, rssMiB(), stall,
           QString("log +%1 KB").arg((logSize() - log0) / 1024));
}

void frameFlood(int seconds)
{
    SimSerialAdapter sim;
    sim.setMode(SimSerialAdapter::Adapter);
    sim.setHeartbeatEnabled(false);
    if (!sim.start())
        return;
    StartupOptions o;
    o.port = sim.slavePath();
    MainWindow w(o);
    w.show();
    if (!w.on_actCom_Open_triggered())
        return;
    runAndWatch(300);
    Rss rss;
    const quint32 rx0 = w.frameSequence();
    sim.startStreaming(0);
    const qint64 stall = flood(seconds * 1000, rss);
    const quint64 sent = sim.streamedFrames();
    QElapsedTimer closing;
    closing.start();
    w.on_actCom_Close_triggered();
    const qint64 closeMs = closing.elapsed();
    sim.stopStreaming();
    const quint32 logged = w.frameSequence() - rx0;
    runAndWatch(500);
    w.updateFPS();
    const QLabel *drops = w.findChild<QLabel *>("rxDropLabel");
    report("3. receive frames, then close", rss, rssMiB(), stall,
           QString("%1 frames/s sent, %2 decoded, close took %3 ms; status bar: \"%4\"")
               .arg(quint64(double(sent) / seconds))
               .arg(logged)
               .arg(closeMs)
               .arg(drops ? drops->text() : QString()));
}

} // namespace

int main(int argc, char **argv)
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024); // as the tool's main() does
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    QTemporaryDir dir;
    Logger::init(dir.filePath("logs"), Logger::INFO);
    DialogService::setHandler([](const DialogService::Request &) { return DialogService::Reply{QMessageBox::Ok, {}, }; });
    std::printf("floods of %d s each; peak RSS so far %ld MiB\n", seconds, statusKiB("VmHWM:") / 1024);

    consoleFlood(seconds);
    assistantFlood(seconds, "text without an end", "exec tr '\\0' a < /dev/zero", dir);
    assistantFlood(seconds, "sentences", "yes 'hello there, this is the assistant!' | tr -d '\\n'", dir);
    assistantFlood(seconds, "standard error", "exec yes 'a diagnostic line the assistant writes again and again' 1>&2",
                   dir);
    frameFlood(seconds);
    std::printf("peak RSS %ld MiB\n", statusKiB("VmHWM:") / 1024);
    return 0;
}
