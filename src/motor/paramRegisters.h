#pragma once

#include "motor/escInf.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>

class SharedMappingRanges;

// The parameter registers: single-register frames on 0x7FF, the reply step, the paced
// whole-record sequences of CAN mode, the console blocks of UART mode, the widget
// formats of the parameter tab and the export/import text file.

namespace RegisterFrame {
constexpr uint32_t Id = 0x7FF;
constexpr uint8_t Read = 0x33;
constexpr uint8_t Write = 0x55;
constexpr uint8_t Save = 0xAA;
constexpr int LastRid = 37;        // RID 37 (loader version) exists only on the wire
constexpr int ReadCount = 37;      // RIDs 0..36
} // namespace RegisterFrame

// D0..D1 canid (low, high), D2 command, D3 rid, D4..D7 value little-endian.
QByteArray registerFrame(uint8_t command, uint32_t canid, uint8_t rid, uint32_t value = 0);
QByteArray registerReadFrame(uint32_t canid, int rid);
// The value comes from the record; RIDs the write-all operation leaves alone (8,
// 11..20, 36) and RIDs outside the record carry zero.
QByteArray registerWriteFrame(uint32_t canid, int rid, const ESC_INF &record);
QByteArray registerSaveFrame(uint32_t canid, int rid = 0);
// Written by the CAN write-all operation: 0..7, 9, 10, 21..35.
bool isCanWritableRegister(int rid);

// The motor's CAN bit-rate codes (register can_br) as texts, for comboBox_canBaud.
inline constexpr const char *canBaudList[] = {"125K", "200K", "250K", "500K", "1M",
                                              "2M",   "2.5M", "3.2M", "4M",   "5M"};
inline constexpr int canBaudCount = int(sizeof(canBaudList) / sizeof(canBaudList[0]));
// Empty for a code outside the list (a device may report anything).
QString canBaudText(long long code);

// What one register reply did.
struct RegisterReply
{
    enum Completion { NotYet, ReadComplete, WriteComplete, VersionsComplete };

    int rid = 0;
    uint8_t command = 0;
    uint32_t raw = 0;              // D4..D7
    bool stored = false;           // written into the record (RIDs 0..36)
    bool masterIdChanged = false;  // RID 7: set CANTxModel::setMasterid, show in masteridEdit
    uint32_t masterId = 0;
    bool rangeChanged = false;     // RIDs 21..23: the mapping range was updated
    Completion completion = NotYet;
    QList<int> writeRefused;       // WriteComplete: RIDs the motor answered with another value
    QList<uint32_t> writeAsked;    // ... and what was written to each of them
    ESC_INF record;                // ReadComplete: the record to show (ParametersChanged)
    uint32_t appVersion = 0;       // VersionsComplete: RID 14, for ParseVersion as characters
    uint32_t loaderVersion = 0;    // VersionsComplete: RID 37, for ParseVersion as numbers
};

// Reply counter and what is awaiting the replies. The GUI thread starts operations and
// checks time-outs; the receive thread counts replies; one lock keeps the two from
// both deciding the same operation's end.
class RegisterReplyState
{
public:
    enum class Operation { None, Read, Write };

    // Zero the counter; `op` now awaits its replies.
    void begin(Operation op);
    // A write awaits one reply for each of `rids`, carrying the value of `record`.
    void expectWrites(const ESC_INF &record, const QList<int> &rids);
    // Zero the counter and the two version numbers; nothing awaited. Call before a
    // CAN version read (registers 14 and 37).
    void beginVersionRead();
    int count() const;
    Operation awaiting() const;
    uint32_t appVersion() const;
    uint32_t loaderVersion() const;
    // At the time-out: true when `op` still awaits replies, which then ends it (counter
    // zeroed, nothing awaited) so that late replies do not complete it afterwards.
    bool expire(Operation op);

private:
    friend RegisterReply parseRIDFrame(const uint8_t *, ESC_INF &, RegisterReplyState &, std::atomic_bool &,
                                       SharedMappingRanges *);
    mutable QMutex mutex;
    int replies = 0;
    Operation op = Operation::None;
    QHash<int, uint32_t> expectedWrites; // RID -> value written
    QHash<int, uint32_t> writeAnswers;   // RID -> value the motor answered with
    uint32_t appRaw = 0;
    uint32_t loaderRaw = 0;
};

