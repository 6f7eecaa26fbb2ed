#include "widgets/clickableLabel.h"

#include <QMouseEvent>

ClickableLabel::ClickableLabel(QWidget *parent)
    : QLabel(parent)
{
    init();
}

ClickableLabel::ClickableLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    init();
}

void ClickableLabel::init()
{
    setCursor(Qt::PointingHandCursor);
    clickStyle = styleSheet();
    setStyleSheet(clickStyle);
}

void ClickableLabel::setClickable(bool value)
{
    clickable = value;
    setCursor(value ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!value)
        pressed = false;
}

void ClickableLabel::setClickStyle(const QString &style)
{
    clickStyle = style;
    setStyleSheet(style);
}

void ClickableLabel::setHoverStyle(const QString &style)
{
    hoverStyle = style;
}

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    if (clickable && event->button() == Qt::LeftButton) {
        pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (clickable && pressed && event->button() == Qt::LeftButton) {
        pressed = false;
        emit clicked(event);
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (clickable) {
        emit doubleClicked(event);
        event->accept();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}
