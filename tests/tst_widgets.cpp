#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "widgets/clickableLabel.h"
#include "widgets/collapsibleWidget.h"
#include "widgets/customLabel.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"
#include "widgets/toolTipFilter.h"
#include "widgets/utils.h"

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns on every top-level layout change; that is noise here.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("does not support propagateSizeHints")))
        previousHandler(type, context, message);
}

// Plain characters are typed; {Name} presses a key, {S-Name} with Shift.
void playKeys(QWidget *widget, const QString &script)
{
    static const QHash<QString, Qt::Key> names = {
        {"Backspace", Qt::Key_Backspace}, {"Delete", Qt::Key_Delete}, {"Left", Qt::Key_Left},
        {"Right", Qt::Key_Right}, {"Shift", Qt::Key_Shift}};
    for (int i = 0; i < script.size(); ++i) {
        if (script.at(i) != QLatin1Char('{')) {
            QTest::keyClicks(widget, QString(script.at(i)));
            continue;
        }
        const int close = script.indexOf(QLatin1Char('}'), i);
        QString name = script.mid(i + 1, close - i - 1);
        const bool shift = name.startsWith(QLatin1String("S-"));
        name = name.mid(shift ? 2 : 0);
        QVERIFY2(names.contains(name), qPrintable(name));
        QTest::keyClick(widget, names.value(name), shift ? Qt::ShiftModifier : Qt::NoModifier);
        i = close;
    }
}

// What a real double click delivers: press, release, double-click, release.
void sendDoubleClick(QWidget *widget, const QPointF &at)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

bool colorNear(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2
        && qAbs(a.blue() - b.blue()) <= 2 && qAbs(a.alpha() - b.alpha()) <= 2;
}

class EventRecorder : public QWidget
{
public:
    QList<QEvent::Type> seen;
protected:
    bool event(QEvent *e) override { seen.append(e->type()); return QWidget::event(e); }
};

const QString kSelected = QStringLiteral("padding: 5px; background-color: white;");
const QString kUnselected = QStringLiteral("padding: 5px; background-color: #f0f0f0;");

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(quietHandler);
        qRegisterMetaType<QMouseEvent *>();
    }
    void switchKnobTicks_data();
    void switchKnobTicks();
    void switchTimerSignalsAndResize();
    void switchPainting_data();
    void switchPainting();
    void clickableLabel_data();
    void clickableLabel();
    void tabBar();
    void hexEditing_data();
    void hexEditing();
    void returnKeys_data();
    void returnKeys();
    void padHexRightToLimit_data();
    void padHexRightToLimit();
    void labelSplitColor_data();
    void labelSplitColor();
    void labelLayoutComboTableHelpers();
    void toolTipsSwallowed();
    void customLabelScales_data();
    void customLabelScales();
    void collapsibleHeights();
};

void TestWidgets::switchKnobTicks_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("turnOn");
    QTest::addColumn<QList<int>>("moving"); // offsets after each tick while sliding
    QTest::addColumn<int>("rest");          // offset after the settling tick

    QTest::newRow("60x20 on") << QSize(60, 20) << true << QList<int>{6, 12, 18, 24, 30, 36, 42} << 40;
    QTest::newRow("60x20 off") << QSize(60, 20) << false << QList<int>{34, 28, 22, 16, 10, 4, -2} << 0;
    QTest::newRow("50x20 on, exact landing") << QSize(50, 20) << true << QList<int>{5, 10, 15, 20, 25, 30} << 30;
}

