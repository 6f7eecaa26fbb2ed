#include "simSerialAdapter.h"

#include <algorithm>
#include <chrono>
#include <deque>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kBusFrameLimit = 10000;
constexpr int kDecideMs = 30;              // a lone 0x55 waits this long for its next bytes
constexpr int kHeartbeatBacklog = 64;      // unread bytes above which a heartbeat is skipped
constexpr int kStreamBacklog = 32 * 1024;  // queued stream bytes above which the stream slips
constexpr int kAnswerBacklog = 4 * 1024 * 1024;

struct OutUnit {
    QByteArray bytes;
    Clock::time_point due;
    int written = 0;
    QList<int> splits;
    int pauseMs = 0;
    bool answer = false;
    bool heartbeat = false;
    quint32 streamFrames = 0;
};

struct RepeatJob {
    SimCanFrame frame;
    quint8 command = 1;
    quint64 remaining = 0;   // ~0 = until stopped
    Clock::duration interval;
    Clock::time_point next;
    bool idInc = false;
    bool dataInc = false;
};

bool setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

struct SimSerialAdapter::Impl {
    // ---- shared with other threads, under mutex
    mutable std::mutex mutex;
    std::condition_variable closedCv;
    Mode mode = Adapter;
    std::shared_ptr<SimBus> bus = std::make_shared<SimBus>();
    int consoleIndex = 0;
    bool dropAll = false;
    int dropEveryNth = 0;
    int delayMs = 0;
    QByteArray injected;
    int corruptCount = 0;
    int corruptOffset = -1;
    QList<int> splits;
    int splitPauseMs = 20;
    bool heartbeat = true;
    int heartbeatMs = 1000;
    bool closeRequested = false;
    bool streaming = false;
    bool streamRestart = false;
    SimFlood flood;
    int bitRate = 0;
    std::deque<SimCanFrame> busFrames;
    Stats stats;
    QString path;

    std::atomic<bool> running{false};
    std::atomic<bool> portOpen{false};
    std::atomic<bool> stopRequested{false};

    // ---- worker only
    int master = -1;
    int slaveKeep = -1;     // our own slave descriptor: no hang-ups between the tool's opens,
                            // and FIONREAD on it tells how much the tool has not read yet
    int wake[2] = {-1, -1};
    std::thread worker;
    QByteArray in;
    Clock::time_point inTouched;
    std::deque<OutUnit> out;
    qint64 outBytes = 0;
    qint64 streamQueued = 0;
    std::deque<RepeatJob> repeats;
    quint64 answerCounter = 0;
    Clock::time_point nextHeartbeat;
    bool adapterSeen = false;
    Clock::time_point streamStart;
    quint64 streamGenerated = 0;
    quint32 streamSeq = 0;
    bool wantWrite = false;
    int lastHeartbeatMs = 1000;

    void wakeWorker()
    {
        if (wake[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] ssize_t r = ::write(wake[1], &c, 1);
        }
    }

    void closeFds()
    {
        if (slaveKeep >= 0)
            ::close(slaveKeep);
        if (master >= 0)
            ::close(master);
        slaveKeep = master = -1;
        portOpen = false;
    }

    void run();
    void processInput(Clock::time_point now, Mode mode);
    void handleTransmitFrame(const QByteArray &f, Clock::time_point now);
    void transmitOnBus(const SimCanFrame &frame, quint8 command, Clock::time_point now);
    void feedConsole(const QByteArray &bytes, Clock::time_point now);
    void enqueueAnswer(const QByteArray &bytes, Clock::time_point now);
    void enqueue(OutUnit unit);
    void generate(Clock::time_point now, Mode mode);
    void flush(Clock::time_point now);
    int unreadBacklog() const;
    std::shared_ptr<SimMotor> consoleMotor();
};

// ---------------------------------------------------------------- worker

std::shared_ptr<SimMotor> SimSerialAdapter::Impl::consoleMotor()
{
    std::lock_guard<std::mutex> lock(mutex);
    return bus->motor(consoleIndex);
}

int SimSerialAdapter::Impl::unreadBacklog() const
{
    int n = 0;
    if (slaveKeep < 0 || ioctl(slaveKeep, FIONREAD, &n) != 0)
        return 0;
    return n;
}

