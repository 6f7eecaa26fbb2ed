#include "widgets/toolTipFilter.h"

#include <QEvent>

ToolTipFilter::ToolTipFilter(QObject *parent)
    : QObject(parent)
{
}

bool ToolTipFilter::eventFilter(QObject *, QEvent *event)
{
    return event->type() == QEvent::ToolTip;
}
