#pragma once

#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QString>

#include <functional>


// Every message box, modal dialog and file dialog of the tool goes through here, so
// that tests (and scripted drivers) can observe and answer them instead of blocking on
// a modal loop nobody will ever close.
class DialogService
{
public:
    enum Kind { Information, Warning, Critical, Question, Notice, Dialog, OpenFile, SaveFile, Directory };

    struct Request {
        Kind kind = Information;
        QString title;
        QString text;       // message text, or the file dialog's start directory
        QString detail;     // a message box's informative text
        QString filter;     // file dialogs only
        QPointer<QWidget> parent;  // null once the widget is gone
        QPointer<QDialog> dialog;  // Dialog kind: the dialog about to run modally
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    };

    struct Reply {
        int result = 0;     // a QMessageBox::StandardButton, or a QDialog::DialogCode
        QString path;       // file dialogs: the chosen path, empty for cancel
    };

    // With a handler set, no real modal loop runs: the handler answers, and every
    // request is recorded in history() for the test (or driver) that set it. Without
    // one the real Qt box or dialog runs and nothing is kept; removing the handler
    // empties the history.
    using Handler = std::function<Reply(const Request &)>;
    static void setHandler(Handler handler);
    static bool hasHandler();

    static QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    static QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No);

    // Runs a modal dialog (QMessageBox included) and returns its result code.
    static int exec(QDialog *dialog);
    // Records a non-modal box that the caller has just shown.
    static void notice(QMessageBox *box);

    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
    static QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
    static QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir);

    static QList<Request> history();
    static void clearHistory();

    // Records the request and lets the handler answer it, or runs `real` when none is set.
    static Reply dispatch(const Request &request, const std::function<Reply()> &real);
};