// parseRIDFrame as a pure step. Stores D4..D7 into the record field of RID D3 (0..36;
// RID 37 is only kept as the loader version, larger RIDs only counted), updates the
// mapping ranges for PMAX/VMAX/TMAX when `ranges` is given, counts the reply and decides
// completion: in version mode (`versionMode`, cleared here) the second reply; else
// the 37th read reply (D2 = 33), or for an awaited write the reply (D2 = 55) that
// completes one answer for every register written.
// On ReadComplete the caller sets the long-layout flag, emits ParametersChanged with
// `record` and calls canFrameResend(); on WriteComplete, message 7 only when no register
// is in `writeRefused` (the motor kept its own value), and canFrameResend().
// `data` must hold 8 bytes.
RegisterReply parseRIDFrame(const uint8_t *data, ESC_INF &record, RegisterReplyState &state,
                            std::atomic_bool &versionMode, SharedMappingRanges *ranges = nullptr);

// One timer tick of a whole-record operation in CAN mode.
struct RegisterStep
{
    QByteArray frame;          // send now to RegisterFrame::Id when not empty
    int rid = -1;              // RID of this tick (sent or skipped)
    bool stopTimer = false;
    int newIntervalMs = 0;     // > 0: run the timer at this interval from now on
    bool sendSave = false;     // after saveDelayMs: saveFrame in CAN mode, the text "s" in UART mode
    int saveDelayMs = 0;
    QByteArray saveFrame;
    bool timedOut = false;     // the motor did not answer in time: message 6
};

// The paced CAN sequences. The owner runs one QTimer per kind at the interval start()
// returns and calls tick(kind) on each timeout, doing what the step says.
//
// Read: one request per tick for RIDs 0..36. Write: one tick per RID 0..35, sending
// for the writable ones and spending the tick for 8 and 11..20; after the last tick the
// save frame (RID 0) follows 10 ms later. Store: save frames per RID with the write's
// skipping rule (no button starts it).
//
// Read and write wait for their replies: if the RegisterReplyState given to start()
// still awaits them ReplyTimeoutMs after the last tick, the step reports timedOut (the
// user would otherwise never learn that the motor did not answer).
class RegisterSequence
{
public:
    enum class Kind { None, Read, Write, Store };
    static constexpr int ReplyTimeoutMs = 640; // as long as a console request may take
    static constexpr int SaveDelayMs = 10;

    // Returns the timer interval: 1 ms with the USB adapter, 2 ms on the serial adapter.
    // For Read and Write, `replies` (if given) is begun for that operation.
    // A write given `only` sends just those of its registers (what a diff left ticked); the
    // other ticks are spent without sending.
    int start(Kind kind, uint32_t canid, const ESC_INF &record, bool usbAdapter,
              RegisterReplyState *replies = nullptr, const QList<int> &only = {});
    // A tick of another kind's timer, or after the end, only stops that timer.
    RegisterStep tick(Kind timerKind);
    void cancel();

    Kind kind() const { return current; }
    bool running() const { return current != Kind::None; }
    int ridCounter() const { return rid; }

private:
    Kind current = Kind::None;
    int rid = 0;
    bool waiting = false;
    uint32_t canid = 0;
    ESC_INF record;
    RegisterReplyState *replies = nullptr;
    QList<int> only;
};

// UART mode: send the text ConsoleEnterText, then after ConsoleDelayMs the block.
inline constexpr const char *ConsoleEnterText = "s";
constexpr int ConsoleDelayMs = 20;
// 55 67 AA
QByteArray consoleReadRequest();
// 55 67 55 and the record: 128 bytes (short layout) or 148 bytes (long layout).
QByteArray consoleWriteRequest(const ESC_INF &record, bool longLayout);