void TestWidgets::switchKnobTicks()
{
    QFETCH(QSize, size);
    QFETCH(bool, turnOn);
    QFETCH(QList<int>, moving);
    QFETCH(int, rest);

    SwitchButton sw;
    sw.resize(size);
    if (!turnOn) { // start at rest on the right
        sw.setAnimation(false);
        sw.setChecked(true);
        QCOMPARE(sw.knobOffset(), size.width() - size.height());
        sw.setAnimation(true);
    }
    const int before = sw.knobOffset();
    sw.setChecked(turnOn);
    QVERIFY(sw.isAnimating());
    QCOMPARE(sw.knobOffset(), before); // no jump before the first tick
    for (int expected : moving) {
        sw.updateValue();
        QCOMPARE(sw.knobOffset(), expected);
        QVERIFY(sw.isAnimating());
    }
    sw.updateValue();
    QCOMPARE(sw.knobOffset(), rest);
    QVERIFY(!sw.isAnimating());
}

void TestWidgets::switchTimerSignalsAndResize()
{
    QWidget window;
    auto *sw = new SwitchButton(&window);
    QCOMPARE(sw->sizeHint(), QSize(60, 20));
    window.show();
    sw->resize(60, 20);
    QSignalSpy spy(sw, &SwitchButton::statusChanged);

    // driven by its own 30 ms timer
    QTimer *timer = sw->findChild<QTimer *>();
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 30);
    QList<int> seen;
    connect(timer, &QTimer::timeout, sw, [&] { seen.append(sw->knobOffset()); });
    sw->setChecked(true);
    sw->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(!sw->isAnimating(), 2000);
    QCOMPARE(seen, (QList<int>{6, 12, 18, 24, 30, 36, 42, 40}));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);

    QTest::mouseClick(sw, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(sw->checked(), false);
    sw->setChecked(false);
    QCOMPARE(spy.count(), 2);

    // without animation the knob jumps; a later resize moves it to the new end
    sw->setAnimation(false);
    sw->setChecked(true);
    QCOMPARE(sw->knobOffset(), 40);
    sw->resize(100, 30);
    QCOMPARE(sw->knobOffset(), 70);
    // resized while sliding: it lands on the new end
    sw->setAnimation(true);
    sw->setChecked(false);
    sw->resize(60, 20);
    for (int i = 0; i < 30 && sw->isAnimating(); ++i)
        sw->updateValue();
    QCOMPARE(sw->knobOffset(), 0);
}

void TestWidgets::switchPainting_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("track");

    QTest::newRow("on") << true << true << QColor(205, 55, 0);
    QTest::newRow("off") << false << true << QColor(34, 193, 34);
    QTest::newRow("on disabled") << true << false << QColor(205, 55, 0, 150);
    QTest::newRow("off disabled") << false << false << QColor(34, 193, 34, 150);
}

void TestWidgets::switchPainting()
{
    QFETCH(bool, on);
    QFETCH(bool, enabled);
    QFETCH(QColor, track);

    SwitchButton sw;
    sw.resize(60, 20);
    sw.setTextOn(QString());
    sw.setTextOff(QString());
    sw.setAnimation(false);
    sw.setChecked(on);
    sw.setEnabled(enabled);
    // rendered without the window background so that the track's alpha survives
    QImage image(sw.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    sw.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());

    // the middle, and where an end circle overlaps the middle (must not blend twice)
    for (const QPoint &p : {QPoint(30, 10), QPoint(on ? 12 : 48, 10)})
        QVERIFY2(colorNear(image.pixelColor(p), track), qPrintable(image.pixelColor(p).name(QColor::HexArgb)));
    QCOMPARE(image.pixelColor(on ? 50 : 10, 10).rgba(), QColor(Qt::white).rgba()); // knob
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // outside the rounded end
}

void TestWidgets::clickableLabel_data()
{
    QTest::addColumn<bool>("clickable");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("doubleClicks");

    QTest::newRow("left click") << true << "click" << 1 << 0;
    QTest::newRow("right click") << true << "right" << 0 << 0;
    QTest::newRow("release without press") << true << "release" << 0 << 0;
    QTest::newRow("double click") << true << "double" << 1 << 1;
    QTest::newRow("not clickable, click") << false << "click" << 0 << 0;
    QTest::newRow("not clickable, double") << false << "double" << 0 << 0;
}

