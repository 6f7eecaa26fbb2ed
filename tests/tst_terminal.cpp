// The serial terminal: the text helpers, sending in ASCII and HEX with Chinese text in
// GBK both ways, the three ASCII/HEX switches, the keys of the input box, and the send
// queue with its window, against the simulated motor console that echoes text.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "procedures/customCDC.h"
#include "link/serial/textHelpers.h"
#include "link/serial/ui/serialTerminal.h"
#include "log/log.h"
#include "simWindow.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/switchbutton.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// "你好 hello" in GBK, from the code page's table.
const QByteArray kNihaoGbk = QByteArray::fromHex("c4e3bac32068656c6c6f");
const QString kNihao = QString::fromUtf8("你好 hello");

QStringList lines(const QPlainTextEdit *e) { return e->toPlainText().split('\n'); }
} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT
    QTemporaryDir logDir;
    SimWindow sw;

    Ui_MainWindow *ui() const { return sw.window()->form(); }
    SimConsoleExtras &console() const { return sw.motor()->consoleExtras(); }

    void start(bool open = true)
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Console, SimMotor::Layout::Long, &error), qPrintable(error));
        if (open)
            QVERIFY(sw.open());
    }

    void addToQueue(const QString &text)
    {
        ui()->DataListInput->setPlainText(text);
        ui()->addDataList->click();
    }

    QStringList queueTexts() const
    {
        QStringList out;
        for (int i = 0; i < ui()->DataListWidget->count(); ++i)
            out << ui()->DataListWidget->item(i)->text();
        return out;
    }

