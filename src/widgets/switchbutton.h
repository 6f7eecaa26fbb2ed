#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

// Sliding on/off switch: a rounded track with a round knob and a text on the free
// side. Every on/off choice of the tool uses one; statusChanged() reports each change.
class SwitchButton : public QWidget
{
    Q_OBJECT

public:
    explicit SwitchButton(QWidget *parent = nullptr);

    bool checked() const { return checkedState; }
    bool isChecked() const { return checkedState; }

    // Current and target knob offset in pixels, and whether the knob is still sliding.
    int knobOffset() const { return startX; }
    int knobTarget() const { return endX; }
    int knobStep() const { return step; }
    bool isAnimating() const { return animationTimer->isActive(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void statusChanged(bool checked);

public slots:
    void updateValue();
    void setSpace(int space);
    void setRadius(int radius);
    void setChecked(bool checked);
    void setShowText(bool show);
    void setShowCircle(bool show);
    void setAnimation(bool ok);
    void setBgColorOn(const QColor &color);
    void setBgColorOff(const QColor &color);
    void setSliderColorOn(const QColor &color);
    void setSliderColorOff(const QColor &color);
    void setTextColor(const QColor &color);
    void setTextOn(const QString &text);
    void setTextOff(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void toggle();
    int targetX() const;

    int space = 2;
    int radius = 5;
    bool checkedState = false;
    bool showText = false;
    bool showCircle = false;
    bool animation = true;
    QColor bgColorOn = QColor(205, 55, 0);
    QColor bgColorOff = QColor(34, 193, 34);
    QColor sliderColorOn = Qt::white;
    QColor sliderColorOff = Qt::white;
    QColor textColor = Qt::white;
    QString textOn = QStringLiteral("textOn");
    QString textOff = QStringLiteral("textOff");
    QTimer *animationTimer = nullptr;
    int step = 0;
    int startX = 0;
    int endX = 0;
};
