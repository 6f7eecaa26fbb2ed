#include "widgets/dialogService.h"

#include <QDialog>
#include <QFileDialog>

namespace {
QMutex g_mutex;
DialogService::Handler g_handler;
QList<DialogService::Request> g_history;
}

void DialogService::setHandler(Handler handler)
{
    QMutexLocker lock(&g_mutex);
    g_handler = std::move(handler);
    if (!g_handler)
        g_history.clear();
}

bool DialogService::hasHandler()
{
    QMutexLocker lock(&g_mutex);
    return bool(g_handler);
}

DialogService::Reply DialogService::dispatch(const Request &request, const std::function<Reply()> &real)
{
    Handler handler;
    {
        QMutexLocker lock(&g_mutex);
        handler = g_handler;
        if (handler)
            g_history.append(request);
    }
    return handler ? handler(request) : real();
}

static QMessageBox::StandardButton box(DialogService::Kind kind, QWidget *parent, const QString &title,
                                       const QString &text, QMessageBox::StandardButtons buttons)
{
    DialogService::Request r;
    r.kind = kind;
    r.parent = parent;
    r.title = title;
    r.text = text;
    r.buttons = buttons;
    DialogService::Reply reply = DialogService::dispatch(r, [&] {
        DialogService::Reply out;
        switch (kind) {
        case DialogService::Warning: out.result = QMessageBox::warning(parent, title, text, buttons); break;
        case DialogService::Critical: out.result = QMessageBox::critical(parent, title, text, buttons); break;
        case DialogService::Question: out.result = QMessageBox::question(parent, title, text, buttons); break;
        default: out.result = QMessageBox::information(parent, title, text, buttons); break;
        }
        return out;
    });
    return QMessageBox::StandardButton(reply.result);
}

QMessageBox::StandardButton DialogService::information(QWidget *p, const QString &t, const QString &x,
                                                       QMessageBox::StandardButtons b)
{
    return box(Information, p, t, x, b);
}
QMessageBox::StandardButton DialogService::warning(QWidget *p, const QString &t, const QString &x,
                                                   QMessageBox::StandardButtons b)
{
    return box(Warning, p, t, x, b);
}
QMessageBox::StandardButton DialogService::critical(QWidget *p, const QString &t, const QString &x,
                                                    QMessageBox::StandardButtons b)
{
    return box(Critical, p, t, x, b);
}
QMessageBox::StandardButton DialogService::question(QWidget *p, const QString &t, const QString &x,
                                                    QMessageBox::StandardButtons b)
{
    return box(Question, p, t, x, b);
}

int DialogService::exec(QDialog *dialog)
{
    Request r;
    r.kind = Dialog;
    r.dialog = dialog;
    r.parent = dialog ? dialog->parentWidget() : nullptr;
    r.title = dialog ? dialog->windowTitle() : QString();
    if (auto *mb = qobject_cast<QMessageBox *>(dialog)) {
        r.text = mb->text();
        r.detail = mb->informativeText();
        r.buttons = mb->standardButtons();
    }
    return dispatch(r, [&] {
               Reply out;
               out.result = dialog ? dialog->exec() : QDialog::Rejected;
               return out;
           })
        .result;
}

void DialogService::notice(QMessageBox *box)
{
    Request r;
    r.kind = Notice;
    r.title = box->windowTitle();
    r.text = box->text();
    r.parent = box->parentWidget();
    r.buttons = box->standardButtons();
    QMutexLocker lock(&g_mutex);
    if (g_handler)
        g_history.append(r);
}

static QString fileDialog(DialogService::Kind kind, QWidget *parent, const QString &caption, const QString &dir,
                          const QString &filter)
{
    DialogService::Request r;
    r.kind = kind;
    r.parent = parent;
    r.title = caption;
    r.text = dir;
    r.filter = filter;
    return DialogService::dispatch(r, [&] {
               DialogService::Reply out;
               if (kind == DialogService::OpenFile)
                   out.path = QFileDialog::getOpenFileName(parent, caption, dir, filter);
               else if (kind == DialogService::SaveFile)
                   out.path = QFileDialog::getSaveFileName(parent, caption, dir, filter);
               else
                   out.path = QFileDialog::getExistingDirectory(parent, caption, dir);
               return out;
           })
        .path;
}

QString DialogService::getOpenFileName(QWidget *p, const QString &c, const QString &d, const QString &f)
{
    return fileDialog(OpenFile, p, c, d, f);
}
QString DialogService::getSaveFileName(QWidget *p, const QString &c, const QString &d, const QString &f)
{
    return fileDialog(SaveFile, p, c, d, f);
}
QString DialogService::getExistingDirectory(QWidget *p, const QString &c, const QString &d)
{
    return fileDialog(Directory, p, c, d, QString());
}

QList<DialogService::Request> DialogService::history()
{
    QMutexLocker lock(&g_mutex);
    return g_history;
}

void DialogService::clearHistory()
{
    QMutexLocker lock(&g_mutex);
    g_history.clear();
}
