#pragma once

#include <QLabel>
#include <QPixmap>

// A picture label that keeps the original picture and shows it scaled to its own
// size, keeping the aspect ratio.
class CustomLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CustomLabel(QWidget *parent = nullptr);

    // Hides QLabel::setPixmap: the picture given here is the unscaled original.
    void setPixmap(const QPixmap &pixmap);
    QPixmap originalPixmap() const { return original; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showScaled();

    QPixmap original;
};
