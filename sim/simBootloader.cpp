#include "simBootloader.h"

#include "simCodec.h"

#include <algorithm>

namespace {
constexpr int kMaxPacketData = 8192;
constexpr auto kPacketSilence = std::chrono::milliseconds(1000);
} // namespace

QByteArray SimBootloader::enter(Path path, Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return enterLocked(path, now);
}

QByteArray SimBootloader::enterLocked(Path path, Clock::time_point now)
{
    m_packet.clear();
    m_newImage.clear();
    m_commands.clear();
    m_newPackets = 0;
    m_touched = now;
    if (!m_refusal.isEmpty() || m_errorAt == 0) {
        m_path = Path::Off;
        return m_refusal.isEmpty() ? QByteArrayLiteral("ERROR\n") : m_refusal;
    }
    m_path = path;
    if (path == Path::Off || m_silentFrom == 0)
        return {};
    return path == Path::Console ? QByteArrayLiteral("Enter Bootloader\n") : QByteArrayLiteral("Aupgrade");
}

void SimBootloader::leave()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = Path::Off;
    m_packet.clear();
}

SimBootloader::Path SimBootloader::path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

QByteArray SimBootloader::feed(const QByteArray &bytes, Clock::time_point now, int *taken)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QByteArray out;
    int i = 0;
    for (; i < bytes.size() && m_path != Path::Off; ++i) {
        // Between packets ESC leaves the bootloader and 'X' starts over; inside a packet
        // every byte is data.
        if (m_path == Path::Console && m_packet.isEmpty() && quint8(bytes[i]) == 0x1B) {
            m_path = Path::Off;
            ++i;
            break;
        }
        if (m_path == Path::Console && m_packet.isEmpty() && bytes[i] == 'X') {
            out += enterLocked(Path::Console, now);
            continue;
        }
        m_touched = now;
        out += takeByteLocked(bytes[i]);
    }
    if (taken)
        *taken = i;
    return out;
}

QByteArray SimBootloader::takeByteLocked(char ch)
{
    if (m_packet.isEmpty() && ch != '#')
        return {};
    m_packet.append(ch);
    const int n = int(m_packet.size());
    if (n == 3 && m_packet[2] != '#') {
        m_packet.clear();
        return {};
    }
    if (n < 5)
        return {};
    const int len = quint8(m_packet[3]) | (quint8(m_packet[4]) << 8);
    if (len > kMaxPacketData) {
        m_packet.clear();
        return QByteArrayLiteral("ERROR\n");
    }
    if (n < len + 6)
        return {};
    const QByteArray data = m_packet.mid(5, len);
    const bool good = SimCodec::crc8Maxim(data) == quint8(m_packet[5 + len]);
    const quint8 remaining = quint8(m_packet[1]);
    m_packet.clear();
    const int number = m_newPackets + 1;
    if (m_silentFrom > 0 && number >= m_silentFrom)
        return {};
    if (!good || number == m_errorAt)
        return QByteArrayLiteral("ERROR\n");
    m_newImage += data;
    m_newPackets = number;
    m_commands.append(remaining);
    if (remaining != 0)
        return QByteArrayLiteral("OK\n");
    m_image = m_newImage;
    m_packets = m_newPackets;
    ++m_transfers;
    m_path = Path::Off;
    return QByteArrayLiteral("complete\n");
}

QByteArray SimBootloader::poll(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_path == Path::Off || m_packet.isEmpty() || now - m_touched < kPacketSilence)
        return {};
    m_packet.clear();
    return QByteArrayLiteral("ERROR\n");
}

bool SimBootloader::packetPending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path != Path::Off && !m_packet.isEmpty();
}

int SimBootloader::bytesExpected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int n = int(m_packet.size());
    if (m_path == Path::Off || n == 0)
        return 0;
    if (n < 5)
        return 5 - n;
    const int len = quint8(m_packet[3]) | (quint8(m_packet[4]) << 8);
    return std::max(1, len + 6 - n);
}

void SimBootloader::shiftClock(Clock::duration by)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_touched += by;
}

QByteArray SimBootloader::image() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_image;
}

int SimBootloader::packets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_packets;
}

QList<quint8> SimBootloader::commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

QByteArray SimBootloader::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_newImage;
}

int SimBootloader::transfers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_transfers;
}

void SimBootloader::setSilentFrom(int packet)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silentFrom = packet;
}

void SimBootloader::setErrorAt(int packet)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errorAt = packet;
}

void SimBootloader::setRefusal(const QByteArray &text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refusal = text;
}
