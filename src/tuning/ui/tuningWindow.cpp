#include "tuning/ui/tuningWindow.h"

#include "widgets/dialogService.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QLogValueAxis>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

using namespace Tuning;

namespace {

constexpr int kPlotPoints = 2000; // per curve: min and max of as many buckets
constexpr int kLivePoints = 500;  // while a run goes on, redrawn every 100 ms
const QList<QColor> kColours = {QColor(0x1f77b4), QColor(0xd62728), QColor(0x2ca02c), QColor(0x9467bd),
                                QColor(0xff7f0e), QColor(0x17becf)};

// A curve reduced to the plot: the lowest and highest point of each bucket, in time order.
QList<QPointF> reduced(const QVector<Sample> &s, const std::function<double(const Sample &)> &y,
                       int buckets = kPlotPoints)
{
    QList<QPointF> out;
    const qsizetype n = s.size();
    if (n <= 2 * buckets) {
        out.reserve(n);
        for (const Sample &x : s)
            out.append({x.t, y(x)});
        return out;
    }
    out.reserve(2 * buckets);
    for (int b = 0; b < buckets; ++b) {
        const qsizetype from = n * b / buckets, to = n * (b + 1) / buckets;
        qsizetype lo = from, hi = from;
        for (qsizetype i = from; i < to; ++i) {
            if (y(s[i]) < y(s[lo]))
                lo = i;
            if (y(s[i]) > y(s[hi]))
                hi = i;
        }
        out.append({s[std::min(lo, hi)].t, y(s[std::min(lo, hi)])});
        if (lo != hi)
            out.append({s[std::max(lo, hi)].t, y(s[std::max(lo, hi)])});
    }
    return out;
}

QString figure(double v, double scale = 1.0, int decimals = 1)
{
    return std::isfinite(v) ? QString::number(v * scale, 'f', decimals) : QStringLiteral("—");
}

QLineSeries *addCurve(QChart *chart, const QString &name, const QColor &colour, bool dashed,
                      const QList<QPointF> &points)
{
    auto *s = new QLineSeries(chart);
    s->setName(name);
    QPen pen(colour);
    pen.setWidthF(dashed ? 1.2 : 1.8);
    if (dashed)
        pen.setStyle(Qt::DashLine);
    s->setPen(pen);
    s->replace(points);
    chart->addSeries(s);
    return s;
}

void fitAxis(QValueAxis *axis, double lo, double hi)
{
    if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi))
        lo = -1, hi = 1;
    const double pad = std::max(1e-6, (hi - lo) * 0.05);
    axis->setRange(lo - pad, hi + pad);
}

} // namespace

