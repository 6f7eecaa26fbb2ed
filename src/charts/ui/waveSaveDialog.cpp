#include "charts/ui/waveSaveDialog.h"

#include "charts/waveMath.h"
#include "log/fileSave.h"
#include "widgets/dialogService.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Points of one curve for the preview. Far more samples than pixels are reduced to the
// min and max per pixel column, which draws the same picture at a fraction of the cost
// (the slider redraws on every step).
QPolygonF previewPolyline(const QRectF &plot, const QList<float> &data, int left, int right, float min, float max)
{
    QPolygonF poly;
    const int count = right - left;
    if (count <= 0 || data.size() <= right)
        return poly;
    const double dx = plot.width() / count;
    const int columns = std::max(1, int(plot.width()));
    if (count + 1 <= 4 * columns) {
        poly.reserve(count + 1);
        for (int i = 0; i <= count; ++i)
            poly.append(QPointF(plot.left() + i * dx, WaveMath::mapYValue(data.at(left + i), min, max, plot)));
        return poly;
    }
    poly.reserve(2 * columns + 2);
    int i = 0;
    for (int c = 0; c <= columns && i <= count; ++c) {
        const int until = std::min(count, int(std::floor((c + 1) * double(count) / columns)));
        float lo = FLT_MAX, hi = -FLT_MAX;
        const int first = i;
        for (; i <= until; ++i) {
            const float v = data.at(left + i);
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        if (lo > hi)
            continue;
        const double x = plot.left() + first * dx;
        poly.append(QPointF(x, WaveMath::mapYValue(lo, min, max, plot)));
        if (hi != lo)
            poly.append(QPointF(x, WaveMath::mapYValue(hi, min, max, plot)));
    }
    return poly;
}

} // namespace

WaveSaveDialog::WaveSaveDialog(const QList<float> &history_, const QList<QList<float>> &multiHistory_,
                               const QList<QColor> &palette_, QWidget *parent)
    : QDialog(parent), history(history_), multiHistory(multiHistory_), palette(palette_)
{
    if (palette.isEmpty())
        palette.append(Qt::red);
    setWindowTitle(tr("保存波形原始数据"));
    resize(600, 500);
    auto *layout = new QVBoxLayout(this);

    auto *pathRow = new QHBoxLayout();
    pathRow->addWidget(new QLabel(tr("保存路径:"), this));
    pathEdit = new QLineEdit(this);
    pathEdit->setObjectName("pathEdit");
    pathEdit->setReadOnly(true);
    pathRow->addWidget(pathEdit);
    auto *browse = new QPushButton(tr("浏览..."), this);
    browse->setObjectName("browseButton");
    pathRow->addWidget(browse);
    layout->addLayout(pathRow);

    preview = new QWidget(this);
    preview->setObjectName("previewWidget");
    preview->setMinimumHeight(300);
    preview->setStyleSheet("background-color: white;");
    preview->setFixedWidth(width());
    layout->addWidget(preview);

    const int last = int(WaveMath::saveRangeSize(history, multiHistory)) - 1;
    auto *boundRow = new QHBoxLayout();
    leftLabel = new QLabel(tr("左边界: 0"), this);
    leftLabel->setObjectName("leftLabel");
    boundRow->addWidget(leftLabel);
    boundRow->addStretch();
    rightLabel = new QLabel(tr("右边界: %1").arg(last), this);
    rightLabel->setObjectName("rightLabel");
    boundRow->addWidget(rightLabel);
    layout->addLayout(boundRow);

    leftSlider = new QSlider(Qt::Horizontal, this);
    leftSlider->setObjectName("leftSlider");
    leftSlider->setRange(0, std::max(0, last));
    layout->addWidget(leftSlider);
    rightSlider = new QSlider(Qt::Horizontal, this);
    rightSlider->setObjectName("rightSlider");
    rightSlider->setRange(0, std::max(0, last));
    rightSlider->setValue(std::max(0, last));
    layout->addWidget(rightSlider);

    connect(leftSlider, &QSlider::valueChanged, this, &WaveSaveDialog::onLeftBoundChanged);
    connect(rightSlider, &QSlider::valueChanged, this, &WaveSaveDialog::onRightBoundChanged);
    connect(browse, &QPushButton::clicked, this, &WaveSaveDialog::onBrowseClicked);

    updateWaveformPreview(preview, 0, std::max(0, last));
}

void WaveSaveDialog::onLeftBoundChanged(int value)
{
    leftLabel->setText(tr("左边界: %1").arg(value));
    if (rightSlider->value() < value)
        rightSlider->setValue(value);
    updateWaveformPreview(preview, value, rightSlider->value());
}

void WaveSaveDialog::onRightBoundChanged(int value)
{
    rightLabel->setText(tr("右边界: %1").arg(value));
    if (leftSlider->value() > value)
        leftSlider->setValue(value);
    updateWaveformPreview(preview, leftSlider->value(), value);
}

