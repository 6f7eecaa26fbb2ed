#include "motor/paramRegisters.h"
#include "motor/paramDiff.h"

#include "log/fileSave.h"
#include "log/log.h"
#include "motor/motorProtocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QMetaProperty>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QString trMain(const char *text) { return QCoreApplication::translate("MainWindow", text); }

float bitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

enum class Format { None, Float, HexId, Decimal, ComboPlusOne, ComboIndex, Label, SubVersion };

struct WidgetInfo {
    const char *widget;
    Format format;
    double scale;       // Label: shown value = field x scale
    const char *suffix; // Label: text after the number
    bool longOnly;      // shown only with the long layout
};

// The parameter tab, by RID.
const WidgetInfo kWidgets[ESC_INF::FieldCount] = {
    {"UV_ValueEdit", Format::Float, 1, "", false},
    {"KT_ValueEdit", Format::Float, 1, "", false},
    {"OT_ValueEdit", Format::Float, 1, "", false},
    {"OC_ValueEdit", Format::Float, 1, "", false},
    {"ACCEdit", Format::Float, 1, "", false},
    {"DECEdit", Format::Float, 1, "", false},
    {"MAX_SPDEdit", Format::Float, 1, "", false},
    {"MST_IDEdit", Format::HexId, 1, "", false},
    {"ESC_IDEdit", Format::HexId, 1, "", false},
    {"TIMEOUTEdit", Format::Decimal, 1, "", false},
    {"comboBox_ctrMode", Format::ComboPlusOne, 1, "", false},
    {"DampLabel", Format::Label, 1, "", false},
    {"InertiaLabel", Format::Label, 1, " kg*m2", false},
    {nullptr, Format::None, 1, "", false}, // hw_ver
    {nullptr, Format::None, 1, "", false}, // sw_ver
    {nullptr, Format::None, 1, "", false}, // SN
    {"POLEEdit", Format::Decimal, 1, "", false},
    {"RsLabel", Format::Label, 1000, " mR", false},
    {"LsLabel", Format::Label, 1e6, " uH", false},
    {"FluxLabel", Format::Label, 1, " Wb", false},
    {"GrEdit", Format::Float, 1, "", false},
    {"PMAXEdit", Format::Float, 1, "", false},
    {"VMAXEdit", Format::Float, 1, "", false},
    {"TMAXEdit", Format::Float, 1, "", false},
    {"I_BWEdit", Format::Float, 1, "", false},
    {"KP_ASREdit", Format::Float, 1, "", false},
    {"KI_ASREdit", Format::Float, 1, "", false},
    {"KP_APREdit", Format::Float, 1, "", false},
    {"KI_APREdit", Format::Float, 1, "", false},
    {"OV_ValueEdit", Format::Float, 1, "", false},
    {"GREFEdit", Format::Float, 1, "", false},
    {"GREF2Edit", Format::Float, 1, "", false},
    {"V_BWEdit", Format::Float, 1, "", true},
    {"IQ_clEdit", Format::Float, 1, "", true},
    {"VL_clEdit", Format::Float, 1, "", true},
    {"comboBox_canBaud", Format::ComboIndex, 1, "", true},
    {"sub_verEdit", Format::SubVersion, 1, "", true},
};

uint32_t floatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

QString number6(double v) { return QString::number(v, 'g', 6); }

