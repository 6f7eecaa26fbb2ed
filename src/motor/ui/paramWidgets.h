#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Widget helpers of the parameter tab.

// The grey look of an edit the user may not change.
inline constexpr const char *kReadOnlyEditStyle = "QLineEdit { background-color: #f0f0f0; color: #808080; }";

// Sets the read-only state (and its grey look) of the named QLineEdit children of
// `parent`. Lists of different length change nothing; a missing edit is logged.
void setLineEditsReadOnly(const QStringList &lineEditNames, const QList<bool> &readOnlyList, QWidget *parent);

// True when a QLineEdit among the direct children of `container` whose name ends in
// "Edit" and is not excluded is empty.
bool checkEditFields(QWidget *container, const QStringList &excluded = {});

// The parameter tab as object name -> text (QLineEdit, QLabel; combo boxes as their
// index in decimal) for the given names; names without a widget under `root` are left out.
QHash<QString, QString> readWidgetTexts(QWidget *root, const QStringList &names);
// The reverse: edits and labels take the text, combo boxes the index it holds.
void writeWidgetTexts(QWidget *root, const QHash<QString, QString> &texts);
// Empties the named edits and labels and leaves the named combo boxes without selection.
void clearWidgets(QWidget *root, const QStringList &names);

class QLabel;
// The MIN/MAX labels of the control panel show "MIN\n-12.5" in two colours (rich
// text); the plain two-line text is kept beside it so that it can be recoloured or
// copied later.
void setRangeLabel(QLabel *label, const QString &text);
QString rangeLabelText(const QLabel *label);
