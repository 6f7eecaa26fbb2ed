#include "link/serial/ui/serialPortDelegate.h"

#include "link/serial/serialPortModel.h"

#include <QComboBox>
#include <QStyledItemDelegate>

namespace {
// The opened port list shows each port with what the system (or the simulator) says it
// is; the closed box keeps the bare name, which is what can be typed and opened.
class PortItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(Qt::ToolTipRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  —  ") + description;
    }
};
} // namespace

SerialPortDelegate::SerialPortDelegate(SerialPortModel *m, QObject *parent) : QObject(parent), model(m) {}

void SerialPortDelegate::setupComboBox(QComboBox *combo, int column) const
{
    const QSignalBlocker block(combo);
    combo->clear();
    switch (column) {
    case 0: {
        if (!dynamic_cast<PortItemDelegate *>(combo->itemDelegate()))
            combo->setItemDelegate(new PortItemDelegate(combo));
        const auto entries = model->portEntries();
        for (int i = 0; i < entries.size(); ++i) {
            combo->addItem(entries[i].portName, i);
            if (!entries[i].description.isEmpty())
                combo->setItemData(i, entries[i].description, Qt::ToolTipRole);
        }
        break;
    }
    case 1:
        for (int b : SerialPortModel::availableBaudOptions())
            combo->addItem(QString::number(b), b);
        break;
    case 2:
        for (int b : SerialPortModel::availableDataBitsOptions())
            combo->addItem(QString::number(b), b);
        break;
    case 3:
        for (const QString &p : SerialPortModel::availableCheckBitOptions())
            combo->addItem(p, p);
        break;
    case 4:
        for (double s : SerialPortModel::availableStopBitsOptions())
            combo->addItem(QString::number(s, 'g', 6), s);
        break;
    default:
        break;
    }
}

QVariant SerialPortDelegate::getComboBoxData(QComboBox *combo, int column) const
{
    if (column == 1 || column == 3)
        return combo->currentText();
    return combo->currentData(Qt::UserRole);
}

void SerialPortDelegate::setComboBoxData(QComboBox *combo, const QVariant &value, int column) const
{
    int i = combo->findData(value, Qt::UserRole);
    if (i < 0 && (column == 1 || column == 3))
        i = combo->findText(value.toString());
    if (i >= 0)
        combo->setCurrentIndex(i);
}
