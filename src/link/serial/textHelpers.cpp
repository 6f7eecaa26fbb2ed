#include "link/serial/textHelpers.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

namespace {
QTextCodec *gbk()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GBK");
    return codec;
}
} // namespace

QString AsciiToHex(const QString &text)
{
    const QByteArray bytes = QStringToGBK(text);
    QString out = byteArrayToHexChars(bytes);
    out.chop(1); // no space after the last byte
    return out;
}

QByteArray hexTextToBytes(const QString &text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QByteArray bytes;
    const QStringList parts = text.split(space, Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        bool ok = false;
        const qulonglong v = p.toULongLong(&ok, 16);
        if (ok)
            bytes.append(char(v & 0xFF));
    }
    return bytes;
}

QString HexToAscii(const QString &hex)
{
    const QByteArray bytes = hexTextToBytes(hex);
    return gbk() ? gbk()->toUnicode(bytes) : QString::fromUtf8(bytes);
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
    return gbk() ? gbk()->toUnicode(bytes) : QString();
}

QByteArray QStringToGBK(const QString &text)
{
    return gbk() ? gbk()->fromUnicode(text) : text.toUtf8();
}

QString convertTerminalText(const QString &text, bool toHex)
{
    static const QString mark = QStringLiteral(">>");
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        const bool sent = line.startsWith(mark);
        const QString body = sent ? line.mid(mark.size()) : line;
        const QString converted = toHex ? AsciiToHex(body) : FilterNoPrintChar(HexToAscii(body));
        line = sent ? mark + converted : converted;
    }
    return lines.join(QLatin1Char('\n'));
}