// The fewest significant digits that read back as the same float, printed the way
// QVariant prints a double: "3.14" and "10", not the "3.140000104904175" that a float
// widened to double gives.
QString shortestFloatText(float f)
{
    if (!std::isfinite(f))
        return QString::number(double(f));
    for (int digits = 1; digits < 9; ++digits) {
        const double d = QString::number(double(f), 'g', digits).toDouble();
        if (float(d) == f)
            return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    return QString::number(double(f), 'g', 9);
}

// "0x1f" or "1f"; false when it is no 32-bit hexadecimal number.
bool parseRegisterHexId(QString text, uint32_t &value)
{
    text = text.trimmed();
    if (text.startsWith("0x", Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    value = text.toUInt(&ok, 16);
    return ok;
}

} // namespace

QByteArray registerFrame(uint8_t command, uint32_t canid, uint8_t rid, uint32_t value)
{
    QByteArray f(8, '\0');
    f[0] = char(canid & 0xFF);
    f[1] = char((canid >> 8) & 0xFF);
    f[2] = char(command);
    f[3] = char(rid);
    for (int i = 0; i < 4; ++i)
        f[4 + i] = char((value >> (8 * i)) & 0xFF);
    return f;
}

QByteArray registerReadFrame(uint32_t canid, int rid) { return registerFrame(RegisterFrame::Read, canid, uint8_t(rid)); }

bool isCanWritableRegister(int rid) { return (rid >= 0 && rid <= 7) || rid == 9 || rid == 10 || (rid >= 21 && rid <= 35); }

QByteArray registerWriteFrame(uint32_t canid, int rid, const ESC_INF &record)
{
    const uint32_t value = isCanWritableRegister(rid) ? record.rawValue(rid) : 0;
    return registerFrame(RegisterFrame::Write, canid, uint8_t(rid), value);
}

QByteArray registerSaveFrame(uint32_t canid, int rid) { return registerFrame(RegisterFrame::Save, canid, uint8_t(rid)); }

QString canBaudText(long long code)
{
    if (code < 0 || code >= canBaudCount)
        return QString();
    return QString::fromLatin1(canBaudList[code]);
}

void RegisterReplyState::begin(Operation operation)
{
    QMutexLocker lock(&mutex);
    replies = 0;
    op = operation;
    expectedWrites.clear();
    writeAnswers.clear();
}

void RegisterReplyState::expectWrites(const ESC_INF &record, const QList<int> &rids)
{
    QMutexLocker lock(&mutex);
    expectedWrites.clear();
    writeAnswers.clear();
    for (int rid : rids)
        expectedWrites.insert(rid, record.rawValue(rid));
}

void RegisterReplyState::beginVersionRead()
{
    QMutexLocker lock(&mutex);
    replies = 0;
    op = Operation::None;
    appRaw = 0;
    loaderRaw = 0;
}

int RegisterReplyState::count() const
{
    QMutexLocker lock(&mutex);
    return replies;
}

RegisterReplyState::Operation RegisterReplyState::awaiting() const
{
    QMutexLocker lock(&mutex);
    return op;
}

uint32_t RegisterReplyState::appVersion() const
{
    QMutexLocker lock(&mutex);
    return appRaw;
}

uint32_t RegisterReplyState::loaderVersion() const
{
    QMutexLocker lock(&mutex);
    return loaderRaw;
}

bool RegisterReplyState::expire(Operation operation)
{
    QMutexLocker lock(&mutex);
    if (operation == Operation::None || op != operation)
        return false;
    op = Operation::None;
    replies = 0;
    return true;
}

RegisterReply parseRIDFrame(const uint8_t *data, ESC_INF &record, RegisterReplyState &state,
                            std::atomic_bool &versionMode, SharedMappingRanges *ranges)
{
    RegisterReply r;
    r.command = data[2];
    r.rid = data[3];
    r.raw = uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 | uint32_t(data[7]) << 24;

    // The record holds RIDs 0..36; RID 37 lives only on the wire.
    if (r.rid < ESC_INF::FieldCount) {
        record.setRawValue(r.rid, r.raw);
        r.stored = true;
    }
    if (r.rid == 7) {
        r.masterIdChanged = true;
        r.masterId = r.raw;
    }
    if (ranges && r.rid >= 21 && r.rid <= 23)
        r.rangeChanged = ranges->applyRegister(r.rid, bitsFloat(r.raw));

    QMutexLocker lock(&state.mutex);
    if (r.rid == 14)
        state.appRaw = r.raw;
    else if (r.rid == RegisterFrame::LastRid)
        state.loaderRaw = r.raw;
    ++state.replies;

    if (versionMode) {
        if (state.replies >= 2) {
            versionMode = false;
            state.replies = 0;
            r.completion = RegisterReply::VersionsComplete;
            r.appVersion = state.appRaw;
            r.loaderVersion = state.loaderRaw;
        }
    } else if (r.command == RegisterFrame::Read && state.replies == RegisterFrame::ReadCount) {
        state.replies = 0;
        if (state.op == RegisterReplyState::Operation::Read)
            state.op = RegisterReplyState::Operation::None;
        r.completion = RegisterReply::ReadComplete;
        r.record = record;
    } else if (r.command == RegisterFrame::Write && state.op == RegisterReplyState::Operation::Write
               && state.expectedWrites.contains(r.rid)) {
        // A write succeeded only when every register written answered, each with the
        // value it was given (a motor that refuses a value answers with the one it kept).
        state.writeAnswers.insert(r.rid, r.raw);
        if (state.writeAnswers.size() == state.expectedWrites.size()) {
            for (auto it = state.expectedWrites.cbegin(); it != state.expectedWrites.cend(); ++it)
                if (state.writeAnswers.value(it.key()) != it.value())
                    r.writeRefused << it.key();
            std::sort(r.writeRefused.begin(), r.writeRefused.end());
            for (int rid : std::as_const(r.writeRefused))
                r.writeAsked << state.expectedWrites.value(rid);
            state.replies = 0;
            state.op = RegisterReplyState::Operation::None;
            state.expectedWrites.clear();
            state.writeAnswers.clear();
            r.completion = RegisterReply::WriteComplete;
        }
    }
    return r;
}

int RegisterSequence::start(Kind kind, uint32_t id, const ESC_INF &rec, bool usbAdapter, RegisterReplyState *state,
                            const QList<int> &subset)
{
    current = kind;
    only.clear();
    if (kind == Kind::Write)
        for (int r : writtenRegisters(true, true))
            if (subset.contains(r))
                only << r;
    rid = 0;
    waiting = false;
    canid = id;
    record = rec;
    replies = (kind == Kind::Read || kind == Kind::Write) ? state : nullptr;
    if (replies) {
        replies->begin(kind == Kind::Read ? RegisterReplyState::Operation::Read : RegisterReplyState::Operation::Write);
        if (kind == Kind::Write)
            replies->expectWrites(rec, only.isEmpty() ? writtenRegisters(true, true) : only);
    }
    return usbAdapter ? 1 : 2;
}

void RegisterSequence::cancel()
{
    if (replies)
        replies->expire(replies->awaiting());
    current = Kind::None;
    waiting = false;
    replies = nullptr;
}

RegisterStep RegisterSequence::tick(Kind timerKind)
{
    RegisterStep s;
    if (timerKind != current || current == Kind::None) {
        s.stopTimer = true;
        return s;
    }

    const auto op = current == Kind::Read ? RegisterReplyState::Operation::Read : RegisterReplyState::Operation::Write;
    auto finish = [&] {
        s.stopTimer = true;
        current = Kind::None;
        waiting = false;
        replies = nullptr;
    };
    // After the last frame: either the replies are still awaited (wait once more, for
    // the time-out) or the operation is over.
    auto endOrWait = [&] {
        if (replies && replies->awaiting() == op) {
            waiting = true;
            s.newIntervalMs = ReplyTimeoutMs;
        } else {
            finish();
        }
    };

    if (waiting) {
        s.timedOut = replies && replies->expire(op);
        if (s.timedOut)
            Logger::warning(QString("register %1: no complete answer within %2 ms")
                                .arg(current == Kind::Read ? "read" : "write")
                                .arg(ReplyTimeoutMs),
                            "RegisterSequence");
        finish();
        return s;
    }

    switch (current) {
    case Kind::Read:
        if (rid > ESC_INF::FieldCount - 1) {
            endOrWait();
            return s;
        }
        s.rid = rid;
        s.frame = registerReadFrame(canid, rid++);
        return s;
    case Kind::Write:
    case Kind::Store:
        if (rid > 35) {
            if (current == Kind::Write) {
                s.sendSave = true;
                s.saveDelayMs = SaveDelayMs;
                s.saveFrame = registerSaveFrame(canid, 0);
                endOrWait();
            } else {
                finish();
            }
            return s;
        }
        s.rid = rid;
        if (rid == 8 || (rid >= 11 && rid <= 20) || (!only.isEmpty() && !only.contains(rid))) {
            ++rid; // the tick is spent without sending
            return s;
        }
        s.frame = current == Kind::Write ? registerWriteFrame(canid, rid, record) : registerSaveFrame(canid, rid);
        ++rid;
        return s;
    case Kind::None:
        break;
    }
    finish();
    return s;
}

QByteArray consoleReadRequest() { return QByteArray("\x55\x67\xAA", 3); }

QByteArray consoleWriteRequest(const ESC_INF &record, bool longLayout)
{
    return QByteArray("\x55\x67\x55", 3) + structToBytes(record, longLayout);
}

QString registerWidgetName(int rid)
{
    if (rid < 0 || rid >= ESC_INF::FieldCount || !kWidgets[rid].widget)
        return QString();
    return QString::fromLatin1(kWidgets[rid].widget);
}

QString hexIdText(uint32_t id) { return QString("0x%1").arg(id, 2, 16, QChar('0')); }

QHash<QString, QString> recordToWidgetTexts(const ESC_INF &record, bool longLayout)
{
    QHash<QString, QString> out;
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
        const WidgetInfo &w = kWidgets[rid];
        if (!w.widget || (w.longOnly && !longLayout))
            continue;
        const uint32_t raw = record.rawValue(rid);
        const QString name = QString::fromLatin1(w.widget);
        switch (w.format) {
        case Format::Float:
            out.insert(name, number6(bitsFloat(raw)));
            break;
        case Format::HexId:
            out.insert(name, hexIdText(raw));
            break;
        case Format::Decimal:
            out.insert(name, QString::number(raw));
            break;
        case Format::ComboPlusOne:
            if (raw != 0)
                out.insert(name, QString::number(qint64(raw) - 1));
            break;
        case Format::ComboIndex:
            out.insert(name, QString::number(raw));
            break;
        case Format::Label:
            out.insert(name, number6(double(bitsFloat(raw)) * w.scale) + QString::fromLatin1(w.suffix));
            break;
        case Format::SubVersion: {
            QString s;
            for (int i = 0; i < 4; ++i)
                s += QChar(ushort((raw >> (8 * i)) & 0xFF));
            out.insert(name, s);
            break;
        }
        case Format::None:
            break;
        }
    }
    return out;
}

bool ShownParameters::unchanged(const QHash<QString, QString> &now, const QString &widget) const
{
    const auto shown = texts.constFind(widget);
    const auto current = now.constFind(widget);
    return shown != texts.constEnd() && current != now.constEnd() && *shown == *current;
}

void widgetTextsToRecord(const QHash<QString, QString> &texts, ESC_INF &record, const ShownParameters *shown)
{
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid) {
        const WidgetInfo &w = kWidgets[rid];
        if (!w.widget)
            continue;
        const QString name = QString::fromLatin1(w.widget);
        const auto it = texts.constFind(name);
        if (it == texts.constEnd())
            continue;
        if (shown && shown->unchanged(texts, name)) {
            record.setRawValue(rid, shown->record.rawValue(rid));
            continue;
        }
        const QString &t = it.value();
        switch (w.format) {
        case Format::Float:
            record.setRawValue(rid, floatBits(t.toFloat()));
            break;
        case Format::HexId: {
            uint32_t id = 0;
            record.setRawValue(rid, parseRegisterHexId(t, id) ? id : 0);
            break;
        }
        case Format::Decimal:
            record.setRawValue(rid, t.toUInt(nullptr, 10));
            break;
        case Format::ComboPlusOne:
            record.setRawValue(rid, uint32_t(t.toInt() + 1));
            break;
        case Format::ComboIndex:
            record.setRawValue(rid, uint32_t(t.toInt()));
            break;
        case Format::Label: {
            const int suffixLength = int(std::strlen(w.suffix));
            QString n = t;
            n.chop(suffixLength);
            record.setRawValue(rid, floatBits(float(double(n.toFloat()) / w.scale)));
            break;
        }
        case Format::SubVersion: // keeps the record's value
        case Format::None:
            break;
        }
    }
}

