// The parameter record: register order, byte layouts and access by name.
#include "motor/escInf.h"

#include <QMetaProperty>
#include <QtTest>

#include <cstring>
#include <limits>

namespace {

const char *const kNames[ESC_INF::FieldCount] = {
    "UV_Value", "KT_Value", "OT_Value", "OC_Value", "ACC",    "DEC",    "MAX_SPD", "MST_ID", "ESC_ID", "TIMEOUT",
    "cmode",    "Damp",     "Inertia",  "hw_ver",   "sw_ver", "SN",     "POLE",    "Rs",     "Ls",     "Flux",
    "Gr",       "PMAX",     "VMAX",     "TMAX",     "I_BW",   "KP_ASR", "KI_ASR",  "KP_APR", "KI_APR", "OV_Value",
    "GREF",     "GREF2",    "V_BW",     "IQ_cl",    "VL_cl",  "can_br", "sub_ver"};
const int kUIntRids[] = {7, 8, 9, 10, 13, 14, 15, 16, 35, 36};

bool isUInt(int rid) { return std::find(std::begin(kUIntRids), std::end(kUIntRids), rid) != std::end(kUIntRids); }

// 148 bytes whose field i holds the little-endian value 0xA0B0C000 + i.
QByteArray patternBytes(int size = ESC_INF::LongSize)
{
    QByteArray b;
    for (int i = 0; i < 37; ++i) {
        const uint32_t v = 0xA0B0C000u + uint32_t(i);
        for (int k = 0; k < 4; ++k)
            b.append(char((v >> (8 * k)) & 0xFF));
    }
    return b.left(size);
}

} // namespace

class TestEscInf : public QObject
{
    Q_OBJECT

private slots:
    // Register number = property index, with the table's types; the field behind each
    // property is the one the byte layout fills.
    void registerOrder()
    {
        const QMetaObject &mo = ESC_INF::staticMetaObject;
        QCOMPARE(mo.propertyCount(), 37);
        for (int rid = 0; rid < 37; ++rid) {
            const QMetaProperty p = mo.property(rid);
            QCOMPARE(QString(p.name()), QString(kNames[rid]));
            QCOMPARE(p.metaType().id(), isUInt(rid) ? int(QMetaType::UInt) : int(QMetaType::Float));
            QCOMPARE(ESC_INF::isFloatRegister(rid), !isUInt(rid));
            QCOMPARE(ESC_INF::propertyName(rid), QString(kNames[rid]));

            ESC_INF r;
            r.setRawValue(rid, 0x40490FDB); // pi as a float, 1078530011 as an integer
            const QVariant v = p.readOnGadget(&r);
            if (isUInt(rid))
                QCOMPARE(v.toUInt(), 1078530011u);
            else
                QCOMPARE(v.toFloat(), 3.14159274f);
            for (int other = 0; other < 37; ++other)
                if (other != rid)
                    QCOMPARE(r.rawValue(other), 0u);
        }
        QVERIFY(ESC_INF::propertyName(37).isEmpty());
        ESC_INF r;
        QVERIFY(!r.setRawValue(37, 1));
        QVERIFY(!r.setRawValue(-1, 1));
        QCOMPARE(r.rawValue(37), 0u);
    }