void TestWidgets::clickableLabel()
{
    QFETCH(bool, clickable);
    QFETCH(QString, action);
    QFETCH(int, clicks);
    QFETCH(int, doubleClicks);

    ClickableLabel label(QStringLiteral("0"));
    label.resize(40, 20);
    label.show();
    label.setClickable(clickable);
    QCOMPARE(label.cursor().shape(), clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QSignalSpy clickSpy(&label, &ClickableLabel::clicked);
    QSignalSpy doubleSpy(&label, &ClickableLabel::doubleClicked);

    const QPoint at(5, 5);
    if (action == QLatin1String("click"))
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, at);
    else if (action == QLatin1String("right"))
        QTest::mouseClick(&label, Qt::RightButton, Qt::NoModifier, at);
    else if (action == QLatin1String("release"))
        QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, at);
    else
        sendDoubleClick(&label, at);
    QCOMPARE(clickSpy.count(), clicks);
    QCOMPARE(doubleSpy.count(), doubleClicks);
}

void TestWidgets::tabBar()
{
    CustomTabBar bar;
    for (const char *t : {"MIT", "位置", "速度", "PVT"})
        bar.addTab(QString::fromUtf8(t));
    bar.show();
    const QList<QLabel *> labels = bar.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 4);
    QCOMPARE(labels.at(0)->styleSheet(), QStringLiteral("padding: 5px;"));
    QSignalSpy spy(&bar, &CustomTabBar::tabClicked);

    bar.setCurrentTab(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    // a press on a tab label selects it
    QTest::mousePress(labels.at(1), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);

    for (int outside : {-1, 4, 1000}) {
        bar.setCurrentTab(outside);
        QCOMPARE(bar.tabText(outside), QString());
        bar.setTabText(outside, QStringLiteral("x"));
    }
    QCOMPARE(spy.count(), 2);
    QCOMPARE(bar.currentIndex(), 1);
    for (int i = 0; i < labels.size(); ++i) {
        QCOMPARE(labels.at(i)->styleSheet(), i == 1 ? kSelected : kUnselected);
        QVERIFY(labels.at(i)->text() != QStringLiteral("x"));
    }
    bar.setTabText(3, QStringLiteral("PVT2"));
    QCOMPARE(bar.tabText(3), QStringLiteral("PVT2"));
}

