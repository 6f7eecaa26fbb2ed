#pragma once

#include <QList>
#include <QObject>
#include <QVariant>

#include <type_traits>

// Records a signal's arguments on the test thread, whichever thread emits it: the
// recording is a queued call, so only the reading thread touches the list (QSignalSpy
// appends on the emitting thread, a race when that is a worker). Arguments arrive while
// the test's event loop runs (QTRY_..., QTest::qWait).
class QueuedSpy : public QObject, public QList<QVariantList>
{
public:
    template <typename Sender, typename Declarer, typename... Args>
    QueuedSpy(const Sender *sender, void (Declarer::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](std::decay_t<Args>... args) { append(QVariantList{QVariant::fromValue(args)...}); },
            Qt::QueuedConnection);
    }
};
