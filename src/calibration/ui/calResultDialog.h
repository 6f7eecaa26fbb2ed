#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class WaveForm;
struct CalibrationResults;

// The window that shows a calibration result: four charts for a table computed here,
// one chart for a table the controller uploaded. Top-level, non-modal, fixed size; it
// deletes itself (and its charts) when it finishes.
class CalResultDialog : public QDialog
{
    Q_OBJECT
public:
    static CalResultDialog *motorResult(const CalibrationResults &results);
    static CalResultDialog *shaftResult(const CalibrationResults &results);
    static CalResultDialog *uploadedTable(const QList<float> &table);

    QList<WaveForm *> charts() const { return m_charts; }

    // A table goes into the controller only when the user has seen it: `facts` (what would
    // be sent) above a download button, which may be pressed once.
    void offerDownload(const QString &facts);

signals:
    void downloadRequested();

private:
    CalResultDialog();
    struct Curve {
        QString name;
        QList<float> values;
        bool dots = false;
    };
    WaveForm *addChart(const QString &title, int visiblePoints, const QList<Curve> &curves, int row, int column,
                       Qt::Alignment alignment);

    QList<WaveForm *> m_charts;
};
