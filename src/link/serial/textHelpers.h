#pragma once

#include <QByteArray>
#include <QString>

// Text conversions of the terminal and the console answers.
QString AsciiToHex(const QString &text);          // "AB" -> "41 42" (Windows-1252 bytes)
QString HexToAscii(const QString &hex);           // "41 42" -> "AB"; unparsable parts dropped
QString byteArrayToHexChars(const QByteArray &bytes); // "0A 1B " : each byte and a space
QString FilterNoPrintChar(const QString &text);   // keeps printable ASCII, CJK, tab/CR/LF, ...
QString QByteArrayToQString(const QByteArray &bytes); // GBK decode; empty without the codec
QByteArray QStringToGBK(const QString &text);
