// The parameter tab end to end: read, write and save of the whole record through the
// serial adapter (CAN register frames) and through the motor's console (record
// blocks), against the simulated motor; export and import of the parameter file; and
// the field checks of the tab.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "procedures/customCDC.h"
#include "log/log.h"
#include "motor/paramRegisters.h"
#include "motor/ui/paramWidgets.h"
#include "simWindow.h"
#include "widgets/customTabBar.h"
#include "widgets/dialogService.h"
#include "widgets/switchbutton.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <algorithm>

namespace {
// Every widget of the register table.
QStringList registerWidgets()
{
    QStringList out;
    for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
        if (!registerWidgetName(rid).isEmpty())
            out << registerWidgetName(rid);
    return out;
}
} // namespace

class TestParameters : public QObject
{
    Q_OBJECT

    QTemporaryDir logDir;
    QTemporaryDir files;
    SimWindow sw;

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }
    QHash<QString, QString> shownTexts() const { return readWidgetTexts(ui()->tab_Parameters, registerWidgets()); }

    // What the tab must show for the simulator's registers.
    QHash<QString, QString> expectedTexts(bool longLayout) const
    {
        const ESC_INF rec = byteToStruct<ESC_INF>(sw.motor()->recordBytes(SimMotor::Layout::Long));
        return recordToWidgetTexts(rec, longLayout);
    }

    void start(SimSerialAdapter::Mode mode, SimMotor::Layout layout = SimMotor::Layout::Long)
    {
        QString error;
        QVERIFY2(sw.start(mode, layout, &error), qPrintable(error));
        // Values unlike the simulator's defaults, so that nothing passes by accident.
        QVERIFY(sw.motor()->setRegister("ACC", 12.25f));
        QVERIFY(sw.motor()->setRegister("PMAX", 3.14f));
        QVERIFY(sw.motor()->setRegister("cmode", 3u));
        QVERIFY(sw.motor()->setRegister("can_br", 3u));
        QVERIFY(sw.motor()->setRegister("TIMEOUT", 200u));
        QVERIFY(sw.motor()->setRegister("V_BW", 150.0f));
        QVERIFY(sw.open());
    }

    void readAll()
    {
        QSignalSpy shown(w(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 3000);
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }
    void cleanup() { sw.stop(); }

    // A port that goes away in the middle of a register walk ends the walk: no time-out
    // box follows the disconnect notice.
    void vanishingPortEndsTheRegisterWalk()
    {
        start(SimSerialAdapter::Adapter);
        sw.adapter()->setDropAll(true); // no replies: the walk waits for each one
        ui()->ReadAllParam->click();
        QTRY_VERIFY(w()->link()->registerSequence().running());
        sw.adapter()->closePort();
        QTRY_VERIFY_WITH_TIMEOUT(!w()->isPortOpen(), 10000);
        QVERIFY(!w()->link()->registerSequence().running());
        QTest::qWait(2 * RegisterSequence::ReplyTimeoutMs);
        QVERIFY(!shownMessages().contains(6));
    }

    void readAllFillsEveryWidget_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("longLayout");
        QTest::newRow("CAN registers") << int(SimSerialAdapter::Adapter) << int(SimMotor::Layout::Long) << true;
        QTest::newRow("console, 148 bytes") << int(SimSerialAdapter::Console) << int(SimMotor::Layout::Long) << true;
        QTest::newRow("console, 128 bytes") << int(SimSerialAdapter::Console) << int(SimMotor::Layout::Short) << false;
    }

    void readAllFillsEveryWidget()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(bool, longLayout);
        start(SimSerialAdapter::Mode(mode), SimMotor::Layout(layout));
        readAll();
        QCOMPARE(bool(w()->link()->longParamFormat), longLayout);

        const QHash<QString, QString> expected = expectedTexts(longLayout);
        const QHash<QString, QString> shown = shownTexts();
        for (const QString &name : registerWidgets()) {
            if (expected.contains(name))
                QCOMPARE(shown.value(name), expected.value(name));
            else // the long-layout fields stay empty after a short block
                QVERIFY2(shown.value(name).isEmpty() || shown.value(name) == "-1", qPrintable(name));
        }
        // A few formats spelled out.
        QCOMPARE(ui()->MST_IDEdit->text(), QString("0x11"));
        QCOMPARE(ui()->ACCEdit->text(), QString("12.25"));
        QCOMPARE(ui()->RsLabel->text(), QString("315 mR"));
        QCOMPARE(ui()->comboBox_ctrMode->currentIndex(), 2);
        QCOMPARE(ui()->comboBox_canBaud->currentText(), longLayout ? QString("500K") : QString());
        QCOMPARE(ui()->V_BWEdit->text(), longLayout ? QString("150") : QString());

        // The control panel follows the registers: mode tab and the position range.
        QCOMPARE(ui()->ctrModeTabBar->currentIndex(), 2);
        QCOMPARE(w()->mappingRanges().position.max, 3.14f);
        QCOMPARE(w()->mappingRanges().position.min, -3.14f);
        for (const char *name : {"POS_MAXLabel", "POS_MAXLabel_2", "POS_MAXLabel_3", "POS_MAXLabel_4"})
            QCOMPARE(rangeLabelText(ui()->controlPanel->findChild<QLabel *>(name)), QString("MAX\n3.14"));
        QCOMPARE(rangeLabelText(ui()->controlPanel->findChild<QLabel *>("TOR_MINLabel_3")), QString("MIN\n-10"));
        QVERIFY(ui()->paramWarningLabel->text().isEmpty());
        QCOMPARE(ui()->masteridEdit->text(), QString("11"));
        QVERIFY(shownMessages().isEmpty());

        const QString shot = qEnvironmentVariable("ZK_SCREENSHOT_DIR");
        if (!shot.isEmpty() && mode == SimSerialAdapter::Adapter) {
            ui()->tabWidget->setCurrentWidget(ui()->tab_Parameters);
            QTest::qWait(200);
            QVERIFY(w()->grab().save(shot + "/parameter_tab.png"));
        }
    }

    // Edit, write: the simulator's registers change and message 7 is shown. Over CAN the
    // save frame follows the last register.
    void writeChangesTheMotor_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("CAN registers") << int(SimSerialAdapter::Adapter);
        QTest::newRow("console block") << int(SimSerialAdapter::Console);
    }

    void writeChangesTheMotor()
    {
        QFETCH(int, mode);
        start(SimSerialAdapter::Mode(mode));
        readAll();
        const int savesBefore = sw.motor()->saveCount();
        ui()->ACCEdit->setText("7.5");
        ui()->PMAXEdit->setText("6.5");
        ui()->KP_ASREdit->setText("0.04");
        ui()->TIMEOUTEdit->setText("400");
        ui()->comboBox_ctrMode->setCurrentIndex(1);
        ui()->comboBox_canBaud->setCurrentIndex(4);
        ui()->WriteAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{7}, 3000);
        // The write counts as done a few replies before the last registers (can_br is
        // near the end) have been sent; give those frames their moment on the bus.
        QTRY_COMPARE(sw.motor()->registerValue("can_br").toUInt(), 4u);
        QCOMPARE(sw.motor()->registerValue("ACC").toFloat(), 7.5f);
        QCOMPARE(sw.motor()->registerValue("PMAX").toFloat(), 6.5f);
        QCOMPARE(sw.motor()->registerValue("KP_ASR").toFloat(), 0.04f);
        QCOMPARE(sw.motor()->registerValue("TIMEOUT").toUInt(), 400u);
        QCOMPARE(sw.motor()->registerValue("cmode").toUInt(), 2u);
        QCOMPARE(sw.motor()->registerValue("can_br").toUInt(), 4u);
        QCOMPARE(sw.motor()->registerValue("OV_Value").toFloat(), 32.0f); // untouched, written back as read
        if (mode == SimSerialAdapter::Adapter) {
            QTRY_COMPARE(sw.motor()->saveCount(), savesBefore + 1);
            QCOMPARE(sw.motor()->savedRegisterRaw(SimMotor::registerIndex("ACC")),
                     sw.motor()->registerRaw(SimMotor::registerIndex("ACC")));
            const SimCanFrame save = sw.adapter()->busFrames().last();
            QCOMPARE(save.id, 0x7FFu);
            QCOMPARE(save.data, QByteArray::fromHex("0100AA0000000000"));
        }
        QTest::qWait(100);
        QCOMPARE(shownMessages(), QList<int>{7}); // the surplus replies complete nothing
    }

    // A 130-byte console answer means the short layout: the next write sends 3 + 128
    // bytes and does not ask for the three long-layout edits.
    void shortConsoleAnswerClearsLongLayout()
    {
        start(SimSerialAdapter::Console, SimMotor::Layout::Short);
        w()->link()->longParamFormat = true; // as after an earlier long read
        readAll();
        QVERIFY(!w()->link()->longParamFormat);
        QVERIFY(ui()->V_BWEdit->text().isEmpty());
        QVERIFY(ui()->IQ_clEdit->text().isEmpty());
        QVERIFY(ui()->VL_clEdit->text().isEmpty());

        ui()->GrEdit->setText("9");
        const quint64 before = sw.adapter()->stats().consoleBytes;
        ui()->WriteAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{7}, 3000);
        // The read the diff compares with (0x1B, "s", 55 67 AA), then 0x1B (leave motor
        // mode), "s", 55 67 55 and the 128 record bytes.
        const quint64 sent = (1 + 1 + 3) + (1 + 1 + 3 + 128);
        QTRY_COMPARE(sw.adapter()->stats().consoleBytes - before, sent);
        QCOMPARE(sw.motor()->registerValue("Gr").toFloat(), 9.0f);
        QTest::qWait(100);
        QCOMPARE(sw.adapter()->stats().consoleBytes - before, sent);
    }

    void canReadWithoutRepliesEndsInMessageSix()
    {
        start(SimSerialAdapter::Adapter);
        sw.adapter()->setDropAll(true);
        QSignalSpy shown(w(), &MainWindow::ParametersChanged);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{6}, 3000);
        QTRY_COMPARE(sw.adapter()->stats().framesReceived, quint64(37));
        QCOMPARE(shown.count(), 0);
        QVERIFY(ui()->ACCEdit->text().isEmpty());
        // Replies that arrive after the time-out complete nothing.
        sw.adapter()->setDropAll(false);
        QTest::qWait(200);
        QCOMPARE(shownMessages(), QList<int>{6});
    }

    void consoleReadWithoutAnswerEndsInMessageSix()
    {
        start(SimSerialAdapter::Console);
        sw.adapter()->setDropAll(true);
        ui()->ReadAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{6}, 3000);
        QVERIFY(!w()->link()->paramReading);
        QVERIFY(ui()->ACCEdit->text().isEmpty());
    }

    void buttonsRefuseWithoutIdsFieldsOrPort_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("message");
        QTest::newRow("read, empty CAN ID") << "ReadAllParam" << "no id" << 3;
        QTest::newRow("write, empty CAN ID") << "WriteAllParam" << "no id" << 3;
        QTest::newRow("save, empty CAN ID") << "StoreAllParam" << "no id" << 3;
        QTest::newRow("write, empty fields") << "WriteAllParam" << "open" << 4;
        QTest::newRow("read, port closed") << "ReadAllParam" << "closed" << 0;
        QTest::newRow("save, port closed") << "StoreAllParam" << "closed" << 0;
    }

    void buttonsRefuseWithoutIdsFieldsOrPort()
    {
        QFETCH(QString, button);
        QFETCH(QString, situation);
        QFETCH(int, message);
        start(SimSerialAdapter::Adapter);
        if (situation == "no id")
            ui()->canidEdit->clear();
        if (situation == "closed")
            ui()->btn_comSwitch->click();
        const quint64 before = sw.adapter()->stats().framesReceived + sw.adapter()->stats().stopRequests;
        w()->findChild<QPushButton *>(button)->click();
        QTest::qWait(150); // past the 100 ms before register operations
        QCOMPARE(shownMessages(), QList<int>{message});
        QCOMPARE(sw.adapter()->stats().framesReceived + sw.adapter()->stats().stopRequests, before);
    }

    void storeSaves_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("CAN save frame") << int(SimSerialAdapter::Adapter);
        QTest::newRow("console s") << int(SimSerialAdapter::Console);
    }

    void storeSaves()
    {
        QFETCH(int, mode);
        start(SimSerialAdapter::Mode(mode));
        const int before = sw.motor()->saveCount();
        ui()->StoreAllParam->click();
        const QList<DialogService::Request> history = DialogService::history();
        QVERIFY(std::any_of(history.cbegin(), history.cend(), [](const auto &r) { return r.text.contains("Flash"); }));
        QTRY_COMPARE(sw.motor()->saveCount(), before + 1);
        QCOMPARE(sw.motor()->savedRegisterRaw(SimMotor::registerIndex("ACC")),
                 sw.motor()->registerRaw(SimMotor::registerIndex("ACC")));
        QVERIFY(shownMessages().isEmpty());
    }

    void exportThenImportRestoresEveryField()
    {
        start(SimSerialAdapter::Adapter);
        readAll();
        ui()->GREF2Edit->setText("0.25"); // an edit not yet written counts too
        const QHash<QString, QString> before = shownTexts();

        sw.savePath = files.filePath("params.txt");
        ui()->ExportParam->click();
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(shownBoxes().last().first, QString("导出成功"));
        QCOMPARE(shownBoxes().last().second, QString("数据已成功导出到: %1").arg(sw.savePath));
        QFile f(sw.savePath);
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        const QByteArray text = f.readAll();
        f.close();
        QList<QByteArray> lines = text.trimmed().split('\n');
        QVERIFY(lines.first().startsWith("# zktool "));
        lines.removeIf([](const QByteArray &l) { return l.startsWith('#'); }); // the header the import skips
        QCOMPARE(lines.size(), 37);
        QVERIFY(lines.first().startsWith("UV_Value: "));
        QVERIFY(text.contains("\nDeta: 0.25\n"));
        QVERIFY(!text.contains("GREF2"));

        sw.questionAnswer = QMessageBox::Yes; // Clear asks: the page holds an unwritten edit
        w()->on_actClear_triggered();
        for (const QString &name : registerWidgets())
            QVERIFY2(shownTexts().value(name).isEmpty() || shownTexts().value(name) == "-1", qPrintable(name));
        w()->link()->escInf = ESC_INF(); // nothing left of the read

        sw.openPath = sw.savePath;
        sw.questionAnswer = QMessageBox::Yes; // the cleared page has no IDs: take the file's
        ui()->ImportParam->click();
        QCOMPARE(shownTexts(), before);
        QCOMPARE(w()->link()->escInf.GREF2, 0.25f);
        QFile again(sw.savePath);
        QVERIFY(again.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(again.readAll(), text); // the import never writes
        QCOMPARE(sw.adapter()->motor()->registerValue("GREF2").toFloat(), 0.0f); // nor sends
    }

    void fileErrors_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("path");
        QTest::newRow("export to a missing folder") << true << "/nonexistent-folder/params.txt";
        QTest::newRow("import of a missing file") << false << "/nonexistent-folder/params.txt";
    }

    void fileErrors()
    {
        QFETCH(bool, exporting);
        QFETCH(QString, path);
        start(SimSerialAdapter::Adapter);
        sw.savePath = sw.openPath = path;
        (exporting ? ui()->ExportParam : ui()->ImportParam)->click();
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(shownBoxes().last().first, QString("错误"));
        QCOMPARE(shownBoxes().last().second, QString("无法打开文件"));
    }

    void cancelledFileDialogsDoNothing()
    {
        start(SimSerialAdapter::Adapter);
        ui()->ExportParam->click();
        ui()->ImportParam->click();
        QVERIFY(shownBoxes().isEmpty());
    }

    void importTakesWhatParsesAndSkipsTheRest()
    {
        start(SimSerialAdapter::Adapter);
        readAll();
        const QString path = files.filePath("mixed.txt");
        QByteArray content("POLE: 14\nGr: 6\nNoSuchKey: 3\nACC 5\nDeta: 0.5\n");
        content += QByteArray("\x00\xff\xfe garbage \x01", 14) + "\nTMAX: abc\nKT_Value: 1e400\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        sw.openPath = path;
        ui()->ImportParam->click();
        QCOMPARE(ui()->POLEEdit->text(), QString("14"));
        QCOMPARE(ui()->GrEdit->text(), QString("10"));     // read-only: the motor's value stays
        QCOMPARE(ui()->GREF2Edit->text(), QString("0.5"));
        QCOMPARE(ui()->ACCEdit->text(), QString("12.25")); // malformed line: kept
        QCOMPARE(ui()->TMAXEdit->text(), QString("10"));   // no number: kept
        QCOMPARE(shownBoxes().size(), 1);
        QCOMPARE(shownBoxes().last().second,
                 QString("已从文件填入 3 行参数（1 项与之前不同），尚未写入电机；点击“写参数”写入。\n5 行无法使用，已跳过。"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    // Nothing goes out unless every register keeps to its range and the pairs a
    // controller needs hold; the warning names the fields.
    void writeRefusesWhatTheMotorWouldNot_data()
    {
        QTest::addColumn<QStringList>("edits"); // name=text
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<bool>("fromChat");
        QTest::newRow("under-voltage above over-voltage")
            << QStringList{"UV_ValueEdit=99"} << QStringList{"欠压 (UV_Value)（99）须低于 过压 (OV_Value)（32）"} << false;
        QTest::newRow("negative speed-loop gain, from the chat")
            << QStringList{"KP_ASREdit=-1"} << QStringList{"速度 KP (KP_ASR) 的值 -1 不能为负"} << true;
        QTest::newRow("empty torque range and over-temperature 0")
            << QStringList{"TMAXEdit=0", "OT_ValueEdit=0"}
            << QStringList{"过温 (OT_Value) 的值 0 须大于 0", "TMAX 的值 0 须大于 0"} << false;
        QTest::newRow("master ID on the motor's position ID")
            << QStringList{"MST_IDEdit=0x101"} << QStringList{"Master ID (MST_ID)（0x101）不能是 CAN ID (ESC_ID)（0x01）的控制帧"}
            << false;
    }
    void writeRefusesWhatTheMotorWouldNot()
    {
        QFETCH(QStringList, edits);
        QFETCH(QStringList, named);
        QFETCH(bool, fromChat);
        start(SimSerialAdapter::Adapter);
        readAll();
        for (const QString &e : edits)
            ui()->tab_Parameters->findChild<QLineEdit *>(e.section('=', 0, 0))->setText(e.section('=', 1));
        const quint64 framesBefore = sw.adapter()->stats().framesReceived;
        if (fromChat)
            w()->on_invokeQtFunction("写参数!");
        else
            ui()->WriteAllParam->click();
        QTRY_COMPARE(shownBoxes().size(), 1);
        for (const QString &n : named)
            QVERIFY2(shownBoxes().last().second.contains(n), qPrintable(shownBoxes().last().second));
        QTest::qWait(150); // past the 100 ms before register operations
        QCOMPARE(sw.adapter()->stats().framesReceived, framesBefore);
        QVERIFY(shownMessages().isEmpty());
    }

    // Pole pairs and gear ratio are never written: read-only, and the tool tip says why.
    void neverWrittenFieldsAreReadOnly()
    {
        start(SimSerialAdapter::Adapter);
        for (QLineEdit *e : {ui()->POLEEdit, ui()->GrEdit, ui()->sub_verEdit, ui()->ESC_IDEdit}) {
            QVERIFY2(e->isReadOnly(), qPrintable(e->objectName()));
            QVERIFY2(e->toolTip().startsWith("只读："), qPrintable(e->objectName()));
        }
    }

    // Another motor's file never gives the motor on the page its IDs unless the user says so.
    void importKeepsTheIdsUnlessAsked_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("master");
        QTest::newRow("no: kept") << int(QMessageBox::No) << "0x11";
        QTest::newRow("yes: the file's") << int(QMessageBox::Yes) << "0x12";
    }
    void importKeepsTheIdsUnlessAsked()
    {
        QFETCH(int, answer);
        QFETCH(QString, master);
        start(SimSerialAdapter::Adapter);
        readAll();
        const QString path = files.filePath("other-motor.txt");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("MST_ID: 18\nESC_ID: 2\nACC: 3\n");
        }
        sw.openPath = path;
        sw.questionAnswer = QMessageBox::StandardButton(answer);
        ui()->ImportParam->click();
        QCOMPARE(ui()->MST_IDEdit->text(), master);
        QCOMPARE(ui()->ACCEdit->text(), QString("3"));
        const QList<DialogService::Request> history = DialogService::history();
        const auto questions = std::count_if(history.cbegin(), history.cend(),
                                             [](const auto &r) { return r.kind == DialogService::Question; });
        QCOMPARE(questions, 1);
        QVERIFY(shownBoxes().last().second.startsWith("已从文件填入 3 行参数"));
        QCOMPARE(sw.motor()->masterId(), 0x11u); // nothing sent
    }

    // checkEditFields looks at the direct children named ...Edit; setLineEditsReadOnly
    // greys the named edits and refuses lists of different length.
    void fieldChecks_data()
    {
        QTest::addColumn<QStringList>("empty");    // edits left empty
        QTest::addColumn<QStringList>("excluded");
        QTest::addColumn<bool>("missing");
        QTest::newRow("all filled") << QStringList{} << QStringList{} << false;
        QTest::newRow("one empty") << QStringList{"AEdit"} << QStringList{} << true;
        QTest::newRow("empty but excluded") << QStringList{"AEdit"} << QStringList{"AEdit"} << false;
        QTest::newRow("empty, other excluded") << QStringList{"AEdit", "BEdit"} << QStringList{"AEdit"} << true;
        QTest::newRow("not named ...Edit") << QStringList{"notAnEditBox"} << QStringList{} << false;
        QTest::newRow("nested, not direct") << QStringList{"NestedEdit"} << QStringList{} << false;
    }

    void fieldChecks()
    {
        QFETCH(QStringList, empty);
        QFETCH(QStringList, excluded);
        QFETCH(bool, missing);
        QWidget box;
        auto *inner = new QWidget(&box);
        for (const char *name : {"AEdit", "BEdit", "notAnEditBox"}) {
            auto *e = new QLineEdit("x", &box);
            e->setObjectName(name);
        }
        auto *nested = new QLineEdit("x", inner);
        nested->setObjectName("NestedEdit");
        for (const QString &name : empty)
            box.findChild<QLineEdit *>(name)->clear();
        QCOMPARE(checkEditFields(&box, excluded), missing);
    }

    void readOnlyEdits()
    {
        QWidget box;
        auto *a = new QLineEdit(&box);
        a->setObjectName("AEdit");
        auto *b = new QLineEdit(&box);
        b->setObjectName("BEdit");
        setLineEditsReadOnly({"AEdit", "BEdit"}, {true}, &box); // lengths differ: nothing
        QVERIFY(!a->isReadOnly() && !b->isReadOnly());
        setLineEditsReadOnly({"AEdit", "MissingEdit", "BEdit"}, {true, true, false}, &box);
        QVERIFY(a->isReadOnly());
        QCOMPARE(a->styleSheet(), QString("QLineEdit { background-color: #f0f0f0; color: #808080; }"));
        QVERIFY(!b->isReadOnly());
        QVERIFY(b->styleSheet().isEmpty());
        setLineEditsReadOnly({"AEdit"}, {false}, &box);
        QVERIFY(!a->isReadOnly());
        QVERIFY(a->styleSheet().isEmpty());
    }
};

QTEST_MAIN(TestParameters)
#include "tst_parameters.moc"
