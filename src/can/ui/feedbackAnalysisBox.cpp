#include "can/ui/feedbackAnalysisBox.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

FeedbackAnalysisBox::FeedbackAnalysisBox(QWidget *parent) : QGroupBox(parent)
{
    setObjectName("feedbackAnalysisBox");
    auto *g = new QGridLayout(this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("canDataAnalysisEdit");
    auto value = [this](const char *name) {
        auto *l = new QLabel(QStringLiteral("NA"), this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    m_position = value("parsePOSLabel");
    m_velocity = value("parseVELLabel");
    m_torque = value("parseTORLabel");
    m_positionCaption = new QLabel(this);
    m_velocityCaption = new QLabel(this);
    m_torqueCaption = new QLabel(this);
    g->addWidget(m_edit, 0, 0, 1, 2);
    g->addWidget(m_positionCaption, 1, 0);
    g->addWidget(m_position, 1, 1);
    g->addWidget(m_velocityCaption, 2, 0);
    g->addWidget(m_velocity, 2, 1);
    g->addWidget(m_torqueCaption, 3, 0);
    g->addWidget(m_torque, 3, 1);
    g->setColumnStretch(1, 1);
    retranslate();
}

void FeedbackAnalysisBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QGroupBox::changeEvent(event);
}

void FeedbackAnalysisBox::retranslate()
{
    setTitle(tr("反馈帧解析"));
    m_edit->setText(QStringLiteral("00 00 00 00 00 00 00 00"));
    m_edit->setToolTip(tr("输入电机反馈帧的8个数据字节（十六进制），回车后解析出位置、速度、扭矩、温度和状态；"
                          "不足16位时在右侧补0"));
    m_positionCaption->setText(tr("位置(rad)"));
    m_velocityCaption->setText(tr("速度(rad/s)"));
    m_torqueCaption->setText(tr("扭矩(N*m)"));
}