TuningWindow::TuningWindow(TuningHost h, QWidget *parent) : QWidget(parent, Qt::Window), host(std::move(h))
{
    setObjectName("tuningWindow");
    resize(1100, 640);

    auto *controls = new QGroupBox(this);
    controls->setObjectName("tuneSignalGroup");
    auto *form = new QFormLayout(controls);
    auto row = [&](QWidget *field, const char *name) {
        auto *label = new QLabel(controls);
        label->setObjectName(name);
        captions.append(label);
        form->addRow(label, field);
    };
    signalCombo = new QComboBox(controls);
    signalCombo->setObjectName("tuneSignalCombo");
    signalCombo->addItems({QString(), QString()});
    quantityCombo = new QComboBox(controls);
    quantityCombo->setObjectName("tuneQuantityCombo");
    quantityCombo->addItems({QString(), QString()});
    auto spin = [&](const char *name, double lo, double hi, double value, int decimals) {
        auto *s = new QDoubleSpinBox(controls);
        s->setObjectName(name);
        s->setRange(lo, hi);
        s->setDecimals(decimals);
        s->setValue(value);
        return s;
    };
    sizeSpin = spin("tuneSizeSpin", -1000, 1000, 0.5, 3);
    durationSpin = spin("tuneDurationSpin", kMinDurationS, kMaxDurationS, 1.0, 2);
    repeatSpin = new QSpinBox(controls);
    repeatSpin->setObjectName("tuneRepeatSpin");
    repeatSpin->setRange(1, kMaxRepeats);
    fromSpin = spin("tuneFromSpin", kMinSweepHz, kMaxSweepHz, 1.0, 1);
    toSpin = spin("tuneToSpin", kMinSweepHz, kMaxSweepHz, 20.0, 1);
    speedLimitSpin = spin("tuneSpeedLimitSpin", 0.1, 1000, 10.0, 1);
    periodSpin = new QSpinBox(controls);
    periodSpin->setObjectName("tunePeriodSpin");
    periodSpin->setRange(1, kMaxPeriodMs);
    row(signalCombo, "tuneSignalCaption");
    row(quantityCombo, "tuneQuantityCaption");
    row(sizeSpin, "tuneSizeCaption");
    row(durationSpin, "tuneDurationCaption");
    row(repeatSpin, "tuneRepeatCaption");
    row(fromSpin, "tuneFromCaption");
    row(toSpin, "tuneToCaption");
    row(speedLimitSpin, "tuneSpeedLimitCaption");
    row(periodSpin, "tunePeriodCaption");
    startButton = new QPushButton(controls);
    startButton->setObjectName("tuneStartButton");
    startButton->setMinimumHeight(30);
    form->addRow(startButton);
    statusLabel = new QLabel(controls);
    statusLabel->setObjectName("tuneStatusLabel");
    statusLabel->setWordWrap(true);
    form->addRow(statusLabel);

    runList = new QListWidget(this);
    runList->setObjectName("tuneRunList");
    saveButton = new QPushButton(this);
    saveButton->setObjectName("tuneSaveButton");
    openButton = new QPushButton(this);
    openButton->setObjectName("tuneOpenButton");
    csvButton = new QPushButton(this);
    csvButton->setObjectName("tuneCsvButton");
    removeButton = new QPushButton(this);
    removeButton->setObjectName("tuneRemoveButton");
    auto *left = new QVBoxLayout();
    left->addWidget(controls);
    left->addWidget(runList, 1);
    auto *fileRow = new QGridLayout();
    fileRow->addWidget(saveButton, 0, 0);
    fileRow->addWidget(openButton, 0, 1);
    fileRow->addWidget(csvButton, 1, 0);
    fileRow->addWidget(removeButton, 1, 1);
    left->addLayout(fileRow);

    timePlot = new QChart();
    timeAxis = new QValueAxis(timePlot);
    valueAxis = new QValueAxis(timePlot);
    timePlot->addAxis(timeAxis, Qt::AlignBottom);
    timePlot->addAxis(valueAxis, Qt::AlignLeft);
    bodePlot = new QChart();
    freqAxis = new QLogValueAxis(bodePlot);
    freqAxis->setLabelFormat("%g");
    freqAxis->setMinorTickCount(8);
    gainAxis = new QValueAxis(bodePlot);
    phaseAxis = new QValueAxis(bodePlot);
    bodePlot->addAxis(freqAxis, Qt::AlignBottom);
    bodePlot->addAxis(gainAxis, Qt::AlignLeft);
    bodePlot->addAxis(phaseAxis, Qt::AlignRight);
    plots = new QStackedWidget(this);
    for (QChart *c : {timePlot, bodePlot}) {
        c->legend()->setAlignment(Qt::AlignBottom);
        c->setMargins(QMargins(4, 4, 4, 4));
        auto *view = new QChartView(c, plots);
        view->setObjectName(c == timePlot ? "tuneTimeView" : "tuneSweepView");
        view->setRenderHint(QPainter::Antialiasing);
        plots->addWidget(view);
    }

    figures = new QTableWidget(this);
    figures->setObjectName("tuneFiguresTable");
    figures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    figures->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    figures->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    figures->setMinimumWidth(300);

    auto *split = new QSplitter(this);
    leftPane = new QWidget(split);
    leftPane->setLayout(left);
    split->addWidget(leftPane);
    split->addWidget(plots);
    split->addWidget(figures);
    split->setStretchFactor(1, 1);
    split->setSizes({250, 520, 330});
    auto *top = new QHBoxLayout(this);
    top->setContentsMargins(6, 6, 6, 6);
    top->addWidget(split);

    plotTimer = new QTimer(this);
    plotTimer->setInterval(100);
    connect(plotTimer, &QTimer::timeout, this, &TuningWindow::refreshLive);
    connect(startButton, &QPushButton::clicked, this, &TuningWindow::onStartClicked);
    connect(signalCombo, &QComboBox::currentIndexChanged, this, &TuningWindow::refreshFields);
    connect(quantityCombo, &QComboBox::currentIndexChanged, this, &TuningWindow::refreshFields);
    connect(saveButton, &QPushButton::clicked, this, &TuningWindow::onSave);
    connect(openButton, &QPushButton::clicked, this, &TuningWindow::onOpen);
    connect(csvButton, &QPushButton::clicked, this, &TuningWindow::onExportCsv);
    connect(removeButton, &QPushButton::clicked, this, &TuningWindow::onRemove);
    connect(runList, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int i = runList->row(item);
        if (i >= 0 && i < shown.size() && shown[i] != (item->checkState() == Qt::Checked)) {
            shown[i] = item->checkState() == Qt::Checked;
            refreshPlot();
            refreshFigures();
        }
    });

    if (host.limits)
        periodSpin->setValue(host.limits().minPeriodMs);
    retranslateUi();
    refreshFields();
    refreshPlot();
}

