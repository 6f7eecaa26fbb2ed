// zktool-cli: commissions motors from scripts, through the serial adapter, the USB CAN FD
// adapter or a CAN interface, with text or JSON output and an exit code per outcome.
#include "cli/cliDecode.h"
#include "cli/cliLink.h"
#include "cli/cliRequest.h"
#include "cli/cliRunner.h"
#include "link/canbus/qtCanBusAdapter.h"
#include "link/usb/libusb/libusbBackend.h"
#include "link/usb/usb_class.h"
#include "log/log.h"
#include "zkVersion.h"

#include "simRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPortInfo>
#include <QTranslator>

#include <cstdio>
#include <unistd.h>

namespace {

const char *kProgram = "zktool-cli";

// Standard error carries the command's own failure only: Qt's messages and the log's echo
// of its warnings go to the log file.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        Logger::warning(text, "qt");
}

void printOut(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// The serial ports (the system's and the simulated ones), the USB CAN FD adapters with the
// port each is paired with, and the CAN interfaces of Qt's plugins.
CliResult listPorts(const QList<SimPortInfo> &simulated)
{
    CliResult r;
    QList<USBDeviceInfo> usbPorts = systemSerialPorts();
    QJsonArray ports;
    auto addPort = [&](const QString &path, const QString &description, quint16 vid, quint16 pid) {
        ports.append(QJsonObject{{"path", path}, {"description", description}, {"vendorId", vid}, {"productId", pid}});
        r.lines << QString("%1  %2").arg(path, description);
    };
    for (const QSerialPortInfo &p : QSerialPortInfo::availablePorts())
        addPort(p.systemLocation(), p.description(), p.vendorIdentifier(), p.productIdentifier());
    for (const SimPortInfo &p : simulated) {
        addPort(p.path, p.description, p.vendorId, p.productId);
        if (p.vendorId != 0)
            usbPorts.append({p.path, p.description, p.vendorId, p.productId, p.serialNumber});
    }
    int count = 0;
    const QStringList adapters = usb_get_zk_device(count);
    matchUSBDeviceInfo(usbPorts);
    QJsonArray usb;
    for (const QString &name : adapters) {
        const QString port = Libusb2Qserialport(name);
        usb.append(QJsonObject{{"device", name}, {"port", port}});
        r.lines << QString("%1  USB CAN FD adapter%2").arg(name, port.isEmpty() ? QString() : " (port " + port + ")");
    }
    clear_ctx();
    QJsonArray canBus;
    for (const QString &i : QtCanBusAdapter::availableInterfaces()) {
        canBus.append("canbus:" + i);
        r.lines << QString("canbus:%1  CAN interface").arg(i);
    }
    r.json.insert("ports", ports);
    r.json.insert("usbAdapters", usb);
    r.json.insert("canInterfaces", canBus);
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    // Without TZ the C library looks at /etc/localtime again on every local-time call,
    // and some CAN plugins make one per received frame. Set before any thread starts.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kProgram);
    QCoreApplication::setApplicationVersion(ZK_VERSION);

    // Texts the tool shares with its window (motor states, file errors) in English.
    QTranslator english;
    if (english.load("en_US", QCoreApplication::applicationDirPath() + "/translations"))
        QCoreApplication::installTranslator(&english);

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const CliParse parsed = parseCliArguments(args);
    if (parsed.outcome == CliParse::Outcome::Help) {
        printOut(cliUsage());
        return 0;
    }
    if (parsed.outcome == CliParse::Outcome::Version) {
        printOut(QString("%1 %2\n").arg(kProgram, ZK_VERSION));
        return 0;
    }
    const CliRequest &req = parsed.request;

    CliResult result;
    QElapsedTimer clock;
    QJsonObject adapterJson;
    if (parsed.outcome == CliParse::Outcome::Error) {
        result.exit = CliExit::BadInput;
        result.error = parsed.error + QString("\nTry '%1 --help'.").arg(kProgram);
    } else {
        Logger::init(QString(), Logger::DEBUG);
        Logger::setEcho(false);
        qInstallMessageHandler(quietMessages);
        Logger::info("zktool-cli " + args.join(' '), "main");
    }
    if (parsed.outcome != CliParse::Outcome::Error && req.command == CliRequest::Command::Decode) {
        QStringList problems;
        result = decodeRecording(req.file, &problems);
        for (const QString &p : problems)
            std::fprintf(stderr, "%s: decode: %s: %s\n", kProgram, qPrintable(req.file), qPrintable(p));
    } else if (parsed.outcome != CliParse::Outcome::Error) {
        QList<SimPortInfo> simulated;
        QList<USBDeviceInfo> simulatedUsbPorts;
        QString simPort;
        if (req.simulate) {
            // The simulated serial adapter and USB CAN FD adapter, the same motors behind each.
            SimRegistry::Options o;
            o.motorsPerPort = req.simMotors;
            o.usbAdapters = 1;
            setUsbBackend(SimRegistry::global().usbBackend());
            QString error;
            simulated = SimRegistry::global().start(1, o, &error);
            for (const SimPortInfo &p : simulated) {
                if (p.vendorId != 0)
                    simulatedUsbPorts.append({p.path, p.description, p.vendorId, p.productId, p.serialNumber});
                else if (simPort.isEmpty())
                    simPort = p.path;
            }
            if (!error.isEmpty())
                Logger::error("simulated devices: " + error, "main");
        } else {
            setUsbBackend(std::make_shared<LibusbBackend>());
        }

        CliRequest effective = req;
        if (effective.adapter == CliRequest::Adapter::Serial && effective.port.isEmpty())
            effective.port = simPort;
        clock.start();
        if (req.command == CliRequest::Command::Ports) {
            result = listPorts(simulated);
        } else {
            CliLink link;
            link.setExtraUsbPorts(simulatedUsbPorts);
            QString error;
            if (!link.open(effective, &error)) {
                result.exit = CliExit::NoAdapter;
                result.error = error;
            } else {
                CliProgress progress(isatty(STDERR_FILENO) != 0);
                CliRunner runner(effective, link, progress);
                result = runner.run();
            }
            adapterJson = QJsonObject{{"kind", link.adapterKind()}, {"port", link.portOrDevice()}};
        }
        SimRegistry::global().stopAll();
        setUsbBackend(nullptr);
    }

    const int code = int(result.exit);
    if (result.exit != CliExit::Done) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, qPrintable(req.commandName.isEmpty() ? "error" : req.commandName),
                     qPrintable(result.error));
        if (parsed.outcome != CliParse::Outcome::Error)
            Logger::error(QString("%1: %2").arg(cliExitName(result.exit), result.error), "main");
    }
    if (req.json) {
        QJsonObject o = result.json;
        o.insert("command", req.commandName);
        o.insert("ok", result.exit == CliExit::Done);
        o.insert("exitCode", code);
        if (!adapterJson.isEmpty())
            o.insert("adapter", adapterJson);
        if (clock.isValid())
            o.insert("elapsedMs", clock.elapsed());
        if (result.exit != CliExit::Done)
            o.insert("error", QJsonObject{{"kind", cliExitName(result.exit)}, {"message", result.error}});
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + "\n");
    } else if (!result.lines.isEmpty()) {
        printOut(result.lines.join('\n') + "\n");
    }
    return code;
}
