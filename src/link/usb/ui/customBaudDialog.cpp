#include "link/usb/ui/customBaudDialog.h"

#include "log/log.h"
#include "widgets/dialogService.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char *kActiveButton = "QPushButton {    background-color: lightgreen;    color: black;}"
                            "QPushButton:hover {    background-color: #90EE90;}"
                            "QPushButton:pressed {    background-color: #7CFC00;}";

// Prescaler, segments and SJW are single bytes in the adapter's record.
quint8 parseByte(const QString &text)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok, 10);
    return ok && v <= 255 ? quint8(v) : 0;
}

QString hex4(quint32 v) { return QString("%1").arg(v, 4, 16, QChar('0')); }
} // namespace

CustomBaudDialog::CustomBaudDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("customBaudDialog");
    id.arbitration = true;
    data.arbitration = false;

    auto *layout = new QVBoxLayout(this);
    buildPhase(id, "idBaud");
    buildPhase(data, "dataBaud");
    auto *phases = new QHBoxLayout();
    phases->addWidget(id.group);
    phases->addWidget(data.group);
    layout->addLayout(phases);

    auto *clockRow = new QHBoxLayout();
    clockCaption = new QLabel(this);
    SysClockEdit = new QLineEdit("80", this);
    SysClockEdit->setObjectName("SysClockEdit");
    SysClockEdit->setPlaceholderText("MHz");
    SysClockEdit->setValidator(new QIntValidator(0, 4294, SysClockEdit));
    clockRow->addWidget(clockCaption);
    clockRow->addWidget(SysClockEdit);
    layout->addLayout(clockRow);

    auto *buttons = new QGridLayout();
    const auto button = [this](const char *name) {
        auto *b = new QPushButton(this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    autoParamBtn = button("autoParamBtn");
    clearBtn = button("clearBtn");
    configBtn = button("configBtn");
    cancelBtn = button("cancelBtn");
    buttons->addWidget(autoParamBtn, 0, 0);
    buttons->addWidget(clearBtn, 0, 1);
    buttons->addWidget(configBtn, 1, 0);
    buttons->addWidget(cancelBtn, 1, 1);
    layout->addLayout(buttons);

    connect(id.rate, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_idBaudEdit_editingFinished);
    connect(data.rate, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_dataBaudEdit_editingFinished);
    connect(id.prescalerEdit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_idBaudDbrpEdit_editingFinished);
    connect(id.seg1Edit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_idBaudSeg1Edit_editingFinished);
    connect(id.seg2Edit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_idBaudSeg2Edit_editingFinished);
    connect(id.sjwEdit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_idBaudSJWEdit_editingFinished);
    connect(data.prescalerEdit, &QLineEdit::editingFinished, this,
            &CustomBaudDialog::on_dataBaudDbrpEdit_editingFinished);
    connect(data.seg1Edit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_dataBaudSeg1Edit_editingFinished);
    connect(data.seg2Edit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_dataBaudSeg2Edit_editingFinished);
    connect(data.sjwEdit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_dataBaudSJWEdit_editingFinished);
    connect(SysClockEdit, &QLineEdit::editingFinished, this, &CustomBaudDialog::on_SysClockEdit_editingFinished);
    connect(autoParamBtn, &QPushButton::clicked, this, &CustomBaudDialog::on_autoParamBtn_clicked);
    connect(clearBtn, &QPushButton::clicked, this, &CustomBaudDialog::on_clearBtn_clicked);
    connect(configBtn, &QPushButton::clicked, this, &CustomBaudDialog::on_configBtn_clicked);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    retranslate();
    setAutomatic(true);
}

void CustomBaudDialog::buildPhase(Phase &p, const char *prefix)
{
    const QString name = QString::fromLatin1(prefix);
    p.group = new QGroupBox(this);
    auto *g = new QGridLayout(p.group);
    const auto edit = [&](const QString &suffix) {
        auto *e = new QLineEdit(p.group);
        e->setObjectName(name + suffix);
        return e;
    };
    p.rate = edit("Edit");
    p.rate->setPlaceholderText(p.arbitration ? "Kpbs" : "Kbps");
    p.rate->setMinimumWidth(190); // wide enough for a refusal text
    p.prescalerEdit = edit("DbrpEdit");
    p.seg1Edit = edit("Seg1Edit");
    p.seg2Edit = edit("Seg2Edit");
    p.sjwEdit = edit("SJWEdit");
    p.sjwEdit->setText("2");
    p.sjwEdit->setPlaceholderText("TQ");
    for (QLineEdit *e : {p.prescalerEdit, p.seg1Edit, p.seg2Edit, p.sjwEdit})
        e->setValidator(new QIntValidator(0, 255, e));
    p.samplePoint = new QLabel(p.group);
    p.samplePoint->setObjectName(name + "SamplePointLabel");
    p.samplePoint->setMinimumWidth(60);
    p.actualRate = new QLabel(p.group);
    p.actualRate->setObjectName(name + "ActualRateLabel");
    p.actualRate->setWordWrap(true);
    g->addWidget(p.rate, 0, 0, 1, 2);
    const QList<QWidget *> fields = {p.prescalerEdit, p.seg1Edit, p.seg2Edit, p.sjwEdit, p.samplePoint, p.actualRate};
    for (int i = 0; i < fields.size(); ++i) {
        auto *caption = new QLabel(p.group);
        p.captions << caption;
        g->addWidget(caption, i + 1, 0);
        g->addWidget(fields[i], i + 1, 1);
    }
}

void CustomBaudDialog::retranslate()
{
    setWindowTitle(tr("自定义波特率配置"));
    id.group->setTitle(tr("仲裁域波特率(Kbps)"));
    data.group->setTitle(tr("数据域波特率(Kbps)"));
    for (Phase *p : {&id, &data}) {
        const QStringList captions = {tr("分频系数:"), "Seg1:", "Seg2:", tr("同步跳变宽度:"), tr("采样点:"),
                                      tr("实际波特率:")};
        for (int i = 0; i < captions.size(); ++i)
            p->captions[i]->setText(captions[i]);
        p->rate->setToolTip(tr("自动模式下输入波特率(kbit/s)，分频系数和时间段由程序搜索"));
        p->prescalerEdit->setToolTip(tr("时钟分频系数 (1-255)"));
        p->seg1Edit->setToolTip(tr("相位段1的时间量子数，含传播段"));
        p->seg2Edit->setToolTip(tr("相位段2的时间量子数"));
        p->sjwEdit->setToolTip(tr("同步跳变宽度，单位为时间量子"));
        p->actualRate->setToolTip(tr("所得位时序的实际波特率及其与输入值的偏差；偏差超过该位时序允许的振荡器容差时不予配置"));
    }
    clockCaption->setText(tr("时钟频率(MHz):"));
    SysClockEdit->setToolTip(tr("适配器CAN控制器的时钟频率"));
    configBtn->setText(tr("配置"));
    cancelBtn->setText(tr("取消"));
    clearBtn->setText(tr("清除"));
    autoParamBtn->setText(tr("自动计算参数"));
    autoParamBtn->setToolTip(tr("开启：输入波特率自动计算参数；关闭：手动输入分频系数和时间段"));
}

BaudSearchResult CustomBaudDialog::calculate_baud_params(quint32 wanted, bool arbitrationWindow) const
{
    return calculateBaudParams(clockHz, wanted,
                               arbitrationWindow ? SampleWindow::Arbitration : SampleWindow::Data);
}

void CustomBaudDialog::setAutomatic(bool on)
{
    automatic = on;
    autoParamBtn->setStyleSheet(on ? QString::fromLatin1(kActiveButton) : QString());
    for (Phase *p : {&id, &data}) {
        p->rate->setEnabled(on);
        for (QLineEdit *e : {p->prescalerEdit, p->seg1Edit, p->seg2Edit})
            e->setEnabled(!on);
    }
}

void CustomBaudDialog::on_autoParamBtn_clicked() { setAutomatic(!automatic); }

void CustomBaudDialog::clearPhase(Phase &p)
{
    for (QLineEdit *e : {p.rate, p.prescalerEdit, p.seg1Edit, p.seg2Edit})
        e->clear();
    p.samplePoint->clear();
    p.samplePoint->setStyleSheet(QString());
    p.actualRate->clear();
    p.actualRate->setStyleSheet(QString());
    p.rate->setStyleSheet(QString());
    p.prescaler = p.seg1 = p.seg2 = 0;
    p.rateError = false;
    p.refusal.clear();
}

// The typed rate stays (so that the user sees what was refused); the timing goes.
void CustomBaudDialog::refuseRate(Phase &p, const QString &why)
{
    const QString typed = p.rate->text();
    clearPhase(p);
    p.rate->setText(typed);
    p.rate->setStyleSheet("color: red");
    p.refusal = why;
    p.actualRate->setStyleSheet("color: red");
    p.actualRate->setText(why);
}

void CustomBaudDialog::showRateError(Phase &p, const QString &text)
{
    p.rate->setStyleSheet("color: red");
    p.rate->setText(text);
    p.rateError = true;
}

void CustomBaudDialog::rateEdited(Phase &p)
{
    if (!automatic)
        return;
    bool ok = false;
    const quint32 kbps = p.rate->text().trimmed().toUInt(&ok, 10);
    const quint32 value = ok ? kbps : 0;
    if (p.arbitration && value > 1000) {
        clearPhase(p);
        showRateError(p, tr("仲裁波特率不得大于1M"));
        return;
    }
    const char *phaseName = p.arbitration ? "仲裁域" : "数据域";
    const BaudSearchResult r = value ? calculate_baud_params(value * 1000, p.arbitration) : BaudSearchResult();
    if (!r.found) {
        Logger::debug(QString("%1参数: 无法找到有效参数组合").arg(phaseName), "rateEdited");
        if (!value) {
            clearPhase(p);
            return;
        }
        refuseRate(p, tr("%1 kbit/s 在 %2 MHz 时钟下没有采样点在 %3 的位时序")
                          .arg(value)
                          .arg(clockHz / 1e6, 0, 'g', 6)
                          .arg(p.arbitration ? "75%~87.5%" : "65%~75%"));
        return;
    }
    // A clock that does not divide into the rate gives a rate beside it; beyond what the
    // timing tolerates the adapter would not hold the bus with the other nodes.
    const double error = rateErrorPercent(value * 1000, r.rate);
    const double tolerance = timingTolerancePercent(r.seg1, r.seg2, p.sjw);
    const QString actual = tr("%1 bit/s，误差 %2%").arg(r.rate).arg(QString::asprintf("%+.2f", error));
    if (qAbs(error) > tolerance) {
        Logger::debug(QString("%1波特率误差 %2% 超过容差 %3%").arg(phaseName).arg(error).arg(tolerance), "rateEdited");
        refuseRate(p, tr("%1，超过该位时序允许的 ±%2%").arg(actual).arg(tolerance, 0, 'f', 2));
        return;
    }
    Logger::debug(QString("%1波特率为：%2").arg(phaseName).arg(bitRate(clockHz, r.prescaler, r.seg1, r.seg2)),
                  "rateEdited");
    Logger::debug(QString("dbrp:0x%1,seg1:0x%2,seg2:0x%3,sample_point:%4")
                      .arg(hex4(r.prescaler), hex4(r.seg1), hex4(r.seg2))
                      .arg(r.samplePoint, 0, 'f', 1),
                  "rateEdited");
    p.prescaler = quint8(r.prescaler);
    p.seg1 = quint8(r.seg1);
    p.seg2 = quint8(r.seg2);
    p.prescalerEdit->setText(QString::number(r.prescaler));
    p.seg1Edit->setText(QString::number(r.seg1));
    p.seg2Edit->setText(QString::number(r.seg2));
    p.samplePoint->setStyleSheet(QString());
    p.samplePoint->setText(QString::number(r.samplePoint, 'g', 6));
    p.actualRate->setStyleSheet(QString());
    p.actualRate->setText(actual);
    p.rate->setStyleSheet(QString());
    p.rateError = false;
    p.refusal.clear();
}

void CustomBaudDialog::parameterEdited(Phase &p, QLineEdit *edit, quint8 &value, bool segment)
{
    value = parseByte(edit->text());
    if (segment && p.seg1 != 0 && p.seg2 != 0) {
        p.samplePoint->setStyleSheet(QString());
        p.samplePoint->setText(QString::number(double(p.seg1 + 1) / double(p.seg1 + 1 + p.seg2), 'g', 6));
    }
    phaseUpdate(p);
}

void CustomBaudDialog::phaseUpdate(Phase &p)
{
    const ManualRate m = manualRate(clockHz, p.prescaler, p.seg1, p.seg2, p.arbitration);
    switch (m.status) {
    case ManualRate::Incomplete:
        return;
    case ManualRate::TooHigh:
        showRateError(p, tr("仲裁波特率不得大于1M"));
        return;
    case ManualRate::NotWhole:
        showRateError(p, tr("非法波特率"));
        return;
    case ManualRate::Ok:
        p.rate->setStyleSheet(QString());
        p.rate->setText(QString::number(m.kbps));
        p.rateError = false;
        return;
    }
}

void CustomBaudDialog::on_idBaudEdit_editingFinished() { rateEdited(id); }
void CustomBaudDialog::on_dataBaudEdit_editingFinished() { rateEdited(data); }
void CustomBaudDialog::on_idBaudDbrpEdit_editingFinished() { parameterEdited(id, id.prescalerEdit, id.prescaler, false); }
void CustomBaudDialog::on_idBaudSeg1Edit_editingFinished() { parameterEdited(id, id.seg1Edit, id.seg1, true); }
void CustomBaudDialog::on_idBaudSeg2Edit_editingFinished() { parameterEdited(id, id.seg2Edit, id.seg2, true); }
void CustomBaudDialog::on_idBaudSJWEdit_editingFinished() { parameterEdited(id, id.sjwEdit, id.sjw, false); }
void CustomBaudDialog::on_dataBaudDbrpEdit_editingFinished()
{
    parameterEdited(data, data.prescalerEdit, data.prescaler, false);
}
void CustomBaudDialog::on_dataBaudSeg1Edit_editingFinished() { parameterEdited(data, data.seg1Edit, data.seg1, true); }
void CustomBaudDialog::on_dataBaudSeg2Edit_editingFinished() { parameterEdited(data, data.seg2Edit, data.seg2, true); }
void CustomBaudDialog::on_dataBaudSJWEdit_editingFinished() { parameterEdited(data, data.sjwEdit, data.sjw, false); }

void CustomBaudDialog::on_SysClockEdit_editingFinished()
{
    bool ok = false;
    const uint mhz = SysClockEdit->text().trimmed().toUInt(&ok, 10);
    clockHz = ok && mhz <= 4294 ? mhz * 1000000u : 0;
    idBaudUpdate();
    dataBaudUpdate();
}

void CustomBaudDialog::on_clearBtn_clicked()
{
    clearIdBaudParam();
    clearDataBaudParam();
}

bool CustomBaudDialog::phaseValid(const Phase &p) const { return phaseProblem(p).isEmpty(); }

bool CustomBaudDialog::phaseGiven(const Phase &p) const
{
    return !p.rate->text().trimmed().isEmpty() || p.prescaler != 0 || p.seg1 != 0 || p.seg2 != 0;
}

QString CustomBaudDialog::phaseProblem(const Phase &p) const
{
    if (!p.refusal.isEmpty())
        return p.refusal;
    if (p.rateError)
        return p.rate->text(); // the edit shows the refusal itself
    if (p.rate->text().isEmpty() || p.prescaler == 0 || p.seg1 == 0 || p.seg2 == 0)
        return tr("分频系数、Seg1 和 Seg2 都须大于 0");
    return QString();
}

void CustomBaudDialog::on_configBtn_clicked()
{
    if (automatic) {
        on_idBaudEdit_editingFinished();
        on_dataBaudEdit_editingFinished();
    }
    if (!phaseGiven(id)) {
        DialogService::critical(this, tr("错误"), tr("仲裁域参数不能为空"));
        return;
    }
    if (!phaseValid(id)) {
        DialogService::critical(this, tr("错误"), tr("仲裁域参数无效，未配置：%1").arg(phaseProblem(id)));
        return;
    }
    // An empty data phase means classic CAN; a data phase that was asked for but has no
    // valid timing is refused, never quietly dropped.
    if (phaseGiven(data) && !phaseValid(data)) {
        DialogService::critical(this, tr("错误"), tr("数据域参数无效，未配置：%1").arg(phaseProblem(data)));
        return;
    }
    customBaudconfiguration c;
    c.idPrescaler = id.prescaler;
    c.idSeg1 = id.seg1;
    c.idSeg2 = id.seg2;
    c.idSjw = id.sjw;
    if (phaseValid(data)) {
        c.mode = 1;
        c.dataPrescaler = data.prescaler;
        c.dataSeg1 = data.seg1;
        c.dataSeg2 = data.seg2;
        c.dataSjw = data.sjw;
    }
    emit customBaudConfig(c);
}