// The parameter tab's widgets: object name -> text. Combo boxes carry their index as
// decimal text ("-1" for no selection).
QString registerWidgetName(int rid); // empty for RIDs without a widget
// Record to widgets (on_ParametersChanged): every widget of the table in its format;
// comboBox_ctrMode only when cmode is not 0; V_BWEdit, IQ_clEdit, VL_clEdit,
// comboBox_canBaud and sub_verEdit only with the long layout.
QHash<QString, QString> recordToWidgetTexts(const ESC_INF &record, bool longLayout);
// What the parameter tab last showed: the record and the texts made of it.
struct ShownParameters
{
    ESC_INF record;
    QHash<QString, QString> texts;
    // True when the widget still holds the text it was given, i.e. nobody changed it.
    bool unchanged(const QHash<QString, QString> &texts, const QString &widget) const;
};
// Widgets to record (getESC_INF): parses every widget present in `texts`; a text
// that is no number gives 0; hw_ver, sw_ver, SN and sub_ver keep the record's values.
// With `shown`, a widget whose text is still the one shown keeps the shown record's exact
// value: the texts carry only 6 significant digits, and a read followed by a write must
// not change registers nobody touched.
void widgetTextsToRecord(const QHash<QString, QString> &texts, ESC_INF &record,
                         const ShownParameters *shown = nullptr);
// The first of `rids` whose edit holds nothing the register can take: text that is no
// number, a float that is not finite (typed, imported, or kept from the motor), an integer
// beyond 0 ... 2^32 - 1, or an ID beyond the 11-bit range. Combo boxes and the read-only
// labels are not judged. -1 when every one can be written.
int unwritableRegister(const QHash<QString, QString> &texts, const ESC_INF &record, const QList<int> &rids,
                       const ShownParameters *shown = nullptr);
// The RIDs a whole-record write sends: the CAN-writable ones, or every RID of the console
// block (0..31 with the short layout, 0..36 with the long one).
QList<int> writtenRegisters(bool canMode, bool longLayout);
// Edits the short layout does not require before a write.
QStringList shortLayoutOptionalEdits();
// "0x%1", at least two lower-case hex digits.
QString hexIdText(uint32_t id);

// Export and import of the parameter text file.
// A parameter file is some 37 short lines; anything this large is not one.
constexpr qint64 MaxParameterFileBytes = 64 * 1024;

struct ParamFileResult
{
    bool ok = false;
    QString error;     // translated, for the "错误" box
    int applied = 0;   // import: lines stored into the record
    int skipped = 0;   // import: malformed lines, unknown keys, refused values
};
// One "name: value" line per register in index order, GREF2 written as "Deta".
QString parameterFileText(const ESC_INF &record);
// A register's value as the file carries it: a float in the fewest digits that read back
// as the same float ("3.14", "10", "nan"), an integer in decimal. Empty outside 0..36.
QString registerValueText(const ESC_INF &record, int rid);
// Writes the file (replacing it only once everything is written and flushed; on
// failure the previous file is left as it was).
// `header`: comment lines written before the registers (parameterFileHeaderText).
ParamFileResult exportParameters(const QString &path, const ESC_INF &record, const QString &header = QString());
// Reads the file (never written) and stores every well-formed line into `record`.
// A line is "key: value"; key "Deta" means GREF2; an integer value is taken as an
// integer, any other number (with a ".", an exponent) as a double; lines without
// exactly one ": ", with an empty or non-numeric value, with an unknown key or with a
// value the register cannot take (a float that is not finite) are skipped. Anything but
// a regular file (a pipe would block forever) and files above MaxParameterFileBytes are
// refused before reading.
ParamFileResult importParameters(const QString &path, ESC_INF &record);
// The same for text already read (used by the file import and by tests).
ParamFileResult applyParameterText(const QString &text, ESC_INF &record);
// The registers that lines of `text` would set (in file order, each once).
QList<int> parameterTextRegisters(const QString &text);
// importParameters' checks and reading without applying: the file's text, or the refusal.
ParamFileResult readParameterFile(const QString &path, QString &text);
