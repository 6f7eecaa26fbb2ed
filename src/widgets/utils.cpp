#include "widgets/utils.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPalette>
#include <QStringList>
#include <QTableWidget>
#include <QTableWidgetItem>

void setLabelTextAndColor(QLabel *label, const QColor &color, const QString &text)
{
    if (!label)
        return;
    QPalette palette = label->palette();
    palette.setBrush(QPalette::Active, QPalette::WindowText, color);
    palette.setBrush(QPalette::Inactive, QPalette::WindowText, color);
    palette.setBrush(QPalette::Disabled, QPalette::WindowText, color);
    label->setPalette(palette);
    label->setText(text);
}

void setLabelSplitColor(QLabel *label, const QString &text)
{
    if (!label)
        return;
    const QStringList parts = text.split(QStringLiteral("\n"), Qt::KeepEmptyParts);
    if (parts.size() < 2) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        return;
    }
    // Escaped so that a '<' in a value cannot break the markup.
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("%1<br/><span style='color: #4A90E2;'>%2</span>")
                       .arg(parts.at(0).toHtmlEscaped(), parts.at(1).toHtmlEscaped()));
}

void setLayoutVisible(QLayout *layout, bool visible)
{
    if (!layout)
        return;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QWidget *widget = item->widget())
            widget->setVisible(visible);
        else if (QLayout *child = item->layout())
            setLayoutVisible(child, visible);
    }
}

bool setComboBoxIndexByText(QComboBox *comboBox, const QString &text, Qt::MatchFlags flags)
{
    if (!comboBox)
        return false;
    const int index = comboBox->findText(text, flags);
    if (index < 0)
        return false;
    comboBox->setCurrentIndex(index);
    return true;
}

void addTableRow(QTableWidget *table, const QList<QString> &cells)
{
    if (!table)
        return;
    const int row = table->rowCount();
    table->insertRow(row);
    // setItem() silently drops cells past the last column, so make room instead of
    // losing values.
    if (cells.size() > table->columnCount())
        table->setColumnCount(cells.size());
    for (int column = 0; column < cells.size(); ++column) {
        QTableWidgetItem *item = createCenteredItem(cells.at(column));
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        table->setItem(row, column, item);
    }
}

QTableWidgetItem *createCenteredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

namespace {
class PageKeysFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto *key = static_cast<QKeyEvent *>(event);
            // Accepted, the override sends the key to the widget instead of the shortcut.
            if ((key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) && key->modifiers() == Qt::NoModifier) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void keepPageKeys(QWidget *widget)
{
    if (widget)
        widget->installEventFilter(new PageKeysFilter(widget));
}
