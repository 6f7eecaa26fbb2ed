#include "motor/escInf.h"

#include "log/log.h"

#include <QMetaProperty>

#include <array>
#include <cmath>
#include <cstring>

namespace {

struct Field {
    void *ptr;
    bool isFloat;
};

// The fields in register order; the property list declared in the header follows the
// same order (the tests compare the two).
template <typename R> std::array<Field, ESC_INF::FieldCount> fieldPointers(R &r)
{
    std::array<Field, ESC_INF::FieldCount> f = {{
        {(void *)&r.UV_Value, true}, {(void *)&r.KT_Value, true}, {(void *)&r.OT_Value, true},
        {(void *)&r.OC_Value, true}, {(void *)&r.ACC, true},      {(void *)&r.DEC, true},
        {(void *)&r.MAX_SPD, true},  {(void *)&r.MST_ID, false},  {(void *)&r.ESC_ID, false},
        {(void *)&r.TIMEOUT, false}, {(void *)&r.cmode, false},   {(void *)&r.Damp, true},
        {(void *)&r.Inertia, true},  {(void *)&r.hw_ver, false},  {(void *)&r.sw_ver, false},
        {(void *)&r.SN, false},      {(void *)&r.POLE, false},    {(void *)&r.Rs, true},
        {(void *)&r.Ls, true},       {(void *)&r.Flux, true},     {(void *)&r.Gr, true},
        {(void *)&r.PMAX, true},     {(void *)&r.VMAX, true},     {(void *)&r.TMAX, true},
        {(void *)&r.I_BW, true},     {(void *)&r.KP_ASR, true},   {(void *)&r.KI_ASR, true},
        {(void *)&r.KP_APR, true},   {(void *)&r.KI_APR, true},   {(void *)&r.OV_Value, true},
        {(void *)&r.GREF, true},     {(void *)&r.GREF2, true},    {(void *)&r.V_BW, true},
        {(void *)&r.IQ_cl, true},    {(void *)&r.VL_cl, true},    {(void *)&r.can_br, false},
        {(void *)&r.sub_ver, false},
    }};
    return f;
}

uint32_t readLE32(const uchar *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void writeLE32(char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

uint32_t floatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float bitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Converts a variant for an unsigned register. Integers in -2^31..2^32-1 wrap as a C
// cast would (that is what a typed-in -1 used to become); doubles are truncated
// toward zero within the same range; anything else is refused.
bool toRegisterUInt(const QVariant &v, uint &out)
{
    const qint64 lo = -2147483648LL, hi = 4294967295LL;
    auto fromDouble = [&](double d) {
        if (!std::isfinite(d) || d <= double(lo) - 1 || d >= double(hi) + 1)
            return false;
        out = uint(uint32_t(int64_t(d)));
        return true;
    };
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::LongLong: {
        const qint64 n = v.toLongLong();
        if (n < lo || n > hi)
            return false;
        out = uint(uint32_t(n));
        return true;
    }
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const quint64 n = v.toULongLong();
        if (n > quint64(hi))
            return false;
        out = uint(n);
        return true;
    }
    case QMetaType::Float:
    case QMetaType::Double:
        return fromDouble(v.toDouble());
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const qint64 n = s.toLongLong(&ok);
        if (ok) {
            if (n < lo || n > hi)
                return false;
            out = uint(uint32_t(n));
            return true;
        }
        const double d = s.toDouble(&ok);
        return ok && fromDouble(d);
    }
    default:
        return false;
    }
}

bool toRegisterFloat(const QVariant &v, float &out)
{
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            return false;
        out = float(d);
        return true;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            return false;
        out = float(d);
        return true;
    }
    }
}

int propertyIndex(const QString &name)
{
    // A NUL would cut the name short on its way to the C-string lookup.
    if (name.isEmpty() || name.contains(QChar(0)))
        return -1;
    return ESC_INF::staticMetaObject.indexOfProperty(name.toLatin1().constData());
}

} // namespace

bool ESC_INF::isFloatRegister(int rid)
{
    ESC_INF r;
    return rid >= 0 && rid < FieldCount && fieldPointers(r)[size_t(rid)].isFloat;
}

uint32_t ESC_INF::rawValue(int rid) const
{
    if (rid < 0 || rid >= FieldCount)
        return 0;
    uint32_t u;
    std::memcpy(&u, fieldPointers(*this)[size_t(rid)].ptr, 4);
    return u;
}

bool ESC_INF::setRawValue(int rid, uint32_t raw)
{
    if (rid < 0 || rid >= FieldCount)
        return false;
    std::memcpy(fieldPointers(*this)[size_t(rid)].ptr, &raw, 4);
    return true;
}

QString ESC_INF::propertyName(int rid)
{
    if (rid < 0 || rid >= FieldCount)
        return QString();
    return QString::fromLatin1(staticMetaObject.property(rid).name());
}

bool ESC_INF::operator==(const ESC_INF &other) const
{
    for (int i = 0; i < FieldCount; ++i)
        if (rawValue(i) != other.rawValue(i))
            return false;
    return true;
}

template <> ESC_INF byteToStruct<ESC_INF>(const QByteArray &bytes)
{
    uchar buf[ESC_INF::LongSize] = {};
    std::memcpy(buf, bytes.constData(), size_t(qMin<qsizetype>(bytes.size(), ESC_INF::LongSize)));
    ESC_INF r;
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
        r.setRawValue(rid, readLE32(buf + 4 * rid));
    return r;
}

template <> MotorParameter byteToStruct<MotorParameter>(const QByteArray &bytes)
{
    uchar buf[MotorParameter::Size] = {};
    std::memcpy(buf, bytes.constData(), size_t(qMin<qsizetype>(bytes.size(), MotorParameter::Size)));
    MotorParameter p;
    p.Rs = bitsFloat(readLE32(buf));
    p.Ls = bitsFloat(readLE32(buf + 4));
    p.Flux = bitsFloat(readLE32(buf + 8));
    p.Damp = bitsFloat(readLE32(buf + 12));
    p.Inertia = bitsFloat(readLE32(buf + 16));
    return p;
}

QByteArray structToBytes(const ESC_INF &record, bool longLayout)
{
    const int size = longLayout ? ESC_INF::LongSize : ESC_INF::ShortSize;
    QByteArray out(size, '\0');
    for (int rid = 0; rid < size / 4; ++rid)
        writeLE32(out.data() + 4 * rid, record.rawValue(rid));
    return out;
}

QVariant getPropertyValueByName(const ESC_INF &record, const QString &name)
{
    const int i = propertyIndex(name);
    if (i < 0)
        return QVariant();
    return ESC_INF::staticMetaObject.property(i).readOnGadget(&record);
}

bool setPropertyValueByName(ESC_INF &record, const QString &name, const QVariant &value)
{
    const int i = propertyIndex(name);
    if (i < 0)
        return false;
    if (ESC_INF::isFloatRegister(i)) {
        float f;
        if (!toRegisterFloat(value, f)) {
            Logger::warning(QString("refused value %1 for %2").arg(value.toString(), name), "setPropertyValueByName");
            return false;
        }
        record.setRawValue(i, floatBits(f));
    } else {
        uint u;
        if (!toRegisterUInt(value, u)) {
            Logger::warning(QString("refused value %1 for %2").arg(value.toString(), name), "setPropertyValueByName");
            return false;
        }
        record.setRawValue(i, u);
    }
    return true;
}

void registerEscInfMetaTypes()
{
    qRegisterMetaType<ESC_INF>("ESC_INF");
    qRegisterMetaType<MotorParameter>("MotorParameter");
}
