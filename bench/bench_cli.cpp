// zktool-cli's register commands against a simulated motor, as a production line runs them:
// read, write (which reads, writes and lets the motor save) and save, each as a whole
// program run. Printed per command and adapter: the median wall time of the run, the
// program's own time from opening the adapter to the answer (its JSON "elapsedMs"), and
// the least the register pacing allows (one frame per timer tick, 2 ms on the serial
// adapter, 1 ms on the USB adapter, plus the 100 ms delay before a register operation).
//
// Run from the build tree: bench/bench_cli [runs per command, default 10]

#include "simBus.h"
#include "simSerialAdapter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

struct Figure {
    double wallMs = 0;
    double programMs = 0;
    int failures = 0;
};

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

Figure measure(const QString &cli, const QStringList &args, int runs)
{
    QList<double> wall, program;
    Figure f;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(cli, args + QStringList{"--json"});
        p.waitForFinished(60000);
        wall << double(t.nsecsElapsed()) / 1e6;
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        if (p.exitCode() != 0 || !o.value("ok").toBool())
            ++f.failures;
        program << o.value("elapsedMs").toDouble();
    }
    f.wallMs = median(wall);
    f.programMs = median(program);
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const QString cli = QCoreApplication::applicationDirPath() + "/../zktool-cli";

    SimSerialAdapter sim;
    sim.bus()->addMotor({1, 0x11, 4, SimMotor::Layout::Long});
    sim.setMode(SimSerialAdapter::Adapter);
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated adapter\n");
        return 1;
    }

    struct Adapter {
        const char *name;
        QStringList args;
        int tickMs;
    };
    const Adapter adapters[] = {{"serial", {"--port", sim.slavePath()}, 2},
                                {"usb", {"--simulate", "--sim-motors", "1", "--adapter", "usb"}, 1}};
    // Ticks: a read requests RIDs 0..36 and stops on the 38th tick; a write spends one tick
    // per RID 0..35, stops on the 37th and sends the save frame 10 ms later.
    const int prepareMs = 100, readTicks = 38, writeTicks = 37, saveDelayMs = 10;
    std::printf("%-7s %-6s %10s %12s %12s %6s\n", "adapter", "cmd", "wall ms", "program ms", "pacing ms", "fails");
    for (const Adapter &a : adapters) {
        const int readPacing = prepareMs + readTicks * a.tickMs;
        const int writePacing = readPacing + prepareMs + writeTicks * a.tickMs + saveDelayMs;
        struct Row {
            const char *name;
            QStringList args;
            int pacing;
        };
        const Row rows[] = {{"read", {"read"}, readPacing},
                            {"write", {"write", "PMAX=12.5"}, writePacing},
                            {"save", {"save"}, 0}};
        double wallSum = 0, programSum = 0;
        int pacingSum = 0;
        for (const Row &r : rows) {
            const Figure f = measure(cli, a.args + QStringList{"--id", "1"} + r.args, runs);
            std::printf("%-7s %-6s %10.1f %12.1f %12d %6d\n", a.name, r.name, f.wallMs, f.programMs, r.pacing, f.failures);
            wallSum += f.wallMs;
            programSum += f.programMs;
            pacingSum += r.pacing;
        }
        std::printf("%-7s %-6s %10.1f %12.1f %12d\n", a.name, "total", wallSum, programSum, pacingSum);
    }
    sim.stop();
    return 0;
}
