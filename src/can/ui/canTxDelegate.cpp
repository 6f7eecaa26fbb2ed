#include "can/ui/canTxDelegate.h"

#include "can/canTxModel.h"
#include "link/serial/baudLists.h"
#include "log/log.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

CANTxDelegate::CANTxDelegate(CANTxModel *model, QObject *parent) : QObject(parent), m_model(model) {}

void CANTxDelegate::setupComboBox(QComboBox *box, int column)
{
    if (!box) {
        Logger::warning("组合框为空", "setupComboBox");
        return;
    }
    box->clear();
    switch (column) {
    case CANTxModel::ColCANBaud:
        for (int kbps : CANBaudList)
            box->addItem(QString::number(kbps), kbps);
        break;
    // The frame-type texts are fixed labels of the adapter's vocabulary, not translated.
    case CANTxModel::ColCanIdType:
        box->addItem(QStringLiteral("标准帧"), 0);
        box->addItem(QStringLiteral("扩展帧"), 1);
        break;
    case CANTxModel::ColCanFrameType:
        box->addItem(QStringLiteral("数据帧"), 0);
        box->addItem(QStringLiteral("远程帧"), 1);
        break;
    default:
        break;
    }
}

void CANTxDelegate::setComboBoxData(QComboBox *box, const QVariant &value, int column)
{
    Q_UNUSED(column);
    if (!box) {
        Logger::warning("组合框为空", "setComboBoxData");
        return;
    }
    // Item data are ints while the record's fields are int, unsigned or byte; compare
    // numerically so that e.g. uint 1 finds int 1.
    for (int i = 0; i < box->count(); ++i) {
        const QVariant item = box->itemData(i, Qt::UserRole);
        bool okItem = false, okValue = false;
        const qlonglong a = item.toLongLong(&okItem);
        const qlonglong b = value.toLongLong(&okValue);
        if ((okItem && okValue) ? a == b : item == value) {
            box->setCurrentIndex(i);
            return;
        }
    }
}

QVariant CANTxDelegate::getComboBoxData(QComboBox *box, int column) const
{
    Q_UNUSED(column);
    if (!box) {
        Logger::warning("组合框为空", "getComboBoxData");
        return QVariant();
    }
    return box->currentData(Qt::UserRole);
}

void CANTxDelegate::setLineEditData(QLineEdit *edit, const QVariant &value)
{
    if (!edit) {
        Logger::warning("输入框为空", "setLineEditData");
        return;
    }
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        edit->setText(QString::number(value.toULongLong()));
        break;
    case QMetaType::QString:
        edit->setText(value.toString());
        break;
    default:
        edit->clear();
        break;
    }
}

QString CANTxDelegate::getLineEditData(QLineEdit *edit) const
{
    if (!edit) {
        Logger::warning("输入框为空", "getLineEditData");
        return QString();
    }
    return edit->text();
}

void CANTxDelegate::setCheckBoxData(QCheckBox *box, bool value)
{
    if (!box) {
        Logger::warning("复选框为空", "setCheckBoxData");
        return;
    }
    box->setChecked(value);
}

bool CANTxDelegate::getCheckBoxData(QCheckBox *box) const
{
    if (!box) {
        Logger::warning("复选框为空", "getCheckBoxData");
        return false;
    }
    return box->isChecked();
}

void CANTxDelegate::setSwitchButtonData(SwitchButton *button, bool value)
{
    if (!button) {
        Logger::warning("开关按钮为空", "setSwitchButtonData");
        return;
    }
    button->setChecked(value);
}

bool CANTxDelegate::getSwitchButtonData(SwitchButton *button) const
{
    if (!button) {
        Logger::warning("开关按钮为空", "getSwitchButtonData");
        return false;
    }
    return button->checked();
}
