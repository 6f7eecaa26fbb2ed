#include "app/ui_mainwindow.h"

#include "can/ui/canLogBar.h"
#include "can/ui/feedbackAnalysisBox.h"
#include "charts/ui/waveForm.h"
#include "link/usb/ui/connectGroupBox.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"
#include "widgets/terminalOutput.h"

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
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kControlPanelWidth = 330;

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

QLineEdit *makeEdit(QWidget *parent, const char *name, int maxWidth = 90)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaximumWidth(maxWidth);
    e->setMinimumWidth(qMin(maxWidth, 64)); // a value stays readable when captions are long
    return e;
}

QPushButton *makeButton(QWidget *parent, const char *name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
}

// Captions set by retranslateUi: object name -> source text.
struct Caption {
    const char *name;
    const char *text;
};
const Caption kCaptions[] = {
    // parameter groups
    {"MST_IDCaption", "Master ID:"},
    {"ESC_IDCaption", "CAN ID:"},
    {"TIMEOUTCaption", "CAN Timeout:"},
    {"can_brCaption", QT_TRANSLATE_NOOP("MainWindow", "CAN波特率:")},
    {"UV_ValueCaption", QT_TRANSLATE_NOOP("MainWindow", "欠压:")},
    {"OV_ValueCaption", QT_TRANSLATE_NOOP("MainWindow", "过压:")},
    {"KT_ValueCaption", "KT_OUT:"},
    {"OT_ValueCaption", QT_TRANSLATE_NOOP("MainWindow", "过温:")},
    {"OC_ValueCaption", QT_TRANSLATE_NOOP("MainWindow", "过流:")},
    {"ACCCaption", QT_TRANSLATE_NOOP("MainWindow", "加速度:")},
    {"DECCaption", QT_TRANSLATE_NOOP("MainWindow", "减速度:")},
    {"MAX_SPDCaption", QT_TRANSLATE_NOOP("MainWindow", "限速:")},
    {"POLECaption", QT_TRANSLATE_NOOP("MainWindow", "极对数:")},
    {"GrCaption", QT_TRANSLATE_NOOP("MainWindow", "减速比:")},
    {"RsCaption", QT_TRANSLATE_NOOP("MainWindow", "相电阻（R）:")},
    {"LsCaption", QT_TRANSLATE_NOOP("MainWindow", "相电感（L）:")},
    {"FluxCaption", QT_TRANSLATE_NOOP("MainWindow", "磁 链（λ）:")},
    {"DampCaption", QT_TRANSLATE_NOOP("MainWindow", "粘滞系数:")},
    {"InertiaCaption", QT_TRANSLATE_NOOP("MainWindow", "转动惯量:")},
    {"cmodeCaption", QT_TRANSLATE_NOOP("MainWindow", "控制模式:")},
    {"PMAXCaption", "PMAX:"},
    {"VMAXCaption", "VMAX:"},
    {"TMAXCaption", "TMAX:"},
    {"GREFCaption", QT_TRANSLATE_NOOP("MainWindow", "齿轮系数:")},
    {"GREF2Caption", QT_TRANSLATE_NOOP("MainWindow", "阻尼因子:")},
    {"I_BWCaption", QT_TRANSLATE_NOOP("MainWindow", "电流带宽:")},
    {"KP_ASRCaption", QT_TRANSLATE_NOOP("MainWindow", "速度 KP:")},
    {"KI_ASRCaption", QT_TRANSLATE_NOOP("MainWindow", "速度 KI:")},
    {"KP_APRCaption", QT_TRANSLATE_NOOP("MainWindow", "位置 KP:")},
    {"KI_APRCaption", QT_TRANSLATE_NOOP("MainWindow", "位置 KI:")},
    {"V_BWCaption", QT_TRANSLATE_NOOP("MainWindow", "速度带宽:")},
    {"IQ_clCaption", QT_TRANSLATE_NOOP("MainWindow", "电流环系数:")},
    {"VL_clCaption", QT_TRANSLATE_NOOP("MainWindow", "速度环系数:")},
    {"sub_verCaption", QT_TRANSLATE_NOOP("MainWindow", "子版本:")},
    // control panel
    {"POSCaption", QT_TRANSLATE_NOOP("MainWindow", "位置")},
    {"VELCaption", QT_TRANSLATE_NOOP("MainWindow", "速度")},
    {"KPCaption", "Kp"},
    {"KDCaption", "Kd"},
    {"TORCaption", QT_TRANSLATE_NOOP("MainWindow", "力矩")},
    {"POSCaption_2", QT_TRANSLATE_NOOP("MainWindow", "位置")},
    {"VELCaption_2", QT_TRANSLATE_NOOP("MainWindow", "速度")},
    {"TORCaption_2", QT_TRANSLATE_NOOP("MainWindow", "力矩范围")},
    {"RPMCaption_2", QT_TRANSLATE_NOOP("MainWindow", "转速(RPM)")},
    {"POSCaption_3", QT_TRANSLATE_NOOP("MainWindow", "位置范围")},
    {"VELCaption_3", QT_TRANSLATE_NOOP("MainWindow", "速度")},
    {"TORCaption_3", QT_TRANSLATE_NOOP("MainWindow", "力矩范围")},
    {"RPMCaption_3", QT_TRANSLATE_NOOP("MainWindow", "转速(RPM)")},
    {"POSCaption_4", QT_TRANSLATE_NOOP("MainWindow", "位置")},
    {"VELCaption_4", QT_TRANSLATE_NOOP("MainWindow", "速度")},
    {"ICaption", QT_TRANSLATE_NOOP("MainWindow", "电流")},
    {"motorStateCaption", QT_TRANSLATE_NOOP("MainWindow", "电机状态:")},
    {"motorTempCaption", QT_TRANSLATE_NOOP("MainWindow", "电机温度:")},
    {"driverTempCaption", QT_TRANSLATE_NOOP("MainWindow", "驱动温度:")},
    {"canDebugDataCaption", QT_TRANSLATE_NOOP("MainWindow", "数据:")},
    {"sendIntervalCaption_2", QT_TRANSLATE_NOOP("MainWindow", "周期(ms)")},
};

