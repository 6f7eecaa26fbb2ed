// The motor control panel in the main window: set-point sliders and the pull back into
// range, the RPM read-outs, the rad/s / RPM switch with every number it converts, the
// mode picture and the motor-type choice (F4).
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"

#include "charts/ui/waveForm.h"
#include "charts/waveMath.h"
#include "motor/controlPanel.h"
#include "motor/ui/paramWidgets.h"
#include "motor/ui/specialMotorDialog.h"
#include "widgets/switchbutton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>

namespace {
// Setting an edit's text from code must not run the handlers again.
bool g_setPointGuard = false;

const char *const kVelocityEdits[] = {"VELEdit", "VELEdit_POS", "VELEdit_VEL", "VELEdit_PVT"};
const char *const kUnitLabels[] = {"radsLabel", "radsLabel_2", "radsLabel_3", "radsLabel_4"};
} // namespace

void MainWindow::panelInit()
{
    connect(ui->sw_btn_rpmRads, &SwitchButton::statusChanged, this, &MainWindow::on_rpmRads_statusChanged);
    // The other pages' set-points without a handler of their own keep to their ranges too.
    for (QLineEdit *e : {ui->POSEdit_POS, ui->POSEdit_PVT, ui->VELEdit_PVT})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { setPointEditFinished(e->objectName()); });
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(f4, &QShortcut::activated, this, &MainWindow::specialMotorSelection);
}

// ---------------------------------------------------------------- set-points

void MainWindow::setPointEditFinished(const QString &editName)
{
    if (g_setPointGuard)
        return;
    g_setPointGuard = true;
    auto *edit = ui->controlPanel->findChild<QLineEdit *>(editName);
    const MappingRanges r = ranges.get();
    // Typed in RPM, the velocity bounds are too: 100 RPM lies well within 30 rad/s.
    const float rpm = ui->sw_btn_rpmRads->checked() ? float(kRpmPerRads) : 1.0f;
    MappingRange range;
    QString slider;
    if (editName == "POSEdit" || editName == "POSEdit_POS" || editName == "POSEdit_PVT")
        range = r.position;
    else if (editName == "VELEdit")
        range = {r.velocity.min * rpm, r.velocity.max * rpm};
    else if (editName.startsWith("VELEdit_"))
        range = {-pagesVelocityMax * rpm, pagesVelocityMax * rpm};
    else if (editName == "KPEdit")
        range = r.kp;
    else if (editName == "KDEdit")
        range = r.kd;
    else if (editName == "TOREdit")
        range = r.torque;
    else if (editName == "IEdit")
        range = r.current;
    // The MIT quantities and the current have a slider named after the quantity.
    if (!editName.contains('_'))
        slider = QString(editName).replace("Edit", "Slider");
    if (edit) {
        const SetPointCheck c = checkSetPoint(range.min, range.max, edit->text());
        if (c.applies) {
            if (auto *s = slider.isEmpty() ? nullptr : ui->controlPanel->findChild<QSlider *>(slider))
                s->setValue(c.slider);
            if (c.rewrite)
                edit->setText(c.text);
        }
    }
    g_setPointGuard = false;
}

void MainWindow::refreshSetPoints()
{
    for (const char *name : {"POSEdit", "VELEdit", "TOREdit", "POSEdit_POS", "VELEdit_POS", "VELEdit_VEL",
                             "POSEdit_PVT", "VELEdit_PVT"})
        setPointEditFinished(QString::fromLatin1(name));
}

void MainWindow::on_POSEdit_editingFinished() { setPointEditFinished("POSEdit"); }
void MainWindow::on_VELEdit_editingFinished() { setPointEditFinished("VELEdit"); }
void MainWindow::on_KPEdit_editingFinished() { setPointEditFinished("KPEdit"); }
void MainWindow::on_KDEdit_editingFinished() { setPointEditFinished("KDEdit"); }
void MainWindow::on_TOREdit_editingFinished() { setPointEditFinished("TOREdit"); }
void MainWindow::on_IEdit_editingFinished() { setPointEditFinished("IEdit"); }

