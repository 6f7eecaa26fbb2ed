#pragma once

// The main window's widget tree, built in code. It keeps the shape of a generated form
// (setupUi / retranslateUi, object names, by-name slot connection) so that the window's
// slots follow Qt's on_<object>_<signal> convention and tests find widgets by name.

#include <QtCore/QCoreApplication>
#include <QtCore/QList>

// The terminal's receive box is a QPlainTextEdit with a bounded, batched append path;
// included whole so that code using it as a plain text edit needs nothing more.
#include "widgets/terminalOutput.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTableWidget;
class QStatusBar;
class QTabWidget;
class QTextBrowser;
class QVBoxLayout;
class QWidget;
class SwitchButton;
class CustomPlainTextEdit;
class CustomTabBar;
class QTableView;
class WaveForm;
class ConnectGroupBox;
class CANLogBar;
class FeedbackAnalysisBox;

class Ui_MainWindow
{
public:
    QWidget *centralwidget = nullptr;
    QHBoxLayout *mainLayout = nullptr;
    QTabWidget *tabWidget = nullptr;

    // Tabs, in order.
    QWidget *tab_SerialPort = nullptr;
    QWidget *tab_CAN = nullptr;
    QWidget *tab_Parameters = nullptr;
    QWidget *tab_Calibration = nullptr;
    QWidget *tab_Debug = nullptr;
    QWidget *tab_About = nullptr;
    QWidget *tab_Hidden = nullptr;

    // Serial terminal page.
    TerminalOutput *comOutput = nullptr;
    CustomPlainTextEdit *comInput = nullptr;
    QLabel *inputModeLabel = nullptr;
    SwitchButton *sw_btn_ASCIIHex = nullptr;
    QPushButton *btn_NormalSend = nullptr;
    QPushButton *btn_comDataList = nullptr;

    // Send queue (hidden page; shown in its own window, F3).
    QVBoxLayout *dataListLayout = nullptr;
    QGroupBox *DataListGroupBox = nullptr;
    QListWidget *DataListWidget = nullptr;
    CustomPlainTextEdit *DataListInput = nullptr;
    SwitchButton *sw_btn_ASCIIHex_2 = nullptr;
    QPushButton *addDataList = nullptr;
    QPushButton *deleteDataList = nullptr;
    QPushButton *upDataList = nullptr;
    QPushButton *downDataList = nullptr;
    QPushButton *clearDataList = nullptr;
    QPushButton *sendDataList = nullptr;
    QLabel *sendListIntervalLabel = nullptr;
    QLineEdit *sendListIntervalEdit = nullptr;

    // CAN page: receive log and transmit panel.
    CANLogBar *canLogBar = nullptr; // filter, ExportAnaysis, ChannelOccupancyRate
    QTableView *tableView = nullptr;
    QGroupBox *canTxGroupBox = nullptr;
    QLineEdit *canIdEdit = nullptr;
    QComboBox *comboFrame_canIdType = nullptr;
    QComboBox *comboFrame_canFrameType = nullptr;
    QLineEdit *sendTimesEdit = nullptr;
    QLineEdit *sendIntervalEdit = nullptr;
    QCheckBox *dataAcc = nullptr;
    QCheckBox *idAcc = nullptr;
    QCheckBox *dataSectionAcc = nullptr;
    QStackedWidget *canDataStack = nullptr;
    QWidget *canDataPage = nullptr;
    QLineEdit *canDataLenEdit = nullptr;
    CustomPlainTextEdit *canDataEdit = nullptr;
    QWidget *fdcanDataPage = nullptr;
    QLineEdit *fdcanDataLenEdit = nullptr;
    CustomPlainTextEdit *fdcanDataEdit = nullptr;
    QLabel *canDataPreviewLabel = nullptr;   // the bytes a send would carry
    QLabel *fdcanDataPreviewLabel = nullptr;
    QPushButton *btn_CANSend = nullptr;
    QPushButton *btn_CANStop = nullptr;
    QComboBox *comboCAN_Baud = nullptr;
    QPushButton *btn_BuadSet = nullptr;
    QLabel *canIdLabel = nullptr;
    QLabel *sendTimesLabel = nullptr;
    QLabel *sendIntervalLabel = nullptr;
    QLabel *canBaudLabel = nullptr;
    QLabel *canDataLenLabel = nullptr;
    QLabel *fdcanDataLenLabel = nullptr;

