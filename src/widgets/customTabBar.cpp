#include "widgets/customTabBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalMapper>

namespace {
const char *const kTabStyle = "padding: 5px;";
const char *const kSelectedStyle = "padding: 5px; background-color: white;";
const char *const kUnselectedStyle = "padding: 5px; background-color: #f0f0f0;";
}

CustomTabBar::CustomTabBar(QWidget *parent)
    : QWidget(parent)
{
    tabLayout = new QHBoxLayout(this);
    signalMapper = new QSignalMapper(this);
    connect(signalMapper, &QSignalMapper::mappedInt, this, &CustomTabBar::tabClicked);
}

void CustomTabBar::addTab(const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QString::fromLatin1(kTabStyle));
    label->installEventFilter(this);
    tabLayout->addWidget(label);
    tabs.append(label);
    signalMapper->setMapping(label, tabs.size() - 1);
}

void CustomTabBar::setCurrentTab(int index)
{
    if (index < 0 || index >= tabs.size())
        return;
    current = index;
    emit tabClicked(index);
    for (int i = 0; i < tabs.size(); ++i)
        tabs[i]->setStyleSheet(QString::fromLatin1(i == index ? kSelectedStyle : kUnselectedStyle));
}

QString CustomTabBar::tabText(int index) const
{
    if (index < 0 || index >= tabs.size())
        return QString();
    return tabs[index]->text();
}

void CustomTabBar::setTabText(int index, const QString &text)
{
    if (index < 0 || index >= tabs.size())
        return;
    tabs[index]->setText(text);
}

bool CustomTabBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const int index = tabs.indexOf(qobject_cast<QLabel *>(watched));
        if (index >= 0) {
            setCurrentTab(index);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
