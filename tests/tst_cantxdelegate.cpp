#include "can/canTxModel.h"
#include "can/ui/canTxDelegate.h"
#include "link/serial/baudLists.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class TestCANTxDelegate : public QObject
{
    Q_OBJECT

private slots:
    void setupComboBox_data();
    void setupComboBox();
    void comboBoxRoundTrip();
    void comboBoxUnknownValueLeavesSelection();
    void lineEdit_data();
    void lineEdit();
    void checkBoxAndSwitch();
    void nullWidgetsAreIgnored();
};

void TestCANTxDelegate::setupComboBox_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QVariantList>("values");

    QStringList baudTexts;
    QVariantList baudValues;
    for (int kbps : CANBaudList) {
        baudTexts << QString::number(kbps);
        baudValues << kbps;
    }
    QTest::newRow("bit rates") << 0 << baudTexts << baudValues;
    QTest::newRow("id type") << 6 << QStringList{"标准帧", "扩展帧"} << QVariantList{0, 1};
    QTest::newRow("frame type") << 7 << QStringList{"数据帧", "远程帧"} << QVariantList{0, 1};
    QTest::newRow("no choices") << 4 << QStringList{} << QVariantList{};
}

void TestCANTxDelegate::setupComboBox()
{
    QFETCH(int, column);
    QFETCH(QStringList, texts);
    QFETCH(QVariantList, values);

    CANTxModel model;
    CANTxDelegate delegate(&model);
    QComboBox box;
    box.addItem("stale", 99);
    delegate.setupComboBox(&box, column);
    delegate.setupComboBox(&box, column);   // a second fill replaces, never appends

    QCOMPARE(box.count(), texts.size());
    for (int i = 0; i < box.count(); ++i) {
        QCOMPARE(box.itemText(i), texts.at(i));
        QCOMPARE(box.itemData(i).toInt(), values.at(i).toInt());
    }
    if (column == 0) {
        QCOMPARE(box.itemText(0), QString("1000"));
        QCOMPARE(box.itemData(13).toInt(), 5);
    }
}

void TestCANTxDelegate::comboBoxRoundTrip()
{
    CANTxModel model;
    CANTxDelegate delegate(&model);
    QComboBox baud, idType;
    delegate.setupComboBox(&baud, 0);
    delegate.setupComboBox(&idType, 6);

    delegate.setComboBoxData(&baud, 250, 0);
    QCOMPARE(baud.currentText(), QString("250"));
    QCOMPARE(delegate.getComboBoxData(&baud, 0).toInt(), 250);

    // The record holds the ID type as an unsigned byte; it must still find the entry.
    model.setCanIdType(1);
    delegate.setComboBoxData(&idType, uint(model.canIdType()), 6);
    QCOMPARE(idType.currentText(), QString("扩展帧"));
    QCOMPARE(delegate.getComboBoxData(&idType, 6).toInt(), 1);
}

void TestCANTxDelegate::comboBoxUnknownValueLeavesSelection()
{
    CANTxModel model;
    CANTxDelegate delegate(&model);
    QComboBox baud;
    delegate.setupComboBox(&baud, 0);
    delegate.setComboBoxData(&baud, 500, 0);
    QSignalSpy spy(&baud, &QComboBox::currentIndexChanged);

    delegate.setComboBoxData(&baud, 123, 0);
    delegate.setComboBoxData(&baud, QVariant(), 0);
    delegate.setComboBoxData(&baud, "fast", 0);
    QCOMPARE(baud.currentText(), QString("500"));
    QCOMPARE(spy.count(), 0);

    QComboBox empty;
    QVERIFY(!delegate.getComboBoxData(&empty, 0).isValid());
}

void TestCANTxDelegate::lineEdit_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("unsigned") << QVariant(4294967295u) << QString("4294967295");
    QTest::newRow("unsigned zero") << QVariant(0u) << QString("0");
    QTest::newRow("string as it is") << QVariant(QString("7FF")) << QString("7FF");
    QTest::newRow("empty string") << QVariant(QString()) << QString();
    QTest::newRow("invalid clears") << QVariant() << QString();
    QTest::newRow("other type clears") << QVariant(QByteArray("ab")) << QString();
    QTest::newRow("double clears") << QVariant(1.5) << QString();
}

void TestCANTxDelegate::lineEdit()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    CANTxModel model;
    CANTxDelegate delegate(&model);
    QLineEdit edit("old text");
    delegate.setLineEditData(&edit, value);
    QCOMPARE(edit.text(), text);
    QCOMPARE(delegate.getLineEditData(&edit), text);
}

void TestCANTxDelegate::checkBoxAndSwitch()
{
    CANTxModel model;
    CANTxDelegate delegate(&model);

    QCheckBox check;
    delegate.setCheckBoxData(&check, true);
    QVERIFY(check.isChecked());
    QVERIFY(delegate.getCheckBoxData(&check));
    delegate.setCheckBoxData(&check, false);
    QVERIFY(!delegate.getCheckBoxData(&check));

    SwitchButton sw;
    QSignalSpy spy(&sw, &SwitchButton::statusChanged);
    delegate.setSwitchButtonData(&sw, true);
    QVERIFY(delegate.getSwitchButtonData(&sw));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    delegate.setSwitchButtonData(&sw, true);
    QCOMPARE(spy.count(), 1);
    delegate.setSwitchButtonData(&sw, false);
    QVERIFY(!delegate.getSwitchButtonData(&sw));
}

void TestCANTxDelegate::nullWidgetsAreIgnored()
{
    CANTxModel model;
    CANTxDelegate delegate(&model);
    delegate.setupComboBox(nullptr, 0);
    delegate.setComboBoxData(nullptr, 1, 0);
    delegate.setLineEditData(nullptr, 1u);
    delegate.setCheckBoxData(nullptr, true);
    delegate.setSwitchButtonData(nullptr, true);
    QVERIFY(!delegate.getComboBoxData(nullptr, 0).isValid());
    QCOMPARE(delegate.getLineEditData(nullptr), QString());
    QVERIFY(!delegate.getCheckBoxData(nullptr));
    QVERIFY(!delegate.getSwitchButtonData(nullptr));
}

QTEST_MAIN(TestCANTxDelegate)
#include "tst_cantxdelegate.moc"
