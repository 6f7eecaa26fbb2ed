#include "app/mainwindow.h"
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

namespace {

// Saves a picture of the window once it has really painted, then ends the program.
class ScreenshotTaker : public QObject
{
public:
    ScreenshotTaker(QWidget *window, QString path, QElapsedTimer *sinceStart)
        : m_window(window), m_path(std::move(path)), m_sinceStart(sinceStart)
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
            QTimer::singleShot(300, this, [this] { finish(QString()); });
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
        std::fflush(stdout);
        QCoreApplication::exit(code);
    }

    QWidget *m_window;
    QString m_path;
    QElapsedTimer *m_sinceStart;
    bool m_painted = false;
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    QCommandLineParser parser;
    parser.setApplicationDescription("CAN-bus servo motor commissioning and debugging tool");
    const QCommandLineOption helpOpt = parser.addHelpOption();
    const QCommandLineOption versionOpt = parser.addVersionOption();
    QCommandLineOption screenshotOpt("screenshot", "Show the main window, save a picture of it to <file>, exit.", "file");
    QCommandLineOption simulateOpt("simulate",
                                   "Offer simulated ports: a serial adapter with two motors behind it, and a motor console.");
    QCommandLineOption portOpt("port", "Select the serial port at <path> (also pseudo-terminals).", "path");
    QCommandLineOption openOpt("open", "Open the selected port at start-up.");
    QCommandLineOption langOpt("language", "Start in <code> (en_US or zh_CN).", "code");
    QCommandLineOption diagOpt("diagnostics", "Show the fault-injection tab.");
    QCommandLineOption tabOpt("tab", "Show tab <index> first.", "index");
    parser.addOptions({screenshotOpt, simulateOpt, portOpt, openOpt, langOpt, diagOpt, tabOpt});

    // --version and --help answer without a window, so that they also work where there is
    // no display (a package check, a remote shell); process() prints and exits.
    {
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        if (parser.parse(args) && (parser.isSet(helpOpt) || parser.isSet(versionOpt))) {
            QCoreApplication app(argc, argv);
            QCoreApplication::setApplicationName("zktool");
            QCoreApplication::setApplicationVersion(ZK_VERSION);
            parser.process(app);
        }
    }

    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QT_WARNING_POP
    QApplication app(argc, argv);
    QApplication::setApplicationName("zktool");
    QApplication::setApplicationVersion(ZK_VERSION);
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
        // One simulated serial adapter with two motors on its bus (0x01 and 0x02, each with
        // its own master ID and bit rate), the first motor's console, and one USB CAN FD
        // adapter with the same two motors behind it, paired with its own serial port.
        SimRegistry::Options simOptions;
        simOptions.motorsPerPort = 2;
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
        }
    }

    int result = 0;
    {
        MainWindow w(options);
        w.show();
        std::unique_ptr<ScreenshotTaker> shooter;
        if (parser.isSet(screenshotOpt))
            shooter = std::make_unique<ScreenshotTaker>(&w, parser.value(screenshotOpt), &sinceStart);
        result = app.exec();
    }
    delete tipFilter;
    SimRegistry::global().stopAll();
    setUsbBackend(nullptr);
    return result;
}
