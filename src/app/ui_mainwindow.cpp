#include "app/ui_mainwindow.h"

#include "charts/ui/waveForm.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QTableView>

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

SwitchButton *makeSwitch(QWidget *parent, const char *name)
{
    auto *sw = new SwitchButton(parent);
    sw->setObjectName(name);
    sw->setFixedSize(60, 20);
    return sw;
}

QLabel *makeLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

// A page whose controls arrive with a later part of the tool: says so plainly.
QLabel *placeholder(QWidget *page, const char *name)
{
    auto *l = makeLabel(page, name);
    l->setAlignment(Qt::AlignCenter);
    l->setStyleSheet("color: #808080;");
    return l;
}
} // namespace

void Ui_MainWindow::setupUi(QMainWindow *MainWindow)
{
    if (MainWindow->objectName().isEmpty())
        MainWindow->setObjectName("MainWindow");
    MainWindow->resize(1280, 800);

    actClear = new QAction(MainWindow);
    actClear->setObjectName("actClear");
    actExit = new QAction(MainWindow);
    actExit->setObjectName("actExit");
    actFDCAN_Config = new QAction(MainWindow);
    actFDCAN_Config->setObjectName("actFDCAN_Config");
    actionOpenPort = new QAction(MainWindow);
    actionOpenPort->setObjectName("actionOpenPort");
    actionClosePort = new QAction(MainWindow);
    actionClosePort->setObjectName("actionClosePort");
    actZkChat = new QAction(MainWindow);
    actZkChat->setObjectName("actZkChat");

    centralwidget = new QWidget(MainWindow);
    centralwidget->setObjectName("centralwidget");
    mainLayout = new QHBoxLayout(centralwidget);
    mainLayout->setObjectName("mainLayout");
    mainLayout->setContentsMargins(6, 6, 6, 6);

    tabWidget = new QTabWidget(centralwidget);
    tabWidget->setObjectName("tabWidget");
    tabWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    setupSerialPage();
    setupCanPage();
    setupParametersPage();
    setupCalibrationPage();
    setupDebugPage();
    setupAboutPage();
    setupHiddenPage();
    mainLayout->addWidget(tabWidget, 1);

    setupSidePanel();
    mainLayout->addWidget(sidePanel, 0);

    MainWindow->setCentralWidget(centralwidget);

    menubar = new QMenuBar(MainWindow);
    menubar->setObjectName("menubar");
    menuFile = new QMenu(menubar);
    menuFile->setObjectName("menuFile");
    menuDevice = new QMenu(menubar);
    menuDevice->setObjectName("menuDevice");
    MainWindow->setMenuBar(menubar);
    menubar->addAction(menuFile->menuAction());
    menubar->addAction(menuDevice->menuAction());
    menuFile->addAction(actClear);
    menuFile->addSeparator();
    menuFile->addAction(actExit);
    menuDevice->addAction(actionOpenPort);
    menuDevice->addAction(actionClosePort);
    menuDevice->addSeparator();
    menuDevice->addAction(actFDCAN_Config);
    menuDevice->addSeparator();
    menuDevice->addAction(actZkChat);

    statusbar = new QStatusBar(MainWindow);
    statusbar->setObjectName("statusbar");
    MainWindow->setStatusBar(statusbar);

    retranslateUi(MainWindow);
    tabWidget->setCurrentIndex(0);
    QMetaObject::connectSlotsByName(MainWindow);
}

void Ui_MainWindow::setupSerialPage()
{
    tab_SerialPort = new QWidget();
    tab_SerialPort->setObjectName("tab_SerialPort");
    auto *v = new QVBoxLayout(tab_SerialPort);
    comOutput = new QPlainTextEdit(tab_SerialPort);
    comOutput->setObjectName("comOutput");
    comOutput->setReadOnly(true);
    v->addWidget(comOutput, 1);
    auto *row = new QHBoxLayout();
    sw_btn_ASCIIHex = makeSwitch(tab_SerialPort, "sw_btn_ASCIIHex");
    sw_btn_ASCIIHex_2 = makeSwitch(tab_SerialPort, "sw_btn_ASCIIHex_2");
    row->addWidget(sw_btn_ASCIIHex);
    row->addWidget(sw_btn_ASCIIHex_2);
    row->addStretch(1);
    v->addLayout(row);
    tabWidget->addTab(tab_SerialPort, QString());
}

