#include "simUsbAdapter.h"

#include <QMap>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kBusFrameLimit = 10000;
constexpr int kCommandLogLimit = 256;
constexpr size_t kStreamQueueLimit = 1000000; // frames per stream before the oldest go
constexpr int kMaxStreamPayload = 0xFFFF;     // the length field has 16 bits

enum Code : quint8 {
    StartCap = 0x00, StopCap = 0x01, IapPack = 0x02, IapEnd = 0x03, SetupBaud = 0x05, TestAck = 0x06,
    GetBaudRate = 0x0D, StopPeriodSend = 0x0F, Heart = 0x10,
};
constexpr quint8 kRefused = 0x01;

// CRC-16/ARC, bit by bit: independent of the tool's table.
quint16 crc16(const char *data, int length)
{
    quint16 crc = 0;
    for (int i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

int dlcOf(int length, bool fd)
{
    if (!fd || length <= 8)
        return std::min(length, 8);
    static const int sizes[] = {12, 16, 20, 24, 32, 48, 64};
    for (int i = 0; i < 7; ++i)
        if (length <= sizes[i])
            return 9 + i;
    return 15;
}

int lengthOf(int dlc)
{
    static const int lengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
    return lengths[dlc & 15];
}

void putLe16(QByteArray &out, int at, quint16 v)
{
    out[at] = char(v);
    out[at + 1] = char(v >> 8);
}

quint32 le32(const QByteArray &in, int at)
{
    return quint32(quint8(in[at])) | quint32(quint8(in[at + 1])) << 8 | quint32(quint8(in[at + 2])) << 16
           | quint32(quint8(in[at + 3])) << 24;
}

struct Reply {
    QByteArray bytes;
    Clock::time_point due;
};

struct Repetition {
    SimUsbFrame frame;
    qint64 remaining = 0; // -1: until stopped
    Clock::duration interval;
    Clock::time_point next;
    bool idIncrement = false;
    bool dataIncrement = false;
    quint32 idStep = 1;
    quint32 firstId = 0;
    quint32 stopId = 0;
};

} // namespace

struct SimUsbAdapter::Impl {
    mutable std::mutex mutex;
    std::condition_variable cv;
    std::thread worker;
    bool stopping = false;

    QString serial;
    quint8 busNumber;
    quint8 address;
    quint16 vid = AdapterVendorId;
    quint16 pid = AdapterProductId;
    bool plugged = true;
    quint64 generation = 1;
    Clock::time_point born = Clock::now();

    std::shared_ptr<SimBus> bus = std::make_shared<SimBus>();
    std::deque<SimUsbFrame> busFrames;
    std::deque<QByteArray> received; // encoded heads + data, for 0x81
    std::deque<QByteArray> echoed;   // for 0x83
    std::deque<Reply> replies;       // for 0x82
    std::optional<Repetition> repetition;

    bool capturing = false;
    QByteArray timing = QByteArray::fromHex("001d0a0202" "1d0a0202"); // classic, 1 Mbit/s
    bool boot = false;
    QString version = QStringLiteral("1.0.2");
    QString versionAfterUpgrade;
    QByteArray image;
    int packets = 0;
    bool complete = false;

    std::deque<QByteArray> commandLog;
    QByteArray lastRecord;
    std::optional<Clock::time_point> firstHeartbeat;
    Clock::time_point lastHeartbeat;
    int watchdog = 3000;

    QMap<quint8, quint8> refusals;
    bool noReply = false;
    int replyDelay = 0;
    int wrongCode = 0, badReplyCrc = 0, badReplyEnd = 0, badStreamCrc = 0, badStreamEnd = 0;
    QMap<quint8, QPair<int, int>> failing; // endpoint -> (result, count)

    bool streaming = false;
    SimFlood flood;
    Clock::time_point streamStart;
    quint64 streamGenerated = 0;

    Stats stats;

    quint32 timestampUs(Clock::time_point t) const
    {
        return quint32(std::chrono::duration_cast<std::chrono::microseconds>(t - born).count());
    }

    QByteArray encode(const SimUsbFrame &f, bool transmitted, Clock::time_point t) const
    {
        const int dlc = dlcOf(int(f.data.size()), f.fd);
        const int n = lengthOf(dlc);
        QByteArray out(12 + n, '\0');
        putLe16(out, 0, quint16(f.id));
        putLe16(out, 2, quint16(f.id >> 16));
        const quint32 ts = timestampUs(t);
        putLe16(out, 4, quint16(ts));
        putLe16(out, 6, quint16(ts >> 16));
        quint8 flags = 0;
        if (!f.remote)
            flags |= 0x01;
        if (f.fd)
            flags |= 0x02;
        if (f.extended)
            flags |= 0x04;
        if (transmitted)
            flags |= 0x08;
        out[11] = char(flags | (dlc << 4));
        if (!f.remote)
            std::copy_n(f.data.constData(), std::min(int(f.data.size()), n), out.data() + 12);
        return out;
    }

    void queue(std::deque<QByteArray> &q, QByteArray bytes)
    {
        q.push_back(std::move(bytes));
        if (q.size() > kStreamQueueLimit) {
            q.pop_front();
            ++stats.streamDrops;
        }
        cv.notify_all();
    }

    void putOnBusLocked(const SimUsbFrame &frame, Clock::time_point now)
    {
        busFrames.push_back(frame);
        if (busFrames.size() > size_t(kBusFrameLimit))
            busFrames.pop_front();
        ++stats.busFrames;
        if (capturing)
            queue(echoed, encode(frame, true, now));
        // The motors speak classic CAN.
        if (frame.fd || frame.data.size() > 8)
            return;
        SimCanFrame c;
        c.id = frame.id;
        c.data = frame.data;
        c.extended = frame.extended;
        c.remote = frame.remote;
        for (const SimCanFrame &r : bus->transmit(c)) {
            if (!capturing)
                continue;
            SimUsbFrame reply;
            reply.id = r.id;
            reply.data = r.data;
            reply.extended = r.extended;
            reply.remote = r.remote;
            queue(received, encode(reply, false, now));
            ++stats.receivedQueued;
        }
    }

    void generateStreamLocked(Clock::time_point now)
    {
        if (!streaming || !capturing || flood.framesPerSecond <= 0)
            return;
        const double elapsed = std::chrono::duration<double>(now - streamStart).count();
        const quint64 target = quint64(elapsed * flood.framesPerSecond);
        if (target <= streamGenerated)
            return;
        for (quint64 k = streamGenerated; k < target; ++k) {
            const SimFloodFrame g = simFloodFrame(flood, k);
            SimUsbFrame f;
            f.id = g.id;
            f.data = g.data;
            f.fd = g.fd;
            f.extended = g.extended;
            (g.transmitted ? echoed : received).push_back(encode(f, g.transmitted, now));
            if (!g.transmitted)
                ++stats.receivedQueued;
        }
        stats.streamedFrames += target - streamGenerated;
        streamGenerated = target;
    }

    void stepRepetitionLocked(Clock::time_point now)
    {
        if (!repetition)
            return;
        Repetition &r = *repetition;
        int burst = 0;
        while (r.remaining != 0 && r.next <= now && burst++ < 1000) {
            if (r.idIncrement) {
                const quint32 mask = r.frame.extended ? 0x1FFFFFFFu : 0x7FFu;
                quint32 id = (r.frame.id + r.idStep) & mask;
                if (id > r.stopId || id < r.firstId)
                    id = r.firstId;
                r.frame.id = id;
            }
            if (r.dataIncrement) {
                for (int k = 0; k < r.frame.data.size(); ++k) {
                    r.frame.data[k] = char(quint8(r.frame.data[k]) + 1);
                    if (r.frame.data[k] != 0)
                        break;
                }
            }
            putOnBusLocked(r.frame, now);
            if (r.remaining > 0)
                --r.remaining;
            r.next += r.interval;
        }
        // Fell far behind: no burst to catch up.
        if (r.next + milliseconds(100) < now)
            r.next = now + r.interval;
        if (r.remaining == 0)
            repetition.reset();
    }

    void checkWatchdogLocked(Clock::time_point now)
    {
        if (repetition && firstHeartbeat && now - lastHeartbeat > milliseconds(watchdog)) {
            repetition.reset();
            ++stats.watchdogTrips;
        }
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            const Clock::time_point now = Clock::now();
            stepRepetitionLocked(now);
            checkWatchdogLocked(now);
            Clock::time_point wake = now + milliseconds(20);
            if (repetition)
                wake = std::min(wake, repetition->next);
            cv.wait_until(lock, wake);
        }
    }

    // Returns true (with `result` set) when a failure is due on this endpoint.
    bool failingLocked(quint8 endpoint, int &result)
    {
        if (!plugged) {
            result = ErrorNoDevice;
            return true;
        }
        auto it = failing.find(endpoint);
        if (it == failing.end() || it->second <= 0)
            return false;
        result = it->first;
        if (--it->second <= 0)
            failing.erase(it);
        return true;
    }

    void replyLocked(quint8 code, quint8 ack, const QByteArray &payload, Clock::time_point now)
    {
        if (noReply)
            return;
        quint8 sentCode = code;
        if (wrongCode > 0) {
            --wrongCode;
            sentCode = quint8(code + 1);
        }
        const int m = int(payload.size());
        QByteArray out(8 + m, '\0');
        out[0] = char(0xA5);
        out[1] = char(sentCode);
        out[2] = char(ack);
        putLe16(out, 3, quint16(m));
        std::copy_n(payload.constData(), m, out.data() + 5);
        quint16 crc = crc16(out.constData() + 1, m + 4);
        if (badReplyCrc > 0) {
            --badReplyCrc;
            crc ^= 0x0101;
        }
        putLe16(out, 5 + m, crc);
        out[7 + m] = char(0x5A);
        if (badReplyEnd > 0) {
            --badReplyEnd;
            out[7 + m] = 0;
        }
        replies.push_back({out, now + milliseconds(replyDelay)});
        ++stats.replies;
        cv.notify_all();
    }

    void commandLocked(quint8 code, const QByteArray &payload, Clock::time_point now)
    {
        ++stats.commands;
        const auto refusal = refusals.constFind(code);
        if (refusal != refusals.constEnd()) {
            replyLocked(code, refusal.value(), {}, now);
            return;
        }
        quint8 ack = 0;
        QByteArray answer;
        switch (code) {
        case StartCap:
            // A flood started before the capture runs from now on, not from its start.
            if (streaming && !capturing)
                streamStart = now - std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(double(streamGenerated) / flood.framesPerSecond));
            capturing = true;
            break;
        case StopCap:
            capturing = false;
            received.clear();
            echoed.clear();
            break;
        case IapPack: {
            const quint32 index = payload.size() == 4100 ? le32(payload, 0) : 0xFFFFFFFFu;
            if (index == 0) {
                image.clear();
                packets = 0;
                complete = false;
            }
            if (payload.size() != 4100 || index != quint32(packets)) {
                ack = kRefused;
                break;
            }
            image += payload.mid(4);
            ++packets;
            break;
        }
        case IapEnd:
            complete = packets > 0;
            boot = false;
            if (complete && !versionAfterUpgrade.isEmpty())
                version = std::exchange(versionAfterUpgrade, QString());
            break;
        case SetupBaud: {
            const auto u = [&](int i) { return quint8(payload[i]); };
            const bool valid = payload.size() == 9 && u(4) > 0 && u(1) > 0 && u(2) > 0
                               && (u(0) == 0 || (u(8) > 0 && u(5) > 0 && u(6) > 0));
            if (!valid) {
                ack = kRefused;
                break;
            }
            timing = payload;
            timing[0] = char(u(0) ? 1 : 0);
            break;
        }
        case TestAck:
            answer = (boot ? QStringLiteral("boot sw_version: ") : QStringLiteral("app sw_version: ")).toUtf8()
                     + version.toUtf8();
            break;
        case GetBaudRate:
            if (payload != "getbaudrate")
                ack = kRefused;
            else
                answer = timing;
            break;
        case StopPeriodSend:
            if (payload != "stopsend") {
                ack = kRefused;
                break;
            }
            repetition.reset();
            answer = "ok";
            break;
        case Heart:
            break;
        default:
            ack = kRefused;
            break;
        }
        replyLocked(code, ack, answer, now);
    }

    void heartbeatLocked(const QByteArray &bytes, Clock::time_point now)
    {
        const bool valid = bytes.size() == 24 && quint8(bytes[0]) == 0xA5 && quint8(bytes[1]) == Heart
                           && quint8(bytes[2]) == 17 && bytes[3] == 0
                           && bytes.mid(4, 17) == QByteArray(17, char(0xFF))
                           && crc16(bytes.constData() + 1, 20) == quint16(quint8(bytes[21]) | quint8(bytes[22]) << 8)
                           && quint8(bytes[23]) == 0x5A;
        if (!valid) {
            ++stats.badHeartbeats;
            return;
        }
        ++stats.heartbeats;
        if (!firstHeartbeat)
            firstHeartbeat = now;
        lastHeartbeat = now;
    }

    void transmitLocked(const QByteArray &r, Clock::time_point now)
    {
        if (r.size() != 88) {
            ++stats.badRecords;
            return;
        }
        ++stats.transmitRecords;
        lastRecord = r;
        const quint8 flags = quint8(r[2]);
        SimUsbFrame f;
        f.fd = flags & 0x01;
        f.remote = !(flags & 0x02);
        f.extended = flags & 0x04;
        f.bitRateSwitch = f.fd && (flags & 0x08);
        const int n = std::min<int>(quint8(r[4]), f.fd ? 64 : 8);
        f.data = r.mid(24, n);
        f.id = le32(r, 20) & (f.extended ? 0x1FFFFFFFu : 0x7FFu);
        putOnBusLocked(f, now);
        const qint32 times = qint32(le32(r, 8));
        if (times == 1 || times == 0 || times < -1)
            return;
        // One repetition at a time: a new one replaces the one running.
        Repetition rep;
        rep.frame = f;
        rep.remaining = times == -1 ? -1 : times - 1;
        rep.interval = milliseconds(std::max<quint32>(1, le32(r, 16)));
        rep.next = now + rep.interval;
        rep.idIncrement = flags & 0x10;
        rep.dataIncrement = flags & 0x20;
        rep.idStep = std::max<quint32>(1, quint8(r[0]));
        rep.firstId = f.id;
        rep.stopId = std::max(f.id, le32(r, 12));
        repetition = rep;
        cv.notify_all();
    }
};

