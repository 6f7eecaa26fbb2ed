#include "widgets/detachedWindow.h"

#include <QBoxLayout>
#include <QVBoxLayout>

DetachedWindow::DetachedWindow(QWidget *parent, const QString &title, const QSize &fixedSize)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setFixedSize(fixedSize);
    new QVBoxLayout(this);
}

DetachedWindow::~DetachedWindow()
{
    // Runs before QWidget's destructor deletes the children, so the groups survive.
    for (const Loan &loan : loans) {
        if (!loan.group)
            continue;
        layout()->removeWidget(loan.group);
        if (loan.home && loan.home->parentWidget()) {
            loan.group->setParent(loan.home->parentWidget());
            loan.home->addWidget(loan.group);
        } else {
            loan.group->setParent(nullptr);
        }
    }
}

void DetachedWindow::borrow(QWidget *group, QBoxLayout *home)
{
    if (home)
        home->removeWidget(group);
    layout()->addWidget(group);
    group->show();
    loans.append({group, home});
}