int unwritableRegister(const QHash<QString, QString> &texts, const ESC_INF &record, const QList<int> &rids,
                       const ShownParameters *shown)
{
    for (int rid : rids) {
        if (rid < 0 || rid >= ESC_INF::FieldCount || !kWidgets[rid].widget)
            continue;
        const WidgetInfo &w = kWidgets[rid];
        const QString name = QString::fromLatin1(w.widget);
        const auto it = texts.constFind(name);
        if (it == texts.constEnd())
            continue;
        // A field nobody changed carries the record's exact value; judge that value.
        const bool exact = shown && shown->unchanged(texts, name);
        const uint32_t raw = record.rawValue(rid);
        bool ok = false;
        switch (w.format) {
        case Format::Float:
            if (exact) {
                ok = std::isfinite(bitsFloat(raw));
            } else {
                const double d = it->trimmed().toDouble(&ok);
                ok = ok && std::isfinite(float(d));
            }
            break;
        case Format::HexId: {
            uint32_t id = raw;
            ok = (exact || parseRegisterHexId(*it, id)) && id <= 0x7FF;
            break;
        }
        case Format::Decimal:
            if (exact)
                ok = true;
            else
                it->trimmed().toUInt(&ok, 10);
            break;
        default: // combo boxes, labels: not typed in
            ok = true;
            break;
        }
        if (!ok)
            return rid;
    }
    return -1;
}

