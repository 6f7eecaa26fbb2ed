// Serves a simulated motor behind a simulated serial adapter (or, with --console, the
// motor's own serial console) on a pseudo-terminal. The first line of standard output
// is the slave path to open; the program runs until SIGINT or SIGTERM.

#include "simMotor.h"
#include "simSerialAdapter.h"

#include <QString>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <pthread.h>

namespace {

void usage(const char *argv0)
{
    std::fprintf(stderr,
                 "usage: %s [--console] [--id N] [--master N] [--long-layout]\n"
                 "  --console      serve the motor's serial console instead of the CAN adapter\n"
                 "  --id N         the motor's CAN ID (decimal or 0x..., default 1)\n"
                 "  --master N     the master ID it answers on (default 0)\n"
                 "  --long-layout  148-byte console parameter block instead of 128 bytes\n",
                 argv0);
}

bool parseId(const char *text, quint32 *out)
{
    bool ok = false;
    const uint v = QString::fromLocal8Bit(text).toUInt(&ok, 0);
    if (!ok || v > 0x7FF)
        return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool console = false;
    bool longLayout = false;
    quint32 id = 1, master = 0;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--console")) {
            console = true;
        } else if (!std::strcmp(a, "--long-layout")) {
            longLayout = true;
        } else if ((!std::strcmp(a, "--id") || !std::strcmp(a, "--master")) && i + 1 < argc) {
            if (!parseId(argv[++i], !std::strcmp(a, "--id") ? &id : &master)) {
                std::fprintf(stderr, "%s: invalid ID '%s' (0 to 0x7FF)\n", argv[0], argv[i]);
                return 2;
            }
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            usage(argv[0]);
            return 0;
        } else {
            std::fprintf(stderr, "%s: unknown argument '%s'\n", argv[0], a);
            usage(argv[0]);
            return 2;
        }
    }

    // Block the stop signals before the worker thread exists, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto motor = std::make_shared<SimMotor>(id, master, longLayout ? SimMotor::Layout::Long : SimMotor::Layout::Short);
    SimSerialAdapter adapter;
    adapter.addMotor(motor);
    adapter.setMode(console ? SimSerialAdapter::Console : SimSerialAdapter::Adapter);
    QString error;
    if (!adapter.start(&error)) {
        std::fprintf(stderr, "%s: cannot open a pseudo-terminal: %s\n", argv[0], qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(adapter.slavePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "serving %s, motor CAN ID 0x%02X, master ID 0x%02X, %s layout\n",
                 console ? "the motor console" : "a serial adapter", id, master, longLayout ? "148-byte" : "128-byte");

    int sig = 0;
    sigwait(&stopSignals, &sig);
    adapter.stop();
    const SimSerialAdapter::Stats s = adapter.stats();
    std::fprintf(stderr, "stopped by signal %d: %llu frames in, %llu answers out, %llu bad CRC\n", sig,
                 (unsigned long long)s.framesReceived, (unsigned long long)s.answersSent,
                 (unsigned long long)s.badCrc);
    return 0;
}
