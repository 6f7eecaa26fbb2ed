#include "widgets/switchbutton.h"

SwitchButton::SwitchButton(QWidget *parent) : QWidget(parent) {}

bool SwitchButton::checked() const { return m_checked; }

void SwitchButton::setChecked(bool checked)
{
    if (m_checked == checked)
        return;
    m_checked = checked;
    emit statusChanged(checked);
}