TuningWindow::~TuningWindow()
{
    stopRun();
}

void TuningWindow::retranslateUi()
{
    setWindowTitle(tr("调参"));
    static const char *names[] = {QT_TR_NOOP("信号"), QT_TR_NOOP("物理量"), QT_TR_NOOP("幅值"),
                                  QT_TR_NOOP("时长 (s)"), QT_TR_NOOP("重复次数"), QT_TR_NOOP("起始频率 (Hz)"),
                                  QT_TR_NOOP("终止频率 (Hz)"), QT_TR_NOOP("限速 (rad/s)"), QT_TR_NOOP("周期 (ms)")};
    for (int i = 0; i < captions.size(); ++i)
        captions[i]->setText(tr(names[i]));
    signalCombo->setItemText(0, tr("阶跃"));
    signalCombo->setItemText(1, tr("正弦扫频"));
    quantityCombo->setItemText(0, tr("位置"));
    quantityCombo->setItemText(1, tr("速度"));
    sizeSpin->setToolTip(tr("阶跃：从当前值起的变化量（可为负）；扫频：正弦的幅值。须在电机的范围之内"));
    durationSpin->setToolTip(tr("阶跃：每一步保持的时间；扫频：一次扫频的大致时长（每个频率至少 4 个周期）"));
    repeatSpin->setToolTip(tr("阶跃：往返的次数；扫频：扫频的次数。图中的数值是各次的平均"));
    speedLimitSpin->setToolTip(tr("位置测试时与每个位置一同发送的限速"));
    periodSpin->setToolTip(tr("每个周期发送一条指令、收到一条反馈；最短周期取决于链路的速率"));
    startButton->setToolTip(tr("确认后使能电机（如尚未使能）并运行测试；结束后失能，除非电机事先已使能。Esc 停止"));
    saveButton->setText(tr("保存..."));
    saveButton->setToolTip(tr("把所有运行（含采样和当时的增益）保存到一个文件"));
    openButton->setText(tr("打开..."));
    openButton->setToolTip(tr("打开保存的运行，加入列表"));
    csvButton->setText(tr("导出CSV..."));
    csvButton->setToolTip(tr("把选中的运行导出为 CSV：时间、指令、位置、速度、扭矩"));
    removeButton->setText(tr("删除"));
    runList->setToolTip(tr("勾选的运行叠加显示，数值并排比较"));
    timeAxis->setTitleText(tr("时间 (s)"));
    freqAxis->setTitleText(tr("频率 (Hz)"));
    gainAxis->setTitleText(tr("增益 (dB)"));
    phaseAxis->setTitleText(tr("相位 (°)"));
    startButton->setText(isRunning() ? tr("停止") : tr("开始"));
    // Captions are longer in English: the pane grows rather than cutting them.
    if (leftPane)
        leftPane->setMinimumWidth(leftPane->sizeHint().width());
    refreshFields();
    refreshPlot();
    refreshFigures();
}

void TuningWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void TuningWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isRunning()) {
        stopRun();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TuningWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window ends what it drives.
    stopRun();
    QWidget::closeEvent(event);
}

Test TuningWindow::test() const
{
    Test t;
    t.signal = signalCombo->currentIndex() == 1 ? Signal::Sweep : Signal::Step;
    t.quantity = quantityCombo->currentIndex() == 1 ? Quantity::Velocity : Quantity::Position;
    t.size = sizeSpin->value();
    t.durationS = durationSpin->value();
    t.repeats = repeatSpin->value();
    t.fromHz = fromSpin->value();
    t.toHz = toSpin->value();
    t.speedLimit = speedLimitSpin->value();
    t.periodMs = periodSpin->value();
    return t;
}

