#pragma once

#include <QElapsedTimer>
#include <QFuture>
#include <QList>
#include <QMainWindow>
#include <QMutex>
#include <QPromise>
#include <QPointer>
#include <QString>
#include <QTranslator>

#include <QSerialPort>
#include <QSharedPointer>

#include "calibration/calibrationResults.h"
#include "can/canFrameData.h"
#include "can/canLogFeedback.h"
#include "can/canRecorder.h"
#include "can/canReplay.h"
#include "can/canTransmit.h"
#include "link/serial/chunkQueue.h"
#include "link/serial/terminalFeed.h"
#include "link/canAdapter.h"
#include "link/orderedPoolQueue.h"
#include "link/sendingRoads.h"
#include "link/usb/usbDeviceInfo.h"
#include "motor/busFeedback.h"
#include "motor/escInf.h"
#include "motor/feedbackWatch.h"
#include "motor/motorReport.h"
#include "motor/ui/commissionDialog.h"
#include "motor/motorIds.h"
#include "motor/motorProtocol.h"
#include "motor/paramRegisters.h"
#include "tuning/tuningBench.h"

#include <atomic>
#include <climits>
#include <memory>
#include <thread>

class QLabel;
class QPushButton;
class QTimer;
class QWidget;
class ClickableLabel;
class SwitchButton;
class DeviceWatcher;
class Ui_MainWindow;
class CustomCDC;
class SerialPortModel;
class SerialPortDelegate;
class CANTxModel;
class CANTxDelegate;
class CANFrameModel;
class ReceiveDispatcher;
class WaveForm;
class FeedbackWaveUpdater;
class ZKChat;
class ChatCommandDispatcher;
struct ChatCommand;
class ConnectGroupBox;
class FdcanCommands;
class UsbCanAdapter;
class QtCanBusAdapter;
class CanBusPanel;
class CanRecordBar;
class SerialTerminal;
class FirmwareGroupBox;
class FirmwareDialog;
class QEventLoop;
class SpectrumAnalyzerDialog;
class SpectrumCapture;
class SpecialMotorDialog;
class CalibrationCapture;
class TableDownload;
class TableUpload;
class TuningWindow;
class QDialog;
class MotorsPanel;
struct CAN_Frame;
struct WaveDataContainer;
struct MultiWaveDataContainer;

// Options the entry point takes from the command line.
struct StartupOptions {
    bool simulate = false;        // offer simulated ports with a motor behind each
    QString port;                 // a port chosen by path (e.g. a pseudo-terminal)
    bool openPort = false;        // open that port at start-up
    QString language;             // "en_US" starts in English
    bool diagnostics = false;     // show the hidden fault-injection tab
    int tab = -1;                 // tab to show first
    // Ports known only by path, listed beside the system's (simulated devices).
    QList<QPair<QString, QString>> extraPorts;
    // USB identities of ports known only by path (a simulated USB adapter's port), for
    // pairing them with their adapters.
    QList<USBDeviceInfo> usbPorts;
    // Qt CAN interfaces ("PLUGIN:IFACE", description) listed beside the plugins' own
    // (a simulated bus on virtualcan).
    QList<QPair<QString, QString>> canInterfaces;
};

