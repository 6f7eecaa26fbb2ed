// A bench of motors in the window, against a simulated serial adapter with several motors
// that differ: the motors panel, the diff before a write, the report, and the "next motor"
// dialog run for two motors plugged in one after the other.
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include "log/log.h"
#include "motor/ui/commissionDialog.h"
#include "motor/ui/motorsPanel.h"
#include "motor/ui/paramDiffDialog.h"
#include "simWindow.h"
#include "widgets/dialogService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {
float nextFloat(float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, 4);
    ++bits;
    std::memcpy(&f, &bits, 4);
    return f;
}
} // namespace

class TestMotorBench : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    SimWindow sw;
    QList<QStringList> diffs;  // the registers of each diff dialog shown
    QStringList untick;        // registers the user unticks there

    MainWindow *w() const { return sw.window(); }
    Ui_MainWindow *ui() const { return sw.window()->form(); }
    // Motors with CAN IDs `ids`; motor i answers on master 0x11 + 0x10 i, profile i.
    void useBus(const QList<quint32> &ids)
    {
        sw.adapter()->clearMotors();
        int n = 0;
        for (quint32 id : ids)
            sw.adapter()->bus()->addMotor({id, 0x11 + 0x10 * quint32(n), 4, SimMotor::Layout::Long, n++});
    }
    SimMotor *motor(int i) const { return sw.adapter()->motors().value(i).get(); }

