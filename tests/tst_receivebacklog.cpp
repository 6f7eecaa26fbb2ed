// The bounded hand-overs of the receive side (reader to dispatcher, dispatcher to
// terminal): a flood drops and counts instead of growing without end.
#include "link/serial/chunkQueue.h"
#include "link/serial/receiveSteering.h"
#include "link/serial/receiveDispatcher.h"
#include "link/serial/terminalFeed.h"

#include <QtTest>

class TestReceiveBacklog : public QObject
{
    Q_OBJECT

private slots:
    void chunkQueueKeepsWhatFits_data()
    {
        QTest::addColumn<QList<int>>("pushes"); // chunk sizes
        QTest::addColumn<QList<bool>>("kept");
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("dropped");
        QTest::newRow("all fit") << QList<int>{10, 20, 34} << QList<bool>{true, true, true} << 64 << 0;
        QTest::newRow("a chunk that does not fit") << QList<int>{40, 30, 20} << QList<bool>{true, false, true} << 60
                                                   << 30;
    }

    void chunkQueueKeepsWhatFits()
    {
        QFETCH(QList<int>, pushes);
        QFETCH(QList<bool>, kept);
        QFETCH(int, queued);
        QFETCH(int, dropped);
        ChunkQueue q(64);
        QList<bool> results;
        for (int n : pushes)
            results << q.push(QByteArray(n, 'x'));
        QCOMPARE(results, kept);
        QCOMPARE(q.queuedBytes(), queued);
        QCOMPARE(q.droppedBytes(), quint64(dropped));
        QByteArray chunk;
        int taken = 0;
        while (q.take(chunk))
            taken += int(chunk.size());
        QCOMPARE(taken, queued);
    }

    // Closing the link abandons the backlog: the pass under way stops at its next chunk.
    void abandonedBacklogStopsThePass()
    {
        ReceiveSteering cdc;
        ChunkQueue q;
        int text = 0;
        ReceiveDispatcher::Events ev;
        ev.terminalBytes = [&](const QByteArray &) {
            if (++text == 1)
                QCOMPARE(q.abandon(), qsizetype(4 * 4)); // the four chunks behind it
        };
        ReceiveDispatcher d(&cdc, ev);
        for (int i = 0; i < 5; ++i)
            q.push("text");
        d.pass(q);
        QCOMPARE(text, 1);
        QVERIFY(q.empty());
        QCOMPARE(q.droppedBytes(), quint64(0)); // abandoned, not dropped
    }

    void terminalFeedSignalsOnceAndKeepsTheNewest()
    {
        TerminalFeed feed(10);
        QCOMPARE(feed.append("aaaa"), true); // the feed was empty: tell the GUI
        QCOMPARE(feed.append("bbbb"), false);
        QCOMPARE(feed.append("cccc"), false);
        QCOMPARE(feed.take(), (QList<QByteArray>{"bbbb", "cccc"}));
        QCOMPARE(feed.droppedBytes(), quint64(4));
        QCOMPARE(feed.append(QByteArray(20, 'd')), true); // one chunk is never dropped
        QCOMPARE(feed.take().size(), 1);
        QVERIFY(feed.take().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReceiveBacklog)
#include "tst_receivebacklog.moc"
