#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The row under the log's filter bar: recording the log's frames to a can-utils log
// file, opening a recording into the log (and its motors' feedback into the feedback
// charts, one motor at a time), and replaying one onto the open link.
class CanRecordBar : public QWidget
{
    Q_OBJECT
public:
    explicit CanRecordBar(QWidget *parent = nullptr);

    QPushButton *recordButton() const { return m_record; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *replayButton() const { return m_replay; }
    QComboBox *speedBox() const { return m_speed; }
    QCheckBox *sentOnlyBox() const { return m_sentOnly; }
    QCheckBox *chartsBox() const { return m_charts; }
    // The motors whose feedback the last opened recording holds; hidden while none.
    QComboBox *chartMotorBox() const { return m_chartMotor; }
    void setChartMotors(const QStringList &labels, int current);
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *statusLabel() const { return m_status; }

    // The replay speed chosen: a factor on the recorded timing, 0 for no gaps.
    double speed() const;
    void setRecording(bool on);
    void setReplaying(bool on);
    void showStatus(const QString &text) const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    bool m_recording = false;
    bool m_replaying = false;
    QPushButton *m_record;
    QLabel *m_status;
    QPushButton *m_open;
    QPushButton *m_replay;
    QComboBox *m_speed;
    QCheckBox *m_sentOnly;
    QCheckBox *m_charts;
    QComboBox *m_chartMotor;
    QProgressBar *m_progress;
};