    // Bus load meter (CAN page).
    QGroupBox *CORGroupBox = nullptr;
    QLabel *CORLegendLabel = nullptr;
    QLabel *CORLegendValueLabel = nullptr;
    QLabel *CORUnitLabel = nullptr;
    WaveForm *COR = nullptr;

    // Feedback charts (debug page) and the calibration chart.
    QLabel *PositionWaveTitle = nullptr;
    QLabel *VelocityWaveTitle = nullptr;
    QLabel *TorqueWaveTitle = nullptr;
    QLabel *CalibrationWaveTitle = nullptr;
    QLabel *PosLegendLabel = nullptr;
    QLabel *VelLegendLabel = nullptr;
    QLabel *TorLegendLabel = nullptr;
    QLabel *PosLegendValueLabel = nullptr;
    QLabel *VelLegendValueLabel = nullptr;
    QLabel *VelLegendUnitLabel = nullptr;
    QLabel *TorLegendValueLabel = nullptr;
    WaveForm *Position = nullptr;
    WaveForm *Velocity = nullptr;
    WaveForm *Torque = nullptr;
    WaveForm *Calibration = nullptr;
    QProgressBar *calProgressBar = nullptr;
    QWidget *chartsPanel = nullptr;
    QWidget *controlPanel = nullptr;

    // Parameter page: the register table in four groups (the field checks look at each
    // group's direct children), the buttons and the frame-layout tables.
    QPushButton *ReadAllParam = nullptr;
    QPushButton *WriteAllParam = nullptr;
    QPushButton *StoreAllParam = nullptr;
    QLabel *sub_verCaption = nullptr;
    QLineEdit *sub_verEdit = nullptr;
    QGroupBox *CommParamGroupBox = nullptr;
    QGroupBox *DriverParamGroupBox = nullptr;
    QGroupBox *ControlParamGroupBox = nullptr;
    QGroupBox *ControlSettingGroupBox = nullptr;
    QLineEdit *MST_IDEdit = nullptr;
    QLineEdit *ESC_IDEdit = nullptr;
    QLineEdit *TIMEOUTEdit = nullptr;
    QComboBox *comboBox_canBaud = nullptr;
    QLineEdit *UV_ValueEdit = nullptr;
    QLineEdit *OV_ValueEdit = nullptr;
    QLineEdit *KT_ValueEdit = nullptr;
    QLineEdit *OT_ValueEdit = nullptr;
    QLineEdit *OC_ValueEdit = nullptr;
    QLineEdit *ACCEdit = nullptr;
    QLineEdit *DECEdit = nullptr;
    QLineEdit *MAX_SPDEdit = nullptr;
    QLineEdit *POLEEdit = nullptr;
    QLineEdit *GrEdit = nullptr;
    QGroupBox *MotorParamGroupBox = nullptr;
    QPushButton *MPreCalculateButton = nullptr;
    QLabel *RsLabel = nullptr;
    QLabel *LsLabel = nullptr;
    QLabel *FluxLabel = nullptr;
    QLabel *DampLabel = nullptr;
    QLabel *InertiaLabel = nullptr;
    QComboBox *comboBox_ctrMode = nullptr;
    QLineEdit *PMAXEdit = nullptr;
    QLineEdit *VMAXEdit = nullptr;
    QLineEdit *TMAXEdit = nullptr;
    QLineEdit *GREFEdit = nullptr;
    QLineEdit *GREF2Edit = nullptr;
    QLineEdit *I_BWEdit = nullptr;
    QLineEdit *KP_ASREdit = nullptr;
    QLineEdit *KI_ASREdit = nullptr;
    QLineEdit *KP_APREdit = nullptr;
    QLineEdit *KI_APREdit = nullptr;
    QLineEdit *V_BWEdit = nullptr;
    QLineEdit *IQ_clEdit = nullptr;
    QLineEdit *VL_clEdit = nullptr;
    QGroupBox *formatGroupBox = nullptr;
    QTableWidget *controlFormatTableWidget = nullptr;
    QTableWidget *feedBackFormatTableWidget = nullptr;
    QPlainTextEdit *feedBackExplainEdit = nullptr;
    QPlainTextEdit *feedBackExplainEdit_2 = nullptr;
    QLabel *picLabel = nullptr; // the selected control mode's loop

