#include "chat/ui/chatCommandDispatcher.h"

#include "log/log.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"
#include "widgets/utils.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

namespace {
constexpr const char *kSource = "on_invokeQtFunction";
}

void ChatCommandDispatcher::registerHandler(ChatAction action, Handler handler)
{
    if (handler)
        m_handlers.insert(int(action), std::move(handler));
    else
        m_handlers.remove(int(action));
}

void ChatCommandDispatcher::unregisterHandler(ChatAction action)
{
    m_handlers.remove(int(action));
}

bool ChatCommandDispatcher::hasHandler(ChatAction action) const
{
    return m_handlers.contains(int(action));
}

ChatCommandDispatcher::Outcome ChatCommandDispatcher::dispatch(const QString &sentence)
{
    const QString logged = m_sentenceLog.admit(sentence, m_clock.elapsed());
    if (!logged.isNull())
        Logger::info(logged, kSource);
    m_refusal.clear();
    m_lastMatch = matchChatCommand(sentence);
    const ChatCommandMatch match = m_lastMatch;
    if (!match)
        return Outcome::NoMatch;

    const ChatCommand &row = *match.command;
    const auto it = m_handlers.constFind(int(row.action));
    if (it != m_handlers.constEnd()) {
        // Copied: the handler may register or remove handlers while it runs.
        const Handler handler = it.value();
        handler(match.value);
        if (!m_refusal.isEmpty()) {
            Logger::warning(QString("聊天命令\"%1\"被拒绝：%2").arg(row.phrase, m_refusal), kSource);
            return Outcome::Refused;
        }
        return Outcome::Handled;
    }
    if (row.takesValue() && m_valueCheck) {
        m_refusal = m_valueCheck(row, match.value);
        if (!m_refusal.isEmpty()) {
            Logger::warning(QString("聊天命令\"%1\"被拒绝：%2").arg(row.phrase, m_refusal), kSource);
            return Outcome::Refused;
        }
    }
    if (row.targetKind != ChatTarget::None)
        return applyToWidget(row, match.value);

    Logger::warning(QString("聊天命令\"%1\"在此版本中不可用").arg(row.phrase), kSource);
    return Outcome::NotAvailable;
}

ChatCommandDispatcher::Outcome ChatCommandDispatcher::applyToWidget(const ChatCommand &row, const QString &value)
{
    QWidget *w = m_root ? (m_root->objectName() == row.target ? m_root.data()
                                                             : m_root->findChild<QWidget *>(row.target))
                        : nullptr;
    if (!w) {
        Logger::warning(QString("聊天命令\"%1\"在此版本中不可用（没有控件 %2）").arg(row.phrase, row.target), kSource);
        return Outcome::NotAvailable;
    }
    // The assistant may do what the user could do by hand, and no more.
    if (!w->isEnabled()) {
        Logger::warning(QString("聊天命令\"%1\"被忽略：%2 当前不可用").arg(row.phrase, row.target), kSource);
        return Outcome::Refused;
    }

    switch (row.targetKind) {
    case ChatTarget::Text:
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setText(value);
            return Outcome::WidgetSet;
        }
        if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->isEditable()) {
            combo->setCurrentText(value);
            return Outcome::WidgetSet;
        }
        break;
    case ChatTarget::ComboItem:
    case ChatTarget::ComboItemBps:
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            if (setComboBoxIndexByText(combo, row.comboText(value)))
                return Outcome::WidgetSet;
            Logger::warning(QString("聊天命令\"%1\"被忽略：%2 没有选项 \"%3\"")
                                .arg(row.phrase, row.target, row.comboText(value)),
                            kSource);
            return Outcome::Refused;
        }
        break;
    case ChatTarget::ComboText:
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // A fixed list only takes one of its own items.
            if (!combo->isEditable() && combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
                Logger::warning(QString("聊天命令\"%1\"被忽略：%2 没有选项 \"%3\"").arg(row.phrase, row.target, value),
                                kSource);
                return Outcome::Refused;
            }
            combo->setCurrentText(value);
            return Outcome::WidgetSet;
        }
        break;
    case ChatTarget::ComboIndex:
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            if (row.index < combo->count()) {
                combo->setCurrentIndex(row.index);
                return Outcome::WidgetSet;
            }
            Logger::warning(QString("聊天命令\"%1\"被忽略：%2 没有第 %3 项").arg(row.phrase, row.target).arg(row.index),
                            kSource);
            return Outcome::Refused;
        }
        break;
    case ChatTarget::TabIndex:
        if (auto *bar = qobject_cast<CustomTabBar *>(w)) {
            if (row.index < bar->count()) {
                bar->setCurrentTab(row.index);
                return Outcome::WidgetSet;
            }
        } else if (auto *bar = qobject_cast<QTabBar *>(w); bar && row.index < bar->count()) {
            bar->setCurrentIndex(row.index);
            return Outcome::WidgetSet;
        } else if (auto *tabs = qobject_cast<QTabWidget *>(w); tabs && row.index < tabs->count()) {
            tabs->setCurrentIndex(row.index);
            return Outcome::WidgetSet;
        }
        Logger::warning(QString("聊天命令\"%1\"被忽略：%2 没有第 %3 页").arg(row.phrase, row.target).arg(row.index),
                        kSource);
        return Outcome::Refused;
    case ChatTarget::Switch:
        if (auto *sw = qobject_cast<SwitchButton *>(w)) {
            sw->setChecked(row.index != 0);
            return Outcome::WidgetSet;
        }
        break;
    case ChatTarget::None:
        break;
    }
    Logger::warning(QString("聊天命令\"%1\"被忽略：%2 不是预期的控件类型").arg(row.phrase, row.target), kSource);
    return Outcome::Refused;
}
