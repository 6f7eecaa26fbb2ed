#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "widgets/clickableLabel.h"
#include "widgets/collapsibleWidget.h"
#include "widgets/customLabel.h"
#include "widgets/customPlainTextEdit.h"
#include "widgets/customTabBar.h"
#include "widgets/switchbutton.h"
#include "widgets/toolTipFilter.h"
#include "widgets/utils.h"

namespace {

// Renders without the window background so that the track's own alpha survives.
QImage renderWidget(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

bool colorNear(const QColor &a, const QColor &b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance && qAbs(a.alpha() - b.alpha()) <= tolerance;
}

// Plays a tiny key script: plain characters are typed, {Name} or {S-Name} presses a
// special key (S- adds Shift).
void playKeys(QWidget *widget, const QString &script)
{
    static const QHash<QString, Qt::Key> names = {
        {QStringLiteral("Backspace"), Qt::Key_Backspace}, {QStringLiteral("Delete"), Qt::Key_Delete},
        {QStringLiteral("Left"), Qt::Key_Left},           {QStringLiteral("Right"), Qt::Key_Right},
        {QStringLiteral("Home"), Qt::Key_Home},           {QStringLiteral("End"), Qt::Key_End},
        {QStringLiteral("Shift"), Qt::Key_Shift},
    };
    for (int i = 0; i < script.size(); ++i) {
        if (script.at(i) != QLatin1Char('{')) {
            QTest::keyClicks(widget, QString(script.at(i)));
            continue;
        }
        const int close = script.indexOf(QLatin1Char('}'), i);
        QString name = script.mid(i + 1, close - i - 1);
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        if (name.startsWith(QLatin1String("S-"))) {
            modifiers = Qt::ShiftModifier;
            name = name.mid(2);
        }
        QVERIFY2(names.contains(name), qPrintable(name));
        QTest::keyClick(widget, names.value(name), modifiers);
        i = close;
    }
}

// What a real double click delivers: press, release, double-click, release.
void sendDoubleClick(QWidget *widget, const QPoint &at)
{
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    const QEvent::Type types[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    for (QEvent::Type type : types) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, local, global, Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

class EventRecorder : public QWidget
{
public:
    QList<QEvent::Type> seen;

protected:
    bool event(QEvent *e) override
    {
        seen.append(e->type());
        return QWidget::event(e);
    }
};

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void switchKnobTicks_data();
    void switchKnobTicks();
    void switchKnobFollowsTimer();
    void switchWithoutAnimationJumps();
    void switchKnobFollowsResize();
    void switchStatusChanged();
    void switchPainting_data();
    void switchPainting();

    void clickableLabelSignals_data();
    void clickableLabelSignals();
    void clickableLabelCursor();

    void tabBarSelection();
    void tabBarOutOfRange_data();
    void tabBarOutOfRange();

    void hexEditing_data();
    void hexEditing();
    void returnKeys_data();
    void returnKeys();
    void padHexRightToLimit_data();
    void padHexRightToLimit();

    void labelSplitColor_data();
    void labelSplitColor();
    void labelTextAndColor();
    void layoutVisibleRecursion();
    void comboBoxByText_data();
    void comboBoxByText();
    void tableRows();

    void toolTipsSwallowed();
    void customLabelScales_data();
    void customLabelScales();
    void collapsibleHeights_data();
    void collapsibleHeights();
};

// The offscreen platform warns on every top-level layout change; that is noise here.
static QtMessageHandler previousHandler = nullptr;
static void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    previousHandler(type, context, message);
}

void TestWidgets::initTestCase()
{
    previousHandler = qInstallMessageHandler(quietHandler);
    qRegisterMetaType<QMouseEvent *>();
}

// ---------------------------------------------------------------- SwitchButton

void TestWidgets::switchKnobTicks_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("turnOn");
    QTest::addColumn<QList<int>>("moving");   // offsets after each tick while sliding
    QTest::addColumn<int>("rest");            // offset after the settling tick

    QTest::newRow("60x20 on") << QSize(60, 20) << true << QList<int>{6, 12, 18, 24, 30, 36, 42} << 40;
    QTest::newRow("60x20 off") << QSize(60, 20) << false << QList<int>{34, 28, 22, 16, 10, 4, -2} << 0;
    QTest::newRow("50x20 on, exact landing") << QSize(50, 20) << true << QList<int>{5, 10, 15, 20, 25, 30} << 30;
    QTest::newRow("80x30 on") << QSize(80, 30) << true << QList<int>{8, 16, 24, 32, 40, 48, 56} << 50;
}

void TestWidgets::switchKnobTicks()
{
    QFETCH(QSize, size);
    QFETCH(bool, turnOn);
    QFETCH(QList<int>, moving);
    QFETCH(int, rest);

    SwitchButton sw;
    sw.resize(size);
    if (!turnOn) {
        // start from rest on the right
        sw.setAnimation(false);
        sw.setChecked(true);
        QCOMPARE(sw.knobOffset(), size.width() - size.height());
        sw.setAnimation(true);
    }

    sw.setChecked(turnOn);
    QCOMPARE(sw.checked(), turnOn);
    QCOMPARE(sw.knobStep(), size.width() / 10);
    QCOMPARE(sw.knobTarget(), rest);
    QVERIFY(sw.isAnimating());
    // nothing moves before the first tick
    QCOMPARE(sw.knobOffset(), turnOn ? 0 : size.width() - size.height());

    for (int i = 0; i < moving.size(); ++i) {
        sw.updateValue();
        QCOMPARE(sw.knobOffset(), moving.at(i));
        QVERIFY(sw.isAnimating());
    }
    sw.updateValue();
    QCOMPARE(sw.knobOffset(), rest);
    QVERIFY(!sw.isAnimating());
}

void TestWidgets::switchKnobFollowsTimer()
{
    SwitchButton sw;
    sw.resize(60, 20);
    QTimer *timer = sw.findChild<QTimer *>();
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 30);
    QList<int> seen;
    connect(timer, &QTimer::timeout, &sw, [&] { seen.append(sw.knobOffset()); });