QList<int> writtenRegisters(bool canMode, bool longLayout)
{
    QList<int> out;
    const int count = canMode || longLayout ? ESC_INF::FieldCount : ESC_INF::ShortSize / 4;
    for (int rid = 0; rid < count; ++rid)
        if (!canMode || isCanWritableRegister(rid))
            out << rid;
    return out;
}

QStringList shortLayoutOptionalEdits() { return {"VL_clEdit", "IQ_clEdit", "V_BWEdit"}; }

QString registerValueText(const ESC_INF &record, int rid)
{
    if (rid < 0 || rid >= ESC_INF::FieldCount)
        return QString();
    const uint32_t raw = record.rawValue(rid);
    return ESC_INF::isFloatRegister(rid) ? shortestFloatText(bitsFloat(raw)) : QString::number(raw);
}

QString parameterFileText(const ESC_INF &record)
{
    QString out;
    const QMetaObject &mo = ESC_INF::staticMetaObject;
    for (int i = 0; i < mo.propertyCount(); ++i) {
        const QMetaProperty p = mo.property(i);
        QString name = QString::fromLatin1(p.name());
        if (name == QLatin1String("GREF2"))
            name = QStringLiteral("Deta");
        const QVariant v = p.readOnGadget(&record);
        const QString value = v.typeId() == QMetaType::Float ? shortestFloatText(v.toFloat()) : v.toString();
        out += name + QStringLiteral(": ") + value + QLatin1Char('\n');
    }
    return out;
}

