#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class SerialCanAdapter;
class CustomPlainTextEdit;
class QBoxLayout;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class SwitchButton;

// The send side of the serial terminal: the input box with its ASCII/HEX switch, the
// output box's format switch, and the send queue with its window. Everything it sends
// goes to the port as raw bytes (text in GBK) through the serial adapter's byte writer;
// the receive side (what arrives and how it is shown) belongs to the main window.
class SerialTerminal : public QObject
{
    Q_OBJECT
public:
    struct Widgets {
        QPlainTextEdit *output = nullptr;
        CustomPlainTextEdit *input = nullptr;
        QPushButton *sendButton = nullptr;
        SwitchButton *inputHex = nullptr;  // sw_btn_ASCIIHex
        SwitchButton *outputHex = nullptr; // sw_btn_ASCIIHex_3
        QGroupBox *queueGroup = nullptr;   // DataListGroupBox
        QBoxLayout *queueHome = nullptr;   // the layout the group returns to
        CustomPlainTextEdit *queueInput = nullptr;
        SwitchButton *queueHex = nullptr;  // sw_btn_ASCIIHex_2
        QListWidget *queueList = nullptr;
        QPushButton *add = nullptr;
        QPushButton *remove = nullptr;
        QPushButton *up = nullptr;
        QPushButton *down = nullptr;
        QPushButton *clear = nullptr;
        QPushButton *sendQueue = nullptr;
        QLineEdit *interval = nullptr;
    };

    // `window` parents the queue window.
    SerialTerminal(const Widgets &widgets, SerialCanAdapter *port, QWidget *window);

    bool isQueueRunning() const { return queueRunning; }
    // Ends a running queue where it is (the port closed, the user stopped every sending).
    void stopQueue();
    QWidget *queueWindow() const { return sendQueueWindow; }
    // The pause between queue items in milliseconds, as the edit says now (0 when empty).
    int queueIntervalMs() const;

signals:
    void MessageInfo(int code);
    void queueRunningChanged(bool running);

public slots:
    void on_btn_NormalSend_clicked();
    void on_retrunPressed();
    void on_shiftReturnPressed();
    void on_ASCIIHex_statusChanged(bool hex);
    void on_ASCIIHex_2_statusChanged(bool hex);
    void on_ASCIIHex_3_statusChanged(bool hex);
    // Opens the queue window, or raises it when it is open.
    void comDataList();
    void on_addDataList_clicked();
    void on_deleteDataList_clicked();
    void on_upDataList_clicked();
    void on_downDataList_clicked();
    void on_clearDataList_clicked();
    // Starts sending the queue; while it runs, stops it.
    void on_sendDataList_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool portOpen() const;
    void flushOutput();
    // Echoes and sends one message; false (and nothing written) when the port is closed.
    bool send(const QString &text, bool hex);
    void moveCurrent(int delta);
    void startQueueItem();
    void queueTick();
    void endQueueItem();
    void setQueueRunning(bool running);
    void retranslate();

    Widgets ui;
    SerialCanAdapter *link;
    QWidget *window;
    QPointer<QWidget> sendQueueWindow;

    bool queueRunning = false;
    int queueIndex = 0;
    QListWidgetItem *highlighted = nullptr;
    QElapsedTimer sinceSend;
    QTimer queueTimer;
};