    void byteToStruct_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fullFields"); // fields taken whole from the bytes
        QTest::addColumn<uint>("partial");   // value of the next field (0 when none)
        QTest::newRow("long block") << patternBytes() << 37 << 0u;
        QTest::newRow("short block") << patternBytes(128) << 32 << 0u;
        QTest::newRow("longer than the record") << patternBytes() + QByteArray(20, '\x77') << 37 << 0u;
        QTest::newRow("partial field") << patternBytes(130) << 32 << 0xC020u;
        QTest::newRow("empty") << QByteArray() << 0 << 0u;
        QTest::newRow("one byte") << QByteArray("\x05", 1) << 0 << 5u;
    }
    void byteToStruct()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fullFields);
        QFETCH(uint, partial);
        const ESC_INF r = ::byteToStruct<ESC_INF>(bytes);
        for (int rid = 0; rid < 37; ++rid) {
            const uint expected = rid < fullFields ? 0xA0B0C000u + uint(rid) : rid == fullFields ? partial : 0u;
            QCOMPARE(r.rawValue(rid), expected);
        }
    }

    void littleEndianFields()
    {
        QByteArray b(148, '\0');
        const char uv[] = {0x00, 0x00, 0x20, 0x41}; // 10.0f
        std::memcpy(b.data(), uv, 4);
        b[16 * 4] = 14; // POLE
        b[35 * 4] = 4;  // can_br
        b[36 * 4 + 0] = '1';
        b[36 * 4 + 3] = '4';
        const ESC_INF r = ::byteToStruct<ESC_INF>(b);
        QCOMPARE(r.UV_Value, 10.0f);
        QCOMPARE(r.POLE, 14u);
        QCOMPARE(r.can_br, 4u);
        QCOMPARE(r.sub_ver, 0x34000031u);
    }

    void structToBytes_data()
    {
        QTest::addColumn<bool>("longLayout");
        QTest::addColumn<int>("size");
        QTest::newRow("long") << true << 148;
        QTest::newRow("short") << false << 128;
    }
    void structToBytes()
    {
        QFETCH(bool, longLayout);
        QFETCH(int, size);
        const ESC_INF r = ::byteToStruct<ESC_INF>(patternBytes());
        const QByteArray b = ::structToBytes(r, longLayout);
        QCOMPARE(b.size(), size);
        QCOMPARE(b, patternBytes(size));
        const ESC_INF back = ::byteToStruct<ESC_INF>(b);
        for (int rid = 0; rid < 37; ++rid)
            QCOMPARE(back.rawValue(rid), rid < size / 4 ? r.rawValue(rid) : 0u);
    }

    void motorParameter_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<float>("inertia");
        QByteArray b;
        for (float f : {0.123f, 0.00025f, 0.01f, 0.5f, 2.0f}) {
            char raw[4];
            std::memcpy(raw, &f, 4);
            b.append(raw, 4);
        }
        QTest::newRow("20 bytes") << b << 2.0f;
        QTest::newRow("19 bytes leave the top byte zero") << b.left(19) << 0.0f;
    }
    void motorParameter()
    {
        QFETCH(QByteArray, bytes);
        const MotorParameter p = ::byteToStruct<MotorParameter>(bytes);
        QCOMPARE(p.Rs, 0.123f);
        QCOMPARE(p.Ls, 0.00025f);
        QCOMPARE(p.Flux, 0.01f);
        QCOMPARE(p.Damp, 0.5f);
        QTEST(p.Inertia, "inertia");
    }

    void setByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("raw"); // the field's bits afterwards (it starts as 0x12345678)
        auto fbits = [](float f) {
            uint u;
            std::memcpy(&u, &f, 4);
            return u;
        };
        QTest::newRow("POLE int") << "POLE" << QVariant(14) << true << 14u;
        QTest::newRow("Gr int becomes float") << "Gr" << QVariant(6) << true << fbits(6.0f);
        QTest::newRow("Gr double") << "Gr" << QVariant(6.5) << true << fbits(6.5f);
        QTest::newRow("Rs text") << "Rs" << QVariant("0.5") << true << fbits(0.5f);
        QTest::newRow("float NaN") << "PMAX" << QVariant(std::numeric_limits<double>::quiet_NaN()) << true
                                   << fbits(std::numeric_limits<float>::quiet_NaN());
        QTest::newRow("SN above 2^31") << "SN" << QVariant(qlonglong(4000000000LL)) << true << 4000000000u;
        QTest::newRow("negative wraps") << "can_br" << QVariant(-1) << true << 0xFFFFFFFFu;
        QTest::newRow("double truncates") << "POLE" << QVariant(14.9) << true << 14u;
        QTest::newRow("above 32 bits refused") << "SN" << QVariant(qlonglong(4294967296LL)) << false << 0x12345678u;
        QTest::newRow("huge double refused") << "POLE" << QVariant(1e20) << false << 0x12345678u;
        QTest::newRow("NaN refused for uint") << "POLE" << QVariant(std::numeric_limits<double>::quiet_NaN())
                                              << false << 0x12345678u;
        QTest::newRow("text refused") << "POLE" << QVariant("abc") << false << 0x12345678u;
        QTest::newRow("text refused for float") << "Gr" << QVariant("abc") << false << 0x12345678u;
        QTest::newRow("invalid variant refused") << "Gr" << QVariant() << false << 0x12345678u;
    }
    void setByName()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(uint, raw);
        ESC_INF r;
        const int rid = ESC_INF::staticMetaObject.indexOfProperty(name.toLatin1());
        QVERIFY(rid >= 0);
        r.setRawValue(rid, 0x12345678);
        const ESC_INF before = r;
        QCOMPARE(setPropertyValueByName(r, name, value), accepted);
        QCOMPARE(r.rawValue(rid), raw);
        for (int other = 0; other < 37; ++other)
            if (other != rid)
                QCOMPARE(r.rawValue(other), before.rawValue(other));
        if (accepted)
            QCOMPARE(getPropertyValueByName(r, name).metaType().id(),
                     ESC_INF::isFloatRegister(rid) ? int(QMetaType::Float) : int(QMetaType::UInt));
    }

    void unknownNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no such register") << "Foo";
        QTest::newRow("wrong case") << "pole";
        QTest::newRow("export alias") << "Deta"; // only the file format knows it
        QTest::newRow("empty") << "";
        QTest::newRow("non-Latin") << "极对数";
    }
    void unknownNames()
    {
        QFETCH(QString, name);
        ESC_INF r = ::byteToStruct<ESC_INF>(patternBytes());
        const ESC_INF before = r;
        QVERIFY(!getPropertyValueByName(r, name).isValid());
        QVERIFY(!setPropertyValueByName(r, name, 1));
        QVERIFY(r == before);
    }

    // Records travel through queued signals.
    void metaType()
    {
        registerEscInfMetaTypes();
        QVERIFY(QMetaType::fromName("ESC_INF").isValid());
        QVERIFY(QMetaType::fromName("MotorParameter").isValid());
        ESC_INF r;
        r.POLE = 7;
        const QVariant v = QVariant::fromValue(r);
        QCOMPARE(v.value<ESC_INF>().POLE, 7u);
    }
};

QTEST_GUILESS_MAIN(TestEscInf)
#include "tst_escinf.moc"
