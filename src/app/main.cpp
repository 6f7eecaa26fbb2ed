#include "app/mainwindow.h"
#include "can/canFrameModel.h"
#include "link/usb/libusb/libusbBackend.h"
#include "log/log.h"
#include "widgets/dialogService.h"
#include "widgets/toolTipFilter.h"
#include "zkVersion.h"

#include "simRegistry.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cstdio>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Saves a picture of the window once it has really painted, then ends the program.
class ScreenshotTaker : public QObject
{
public:
    ScreenshotTaker(QWidget *window, QString path, QElapsedTimer *sinceStart, int delayMs)
        : m_window(window), m_path(std::move(path)), m_sinceStart(sinceStart), m_delayMs(delayMs)
    {
        window->installEventFilter(this);
        // A window that never paints (no display) must not keep the program alive.
        QTimer::singleShot(15000, this, [this] { finish("no paint event within 15 s"); });
    }

protected:
    bool eventFilter(QObject *obj, QEvent *event) override
    {
        if (obj == m_window && event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            std::printf("first paint after %lld ms\n", static_cast<long long>(m_sinceStart->elapsed()));
            std::fflush(stdout);
            // Let the rest of this paint cycle (children, status bar) finish first.
            QTimer::singleShot(300 + m_delayMs, this, [this] { finish(QString()); });
        }
        return false;
    }

private:
    void finish(const QString &problem)
    {
        if (m_done)
            return;
        m_done = true;
        int code = 0;
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "screenshot: %s\n", qPrintable(problem));
            code = 2;
        } else if (!m_window->grab().save(m_path)) {
            std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(m_path));
            code = 2;
        } else {
            std::printf("screenshot saved to %s\n", qPrintable(m_path));
        }
        // Other windows open beside the main one: <file>-<window name>.png
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (code != 0 || w == m_window || !w->isVisible() || w->objectName().isEmpty())
                continue;
            QString other = m_path;
            other.insert(other.lastIndexOf('.') > 0 ? other.lastIndexOf('.') : other.size(), "-" + w->objectName());
            if (w->grab().save(other))
                std::printf("screenshot saved to %s\n", qPrintable(other));
        }
        std::fflush(stdout);
        QCoreApplication::exit(code);
    }

    QWidget *m_window;
    QString m_path;
    QElapsedTimer *m_sinceStart;
    int m_delayMs = 0;
    bool m_painted = false;
    bool m_done = false;
};

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption screenshotOpt{"screenshot", "Show the main window, save a picture of it to <file>, exit.", "file"};
    QCommandLineOption simulateOpt{"simulate",
                                   "Offer simulated ports: a serial adapter with three motors behind it, and a motor console."};
    QCommandLineOption portOpt{"port", "Select the serial port at <path> (also pseudo-terminals).", "path"};
    QCommandLineOption openOpt{"open", "Open the selected port at start-up."};
    QCommandLineOption langOpt{"language", "Start in <code> (en_US or zh_CN).", "code"};
    QCommandLineOption diagOpt{"diagnostics", "Show the fault-injection tab."};
    QCommandLineOption tabOpt{"tab", "Show tab <index> first.", "index"};
    QCommandLineOption sizeOpt{"size", "Open the window at <width>x<height> pixels (e.g. 1024x680).", "size"};
    QCommandLineOption delayOpt{"screenshot-delay", "Wait <ms> more before the screenshot.", "ms"};
    QCommandLineOption floodOpt{"flood",
                                "With --simulate: open the simulated USB CAN FD adapter and flood its bus "
                                "with <frames/s> received and transmitted frames.",
                                "frames/s"};
    QCommandLineOption busLoadOpt{"bus-load", "Open the bus-load window at start-up."};
    QCommandLineOption countsOpt{"print-counts",
                                 "Print the received frames and the rows the receive log took to standard output, "
                                 "checked every <ms> and printed when they changed (for scripts and benchmarks).",
                                 "ms"};

    CommandLine()
    {
        parser.setApplicationDescription("CAN-bus servo motor commissioning and debugging tool");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({screenshotOpt, simulateOpt, portOpt, openOpt, langOpt, diagOpt, tabOpt, sizeOpt, delayOpt,
                           floodOpt, busLoadOpt, countsOpt});
    }
};

// Help and version are plain text: they are answered before the GUI starts, so that
// they work without a display.
bool asksForTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version")
            return true;
    }
    return false;
}