void Ui_MainWindow::setupCanPage()
{
    tab_CAN = new QWidget();
    tab_CAN->setObjectName("tab_CAN");
    auto *v = new QVBoxLayout(tab_CAN);
    auto *logRow = new QHBoxLayout();
    tableView = new QTableView(tab_CAN);
    tableView->setObjectName("tableView");
    logRow->addWidget(tableView, 3);
    CORGroupBox = new QGroupBox(tab_CAN);
    CORGroupBox->setObjectName("CORGroupBox");
    auto *cor = new QVBoxLayout(CORGroupBox);
    auto *corLegend = new QHBoxLayout();
    CORLegendLabel = makeLabel(CORGroupBox, "CORLegendLabel");
    CORLegendValueLabel = makeLabel(CORGroupBox, "CORLegendValueLabel");
    CORUnitLabel = makeLabel(CORGroupBox, "CORUnitLabel");
    CORUnitLabel->setText("%");
    corLegend->addWidget(CORLegendLabel);
    corLegend->addWidget(CORLegendValueLabel);
    corLegend->addWidget(CORUnitLabel);
    corLegend->addStretch(1);
    cor->addLayout(corLegend);
    COR = new WaveForm(CORGroupBox);
    COR->setObjectName("COR");
    cor->addWidget(COR, 1);
    CORGroupBox->setVisible(false); // shown in its own window by the bus-load button
    logRow->addWidget(CORGroupBox, 2);
    v->addLayout(logRow, 1);

    canTxGroupBox = new QGroupBox(tab_CAN);
    canTxGroupBox->setObjectName("canTxGroupBox");
    auto *g = new QGridLayout(canTxGroupBox);
    auto lineEdit = [&](const char *name, int width) {
        auto *e = new QLineEdit(canTxGroupBox);
        e->setObjectName(name);
        e->setMaximumWidth(width);
        return e;
    };
    canIdLabel = makeLabel(canTxGroupBox, "canIdLabel");
    canIdEdit = lineEdit("canIdEdit", 90);
    canIdEdit->setText("7FF");
    comboFrame_canIdType = new QComboBox(canTxGroupBox);
    comboFrame_canIdType->setObjectName("comboFrame_canIdType");
    comboFrame_canFrameType = new QComboBox(canTxGroupBox);
    comboFrame_canFrameType->setObjectName("comboFrame_canFrameType");
    sendTimesLabel = makeLabel(canTxGroupBox, "sendTimesLabel");
    sendTimesEdit = lineEdit("sendTimesEdit", 70);
    sendIntervalLabel = makeLabel(canTxGroupBox, "sendIntervalLabel");
    sendIntervalEdit = lineEdit("sendIntervalEdit", 70);
    dataAcc = new QCheckBox(canTxGroupBox);
    dataAcc->setObjectName("dataAcc");
    idAcc = new QCheckBox(canTxGroupBox);
    idAcc->setObjectName("idAcc");
    dataSectionAcc = new QCheckBox(canTxGroupBox);
    dataSectionAcc->setObjectName("dataSectionAcc");

    canDataStack = new QStackedWidget(canTxGroupBox);
    canDataStack->setObjectName("canDataStack");
    canDataPage = new QWidget();
    canDataPage->setObjectName("canDataPage");
    auto *cp = new QHBoxLayout(canDataPage);
    cp->setContentsMargins(0, 0, 0, 0);
    canDataLenLabel = makeLabel(canDataPage, "canDataLenLabel");
    canDataLenEdit = new QLineEdit(canDataPage);
    canDataLenEdit->setObjectName("canDataLenEdit");
    canDataLenEdit->setMaximumWidth(200);
    canDataEdit = new CustomPlainTextEdit(canDataPage);
    canDataEdit->setObjectName("canDataEdit");
    canDataEdit->setMaximumHeight(60);
    cp->addWidget(canDataLenLabel);
    cp->addWidget(canDataLenEdit);
    cp->addWidget(canDataEdit, 1);
    fdcanDataPage = new QWidget();
    fdcanDataPage->setObjectName("fdcanDataPage");
    auto *fp = new QHBoxLayout(fdcanDataPage);
    fp->setContentsMargins(0, 0, 0, 0);
    fdcanDataLenLabel = makeLabel(fdcanDataPage, "fdcanDataLenLabel");
    fdcanDataLenEdit = new QLineEdit(fdcanDataPage);
    fdcanDataLenEdit->setObjectName("fdcanDataLenEdit");
    fdcanDataLenEdit->setMaximumWidth(200);
    fdcanDataEdit = new CustomPlainTextEdit(fdcanDataPage);
    fdcanDataEdit->setObjectName("fdcanDataEdit");
    fdcanDataEdit->setMaximumHeight(60);
    fp->addWidget(fdcanDataLenLabel);
    fp->addWidget(fdcanDataLenEdit);
    fp->addWidget(fdcanDataEdit, 1);
    canDataStack->addWidget(canDataPage);
    canDataStack->addWidget(fdcanDataPage);

    btn_CANSend = new QPushButton(canTxGroupBox);
    btn_CANSend->setObjectName("btn_CANSend");
    btn_CANStop = new QPushButton(canTxGroupBox);
    btn_CANStop->setObjectName("btn_CANStop");
    canBaudLabel = makeLabel(canTxGroupBox, "canBaudLabel");
    comboCAN_Baud = new QComboBox(canTxGroupBox);
    comboCAN_Baud->setObjectName("comboCAN_Baud");
    btn_BuadSet = new QPushButton(canTxGroupBox);
    btn_BuadSet->setObjectName("btn_BuadSet");

    auto *row0 = new QHBoxLayout();
    row0->addWidget(canIdLabel);
    row0->addWidget(canIdEdit);
    row0->addWidget(comboFrame_canIdType);
    row0->addWidget(comboFrame_canFrameType);
    row0->addWidget(sendTimesLabel);
    row0->addWidget(sendTimesEdit);
    row0->addWidget(sendIntervalLabel);
    row0->addWidget(sendIntervalEdit);
    row0->addWidget(dataAcc);
    row0->addWidget(idAcc);
    row0->addWidget(dataSectionAcc);
    row0->addStretch(1);
    auto *row2 = new QHBoxLayout();
    row2->addWidget(btn_CANSend);
    row2->addWidget(btn_CANStop);
    row2->addStretch(1);
    row2->addWidget(canBaudLabel);
    row2->addWidget(comboCAN_Baud);
    row2->addWidget(btn_BuadSet);
    g->addLayout(row0, 0, 0);
    g->addWidget(canDataStack, 1, 0);
    g->addLayout(row2, 2, 0);
    v->addWidget(canTxGroupBox, 0);
    tabWidget->addTab(tab_CAN, QString());
}