void TuningWindow::setTest(const Test &t)
{
    signalCombo->setCurrentIndex(t.signal == Signal::Sweep ? 1 : 0);
    quantityCombo->setCurrentIndex(t.quantity == Quantity::Velocity ? 1 : 0);
    sizeSpin->setValue(t.size);
    durationSpin->setValue(t.durationS);
    repeatSpin->setValue(t.repeats);
    fromSpin->setValue(t.fromHz);
    toSpin->setValue(t.toHz);
    speedLimitSpin->setValue(t.speedLimit);
    periodSpin->setValue(t.periodMs);
}

void TuningWindow::refreshFields()
{
    const bool sweep = signalCombo->currentIndex() == 1;
    const bool position = quantityCombo->currentIndex() == 0;
    fromSpin->setEnabled(sweep);
    toSpin->setEnabled(sweep);
    speedLimitSpin->setEnabled(position);
    sizeSpin->setSuffix(' ' + quantityUnit(position ? Quantity::Position : Quantity::Velocity));
    for (QWidget *w : {static_cast<QWidget *>(signalCombo), static_cast<QWidget *>(quantityCombo),
                       static_cast<QWidget *>(sizeSpin), static_cast<QWidget *>(durationSpin),
                       static_cast<QWidget *>(repeatSpin), static_cast<QWidget *>(periodSpin)})
        w->setEnabled(!isRunning());
    if (isRunning()) {
        fromSpin->setEnabled(false);
        toSpin->setEnabled(false);
        speedLimitSpin->setEnabled(false);
    }
}

QString TuningWindow::motionText(const Test &t) const
{
    const QString what = t.quantity == Quantity::Position ? tr("位置") : tr("速度");
    const QString unit = quantityUnit(t.quantity);
    const Plan plan(t);
    if (t.signal == Signal::Step)
        return tr("%1阶跃 %2 %3，保持 %4 s 后返回，共 %5 次，约 %6 s")
            .arg(what)
            .arg(t.size, 0, 'g', 6)
            .arg(unit)
            .arg(t.durationS, 0, 'g', 6)
            .arg(t.repeats)
            .arg(plan.duration(), 0, 'f', 1);
    return tr("%1正弦扫频 ±%2 %3，%4 … %5 Hz，共 %6 次，约 %7 s")
        .arg(what)
        .arg(t.size, 0, 'g', 6)
        .arg(unit)
        .arg(t.fromHz, 0, 'g', 6)
        .arg(t.toHz, 0, 'g', 6)
        .arg(t.repeats)
        .arg(plan.duration(), 0, 'f', 1);
}

void TuningWindow::onStartClicked()
{
    if (isRunning()) {
        stopRun();
        return;
    }
    const auto linkUsable = [this] {
        const QString problem = host.linkProblem ? host.linkProblem() : QString();
        if (!problem.isEmpty())
            DialogService::warning(this, tr("调参"), problem);
        return problem.isEmpty();
    };
    if (!linkUsable())
        return;
    const Test t = test();
    const Limits limits = host.limits();
    const QString bad = validate(t, limits, 0.0);
    if (!bad.isEmpty()) {
        DialogService::warning(this, tr("调参"), bad);
        return;
    }
    const quint32 id = host.motorId();
    const bool enabled = host.motorEnabled();
    const QString text = tr("电机 0x%1 将运动：%2。\n%3\n确定开始吗？")
                             .arg(id, 2, 16, QLatin1Char('0'))
                             .arg(motionText(t))
                             .arg(enabled ? tr("电机已使能，测试后保持使能。") : tr("测试前使能电机，测试后失能。"));
    // The link may have closed while the question was open.
    if (DialogService::question(this, tr("开始调参"), text) != QMessageBox::Yes || !linkUsable())
        return;
    if (host.beforeRun)
        host.beforeRun();
    benchMotor = id;
    benchStarted = QDateTime::currentDateTimeUtc();
    bench = new TuningBench(t, enabled, host.road(), *host.inbox, this);
    // The host hears of the end at once (whoever ended the run); the window's own
    // bookkeeping waits for the event loop.
    connect(bench, &TuningBench::finished, this, [this] {
        if (host.afterRun)
            host.afterRun();
    });
    connect(bench, &TuningBench::finished, this, &TuningWindow::onFinished, Qt::QueuedConnection);
    bench->start();
    statusLabel->setText(tr("运行中：%1").arg(motionText(t)));
    startButton->setText(tr("停止"));
    startButton->setStyleSheet("QPushButton { background-color: lightgreen; color: black; }");
    refreshFields();
    plotTimer->start();
}