void setApplicationNames()
{
    QCoreApplication::setApplicationName("zktool");
    QCoreApplication::setApplicationVersion(ZK_VERSION);
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Without TZ the C library looks at /etc/localtime again on every local-time call,
    // and some CAN plugins make one per received frame. Set before any thread starts.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
#ifdef __GLIBC__
    // Received chunks and terminal batches of a flood are large buffers handed from one
    // thread to another. With the allocator's sliding threshold they end up in arenas
    // that grow for minutes; a fixed threshold gives each back when it is freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif

    if (asksForTextOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        setApplicationNames();
        CommandLine cl;
        cl.parser.process(core); // prints and exits
        return 0;
    }

    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QT_WARNING_POP
    QApplication app(argc, argv);
    setApplicationNames();

    CommandLine cl;
    QCommandLineParser &parser = cl.parser;
    const QCommandLineOption &screenshotOpt = cl.screenshotOpt, &simulateOpt = cl.simulateOpt, &portOpt = cl.portOpt,
                             &openOpt = cl.openOpt, &langOpt = cl.langOpt, &diagOpt = cl.diagOpt, &tabOpt = cl.tabOpt,
                             &delayOpt = cl.delayOpt, &floodOpt = cl.floodOpt, &busLoadOpt = cl.busLoadOpt;
    parser.process(app);

    Logger::init(QString(), Logger::DEBUG);
    Logger::setCrashNotifier([](const QString &reason, const QString &logPath) {
        DialogService::critical(nullptr, QCoreApplication::translate("Logger", "程序崩溃"),
                                QCoreApplication::translate("Logger", "发生致命错误，即将退出。\n%1\n日志已保存至: %2")
                                    .arg(QCoreApplication::translate("Logger", reason.toUtf8().constData()), logPath));
    });

    auto *tipFilter = new ToolTipFilter();
    app.installEventFilter(tipFilter);

    StartupOptions options;
    options.simulate = parser.isSet(simulateOpt);
    options.port = parser.value(portOpt);
    options.openPort = parser.isSet(openOpt);
    options.language = parser.value(langOpt);
    options.diagnostics = parser.isSet(diagOpt);
    options.tab = parser.isSet(tabOpt) ? parser.value(tabOpt).toInt() : -1;
    setUsbBackend(std::make_shared<LibusbBackend>());
    if (options.simulate) {
        // One simulated serial adapter with three motors on its bus (0x01, 0x02 and 0x03,
        // each with its own master ID, bit rate and parameters), the first motor's console,
        // and one USB CAN FD adapter with the same motors behind it, paired with its own
        // serial port.
        SimRegistry::Options simOptions;
        simOptions.motorsPerPort = 3;
        simOptions.consolePorts = 1;
        simOptions.usbAdapters = 1;
        setUsbBackend(SimRegistry::global().usbBackend());
        QString error;
        const auto ports = SimRegistry::global().start(1, simOptions, &error);
        if (!error.isEmpty())
            Logger::error("模拟设备启动失败: " + error, "main");
        for (const auto &p : ports) {
            options.extraPorts.append({p.path, p.description});
            if (p.vendorId != 0)
                options.usbPorts.append({p.path, p.description, p.vendorId, p.productId, p.serialNumber});
            Logger::info(QString("模拟端口: %1 (%2)").arg(p.path, p.description), "main");
            if (p.vendorId != 0 && parser.isSet(floodOpt)) {
                options.port = p.path;
                options.openPort = true;
            }
        }
        // The same two motors on Qt's virtual CAN bus: the road of any Linux CAN interface.
        const QString canDescription = SimRegistry::global().startCanBus(
            "can0", {{1, 0x11, 4, SimMotor::Layout::Long}, {2, 0x12, 3, SimMotor::Layout::Long}}, &error);
        if (!canDescription.isEmpty())
            options.canInterfaces.append({"virtualcan:can0", canDescription});
        else
            Logger::error("模拟 CAN 总线启动失败: " + error, "main");
        if (parser.isSet(floodOpt)) {
            // Classic and FD frames of several lengths, every fourth one sent by the adapter.
            SimFlood flood;
            flood.framesPerSecond = parser.value(floodOpt).toInt();
            flood.lengths = {8, 2, 64, 12, 8, 0};
            flood.ids = {0x123, 0x7FE, 0x1A0, 0x301};
            flood.transmittedEvery = 4;
            flood.fdEvery = 3;
            if (auto usb = SimRegistry::global().usbAdapter(0))
                usb->startFlood(flood);
        }
    }

    int result = 0;
    {
        MainWindow w(options);
        const QStringList size = parser.value(cl.sizeOpt).split('x');
        if (size.size() == 2 && size[0].toInt() > 0 && size[1].toInt() > 0)
            w.resize(size[0].toInt(), size[1].toInt());
        w.show();
        std::unique_ptr<ScreenshotTaker> shooter;
        if (parser.isSet(busLoadOpt))
            QTimer::singleShot(0, &w, [&w] { w.on_ChannelOccupancyRate_clicked(); });
        QTimer counts;
        if (const int ms = parser.value(cl.countsOpt).toInt(); ms > 0) {
            // "counts: rx=<frames received> log=<rows the receive log took>"
            QObject::connect(&counts, &QTimer::timeout, &w, [&w, lastRx = quint32(0), lastRows = quint64(-1)]() mutable {
                const quint64 rows = w.frameModel()->appendedRows();
                if (rows == lastRows && w.rxFrameCount() == lastRx)
                    return;
                lastRows = rows;
                lastRx = w.rxFrameCount();
                std::printf("counts: rx=%u log=%llu\n", lastRx, static_cast<unsigned long long>(rows));
                std::fflush(stdout);
            });
            counts.start(ms);
        }
        if (parser.isSet(screenshotOpt))
            shooter = std::make_unique<ScreenshotTaker>(&w, parser.value(screenshotOpt), &sinceStart,
                                                        parser.value(delayOpt).toInt());
        result = app.exec();
    }
    delete tipFilter;
    SimRegistry::global().stopAll();
    setUsbBackend(nullptr);
    return result;
}