void Ui_MainWindow::setupParametersPage()
{
    tab_Parameters = new QWidget();
    tab_Parameters->setObjectName("tab_Parameters");
    auto *v = new QVBoxLayout(tab_Parameters);
    paramWarningLabel = makeLabel(tab_Parameters, "paramWarningLabel");
    v->addWidget(paramWarningLabel);
    v->addWidget(placeholder(tab_Parameters, "parametersPlaceholderLabel"), 1);
    tabWidget->addTab(tab_Parameters, QString());
}

void Ui_MainWindow::setupCalibrationPage()
{
    tab_Calibration = new QWidget();
    tab_Calibration->setObjectName("tab_Calibration");
    auto *v = new QVBoxLayout(tab_Calibration);
    v->addWidget(placeholder(tab_Calibration, "calibrationPlaceholderLabel"));
    CalibrationWaveTitle = makeLabel(tab_Calibration, "CalibrationWaveTitle");
    v->addWidget(CalibrationWaveTitle);
    Calibration = new WaveForm(tab_Calibration);
    Calibration->setObjectName("Calibration");
    v->addWidget(Calibration, 1);
    tabWidget->addTab(tab_Calibration, QString());
}

void Ui_MainWindow::setupDebugPage()
{
    tab_Debug = new QWidget();
    tab_Debug->setObjectName("tab_Debug");
    auto *v = new QVBoxLayout(tab_Debug);
    auto *row = new QHBoxLayout();
    idGroupBox = new QGroupBox(tab_Debug);
    idGroupBox->setObjectName("idGroupBox");
    auto *ig = new QHBoxLayout(idGroupBox);
    canidLabel_2 = makeLabel(idGroupBox, "canidLabel_2");
    canidEdit_2 = new QLineEdit(idGroupBox);
    canidEdit_2->setObjectName("canidEdit_2");
    canidEdit_2->setMaximumWidth(80);
    masteridLabel = makeLabel(idGroupBox, "masteridLabel");
    masteridEdit = new QLineEdit(idGroupBox);
    masteridEdit->setObjectName("masteridEdit");
    masteridEdit->setMaximumWidth(80);
    ig->addWidget(canidLabel_2);
    ig->addWidget(canidEdit_2);
    ig->addWidget(masteridLabel);
    ig->addWidget(masteridEdit);
    row->addWidget(idGroupBox);
    sw_btn_rpmRads = makeSwitch(tab_Debug, "sw_btn_rpmRads");
    row->addWidget(sw_btn_rpmRads);
    row->addStretch(1);
    v->addLayout(row);
    auto *body = new QHBoxLayout();
    controlPanel = new QWidget(tab_Debug);
    controlPanel->setObjectName("controlPanel");
    controlPanel->setFixedWidth(330);
    auto *cpl = new QVBoxLayout(controlPanel);
    cpl->setContentsMargins(0, 0, 0, 0);
    cpl->addWidget(placeholder(controlPanel, "debugPlaceholderLabel"), 1);
    body->addWidget(controlPanel);
    chartsPanel = new QWidget(tab_Debug);
    chartsPanel->setObjectName("chartsPanel");
    auto *charts = new QVBoxLayout(chartsPanel);
    charts->setContentsMargins(0, 0, 0, 0);
    struct ChartRow {
        QLabel **title;
        const char *titleName;
        QLabel **legend;
        const char *legendName;
        QLabel **value;
        const char *valueName;
        WaveForm **chart;
        const char *chartName;
    };
    const ChartRow rows[] = {
        {&PositionWaveTitle, "PositionWaveTitle", &PosLegendLabel, "PosLegendLabel", &PosLegendValueLabel,
         "PosLegendValueLabel", &Position, "Position"},
        {&VelocityWaveTitle, "VelocityWaveTitle", &VelLegendLabel, "VelLegendLabel", &VelLegendValueLabel,
         "VelLegendValueLabel", &Velocity, "Velocity"},
        {&TorqueWaveTitle, "TorqueWaveTitle", &TorLegendLabel, "TorLegendLabel", &TorLegendValueLabel,
         "TorLegendValueLabel", &Torque, "Torque"},
    };
    for (const ChartRow &r : rows) {
        auto *head = new QHBoxLayout();
        *r.title = makeLabel(chartsPanel, r.titleName);
        *r.legend = makeLabel(chartsPanel, r.legendName);
        *r.value = makeLabel(chartsPanel, r.valueName);
        head->addWidget(*r.title);
        head->addStretch(1);
        head->addWidget(*r.legend);
        head->addWidget(*r.value);
        charts->addLayout(head);
        *r.chart = new WaveForm(chartsPanel);
        (*r.chart)->setObjectName(r.chartName);
        charts->addWidget(*r.chart, 1);
    }
    body->addWidget(chartsPanel, 1);
    v->addLayout(body, 1);
    tabWidget->addTab(tab_Debug, QString());
}