ParamFileResult exportParameters(const QString &path, const ESC_INF &record, const QString &header)
{
    ParamFileResult r;
    QString reason;
    switch (saveFileAtomically(path, (header + parameterFileText(record)).toUtf8(), &reason)) {
    case FileSaveResult::Saved:
        r.ok = true;
        r.applied = ESC_INF::FieldCount;
        break;
    case FileSaveResult::OpenFailed:
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "无法打开文件"));
        break;
    case FileSaveResult::WriteFailed:
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "无法写入文件，原文件保持不变: %1")).arg(reason);
        break;
    }
    return r;
}

namespace {

// One "key: value" line. Returns true when stored.
bool applyLine(QString line, ESC_INF &record)
{
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList parts = line.split(QStringLiteral(": "), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return false;
    QString key = parts[0];
    if (key == QLatin1String("Deta"))
        key = QStringLiteral("GREF2");
    const QString &text = parts[1];
    if (text.isEmpty())
        return false;
    if (ESC_INF::staticMetaObject.indexOfProperty(key.toLatin1().constData()) < 0)
        return false;

    // Integers stay integers so that unsigned registers above 2^31 survive; anything
    // else that is a number (a ".", an exponent as "1e-05", inf, nan) is a double. Text
    // that is no number leaves the register alone instead of zeroing it.
    bool ok = false;
    QVariant value;
    if (!text.contains(QLatin1Char('.'))) {
        const qlonglong n = text.toLongLong(&ok, 10);
        if (ok)
            value = n;
    }
    if (!ok) {
        const double d = text.toDouble(&ok);
        // NaN or infinity in a limit or a mapping range is no setting a motor can run with.
        if (!ok || !std::isfinite(float(d)))
            return false;
        value = d;
    }
    return setPropertyValueByName(record, key, value);
}

} // namespace

ParamFileResult applyParameterText(const QString &text, ESC_INF &record)
{
    ParamFileResult r;
    r.ok = true;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break; // after the final newline
        if (isParameterCommentLine(lines[i]))
            continue; // the export's header
        if (applyLine(lines[i], record))
            ++r.applied;
        else
            ++r.skipped;
    }
    return r;
}

