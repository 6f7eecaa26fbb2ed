#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Question/answer pairs about the tool, found by TF-IDF similarity between the user's
// message and the stored questions. Chinese is compared by single characters and
// character pairs, English by word stems, so that no word segmentation is needed.
//
// File format (UTF-8): entries separated by blank lines; "Q:" lines give questions
// (any number, any language), "A:" the Chinese answer, "EN:" the English answer
// (several such lines are joined with a space: an answer is always one line); lines
// starting with "#" are comments.
class KnowledgeBase
{
public:
    struct Entry {
        QStringList questions;
        QString zhAnswer;
        QString enAnswer;
    };

    struct Hit {
        int entry = -1; // -1: nothing similar enough
        double score = 0;
    };

    // Questions below this cosine similarity are not answered.
    static constexpr double kMinScore = 0.3;

    // False with a reason when the file cannot be read. Malformed entries are
    // skipped and reported in warnings().
    bool load(const QString &path, QString *error);
    void addEntry(const Entry &entry);
    // Builds the index; call after the last load/addEntry.
    void build();

    Hit find(const QString &message) const;
    const Entry &entry(int index) const { return m_entries.at(index); }
    int size() const { return int(m_entries.size()); }
    QStringList warnings() const { return m_warnings; }

    // Terms of a text: Chinese characters and character pairs, English word stems.
    static QStringList terms(const QString &text);

private:
    using Vector = QHash<QString, double>;
    Vector vectorOf(const QStringList &terms) const;

    QList<Entry> m_entries;
    QStringList m_warnings;
    QList<QPair<int, Vector>> m_questionVectors; // entry index, unit vector
    QHash<QString, double> m_idf;
};