SimUsbAdapter::SimUsbAdapter(const QString &serialNumber, quint8 bus, quint8 address) : d(std::make_unique<Impl>())
{
    d->serial = serialNumber;
    d->busNumber = bus;
    d->address = address;
    d->worker = std::thread([this] { d->run(); });
}

SimUsbAdapter::~SimUsbAdapter()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->cv.notify_all();
    d->worker.join();
}

quint8 SimUsbAdapter::busNumber() const { return d->busNumber; }
quint8 SimUsbAdapter::address() const { return d->address; }
QString SimUsbAdapter::serialNumber() const { return d->serial; }

quint16 SimUsbAdapter::vendorId() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->vid;
}

quint16 SimUsbAdapter::productId() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->pid;
}

void SimUsbAdapter::setIdentity(quint16 vendorId, quint16 productId)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->vid = vendorId;
    d->pid = productId;
}

void SimUsbAdapter::unplug()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->plugged)
        return;
    d->plugged = false;
    ++d->generation;
    d->capturing = false;
    d->repetition.reset();
    d->received.clear();
    d->echoed.clear();
    d->replies.clear();
    d->firstHeartbeat.reset();
    d->streaming = false;
    d->cv.notify_all();
}

void SimUsbAdapter::plug()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->plugged)
        return;
    d->plugged = true;
    ++d->generation;
}