// The one window of the tool. It owns every long-lived object and coordinates them;
// its implementation is split into one source file per subsystem.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(const StartupOptions &options = StartupOptions(), QWidget *parent = nullptr);
    ~MainWindow() override;

    static bool showConfirmationDialog(QWidget *parent, const QString &text);

    // Folder of the compiled translations; beside the executable unless a test says otherwise.
    static QString translationsDir();
    static void setTranslationsDir(const QString &dir);

    Ui_MainWindow *form() const { return ui; }
    QString language() const { return currentLanguage; }
    quint32 txFrameCount() const { return txCount; }
    quint32 rxFrameCount() const { return rxCount; }
    double framesPerSecond() const { return fps; }
    quint32 frameSequence() const { return canRxSeq; } // adapter frames logged so far
    // Received bytes dropped because the dispatcher fell behind (shown in the status bar).
    quint64 droppedReceiveBytes() const { return rxChunkList.droppedBytes() + terminalFeed.droppedBytes(); }

    // Handlers of widgets created in code (connected explicitly, not by name).
    void on_actClearCount_triggered();
    void on_CNEN_statusChanged(bool on);
    void on_canUart_statusChanged(bool on);
    void on_calibration_statusChanged(bool outputShaft);
    // Port toggle, open and close (the button and the menu go through the toggle).
    void on_actCom_Switch_triggered();
    bool on_actCom_Open_triggered();
    void on_actCom_Close_triggered();

    QSerialPort *port() { return &serialPort; }
    CustomCDC *link() const { return cdc.data(); }
    CANTxModel *txModel() const { return canTxModel.data(); }
    SerialPortModel *portModel() const { return serialPortModel.data(); }
    CANFrameModel *frameModel() const { return canFrameModel.data(); }
    ZKChat *chatWindow() const { return chat; }
    SerialTerminal *terminal() const { return serialTerminal; }
    SpectrumAnalyzerDialog *spectrumAnalyzer() const { return spectrumDialog; }
    SpectrumCapture *qualityCapture() const { return spectrumCapture; }
    bool isPortOpen() const { return portOpen; }
    QWidget *portSettingsWindow() const { return deviceConfigWindow; }
    // Adds a port given by path (pseudo-terminal, by-id link) and selects it.
    int addPortByPath(const QString &path, const QString &description = QString());

    // ---- Motor commands and feedback (mainwindow_motor.cpp).
    // The payload of the tab bar's mode, from the control panel's edits.
    QByteArray canDataConvention() const;
    // Receive dispatch of one serial-adapter frame; runs on the receive task. Register
    // replies are handed to parseRIDFrame on the GUI thread, which alone touches
    // `record` (the link object's escInf).
    void parseCANReceiveFrame(const CAN_Frame &frame, ESC_INF &record);
    // The one receive dispatch of motor frames from any adapter (serial or USB), on the
    // adapter's receive thread: feedback, register, ID and version replies, and while a
    // bus scan runs, the scan's probe replies.
    void motorFrameReceived(uint32_t frameId, const uint8_t *data, int length, ReceivePath path, ESC_INF &record);
    // One register reply (8 bytes); GUI thread.
    void parseRIDFrame(const unsigned char *data, ESC_INF &record);
    void controlFormatTableSwitch(int mode);
    void ctrModeInit();
    void motorStateInit();
    void motorStateQLabelSet(bool ok);
    void on_motorErrorChanged(unsigned char code);
    void on_motorTempChanged(signed char celsius);
    void on_driverTempChanged(signed char celsius);
    MappingRanges mappingRanges() const { return ranges.get(); }
    quint64 feedbackFrameCount() const { return feedbackFrames; }
    // Feedback samples gathered for the charts and not yet handed to them.
    qsizetype heldFeedbackSamples();
    bool isCanDebugRunning() const { return canDebugRunning; }

    // ---- What is being sent, Stop all, and whether the read-outs are fed
    // (mainwindow_sending.cpp).
    // Ends every sending road and sends disable to every motor the tool enabled since it
    // started; returns what was done, as the window shows it.
    QString stopAll();
    // ---- Tuning bench (mainwindow_tuning.cpp).
    TuningWindow *tuningBench() const;
    // Ends a running tuning run (the link closing, Stop all); it disables the motor when
    // the run enabled it.
    void stopTuningRun(const QString &why = QString());

    // ---- USB FDCAN adapter: panel, pairing, timing (mainwindow_fdcan.cpp), frames
    // (mainwindow_usb.cpp).
    UsbCanAdapter *usbCanAdapter() const { return usbAdapter; }
    // The adapter behind the panel; nullptr selects none. The window binds the USB
    // adapter at start-up; tests bind a scripted one.
    void setFdcanCommands(FdcanCommands *commands);
    FdcanCommands *fdcanCommands() const;
    // The adapter paired with the selected port ("device:%d,%d"), empty when none.
    QString selectedUsbDevice() const;
    bool isFdcanDeviceSelected() const { return fdcanDeviceSelected; }
    QStringList usbDevices() const;
    QString adapterLabelText() const;
    // Adapter list and port pairing, anew ("刷新设备"); not while the port is open.
    void refreshUsbDevices();
    // An adapter chosen by name: selects its paired port, or clears the selection flag.
    void on_usbDeviceChanged(const QString &device);
    // Reads the adapter's bit timing back into the panel, the transmit settings and the
    // status bar.
    void on_fdcanGetBaudRate_clicked();
    void on_fdcanConfigChanged();
    void on_fdcanAcc(bool fd);
    void on_fdcanupdateDialogShow();
    // A batch of frames from the adapter (GUI thread): handled on the pool, batch by
    // batch in order, by insertFrames.
    void on_canFramesReceived(const QList<CanBusFrame> &frames);
    // Log row of one adapter frame; counts the frame into rx or tx. Any thread.
    CANFrameData insert_item(const CanBusFrame &frame, quint32 &rx, quint32 &tx);
    // Motor dispatch of a frame from the USB adapter; runs on the pool.
    void parseFDCANReceiveFrame(const CanBusFrame &frame, ESC_INF &record);

    // ---- Qt CAN interfaces and recordings (mainwindow_canbus.cpp).
    QtCanBusAdapter *canBusAdapter() const { return qtCanBus; }
    CanBusPanel *canBusPanel() const { return canBusPanelWidget; }
    CanRecorder *recorder() const { return canRecorder.get(); }
    CanRecordBar *recordBar() const { return canRecordBar; }
    CanReplay *replay() const { return canReplay; }
    // The interfaces given at start-up, and with `enumeratePlugins` those the installed
    // plugins report (loading every plugin: slow).
    void refreshCanInterfaces(bool enumeratePlugins = true);
    // True once the deferred start-up steps ran (device lists, watcher, --open).
    bool startupFinished() const { return startupDone; }
    bool startRecording(const QString &path);
    void stopRecording();
    // Loads a recording into the log (asks for the file when `path` is empty); the number
    // of frames loaded, -1 when nothing was.
    int openRecording(const QString &path);
    // The feedback of the last recording opened with its charts box ticked, one track per
    // motor, and which of them the charts show.
    const QList<FeedbackTrack> &recordedFeedback() const { return recordingTracks; }
    void showRecordingTrack(int index);
    // The receive log's decoded column shown or hidden.
    void showDecodedColumn(bool shown);
    // Replays a recording onto the open link (asks for the file when `path` is empty);
    // a second call while one runs stops it.
    bool replayRecording(const QString &path);

    // ---- Control panel, motor IDs and bus scan (mainwindow_panel.cpp, mainwindow_ids.cpp).
    void on_rpmRads_statusChanged(bool rpm);
    int specialMotorType() const { return motorType; }
    bool isScanning() const { return scanning; }
    ScanResultMap scanResultMap() const { return scanResults.snapshot(); }
    QMap<unsigned int, unsigned int> idReplies() const { return idReplyMap.snapshot(); }

    // ---- Motor firmware (mainwindow_firmware.cpp).
    FirmwareGroupBox *firmwareGroupBox() const;
    // The motor firmware dialog while it is open.
    FirmwareDialog *motorFirmwareDialog() const;

    // ---- CAN bus debugging (mainwindow_can.cpp).
    // The data page's bytes, or an empty array after a warning.
    QByteArray convertCANData();
    QByteArray convertFDCANData();
    // Once a second while the bus-load window is shown; the last figure in percent.
    void calculateOccupancy();
    double busLoad() const { return currentBusLoad; }
    QWidget *busLoadWindow() const { return occupancyWindow; }
    // The CAN tab's ID counting step (the ID increment dialog sets it).
    quint16 canTabIdStep() const { return canIdStep; }
    void setCanTabIdStep(quint16 step) { canIdStep = step; }
    // The context menu's copy of the selected cells, and of the whole log.
    void copySelectedLogCells();
    void copyWholeLog();

    // ---- Parameter registers (mainwindow_params.cpp).
    void getESC_INF(ESC_INF &record);
    void on_ParametersChanged(const ESC_INF &record);
    void canBaudInit();
    // Pole pairs, gear ratio, sub-version (and the CAN ID in CAN mode): read-only, with why.
    void showNeverWrittenFields();
    // A parameter as the page names it: its caption and the register's name.
    QString parameterFieldName(int rid) const;

    // ---- Encoder calibration and identification (mainwindow_calibration.cpp).
    void Cal_calibrate();
    void change_Text(const float *table, float offset, int rawOffset, int index, int rawFirst, int rawLast);
    void SendCalibrateData();
    void SendOutCalibrateData();
    const CalibrationResults &calibrationResults() const { return calResults; }
    QDialog *calibrationResultDialog() const;
    CalibrationCapture *calibrationCapture() const { return calCapture.get(); }
    // 0 conventional motor, 1 the in-wheel hub motor that takes CAN commands instead;
    // chosen in the motor-type dialog (F4).
    int motorType = 0;

    // ---- Bench of motors: motors panel, diff before writing, report, "next motor"
    // (mainwindow_bench.cpp).
    MotorsPanel *motorsPanel() const { return motorsPanelWidget; }
    // Scan, then the versions of each motor; the panel lists them.
    void refreshMotors();
    // The current motor's record as HTML and PDF into `folder` (asks when empty); the HTML
    // path, or empty with `error` set (empty too when the user cancelled).
    QString writeMotorReport(const QString &folder, const QString &note, QString *pdf = nullptr,
                             QString *error = nullptr);
    MotorReport currentMotorReport(const QString &note);
    // The parameter file the report compares with: the panel's choice, else the last one
    // written or imported.
    QString reportCompareFile() const;
    void openCommissionDialog();
    CommissionDialog *commissionDialog() const;
    // The steps of the "next motor" dialog.
    CommissionBench::Result benchScanNewMotor();
    CommissionBench::Result benchAssignIds(uint32_t canid, uint32_t masterid);
    CommissionBench::Result benchWriteFile(const QString &path);
    CommissionBench::Result benchSave();
    CommissionBench::Result benchCalibrate();
    CommissionBench::Result benchQuality();

