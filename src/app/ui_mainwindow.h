#pragma once

// The main window's widget tree, built in code. It keeps the shape of a generated form
// (setupUi / retranslateUi, object names, by-name slot connection) so that the window's
// slots follow Qt's on_<object>_<signal> convention and tests find widgets by name.

#include <QtCore/QCoreApplication>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QTextBrowser;
class QVBoxLayout;
class QWidget;
class SwitchButton;
class CustomPlainTextEdit;
class QTableView;
class WaveForm;

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
    QPlainTextEdit *comOutput = nullptr;
    SwitchButton *sw_btn_ASCIIHex = nullptr;
    SwitchButton *sw_btn_ASCIIHex_2 = nullptr;

    // CAN page: receive log and transmit panel.
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
    QLabel *TorLegendValueLabel = nullptr;
    WaveForm *Position = nullptr;
    WaveForm *Velocity = nullptr;
    WaveForm *Torque = nullptr;
    WaveForm *Calibration = nullptr;
    QWidget *chartsPanel = nullptr;
    QWidget *controlPanel = nullptr;

    // Calibration and debug pages.
    SwitchButton *sw_btn_rpmRads = nullptr;
    QGroupBox *idGroupBox = nullptr;
    QLabel *canidLabel_2 = nullptr;
    QLineEdit *canidEdit_2 = nullptr;
    QLabel *masteridLabel = nullptr;
    QLineEdit *masteridEdit = nullptr;
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
    QGroupBox *fdcanGroupBox = nullptr;
    QLabel *fdcanPlaceholderLabel = nullptr;

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
    QPushButton *ExportParam = nullptr;
    QPushButton *ImportParam = nullptr;
    QPushButton *btn_clear = nullptr;
    QPushButton *btn_config = nullptr;
    QPushButton *btn_zkChat = nullptr;
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
    QStatusBar *statusbar = nullptr;

    void setupUi(QMainWindow *MainWindow);
    void retranslateUi(QMainWindow *MainWindow);

private:
    void setupSerialPage();
    void setupCanPage();
    void setupParametersPage();
    void setupCalibrationPage();
    void setupDebugPage();
    void setupAboutPage();
    void setupHiddenPage();
    void setupSidePanel();
};

namespace Ui {
class MainWindow : public Ui_MainWindow {};
}