    // Motor control panel (debug page).
    CustomTabBar *ctrModeTabBar = nullptr;
    QStackedWidget *ctrStackedWidget = nullptr;
    QWidget *MITPage = nullptr;
    QWidget *POSPage = nullptr;
    QWidget *VELPage = nullptr;
    QWidget *PVTPage = nullptr;
    QLineEdit *POSEdit = nullptr;
    QLineEdit *VELEdit = nullptr;
    QLineEdit *KPEdit = nullptr;
    QLineEdit *KDEdit = nullptr;
    QLineEdit *TOREdit = nullptr;
    QLineEdit *POSEdit_POS = nullptr;
    QLineEdit *VELEdit_POS = nullptr;
    QLineEdit *VELEdit_VEL = nullptr;
    QLineEdit *POSEdit_PVT = nullptr;
    QLineEdit *VELEdit_PVT = nullptr;
    QLineEdit *IEdit = nullptr;
    QSlider *POSSlider = nullptr;
    QSlider *VELSlider = nullptr;
    QSlider *KPSlider = nullptr;
    QSlider *KDSlider = nullptr;
    QSlider *TORSlider = nullptr;
    QSlider *ISlider = nullptr;
    QLabel *radsLabel = nullptr;
    QLabel *radsLabel_2 = nullptr;
    QLabel *radsLabel_3 = nullptr;
    QLabel *radsLabel_4 = nullptr;
    QLabel *label_35 = nullptr; // position-velocity page: the speed in RPM
    QLabel *label_72 = nullptr; // velocity page: the speed in RPM
    QList<QLabel *> rangeLabels; // the 28 MIN/MAX labels of the four pages
    QGroupBox *motorStateGroupBox = nullptr;
    QLabel *motorStateQLabel = nullptr;
    QLabel *motorStateLabel = nullptr;
    QLabel *motorTempLabel = nullptr;
    FeedbackAnalysisBox *feedbackAnalysisBox = nullptr; // canDataAnalysisEdit, parsePOSLabel ...
    QLabel *driverTempLabel = nullptr;
    QPushButton *btn_motorMode = nullptr;
    QPushButton *btn_motorModeExit = nullptr;
    QPushButton *btn_saveGroundZero = nullptr;
    QPushButton *btn_canDebugClear = nullptr;
    QGroupBox *canDebugGroupBox = nullptr;
    QLabel *canDebugDataLabel = nullptr;
    QPushButton *btn_canDebugUpdate = nullptr;
    QPushButton *btn_canDebugSend = nullptr;
    QPushButton *btn_tuning = nullptr;
    QCheckBox *periodicSend = nullptr;
    QLineEdit *sendIntervalEdit_2 = nullptr;

    // Calibration and debug pages.
    SwitchButton *sw_btn_rpmRads = nullptr;
    QGroupBox *idGroupBox = nullptr;
    QLabel *canidLabel_2 = nullptr;
    QLineEdit *canidEdit_2 = nullptr;
    QLabel *masteridLabel = nullptr;
    QLineEdit *masteridEdit = nullptr;
    QPushButton *btn_ReadID = nullptr;
    QPushButton *btn_SetID = nullptr;
    QLabel *paramWarningLabel = nullptr;