signals:
    void autoQuitMessageBoxShow(const QString &text);
    void RxCntChanged();
    void appVersionChanged(const QString &version);
    void loaderVersionChanged(const QString &version);
    void uartMsg(const QString &text);
    void uartByteMsg(const QByteArray &bytes);
    void MessageInfo(int code);
    void normalDataRecv();
    void MotorSideCalRecv();
    void OutputShaftCalRecv();
    void canidChanged(unsigned int id);
    void masteridChanged(unsigned int id);
    void sendNextFrame();
    void CANRxVector(const QList<CANFrameData> &rows);
    void parameterBlockReceived(const QByteArray &record, bool longLayout);
    void dataProcessed(WaveForm *chart, const WaveDataContainer &data);
    void ParametersChanged(const ESC_INF &record);
    void motorTempChanged(signed char celsius);
    void driverTempChanged(signed char celsius);
    void motorErrorChanged(unsigned char code);
    void MotorParametersChanged(const MotorParameter &parameters);
    void CalWaveResultShow();
    void outCalWaveResultShow();
    void CompensationTableRecv();
    void CalWaveUpdateTimerActive(bool active);
    void multiDataProcessed(WaveForm *chart, const MultiWaveDataContainer &data);
    void selectedFirmwareVersionChanged(const QString &name);

