#include "motor/ui/specialMotorDialog.h"

#include "widgets/utils.h"

#include <QEvent>
#include <QPushButton>
#include <QVBoxLayout>

SpecialMotorDialog::SpecialMotorDialog(int type, QWidget *parent)
    : QDialog(parent)
{
    setObjectName("specialMotorDialog");
    setModal(false);
    resize(150, 50);
    auto *layout = new QVBoxLayout(this);
    conventionalButton = new QPushButton(this);
    conventionalButton->setObjectName("conventionalMotorButton");
    hubButton = new QPushButton(this);
    hubButton->setObjectName("hubMotorButton");
    layout->addWidget(conventionalButton);
    layout->addWidget(hubButton);
    connect(conventionalButton, &QPushButton::clicked, this, [this] { setType(Conventional); });
    connect(hubButton, &QPushButton::clicked, this, [this] { setType(HubMotor); });
    retranslate();
    current = -1;
    setType(type == HubMotor ? HubMotor : Conventional);
}

void SpecialMotorDialog::setType(int type)
{
    const bool changed = type != current;
    current = type;
    conventionalButton->setStyleSheet(type == Conventional ? QString::fromLatin1(kActiveButtonStyle) : QString());
    hubButton->setStyleSheet(type == HubMotor ? QString::fromLatin1(kActiveButtonStyle) : QString());
    if (changed)
        emit typeChanged(type);
}

void SpecialMotorDialog::retranslate()
{
    setWindowTitle(tr("特殊电机选择"));
    conventionalButton->setText(tr("常规电机"));
    hubButton->setText(tr("X5810轮毂电机"));
}

void SpecialMotorDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}
