#include "simWindow.h"

#include "app/ui_mainwindow.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QStringList kMessages = {
    "请打开串口", "打开串口时出现错误", "数据接收错误", "canid不能为空", "参数不能为空", "设备无应答，请重新校准！！",
    "数据传输错误！", "写参数成功", "请配置FDCAN并打开串口后重试！", "未选择固件文件！", "请打开fdcan设备",
    "固件升级失败！", "校准成功！", "新老校准判别失败！", "补偿表接收失败！", "波特率配置成功", "波特率配置失败"};
}

bool SimWindow::start(SimSerialAdapter::Mode mode, SimMotor::Layout layout, QString *error)
{
    DialogService::clearHistory();
    DialogService::setHandler([this](const DialogService::Request &r) {
        DialogService::Reply reply;
        reply.result = r.kind == DialogService::Question ? questionAnswer : QMessageBox::Ok;
        if (r.kind == DialogService::SaveFile)
            reply.path = savePath;
        else if (r.kind == DialogService::OpenFile)
            reply.path = openPath;
        return reply;
    });
    sim = std::make_unique<SimSerialAdapter>();
    sim->setMode(mode);
    sim->setHeartbeatEnabled(false);
    simMotor = std::make_shared<SimMotor>(1, 0x11, layout);
    sim->addMotor(simMotor);
    if (!sim->start(error))
        return false;
    StartupOptions o;
    o.port = sim->slavePath();
    w = std::make_unique<MainWindow>(o);
    w->form()->masteridEdit->setText("11");
    w->form()->sw_btn_canUart->setChecked(mode != SimSerialAdapter::Console);
    w->show();
    // The device lists follow the first paint.
    QDeadlineTimer deadline(5000);
    while (!w->startupFinished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return w->startupFinished();
}

bool SimWindow::open()
{
    w->form()->btn_comSwitch->click();
    return w->isPortOpen();
}

void SimWindow::stop()
{
    w.reset();
    sim.reset();
    simMotor.reset();
    savePath.clear();
    openPath.clear();
    questionAnswer = QMessageBox::Ok;
    DialogService::setHandler(nullptr);
}

QList<int> shownMessages()
{
    QList<int> out;
    for (const auto &r : DialogService::history())
        if (r.kind == DialogService::Dialog && kMessages.contains(r.text))
            out << int(kMessages.indexOf(r.text));
    return out;
}

QList<QPair<QString, QString>> shownBoxes()
{
    QList<QPair<QString, QString>> out;
    for (const auto &r : DialogService::history())
        if (r.kind == DialogService::Information || r.kind == DialogService::Warning
            || r.kind == DialogService::Critical)
            out << qMakePair(r.title, r.text);
    return out;
}
