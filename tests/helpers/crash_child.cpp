// Child program for tst_logger: initialises the logger into the given folder, then
// raises the fault named by the first argument. The test reads the exit code, standard
// error and the log file. Exit codes other than 1: 2 bad arguments, 3 no fault happened,
// 4 the set-up of the fault failed.
#include "log/crashTest.h"
#include "log/log.h"

#include <QApplication>
#include <QMessageBox>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr unsigned char kPaint = 0xa5;
QtMessageHandler g_previousHandler = nullptr;
QSemaphore g_lockHeld;

void printAndFlush(const char *text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

// Bytes of the current thread's alternate stack that were ever written since painting.
size_t altStackUsed()
{
    stack_t ss{};
    sigaltstack(nullptr, &ss);
    const auto *p = static_cast<const unsigned char *>(ss.ss_sp);
    size_t untouched = 0;
    while (untouched < ss.ss_size && p[untouched] == kPaint)
        ++untouched;
    return ss.ss_size - untouched;
}

void paintAltStack()
{
    stack_t ss{};
    sigaltstack(nullptr, &ss);
    std::memset(ss.ss_sp, kPaint, ss.ss_size);
}

// Lets the writer's call into Qt's debug output stand for "some code runs while the
// log mutex is held": the marker messages block or fault right there.
void lockProbeHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains("HOLD_LOG_LOCK")) {
        g_lockHeld.release();
        for (;;)
            QThread::sleep(1);
    }
    if (message.contains("FAULT_IN_LOG_LOCK"))
        CrashTest::nullWrite();
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

void printingNotifier(const QString &reason, const QString &logPath)
{
    printAndFlush(QString("NOTIFIER|%1|%2\n").arg(reason, logPath).toUtf8().constData());
}

void raiseBusError()
{
    // A shared mapping beyond the end of an empty file has no page behind it.
    char path[] = "/tmp/zk_crash_child_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        std::_Exit(4);
    unlink(path);
    void *p = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED)
        std::_Exit(4);
    static_cast<volatile char *>(p)[0] = 1;
}

void raiseDivideByZero()
{
    // Not 1 / x: the compiler turns that into a comparison without dividing.
    volatile int dividend = 7;
    volatile int zero = 0;
    volatile int result = dividend / zero;
    (void)result;
}

enum FaultStart { UnknownMode, ReturnedWithoutFault, FaultPending };

// Returns only when no fault happened on this thread (yet).
FaultStart runFault(const QByteArray &mode)
{
    if (mode == "gui-null-write" || mode == "notify-gui" || mode == "notify-coreapp") {
        CrashTest::nullWriteOnGuiThread();
    } else if (mode == "worker-null-write" || mode == "notify-worker") {
        CrashTest::nullWriteOnWorkerThread();
        return FaultPending;
    } else if (mode == "abort") {
        std::abort();
    } else if (mode == "main-overflow") {
        CrashTest::stackOverflowOnGuiThread();
    } else if (mode == "pool-overflow") {
        CrashTest::QtConcurrentInit();
        return FaultPending;
    } else if (mode == "fpe") {
        raiseDivideByZero();
    } else if (mode == "ill") {
        __builtin_trap();
    } else if (mode == "bus") {
        raiseBusError();
    } else if (mode == "other-holds-lock") {
        g_previousHandler = qInstallMessageHandler(lockProbeHandler);
        std::thread([] { Logger::warning("HOLD_LOG_LOCK", "crash_child"); }).detach();
        if (!g_lockHeld.tryAcquire(1, 10000))
            std::_Exit(4);
        CrashTest::nullWrite();
    } else if (mode == "self-holds-lock") {
        g_previousHandler = qInstallMessageHandler(lockProbeHandler);
        Logger::warning("FAULT_IN_LOG_LOCK", "crash_child");
    } else if (mode == "notify-reenter") {
        Logger::setCrashNotifier([](const QString &, const QString &) { CrashTest::nullWrite(); });
        CrashTest::nullWriteOnGuiThread();
    } else if (mode == "overflow-box") {
        // The crash box after a stack overflow on the GUI thread runs entirely on the
        // alternate stack; report how much of it the crash path and the box needed.
        paintAltStack();
        Logger::setCrashNotifier([](const QString &reason, const QString &path) {
            const size_t beforeBox = altStackUsed();
            QMessageBox box(QMessageBox::Critical, "程序崩溃",
                            QString("发生致命错误，即将退出。\n%1\n日志已保存至: %2").arg(reason, path));
            QTimer::singleShot(200, &box, &QMessageBox::accept);
            box.exec();
            const size_t afterBox = altStackUsed();
            printAndFlush(QString("ALTSTACK|%1|%2\n").arg(beforeBox).arg(afterBox).toUtf8().constData());
            printingNotifier(reason, path);
        });
        CrashTest::stackOverflowOnGuiThread();
    } else {
        return UnknownMode;
    }
    return ReturnedWithoutFault;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        printAndFlush("usage: crash_child <mode> <log dir>\n");
        return 2;
    }
    const QByteArray mode = argv[1];
    std::unique_ptr<QCoreApplication> app;
    if (mode == "notify-coreapp")
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    Logger::init(QString::fromLocal8Bit(argv[2]), Logger::DEBUG);
    if (mode.startsWith("notify-"))
        Logger::setCrashNotifier(printingNotifier);

    // From the event loop, as the diagnostics buttons do.
    QTimer::singleShot(0, app.get(), [&app, mode] {
        switch (runFault(mode)) {
        case UnknownMode:
            printAndFlush("unknown mode\n");
            app->exit(2);
            break;
        case ReturnedWithoutFault:
            app->exit(3);
            break;
        case FaultPending:
            break;
        }
    });
    // Faults on other threads end the process while the GUI thread waits here.
    QTimer::singleShot(20000, app.get(), [&app] { app->exit(3); });
    return app->exec();
}
