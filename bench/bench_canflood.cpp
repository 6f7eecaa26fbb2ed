// A flood of frames into a receiving program over a virtual CAN bus of this benchmark's
// own (the virtualcan protocol on a free local port, never the plugin's default): the
// benchmark is the bus, writing frames at a fixed rate for some seconds whether the
// receiver keeps up or not, and watches the receiver from outside:
//  - frames in and lost, from the counts the receiver prints (zktool --print-counts; any
//    program whose output matches --count-regex);
//  - lag: how long after the sender stopped the receiver's log reached its last count
//    (without counts: until the receiver's CPU went idle);
//  - CPU seconds of the receiver from the start of the flood until then;
//  - resident memory two seconds later;
//  - a GUI probe: during the flood, a click on a menu title of the receiver's window every
//    quarter second, and the time until the menu's popup is mapped (X display only; run
//    under xvfb-run -a). Median, 99th percentile and maximum.
// Any other receiver command can be measured beside ours (--peer), interleaved run by run.
//
// Usage: xvfb-run -a build/bench/bench_canflood [--rates 10000,200000] [--seconds 10]
//          [--runs 1] [--receiver CMD] [--peer CMD] [--count-regex RE] [--menu-at X,Y]
//   CMD is split like a shell line; {iface} becomes tcp://127.0.0.1:PORT/can0 and {port}
//   the port. The default receiver is this build's zktool on the CAN tab.
#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "xProbe.h" // last: Xlib's macros

namespace {

QElapsedTimer g_clock; // one time base for every thread

double procCpuSeconds(qint64 pid)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// CPU seconds per thread name (threads of one name added up).
QMap<QString, double> threadCpuSeconds(qint64 pid)
{
    QMap<QString, double> out;
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + "/stat"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray s = f.readAll();
        const int open = s.indexOf('('), close = s.lastIndexOf(')');
        const QList<QByteArray> fields = s.mid(close + 2).split(' ');
        if (open < 0 || fields.size() < 13)
            continue;
        out[QString::fromUtf8(s.mid(open + 1, close - open - 1))] +=
            (fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }
    return out;
}

QString threadCpuText(const QMap<QString, double> &before, const QMap<QString, double> &after)
{
    QStringList parts;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (const double d = it.value() - before.value(it.key()); d >= 0.05)
            parts << QString("%1 %2").arg(it.key()).arg(d, 0, 'f', 2);
    return parts.join(", ");
}

double procRssMB(qint64 pid)
{
    QFile f(QString("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024.0;
    return -1;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10), QThread::msleep(2);
}

// The bus: one listening socket, the receiver connects to it as a virtualcan client.
class Bus
{
public:
    ~Bus()
    {
        if (m_client >= 0)
            ::close(m_client);
        if (m_listen >= 0)
            ::close(m_listen);
    }
    quint16 listen()
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(m_listen, reinterpret_cast<sockaddr *>(&a), len) != 0 || ::listen(m_listen, 4) != 0
            || getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return 0;
        return ntohs(a.sin_port);
    }
    bool accept(int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            pollfd p{m_listen, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                m_client = ::accept(m_listen, nullptr, nullptr);
                const int one = 1;
                setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                return m_client >= 0;
            }
            QCoreApplication::processEvents();
        }
        return false;
    }

