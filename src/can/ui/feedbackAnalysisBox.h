#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;

// The feedback analysis field beside the motor state: the user types the eight data
// bytes of a feedback frame (canDataAnalysisEdit) and the main window shows them decoded
// in parsePOSLabel, parseVELLabel and parseTORLabel ("NA" until the first decoding).
class FeedbackAnalysisBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FeedbackAnalysisBox(QWidget *parent = nullptr);

    QLineEdit *edit() const { return m_edit; }
    QLabel *positionLabel() const { return m_position; }
    QLabel *velocityLabel() const { return m_velocity; }
    QLabel *torqueLabel() const { return m_torque; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLineEdit *m_edit;
    QLabel *m_position;
    QLabel *m_velocity;
    QLabel *m_torque;
    QLabel *m_positionCaption;
    QLabel *m_velocityCaption;
    QLabel *m_torqueCaption;
};