QLabel *caption(QWidget *parent, const char *name)
{
    auto *l = makeLabel(parent, name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

// A MIN or MAX label of the control panel: two lines, the bound under its word.
QLabel *rangeLabel(QWidget *parent, const char *name, const char *text, QList<QLabel *> &all)
{
    auto *l = makeLabel(parent, name);
    l->setText(QString::fromLatin1(text));
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(44);
    all.append(l);
    return l;
}

// A page whose content scrolls: on a small screen (1024 x 680) the page keeps its rows
// at their height and scrolls, instead of squeezing them until two-line labels clip.
// Returns the widget to lay the content into; the page's widgets end up inside it.
QWidget *scrollingContent(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *area = new QScrollArea(page);
    area->setObjectName(page->objectName() + "Scroll");
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget();
    content->setObjectName(page->objectName() + "Content");
    area->setWidget(content);
    outer->addWidget(area);
    return content;
}

QTableWidget *formatTable(QWidget *parent, const char *name)
{
    auto *t = new QTableWidget(parent);
    t->setObjectName(name);
    t->verticalHeader()->setVisible(false);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFocusPolicy(Qt::NoFocus);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    t->setFixedHeight(64);
    return t;
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
    actHarmonicAnalysis = new QAction(MainWindow);
    actHarmonicAnalysis->setObjectName("actHarmonicAnalysis");
    actFirmwareUpdate = new QAction(MainWindow);
    actFirmwareUpdate->setObjectName("actFirmwareUpdate");

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
    // On a small screen the groups beside the tabs scroll rather than make the window taller.
    auto *sideScroll = new QScrollArea(centralwidget);
    sideScroll->setObjectName("sidePanelScrollArea");
    sideScroll->setWidget(sidePanel);
    sideScroll->setWidgetResizable(true);
    sideScroll->setFrameShape(QFrame::NoFrame);
    sideScroll->viewport()->setAutoFillBackground(false);
    sidePanel->setAutoFillBackground(false);
    sideScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sideScroll->setFixedWidth(sidePanel->minimumWidth() + sideScroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    mainLayout->addWidget(sideScroll, 0);

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
    menuDevice->addAction(actHarmonicAnalysis);
    menuDevice->addAction(actFirmwareUpdate);

    statusbar = new QStatusBar(MainWindow);
    statusbar->setObjectName("statusbar");
    MainWindow->setStatusBar(statusbar);

    retranslateUi(MainWindow);
    tabWidget->setCurrentIndex(0);
    QMetaObject::connectSlotsByName(MainWindow);
}

void Ui_MainWindow::setupCanPage()
{
    tab_CAN = new QWidget();
    tab_CAN->setObjectName("tab_CAN");
    auto *v = new QVBoxLayout(scrollingContent(tab_CAN));
    canLogBar = new CANLogBar(tab_CAN);
    v->addWidget(canLogBar);
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
    canDataPreviewLabel = makeLabel(canDataPage, "canDataPreviewLabel");
    canDataPreviewLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *cpData = new QVBoxLayout();
    cpData->addWidget(canDataEdit, 1);
    cpData->addWidget(canDataPreviewLabel);
    cp->addWidget(canDataLenLabel);
    cp->addWidget(canDataLenEdit);
    cp->addLayout(cpData, 1);
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
    fdcanDataPreviewLabel = makeLabel(fdcanDataPage, "fdcanDataPreviewLabel");
    fdcanDataPreviewLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fdcanDataPreviewLabel->setWordWrap(true); // 64 bytes take two lines
    auto *fpData = new QVBoxLayout();
    fpData->addWidget(fdcanDataEdit, 1);
    fpData->addWidget(fdcanDataPreviewLabel);
    fp->addWidget(fdcanDataLenLabel);
    fp->addWidget(fdcanDataLenEdit);
    fp->addLayout(fpData, 1);
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
    auto *v = new QVBoxLayout(scrollingContent(tab_Parameters));

    auto *top = new QHBoxLayout();
    ReadAllParam = makeButton(tab_Parameters, "ReadAllParam");
    WriteAllParam = makeButton(tab_Parameters, "WriteAllParam");
    StoreAllParam = makeButton(tab_Parameters, "StoreAllParam");
    paramWarningLabel = makeLabel(tab_Parameters, "paramWarningLabel");
    sub_verCaption = caption(tab_Parameters, "sub_verCaption");
    sub_verEdit = makeEdit(tab_Parameters, "sub_verEdit", 80);
    sub_verEdit->setReadOnly(true);
    top->addWidget(ReadAllParam);
    top->addWidget(WriteAllParam);
    top->addWidget(StoreAllParam);
    top->addSpacing(16);
    top->addWidget(paramWarningLabel);
    top->addStretch(1);
    top->addWidget(sub_verCaption);
    top->addWidget(sub_verEdit);
    v->addLayout(top);

    // Each row: caption, value widget, unit. The widget is a direct child of its group.
    auto row = [](QGroupBox *box, QGridLayout *grid, int r, int c, const char *captionName, QWidget *value,
                  const char *unit = nullptr) {
        grid->addWidget(caption(box, captionName), r, c);
        grid->addWidget(value, r, c + 1);
        if (unit) {
            auto *u = new QLabel(QString::fromUtf8(unit), box);
            u->setObjectName(QString::fromLatin1(captionName).replace("Caption", "Unit"));
            grid->addWidget(u, r, c + 2);
        }
    };
    auto valueLabel = [](QGroupBox *box, const char *name) {
        auto *l = makeLabel(box, name);
        l->setMinimumWidth(90);
        l->setFrameShape(QFrame::StyledPanel);
        return l;
    };

    CommParamGroupBox = new QGroupBox(tab_Parameters);
    CommParamGroupBox->setObjectName("CommParamGroupBox");
    auto *comm = new QGridLayout(CommParamGroupBox);
    MST_IDEdit = makeEdit(CommParamGroupBox, "MST_IDEdit");
    ESC_IDEdit = makeEdit(CommParamGroupBox, "ESC_IDEdit");
    TIMEOUTEdit = makeEdit(CommParamGroupBox, "TIMEOUTEdit");
    TIMEOUTEdit->setPlaceholderText("1 = 50us");
    comboBox_canBaud = new QComboBox(CommParamGroupBox);
    comboBox_canBaud->setObjectName("comboBox_canBaud");
    row(CommParamGroupBox, comm, 0, 0, "MST_IDCaption", MST_IDEdit);
    row(CommParamGroupBox, comm, 1, 0, "ESC_IDCaption", ESC_IDEdit);
    row(CommParamGroupBox, comm, 2, 0, "TIMEOUTCaption", TIMEOUTEdit);
    row(CommParamGroupBox, comm, 3, 0, "can_brCaption", comboBox_canBaud);
    comm->setRowStretch(4, 1);

    ControlParamGroupBox = new QGroupBox(tab_Parameters);
    ControlParamGroupBox->setObjectName("ControlParamGroupBox");
    auto *ctrl = new QGridLayout(ControlParamGroupBox);
    comboBox_ctrMode = new QComboBox(ControlParamGroupBox);
    comboBox_ctrMode->setObjectName("comboBox_ctrMode");
    PMAXEdit = makeEdit(ControlParamGroupBox, "PMAXEdit");
    VMAXEdit = makeEdit(ControlParamGroupBox, "VMAXEdit");
    TMAXEdit = makeEdit(ControlParamGroupBox, "TMAXEdit");
    row(ControlParamGroupBox, ctrl, 0, 0, "cmodeCaption", comboBox_ctrMode);
    row(ControlParamGroupBox, ctrl, 1, 0, "PMAXCaption", PMAXEdit, "rad");
    row(ControlParamGroupBox, ctrl, 2, 0, "VMAXCaption", VMAXEdit, "rad/s");
    row(ControlParamGroupBox, ctrl, 3, 0, "TMAXCaption", TMAXEdit, "N-m");
    ctrl->setRowStretch(4, 1);

    DriverParamGroupBox = new QGroupBox(tab_Parameters);
    DriverParamGroupBox->setObjectName("DriverParamGroupBox");
    auto *drv = new QGridLayout(DriverParamGroupBox);
    UV_ValueEdit = makeEdit(DriverParamGroupBox, "UV_ValueEdit");
    OV_ValueEdit = makeEdit(DriverParamGroupBox, "OV_ValueEdit");
    KT_ValueEdit = makeEdit(DriverParamGroupBox, "KT_ValueEdit");
    OT_ValueEdit = makeEdit(DriverParamGroupBox, "OT_ValueEdit");
    OC_ValueEdit = makeEdit(DriverParamGroupBox, "OC_ValueEdit");
    ACCEdit = makeEdit(DriverParamGroupBox, "ACCEdit");
    DECEdit = makeEdit(DriverParamGroupBox, "DECEdit");
    MAX_SPDEdit = makeEdit(DriverParamGroupBox, "MAX_SPDEdit");
    POLEEdit = makeEdit(DriverParamGroupBox, "POLEEdit");
    GrEdit = makeEdit(DriverParamGroupBox, "GrEdit");
    GREFEdit = makeEdit(DriverParamGroupBox, "GREFEdit");
    GREF2Edit = makeEdit(DriverParamGroupBox, "GREF2Edit");
    row(DriverParamGroupBox, drv, 0, 0, "UV_ValueCaption", UV_ValueEdit, "V");
    row(DriverParamGroupBox, drv, 1, 0, "OV_ValueCaption", OV_ValueEdit, "V");
    row(DriverParamGroupBox, drv, 2, 0, "KT_ValueCaption", KT_ValueEdit);
    row(DriverParamGroupBox, drv, 3, 0, "OT_ValueCaption", OT_ValueEdit, "℃");
    row(DriverParamGroupBox, drv, 4, 0, "OC_ValueCaption", OC_ValueEdit, "%");
    row(DriverParamGroupBox, drv, 5, 0, "ACCCaption", ACCEdit, "k rad/s²");
    row(DriverParamGroupBox, drv, 6, 0, "DECCaption", DECEdit, "k rad/s²");
    row(DriverParamGroupBox, drv, 7, 0, "MAX_SPDCaption", MAX_SPDEdit, "rad/s");
    row(DriverParamGroupBox, drv, 0, 3, "POLECaption", POLEEdit);
    row(DriverParamGroupBox, drv, 1, 3, "GrCaption", GrEdit);
    row(DriverParamGroupBox, drv, 2, 3, "GREFCaption", GREFEdit);
    row(DriverParamGroupBox, drv, 3, 3, "GREF2Caption", GREF2Edit);
    drv->setColumnMinimumWidth(2, 56);
    drv->setRowStretch(8, 1);

    // Identified motor parameters: shown by a register read and by the identification.
    MotorParamGroupBox = new QGroupBox(tab_Parameters);
    MotorParamGroupBox->setObjectName("MotorParamGroupBox");
    auto *mp = new QGridLayout(MotorParamGroupBox);
    RsLabel = valueLabel(MotorParamGroupBox, "RsLabel");
    LsLabel = valueLabel(MotorParamGroupBox, "LsLabel");
    FluxLabel = valueLabel(MotorParamGroupBox, "FluxLabel");
    DampLabel = valueLabel(MotorParamGroupBox, "DampLabel");
    InertiaLabel = valueLabel(MotorParamGroupBox, "InertiaLabel");
    MPreCalculateButton = makeButton(MotorParamGroupBox, "MPreCalculateButton");
    row(MotorParamGroupBox, mp, 0, 0, "RsCaption", RsLabel);
    row(MotorParamGroupBox, mp, 1, 0, "LsCaption", LsLabel);
    row(MotorParamGroupBox, mp, 2, 0, "FluxCaption", FluxLabel);
    row(MotorParamGroupBox, mp, 3, 0, "DampCaption", DampLabel);
    row(MotorParamGroupBox, mp, 4, 0, "InertiaCaption", InertiaLabel);
    mp->addWidget(MPreCalculateButton, 5, 0, 1, 2);
    mp->setRowStretch(6, 1);

    ControlSettingGroupBox = new QGroupBox(tab_Parameters);
    ControlSettingGroupBox->setObjectName("ControlSettingGroupBox");
    auto *set = new QGridLayout(ControlSettingGroupBox);
    I_BWEdit = makeEdit(ControlSettingGroupBox, "I_BWEdit");
    KP_ASREdit = makeEdit(ControlSettingGroupBox, "KP_ASREdit");
    KI_ASREdit = makeEdit(ControlSettingGroupBox, "KI_ASREdit");
    KP_APREdit = makeEdit(ControlSettingGroupBox, "KP_APREdit");
    KI_APREdit = makeEdit(ControlSettingGroupBox, "KI_APREdit");
    V_BWEdit = makeEdit(ControlSettingGroupBox, "V_BWEdit");
    IQ_clEdit = makeEdit(ControlSettingGroupBox, "IQ_clEdit");
    VL_clEdit = makeEdit(ControlSettingGroupBox, "VL_clEdit");
    row(ControlSettingGroupBox, set, 0, 0, "I_BWCaption", I_BWEdit);
    row(ControlSettingGroupBox, set, 1, 0, "KP_ASRCaption", KP_ASREdit);
    row(ControlSettingGroupBox, set, 2, 0, "KI_ASRCaption", KI_ASREdit);
    row(ControlSettingGroupBox, set, 3, 0, "KP_APRCaption", KP_APREdit);
    row(ControlSettingGroupBox, set, 4, 0, "KI_APRCaption", KI_APREdit);
    row(ControlSettingGroupBox, set, 5, 0, "V_BWCaption", V_BWEdit);
    row(ControlSettingGroupBox, set, 6, 0, "IQ_clCaption", IQ_clEdit);
    row(ControlSettingGroupBox, set, 7, 0, "VL_clCaption", VL_clEdit);
    set->setRowStretch(8, 1);

    auto *groups = new QHBoxLayout();
    auto *left = new QVBoxLayout();
    left->addWidget(CommParamGroupBox);
    left->addWidget(ControlParamGroupBox);
    groups->addLayout(left);
    auto *middle = new QVBoxLayout();
    middle->addWidget(DriverParamGroupBox);
    middle->addWidget(MotorParamGroupBox);
    groups->addLayout(middle);
    auto *right = new QVBoxLayout();
    right->addWidget(ControlSettingGroupBox, 1);
    // The picture of the mode chosen in comboBox_ctrMode.
    picLabel = makeLabel(tab_Parameters, "picLabel");
    picLabel->setFixedSize(180, 72);
    picLabel->setAlignment(Qt::AlignCenter);
    right->addWidget(picLabel);
    groups->addLayout(right);
    groups->addStretch(1);
    v->addLayout(groups);

    formatGroupBox = new QGroupBox(tab_Parameters);
    formatGroupBox->setObjectName("formatGroupBox");
    auto *f = new QGridLayout(formatGroupBox);
    controlFormatTableWidget = formatTable(formatGroupBox, "controlFormatTableWidget");
    feedBackFormatTableWidget = formatTable(formatGroupBox, "feedBackFormatTableWidget");
    feedBackExplainEdit = new QPlainTextEdit(formatGroupBox);
    feedBackExplainEdit->setObjectName("feedBackExplainEdit");
    feedBackExplainEdit_2 = new QPlainTextEdit(formatGroupBox);
    feedBackExplainEdit_2->setObjectName("feedBackExplainEdit_2");
    for (QPlainTextEdit *e : {feedBackExplainEdit, feedBackExplainEdit_2}) {
        e->setReadOnly(true);
        e->setMinimumHeight(140);
    }
    f->addWidget(controlFormatTableWidget, 0, 0, 1, 2);
    f->addWidget(feedBackFormatTableWidget, 1, 0, 1, 2);
    f->addWidget(feedBackExplainEdit, 2, 0);
    f->addWidget(feedBackExplainEdit_2, 2, 1);
    v->addWidget(formatGroupBox, 1);
    tabWidget->addTab(tab_Parameters, QString());
}

void Ui_MainWindow::setupCalibrationPage()
{
    tab_Calibration = new QWidget();
    tab_Calibration->setObjectName("tab_Calibration");
    auto *v = new QVBoxLayout(tab_Calibration);
    auto *head = new QHBoxLayout();
    CalibrationWaveTitle = makeLabel(tab_Calibration, "CalibrationWaveTitle");
    calProgressBar = new QProgressBar(tab_Calibration);
    calProgressBar->setObjectName("calProgressBar");
    calProgressBar->setRange(0, 100);
    calProgressBar->setValue(0);
    calProgressBar->setMaximumWidth(320);
    head->addWidget(CalibrationWaveTitle);
    head->addStretch(1);
    head->addWidget(calProgressBar);
    v->addLayout(head);
    Calibration = new WaveForm(tab_Calibration);
    Calibration->setObjectName("Calibration");
    v->addWidget(Calibration, 1);
    tabWidget->addTab(tab_Calibration, QString());
}

void Ui_MainWindow::setupDebugPage()
{
    tab_Debug = new QWidget();
    tab_Debug->setObjectName("tab_Debug");
    auto *v = new QVBoxLayout(scrollingContent(tab_Debug));
    v->setSpacing(2);
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
    btn_ReadID = makeButton(idGroupBox, "btn_ReadID");
    btn_SetID = makeButton(idGroupBox, "btn_SetID");
    ig->setContentsMargins(6, 4, 6, 4);
    ig->addWidget(canidLabel_2);
    ig->addWidget(canidEdit_2);
    ig->addWidget(masteridLabel);
    ig->addWidget(masteridEdit);
    ig->addWidget(btn_ReadID);
    ig->addWidget(btn_SetID);
    row->addWidget(idGroupBox);
    sw_btn_rpmRads = makeSwitch(tab_Debug, "sw_btn_rpmRads");
    row->addWidget(sw_btn_rpmRads);
    row->addStretch(1);
    v->addLayout(row);
    auto *body = new QHBoxLayout();
    auto *panelScroll = new QScrollArea(tab_Debug);
    panelScroll->setObjectName("controlPanelScrollArea");
    controlPanel = new QWidget();
    controlPanel->setObjectName("controlPanel");
    controlPanel->setMinimumWidth(kControlPanelWidth);
    setupControlPanel();
    panelScroll->setWidget(controlPanel);
    panelScroll->setWidgetResizable(true);
    panelScroll->setFrameShape(QFrame::NoFrame);
    // The page's own background shows through, as without the scroll area.
    panelScroll->viewport()->setAutoFillBackground(false);
    controlPanel->setAutoFillBackground(false);
    panelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panelScroll->setFixedWidth(kControlPanelWidth + panelScroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    body->addWidget(panelScroll);
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
        if (r.chart == &Velocity) {
            VelLegendUnitLabel = makeLabel(chartsPanel, "VelLegendUnitLabel");
            VelLegendUnitLabel->setText("rad/s");
            head->addWidget(VelLegendUnitLabel);
        }
        charts->addLayout(head);
        *r.chart = new WaveForm(chartsPanel);
        (*r.chart)->setObjectName(r.chartName);
        charts->addWidget(*r.chart, 1);
    }
    body->addWidget(chartsPanel, 1);
    v->addLayout(body, 1);
    tabWidget->addTab(tab_Debug, QString());
}

void Ui_MainWindow::setupControlPanel()
{
    // Tight margins: at 1024 x 680 the whole panel nearly fits without scrolling.
    auto *cpl = new QVBoxLayout(controlPanel);
    cpl->setContentsMargins(0, 0, 0, 0);
    cpl->setSpacing(2);

    ctrModeTabBar = new CustomTabBar(controlPanel);
    ctrModeTabBar->setObjectName("ctrModeTabBar");
    ctrModeTabBar->layout()->setContentsMargins(0, 0, 0, 0);
    cpl->addWidget(ctrModeTabBar);

    ctrStackedWidget = new QStackedWidget(controlPanel);
    ctrStackedWidget->setObjectName("ctrStackedWidget");
    auto page = [this](const char *name) {
        auto *w = new QWidget();
        w->setObjectName(name);
        auto *g = new QGridLayout(w);
        g->setContentsMargins(4, 2, 4, 2);
        g->setVerticalSpacing(0);
        g->setColumnStretch(1, 1);
        ctrStackedWidget->addWidget(w);
        return w;
    };
    auto slider = [](QWidget *parent, const char *name) {
        auto *sl = new QSlider(Qt::Horizontal, parent);
        sl->setObjectName(name);
        sl->setRange(0, 100);
        sl->setValue(50); // the edits start at 0, the middle of every symmetric range
        sl->setEnabled(false); // shows where the value lies; never read
        return sl;
    };
    // One quantity: caption, edit and unit on one row; MIN, slider (or nothing) and MAX
    // on the next.
    auto quantity = [this](QWidget *p, int r, const char *captionName, QLineEdit *edit, QLabel *unit,
                           const char *minName, const char *minText, QSlider *bar, const char *maxName,
                           const char *maxText) {
        auto *g = static_cast<QGridLayout *>(p->layout());
        g->addWidget(caption(p, captionName), r, 0);
        if (edit)
            g->addWidget(edit, r, 1);
        if (unit)
            g->addWidget(unit, r, 2);
        auto *rowLayout = new QHBoxLayout();
        rowLayout->addWidget(rangeLabel(p, minName, minText, rangeLabels));
        if (bar)
            rowLayout->addWidget(bar, 1);
        else
            rowLayout->addStretch(1);
        rowLayout->addWidget(rangeLabel(p, maxName, maxText, rangeLabels));
        g->addLayout(rowLayout, r + 1, 0, 1, 3);
    };
    auto edit = [](QWidget *p, const char *name) {
        auto *e = makeEdit(p, name, 16777215);
        e->setText("0");
        return e;
    };
    auto unit = [](QWidget *p, const char *name, const char *text) {
        auto *l = makeLabel(p, name);
        l->setText(QString::fromLatin1(text));
        l->setMinimumWidth(40);
        return l;
    };

    MITPage = page("MITPage");
    POSEdit = edit(MITPage, "POSEdit");
    VELEdit = edit(MITPage, "VELEdit");
    KPEdit = edit(MITPage, "KPEdit");
    KDEdit = edit(MITPage, "KDEdit");
    TOREdit = edit(MITPage, "TOREdit");
    POSSlider = slider(MITPage, "POSSlider");
    VELSlider = slider(MITPage, "VELSlider");
    KPSlider = slider(MITPage, "KPSlider");
    KDSlider = slider(MITPage, "KDSlider");
    TORSlider = slider(MITPage, "TORSlider");
    KPSlider->setValue(0);
    KDSlider->setValue(0);
    radsLabel = unit(MITPage, "radsLabel", "rad/s");
    quantity(MITPage, 0, "POSCaption", POSEdit, unit(MITPage, "posUnitLabel", "rad"), "POS_MINLabel", "MIN\n-12.5",
             POSSlider, "POS_MAXLabel", "MAX\n12.5");
    quantity(MITPage, 2, "VELCaption", VELEdit, radsLabel, "VEL_MINLabel", "MIN\n-30", VELSlider, "VEL_MAXLabel",
             "MAX\n30");
    quantity(MITPage, 4, "KPCaption", KPEdit, unit(MITPage, "kpUnitLabel", "N/r"), "KP_MINLabel", "MIN\n0", KPSlider,
             "KP_MAXLabel", "MAX\n500");
    quantity(MITPage, 6, "KDCaption", KDEdit, unit(MITPage, "kdUnitLabel", "N*s/r"), "KD_MINLabel", "MIN\n0", KDSlider,
             "KD_MAXLabel", "MAX\n5");
    quantity(MITPage, 8, "TORCaption", TOREdit, unit(MITPage, "torUnitLabel", "N-m"), "TOR_MINLabel", "MIN\n-10",
             TORSlider, "TOR_MAXLabel", "MAX\n10");

    POSPage = page("POSPage");
    POSEdit_POS = edit(POSPage, "POSEdit_POS");
    VELEdit_POS = edit(POSPage, "VELEdit_POS");
    radsLabel_2 = unit(POSPage, "radsLabel_2", "rad/s");
    quantity(POSPage, 0, "POSCaption_2", POSEdit_POS, unit(POSPage, "posUnitLabel_2", "rad"), "POS_MINLabel_2",
             "MIN\n-12.5", nullptr, "POS_MAXLabel_2", "MAX\n12.5");
    quantity(POSPage, 2, "VELCaption_2", VELEdit_POS, radsLabel_2, "VEL_MINLabel_2", "MIN\n-45", nullptr,
             "VEL_MAXLabel_2", "MAX\n45");
    quantity(POSPage, 4, "TORCaption_2", nullptr, unit(POSPage, "torUnitLabel_2", "N-m"), "TOR_MINLabel_2",
             "MIN\n-18.0", nullptr, "TOR_MAXLabel_2", "MAX\n18.0");
    label_35 = makeLabel(POSPage, "label_35");
    label_35->setText("0");
    auto *pg = static_cast<QGridLayout *>(POSPage->layout());
    pg->addWidget(caption(POSPage, "RPMCaption_2"), 6, 0);
    pg->addWidget(label_35, 6, 1);
    pg->setRowStretch(7, 1);

    VELPage = page("VELPage");
    VELEdit_VEL = edit(VELPage, "VELEdit_VEL");
    radsLabel_3 = unit(VELPage, "radsLabel_3", "rad/s");
    quantity(VELPage, 0, "VELCaption_3", VELEdit_VEL, radsLabel_3, "VEL_MINLabel_3", "MIN\n-45", nullptr,
             "VEL_MAXLabel_3", "MAX\n45");
    quantity(VELPage, 2, "POSCaption_3", nullptr, unit(VELPage, "posUnitLabel_3", "rad"), "POS_MINLabel_3",
             "MIN\n-12.5", nullptr, "POS_MAXLabel_3", "MAX\n12.5");
    quantity(VELPage, 4, "TORCaption_3", nullptr, unit(VELPage, "torUnitLabel_3", "N-m"), "TOR_MINLabel_3",
             "MIN\n-18.0", nullptr, "TOR_MAXLabel_3", "MAX\n18.0");
    label_72 = makeLabel(VELPage, "label_72");
    label_72->setText("0");
    auto *vg = static_cast<QGridLayout *>(VELPage->layout());
    vg->addWidget(caption(VELPage, "RPMCaption_3"), 6, 0);
    vg->addWidget(label_72, 6, 1);
    vg->setRowStretch(7, 1);

    PVTPage = page("PVTPage");
    POSEdit_PVT = edit(PVTPage, "POSEdit_PVT");
    VELEdit_PVT = edit(PVTPage, "VELEdit_PVT");
    IEdit = edit(PVTPage, "IEdit");
    ISlider = slider(PVTPage, "ISlider");
    ISlider->setValue(0);
    radsLabel_4 = unit(PVTPage, "radsLabel_4", "rad/s");
    quantity(PVTPage, 0, "POSCaption_4", POSEdit_PVT, unit(PVTPage, "posUnitLabel_4", "rad"), "POS_MINLabel_4",
             "MIN\n-12.5", nullptr, "POS_MAXLabel_4", "MAX\n12.5");
    quantity(PVTPage, 2, "VELCaption_4", VELEdit_PVT, radsLabel_4, "VEL_MINLabel_4", "MIN\n-45", nullptr,
             "VEL_MAXLabel_4", "MAX\n45");
    quantity(PVTPage, 4, "ICaption", IEdit, unit(PVTPage, "iUnitLabel", "%FS"), "I_MINLabel", "MIN\n0", ISlider,
             "I_MAXLabel", "MAX\n1.0");
    static_cast<QGridLayout *>(PVTPage->layout())->setRowStretch(6, 1);
    cpl->addWidget(ctrStackedWidget);

    motorStateGroupBox = new QGroupBox(controlPanel);
    motorStateGroupBox->setObjectName("motorStateGroupBox");
    auto *st = new QGridLayout(motorStateGroupBox);
    st->setContentsMargins(6, 4, 6, 4);
    motorStateQLabel = makeLabel(motorStateGroupBox, "motorStateQLabel");
    motorStateQLabel->setFixedSize(20, 20);
    motorStateLabel = makeLabel(motorStateGroupBox, "motorStateLabel");
    motorTempLabel = makeLabel(motorStateGroupBox, "motorTempLabel");
    driverTempLabel = makeLabel(motorStateGroupBox, "driverTempLabel");
    for (QLabel *l : {motorStateLabel, motorTempLabel, driverTempLabel})
        l->setText("NA");
    st->setVerticalSpacing(4);
    st->addWidget(caption(motorStateGroupBox, "motorStateCaption"), 0, 0);
    st->addWidget(motorStateQLabel, 0, 1);
    st->addWidget(motorStateLabel, 0, 2, 1, 3);
    st->addWidget(caption(motorStateGroupBox, "motorTempCaption"), 1, 0);
    st->addWidget(motorTempLabel, 1, 1, 1, 2);
    st->addWidget(caption(motorStateGroupBox, "driverTempCaption"), 1, 3);
    st->addWidget(driverTempLabel, 1, 4);
    st->setColumnStretch(2, 1);
    st->setColumnStretch(4, 1);
    btn_motorMode = makeButton(motorStateGroupBox, "btn_motorMode");
    btn_motorModeExit = makeButton(motorStateGroupBox, "btn_motorModeExit");
    btn_saveGroundZero = makeButton(motorStateGroupBox, "btn_saveGroundZero");
    btn_canDebugClear = makeButton(motorStateGroupBox, "btn_canDebugClear");
    auto *cmds = new QGridLayout();
    cmds->addWidget(btn_motorMode, 0, 0);
    cmds->addWidget(btn_motorModeExit, 0, 1);
    cmds->addWidget(btn_saveGroundZero, 1, 0);
    cmds->addWidget(btn_canDebugClear, 1, 1);
    st->addLayout(cmds, 2, 0, 1, 5);
    cpl->addWidget(motorStateGroupBox);
    feedbackAnalysisBox = new FeedbackAnalysisBox(controlPanel);
    cpl->addWidget(feedbackAnalysisBox);

    canDebugGroupBox = new QGroupBox(controlPanel);
    canDebugGroupBox->setObjectName("canDebugGroupBox");
    auto *dbg = new QGridLayout(canDebugGroupBox);
    dbg->setContentsMargins(6, 4, 6, 4);
    dbg->setVerticalSpacing(4);
    canDebugDataLabel = makeLabel(canDebugGroupBox, "canDebugDataLabel");
    canDebugDataLabel->setText("00 00 00 00 00 00 00 00");
    canDebugDataLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btn_canDebugUpdate = makeButton(canDebugGroupBox, "btn_canDebugUpdate");
    btn_canDebugSend = makeButton(canDebugGroupBox, "btn_canDebugSend");
    btn_canDebugSend->setMinimumHeight(30);
    periodicSend = new QCheckBox(canDebugGroupBox);
    periodicSend->setObjectName("periodicSend");
    sendIntervalEdit_2 = makeEdit(canDebugGroupBox, "sendIntervalEdit_2", 60);
    sendIntervalEdit_2->setText("10");
    dbg->addWidget(caption(canDebugGroupBox, "canDebugDataCaption"), 0, 0);
    dbg->addWidget(canDebugDataLabel, 0, 1, 1, 3);
    dbg->addWidget(periodicSend, 1, 0, 1, 2);
    dbg->addWidget(caption(canDebugGroupBox, "sendIntervalCaption_2"), 1, 2);
    dbg->addWidget(sendIntervalEdit_2, 1, 3);
    dbg->addWidget(btn_canDebugUpdate, 2, 0, 1, 2);
    dbg->addWidget(btn_canDebugSend, 2, 2, 1, 2);
    btn_tuning = makeButton(canDebugGroupBox, "btn_tuning");
    dbg->addWidget(btn_tuning, 3, 0, 1, 4);
    cpl->addWidget(canDebugGroupBox);
    cpl->addStretch(1);
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
    fdcanGroupBox = new ConnectGroupBox(tab_Hidden);
    deviceGroupsLayout->addWidget(comGroupBox);
    deviceGroupsLayout->addWidget(fdcanGroupBox);
    v->addLayout(deviceGroupsLayout);
    setupSendQueueGroup(tab_Hidden);
    v->addLayout(dataListLayout);
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

    // The port box gets the whole row: a path such as /dev/pts/10 must show in full
    // whatever the length of the captions beside it.
    g->addWidget(portLabel, 0, 0);
    g->addWidget(comboCom_Port, 0, 1, 1, 2);
    g->addWidget(baudLabel, 1, 0);
    g->addWidget(comboCom_Baud, 1, 1);
    g->addWidget(btn_comRefreash, 1, 2);
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
    btn_calibration = new QPushButton(toolsGroupBox);
    btn_calibration->setObjectName("btn_calibration");
    btn_fdcanUpdate = new QPushButton(toolsGroupBox);
    btn_fdcanUpdate->setObjectName("btn_fdcanUpdate");
    btn_HarmonicAnalysis = new QPushButton(toolsGroupBox);
    btn_HarmonicAnalysis->setObjectName("btn_HarmonicAnalysis");
    harmonicProgressBar = new QProgressBar(toolsGroupBox);
    harmonicProgressBar->setObjectName("harmonicProgressBar");
    harmonicProgressBar->setMaximumHeight(14);
    harmonicProgressBar->setTextVisible(false);
    harmonicProgressBar->hide();
    t->addWidget(calibrationLabel, 0, 0);
    t->addWidget(sw_btn_calibration, 0, 1, Qt::AlignLeft);
    t->addWidget(btn_calibration, 1, 0, 1, 2);
    t->addWidget(ExportParam, 2, 0);
    t->addWidget(ImportParam, 2, 1);
    t->addWidget(btn_clear, 3, 0);
    t->addWidget(btn_config, 3, 1);
    t->addWidget(btn_zkChat, 4, 0, 1, 2);
    t->addWidget(btn_HarmonicAnalysis, 5, 0, 1, 2);
    t->addWidget(harmonicProgressBar, 6, 0, 1, 2);
    t->addWidget(btn_fdcanUpdate, 7, 0, 1, 2);
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

    for (const Caption &c : kCaptions) {
        if (auto *l = centralwidget->findChild<QLabel *>(QLatin1String(c.name)))
            l->setText(QCoreApplication::translate("MainWindow", c.text));
    }
    ReadAllParam->setText(QCoreApplication::translate("MainWindow", "读参数"));
    WriteAllParam->setText(QCoreApplication::translate("MainWindow", "写参数"));
    StoreAllParam->setText(QCoreApplication::translate("MainWindow", "保存参数"));
    CommParamGroupBox->setTitle(QCoreApplication::translate("MainWindow", "通信参数"));
    DriverParamGroupBox->setTitle(QCoreApplication::translate("MainWindow", "驱动参数"));
    ControlParamGroupBox->setTitle(QCoreApplication::translate("MainWindow", "控制参数"));
    ControlSettingGroupBox->setTitle(QCoreApplication::translate("MainWindow", "控制设置"));
    formatGroupBox->setTitle(QCoreApplication::translate("MainWindow", "报文格式"));
    motorStateGroupBox->setTitle(QCoreApplication::translate("MainWindow", "电机状态"));
    btn_motorMode->setText(QCoreApplication::translate("MainWindow", "使能"));
    btn_motorModeExit->setText(QCoreApplication::translate("MainWindow", "失能"));
    btn_saveGroundZero->setText(QCoreApplication::translate("MainWindow", "保存零点"));
    btn_canDebugClear->setText(QCoreApplication::translate("MainWindow", "清除错误"));
    canDebugGroupBox->setTitle(QCoreApplication::translate("MainWindow", "指令发送"));
    btn_canDebugUpdate->setText(QCoreApplication::translate("MainWindow", "更新"));
    btn_canDebugSend->setText(QCoreApplication::translate("MainWindow", "发送"));
    btn_tuning->setText(QCoreApplication::translate("MainWindow", "调参..."));
    btn_tuning->setToolTip(QCoreApplication::translate(
        "MainWindow", "阶跃与扫频测试：测量上升时间、超调、调节时间和带宽，比较不同增益下的响应"));
    periodicSend->setText(QCoreApplication::translate("MainWindow", "周期发送"));
    MotorParamGroupBox->setTitle(QCoreApplication::translate("MainWindow", "电机参数"));
    MPreCalculateButton->setText(QCoreApplication::translate("MainWindow", "参数标定"));
    MPreCalculateButton->setToolTip(QCoreApplication::translate(
        "MainWindow", "让控制器自行测量相电阻、相电感、磁链、粘滞系数和转动惯量（串口直连，约需数秒）"));
    calProgressBar->setToolTip(QCoreApplication::translate("MainWindow", "校准数据接收与补偿表下载的进度"));

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
    btn_ReadID->setText(QCoreApplication::translate("MainWindow", "读ID"));
    btn_SetID->setText(QCoreApplication::translate("MainWindow", "设ID"));
    btn_ReadID->setToolTip(QCoreApplication::translate("MainWindow", "读取总线上电机的CAN ID和Master ID（取第一个应答）"));
    btn_SetID->setToolTip(QCoreApplication::translate("MainWindow", "将总线上所有电机的ID改为左侧两个十六进制值"));
    canidEdit_2->setToolTip(QCoreApplication::translate("MainWindow", "电机的CAN ID（十六进制）"));
    masteridEdit->setToolTip(QCoreApplication::translate("MainWindow", "电机应答所用的Master ID（十六进制）"));
    canidEdit->setToolTip(QCoreApplication::translate("MainWindow", "输入要找的电机ID（十六进制），随即扫描总线上的ID 0~7F"));
    sw_btn_rpmRads->setToolTip(QCoreApplication::translate("MainWindow", "速度的输入单位：rad/s 或 RPM"));
    for (QSlider *s : {POSSlider, VELSlider, KPSlider, KDSlider, TORSlider, ISlider})
        s->setToolTip(QCoreApplication::translate("MainWindow", "数值在范围内的位置（只显示）"));
    canidLabel_2->setText("CAN ID");
    masteridLabel->setText("Master ID");
    comGroupBox->setTitle(QCoreApplication::translate("MainWindow", "串口设置"));
    dataBitLabel->setText(QCoreApplication::translate("MainWindow", "数据位"));
    checkBitLabel->setText(QCoreApplication::translate("MainWindow", "校验位"));
    stopBitLabel->setText(QCoreApplication::translate("MainWindow", "停止位"));
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
    btn_calibration->setText(QCoreApplication::translate("MainWindow", "校准"));
    btn_calibration->setToolTip(QCoreApplication::translate(
        "MainWindow", "开始校准上方开关所选的编码器（关：电机侧，开：输出轴），经串口与控制器直连"));
    sw_btn_calibration->setToolTip(QCoreApplication::translate(
        "MainWindow", "要校准的编码器：关为电机侧编码器，开为输出轴编码器"));
    ExportParam->setText(QCoreApplication::translate("MainWindow", "参数导出"));
    ImportParam->setText(QCoreApplication::translate("MainWindow", "参数导入"));
    btn_clear->setText(QCoreApplication::translate("MainWindow", "清空"));
    btn_config->setText(QCoreApplication::translate("MainWindow", "配置"));
    btn_zkChat->setText(QCoreApplication::translate("MainWindow", "智能助手"));
    btn_fdcanUpdate->setText(QCoreApplication::translate("MainWindow", "FDCAN固件"));
    btn_fdcanUpdate->setToolTip(QCoreApplication::translate("MainWindow", "USB FDCAN适配器固件升级 (F9)"));
    actZkChat->setText(QCoreApplication::translate("MainWindow", "智能助手"));
    btn_HarmonicAnalysis->setText(QCoreApplication::translate("MainWindow", "质量分析"));
    btn_HarmonicAnalysis->setToolTip(QCoreApplication::translate(
        "MainWindow", "向电机请求1024个采样点，计算频谱并判断24Hz和28Hz幅值（需在UART模式下直连电机串口）"));
    harmonicProgressBar->setToolTip(QCoreApplication::translate("MainWindow", "质量分析：已收到的采样数据"));
    actHarmonicAnalysis->setText(QCoreApplication::translate("MainWindow", "质量分析"));
    actFirmwareUpdate->setText(QCoreApplication::translate("MainWindow", "电机固件升级"));
    actFirmwareUpdate->setToolTip(QCoreApplication::translate("MainWindow", "在对话框中读取电机版本并升级电机固件"));
    retranslateTerminal();
}