void SimSerialAdapter::Impl::enqueue(OutUnit unit)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        unit.splits = splits;
        unit.pauseMs = splitPauseMs;
    }
    outBytes += unit.bytes.size();
    if (unit.streamFrames)
        streamQueued += unit.bytes.size();
    // Ordered by due time; a unit already half written stays first.
    auto pos = out.end();
    while (pos != out.begin()) {
        auto prev = std::prev(pos);
        if (prev->due <= unit.due || prev->written > 0)
            break;
        pos = prev;
    }
    out.insert(pos, std::move(unit));
}

void SimSerialAdapter::Impl::enqueueAnswer(const QByteArray &bytes, Clock::time_point now)
{
    if (bytes.isEmpty())
        return;
    OutUnit u;
    u.bytes = bytes;
    u.answer = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++answerCounter;
        if (dropAll || (dropEveryNth > 0 && answerCounter % quint64(dropEveryNth) == 0)) {
            ++stats.answersDropped;
            return;
        }
        if (outBytes > kAnswerBacklog) {
            ++stats.overflowDrops;
            return;
        }
        if (corruptCount > 0) {
            --corruptCount;
            const int at = corruptOffset < 0 ? int(u.bytes.size()) / 2
                                             : std::min(corruptOffset, int(u.bytes.size()) - 1);
            u.bytes[at] = char(quint8(u.bytes[at]) ^ 0xFF);
        }
        u.due = now + milliseconds(delayMs);
    }
    enqueue(std::move(u));
}

void SimSerialAdapter::Impl::feedConsole(const QByteArray &bytes, Clock::time_point now)
{
    std::shared_ptr<SimMotor> m = consoleMotor();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stats.consoleBytes += quint64(bytes.size());
    }
    if (m)
        enqueueAnswer(m->consoleInput(bytes), now);
}

void SimSerialAdapter::Impl::transmitOnBus(const SimCanFrame &frame, quint8 command, Clock::time_point now)
{
    // Firmware data (command 3) is confirmed without its bytes, so that image bytes such
    // as "OK" can never pass for a bootloader acknowledgement.
    const QByteArray echoed = command == 3 ? QByteArray(frame.data.size(), '\0') : frame.data;
    enqueueAnswer(SimCodec::receiveFrame(SimCodec::StatusTxOk, frame.id, echoed, frame.extended, frame.remote), now);
    std::shared_ptr<SimBus> motors;
    {
        std::lock_guard<std::mutex> lock(mutex);
        busFrames.push_back(frame);
        if (busFrames.size() > size_t(kBusFrameLimit))
            busFrames.pop_front();
        motors = bus;
    }
    for (const SimCanFrame &r : motors->transmit(frame))
        enqueueAnswer(SimCodec::receiveFrame(SimCodec::StatusRxOk, r.id, r.data, r.extended, r.remote), now);
}

void SimSerialAdapter::Impl::handleTransmitFrame(const QByteArray &f, Clock::time_point now)
{
    const quint8 command = quint8(f[3]);
    SimCanFrame frame;
    frame.extended = f[12] != 0;
    frame.remote = f[17] != 0;
    frame.id = SimCodec::getU32(f, 13) & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
    const int n = std::min(int(quint8(f[18])), 8);
    frame.data = f.mid(21, n);
    if (command != 1 && command != 3) {
        enqueueAnswer(SimCodec::receiveFrame(SimCodec::StatusTxFail, frame.id, {}, frame.extended, frame.remote), now);
        return;
    }
    transmitOnBus(frame, command, now);
    const quint32 count = SimCodec::getU32(f, 4);
    if (count > 1) {
        RepeatJob job;
        job.frame = frame;
        job.command = command;
        job.remaining = count == 0xFFFFFFFFu ? ~quint64(0) : quint64(count - 1);
        // The interval field counts tenths of a millisecond (the tool writes 10 for 1 ms).
        const quint32 tenths = std::max<quint32>(1, SimCodec::getU32(f, 8));
        job.interval = std::chrono::microseconds(qint64(tenths) * 100);
        job.next = now + job.interval;
        job.idInc = f[19] != 0;
        job.dataInc = f[20] != 0;
        repeats.push_back(job);
    }
}

