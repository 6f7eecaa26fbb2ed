#include "knowledgeBase.h"

#include "intents.h"

#include <QFile>
#include <QSet>

#include <cmath>

namespace {

bool isCjk(QChar c)
{
    return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF;
}

// Characters too common in questions to tell them apart.
bool isStopChar(QChar c)
{
    static const QString stops = QString::fromUtf8("的了吗呢我你是在怎么如何请问样要该能可以吧啊呀一个这那和与或把");
    return stops.contains(c);
}

bool isStopWord(const QString &w)
{
    // Only words that carry nothing; question words stay, since the IDF weighs them
    // down anyway and "what can you do" consists of nothing else.
    static const QSet<QString> stops = {"a",  "an",   "the", "to",  "of", "in",  "on", "for", "at",    "by",
                                        "with", "from", "is", "are", "be", "it", "its", "and", "or", "please",
                                        "there", "here", "just", "some", "any", "like"};
    return stops.contains(w);
}

QString stem(QString w)
{
    if (w.size() > 5 && w.endsWith("ing"))
        w.chop(3);
    else if (w.size() > 4 && w.endsWith("ed"))
        w.chop(2);
    else if (w.size() > 4 && w.endsWith("es"))
        w.chop(2);
    else if (w.size() > 3 && w.endsWith('s') && !w.endsWith("ss"))
        w.chop(1);
    return w;
}

} // namespace

QStringList KnowledgeBase::terms(const QString &text)
{
    const QString t = normalizeText(text);
    QStringList out;
    QString word;
    auto flushWord = [&] {
        if (!word.isEmpty() && !isStopWord(word))
            out << "w:" + stem(word);
        word.clear();
    };
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (isCjk(c)) {
            flushWord();
            if (!isStopChar(c))
                out << QString(c);
            if (i + 1 < t.size() && isCjk(t.at(i + 1)))
                out << t.mid(i, 2);
        } else if (c.isLetterOrNumber() || c == '_') {
            word += c;
        } else {
            flushWord();
        }
    }
    flushWord();
    return out;
}

bool KnowledgeBase::load(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QString("cannot read the knowledge base %1: %2").arg(path, f.errorString());
        return false;
    }
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    Entry current;
    int startLine = 0;
    auto finish = [&](int lineNo) {
        if (current.questions.isEmpty() && current.zhAnswer.isEmpty() && current.enAnswer.isEmpty())
            return;
        if (current.questions.isEmpty() || (current.zhAnswer.isEmpty() && current.enAnswer.isEmpty()))
            m_warnings << QString("%1:%2: entry without question or answer skipped").arg(path).arg(startLine);
        else
            m_entries << current;
        current = Entry();
        Q_UNUSED(lineNo);
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith('#'))
            continue;
        if (line.isEmpty()) {
            finish(i + 1);
            continue;
        }
        if (current.questions.isEmpty() && current.zhAnswer.isEmpty() && current.enAnswer.isEmpty())
            startLine = i + 1;
        if (line.startsWith("Q:"))
            current.questions << line.mid(2).trimmed();
        else if (line.startsWith("A:"))
            current.zhAnswer += (current.zhAnswer.isEmpty() ? "" : " ") + line.mid(2).trimmed();
        else if (line.startsWith("EN:"))
            current.enAnswer += (current.enAnswer.isEmpty() ? "" : " ") + line.mid(3).trimmed();
        else
            m_warnings << QString("%1:%2: line not understood: %3").arg(path).arg(i + 1).arg(line.left(40));
    }
    finish(int(lines.size()));
    return true;
}

void KnowledgeBase::addEntry(const Entry &entry)
{
    m_entries << entry;
}

void KnowledgeBase::build()
{
    m_idf.clear();
    m_questionVectors.clear();
    QList<QPair<int, QStringList>> docs;
    for (int e = 0; e < m_entries.size(); ++e) {
        for (const QString &q : m_entries.at(e).questions)
            docs << qMakePair(e, terms(q));
    }
    QHash<QString, int> df;
    for (const auto &d : docs) {
        const QSet<QString> unique(d.second.begin(), d.second.end());
        for (const QString &t : unique)
            ++df[t];
    }
    const double n = double(docs.size());
    for (auto it = df.constBegin(); it != df.constEnd(); ++it)
        m_idf.insert(it.key(), std::log((n + 1) / (it.value() + 1)) + 1);
    for (const auto &d : docs)
        m_questionVectors << qMakePair(d.first, vectorOf(d.second));
}

KnowledgeBase::Vector KnowledgeBase::vectorOf(const QStringList &termList) const
{
    QHash<QString, int> tf;
    for (const QString &t : termList)
        ++tf[t];
    Vector v;
    double norm = 0;
    for (auto it = tf.constBegin(); it != tf.constEnd(); ++it) {
        // Terms no question uses cannot match anything; they still lower the score.
        const double idf = m_idf.value(it.key(), std::log(double(m_questionVectors.size() + 1)) + 1);
        const double w = (1 + std::log(double(it.value()))) * idf;
        v.insert(it.key(), w);
        norm += w * w;
    }
    norm = std::sqrt(norm);
    if (norm > 0) {
        for (auto it = v.begin(); it != v.end(); ++it)
            it.value() /= norm;
    }
    return v;
}

KnowledgeBase::Hit KnowledgeBase::find(const QString &message) const
{
    const Vector q = vectorOf(terms(message));
    Hit best;
    if (q.isEmpty())
        return best;
    for (const auto &qv : m_questionVectors) {
        double dot = 0;
        for (auto it = q.constBegin(); it != q.constEnd(); ++it)
            dot += it.value() * qv.second.value(it.key(), 0);
        if (dot > best.score) {
            best.score = dot;
            best.entry = qv.first;
        }
    }
    if (best.score < kMinScore)
        best.entry = -1;
    return best;
}
