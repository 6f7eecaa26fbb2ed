#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

class QCheckBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The question before something that cannot be undone, with the facts it rests on: a
// heading, rows of name and value, problems in red, and two buttons. Only the confirm
// button accepts; Return picks cancel, so that no fact goes unread by accident.
class FactsDialog : public QDialog
{
    Q_OBJECT
public:
    FactsDialog(const QString &title, const QString &heading, QWidget *parent = nullptr);

    // Appends a row; returns its index for setFact().
    int addFact(const QString &name, const QString &value);
    void setFact(int row, const QString &value);
    void addProblem(const QString &text);
    void clearProblems();
    QCheckBox *addCheckBox(const QString &text, bool checked, const QString &toolTip = QString());
    void setConfirmText(const QString &text);
    void setConfirmEnabled(bool enabled);

    // Everything shown, one line per row: for the log, and for what answers the dialog.
    QString text() const;
    QList<QPair<QString, QString>> facts() const;
    QStringList problems() const;
    QPushButton *confirmButton() const { return m_confirm; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    QLabel *m_heading;
    QFormLayout *m_form;
    QVBoxLayout *m_problems;
    QVBoxLayout *m_extra;
    QList<QPair<QLabel *, QLabel *>> m_rows;
    QList<QLabel *> m_problemLabels;
    QPushButton *m_confirm;
    QPushButton *m_cancel;
};