void SimSerialAdapter::Impl::processInput(Clock::time_point now, Mode mode)
{
    int i = 0;
    const int size = int(in.size());
    auto at = [&](int k) { return quint8(in[k]); };
    while (i < size) {
        if (mode == Console) {
            feedConsole(in.mid(i), now);
            i = size;
            break;
        }
        if (mode == Auto) {
            std::shared_ptr<SimMotor> m = consoleMotor();
            const int need = m ? m->consoleBytesExpected() : 0;
            if (need > 0) {
                const int take = std::min(need, size - i);
                feedConsole(in.mid(i, take), now);
                i += take;
                continue;
            }
        }
        // What does the adapter protocol make of the bytes at i?
        enum { NoMatch, NeedMore, Frame, BitRate, Stop } kind = NoMatch;
        const int avail = size - i;
        if (at(i) == 0x55) {
            if (avail < 2) {
                kind = NeedMore;
            } else if (at(i + 1) == 0xAA) {
                if (avail < 3)
                    kind = NeedMore;
                else if (at(i + 2) != SimCodec::TransmitFrameSize)
                    kind = NoMatch;
                else
                    kind = avail < SimCodec::TransmitFrameSize ? NeedMore : Frame;
            } else if (at(i + 1) == 0x05) {
                if (avail < 5)
                    kind = NeedMore;
                else if (at(i + 3) == 0xAA && at(i + 4) == 0x55)
                    kind = BitRate;
            } else if (at(i + 1) == 0x03) {
                if (avail < 4)
                    kind = NeedMore;
                else if (at(i + 2) == 0xAA && at(i + 3) == 0x55)
                    kind = Stop;
            }
        }
        if (kind == NeedMore) {
            if (now - inTouched < milliseconds(kDecideMs))
                break;   // wait for the rest
            kind = NoMatch;
        }
        switch (kind) {
        case NoMatch:
            if (mode == Auto) {
                feedConsole(in.mid(i, 1), now);
            } else {
                std::lock_guard<std::mutex> lock(mutex);
                ++stats.garbageBytes;
            }
            ++i;
            break;
        case Frame: {
            const QByteArray f = in.mid(i, SimCodec::TransmitFrameSize);
            i += SimCodec::TransmitFrameSize;
            adapterSeen = true;
            if (!SimCodec::transmitFrameValid(f)) {
                std::lock_guard<std::mutex> lock(mutex);
                ++stats.badCrc;
                break;
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++stats.framesReceived;
            }
            handleTransmitFrame(f, now);
            break;
        }
        case BitRate: {
            const quint8 index = at(i + 2);
            i += 5;
            adapterSeen = true;
            const bool ok = index < SimCodec::BitRateCount;
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++stats.bitRateRequests;
                if (ok)
                    bitRate = index;
            }
            enqueueAnswer(SimCodec::receiveFrame(ok ? SimCodec::StatusBitRateOk : SimCodec::StatusBitRateFail,
                                                 0, QByteArray(1, char(index))), now);
            break;
        }
        case Stop:
            i += 4;
            adapterSeen = true;
            repeats.clear();
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++stats.stopRequests;
            }
            break;
        default:
            break;
        }
    }
    in.remove(0, i);
}