public slots:
    void on_autoQuitMessageBoxShow(const QString &text);
    // Asks first when log rows, parameter edits or chart data would go.
    void on_actClear_triggered();
    void on_actExit_triggered();
    void on_TxCntChanged();
    void on_RxCntChanged();
    void updateFPS();
    bool switchLanguage(const QString &code);
    void customSwitchLanguage();
    void onPgUpPressed();
    void onPgDnPressed();
    void refreshDevices();

    // Serial link.
    void on_btn_comSwitch_clicked();
    void on_comboCom_Port_currentIndexChanged(int index);
    void on_btn_BuadSet_clicked();
    void on_btn_CANStop_clicked();
    void configDevice();

    // Receive side.
    void on_normalDataRecv();
    void on_uartMsg(const QString &text);
    void on_uartByteMsg(const QByteArray &bytes);
    void on_MessageInfoRecv(int code);
    void on_CANRxVector(const QList<CANFrameData> &rows);
    void on_canidChanged(unsigned int id);
    void on_masteridChanged(unsigned int id);
    void upgradeLock(bool locked);
    void on_dataProcessed(WaveForm *chart, const WaveDataContainer &data);
    // Serial terminal and quality analysis (mainwindow_terminal.cpp).
    void comDataList();
    void on_btn_HarmonicAnalysis_clicked();
    // Assistant chat.
    void on_zkChatShow();
    void on_invokeQtFunction(const QString &sentence);
    // The 100 ms chart cycle of periodic motor commands: hands the gathered feedback
    // samples to the three charts.
    void onWaveUpdateTimerTimeout();
    // Feedback samples as the motor decoder appends them (any thread).
    void appendFeedbackSamples(float position, float velocity, float torque);

    // Motor commands and periodic sending.
    void on_btn_motorMode_clicked();
    void on_btn_motorModeExit_clicked();
    void on_btn_saveGroundZero_clicked();
    void on_btn_canDebugClear_clicked();
    void on_btn_canDebugUpdate_clicked();
    void on_btn_canDebugSend_clicked();
    void on_btn_tuning_clicked();
    void on_sendIntervalEdit_2_editingFinished();
    void on_comboBox_ctrMode_currentIndexChanged(int index);
    void ctrModeComponentSwitch(int index);
    void on_POSEdit_editingFinished();
    void on_VELEdit_editingFinished();
    void on_KPEdit_editingFinished();
    void on_KDEdit_editingFinished();
    void on_TOREdit_editingFinished();
    void on_IEdit_editingFinished();
    void on_VELEdit_POS_editingFinished();
    void on_VELEdit_VEL_editingFinished();
    void specialMotorSelection();

    // Motor IDs and bus scan.
    void on_btn_ReadID_clicked();
    void on_btn_SetID_clicked();
    void on_canidEdit_textEdited(const QString &text);
    void on_canidEdit_2_textEdited(const QString &text);
    void scanDevice();
    // False (and nothing stored) when the payload cannot be built; the user is told why.
    bool UpdateDebugData();
    void stopCANDebug();
    void canFrameResend();

    // Encoder calibration and identification.
    void on_btn_calibration_clicked();
    void on_CalWaveUpdate();
    void on_nppChanged(unsigned int polePairs);
    void onCalWaveUpdateTimerTimeout();
    void onCalWaveUpdateTimerActive(bool active);
    void on_MotorSideCalRecv();
    void on_OutputShaftCalRecv();
    void on_CalWaveResultShow();
    void on_outCalWaveResultShow();
    void on_CompensationTableRecv();
    void on_MPreCalculateButton_clicked();
    void on_MotorParametersChanged(const MotorParameter &parameters);
    void on_multiDataProcessed(WaveForm *chart, const MultiWaveDataContainer &data);

    // Motor firmware upgrade and version read.
    void on_readVersionClicked();
    void on_firmwareFileOpenClicked();
    void on_firmwareUpgradeClicked();
    void on_actFirmwareUpdate_triggered();

    // CAN transmit panel and receive log.
    void on_canDataLenEdit_textChanged(const QString &text);
    void on_fdcanDataLenEdit_textChanged(const QString &text);
    void on_btn_CANSend_clicked();
    void onCANPeriodicSendTimerTimeout();
    void on_idAcc_clicked(bool checked);
    // Ends the CAN tab's own repetition (its timer).
    void stopCanTabSend();
    void on_ExportAnaysis_clicked();
    void on_ChannelOccupancyRate_clicked();
    void on_canDataAnalysisEdit_editingFinished();

    // Parameter registers.
    void on_ReadAllParam_clicked();
    void on_WriteAllParam_clicked();
    void on_StoreAllParam_clicked();
    void on_ExportParam_clicked();
    void on_ImportParam_clicked();
    void clearParametersUI();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private slots:
    void on_crashBtn_clicked();
    void on_crashBtn_2_clicked();
    void on_crashBtn_3_clicked();
    void on_crashBtn_4_clicked();
    void on_btn_comRefreash_clicked();
    void onSerialPortError(QSerialPort::SerialPortError error);