void TestWidgets::hexEditing_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("anchor");   // initial selection; -1 puts the cursor at the end
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expAnchor");
    QTest::addColumn<int>("expPosition");

    QTest::newRow("a 1 b") << true << -1 << "" << -1 << -1 << "a1b" << "A1 B" << 4 << 4;
    QTest::newRow("deleting the space is re-formatted") << true << -1 << "A1 B" << 3 << 3 << "{Backspace}" << "A1 B" << 2 << 2;
    QTest::newRow("delete key on the space") << true << -1 << "A1 B2" << 2 << 2 << "{Delete}" << "A1 B2" << 2 << 2;
    QTest::newRow("backspace regroups") << true << -1 << "A1 B2 C3" << 4 << 4 << "{Backspace}" << "A1 2C 3" << 3 << 3;
    QTest::newRow("non-hex dropped") << true << -1 << "" << -1 << -1 << "xg1 z2q" << "12" << 2 << 2;
    QTest::newRow("rejected character keeps the cursor") << true << -1 << "A1 B2" << 2 << 2 << "g" << "A1 B2" << 2 << 2;
    QTest::newRow("insert in the middle") << true << -1 << "A1 B2" << 1 << 1 << "f" << "AF 1B 2" << 2 << 2;
    QTest::newRow("typing over a selection") << true << -1 << "A1 B2" << 0 << 2 << "f" << "FB 2" << 1 << 1;
    QTest::newRow("byte limit undoes the extra digit") << true << 1 << "" << -1 << -1 << "123" << "12" << 2 << 2;
    QTest::newRow("byte limit in the middle") << true << 2 << "A1 B2" << 1 << 1 << "c" << "A1 B2" << 1 << 1;
    QTest::newRow("byte limit restores the selection") << true << 2 << "A1 B2" << 2 << 3 << "c" << "A1 B2" << 2 << 3;
    QTest::newRow("byte limit zero") << true << 0 << "" << -1 << -1 << "1" << "" << 0 << 0;
    QTest::newRow("lowered limit still allows deleting")
        << true << 1 << "A1 B2 C3" << -1 << -1 << "{Backspace}{Backspace}" << "A1 B2" << 5 << 5;
    QTest::newRow("right arrow crosses the space") << true << -1 << "A1 B2" << 2 << 2 << "{Right}{Right}" << "A1 B2" << 4 << 4;
    QTest::newRow("left arrow crosses the space") << true << -1 << "A1 B2" << 4 << 4 << "{Left}{Left}" << "A1 B2" << 2 << 2;
    QTest::newRow("typed space steps over the separator") << true << -1 << "A1 B2" << 2 << 2 << " " << "A1 B2" << 3 << 3;
    // a bare Shift press edits nothing but still runs the re-format
    QTest::newRow("selection restored") << true << -1 << "a1b2c3" << 1 << 5 << "{Shift}" << "A1 B2 C3" << 1 << 7;
    QTest::newRow("backward selection restored") << true << -1 << "a1b2c3" << 5 << 1 << "{Shift}" << "A1 B2 C3" << 7 << 1;
    QTest::newRow("text mode untouched") << false << 1 << "" << -1 << -1 << "a1b g" << "a1b g" << 5 << 5;
}

void TestWidgets::hexEditing()
{
    QFETCH(bool, hex);
    QFETCH(int, limit);
    QFETCH(QString, initial);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, expAnchor);
    QFETCH(int, expPosition);

    CustomPlainTextEdit edit;
    edit.show();
    edit.hexMode = hex;
    edit.byteLimit = limit;
    edit.setPlainText(initial);
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(anchor < 0 ? initial.size() : anchor);
    cursor.setPosition(anchor < 0 ? initial.size() : position, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);

    playKeys(&edit, keys);
    QCOMPARE(edit.toPlainText(), text);
    QCOMPARE(edit.textCursor().anchor(), expAnchor);
    QCOMPARE(edit.textCursor().position(), expPosition);
    if (hex)
        QCOMPARE(edit.hexDigits, QString(text).remove(QLatin1Char(' ')));
}

void TestWidgets::returnKeys_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QList<int>>("counts"); // returnPressed, shiftReturnPressed, ctrlReturnPressed

    QTest::newRow("Return") << true << int(Qt::Key_Return) << 0 << QList<int>{1, 0, 0};
    QTest::newRow("keypad Enter, text mode") << false << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << QList<int>{1, 0, 0};
    QTest::newRow("Shift+Return") << true << int(Qt::Key_Return) << int(Qt::ShiftModifier) << QList<int>{0, 1, 0};
    QTest::newRow("Ctrl+Return, text mode") << false << int(Qt::Key_Return) << int(Qt::ControlModifier) << QList<int>{0, 0, 1};
    QTest::newRow("Ctrl+Shift+Return") << true << int(Qt::Key_Return) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                       << QList<int>{0, 1, 0};
}

void TestWidgets::returnKeys()
{
    QFETCH(bool, hex);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QList<int>, counts);

    CustomPlainTextEdit edit;
    edit.setHexMode(hex);
    QSignalSpy plain(&edit, &CustomPlainTextEdit::returnPressed);
    QSignalSpy shift(&edit, &CustomPlainTextEdit::shiftReturnPressed);
    QSignalSpy ctrl(&edit, &CustomPlainTextEdit::ctrlReturnPressed);
    QTest::keyClicks(&edit, QStringLiteral("41"));
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE((QList<int>{int(plain.count()), int(shift.count()), int(ctrl.count())}), counts);
    QCOMPARE(edit.toPlainText(), QStringLiteral("41")); // nothing inserted
}

