#pragma once

#include <QList>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <deque>
#include <vector>

class QIODevice;

// Axis alignment shared by every chart: picks a 1-2-5 step, snaps the range outwards to
// multiples of it and returns (lo, hi) with the step and the tick count.
QPair<double, double> calculateAlignedYRange(double min, double max, double &step, int &tickCount);

namespace WaveMath {

// rad/s -> rpm (60 / 2π); applied when a chart's unit is exactly "RPM".
constexpr double kRpmPerRadPerSec = 9.549296748407162;
// Above this many ticks the step leaves 100 and climbs the 1-2-5 ladder; without a
// bound one absurd sample would ask the axis for millions of tick labels.
constexpr int kMaxAlignedTicks = 101;

double unitFactor(const QString &unit);

// Appends samples and drops the oldest surplus so that at most maxPoints remain.
// Returns how many samples were dropped from the front.
qsizetype appendTrimmed(QList<float> &history, const QList<float> &samples, int maxPoints);

// The newest min(visiblePoints, size) samples as points x = 0, 1, …, converted by
// factor. lo/hi cover only finite values (hasRange false when there are none).
struct WaveWindow
{
    QList<QPointF> points;
    qsizetype shown = 0;
    float lo = 0.0f;
    float hi = 0.0f;
    float last = 0.0f;
    bool hasRange = false;
};
WaveWindow extractWindow(const QList<float> &history, int visiblePoints, double factor, bool withPoints = true);

// Proposed Y range of the background single-channel path.
QPair<float, float> backgroundYRange(const WaveWindow &window, bool includeZero, float yLimitMin, float yLimitMax);

// Y range of the synchronous single-channel path for a window with data: 10 % margin,
// bounds that are exactly 0 stay put.
QPair<double, double> syncYRange(float lo, float hi, bool includeZero);

// Y range of the decimated multi-channel path: zero always included. Without data the
// range is -1 … 1.
QPair<float, float> zeroIncludedYRange(float lo, float hi, bool hasData);

// Y range (before alignment) of the synchronous multi-channel path for windows with data.
QPair<double, double> vectorYRange(float lo, float hi, bool includeZero);

// Min/max summaries of one history in power-of-two blocks aligned to absolute sample
// numbers (samples ever appended), so a min/max query over any range costs O(log n)
// plus two short raw scans, however long the history is. Non-finite samples are left
// out of every summary.
class MinMaxIndex
{
public:
    void clear();
    // Record samples just appended to the end of the history.
    void append(const float *values, qsizetype count);
    // Record that count samples were removed from the front of the history.
    void dropFront(qsizetype count);
    // Min/max over history[from, to); false when the range holds no finite value.
    bool query(const QList<float> &history, qsizetype from, qsizetype to, float &lo, float &hi) const;

private:
    static constexpr int kBaseShift = 5; // lowest level summarises 32 samples
    static constexpr int kLevels = 22;
    struct Level
    {
        qint64 firstBlock = 0;
        std::deque<std::pair<float, float>> blocks;
    };
    std::vector<Level> m_levels = std::vector<Level>(kLevels);
    qint64 m_dropped = 0; // absolute number of the history's first sample
    qint64 m_total = 0;   // absolute number one past the newest sample
};

// Keeps a list of channel histories and their indexes in step.
void appendTrimmedChannels(QList<QList<float>> &histories, QList<MinMaxIndex> &indexes,
                           const QList<QList<float>> &samples, int maxPoints);

// Min/max decimation of the window [start, start + shown) of one channel to about two
// points per plot pixel: stride = max(shown / plotWidth, 1); per block the point
// (x, min) and, when different, (x, max), x = block start relative to start.
// lo/hi receive the window's min/max (converted); returns false when it has none.
QList<QPointF> decimateMinMax(const QList<float> &history, const MinMaxIndex &index, qsizetype start,
                              qsizetype shown, int plotWidth, double factor, float &lo, float &hi,
                              bool &hasRange);

// The same min/max reduction for a ready point list (x ascending), down to about
// maxPoints + 1 points: of each block of ceil(size / (maxPoints / 2)) points the lowest
// and, when different, the highest are kept, in their order; the last point is kept so
// that the curve still ends at the newest sample. The result is a subset of the input.
// Short lists come back unchanged.
QList<QPointF> decimatePoints(const QList<QPointF> &points, int maxPoints);

// Zoom factor of a mouse wheel turned by steps notches (15° each): forward n notches
// zoom in by 1.1 × n, backward n notches zoom out by 0.9^n; 0 means no zoom.
double wheelZoomFactor(int steps);

QString formatLegendValue(float value, int decimals);

// Number of rows the save dialog offers: the single-channel history, or else the
// longest channel.
qsizetype saveRangeSize(const QList<float> &history, const QList<QList<float>> &multiHistory);

// One CSV row (without line end) for row r, sample index = left + r. Single channel
// when history is not empty; otherwise one field per channel, empty where that channel
// has no sample at the index.
QString waveCsvRow(int r, int index, const QList<float> &history, const QList<QList<float>> &multiHistory);

// Writes rows 0 … right-left. Returns false (with the reason) when the device failed.
bool writeWaveCsv(QIODevice *device, const QList<float> &history, const QList<QList<float>> &multiHistory,
                  int left, int right, QString *error = nullptr);

// Save-preview helpers.
QPair<float, float> calculateMinMax(const QList<float> &data, int left, int right);
// Over the channels that hold more than `right` samples; (0, 0) when none does.
QPair<float, float> calculateGlobalMinMax(const QList<QList<float>> &channels, int left, int right);
// Widens by 10 % of the span on each side, or by 0.5 when the span is not positive.
QPair<float, float> applyMargin(float min, float max);
// Linear map of value into rect's vertical extent (max at the top); middle when empty.
double mapYValue(float value, float min, float max, const QRectF &rect);

} // namespace WaveMath
