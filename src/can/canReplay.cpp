#include "can/canReplay.h"

#include <QStringList>

#include <algorithm>

namespace {
// Frames sent in one timer tick at most, so that the window keeps answering.
constexpr int kFramesPerTick = 2000;
} // namespace

CanReplay::CanReplay(SendFunction send, QObject *parent) : QObject(parent), m_send(std::move(send))
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_draining ? drain() : tick(); });
}

void CanReplay::setBackPressure(PendingFunction pending, qint64 limit)
{
    m_pendingFrames = std::move(pending);
    m_pendingLimit = limit;
}

qint64 CanReplay::pendingNow()
{
    const qint64 n = m_pendingFrames ? m_pendingFrames() : 0;
    m_mostPending = std::max(m_mostPending, n);
    return n;
}

CanBusFrame CanReplay::frameOf(const CanLogRecord &r)
{
    CanBusFrame f;
    f.id = r.id;
    if (r.has(CanLogRecord::Extended))
        f.flags |= CanBusFrame::Extended;
    if (r.has(CanLogRecord::FlexibleData)) {
        f.flags |= CanBusFrame::FlexibleData;
        if (r.has(CanLogRecord::BitRateSwitch))
            f.flags |= CanBusFrame::BitRateSwitch;
    }
    if (r.has(CanLogRecord::Remote)) {
        f.flags |= CanBusFrame::Remote;
        f.payload = QByteArray(r.remoteLength, '\0'); // a remote frame's length is its request
    } else {
        f.payload = r.data;
    }
    return f;
}

bool CanReplay::start(const QString &path, double speed, bool sentOnly, QString *error)
{
    if (isRunning())
        stop();
    if (!m_reader.open(path, error))
        return false;
    m_speed = speed;
    m_sentOnly = sentOnly;
    m_havePending = false;
    m_first = true;
    m_draining = false;
    m_mostPending = 0;
    m_result = Result();
    m_clock.start();
    m_timer.start(1);
    return true;
}

void CanReplay::stop()
{
    if (isRunning() && !m_draining)
        finish(true);
}

int CanReplay::progressPermille() const
{
    const qint64 size = m_reader.size();
    return size > 0 ? int(m_reader.position() * 1000 / size) : 1000;
}

void CanReplay::tick()
{
    for (int n = 0; n < kFramesPerTick; ++n) {
        if (m_pendingLimit > 0 && pendingNow() >= m_pendingLimit)
            break; // the device has not caught up yet
        if (!m_havePending) {
            if (!m_reader.next(&m_pending)) {
                finish(false);
                return;
            }
            m_havePending = true;
            if (m_first) {
                m_first = false;
                m_firstUs = m_pending.timeUs;
                m_clock.restart();
            }
        }
        if (m_speed > 0) {
            const double dueUs = double(m_pending.timeUs - std::min(m_pending.timeUs, m_firstUs)) / m_speed;
            if (double(m_clock.nsecsElapsed()) / 1000.0 < dueUs)
                break;
        }
        m_havePending = false;
        if (m_pending.has(CanLogRecord::ErrorFrame) || (m_sentOnly && m_pending.direction != 'T')) {
            ++m_result.skipped;
            continue;
        }
        if (m_send(frameOf(m_pending)))
            ++m_result.sent;
        else
            ++m_result.refused;
    }
    emit progress(progressPermille());
}

void CanReplay::finish(bool stopped)
{
    m_result.stopped = stopped;
    if (pendingNow() > 0) {
        // No further frame; the finish waits for what the device still has to write.
        m_draining = true;
        m_drainClock.start();
        return;
    }
    report();
}

void CanReplay::drain()
{
    const qint64 pending = pendingNow();
    if (pending == 0) {
        report();
    } else if (m_drainClock.elapsed() >= DrainLimitMs) {
        // Never written: not counted as sent.
        m_result.sent -= pending;
        m_result.refused += pending;
        report();
    }
}

void CanReplay::report()
{
    m_timer.stop();
    m_draining = false;
    m_result.malformed = m_reader.problemCount();
    m_result.problems = m_reader.problems();
    if (m_result.error.isEmpty())
        m_result.error = m_reader.error();
    emit progress(1000);
    emit finished(m_result);
}

double CanReplayPlan::seconds(bool sentOnly, double speed) const
{
    const Frames &f = going(sentOnly);
    if (speed <= 0 || f.count == 0)
        return 0;
    return double(f.lastUs - std::min(f.lastUs, firstUs)) / 1e6 / speed;
}

CanReplayPlan planCanReplay(const QString &path)
{
    CanReplayPlan plan;
    CanLogReader reader;
    if (!reader.open(path, &plan.error))
        return plan;
    CanLogRecord r;
    bool first = true;
    auto take = [&r](CanReplayPlan::Frames &f) {
        ++f.count;
        f.lastUs = r.timeUs;
        ++f.ids[r.id];
    };
    while (reader.next(&r)) {
        if (first) {
            first = false;
            plan.firstUs = r.timeUs;
        }
        if (r.has(CanLogRecord::ErrorFrame)) {
            ++plan.errorFrames;
            continue;
        }
        take(plan.all);
        if (r.direction == 'T')
            take(plan.sent);
        else if (r.direction == 'R')
            ++plan.received;
        else
            ++plan.unmarked;
    }
    plan.error = reader.error();
    plan.problems = reader.problems();
    plan.problemCount = reader.problemCount();
    return plan;
}

QString canReplayIdsText(const QMap<quint32, qint64> &ids, int limit)
{
    QList<std::pair<qint64, quint32>> byCount;
    for (auto it = ids.cbegin(); it != ids.cend(); ++it)
        byCount.append({-it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end());
    QStringList texts;
    for (int i = 0; i < byCount.size() && i < limit; ++i)
        texts << QStringLiteral("0x%1 \u00d7%2").arg(byCount[i].second, 3, 16, QLatin1Char('0')).arg(-byCount[i].first);
    if (byCount.size() > limit)
        texts << QStringLiteral("\u2026");
    return texts.join(QStringLiteral(", "));
}