void SimSerialAdapter::Impl::generate(Clock::time_point now, Mode mode)
{
    // repeated transmissions
    for (auto it = repeats.begin(); it != repeats.end();) {
        int burst = 0;
        while (it->remaining > 0 && it->next <= now && burst++ < 1000) {
            if (it->idInc)
                it->frame.id = (it->frame.id + 1) & (it->frame.extended ? 0x1FFFFFFFu : 0x7FFu);
            if (it->dataInc) {
                for (int k = 0; k < it->frame.data.size(); ++k) {
                    it->frame.data[k] = char(quint8(it->frame.data[k]) + 1);
                    if (it->frame.data[k] != 0)
                        break;
                }
            }
            transmitOnBus(it->frame, it->command, now);
            if (it->remaining != ~quint64(0))
                --it->remaining;
            it->next += it->interval;
        }
        if (it->next + milliseconds(100) < now)
            it->next = now + it->interval;   // fell far behind: do not burst to catch up
        it = it->remaining == 0 ? repeats.erase(it) : std::next(it);
    }

    // console timers (identification answer, unfinished blocks)
    if (mode != Adapter) {
        std::shared_ptr<SimMotor> m = consoleMotor();
        if (m)
            enqueueAnswer(m->consolePoll(), now);
    }

    bool hb;
    int hbMs;
    bool streaming_;
    int rate;
    SimFlood pattern;
    {
        std::lock_guard<std::mutex> lock(mutex);
        hb = heartbeat;
        hbMs = std::max(1, heartbeatMs);
        streaming_ = streaming;
        rate = flood.framesPerSecond;
        if (streaming)
            pattern = flood;
        if (streamRestart) {
            streamRestart = false;
            streamStart = now;
            streamGenerated = 0;
        }
    }

    // heartbeat
    if (hbMs != lastHeartbeatMs) {
        lastHeartbeatMs = hbMs;
        nextHeartbeat = now + milliseconds(hbMs);
    }
    const bool adapterActive = mode == Adapter || (mode == Auto && adapterSeen);
    if (now >= nextHeartbeat) {
        nextHeartbeat += milliseconds(hbMs);
        if (nextHeartbeat <= now)
            nextHeartbeat = now + milliseconds(hbMs);
        // Nobody reading: a real adapter's heartbeats would be lost, not stored up.
        if (hb && adapterActive && unreadBacklog() < kHeartbeatBacklog) {
            OutUnit u;
            u.bytes = SimCodec::receiveFrame(SimCodec::StatusHeartbeat, 0, {});
            u.due = now;
            u.heartbeat = true;
            enqueue(std::move(u));
        }
    }

    // streaming
    if (streaming_ && streamQueued < kStreamBacklog) {
        quint64 owed;
        if (rate > 0) {
            const double elapsed = std::chrono::duration<double>(now - streamStart).count();
            const quint64 target = quint64(elapsed * rate);
            owed = target > streamGenerated ? target - streamGenerated : 0;
            const quint64 cap = std::max<quint64>(1, quint64(rate) / 10);
            if (owed > cap) {
                std::lock_guard<std::mutex> lock(mutex);
                stats.streamSlipped += owed - cap;
                streamGenerated += owed - cap;
                owed = cap;
            }
        } else {
            owed = quint64(kStreamBacklog - streamQueued) / SimCodec::ReceiveFrameSize;
        }
        owed = std::min<quint64>(owed, 512);
        if (owed > 0) {
            OutUnit u;
            u.bytes.reserve(int(owed) * SimCodec::ReceiveFrameSize);
            for (quint64 k = 0; k < owed; ++k) {
                const SimFloodFrame f = simFloodFrame(pattern, streamSeq++);
                u.bytes += SimCodec::receiveFrame(f.transmitted ? SimCodec::StatusTxOk : SimCodec::StatusRxOk, f.id,
                                                  f.data.left(8), f.extended);
            }
            streamGenerated += owed;
            u.streamFrames = quint32(owed);
            u.due = now;
            // Streamed bytes are never split: they measure throughput, not framing.
            outBytes += u.bytes.size();
            streamQueued += u.bytes.size();
            out.push_back(std::move(u));
        }
    }
}

void SimSerialAdapter::Impl::flush(Clock::time_point now)
{
    wantWrite = false;
    while (!out.empty() && master >= 0) {
        OutUnit &u = out.front();
        if (u.due > now)
            break;   // not yet due, or pausing between two pieces of a split unit
        int end = int(u.bytes.size());
        if (!u.streamFrames) {
            for (int s : u.splits)
                if (s > u.written && s < end) {
                    end = s;
                    break;
                }
        }
        const ssize_t w = ::write(master, u.bytes.constData() + u.written, size_t(end - u.written));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            wantWrite = errno == EAGAIN || errno == EWOULDBLOCK;
            if (!wantWrite) {
                // The terminal refuses the bytes for good: drop them rather than spin.
                outBytes -= u.bytes.size();
                if (u.streamFrames)
                    streamQueued -= u.bytes.size();
                out.pop_front();
                continue;
            }
            break;
        }
        u.written += int(w);
        {
            std::lock_guard<std::mutex> lock(mutex);
            stats.bytesWritten += quint64(w);
        }
        if (u.written == int(u.bytes.size())) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (u.answer)
                    ++stats.answersSent;
                if (u.heartbeat)
                    ++stats.heartbeatsSent;
                stats.streamedFrames += u.streamFrames;
            }
            outBytes -= u.bytes.size();
            if (u.streamFrames)
                streamQueued -= u.bytes.size();
            out.pop_front();
            continue;
        }
        if (u.written == end) {
            u.due = now + milliseconds(u.pauseMs);
            break;
        }
        wantWrite = true;   // the terminal buffer is full
        break;
    }
}

