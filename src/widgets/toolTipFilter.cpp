#include "widgets/toolTipFilter.h"

#include <QEvent>
#include <QWidget>

ToolTipFilter::ToolTipFilter(QObject *parent)
    : QObject(parent)
{
}

// Stray tips (chart items, view cells, truncated texts) are swallowed; a tip that a
// control carries on purpose explains it and is let through.
bool ToolTipFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    const auto *widget = qobject_cast<QWidget *>(watched);
    return !widget || widget->toolTip().isEmpty();
}
