#include "link/usb/usbCanAdapter.h"

#include "link/usb/can_class.h"
#include "link/usb/control_protocol.h"
#include "link/usb/tx_can_thread.h"
#include "link/usb/usb_class.h"
#include "log/log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

UsbCanAdapter::UsbCanAdapter(CustomFIFO *fifo, QObject *parent) : CanAdapter(parent), m_fifo(fifo)
{
    m_fifo->fifo_init();
    m_sends = std::make_unique<OrderedPoolQueue<QPair<CanBusFrame, CanTxOptions>>>(
        [this](const QPair<CanBusFrame, CanTxOptions> &s) { transmit(s.first, s.second); });
    m_parser = new can_class(m_fifo, this);
    m_rx = new usb_class(m_fifo, this);
    m_tx = new tx_can_thread(m_fifo, this);
    // Runs on the parse thread; the batch leaves as one framesReceived.
    connect(
        m_parser, &can_class::send_can_value, this,
        [this](const QList<can_node_type> &nodes) {
            QList<CanBusFrame> frames;
            frames.reserve(nodes.size());
            for (const can_node_type &n : nodes)
                frames.append(frameOf(n));
            enqueueReceivedFrames(frames);
        },
        Qt::DirectConnection);
    // Either reader's failure ends the link: without the echo reader the frames sent no
    // longer reach the log. When the adapter goes both fail; the first report closes the
    // link and the second finds it closed.
    connect(m_rx, &usb_class::usb_happen_err, this, [this] { onReaderError(UsbAdapter::ReceiveIn); },
            Qt::QueuedConnection);
    connect(m_tx, &tx_can_thread::usb_happen_err, this, [this] { onReaderError(UsbAdapter::EchoIn); },
            Qt::QueuedConnection);
    m_parser->start();
    m_rx->start();
    m_tx->start();
}

UsbCanAdapter::~UsbCanAdapter()
{
    disconnectDevice();
    flushSends();
    struct Stop {
        QThread *thread;
        const char *text;
    };
    for (const Stop &s : {Stop{m_rx, "RX接收线程已经终止"}, Stop{m_tx, "TX接收线程已经终止"},
                          Stop{m_parser, "CAN解析线程已经终止"}}) {
        s.thread->requestInterruption();
        s.thread->quit();
        s.thread->wait();
        Logger::info(s.text, "~MainWindow");
    }
}

CanBusFrame UsbCanAdapter::frameOf(const can_node_type &node)
{
    CanBusFrame f;
    f.id = node.head.id;
    const uint8_t flags = node.head.flags();
    if (!(flags & can_head_type::DataFrame))
        f.flags |= CanBusFrame::Remote;
    if (flags & can_head_type::CanFd)
        f.flags |= CanBusFrame::FlexibleData;
    if (flags & can_head_type::ExtendedId)
        f.flags |= CanBusFrame::Extended;
    if (flags & can_head_type::Transmitted)
        f.flags |= CanBusFrame::Echo;
    // Any non-zero error byte counts as a failed frame.
    if (node.head.error != 0)
        f.flags |= CanBusFrame::Failed;
    f.payload = node.data;
    f.timestampUs = node.head.timestamp;
    f.sequence = node.seq;
    return f;
}

bool UsbCanAdapter::open()
{
    if (usb_open(m_deviceName) != 0) {
        setError(Error::ConnectionError, "打开:" + m_deviceName + "失败");
        return false;
    }
    clearWINUSBhalt();
    m_readerFailed = false;
    // A reader that ended on a transfer error (an unplugged adapter) runs again.
    m_rx->restart();
    m_tx->restart();
    m_rx->setBlockFlag(false);
    m_tx->setBlockFlag(false);
    USB_CMD_START_CAP();
    return true;
}

void UsbCanAdapter::close()
{
    flushSends();
    // The adapter would go on repeating a frame after the tool let go of it, until its own
    // watchdog: whatever it repeats stops with the link.
    if (get_connect()) {
        USB_CMD_StopPeriodSend();
        USB_CMD_STOP_CAP();
    }
    m_rx->setBlockFlag(true);
    m_tx->setBlockFlag(true);
    // Let the readers finish the transfer they are in (200 ms at most), keeping the window
    // painted meanwhile; no clicks are taken while the link is half closed.
    auto settled = [](const usb_stream_reader *r) { return r->isIdle() || !r->isRunning(); };
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 200 && !(settled(m_rx) && settled(m_tx))) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
        QThread::msleep(1);
    }
    usb_clear();
}

void UsbCanAdapter::onReaderError(quint8 endpoint)
{
    // When the adapter goes both readers fail: one report, whether or not the owner has
    // closed the link by the time the second arrives.
    if (isConnected() && !m_readerFailed) {
        m_readerFailed = true;
        setError(Error::ReadError, QString("USB传输错误 (0x%1)").arg(endpoint, 2, 16, QChar('0')));
    }
}

bool UsbCanAdapter::sendFrame(const CanBusFrame &frame, const CanTxOptions &options)
{
    if (!isConnected())
        return false;
    if (!txRecordCarries(options)) {
        Logger::warning(QString("ID步距 %1 超出发送记录的范围 (0-%2)，未发送")
                            .arg(options.idStep)
                            .arg(can_tx_type::MaxIdStep),
                        "sendFrame");
        return false;
    }
    m_sends->post({frame, options});
    return true;
}

void UsbCanAdapter::flushSends() { m_sends->waitForDone(); }

int UsbCanAdapter::transmit(const CanBusFrame &frame, const CanTxOptions &options)
{
    if (options.times != 1) {
        QStringList hex;
        for (char c : frame.payload)
            hex << QString("%1").arg(uint8_t(c), 2, 16, QChar('0')).toUpper();
        Logger::info("(Hex): " + hex.join(' '), "fdcanFrameSendTimes");
    }
    return m_tx->transmit(txRecordOf(frame, options));
}

bool UsbCanAdapter::stopRepeating()
{
    if (!isConnected())
        return false;
    // A repetition asked for just before must reach the adapter before the stop does.
    flushSends();
    USB_CMD_StopPeriodSend();
    return true;
}
