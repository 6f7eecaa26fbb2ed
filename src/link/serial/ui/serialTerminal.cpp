#include "link/serial/ui/serialTerminal.h"

#include "link/serial/serialCanAdapter.h"
#include "link/serial/textHelpers.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/detachedWindow.h"
#include "widgets/switchbutton.h"
#include "widgets/terminalOutput.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPort>

namespace {
const QColor kSendingBackground(220, 230, 242);
constexpr int kQueuePollMs = 5;

void newLine(CustomPlainTextEdit *edit) { edit->insertPlainText(QStringLiteral("\n")); }

void convertInput(CustomPlainTextEdit *edit, bool hex)
{
    const QString text = edit->toPlainText();
    edit->setPlainText(hex ? AsciiToHex(text) : HexToAscii(text));
    edit->hexMode = hex;
    if (hex)
        edit->byteLimit = -1;
    edit->moveCursor(QTextCursor::End);
}
} // namespace

SerialTerminal::SerialTerminal(const Widgets &widgets, SerialCanAdapter *port, QWidget *parent)
    : QObject(parent), ui(widgets), link(port), window(parent)
{
    connect(ui.sendButton, &QPushButton::clicked, this, &SerialTerminal::on_btn_NormalSend_clicked);
    connect(ui.input, &CustomPlainTextEdit::returnPressed, this, &SerialTerminal::on_retrunPressed);
    connect(ui.input, &CustomPlainTextEdit::shiftReturnPressed, this, &SerialTerminal::on_shiftReturnPressed);
    connect(ui.inputHex, &SwitchButton::statusChanged, this, &SerialTerminal::on_ASCIIHex_statusChanged);
    connect(ui.queueHex, &SwitchButton::statusChanged, this, &SerialTerminal::on_ASCIIHex_2_statusChanged);
    connect(ui.outputHex, &SwitchButton::statusChanged, this, &SerialTerminal::on_ASCIIHex_3_statusChanged);
    connect(ui.add, &QPushButton::clicked, this, &SerialTerminal::on_addDataList_clicked);
    connect(ui.remove, &QPushButton::clicked, this, &SerialTerminal::on_deleteDataList_clicked);
    connect(ui.up, &QPushButton::clicked, this, &SerialTerminal::on_upDataList_clicked);
    connect(ui.down, &QPushButton::clicked, this, &SerialTerminal::on_downDataList_clicked);
    connect(ui.clear, &QPushButton::clicked, this, &SerialTerminal::on_clearDataList_clicked);
    connect(ui.sendQueue, &QPushButton::clicked, this, &SerialTerminal::on_sendDataList_clicked);
    // Return in the queue input adds the message; Shift+Return starts a new line.
    connect(ui.queueInput, &CustomPlainTextEdit::returnPressed, this, &SerialTerminal::on_addDataList_clicked);
    connect(ui.queueInput, &CustomPlainTextEdit::shiftReturnPressed, this, [this] { newLine(ui.queueInput); });

    // The inputs start in the format their switches show.
    ui.input->hexMode = ui.inputHex->checked();
    ui.queueInput->hexMode = ui.queueHex->checked();

    queueTimer.setInterval(kQueuePollMs);
    queueTimer.setTimerType(Qt::PreciseTimer);
    connect(&queueTimer, &QTimer::timeout, this, &SerialTerminal::queueTick);
    ui.queueGroup->installEventFilter(this);
    retranslate();
}

bool SerialTerminal::portOpen() const { return link && link->port() && link->port()->isOpen(); }

int SerialTerminal::queueIntervalMs() const
{
    bool ok = false;
    const int ms = ui.interval->text().toInt(&ok);
    return ok && ms > 0 ? ms : 0;
}

bool SerialTerminal::send(const QString &text, bool hex)
{
    if (!portOpen()) {
        emit MessageInfo(0);
        return false;
    }
    const QByteArray bytes = hex ? hexTextToBytes(text) : QStringToGBK(text);
    if (bytes.isEmpty())
        return true; // nothing to send
    // The echo takes the display's format, so that the whole output converts alike.
    QString echo;
    if (ui.outputHex->checked()) {
        echo = byteArrayToHexChars(bytes);
        echo.chop(1);
    } else {
        echo = FilterNoPrintChar(QByteArrayToQString(bytes));
    }
    flushOutput(); // after what arrived before it
    ui.output->appendPlainText(QStringLiteral(">>") + echo);
    ui.output->verticalScrollBar()->setValue(ui.output->verticalScrollBar()->maximum());
    link->writeBytes(bytes);
    return true;
}

void SerialTerminal::on_btn_NormalSend_clicked() { send(ui.input->toPlainText(), ui.inputHex->checked()); }

void SerialTerminal::on_retrunPressed() { on_btn_NormalSend_clicked(); }

void SerialTerminal::on_shiftReturnPressed() { newLine(ui.input); }

void SerialTerminal::on_ASCIIHex_statusChanged(bool hex) { convertInput(ui.input, hex); }