void WaveSaveDialog::onBrowseClicked()
{
    const QString chosen = DialogService::getSaveFileName(this, tr("保存波形数据"), QString(),
                                                          tr("CSV文件 (*.csv);;所有文件 (*)"));
    if (chosen.isNull())
        return; // cancelled
    pathEdit->setText(chosen);
    saveTo(pathEdit->text());
}

void WaveSaveDialog::saveTo(QString path)
{
    if (path.trimmed().isEmpty()) {
        DialogService::warning(this, tr("警告"), tr("请选择保存路径"));
        return;
    }
    if (!path.endsWith(".csv", Qt::CaseInsensitive))
        path += ".csv";
    const int left = leftSlider->value();
    const int right = rightSlider->value();
    if (right - left < 1) {
        DialogService::warning(this, tr("警告"), tr("请选择有效的波形区域"));
        return;
    }
    // A failed save leaves whatever file was there before untouched.
    QString error;
    const FileSaveResult saved = saveFileAtomically(path, [&](QIODevice &file) {
        return WaveMath::writeWaveCsv(&file, history, multiHistory, left, right, &error);
    }, &error);
    if (saved == FileSaveResult::OpenFailed) {
        DialogService::warning(this, tr("保存失败"), tr("无法打开文件：%1").arg(error));
        return;
    }
    if (saved == FileSaveResult::WriteFailed) {
        DialogService::warning(this, tr("保存失败"), tr("写入文件失败，原文件保持不变：%1").arg(error));
        return;
    }
    if (DialogService::information(this, tr("保存成功"), tr("波形数据已保存为CSV文件：\n%1").arg(path))
        == QMessageBox::Ok)
        accept();
}

void WaveSaveDialog::updateWaveformPreview(QWidget *target, int left, int right)
{
    if (!target)
        return;
    QPixmap pixmap(target->size());
    pixmap.fill(Qt::white);
    const bool hasData = !history.isEmpty() || !multiHistory.isEmpty();
    if (left < right && hasData) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF plot(40, 40, pixmap.width() - 60, pixmap.height() - 100);
        float min, max;
        if (!history.isEmpty()) {
            const auto mm = WaveMath::calculateMinMax(history, left, right);
            // the tick labels use the same widened range as the curve so that they agree
            const auto widened = WaveMath::applyMargin(mm.first, mm.second);
            min = widened.first;
            max = widened.second;
            drawSingleWaveform(painter, plot, history, left, right, min, max, Qt::blue);
        } else {
            const auto mm = WaveMath::calculateGlobalMinMax(multiHistory, left, right);
            min = mm.first;
            max = mm.second;
            drawMultiWaveform(painter, plot, multiHistory, left, right, min, max, palette);
        }
        drawAxes(painter, plot);
        drawXAxisTicks(painter, plot, left, right);
        drawYAxisTicks(painter, plot, min, max);
    }
    if (!previewLabel) {
        previewLabel = new QLabel(target);
        previewLabel->setObjectName("previewLabel");
        previewLabel->resize(target->size());
        previewLabel->show();
    }
    previewLabel->setPixmap(pixmap);
}

void WaveSaveDialog::drawAxes(QPainter &painter, const QRectF &plot)
{
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
}

namespace {
// Small black labels and tick marks of the preview's axes.
void useTickStyle(QPainter &painter)
{
    QFont font = painter.font();
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 1));
}
} // namespace

void WaveSaveDialog::drawXAxisTicks(QPainter &painter, const QRectF &plot, int left, int right)
{
    useTickStyle(painter);
    for (int i = 0; i <= 5; ++i) {
        const double x = plot.left() + i * plot.width() / 5;
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 5));
        const int label = left + i * (right - left) / 5;
        painter.drawText(QPointF(x - 10, plot.bottom() + 20), QString::number(label));
    }
}

void WaveSaveDialog::drawYAxisTicks(QPainter &painter, const QRectF &plot, float min, float max)
{
    useTickStyle(painter);
    for (int i = 0; i <= 5; ++i) {
        const double y = plot.bottom() - i * plot.height() / 5;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.left() - 5, y));
        const double value = double(min) + i * (double(max) - double(min)) / 5;
        painter.drawText(QPointF(plot.left() - 35, y + 5), QString::number(value, 'f', 2));
    }
}

void WaveSaveDialog::drawSingleWaveform(QPainter &painter, const QRectF &plot, const QList<float> &data, int left,
                                        int right, float min, float max, const QColor &color)
{
    painter.setPen(QPen(color, 2));
    painter.drawPolyline(previewPolyline(plot, data, left, right, min, max));
}

void WaveSaveDialog::drawMultiWaveform(QPainter &painter, const QRectF &plot, const QList<QList<float>> &channels,
                                       int left, int right, float min, float max, const QList<QColor> &palette)
{
    for (qsizetype i = 0; i < channels.size(); ++i) {
        if (channels.at(i).size() <= right)
            continue;
        painter.setPen(QPen(palette.at(i % palette.size()), 2));
        painter.drawPolyline(previewPolyline(plot, channels.at(i), left, right, min, max));
    }
}
