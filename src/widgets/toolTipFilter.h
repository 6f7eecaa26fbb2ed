#pragma once

#include <QObject>

// Installed on the application object: swallows every tooltip so none is shown.
class ToolTipFilter : public QObject
{
    Q_OBJECT

public:
    explicit ToolTipFilter(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