bool SimUsbAdapter::isPlugged() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->plugged;
}

quint64 SimUsbAdapter::generation() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->generation;
}

int SimUsbAdapter::bulkOut(quint8 endpoint, const QByteArray &bytes, int)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    int result = Ok;
    if (d->failingLocked(endpoint, result))
        return result;
    const Clock::time_point now = Clock::now();
    switch (endpoint) {
    case 0x01:
        d->heartbeatLocked(bytes, now);
        return Ok;
    case 0x02: {
        d->commandLog.push_back(bytes);
        if (d->commandLog.size() > size_t(kCommandLogLimit))
            d->commandLog.pop_front();
        const int size = int(bytes.size());
        const int n = size >= 4 ? quint8(bytes[2]) | quint8(bytes[3]) << 8 : -1;
        const bool valid = size >= 7 && quint8(bytes[0]) == 0xA5 && n + 7 <= size
                           && crc16(bytes.constData() + 1, n + 3)
                                  == quint16(quint8(bytes[4 + n]) | quint8(bytes[5 + n]) << 8)
                           && quint8(bytes[6 + n]) == 0x5A;
        if (!valid) {
            ++d->stats.badCommands;
            return Ok;
        }
        d->commandLocked(quint8(bytes[1]), bytes.mid(4, n), now);
        return Ok;
    }
    case 0x03:
        d->transmitLocked(bytes, now);
        return Ok;
    default:
        return ErrorPipe;
    }
}

