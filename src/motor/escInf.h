#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>

#include <cstdint>

// The motor controller's parameter record: 37 four-byte registers in register order.
// The property index is the register number (RID), which is what export, import, chat
// commands and the register frames rely on; do not reorder or insert properties.
// Floats are IEEE-754 single precision, the others unsigned 32-bit; on the wire and in
// the console block every field is little-endian.
class ESC_INF
{
    Q_GADGET
    Q_PROPERTY(float UV_Value MEMBER UV_Value)
    Q_PROPERTY(float KT_Value MEMBER KT_Value)
    Q_PROPERTY(float OT_Value MEMBER OT_Value)
    Q_PROPERTY(float OC_Value MEMBER OC_Value)
    Q_PROPERTY(float ACC MEMBER ACC)
    Q_PROPERTY(float DEC MEMBER DEC)
    Q_PROPERTY(float MAX_SPD MEMBER MAX_SPD)
    Q_PROPERTY(uint MST_ID MEMBER MST_ID)
    Q_PROPERTY(uint ESC_ID MEMBER ESC_ID)
    Q_PROPERTY(uint TIMEOUT MEMBER TIMEOUT)
    Q_PROPERTY(uint cmode MEMBER cmode)
    Q_PROPERTY(float Damp MEMBER Damp)
    Q_PROPERTY(float Inertia MEMBER Inertia)
    Q_PROPERTY(uint hw_ver MEMBER hw_ver)
    Q_PROPERTY(uint sw_ver MEMBER sw_ver)
    Q_PROPERTY(uint SN MEMBER SN)
    Q_PROPERTY(uint POLE MEMBER POLE)
    Q_PROPERTY(float Rs MEMBER Rs)
    Q_PROPERTY(float Ls MEMBER Ls)
    Q_PROPERTY(float Flux MEMBER Flux)
    Q_PROPERTY(float Gr MEMBER Gr)
    Q_PROPERTY(float PMAX MEMBER PMAX)
    Q_PROPERTY(float VMAX MEMBER VMAX)
    Q_PROPERTY(float TMAX MEMBER TMAX)
    Q_PROPERTY(float I_BW MEMBER I_BW)
    Q_PROPERTY(float KP_ASR MEMBER KP_ASR)
    Q_PROPERTY(float KI_ASR MEMBER KI_ASR)
    Q_PROPERTY(float KP_APR MEMBER KP_APR)
    Q_PROPERTY(float KI_APR MEMBER KI_APR)
    Q_PROPERTY(float OV_Value MEMBER OV_Value)
    Q_PROPERTY(float GREF MEMBER GREF)
    Q_PROPERTY(float GREF2 MEMBER GREF2)
    Q_PROPERTY(float V_BW MEMBER V_BW)
    Q_PROPERTY(float IQ_cl MEMBER IQ_cl)
    Q_PROPERTY(float VL_cl MEMBER VL_cl)
    Q_PROPERTY(uint can_br MEMBER can_br)
    Q_PROPERTY(uint sub_ver MEMBER sub_ver)

public:
    static constexpr int FieldCount = 37;
    static constexpr int LongSize = 148;  // RIDs 0..36
    static constexpr int ShortSize = 128; // RIDs 0..31

    float UV_Value = 0;
    float KT_Value = 0;
    float OT_Value = 0;
    float OC_Value = 0;
    float ACC = 0;
    float DEC = 0;
    float MAX_SPD = 0;
    uint MST_ID = 0;
    uint ESC_ID = 0;
    uint TIMEOUT = 0;
    uint cmode = 0;
    float Damp = 0;
    float Inertia = 0;
    uint hw_ver = 0;
    uint sw_ver = 0;
    uint SN = 0;
    uint POLE = 0;
    float Rs = 0;
    float Ls = 0;
    float Flux = 0;
    float Gr = 0;
    float PMAX = 0;
    float VMAX = 0;
    float TMAX = 0;
    float I_BW = 0;
    float KP_ASR = 0;
    float KI_ASR = 0;
    float KP_APR = 0;
    float KI_APR = 0;
    float OV_Value = 0;
    float GREF = 0;
    float GREF2 = 0;
    float V_BW = 0;
    float IQ_cl = 0;
    float VL_cl = 0;
    uint can_br = 0;
    uint sub_ver = 0;

    // Register access by number. rawValue gives the field's 32 bits (a float's bit
    // pattern); an RID outside 0..36 gives 0 and setRawValue returns false.
    static bool isFloatRegister(int rid);
    uint32_t rawValue(int rid) const;
    bool setRawValue(int rid, uint32_t raw);
    static QString propertyName(int rid); // empty outside 0..36

    bool operator==(const ESC_INF &other) const; // bitwise, so NaN fields compare too
    bool operator!=(const ESC_INF &other) const { return !(*this == other); }
};
Q_DECLARE_METATYPE(ESC_INF)

// Identified motor parameters: five floats, in this order on the wire.
struct MotorParameter
{
    float Rs = 0;      // phase resistance, ohm
    float Ls = 0;      // phase inductance, H
    float Flux = 0;    // flux linkage, Wb
    float Damp = 0;    // viscous friction coefficient
    float Inertia = 0; // kg*m2
    static constexpr int Size = 20;
};
Q_DECLARE_METATYPE(MotorParameter)

// A zero-filled record into which the first min(size, sizeof record) bytes are copied,
// read field by field as little-endian. A field the bytes only partly cover keeps the
// covered low bytes and zero above.
template <typename T> T byteToStruct(const QByteArray &bytes);
template <> ESC_INF byteToStruct<ESC_INF>(const QByteArray &bytes);
template <> MotorParameter byteToStruct<MotorParameter>(const QByteArray &bytes);

// The record as the console write block carries it: 148 bytes (RIDs 0..36) with the
// long layout, else the first 128 bytes (RIDs 0..31).
QByteArray structToBytes(const ESC_INF &record, bool longLayout = true);

// Reflective access by property name. An unknown name gives an invalid QVariant and
// leaves the record alone. The value is converted to the property's type; a negative
// integer wraps into an unsigned register as a C cast would. A value that has no such
// conversion (text that is no number, NaN or a number beyond -2^31..2^32-1 for an
// unsigned register) is refused with a log line and leaves the field alone.
QVariant getPropertyValueByName(const ESC_INF &record, const QString &name);
bool setPropertyValueByName(ESC_INF &record, const QString &name, const QVariant &value);

// Registers the meta-types for queued signals; idempotent.
void registerEscInfMetaTypes();
