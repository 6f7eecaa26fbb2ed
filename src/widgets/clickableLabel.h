#pragma once

#include <QLabel>
#include <QString>

class QMouseEvent;

// A label that reports left clicks and double clicks, for texts that act like links
// (the status bar's counter reset, for one).
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget *parent = nullptr);
    explicit ClickableLabel(const QString &text, QWidget *parent = nullptr);

    void setClickable(bool clickable);
    bool isClickable() const { return clickable; }
    void setClickStyle(const QString &style);
    // Kept for callers that configure it; hovering does not change the look.
    void setHoverStyle(const QString &style);

signals:
    void clicked(QMouseEvent *event);
    void doubleClicked(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void init();

    bool clickable = true;
    QString clickStyle;
    QString hoverStyle = QStringLiteral("color: #0055aa; text-decoration: underline;");
    bool pressed = false;
};