private:
    static void setLabelTextAndColorRed(QLabel *label, const QString &text);
    void SwBtnInit();
    void WaveFormInit();
    void chatInit();
    void fdcanInit();
    void fdcanLanguageChanged();
    void terminalInit();
    void onSpectrumCaptured(int outcome, const QList<float> &samples);
    void serialPortViewModelInit();
    void canTxViewModelInit();
    void canFrameModelInit();
    void showCanLogMenu(const QPoint &pos);
    void setCanSendTips();
    // The transmit ID as typed into the settings, marked red when no send would take it.
    void takeCanIdText();
    // The ID and the send count of a send; false (after a warning) when one is bad.
    bool canSendSettings(quint32 *id, qint32 *times);
    // The line under each data field: the bytes a send would carry now.
    void updateCanDataPreview();
    void appendLogRows(const QList<CANFrameData> &rows, quint64 passedBy = 0);
    void CustomCDCInit();
    void fillPortCombo();
    // A message-table box with an optional second line that says why.
    void showMessageInfo(int code, const QString &detail);
    void receiveDropsInit();
    void showReceiveDrops();
    void handleRecData(QPromise<void> &promise);
    void handleSerialCANFrame(const QByteArray &frame);
    void statusInit();
    void shortCutKeysInit();
    void signalsConnect();
    void aboutInit();
    void startBackgroundTasks();
    void stopBackgroundTasks();
    void heartbeatLoop();
    void motorCommand(int type);
    // The window's own repetition (the motor-debug and transmit-panel timers); what the
    // adapter repeats is stopped by the motor actions themselves.
    void stopPeriodicTimers();
    void startCanDebugTask();
    void stopCanDebugTask();
    // Ends the periodic motor command: its timer or the adapter's repetition, the chart
    // task and the button.
    void endCanDebug();
    void setCanDebugButton(bool running);
    void onParameterBlock(const QByteArray &bytes, bool longLayout);
    void feedbackFormatInit();
    void addFrameCounts(quint32 rx, quint32 tx);
    // What is being sent, Stop all, read-outs.
    void sendingInit();
    void showSendingRoads(const QList<SendingRoads::Road> &roads);
    void showSendingNotice(const QString &text);
    enum class ReadoutLook { Live, Stale, Closed };
    // Every 100 ms: greys the read-outs that are no longer fed, shows the master-ID warning.
    void refreshReadouts();
    void setReadoutLook(ReadoutLook look, int staleAfterMs = 0, bool force = false);
    void sendingLanguageChanged();
    void showStrayFeedback(int id);
    void takeStrayAsMasterId();
    // The link closed: the read-outs stop claiming a state.
    void readoutsLinkClosed();
    void refitFrameCounts(); // after the counts were cleared or the language changed
    // USB FDCAN adapter.
    void usbInit();
    void usbShutdown();
    // Port-open step: connects the paired USB adapter, or the serial adapter; false when
    // the port must be closed again.
    bool openCanAdapter();
    void closeCanAdapter();
    QList<USBDeviceInfo> pairingPorts() const;
    void insertFrames(const QList<CanBusFrame> &frames);
    void onUsbAdapterError(CanAdapter::Error error, const QString &text);
    void panelInit();
    void setPointEditFinished(const QString &editName);
    // The range a control-panel set-point takes, in the unit it is typed in.
    MappingRange setPointRange(const QString &editName) const;
    // The assistant's value rows: a set-point or register value outside its range is
    // refused with the range named (empty: the value may go in).
    QString chatValueRefusal(const ChatCommand &row, const QString &value) const;
    // The chat's line for what a recognised sentence did.
    QString chatActionEcho(const ChatCommand &row, const QString &value) const;
    void refreshSetPoints();
    void showVelocityRanges();
    void showModePicture(int index);
    void finishScan();
    void calibrationInit();
    void firmwareInit();
    void firmwareLanguageChanged();
    // Locks the firmware group's and dialog's file and upgrade buttons during a transfer.
    void firmwareLock(bool locked);
    void cutCalibrationRecords(bool streaming, int recordSize);
    void showCalibrationResult(QDialog *dialog);

    // Background task bodies; each runs on the global thread pool for the window's life.
    void handleFIFO(QPromise<void> &promise);
    void handleCANAnalysis();
    void calDataAnalysis();

    StartupOptions options;
    Ui_MainWindow *ui = nullptr;
    QTranslator *translator = nullptr;
    QString currentLanguage = "zh_CN";
    QString desktopPath;

    // Status-bar counters; updated on the GUI thread only.
    std::atomic<quint32> canRxSeq{0}; // log row numbers; also advanced by the dispatcher task
    quint32 txCount = 0;
    quint32 rxCount = 0;
    quint32 totalCount = 0;
    quint32 lastTotalCount = 0;
    double fps = 0;
    QElapsedTimer fpsClock;
    bool floodSeen = false; // a second with a flood of frames; memory is trimmed after it

    QLabel *txLabel = nullptr;
    QLabel *rxLabel = nullptr;
    QLabel *fpsLabel = nullptr;
    ClickableLabel *clearCountLabel = nullptr;
    QLabel *connectionLed = nullptr;
    SwitchButton *languageSwitch = nullptr;
    QLabel *adapterLabel = nullptr;
    QLabel *motorBaudLabel = nullptr;
    QTimer *fpsTimer = nullptr;
    QTimer *calWaveTimer = nullptr;
    DeviceWatcher *deviceWatcher = nullptr;
    // What the first paint does not need runs after it (finishStartup).
    void finishStartup();
    // The CAN plugins' interfaces and the USB adapters, listed once after start-up or
    // before a port opens, whichever comes first (pairing needs them).
    void listDevicesOnce();
    bool devicesListed = false;
    bool startupDone = false;
    bool painted = false;
    bool startupWaitsForPaint = false;

    QWidget *calibrationTab = nullptr;
    QString motorBaudText; // known motor bit rate, empty while unrecognised

    // Serial link and receive pipeline.
    QSerialPort serialPort;
    QSharedPointer<SerialPortModel> serialPortModel;
    QSharedPointer<SerialPortDelegate> serialPortDelegate;
    QSharedPointer<CANTxModel> canTxModel;
    QSharedPointer<CANTxDelegate> canTxDelegate;
    QSharedPointer<CANFrameModel> canFrameModel;
    QSharedPointer<CustomCDC> cdc;
    ChunkQueue rxChunkList; // bounded; closing the link abandons it
    TerminalFeed terminalFeed; // dispatcher text on its way to the terminal, bounded
    QLabel *rxDropLabel = nullptr;
    // Frames of every adapter road (serial, USB, Qt CAN interfaces) not yet in the status
    // bar: counted where they pass, shown by countTimer, never one label text per frame.
    std::atomic<quint32> pendingAdapterRx{0};
    std::atomic<quint32> pendingAdapterTx{0};
    QTimer *countTimer = nullptr;
    bool portListStale = false; // devices changed while the port was open
    std::atomic_bool rxReadQueued{false};  // a read request waits for the GUI thread
    QMutex canFrameMutex;
    QList<CANFrameData> canFrameList;
    quint64 canFramesPassedBy = 0; // under canFrameMutex: backlog rows the log would not keep
    std::atomic_bool logBatchPending{false}; // a CANRxVector is on its way to the GUI
    std::atomic<quint64> logBatchPassedBy{0}; // the passed-by rows that came before it
    std::atomic<quint64> droppedLogRows{0};  // frames the GUI fell too far behind to log
    std::atomic_bool portOpen{false};
    std::atomic_bool englishUi{false};
    std::atomic_bool scanning{false};
    bool fdcanDeviceSelected = false;
    UsbCanAdapter *usbAdapter = nullptr;
    QtCanBusAdapter *qtCanBus = nullptr;
    QStringList pluginInterfaces; // what the CAN plugins reported at the last refresh
    CanBusPanel *canBusPanelWidget = nullptr;
    std::unique_ptr<CanRecorder> canRecorder;
    CanRecordBar *canRecordBar = nullptr;
    QList<FeedbackTrack> recordingTracks;
    void showRecordingFeedback(const QList<FeedbackTrack> &tracks, const QString &name);
    CanReplay *canReplay = nullptr;
    QString replayPath;
    bool replayPlanning = false; // the file is being read before the question
    // The question before a replay, with what it would send; `sentOnly` in and out.
    bool confirmReplay(const QString &path, const CanReplayPlan &plan, bool *sentOnly);
    // The adapter frames go out on now, for the questions before sending.
    QString adapterText() const;
    void canBusInit();
    void canBusShutdown();
    void updateCanBusPanel();
    bool openCanBusLink(const QString &location);
    void closeCanBusLink();
    void onCanBusError(CanAdapter::Error error, const QString &text);
    void on_canRecord_clicked();
    void onReplayFinished(const CanReplay::Result &result);
    void reportMalformedLines(const QString &path, const QList<CanLogReader::Problem> &problems, qint64 total);
    std::unique_ptr<FdcanCommands> usbCommands; // the panel's binding to usbAdapter
    std::unique_ptr<OrderedPoolQueue<QList<CanBusFrame>>> usbBatches;
    std::atomic_int usbLogWidest{0}; // widest data seen in the log, for the row height
    bool messageBoxOpen = false;
    QTimer *canPeriodicTimer = nullptr;
    CanSendCounter canSendCounter; // the serial path's periodic send
    qint32 canTabTimes = 0;        // frames the running CAN tab send was asked for (-1: until stopped)
    qint32 canTabSent = 0;         // frames of it that went out
    // ID counting of the CAN tab (the ID increment dialog).
    quint16 canIdStep = 1;
    quint32 canStopId = 0x7FF;
    // A frame of the CAN tab, dressed as its settings say.
    CanBusFrame canTabFrame(const QByteArray &data, quint32 id) const;
    // True (after telling the user) while CAN frames would reach the motor's console.
    bool refuseCanOnConsole();
    // True (after telling the user) while a firmware transfer runs.
    bool refuseWhileUpgrading();
    QPointer<QWidget> occupancyWindow;
    double currentBusLoad = 0;
    QPointer<QWidget> deviceConfigWindow;
    QFuture<void> recDataFuture;

    // Feedback samples for the charts, appended by the decoder, drained every 100 ms.
    QMutex waveMutex;
    QList<float> positionSamples;
    QList<float> velocitySamples;
    QList<float> torqueSamples;
    FeedbackWaveUpdater *waveUpdater = nullptr;

    ZKChat *chat = nullptr;
    ChatCommandDispatcher *chatDispatcher = nullptr;
    SerialTerminal *serialTerminal = nullptr;
    SpectrumAnalyzerDialog *spectrumDialog = nullptr;
    SpectrumCapture *spectrumCapture = nullptr;
    QList<QPointer<QTimer>> spectrumPausedTimers; // periodic sending resumes after the capture
    // Motor dialogue. The receive task reads the IDs and ranges; the GUI thread writes
    // them, hence atomics and a locked copy.
    SharedMappingRanges ranges;
    ShownParameters shownParameters; // what the parameter tab shows, with the exact values
    // What 清空 would discard, one text each; empty when nothing.
    QStringList clearWouldDiscard();
    int parameterEdits(); // filled fields of the parameter page that differ from the last read
    QHash<QString, QString> clearedParameterTexts; // what the page shows when it holds no values
    void clearAllData();
    IdReplyMap idReplyMap;
    std::atomic<quint32> motorCanid{1};
    std::atomic<quint32> motorMasterid{0};
    std::atomic_int shownMotorTemp{INT_MIN};  // last value handed to the label
    std::atomic_int shownDriverTemp{INT_MIN};
    std::atomic<quint64> feedbackFrames{0};
    int shownStateIcon = -1; // 1 normal, 0 fault; the icon is set only when this changes
    int shownStateCode = -1; // last state shown, re-shown in the other language
    QFuture<void> canDebugFuture; // the wave-update task of periodic motor commands
    bool canDebugRunning = false; // periodic motor commands run; the send button shows it
    // The newest state code, and whether a motorErrorChanged is on its way to the GUI:
    // a flood of feedback frames queues one signal at a time, not one per frame.
    std::atomic_int latestStateCode{0};
    std::atomic_bool stateSignalPending{false};
    FeedbackWatch feedbackWatch;
    ReadoutLook readoutLook = ReadoutLook::Live;
    int shownStrayId = -1;
    int shownStaleAfterMs = 0;
    QTimer *readoutTimer = nullptr;
    QLabel *sendingLabel = nullptr;        // what is being sent, or what Stop all did
    QPushButton *stopAllButton = nullptr;
    QTimer *sendingNoticeTimer = nullptr;  // how long a notice stays before the roads show again
    // Feedback and register answers for a running tuning run, pushed by the receive side.
    TuningInbox tuningInbox;
    QPointer<TuningWindow> tuningWindow;

    // Control panel: the motor-type dialog, and the velocity bound the position-velocity,
    // velocity and PVT pages show (rad/s).
    QPointer<SpecialMotorDialog> specialMotorDialog;
    float pagesVelocityMax = 45.0f;
    // Bus scan (GUI thread, apart from the results, which the receive thread fills
    // while `scanning` is set).
    ScanResults scanResults;
    QString scanWantedId;

    // Background work.
    QFuture<void> fifoFuture;
    QFuture<void> canAnalysisFuture;
    QFuture<void> CalFIFOfuture;
    std::atomic_bool heartbeatRunning{false};
    std::atomic_bool heartbeatSuspended{false};
    std::atomic_bool calAnalysisRunning{true};
    std::thread heartbeatThread;

    // Motor firmware.
    FirmwareGroupBox *upgradeGroupBox = nullptr;
    QPointer<FirmwareDialog> firmwareDialog;
    QString firmwarePath; // the chosen image's file
    struct FirmwareVersions {
        bool read = false;
        QString app;
        QString loader;
    };
    // Reads the versions, letting events run, for at most `timeoutMs`; a motor that does
    // not answer gives `read` false and no message box.
    FirmwareVersions probeVersions(int timeoutMs);
    QString firmwareVersionText(const FirmwareVersions &v);
    QString firmwareTargetText() const;
    bool confirmFirmwareUpgrade(const FirmwareVersions &now);
    // After a completed transfer: the versions again, before and after, for the user.
    void reportUpgradeVersions();
    QEventLoop *versionProbeLoop = nullptr; // while probeVersions waits
    FirmwareVersions versionsBeforeUpgrade;
    bool firmwareAsking = false; // the question before an upgrade is up

    // Encoder calibration.
    std::unique_ptr<CalibrationCapture> calCapture;
    CalibrationResults calResults;
    TableDownload *tableDownload = nullptr;
    TableUpload *tableUpload = nullptr;
    QPointer<QDialog> calResultDialog;

    // Bench of motors.
    void benchInit();
    // A scan of the bus now: every CAN ID that answered, with how many motors did.
    QList<ScannedMotor> scanBusNow();
    // The version read of the current motor, waited for.
    bool readVersionsNow(QString *app, QString *loader);
    void updateMotorsLive();
    // Set ID reaches every motor: true only when a scan finds exactly one (else the user
    // is told which IDs answered).
    bool checkOneMotorForSetId(ScannedMotor *only);
    // What the motor holds: kept from every read and confirmed write; read (without
    // touching the page) when unknown for the current motor.
    void noteMotorValues(const ESC_INF &record);
    bool readMotorValuesNow();
    // Shows what writing `record` would change; false when nothing differs, the user
    // cancelled or unticked every row. Unticked rows keep the motor's value in `record`.
    bool diffBeforeWrite(ESC_INF &record, QList<int> *only, const QString &intro);
    MotorsPanel *motorsPanelWidget = nullptr;
    QTimer *motorsLiveTimer = nullptr;
    BusFeedback busFeedback;
    ESC_INF motorValues;
    quint32 motorValuesCanid = 0;
    bool motorValuesKnown = false;
    bool silentRead = false; // a read for motorValues: the page keeps what it shows
    QMap<quint32, QPair<QString, QString>> versionsRead; // CAN ID -> application, bootloader
    int versionReads = 0;
    int writesConfirmed = 0;
    int registerTimeouts = 0;
    QString lastParameterFile; // the parameter set last written or imported, for the report
    QList<FaultSeen> faultsSeen;
    int lastFaultCode = 0;
    MotorParameter lastIdentification;
    bool identified = false;
    std::unique_ptr<CommissionBench> bench;
    QPointer<CommissionDialog> commission;
};
