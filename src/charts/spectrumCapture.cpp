#include "charts/spectrumCapture.h"

#include "charts/spectrum.h"
#include "procedures/customCDC.h"
#include "link/usb/crc.h"
#include "log/log.h"
#include "motor/paramRegisters.h"

#include <QSerialPort>
#include <QtEndian>

namespace {
constexpr const char *kSource = "on_btn_HarmonicAnalysis_clicked";
constexpr int kPollMs = 5;
constexpr int kBlockWithCrc = Spectrum::BlockBytes + 4;
} // namespace

SpectrumCapture::SpectrumCapture(CustomCDC *link, QObject *parent) : QObject(parent), m_link(link)
{
    m_timer.setInterval(kPollMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SpectrumCapture::tick);
}

bool SpectrumCapture::portOpen() const
{
    return m_link && m_link->port() && m_link->port()->isOpen();
}

int SpectrumCapture::blockTimeoutForBaud(qint32 baud)
{
    if (baud <= 0)
        baud = 9600;
    // 10 bits per byte on the line (start, 8 data, stop).
    return 1000 + int(2LL * kBlockWithCrc * 10 * 1000 / baud);
}

int SpectrumCapture::blockTimeoutMs() const
{
    if (m_blockTimeoutMs > 0)
        return m_blockTimeoutMs;
    return blockTimeoutForBaud(portOpen() ? m_link->port()->baudRate() : 0);
}

bool SpectrumCapture::start()
{
    if (isRunning() || !portOpen())
        return false;
    m_link->HarmonicAnalysis();
    setState(State::Entering);
    m_lastAvailable = -1;
    emit progress(0);
    m_timer.start();
    return true;
}

void SpectrumCapture::setState(State state)
{
    m_state = state;
    m_clock.start();
}

void SpectrumCapture::finish(Outcome outcome, const QList<float> &samples)
{
    m_timer.stop();
    m_state = State::Idle;
    // The receive pipeline takes the port back whatever the outcome.
    m_link->harmonicAnalysis = false;
    if (outcome == Outcome::Done)
        emit progress(100);
    emit finished(outcome, samples);
}

SpectrumCapture::Outcome SpectrumCapture::checkBlock(const QByteArray &block, QList<float> *samples)
{
    const QByteArray data = block.left(Spectrum::BlockBytes);
    const QByteArray tail = block.mid(Spectrum::BlockBytes);
    if (tail.size() != 4) {
        Logger::error("CRC字节长度错误", kSource);
        return Outcome::TailLength;
    }
    const quint32 expected = calculateCRC32(data);
    const quint32 got = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(tail.constData()));
    if (got != expected) {
        Logger::error(QString("CRC校验失败: 计算值 0x%1, 接收值 0x%2")
                          .arg(expected, 8, 16, QChar('0'))
                          .arg(got, 8, 16, QChar('0')),
                      kSource);
        return Outcome::CrcMismatch;
    }
    Logger::info("CRC pass", kSource);
    if (samples)
        *samples = ut32ToFloatVector(block.left(block.size() - 4));
    return Outcome::Done;
}

void SpectrumCapture::tick()
{
    if (!portOpen()) {
        Logger::warning("质量分析中串口已关闭", kSource);
        finish(Outcome::PortClosed);
        return;
    }
    QSerialPort *port = m_link->port();
    const qint64 waited = m_clock.elapsed();
    switch (m_state) {
    case State::Idle:
        m_timer.stop();
        return;
    case State::Entering:
        if (waited < ConsoleDelayMs)
            return;
        m_link->HarmonicRequest();
        setState(State::WaitingHeader);
        return;
    case State::WaitingHeader: {
        QByteArray first;
        {
            QMutexLocker lock(&m_link->portMutex());
            if (port->bytesAvailable() > 0)
                first = port->read(1);
        }
        if (first.isEmpty()) {
            if (waited > m_headerTimeoutMs) {
                Logger::error(QString("质量分析: %1 ms内电机无应答").arg(m_headerTimeoutMs), kSource);
                finish(Outcome::NoReply);
            }
            return;
        }
        if (first.at(0) != 'T') {
            Logger::error(QString("质量分析: 应答首字节错误 0x%1").arg(quint8(first.at(0)), 2, 16, QChar('0')),
                          kSource);
            finish(Outcome::WrongHeader);
            return;
        }
        Logger::info("T", kSource);
        setState(State::WaitingBlock);
        emit progress(5);
        return;
    }
    case State::WaitingBlock: {
        QByteArray block;
        qint64 available = 0;
        {
            QMutexLocker lock(&m_link->portMutex());
            available = port->bytesAvailable();
            if (available > kBlockWithCrc - 1)
                block = port->readAll();
        }
        if (block.isEmpty()) {
            if (available != m_lastAvailable) {
                m_lastAvailable = available;
                emit progress(5 + int(95 * available / kBlockWithCrc));
            }
            if (waited > blockTimeoutMs()) {
                // What came is useless now; it must not reach the terminal as text.
                QMutexLocker lock(&m_link->portMutex());
                port->readAll();
                Logger::error(QString("质量分析: 数据块不完整 (%1/%2 字节)").arg(available).arg(kBlockWithCrc),
                              kSource);
                finish(Outcome::BlockTimeout);
            }
            return;
        }
        Logger::info(QString::number(block.size()), kSource);
        QList<float> samples;
        const Outcome outcome = checkBlock(block, &samples);
        finish(outcome, samples);
        return;
    }
    }
}
