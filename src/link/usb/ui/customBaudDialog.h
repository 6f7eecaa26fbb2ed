#pragma once

#include "link/usb/baudTiming.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Custom bit timing of the USB FDCAN adapter. In automatic mode the user types the two
// bit rates and prescaler and segments are searched; in manual mode the user types
// prescaler and segments and the rates are computed. "配置" emits the record; the
// dialog stays open so that several timings can be tried in a row.
class CustomBaudDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CustomBaudDialog(QWidget *parent = nullptr);

    // The search at this dialog's clock; `arbitrationWindow` true accepts sample points
    // of 75 to 87.5 % (arbitration phase), false 65 to 75 % (data phase).
    BaudSearchResult calculate_baud_params(quint32 wanted, bool arbitrationWindow) const;
    bool automaticMode() const { return automatic; }
    quint32 clock() const { return clockHz; }
    void retranslate();

signals:
    void customBaudConfig(const customBaudconfiguration &config);

public slots:
    void on_idBaudEdit_editingFinished();
    void on_dataBaudEdit_editingFinished();
    void on_idBaudDbrpEdit_editingFinished();
    void on_idBaudSeg1Edit_editingFinished();
    void on_idBaudSeg2Edit_editingFinished();
    void on_idBaudSJWEdit_editingFinished();
    void on_dataBaudDbrpEdit_editingFinished();
    void on_dataBaudSeg1Edit_editingFinished();
    void on_dataBaudSeg2Edit_editingFinished();
    void on_dataBaudSJWEdit_editingFinished();
    void on_SysClockEdit_editingFinished();
    void on_autoParamBtn_clicked();
    void on_clearBtn_clicked();
    void on_configBtn_clicked();

private:
    // One phase's edits and values; the arbitration and data phases differ only in the
    // search window, the 1 Mbit/s limit and their log texts.
    struct Phase {
        bool arbitration = true;
        QGroupBox *group = nullptr;
        QLineEdit *rate = nullptr;
        QLineEdit *prescalerEdit = nullptr;
        QLineEdit *seg1Edit = nullptr;
        QLineEdit *seg2Edit = nullptr;
        QLineEdit *sjwEdit = nullptr;
        QLabel *samplePoint = nullptr;
        QLabel *actualRate = nullptr; // automatic mode: the rate the timing gives, and its error
        QList<QLabel *> captions; // prescaler, seg1, seg2, SJW, sample point, actual rate
        quint8 prescaler = 0;
        quint8 seg1 = 0;
        quint8 seg2 = 0;
        quint8 sjw = kPresetSjw;
        bool rateError = false; // the rate edit shows a refusal instead of a rate
        QString refusal;        // automatic mode: why the typed rate has no timing
    };

    void buildPhase(Phase &phase, const char *prefix);
    void rateEdited(Phase &phase);
    void parameterEdited(Phase &phase, QLineEdit *edit, quint8 &value, bool segment);
    void phaseUpdate(Phase &phase);
    void clearPhase(Phase &phase);
    void showRateError(Phase &phase, const QString &text);
    bool phaseValid(const Phase &phase) const;
    // Anything typed into the phase (a rate, a prescaler or a segment).
    bool phaseGiven(const Phase &phase) const;
    // Why the phase cannot be configured; empty when it can.
    QString phaseProblem(const Phase &phase) const;
    void refuseRate(Phase &phase, const QString &why);
    void setAutomatic(bool on);

    void idBaudUpdate() { phaseUpdate(id); }
    void dataBaudUpdate() { phaseUpdate(data); }
    void clearIdBaudParam() { clearPhase(id); }
    void clearDataBaudParam() { clearPhase(data); }

    Phase id;
    Phase data;
    QLabel *clockCaption = nullptr;
    QLineEdit *SysClockEdit = nullptr;
    QPushButton *configBtn = nullptr;
    QPushButton *cancelBtn = nullptr;
    QPushButton *clearBtn = nullptr;
    QPushButton *autoParamBtn = nullptr;
    quint32 clockHz = kFdcanClockHz;
    bool automatic = false;
};