void MainWindow::on_VELEdit_POS_editingFinished()
{
    setPointEditFinished("VELEdit_POS");
    ui->label_35->setText(rpmReadoutText(ui->VELEdit_POS->text(), ui->sw_btn_rpmRads->checked()));
}

void MainWindow::on_VELEdit_VEL_editingFinished()
{
    setPointEditFinished("VELEdit_VEL");
    ui->label_72->setText(rpmReadoutText(ui->VELEdit_VEL->text(), ui->sw_btn_rpmRads->checked()));
}

// ---------------------------------------------------------------- rad/s and RPM

void MainWindow::showVelocityRanges()
{
    const bool rpm = ui->sw_btn_rpmRads->checked();
    const double f = rpm ? kRpmPerRads : 1.0;
    // The MIT page shows the velocity range; the other pages their own bound, which
    // follows the range after a parameter read. All of them in the unit typed.
    const MappingRange v = ranges.get().velocity;
    auto show = [this](const QString &suffix, double min, double max) {
        setRangeLabel(ui->controlPanel->findChild<QLabel *>("VEL_MINLabel" + suffix), rangeBoundText("MIN", min));
        setRangeLabel(ui->controlPanel->findChild<QLabel *>("VEL_MAXLabel" + suffix), rangeBoundText("MAX", max));
    };
    show(QString(), v.min * f, v.max * f);
    for (const char *suffix : {"_2", "_3", "_4"})
        show(QString::fromLatin1(suffix), -pagesVelocityMax * f, pagesVelocityMax * f);
}

void MainWindow::on_rpmRads_statusChanged(bool rpm)
{
    if (ui->VELEdit->text().isEmpty()) {
        // Nothing is converted, so the switch goes back too: the edits keep the unit
        // the commands read them in.
        {
            const QSignalBlocker block(ui->sw_btn_rpmRads);
            ui->sw_btn_rpmRads->setChecked(!rpm);
        }
        emit MessageInfo(4);
        return;
    }
    const QString unit = velocityUnitText(rpm);
    for (const char *name : kUnitLabels) {
        if (auto *l = ui->controlPanel->findChild<QLabel *>(name))
            l->setText(unit);
    }
    g_setPointGuard = true;
    for (const char *name : kVelocityEdits) {
        if (auto *e = ui->controlPanel->findChild<QLineEdit *>(name))
            e->setText(convertedVelocityText(e->text(), rpm));
    }
    g_setPointGuard = false;
    showVelocityRanges();

    ui->Velocity->setUnit(unit);
    ui->VelLegendUnitLabel->setText(unit);
    bool isNumber = false;
    const double shown = ui->VelLegendValueLabel->text().toDouble(&isNumber);
    if (isNumber)
        ui->VelLegendValueLabel->setText(
            WaveMath::formatLegendValue(float(shown * (rpm ? kRpmPerRads : kRadsPerRpm)), 6));
    // Without periodic sending no redraw would come: the curve is shown in the new unit now.
    if (!canDebugFuture.isRunning() && !ui->Velocity->getWaveData().isEmpty())
        ui->Velocity->prepareData({});
}

// ---------------------------------------------------------------- mode picture

void MainWindow::showModePicture(int index)
{
    static const char *const pictures[] = {":/source/MITpic.png", ":/source/POSpic.png", ":/source/VELpic.png",
                                           ":/source/PVTpic.png"};
    const QPixmap pix(index >= 0 && index < 4 ? pictures[index] : ":/source/transparent.png");
    ui->picLabel->setPixmap(pix); // an empty picture when the resource is missing
}

// ---------------------------------------------------------------- motor type

void MainWindow::specialMotorSelection()
{
    if (!specialMotorDialog) {
        specialMotorDialog = new SpecialMotorDialog(motorType, this);
        connect(specialMotorDialog, &SpecialMotorDialog::typeChanged, this, [this](int type) { motorType = type; });
    }
    specialMotorDialog->show();
    specialMotorDialog->raise();
    specialMotorDialog->activateWindow();
}
