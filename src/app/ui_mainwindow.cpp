#include "app/ui_mainwindow.h"

#include "widgets/switchbutton.h"

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
    menuDevice->addAction(actFDCAN_Config);

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
    v->addWidget(placeholder(tab_CAN, "canPlaceholderLabel"));
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
    tabWidget->addTab(tab_Calibration, QString());
}

void Ui_MainWindow::setupDebugPage()
{
    tab_Debug = new QWidget();
    tab_Debug->setObjectName("tab_Debug");
    auto *v = new QVBoxLayout(tab_Debug);
    auto *row = new QHBoxLayout();
    sw_btn_rpmRads = makeSwitch(tab_Debug, "sw_btn_rpmRads");
    row->addWidget(sw_btn_rpmRads);
    row->addStretch(1);
    v->addLayout(row);
    v->addWidget(placeholder(tab_Debug, "debugPlaceholderLabel"), 1);
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
    t->addWidget(calibrationLabel, 0, 0);
    t->addWidget(sw_btn_calibration, 0, 1, Qt::AlignLeft);
    t->addWidget(ExportParam, 1, 0);
    t->addWidget(ImportParam, 1, 1);
    t->addWidget(btn_clear, 2, 0);
    t->addWidget(btn_config, 2, 1);
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
    menuFile->setTitle(QCoreApplication::translate("MainWindow", "文件"));
    menuDevice->setTitle(QCoreApplication::translate("MainWindow", "设备"));

    tabWidget->setTabText(tabWidget->indexOf(tab_SerialPort), QCoreApplication::translate("MainWindow", "串口调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_CAN), QCoreApplication::translate("MainWindow", "CAN调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Parameters), QCoreApplication::translate("MainWindow", "参数设置"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Calibration), QCoreApplication::translate("MainWindow", "校准"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Debug), QCoreApplication::translate("MainWindow", "电机调试"));
    tabWidget->setTabText(tabWidget->indexOf(tab_About), QCoreApplication::translate("MainWindow", "关于"));
    tabWidget->setTabText(tabWidget->indexOf(tab_Hidden), QCoreApplication::translate("MainWindow", "测试"));

    for (auto *name : {"canPlaceholderLabel", "parametersPlaceholderLabel", "calibrationPlaceholderLabel",
                       "debugPlaceholderLabel"}) {
        if (auto *l = centralwidget->findChild<QLabel *>(name))
            l->setText(QCoreApplication::translate("MainWindow", "此页面的功能尚未提供"));
    }

    crashBtn->setText("crash");
    crashBtn_2->setText(QCoreApplication::translate("MainWindow", "子crash"));
    crashBtn_3->setText(QCoreApplication::translate("MainWindow", "栈溢出"));
    crashBtn_4->setText(QCoreApplication::translate("MainWindow", "栈溢出2"));

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
}