void SerialTerminal::on_ASCIIHex_2_statusChanged(bool hex) { convertInput(ui.queueInput, hex); }

void SerialTerminal::flushOutput()
{
    // The receive box gathers arriving text and writes it a few times a second.
    if (auto *out = qobject_cast<TerminalOutput *>(ui.output))
        out->flushPending();
}

void SerialTerminal::on_ASCIIHex_3_statusChanged(bool hex)
{
    flushOutput(); // everything shown converts alike
    ui.output->setPlainText(convertTerminalText(ui.output->toPlainText(), hex));
    ui.output->verticalScrollBar()->setValue(ui.output->verticalScrollBar()->maximum());
}

// ---------------------------------------------------------------- queue

void SerialTerminal::comDataList()
{
    if (sendQueueWindow && sendQueueWindow->isVisible()) {
        sendQueueWindow->raise();
        sendQueueWindow->activateWindow();
        return;
    }
    const QString title = QCoreApplication::translate("SerialTerminal", "串口发送队列");
    auto *w = new DetachedWindow(window, title, QSize(332, 332));
    w->setObjectName("sendQueueWindow");
    w->borrow(ui.queueGroup, ui.queueHome);
    sendQueueWindow = w; // cleared by QPointer when the window goes
    w->show();
}

void SerialTerminal::on_addDataList_clicked()
{
    const QString text = ui.queueInput->toPlainText();
    if (text.isEmpty())
        return;
    auto *item = new QListWidgetItem(text);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    const int current = ui.queueList->currentRow();
    ui.queueList->insertItem(current >= 0 ? current + 1 : ui.queueList->count(), item);
    ui.queueList->setCurrentItem(item);
}

void SerialTerminal::on_deleteDataList_clicked()
{
    const int row = ui.queueList->currentRow();
    if (row >= 0)
        delete ui.queueList->takeItem(row);
}

void SerialTerminal::moveCurrent(int delta)
{
    const int row = ui.queueList->currentRow();
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= ui.queueList->count())
        return;
    QListWidgetItem *item = ui.queueList->takeItem(row);
    ui.queueList->insertItem(to, item);
    ui.queueList->setCurrentItem(item);
}

void SerialTerminal::on_upDataList_clicked() { moveCurrent(-1); }
void SerialTerminal::on_downDataList_clicked() { moveCurrent(1); }
void SerialTerminal::on_clearDataList_clicked() { ui.queueList->clear(); }

void SerialTerminal::stopQueue()
{
    if (!queueRunning)
        return;
    endQueueItem();
    setQueueRunning(false);
}

void SerialTerminal::on_sendDataList_clicked()
{
    if (queueRunning) {
        stopQueue();
        return;
    }
    if (!portOpen()) {
        emit MessageInfo(0);
        return;
    }
    if (ui.queueList->count() == 0)
        return;
    queueIndex = 0;
    setQueueRunning(true);
    startQueueItem();
}

void SerialTerminal::startQueueItem()
{
    QListWidgetItem *item = ui.queueList->item(queueIndex);
    ui.queueList->setCurrentItem(item);
    item->setData(Qt::UserRole, QVariant::fromValue(item->background()));
    item->setBackground(kSendingBackground);
    highlighted = item;
    // A port closed under the run ends it: nothing goes to the next port opened.
    if (!send(item->text(), ui.queueHex->checked())) {
        stopQueue();
        return;
    }
    sinceSend.start();
    queueTimer.start();
}

void SerialTerminal::queueTick()
{
    // The interval is read again on every check: a change applies to the running pause.
    if (sinceSend.elapsed() < queueIntervalMs())
        return;
    endQueueItem();
    if (++queueIndex >= ui.queueList->count()) {
        setQueueRunning(false);
        ui.queueList->clearSelection();
        return;
    }
    startQueueItem();
}

void SerialTerminal::endQueueItem()
{
    queueTimer.stop();
    if (highlighted) {
        highlighted->setBackground(highlighted->data(Qt::UserRole).value<QBrush>());
        highlighted = nullptr;
    }
}

void SerialTerminal::setQueueRunning(bool running)
{
    const bool changed = queueRunning != running;
    queueRunning = running;
    // The list stays as it is while it is being sent.
    for (QPushButton *b : {ui.add, ui.remove, ui.up, ui.down, ui.clear})
        b->setEnabled(!running);
    retranslate();
    if (changed)
        emit queueRunningChanged(running);
}

void SerialTerminal::retranslate()
{
    ui.sendQueue->setText(queueRunning ? QCoreApplication::translate("SerialTerminal", "停止")
                                       : QCoreApplication::translate("SerialTerminal", "发送"));
    if (sendQueueWindow)
        sendQueueWindow->setWindowTitle(QCoreApplication::translate("SerialTerminal", "串口发送队列"));
}

bool SerialTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.queueGroup && event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::eventFilter(watched, event);
}