    sw.setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(!sw.isAnimating(), 2000);
    QCOMPARE(seen, (QList<int>{6, 12, 18, 24, 30, 36, 42, 40}));

    seen.clear();
    sw.setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(!sw.isAnimating(), 2000);
    QCOMPARE(seen, (QList<int>{34, 28, 22, 16, 10, 4, -2, 0}));
}

void TestWidgets::switchWithoutAnimationJumps()
{
    SwitchButton sw;
    sw.resize(60, 20);
    sw.setAnimation(false);
    sw.setChecked(true);
    QCOMPARE(sw.knobOffset(), 40);
    QVERIFY(!sw.isAnimating());
    sw.setChecked(false);
    QCOMPARE(sw.knobOffset(), 0);
}

void TestWidgets::switchKnobFollowsResize()
{
    // Checked before the layout gives the switch its final size.
    QWidget window;
    auto *sw = new SwitchButton(&window);
    sw->setAnimation(false);
    sw->setChecked(true);
    QCOMPARE(sw->knobOffset(), sw->width() - sw->height());
    window.show();
    sw->resize(60, 20);
    QCOMPARE(sw->knobOffset(), 40);

    // resized while sliding: it lands on the new target
    sw->setAnimation(true);
    sw->setChecked(false);
    sw->setChecked(true);
    sw->resize(100, 20);
    for (int i = 0; i < 30 && sw->isAnimating(); ++i)
        sw->updateValue();
    QVERIFY(!sw->isAnimating());
    QCOMPARE(sw->knobOffset(), 80);

    QCOMPARE(SwitchButton().sizeHint(), QSize(60, 20));
}