private slots:
    void initTestCase()
    {
        Logger::init(dir.path(), Logger::DEBUG);
        MainWindow::setTranslationsDir(ZK_BUILD_DIR "/translations");
    }
    void init()
    {
        QString error;
        QVERIFY2(sw.start(SimSerialAdapter::Adapter, SimMotor::Layout::Long, &error), qPrintable(error));
        diffs.clear();
        untick.clear();
        DialogService::setHandler([this](const DialogService::Request &r) {
            DialogService::Reply reply;
            reply.result = QMessageBox::Ok;
            if (r.kind == DialogService::Directory)
                reply.path = dir.path();
            if (r.kind == DialogService::Dialog && r.dialog)
                reply.result = QDialog::Accepted;
            if (auto *d = qobject_cast<ParamDiffDialog *>(r.dialog.data())) {
                QStringList names;
                for (int i = 0; i < d->rows().size(); ++i) {
                    names << ESC_INF::propertyName(d->rows()[i].rid);
                    if (untick.contains(names.last()))
                        d->setTicked(i, false);
                }
                diffs << names;
            }
            return reply;
        });
    }
    void cleanup() { sw.stop(); }

    void panelListsEveryMotor_data()
    {
        QTest::addColumn<QList<quint32>>("bus");
        QTest::addColumn<QStringList>("rows"); // CAN ID, application version, note
        QTest::newRow("three motors") << QList<quint32>{1, 2, 3}
                                      << QStringList{"0x01 1.2.0.5 ", "0x02 1.2.0.6 ", "0x03 1.2.0.7 "};
        QTest::newRow("two on one ID") << QList<quint32>{1, 1, 2}
                                       << QStringList{"0x01 - 冲突：ID 0x01：2 台电机", "0x02 1.2.0.7 "};
    }
    void panelListsEveryMotor()
    {
        QFETCH(QList<quint32>, bus);
        QFETCH(QStringList, rows);
        useBus(bus);
        QVERIFY(sw.open());
        MotorsPanel *panel = w()->motorsPanel();
        panel->refreshButton()->click();
        QTableWidget *t = panel->table();
        QStringList shown;
        for (int i = 0; i < t->rowCount(); ++i)
            shown << QString("%1 %2 %3").arg(t->item(i, 0)->text(), t->item(i, 3)->text(), t->item(i, 8)->text());
        QCOMPARE(shown, rows);
        // The last row becomes the current motor.
        t->selectRow(t->rowCount() - 1);
        QCOMPARE(ui()->canidEdit->text(), t->item(t->rowCount() - 1, 0)->text().mid(2).remove(QRegularExpression("^0")));
        QCOMPARE("0x" + ui()->masteridEdit->text(), t->item(t->rowCount() - 1, 1)->text());
    }

    // A refresh reads each motor's versions in turn: the periodic commands the user sends
    // to one motor must not follow onto the others.
    void refreshNeverDrivesAnotherMotor()
    {
        useBus({1, 2, 3});
        QVERIFY(sw.open());
        ui()->canidEdit->setText("1");
        ui()->masteridEdit->setText("11");
        ui()->periodicSend->setChecked(true);
        ui()->sendIntervalEdit_2->setText("5");
        ui()->btn_canDebugSend->click();
        QTRY_VERIFY(motor(0)->commandCount() >= 5);
        w()->motorsPanel()->refreshButton()->click();
        QTest::qWait(100);
        QCOMPARE(motor(1)->commandCount() + motor(2)->commandCount(), quint64(0));
        QCOMPARE(w()->motorsPanel()->table()->rowCount(), 3);
    }

    void diffShowsExactlyWhatDiffersAndKeepsUntickedRows()
    {
        useBus({1});
        QVERIFY(sw.open());
        ui()->canidEdit->setText("1");
        ui()->masteridEdit->setText("11");
        ui()->ReadAllParam->click();
        QTRY_VERIFY(!ui()->KP_ASREdit->text().isEmpty());
        const float kp = motor(0)->registerFloat(SimMotor::registerIndex("KP_ASR"));
        ui()->KP_ASREdit->setText(QString::number(nextFloat(kp), 'g', 9)); // the last bit only
        ui()->OT_ValueEdit->setText("70");
        untick = {"OT_Value"};
        // Register writes on the bus (reads come before every diff).
        auto writes = [this] {
            int n = 0;
            for (const SimCanFrame &f : sw.adapter()->busFrames())
                n += f.id == 0x7FF && f.data.size() == 8 && quint8(f.data[2]) == 0x55;
            return n;
        };
        ui()->WriteAllParam->click();
        QTRY_COMPARE_WITH_TIMEOUT(shownMessages(), QList<int>{7}, 3000);
        QCOMPARE(diffs, QList<QStringList>{(QStringList{"OT_Value", "KP_ASR"})});
        QTRY_COMPARE(motor(0)->registerFloat(SimMotor::registerIndex("KP_ASR")), nextFloat(kp));
        QCOMPARE(motor(0)->registerFloat(SimMotor::RidOT), 80.0f);
        QCOMPARE(writes(), 1); // the unticked row never went out
        // Written once more, nothing differs: nothing is written and the tool says so.
        const int written = writes();
        untick.clear();
        ui()->KP_ASREdit->setText(QString::number(nextFloat(kp), 'g', 9));
        ui()->OT_ValueEdit->setText("80");
        ui()->WriteAllParam->click();
        QTest::qWait(100);
        QCOMPARE(diffs.size(), 1);
        QCOMPARE(shownBoxes().last().second, QString("要写入的参数与电机当前的值完全相同，未写入任何参数。"));
        QCOMPARE(writes(), written);
        // Unticking the over-voltage limit would leave the new under-voltage above it.
        const float ov = motor(0)->registerFloat(SimMotor::RidOV);
        ui()->UV_ValueEdit->setText(QString::number(ov + 1));
        ui()->OV_ValueEdit->setText(QString::number(ov + 10));
        untick = {"OV_Value"};
        ui()->WriteAllParam->click();
        QCOMPARE(diffs.last(), (QStringList{"UV_Value", "OV_Value"}));
        QVERIFY2(shownBoxes().last().second.startsWith("以下参数无法写入，未写入任何参数"), qPrintable(shownBoxes().last().second));
        QCOMPARE(writes(), written);
    }

    void reportHoldsEveryRegisterAndBothVersions()
    {
        useBus({1, 2});
        QVERIFY(sw.open());
        w()->motorsPanel()->refreshButton()->click();
        w()->motorsPanel()->table()->selectRow(1);
        QString pdf, error;
        // A chosen file to compare with that cannot be read is said, and no record written.
        w()->motorsPanel()->compareFileEdit()->setText(dir.filePath("missing.txt"));
        QVERIFY(w()->writeMotorReport(dir.path(), "bench 3", &pdf, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        const QString line = dir.filePath("line.txt");
        {
            QFile f(line);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("# line 4\nOT_Value: 66\n");
        }
        w()->motorsPanel()->compareFileEdit()->setText(line);
        const QString html = w()->writeMotorReport(dir.path(), "bench 3", &pdf, &error);
        QVERIFY2(!html.isEmpty(), qPrintable(error));
        QFile f(html);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(f.readAll());
        for (int rid = 0; rid < ESC_INF::FieldCount; ++rid)
            QVERIFY2(page.contains("<td>" + ESC_INF::propertyName(rid) + "</td>"), qPrintable(ESC_INF::propertyName(rid)));
        QVERIFY(page.contains("1.2.0.6"));   // motor 0x02's application
        QVERIFY(page.contains("1.0.3.0"));   // its bootloader
        QVERIFY(page.contains("0x02") && page.contains("0x21") && page.contains("bench 3"));
        QVERIFY(page.contains("<td>OT_Value</td><td>75</td><td>66</td>")); // motor 0x02's limit, then the file's
        QFile p(pdf);
        QVERIFY(p.open(QIODevice::ReadOnly));
        QVERIFY(p.read(5) == "%PDF-");
    }

    // Two new motors, both with the factory ID 0x01, plugged in one after the other.
    void sequenceGivesEachMotorItsIdsAndReport()
    {
        useBus({1, 1});
        sw.adapter()->bus()->setPluggedIn(1, false);
        const QString file = dir.filePath("line.txt");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("# line 4\nKP_ASR: 0.05\nOT_Value: 75\n");
        }
        QVERIFY(sw.open());
        w()->motorsPanel()->sequenceButton()->click();
        CommissionDialog *d = w()->commissionDialog();
        QVERIFY(d);
        d->canidEdit()->setText("20");
        d->masteridEdit()->setText("30");
        d->parameterFileEdit()->setText(file);
        d->reportFolderEdit()->setText(dir.path());
        for (int n = 0; n < 2; ++n) {
            if (n == 1) {
                sw.adapter()->bus()->setPluggedIn(0, false);
                sw.adapter()->bus()->setPluggedIn(1, true);
                d->nextMotorButton()->click();
            }
            for (int step = 0; step < CommissionSequence::StepCount; ++step) {
                const auto s = d->sequence().current();
                if (s == CommissionSequence::Step::Calibrate || s == CommissionSequence::Step::Quality)
                    d->skipButton()->click(); // the console's roads
                else
                    d->runButton()->click();
                QVERIFY2(!d->sequence().stopped(), qPrintable(d->sequence().result(s)));
            }
            QVERIFY(d->sequence().finished());
        }
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(motor(i)->canId(), 0x20u + i);
            QCOMPARE(motor(i)->masterId(), 0x30u + i);
            QCOMPARE(motor(i)->registerFloat(SimMotor::registerIndex("KP_ASR")), 0.05f);
            QCOMPARE(motor(i)->savedRegisterRaw(SimMotor::RidOT), motor(i)->registerRaw(SimMotor::RidOT));
        }
        QCOMPARE(QDir(dir.path()).entryList({"motor_0x20_*.html"}).size(), 1);
        QCOMPARE(QDir(dir.path()).entryList({"motor_0x21_*.pdf"}).size(), 1);
        QCOMPARE(diffs.size(), 2);
    }

    // A step that must not go ahead stops the run there, with the reason.
    void sequenceStops_data()
    {
        QTest::addColumn<QList<quint32>>("bus");
        QTest::addColumn<QString>("startId");
        QTest::addColumn<int>("motors");   // run before, each through scan and Set ID
        QTest::addColumn<QString>("reason");
        QTest::newRow("two motors answer") << QList<quint32>{1, 2} << "01" << 0 << "0x01, 0x02";
        QTest::newRow("IDs counted past FF") << QList<quint32>{1, 1} << "FF" << 1 << "ID超出范围（00~FF）: 0x100";
    }
    void sequenceStops()
    {
        QFETCH(QList<quint32>, bus);
        QFETCH(QString, startId);
        QFETCH(int, motors);
        QFETCH(QString, reason);
        useBus(bus);
        for (int i = 1; i <= motors; ++i) // plugged in one after the other
            sw.adapter()->bus()->setPluggedIn(i, false);
        QVERIFY(sw.open());
        w()->openCommissionDialog();
        CommissionDialog *d = w()->commissionDialog();
        d->canidEdit()->setText(startId);
        d->masteridEdit()->setText(startId);
        for (int n = 0; n < motors; ++n) {
            d->runButton()->click();
            d->runButton()->click();
            QVERIFY2(!d->sequence().stopped(), qPrintable(d->sequence().result(d->sequence().current())));
            sw.adapter()->bus()->setPluggedIn(n, false);
            sw.adapter()->bus()->setPluggedIn(n + 1, true);
            d->nextMotorButton()->click();
        }
        const quint32 id = motor(motors)->canId();
        for (int step = 0; step < 2 && !d->sequence().stopped(); ++step)
            d->runButton()->click();
        QVERIFY(d->sequence().stopped());
        QVERIFY2(d->sequence().result(d->sequence().current()).contains(reason), qPrintable(d->sequence().result(d->sequence().current())));
        QVERIFY(!d->runButton()->isEnabled());
        QCOMPARE(motor(motors)->canId(), id);
    }
};

QTEST_MAIN(TestMotorBench)
#include "tst_motorbench.moc"
