#pragma once

#include "knowledgeBase.h"

#include <QString>
#include <QStringList>

// Turns one user message into one answer line. A request for an action gets the
// sentence the tool acts on (ending with "!") followed by a short reply for the user;
// a question gets an answer from the knowledge base. Nothing the user did not ask for
// ever carries a command phrase: every reply text is checked against the tool's own
// phrase table before it is said.
class Assistant
{
public:
    explicit Assistant(KnowledgeBase kb);

    QString answer(const QString &message);

    // Problems found while answering (a reply that had to be replaced), for stderr.
    QStringList takeDiagnostics();

    // True when some sentence of the text would make the tool act.
    static bool triggersCommand(const QString &text);

private:
    QString fromKnowledgeBase(const QString &message, bool chinese);
    QString safe(const QString &text, bool chinese);

    KnowledgeBase m_kb;
    QStringList m_diagnostics;
};