void TuningWindow::stopRun(const QString &why)
{
    if (bench && bench->isRunning())
        bench->stop(why);
}

void TuningWindow::onFinished()
{
    if (!bench)
        return;
    plotTimer->stop();
    const Sequence &seq = bench->state();
    lastTickNs = bench->tickNanoseconds();
    Run r = seq.run();
    r.name = QString("#%1").arg(++runCounter);
    r.started = benchStarted;
    r.canId = benchMotor;
    const bool failed = seq.outcome() == Sequence::Outcome::Failed;
    statusLabel->setText(seq.message() + (r.lostFeedback > 0 ? tr("（%1 条反馈丢失）").arg(r.lostFeedback) : QString()));
    statusLabel->setStyleSheet(failed ? "color: darkred;" : QString());
    bench->deleteLater();
    bench = nullptr;
    startButton->setText(tr("开始"));
    startButton->setStyleSheet(QString());
    if (!r.samples.isEmpty())
        addRuns({r});
    refreshFields();
    refreshPlot();
    if (failed)
        DialogService::warning(this, tr("调参"), seq.message());
    emit runFinished();
}

void TuningWindow::addRuns(const QList<Run> &runs)
{
    for (const Run &r : runs) {
        kept.append(r);
        shown.append(true);
    }
    refreshList();
    refreshPlot();
    refreshFigures();
}

QList<int> TuningWindow::shownRuns() const
{
    QList<int> out;
    // Runs of the newest shown run's kind are drawn together.
    int lead = -1;
    for (int i = int(kept.size()) - 1; i >= 0 && lead < 0; --i)
        if (shown[i])
            lead = i;
    if (lead < 0)
        return out;
    for (int i = 0; i < kept.size(); ++i)
        if (shown[i] && kept[i].test.signal == kept[lead].test.signal && kept[i].test.quantity == kept[lead].test.quantity)
            out.append(i);
    return out;
}

