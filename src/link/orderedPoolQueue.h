#pragma once

#include <QFuture>
#include <QList>
#include <QMutex>
#include <QtConcurrent/QtConcurrent>

#include <functional>

// Work items handled on the global thread pool one after the other, in the order they
// were posted: at most one pool task drains the queue at a time.
template <typename T>
class OrderedPoolQueue
{
public:
    explicit OrderedPoolQueue(std::function<void(const T &)> handler) : m_handler(std::move(handler)) {}
    ~OrderedPoolQueue() { waitForDone(); }
    OrderedPoolQueue(const OrderedPoolQueue &) = delete;
    OrderedPoolQueue &operator=(const OrderedPoolQueue &) = delete;

    void post(T item)
    {
        QMutexLocker lock(&m_mutex);
        m_items.append(std::move(item));
        if (!m_draining) {
            m_draining = true;
            m_future = QtConcurrent::run([this] { drain(); });
        }
    }

    // Items posted and not yet handled (the one in hand included).
    qsizetype pending()
    {
        QMutexLocker lock(&m_mutex);
        return m_items.size() + (m_inHand ? 1 : 0);
    }

    // Returns once every item posted so far has been handled.
    void waitForDone()
    {
        for (;;) {
            QFuture<void> running;
            {
                QMutexLocker lock(&m_mutex);
                if (!m_draining)
                    return;
                running = m_future;
            }
            running.waitForFinished();
        }
    }

private:
    void drain()
    {
        for (;;) {
            T item;
            {
                QMutexLocker lock(&m_mutex);
                m_inHand = false;
                if (m_items.isEmpty()) {
                    m_draining = false;
                    return;
                }
                item = m_items.takeFirst();
                m_inHand = true;
            }
            m_handler(item);
        }
    }

    std::function<void(const T &)> m_handler;
    QMutex m_mutex;
    QList<T> m_items;
    bool m_draining = false;
    bool m_inHand = false;
    QFuture<void> m_future;
};