QList<int> parameterTextRegisters(const QString &text)
{
    QList<int> out;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        ESC_INF scratch;
        if (!applyLine(line, scratch))
            continue;
        QString key = line.section(QStringLiteral(": "), 0, 0);
        if (key == QLatin1String("Deta"))
            key = QStringLiteral("GREF2");
        const int rid = ESC_INF::staticMetaObject.indexOfProperty(key.toLatin1().constData());
        if (rid >= 0 && !out.contains(rid))
            out << rid;
    }
    return out;
}

ParamFileResult readParameterFile(const QString &path, QString &text)
{
    ParamFileResult r;
    // Opening a pipe would wait for a writer forever, and reading a huge file would freeze
    // the window: refuse both before touching the content.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "不是普通文件，未导入: %1")).arg(path);
        Logger::warning(QString("not a regular file: %1").arg(path), "importParameters");
        return r;
    }
    if (info.size() > MaxParameterFileBytes) {
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "文件过大（%1 字节），参数文件最多 %2 字节，未导入"))
                      .arg(info.size())
                      .arg(MaxParameterFileBytes);
        Logger::warning(QString("%1: %2 bytes, above the cap").arg(path).arg(info.size()), "importParameters");
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "无法打开文件"));
        Logger::warning(QString("cannot open %1: %2").arg(path, file.errorString()), "importParameters");
        return r;
    }
    // Bounded even if the file grew since it was measured.
    const QByteArray content = file.read(MaxParameterFileBytes + 1);
    if (content.size() > MaxParameterFileBytes || file.error() != QFileDevice::NoError) {
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "无法读取文件: %1")).arg(path);
        Logger::warning(QString("cannot read %1: %2").arg(path, file.errorString()), "importParameters");
        return r;
    }
    text = QString::fromUtf8(content);
    r.ok = true;
    return r;
}

ParamFileResult importParameters(const QString &path, ESC_INF &record)
{
    QString text;
    ParamFileResult r = readParameterFile(path, text);
    if (!r.ok)
        return r;
    r = applyParameterText(text, record);
    if (r.applied == 0) {
        // An empty, binary or foreign file must not pass for a parameter set of zeros.
        r.ok = false;
        r.error = trMain(QT_TRANSLATE_NOOP("MainWindow", "文件中没有可用的参数行，未做任何更改: %1")).arg(path);
    }
    if (r.skipped)
        Logger::info(QString("%1: %2 lines applied, %3 skipped").arg(path).arg(r.applied).arg(r.skipped),
                     "importParameters");
    return r;
}