    // About page.
    QTextBrowser *AboutTextBrowser = nullptr;

    // Hidden page (diagnostics only; removed from the tab bar at start-up).
    QPushButton *crashBtn = nullptr;
    QPushButton *crashBtn_2 = nullptr;
    QPushButton *crashBtn_3 = nullptr;
    QPushButton *crashBtn_4 = nullptr;
    // Port settings and USB adapter groups; shown in the port settings window (F2).
    QVBoxLayout *deviceGroupsLayout = nullptr;
    QGroupBox *comGroupBox = nullptr;
    QLabel *dataBitLabel = nullptr;
    QComboBox *comboCom_DataBit = nullptr;
    QLabel *checkBitLabel = nullptr;
    QComboBox *comboCom_CheckBit = nullptr;
    QLabel *stopBitLabel = nullptr;
    QComboBox *comboCom_StopBit = nullptr;
    ConnectGroupBox *fdcanGroupBox = nullptr;

    // Right-hand panel: connection group and the tools beside the tabs.
    QWidget *sidePanel = nullptr;
    QVBoxLayout *sideLayout = nullptr;
    QGroupBox *connectGroupBox = nullptr;
    QLabel *portLabel = nullptr;
    QComboBox *comboCom_Port = nullptr;
    QPushButton *btn_comRefreash = nullptr;
    QLabel *baudLabel = nullptr;
    QComboBox *comboCom_Baud = nullptr;
    QPushButton *btn_comSwitch = nullptr;
    QLabel *recvDisplayLabel = nullptr;
    SwitchButton *sw_btn_RecvDisplay = nullptr;
    QLabel *displayModeLabel = nullptr;
    SwitchButton *sw_btn_ASCIIHex_3 = nullptr;
    QLabel *linkModeLabel = nullptr;
    SwitchButton *sw_btn_canUart = nullptr;
    QStackedWidget *linkStack = nullptr;
    QWidget *canPage = nullptr;
    QWidget *uartPage = nullptr;
    QLabel *canidLabel = nullptr;
    QLineEdit *canidEdit = nullptr;
    QLabel *uartHintLabel = nullptr;

    QGroupBox *toolsGroupBox = nullptr;
    QLabel *calibrationLabel = nullptr;
    SwitchButton *sw_btn_calibration = nullptr;
    QPushButton *btn_calibration = nullptr;
    QPushButton *ExportParam = nullptr;
    QPushButton *ImportParam = nullptr;
    QPushButton *btn_clear = nullptr;
    QPushButton *btn_config = nullptr;
    QPushButton *btn_zkChat = nullptr;
    QPushButton *btn_fdcanUpdate = nullptr;
    QPushButton *btn_HarmonicAnalysis = nullptr;
    QProgressBar *harmonicProgressBar = nullptr; // shown while the analysis waits for its block
    QLabel *versionLabel = nullptr;

    // Menu and actions.
    QMenuBar *menubar = nullptr;
    QMenu *menuFile = nullptr;
    QMenu *menuDevice = nullptr;
    QAction *actClear = nullptr;
    QAction *actExit = nullptr;
    QAction *actFDCAN_Config = nullptr;
    QAction *actionOpenPort = nullptr;
    QAction *actionClosePort = nullptr;
    QAction *actZkChat = nullptr;
    QAction *actHarmonicAnalysis = nullptr;
    QAction *actFirmwareUpdate = nullptr;
    QStatusBar *statusbar = nullptr;

    void setupUi(QMainWindow *MainWindow);
    void retranslateUi(QMainWindow *MainWindow);

private:
    void setupSerialPage();
    void setupSendQueueGroup(QWidget *page);
    void retranslateTerminal();
    void setupCanPage();
    void setupParametersPage();
    void setupCalibrationPage();
    void setupDebugPage();
    void setupControlPanel();
    void setupAboutPage();
    void setupHiddenPage();
    void setupSidePanel();
};

namespace Ui {
class MainWindow : public Ui_MainWindow {};
}