private slots:
    void initTestCase() { Logger::init(logDir.path(), Logger::DEBUG); }
    void cleanup() { sw.stop(); }

    void hexInput()
    {
        QCOMPARE(hexTextToBytes("41 42 4G 100"), QByteArray::fromHex("414200")); // 4G dropped, 100 -> 00
        QCOMPARE(hexTextToBytes("  0a\t1B \n ff "), QByteArray::fromHex("0a1bff"));
        QCOMPARE(hexTextToBytes("xyz"), QByteArray());
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hex");
        QTest::newRow("AB") << "AB" << "41 42";
        QTest::newRow("Chinese") << kNihao << "C4 E3 BA C3 20 68 65 6C 6C 6F";
        QTest::newRow("line feed") << "a\nb" << "61 0A 62";
        QTest::newRow("empty") << "" << "";
    }

    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        QCOMPARE(AsciiToHex(text), hex);
        QCOMPARE(HexToAscii(hex), text);
        QCOMPARE(QStringToGBK(text), hexTextToBytes(hex));
    }

    void filterKeepsWhatTheDisplayShows()
    {
        const QString kept = QString::fromUtf8("中文 ABC xyz\r\n\t（，）");
        QCOMPARE(FilterNoPrintChar(kept), kept);
        QCOMPARE(FilterNoPrintChar(QString::fromUtf8("a\x07" "b€c")), QString("abc"));
        QCOMPARE(convertTerminalText("07 41\n>>42", false), QString("A\n>>B")); // line by line, BEL dropped
    }

    // Sent in GBK, echoed by the console, shown decoded; then the display in HEX and back.
    void chineseBothWays()
    {
        start();
        ui()->comInput->setPlainText(kNihao);
        QTest::keyClick(ui()->comInput, Qt::Key_Return);
        QTRY_COMPARE(console().receivedBytes(), kNihaoGbk);
        QTRY_COMPARE(lines(ui()->comOutput), (QStringList{">>" + kNihao, kNihao}));
        QCOMPARE(ui()->comInput->toPlainText(), kNihao); // the input stays

        ui()->sw_btn_ASCIIHex_3->setChecked(true);
        const QString hex = "C4 E3 BA C3 20 68 65 6C 6C 6F";
        QCOMPARE(lines(ui()->comOutput), (QStringList{">>" + hex, hex}));
        ui()->sw_btn_ASCIIHex_3->setChecked(false);
        QCOMPARE(lines(ui()->comOutput), (QStringList{">>" + kNihao, kNihao}));
    }

    void hexSendAndKeys()
    {
        start();
        ui()->sw_btn_ASCIIHex->setChecked(true);
        QVERIFY(ui()->comInput->hexMode);
        ui()->comInput->setPlainText("41 42 4G 100");
        ui()->btn_NormalSend->click();
        QTRY_COMPARE(console().receivedBytes(), QByteArray::fromHex("414200"));
        QCOMPARE(lines(ui()->comOutput).first(), QString(">>AB"));

        // Shift+Return breaks the line, Control+Return does nothing; neither sends.
        ui()->sw_btn_ASCIIHex->setChecked(false);
        ui()->comInput->setPlainText("ab");
        ui()->comInput->moveCursor(QTextCursor::End);
        QTest::keyClick(ui()->comInput, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(ui()->comInput, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(ui()->comInput->toPlainText(), QString("ab\n"));
        QTest::qWait(50);
        QCOMPARE(console().receivedBytes(), QByteArray::fromHex("414200"));
    }

    // Each input switch converts its box both ways; the chat rows turn the terminal's.
    void inputSwitches_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("terminal input") << "comInput";
        QTest::newRow("queue input") << "DataListInput";
        QTest::newRow("chat rows") << "chat";
    }

    void inputSwitches()
    {
        QFETCH(QString, how);
        start(false);
        const bool queue = how == "DataListInput";
        auto *edit = queue ? ui()->DataListInput : ui()->comInput;
        SwitchButton *toggle = queue ? ui()->sw_btn_ASCIIHex_2 : ui()->sw_btn_ASCIIHex;
        auto turn = [&](bool hex) {
            if (how == "chat")
                sw.window()->on_invokeQtFunction(hex ? "切换为HEX!" : "切换为ASCII!");
            else
                toggle->setChecked(hex);
        };
        toggle->setChecked(false); // the queue's switch starts in HEX
        edit->setPlainText("AB");
        turn(true);
        QCOMPARE(edit->toPlainText(), QString("41 42"));
        QVERIFY(edit->hexMode && toggle->checked());
        QCOMPARE(edit->byteLimit, -1);
        turn(false);
        QCOMPARE(edit->toPlainText(), QString("AB"));
        QVERIFY(!edit->hexMode);
    }

    void closedPortSendsNothing()
    {
        start(false);
        ui()->comInput->setPlainText("hello");
        ui()->btn_NormalSend->click();
        addToQueue("hello");
        ui()->sendDataList->click();
        QCOMPARE(shownMessages(), (QList<int>{0, 0}));
        QVERIFY(ui()->comOutput->toPlainText().isEmpty());
        QCOMPARE(sw.adapter()->stats().consoleBytes, quint64(0));
    }

    void queueEditing()
    {
        start(false);
        ui()->sw_btn_ASCIIHex_2->setChecked(false);
        addToQueue("a");
        addToQueue("c");
        ui()->DataListWidget->setCurrentRow(0);
        addToQueue("b"); // after the current item
        QCOMPARE(queueTexts(), (QStringList{"a", "b", "c"}));
        addToQueue(""); // nothing
        ui()->upDataList->click();
        ui()->upDataList->click(); // the first stays first
        QCOMPARE(queueTexts(), (QStringList{"b", "a", "c"}));
        QCOMPARE(ui()->DataListWidget->currentRow(), 0);
        ui()->DataListWidget->setCurrentRow(1);
        ui()->downDataList->click();
        ui()->downDataList->click(); // the last stays last
        QCOMPARE(queueTexts(), (QStringList{"b", "c", "a"}));
        QCOMPARE(ui()->DataListWidget->currentItem()->text(), QString("a"));
        ui()->deleteDataList->click();
        QCOMPARE(queueTexts(), (QStringList{"b", "c"}));
        ui()->clearDataList->click();
        QVERIFY(queueTexts().isEmpty());
    }

    // Three items 100 ms apart reach the console in order, each highlighted while sent.
    void queueSendsInOrder()
    {
        start();
        SerialTerminal *t = sw.window()->terminal();
        ui()->sw_btn_ASCIIHex_2->setChecked(false);
        for (const char *item : {"one", "two", "three"})
            addToQueue(item);
        ui()->sendListIntervalEdit->setText("100");
        QObject scope; // the write times, as the link reports each write
        QElapsedTimer clock;
        QList<qint64> writes;
        connect(sw.window()->link(), &CustomCDC::TxCntChanged, &scope, [&] { writes << clock.elapsed(); });
        clock.start();
        ui()->sendDataList->click();
        QVERIFY(t->isQueueRunning());
        QCOMPARE(ui()->sendDataList->text(), QString("停止"));
        QVERIFY(!ui()->addDataList->isEnabled());
        const QColor sending(220, 230, 242);
        QCOMPARE(ui()->DataListWidget->item(0)->background().color(), sending);
        QTRY_COMPARE(ui()->DataListWidget->item(1)->background().color(), sending);
        QVERIFY(ui()->DataListWidget->item(0)->background().style() == Qt::NoBrush);

        QTRY_VERIFY_WITH_TIMEOUT(!t->isQueueRunning(), 3000);
        QTRY_COMPARE(console().receivedBytes(), QByteArray("onetwothree"));
        QCOMPARE(writes.size(), 3);
        for (int i = 1; i < 3; ++i)
            QVERIFY2(writes[i] - writes[i - 1] >= 100, qPrintable(QString("%1 ms").arg(writes[i] - writes[i - 1])));
        QVERIFY(ui()->DataListWidget->selectedItems().isEmpty());
        QCOMPARE(ui()->DataListWidget->item(2)->background().style(), Qt::NoBrush);
        QCOMPARE(ui()->sendDataList->text(), QString("发送"));
        QVERIFY(ui()->addDataList->isEnabled());
        QTRY_VERIFY(lines(ui()->comOutput).contains("three"));

        // A second click stops a run.
        ui()->sendListIntervalEdit->setText("5000");
        ui()->sendDataList->click();
        ui()->sendDataList->click();
        QVERIFY(!t->isQueueRunning());
        QCOMPARE(ui()->DataListWidget->item(0)->background().style(), Qt::NoBrush);
    }

    void queueWindow()
    {
        start(false);
        QVERIFY(!sw.window()->terminal()->queueWindow());
        QVERIFY(QTest::qWaitForWindowExposed(sw.window()));
        QTest::keyClick(sw.window(), Qt::Key_F3);
        QWidget *win = sw.window()->terminal()->queueWindow();
        QVERIFY(win && win->isVisible());
        QCOMPARE(win->windowTitle(), QString("串口发送队列"));
        QCOMPARE(win->size(), QSize(332, 332));
        QCOMPARE(ui()->DataListGroupBox->window(), win);
        ui()->btn_comDataList->click(); // raises the same window
        QCOMPARE(sw.window()->terminal()->queueWindow(), win);
        win->close();
        QTRY_VERIFY(!sw.window()->terminal()->queueWindow());
        QCOMPARE(ui()->dataListLayout->indexOf(ui()->DataListGroupBox), 0);
    }
};

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
