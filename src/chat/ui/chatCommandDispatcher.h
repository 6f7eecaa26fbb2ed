#pragma once

#include "chat/commandTable.h"
#include "log/logBudget.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Carries out the sentences of assistant replies. The main window owns one, registers a
// handler per action it supports and forwards every sentence of ZKChat::invokeQtFunction
// to dispatch(). Rows that only set a widget (a field, a combo box, a switch, a tab) work
// without a handler: the widget is looked up by object name under the root.
class ChatCommandDispatcher
{
public:
    // Value rows receive the extracted value, command rows an empty string.
    using Handler = std::function<void(const QString &value)>;

    enum class Outcome {
        NoMatch,      // no phrase in the sentence
        Handled,      // a registered handler ran
        WidgetSet,    // the target widget was set directly
        NotAvailable, // recognised, but nothing in this build carries it out
        Refused,      // recognised, but the target rejects it (disabled, no such item)
    };

    explicit ChatCommandDispatcher(QWidget *root = nullptr) : m_root(root) { m_clock.start(); }

    void setRoot(QWidget *root) { m_root = root; }
    QWidget *root() const { return m_root; }

    // A handler replaces the widget fallback of its row.
    void registerHandler(ChatAction action, Handler handler);
    void unregisterHandler(ChatAction action);
    bool hasHandler(ChatAction action) const;

    Outcome dispatch(const QString &sentence);

    // A handler that will not carry its row out says why: dispatch() then reports Refused.
    void refuse(const QString &reason) { m_refusal = reason; }
    // Checks a value row before its widget takes the value: an empty text lets it through,
    // anything else refuses it with that reason. Rows with a handler check for themselves.
    using ValueCheck = std::function<QString(const ChatCommand &row, const QString &value)>;
    void setValueCheck(ValueCheck check) { m_valueCheck = std::move(check); }
    // The row and value of the last sentence dispatched, and why it was refused.
    const ChatCommandMatch &lastMatch() const { return m_lastMatch; }
    QString lastRefusal() const { return m_refusal; }

private:
    Outcome applyToWidget(const ChatCommand &row, const QString &value);

    QPointer<QWidget> m_root;
    QHash<int, Handler> m_handlers;
    ValueCheck m_valueCheck;
    ChatCommandMatch m_lastMatch;
    QString m_refusal;
    // Every sentence is logged, cut to a line and within a budget per second, so that
    // an assistant that floods the chat cannot flood the log.
    LogBudget m_sentenceLog{256, 8 * 1024};
    QElapsedTimer m_clock;
};
