// Start-up to a mapped window: starts a program again and again on the X display this
// benchmark runs under and times each start from the launch until the program's first
// window is mapped (the window manager-free display of Xvfb maps it as soon as the
// program shows it), then ends the program. Prints every run, the median, the spread and
// the program's CPU seconds up to the map. Any other program can be timed the same way.
//
// Usage: xvfb-run -a build/bench/bench_startup [--runs 10] [--] [program args...]
//   (default: this build's zktool)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "xProbe.h" // last: Xlib's macros

extern char **environ;

namespace {

double procCpuSeconds(pid_t pid)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    return fields.size() < 13 ? -1 : (fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 10;
    QStringList command;
    const QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == "--runs" && i + 1 < a.size())
            runs = std::max(1, a[++i].toInt());
        else if (a[i] == "--")
            command = a.mid(i + 1), i = int(a.size());
        else
            command = a.mid(i), i = int(a.size());
    }
    if (command.isEmpty())
        command << QCoreApplication::applicationDirPath() + "/../zktool";
    XProbe x;
    if (!x.ok()) {
        std::fprintf(stderr, "no X display: run under xvfb-run -a\n");
        return 2;
    }
    QFile load("/proc/loadavg");
    load.open(QIODevice::ReadOnly);
    std::printf("%s: %d runs, load average %s\n", qPrintable(command.join(' ')), runs,
                qPrintable(QString::fromLatin1(load.readAll()).section(' ', 0, 2)));

    std::vector<QByteArray> storage;
    for (const QString &s : command)
        storage.push_back(s.toLocal8Bit());
    std::vector<char *> args;
    for (QByteArray &s : storage)
        args.push_back(s.data());
    args.push_back(nullptr);

    std::vector<double> times, cpus;
    for (int run = 0; run < runs; ++run) {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        QElapsedTimer t;
        t.start();
        pid_t pid = 0;
        if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", args[0]);
            return 1;
        }
        posix_spawn_file_actions_destroy(&fa);
        const Window w = x.waitForMappedWindow(pid, 20000);
        const double ms = t.nsecsElapsed() / 1e6;
        const double cpu = procCpuSeconds(pid);
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!w) {
            std::printf("run %d: no window within 20 s\n", run + 1);
            continue;
        }
        times.push_back(ms);
        cpus.push_back(cpu);
        std::printf("run %d: mapped after %.0f ms (CPU %.2f s)\n", run + 1, ms, cpu);
        std::fflush(stdout);
        usleep(300000);
    }
    if (times.empty())
        return 1;
    std::printf("median %.0f ms, min %.0f, max %.0f; CPU median %.2f s\n", median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                median(cpus));
    return 0;
}
