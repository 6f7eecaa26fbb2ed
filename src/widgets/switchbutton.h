#pragma once

#include <QWidget>

// Minimal on/off switch: state and change signal only (drawing comes later).
class SwitchButton : public QWidget
{
    Q_OBJECT

public:
    explicit SwitchButton(QWidget *parent = nullptr);
    bool checked() const;

public slots:
    void setChecked(bool checked);

signals:
    void statusChanged(bool checked);

private:
    bool m_checked = false;
};
