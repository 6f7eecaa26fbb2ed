#include "link/serial/portOpenFailure.h"

#include <QCoreApplication>
#include <QFileInfo>

PortOpenFailure classifyPortOpenFailure(QSerialPort::SerialPortError error, bool nodeExists, bool nodeAccessible)
{
    if (!nodeExists || error == QSerialPort::DeviceNotFoundError)
        return PortOpenFailure::Gone;
    if (error == QSerialPort::PermissionError)
        return nodeAccessible ? PortOpenFailure::Busy : PortOpenFailure::NoPermission;
    return PortOpenFailure::Other;
}

QString portOpenFailureText(PortOpenFailure failure, const QString &systemText)
{
    const char *text = nullptr;
    switch (failure) {
    case PortOpenFailure::Busy: text = QT_TRANSLATE_NOOP("MainWindow", "端口正被其他程序使用"); break;
    case PortOpenFailure::NoPermission: text = QT_TRANSLATE_NOOP("MainWindow", "没有打开此端口的权限"); break;
    case PortOpenFailure::Gone: text = QT_TRANSLATE_NOOP("MainWindow", "端口已不存在（设备已拔出？）"); break;
    case PortOpenFailure::Other: break;
    }
    if (!text)
        return systemText;
    const QString reason = QCoreApplication::translate("MainWindow", text);
    return systemText.isEmpty() ? reason : reason + " (" + systemText + ")";
}

QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &location, const QString &systemText)
{
    const QFileInfo node(location);
    return portOpenFailureText(classifyPortOpenFailure(error, node.exists(), node.isReadable() && node.isWritable()),
                               systemText);
}
