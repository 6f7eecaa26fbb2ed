#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstdint>

// Bit timing of the USB FDCAN adapter's CAN controller: the preset tables of the
// connection panel, the search for prescaler and segments from a wanted bit rate, the
// 9-byte timing record the adapter takes and gives back, and what a read-back record
// means for the screen. Plain Qt Core, shared by the panel, the custom dialog and the
// main window.

// The adapter's CAN clock.
inline constexpr quint32 kFdcanClockHz = 80000000;
// SJW of every preset, both phases.
inline constexpr quint8 kPresetSjw = 2;

struct BaudPreset {
    const char *text; // combo item text, also what the assistant names ("1M" + "bps")
    quint8 prescaler;
    quint8 seg1;
    quint8 seg2;
};

// Arbitration presets; the combo box's last entry (index kArbitrationCustomIndex) is
// the custom dialog.
inline constexpr BaudPreset kArbitrationPresets[] = {
    {"1Mbps", 2, 29, 10}, {"500Kbps", 2, 69, 10}, {"250Kbps", 4, 69, 10},
    {"200Kbps", 8, 43, 6}, {"125Kbps", 8, 69, 10}, {"100Kbps", 8, 87, 12},
};
inline constexpr int kArbitrationCustomIndex = 6;

inline constexpr BaudPreset kDataPresets[] = {
    {"5Mbps", 2, 5, 2},    {"4Mbps", 2, 6, 3},     {"3.2Mbps", 5, 3, 1},  {"2.5Mbps", 2, 9, 6},
    {"2Mbps", 2, 14, 5},   {"1Mbps", 2, 29, 10},   {"500Kbps", 8, 15, 4}, {"250Kbps", 16, 16, 3},
    {"200Kbps", 16, 21, 3}, {"125Kbps", 20, 27, 4}, {"100Kbps", 25, 27, 4},
};
inline constexpr int kDataCustomIndex = 11;

// The record the custom dialog emits and the adapter stores: nine bytes in the order of
// the set-up command's payload.
struct customBaudconfiguration {
    quint8 mode = 0; // 0 classic CAN, non-zero CAN FD
    quint8 idSeg1 = 0;
    quint8 idSeg2 = 0;
    quint8 idSjw = kPresetSjw;
    quint8 idPrescaler = 0;
    quint8 dataSeg1 = 0;
    quint8 dataSeg2 = 0;
    quint8 dataSjw = kPresetSjw;
    quint8 dataPrescaler = 0;

    static constexpr int kSize = 9;
    QByteArray toPayload() const;
    // False (record untouched) when fewer than nine bytes are given.
    bool fromPayload(const QByteArray &bytes);
    bool operator==(const customBaudconfiguration &o) const { return toPayload() == o.toPayload(); }

    // A preset configuration: arbitration preset `id`, data preset `data` (ignored, and
    // data timing zero, when `fd` is false).
    static customBaudconfiguration fromPresets(bool fd, int id, int data);
};
Q_DECLARE_METATYPE(customBaudconfiguration)

// Bit rate of a phase; 0 when the prescaler or the segment sum is 0 (a zeroed record
// from the adapter must not divide by zero).
quint32 bitRate(quint32 clock, quint32 prescaler, quint32 seg1, quint32 seg2);
// Sample point in percent: (seg1 + 1) / (seg1 + seg2 + 1) * 100; 0 for an empty timing.
double samplePointPercent(quint32 seg1, quint32 seg2);
// "75.0": one decimal, as the panel shows it.
QString samplePointText(quint32 seg1, quint32 seg2);

// Which sample-point window the search accepts.
enum class SampleWindow {
    Arbitration, // 75 % to 87.5 %
    Data,        // 65 % to 75 %
};

struct BaudSearchResult {
    bool found = false;
    quint16 prescaler = 0;
    quint16 seg1 = 0;
    quint16 seg2 = 0;
    quint32 rate = 0;        // the rate the found timing really gives
    double samplePoint = 0;  // percent
};

// Searches prescaler 1..64 and segment 1 upwards for a timing of `wanted` bit/s whose
// segment 1 is at most 32, segment 2 at most 16, with at least 3 time quanta per bit
// and the sample point inside the window. Rates that do not divide the clock are
// searched on the integer quotient. Wanted 0 gives "not found".
BaudSearchResult calculateBaudParams(quint32 clock, quint32 wanted, SampleWindow window);

// How far, in percent, one node's bit rate may stray from the others' and the bus still
// resynchronise, for a timing of `seg1` and `seg2` time quanta and that SJW: the smaller
// of ISO 11898-1's two oscillator-tolerance bounds, SJW / (20 x bit time) and
// min(seg1, seg2) / (2 x (13 x bit time - seg2)). 0 for an empty timing.
double timingTolerancePercent(quint32 seg1, quint32 seg2, quint32 sjw);
// (actual - wanted) / wanted in percent; 0 when nothing was wanted.
double rateErrorPercent(quint32 wanted, quint32 actual);

// "0", "999", "500k", "3.2M", "1G": a rate in the largest unit below it, shortest form.
QString rateUnitText(quint64 rate);

// What the manual timing of one phase says about itself.
struct ManualRate {
    enum Status {
        Incomplete, // clock, prescaler or a segment is 0: nothing to show
        TooHigh,    // arbitration phase above 1 Mbit/s
        NotWhole,   // the clock does not divide into a whole bit rate
        Ok,
    };
    Status status = Incomplete;
    quint32 kbps = 0; // Ok: the rate in kbit/s (integer division)
};
ManualRate manualRate(quint32 clock, quint32 prescaler, quint32 seg1, quint32 seg2, bool arbitration);

// What a timing record read back from the adapter means for the screen and the
// transmit settings.
struct BaudReadback {
    bool valid = false;    // false: no record or fewer than nine bytes; change nothing
    bool fd = false;       // mode != 0
    int idIndex = -1;      // arbitration combo entry; kArbitrationCustomIndex when no preset fits
    QString idCustomSuffix;  // rate unit text for the renamed custom entry; empty: keep "自定义"
    QString samplePoint;   // arbitration sample point, one decimal
    int dataIndex = -1;    // data combo entry; kDataCustomIndex when no preset fits
    QString dataCustomSuffix;
    quint32 idRate = 0;
    quint32 dataRate = 0;
    bool dataSectionAcc = false;
    // The link object's upgrade frame flag: -1 classic, 0 CAN FD with a data phase of
    // 5 Mbit/s or more; `upgradeFlagSet` false leaves it as it is.
    bool upgradeFlagSet = false;
    int upgradeFlag = 0;
    // Status-bar text pieces: the caption ("波特率" or "数据域波特率", untranslated) and
    // the unit text of the rate.
    const char *labelCaption = nullptr;
    QString labelRate;
};
BaudReadback interpretBaudRecord(const QByteArray &record);
