#pragma once

#include "motor/commissionSequence.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// What the "next motor" dialog asks of the tool: each step runs one of the tool's own
// roads and returns once it has its answer (the event loop runs meanwhile).
class CommissionBench
{
public:
    struct Result {
        bool ok = false;
        QString text; // what happened, or why not (translated)
    };
    virtual ~CommissionBench() = default;
    virtual Result scanNewMotor() = 0;                       // exactly one motor must answer
    virtual Result assignIds(uint32_t canid, uint32_t masterid) = 0;
    virtual Result writeParameterFile(const QString &path) = 0; // with the diff before writing
    virtual Result saveParameters() = 0;
    virtual Result calibrate() = 0;
    virtual Result qualityAnalysis() = 0;
    virtual Result writeReport(const QString &folder, const QString &note) = 0;
};

// Walks one new motor after another through the steps of CommissionSequence: the user
// runs or skips each step, sees its result, and moves on to the next motor.
class CommissionDialog : public QDialog
{
    Q_OBJECT
public:
    CommissionDialog(CommissionBench &bench, QWidget *parent = nullptr);

    const CommissionSequence &sequence() const { return m_seq; }
    QLineEdit *canidEdit() const { return m_canid; }
    QLineEdit *masteridEdit() const { return m_masterid; }
    QLineEdit *parameterFileEdit() const { return m_file; }
    QLineEdit *reportFolderEdit() const { return m_folder; }
    QLineEdit *noteEdit() const { return m_note; }
    QPushButton *runButton() const { return m_run; }
    QPushButton *skipButton() const { return m_skip; }
    QPushButton *nextMotorButton() const { return m_next; }
    QTableWidget *stepsTable() const { return m_steps; }

    void runStep();
    void skipStep();
    void nextMotor();

private:
    void show_();
    // Takes the start IDs typed by the user; false (and says why) when they are no IDs.
    bool takeIds();

    CommissionBench &m_bench;
    CommissionSequence m_seq;
    bool m_idsTaken = false;
    QLineEdit *m_canid = nullptr;
    QLineEdit *m_masterid = nullptr;
    QLineEdit *m_file = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_note = nullptr;
    QTableWidget *m_steps = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_run = nullptr;
    QPushButton *m_skip = nullptr;
    QPushButton *m_next = nullptr;
};