void TestWidgets::switchStatusChanged()
{
    SwitchButton sw;
    sw.resize(60, 20);
    sw.show();
    QSignalSpy spy(&sw, &SwitchButton::statusChanged);

    sw.setChecked(false); // already off
    QCOMPARE(spy.count(), 0);
    sw.setChecked(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    sw.setChecked(true);
    QCOMPARE(spy.count(), 1);

    QTest::mouseClick(&sw, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(sw.checked(), false);
    QCOMPARE(sw.knobTarget(), 0);

    // a disabled switch ignores the mouse
    sw.setEnabled(false);
    QTest::mouseClick(&sw, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(spy.count(), 2);
}

void TestWidgets::switchPainting_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("track");

    const QColor onColor(205, 55, 0);
    const QColor offColor(34, 193, 34);
    QColor onDim = onColor;
    onDim.setAlpha(150);
    QColor offDim = offColor;
    offDim.setAlpha(150);
    QTest::newRow("on") << true << true << onColor;
    QTest::newRow("off") << false << true << offColor;
    QTest::newRow("on disabled") << true << false << onDim;
    QTest::newRow("off disabled") << false << false << offDim;
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

    const QImage image = renderWidget(&sw);
    // middle of the track, clear of the knob on either side
    QVERIFY2(colorNear(image.pixelColor(30, 10), track),
             qPrintable(image.pixelColor(30, 10).name(QColor::HexArgb)));
    // the overlap of end circle and middle rectangle is not blended twice
    QVERIFY2(colorNear(image.pixelColor(on ? 12 : 48, 10), track),
             qPrintable(image.pixelColor(on ? 12 : 48, 10).name(QColor::HexArgb)));
    // the knob, white, on the side it rests on
    const QPoint knobCentre = on ? QPoint(50, 10) : QPoint(10, 10);
    QCOMPARE(image.pixelColor(knobCentre).rgb(), QColor(Qt::white).rgb());
    // corners lie outside the rounded track
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(59, 19).alpha(), 0);
}

// ---------------------------------------------------------------- ClickableLabel

void TestWidgets::clickableLabelSignals_data()
{
    QTest::addColumn<bool>("clickable");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("doubleClicks");

    QTest::newRow("left click") << true << "click" << 1 << 0;
    QTest::newRow("right click") << true << "right" << 0 << 0;
    QTest::newRow("release without press") << true << "release" << 0 << 0;
    QTest::newRow("press only") << true << "press" << 0 << 0;
    QTest::newRow("double click") << true << "double" << 1 << 1;
    QTest::newRow("not clickable, click") << false << "click" << 0 << 0;
    QTest::newRow("not clickable, double") << false << "double" << 0 << 0;
}

void TestWidgets::clickableLabelSignals()
{
    QFETCH(bool, clickable);
    QFETCH(QString, action);
    QFETCH(int, clicks);
    QFETCH(int, doubleClicks);

    ClickableLabel label(QStringLiteral("0"));
    label.resize(40, 20);
    label.show();
    label.setClickable(clickable);
    QCOMPARE(label.isClickable(), clickable);
    QSignalSpy clickSpy(&label, &ClickableLabel::clicked);
    QSignalSpy doubleSpy(&label, &ClickableLabel::doubleClicked);

    const QPoint at(5, 5);
    if (action == QLatin1String("click"))
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, at);
    else if (action == QLatin1String("right"))
        QTest::mouseClick(&label, Qt::RightButton, Qt::NoModifier, at);
    else if (action == QLatin1String("release"))
        QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, at);
    else if (action == QLatin1String("press"))
        QTest::mousePress(&label, Qt::LeftButton, Qt::NoModifier, at);
    else
        sendDoubleClick(&label, at);

    QCOMPARE(clickSpy.count(), clicks);
    QCOMPARE(doubleSpy.count(), doubleClicks);
}

void TestWidgets::clickableLabelCursor()
{
    ClickableLabel label;
    label.setStyleSheet(QStringLiteral("color: red;"));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    label.setClickable(false);
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    label.setClickable(true);
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);

    label.setClickStyle(QStringLiteral("color: blue;"));
    QCOMPARE(label.styleSheet(), QStringLiteral("color: blue;"));
    label.setHoverStyle(QStringLiteral("color: green;"));
    QCOMPARE(label.styleSheet(), QStringLiteral("color: blue;"));
}

// ---------------------------------------------------------------- CustomTabBar

static const QString kSelected = QStringLiteral("padding: 5px; background-color: white;");
static const QString kUnselected = QStringLiteral("padding: 5px; background-color: #f0f0f0;");

