#pragma once

#include <QList>
#include <QObject>
#include <QVariant>

#include <type_traits>

// Records a signal's arguments on the test thread, whichever thread emits it: the
// recording is a queued call, so the list is only ever touched by the thread that reads
// it (a QSignalSpy appends on the emitting thread, a race when that is a worker).
// Arguments arrive once the test's event loop runs (QTRY_..., QTest::qWait).
class QueuedSpy : public QObject
{
public:
    template <typename Sender, typename... Args>
    QueuedSpy(const Sender *sender, void (Sender::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](std::decay_t<Args>... args) { calls.append(QVariantList{QVariant::fromValue(args)...}); },
            Qt::QueuedConnection);
    }

    qsizetype count() const { return calls.size(); }
    const QVariantList &at(qsizetype i) const { return calls.at(i); }
    const QVariantList &operator[](qsizetype i) const { return calls.at(i); }
    void clear() { calls.clear(); }

private:
    QList<QVariantList> calls;
};
