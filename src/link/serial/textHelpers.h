#pragma once

#include <QByteArray>
#include <QString>

// Text conversions of the terminal and the console answers. The terminal uses one code
// page both ways, GBK: the motor console and the assistant speak it, it holds ASCII
// unchanged and Chinese text in two bytes, so what is typed, sent, received, shown and
// switched between ASCII and HEX is always the same bytes.
QString AsciiToHex(const QString &text);          // "AB" -> "41 42", "你" -> "C4 E3"
QString HexToAscii(const QString &hex);           // "41 42" -> "AB"; unparsable parts dropped
QString byteArrayToHexChars(const QByteArray &bytes); // "0A 1B " : each byte and a space
QString FilterNoPrintChar(const QString &text);   // keeps printable ASCII, CJK, tab/CR/LF, ...
QString QByteArrayToQString(const QByteArray &bytes); // GBK decode; empty without the codec
QByteArray QStringToGBK(const QString &text);     // GBK encode; UTF-8 without the codec

// Hexadecimal input: parts separated by white space, each read as a hexadecimal number
// whose low byte is kept; parts that do not parse are dropped ("41 42 4G 100" -> 41 42 00).
QByteArray hexTextToBytes(const QString &text);

// Converts the terminal's output text line by line, so that lines stay lines; the echo
// mark ">>" in front of a sent line is kept. Back from HEX, characters the display never
// shows are dropped.
QString convertTerminalText(const QString &text, bool toHex);