int SimUsbAdapter::bulkIn(quint8 endpoint, QByteArray &out, int maxLength, int timeoutMs)
{
    out.clear();
    std::unique_lock<std::mutex> lock(d->mutex);
    int result = Ok;
    if (d->failingLocked(endpoint, result))
        return result;
    const Clock::time_point deadline = Clock::now() + milliseconds(std::max(0, timeoutMs));
    const quint64 plugGeneration = d->generation;

    if (endpoint == 0x82) {
        for (;;) {
            if (d->generation != plugGeneration || !d->plugged)
                return ErrorNoDevice;
            const Clock::time_point now = Clock::now();
            if (!d->replies.empty() && d->replies.front().due <= now) {
                out = d->replies.front().bytes;
                d->replies.pop_front();
                return out.size() > maxLength ? ErrorOverflow : Ok;
            }
            if (now >= deadline)
                return ErrorTimeout;
            Clock::time_point wake = deadline;
            if (!d->replies.empty())
                wake = std::min(wake, d->replies.front().due);
            d->cv.wait_until(lock, wake);
        }
    }
    if (endpoint != 0x81 && endpoint != 0x83)
        return ErrorPipe;

    const bool rx = endpoint == 0x81;
    std::deque<QByteArray> &q = rx ? d->received : d->echoed;
    for (;;) {
        if (d->generation != plugGeneration || !d->plugged)
            return ErrorNoDevice;
        const Clock::time_point now = Clock::now();
        d->generateStreamLocked(now);
        if (!q.empty())
            break;
        if (now >= deadline)
            return ErrorTimeout;
        // The generator has no event to wait for: look again every millisecond.
        d->cv.wait_until(lock, std::min(deadline, now + milliseconds(1)));
    }
    const int room = std::min(kMaxStreamPayload, maxLength - 7);
    QByteArray payload;
    quint64 frames = 0;
    while (!q.empty() && payload.size() + q.front().size() <= room) {
        payload += q.front();
        q.pop_front();
        ++frames;
    }
    if (frames == 0)
        return ErrorOverflow;
    (rx ? d->stats.receivedDelivered : d->stats.echoDelivered) += frames;
    const int n = int(payload.size());
    out.reserve(n + 7);
    out.append(char(0xA5));
    out.append(char(endpoint));
    out.append(char(n));
    out.append(char(n >> 8));
    out.append(payload);
    quint16 crc = crc16(out.constData() + 2, n + 2);
    quint8 end = 0x5A;
    if (rx && d->badStreamCrc > 0) {
        --d->badStreamCrc;
        crc ^= 0x0101;
    }
    if (rx && d->badStreamEnd > 0) {
        --d->badStreamEnd;
        end = 0x00;
    }
    out.append(char(crc));
    out.append(char(crc >> 8));
    out.append(char(end));
    return Ok;
}

