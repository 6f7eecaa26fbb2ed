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

#include <atomic>
#include <thread>

class QLabel;
class QTimer;
class QWidget;
class ClickableLabel;
class SwitchButton;
class DeviceWatcher;
class Ui_MainWindow;

// Options the entry point takes from the command line.
struct StartupOptions {
    bool simulate = false;        // offer simulated ports with a motor behind each
    QString port;                 // a port chosen by path (e.g. a pseudo-terminal)
    bool openPort = false;        // open that port at start-up
    QString language;             // "en_US" starts in English
    bool diagnostics = false;     // show the hidden fault-injection tab
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

    // Handlers of widgets created in code (connected explicitly, not by name).
    void on_actClearCount_triggered();
    void on_CNEN_statusChanged(bool on);
    void on_canUart_statusChanged(bool on);

signals:
    void autoQuitMessageBoxShow(const QString &text);
    void RxCntChanged();
    void appVersionChanged(const QString &version);
    void loaderVersionChanged(const QString &version);

public slots:
    void on_autoQuitMessageBoxShow(const QString &text);
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

protected:
    void closeEvent(QCloseEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private slots:
    void on_btn_comRefreash_clicked();

private:
    static void setLabelTextAndColorRed(QLabel *label, const QString &text);
    void SwBtnInit();
    void statusInit();
    void shortCutKeysInit();
    void signalsConnect();
    void aboutInit();
    void startBackgroundTasks();
    void stopBackgroundTasks();
    void heartbeatLoop();

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
    quint32 canRxSeq = 0;
    quint32 txCount = 0;
    quint32 rxCount = 0;
    quint32 totalCount = 0;
    quint32 lastTotalCount = 0;
    double fps = 0;
    QElapsedTimer fpsClock;

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

    QWidget *calibrationTab = nullptr;
    QString motorBaudText; // known motor bit rate, empty while unrecognised

    // Background work.
    QFuture<void> fifoFuture;
    QFuture<void> canAnalysisFuture;
    QFuture<void> CalFIFOfuture;
    std::atomic_bool heartbeatRunning{false};
    std::atomic_bool heartbeatSuspended{false};
    std::atomic_bool calAnalysisRunning{true};
    std::thread heartbeatThread;
};
