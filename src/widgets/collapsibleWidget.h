#pragma once

#include <QString>
#include <QWidget>

class QLayout;
class QPropertyAnimation;
class QScrollArea;
class QToolButton;

// A section with a title button that folds its content away with a short animation.
class CollapsibleWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CollapsibleWidget(QWidget *parent = nullptr, const QString &title = QString());

    void setContentLayout(QLayout *layout);
    // Replaces the content widget (the previous one is deleted).
    void setContentWidget(QWidget *widget);
    void setTitle(const QString &title);

    QToolButton *headerButton() const { return toggleButton; }
    QScrollArea *bodyArea() const { return contentArea; }
    QWidget *contentWidget() const { return content; }
    QPropertyAnimation *animation() const { return heightAnimation; }

public slots:
    void toggle(bool expanded);

private:
    void takeContentHeight();

    QToolButton *toggleButton = nullptr;
    QScrollArea *contentArea = nullptr;
    QWidget *content = nullptr;
    QPropertyAnimation *heightAnimation = nullptr;
    int contentHeight = 0;
};