int SimUsbAdapter::clearHalt(quint8 endpoint)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->plugged)
        return ErrorNoDevice;
    const bool known = endpoint == 0x01 || endpoint == 0x02 || endpoint == 0x03 || endpoint == 0x81
                       || endpoint == 0x82 || endpoint == 0x83;
    return known ? Ok : ErrorPipe;
}

void SimUsbAdapter::addMotor(const std::shared_ptr<SimMotor> &motor) { bus()->addMotor(motor); }

QList<std::shared_ptr<SimMotor>> SimUsbAdapter::motors() const { return bus()->motors(); }

std::shared_ptr<SimMotor> SimUsbAdapter::motor(int index) const { return bus()->motor(index); }

std::shared_ptr<SimBus> SimUsbAdapter::bus() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bus;
}

void SimUsbAdapter::setBus(const std::shared_ptr<SimBus> &bus)
{
    if (!bus)
        return;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->bus = bus;
}

QList<SimUsbFrame> SimUsbAdapter::busFrames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return QList<SimUsbFrame>(d->busFrames.begin(), d->busFrames.end());
}

void SimUsbAdapter::injectReceivedFrame(const SimUsbFrame &frame)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->capturing)
        return;
    d->queue(d->received, d->encode(frame, false, Clock::now()));
    ++d->stats.receivedQueued;
}

