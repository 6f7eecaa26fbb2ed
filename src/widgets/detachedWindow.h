#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QBoxLayout;

// A small top-level window that borrows group boxes from the main window and gives them
// back to the end of their home layouts when it goes away (closed or destroyed).
class DetachedWindow : public QWidget
{
    Q_OBJECT
public:
    DetachedWindow(QWidget *parent, const QString &title, const QSize &fixedSize);
    ~DetachedWindow() override;

    // Moves `group` out of `home` into this window.
    void borrow(QWidget *group, QBoxLayout *home);

private:
    struct Loan {
        QPointer<QWidget> group;
        QPointer<QBoxLayout> home;
    };
    QList<Loan> loans;
};
