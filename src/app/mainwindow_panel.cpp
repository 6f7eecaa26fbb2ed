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
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(f4, &QShortcut::activated, this, &MainWindow::specialMotorSelection);
}

// ---------------------------------------------------------------- set-points

void MainWindow::setPointEditFinished(const QString &quantity)
{
    if (g_setPointGuard)
        return;
    g_setPointGuard = true;
    auto *slider = ui->controlPanel->findChild<QSlider *>(quantity + "Slider");
    auto *edit = ui->controlPanel->findChild<QLineEdit *>(quantity + "Edit");
    const MappingRanges r = ranges.get();
    float max = 0;
    if (quantity == "POS")
        max = r.position.max;
    else if (quantity == "VEL")
        // Typed in RPM, the bound is too: 100 RPM lies well within 30 rad/s.
        max = ui->sw_btn_rpmRads->checked() ? float(r.velocity.max * kRpmPerRads) : r.velocity.max;
    else if (quantity == "KP")
        max = r.kp.max;
    else if (quantity == "KD")
        max = r.kd.max;
    else if (quantity == "TOR")
        max = r.torque.max;
    else if (quantity == "I")
        max = r.current.max;
    if (edit) {
        const SetPointCheck c = checkSetPoint(max, edit->text());
        if (c.applies) {
            if (slider)
                slider->setValue(c.slider);
            if (c.rewrite)
                edit->setText(c.text);
        }
    }
    g_setPointGuard = false;
}

void MainWindow::refreshSetPoints()
{
    for (const char *q : {"POS", "VEL", "TOR"})
        setPointEditFinished(QString::fromLatin1(q));
}

void MainWindow::on_POSEdit_editingFinished() { setPointEditFinished("POS"); }
void MainWindow::on_VELEdit_editingFinished() { setPointEditFinished("VEL"); }
void MainWindow::on_KPEdit_editingFinished() { setPointEditFinished("KP"); }
void MainWindow::on_KDEdit_editingFinished() { setPointEditFinished("KD"); }
void MainWindow::on_TOREdit_editingFinished() { setPointEditFinished("TOR"); }
void MainWindow::on_IEdit_editingFinished() { setPointEditFinished("I"); }

void MainWindow::on_VELEdit_POS_editingFinished()
{
    ui->label_35->setText(rpmReadoutText(ui->VELEdit_POS->text(), ui->sw_btn_rpmRads->checked()));
}

void MainWindow::on_VELEdit_VEL_editingFinished()
{
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
