#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <Qt>

class QComboBox;
class QLabel;
class QLayout;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// Label, layout, combo box and table helpers shared by the windows.

// The green look of a button whose state is "on" (a running send, the chosen type).
inline constexpr const char *kActiveButtonStyle = "QPushButton {    background-color: lightgreen;    color: black;}"
                                                  "QPushButton:hover {    background-color: #90EE90;}"
                                                  "QPushButton:pressed {    background-color: #7CFC00;}";

// Sets the text and paints it in the colour in every colour group.
void setLabelTextAndColor(QLabel *label, const QColor &color, const QString &text);
// "first\nsecond": the second line below the first in a blue accent colour (rich
// text); a text without a line break is shown plain.
void setLabelSplitColor(QLabel *label, const QString &text);
// Shows or hides every widget of the layout, nested layouts included.
void setLayoutVisible(QLayout *layout, bool visible);
// Selects the item whose display text matches; false (nothing changed) when none does.
bool setComboBoxIndexByText(QComboBox *comboBox, const QString &text,
                            Qt::MatchFlags flags = Qt::MatchExactly | Qt::MatchCaseSensitive);
// Appends a row of centred, read-only cells; the table widens when the row is longer.
void addTableRow(QTableWidget *table, const QList<QString> &cells);
// A new centred cell; the caller owns it.
QTableWidgetItem *createCenteredItem(const QString &text);
// Page Up / Page Down pressed in `widget` page through it, even where the window binds
// those keys to something else (a shortcut that switches tabs).
void keepPageKeys(QWidget *widget);