void Ui_MainWindow::setupAboutPage()
{
    tab_About = new QWidget();
    tab_About->setObjectName("tab_About");
    auto *v = new QVBoxLayout(tab_About);
    AboutTextBrowser = new QTextBrowser(tab_About);
    AboutTextBrowser->setObjectName("AboutTextBrowser");
    AboutTextBrowser->setOpenLinks(false);
    AboutTextBrowser->setOpenExternalLinks(false);
    v->addWidget(AboutTextBrowser);
    tabWidget->addTab(tab_About, QString());
}

void Ui_MainWindow::setupHiddenPage()
{
    tab_Hidden = new QWidget();
    tab_Hidden->setObjectName("tab_Hidden");
    auto *v = new QVBoxLayout(tab_Hidden);
    crashBtn = new QPushButton(tab_Hidden);
    crashBtn->setObjectName("crashBtn");
    crashBtn_2 = new QPushButton(tab_Hidden);
    crashBtn_2->setObjectName("crashBtn_2");
    crashBtn_3 = new QPushButton(tab_Hidden);
    crashBtn_3->setObjectName("crashBtn_3");
    crashBtn_4 = new QPushButton(tab_Hidden);
    crashBtn_4->setObjectName("crashBtn_4");
    v->addWidget(crashBtn);
    v->addWidget(crashBtn_2);
    v->addWidget(crashBtn_3);
    v->addWidget(crashBtn_4);

    deviceGroupsLayout = new QVBoxLayout();
    deviceGroupsLayout->setObjectName("deviceGroupsLayout");
    comGroupBox = new QGroupBox(tab_Hidden);
    comGroupBox->setObjectName("comGroupBox");
    auto *cg = new QGridLayout(comGroupBox);
    dataBitLabel = makeLabel(comGroupBox, "dataBitLabel");
    comboCom_DataBit = new QComboBox(comGroupBox);
    comboCom_DataBit->setObjectName("comboCom_DataBit");
    checkBitLabel = makeLabel(comGroupBox, "checkBitLabel");
    comboCom_CheckBit = new QComboBox(comGroupBox);
    comboCom_CheckBit->setObjectName("comboCom_CheckBit");
    stopBitLabel = makeLabel(comGroupBox, "stopBitLabel");
    comboCom_StopBit = new QComboBox(comGroupBox);
    comboCom_StopBit->setObjectName("comboCom_StopBit");
    cg->addWidget(dataBitLabel, 0, 0);
    cg->addWidget(comboCom_DataBit, 0, 1);
    cg->addWidget(checkBitLabel, 1, 0);
    cg->addWidget(comboCom_CheckBit, 1, 1);
    cg->addWidget(stopBitLabel, 2, 0);
    cg->addWidget(comboCom_StopBit, 2, 1);
    fdcanGroupBox = new QGroupBox(tab_Hidden);
    fdcanGroupBox->setObjectName("fdcanGroupBox");
    auto *fg = new QVBoxLayout(fdcanGroupBox);
    fdcanPlaceholderLabel = placeholder(fdcanGroupBox, "fdcanPlaceholderLabel");
    fdcanPlaceholderLabel->setWordWrap(true);
    fg->addWidget(fdcanPlaceholderLabel);
    deviceGroupsLayout->addWidget(comGroupBox);
    deviceGroupsLayout->addWidget(fdcanGroupBox);
    v->addLayout(deviceGroupsLayout);
    v->addStretch(1);
    tabWidget->addTab(tab_Hidden, QString());
}