void TestWidgets::padHexRightToLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("result");

    QTest::newRow("single digits padded to 8") << "1 2 3" << 8 << "12 30 00 00 00 00 00 00";
    QTest::newRow("longer than the limit is kept") << "11 22 33" << 2 << "11 22 33";
    QTest::newRow("odd count, no limit") << "abc" << -1 << "AB C0";
    QTest::newRow("empty to limit") << "" << 2 << "00 00";
    QTest::newRow("empty, no limit") << "" << -1 << "";
    QTest::newRow("line breaks and tabs") << " a\n\tb " << 3 << "AB 00 00";
}

void TestWidgets::padHexRightToLimit()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, result);

    CustomPlainTextEdit edit;
    edit.hexMode = true;
    edit.setByteLimit(limit);
    edit.setPlainText(text);
    edit.padHexRightToLimit();
    QCOMPARE(edit.toPlainText(), result);
}

void TestWidgets::labelSplitColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rich");
    QTest::addColumn<QString>("shown");

    QTest::newRow("two lines") << "MAX\n100" << true << "MAX<br/><span style='color: #4A90E2;'>100</span>";
    QTest::newRow("one line") << "MAX" << false << "MAX";
    QTest::newRow("empty first line") << "\n-12.5" << true << "<br/><span style='color: #4A90E2;'>-12.5</span>";
    QTest::newRow("markup escaped") << "<b>\n1&2" << true << "&lt;b&gt;<br/><span style='color: #4A90E2;'>1&amp;2</span>";
}

void TestWidgets::labelSplitColor()
{
    QFETCH(QString, text);
    QFETCH(bool, rich);
    QFETCH(QString, shown);

    QLabel label;
    label.setTextFormat(rich ? Qt::PlainText : Qt::RichText); // the helper must switch it
    setLabelSplitColor(&label, text);
    QCOMPARE(label.text(), shown);
    QCOMPARE(label.textFormat(), rich ? Qt::RichText : Qt::PlainText);
}

void TestWidgets::labelLayoutComboTableHelpers()
{
    QLabel label;
    setLabelTextAndColor(&label, Qt::red, QStringLiteral("DUR2IZA"));
    QCOMPARE(label.text(), QStringLiteral("DUR2IZA"));
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(label.palette().color(group, QPalette::WindowText), QColor(Qt::red));

    QWidget window;
    auto *top = new QVBoxLayout(&window);
    auto *row = new QHBoxLayout;
    auto *inner = new QVBoxLayout;
    auto *first = new QLabel, *second = new QLabel, *third = new QLabel;
    top->addWidget(first);
    top->addLayout(row);
    row->addWidget(second);
    row->addStretch();
    row->addLayout(inner);
    inner->addWidget(third);
    window.show();
    setLayoutVisible(row, false);
    QVERIFY(first->isVisible() && second->isHidden() && third->isHidden());
    setLayoutVisible(top, true);
    QVERIFY(first->isVisible() && second->isVisible() && third->isVisible());

    QComboBox combo;
    combo.addItems({QString::fromUtf8("1:MIT模式"), QString::fromUtf8("2:位置速度模式"), QStringLiteral("1000k")});
    QVERIFY(setComboBoxIndexByText(&combo, QString::fromUtf8("2:位置速度模式")));
    QCOMPARE(combo.currentIndex(), 1);
    QVERIFY(!setComboBoxIndexByText(&combo, QStringLiteral("1000K")));
    QCOMPARE(combo.currentIndex(), 1);
    QVERIFY(setComboBoxIndexByText(&combo, QStringLiteral("1000K"), Qt::MatchFixedString));
    QCOMPARE(combo.currentIndex(), 2);
    QVERIFY(!setComboBoxIndexByText(nullptr, QStringLiteral("x")));

    QTableWidget table(0, 2);
    addTableRow(&table, {QStringLiteral("1"), QStringLiteral("0x7FF")});
    addTableRow(&table, {QStringLiteral("2"), QStringLiteral("0x100"), QStringLiteral("extra")});
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(table.columnCount(), 3); // widened, nothing dropped
    QCOMPARE(table.item(1, 2)->text(), QStringLiteral("extra"));
    QTableWidgetItem *cell = table.item(0, 1);
    QCOMPARE(cell->text(), QStringLiteral("0x7FF"));
    QCOMPARE(cell->textAlignment(), int(Qt::AlignCenter));
    QVERIFY(!(cell->flags() & Qt::ItemIsEditable));
}

