#pragma once

#include <QList>
#include <QModelIndexList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

#include "can/canFrameData.h"

class CANFrameModel;
class QIODevice;

// Copy and CSV export of the receive log, the bus load and the feedback analysis field.

// Selected cells as text: sorted by row, then column; a line feed between rows, a tab
// between cells of one row.
QString copiedCellsText(QModelIndexList indexes);
// Every row kept in the log (whatever the filter shows), all columns, tab-separated,
// one line per row.
QString logText(const CANFrameModel &model);

// The column titles of the export chooser and the CSV header (translated).
QStringList canLogColumnTitles();
// One CSV field: enclosed in double quotes, each double quote inside doubled.
QString csvField(const QString &text);
// A header line with the chosen columns' titles, then one line per row with their cell
// texts, in column order; fields separated by commas, lines ending with a line feed, in
// the system's encoding. The decoded column is made with `context`. `progress` (when set) hears of every thousand rows and may stop
// the export by returning false. False when the device refused the bytes or the export
// was stopped.
using CsvProgress = std::function<bool(int done, int total)>;
bool writeCanLogCsv(QIODevice &device, const QList<CANFrameData> &rows, const QList<int> &columns,
                    const CsvProgress &progress = CsvProgress(),
                    const CANFrameData::DecodeContext &context = CANFrameData::DecodeContext());

// Bus load in percent from a frame rate: min(f / C, 0.99) x 100 with C = 21551 frames/s
// for CAN FD and 10000 for classic CAN.
double busLoadPercent(double framesPerSecond, bool canFd);

// The feedback analysis field's text as the eight data bytes of a feedback frame:
// blanks removed, padded on the right with "0" to 16 digits, the first 16 decoded in
// pairs. False with the first pair that is no hexadecimal number in `badPair`.
bool parseFeedbackText(const QString &text, std::array<uint8_t, 8> &bytes, QString *badPair = nullptr);
