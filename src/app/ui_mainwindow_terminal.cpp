// The serial terminal page and the send-queue group of the main window's form.
#include "app/ui_mainwindow.h"

#include "widgets/customPlainTextEdit.h"
#include "widgets/switchbutton.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
template <typename W>
W *named(QWidget *parent, const char *name)
{
    auto *w = new W(parent);
    w->setObjectName(name);
    return w;
}

SwitchButton *hexSwitch(QWidget *parent, const char *name)
{
    auto *sw = named<SwitchButton>(parent, name);
    sw->setFixedSize(60, 20);
    return sw;
}
} // namespace

void Ui_MainWindow::setupSerialPage()
{
    tab_SerialPort = new QWidget();
    tab_SerialPort->setObjectName("tab_SerialPort");
    auto *v = new QVBoxLayout(tab_SerialPort);
    comOutput = named<TerminalOutput>(tab_SerialPort, "comOutput");
    v->addWidget(comOutput, 1);

    auto *bottom = new QHBoxLayout();
    comInput = named<CustomPlainTextEdit>(tab_SerialPort, "comInput");
    comInput->setMaximumHeight(90);
    bottom->addWidget(comInput, 1);
    auto *side = new QVBoxLayout();
    auto *mode = new QHBoxLayout();
    inputModeLabel = named<QLabel>(tab_SerialPort, "inputModeLabel");
    sw_btn_ASCIIHex = hexSwitch(tab_SerialPort, "sw_btn_ASCIIHex");
    mode->addWidget(inputModeLabel);
    mode->addWidget(sw_btn_ASCIIHex);
    side->addLayout(mode);
    btn_NormalSend = named<QPushButton>(tab_SerialPort, "btn_NormalSend");
    btn_NormalSend->setMinimumHeight(30);
    side->addWidget(btn_NormalSend);
    btn_comDataList = named<QPushButton>(tab_SerialPort, "btn_comDataList");
    side->addWidget(btn_comDataList);
    bottom->addLayout(side);
    v->addLayout(bottom);
    tabWidget->addTab(tab_SerialPort, QString());
}

void Ui_MainWindow::setupSendQueueGroup(QWidget *page)
{
    dataListLayout = new QVBoxLayout();
    dataListLayout->setObjectName("dataListLayout");
    DataListGroupBox = named<QGroupBox>(page, "DataListGroupBox");
    auto *v = new QVBoxLayout(DataListGroupBox);
    DataListWidget = named<QListWidget>(DataListGroupBox, "DataListWidget");
    v->addWidget(DataListWidget, 1);
    DataListInput = named<CustomPlainTextEdit>(DataListGroupBox, "DataListInput");
    DataListInput->setMaximumHeight(52);
    v->addWidget(DataListInput);

    auto *g = new QGridLayout();
    sw_btn_ASCIIHex_2 = hexSwitch(DataListGroupBox, "sw_btn_ASCIIHex_2");
    addDataList = named<QPushButton>(DataListGroupBox, "addDataList");
    deleteDataList = named<QPushButton>(DataListGroupBox, "deleteDataList");
    clearDataList = named<QPushButton>(DataListGroupBox, "clearDataList");
    upDataList = named<QPushButton>(DataListGroupBox, "upDataList");
    downDataList = named<QPushButton>(DataListGroupBox, "downDataList");
    sendListIntervalLabel = named<QLabel>(DataListGroupBox, "sendListIntervalLabel");
    sendListIntervalEdit = named<QLineEdit>(DataListGroupBox, "sendListIntervalEdit");
    sendListIntervalEdit->setValidator(new QIntValidator(0, 3600000, sendListIntervalEdit));
    sendListIntervalEdit->setText("100");
    sendDataList = named<QPushButton>(DataListGroupBox, "sendDataList");
    g->addWidget(sw_btn_ASCIIHex_2, 0, 0, Qt::AlignCenter);
    g->addWidget(addDataList, 0, 1);
    g->addWidget(deleteDataList, 0, 2);
    g->addWidget(clearDataList, 0, 3);
    g->addWidget(upDataList, 1, 0);
    g->addWidget(downDataList, 1, 1);
    g->addWidget(sendListIntervalLabel, 1, 2, Qt::AlignRight);
    g->addWidget(sendListIntervalEdit, 1, 3);
    g->addWidget(sendDataList, 2, 0, 1, 4);
    v->addLayout(g);
    dataListLayout->addWidget(DataListGroupBox);
}

void Ui_MainWindow::retranslateTerminal()
{
    comInput->setPlaceholderText(QCoreApplication::translate("MainWindow", "输入要发送的内容，回车发送，Shift+回车换行"));
    inputModeLabel->setText(QCoreApplication::translate("MainWindow", "发送格式"));
    sw_btn_ASCIIHex->setToolTip(QCoreApplication::translate("MainWindow", "输入框按文本(ASCII)或十六进制字节(HEX)发送"));
    btn_NormalSend->setText(QCoreApplication::translate("MainWindow", "发送"));
    btn_comDataList->setText(QCoreApplication::translate("MainWindow", "发送队列"));
    btn_comDataList->setToolTip(QCoreApplication::translate("MainWindow", "打开串口发送队列窗口 (F3)"));
    DataListGroupBox->setTitle(QCoreApplication::translate("MainWindow", "发送队列"));
    DataListInput->setPlaceholderText(QCoreApplication::translate("MainWindow", "输入一条消息，回车添加到队列"));
    sw_btn_ASCIIHex_2->setToolTip(QCoreApplication::translate("MainWindow", "队列消息按文本(ASCII)或十六进制字节(HEX)发送"));
    addDataList->setText(QCoreApplication::translate("MainWindow", "添加"));
    deleteDataList->setText(QCoreApplication::translate("MainWindow", "删除"));
    clearDataList->setText(QCoreApplication::translate("MainWindow", "清空"));
    upDataList->setText(QCoreApplication::translate("MainWindow", "上移"));
    downDataList->setText(QCoreApplication::translate("MainWindow", "下移"));
    sendListIntervalLabel->setText(QCoreApplication::translate("MainWindow", "间隔(ms)"));
    sendListIntervalEdit->setToolTip(QCoreApplication::translate("MainWindow", "相邻两条消息之间的间隔，单位毫秒"));
    sendDataList->setToolTip(QCoreApplication::translate("MainWindow", "从第一条到最后一条依次发送，再次点击停止"));
}
