#include "chat/sentenceSplit.h"

namespace {

bool endsSentence(QChar c)
{
    switch (c.unicode()) {
    case 0x3002: // 。
    case 0xFF1F: // ？
    case 0xFF01: // ！
    case 0xFF1B: // ；
    case 0xFF0C: // ，
    case '!':
    case '?':
    case ';':
        return true;
    default:
        return false;
    }
}

void keep(QStringList &out, const QString &sentence)
{
    const QString s = sentence.trimmed();
    if (!s.isEmpty())
        out << s;
}

} // namespace

QStringList splitIntoSentences(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (endsSentence(text.at(i))) {
            keep(out, text.mid(start, i - start + 1));
            start = i + 1;
        }
    }
    keep(out, text.mid(start));
    return out;
}