bool SimUsbAdapter::isCapturing() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->capturing;
}

bool SimUsbAdapter::isRepeating() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->repetition.has_value();
}

QByteArray SimUsbAdapter::timing() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->timing;
}

void SimUsbAdapter::setTiming(const QByteArray &record)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (record.size() == 9)
        d->timing = record;
}

void SimUsbAdapter::setBootMode(bool boot)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->boot = boot;
}

bool SimUsbAdapter::inBootMode() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->boot;
}

void SimUsbAdapter::setVersionText(const QString &text)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->version = text;
}

void SimUsbAdapter::setVersionAfterUpgrade(const QString &text)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->versionAfterUpgrade = text;
}

QByteArray SimUsbAdapter::firmwareImage() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->image;
}

int SimUsbAdapter::firmwarePackets() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->packets;
}

bool SimUsbAdapter::firmwareComplete() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->complete;
}

QByteArray SimUsbAdapter::lastTransmitRecord() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->lastRecord;
}

QList<QByteArray> SimUsbAdapter::commandLog() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return QList<QByteArray>(d->commandLog.begin(), d->commandLog.end());
}

QList<quint8> SimUsbAdapter::commandCodes() const
{
    QList<quint8> codes;
    for (const QByteArray &c : commandLog())
        codes << (c.size() > 1 ? quint8(c[1]) : quint8(0xFF));
    return codes;
}

double SimUsbAdapter::heartbeatSpanMs() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->firstHeartbeat)
        return 0;
    return std::chrono::duration<double, std::milli>(d->lastHeartbeat - *d->firstHeartbeat).count();
}

int SimUsbAdapter::watchdogMs() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->watchdog;
}

void SimUsbAdapter::setWatchdogMs(int ms)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->watchdog = std::max(1, ms);
}

void SimUsbAdapter::refuseCommand(quint8 code, quint8 ackCode)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (ackCode == 0)
        d->refusals.remove(code);
    else
        d->refusals.insert(code, ackCode);
}

void SimUsbAdapter::setNoReply(bool on)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->noReply = on;
}

void SimUsbAdapter::setReplyDelayMs(int ms)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->replyDelay = std::max(0, ms);
}

void SimUsbAdapter::answerWithWrongCode(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->wrongCode = count;
}

void SimUsbAdapter::corruptNextReplyCrc(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->badReplyCrc = count;
}

void SimUsbAdapter::breakNextReplyEnd(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->badReplyEnd = count;
}

void SimUsbAdapter::corruptNextStreamCrc(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->badStreamCrc = count;
}

void SimUsbAdapter::breakNextStreamEnd(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->badStreamEnd = count;
}

void SimUsbAdapter::failNextTransfers(quint8 endpoint, int result, int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->failing.insert(endpoint, qMakePair(result, count));
}

void SimUsbAdapter::startStreaming(int framesPerSecond, quint32 canId, int dataLength)
{
    SimFlood flood;
    flood.framesPerSecond = framesPerSecond;
    flood.ids = {canId};
    flood.lengths = {std::clamp(dataLength, 8, 64)};
    startFlood(flood);
}

void SimUsbAdapter::startFlood(const SimFlood &flood)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->streaming = true;
    d->flood = flood;
    d->flood.framesPerSecond = std::max(1, flood.framesPerSecond);
    d->streamStart = Clock::now();
    d->streamGenerated = 0;
}

void SimUsbAdapter::stopStreaming()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->generateStreamLocked(Clock::now());
    d->streaming = false;
}

quint64 SimUsbAdapter::streamedFrames() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats.streamedFrames;
}

SimUsbAdapter::Stats SimUsbAdapter::stats() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats;
}