void TestWidgets::tabBarSelection()
{
    CustomTabBar bar;
    for (const char *t : {"MIT", "位置", "速度", "PVT"})
        bar.addTab(QString::fromUtf8(t));
    bar.show();
    QCOMPARE(bar.count(), 4);
    QCOMPARE(bar.currentIndex(), -1);
    const QList<QLabel *> labels = bar.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 4);
    for (QLabel *l : labels) {
        QCOMPARE(l->styleSheet(), QStringLiteral("padding: 5px;"));
        QCOMPARE(l->alignment(), Qt::AlignCenter);
    }

    QSignalSpy spy(&bar, &CustomTabBar::tabClicked);
    bar.setCurrentTab(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    QCOMPARE(bar.currentIndex(), 2);
    for (int i = 0; i < labels.size(); ++i)
        QCOMPARE(labels.at(i)->styleSheet(), i == 2 ? kSelected : kUnselected);

    // a press on a tab label selects it
    QTest::mousePress(labels.at(1), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
    QCOMPARE(bar.currentIndex(), 1);
    QCOMPARE(labels.at(1)->styleSheet(), kSelected);
    QCOMPARE(labels.at(2)->styleSheet(), kUnselected);

    bar.setTabText(3, QStringLiteral("PVT2"));
    QCOMPARE(bar.tabText(3), QStringLiteral("PVT2"));
    QCOMPARE(bar.tabText(1), QString::fromUtf8("位置"));
}

void TestWidgets::tabBarOutOfRange_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << -1;
    QTest::newRow("count") << 3;
    QTest::newRow("far") << 1000;
}

void TestWidgets::tabBarOutOfRange()
{
    QFETCH(int, index);
    CustomTabBar bar;
    bar.addTab(QStringLiteral("a"));
    bar.addTab(QStringLiteral("b"));
    bar.addTab(QStringLiteral("c"));
    bar.setCurrentTab(1);
    QSignalSpy spy(&bar, &CustomTabBar::tabClicked);

    bar.setCurrentTab(index);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(bar.currentIndex(), 1);
    const QList<QLabel *> labels = bar.findChildren<QLabel *>();
    QCOMPARE(labels.at(1)->styleSheet(), kSelected);

    QCOMPARE(bar.tabText(index), QString());
    bar.setTabText(index, QStringLiteral("x"));
    for (QLabel *l : labels)
        QVERIFY(l->text() != QStringLiteral("x"));
}

// ---------------------------------------------------------------- CustomPlainTextEdit

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
    QTest::newRow("long run") << true << -1 << "" << -1 << -1 << "deadbeef7" << "DE AD BE EF 7" << 13 << 13;
    QTest::newRow("deleting the space is re-formatted")
        << true << -1 << "A1 B" << 3 << 3 << "{Backspace}" << "A1 B" << 2 << 2;
    QTest::newRow("delete key on the space") << true << -1 << "A1 B2" << 2 << 2 << "{Delete}" << "A1 B2" << 2 << 2;
    QTest::newRow("backspace a digit regroups")
        << true << -1 << "A1 B2 C3" << 4 << 4 << "{Backspace}" << "A1 2C 3" << 3 << 3;
    QTest::newRow("non-hex characters dropped") << true << -1 << "" << -1 << -1 << "xg1 z2q" << "12" << 2 << 2;
    QTest::newRow("rejected character keeps the cursor")
        << true << -1 << "A1 B2" << 2 << 2 << "g" << "A1 B2" << 2 << 2;
    QTest::newRow("insert in the middle") << true << -1 << "A1 B2" << 1 << 1 << "f" << "AF 1B 2" << 2 << 2;
    QTest::newRow("typing over a selection") << true << -1 << "A1 B2" << 0 << 2 << "f" << "FB 2" << 1 << 1;
    QTest::newRow("byte limit undoes the extra digit") << true << 1 << "" << -1 << -1 << "123" << "12" << 2 << 2;
    QTest::newRow("byte limit in the middle") << true << 2 << "A1 B2" << 1 << 1 << "c" << "A1 B2" << 1 << 1;
    QTest::newRow("byte limit zero") << true << 0 << "" << -1 << -1 << "1" << "" << 0 << 0;
    QTest::newRow("byte limit keeps selection on undo")
        << true << 2 << "A1 B2" << 2 << 3 << "c" << "A1 B2" << 2 << 3;
    QTest::newRow("byte limit, replacing a selection is fine")
        << true << 2 << "A1 B2" << 5 << 2 << "c" << "A1 C" << 4 << 4;
    QTest::newRow("lowered limit still allows deleting")
        << true << 1 << "A1 B2 C3" << -1 << -1 << "{Backspace}{Backspace}" << "A1 B2" << 5 << 5;
    QTest::newRow("right arrow crosses the space")
        << true << -1 << "A1 B2" << 2 << 2 << "{Right}" << "A1 B2" << 3 << 3;
    QTest::newRow("left arrow crosses the space")
        << true << -1 << "A1 B2" << 4 << 4 << "{Left}{Left}" << "A1 B2" << 2 << 2;
    QTest::newRow("typed space steps over the separator")
        << true << -1 << "A1 B2" << 2 << 2 << " " << "A1 B2" << 3 << 3;
    // a bare Shift press edits nothing but still runs the reformat
    QTest::newRow("selection restored on reformat")
        << true << -1 << "a1b2c3" << 1 << 5 << "{Shift}" << "A1 B2 C3" << 1 << 7;
    QTest::newRow("backward selection restored")
        << true << -1 << "a1b2c3" << 5 << 1 << "{Shift}" << "A1 B2 C3" << 7 << 1;
    QTest::newRow("shift+arrow extends a reformatted selection")
        << true << -1 << "a1b2c3" << 0 << 2 << "{S-Right}" << "A1 B2 C3" << 0 << 3;
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
    if (anchor < 0) {
        cursor.movePosition(QTextCursor::End);
    } else {
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
    }
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
    QTest::addColumn<int>("plain");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("ctrl");

    for (bool hex : {false, true}) {
        const QByteArray mode = hex ? " hex" : " text";
        QTest::newRow(("Return" + mode).constData()) << hex << int(Qt::Key_Return) << 0 << 1 << 0 << 0;
        QTest::newRow(("Enter" + mode).constData())
            << hex << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1 << 0 << 0;
        QTest::newRow(("Shift+Return" + mode).constData())
            << hex << int(Qt::Key_Return) << int(Qt::ShiftModifier) << 0 << 1 << 0;
        QTest::newRow(("Ctrl+Return" + mode).constData())
            << hex << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0 << 0 << 1;
        QTest::newRow(("Ctrl+Shift+Return" + mode).constData())
            << hex << int(Qt::Key_Return) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0 << 1 << 0;
    }
}

