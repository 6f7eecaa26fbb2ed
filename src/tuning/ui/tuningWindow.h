#pragma once

#include "tuning/tuningBench.h"
#include "tuning/tuningRun.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTimer;
class QValueAxis;
class QLogValueAxis;

// What the bench window needs from the tool, so that it knows nothing of the main window.
struct TuningHost
{
    std::function<QString()> linkProblem;   // empty when a CAN road to the motor is open
    std::function<quint32()> motorId;
    std::function<Tuning::Limits()> limits; // the panel's ranges and the link's shortest period
    std::function<bool()> motorEnabled;     // as the tool last saw the motor
    std::function<TuningRoad()> road;
    std::function<void()> beforeRun;        // after the confirmation, before the first frame
    std::function<void()> afterRun;         // as soon as the run has ended, however it ended
    TuningInbox *inbox = nullptr;
};

// The 调参 window: a step or sweep test run on the motor, its response plotted against the
// command, its figures beside the plot, runs kept with the loop gains of their time,
// overlaid, saved, opened and exported.
class TuningWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TuningWindow(TuningHost host, QWidget *parent = nullptr);
    ~TuningWindow() override;

    bool isRunning() const { return bench && bench->isRunning(); }
    // Stop all, the user's stop, the link closing: the run ends now; the disable goes out
    // when the run enabled the motor.
    void stopRun(const QString &why = QString());
    // The test the fields describe.
    Tuning::Test test() const;
    void setTest(const Tuning::Test &test);
    const QList<Tuning::Run> &runs() const { return kept; }
    void addRuns(const QList<Tuning::Run> &runs);
    // Runs shown together (the checked ones), oldest first.
    QList<int> shownRuns() const;
    bool saveTo(const QString &path);
    bool openFrom(const QString &path);
    QTableWidget *figuresTable() const { return figures; }
    QChart *timeChart() const { return timePlot; }
    QChart *sweepChart() const { return bodePlot; }

    // Time spent drawing the running run's curves, and in the last run's ticks (benchmarks).
    qint64 liveDrawNanoseconds() const { return drawNs; }
    qint64 lastRunTickNanoseconds() const { return lastTickNs; }

signals:
    void runFinished();

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void retranslateUi();
    void onStartClicked();
    void onFinished();
    void refreshFields();
    void refreshPlot();
    void refreshLive();
    void refreshFigures();
    void refreshList();
    QString motionText(const Tuning::Test &t) const;
    void onSave();
    void onOpen();
    void onExportCsv();
    void onRemove();

    TuningHost host;
    QList<Tuning::Run> kept;
    QList<bool> shown;
    QPointer<TuningBench> bench;
    quint32 benchMotor = 0;
    QDateTime benchStarted;
    int runCounter = 0;

    QComboBox *signalCombo = nullptr;
    QComboBox *quantityCombo = nullptr;
    QDoubleSpinBox *sizeSpin = nullptr;
    QDoubleSpinBox *durationSpin = nullptr;
    QSpinBox *repeatSpin = nullptr;
    QDoubleSpinBox *fromSpin = nullptr;
    QDoubleSpinBox *toSpin = nullptr;
    QDoubleSpinBox *speedLimitSpin = nullptr;
    QSpinBox *periodSpin = nullptr;
    QPushButton *startButton = nullptr;
    QLabel *statusLabel = nullptr;
    QList<QLabel *> captions;
    QWidget *leftPane = nullptr;
    QStackedWidget *plots = nullptr;
    QChart *timePlot = nullptr;
    QChart *bodePlot = nullptr;
    QValueAxis *timeAxis = nullptr;
    QValueAxis *valueAxis = nullptr;
    QLogValueAxis *freqAxis = nullptr;
    QValueAxis *gainAxis = nullptr;
    QValueAxis *phaseAxis = nullptr;
    QTableWidget *figures = nullptr;
    QListWidget *runList = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *csvButton = nullptr;
    QPushButton *removeButton = nullptr;
    QTimer *plotTimer = nullptr;
    QLineSeries *liveCommand = nullptr; // the running run's curves
    QLineSeries *liveResponse = nullptr;
    double liveLo = 0, liveHi = 0;
    qint64 drawNs = 0, lastTickNs = 0;
};
