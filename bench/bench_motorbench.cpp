// The bench of motors: how long the motors panel's refresh takes (one scan plus one version
// read per motor) with three motors on the simulated serial adapter, the same through
// zktool-cli scan (a whole program run, and its own elapsedMs), and how long writing one
// motor's report (HTML and PDF) takes once its registers and versions are known.
//
// Run from the build tree: QT_QPA_PLATFORM=offscreen bench/bench_motorbench [runs, default 5] [DIR]
// With DIR it also leaves there, to look at: one report (HTML and PDF) and pictures of the
// motors panel and of the diff before a write, in Chinese and in English.

#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "motor/ui/commissionDialog.h"
#include "motor/ui/motorsPanel.h"
#include "motor/ui/paramDiffDialog.h"
#include "motor/ui/reportWriter.h"
#include "simBus.h"
#include "simSerialAdapter.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}
void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow::setTranslationsDir(QCoreApplication::applicationDirPath() + "/../translations");
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString pictures = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QString language = QStringLiteral("zh_CN");
    // The diff dialog is pictured as shown, then cancelled: nothing is written.
    DialogService::setHandler([&](const DialogService::Request &r) {
        DialogService::Reply reply{QMessageBox::Ok, {}};
        if (auto *d = qobject_cast<ParamDiffDialog *>(r.dialog.data())) {
            d->show();
            settle(100);
            d->grab().save(pictures + "/diff_" + language + ".png");
            reply.result = QDialog::Rejected;
        }
        return reply;
    });

    SimSerialAdapter sim;
    for (int i = 0; i < 3; ++i)
        sim.bus()->addMotor({quint32(i + 1), quint32(0x11 + i), 4 - i, SimMotor::Layout::Long, i});
    sim.setMode(SimSerialAdapter::Adapter);
    sim.setHeartbeatEnabled(false);
    if (!sim.start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }

    QList<double> refresh, report, scanWall, scanProgram;
    {
        StartupOptions o;
        o.port = sim.slavePath();
        MainWindow w(o);
        w.form()->sw_btn_canUart->setChecked(true);
        w.show();
        while (!w.startupFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        w.form()->btn_comSwitch->click();
        settle(200);
        QTemporaryDir dir;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            w.refreshMotors();
            refresh << double(t.nsecsElapsed()) / 1e6;
            if (w.motorsPanel()->table()->rowCount() != 3)
                std::fprintf(stderr, "refresh %d: %d rows\n", i, w.motorsPanel()->table()->rowCount());
        }
        w.motorsPanel()->table()->selectRow(0);
        w.writeMotorReport(dir.path(), "bench"); // registers and versions read once
        for (int i = 0; i < runs; ++i) {
            const MotorReport r = w.currentMotorReport("bench");
            QElapsedTimer t;
            t.start();
            const ReportFiles files = writeReportFiles(r, {}, dir.path());
            report << double(t.nsecsElapsed()) / 1e6;
            if (!files.ok)
                std::fprintf(stderr, "report %d: %s\n", i, qPrintable(files.error));
            settle(1100); // the files are named by the second
        }
        if (!pictures.isEmpty()) {
            w.resize(1280, 800);
            for (const QString code : {QStringLiteral("zh_CN"), QStringLiteral("en_US")}) {
                language = code;
                w.on_CNEN_statusChanged(code == "en_US");
                w.refreshMotors();
                w.form()->tabWidget->setCurrentWidget(w.motorsPanel());
                settle(600); // the live columns
                w.grab().save(pictures + "/panel_" + code + ".png");
                // A write that would change two registers, one by its last bit.
                w.form()->ReadAllParam->click();
                settle(300);
                w.form()->OT_ValueEdit->setText("70");
                w.form()->KP_ASREdit->setText(QString::number(w.form()->KP_ASREdit->text().toDouble() * 1.5));
                w.form()->WriteAllParam->click();
                w.openCommissionDialog();
                settle(100);
                w.commissionDialog()->grab().save(pictures + "/sequence_" + code + ".png");
                w.commissionDialog()->close();
                settle(50);
            }
            w.writeMotorReport(pictures, "bench of three motors");
        }
        w.form()->btn_comSwitch->click();
        settle(100);
    }
    const QString cli = QCoreApplication::applicationDirPath() + "/../zktool-cli";
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(cli, {"--port", sim.slavePath(), "--json", "scan"});
        p.waitForFinished(60000);
        scanWall << double(t.nsecsElapsed()) / 1e6;
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        scanProgram << o.value("elapsedMs").toDouble();
        if (!o.value("ok").toBool())
            std::fprintf(stderr, "cli scan %d failed\n", i);
    }
    std::printf("3 motors on the serial adapter, %d runs, medians\n", runs);
    std::printf("window refresh (scan + 3 version reads): %8.1f ms\n", median(refresh));
    std::printf("zktool-cli scan with versions, program: %8.1f ms (whole run %.1f ms)\n", median(scanProgram),
                median(scanWall));
    std::printf("report, HTML + PDF, no pictures:         %8.1f ms\n", median(report));
    return 0;
}