void TestWidgets::toolTipsSwallowed()
{
    ToolTipFilter filter;
    qApp->installEventFilter(&filter);
    EventRecorder widget;
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QEvent user(QEvent::User);
    QCoreApplication::sendEvent(&widget, &tip);
    QCoreApplication::sendEvent(&widget, &user);
    QVERIFY(!widget.seen.contains(QEvent::ToolTip));
    QVERIFY(widget.seen.contains(QEvent::User));

    EventRecorder explained; // a control's own tip still shows
    explained.setToolTip(QStringLiteral("why"));
    QCoreApplication::sendEvent(&explained, &tip);
    QVERIFY(explained.seen.contains(QEvent::ToolTip));

    qApp->removeEventFilter(&filter);
    QCoreApplication::sendEvent(&widget, &tip);
    QVERIFY(widget.seen.contains(QEvent::ToolTip)); // the recorder does see them unfiltered
}

void TestWidgets::customLabelScales_data()
{
    QTest::addColumn<QSize>("labelSize");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");

    QTest::newRow("tall label") << QSize(50, 200) << QSize(100, 100) << QSize(50, 50);
    QTest::newRow("upscaled") << QSize(300, 60) << QSize(100, 50) << QSize(120, 60);
    QTest::newRow("downscaled") << QSize(40, 40) << QSize(400, 100) << QSize(40, 10);
}

void TestWidgets::customLabelScales()
{
    QFETCH(QSize, labelSize);
    QFETCH(QSize, picture);
    QFETCH(QSize, shown);

    CustomLabel label;
    label.show();
    QPixmap pixmap(picture);
    pixmap.fill(Qt::blue);
    label.setPixmap(pixmap);
    label.resize(labelSize);
    QCOMPARE(label.pixmap().size(), shown);
    // scaled from the original each time, not from the last copy
    label.resize(4, 4);
    label.resize(labelSize);
    QCOMPARE(label.pixmap().size(), shown);
}

void TestWidgets::collapsibleHeights()
{
    CollapsibleWidget section(nullptr, QStringLiteral("Section"));
    auto *layout = new QVBoxLayout;
    auto *body = new QWidget;
    body->setFixedHeight(50);
    layout->addWidget(body);
    section.setContentLayout(layout);
    section.show();
    const int full = section.contentWidget()->sizeHint().height();
    QVERIFY(full >= 50);
    QCOMPARE(section.bodyArea()->maximumHeight(), full);

    section.headerButton()->setChecked(false);
    QCOMPARE(section.headerButton()->arrowType(), Qt::RightArrow);
    QTRY_COMPARE_WITH_TIMEOUT(section.bodyArea()->maximumHeight(), 0, 2000);
    section.headerButton()->setChecked(true);
    QCOMPARE(section.headerButton()->arrowType(), Qt::DownArrow);
    QTRY_COMPARE_WITH_TIMEOUT(section.bodyArea()->maximumHeight(), full, 2000);

    // reversed half way: it still ends open
    section.headerButton()->setChecked(false);
    QTest::qWait(60);
    section.headerButton()->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(section.animation()->state(), QAbstractAnimation::Stopped, 2000);
    QCOMPARE(section.bodyArea()->maximumHeight(), full);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
