#pragma once

#include <QByteArray>
#include <QString>

// Rules of the CAN transmit panel: accepted data lengths, the conversion of the data
// field, and the counting of the periodic send on the serial adapter.

// Lengths the length fields take: 0-8 for classic CAN; for CAN FD also 12, 16, 20, 24,
// 32, 48 and 64.
bool isCanDataLength(int length);
bool isFdCanDataLength(int length);

// The data field's text (already normalised into hexadecimal pairs) as `length` bytes.
struct CanDataConversion
{
    enum Error { NoError, BadLength, BadHex };
    Error error = NoError;
    QByteArray data;  // `length` bytes, zero where the text has fewer parts
    QString badPart;  // BadHex: the part that is no hexadecimal number
};
// The length text is a decimal number of bytes (not negative). The text is split at
// single blanks; empty parts are skipped, each other part is a hexadecimal number whose
// low byte is stored; parts beyond the length are ignored.
CanDataConversion convertCanDataText(const QString &lengthText, const QString &hexText);

// The transmit ID typed in hexadecimal ("7FF", "0x123"; blanks around it ignored). False,
// with the reason in `why`, for an empty text, anything that is not a hexadecimal number,
// or an ID beyond 29 bits; the fit to the frame type is the link's check.
bool parseCanIdText(const QString &text, quint32 *id, QString *why = nullptr);

// The send count typed in decimal: 1 or more sends that many frames, 0 one frame, and -1
// repeats until the user stops it. False, with the reason, for anything else.
bool parseSendTimesText(const QString &text, qint32 *times, QString *why = nullptr);

// The bytes as the log shows them: "12 30 00", upper case, single blanks.
QString canDataBytesText(const QByteArray &data);

// Data counting of the periodic send: the counter written little-endian over the start
// of the data, 1, 2, 4 or 8 bytes for those lengths (8 bytes sign-extended); any other
// length leaves the data as it is.
void applyDataCounter(QByteArray &data, int length, qint32 counter);

// ID counting: (id + step x counter) mod (stop ID + 1) in unsigned 32-bit arithmetic. A
// stop ID of 0xFFFFFFFF would make that modulus 0; 32-bit arithmetic already wraps at
// 2^32, which is what that stop ID means, so the sum is taken as it is.
quint32 countedCanId(quint32 id, quint32 step, quint32 counter, quint32 stopId);

// The counting state of one periodic send: the counter and the number of sends asked
// for. The counter starts again at 0 only when a run completes; a run stopped early
// continues from where it was at the next start.
class CanSendCounter
{
public:
    // A count of 0 or 1 sends one frame; a negative count runs until stopped.
    void start(qint32 sendTimes) { m_snapshot = sendTimes; }
    qint32 counter() const { return m_counter; }
    // After one frame went out; true when the run is complete.
    bool advance();

private:
    qint32 m_counter = 0;
    qint32 m_snapshot = 0;
};
