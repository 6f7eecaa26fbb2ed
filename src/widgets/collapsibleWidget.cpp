#include "widgets/collapsibleWidget.h"

#include <QEasingCurve>
#include <QLayout>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

CollapsibleWidget::CollapsibleWidget(QWidget *parent, const QString &title)
    : QWidget(parent)
{
    toggleButton = new QToolButton(this);
    toggleButton->setStyleSheet(QStringLiteral("QToolButton { border: none; }"));
    toggleButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toggleButton->setArrowType(Qt::DownArrow);
    toggleButton->setText(title);
    toggleButton->setCheckable(true);
    toggleButton->setChecked(true);

    contentArea = new QScrollArea(this);
    contentArea->setFrameShape(QFrame::NoFrame);
    contentArea->setWidgetResizable(true);
    contentArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    contentArea->setMaximumHeight(16777215);
    content = new QWidget;
    contentArea->setWidget(content);

    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setSpacing(0);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(toggleButton, 0, Qt::AlignTop);
    mainLayout->addWidget(contentArea);

    heightAnimation = new QPropertyAnimation(contentArea, "maximumHeight", this);
    heightAnimation->setDuration(200);
    heightAnimation->setEasingCurve(QEasingCurve::InOutQuad);

    connect(toggleButton, &QToolButton::toggled, this, &CollapsibleWidget::toggle);
}

void CollapsibleWidget::takeContentHeight()
{
    content->resize(content->sizeHint());
    contentHeight = content->height();
}

void CollapsibleWidget::toggle(bool expanded)
{
    takeContentHeight();
    heightAnimation->stop();
    heightAnimation->setStartValue(contentArea->maximumHeight());
    heightAnimation->setEndValue(expanded ? contentHeight : 0);
    toggleButton->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    heightAnimation->start();
}

void CollapsibleWidget::setContentLayout(QLayout *layout)
{
    // A widget takes only one layout; drop the previous one (its widgets stay
    // children of the content and are re-added by the new layout if wanted).
    if (!layout)
        return;
    if (content->layout() != layout) {
        delete content->layout();
        content->setLayout(layout);
    }
    takeContentHeight();
    // While folded the body stays closed; the next expand opens it to this height.
    contentArea->setMaximumHeight(toggleButton->isChecked() ? contentHeight : 0);
}

void CollapsibleWidget::setContentWidget(QWidget *widget)
{
    if (!widget || widget == content)
        return;
    contentArea->setWidget(widget); // deletes the previous content widget
    content = widget;
    takeContentHeight();
    contentArea->setMaximumHeight(toggleButton->isChecked() ? contentHeight : 0);
}

void CollapsibleWidget::setTitle(const QString &title)
{
    toggleButton->setText(title);
}
