#include "widgets/customLabel.h"

#include <QResizeEvent>

CustomLabel::CustomLabel(QWidget *parent)
    : QLabel(parent)
{
    // A label showing a pixmap asks for at least the pixmap's size, which would stop
    // the window from ever shrinking the picture again.
    setMinimumSize(1, 1);
}

void CustomLabel::setPixmap(const QPixmap &pixmap)
{
    original = pixmap;
    showScaled();
}

void CustomLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showScaled();
}

void CustomLabel::showScaled()
{
    if (original.isNull()) {
        QLabel::setPixmap(original);
        return;
    }
    QLabel::setPixmap(original.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