void TestWidgets::returnKeys()
{
    QFETCH(bool, hex);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, plain);
    QFETCH(int, shift);
    QFETCH(int, ctrl);

    CustomPlainTextEdit edit;
    edit.show();
    edit.setHexMode(hex);
    QSignalSpy plainSpy(&edit, &CustomPlainTextEdit::returnPressed);
    QSignalSpy shiftSpy(&edit, &CustomPlainTextEdit::shiftReturnPressed);
    QSignalSpy ctrlSpy(&edit, &CustomPlainTextEdit::ctrlReturnPressed);

    QTest::keyClicks(&edit, QStringLiteral("41"));
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(plainSpy.count(), plain);
    QCOMPARE(shiftSpy.count(), shift);
    QCOMPARE(ctrlSpy.count(), ctrl);
    QCOMPARE(edit.toPlainText(), QStringLiteral("41"));
}

void TestWidgets::padHexRightToLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("result");

    QTest::newRow("single digits padded to 8") << "1 2 3" << 8 << "12 30 00 00 00 00 00 00";
    QTest::newRow("longer than the limit is kept") << "11 22 33" << 2 << "11 22 33";
    QTest::newRow("odd digit count, no limit") << "abc" << -1 << "AB C0";
    QTest::newRow("empty to limit") << "" << 2 << "00 00";
    QTest::newRow("empty, no limit") << "" << -1 << "";
    QTest::newRow("empty, limit 0") << "" << 0 << "";
    QTest::newRow("line breaks and tabs") << " a\n\tb " << 3 << "AB 00 00";
    QTest::newRow("one digit, limit 0") << "1" << 0 << "10";
    QTest::newRow("exact length") << "0102" << 2 << "01 02";
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

// ---------------------------------------------------------------- helpers

