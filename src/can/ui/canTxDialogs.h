#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QLineEdit;
class QListWidget;

// "id递增配置": the step (decimal) and the stop ID (hexadecimal) of the ID counting.
// Non-modal; it deletes itself when it finishes. OK takes the values only when both
// read as numbers (a step of 0 to `maxStep`, a stop ID of at most eight hexadecimal
// digits); otherwise it says which one is wrong and stays open. The USB adapter's
// record carries a step of one byte, so while it is connected `maxStep` is 255.
class IdIncrementDialog : public QDialog
{
    Q_OBJECT
public:
    IdIncrementDialog(quint16 step, quint32 stopId, QWidget *parent = nullptr, quint16 maxStep = 0xFFFF);

    QLineEdit *stepEdit() const { return m_step; }
    QLineEdit *stopIdEdit() const { return m_stopId; }

    // Both texts as numbers; false (with the reason) when one does not read.
    static bool parse(const QString &stepText, const QString &stopIdText, quint16 &step, quint32 &stopId,
                      QString *reason = nullptr, quint16 maxStep = 0xFFFF);

signals:
    void configured(quint16 step, quint32 stopId);

private:
    void takeValues();

    QLineEdit *m_step;
    QLineEdit *m_stopId;
    quint16 m_maxStep;
};

// "选择导出列": one checkable entry per log column (all checked; a double-click toggles)
// and, while a filter hides rows, the choice to export only the rows shown.
class ExportColumnsDialog : public QDialog
{
    Q_OBJECT
public:
    ExportColumnsDialog(const QStringList &titles, bool filterActive, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    QCheckBox *visibleOnlyBox() const { return m_visibleOnly; }
    QList<int> checkedColumns() const;
    bool visibleOnly() const;
    // Every column starts checked; an optional one may start unchecked.
    void setColumnChecked(int column, bool checked);

private:
    QListWidget *m_list;
    QCheckBox *m_visibleOnly;
};
