// Serves simulated motors behind a simulated serial adapter (or, with --console, the
// first motor's own serial console) on a pseudo-terminal. The first line of standard
// output is the slave path to open; the program runs until SIGINT or SIGTERM.

#include "simBus.h"
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
                 "usage: %s [--console] [--long-layout] [--id N [--master N] [--can-br N]]...\n"
                 "  --console      serve the first motor's serial console instead of the CAN adapter\n"
                 "  --id N         a motor with this CAN ID (decimal or 0x...); repeat for several\n"
                 "                 motors on one bus (default: one motor, ID 1)\n"
                 "  --master N     the master ID the motor named last answers on (default 0)\n"
                 "  --can-br N     that motor's can_br code, 0 (125K) to 9 (5M) (default 4, 1M)\n"
                 "  --long-layout  148-byte console parameter block instead of 128 bytes\n",
                 argv0);
}

bool parseNumber(const char *text, uint max, quint32 *out)
{
    bool ok = false;
    const uint v = QString::fromLocal8Bit(text).toUInt(&ok, 0);
    if (!ok || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool console = false;
    bool longLayout = false;
    QList<SimBus::MotorSetup> setups;
    auto current = [&setups]() -> SimBus::MotorSetup & {
        if (setups.isEmpty())
            setups.append(SimBus::MotorSetup());
        return setups.last();
    };
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "--console")) {
            console = true;
        } else if (!std::strcmp(a, "--long-layout")) {
            longLayout = true;
        } else if ((!std::strcmp(a, "--id") || !std::strcmp(a, "--master")) && i + 1 < argc) {
            quint32 v = 0;
            if (!parseNumber(argv[++i], 0x7FF, &v)) {
                std::fprintf(stderr, "%s: invalid ID '%s' (0 to 0x7FF)\n", argv[0], argv[i]);
                return 2;
            }
            if (!std::strcmp(a, "--id")) {
                setups.append(SimBus::MotorSetup());
                setups.last().canId = v;
            } else {
                current().masterId = v;
            }
        } else if (!std::strcmp(a, "--can-br") && i + 1 < argc) {
            quint32 v = 0;
            if (!parseNumber(argv[++i], 9, &v)) {
                std::fprintf(stderr, "%s: invalid can_br code '%s' (0 to 9)\n", argv[0], argv[i]);
                return 2;
            }
            current().canBr = int(v);
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            usage(argv[0]);
            return 0;
        } else {
            std::fprintf(stderr, "%s: unknown argument '%s'\n", argv[0], a);
            usage(argv[0]);
            return 2;
        }
    }
    current(); // one motor, ID 1, when none was named
    for (SimBus::MotorSetup &s : setups)
        s.layout = longLayout ? SimMotor::Layout::Long : SimMotor::Layout::Short;

    // Block the stop signals before the worker thread exists, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    SimSerialAdapter adapter;
    for (const SimBus::MotorSetup &s : setups)
        adapter.bus()->addMotor(s);
    adapter.setMode(console ? SimSerialAdapter::Console : SimSerialAdapter::Adapter);
    QString error;
    if (!adapter.start(&error)) {
        std::fprintf(stderr, "%s: cannot open a pseudo-terminal: %s\n", argv[0], qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(adapter.slavePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "serving %s, %s, %s layout\n", console ? "the first motor's console" : "a serial adapter",
                 qPrintable(adapter.bus()->describe()), longLayout ? "148-byte" : "128-byte");

    int sig = 0;
    sigwait(&stopSignals, &sig);
    adapter.stop();
    const SimSerialAdapter::Stats s = adapter.stats();
    std::fprintf(stderr, "stopped by signal %d: %llu frames in, %llu answers out, %llu bad CRC\n", sig,
                 (unsigned long long)s.framesReceived, (unsigned long long)s.answersSent,
                 (unsigned long long)s.badCrc);
    return 0;
}
