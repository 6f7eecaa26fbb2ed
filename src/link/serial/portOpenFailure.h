#pragma once

#include <QSerialPort>
#include <QString>

// Why a port did not open, in words a user can act on. QSerialPort reports a port held
// by another program and one the user may not open with the same PermissionError; the
// device node tells them apart.
enum class PortOpenFailure { Busy, NoPermission, Gone, Other };

PortOpenFailure classifyPortOpenFailure(QSerialPort::SerialPortError error, bool nodeExists, bool nodeAccessible);
// The reason for the message box, translated; `systemText` (QSerialPort::errorString)
// is added in brackets.
QString portOpenFailureText(PortOpenFailure failure, const QString &systemText);
// Both for a port that failed to open at `location`.
QString portOpenFailureText(QSerialPort::SerialPortError error, const QString &location, const QString &systemText);