void SimSerialAdapter::Impl::run()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        nextHeartbeat = Clock::now() + milliseconds(heartbeatMs);
        lastHeartbeatMs = heartbeatMs;
    }
    char buf[4096];
    while (!stopRequested) {
        Clock::time_point now = Clock::now();
        Mode mode;
        QByteArray inject;
        bool close;
        bool streamingNow;
        {
            std::lock_guard<std::mutex> lock(mutex);
            mode = this->mode;
            inject.swap(injected);
            close = closeRequested;
            streamingNow = streaming;
        }
        if (close) {
            closeFds();
            break;
        }
        if (!inject.isEmpty()) {
            OutUnit u;
            u.bytes = inject;
            u.due = now;
            enqueue(std::move(u));
        }
        if (!in.isEmpty())
            processInput(now, mode);
        generate(now, mode);
        flush(now);

        // How long may we sleep?
        Clock::time_point wakeAt = now + milliseconds(1000);
        auto earlier = [&](Clock::time_point t) { wakeAt = std::min(wakeAt, t); };
        earlier(nextHeartbeat);
        if (!out.empty() && !wantWrite)
            earlier(out.front().due);
        for (const RepeatJob &job : repeats)
            earlier(job.next);
        if (streamingNow)
            earlier(now + milliseconds(1));
        if (!in.isEmpty())
            earlier(inTouched + milliseconds(kDecideMs + 1));
        if (mode != Adapter) {
            std::shared_ptr<SimMotor> m = consoleMotor();
            if (m && m->consoleHasTimers())
                earlier(now + milliseconds(10));
        }
        const int timeout = int(std::max<qint64>(
            0, std::chrono::duration_cast<milliseconds>(wakeAt - now).count()));

        pollfd fds[2];
        fds[0] = {master, short(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
        fds[1] = {wake[0], POLLIN, 0};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            while (::read(wake[0], buf, sizeof buf) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            for (;;) {
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n <= 0)
                    break;
                in.append(buf, int(n));
                inTouched = Clock::now();
            }
        }
    }
    running = false;
    {
        // Taking the lock orders this after a waiter's check of its condition.
        std::lock_guard<std::mutex> lock(mutex);
    }
    closedCv.notify_all();
}

// ---------------------------------------------------------------- public API

SimSerialAdapter::SimSerialAdapter() : d(new Impl) {}

SimSerialAdapter::~SimSerialAdapter()
{
    stop();
}

bool SimSerialAdapter::start(QString *error)
{
    auto fail = [&](const char *what) {
        const QString msg = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        if (error)
            *error = msg;
        d->closeFds();
        for (int &fd : d->wake) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        return false;
    };
    if (d->running)
        return true;
    if (d->master >= 0 || d->closeRequested) {
        if (error)
            *error = QStringLiteral("the port was closed and cannot be reopened");
        return false;
    }
    d->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (d->master < 0)
        return fail("posix_openpt");
    if (grantpt(d->master) != 0 || unlockpt(d->master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(d->master, name, sizeof name) != 0)
        return fail("ptsname");
    termios t;
    if (tcgetattr(d->master, &t) != 0)
        return fail("tcgetattr");
    cfmakeraw(&t);
    cfsetispeed(&t, B921600);
    cfsetospeed(&t, B921600);
    if (tcsetattr(d->master, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    if (!setNonBlocking(d->master))
        return fail("fcntl");
    d->slaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d->slaveKeep < 0)
        return fail("open slave");
    if (pipe2(d->wake, O_NONBLOCK | O_CLOEXEC) != 0)
        return fail("pipe2");
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->path = QString::fromLocal8Bit(name);
    }
    d->portOpen = true;
    d->stopRequested = false;
    d->running = true;
    d->worker = std::thread([this] { d->run(); });
    return true;
}

void SimSerialAdapter::stop()
{
    if (d->worker.joinable()) {
        d->stopRequested = true;
        d->wakeWorker();
        d->worker.join();
    }
    d->running = false;
    d->closeFds();
    for (int &fd : d->wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool SimSerialAdapter::isRunning() const { return d->running && d->portOpen; }

QString SimSerialAdapter::slavePath() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->path;
}

void SimSerialAdapter::setMode(Mode mode)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->mode = mode;
}

SimSerialAdapter::Mode SimSerialAdapter::mode() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->mode;
}

