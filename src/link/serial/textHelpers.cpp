#include "link/serial/textHelpers.h"

#include <QStringList>
#include <QTextCodec>

QString AsciiToHex(const QString &text)
{
    QTextCodec *codec = QTextCodec::codecForName("Windows-1252");
    const QByteArray bytes = codec ? codec->fromUnicode(text) : text.toLatin1();
    QStringList parts;
    parts.reserve(bytes.size());
    for (char c : bytes)
        parts << QString("%1").arg(quint8(c), 2, 16, QChar('0')).toUpper();
    return parts.join(' ');
}

QString HexToAscii(const QString &hex)
{
    QByteArray bytes;
    const QStringList parts = hex.split(' ', Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok, 16);
        if (ok)
            bytes.append(char(v & 0xFF));
    }
    QTextCodec *codec = QTextCodec::codecForName("Windows-1252");
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QString byteArrayToHexChars(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    static const char digits[] = "0123456789ABCDEF";
    for (char c : bytes) {
        out += QChar(digits[(quint8(c) >> 4) & 0xF]);
        out += QChar(digits[quint8(c) & 0xF]);
        out += QChar(' ');
    }
    return out;
}

QString FilterNoPrintChar(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const ushort u = ch.unicode();
        const bool keep = u == '\t' || u == '\n' || u == '\r' || (u >= 0x20 && u <= 0x7E) || (u >= 0x370 && u <= 0x3FF)
                          || (u >= 0x3000 && u <= 0x303F) || (u >= 0x4E00 && u <= 0x9FA5)
                          || (u >= 0xFF00 && u <= 0xFFEF);
        if (keep)
            out += ch;
    }
    return out;
}

QString QByteArrayToQString(const QByteArray &bytes)
{
    QTextCodec *codec = QTextCodec::codecForName("GBK");
    return codec ? codec->toUnicode(bytes) : QString();
}

QByteArray QStringToGBK(const QString &text)
{
    QTextCodec *codec = QTextCodec::codecForName("GBK");
    return codec ? codec->fromUnicode(text) : QByteArray();
}
