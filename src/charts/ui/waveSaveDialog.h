#pragma once

#include <QColor>
#include <QDialog>
#include <QList>
#include <QRectF>

class QLabel;
class QLineEdit;
class QPainter;
class QSlider;

// "Save original waveform data": pick an index range of a chart's history with two
// sliders, look at it in a preview and write it to a CSV file. Works on a snapshot of
// the history taken when the dialog opens.
class WaveSaveDialog : public QDialog
{
    Q_OBJECT
public:
    WaveSaveDialog(const QList<float> &history, const QList<QList<float>> &multiHistory,
                   const QList<QColor> &palette, QWidget *parent = nullptr);

    // Redraws the preview for history[left … right].
    void updateWaveformPreview(QWidget *preview, int left, int right);

    static void drawAxes(QPainter &painter, const QRectF &plot);
    static void drawXAxisTicks(QPainter &painter, const QRectF &plot, int left, int right);
    static void drawYAxisTicks(QPainter &painter, const QRectF &plot, float min, float max);
    static void drawSingleWaveform(QPainter &painter, const QRectF &plot, const QList<float> &data, int left,
                                   int right, float min, float max, const QColor &color);
    static void drawMultiWaveform(QPainter &painter, const QRectF &plot, const QList<QList<float>> &channels,
                                  int left, int right, float min, float max, const QList<QColor> &palette);

private slots:
    void onLeftBoundChanged(int value);
    void onRightBoundChanged(int value);
    void onBrowseClicked();

private:
    void saveTo(QString path);

    QList<float> history;
    QList<QList<float>> multiHistory;
    QList<QColor> palette;
    QLineEdit *pathEdit = nullptr;
    QWidget *preview = nullptr;
    QLabel *previewLabel = nullptr;
    QLabel *leftLabel = nullptr;
    QLabel *rightLabel = nullptr;
    QSlider *leftSlider = nullptr;
    QSlider *rightSlider = nullptr;
};