void TestWidgets::labelSplitColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rich");
    QTest::addColumn<QString>("shown");

    QTest::newRow("two lines") << "MAX\n100" << true << "MAX<br/><span style='color: #4A90E2;'>100</span>";
    QTest::newRow("one line") << "MAX" << false << "MAX";
    QTest::newRow("empty second line") << "MIN\n" << true << "MIN<br/><span style='color: #4A90E2;'></span>";
    QTest::newRow("empty first line") << "\n-12.5" << true << "<br/><span style='color: #4A90E2;'>-12.5</span>";
    QTest::newRow("third line dropped") << "a\nb\nc" << true << "a<br/><span style='color: #4A90E2;'>b</span>";
    QTest::newRow("markup escaped") << "<b>\n1&2" << true << "&lt;b&gt;<br/><span style='color: #4A90E2;'>1&amp;2</span>";
    QTest::newRow("empty") << "" << false << "";
}

void TestWidgets::labelSplitColor()
{
    QFETCH(QString, text);
    QFETCH(bool, rich);
    QFETCH(QString, shown);

    QLabel label;
    // start from the opposite format to see that the helper switches it
    label.setTextFormat(rich ? Qt::PlainText : Qt::RichText);
    setLabelSplitColor(&label, text);
    QCOMPARE(label.text(), shown);
    QCOMPARE(label.textFormat(), rich ? Qt::RichText : Qt::PlainText);

    setLabelSplitColor(nullptr, text); // must not crash
}

void TestWidgets::labelTextAndColor()
{
    QLabel label;
    label.setEnabled(false);
    const QColor red(255, 0, 0);
    setLabelTextAndColor(&label, red, QStringLiteral("DUR2IZA"));
    QCOMPARE(label.text(), QStringLiteral("DUR2IZA"));
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(label.palette().color(group, QPalette::WindowText), red);
    // other roles are left alone
    QCOMPARE(label.palette().color(QPalette::Active, QPalette::Window),
             QLabel().palette().color(QPalette::Active, QPalette::Window));
    setLabelTextAndColor(nullptr, red, QString());
}

void TestWidgets::layoutVisibleRecursion()
{
    QWidget window;
    auto *top = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("l"));
    auto *row = new QHBoxLayout;
    auto *button = new QPushButton(QStringLiteral("b"));
    auto *inner = new QVBoxLayout;
    auto *edit = new QLineEdit;
    auto *outside = new QLabel(QStringLiteral("o"), &window);
    top->addWidget(label);
    top->addLayout(row);
    row->addWidget(button);
    row->addStretch();
    row->addLayout(inner);
    inner->addWidget(edit);
    window.show();

    setLayoutVisible(row, false);
    QVERIFY(label->isVisible());
    QVERIFY(button->isHidden());
    QVERIFY(edit->isHidden());

    setLayoutVisible(top, false);
    QVERIFY(label->isHidden());
    QVERIFY(outside->isVisible());

    setLayoutVisible(top, true);
    QVERIFY(label->isVisible());
    QVERIFY(button->isVisible());
    QVERIFY(edit->isVisible());
    setLayoutVisible(nullptr, true);
}

void TestWidgets::comboBoxByText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("index");

    const int exact = int(Qt::MatchExactly | Qt::MatchCaseSensitive);
    QTest::newRow("exact") << QString::fromUtf8("2:位置速度模式") << exact << true << 1;
    QTest::newRow("missing") << QStringLiteral("5:other") << exact << false << 2;
    QTest::newRow("case differs") << QStringLiteral("1000K") << exact << false << 2;
    QTest::newRow("case-insensitive") << QStringLiteral("1000K") << int(Qt::MatchFixedString) << true << 3;
    QTest::newRow("contains") << QString::fromUtf8("位置") << int(Qt::MatchContains) << true << 1;
    QTest::newRow("starts with") << QStringLiteral("1:") << int(Qt::MatchStartsWith) << true << 0;
}

void TestWidgets::comboBoxByText()
{
    QFETCH(QString, text);
    QFETCH(int, flags);
    QFETCH(bool, found);
    QFETCH(int, index);

    QComboBox combo;
    combo.addItems({QString::fromUtf8("1:MIT模式"), QString::fromUtf8("2:位置速度模式"),
                    QString::fromUtf8("3:速度模式"), QStringLiteral("1000k")});
    combo.setCurrentIndex(2);
    QCOMPARE(setComboBoxIndexByText(&combo, text, Qt::MatchFlags(flags)), found);
    QCOMPARE(combo.currentIndex(), index);
    QCOMPARE(setComboBoxIndexByText(nullptr, text, Qt::MatchFlags(flags)), false);
}