void TuningWindow::refreshList()
{
    const QSignalBlocker block(runList);
    runList->clear();
    for (int i = 0; i < kept.size(); ++i) {
        const Run &r = kept[i];
        auto *item = new QListWidgetItem(QString("%1  %2%3").arg(r.name, r.started.toLocalTime().toString("HH:mm:ss"),
                                                                  r.complete ? QString() : tr("（未完成）")),
                                         runList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(shown[i] ? Qt::Checked : Qt::Unchecked);
        item->setForeground(kColours[i % kColours.size()]);
    }
    if (!kept.isEmpty())
        runList->setCurrentRow(int(kept.size()) - 1);
}

void TuningWindow::refreshLive()
{
    // Two curves kept for the whole run: only their points change, and the axes only grow.
    if (!bench)
        return;
    QElapsedTimer spent;
    spent.start();
    const Run &r = bench->state().run();
    if (!liveResponse) {
        plots->setCurrentIndex(0);
        timePlot->removeAllSeries();
        const QColor c = kColours[kept.size() % kColours.size()];
        liveCommand = addCurve(timePlot, tr("当前") + tr(" 指令"), c.lighter(140), true, {});
        liveResponse = addCurve(timePlot, tr("当前"), c, false, {});
        for (QLineSeries *l : {liveCommand, liveResponse}) {
            l->attachAxis(timeAxis);
            l->attachAxis(valueAxis);
        }
        timeAxis->setRange(0, Plan(r.test).duration());
        valueAxis->setTitleText(r.test.quantity == Quantity::Position ? tr("位置 (rad)") : tr("速度 (rad/s)"));
        liveLo = qInf(), liveHi = -qInf();
    }
    const bool pos = r.test.quantity == Quantity::Position;
    const auto response = reduced(r.samples, [pos](const Sample &s) { return pos ? s.position : s.velocity; }, kLivePoints);
    const auto command = reduced(r.samples, [](const Sample &s) { return s.command; }, kLivePoints);
    double lo = liveLo, hi = liveHi;
    for (const auto *pts : {&response, &command})
        for (const QPointF &p : *pts)
            lo = std::min(lo, p.y()), hi = std::max(hi, p.y());
    if (lo < liveLo || hi > liveHi) {
        liveLo = lo, liveHi = hi;
        fitAxis(valueAxis, lo, hi);
    }
    liveCommand->replace(command);
    liveResponse->replace(response);
    drawNs += spent.nsecsElapsed();
}

void TuningWindow::refreshPlot()
{
    liveCommand = liveResponse = nullptr;
    const bool live = isRunning();
    const QList<int> runs = shownRuns();
    const bool sweep = !live && !runs.isEmpty() && kept[runs.first()].test.signal == Signal::Sweep;
    plots->setCurrentIndex(sweep ? 1 : 0);
    QChart *chart = sweep ? bodePlot : timePlot;
    chart->removeAllSeries();
    double lo = qInf(), hi = -qInf(), tMax = 0;
    auto attach = [&](QLineSeries *s, QAbstractAxis *x, QAbstractAxis *y) {
        s->attachAxis(x);
        s->attachAxis(y);
    };
    auto drawTime = [&](const Run &r, const QColor &c, const QString &name) {
        const bool pos = r.test.quantity == Quantity::Position;
        const auto response = reduced(r.samples, [pos](const Sample &s) { return pos ? s.position : s.velocity; });
        const auto command = reduced(r.samples, [](const Sample &s) { return s.command; });
        attach(addCurve(chart, name + tr(" 指令"), c.lighter(140), true, command), timeAxis, valueAxis);
        attach(addCurve(chart, name, c, false, response), timeAxis, valueAxis);
        for (const auto *pts : {&response, &command})
            for (const QPointF &p : *pts)
                lo = std::min(lo, p.y()), hi = std::max(hi, p.y());
        if (!r.samples.isEmpty())
            tMax = std::max(tMax, r.samples.last().t);
        valueAxis->setTitleText(pos ? tr("位置 (rad)") : tr("速度 (rad/s)"));
    };
    if (live) {
        refreshLive();
        return;
    } else if (!sweep) {
        for (int i : runs)
            drawTime(kept[i], kColours[i % kColours.size()], kept[i].name);
    } else {
        double gLo = qInf(), gHi = -qInf(), pLo = qInf(), pHi = -qInf(), fLo = qInf(), fHi = 0;
        for (int i : runs) {
            const SweepFigures f = runFigures(kept[i]).sweep;
            QList<QPointF> gain, phase;
            for (const SweepPoint &p : f.points)
                if (std::isfinite(p.gainDb)) {
                    gain.append({p.hz, p.gainDb});
                    phase.append({p.hz, p.phaseDeg});
                    gLo = std::min(gLo, p.gainDb), gHi = std::max(gHi, p.gainDb);
                    pLo = std::min(pLo, p.phaseDeg), pHi = std::max(pHi, p.phaseDeg);
                    fLo = std::min(fLo, p.hz), fHi = std::max(fHi, p.hz);
                }
            const QColor c = kColours[i % kColours.size()];
            attach(addCurve(chart, kept[i].name + tr(" 增益"), c, false, gain), freqAxis, gainAxis);
            attach(addCurve(chart, kept[i].name + tr(" 相位"), c, true, phase), freqAxis, phaseAxis);
        }
        fitAxis(gainAxis, gLo, gHi);
        fitAxis(phaseAxis, pLo, pHi);
        if (fHi > fLo)
            freqAxis->setRange(fLo, fHi);
        return;
    }
    timeAxis->setRange(0, std::max(tMax, 0.1));
    fitAxis(valueAxis, lo, hi);
}

void TuningWindow::refreshFigures()
{
    const QList<int> runs = shownRuns();
    const bool sweep = !runs.isEmpty() && kept[runs.first()].test.signal == Signal::Sweep;
    QStringList rows = {tr("电机"), tr("测试")};
    QStringList gains = gainRegisters();
    for (const int i : runs)
        for (const auto &g : kept[i].gains)
            if (!gains.contains(g.first))
                gains.append(g.first);
    rows += gains;
    if (sweep)
        rows += {tr("−3 dB 带宽 (Hz)"), tr("低频增益 (dB)")};
    else
        rows += {tr("上升时间 10–90% (ms)"), tr("超调 (%)"), tr("调节时间 2% (ms)"), tr("稳态误差"),
                 tr("峰值扭矩 (N·m)")};
    rows += tr("丢失反馈");
    figures->clear();
    figures->setRowCount(int(rows.size()));
    figures->setColumnCount(int(runs.size()));
    figures->setVerticalHeaderLabels(rows);
    for (int c = 0; c < runs.size(); ++c) {
        const Run &r = kept[runs[c]];
        auto *head = new QTableWidgetItem(r.name);
        head->setForeground(kColours[runs[c] % kColours.size()]);
        figures->setHorizontalHeaderItem(c, head);
        const QString what = r.test.quantity == Quantity::Position ? tr("位置") : tr("速度");
        const QString unit = quantityUnit(r.test.quantity);
        const QString test = r.test.signal == Signal::Step
            ? tr("%1阶跃 %2 %3").arg(what).arg(r.test.size, 0, 'g', 4).arg(unit)
            : tr("%1扫频 ±%2 %3").arg(what).arg(r.test.size, 0, 'g', 4).arg(unit);
        QStringList col = {QString("0x%1").arg(r.canId, 2, 16, QLatin1Char('0')), test};
        for (const QString &g : gains) {
            QString v = QStringLiteral("—");
            for (const auto &x : r.gains)
                if (x.first == g)
                    v = QString::number(x.second, 'g', 6);
            col.append(v);
        }
        const RunFigures f = runFigures(r);
        if (sweep) {
            col << figure(f.sweep.bandwidthHz, 1, 2)
                << (f.sweep.points.isEmpty() ? QStringLiteral("—") : figure(f.sweep.points.first().gainDb, 1, 2));
        } else {
            col << figure(f.step.riseTime, 1000) << figure(f.step.overshootPct) << figure(f.step.settlingTime, 1000)
                << figure(f.step.steadyStateError, 1, 4) + ' ' + quantityUnit(r.test.quantity)
                << figure(f.step.peakTorque, 1, 2);
        }
        col << QString::number(r.lostFeedback);
        for (int k = 0; k < col.size(); ++k)
            figures->setItem(k, c, new QTableWidgetItem(col[k]));
    }
}

bool TuningWindow::saveTo(const QString &path)
{
    QString error;
    if (!saveRuns(path, kept, &error)) {
        DialogService::critical(this, tr("错误"), tr("无法保存 %1：%2").arg(path, error));
        return false;
    }
    statusLabel->setText(tr("已保存 %1 次运行到 %2").arg(kept.size()).arg(QDir::toNativeSeparators(path)));
    return true;
}

bool TuningWindow::openFrom(const QString &path)
{
    QList<Run> runs;
    QString error;
    if (!loadRuns(path, &runs, &error)) {
        DialogService::critical(this, tr("错误"), tr("无法打开 %1：%2").arg(path, error));
        return false;
    }
    addRuns(runs);
    statusLabel->setText(tr("已打开 %1 次运行").arg(runs.size()));
    return true;
}

void TuningWindow::onSave()
{
    if (kept.isEmpty()) {
        DialogService::information(this, tr("调参"), tr("还没有运行可保存"));
        return;
    }
    const QString path = DialogService::getSaveFileName(
        this, tr("保存调参记录"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), tr("调参记录 (*.zktune)"));
    if (!path.isEmpty())
        saveTo(path);
}

void TuningWindow::onOpen()
{
    const QString path = DialogService::getOpenFileName(
        this, tr("打开调参记录"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), tr("调参记录 (*.zktune)"));
    if (!path.isEmpty())
        openFrom(path);
}

void TuningWindow::onExportCsv()
{
    const int i = runList->currentRow();
    if (i < 0 || i >= kept.size()) {
        DialogService::information(this, tr("调参"), tr("请先在列表中选中一次运行"));
        return;
    }
    const QString path = DialogService::getSaveFileName(
        this, tr("导出CSV"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!exportCsv(path, kept[i], &error))
        DialogService::critical(this, tr("错误"), tr("无法保存 %1：%2").arg(path, error));
    else
        statusLabel->setText(tr("已导出 %1").arg(QDir::toNativeSeparators(path)));
}

void TuningWindow::onRemove()
{
    const int i = runList->currentRow();
    if (i < 0 || i >= kept.size())
        return;
    kept.removeAt(i);
    shown.removeAt(i);
    refreshList();
    refreshPlot();
    refreshFigures();
}