void SimSerialAdapter::addMotor(const std::shared_ptr<SimMotor> &motor)
{
    if (!motor)
        return;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->bus->addMotor(motor);
}

void SimSerialAdapter::clearMotors()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->bus->clear();
}

QList<std::shared_ptr<SimMotor>> SimSerialAdapter::motors() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bus->motors();
}

std::shared_ptr<SimMotor> SimSerialAdapter::motor(int index) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bus->motor(index);
}

std::shared_ptr<SimBus> SimSerialAdapter::bus() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bus;
}

void SimSerialAdapter::setBus(const std::shared_ptr<SimBus> &bus)
{
    if (!bus)
        return;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->bus = bus;
}

void SimSerialAdapter::setConsoleMotor(int index)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->consoleIndex = index;
}

int SimSerialAdapter::bitRateIndex() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bitRate;
}

QList<SimCanFrame> SimSerialAdapter::busFrames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return QList<SimCanFrame>(d->busFrames.begin(), d->busFrames.end());
}

void SimSerialAdapter::setDropAll(bool drop)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->dropAll = drop;
}

void SimSerialAdapter::setDropEveryNth(int n)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->dropEveryNth = std::max(0, n);
    d->answerCounter = 0;
}

void SimSerialAdapter::setAnswerDelayMs(int ms)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->delayMs = std::max(0, ms);
}

void SimSerialAdapter::injectBytes(const QByteArray &bytes)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->injected += bytes;
    }
    d->wakeWorker();
}

void SimSerialAdapter::corruptNextAnswers(int count, int byteOffset)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->corruptCount = std::max(0, count);
    d->corruptOffset = byteOffset;
}

void SimSerialAdapter::setSplitOffsets(const QList<int> &offsets, int pauseMs)
{
    QList<int> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    std::lock_guard<std::mutex> lock(d->mutex);
    d->splits = sorted;
    d->splitPauseMs = std::max(0, pauseMs);
}

void SimSerialAdapter::setHeartbeatEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->heartbeat = enabled;
}

void SimSerialAdapter::setHeartbeatIntervalMs(int ms)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->heartbeatMs = std::max(1, ms);
    }
    d->wakeWorker();
}

void SimSerialAdapter::closePort()
{
    std::unique_lock<std::mutex> lock(d->mutex);
    d->closeRequested = true;
    if (!d->worker.joinable() || !d->running) {
        lock.unlock();
        d->closeFds();
        return;
    }
    lock.unlock();
    d->wakeWorker();
    lock.lock();
    d->closedCv.wait(lock, [this] { return !d->portOpen || !d->running; });
}

bool SimSerialAdapter::isPortOpen() const { return d->portOpen; }

void SimSerialAdapter::startStreaming(int framesPerSecond, quint32 canId)
{
    SimFlood flood;
    flood.framesPerSecond = framesPerSecond;
    flood.ids = {canId};
    startFlood(flood);
}

void SimSerialAdapter::startFlood(const SimFlood &flood)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->streaming = true;
        d->streamRestart = true;
        d->flood = flood;
        d->flood.framesPerSecond = std::max(0, flood.framesPerSecond);
    }
    d->wakeWorker();
}

void SimSerialAdapter::stopStreaming()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->streaming = false;
}

bool SimSerialAdapter::isStreaming() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->streaming;
}

quint64 SimSerialAdapter::streamedFrames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats.streamedFrames;
}

SimSerialAdapter::Stats SimSerialAdapter::stats() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats;
}

void SimSerialAdapter::resetStats()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->stats = Stats();
}
