#include "can/ui/canTxDelegate.h"

#include "can/canTxModel.h"
#include "link/serial/baudLists.h"
#include "log/log.h"
#include "widgets/switchbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

CANTxDelegate::CANTxDelegate(CANTxModel *model, QObject *parent) : QObject(parent), m_model(model) {}

namespace {
// The ID and frame type choices, in item order (item data = index).
const char *const kIdTypes[] = {QT_TRANSLATE_NOOP("MainWindow", "标准帧"), QT_TRANSLATE_NOOP("MainWindow", "扩展帧")};
const char *const kFrameTypes[] = {QT_TRANSLATE_NOOP("MainWindow", "数据帧"), QT_TRANSLATE_NOOP("MainWindow", "远程帧")};

const char *const *typeTexts(int column)
{
    if (column == CANTxModel::ColCanIdType)
        return kIdTypes;
    if (column == CANTxModel::ColCanFrameType)
        return kFrameTypes;
    return nullptr;
}
} // namespace

void CANTxDelegate::setupComboBox(QComboBox *box, int column)
{
    if (!box) {
        Logger::warning("组合框为空", "setupComboBox");
        return;
    }
    box->clear();
    if (column == CANTxModel::ColCANBaud) {
        for (int kbps : CANBaudList)
            box->addItem(QString::number(kbps), kbps);
    } else if (const char *const *texts = typeTexts(column)) {
        for (int i = 0; i < 2; ++i)
            box->addItem(QCoreApplication::translate("MainWindow", texts[i]), i);
    }
}

void CANTxDelegate::retranslateComboBox(QComboBox *box, int column)
{
    const char *const *texts = typeTexts(column);
    if (!box || !texts)
        return;
    for (int i = 0; i < box->count() && i < 2; ++i)
        box->setItemText(i, QCoreApplication::translate("MainWindow", texts[i]));
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