    // Writes `rate` frames a second for `seconds`, as lines of the virtualcan protocol, at
    // the bus's pace: what the receiver has not taken yet waits here, the pace goes on.
    void flood(int rate, int seconds)
    {
        const quint64 total = quint64(rate) * quint64(seconds);
        QByteArray pending;
        const qint64 start = g_clock.nsecsElapsed();
        char line[64];
        char sink[4096];
        quint64 made = 0;
        for (;;) {
            const qint64 now = g_clock.nsecsElapsed();
            const quint64 due = std::min(total, quint64(now - start) * quint64(rate) / 1000000000ull);
            for (; made < due; ++made) {
                const int n = std::snprintf(line, sizeof line, "%u##%016llX\n", unsigned(0x100 + made % 0x600),
                                            static_cast<unsigned long long>(made));
                pending.append(line, n);
            }
            sent = made;
            if (made == total && stopNs == 0)
                stopNs = now;
            maxBacklog = std::max<qint64>(maxBacklog, pending.size());
            while (!pending.isEmpty()) {
                const ssize_t w = ::send(m_client, pending.constData(), size_t(pending.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
                if (w <= 0)
                    break;
                pending.remove(0, qsizetype(w));
            }
            while (recv(m_client, sink, sizeof sink, MSG_DONTWAIT) > 0) {
            }
            if (made == total && pending.isEmpty())
                break;
            pollfd p{m_client, short(pending.isEmpty() ? 0 : POLLOUT), 0};
            poll(&p, 1, 1);
        }
        flushedNs = g_clock.nsecsElapsed();
        done = true;
    }

    std::atomic<quint64> sent{0};
    std::atomic<qint64> stopNs{0};    // the last frame was due
    std::atomic<qint64> flushedNs{0}; // the receiver's socket took the last byte
    std::atomic<bool> done{false};
    qint64 maxBacklog = 0;

private:
    int m_listen = -1;
    int m_client = -1;
};

struct Options {
    QList<int> rates{10000, 200000};
    int seconds = 10;
    int runs = 1;
    QStringList receivers;
    QRegularExpression countRe{"log=(\\d+)"};
    int menuX = 20, menuY = 10;
};

struct Sample {
    qint64 ns;
    quint64 count;
    double cpu;
};

void runOnce(const Options &o, const QString &command, int rate)
{
    Bus bus;
    const quint16 port = bus.listen();
    const QString iface = QString("tcp://127.0.0.1:%1/can0").arg(port);
    QStringList args = QProcess::splitCommand(command);
    for (QString &a : args)
        a.replace("{iface}", iface).replace("{port}", QString::number(port));
    const QString name = QFileInfo(args.value(0)).fileName();

    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    std::unique_ptr<XProbe> x(display ? new XProbe : nullptr);
    QProcess receiver;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    receiver.setProcessEnvironment(env);
    receiver.setProcessChannelMode(QProcess::SeparateChannels);
    receiver.setStandardErrorFile(QProcess::nullDevice());
    std::vector<Sample> samples;
    QObject::connect(&receiver, &QProcess::readyReadStandardOutput, [&] {
        while (receiver.canReadLine()) {
            const QString line = QString::fromLocal8Bit(receiver.readLine());
            const auto m = o.countRe.match(line);
            if (m.hasMatch())
                samples.push_back({g_clock.nsecsElapsed(), m.captured(1).toULongLong(), procCpuSeconds(receiver.processId())});
        }
    });
    receiver.start(args.takeFirst(), args);
    if (!receiver.waitForStarted(10000)) {
        std::printf("[%s] did not start: %s\n", qPrintable(name), qPrintable(receiver.errorString()));
        return;
    }
    const qint64 pid = receiver.processId();
    if (!bus.accept(30000)) {
        std::printf("[%s] never connected to %s\n", qPrintable(name), qPrintable(iface));
        receiver.kill();
        receiver.waitForFinished();
        return;
    }
    Window window = x && x->ok() ? x->waitForMappedWindow(pid, 15000) : 0;
    pump(1500);
    const double idleMenu = window ? x->menuOpenMs(window, o.menuX, o.menuY, 5000) : -1;
    pump(500);

    const double cpu0 = procCpuSeconds(pid);
    const QMap<QString, double> threads0 = threadCpuSeconds(pid);
    const quint64 count0 = samples.empty() ? 0 : samples.back().count;
    const qint64 start = g_clock.nsecsElapsed();
    std::thread sender([&] { bus.flood(rate, o.seconds); });
    std::vector<double> menu;
    int menuMissed = 0;
    std::thread prober([&] {
        while (window && bus.stopNs == 0) {
            const double ms = x->menuOpenMs(window, o.menuX, o.menuY, 5000);
            if (ms < 0)
                ++menuMissed;
            else
                menu.push_back(ms);
            QThread::msleep(250);
        }
    });
    while (!bus.done)
        pump(20);
    sender.join();
    prober.join();

    // Caught up: the expected count, or nothing new for 3 s (then what came is all that
    // will). Receivers without counts: the first half second after the stop in which they
    // used under 2 % of a core.
    const quint64 sent = bus.sent;
    const qint64 stop = bus.stopNs;
    qint64 idleAt = 0;
    double idleCpu = -1;
    for (double lastCpu = procCpuSeconds(pid); g_clock.nsecsElapsed() - stop < 60e9;) {
        pump(500);
        const double cpu = procCpuSeconds(pid);
        const bool all = !samples.empty() && samples.back().count - count0 >= sent;
        const bool still = !samples.empty() && g_clock.nsecsElapsed() - samples.back().ns > 3e9;
        if (idleAt == 0 && cpu - lastCpu < 0.01) {
            idleAt = g_clock.nsecsElapsed() - 500000000;
            idleCpu = lastCpu;
        }
        lastCpu = cpu;
        if (all || (still && idleAt) || (samples.empty() && idleAt))
            break;
    }
    const QString threads = threadCpuText(threads0, threadCpuSeconds(pid));
    pump(2000);
    const double rss = procRssMB(pid);

    QString in = "in ?", lag, cpu;
    if (!samples.empty()) {
        const Sample &last = samples.back();
        const quint64 got = last.count - count0;
        in = QString("in %1, lost %2").arg(got).arg(qint64(sent) - qint64(got));
        lag = QString("log caught up %1 s after the sender stopped").arg(std::max<qint64>(0, last.ns - stop) / 1e9, 0, 'f', 2);
        cpu = QString("CPU %1 s").arg(last.cpu - cpu0, 0, 'f', 2);
    } else {
        lag = QString("went idle %1 s after the sender stopped").arg(std::max<qint64>(0, idleAt - stop) / 1e9, 0, 'f', 2);
        cpu = QString("CPU %1 s").arg(idleCpu - cpu0, 0, 'f', 2);
    }
    QString probe = "menu probe: no X display";
    if (x && x->ok() && !x->canClick())
        probe = "menu probe: no XTEST";
    else if (x && x->ok() && !window)
        probe = "menu probe: no window mapped";
    else if (window)
        probe = QString("menu open during the flood p50 %1 / p99 %2 / max %3 ms (n=%4, %5 missed), idle %6 ms")
                    .arg(percentile(menu, 0.5), 0, 'f', 1)
                    .arg(percentile(menu, 0.99), 0, 'f', 1)
                    .arg(menu.empty() ? -1 : *std::max_element(menu.begin(), menu.end()), 0, 'f', 1)
                    .arg(menu.size())
                    .arg(menuMissed)
                    .arg(idleMenu, 0, 'f', 1);
    std::printf("[%s] %d frames/s for %d s (sent in %.2f s, bus backlog up to %.1f MB): sent %llu, %s; %s; %s; "
                "RSS %.1f MB; %s\n    CPU by thread: %s\n",
                qPrintable(name), rate, o.seconds, (stop - start) / 1e9, bus.maxBacklog / 1e6,
                static_cast<unsigned long long>(sent), qPrintable(in), qPrintable(lag), qPrintable(cpu), rss,
                qPrintable(probe), qPrintable(threads));
    std::fflush(stdout);
    receiver.terminate();
    if (!receiver.waitForFinished(5000)) {
        receiver.kill();
        receiver.waitForFinished();
    }
}

QString loadText()
{
    QFile f("/proc/loadavg");
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(' ', 0, 2) : QString("?");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    signal(SIGPIPE, SIG_IGN);
    g_clock.start();
    Options o;
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); i += 2) {
        const QString &k = a[i], &v = a[i + 1];
        if (k == "--rates") {
            o.rates.clear();
            for (const QString &r : v.split(','))
                if (r.toInt() > 0)
                    o.rates << r.toInt();
        } else if (k == "--seconds") {
            o.seconds = std::max(1, v.toInt());
        } else if (k == "--runs") {
            o.runs = std::max(1, v.toInt());
        } else if (k == "--receiver" || k == "--peer") {
            o.receivers << v;
        } else if (k == "--count-regex") {
            o.countRe.setPattern(v);
        } else if (k == "--menu-at") {
            o.menuX = v.section(',', 0, 0).toInt();
            o.menuY = v.section(',', 1, 1).toInt();
        } else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(k));
            return 2;
        }
    }
    if (!a.mid(1).join(' ').contains("--receiver"))
        o.receivers.prepend(QCoreApplication::applicationDirPath()
                            + "/../zktool --port canbus:virtualcan:{iface} --open --tab 1 --print-counts 50");
    for (int rate : o.rates)
        for (int run = 0; run < o.runs; ++run)
            for (const QString &r : o.receivers) {
                std::printf("load average %s\n", qPrintable(loadText()));
                runOnce(o, r, rate);
            }
    return 0;
}