void Ui_MainWindow::setupSidePanel()
{
    sidePanel = new QWidget(centralwidget);
    sidePanel->setObjectName("sidePanel");
    sidePanel->setFixedWidth(250);
    sideLayout = new QVBoxLayout(sidePanel);
    sideLayout->setObjectName("sideLayout");
    sideLayout->setContentsMargins(0, 0, 0, 0);

    connectGroupBox = new QGroupBox(sidePanel);
    connectGroupBox->setObjectName("connectGroupBox");
    auto *g = new QGridLayout(connectGroupBox);
    portLabel = makeLabel(connectGroupBox, "portLabel");
    comboCom_Port = new QComboBox(connectGroupBox);
    comboCom_Port->setObjectName("comboCom_Port");
    comboCom_Port->setEditable(true); // a port can also be typed in by path
    comboCom_Port->setInsertPolicy(QComboBox::NoInsert);
    btn_comRefreash = new QPushButton(connectGroupBox);
    btn_comRefreash->setObjectName("btn_comRefreash");
    baudLabel = makeLabel(connectGroupBox, "baudLabel");
    comboCom_Baud = new QComboBox(connectGroupBox);
    comboCom_Baud->setObjectName("comboCom_Baud");
    btn_comSwitch = new QPushButton(connectGroupBox);
    btn_comSwitch->setObjectName("btn_comSwitch");
    btn_comSwitch->setMinimumHeight(30);
    recvDisplayLabel = makeLabel(connectGroupBox, "recvDisplayLabel");
    sw_btn_RecvDisplay = makeSwitch(connectGroupBox, "sw_btn_RecvDisplay");
    displayModeLabel = makeLabel(connectGroupBox, "displayModeLabel");
    sw_btn_ASCIIHex_3 = makeSwitch(connectGroupBox, "sw_btn_ASCIIHex_3");
    linkModeLabel = makeLabel(connectGroupBox, "linkModeLabel");
    sw_btn_canUart = makeSwitch(connectGroupBox, "sw_btn_canUart");

    linkStack = new QStackedWidget(connectGroupBox);
    linkStack->setObjectName("linkStack");
    canPage = new QWidget();
    canPage->setObjectName("canPage");
    auto *cl = new QHBoxLayout(canPage);
    cl->setContentsMargins(0, 0, 0, 0);
    canidLabel = makeLabel(canPage, "canidLabel");
    canidEdit = new QLineEdit(canPage);
    canidEdit->setObjectName("canidEdit");
    cl->addWidget(canidLabel);
    cl->addWidget(canidEdit, 1);
    uartPage = new QWidget();
    uartPage->setObjectName("uartPage");
    auto *ul = new QHBoxLayout(uartPage);
    ul->setContentsMargins(0, 0, 0, 0);
    uartHintLabel = makeLabel(uartPage, "uartHintLabel");
    ul->addWidget(uartHintLabel);
    linkStack->addWidget(uartPage);
    linkStack->addWidget(canPage);

    g->addWidget(portLabel, 0, 0);
    g->addWidget(comboCom_Port, 0, 1);
    g->addWidget(btn_comRefreash, 0, 2);
    g->addWidget(baudLabel, 1, 0);
    g->addWidget(comboCom_Baud, 1, 1, 1, 2);
    g->addWidget(btn_comSwitch, 2, 0, 1, 3);
    g->addWidget(recvDisplayLabel, 3, 0);
    g->addWidget(sw_btn_RecvDisplay, 3, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(displayModeLabel, 4, 0);
    g->addWidget(sw_btn_ASCIIHex_3, 4, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(linkModeLabel, 5, 0);
    g->addWidget(sw_btn_canUart, 5, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(linkStack, 6, 0, 1, 3);
    g->setColumnStretch(1, 1);
    sideLayout->addWidget(connectGroupBox);

    toolsGroupBox = new QGroupBox(sidePanel);
    toolsGroupBox->setObjectName("toolsGroupBox");
    auto *t = new QGridLayout(toolsGroupBox);
    calibrationLabel = makeLabel(toolsGroupBox, "calibrationLabel");
    sw_btn_calibration = makeSwitch(toolsGroupBox, "sw_btn_calibration");
    ExportParam = new QPushButton(toolsGroupBox);
    ExportParam->setObjectName("ExportParam");
    ImportParam = new QPushButton(toolsGroupBox);
    ImportParam->setObjectName("ImportParam");
    btn_clear = new QPushButton(toolsGroupBox);
    btn_clear->setObjectName("btn_clear");
    btn_config = new QPushButton(toolsGroupBox);
    btn_config->setObjectName("btn_config");
    btn_zkChat = new QPushButton(toolsGroupBox);
    btn_zkChat->setObjectName("btn_zkChat");
    t->addWidget(calibrationLabel, 0, 0);
    t->addWidget(sw_btn_calibration, 0, 1, Qt::AlignLeft);
    t->addWidget(ExportParam, 1, 0);
    t->addWidget(ImportParam, 1, 1);
    t->addWidget(btn_clear, 2, 0);
    t->addWidget(btn_config, 2, 1);
    t->addWidget(btn_zkChat, 3, 0, 1, 2);
    sideLayout->addWidget(toolsGroupBox);

    sideLayout->addStretch(1);
    versionLabel = makeLabel(sidePanel, "versionLabel");
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setWordWrap(true);
    sideLayout->addWidget(versionLabel);
}

void Ui_MainWindow::retranslateUi(QMainWindow *MainWindow)
{
    MainWindow->setWindowTitle(QCoreApplication::translate("MainWindow", "ZK调试工具"));
    actClear->setText(QCoreApplication::translate("MainWindow", "清空"));
    actExit->setText(QCoreApplication::translate("MainWindow", "退出"));
    actFDCAN_Config->setText(QCoreApplication::translate("MainWindow", "设备配置"));
    actionOpenPort->setText(QCoreApplication::translate("MainWindow", "打开串口"));
    actionClosePort->setText(QCoreApplication::translate("MainWindow", "关闭串口"));
    menuFile->setTitle(QCoreApplication::translate("MainWindow", "文件"));
    menuDevice->setTitle(QCoreApplication::translate("MainWindow", "设备"));

    tabWidget->setTabText(tabWidget->indexOf(tab_SerialPort), QCoreApplication::translate("MainWindow", "串口调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_CAN), QCoreApplication::translate("MainWindow", "CAN调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Parameters), QCoreApplication::translate("MainWindow", "参数设置"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Calibration), QCoreApplication::translate("MainWindow", "校准"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Debug), QCoreApplication::translate("MainWindow", "电机调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_About), QCoreApplication::translate("MainWindow", "关于"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Hidden), QCoreApplication::translate("MainWindow", "测试"));

    fdcanPlaceholderLabel->setText(QCoreApplication::translate("MainWindow", "USB FDCAN适配器尚未支持"));
    for (auto *name : {"parametersPlaceholderLabel", "calibrationPlaceholderLabel",
                       "debugPlaceholderLabel"}) {
        if (auto *l = centralwidget->findChild<QLabel *>(name))
            l->setText(QCoreApplication::translate("MainWindow", "此页面的功能尚未提供"));
    }

    crashBtn->setText("crash");
    crashBtn_2->setText(QCoreApplication::translate("MainWindow", "子crash"));
    crashBtn_3->setText(QCoreApplication::translate("MainWindow", "栈溢出"));
    crashBtn_4->setText(QCoreApplication::translate("MainWindow", "栈溢出2"));

    CORGroupBox->setTitle(QCoreApplication::translate("MainWindow", "通道占用率"));
    CORLegendLabel->setText(QCoreApplication::translate("MainWindow", "当前占用率:"));
    CalibrationWaveTitle->setText(QCoreApplication::translate("MainWindow", "校准波形"));
    PositionWaveTitle->setText(QCoreApplication::translate("MainWindow", "位置波形"));
    VelocityWaveTitle->setText(QCoreApplication::translate("MainWindow", "速度波形"));
    TorqueWaveTitle->setText(QCoreApplication::translate("MainWindow", "力矩波形"));
    PosLegendLabel->setText(QCoreApplication::translate("MainWindow", "位置:"));
    VelLegendLabel->setText(QCoreApplication::translate("MainWindow", "速度:"));
    TorLegendLabel->setText(QCoreApplication::translate("MainWindow", "力矩:"));
    canTxGroupBox->setTitle(QCoreApplication::translate("MainWindow", "CAN发送"));
    canIdLabel->setText("CAN ID");
    sendTimesLabel->setText(QCoreApplication::translate("MainWindow", "发送次数"));
    sendIntervalLabel->setText(QCoreApplication::translate("MainWindow", "发送间隔(ms)"));
    dataAcc->setText(QCoreApplication::translate("MainWindow", "DATA递增"));
    idAcc->setText(QCoreApplication::translate("MainWindow", "ID递增"));
    dataSectionAcc->setText(QCoreApplication::translate("MainWindow", "数据域加速"));
    canDataLenLabel->setText(QCoreApplication::translate("MainWindow", "数据"));
    fdcanDataLenLabel->setText(QCoreApplication::translate("MainWindow", "数据"));
    canDataLenEdit->setPlaceholderText(QCoreApplication::translate("MainWindow", "数据报文长度(0~8)"));
    fdcanDataLenEdit->setPlaceholderText(QCoreApplication::translate("MainWindow", "数据报文长度(0~8,12,16,20,24,32,48,64)"));
    btn_CANSend->setText(QCoreApplication::translate("MainWindow", "发送"));
    btn_CANStop->setText(QCoreApplication::translate("MainWindow", "停止"));
    canBaudLabel->setText(QCoreApplication::translate("MainWindow", "CAN波特率(k)"));
    btn_BuadSet->setText(QCoreApplication::translate("MainWindow", "设置"));
    idGroupBox->setTitle("ID");
    canidLabel_2->setText("CAN ID");
    masteridLabel->setText("Master ID");
    comGroupBox->setTitle(QCoreApplication::translate("MainWindow", "串口设置"));
    dataBitLabel->setText(QCoreApplication::translate("MainWindow", "数据位"));
    checkBitLabel->setText(QCoreApplication::translate("MainWindow", "校验位"));
    stopBitLabel->setText(QCoreApplication::translate("MainWindow", "停止位"));
    fdcanGroupBox->setTitle(QCoreApplication::translate("MainWindow", "FDCAN"));
    connectGroupBox->setTitle(QCoreApplication::translate("MainWindow", "连接"));
    portLabel->setText(QCoreApplication::translate("MainWindow", "端口"));
    btn_comRefreash->setText(QCoreApplication::translate("MainWindow", "刷新"));
    btn_comSwitch->setText(QCoreApplication::translate("MainWindow", "打开串口"));
    baudLabel->setText(QCoreApplication::translate("MainWindow", "波特率"));
    recvDisplayLabel->setText(QCoreApplication::translate("MainWindow", "接收"));
    displayModeLabel->setText(QCoreApplication::translate("MainWindow", "显示格式"));
    linkModeLabel->setText(QCoreApplication::translate("MainWindow", "电机通道"));
    canidLabel->setText(QCoreApplication::translate("MainWindow", "电机ID"));
    uartHintLabel->setText(QCoreApplication::translate("MainWindow", "串口直连电机"));
    toolsGroupBox->setTitle(QCoreApplication::translate("MainWindow", "工具"));
    calibrationLabel->setText(QCoreApplication::translate("MainWindow", "电机端编码器"));
    ExportParam->setText(QCoreApplication::translate("MainWindow", "参数导出"));
    ImportParam->setText(QCoreApplication::translate("MainWindow", "参数导入"));
    btn_clear->setText(QCoreApplication::translate("MainWindow", "清空"));
    btn_config->setText(QCoreApplication::translate("MainWindow", "配置"));
    btn_zkChat->setText(QCoreApplication::translate("MainWindow", "智能助手"));
    actZkChat->setText(QCoreApplication::translate("MainWindow", "智能助手"));
}