void TestWidgets::tableRows()
{
    QTableWidget table(0, 3);
    addTableRow(&table, {QStringLiteral("1"), QStringLiteral("0x7FF"), QStringLiteral("00 01")});
    addTableRow(&table, {QStringLiteral("2"), QStringLiteral("0x100")});
    addTableRow(&table, {QStringLiteral("3"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("extra")});
    addTableRow(&table, {});

    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(table.columnCount(), 4); // widened for the long row, nothing dropped
    QCOMPARE(table.item(2, 3)->text(), QStringLiteral("extra"));
    QVERIFY(table.item(1, 2) == nullptr);
    QVERIFY(table.item(3, 0) == nullptr);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < table.columnCount(); ++col) {
            QTableWidgetItem *item = table.item(row, col);
            if (!item)
                continue;
            QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
            QVERIFY(!(item->flags() & Qt::ItemIsEditable));
            QVERIFY(item->flags() & Qt::ItemIsSelectable);
        }
    }
    QCOMPARE(table.item(0, 1)->text(), QStringLiteral("0x7FF"));

    std::unique_ptr<QTableWidgetItem> item(createCenteredItem(QStringLiteral("x")));
    QCOMPARE(item->text(), QStringLiteral("x"));
    QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
    addTableRow(nullptr, {QStringLiteral("x")});
}

// ---------------------------------------------------------------- others

void TestWidgets::toolTipsSwallowed()
{
    ToolTipFilter filter;
    qApp->installEventFilter(&filter);
    EventRecorder widget;
    widget.setToolTip(QStringLiteral("tip"));

    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(&widget, &tip);
    QVERIFY(!widget.seen.contains(QEvent::ToolTip));

    QEvent user(QEvent::User);
    QCoreApplication::sendEvent(&widget, &user);
    QVERIFY(widget.seen.contains(QEvent::User));
    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(&widget, &whatsThis);
    QVERIFY(widget.seen.contains(QEvent::WhatsThis));

    qApp->removeEventFilter(&filter);
    widget.seen.clear();
    QCoreApplication::sendEvent(&widget, &tip);
    QVERIFY(widget.seen.contains(QEvent::ToolTip)); // the recorder itself sees tooltips
}

void TestWidgets::customLabelScales_data()
{
    QTest::addColumn<QSize>("labelSize");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");

    QTest::newRow("wide label, square picture") << QSize(200, 100) << QSize(100, 100) << QSize(100, 100);
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
    QCOMPARE(label.originalPixmap().size(), picture);

    // back to another size: scaled from the original, not from the last copy
    label.resize(10, 10);
    label.resize(labelSize);
    QCOMPARE(label.pixmap().size(), shown);

    // a picture set after the resize is scaled at once
    CustomLabel second;
    second.show();
    second.resize(labelSize);
    second.setPixmap(pixmap);
    QCOMPARE(second.pixmap().size(), shown);
}

void TestWidgets::collapsibleHeights_data()
{
    QTest::addColumn<QList<bool>>("toggles");
    QTest::addColumn<bool>("expanded");

    QTest::newRow("collapse") << QList<bool>{false} << false;
    QTest::newRow("collapse, expand") << QList<bool>{false, true} << true;
    QTest::newRow("expand while collapsing") << QList<bool>{false, true} << true;
    QTest::newRow("collapse twice") << QList<bool>{false, true, false} << false;
}

void TestWidgets::collapsibleHeights()
{
    QFETCH(QList<bool>, toggles);
    QFETCH(bool, expanded);

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
    QCOMPARE(section.headerButton()->text(), QStringLiteral("Section"));
    QCOMPARE(section.animation()->duration(), 200);

    const bool waitEach = QByteArray(QTest::currentDataTag()) != "expand while collapsing";
    for (bool on : toggles) {
        section.headerButton()->setChecked(on);
        QCOMPARE(section.headerButton()->arrowType(), on ? Qt::DownArrow : Qt::RightArrow);
        if (waitEach)
            QTRY_COMPARE_WITH_TIMEOUT(section.bodyArea()->maximumHeight(), on ? full : 0, 2000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(section.animation()->state(), QAbstractAnimation::Stopped, 2000);
    QCOMPARE(section.bodyArea()->maximumHeight(), expanded ? full : 0);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
