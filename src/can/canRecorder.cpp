#include "can/canRecorder.h"

#include "can/canLogFile.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr qint64 kDayUs = 86400LL * 1000000;
constexpr qsizetype kWriteChunk = 256 * 1024;

qint64 wallClockUs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}
} // namespace

CanRecorder::CanRecorder(QObject *parent) : QObject(parent) {}

CanRecorder::~CanRecorder() { stop(); }

bool CanRecorder::start(const QString &path, const QByteArray &iface, QString *error)
{
    stop();
    auto *file = new QFile(path);
    // Unbuffered: the writer sees each write's outcome, so that what it counts is what
    // reached the file and a failure carries the system's reason.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = file->errorString();
        delete file;
        return false;
    }
    m_file = file;
    m_path = path;
    m_iface = iface;
    m_error.clear();
    m_clock = Clock();
    m_frames = 0;
    m_bytes = 0;
    m_dropped = 0;
    m_stopRequested = false;
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

QString CanRecorder::stop()
{
    if (!m_thread.joinable())
        return QString();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread.join();
    m_running = false;
    if (m_file) {
        if (m_error.isEmpty() && !m_file->flush())
            m_error = m_file->errorString();
        m_file->close();
        delete m_file;
        m_file = nullptr;
    }
    if (m_error.isEmpty() && m_dropped > 0)
        return tr("磁盘写入跟不上，%1 帧未录制").arg(m_dropped.load());
    return m_error;
}

void CanRecorder::setInterfaceName(const QByteArray &iface)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_iface = iface;
}

void CanRecorder::append(const QList<CANFrameData> &rows)
{
    if (!m_running || rows.isEmpty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopRequested)
            return;
        if (m_pendingRows + rows.size() > MaxPendingRows) {
            m_dropped += rows.size();
            return;
        }
        m_pending.append({rows, wallClockUs(), m_iface});
        m_pendingRows += rows.size();
    }
    m_wake.notify_one();
}

quint64 CanRecorder::Clock::map(const CANFrameData &row, qint64 arrivalUs)
{
    // The serial adapter's rows carry the time of day in ms, the others microseconds of
    // their link's clock.
    const bool timeOfDay = row.source == CANFrameData::SerialAdapter;
    qint64 rowUs = timeOfDay ? row.time * 1000 : row.time;
    if (timeOfDay && source == row.source && rowUs + dayOffsetUs < lastRowUs - kDayUs / 2)
        dayOffsetUs += kDayUs; // past midnight
    rowUs += dayOffsetUs;
    // Another link, or a clock that jumped back (an adapter opened anew): anchored afresh.
    if (source != row.source || rowUs < lastRowUs - 1000000) {
        source = row.source;
        anchorRowUs = rowUs;
        anchorWallUs = quint64(arrivalUs);
    }
    lastRowUs = rowUs;
    const quint64 t = anchorWallUs + quint64(std::max<qint64>(0, rowUs - anchorRowUs));
    lastUs = std::max(lastUs, t);
    return lastUs;
}

bool CanRecorder::writeLines(const QByteArray &out, const QList<qsizetype> &lineEnds)
{
    qsizetype done = 0;
    while (done < out.size()) {
        const qint64 n = m_file->write(out.constData() + done, out.size() - done);
        if (n <= 0)
            break;
        done += qsizetype(n);
    }
    if (done == out.size()) {
        m_bytes += done;
        m_frames += lineEnds.size();
        return true;
    }
    // The disk took part of a line: cut the file back to the last whole one, so that the
    // recording stays readable and the counter says what it holds.
    const auto whole = std::upper_bound(lineEnds.cbegin(), lineEnds.cend(), done) - lineEnds.cbegin();
    const qsizetype keep = whole > 0 ? lineEnds[whole - 1] : 0;
    QString reason = m_file->errorString();
    if (m_file->error() == QFileDevice::NoError || reason.isEmpty())
        reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    m_file->resize(m_bytes + keep);
    m_bytes += keep;
    m_frames += whole;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

void CanRecorder::run()
{
    QByteArray out;
    out.reserve(kWriteChunk + 4096);
    QList<qsizetype> lineEnds;
    bool failedOnce = false;
    while (true) {
        QList<Batch> batches;
        bool stopping = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopRequested || !m_pending.isEmpty(); });
            batches.swap(m_pending);
            m_pendingRows = 0;
            stopping = m_stopRequested;
        }
        CanLogRecord record;
        for (const Batch &b : batches) {
            for (const CANFrameData &row : b.rows) {
                const quint64 t = m_clock.map(row, b.arrivalUs);
                if (failedOnce || !canLogRecordOf(row, t, b.iface, &record))
                    continue;
                appendCanLogLine(out, record);
                lineEnds.append(out.size());
                if (out.size() >= kWriteChunk) {
                    failedOnce = !writeLines(out, lineEnds);
                    out.clear();
                    lineEnds.clear();
                }
            }
        }
        if (!out.isEmpty() && !failedOnce)
            failedOnce = !writeLines(out, lineEnds);
        out.clear();
        lineEnds.clear();
        if (failedOnce) {
            // Nothing more is taken; what is on disk stays a readable recording.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopRequested = true;
            m_pending.clear();
            m_running = false;
            QMetaObject::invokeMethod(this, [this, e = m_error] { emit failed(e); }, Qt::QueuedConnection);
            return;
        }
        if (stopping)
            return;
    }
}
