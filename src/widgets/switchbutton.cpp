#include "widgets/switchbutton.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>

SwitchButton::SwitchButton(QWidget *parent)
    : QWidget(parent)
{
    animationTimer = new QTimer(this);
    animationTimer->setInterval(30);
    connect(animationTimer, &QTimer::timeout, this, &SwitchButton::updateValue);
}

QSize SwitchButton::sizeHint() const
{
    return QSize(60, 20);
}

QSize SwitchButton::minimumSizeHint() const
{
    return QSize(30, 12);
}

// Knob offset at rest for the current state and size. A widget taller than wide has
// no room to slide, so the knob stays at the left instead of leaving the track.
int SwitchButton::targetX() const
{
    return checkedState ? std::max(0, width() - height()) : 0;
}

void SwitchButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const int w = width();
    const int h = height();
    const int side = std::min(w, h);

    // Track. One united path so that a translucent (disabled) colour is not blended
    // twice where the end circles overlap the middle rectangle.
    QColor bg = checkedState ? bgColorOn : bgColorOff;
    if (!isEnabled())
        bg.setAlpha(150);
    QPainterPath track;
    track.addEllipse(0, 0, side, side);
    QPainterPath right;
    right.addEllipse(w - side, 0, side, side);
    QPainterPath middle;
    middle.addRect(side / 2, 0, w - side, h);
    track = track.united(right).united(middle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(bg);
    painter.drawPath(track);

    // Text on the side the knob has left free.
    const int l = side - 2 * space - 5;
    painter.setPen(textColor);
    if (checkedState)
        painter.drawText(QRect(0, 0, w - l, h), Qt::AlignCenter, textOn);
    else
        painter.drawText(QRect(l, 0, w - l, h), Qt::AlignCenter, textOff);

    // Knob.
    painter.setPen(Qt::NoPen);
    painter.setBrush(checkedState ? sliderColorOn : sliderColorOff);
    const int d = side - 2 * space;
    painter.drawEllipse(QRect(space + startX, space, d, d));
}

void SwitchButton::mousePressEvent(QMouseEvent *)
{
    toggle();
}

// A switch set before the first layout pass would otherwise keep a knob target
// computed for the provisional size and draw its knob outside the track.
void SwitchButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    step = width() / 10;
    endX = targetX();
    if (!animationTimer->isActive())
        startX = endX;
}

void SwitchButton::toggle()
{
    checkedState = !checkedState;
    emit statusChanged(checkedState);

    step = width() / 10;
    endX = targetX();
    if (animation) {
        animationTimer->start();
    } else {
        animationTimer->stop(); // a slide still running from before ends here
        startX = endX;
        update();
    }
}

void SwitchButton::updateValue()
{
    // The step is not clamped: the knob may overshoot by less than a step for one
    // tick before it settles on the target.
    if (checkedState && startX < endX) {
        startX += step;
        update();
        return;
    }
    if (!checkedState && startX > endX) {
        startX -= step;
        update();
        return;
    }
    startX = endX;
    animationTimer->stop();
    update();
}

void SwitchButton::setSpace(int value)
{
    if (space != value) {
        space = value;
        update();
    }
}

void SwitchButton::setRadius(int value)
{
    if (radius != value) {
        radius = value;
        update();
    }
}

void SwitchButton::setChecked(bool value)
{
    if (checkedState != value)
        toggle();
}

void SwitchButton::setShowText(bool value)
{
    if (showText != value) {
        showText = value;
        update();
    }
}

void SwitchButton::setShowCircle(bool value)
{
    if (showCircle != value) {
        showCircle = value;
        update();
    }
}

void SwitchButton::setAnimation(bool value)
{
    if (animation != value) {
        animation = value;
        update();
    }
}

void SwitchButton::setBgColorOn(const QColor &color)
{
    if (bgColorOn != color) {
        bgColorOn = color;
        update();
    }
}

void SwitchButton::setBgColorOff(const QColor &color)
{
    if (bgColorOff != color) {
        bgColorOff = color;
        update();
    }
}

void SwitchButton::setSliderColorOn(const QColor &color)
{
    if (sliderColorOn != color) {
        sliderColorOn = color;
        update();
    }
}

void SwitchButton::setSliderColorOff(const QColor &color)
{
    if (sliderColorOff != color) {
        sliderColorOff = color;
        update();
    }
}

void SwitchButton::setTextColor(const QColor &color)
{
    if (textColor != color) {
        textColor = color;
        update();
    }
}

void SwitchButton::setTextOn(const QString &text)
{
    if (textOn != text) {
        textOn = text;
        update();
    }
}

void SwitchButton::setTextOff(const QString &text)
{
    if (textOff != text) {
        textOff = text;
        update();
    }
}
